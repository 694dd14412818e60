#include "zelclnt/mirror/ZelAPresenceMirror.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <poll.h>
#endif

#include "Agents.h"
#include "CallReader.h"
#include "Churner.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "Eventually.h"
#include "Gate.h"
#include "LinkRelay.h"
#include "Mirrored.h"
#include "Simulators.h"
#include "TestClock.h"

namespace {

using PS = ZelTPresenceServer;
using Change = ZelTPresenceChange;
using Clock = std::chrono::steady_clock;
using Simulator = zelsim::PresenceSimulator;

std::unique_ptr<Simulator> Started(const std::string& endpoint, std::size_t replayEvents = 100000) {
  return StartedSimulator(endpoint, [&](zelsim::SimulatorOptions& options) { options.replayLimits.maxEvents = replayEvents; });
}

void PollFor(ZelAPresenceMirror& mirror, std::chrono::milliseconds period,
             const ZelAPresenceMirror::Callback& told = nullptr) {
  for (const auto until = Clock::now() + period; Clock::now() < until;) mirror.Poll(20, told);
}

bool Synced(ZelAPresenceMirror& mirror) {
  ZelTPresenceChange change;
  return mirror.Start() && mirror.Next(change, 10000) && change.kind == Change::CHANGE_SYNCED;
}

// After each fault, with the churn stopped, the mirror equals a fresh query
// of every user; only a restart, or a loss beyond the server's replay
// buffer, costs a full query. Meanwhile another thread reads the users, the
// counters and the position.
TEST(ZelAPresenceMirrorTest, ConcurrentReadersSeeItStayExactThroughEveryFault) {
  DiagCapture quiet;
  using Make = std::function<void(Simulator&, ZelAPresenceMirror&, zelsim::LinkRelay&)>;
  const Make unread = [](Simulator& simulator, auto&, auto&) { Churner(simulator.Endpoint(), 8, 11).Make(3000); };
  const struct {
    const char* name;
    bool throughRelay;
    std::size_t replayEvents;
    Make make;
    bool replays;
    bool resyncs;
    Change::enSyncCause cause;
  } faults[] = {
      {"churn alone", false, 100000, [](auto&, auto&, auto&) {}, false, false, Change::SYNC_FIRST},
      {"receiver not reading", false, 100000, unread, true, false, Change::SYNC_FIRST},
      {"loss beyond the replay buffer", false, 20, unread, false, true, Change::SYNC_LOST},
      {"publisher restart", false, 100000,
       [](Simulator& simulator, auto&, auto&) {
         simulator.Stop();
         ASSERT_TRUE(simulator.Start());
       },
       false, true, Change::SYNC_RESTARTED},
      {"link cut for two seconds", true, 100000,
       [](auto&, ZelAPresenceMirror& mirror, zelsim::LinkRelay& relay) {
         relay.Cut();
         PollFor(mirror, std::chrono::seconds(2));
         relay.Restore();
       },
       true, false, Change::SYNC_FIRST},
  };
  for (const auto& fault : faults) {
    const auto simulator =
        Started(fault.throughRelay ? "tcp://127.0.0.1:0" : "inproc://mirror-faults", fault.replayEvents);
    const std::string& server = simulator->Endpoint();
    zelsim::LinkRelay relay(server);
    ASSERT_TRUE(!fault.throughRelay || relay.Start()) << fault.name;
    ZelAPresenceMirror mirror(fault.throughRelay ? relay.Endpoint() : server);
    mirror.SetReceiveHighWaterMark(100);
    ASSERT_TRUE(Synced(mirror)) << fault.name;
    std::atomic<bool> done{false};
    std::atomic<int> partial{0};
    std::thread reader([&] {
      for (int users = 0; !done; users = 0) {
        mirror.Users().ForEach([&](const ZelTUserPresence&) { ++users; });
        if (users != 8 || mirror.Users().CopyAll().size() != 8 || mirror.Counters().users != 8) ++partial;
        mirror.Position();
        mirror.Readiness();
      }
    });
    std::vector<Change> told;
    const auto keep = [&](const Change& change) { told.push_back(change); };
    Churner churner(server);
    churner.Start();
    PollFor(mirror, std::chrono::milliseconds(300), keep);
    fault.make(*simulator, mirror, relay);
    PollFor(mirror, std::chrono::milliseconds(300), keep);
    churner.Stop();
    EXPECT_EQ(Converge(mirror, server, keep), std::vector<std::string>{}) << fault.name;
    done = true;
    reader.join();
    EXPECT_EQ(partial, 0) << fault.name;
    const ZelTMirrorCounters counters = mirror.Counters();
    const bool resynced = std::any_of(told.begin(), told.end(), [&](const Change& change) {
      return change.kind == Change::CHANGE_SYNCED && change.syncCause == fault.cause;
    });
    EXPECT_EQ(std::make_tuple(counters.eventsApplied > 0, counters.eventsReplayed > 0 || !fault.replays,
                              counters.resyncs > 0, resynced),
              std::make_tuple(true, true, fault.resyncs, fault.resyncs))
        << fault.name;
  }
}

// Current only while the server is heard from: a publisher gone silent
// makes the mirror not current once kHeardWithinMs passed on the platform's
// clock, whatever it still holds, and a word from it makes it current
// again; a server that went away makes it not current at once.
TEST(ZelAPresenceMirrorTest, IsCurrentOnlyWhileItsServerIsHeardFrom) {
  DiagCapture quiet;
  TestClock clock;
  for (const std::string& endpoint : {UniqueInproc("mirror-heard"), std::string("tcp://127.0.0.1:0")}) {
    auto simulator =
        StartedSimulator(endpoint, [](zelsim::SimulatorOptions& options) { options.eventHeartbeatMs = 0; });
    const std::string server = simulator->Endpoint();
    ZelAPresenceMirror mirror(server);
    ASSERT_TRUE(Synced(mirror)) << endpoint;
    const auto state = [&] { return std::make_tuple(mirror.IsCurrent(), mirror.WhyNotCurrent(), mirror.HeardAgoMs()); };
    EXPECT_EQ(state(), std::make_tuple(true, std::string(), 0L)) << endpoint;
    clock.Advance(std::chrono::milliseconds(ZelAPresenceMirror::kHeardWithinMs));
    EXPECT_EQ(state(), std::make_tuple(true, std::string(), ZelAPresenceMirror::kHeardWithinMs)) << endpoint;
    clock.Advance(std::chrono::milliseconds(200));
    EXPECT_EQ(state(), std::make_tuple(false, "nothing heard from " + server + " for 3.2 s", 3200L)) << endpoint;

    ASSERT_EQ(AgentOf(43).SetRoutingState(server, ZelTRoutingState::ROUTINGSTATE_WORK, 1, false), PS::ACTION_SUCCEEDED);
    Change change;
    ASSERT_TRUE(mirror.Next(change, 10000)) << endpoint;
    EXPECT_EQ(state(), std::make_tuple(true, std::string(), 0L)) << endpoint;

    simulator.reset();
    EXPECT_TRUE(Eventually([&] {
      mirror.Next(change, 20);
      return !mirror.IsCurrent();
    })) << endpoint;
    EXPECT_EQ(mirror.WhyNotCurrent(), "the connection to " + server + " is down") << endpoint;
  }
}

// An event the query's reply already reflects is not applied again (it
// would tell a change that is none, or move the user back in time); the
// next one is, and told with the record before and after. A stream that
// never pauses does not keep Poll past its time: Poll(0) takes one step.
TEST(ZelAPresenceMirrorTest, JoinsTheQueryAndTheStreamAtTheReplysPosition) {
  DiagCapture quiet;
  const auto simulator = Started("inproc://mirror-join");
  ZelAPresenceMirror mirror(simulator->Endpoint());
  mirror.SetChangeCopies(true);
  ASSERT_TRUE(mirror.Start() && mirror.WaitUntilSubscribed(10000));
  ZelAUserPresence agent = AgentOf(43);
  const auto work = [&](long reason) {
    return agent.SetRoutingState(simulator->Endpoint(), ZelTRoutingState::ROUTINGSTATE_WORK, reason, false);
  };
  ASSERT_EQ(work(1), PS::ACTION_SUCCEEDED);
  ASSERT_EQ(work(2), PS::ACTION_SUCCEEDED);
  ZelTPresenceChange change;
  ASSERT_TRUE(mirror.Next(change, 10000));
  EXPECT_EQ(change.kind, Change::CHANGE_SYNCED);
  ASSERT_EQ(work(3), PS::ACTION_SUCCEEDED);
  ASSERT_TRUE(mirror.Next(change, 10000));
  EXPECT_EQ(change.ToString().substr(0, 21), "User 43 RoutingState ");
  ASSERT_TRUE(change.before && change.after);
  EXPECT_EQ(std::make_pair(change.before->GetRoutingState().GetRoutingStateReason(),
                           change.after->GetRoutingState().GetRoutingStateReason()),
            std::make_pair(2L, 3L));
  EXPECT_FALSE(mirror.Next(change, 200)) << "told again: " << change.ToString();
  EXPECT_EQ(mirror.Counters().eventsApplied, 1u);
  const auto steps = [&] { return mirror.Counters().eventsApplied + mirror.Counters().eventsSkipped; };
  const std::uint64_t before = steps();
  Churner(simulator->Endpoint()).Make(300);
  mirror.Poll(0);
  EXPECT_LE(steps(), before + 1);
}

// A desktop following one agent gets that agent's events only, and its
// mirror holds that agent exactly.
TEST(ZelAPresenceMirrorTest, ChosenUsersSeeNothingOfOthers) {
  DiagCapture quiet;
  const auto simulator = Started("inproc://mirror-chosen");
  ZelAPresenceMirror mirror(simulator->Endpoint(), {{44, "agent44"}});
  ASSERT_TRUE(Synced(mirror));
  std::vector<long> users;
  Churner(simulator->Endpoint(), 4).Make(400);
  const auto keep = [&](const Change& change) { users.push_back(change.userKey); };
  EXPECT_EQ(Converge(mirror, simulator->Endpoint(), keep, 44), std::vector<std::string>{});
  EXPECT_FALSE(users.empty());
  EXPECT_EQ(std::count(users.begin(), users.end(), 44), static_cast<long>(users.size()));
}

#ifndef _WIN32  // Windows has no descriptor that gathers others
// A loop that waits on the mirror's descriptor alone sleeps while nothing
// happens, and is woken by an event, by the user that event left inexact
// once it is due to be queried again, and by the answer; with nothing due
// and a server that stays silent, it wakes when another thread stops the
// mirror or the receiver.
TEST(ZelAPresenceMirrorTest, ItsDescriptorWakesForEventsItsOwnTimersAndAStopOnly) {
  DiagCapture quiet;
  const auto simulator =
      StartedSimulator(UniqueIpc("mirror-descriptor"), [](zelsim::SimulatorOptions& options) { options.eventHeartbeatMs = 0; });
  const std::string server = simulator->Endpoint();
  ZelAPresenceMirror mirror(server);
  ASSERT_TRUE(Synced(mirror));
  const int descriptor = mirror.Descriptor();
  ASSERT_GE(descriptor, 0);
  Change change;
  // The join's position may still be being caught up with: a few wake-ups.
  bool slept = false;
  for (int round = 0; round < 5 && !slept; ++round) {
    while (mirror.Next(change, 0)) {
    }
    pollfd idle{descriptor, POLLIN, 0};
    slept = poll(&idle, 1, 300) == 0;
  }
  EXPECT_TRUE(slept) << "readable with nothing due: a periodic wake-up";
  ASSERT_EQ(AgentOf(42).SetPrimaryContact(server, "C42-3", 0), PS::ACTION_SUCCEEDED);
  for (int round = 0; round < 1000 && (mirror.Counters().usersRequeried == 0 || mirror.Inexact(42)); ++round) {
    pollfd wanted{descriptor, POLLIN, 0};
    ASSERT_EQ(poll(&wanted, 1, 10000), 1) << "never woke for what was due";
    while (mirror.Next(change, 0)) {
    }
  }
  EXPECT_EQ(mirror.Counters().usersRequeried, 1u);
  EXPECT_FALSE(mirror.Inexact(42));

  TEventReceiver receiver(server);
  ASSERT_TRUE(receiver.Start());
  TEventNotice notice;
  const struct {
    const char* name;
    std::function<int()> descriptor;
    std::function<void()> stop;
    std::function<bool()> next;
  } cases[] = {
      {"mirror", [&] { return mirror.Descriptor(); }, [&] { mirror.Stop(); }, [&] { return mirror.Next(change, 0); }},
      {"receiver", [&] { return receiver.Descriptor(); }, [&] { receiver.Stop(); },
       [&] { return receiver.Next(notice, 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    pollfd woken{c.descriptor(), POLLIN, 0};
    ASSERT_GE(woken.fd, 0);
    for (int round = 0; round < 5 && poll(&woken, 1, 300) != 0; ++round)
      while (c.next()) {
      }
    std::thread stopper([&c] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      c.stop();
    });
    EXPECT_EQ(poll(&woken, 1, 10000), 1) << "still asleep 10 s after Stop";
    stopper.join();
    EXPECT_FALSE(c.next());
    EXPECT_EQ(poll(&woken, 1, 0), 1) << "not readable for good";
  }
}
#endif

// A server that does not answer holds up neither the events nor Stop, on a
// clock that stands still (a blocking query would wait there for ever). A
// user whose event was incomplete waits kSettleMs for a complete one, then
// is queried once; while that query is held, other users' changes are
// told, the user's own events wait for its reply, and the query ends after
// the mirror's own time-out; the user's events then bring it up to date.
TEST(ZelAPresenceMirrorTest, AServerThatDoesNotAnswerHoldsUpNeitherEventsNorStop) {
  DiagCapture quiet;
  constexpr long kQueryTimeoutMs = 2000;
  // Outlives the simulator, whose threads read it once it is in force.
  TManualClock clock;
  const auto everyUser = [](const TRPC& call) { return call.GetRPCType() == ZelTQueryUsersPresence::kObjectType; };
  const auto oneUser = [](const TRPC& call) {
    ZelTUserPresence user;
    return call.GetRPCType() == ZelTUserPresence::kObjectType && zelsim::ReadCall(call, user) &&
           user.GetActionType() == ZelTUserPresence::ACTION_QUERY;
  };
  for (const bool joining : {true, false}) {
    Gate gate;
    zelsim::SimulatorOptions options;
    options.endpoint = UniqueInproc("mirror-unanswered");
    options.beforeAnswer = [&](const TRPC& call) { gate.Pass("", joining ? everyUser(call) : oneUser(call)); };
    Simulator simulator(options);
    // Its calls end before it stops, whatever fails.
    const std::unique_ptr<Gate, void (*)(Gate*)> opened(&gate, [](Gate* held) { held->Open(); });
    ASSERT_TRUE(simulator.Start());
    const std::string server = simulator.Endpoint();
    TScopedClock scoped(clock);
    ZelAPresenceMirror mirror(server);
    mirror.SetQueryTimeout(kQueryTimeoutMs);
    if (joining) {
      ASSERT_TRUE(mirror.Start());
      std::thread driver([&] {
        Change change;
        mirror.Next(change, -1);
      });
      ASSERT_TRUE(gate.AwaitHeld());
      mirror.Stop();
      driver.join();
      continue;
    }
    ASSERT_TRUE(Synced(mirror));
    const auto polledUntil = [&](const std::function<bool()>& done) {
      return Eventually([&] { return mirror.Poll(0), done(); });
    };
    ASSERT_EQ(AgentOf(42).SetPrimaryContact(server, "C42-3", 0), PS::ACTION_SUCCEEDED);
    ASSERT_TRUE(polledUntil([&] { return mirror.Counters().eventsApplied == 1; }));
    clock.Advance(std::chrono::milliseconds(ZelAPresenceMirror::kSettleMs - 1));
    for (int i = 0; i < 100; ++i) mirror.Poll(0);
    EXPECT_EQ(std::make_pair(mirror.Counters().usersRequeried, mirror.IsCurrent()), std::make_pair(std::uint64_t{0}, false));
    clock.Advance(std::chrono::milliseconds(1));
    ASSERT_TRUE(polledUntil([&] { return gate.Holding() == 1; }));
    EXPECT_EQ(mirror.Counters().usersRequeried, 1u);

    std::vector<long> told;
    const auto keep = [&](const Change& change) { told.push_back(change.userKey); };
    ASSERT_EQ(AgentOf(42).SetRoutingState(server, ZelTRoutingState::ROUTINGSTATE_WORK, 4, false), PS::ACTION_SUCCEEDED);
    ASSERT_EQ(AgentOf(43).SetRoutingState(server, ZelTRoutingState::ROUTINGSTATE_WORK, 5, false), PS::ACTION_SUCCEEDED);
    ASSERT_TRUE(Eventually([&] { return mirror.Poll(0, keep), !told.empty(); }));
    EXPECT_EQ(told, std::vector<long>{43});

    clock.Advance(std::chrono::milliseconds(kQueryTimeoutMs));
    ASSERT_TRUE(polledUntil([&] { return mirror.Counters().queriesFailed == 1; }));
    gate.Open();
    clock.Advance(std::chrono::milliseconds(ZelAPresenceMirror::kRetryMs));
    ASSERT_TRUE(polledUntil([&] { return mirror.IsCurrent(); }));
    EXPECT_EQ(Differences(mirror, server), std::vector<std::string>{});
  }
}

}  // namespace
