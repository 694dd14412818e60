// A user's handling states: pack, unpack and text for 1, 10 and 100
// contacts; records_protobuf_bench.cpp times Protocol Buffers on the same
// data.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "full_users.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TPack.h"

namespace {

std::string WireOf(const ZelTHandlingStates& states) {
  TPack pack;
  pack << states;
  return std::string(pack.Contents(), pack.Length());
}

// The library's way: a sizing pass, then a writing pass into a kept buffer.
void BM_PackHandlingStates(benchmark::State& state) {
  const ZelTHandlingStates states = zelbench::FullHandlingStates(static_cast<int>(state.range(0)));
  std::vector<char> buffer(WireOf(states).size());
  for (auto _ : state) {
    TPack sizing(0);
    sizing << states;
    TPack writer;
    writer.SetBuffer(buffer.data(), sizing.BufferSizeRequired());
    writer << states;
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
}

void Read(const std::string& wire, ZelTHandlingStates& states) {
  TPack reader(wire.data(), static_cast<unsigned long>(wire.size()));
  reader >> states;
}

void BM_UnpackHandlingStatesKept(benchmark::State& state) {
  const std::string wire = WireOf(zelbench::FullHandlingStates(static_cast<int>(state.range(0))));
  ZelTHandlingStates states;
  Read(wire, states);
  if (WireOf(states) != wire) return state.SkipWithError("the records read back differ");
  for (auto _ : state) {
    Read(wire, states);
    benchmark::DoNotOptimize(states.Count());
  }
}

void BM_UnpackHandlingStatesFresh(benchmark::State& state) {
  const std::string wire = WireOf(zelbench::FullHandlingStates(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    ZelTHandlingStates states;
    Read(wire, states);
    benchmark::DoNotOptimize(states.Count());
  }
}

void BM_HandlingStatesToString(benchmark::State& state) {
  TDiag::ResetFilters();
  const ZelTHandlingStates states = zelbench::FullHandlingStates(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(states.ToString());
}

BENCHMARK(BM_PackHandlingStates)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_UnpackHandlingStatesKept)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_UnpackHandlingStatesFresh)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_HandlingStatesToString)->Arg(1)->Arg(10)->Arg(100);

}  // namespace
