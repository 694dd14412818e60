// bridge-check: records every event a presence server publishes for a
// while, as a receiver of its own, then checks what a bridge wrote: the
// stream's events of that span, in order, equal those recorded (none lost,
// none twice, no marker but at a pair's switch), and the bucket equals a
// fresh users query (users the server changed since, or the bridge had not
// written yet, by the positions of their records and events, counted
// apart).
// It also follows the stream while it records, and prints the delay from
// the server's publish (as its receiver got it) to a consumer of the stream.
// scripts/nats-check runs it beside the faults it makes.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <memory>
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

using Place = std::pair<std::uint64_t, std::uint64_t>;

struct Seen {
  std::uint64_t incarnation = 0;
  std::uint64_t position = 0;
  std::string data;
  bool marker = false;
  Clock::time_point at{};
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
      seen.push_back({notice.incarnation, notice.position, notice.data, false, Clock::now()});
    else if (notice.kind != TEventNotice::Kind::Disconnected && notice.kind != TEventNotice::Kind::Reconnected)
      std::printf("the recorder was told %d\n", static_cast<int>(notice.kind));
  }
  return seen;
}

std::optional<TEventPosition> PlaceOfMessage(const zelbridge::StoredMessage& message) {
  const std::string* life = message.Find(zelbridge::kIncarnationHeader);
  const std::string* at = message.Find(zelbridge::kPositionHeader);
  return zelbridge::PlaceOf(life ? life->c_str() : nullptr, at ? at->c_str() : nullptr);
}

// When each event reached a consumer of the stream, on a thread of its own
// from construction until destruction.
class StreamArrivals {
 public:
  StreamArrivals(const zelbridge::NatsOptions& nats, const std::string& filter, std::uint64_t first) {
    std::string error;
    if (m_js.Connect(nats, &error)) m_cursor = m_js.Follow(first, filter, &error);
    if (!m_cursor) std::printf("cannot follow the stream for delays: %s\n", error.c_str());
    if (m_cursor) m_thread = std::thread([this] { Follow(); });
  }
  ~StreamArrivals() { Finish(); }
  void Finish() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
  }
  // Delays, in ms, of the recorded events the stream delivered, sorted.
  std::vector<double> Delays(const std::vector<Seen>& recorded) const {
    std::vector<double> delays;
    for (const Seen& seen : recorded) {
      const auto arrived = m_arrivals.find({seen.incarnation, seen.position});
      if (arrived != m_arrivals.end())
        delays.push_back(std::chrono::duration<double, std::milli>(arrived->second - seen.at).count());
    }
    std::sort(delays.begin(), delays.end());
    return delays;
  }

 private:
  void Follow() {
    while (!m_stop) {
      const auto message = m_cursor->Next(100, nullptr);
      const auto place = message ? PlaceOfMessage(*message) : std::nullopt;
      if (place) m_arrivals.emplace(Place{place->incarnation, place->position}, Clock::now());
    }
  }

  zelbridge::JetStream m_js;
  std::unique_ptr<zelbridge::StreamCursor> m_cursor;
  std::map<Place, Clock::time_point> m_arrivals;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

void PrintDelays(const std::vector<double>& delays) {
  if (delays.empty()) return (void)std::printf("delay from publish to a stream consumer: none seen\n");
  std::printf("delay from publish to a stream consumer, %zu events: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
              delays.size(), delays[delays.size() / 2], delays[delays.size() * 99 / 100], delays.back());
}

// The stream's messages of the server from `first` on, until the one the
// recording ended with is among them (or nothing came for 10 s).
std::vector<Seen> Stream(zelbridge::JetStream& js, const std::string& token, std::uint64_t first, const Seen& last) {
  std::vector<Seen> held;
  std::string error;
  const bool read = js.ReadFrom(
      first, zelbridge::ServerFilter(token),
      [&](const zelbridge::StoredMessage& message) {
        const auto place = PlaceOfMessage(message);
        if (!place) return true;
        const bool marker = message.Find(zelbridge::kMarkerHeader) != nullptr;
        held.push_back({place->incarnation, place->position, marker ? std::string() : message.payload, marker});
        return !(held.back() == last);
      },
      10000, &error);
  if (!read) std::printf("the stream could not be read: %s\n", error.c_str());
  return held;
}

