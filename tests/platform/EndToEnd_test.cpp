// The few tests that wait on real time: a port freed by ZeroMQ's own thread,
// descriptors closed by its reaper, its reconnection of a subscriber, an
// application that stops reading while the server publishes. Each
// bound below is generous (seconds for what takes milliseconds) and says
// what it waits for; nothing here measures how fast the library is.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Agents.h"
#include "Churner.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "Events.h"
#include "Eventually.h"
#include "Mirrored.h"
#include "PlatformReset.h"
#include "Simulators.h"
#include "Rpc.h"
#include "TestClock.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using std::chrono::milliseconds;
using Kind = TCallFailure;

#ifndef _WIN32  // Windows has handles, not descriptors to count
// ZeroMQ closes a socket's descriptors on its reaper thread, soon after.
constexpr auto kReaperBound = std::chrono::seconds(5);

std::size_t OpenDescriptors() {
  const std::filesystem::directory_iterator entries("/proc/self/fd");
  return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}
#endif

// A pooled connection to a server that stopped a moment ago may still look
// alive to ZeroMQ: the call on it fails as interrupted, never by time-out,
// and the next one goes through.
int CallAfterRestart(TFramework& client, const std::string& endpoint, TRPC& rpc) {
  if (Call(client, endpoint, rpc, 60000) == 1) return 1;
  EXPECT_EQ(TFramework::LastFailure().kind, Kind::Interrupted) << TFramework::LastFailure().text;
  return Call(client, endpoint, rpc, 60000);
}

class EndToEndTest : public ::testing::Test {
 protected:
  DiagCapture m_diag{"NONE"};
  PlatformReset m_reset;
  TFramework m_client{"end-to-end", "local", 5};
};

// Restarted on the same port at once (ZeroMQ's own thread may still hold
// it; Start waits up to a second), while the client was idle or while it
// was refused: a call goes through again, and the refused calls never arrive.
TEST_F(EndToEndTest, RestartedServersAreCalledAgain) {
  std::mutex lock;
  std::vector<std::string> arrived;
  auto handler = [&](TRPC& rpc) {
    std::lock_guard<std::mutex> guard(lock);
    arrived.push_back(CallText(rpc));
    Echo(rpc);
  };
  auto server = std::make_unique<TRPCServer>("tcp://127.0.0.1:0", handler);
  ASSERT_TRUE(server->Start());
  const std::string endpoint = server->Endpoint();
  for (const bool callWhileDown : {false, true}) {
    TRPC before = CallOf("up");
    EXPECT_EQ(Call(m_client, endpoint, before, 10000), 1);
    server.reset();
    for (int i = 0; callWhileDown && i < 3; ++i) {
      TRPC down = CallOf("down");
      EXPECT_EQ(Call(m_client, endpoint, down, 60000), 0);
      const Kind kind = TFramework::LastFailure().kind;
      EXPECT_TRUE(kind == Kind::ConnectionRefused || (i == 0 && kind == Kind::Interrupted)) << static_cast<int>(kind);
    }
    server = std::make_unique<TRPCServer>(endpoint, handler);
    ASSERT_TRUE(server->Start());
    TRPC after = CallOf("up");
    EXPECT_EQ(CallAfterRestart(m_client, endpoint, after), 1) << callWhileDown;
  }
  std::lock_guard<std::mutex> guard(lock);
  EXPECT_EQ(std::count(arrived.begin(), arrived.end(), "down"), 0);
}

// Objects own no connection: 2,000 agents calling from 8 threads share a
// few, and those close once nobody has used them for the idle time.
TEST_F(EndToEndTest, ThousandsOfObjectsShareFewConnectionsThatCloseWhenIdle) {
  TestClock clock;
  zelsim::PresenceSimulator simulator;
  TRPCServer server("tcp://127.0.0.1:0", [&](TRPC& rpc) { simulator.Handle(rpc); });
  ASSERT_TRUE(server.Start());
#ifndef _WIN32
  const std::size_t before = OpenDescriptors();
#endif
  std::vector<std::unique_ptr<ZelAUserPresence>> agents;
  for (long i = 0; i < 2000; ++i) {
    agents.push_back(std::make_unique<ZelAUserPresence>(AgentOf(42 + i % 8)));
  }
  std::atomic<int> failed{0};
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t i = t; i < agents.size(); i += 8)
        if (agents[i]->Query(server.Endpoint()) != ZelTPresenceServer::ACTION_SUCCEEDED) ++failed;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failed.load(), 0);
