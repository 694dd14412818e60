// What one view of zelctl top costs over 50,000 agents held by a mirror's
// store: every agent of a snapshot counted in place, the ten
// longest in their routing state chosen, the lines formatted. top redraws
// a few times a second on the thread that also applies the events, so a
// view must take a small part of that.
#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

#include "AgentSeeder.h"
#include "TopView.h"
#include "zelclnt/mirror/ZelTUserStore.h"
#include "zelclnt/platform/TTimeStamp.h"

namespace {

constexpr int kAgents = 50000;

void BM_TopView50k(benchmark::State& state) {
  ZelTUserStore store;
  for (const ZelTUserPresence& agent : zelsim::SeedAgents(kAgents, 1)) {
    ZelTUserStore::Record record = zelclnt::detail::NewElement<ZelTUserPresence>("bench");
    *record = agent;
    store.Put(std::move(record), TEventPosition{1, 1});
  }
  const zelctl::TopStatus status{true, {1, 1}, 2000, 0, 0, true};
  const std::int64_t now = TTimeStamp().MillisecondsSince1970();
  for (auto _ : state) {
    zelctl::TopTally tally(10);
    store.ForEach([&tally](const ZelTUserPresence& user) { tally.Add(user); });
    benchmark::DoNotOptimize(tally.Lines(status, now));
  }
  state.SetItemsProcessed(state.iterations() * kAgents);
}

BENCHMARK(BM_TopView50k)->Unit(benchmark::kMillisecond);

}  // namespace
