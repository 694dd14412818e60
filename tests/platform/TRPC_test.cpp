#include "zelclnt/platform/TRPC.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "zelclnt/platform/TMemory.h"

namespace {

std::string ReplyOf(const TRPC& rpc) { return std::string(rpc.GetReplyPointer(), rpc.GetReplySize()); }

// A server keeps one TRPC from call to call: the reply's storage outlives
// Reset, nothing else does, and a copy taken before holds its own bytes.
TEST(TRpcTest, ReservedRepliesKeepTheirStorageAcrossResetAndCopiesTheirBytes) {
  TRPC rpc;
  rpc.AdoptReplyData("adopted", 7, std::make_shared<int>(0));
  char* storage = rpc.ReserveReply(5);
  ASSERT_NE(storage, nullptr);
  std::memcpy(storage, "hello", 5);
  EXPECT_EQ(ReplyOf(rpc), "hello") << "a reserved reply replaces an adopted one";
  rpc.SetReturnCode(7);
  rpc.SetServerTerm(3);
  const TRPC copy = rpc;
  rpc.Reset();
  EXPECT_EQ(std::make_tuple(rpc.GetReplySize(), rpc.GetReturnCode(), rpc.GetServerTerm()),
            std::make_tuple(0ul, 0l, std::uint64_t{0}));
  EXPECT_EQ(rpc.ReserveReply(3), storage) << "a reply no larger than the last allocates nothing";
  std::memcpy(storage, "bye", 3);
  EXPECT_EQ(ReplyOf(copy), "hello");
  EXPECT_EQ(ReplyOf(rpc), "bye");
  TMemory::FailNextAllocations(1);
  EXPECT_EQ(rpc.ReserveReply(64), nullptr);
  EXPECT_EQ(rpc.GetReplySize(), 0u) << "a reply that could not grow is empty, not stale";
}

}  // namespace
