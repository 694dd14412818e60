// The presence mirror beside its baselines, in one run: applying each event
// of a stream to its user's record beside only reading it; the store's
// writer applying them in place under its lock beside applying them to
// copies swapped in under it; joining 50,000 agents (subscribe, query,
// join) beside the bare users-presence query of them; the share of a core the mirror's thread takes while the simulator
// churns as fast as it may; and what a 2-second cut of its link costs.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "AgentSeeder.h"
#include "EventFeed.h"
#include "LinkRelay.h"
#include "PresenceSimulator.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/events/ZelTEventReader.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/mirror/ZelTUserStore.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

using PS = ZelTPresenceServer;

struct WireEvent {
  PS::enEvent type;
  long userKey;
  std::string bytes;
};

constexpr int kStreamAgents = 50;
constexpr int kStreamLength = 20000;
constexpr int kJoinAgents = 50000;

// Routing, media, contact and mode events in turn, about 50 agents, as the
// simulator's feed makes them.
const std::vector<WireEvent>& Stream() {
  static const std::vector<WireEvent> stream = [] {
    std::vector<WireEvent> events;
    const zelsim::EventFeed feed(
        [&events](PS::enEvent type, long userKey, const char* data, std::size_t size) {
          events.push_back({type, userKey, std::string(data, size)});
        },
        [] { return TEventPosition(); });
    const std::vector<ZelTUserPresence> agents = zelsim::SeedAgents(kStreamAgents, 1);
    for (int i = 0; static_cast<int>(events.size()) < kStreamLength; ++i) {
      const ZelTUserPresence& user = agents[static_cast<std::size_t>(i) % agents.size()];
      ZelTUserPresence call;
      switch (i % 5) {
        case 0:
          feed.RoutingChanged(ZelTRoutingState(), user);
          break;
        case 1:
          feed.MediaChanged(user, 1 + i % 5, i % 2 == 0);
          break;
        case 2:
          if (!user.GetHandlingStatesList().empty())
            feed.ContactChanged(user, *user.GetHandlingStatesList().front(), PS::USER_CONTACT_CONNECTED_EVENT,
                                ZelTEventBase::EVENTCAUSE_CONTACT_CONNECTED);
          break;
        default:
          call.SetAction(i % 5 == 3 ? ZelTUserPresence::ACTION_SET_RECOVERY_MODE
                                    : ZelTUserPresence::ACTION_SET_CONTACT_ASSIST);
          feed.UserActed(user, user, call);
          break;
      }
    }
    return events;
  }();
  return stream;
}

