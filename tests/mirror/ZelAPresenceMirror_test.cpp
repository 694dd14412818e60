#include "zelclnt/mirror/ZelAPresenceMirror.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Churner.h"
#include "DiagCapture.h"
#include "PresenceSimulator.h"
#include "RecordParts.h"
#include "TcpRelay.h"
#include "zelclnt/platform/TClock.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

using PS = ZelTPresenceServer;
using Change = ZelTPresenceChange;
using Clock = std::chrono::steady_clock;

// Every wait in real time below is bounded by this, far above what a loaded
// machine needs.
constexpr auto kBound = std::chrono::seconds(20);

std::vector<ZelTUserPresence> Queried(const std::string& server) {
  ZelAPresenceServer api("mirror-test", "client");
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  EXPECT_EQ(api.QueryUsersPresence(server, query), PS::ACTION_SUCCEEDED);
  std::vector<ZelTUserPresence> users;
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList()) users.push_back(*user);
  return users;
}

// Empty when the mirror holds exactly the server's users, part for part.
std::vector<std::string> Differences(const std::vector<ZelTUserPresence>& held,
                                     const std::vector<ZelTUserPresence>& server) {
  if (held.size() != server.size())
    return {std::to_string(held.size()) + " users held, " + std::to_string(server.size()) + " on the server"};
  std::vector<std::string> differences;
  for (std::size_t i = 0; i < held.size(); ++i)
    for (const std::string& part : DifferingParts(held[i], server[i]))
      differences.push_back("user " + std::to_string(server[i].GetUserKey()) + ": " + part);
  return differences;
}

std::vector<ZelTUserPresence> Only(std::vector<ZelTUserPresence> users, long userKey) {
  users.erase(
      std::remove_if(users.begin(), users.end(), [&](const auto& user) { return user.GetUserKey() != userKey; }),
      users.end());
  return users;
}

// Drives the mirror until it is current and equals a fresh query, or the
// bound passes; gives what still differs.
std::vector<std::string> Converge(ZelAPresenceMirror& mirror, const std::string& server,
                                  const ZelAPresenceMirror::Callback& told = nullptr, long onlyUser = 0) {
  std::vector<std::string> differences{"never current"};
  for (const auto deadline = Clock::now() + kBound; Clock::now() < deadline;) {
    mirror.Poll(50, told);
    if (!mirror.IsCurrent()) continue;
    const std::vector<ZelTUserPresence> queried = Queried(server);
    differences = Differences(mirror.Users().CopyAll(), onlyUser ? Only(queried, onlyUser) : queried);
    if (differences.empty()) break;
  }
  return differences;
}

bool Synced(ZelAPresenceMirror& mirror) {
  ZelTPresenceChange change;
  return mirror.Next(change, 10000) && change.kind == Change::CHANGE_SYNCED;
}

struct Fault {
  const char* name;
  bool throughRelay;
  std::size_t replayEvents;
  // Done while the churner keeps changing agents.
  std::function<void(zelsim::PresenceSimulator& simulator, ZelAPresenceMirror& mirror, TcpRelay* relay)> make;
  bool resync;
  Change::enSyncCause cause;
  // Events missed are sent again.
  bool replays;
};

void PollFor(ZelAPresenceMirror& mirror, std::chrono::milliseconds period, const ZelAPresenceMirror::Callback& told) {
  for (const auto until = Clock::now() + period; Clock::now() < until;) mirror.Poll(20, told);
}

