// bridge-check: records every event a presence server publishes for a
// while, as a receiver of its own, then checks what a bridge wrote: the
// stream's events of that span, in order, equal those recorded (none lost,
// none twice, no marker), and the bucket equals a fresh users query (users
// the server changed while it was read counted apart).
// scripts/nats-check runs it beside the faults it makes.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "JetStream.h"
#include "StoreComparison.h"
#include "StoredRecord.h"
#include "Subjects.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Seen {
  std::uint64_t incarnation = 0;
  std::uint64_t position = 0;
  std::string data;
  bool marker = false;
  bool operator==(const Seen& other) const {
    return std::tie(incarnation, position, data, marker) ==
           std::tie(other.incarnation, other.position, other.data, other.marker);
  }
};

std::vector<Seen> Record(const std::string& server, long seconds) {
  std::vector<Seen> seen;
  TEventReceiver receiver(server);
  std::string error;
  if (!receiver.Start(&error) || !receiver.WaitUntilSubscribed(10000)) {
    std::fprintf(stderr, "bridge-check: cannot follow %s %s\n", server.c_str(), error.c_str());
    return seen;
  }
  std::printf("recording for %ld s\n", seconds);
  std::fflush(stdout);
  TEventNotice notice;
  for (const auto until = Clock::now() + std::chrono::seconds(seconds); Clock::now() < until;) {
    if (!receiver.Next(notice, 100)) continue;
    if (notice.kind == TEventNotice::Kind::Event)
      seen.push_back({notice.incarnation, notice.position, notice.data, false});
    else if (notice.kind != TEventNotice::Kind::Disconnected && notice.kind != TEventNotice::Kind::Reconnected)
      std::printf("the recorder was told %d\n", static_cast<int>(notice.kind));
  }
  return seen;
}

// The stream's messages of the server from `first` on, until the one the
// recording ended with is among them (or nothing came for 10 s).
std::vector<Seen> Stream(zelbridge::JetStream& js, const std::string& token, std::uint64_t first, const Seen& last) {
  std::vector<Seen> held;
  std::string error;
  const bool read = js.ReadFrom(
      first, zelbridge::ServerFilter(token),
      [&](const zelbridge::StoredMessage& message) {
        const std::string* life = message.Find(zelbridge::kIncarnationHeader);
        const std::string* at = message.Find(zelbridge::kPositionHeader);
        const auto place = zelbridge::PlaceOf(life ? life->c_str() : nullptr, at ? at->c_str() : nullptr);
        if (!place) return true;
        const bool marker = message.Find(zelbridge::kMarkerHeader) != nullptr;
        held.push_back({place->incarnation, place->position, marker ? std::string() : message.payload, marker});
        return !(held.back() == last);
      },
      10000, &error);
  if (!read) std::printf("the stream could not be read: %s\n", error.c_str());
  return held;
}

// Compares the recorded span with the stream's; prints what differs.
bool CompareEvents(const std::vector<Seen>& recorded, const std::vector<Seen>& stream) {
  std::map<std::pair<std::uint64_t, std::uint64_t>, int> copies;
  std::size_t markers = 0;
  for (const Seen& s : stream) {
    // A marker names the place of the event before the gap.
    if (!s.marker) ++copies[{s.incarnation, s.position}];
    markers += s.marker ? 1 : 0;
  }
  std::size_t twice = 0;
  for (const auto& entry : copies) twice += entry.second > 1 ? 1 : 0;
  std::size_t start = 0;
  while (start < stream.size() && !(stream[start] == recorded.front())) ++start;
  const std::vector<Seen> span(stream.begin() + static_cast<std::ptrdiff_t>(std::min(start, stream.size())), stream.end());
  std::size_t missing = 0;
  for (const Seen& r : recorded) missing += copies.count({r.incarnation, r.position}) ? 0 : 1;
  const bool equal = span == recorded;
  std::printf("events recorded %zu, in the stream's span %zu; missing %zu, written twice %zu, markers %zu; %s\n",
              recorded.size(), span.size(), missing, twice, markers, equal ? "in order" : "NOT EQUAL");
  return equal && twice == 0;
}

