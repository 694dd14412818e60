// Call traces and diagnostic streams whose type is switched off, beside the
// bare filter check they cannot avoid: off, they should cost about as much.
#include <benchmark/benchmark.h>

#include <string>

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/TDiag.h"

namespace {

constexpr const char* kClass = "ZelAPresenceServer";

void BM_FilterCheckOff(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  for (auto _ : state) benchmark::DoNotOptimize(TDiag::ShouldWeDiag(TDiag::FENX));
}
BENCHMARK(BM_FilterCheckOff);

void BM_CallTraceOff(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  for (auto _ : state) {
    NuxFenx trace(__LINE__, __FILE__, kClass, "QueryServerStatus");
    benchmark::DoNotOptimize(trace.IsActive());
  }
}
BENCHMARK(BM_CallTraceOff);

void BM_DiagStreamOff(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  for (auto _ : state) {
    NuxDiagStream stream(TDiag::INFO, __LINE__, __FILE__, kClass, "SendRequest");
    stream << "Send RPC Failed";
    benchmark::DoNotOptimize(stream.IsActive());
  }
}
BENCHMARK(BM_DiagStreamOff);

}  // namespace