// One server's life: its events in the order seen, and whether a marker
// stood before its first and after its last.
struct Life {
  std::uint64_t incarnation = 0;
  std::vector<const Seen*> events;
  bool markerBefore = false;
  bool markerAfter = false;
};

std::vector<Life> LivesOf(const std::vector<Seen>& seen) {
  std::vector<Life> lives;
  bool marked = false;
  for (const Seen& s : seen) {
    if (s.marker) {
      marked = true;
      if (!lives.empty()) lives.back().markerAfter = true;
      continue;
    }
    if (lives.empty() || lives.back().incarnation != s.incarnation) {
      lives.push_back({s.incarnation, {}, marked, false});
    }
    marked = false;
    lives.back().events.push_back(&s);
  }
  return lives;
}

// Where a pair switched servers, the recorder and the bridge each follow
// the server that went away until it went, and the new one from when they
// saw the switch: each may hold a few events at the edge of a life that the
// other never got. Elsewhere the two must agree event for event. What the
// recorder got and the stream lacks must sit behind a marker (the bridge
// said it lost them); what only the stream holds lies at the edge of a life.
bool EqualAcrossSwitches(const std::vector<Seen>& recorded, const std::vector<Seen>& span) {
  const std::vector<Life> got = LivesOf(recorded);
  const std::vector<Life> held = LivesOf(span);
  if (got.size() < 2 || got.size() != held.size()) return false;
  std::size_t bridgeOnly = 0;
  std::size_t recorderOnly = 0;
  for (std::size_t i = 0; i < got.size(); ++i) {
    const Life& r = got[i];
    const Life& h = held[i];
    if (r.incarnation != h.incarnation || r.events.empty() || h.events.empty()) return false;
    std::map<std::uint64_t, const Seen*> stored;
    for (const Seen* s : h.events) stored.emplace(s->position, s);
    std::map<std::uint64_t, const Seen*> taken;
    for (const Seen* s : r.events) taken.emplace(s->position, s);
    const bool first = i == 0;
    const bool last = i + 1 == got.size();
    for (const Seen* s : r.events) {
      const auto found = stored.find(s->position);
      if (found != stored.end()) {
        if (!(*found->second == *s)) return false;
        continue;
      }
      const bool head = !first && s->position < h.events.front()->position && h.markerBefore;
      const bool tail = !last && s->position > h.events.back()->position && h.markerAfter;
      if (!head && !tail) return false;
      ++recorderOnly;
    }
    for (const Seen* s : h.events) {
      if (taken.count(s->position) != 0) continue;
      const bool head = !first && s->position < r.events.front()->position;
      const bool tail = !last && s->position > r.events.back()->position;
      if (!head && !tail) return false;
      ++bridgeOnly;
    }
  }
  std::printf("across %zu switches: %zu events only the bridge got, %zu only the recorder got, behind markers\n",
              got.size() - 1, bridgeOnly, recorderOnly);
  return true;
}

// Compares the recorded span with the stream's; prints what differs.
bool CompareEvents(const std::vector<Seen>& recorded, const std::vector<Seen>& stream) {
  std::map<Place, int> copies;
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
  return (equal || EqualAcrossSwitches(recorded, span)) && twice == 0;
}

struct Queried {
  TEventPosition at;
  std::map<long, ZelTUserPresence> users;
};

Queried Query(const std::string& server) {
  Queried queried;
  ZelAPresenceServer api("bridge-check", "client");
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  if (api.QueryUsersPresence(server, query) != ZelTPresenceServer::ACTION_SUCCEEDED) return queried;
  queried.at = query.GetStatePosition();
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList())
    queried.users.emplace(user->GetUserKey(), *user);
  return queried;
}

// Each user's events, by position, as a receiver of the check's own got them.
class UserEvents {
 public:
  explicit UserEvents(const std::string& server) : m_receiver(server) {}
  bool Start() { return m_receiver.Start() && m_receiver.WaitUntilSubscribed(10000); }
  // Takes what came, until the receiver is through `at` (or 5 s passed).
  void ReadThrough(const TEventPosition& at) {
    TEventNotice notice;
    for (const auto until = Clock::now() + std::chrono::seconds(5); Clock::now() < until;) {
      const TEventPosition through = m_receiver.Through();
      if (through.incarnation == at.incarnation && through.position >= at.position) return;
      if (m_receiver.Next(notice, 100) && notice.kind == TEventNotice::Kind::Event)
        m_positions[static_cast<long>(notice.userKey)].push_back(notice.position);
    }
  }
  // An event of the user after `from`, up to `to`, was received.
  bool Between(long user, std::uint64_t from, std::uint64_t to) const {
    const auto found = m_positions.find(user);
    if (found == m_positions.end()) return false;
    const auto next = std::upper_bound(found->second.begin(), found->second.end(), from);
    return next != found->second.end() && *next <= to;
  }