// After each fault, with the churn stopped, the mirror equals a fresh query
// of every user; only a restart, or a loss beyond the server's replay
// buffer, costs a full query.
TEST(ZelAPresenceMirrorTest, StaysExactThroughEveryFault) {
  DiagCapture quiet;
  const auto unread = [](zelsim::PresenceSimulator& simulator, ZelAPresenceMirror&, TcpRelay*) {
    Churner(simulator.Endpoint(), 8, 11).Make(3000);
  };
  const Fault faults[] = {
      {"churn alone", false, 100000, [](auto&, auto&, auto*) {}, false, Change::SYNC_FIRST, false},
      {"receiver not reading", false, 100000, unread, false, Change::SYNC_FIRST, true},
      {"loss beyond the replay buffer", false, 20, unread, true, Change::SYNC_LOST, false},
      {"publisher restart", false, 100000,
       [](zelsim::PresenceSimulator& simulator, auto&, auto*) {
         simulator.Stop();
         ASSERT_TRUE(simulator.Start());
       },
       true, Change::SYNC_RESTARTED, false},
      {"link cut for two seconds", true, 100000,
       [](auto&, ZelAPresenceMirror& mirror, TcpRelay* relay) {
         relay->Cut();
         PollFor(mirror, std::chrono::seconds(2), nullptr);
         relay->Restore();
       },
       false, Change::SYNC_FIRST, true},
  };
  for (const Fault& fault : faults) {
    zelsim::SimulatorOptions options;
    options.endpoint = fault.throughRelay ? "tcp://127.0.0.1:0" : "inproc://mirror-faults";
    options.replayLimits.maxEvents = fault.replayEvents;
    zelsim::PresenceSimulator simulator(options);
    ASSERT_TRUE(simulator.Start()) << fault.name;
    if (fault.throughRelay) {
      // A restarted tcp server must get its port back.
      options.endpoint = simulator.Endpoint();
    }
    const std::string port = simulator.Endpoint().substr(simulator.Endpoint().rfind(':') + 1);
    TcpRelay relay(fault.throughRelay ? std::stoi(port) : 0);
    if (fault.throughRelay) {
      ASSERT_TRUE(relay.Start()) << fault.name;
    }
    ZelAPresenceMirror mirror(fault.throughRelay ? relay.Endpoint() : simulator.Endpoint());
    mirror.SetReceiveHighWaterMark(100);
    ASSERT_TRUE(mirror.Start()) << fault.name;
    ASSERT_TRUE(Synced(mirror)) << fault.name;
    std::vector<Change> told;
    const auto keep = [&](const Change& change) { told.push_back(change); };

    Churner churner(simulator.Endpoint());
    churner.Start();
    PollFor(mirror, std::chrono::milliseconds(300), keep);
    fault.make(simulator, mirror, &relay);
    PollFor(mirror, std::chrono::milliseconds(300), keep);
    churner.Stop();
    EXPECT_EQ(Converge(mirror, simulator.Endpoint(), keep), std::vector<std::string>{}) << fault.name;

    const ZelTMirrorCounters counters = mirror.Counters();
    EXPECT_GT(counters.eventsApplied, 0u) << fault.name;
    EXPECT_EQ(counters.resyncs > 0, fault.resync) << fault.name;
    const bool resynced = std::any_of(told.begin(), told.end(), [&](const Change& change) {
      return change.kind == Change::CHANGE_SYNCED && change.syncCause == fault.cause;
    });
    EXPECT_EQ(resynced, fault.resync) << fault.name;
    if (fault.replays) {
      EXPECT_GT(counters.eventsReplayed, 0u) << fault.name;
    }
  }
}

// An event the query's reply already reflects is not applied again (it
// would tell a change that is none, or move the user back in time); the
// next one is.
TEST(ZelAPresenceMirrorTest, JoinsTheQueryAndTheStreamAtTheReplysPosition) {
  DiagCapture quiet;
  zelsim::SimulatorOptions options;
  options.endpoint = "inproc://mirror-join";
  zelsim::PresenceSimulator simulator(options);
  ASSERT_TRUE(simulator.Start());
  ZelAPresenceMirror mirror(simulator.Endpoint());
  ASSERT_TRUE(mirror.Start());
  ASSERT_TRUE(mirror.WaitUntilSubscribed(10000));
  ZelAUserPresence agent("mirror-test", "client");
  agent.SetUserKey(43);
  agent.SetUserID("agent43");
  for (const long reason : {1, 2}) {
    ASSERT_EQ(agent.SetRoutingState(simulator.Endpoint(), ZelTRoutingState::ROUTINGSTATE_WORK, reason, false),
              PS::ACTION_SUCCEEDED);
  }
  ZelTPresenceChange change;
  ASSERT_TRUE(mirror.Next(change, 10000));
  EXPECT_EQ(change.kind, Change::CHANGE_SYNCED);
  ZelTUserPresence held;
  ASSERT_TRUE(mirror.Users().Copy(43, held));
  EXPECT_EQ(held.GetRoutingState().GetRoutingStateReason(), 2);

  ASSERT_EQ(agent.SetRoutingState(simulator.Endpoint(), ZelTRoutingState::ROUTINGSTATE_WORK, 3, false),
            PS::ACTION_SUCCEEDED);
  mirror.SetChangeCopies(true);
  ASSERT_TRUE(mirror.Next(change, 10000));
  EXPECT_EQ(change.ToString().substr(0, 21), "User 43 RoutingState ");
  ASSERT_TRUE(change.before && change.after);
  EXPECT_EQ(std::make_pair(change.before->GetRoutingState().GetRoutingStateReason(),
                           change.after->GetRoutingState().GetRoutingStateReason()),
            std::make_pair(2L, 3L));
  EXPECT_FALSE(mirror.Next(change, 200)) << "told again: " << change.ToString();
  EXPECT_EQ(mirror.Counters().eventsApplied, 1u);
}

