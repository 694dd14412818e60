#include "zelclnt/core/ZelAPresenceServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <tuple>

#include "Agents.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "Simulators.h"
#include "TestClock.h"
#include "TestRequest.h"
#include "zelclnt/core/ZelTCompletionQueue.h"
#include "zelclnt/platform/TRPCServer.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

using PS = ZelTPresenceServer;

class TestApi : public ZelAPresenceServer {
 public:
  using ZelAPresenceServer::ZelAPresenceServer;
  using ZelAPresenceServer::SendRequest;
};

// A failed call reports 1 and leaves the request as it was, except that a
// reply without the common part must not report an earlier success. Each
// tells its own failure, never the one of the call before.
TEST(ZelAPresenceServerTest, FailedCallsReportOneAndSayWhy) {
  using Kind = TCallFailure;
  const struct {
    const char* name;
    TRPCServer::Handler handler;  // null: no server at all
    long value;
    PS::ActionResult held;
    const char* warning;
    std::size_t served;
    Kind failure;
  } cases[] = {
      {"absent server", nullptr, 9, PS::ACTION_SUCCEEDED, "ZelAPresenceServer::SendRequest. Send RPC Failed", 0,
       Kind::NoSuchServer},
#if LONG_MAX > INT_MAX  // a long that cannot be packed into the wire's 4 bytes
      {"call that cannot be packed", [](TRPC&) {}, 1L << 40, PS::ACTION_SUCCEEDED, nullptr, 0, Kind::NotSent},
#endif
      {"return code", [](TRPC& rpc) { rpc.SetReturnCode(5); }, 9, PS::ACTION_SUCCEEDED,
       "ZelAPresenceServer::SendRequest. RPC Return Error", 1, Kind::None},
      {"reply without common part", [](TRPC&) {}, 9, PS::ACTION_NOT_CARRIED_OUT, nullptr, 1, Kind::None}};
  for (const auto& c : cases) {
    const std::string name = UniqueInproc("api-test-send");
    TRPCServer server(name, c.handler);
    if (c.handler) {
      ASSERT_TRUE(server.Start()) << c.name;
    }
    DiagCapture diag;
    TestApi api;
    TestRequest request;
    request.value = c.value;
    request.SetActionResult(PS::ACTION_SUCCEEDED);
    request.SetActionError(PS::ERR_INVALID_USER);
    EXPECT_EQ(api.SendRequest(name, request, 1000), PS::ACTION_NOT_CARRIED_OUT) << c.name;
    EXPECT_EQ(request.GetCallOutcome().kind, c.failure) << c.name << ": " << request.GetCallOutcome().text;
    EXPECT_EQ(std::make_tuple(request.value, request.GetActionResult(), request.GetErrorCode()),
              std::make_tuple(c.value, c.held, PS::ERR_INVALID_USER)) << c.name;
    EXPECT_EQ(diag.Texts(TDiag::WARN), c.warning ? std::vector<std::string>{c.warning} : std::vector<std::string>{})
        << c.name;
    // Named from the project's root, not where the library was built.
    for (const CapturedLine& line : diag.Lines()) {
      if (line.type == TDiag::WARN) {
        EXPECT_EQ(line.file, "src/core/ZelAPresenceServer.cpp") << c.name;
      }
    }
    EXPECT_EQ(server.CallsServed(), c.served) << c.name;
  }
}

// Each request keeps the outcome of its own last call: what failed and why,
// the server, the position its reply reflects (unknown when the server
// told none or the call failed) and the time taken on the process's clock.
// A failure elsewhere, before or after, changes none of it.
TEST(ZelAPresenceServerTest, EachRequestKeepsItsOwnCallsOutcome) {
  const TEventPosition told{7, 11};
  TestClock clock;
  TRPCServer server(UniqueInproc("api-test-outcome"), [&](TRPC& rpc) {
    TestRequest reply;
    reply.UnpackRpcCall(rpc);
    reply.SetActionResult(PS::ACTION_SUCCEEDED);
    reply.PackRpcReply(rpc);
    clock.Advance(std::chrono::milliseconds(reply.value * 100));
    if (reply.value == 1) rpc.SetStatePosition(told);
    if (reply.value == 3) rpc.SetReturnCode(-3);
  });
  ASSERT_TRUE(server.Start());
  const std::string absent = UniqueInproc("api-test-nobody");
  DiagCapture quiet;
  TestApi api;
  TestRequest request;
  TestRequest elsewhere;
  const struct {
    long value;
    TEventPosition position;
    TCallFailure kind;
  } calls[] = {{1, told, TCallFailure::None}, {2, {}, TCallFailure::None}, {3, {}, TCallFailure::HandlerFailed},
               {1, told, TCallFailure::None}};
  for (const auto& c : calls) {
    request.value = c.value;
    api.SendRequest(server.Endpoint(), request, 60000);
    api.SendRequest(absent, elsewhere, 1000);
    const TCallOutcome& outcome = request.GetCallOutcome();
    EXPECT_EQ(std::make_tuple(outcome.kind, outcome.server, outcome.elapsed),
              std::make_tuple(c.kind, server.Endpoint(), std::chrono::microseconds(c.value * 100000)))
        << c.value << ": " << outcome.text;
    EXPECT_TRUE(request.GetStatePosition() == c.position && outcome.position == c.position) << c.value;
    EXPECT_EQ(std::make_tuple(elsewhere.GetCallOutcome().kind, elsewhere.GetCallOutcome().server),
              std::make_tuple(TCallFailure::NoSuchServer, absent));
  }
  EXPECT_EQ(TFramework::LastFailure().kind, TCallFailure::NoSuchServer) << "the thread's last call";
}

