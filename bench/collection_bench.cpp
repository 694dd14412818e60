// Packing and unpacking collections of summaries, beside a plain memcpy of
// the same bytes; records_protobuf_bench.cpp times Protocol Buffers on the
// same data, so that both ratios read off one run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "full_users.h"
#include "zelclnt/platform/TPack.h"

namespace {

using zelbench::Summaries;

std::string WireOf(const Summaries& summaries) {
  TPack pack;
  pack << summaries;
  return std::string(pack.Contents(), pack.Length());
}

void CountWork(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The library's way: a sizing pass, then a writing pass into a buffer of
// exactly that size, kept across iterations.
void BM_PackSummaries(benchmark::State& state) {
  const Summaries summaries = zelbench::FullSummaries(static_cast<int>(state.range(0)));
  std::vector<char> buffer(WireOf(summaries).size());
  for (auto _ : state) {
    TPack sizing(0);
    sizing << summaries;
    TPack writer;
    writer.SetBuffer(buffer.data(), sizing.BufferSizeRequired());
    writer << summaries;
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  CountWork(state, buffer.size());
}

void Read(const std::string& wire, Summaries& summaries) {
  TPack reader(wire.data(), static_cast<unsigned long>(wire.size()));
  reader >> summaries;
}

// Read once before timing: every iteration replaces what the last one read.
void BM_UnpackSummariesKept(benchmark::State& state) {
  const std::string wire = WireOf(zelbench::FullSummaries(static_cast<int>(state.range(0))));
  Summaries summaries;
  Read(wire, summaries);
  if (WireOf(summaries) != wire) return state.SkipWithError("the records read back differ");
  for (auto _ : state) {
    Read(wire, summaries);
    benchmark::DoNotOptimize(summaries.Size());
  }
  CountWork(state, wire.size());
}

void BM_UnpackSummariesFresh(benchmark::State& state) {
  const std::string wire = WireOf(zelbench::FullSummaries(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    Summaries summaries;
    Read(wire, summaries);
    benchmark::DoNotOptimize(summaries.Size());
  }
  CountWork(state, wire.size());
}

void BM_MemcpySameBytes(benchmark::State& state) {
  const std::string wire = WireOf(zelbench::FullSummaries(static_cast<int>(state.range(0))));
  std::vector<char> target(wire.size());
  for (auto _ : state) {
    std::memcpy(target.data(), wire.data(), wire.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  CountWork(state, wire.size());
}

BENCHMARK(BM_PackSummaries)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_UnpackSummariesKept)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_UnpackSummariesFresh)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_MemcpySameBytes)->Arg(10)->Arg(1000)->Arg(100000);

}  // namespace
