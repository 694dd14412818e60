// Packing and unpacking collections of summaries, beside a plain memcpy of
// the same number of bytes, so the cost per byte reads as a ratio.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

using Summaries = ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>;

Summaries Holding(int count) {
  Summaries summaries;
  ZelTIntegratedPresenceSummary summary;
  summary.SetZorbUserName("agent-user");
  summary.SetExtension("4711");
  summary.SetIntegratedPresence(ZelTIntegratedPresenceSummary::User_Busy);
  for (int i = 0; i < count; ++i) {
    summary.SetPresenceId("user" + std::to_string(i) + "@example.com");
    summaries.PushBack(summary);
  }
  return summaries;
}

std::string WireOf(const Summaries& summaries) {
  TPack pack;
  pack << summaries;
  return std::string(pack.Contents(), pack.Length());
}

void BM_PackSummaries(benchmark::State& state) {
  const Summaries summaries = Holding(static_cast<int>(state.range(0)));
  const std::size_t bytes = WireOf(summaries).size();
  for (auto _ : state) {
    TPack pack;
    pack << summaries;
    benchmark::DoNotOptimize(pack.Contents());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_UnpackSummaries(benchmark::State& state) {
  const std::string wire = WireOf(Holding(static_cast<int>(state.range(0))));
  Summaries summaries;
  for (auto _ : state) {
    TPack reader(wire.data(), static_cast<unsigned long>(wire.size()));
    reader >> summaries;
    benchmark::DoNotOptimize(summaries.Size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * wire.size()));
}

void BM_MemcpySameBytes(benchmark::State& state) {
  const std::string wire = WireOf(Holding(static_cast<int>(state.range(0))));
  std::vector<char> target(wire.size());
  for (auto _ : state) {
    std::memcpy(target.data(), wire.data(), wire.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * wire.size()));
}

BENCHMARK(BM_PackSummaries)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_UnpackSummaries)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_MemcpySameBytes)->Arg(10)->Arg(1000)->Arg(100000);

}  // namespace
