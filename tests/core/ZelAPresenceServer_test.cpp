#include "zelclnt/core/ZelAPresenceServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

#include "DiagCapture.h"
#include "Endpoints.h"
#include "TestRequest.h"
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
// reply without the common part must not report an earlier success.
TEST(ZelAPresenceServerTest, FailedCallsReportOneAndSayWhy) {
  const struct {
    const char* name;
    TRPCServer::Handler handler;  // null: no server at all
    long value;
    PS::ActionResult held;
    const char* warning;
    std::size_t served;
  } cases[] = {
      {"absent server", nullptr, 9, PS::ACTION_SUCCEEDED, "ZelAPresenceServer::SendRequest. Send RPC Failed", 0},
      {"return code", [](TRPC& rpc) { rpc.SetReturnCode(5); }, 9, PS::ACTION_SUCCEEDED,
       "ZelAPresenceServer::SendRequest. RPC Return Error", 1},
      {"reply without common part", [](TRPC&) {}, 9, PS::ACTION_NOT_CARRIED_OUT, nullptr, 1},
      {"call that cannot be packed", [](TRPC&) {}, 1L << 40, PS::ACTION_SUCCEEDED, nullptr, 0}};
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

// The position a reply reflects stays with the request until its next call;
// a server that tells none, and a call that fails, leave it unknown.
TEST(ZelAPresenceServerTest, RequestKeepsThePositionItsReplyReflects) {
  const TEventPosition told{7, 11};
  TRPCServer server("inproc://api-test-position", [&](TRPC& rpc) {
    TestRequest reply;
    reply.UnpackRpcCall(rpc);
    reply.SetActionResult(PS::ACTION_SUCCEEDED);
    reply.PackRpcReply(rpc);
    if (reply.value == 1) rpc.SetStatePosition(told);
    if (reply.value == 3) rpc.SetReturnCode(5);
  });
  ASSERT_TRUE(server.Start());
  DiagCapture quiet;
  TestApi api;
  TestRequest request;
  const std::pair<long, TEventPosition> calls[] = {{1, told}, {2, {}}, {1, told}, {3, {}}};
  for (const auto& [value, position] : calls) {
    request.value = value;
    api.SendRequest(server.Endpoint(), request, 1000);
    EXPECT_TRUE(request.GetStatePosition() == position) << value;
  }
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

}  // namespace
