// The bridge against a real nats-server with JetStream and an in-process
// presence simulator: what the stream holds, read back message by message,
// against every event the simulator published (as a receiver of the test's
// own got them), and the bucket against a fresh users query. Waits are in
// real time, each up to a generous bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "Bridge.h"
#include "RunningBridge.h"
#include "Churner.h"
#include "Endpoints.h"
#include "Eventually.h"
#include "Published.h"
#include "JetStream.h"
#include "JetStreamSource.h"
#include "NatsServer.h"
#include "PresenceSimulator.h"
#include "StoreComparison.h"
#include "StoredRecord.h"
#include "Subjects.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

using namespace zelbridge;
using Clock = std::chrono::steady_clock;

// The stream's messages of one server.
std::vector<Written> StreamOf(JetStream& js, const std::string& name) {
  const std::string prefix = "presence." + name + ".";
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  std::string error;
  std::vector<Written> held;
  if (!js.Bounds(first, last, &error)) return held;
  for (std::uint64_t sequence = first; last != 0 && sequence <= last; ++sequence) {
    const auto message = js.Read(sequence, &error);
    if (!message || message->subject.compare(0, prefix.size(), prefix) != 0) continue;
    const auto number = [&](const char* name) {
      const std::string* text = message->Find(name);
      const auto value = text ? ParseCount(text->data(), text->size()) : std::nullopt;
      return value.value_or(0);
    };
    Written w;
    w.incarnation = number(kIncarnationHeader);
    w.position = number(kPositionHeader);
    w.marker = message->Find(kMarkerHeader) != nullptr;
    if (!w.marker) {
      w.type = static_cast<int>(number(kTypeHeader));
      const std::string user = message->subject.substr(message->subject.rfind('.') + 1);
      w.user = user == "none" ? TEventNotice::kNoUser : std::stoll(user);
      w.data = message->payload;
    }
    held.push_back(std::move(w));
  }
  return held;
}

// Waits until the stream ends with the last event published, and no more
// arrive.
std::vector<Written> Settled(JetStream& js, const std::string& name, const Published& published) {
  std::vector<Written> stream;
  std::size_t seen = 0;
  for (const auto until = Clock::now() + std::chrono::seconds(20); Clock::now() < until;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::vector<Written> events = published.Events();
    stream = StreamOf(js, name);
    if (!events.empty() && !stream.empty() && stream.back() == events.back() && events.size() == seen) break;
    seen = events.size();
  }
  return stream;
}

// What differs between the bucket and a fresh query, once they agree or
// after a generous bound.
std::vector<std::string> BucketDifferences(JetStream& js, const std::string& server) {
  std::vector<std::string> differences{"never compared"};
  for (const auto until = Clock::now() + std::chrono::seconds(20); Clock::now() < until && !differences.empty();) {
    differences.clear();
    ZelAPresenceServer api("bridge-test", "client");
    ZelTQueryUsersPresence query;
    query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
    std::vector<std::string> keys;
    std::string error;
    if (api.QueryUsersPresence(server, query) != ZelTPresenceServer::ACTION_SUCCEEDED || !js.Keys(keys, &error)) {
      differences.push_back("query failed " + error);
      continue;
    }
    if (keys.size() != query.GetUsersPresence().GetList().size())
      differences.push_back(std::to_string(keys.size()) + " users in the bucket");
    for (const ZelTUserPresence* user : query.GetUsersPresence().GetList()) {
      const auto value = js.Get(std::to_string(user->GetUserKey()), &error);
      const auto stored = value ? DecodeRecord(value->data(), value->size()) : std::nullopt;
      if (!stored) {
        differences.push_back("user " + std::to_string(user->GetUserKey()) + ": not in the bucket");
        continue;
      }
      for (const std::string& part : zelsim::DifferingPartNames(stored->user, *user))
        differences.push_back("user " + std::to_string(user->GetUserKey()) + ": " + part);
    }
    if (!differences.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return differences;
}

class BridgeNatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!m_nats.Available()) GTEST_SKIP() << "nats-server is not installed";
    ASSERT_TRUE(m_nats.Start());
    NatsOptions options;
    options.url = m_nats.Url();
    std::string error;
    ASSERT_TRUE(m_reader.Connect(options, &error)) << error;
  }
  std::unique_ptr<zelsim::PresenceSimulator> Simulator(std::size_t replayEvents) {
    zelsim::SimulatorOptions options;
    options.endpoint = UniqueInproc("bridge");
    options.replayLimits.maxEvents = replayEvents;
    auto simulator = std::make_unique<zelsim::PresenceSimulator>(options);
    EXPECT_TRUE(simulator->Start());
    return simulator;
  }

  static BridgeOptions Bridging(const zelsim::PresenceSimulator& simulator, const std::string& name) {
    BridgeOptions bridging;
    bridging.server = simulator.Endpoint();
    bridging.name = name;
    bridging.retryMs = 50;
    return bridging;
  }

  NatsServer m_nats;
  JetStream m_reader;
};

