// What the bucket's writer takes of the records the bridge's mirror hands
// over: the latest per user, and after a join the keys the bucket keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PendingRecords.h"

namespace {

using zelbridge::PendingRecords;

struct Op {
  enum { Put, Delete, Join } what;
  std::string key;
  std::string record;
  std::vector<std::string> held;
};

Op Put(std::string key, std::string record) { return {Op::Put, std::move(key), std::move(record), {}}; }
Op Delete(std::string key) { return {Op::Delete, std::move(key), {}, {}}; }
Op Join(std::vector<std::string> held) { return {Op::Join, {}, {}, std::move(held)}; }

// "key=record" puts, "-key" deletes, "held:a,b" after a join; sorted.
std::vector<std::string> Text(const PendingRecords::Round& round) {
  std::vector<std::string> lines;
  for (const auto& [key, record] : round.puts) lines.push_back(key + "=" + record);
  for (const std::string& key : round.deletes) lines.push_back("-" + key);
  if (round.held) {
    std::vector<std::string> keys(round.held->begin(), round.held->end());
    std::sort(keys.begin(), keys.end());
    std::string line = "held:";
    for (const std::string& key : keys) line += (line.size() > 5 ? "," : "") + key;
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(PendingRecordsTest, TheWriterTakesTheLatestOfEachUserAndWhatAJoinKeeps) {
  struct Case { const char* name; std::vector<Op> ops; std::vector<std::string> taken; } cases[] = {
      {"nothing handed over", {}, {}},
      {"the latest record of a user", {Put("1", "a"), Put("2", "b"), Put("1", "c")}, {"1=c", "2=b"}},
      {"a delete after a put", {Put("1", "a"), Delete("1")}, {"-1"}},
      {"a put after a delete", {Delete("1"), Put("1", "b")}, {"1=b"}},
      {"a join drops what came before", {Put("9", "old"), Join({"1", "2"}), Put("1", "a")}, {"1=a", "held:1,2"}},
      {"a user added after the join is kept", {Join({"1"}), Put("3", "c")}, {"3=c", "held:1,3"}},
      {"a user gone after the join goes", {Join({"1", "2"}), Delete("2")}, {"-2", "held:1"}},
  };
  for (const Case& c : cases) {
    PendingRecords pending;
    for (const Op& op : c.ops) {
      switch (op.what) {
        case Op::Put: pending.Put(op.key, op.record); break;
        case Op::Delete: pending.Delete(op.key); break;
        case Op::Join: pending.Joined({op.held.begin(), op.held.end()}); break;
      }
    }
    EXPECT_EQ(Text(pending.Take(0)), c.taken) << c.name;
    EXPECT_TRUE(Text(pending.Take(0)).empty()) << c.name << ": taken twice";
  }
}

}  // namespace
