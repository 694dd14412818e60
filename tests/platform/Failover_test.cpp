#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "Bytes.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "Events.h"
#include "Eventually.h"
#include "Gate.h"
#include "ListProbe.h"
#include "PlatformReset.h"
#include "RoleFrame.h"
#include "Rpc.h"
#include "RpcFrame.h"
#include "ServerList.h"
#include "TestClock.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using std::chrono::milliseconds;
using Kind = TCallFailure;

// A server that answers "<tag>:<call>" and keeps what it was called with,
// and in which role; or holds every call at its gate.
class Tagged {
 public:
  Tagged(const std::string& name, std::string tag, Gate* gate = nullptr)
      : m_tag(std::move(tag)), m_gate(gate), m_server(name, [this](TRPC& rpc) { Serve(rpc); }) {}

  bool Start() { return m_server.Start(); }
  TRPCServer& Server() { return m_server; }
  const std::string& Endpoint() const { return m_server.Endpoint(); }
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
  }

 private:
  void Serve(TRPC& rpc) {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_calls.push_back(CallText(rpc) + (rpc.GetServerRole() == TServerRole::Serving ? "" : " (not serving)"));
    }
    if (m_gate) (*m_gate)(rpc);
    const std::string reply = m_tag + ":" + CallText(rpc);
    rpc.SetReplyData(reply.data(), reply.size());
  }

  std::string m_tag;
  Gate* m_gate;
  std::mutex m_lock;
  std::vector<std::string> m_calls;
  TRPCServer m_server;
};