// Two bridges at once, as active and standby: each event once, in the
// order published, and the bucket the server's picture.
TEST_F(BridgeNatsTest, TwoBridgesWriteEachEventOnceInOrder) {
  const auto simulator = Simulator(100000);
  const std::string server = simulator->Endpoint();
  RunningBridge active(m_nats.Url(), server, "pair");
  RunningBridge standby(m_nats.Url(), server, "pair");
  Published published(server);
  ASSERT_TRUE(published.Start());
  Churner(server).Make(400);

  const std::vector<Written> stream = Settled(m_reader, "pair", published);
  EXPECT_EQ(stream, published.Events());
  EXPECT_GT(stream.size(), 200u);
  EXPECT_EQ(BucketDifferences(m_reader, server), std::vector<std::string>{});
  EXPECT_GT((*active).Counters().recordsPut, 0u);
}

// A bridge stopped while events go on, and another started later: it
// resumes after the last event the stream holds, from the server's replay
// buffer; when the buffer no longer holds what followed, a marker tells
// the gap and the bucket is the server's picture again.
TEST_F(BridgeNatsTest, ARestartedBridgeResumesWhereTheStreamEnds) {
  const struct { const char* name; const char* token; std::size_t replayEvents; bool gap; } cases[] = {
      {"replay buffer holds the gap", "held", 100000, false},
      {"replay buffer lost the gap", "lost", 20, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto simulator = Simulator(c.replayEvents);
    const std::string server = simulator->Endpoint();
    Published published(server);
    ASSERT_TRUE(published.Start());
    Churner churner(server);
    auto first = std::make_unique<RunningBridge>(m_nats.Url(), server, c.token);
    churner.Make(150);
    Settled(m_reader, c.token, published);
    first.reset();
    const std::size_t before = published.Events().size();
    churner.Make(150);
    RunningBridge second(m_nats.Url(), server, c.token);
    EXPECT_TRUE((*second).ResumedAfter().IsKnown());
    churner.Make(150);

    std::vector<Written> stream = Settled(m_reader, c.token, published);
    std::vector<Written> expected = published.Events();
    if (c.gap) {
      // The stream: every event up to the stop, a marker, then every event
      // from the first the bridge got after its start.
      const auto marker = std::find_if(stream.begin(), stream.end(), [](const Written& w) { return w.marker; });
      ASSERT_NE(marker, stream.end());
      ASSERT_NE(marker + 1, stream.end());
      EXPECT_EQ(marker->position + 1, (marker + 1)->position);
      const auto resumed = std::find(expected.begin(), expected.end(), *(marker + 1));
      ASSERT_NE(resumed, expected.end());
      ASSERT_GE(static_cast<std::size_t>(resumed - expected.begin()), before);
      expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(before), resumed);
      expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(before), *marker);
      EXPECT_EQ((*second).Counters().markers, 1u);
    }
    EXPECT_EQ(stream, expected);
    EXPECT_EQ(BucketDifferences(m_reader, server), std::vector<std::string>{});
  }
}

// A mirror fed from the bucket and the stream alone, joined while events go
// on: it ends equal to a fresh query, and asks the server for no users.
TEST_F(BridgeNatsTest, AMirrorFromJetStreamEqualsAFreshQuery) {
  const auto simulator = Simulator(100000);
  const std::string server = simulator->Endpoint();
  RunningBridge bridge(m_nats.Url(), server, "fed");
  Churner churner(server);
  churner.Make(150);
  ASSERT_TRUE(Eventually([&] { return (*bridge).Counters().recordsPut > 0; }));
  const std::uint64_t usersQueries = simulator->UsersQueries();

  NatsOptions options;
  options.url = m_nats.Url();
  ZelAPresenceMirror mirror(std::make_unique<JetStreamSource>(options, "fed"));
  std::string error;
  ASSERT_TRUE(mirror.Start(&error)) << error;
  churner.Start();
  mirror.Poll(800);
  churner.Stop();

  std::vector<std::string> differences{"never compared"};
  std::uint64_t ownQueries = 0;
  for (const auto until = Clock::now() + std::chrono::seconds(20); Clock::now() < until && !differences.empty();) {
    mirror.Poll(100);
    ZelAPresenceServer api("bridge-test", "client");
    ZelTQueryUsersPresence query;
    query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
    ++ownQueries;
    ASSERT_EQ(api.QueryUsersPresence(server, query), ZelTPresenceServer::ACTION_SUCCEEDED);
    const TEventPosition at = query.GetStatePosition();
    const TEventPosition held = mirror.Position();
    if (held.incarnation != at.incarnation || held.position < at.position) continue;
    differences = zelsim::CompareStore(mirror.Users(), query.GetUsersPresence(), at).differences;
  }
  EXPECT_EQ(differences, std::vector<std::string>{});
  EXPECT_EQ(simulator->UsersQueries(), usersQueries + ownQueries);
  EXPECT_EQ(mirror.Counters().resyncs, 0u);
  EXPECT_GT(mirror.Counters().eventsApplied, 0u);

  // Current while the bridge says it hears the server, and not once the
  // server is gone, though NATS and the stream stay.
  EXPECT_TRUE(Eventually([&] { return mirror.Poll(100), mirror.IsCurrent(); })) << mirror.WhyNotCurrent();
  simulator->Stop();
  EXPECT_TRUE(Eventually([&] { return mirror.Poll(100), !mirror.IsCurrent(); }, std::chrono::seconds(20)));
  EXPECT_NE(mirror.WhyNotCurrent().find("nothing heard"), std::string::npos) << mirror.WhyNotCurrent();
}

