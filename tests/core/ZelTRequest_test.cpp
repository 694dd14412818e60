#include "zelclnt/core/ZelTRequest.h"

#include <gtest/gtest.h>

#include "Bytes.h"
#include "DiagCapture.h"
#include "TestRequest.h"
#include "zelclnt/platform/TMemory.h"
#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TRPC.h"

namespace {

std::string CallBytes(const TRPC& rpc) { return std::string(rpc.GetCallPointer(), rpc.GetCallSize()); }

TEST(ZelTRequestTest, FreshRequestReportsNotCarriedOut) {
  const TestRequest request;
  EXPECT_EQ(request.GetActionResult(), ZelTPresenceServer::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(request.GetErrorCode(), ZelTPresenceServer::ERR_NONE);
  EXPECT_EQ(request.GetRequestMode(), ZelTRequest::REQUESTMODE_DEFAULT);
  EXPECT_EQ(request.GetDefaultRpcTimeout(), 60000u);
  EXPECT_TRUE(request.IsReplyRequired());
}

TEST(ZelTRequestTest, CallEnvelopeIsHeaderThenBody) {
  TestRequest request;
  request.value = 0x0A0B0C0D;
  request.action = 65539;  // travels as action type 3
  request.SetRequestMode(ZelTRequest::REQUESTMODE_SYNC);
  TRPC rpc;
  ASSERT_EQ(request.PackRpcCall(rpc), 0u);
  const std::string body = std::string("\x01", 1) + std::string("\x01\0\0\0", 4) + std::string("\0\0\0\0", 4) +
                           std::string("\x02\0\0\0", 4) + "\x0D\x0C\x0B\x0A";
  const std::string header = std::string("\x0B\0\0\0", 4) + std::string("\x11\0\0\0", 4) + "\x1B\x89" +
                             std::string("\x03\0\0\0\0\0", 6);
  EXPECT_EQ(CallBytes(rpc), header + body);
  EXPECT_EQ(rpc.GetRPCType(), 35098);
  EXPECT_EQ(rpc.GetReplyExpected(), 1);
}

TEST(ZelTRequestTest, ReplyNotRequiredPacksFlagZeroAndNoReply) {
  TestRequest request(false);
  TRPC rpc;
  ASSERT_EQ(request.PackRpcCall(rpc), 0u);
  EXPECT_EQ(rpc.GetReplyExpected(), 0);
  EXPECT_EQ(CallBytes(rpc)[TMsgRequestHdr::kSize], '\0');
  EXPECT_EQ(request.PackRpcReply(rpc), 0u);
  EXPECT_EQ(rpc.GetReplySize(), 0u);
}

TEST(ZelTRequestTest, CallAndReplyRoundTripIntoOtherObjects) {
  TestRequest sent;
  sent.value = -5;
  TRPC rpc;
  ASSERT_EQ(sent.PackRpcCall(rpc), 0u);
  TestRequest server;
  ASSERT_EQ(server.UnpackRpcCall(rpc), 0u);
  EXPECT_EQ(server.value, -5);
  server.value = 77;
  server.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  server.SetActionError(ZelTPresenceServer::ERR_INVALID_USER);
  ASSERT_EQ(server.PackRpcReply(rpc), 0u);
  ASSERT_EQ(sent.UnpackRpcReply(rpc), 0u);
  EXPECT_EQ(sent.value, 77);
  EXPECT_EQ(sent.GetActionResult(), ZelTPresenceServer::ACTION_SUCCEEDED);
  EXPECT_EQ(sent.GetErrorCode(), ZelTPresenceServer::ERR_INVALID_USER);
}

TEST(ZelTRequestTest, ReplyCutInsideTheCommonPartKeepsWhatIsMissing) {
  TestRequest server;
  server.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  server.SetActionError(ZelTPresenceServer::ERR_INVALID_DATA);
  server.SetRequestMode(ZelTRequest::REQUESTMODE_ASYNC);
  TRPC full;
  ASSERT_EQ(server.PackRpcReply(full), 0u);
  const unsigned long header = TMsgReplyHdr().SizeOfReplyHdrObj();
  using PS = ZelTPresenceServer;
  struct Case {
    unsigned long bodyBytes;
    PS::ActionResult result;
    PS::ErrorCode error;
    ZelTRequest::RequestMode mode;
  };
  const Case cases[] = {
      {0, PS::ACTION_NOT_CARRIED_OUT, PS::ERR_NONE, ZelTRequest::REQUESTMODE_DEFAULT},
      {4, PS::ACTION_NOT_CARRIED_OUT, PS::ERR_NONE, ZelTRequest::REQUESTMODE_DEFAULT},
      {5, PS::ACTION_SUCCEEDED, PS::ERR_NONE, ZelTRequest::REQUESTMODE_DEFAULT},
      {8, PS::ACTION_SUCCEEDED, PS::ERR_NONE, ZelTRequest::REQUESTMODE_DEFAULT},
      {9, PS::ACTION_SUCCEEDED, PS::ERR_INVALID_DATA, ZelTRequest::REQUESTMODE_DEFAULT},
      {12, PS::ACTION_SUCCEEDED, PS::ERR_INVALID_DATA, ZelTRequest::REQUESTMODE_DEFAULT},
      {13, PS::ACTION_SUCCEEDED, PS::ERR_INVALID_DATA, ZelTRequest::REQUESTMODE_ASYNC},
  };
  for (const Case& c : cases) {
    TRPC cut;
    cut.SetReplyData(full.GetReplyPointer(), header + c.bodyBytes);
    TestRequest client;
    client.UnpackRpcReply(cut);
    EXPECT_EQ(client.GetActionResult(), c.result) << c.bodyBytes;
    EXPECT_EQ(client.GetErrorCode(), c.error) << c.bodyBytes;
    EXPECT_EQ(client.GetRequestMode(), c.mode) << c.bodyBytes;
  }
}

TEST(ZelTRequestTest, ReplyShorterThanItsHeaderIsNotReadAsABody) {
  const std::string bytes("\x00\x00\x00\x00\x00\x00\x00", 7);
  TRPC rpc;
  rpc.SetReplyData(bytes.data(), bytes.size());
  TestRequest client;
  client.value = 3;
  client.UnpackRpcReply(rpc);
  EXPECT_EQ(client.value, 3);
  EXPECT_EQ(client.GetActionResult(), ZelTPresenceServer::ACTION_NOT_CARRIED_OUT);
}

TEST(ZelTRequestTest, PackingFailuresLeaveTheCallUntouchedAndSaySo) {
  struct Case {
    const char* name;
    long value;
    int extra;
    int failAllocations;
    unsigned long expected;
  };
  const Case cases[] = {
      {"value beyond 32 bits", 1L << 40, 0, 0, ZelTPresenceServer::ERR_EXCEPTION_OCCURRED},
      {"second pass longer", 1, 2, 0, ZelTPresenceServer::ERR_EXCEPTION_OCCURRED},
      {"no memory", 1, 0, 1, ZelTPresenceServer::ERR_UNABLE_TO_ALLOCATE_MEM},
  };
  for (const Case& c : cases) {
    DiagCapture diag;
    TestRequest request;
    request.value = c.value;
    request.extraOnSecondPass = c.extra;
    TMemory::FailNextAllocations(c.failAllocations);
    TRPC rpc;
    EXPECT_EQ(request.PackRpcCall(rpc), c.expected) << c.name;
    EXPECT_EQ(rpc.GetCallSize(), 0u) << c.name;
    EXPECT_EQ(diag.Texts(TDiag::SEVR), std::vector<std::string>{"PackRpcRequest. Object:35099Action:0"}) << c.name;
  }
}

TEST(ZelTRequestTest, ReplyPackingFailures) {
  DiagCapture diag;
  TestRequest request;
  TRPC rpc;
  TMemory::FailNextAllocations(1);
  EXPECT_EQ(request.PackRpcReply(rpc), static_cast<unsigned long>(ZelTPresenceServer::ERR_UNABLE_TO_ALLOCATE_MEM));
  EXPECT_EQ(diag.Texts(TDiag::SEVR), std::vector<std::string>{"Object:35099Action:0"});
  request.value = 1L << 40;
  EXPECT_EQ(request.PackRpcReply(rpc), static_cast<unsigned long>(ZelTPresenceServer::ERR_EXCEPTION_OCCURRED));
  EXPECT_EQ(diag.Texts(TDiag::SEVR).size(), 1u);
  EXPECT_EQ(rpc.GetReplySize(), 0u);
}

TEST(ZelTRequestTest, EnvelopeReleasesItsTracedBuffer) {
  TMemory::SetTrace(true);
  const std::size_t before = TMemory::OutstandingBlocks();
  TestRequest request;
  TRPC rpc;
  request.PackRpcCall(rpc);
  request.PackRpcReply(rpc);
  EXPECT_EQ(TMemory::OutstandingBlocks(), before);
  TMemory::SetTrace(false);
}

TEST(ZelTRequestTest, RequestModeTexts) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0, "REQUESTMODE_DEFAULT"}, {1, "REQUESTMODE_ASYNC"}, {2, "REQUESTMODE_SYNC"},
      {7, "Unknown RequestMode{7}"}, {-1, "Unknown RequestMode{-1}"},
  };
  for (const auto& c : cases) EXPECT_EQ(ZelTRequest::ToString(static_cast<ZelTRequest::RequestMode>(c.first)), c.second);
  TestRequest request;
  request.SetRequestMode(ZelTRequest::REQUESTMODE_ASYNC);
  EXPECT_EQ(request.RequestMode_ToString(), "REQUESTMODE_ASYNC");
}

TEST(ZelTRequestTest, CopiesTakeTheCommonPart) {
  TestRequest original(false);
  original.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  original.SetActionError(ZelTPresenceServer::ERR_KVL_DOWN);
  original.SetRequestMode(ZelTRequest::REQUESTMODE_SYNC);
  const TestRequest copy(original);
  EXPECT_FALSE(copy.IsReplyRequired());
  EXPECT_EQ(copy.GetActionResult(), ZelTPresenceServer::ACTION_SUCCEEDED);
  EXPECT_EQ(copy.GetErrorCode(), ZelTPresenceServer::ERR_KVL_DOWN);
  EXPECT_EQ(copy.GetRequestMode(), ZelTRequest::REQUESTMODE_SYNC);
}

}  // namespace
