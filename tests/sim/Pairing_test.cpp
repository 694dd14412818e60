#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <zmq.hpp>

#include "AckLedger.h"
#include "AdminFrame.h"
#include "Agents.h"
#include "Callers.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "Eventually.h"
#include "PairRule.h"
#include "PlatformReset.h"
#include "LinkRelay.h"
#include "Mirrored.h"
#include "Simulators.h"
#include "TestClock.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

using PS = ZelTPresenceServer;
using Role = TServerRole;
using Simulator = zelsim::PresenceSimulator;
using std::chrono::milliseconds;

// Over real time, a take-over soon after the serving half is killed.
constexpr milliseconds kQuick(100);

bool AwaitRole(const Simulator& simulator, Role role) {
  return Eventually([&] { return simulator.State().role == role; });
}

// One serves, and the other has heard of its term.
bool Paired(const Simulator& serving, const Simulator& standby) {
  return serving.State().role == Role::Serving && standby.State().role == Role::Standby &&
         standby.State().term == serving.State().term;
}

bool AwaitPaired(const Simulator& serving, const Simulator& standby) {
  return Eventually([&] { return Paired(serving, standby); });
}

class PairingTest : public ::testing::Test {
 protected:
  DiagCapture m_quiet{"NONE"};
  PlatformReset m_reset;
  ZelAUserPresence m_agent = AgentOf(42);
};

TEST_F(PairingTest, AStandbyTakesOverOnlyWhenNoPeerInChargeWasHeard) {
  using zelsim::PairView;
  using zelsim::PeerHeard;
  using Cause = zelsim::TakeOverCause;
  const auto view = [](Role role, bool primary, bool starting, PeerHeard heard, Role peer, std::uint32_t peerId,
                       long since, bool replaced = false, long turningAway = 0) {
    PairView v;
    v.replaced = replaced;
    v.turningAway = milliseconds(turningAway);
    v.role = role;
    v.id = 5;
    v.primary = primary;
    v.starting = starting;
    v.peer = heard;
    v.peerRole = peer;
    v.peerId = peerId;
    v.sinceInCharge = milliseconds(since);
    return v;
  };
  const PeerHeard silent = PeerHeard::Silent;
  const PeerHeard answered = PeerHeard::Answered;
  const PeerHeard gone = PeerHeard::Gone;
  const struct { const char* name; PairView view; Cause cause; } cases[] = {
      {"serves already", view(Role::Serving, true, true, gone, Role::Standby, 0, 5000), Cause::None},
      {"hands over", view(Role::HandingOver, false, false, gone, Role::Standby, 0, 5000), Cause::None},
      {"peer serves", view(Role::Standby, true, true, answered, Role::Serving, 9, 5000), Cause::None},
      {"peer hands over", view(Role::Standby, false, false, answered, Role::HandingOver, 9, 5000), Cause::None},
      {"peer shuts down", view(Role::Standby, false, false, answered, Role::ShuttingDown, 9, 5000), Cause::None},
      {"primary, peer gone", view(Role::Standby, true, true, gone, Role::Standby, 0, 0), Cause::Primary},
      {"primary, peer stands by", view(Role::Standby, true, true, answered, Role::Standby, 9, 0), Cause::Primary},
      {"primary waits for a silent peer", view(Role::Standby, true, true, silent, Role::Standby, 0, 2999), Cause::None},
      {"primary later waits like the other", view(Role::Standby, true, false, gone, Role::Standby, 0, 299), Cause::None},
      {"peer gone not long enough", view(Role::Standby, false, false, gone, Role::Standby, 0, 299), Cause::None},
      {"peer gone long enough", view(Role::Standby, false, true, gone, Role::Standby, 0, 300), Cause::PeerGone},
      {"peer slow, past the take-over time", view(Role::Standby, false, true, silent, Role::Standby, 0, 2999), Cause::None},
      {"peer silent past the silence time", view(Role::Standby, false, false, silent, Role::Standby, 0, 3000),
       Cause::PeerSilent},
      {"both stand by, peer's id higher", view(Role::Standby, false, false, answered, Role::Standby, 9, 300), Cause::None},
      {"both stand by, own id higher", view(Role::Standby, false, false, answered, Role::Standby, 4, 300),
       Cause::PeerStandsBy},
      {"replaced, peer gone", view(Role::Standby, false, false, gone, Role::Standby, 0, 60000, true), Cause::None},
      {"replaced, peer silent", view(Role::Standby, true, false, silent, Role::Standby, 0, 60000, true), Cause::None},
      {"replaced, callers come briefly", view(Role::Standby, false, false, gone, Role::Standby, 0, 60000, true, 299),
       Cause::None},
      {"replaced, callers keep coming", view(Role::Standby, false, false, gone, Role::Standby, 0, 60000, true, 300),
       Cause::CallersTurnedAway},
      {"replaced, callers come too soon", view(Role::Standby, false, false, gone, Role::Standby, 0, 299, true, 5000),
       Cause::None},
      {"replaced, peer heard again", view(Role::Standby, false, false, answered, Role::Standby, 4, 300, true),
       Cause::PeerStandsBy},
  };
  for (const auto& c : cases) EXPECT_EQ(zelsim::ShouldTakeOver(c.view), c.cause) << c.name;
}

