// The C interface beside the C++ call it wraps, over inproc so that the
// wrapper's share is not lost in the transport's: a server status call, and
// a users query of 1,000 and 50,000 agents whose every record is then read
// (key, id, routing state), as an application or a language binding would.
// Compare the medians of each pair within one run. The same pairs against a
// server of the caller's are remote_bench.cpp's, built into this program too.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "PresenceSimulator.h"
#include "capi_calls.h"
#include "zelclnt/platform/TDiag.h"

namespace {

// A simulator for one benchmark, quiet while it runs.
class Simulator {
 public:
  Simulator(const std::string& endpoint, int agents) {
    TDiag::SetFilters("NONE");
    zelsim::SimulatorOptions options;
    options.endpoint = endpoint;
    options.agents = agents;
    m_simulator = std::make_unique<zelsim::PresenceSimulator>(options);
    m_started = m_simulator->Start(&m_error);
  }
  ~Simulator() {
    m_simulator->Stop();
    TDiag::ResetFilters();
  }
  bool Started(benchmark::State& state) const {
    if (!m_started) state.SkipWithError(m_error.c_str());
    return m_started;
  }
  std::string Endpoint() const { return m_simulator->Endpoint(); }

 private:
  std::unique_ptr<zelsim::PresenceSimulator> m_simulator;
  std::string m_error;
  bool m_started = false;
};

void BM_StatusCxx(benchmark::State& state) {
  Simulator simulator("inproc://bench-capi-status-cxx", 8);
  if (simulator.Started(state)) zelbench::StatusCxx(state, simulator.Endpoint());
}

void BM_StatusC(benchmark::State& state) {
  Simulator simulator("inproc://bench-capi-status-c", 8);
  if (simulator.Started(state)) zelbench::StatusC(state, simulator.Endpoint());
}

void BM_UsersCxx(benchmark::State& state) {
  Simulator simulator("inproc://bench-capi-users-cxx", static_cast<int>(state.range(0)));
  if (simulator.Started(state)) zelbench::UsersCxx(state, simulator.Endpoint());
}

void BM_UsersC(benchmark::State& state) {
  Simulator simulator("inproc://bench-capi-users-c", static_cast<int>(state.range(0)));
  if (simulator.Started(state)) zelbench::UsersC(state, simulator.Endpoint());
}

BENCHMARK(BM_StatusCxx)->UseRealTime();
BENCHMARK(BM_StatusC)->UseRealTime();
BENCHMARK(BM_UsersCxx)->Arg(1000)->Arg(50000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UsersC)->Arg(1000)->Arg(50000)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
