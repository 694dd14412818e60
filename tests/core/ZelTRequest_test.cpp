#include "zelclnt/core/ZelTRequest.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "Bytes.h"
#include "DiagCapture.h"
#include "TestRequest.h"
#include "zelclnt/platform/TMemory.h"
#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TRPC.h"

namespace {

using PS = ZelTPresenceServer;

std::string CallBytes(const TRPC& rpc) { return std::string(rpc.GetCallPointer(), rpc.GetCallSize()); }

// Each envelope releases its traced buffer.
TEST(ZelTRequestTest, CallEnvelopeIsHeaderThenBodyAndReadsBack) {
  TMemory::SetTrace(true);
  const std::size_t blocks = TMemory::OutstandingBlocks();
  TestRequest request;
  request.value = 0x0A0B0C0D;
  request.action = 65539;  // travels as action type 3
  request.SetRequestMode(ZelTRequest::REQUESTMODE_SYNC);
  EXPECT_EQ(request.RequestMode_ToString(), "REQUESTMODE_SYNC");
  EXPECT_EQ(request.GetDefaultRpcTimeout(), 60000u);
  TRPC rpc;
  ASSERT_EQ(request.PackRpcCall(rpc), 0u);
  const std::string header("\x0B\0\0\0\x11\0\0\0\x1B\x89\x03\0\0\0\0\0", 16);
  EXPECT_EQ(CallBytes(rpc), header + BytesOf(true, 1, 0, 2, 0x0A0B0C0D));
  EXPECT_EQ(std::make_tuple(rpc.GetRPCType(), rpc.GetReplyExpected()), std::make_tuple(35098, 1));
  TestRequest server;
  ASSERT_EQ(server.UnpackRpcCall(rpc), 0u);
  EXPECT_EQ(std::make_tuple(server.value, server.GetRequestMode()),
            std::make_tuple(0x0A0B0C0D, ZelTRequest::REQUESTMODE_SYNC));

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
    EXPECT_EQ(std::make_tuple(client.GetActionResult(), client.GetErrorCode(), client.GetRequestMode(), client.value),
              std::make_tuple(bodyBytes >= 5 ? PS::ACTION_SUCCEEDED : PS::ACTION_NOT_CARRIED_OUT,
                              bodyBytes >= 9 ? PS::ERR_INVALID_DATA : PS::ERR_NONE,
                              bodyBytes >= 13 ? ZelTRequest::REQUESTMODE_ASYNC : ZelTRequest::REQUESTMODE_DEFAULT,
                              bodyBytes >= 17 ? 3L : 0L)) << bodyBytes;
  }
}

// Only a call says why it failed to pack; a reply reports only the lack of
// memory.
TEST(ZelTRequestTest, PackingFailuresLeaveTheEnvelopeUntouchedAndSaySo) {
  const struct { const char* name; long value; int extra, failAllocations; unsigned long expected; } cases[] = {
#if LONG_MAX > INT_MAX
      {"value beyond 32 bits", 1L << 40, 0, 0, PS::ERR_EXCEPTION_OCCURRED},
#endif
      {"second pass longer", 1, 2, 0, PS::ERR_EXCEPTION_OCCURRED},
      {"no memory", 1, 0, 1, PS::ERR_UNABLE_TO_ALLOCATE_MEM}};
  for (const auto& c : cases) {
    for (const bool reply : {false, true}) {
      DiagCapture diag;
      TestRequest request;
      request.value = c.value;
      request.extraOnSecondPass = c.extra;
      TMemory::FailNextAllocations(c.failAllocations);
      TRPC rpc;
      EXPECT_EQ(reply ? request.PackRpcReply(rpc) : request.PackRpcCall(rpc), c.expected) << c.name << reply;
      EXPECT_EQ(rpc.GetCallSize() + rpc.GetReplySize(), 0u) << c.name << reply;
      const std::vector<std::string> severe = {reply ? "Object:35099Action:0" : "PackRpcRequest. Object:35099Action:0"};
      EXPECT_EQ(diag.Texts(TDiag::SEVR), reply && !c.failAllocations ? std::vector<std::string>{} : severe)
          << c.name << reply;
    }
  }
}

}  // namespace