 private:
  TEventReceiver m_receiver;
  std::map<long, std::vector<std::uint64_t>> m_positions;
};

// The bucket against a fresh query, by the position each record reflects.
// The server keeps changing while the bucket is read: a record newer than
// the query is the server's change since (counted apart), a record older
// than an event of its user up to the query's position is one the bridge
// had not written yet (counted apart, tried again); every other record
// must be the user as queried. Comparing two queries around the read would
// take a user that changed and changed back meanwhile for unchanged.
bool CompareBucket(zelbridge::JetStream& js, const std::string& server) {
  UserEvents events(server);
  if (!events.Start()) {
    std::printf("bucket: cannot follow %s\n", server.c_str());
    return false;
  }
  for (int attempt = 1; attempt <= 5; ++attempt) {
    if (attempt > 1) std::this_thread::sleep_for(std::chrono::seconds(1));
    std::map<long, zelbridge::StoredRecord> bucket;
    std::vector<std::string> differences;
    std::string error;
    const bool read = js.ReadBucket(
        [&](const std::string& key, const std::string& value) {
          auto stored = zelbridge::DecodeRecord(value.data(), value.size());
          if (!stored) differences.push_back("key " + key + ": no record");
          if (stored) bucket.emplace(stored->user.GetUserKey(), std::move(*stored));
        },
        &error);
    if (!read) differences.push_back("bucket: " + error);
    const Queried queried = Query(server);
    if (queried.users.empty()) differences.push_back("the query failed");
    events.ReadThrough(queried.at);
    std::size_t compared = 0;
    std::size_t changed = 0;
    std::size_t lagging = 0;
    for (const auto& [key, user] : queried.users) {
      const std::string who = "user " + std::to_string(key);
      const auto held = bucket.find(key);
      if (held == bucket.end()) {
        if (events.Between(key, 0, queried.at.position)) {
          ++lagging;
        } else {
          differences.push_back(who + ": not in the bucket");
        }
        continue;
      }
      const TEventPosition at = held->second.at;
      if (at.incarnation != queried.at.incarnation) {
        differences.push_back(who + ": a record of another life");
      } else if (at.position > queried.at.position) {
        ++changed;
      } else if (events.Between(key, at.position, queried.at.position)) {
        ++lagging;
      } else {
        ++compared;
        for (const std::string& part : zelsim::DifferingPartNames(held->second.user, user))
          differences.push_back(who + " at " + std::to_string(at.position) + " (query at " +
                                std::to_string(queried.at.position) + "): " + part);
      }
    }
    for (const auto& [key, record] : bucket)
      if (queried.users.count(key) == 0 && record.at.position <= queried.at.position)
        differences.push_back("user " + std::to_string(key) + ": not on the server");
    if (compared == 0) differences.push_back("no user compared");
    std::printf("bucket: %zu users compared, %zu changed since the query, %zu not written yet, %zu differences%s%s\n",
                compared, changed, lagging, differences.size(), differences.empty() ? "" : ", first: ",
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
  const std::string token = zelbridge::SubjectToken(name.empty() ? server : name);
  StreamArrivals arrivals(nats, zelbridge::ServerFilter(token), high + 1);
  const std::vector<Seen> recorded = Record(server, seconds);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  arrivals.Finish();
  if (recorded.empty()) {
    std::printf("no events recorded\nFAIL\n");
    return 1;
  }
  PrintDelays(arrivals.Delays(recorded));
  const std::vector<Seen> stream = Stream(js, token, high + 1, recorded.back());
  const bool events = CompareEvents(recorded, stream);
  const bool bucket = CompareBucket(js, server);
  std::printf("%s\n", events && bucket ? "PASS" : "FAIL");
  return events && bucket ? 0 : 1;
}
