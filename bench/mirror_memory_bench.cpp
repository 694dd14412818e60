// What a presence mirror of 50,000 agents holds, per agent, beside what the
// same agents' records alone hold when a users-presence query keeps them.
// The simulator runs in the process; it is made before either is measured.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "PresenceSimulator.h"
#include "allocation_meter.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

constexpr int kAgents = 50000;

zelsim::PresenceSimulator* Server(benchmark::State& state) {
  static std::unique_ptr<zelsim::PresenceSimulator> simulator = [] {
    zelsim::SimulatorOptions options;
    options.endpoint = "inproc://bench-mirror-memory";
    options.agents = kAgents;
    return std::make_unique<zelsim::PresenceSimulator>(options);
  }();
  std::string error;
  if (!simulator->Endpoint().empty() || simulator->Start(&error)) return simulator.get();
  state.SkipWithError(error.c_str());
  return nullptr;
}

void Report(benchmark::State& state, std::size_t held, std::size_t users) {
  state.counters["held_MB"] = static_cast<double>(held) / 1e6;
  state.counters["bytes_per_agent"] = users ? static_cast<double>(held) / static_cast<double>(users) : 0;
}

void BM_QueriedRecordsMemory(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  zelsim::PresenceSimulator* simulator = Server(state);
  if (!simulator) return;
  for (auto _ : state) {
    ZelAPresenceServer api;
    const zelbench::FootprintMark mark;
    auto query = std::make_unique<ZelTQueryUsersPresence>();
    query->SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
    api.QueryUsersPresence(simulator->Endpoint(), *query);
    const zelbench::Footprint footprint = mark.Since(query->GetUsersPresence().Size());
    Report(state, footprint.held, static_cast<std::size_t>(footprint.records));
  }
}

void BM_MirrorMemory(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  zelsim::PresenceSimulator* simulator = Server(state);
  if (!simulator) return;
  for (auto _ : state) {
    const zelbench::FootprintMark mark;
    auto mirror = std::make_unique<ZelAPresenceMirror>(simulator->Endpoint());
    ZelTPresenceChange change;
    if (!mirror->Start() || !mirror->Next(change, 60000)) state.SkipWithError("the mirror did not join");
    const zelbench::Footprint footprint = mark.Since(static_cast<int>(mirror->Users().Size()));
    Report(state, footprint.held, mirror->Users().Size());
    state.counters["peak_MB"] = static_cast<double>(footprint.peak) / 1e6;
  }
}

BENCHMARK(BM_QueriedRecordsMemory)->Iterations(1);
BENCHMARK(BM_MirrorMemory)->Iterations(1);

}  // namespace
