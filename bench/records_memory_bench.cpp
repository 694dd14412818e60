// What unpacking summaries holds against the records' own size, what a
// hostile reply of minimal records within the 64 MiB size bound makes a
// client build, and the allocations of diagnostics switched off. Runs in
// its own executable, beside allocation_meter.cpp.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>

#include "allocation_meter.h"
#include "diag_records.h"
#include "full_users.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TPack.h"

namespace {

using zelbench::Footprint;
using Summary = ZelTIntegratedPresenceSummary;

template <typename Collection>
Footprint Unpack(const std::string& wire) {
  const zelbench::FootprintMark mark;
  auto collection = std::make_unique<Collection>();
  TPack reader(wire.data(), static_cast<unsigned long>(wire.size()));
  reader >> *collection;
  return mark.Since(collection->Size());
}

void BM_UnpackSummariesMemory(benchmark::State& state) {
  std::string wire;
  {
    TPack pack;
    pack << zelbench::FullSummaries(static_cast<int>(state.range(0)));
    wire.assign(pack.Contents(), pack.Length());
  }
  Footprint footprint;
  for (auto _ : state) footprint = Unpack<zelbench::Summaries>(wire);
  if (footprint.records != state.range(0)) state.SkipWithError("not every record was read");
  zelbench::ReportFootprint(state, footprint, wire.size());
  state.counters["held_per_object"] =
      static_cast<double>(footprint.held) / (static_cast<double>(footprint.records) * sizeof(Summary));
}

// Collection form (count, maximum size) of records all of whose fields are
// empty or zero: each is its fixed part only.
std::string MinimalRecords(std::size_t bytes, std::size_t recordBytes) {
  std::string wire(bytes, '\0');
  const auto count = static_cast<std::uint32_t>((bytes - 8) / recordBytes);
  std::memcpy(wire.data(), &count, sizeof(count));
  return wire;
}

// A presentity (the integrated presence query's reply) is three lengths; a
// summary (its event) adds nine 4-byte values.
template <typename Record>
void BM_HostileRecordsMemory(benchmark::State& state) {
  constexpr std::size_t kRecordBytes = std::is_same_v<Record, Summary> ? 48 : 12;
  const std::string wire = MinimalRecords(static_cast<std::size_t>(state.range(0)), kRecordBytes);
  Footprint footprint;
  for (auto _ : state) footprint = Unpack<ZelTStdListPointerColl<Record>>(wire);
  zelbench::ReportAmplification(state, footprint, wire.size());
}

// Every record's PrintDiag, a call trace and a diagnostic stream, all off.
void BM_DiagnosticsOffAllocations(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  const zelbench::DiagRecords records;
  const std::size_t before = zelbench::AllocationCount();
  for (auto _ : state) {
    std::apply([](const auto&... record) { (record.PrintDiag(), ...); }, records);
    NuxFenx trace(__LINE__, __FILE__, "ZelAPresenceServer", "QueryServerStatus");
    NuxDiagStream(TDiag::INFO, __LINE__, __FILE__, "ZelAPresenceServer", "SendRequest") << "Send RPC Failed";
  }
  state.counters["allocations"] = static_cast<double>(zelbench::AllocationCount() - before);
}

BENCHMARK(BM_UnpackSummariesMemory)->Arg(100000)->Iterations(1);
BENCHMARK_TEMPLATE(BM_HostileRecordsMemory, ZelTPresentity)->Arg(64 << 20)->Iterations(1);
BENCHMARK_TEMPLATE(BM_HostileRecordsMemory, Summary)->Arg(64 << 20)->Iterations(1);
BENCHMARK(BM_DiagnosticsOffAllocations)->Iterations(1000);

}  // namespace
