// Call traces, diagnostic streams and every record's PrintDiag whose type is
// switched off, beside the bare filter check they cannot avoid: off, they
// should cost about as much.
#include <benchmark/benchmark.h>
#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

#include "diag_records.h"
#include "full_users.h"
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

template <typename Record>
void BM_PrintDiagOff(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  const Record record{};
  for (auto _ : state) record.PrintDiag();
}

// A collection of records whose type is off: one filter check, not one per
// record.
void BM_CollectionPrintDiagOff(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  const zelbench::Summaries summaries = zelbench::FullSummaries(static_cast<int>(state.range(0)));
  for (auto _ : state) summaries.PrintDiag();
}
BENCHMARK(BM_CollectionPrintDiagOff)->Arg(100);

template <typename Record>
std::string NameOf() {
  const std::unique_ptr<char, void (*)(void*)> name(
      abi::__cxa_demangle(typeid(Record).name(), nullptr, nullptr, nullptr), std::free);
  return std::string("BM_PrintDiagOff/") + (name ? name.get() : typeid(Record).name());
}

template <typename... Records>
bool RegisterPrintDiags(std::tuple<Records...>*) {
  (benchmark::RegisterBenchmark(NameOf<Records>().c_str(), BM_PrintDiagOff<Records>), ...);
  return true;
}
const bool kPrintDiagsRegistered = RegisterPrintDiags(static_cast<zelbench::DiagRecords*>(nullptr));

}  // namespace