#ifndef _WIN32
  EXPECT_LE(OpenDescriptors(), before + 48);
  clock.Advance(milliseconds(TFramework::kDefaultIdleConnectionMs + 1));
  // Any call sweeps, even one to nobody.
  TRPC sweeper = CallOf("x");
  Call(m_client, UniqueInproc("end-to-end-sweeper"), sweeper, 10);
  EXPECT_TRUE(Eventually([&] { return OpenDescriptors() <= before; }, kReaperBound));
#endif
}

// ZeroMQ takes a tcp or ipc subscriber back to a restarted publisher by
// itself, within its reconnect interval; an inproc one the receiver takes
// back. Connection notices wait until the receiver has nothing else to read.
TEST_F(EndToEndTest, PublisherRestartAndReconnectionAreTold) {
  constexpr int kProbe = 35000;
  for (const std::string& name : EveryTransport("end-to-end-restart")) {
    TEventPublisher publisher(name);
    TRPCServer server(name, [](TRPC&) {});
    server.ServeReplays(&publisher);
    TEventReceiver receiver(name);
    ASSERT_TRUE(server.Start() && publisher.Start() && receiver.Start() && Subscribed(publisher, receiver, kProbe))
        << name;
    const std::uint64_t first = publisher.Incarnation();
    publisher.Stop();
    ASSERT_TRUE(publisher.Start()) << name;
    std::vector<std::string> told;
    bool probed = false;
    TEventNotice notice;
    for (int attempt = 0; attempt < 5000 && !(probed && told.size() >= 3); ++attempt) {
      publisher.Publish(kProbe, "probe", 5);
      std::this_thread::sleep_for(milliseconds(1));
      while (receiver.Next(notice, 0)) {
        if (notice.kind == TEventNotice::Kind::Event)
          probed = true;
        else
          told.push_back(Describe(notice));
      }
    }
    std::sort(told.begin(), told.end());
    EXPECT_EQ(told, (std::vector<std::string>{"Disconnected", "Reconnected", "Restarted"})) << name;
    EXPECT_NE(publisher.Incarnation(), first);
  }
}

// An application that stops reading its mirror for 15 s while clients make
// some 3,000 changes a second: the process lives (libzmq aborted it once a
// subscriber's full pipe stalled its connection and ZeroMQ's heartbeat then
// timed out), what was lost meanwhile is sent again or queried afresh, and
// the mirror ends equal to a fresh query.
TEST_F(EndToEndTest, AMirrorLeftUnreadLivesAndCatchesUp) {
  constexpr int kAgents = 50;
  constexpr auto kStall = std::chrono::seconds(15);
  for (const std::string& endpoint : {std::string("tcp://127.0.0.1:0"), UniqueIpc("end-to-end-stall")}) {
    const auto simulator =
        StartedSimulator(endpoint, [](zelsim::SimulatorOptions& options) { options.agents = kAgents; });
    const std::string& server = simulator->Endpoint();
    ZelAPresenceMirror mirror(server);
    ZelTPresenceChange synced;
    ASSERT_TRUE(mirror.Start() && mirror.Next(synced, 10000)) << server;
    ASSERT_EQ(synced.kind, ZelTPresenceChange::CHANGE_SYNCED) << server;

    std::atomic<bool> stop{false};
    std::thread clients([&] {
      Churner churner(server, kAgents);
      for (auto next = std::chrono::steady_clock::now(); !stop; std::this_thread::sleep_until(next)) {
        churner.Make(30);
        next += milliseconds(10);
      }
    });
    std::this_thread::sleep_for(kStall);
    stop = true;
    clients.join();

    EXPECT_EQ(Converge(mirror, server), std::vector<std::string>{}) << server;
    const ZelTMirrorCounters counters = mirror.Counters();
    EXPECT_TRUE(counters.eventsReplayed > 0 || counters.resyncs > 0) << server;
  }
}

}  // namespace