template <typename T>
bool Ready(const std::future<T>& result) {
  return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

class FailoverTest : public ::testing::Test {
 protected:
  // The call's reply, or "failed: <text>".
  std::string CallList(const std::string& list, const std::string& data, bool idempotent = true,
                       long timeoutMs = 5000) {
    TRPC rpc = CallOf(data);
    rpc.SetIdempotent(idempotent);
    if (Call(m_client, list, rpc, timeoutMs) == 0) return "failed: " + TFramework::LastFailure().text;
    return ReplyOf(rpc);
  }

  DiagCapture m_diag{"NONE"};
  PlatformReset m_reset;
  TFramework m_client{"failover-test", "local", 5};
};

// A list caller reads the role (flag bit 2) and, once it knows a term,
// tells it (v3); replies tell the role in their flags whatever the version,
// and the term in v3. A role answer is 20 bytes and the server's figures.
TEST_F(FailoverTest, FramesAsTheWireFormatLaysThemOut) {
  TRPC rpc = CallOf("c");
  rpc.SetReturnCode(0);
  EXPECT_EQ(Hex(zelplatform::EncodeCall(5, rpc, 9)), "5a43414c" "0203" "4d00" "0500000000000000" "09000000" "63");
  EXPECT_EQ(Hex(zelplatform::EncodeCall(5, rpc, 9, {true, 0})),
            "5a43414c" "0207" "4d00" "0500000000000000" "09000000" "63");
  EXPECT_EQ(Hex(zelplatform::EncodeCall(5, rpc, 9, {true, 0x0000000300000007})),
            "5a43414c" "0307" "4d00" "0500000000000000" "09000000" "0700000003000000" "63");
  rpc.SetReplyData("r", 1);
  rpc.SetServerRole(TServerRole::Standby);
  rpc.SetServerTerm(0x0000000300000007);
  EXPECT_EQ(Hex(zelplatform::EncodeReply(5, rpc, true)), "5a52504c" "0101" "4d00" "0500000000000000" "00000000" "72");
  EXPECT_EQ(Hex(zelplatform::EncodeReply(5, rpc, true, true)),
            "5a52504c" "0301" "4d00" "0500000000000000" "00000000" "0000000000000000" "0000000000000000"
            "0700000003000000" "72");
  rpc.SetServerRole(TServerRole::ShuttingDown);
  EXPECT_EQ(Hex(zelplatform::EncodeReply(5, rpc, false)).substr(8, 4), "0103");
  EXPECT_EQ(Hex(zelplatform::EncodeRoleAnswer({TServerRole::HandingOver, 0x0000000300000007, 0x0a0b0c0d, 1500, 2, 3, 4, 5})),
            "5a535256" "01020000" "0700000003000000" "0d0c0b0a" "dc050000" "02000000" "03000000" "04000000" "05000000");

  // Read back, and refused when cut or unknown.
  zelplatform::CallFrame call;
  const std::string v3 = zelplatform::EncodeCall(5, rpc, 9, {true, 12});
  ASSERT_TRUE(zelplatform::DecodeCall(v3.data(), v3.size(), call));
  EXPECT_EQ(std::make_tuple(call.readsRole, call.term, call.remainingMs, call.size), std::make_tuple(true, 12ull, 9u, 1ul));
  EXPECT_FALSE(zelplatform::DecodeCall(v3.data(), zelplatform::kCallHeaderSizeV3 - 1, call));
  zelplatform::ReplyFrame reply;
  const std::string replied = zelplatform::EncodeReply(5, rpc, false, true);
  ASSERT_TRUE(zelplatform::DecodeReply(replied.data(), replied.size(), reply));
  EXPECT_EQ(std::make_tuple(reply.role, reply.term, reply.size), std::make_tuple(TServerRole::ShuttingDown, 0x0000000300000007ull, 1ul));
  EXPECT_FALSE(zelplatform::DecodeReply(replied.data(), zelplatform::kReplyHeaderSizeV3 - 1, reply));
  const std::string role = zelplatform::EncodeRoleAnswer({TServerRole::Standby, 4, 5, 6, 7, 8, 9, 10});
  const auto read = [](const std::string& bytes) {
    TServerState state;
    if (!zelplatform::DecodeRoleAnswer(bytes.data(), bytes.size(), state)) return std::string("refused");
    return ToString(state.role) + " " + std::to_string(state.term) + " " + std::to_string(state.id) + " " +
           std::to_string(state.inRoleMs) + " " + std::to_string(state.takeOvers) + " " +
           std::to_string(state.standDowns) + " " + std::to_string(state.handOvers) + " " +
           std::to_string(state.lostChanges);
  };
  // An earlier server's answer has no figures; a reader ignores bytes beyond those it knows.
  EXPECT_EQ(read(role + "later"), "standby 4 5 6 7 8 9 10");
  EXPECT_EQ(read(role.substr(0, 39)), "standby 4 5 0 0 0 0 0");
  EXPECT_EQ(read(role.substr(0, 20)), "standby 4 5 0 0 0 0 0");
  TServerState state;
  for (const std::string& bad : {role.substr(0, 19), std::string(role).replace(5, 1, "\x04"),
                                 std::string(role).replace(4, 1, "\x02"), std::string(role).replace(0, 1, "X")})
    EXPECT_FALSE(zelplatform::DecodeRoleAnswer(bad.data(), bad.size(), state)) << Hex(bad);
}

TEST_F(FailoverTest, ListsNameTwoToEightDistinctEndpoints) {
  const std::vector<std::pair<std::string, std::string>> names = {
      {"a", "inproc://a"},
      {"tcp://h:1, tcp://h:2", "tcp://h:1 tcp://h:2"},
      {"a,ipc:///tmp/b\t,tcp://h:3", "inproc://a ipc:///tmp/b tcp://h:3"},
      {"a,,b", "malformed list of servers: element 2 is empty"},
      {"a, ", "malformed list of servers: element 2 is empty"},
      {",a", "malformed list of servers: element 1 is empty"},
      {"x,inproc://x", "malformed list of servers: inproc://x is listed twice"},
      {"a,b,c,d,e,f,g,h,i", "malformed list of servers: 9 endpoints listed, at most 8"},
  };
  for (const auto& [name, expected] : names) {
    std::vector<std::string> endpoints;
    std::string error;
    std::string seen;
    if (TFramework::ServersOf(name, endpoints, &error)) {
      for (const std::string& endpoint : endpoints) seen += (seen.empty() ? "" : " ") + endpoint;
    } else {
      seen = error;
    }
    EXPECT_EQ(seen, expected) << name;
  }
  EXPECT_EQ(CallList("a,,b", "x"), "failed: no such server: a,,b: malformed list of servers: element 2 is empty");
  EXPECT_EQ(TFramework::LastFailure().kind, Kind::NoSuchServer);
}

// Refused, absent and standby servers are passed over, in the order the
// list names them from the one last seen serving; that one is called first
// from then on. A standby's handler sees the call but does not serve it.
TEST_F(FailoverTest, CallsGoToTheServerThatServes) {
  const std::vector<std::pair<std::string, std::string>> transports = {
      {UniqueInproc("failover-serves"), UniqueInproc("absent")},
      {"tcp://127.0.0.1:0", ClosedTcpEndpoint()},
#ifndef _WIN32
      {UniqueIpc("failover-serves"), UniqueIpc("absent")},
#endif
  };
  for (const auto& [name, absent] : transports) {
    Tagged standby(name == "tcp://127.0.0.1:0" ? name : name + "-s", "S");
    Tagged serving(name == "tcp://127.0.0.1:0" ? name : name + "-a", "A");
    ASSERT_TRUE(standby.Start() && serving.Start()) << name;
    standby.Server().StandBy(TServerRole::Standby);
    const std::string list = absent + "," + standby.Endpoint() + "," + serving.Endpoint();
    EXPECT_EQ(CallList(list, "one"), "A:one") << name;
    EXPECT_EQ(CallList(list, "two", false), "A:two") << name;
    EXPECT_EQ(standby.Calls(), std::vector<std::string>{"one (not serving)"}) << name;
    EXPECT_EQ(serving.Calls(), (std::vector<std::string>{"one", "two"})) << name;
  }
}

// The call waits for the time it was given; its share runs out first at a
// silent server, and then only a query goes on to the next.
TEST_F(FailoverTest, AfterATimeOutOnlyQueriesGoToTheNextServer) {
  TestClock clock;
  for (const bool idempotent : {true, false}) {
    Gate held;
    Tagged silent(UniqueInproc("failover-silent"), "S", &held);
    Tagged serving(UniqueInproc("failover-next"), "A");
    ASSERT_TRUE(silent.Start() && serving.Start());
    auto call = std::async(std::launch::async, [&] {
      const std::string outcome = CallList(silent.Endpoint() + "," + serving.Endpoint(), "q", idempotent, 1000);
      return std::make_pair(outcome, TFramework::LastFailure().kind);
    });
    EXPECT_TRUE(held.AwaitHeld());
    // A query's share of the second is half of it.
    clock.Advance(milliseconds(idempotent ? 500 : 1000));
    const auto [outcome, kind] = call.get();
    held.Open();
    if (idempotent) {
      EXPECT_EQ(outcome, "A:q");
    } else {
      EXPECT_EQ(outcome, "failed: outcome unknown: " + silent.Endpoint() +
                             " timed out after the call was sent; the action may or may not have been carried out");
      EXPECT_EQ(kind, Kind::OutcomeUnknown);
      EXPECT_TRUE(serving.Calls().empty()) << "the action was sent again";
    }
  }
}

// While one answers that it stands by the call waits for a server to take
// over; none does, and at the time-out the last answer stands, or as soon
// as twice the slowest answer no longer fits in the time left: a round with
// no time for its answers would leave the outcome unknown. When no server
// answers at all the call fails at once and names each.
TEST_F(FailoverTest, WhileNoServerServesTheCallWaitsWithinItsTime) {
  TestClock clock;
  Tagged first(UniqueInproc("failover-first"), "F");
  Tagged second(UniqueInproc("failover-second"), "S");
  ASSERT_TRUE(first.Start() && second.Start());
  first.Server().StandBy(TServerRole::Standby);
  second.Server().StandBy(TServerRole::ShuttingDown);
  const std::string list = first.Endpoint() + "," + second.Endpoint();
  // A minute: more than the clock can move while it is stepped.
  auto waiting = std::async(std::launch::async, [&] { return CallList(list, "w", false, 60000); });
  EXPECT_TRUE(clock.AdvanceUntil(milliseconds(1), [&] { return second.Calls().size() >= 3; }));
  second.Server().TakeOver();
  EXPECT_TRUE(clock.AdvanceUntil(milliseconds(1), [&] { return Ready(waiting); }));
  EXPECT_EQ(waiting.get(), "S:w");

  Gate held;
  Tagged slow(UniqueInproc("failover-slow"), "L", &held);
  ASSERT_TRUE(slow.Start());
  slow.Server().StandBy(TServerRole::Standby);
  second.Server().StandBy(TServerRole::Standby);
  auto refused = std::async(std::launch::async, [&] {
    TRPC rpc = CallOf("r");
    const int went = Call(m_client, slow.Endpoint() + "," + second.Endpoint(), rpc, 1000);
    return std::make_tuple(went, ReplyOf(rpc).substr(1), rpc.GetServerRole(), TFramework::LastFailure().kind);
  });
  EXPECT_TRUE(held.AwaitHeld());
  clock.Advance(milliseconds(300));
  held.Open();
  clock.Advance(milliseconds(200));
  std::tuple<int, std::string, TServerRole, Kind> outcome;
  EXPECT_TRUE(clock.FinishesWhileStill([&] { outcome = refused.get(); }));
  EXPECT_EQ(outcome, std::make_tuple(1, std::string(":r"), TServerRole::Standby, Kind::None));

  const std::string nobody = UniqueInproc("nobody") + "," + UniqueInproc("nobody");
  EXPECT_EQ(CallList(nobody, "n"), "failed: no server of " + nobody + " can be reached: no such server: " +
                                       nobody.substr(0, nobody.find(',')) + "; no such server: " +
                                       nobody.substr(nobody.find(',') + 1));
}

// Two servers that each took over, unaware of the other: the first caller
// that talked to the one with the higher term makes the other stand by.
TEST_F(FailoverTest, AHigherTermMakesTheOtherServerStandBy) {
  Tagged low(UniqueInproc("failover-low"), "L");
  Tagged high(UniqueInproc("failover-high"), "H");
  ASSERT_TRUE(low.Start() && high.Start());
  const std::uint64_t lowTerm = low.Server().TakeOver();
  high.Server().NoteTerm(lowTerm);
  const std::uint64_t highTerm = high.Server().TakeOver();
  EXPECT_GT(highTerm, lowTerm);
  std::vector<std::uint64_t> told;
  low.Server().OnSteppedDown([&told](std::uint64_t term) { told.push_back(term); });

  const std::string list = high.Endpoint() + "," + low.Endpoint();
  EXPECT_EQ(CallList(list, "learn"), "H:learn");
  high.Server().StandBy(TServerRole::Standby);
  auto fence = std::async(std::launch::async, [&] { return CallList(list, "fence", false); });
  EXPECT_TRUE(Eventually([&] { return low.Server().State().role != TServerRole::Serving; }));
  const TServerState fenced = low.Server().State();
  EXPECT_EQ(std::make_pair(fenced.role, fenced.term), std::make_pair(TServerRole::Standby, highTerm));
  EXPECT_TRUE(high.Server().Resume());
  EXPECT_EQ(fence.get(), "H:fence");
  for (const std::string& call : low.Calls()) EXPECT_EQ(call, "fence (not serving)");
  EXPECT_EQ(told, std::vector<std::uint64_t>{highTerm});
  EXPECT_FALSE(low.Server().Resume());
}

// Two servers that never met both take over under the first counter; the
// list asks each its role beside the calls, and once it knows both: the
// application is told, calls go to the higher term, an action the other
// carried out meanwhile fails as lost, and the next question makes the
// other stand by. A clean hand-over afterwards is no such case.
TEST_F(FailoverTest, TwoServersServingAtOnceAreToldAndTheLowerTermStandsBy) {
  TestClock clock;
  Gate gates[2] = {Gate("act"), Gate("act")};
  Tagged a(UniqueInproc("two-a"), "A", &gates[0]);
  Tagged b(UniqueInproc("two-b"), "B", &gates[1]);
  ASSERT_TRUE(a.Start() && b.Start());
  const std::uint64_t terms[2] = {a.Server().TakeOver(), b.Server().TakeOver()};
  EXPECT_EQ(TServerTerm::Counter(terms[0]), TServerTerm::Counter(terms[1]));
  const int lowIs = terms[0] < terms[1] ? 0 : 1;
  Tagged& low = lowIs == 0 ? a : b;
  Tagged& high = lowIs == 0 ? b : a;
  const std::uint64_t lowTerm = terms[lowIs];
  const std::uint64_t highTerm = terms[1 - lowIs];
  const std::string lowTag = lowIs == 0 ? "A" : "B";
  const std::string highTag = lowIs == 0 ? "B" : "A";
  clock.Advance(milliseconds(100));

  const std::string list = low.Endpoint() + "," + high.Endpoint();
  TEventReceiver receiver(list);
  // Its look is the list's first call: every server is asked its role.
  ASSERT_TRUE(receiver.Start());
  EXPECT_EQ(CallList(list, "q1"), lowTag + ":q1");
  // From an object of its own: one object's calls take turns.
  auto act = std::async(std::launch::async, [&] {
    TFramework actor("failover-test", "local", 5);
    TRPC rpc = CallOf("act");
    const std::string outcome = Call(actor, list, rpc, 5000) ? ReplyOf(rpc) : "failed: " + TFramework::LastFailure().text;
    return std::make_pair(outcome, TFramework::LastFailure().kind);
  });
  ASSERT_TRUE(gates[lowIs].AwaitHeld());
  std::vector<std::string> told;
  TEventNotice notice;
  EXPECT_TRUE(clock.AdvanceUntil(milliseconds(1), [&] {
    while (receiver.Next(notice, 0)) told.push_back(Describe(notice));
    return told.size() >= 2;
  }));
  EXPECT_EQ(told, (std::vector<std::string>{"TwoServing", "Switched"}));
  const std::string pair = low.Endpoint() + " under term " + TServerTerm::ToString(lowTerm) + ", " + high.Endpoint() +
                           " under term " + TServerTerm::ToString(highTerm);
  const TFramework::TwoServingSeen seen = TFramework::TwoServingOf(list);
  EXPECT_EQ(std::make_pair(seen.seen, seen.last), std::make_pair(std::uint64_t{1}, pair));
  EXPECT_EQ(CallList(list, "q2"), highTag + ":q2");
  gates[lowIs].Open();
  EXPECT_EQ(act.get(), std::make_pair("failed: two servers serve: " + low.Endpoint() + " carried the action out under term " +
                                          TServerTerm::ToString(lowTerm) + ", which " + high.Endpoint() +
                                          " had replaced; the action is lost once the two meet",
                                      Kind::TwoServing));

  // The next round's question carries the higher term.
  clock.Advance(zelplatform::ListProbe::kInterval);
  EXPECT_EQ(CallList(list, "q3"), highTag + ":q3");
  EXPECT_TRUE(Eventually([&] { return low.Server().State().role == TServerRole::Standby; }));
  EXPECT_EQ(low.Server().State().term, highTerm);

  high.Server().StandBy(TServerRole::HandingOver);
  low.Server().TakeOver();
  high.Server().StandBy(TServerRole::Standby);
  for (int round = 0; round < 2; ++round) {
    clock.Advance(zelplatform::ListProbe::kInterval);
    EXPECT_EQ(CallList(list, "q4"), lowTag + ":q4");
  }
  EXPECT_EQ(TFramework::TwoServingOf(list).seen, 1u);
  EXPECT_EQ(TFramework::TwoServingOf(high.Endpoint()).seen, 0u) << "a single server";
}

// One server of a pair with its publisher, as a simulator runs them.
struct Half {
  explicit Half(const std::string& name) : server(name, Echo), publisher(name) {}
  // Empty, or why it did not start.
  std::string Start() {
    std::string error;
    return server.Start(&error) && publisher.Start(&error) ? "" : error;
  }
  // Above every term the other has served under, as its peer would tell.
  void Serve(const Half& other) {
    server.NoteTerm(other.server.State().term);
    server.TakeOver();
    publisher.SetStandby(false);
  }
  void StandBy() {
    server.StandBy(TServerRole::Standby);
    publisher.SetStandby(true);
  }
  TRPCServer server;
  TEventPublisher publisher;
};

// The receiver of a pair follows the publisher of the server that serves:
// it moves when that one says it stands by, and when it went away.
TEST_F(FailoverTest, EventsFollowTheServerThatServes) {
  for (std::size_t which = 0; which < EveryTransport("failover-events").size(); ++which) {
    const auto first = EveryTransport("failover-events");
    const auto second = EveryTransport("failover-events");
    const std::string transport = first[which].substr(0, first[which].find(':'));
    auto a = std::make_unique<Half>(first[which]);
    auto b = std::make_unique<Half>(second[which]);
    ASSERT_EQ(a->Start() + b->Start(), "") << transport;
    a->Serve(*b);
    b->StandBy();
    TEventReceiver receiver(b->server.Endpoint() + "," + a->server.Endpoint(), {35001});
    ASSERT_TRUE(receiver.Start()) << transport;
    // Once subscribed: on a busy machine the question that finds the one
    // that serves may outlast Start's second, and is asked again.
    ASSERT_TRUE(Subscribed(a->publisher, receiver, 35001)) << transport;
    EXPECT_EQ(receiver.Endpoint(), a->publisher.Endpoint()) << transport;

    a->StandBy();
    b->Serve(*a);
    TEventNotice notice;
    while (AwaitNotice(receiver, notice) && notice.kind != TEventNotice::Kind::Switched) {
    }
    EXPECT_EQ(Describe(notice), "Switched") << transport;
    EXPECT_EQ(receiver.Endpoint(), b->publisher.Endpoint()) << transport;
    ASSERT_TRUE(Subscribed(b->publisher, receiver, 35001)) << transport;

    a->Serve(*b);
    b.reset();
    std::vector<std::string> told;
    while (told.size() < 2 && AwaitNotice(receiver, notice)) told.push_back(Describe(notice));
    EXPECT_EQ(told, (std::vector<std::string>{"Disconnected", "Switched"})) << transport;
    EXPECT_TRUE(receiver.WaitUntilSubscribed(5000)) << transport;
    a->publisher.Publish(35001, "after", 5);
    EXPECT_TRUE(AwaitNotice(receiver, notice)) << transport;
    EXPECT_EQ(Describe(notice), "Event 35001 after") << transport;
  }
}

}  // namespace
