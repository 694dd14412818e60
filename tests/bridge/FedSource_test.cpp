// The bridge's mirror's source alone: what it hands the mirror of the
// events the bridge feeds it, around a join's place and past its bound.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FedSource.h"

namespace {

using zelbridge::FedSource;
using Kind = TEventNotice::Kind;

constexpr int kWanted = 1;
constexpr int kOther = 2;

struct Op {
  enum { Feed, Notice, Resume, Take } what;
  std::uint64_t from = 0;
  std::uint64_t to = 0;
  std::uint64_t incarnation = 7;
  int type = kWanted;
  Kind kind = Kind::Event;
};

Op Events(std::uint64_t from, std::uint64_t to, std::uint64_t incarnation = 7, int type = kWanted) {
  return {Op::Feed, from, to, incarnation, type};
}
Op Told(Kind kind, std::uint64_t incarnation = 7) { return {Op::Notice, 0, 0, incarnation, kWanted, kind}; }
Op Resume(std::uint64_t position, std::uint64_t incarnation = 7) {
  return {Op::Resume, position, position, incarnation};
}
Op Take() { return {Op::Take}; }

std::string Text(const TEventNotice& notice) {
  const std::string at = std::to_string(notice.incarnation) + ":" + std::to_string(notice.position);
  switch (notice.kind) {
    case Kind::Event: return at;
    case Kind::Resync: return "resync";
    case Kind::Restarted: return "restarted " + std::to_string(notice.incarnation);
    case Kind::Disconnected: return "disconnected";
    default: return "other";
  }
}

TEST(FedSourceTest, HandsOverWhatFollowsTheJoinOnceAndTellsOnlyRealLosses) {
  const struct { const char* name; std::vector<Op> ops; std::vector<std::string> handed; } cases[] = {
      {"what the join reflects is not handed over", {Events(1, 6), Resume(4), Take(), Events(7, 7), Take()},
       {"7:5", "7:6", "7:7"}},
      {"dropped up to the join's place: nothing lost", {Events(1, 10), Resume(5), Take()},
       {"7:6", "7:7", "7:8", "7:9", "7:10"}},
      {"dropped after the join's place: a resync, and nothing after a second join",
       {Events(1, 10), Resume(2), Take(), Resume(10), Take(), Events(11, 11), Take()},
       {"resync", "7:11"}},
      {"dropped while live: a resync",
       {Resume(0), Events(1, 2), Take(), Events(3, 11), Take(), Resume(11), Events(12, 12), Take()},
       {"7:1", "7:2", "resync", "7:12"}},
      {"a loss the join covers asks for no second join",
       {Events(1, 2), Told(Kind::Resync), Events(5, 6), Resume(5), Take()},
       {"7:6"}},
      {"a restart the join covers neither",
       {Events(1, 2), Told(Kind::Restarted, 9), Events(1, 2, 9), Resume(1, 9), Take()},
       {"9:2"}},
      {"a loss after the join's place is told in its place",
       {Events(1, 3), Resume(2), Told(Kind::Resync), Events(6, 6), Take()},
       {"7:3", "resync"}},
      {"other kinds pass by; notices are told",
       {Resume(0), Events(1, 1), Events(2, 3, 7, kOther), Told(Kind::Disconnected), Events(4, 4), Take()},
       {"7:1", "disconnected", "7:4"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FedSource source("inproc://fed");
    source.NoteHeard(1);
    ZelTMirrorSource::Interest interest;
    interest.eventTypes = {kWanted};
    interest.highWaterMark = 6;
    ASSERT_TRUE(source.Start(interest, nullptr));
    ASSERT_TRUE(source.WaitUntilSubscribed(0));
    std::vector<std::string> handed;
    for (const Op& op : c.ops) {
      TEventNotice notice;
      notice.incarnation = op.incarnation;
      switch (op.what) {
        case Op::Feed:
          for (std::uint64_t at = op.from; at <= op.to; ++at) {
            notice.eventType = op.type;
            notice.userKey = 42;
            notice.position = at;
            source.Feed(notice);
          }
          break;
        case Op::Notice:
          notice.kind = op.kind;
          source.Feed(notice);
          break;
        case Op::Resume: source.ResumeAfter({op.incarnation, op.from}); break;
        case Op::Take:
          // As the mirror: a resync ends the reading until the next join.
          while (source.Next(notice, 0)) {
            handed.push_back(Text(notice));
            if (notice.kind == Kind::Resync || notice.kind == Kind::Restarted) break;
          }
          break;
      }
    }
    EXPECT_EQ(handed, c.handed);
  }
}

// Past the other kinds the mirror's place moves on all the same.
TEST(FedSourceTest, ThroughFollowsEveryEventTakenOrPassedBy) {
  FedSource source("inproc://fed");
  ZelTMirrorSource::Interest interest;
  interest.eventTypes = {kWanted};
  ASSERT_TRUE(source.Start(interest, nullptr));
  EXPECT_FALSE(source.WaitUntilSubscribed(0));
  source.ResumeAfter({7, 0});
  TEventNotice notice;
  notice.incarnation = 7;
  notice.eventType = kOther;
  notice.position = 1;
  source.Feed(notice);
  EXPECT_FALSE(source.Next(notice, 0));
  EXPECT_EQ(source.Through(), (TEventPosition{7, 1}));
}

}  // namespace
