#include "zelclnt/core/ZelAPresenceServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "DiagCapture.h"
#include "PresenceSimulator.h"
#include "TestRequest.h"
#include "zelclnt/platform/TRPCServer.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"
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

std::string Unique(const std::string& stem) {
  static std::atomic<int> counter{0};
  return "inproc://api-test-" + stem + "-" + std::to_string(++counter);
}

// Answers a TestRequest the way a server would: value doubled, success.
void Doubling(TRPC& rpc) {
  TestRequest request;
  request.UnpackRpcCall(rpc);
  request.value *= 2;
  request.SetActionResult(PS::ACTION_SUCCEEDED);
  request.PackRpcReply(rpc);
}

TEST(ZelAPresenceServerTest, RequestRoundTripsThroughTheServer) {
  TRPCServer server(Unique("double"), Doubling);
  ASSERT_TRUE(server.Start());
  TestApi api("test", "client");
  TestRequest request;
  request.value = 21;
  EXPECT_EQ(api.SendRequest(server.Endpoint(), request, 2000), PS::ACTION_SUCCEEDED);
  EXPECT_EQ(request.value, 42);
}

TEST(ZelAPresenceServerTest, FailuresReportOneAndSayWhy) {
  struct Case {
    const char* name;
    TRPCServer::Handler handler;  // null: no server at all
    const char* warning;
    bool keepsRequest;
  };
  const Case cases[] = {
      {"absent server", nullptr, "ZelAPresenceServer::SendRequest. Send RPC Failed", true},
      {"return code", [](TRPC& rpc) { rpc.SetReturnCode(5); }, "ZelAPresenceServer::SendRequest. RPC Return Error",
       true},
      {"reply without common part", [](TRPC&) {}, nullptr, false},
  };
  for (const Case& c : cases) {
    const std::string name = Unique("fail");
    TRPCServer server(name, c.handler);
    if (c.handler) {
      ASSERT_TRUE(server.Start()) << c.name;
    }
    DiagCapture diag;
    TestApi api;
    TestRequest request;
    request.value = 9;
    request.SetActionResult(PS::ACTION_SUCCEEDED);
    request.SetActionError(PS::ERR_INVALID_USER);
    EXPECT_EQ(api.SendRequest(name, request, 1000), PS::ACTION_NOT_CARRIED_OUT) << c.name;
    EXPECT_EQ(request.value, 9) << c.name;
    EXPECT_EQ(request.GetActionResult(), c.keepsRequest ? PS::ACTION_SUCCEEDED : PS::ACTION_NOT_CARRIED_OUT)
        << c.name;
    EXPECT_EQ(request.GetErrorCode(), PS::ERR_INVALID_USER) << c.name;
    const std::vector<std::string> expected = c.warning ? std::vector<std::string>{c.warning}
                                                        : std::vector<std::string>{};
    EXPECT_EQ(diag.Texts(TDiag::WARN), expected) << c.name;
  }
}

TEST(ZelAPresenceServerTest, CallThatCannotBePackedIsNotSent) {
  TRPCServer server(Unique("unpacked"), Doubling);
  ASSERT_TRUE(server.Start());
  DiagCapture diag;
  TestApi api;
  TestRequest request;
  request.value = 1L << 40;
  EXPECT_EQ(api.SendRequest(server.Endpoint(), request, 1000), PS::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(server.CallsServed(), 0u);
  EXPECT_EQ(request.value, 1L << 40);
  EXPECT_EQ(diag.Texts(TDiag::SEVR).size(), 1u);
}

// Each method traces its call, and the queries go out with action 1
// whatever the caller set.
TEST(ZelAPresenceServerTest, RequestMethodsTraceAndSetTheirAction) {
  TRPCServer server(Unique("trace"), [](TRPC& rpc) { rpc.SetReturnCode(5); });
  ASSERT_TRUE(server.Start());
  ZelAPresenceServer api;
  ZelTQueryUsersPresence users;
  users.SetAction(ZelTQueryUsersPresence::Action{7});
  ZelTQueryUserMediumStatus media;
  media.SetAction(ZelTQueryUserMediumStatus::Action{7});
  ZelTAddCapability add;
  ZelTRemoveCapability remove;
  const struct {
    const char* method;
    std::function<void()> call;
  } cases[] = {
      {"QueryUsersPresence", [&] { api.QueryUsersPresence(server.Endpoint(), users); }},
      {"QueryUserMediumStatus", [&] { api.QueryUserMediumStatus(server.Endpoint(), media); }},
      {"AddCapability", [&] { api.AddCapability(server.Endpoint(), add); }},
      {"RemoveCapability", [&] { api.RemoveCapability(server.Endpoint(), remove); }},
  };
  for (const auto& c : cases) {
    DiagCapture diag("FENX");
    c.call();
    const std::string prefix = std::string("ZelAPresenceServer::") + c.method + ". ";
    const auto traces = diag.Texts(TDiag::FENX);
    ASSERT_GE(traces.size(), 2u) << c.method;
    EXPECT_EQ(traces.front(), prefix + "Enter function.");
    EXPECT_EQ(traces.back(), prefix + "Exit function.");
  }
  EXPECT_EQ(users.GetAction(), ZelTQueryUsersPresence::ACTION_QUERY);
  EXPECT_EQ(media.GetAction(), ZelTQueryUserMediumStatus::ACTION_QUERY);
  EXPECT_EQ(server.CallsServed(), 2u) << "capability type 0 is refused before sending";
}

TEST(ZelAPresenceServerTest, VersionIsRecordedOncePerProcess) {
  TestApi first("a", "b");
  TestApi second("c", "d");
  TestApi third;
  const auto versions = TVersionDiagHelper::Versions();
  const auto count = std::count(versions.begin(), versions.end(),
                                std::make_pair(std::string("Presence ServerClientversion"), std::string("V11 R0.0.0")));
  EXPECT_EQ(count, 1);
  EXPECT_EQ(first.GetClientName(), "a");
  EXPECT_EQ(first.GetClientType(), 5);
}

TEST(ZelAPresenceServerTest, ConcurrentQueriesFromOwnAndSharedObjects) {
  zelsim::SimulatorOptions options;
  options.endpoint = Unique("sim");
  zelsim::PresenceSimulator simulator(options);
  ASSERT_TRUE(simulator.Start());
  ZelAPresenceServer shared("shared", "client");
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      ZelAPresenceServer own("own", "client");
      for (int i = 0; i < 25; ++i) {
        ZelTServerStatus mine;
        ZelTServerStatus viaShared;
        if (own.QueryServerStatus(simulator.Endpoint(), mine) != PS::ACTION_SUCCEEDED) ++failures;
        if (shared.QueryServerStatus(simulator.Endpoint(), viaShared) != PS::ACTION_SUCCEEDED) ++failures;
        if (mine.GetServerName() != "presence-sim" || viaShared.GetServerName() != "presence-sim") ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(simulator.CallsServed(), 200u);
}

}  // namespace