void BM_MirrorEventsRead(benchmark::State& state) {
  const std::vector<WireEvent>& stream = Stream();
  ZelTAnyEvent record;
  for (auto _ : state) {
    for (const WireEvent& event : stream)
      ZelTEventReader::Read(event.type, event.bytes.data(), event.bytes.size(), record);
    benchmark::DoNotOptimize(record.index());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}

void BM_MirrorEventsApply(benchmark::State& state) {
  const std::vector<WireEvent>& stream = Stream();
  std::vector<ZelTUserPresence> users = zelsim::SeedAgents(kStreamAgents, 1);
  ZelTEventApplier applier;
  std::uint32_t changed = 0;
  for (auto _ : state) {
    for (const WireEvent& event : stream) {
      ZelTUserPresence& user = users[static_cast<std::size_t>(event.userKey - zelsim::kFirstUserKey)];
      changed |= applier.Apply(event.type, event.bytes.data(), event.bytes.size(), user).changedParts;
    }
    benchmark::DoNotOptimize(changed);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}

// The store's one writer as it once was, rebuilt as the baseline: each
// event applied to the record in place, under the write lock.
class InPlaceStore {
 public:
  explicit InPlaceStore(const std::vector<ZelTUserPresence>& users) {
    for (const ZelTUserPresence& user : users)
      m_users.emplace(user.GetUserKey(), zelclnt::detail::CopyElement(user, "bench"));
  }

  // The time the write lock was taken, held and given back.
  template <typename Change>
  std::chrono::nanoseconds Update(long userKey, Change change) {
    const auto start = std::chrono::steady_clock::now();
    {
      std::unique_lock<std::shared_mutex> lock(m_lock);
      change(*m_users.at(userKey));
    }
    return std::chrono::steady_clock::now() - start;
  }

 private:
  std::shared_mutex m_lock;
  std::unordered_map<long, ZelTUserStore::Record> m_users;
};

double MedianNs(std::vector<std::chrono::nanoseconds>& holds) {
  std::nth_element(holds.begin(), holds.begin() + static_cast<std::ptrdiff_t>(holds.size() / 2), holds.end());
  return static_cast<double>(holds[holds.size() / 2].count());
}

// The writer's time under the write lock per event (hold_ns, median) and
// the events it applies a second, with the baseline first.
void BM_StoreWriterInPlace(benchmark::State& state) {
  const std::vector<WireEvent>& stream = Stream();
  InPlaceStore store(zelsim::SeedAgents(kStreamAgents, 1));
  ZelTEventApplier applier;
  std::vector<std::chrono::nanoseconds> holds;
  holds.reserve(stream.size());
  for (auto _ : state) {
    holds.clear();
    for (const WireEvent& event : stream)
      holds.push_back(store.Update(event.userKey, [&](ZelTUserPresence& user) {
        applier.Apply(event.type, event.bytes.data(), event.bytes.size(), user);
      }));
  }
  state.counters["hold_ns"] = MedianNs(holds);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}

// The store's own Update: a copy changed outside the lock, swapped in under
// it. Its hold is timed as Put's, which takes the same lock for the same
// swap; the events a second are Update's.
void BM_StoreWriterShared(benchmark::State& state) {
  const std::vector<WireEvent>& stream = Stream();
  ZelTUserStore store;
  for (const ZelTUserPresence& user : zelsim::SeedAgents(kStreamAgents, 1))
    store.Put(zelclnt::detail::CopyElement(user, "bench"), TEventPosition());
  ZelTEventApplier applier;
  for (auto _ : state) {
    for (const WireEvent& event : stream)
      store.Update(event.userKey, TEventPosition(), [&](ZelTUserPresence& user) {
        applier.Apply(event.type, event.bytes.data(), event.bytes.size(), user);
      });
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
  std::vector<std::chrono::nanoseconds> holds;
  holds.reserve(stream.size());
  ZelTUserStore::Shared replaced;
  for (const WireEvent& event : stream) {
    ZelTUserStore::Record copy = zelclnt::detail::CopyElement(*store.Get(event.userKey), "bench");
    applier.Apply(event.type, event.bytes.data(), event.bytes.size(), *copy);
    ZelTUserStore::Shared fresh(std::move(copy));
    replaced.reset();
    const auto start = std::chrono::steady_clock::now();
    store.Put(std::move(fresh), TEventPosition(), &replaced);
    holds.push_back(std::chrono::steady_clock::now() - start);
  }
  state.counters["hold_ns"] = MedianNs(holds);
}

// One simulator of 50,000 agents for both sides of the comparison.
zelsim::PresenceSimulator* JoinServer(benchmark::State& state) {
  static std::unique_ptr<zelsim::PresenceSimulator> simulator = [] {
    zelsim::SimulatorOptions options;
    options.endpoint = "inproc://bench-mirror-join";
    options.agents = kJoinAgents;
    return std::make_unique<zelsim::PresenceSimulator>(options);
  }();
  std::string error;
  if (!simulator->Endpoint().empty() || simulator->Start(&error)) return simulator.get();
  state.SkipWithError(error.c_str());
  return nullptr;
}

void BM_QueryUsersPresence50k(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  zelsim::PresenceSimulator* simulator = JoinServer(state);
  if (!simulator) return;
  ZelAPresenceServer api;
  for (auto _ : state) {
    auto query = std::make_unique<ZelTQueryUsersPresence>();
    query->SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
    if (api.QueryUsersPresence(simulator->Endpoint(), *query) != PS::ACTION_SUCCEEDED) state.SkipWithError("failed");
  }
  state.SetItemsProcessed(state.iterations() * kJoinAgents);
}

void BM_MirrorJoin50k(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  zelsim::PresenceSimulator* simulator = JoinServer(state);
  if (!simulator) return;
  for (auto _ : state) {
    ZelAPresenceMirror mirror(simulator->Endpoint());
    ZelTPresenceChange change;
    if (!mirror.Start() || !mirror.Next(change, 60000) || mirror.Users().Size() != kJoinAgents)
      state.SkipWithError("the mirror did not join");
  }
  state.SetItemsProcessed(state.iterations() * kJoinAgents);
}

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The simulator churns at its highest rate (or 5,000 changes a second, if
// that is lower); the mirror follows it over tcp for each iteration.
void BM_MirrorThreadUnderChurn(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  zelsim::SimulatorOptions options;
  options.endpoint = "tcp://127.0.0.1:0";
  options.agents = 10000;
  options.churnRate = std::min(5000.0, zelsim::Churn::kMaxRate);
  zelsim::PresenceSimulator simulator(options);
  std::string error;
  if (!simulator.Start(&error)) return state.SkipWithError(error.c_str());
  ZelAPresenceMirror mirror(simulator.Endpoint());
  ZelTPresenceChange change;
  if (!mirror.Start() || !mirror.Next(change, 60000)) return state.SkipWithError("the mirror did not join");
  double cpu = 0;
  double wall = 0;
  const std::uint64_t appliedBefore = mirror.Counters().eventsApplied;
  for (auto _ : state) {
    const double cpuStart = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    mirror.Poll(2000);
    cpu += ThreadCpuSeconds() - cpuStart;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const ZelTMirrorCounters counters = mirror.Counters();
  state.counters["core_share"] = cpu / wall;
  state.counters["events_per_s"] = static_cast<double>(counters.eventsApplied - appliedBefore) / wall;
  state.counters["users_requeried"] = static_cast<double>(counters.usersRequeried);
  state.counters["churn_per_s"] = options.churnRate;
  simulator.Stop();
}

// Where the server's stream stands: a user's reply tells it.
TEventPosition ServerPosition(const std::string& server) {
  ZelAUserPresence agent("bench", "mirror");
  agent.SetUserKey(zelsim::kFirstUserKey);
  agent.SetUserID("agent" + std::to_string(zelsim::kFirstUserKey));
  agent.Query(server);
  return agent.GetStatePosition();
}

// The mirror follows a churning simulator through a link that is cut for
// two seconds: what it had sent again, what it queried, and how long after
// the link came back it had every event published until then.
void BM_MirrorResumeAfterCut(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  zelsim::SimulatorOptions options;
  options.endpoint = "tcp://127.0.0.1:0";
  options.agents = 10000;
  options.churnRate = std::min(1000.0, zelsim::Churn::kMaxRate);
  zelsim::PresenceSimulator simulator(options);
  std::string error;
  if (!simulator.Start(&error)) return state.SkipWithError(error.c_str());
  const std::string& endpoint = simulator.Endpoint();
  zelsim::LinkRelay relay(endpoint);
  if (!relay.Start(&error)) return state.SkipWithError(error.c_str());
  ZelAPresenceMirror mirror(relay.Endpoint());
  ZelTPresenceChange change;
  if (!mirror.Start() || !mirror.Next(change, 60000)) return state.SkipWithError("the mirror did not join");
  double catchUp = 0;
  for (auto _ : state) {
    mirror.Poll(1000);
    relay.Cut();
    mirror.Poll(2000);
    relay.Restore();
    const TEventPosition published = ServerPosition(endpoint);
    const auto restored = std::chrono::steady_clock::now();
    while (mirror.Position().position < published.position) mirror.Poll(1);
    catchUp += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - restored).count();
  }
  const ZelTMirrorCounters counters = mirror.Counters();
  const double cuts = static_cast<double>(state.iterations());
  state.counters["replayed_per_cut"] = static_cast<double>(counters.eventsReplayed) / cuts;
  state.counters["full_queries"] = static_cast<double>(counters.resyncs);
  state.counters["users_requeried"] = static_cast<double>(counters.usersRequeried);
  state.counters["current_after_ms"] = catchUp / cuts;
  simulator.Stop();
}

BENCHMARK(BM_MirrorEventsRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MirrorEventsApply)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreWriterInPlace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreWriterShared)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryUsersPresence50k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MirrorJoin50k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MirrorThreadUnderChurn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MirrorResumeAfterCut)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
