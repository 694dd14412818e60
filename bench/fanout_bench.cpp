// Desktops that each follow one agent: 1,000 receivers, each naming one user
// of 10,000 while the simulator changes 1,000 of them a second, beside one
// receiver of everything and beside 300 receivers of every routing event
// (how a desktop had to follow its agent before receivers could name
// users). Reported: the simulator's CPU (a process of its own) and what
// each receiver got.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "simulator_process.h"
#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TEventReceiver.h"

namespace {

using PS = ZelTPresenceServer;
constexpr long kAgents = 10000;
constexpr long kFirstKey = 42;
constexpr auto kWindow = std::chrono::seconds(10);

std::vector<int> UserEventTypes() {
  std::vector<int> types;
  for (int type = PS::VOICE_USER_MEDIA_EVENT; type <= PS::OPENMEDIA_USER_MEDIA_EVENT; ++type) types.push_back(type);
  return types;
}

struct Following {
  std::unique_ptr<TEventReceiver> receiver;
  std::int64_t user = TEventNotice::kNoUser;
  long events = 0;
  long foreign = 0;
};

// Drains every receiver now and then, counting what each got.
void Drain(std::vector<Following>& all, std::chrono::steady_clock::time_point until) {
  TEventNotice notice;
  while (std::chrono::steady_clock::now() < until) {
    for (Following& one : all) {
      while (one.receiver->Next(notice, 0)) {
        if (notice.kind != TEventNotice::Kind::Event) continue;
        ++one.events;
        if (one.user != TEventNotice::kNoUser && notice.userKey != one.user) ++one.foreign;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void FanOut(benchmark::State& state, long receivers, bool perUser, std::vector<int> types) {
  TDiag::SetFilters("NONE");
  SimulatorProcess simulator({"--agents", std::to_string(kAgents), "--churn", "1000"});
  if (simulator.Endpoint().empty()) return state.SkipWithError("the simulator did not start");
  std::vector<Following> all(static_cast<std::size_t>(receivers));
  for (long i = 0; i < receivers; ++i) {
    Following& one = all[static_cast<std::size_t>(i)];
    if (perUser) one.user = kFirstKey + (i * kAgents) / receivers;
    std::vector<std::int64_t> users;
    if (perUser) users.push_back(one.user);
    one.receiver = std::make_unique<TEventReceiver>(simulator.Endpoint(), types, users);
    if (!one.receiver->Start()) return state.SkipWithError("a receiver did not start");
  }
  // All subscribe at once; the first waits longest.
  for (Following& one : all)
    if (!one.receiver->WaitUntilSubscribed(30000)) return state.SkipWithError("a receiver did not subscribe");
  double cpu = 0;
  for (auto _ : state) {
    const double before = simulator.CpuSeconds();
    Drain(all, std::chrono::steady_clock::now() + kWindow);
    cpu = simulator.CpuSeconds() - before;
  }
  long events = 0;
  long foreign = 0;
  for (const Following& one : all) {
    events += one.events;
    foreign += one.foreign;
  }
  const double seconds = std::chrono::duration<double>(kWindow).count();
  state.counters["simulator_cpu_pct"] = 100 * cpu / seconds;
  state.counters["events_per_receiver_s"] = static_cast<double>(events) / receivers / seconds;
  state.counters["deliveries_s"] = static_cast<double>(events) / seconds;
  state.counters["foreign_events"] = static_cast<double>(foreign);
  TDiag::ResetFilters();
}

void BM_FanOut_OneAgentEach(benchmark::State& state) { FanOut(state, state.range(0), true, UserEventTypes()); }
void BM_FanOut_EverythingOnce(benchmark::State& state) { FanOut(state, 1, false, {}); }
void BM_FanOut_RoutingTypeEach(benchmark::State& state) {
  FanOut(state, state.range(0), false, {PS::USER_ROUTING_STATE_EVENT});
}

BENCHMARK(BM_FanOut_OneAgentEach)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_FanOut_EverythingOnce)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_FanOut_RoutingTypeEach)->Arg(300)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