// Each method traces its call, and the queries go out with action 1
// whatever the caller set; the version is recorded once per process.
TEST(ZelAPresenceServerTest, MethodsTraceAndSetTheirActionAndTheVersionIsRecordedOnce) {
  TRPCServer server(UniqueInproc("api-test-trace"), [](TRPC& rpc) { rpc.SetReturnCode(5); });
  ASSERT_TRUE(server.Start());
  const std::string& to = server.Endpoint();
  ZelAPresenceServer api("a", "b");
  ZelTServerStatus status;
  ZelTQueryIntegratedPresence integrated;
  ZelTQueryUsersPresence users;
  ZelTQueryUserMediumStatus media;
  const auto seven = [](auto& request) -> auto& {
    request.SetAction(decltype(request.GetAction()){7});
    return request;
  };
  ZelTAddCapability add;
  ZelTRemoveCapability remove;
  const struct { const char* method; std::function<void()> call; } cases[] = {
      {"QueryServerStatus", [&] { api.QueryServerStatus(to, seven(status)); }},
      {"QueryIntegratedPresence", [&] { api.QueryIntegratedPresence(to, seven(integrated)); }},
      {"QueryUsersPresence", [&] { api.QueryUsersPresence(to, seven(users)); }},
      {"QueryUserMediumStatus", [&] { api.QueryUserMediumStatus(to, seven(media)); }},
      {"AddCapability", [&] { api.AddCapability(to, add); }},
      {"RemoveCapability", [&] { api.RemoveCapability(to, remove); }}};
  for (const auto& c : cases) {
    DiagCapture diag("FENX");
    c.call();
    const std::string prefix = std::string("ZelAPresenceServer::") + c.method + ". ";
    const auto traces = diag.Texts(TDiag::FENX);
    ASSERT_GE(traces.size(), 2u) << c.method;
    EXPECT_EQ(traces.front(), prefix + "Enter function.");
    EXPECT_EQ(traces.back(), prefix + "Exit function.");
  }
  EXPECT_EQ(std::make_tuple(status.GetAction(), integrated.GetAction(), users.GetAction(), media.GetAction()),
            std::make_tuple(1, 1, 1, 1));
  EXPECT_EQ(server.CallsServed(), 4u) << "capability type 0 is refused before sending";

  TestApi second("c", "d");
  const auto versions = TVersionDiagHelper::Versions();
  EXPECT_EQ(std::count(versions.begin(), versions.end(),
                       std::make_pair(std::string("Presence ServerClientversion"), std::string("V11 R0.0.0"))),
            1);
  EXPECT_EQ(std::make_tuple(api.GetClientName(), api.GetClientType()), std::make_tuple("a", 5));
}

// Requests started without waiting come back unpacked, as blocking calls
// leave them; one in flight takes no other call, and a cancelled one keeps
// what it had.
TEST(ZelAPresenceServerTest, StartedRequestsComeBackUnpackedAndTakeNoSecondCall) {
  const auto simulator = StartedSimulator(UniqueInproc("api-test-start"));
  ZelAPresenceServer api("test", "local");
  ZelTCompletionQueue queue;
  std::vector<ZelAUserPresence> agents;
  for (long key = 42; key < 50; ++key) agents.push_back(AgentOf(key));
  for (ZelAUserPresence& agent : agents) {
    agent.SetAction(ZelTUserPresence::ACTION_QUERY);
    ASSERT_TRUE(api.Start(simulator->Endpoint(), agent, queue, static_cast<ZelTRequest*>(&agent)));
  }
  ZelTServerStatus status;
  status.SetAction(ZelTServerStatus::ACTION_QUERY);
  ASSERT_TRUE(api.Start(simulator->Endpoint(), status, queue, static_cast<ZelTRequest*>(&status)));
  EXPECT_FALSE(api.Start(simulator->Endpoint(), status, queue));
  EXPECT_EQ(TFramework::LastFailure().kind, TCallFailure::Busy);
  EXPECT_EQ(api.QueryServerStatus(simulator->Endpoint(), status), PS::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(TFramework::LastFailure().kind, TCallFailure::Busy);
  EXPECT_EQ(queue.InFlight(), agents.size() + 1);

  ZelTCompletionQueue::Completion completion;
  std::size_t ended = 0;
  while (ended < agents.size() + 1 && queue.Next(completion, 10000)) {
    ++ended;
    EXPECT_EQ(completion.tag, completion.request);
    EXPECT_EQ(completion.result, PS::ACTION_SUCCEEDED) << completion.request->GetCallOutcome().text;
    EXPECT_EQ(completion.request->GetCallOutcome().server, simulator->Endpoint());
    EXPECT_EQ(completion.request->GetActionResult(), PS::ACTION_SUCCEEDED);
    EXPECT_FALSE(completion.request->IsInFlight());
  }
  EXPECT_EQ(ended, agents.size() + 1);
  EXPECT_FALSE(status.GetServerStartedAt().empty());
  for (const ZelAUserPresence& agent : agents) EXPECT_TRUE(agent.GetStatePosition().IsKnown()) << agent.GetUserKey();

  ZelAUserPresence cancelled = AgentOf(42);
  cancelled.SetAction(ZelTUserPresence::ACTION_QUERY);
  cancelled.SetActionResult(PS::ACTION_SUCCEEDED);
  ASSERT_TRUE(api.Start(simulator->Endpoint(), cancelled, queue));
  EXPECT_TRUE(queue.Cancel(cancelled));
  ASSERT_TRUE(queue.Next(completion, 0));
  EXPECT_EQ(completion.request->GetCallOutcome().kind, TCallFailure::Cancelled);
  EXPECT_EQ(completion.result, PS::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(cancelled.GetActionResult(), PS::ACTION_SUCCEEDED) << "a cancelled request keeps what it had";
}

}  // namespace
