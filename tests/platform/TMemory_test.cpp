#include "zelclnt/platform/TMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

TEST(TMemoryTest, BlocksAreCountedPerSourceFromManyThreadsAndFailuresYieldNull) {
  TMemory::SetTrace(true);
  const std::size_t before = TMemory::OutstandingBlocks();
  void* a = TMemory::GetSomeMemory(10, 1, "one.cpp");
  void* b = TMemory::GetSomeMemory(20, 1, "one.cpp");
  int* c = TMemory::New<int>(2, "two.cpp", 5);
  EXPECT_EQ(TMemory::OutstandingBlocks(), before + 3);
  const auto report = TMemory::Report();
  const auto one = std::find_if(report.begin(), report.end(), [](const auto& u) { return u.source == "one.cpp:1"; });
  ASSERT_NE(one, report.end());
  EXPECT_EQ(std::make_pair(one->blocks, one->bytes), std::make_pair(std::size_t{2}, std::size_t{30}));
  TMemory::FreeSomeMemory(a, 1, "one.cpp", 0);
  TMemory::FreeSomeMemory(b, 1, "one.cpp", 0);
  TMemory::Delete(c, 3, "two.cpp");
  EXPECT_EQ(TMemory::OutstandingBlocks(), before);

  TMemory::FailNextAllocations(1);
  EXPECT_EQ(TMemory::GetSomeMemory(8, 1, "f"), nullptr);
  EXPECT_EQ(TMemory::OutstandingBlocks(), before) << "a failed allocation is not counted";
  void* next = TMemory::GetSomeMemory(8, 1, "f");
  EXPECT_NE(next, nullptr) << "only the next one fails";
  TMemory::FreeSomeMemory(next, 1, "f", 0);

  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 1000; ++i) {
        TMemory::LockIt();
        void* block = TMemory::GetSomeMemory(16, __LINE__, __FILE__);
        TMemory::UnlockIt();
        TMemory::FreeSomeMemory(block, __LINE__, __FILE__, 0);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(TMemory::OutstandingBlocks(), before);
  TMemory::SetTrace(false);
}

}  // namespace