// A server that asks for a password: a bridge is refused at once without
// it or with a wrong one, with the reason, and starts with the right one.
TEST_F(BridgeNatsTest, ANatsServerThatAsksForAPasswordTakesOnlyTheRightOne) {
  const auto simulator = Simulator(1000);
  NatsServer secured;
  secured.RequireUser("bridge", "s3cret");
  ASSERT_TRUE(secured.Start());
  const struct {
    const char* user;
    const char* password;
    bool starts;
  } cases[] = {{"", "", false}, {"bridge", "wrong", false}, {"bridge", "s3cret", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.user) + "/" + c.password);
    NatsOptions options;
    options.url = secured.Url();
    options.user = c.user;
    options.password = c.password;
    JetStream events;
    JetStream records;
    Bridge bridge(events, records, Bridging(*simulator, "secured"));
    std::string error;
    EXPECT_EQ(bridge.StartOn(options, &error), c.starts) << error;
    EXPECT_EQ(error.find("uthoriz") != std::string::npos, !c.starts) << error;
  }
}

// A bridge started before NATS (a node still starting) waits for it.
TEST_F(BridgeNatsTest, ABridgeStartedBeforeNatsWaitsForIt) {
  const auto simulator = Simulator(1000);
  m_nats.Kill();
  NatsOptions options;
  options.url = m_nats.Url();
  JetStream events;
  JetStream records;
  Bridge bridge(events, records, Bridging(*simulator, "early"));
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(m_nats.Start());
  });
  std::string error;
  EXPECT_TRUE(bridge.StartOn(options, &error)) << error;
  late.join();
}

// Resumed after 7:10 of a stream that holds 7:1 to 7:11, then what each
// case writes: what the source tells, in order.
TEST_F(BridgeNatsTest, TheStreamSourceTellsWhatTheStreamNoLongerHolds) {
  using Kind = TEventNotice::Kind;
  struct Message {
    bool marker;
    TEventPosition at;
  };
  struct Told {
    Kind kind;
    TEventPosition at;
  };
  const struct { const char* name; std::vector<Message> tail; std::vector<Told> told; } cases[] = {
      {"a position skipped", {{false, {7, 13}}}, {{Kind::Event, {7, 11}}, {Kind::Resync, {7, 13}}}},
      {"a marker past the place",
       {{true, {7, 14}}, {false, {7, 15}}},
       {{Kind::Event, {7, 11}}, {Kind::Resync, {7, 14}}}},
      {"a marker the place is past",
       {{true, {7, 11}}, {false, {7, 12}}},
       {{Kind::Event, {7, 11}}, {Kind::Event, {7, 12}}}},
      // Found when the cursor is placed: the rest of the old life is moot.
      {"another life", {{false, {9, 1}}}, {{Kind::Restarted, {9, 1}}}},
  };
  NatsOptions options;
  options.url = m_nats.Url();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.name);
    const std::string token = "case" + std::to_string(i);
    std::vector<Message> messages;
    for (std::uint64_t position = 1; position <= 11; ++position) messages.push_back({false, {7, position}});
    messages.insert(messages.end(), c.tail.begin(), c.tail.end());
    std::string error;
    for (const Message& m : messages) {
      Outgoing out;
      out.subject = m.marker ? MarkerSubject(token) : EventSubject(token, 1, 42);
      // Ids of their own: JetStream drops an id another case wrote.
      out.id = token + "-" + (m.marker ? MarkerId(m.at) : MessageId(m.at));
      out.headers = {{m.marker ? kMarkerHeader : kTypeHeader, m.marker ? kResync : "1"},
                     {kIncarnationHeader, std::to_string(m.at.incarnation)},
                     {kPositionHeader, std::to_string(m.at.position)}};
      ASSERT_TRUE(m_reader.Publish(out, &error)) << error;
    }
    JetStreamSource source(options, token);
    ASSERT_TRUE(source.Start({}, &error)) << error;
    source.ResumeAfter({7, 10});
    TEventNotice notice;
    for (const Told& told : c.told) {
      ASSERT_TRUE(source.Next(notice, 5000));
      EXPECT_EQ(notice.kind, told.kind);
      EXPECT_EQ((TEventPosition{notice.incarnation, notice.position}), told.at);
      if (told.kind == Kind::Event) {
        EXPECT_EQ(notice.userKey, 42);
      }
    }
  }
}

}  // namespace
