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
#include "Churner.h"
#include "Endpoints.h"
#include "JetStream.h"
#include "NatsServer.h"
#include "PresenceSimulator.h"
#include "StoreComparison.h"
#include "StoredRecord.h"
#include "Subjects.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

using namespace zelbridge;
using Clock = std::chrono::steady_clock;

// An event as published, or "resync" for a marker.
struct Written {
  std::uint64_t incarnation = 0;
  std::uint64_t position = 0;
  int type = 0;
  std::int64_t user = 0;
  std::string data;
  bool marker = false;
  friend bool operator==(const Written& a, const Written& b) {
    return std::tie(a.incarnation, a.position, a.type, a.user, a.data, a.marker) ==
           std::tie(b.incarnation, b.position, b.type, b.user, b.data, b.marker);
  }
};

std::ostream& operator<<(std::ostream& out, const Written& w) {
  return out << (w.marker ? "marker " : "event ") << w.incarnation << ":" << w.position;
}

// Every event the simulator publishes from Start on, each once, in order.
class Published {
 public:
  explicit Published(const std::string& server) : m_receiver(server) {}
  ~Published() {
    m_receiver.Stop();
    if (m_thread.joinable()) m_thread.join();
  }
  bool Start() {
    if (!m_receiver.Start() || !m_receiver.WaitUntilSubscribed(10000)) return false;
    m_thread = std::thread([this] {
      TEventNotice notice;
      while (m_receiver.Next(notice, -1)) {
        if (notice.kind != TEventNotice::Kind::Event) continue;
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.push_back({notice.incarnation, notice.position, notice.eventType, notice.userKey, notice.data, false});
      }
    });
    return true;
  }
  std::vector<Written> Events() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events;
  }

 private:
  TEventReceiver m_receiver;
  mutable std::mutex m_lock;
  std::vector<Written> m_events;
  std::thread m_thread;
};

// A bridge on a thread of its own, with its own connection to NATS.
class Running {
 public:
  Running(const std::string& url, const std::string& server, const std::string& name) {
    NatsOptions options;
    options.url = url;
    BridgeOptions bridging;
    bridging.server = server;
    bridging.name = name;
    bridging.retryMs = 50;
    EXPECT_TRUE(m_events.Connect(options, &m_error)) << m_error;
    EXPECT_TRUE(m_records.Connect(options, &m_error)) << m_error;
    m_bridge = std::make_unique<Bridge>(m_events, m_records, bridging);
    EXPECT_TRUE(m_bridge->Start(&m_error)) << m_error;
    EXPECT_TRUE(m_bridge->WaitUntilSubscribed(10000));
    m_thread = std::thread([this] { m_bridge->Run(); });
  }
  ~Running() { Stop(); }
  void Stop() {
    m_bridge->Stop();
    if (m_thread.joinable()) m_thread.join();
  }
  Bridge& operator*() { return *m_bridge; }

 private:
  std::string m_error;
  JetStream m_events;
  JetStream m_records;
  std::unique_ptr<Bridge> m_bridge;
  std::thread m_thread;
};

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

  NatsServer m_nats;
  JetStream m_reader;
};

// Two bridges at once, as active and standby: each event once, in the
// order published, and the bucket the server's picture.
TEST_F(BridgeNatsTest, TwoBridgesWriteEachEventOnceInOrder) {
  const auto simulator = Simulator(100000);
  const std::string server = simulator->Endpoint();
  Running active(m_nats.Url(), server, "pair");
  Running standby(m_nats.Url(), server, "pair");
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
  const struct {
    const char* name;
    const char* token;
    std::size_t replayEvents;
    bool gap;
  } cases[] = {
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
    auto first = std::make_unique<Running>(m_nats.Url(), server, c.token);
    churner.Make(150);
    Settled(m_reader, c.token, published);
    first.reset();
    const std::size_t before = published.Events().size();
    churner.Make(150);
    Running second(m_nats.Url(), server, c.token);
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

}  // namespace
