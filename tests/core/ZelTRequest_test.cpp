#include "zelclnt/core/ZelTRequest.h"

#include <gtest/gtest.h>

#include "Bytes.h"
#include "DiagCapture.h"
#include "TestRequest.h"
#include "zelclnt/platform/TMemory.h"
#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TRPC.h"

namespace {

using PS = ZelTPresenceServer;

std::string CallBytes(const TRPC& rpc) { return std::string(rpc.GetCallPointer(), rpc.GetCallSize()); }

TEST(ZelTRequestTest, CommonPartDefaultsAndModeTexts) {
  // The other defaults show in the call envelope's bytes.
  TestRequest fresh;
  EXPECT_EQ(fresh.GetDefaultRpcTimeout(), 60000u);
  EXPECT_EQ(fresh.RequestMode_ToString(), "REQUESTMODE_DEFAULT");
  fresh.SetRequestMode(ZelTRequest::REQUESTMODE_ASYNC);
  EXPECT_EQ(fresh.RequestMode_ToString(), "REQUESTMODE_ASYNC");

  const std::pair<std::int32_t, const char*> modes[] = {
      {2, "REQUESTMODE_SYNC"}, {7, "Unknown RequestMode{7}"}, {-1, "Unknown RequestMode{-1}"}};
  for (const auto& [mode, text] : modes) EXPECT_EQ(ZelTRequest::ToString(ZelTRequest::RequestMode{mode}), text);
}

// Each envelope releases its traced buffer.
TEST(ZelTRequestTest, CallEnvelopeIsHeaderThenBodyAndReadsBack) {
  TMemory::SetTrace(true);
  const std::size_t blocks = TMemory::OutstandingBlocks();
  TestRequest request;
  request.value = 0x0A0B0C0D;
  request.action = 65539;  // travels as action type 3
  request.SetRequestMode(ZelTRequest::REQUESTMODE_SYNC);
  TRPC rpc;
  ASSERT_EQ(request.PackRpcCall(rpc), 0u);
  const std::string header = std::string("\x0B\0\0\0", 4) + std::string("\x11\0\0\0", 4) + "\x1B\x89" +
                             std::string("\x03\0\0\0\0\0", 6);
  EXPECT_EQ(CallBytes(rpc), header + BytesOf(true, 1, 0, 2, 0x0A0B0C0D));
  EXPECT_EQ(rpc.GetRPCType(), 35098);
  EXPECT_EQ(rpc.GetReplyExpected(), 1);
  TestRequest server;
  ASSERT_EQ(server.UnpackRpcCall(rpc), 0u);
  EXPECT_EQ(server.value, 0x0A0B0C0D);
  EXPECT_EQ(server.GetRequestMode(), ZelTRequest::REQUESTMODE_SYNC);

  TestRequest oneWay(false);
  ASSERT_EQ(oneWay.PackRpcCall(rpc), 0u);
  EXPECT_EQ(rpc.GetReplyExpected(), 0);
  EXPECT_EQ(CallBytes(rpc)[TMsgRequestHdr::kSize], '\0');
  EXPECT_EQ(oneWay.PackRpcReply(rpc), 0u);
  EXPECT_EQ(rpc.GetReplySize(), 0u) << "no reply for a call that expects none";
  EXPECT_EQ(TMemory::OutstandingBlocks(), blocks);
  TMemory::SetTrace(false);
}

// A reply shorter than its header has no body; a body cut inside the common
// part keeps the fields it did not reach.
TEST(ZelTRequestTest, RepliesReadWhatTheyHoldAndKeepWhatIsMissing) {
  TestRequest server;
  server.SetActionResult(PS::ACTION_SUCCEEDED);
  server.SetActionError(PS::ERR_INVALID_DATA);
  server.SetRequestMode(ZelTRequest::REQUESTMODE_ASYNC);
  server.value = 3;
  TRPC full;
  ASSERT_EQ(server.PackRpcReply(full), 0u);
  const long header = static_cast<long>(TMsgReplyHdr().SizeOfReplyHdrObj());
  // The common part: flag (1 byte), then result, error and mode (4 each).
  for (const long bodyBytes : {-1L, 0L, 4L, 5L, 8L, 9L, 12L, 13L, 17L}) {
    TRPC cut;
    cut.SetReplyData(full.GetReplyPointer(), static_cast<unsigned long>(header + bodyBytes));
    TestRequest client;
    client.UnpackRpcReply(cut);
    EXPECT_EQ(client.GetActionResult(), bodyBytes >= 5 ? PS::ACTION_SUCCEEDED : PS::ACTION_NOT_CARRIED_OUT)
        << bodyBytes;
    EXPECT_EQ(client.GetErrorCode(), bodyBytes >= 9 ? PS::ERR_INVALID_DATA : PS::ERR_NONE) << bodyBytes;
    EXPECT_EQ(client.GetRequestMode(),
              bodyBytes >= 13 ? ZelTRequest::REQUESTMODE_ASYNC : ZelTRequest::REQUESTMODE_DEFAULT)
        << bodyBytes;
    EXPECT_EQ(client.value, bodyBytes >= 17 ? 3 : 0) << bodyBytes;
  }
}

TEST(ZelTRequestTest, PackingFailuresLeaveTheCallUntouchedAndSaySo) {
  const struct {
    const char* name;
    long value;
    int extra;
    int failAllocations;
    unsigned long expected;
  } cases[] = {
      {"value beyond 32 bits", 1L << 40, 0, 0, PS::ERR_EXCEPTION_OCCURRED},
      {"second pass longer", 1, 2, 0, PS::ERR_EXCEPTION_OCCURRED},
      {"no memory", 1, 0, 1, PS::ERR_UNABLE_TO_ALLOCATE_MEM},
  };
  for (const auto& c : cases) {
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

  DiagCapture diag;
  TestRequest request;
  TRPC rpc;
  TMemory::FailNextAllocations(1);
  EXPECT_EQ(request.PackRpcReply(rpc), static_cast<unsigned long>(PS::ERR_UNABLE_TO_ALLOCATE_MEM));
  request.value = 1L << 40;
  EXPECT_EQ(request.PackRpcReply(rpc), static_cast<unsigned long>(PS::ERR_EXCEPTION_OCCURRED));
  EXPECT_EQ(diag.Texts(TDiag::SEVR), std::vector<std::string>{"Object:35099Action:0"}) << "the exception is silent";
  EXPECT_EQ(rpc.GetReplySize(), 0u);
}

}  // namespace