std::map<long, ZelTUserPresence> Query(const std::string& server) {
  std::map<long, ZelTUserPresence> users;
  ZelAPresenceServer api("bridge-check", "client");
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  if (api.QueryUsersPresence(server, query) != ZelTPresenceServer::ACTION_SUCCEEDED) return users;
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList()) users.emplace(user->GetUserKey(), *user);
  return users;
}

// The server keeps changing: the bucket is read between two queries a
// second or more apart, and each user the two queries agree on (unchanged
// meanwhile, the bridge given a second to catch up) must be in the bucket
// as queried.
bool CompareBucket(zelbridge::JetStream& js, const std::string& server) {
  for (int attempt = 1; attempt <= 5; ++attempt) {
    const std::map<long, ZelTUserPresence> before = Query(server);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::vector<std::string> keys;
    std::string error;
    std::map<long, ZelTUserPresence> bucket;
    if (!js.Keys(keys, &error)) std::printf("bucket: %s\n", error.c_str());
    for (const std::string& key : keys) {
      const auto value = js.Get(key, &error);
      const auto stored = value ? zelbridge::DecodeRecord(value->data(), value->size()) : std::nullopt;
      if (stored) bucket.emplace(stored->user.GetUserKey(), stored->user);
    }
    const std::map<long, ZelTUserPresence> after = Query(server);
    std::size_t compared = 0;
    std::size_t changed = 0;
    std::vector<std::string> differences;
    if (before.empty() || after.empty()) differences.push_back("a query failed");
    for (const auto& [key, user] : after) {
      const auto earlier = before.find(key);
      if (earlier == before.end() || !zelsim::DifferingPartNames(earlier->second, user).empty()) {
        ++changed;
        continue;
      }
      ++compared;
      const auto held = bucket.find(key);
      if (held == bucket.end()) {
        differences.push_back("user " + std::to_string(key) + ": not in the bucket");
        continue;
      }
      for (const std::string& part : zelsim::DifferingPartNames(held->second, user))
        differences.push_back("user " + std::to_string(key) + ": " + part);
    }
    for (const auto& entry : bucket)
      if (after.count(entry.first) == 0 && before.count(entry.first) == 0)
        differences.push_back("user " + std::to_string(entry.first) + ": not on the server");
    std::printf("bucket: %zu users compared, %zu changed meanwhile, %zu differences%s%s\n", compared, changed,
                differences.size(), differences.empty() ? "" : ", first: ",
                differences.empty() ? "" : differences.front().c_str());
    if (differences.empty()) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  zelbridge::NatsOptions nats;
  std::string server = "tcp://127.0.0.1:7300";
  std::string name;
  long seconds = 30;
  CLI::App app{"Checks what presence-bridge wrote against what the presence server published"};
  app.add_option("--server", server, "the presence server, or a pair")->capture_default_str();
  app.add_option("--name", name, "the server's token in subjects (default: from --server)");
  app.add_option("--nats", nats.url, "NATS server URL(s)")->capture_default_str();
  app.add_option("--stream", nats.stream, "JetStream stream")->capture_default_str();
  app.add_option("--bucket", nats.bucket, "key-value bucket")->capture_default_str();
  app.add_option("--seconds", seconds, "how long to record")->check(CLI::Range(1L, 86400L))->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  zelbridge::JetStream js;
  std::string error;
  std::uint64_t low = 0;
  std::uint64_t high = 0;
  if (!js.Connect(nats, &error) || !js.Bounds(low, high, &error)) {
    std::fprintf(stderr, "bridge-check: %s\n", error.c_str());
    return 2;
  }
  const std::vector<Seen> recorded = Record(server, seconds);
  if (recorded.empty()) {
    std::printf("no events recorded\nFAIL\n");
    return 1;
  }
  const std::string token = zelbridge::SubjectToken(name.empty() ? server : name);
  const std::vector<Seen> stream = Stream(js, token, high + 1, recorded.back());
  const bool events = CompareEvents(recorded, stream);
  const bool bucket = CompareBucket(js, server);
  std::printf("%s\n", events && bucket ? "PASS" : "FAIL");
  return events && bucket ? 0 : 1;
}