// A desktop following one agent gets that agent's events only, and its
// mirror holds that agent exactly.
TEST(ZelAPresenceMirrorTest, ChosenUsersSeeNothingOfOthers) {
  DiagCapture quiet;
  zelsim::SimulatorOptions options;
  options.endpoint = "inproc://mirror-chosen";
  zelsim::PresenceSimulator simulator(options);
  ASSERT_TRUE(simulator.Start());
  ZelAPresenceMirror mirror(simulator.Endpoint(), {{44, "agent44"}});
  ASSERT_TRUE(mirror.Start());
  ASSERT_TRUE(Synced(mirror));
  std::vector<long> users;
  Churner churner(simulator.Endpoint(), 4);
  churner.Make(400);
  EXPECT_EQ(Converge(
                mirror, simulator.Endpoint(), [&](const Change& change) { users.push_back(change.userKey); }, 44),
            std::vector<std::string>{});
  EXPECT_FALSE(users.empty());
  EXPECT_EQ(std::count(users.begin(), users.end(), 44), static_cast<long>(users.size()));
  EXPECT_EQ(mirror.Users().Keys(), std::vector<long>{44});
}

// Any thread reads the users, the counters and the position while the
// driving thread applies events and queries users again.
TEST(ZelAPresenceMirrorTest, ConcurrentReadersWhileTheMirrorApplies) {
  DiagCapture quiet;
  zelsim::SimulatorOptions options;
  options.endpoint = "inproc://mirror-readers";
  zelsim::PresenceSimulator simulator(options);
  ASSERT_TRUE(simulator.Start());
  ZelAPresenceMirror mirror(simulator.Endpoint());
  ASSERT_TRUE(mirror.Start());
  ASSERT_TRUE(Synced(mirror));
  std::atomic<bool> done{false};
  std::atomic<int> partial{0};
  std::thread reader([&] {
    while (!done) {
      int users = 0;
      mirror.Users().ForEach([&](const ZelTUserPresence&) { ++users; });
      if (users != 8 || mirror.Users().CopyAll().size() != 8) ++partial;
      (void)mirror.Counters();
      (void)mirror.Position();
      (void)mirror.IsCurrent();
      (void)mirror.Readiness();
    }
  });
  Churner churner(simulator.Endpoint());
  churner.Start();
  PollFor(mirror, std::chrono::milliseconds(500), nullptr);
  churner.Stop();
  EXPECT_EQ(Converge(mirror, simulator.Endpoint()), std::vector<std::string>{});
  done = true;
  reader.join();
  EXPECT_EQ(partial, 0);
}

// An incomplete event's user waits for a complete event for a while, by the
// mirror's clock, and is then queried once.
TEST(ZelAPresenceMirrorTest, IncompleteEventIsSettledByOneQueryAfterItsWait) {
  DiagCapture quiet;
  zelsim::SimulatorOptions options;
  options.endpoint = "inproc://mirror-settle";
  zelsim::PresenceSimulator simulator(options);
  ASSERT_TRUE(simulator.Start());
  TManualClock clock;
  TScopedClock scoped(clock);
  ZelAPresenceMirror mirror(simulator.Endpoint());
  ASSERT_TRUE(mirror.Start());
  ASSERT_TRUE(Synced(mirror));
  ZelAUserPresence agent("mirror-test", "client");
  agent.SetUserKey(42);
  agent.SetUserID("agent42");
  ASSERT_EQ(agent.SetPrimaryContact(simulator.Endpoint(), "C42-3", 0), PS::ACTION_SUCCEEDED);
  const auto until = [&](const std::function<bool()>& done) {
    for (const auto deadline = Clock::now() + kBound; !done() && Clock::now() < deadline;) mirror.Poll(0);
    return done();
  };
  ASSERT_TRUE(until([&] { return mirror.Counters().eventsApplied == 1; }));
  clock.Advance(std::chrono::milliseconds(ZelAPresenceMirror::kSettleMs - 1));
  for (int i = 0; i < 100; ++i) mirror.Poll(0);
  EXPECT_EQ(mirror.Counters().usersRequeried, 0u);
  EXPECT_FALSE(mirror.IsCurrent());
  clock.Advance(std::chrono::milliseconds(1));
  ASSERT_TRUE(until([&] { return mirror.IsCurrent(); }));
  EXPECT_EQ(mirror.Counters().usersRequeried, 1u);
  EXPECT_EQ(Differences(mirror.Users().CopyAll(), Queried(simulator.Endpoint())), std::vector<std::string>{});
}

}  // namespace