// Acknowledged changes are counted between two positions of the server's
// own stream; from the first against a copy that was never of its stream;
// the oldest forgotten beyond the bound.
TEST_F(PairingTest, TheLedgerCountsAcknowledgedChangesBetweenPositions) {
  zelsim::AckLedger ledger;
  for (const std::uint64_t position : {10, 11, 11, 75, 200, 64 + 63}) ledger.Record({7, position});
  const struct { TEventPosition after; std::uint64_t upTo; std::uint64_t count; } cases[] = {
      {{7, 9}, 500, 5},   {{7, 10}, 500, 4}, {{7, 11}, 500, 3}, {{7, 126}, 500, 2}, {{7, 127}, 500, 1},
      {{7, 500}, 900, 0}, {{3, 500}, 500, 5}, {{}, 500, 5},     {{7, 10}, 127, 3},  {{7, 10}, 126, 2},
      {{}, 11, 2},        {{7, 74}, 75, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(ledger.CountBetween(c.after, {7, c.upTo}), c.count) << c.after.position << ".." << c.upTo;
  EXPECT_EQ(ledger.CountBetween({}, {3, 500}), 0u) << "up to a position of another stream";
  ledger.Record({7, 200 + zelsim::AckLedger::kMaxPositions});
  EXPECT_EQ(ledger.CountBetween({7, 0}, {7, ~0ull}), 1u) << "the oldest forgotten";
  ledger.Record({8, 3});
  EXPECT_EQ(ledger.CountBetween({7, 0}, {8, 3}), 1u) << "a new incarnation starts afresh";
}

// On the test's clock: a peer that keeps its connection but does not
// answer may be a loaded one, and is waited for ten take-over times; one
// that refuses is gone after one; a primary decides at once only on a peer
// it heard of.
TEST_F(PairingTest, ASilentPeerIsWaitedForLongerThanOneThatIsGone) {
  TestClock clock;
  zmq::context_t context;
  zmq::socket_t mute(context, zmq::socket_type::router);
  mute.set(zmq::sockopt::linger, 0);
  mute.bind("tcp://127.0.0.1:*");
  const std::string silent = mute.get(zmq::sockopt::last_endpoint);
  const std::string gone = ClosedTcpEndpoint();
  const struct { const char* name; std::string peer; bool primary; long atLeast; long below; } cases[] = {
      {"silent", silent, false, 3000, 3300}, {"silent, primary", silent, true, 3000, 3300},
      {"gone", gone, false, 300, 3000}, {"gone, primary", gone, true, 0, 300},
  };
  for (const auto& c : cases) {
    const auto started = TClock::Now();
    auto half = StartedHalf(UniqueInproc("pair-alone"), c.peer, c.primary);
    EXPECT_TRUE(clock.AdvanceUntil(milliseconds(2), [&] { return half->State().role == Role::Serving; })) << c.name;
    const auto took = TClock::Now() - started;
    EXPECT_GE(took, milliseconds(c.atLeast)) << c.name;
    EXPECT_LT(took, milliseconds(c.below)) << c.name;
  }
}

TEST_F(PairingTest, HandOverFramesReadBackAndRefuseHostileBytes) {
  const std::string call = zelsim::EncodeAdminCall({3, {0x0102030405060708, 9}});
  EXPECT_EQ(call, std::string("ZADM\x01\0\0\0\x03\0\0\0\0\0\0\0\x08\x07\x06\x05\x04\x03\x02\x01\x09\0\0\0\0\0\0\0", 32));
  zelsim::AdminCall read;
  ASSERT_TRUE(zelsim::DecodeAdminCall(call.data(), call.size(), read));
  EXPECT_EQ(std::make_pair(read.term, read.through), std::make_pair(std::uint64_t{3}, TEventPosition{0x0102030405060708, 9}));
  const std::string answer = zelsim::EncodeAdminAnswer({true, 7, "tcp://b:7302"});
  EXPECT_EQ(answer, std::string("ZADA\x01\0\0\0\x07\0\0\0\0\0\0\0\x0c\0\0\0tcp://b:7302", 32));
  zelsim::AdminAnswer told;
  ASSERT_TRUE(zelsim::DecodeAdminAnswer(answer.data(), answer.size(), told));
  EXPECT_EQ(std::make_tuple(told.done, told.term, told.text), std::make_tuple(true, 7ull, std::string("tcp://b:7302")));
  EXPECT_EQ(zelsim::EncodeAdminAnswer({false, 1, std::string(5000, 'x')}).size(), 20 + zelsim::kMaxAdminText);
  for (std::size_t cut = 0; cut < answer.size(); ++cut)
    EXPECT_FALSE(zelsim::DecodeAdminAnswer(answer.data(), cut, told)) << cut;
  for (const std::string& bad : {answer + "x", std::string(answer).replace(5, 1, "\x02"),
                                 std::string(answer).replace(16, 4, std::string("\xff\xff\xff\x7f", 4)),
                                 std::string(answer).replace(4, 1, "\x02")})
    EXPECT_FALSE(zelsim::DecodeAdminAnswer(bad.data(), bad.size(), told));
  for (const std::string& bad : {call.substr(0, 31), call + "x", std::string(call).replace(0, 4, "ZADA")})
    EXPECT_FALSE(zelsim::DecodeAdminCall(bad.data(), bad.size(), read));
}

// On the test's clock: the standby refuses every request, takes over no
// sooner than the take-over time after it last heard its peer serve, and an
// old server that comes back while the other serves stands by.
TEST_F(PairingTest, AStandbyRefusesEveryCallAndTakesOverOnceItsPeerIsGone) {
  TestClock clock;
  const std::string a = UniqueInproc("pair-a");
  const std::string b = UniqueInproc("pair-b");
  auto first = StartedHalf(a, b, true);
  auto second = StartedHalf(b, a, false);
  // Until the standby heard the other serve, at most a step (1 ms) before
  // the other goes.
  ASSERT_TRUE(clock.AdvanceUntil(milliseconds(1), [&] { return Paired(*first, *second); }));
  ZelAPresenceServer api("pairing-test", "client");
  ZelTServerStatus status;
  ZelTQueryUsersPresence users;
  // Braced, so that the call comes before the error code it leaves.
  using Outcome = std::pair<PS::ActionResult, PS::ErrorCode>;
  const std::vector<std::pair<const char*, std::function<Outcome()>>> calls = {
      {"status", [&] { return Outcome{api.QueryServerStatus(b, status), status.GetErrorCode()}; }},
      {"users", [&] { return Outcome{api.QueryUsersPresence(b, users), users.GetErrorCode()}; }},
      {"query", [&] { return Outcome{m_agent.Query(b), m_agent.GetErrorCode()}; }},
      {"routing", [&] {
         return Outcome{m_agent.SetRoutingState(b, ZelTRoutingState::ROUTINGSTATE_WORK, 1, false), m_agent.GetErrorCode()};
       }},
  };
  for (const auto& [name, call] : calls)
    EXPECT_EQ(call(), Outcome(PS::ACTION_NOT_CARRIED_OUT, PS::ERR_SERVER_NOT_READY)) << name;
  EXPECT_EQ(std::make_pair(status.GetCurrentStatus(), status.GetWatchdogAddr()),
            std::make_pair(TGenericStatus::STATUS_STANDBY, a));

  first->Stop();
  const auto stopped = TClock::Now();
  ASSERT_TRUE(clock.AdvanceUntil(milliseconds(1), [&] { return second->State().role == Role::Serving; }));
  // Counted from its peer's last answer, up to a look (30 ms) before it stopped.
  EXPECT_GE(TClock::Now() - stopped, milliseconds(270));
  EXPECT_LT(TClock::Now() - stopped, milliseconds(500));
  EXPECT_EQ(m_agent.SetRoutingState(b + "," + a, ZelTRoutingState::ROUTINGSTATE_WORK, 2, false), PS::ACTION_SUCCEEDED);

  first = StartedHalf(a, b, true);
  EXPECT_TRUE(clock.AdvanceUntil(milliseconds(1), [&] { return first->State().term == second->State().term; }));
  clock.Advance(milliseconds(1000));
  EXPECT_EQ(first->State().role, Role::Standby);
  EXPECT_EQ(second->State().role, Role::Serving);
}

// In-process simulators stopped without a word stand in for killed
// processes: their sockets close as a killed process's do, and
// ThreadSanitizer sees every thread. (The benchmark kills processes.) The
// one that serves is killed, then the other: on real time, where a stall
// longer than the take-over time may leave either serving.
TEST_F(PairingTest, CallsAndTheMirrorRideThroughKillsOfEitherSide) {
  const auto paired = [](const std::unique_ptr<Simulator>(&halves)[2]) {
    return Paired(*halves[0], *halves[1]) || Paired(*halves[1], *halves[0]);
  };
  for (const bool tcp : {true, false}) {
    const std::string ends[2] = {tcp ? TcpWithFreeEventsPort() : UniqueIpc("pair-a"),
                                 tcp ? TcpWithFreeEventsPort() : UniqueIpc("pair-b")};
    std::unique_ptr<Simulator> halves[2] = {StartedHalf(ends[0], ends[1], true, kQuick),
                                             StartedHalf(ends[1], ends[0], false, kQuick)};
    ASSERT_TRUE(Eventually([&] { return paired(halves); })) << ends[0];
    const std::string list = ends[0] + "," + ends[1];
    Callers load(list);
    ZelAPresenceMirror mirror(list);
    ASSERT_TRUE(mirror.Start());
    for (int kill = 0; kill < 2; ++kill) {
      const int side = halves[0]->State().role == Role::Serving ? 0 : 1;
      const std::uint64_t resyncs = mirror.Counters().resyncs;
      halves[side].reset();
      EXPECT_TRUE(AwaitRole(*halves[1 - side], Role::Serving)) << ends[1 - side];
      // Back, it pairs with the other; every caller goes through, and the
      // mirror, polled meanwhile, took the users again from the one that
      // serves now: only then is the next one killed.
      halves[side] = StartedHalf(ends[side], ends[1 - side], side == 0, kQuick);
      const std::vector<std::size_t> rounds = load.Rounds();
      EXPECT_TRUE(Eventually([&] {
        mirror.Poll(20);
        return paired(halves) && load.EachWentThroughSince(rounds) && mirror.Counters().resyncs > resyncs;
      })) << ends[side];
    }
    load.Stop();
    EXPECT_EQ(load.Failed(), std::vector<std::string>{}) << list;
    EXPECT_EQ(Converge(mirror, list), std::vector<std::string>{}) << list;
  }
}

// Cut off from each other, both serve, until a caller that talked to the
// one with the higher term calls the other, which stands by at once: two
// servers with no third party can do no better.
TEST_F(PairingTest, ServersCutOffFromEachOtherStandByForACallersHigherTerm) {
  TFramework::SetTimeoutOverride(1000);
  const std::string a = TcpWithFreeEventsPort();
  const std::string b = TcpWithFreeEventsPort();
  zelsim::LinkRelay peerA(a);
  zelsim::LinkRelay peerB(b);
  zelsim::LinkRelay callerA(a);
  zelsim::LinkRelay callerB(b);
  ASSERT_TRUE(peerA.Start() && peerB.Start() && callerA.Start() && callerB.Start());
  // The first takes its time to take over again once fenced.
  auto first = StartedHalf(a, peerB.Endpoint(), true, milliseconds(5000));
  auto second = StartedHalf(b, peerA.Endpoint(), false);
  ASSERT_TRUE(AwaitPaired(*first, *second));
  const std::string list = callerA.Endpoint() + "," + callerB.Endpoint();
  EXPECT_EQ(m_agent.Query(list), PS::ACTION_SUCCEEDED);

  peerA.Cut();
  peerB.Cut();
  ASSERT_TRUE(AwaitRole(*second, Role::Serving));
  EXPECT_EQ(first->State().role, Role::Serving) << "nothing told it of the other";
  // Acknowledged by the first alone, through a name that is no list: the
  // other's table never holds it.
  EXPECT_EQ(m_agent.SetRoutingState(callerA.Endpoint(), ZelTRoutingState::ROUTINGSTATE_UNAVAILABLE, 4, false),
            PS::ACTION_SUCCEEDED);
  callerA.Cut();
  EXPECT_EQ(m_agent.Query(list), PS::ACTION_SUCCEEDED);
  callerA.Restore();
  callerB.Cut();
  // A query: an action could be lost on the link just cut, its outcome unknown.
  EXPECT_EQ(m_agent.Query(list), PS::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(m_agent.GetErrorCode(), PS::ERR_SERVER_NOT_READY);
  EXPECT_EQ(first->State().role, Role::Standby);
  EXPECT_EQ(first->State().term, second->State().term);

  peerA.Restore();
  peerB.Restore();
  callerB.Restore();
  EXPECT_EQ(m_agent.SetRoutingState(list, ZelTRoutingState::ROUTINGSTATE_WORK, 2, false), PS::ACTION_SUCCEEDED);
  EXPECT_EQ(second->State().role, Role::Serving);
  // Once they meet again, the first counts what it acknowledged in vain.
  EXPECT_TRUE(Eventually([&] { return first->State().lostChanges == 1; }));
  const TServerState old = first->State();
  const TServerState now = second->State();
  EXPECT_EQ(std::make_tuple(old.takeOvers, old.standDowns, old.handOvers), std::make_tuple(1u, 1u, 0u));
  EXPECT_EQ(std::make_tuple(now.takeOvers, now.standDowns, now.lostChanges), std::make_tuple(1u, 0u, 0u));
}

}  // namespace
