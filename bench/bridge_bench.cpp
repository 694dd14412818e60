// The NATS bridge beside the presence server, against a real nats-server
// in a temporary folder (skipped where none is installed): a fresh mirror
// of 50,000 agents from the bridge's bucket and stream against one from
// the server itself, with the queries the server answered meanwhile; and a
// consumer that starts late reading the stream through (ZEL_CATCHUP_SECONDS
// of 2,000 changes a second, 60 unless set). Seconds each; not part of CI.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "Bridge.h"
#include "JetStream.h"
#include "JetStreamSource.h"
#include "NatsServer.h"
#include "PresenceSimulator.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/platform/TDiag.h"

namespace {

constexpr int kAgents = 50000;

// A simulator and a bridge writing what it publishes, until dropped.
class Bridged {
 public:
  Bridged(const std::string& url, const std::string& name, int agents, double churnRate) {
    zelsim::SimulatorOptions options;
    options.endpoint = "inproc://bench-bridge-" + name;
    options.agents = agents;
    options.churnRate = churnRate;
    simulator = std::make_unique<zelsim::PresenceSimulator>(options);
    nats.url = url;
    zelbridge::BridgeOptions bridging;
    bridging.server = options.endpoint;
    bridging.name = name;
    std::string error;
    m_ready = simulator->Start(&error) && m_events.Connect(nats, &error) && m_records.Connect(nats, &error);
    if (!m_ready) return;
    m_bridge = std::make_unique<zelbridge::Bridge>(m_events, m_records, bridging);
    m_ready = m_bridge->Start(&error) && m_bridge->WaitUntilSubscribed(60000);
    if (m_ready) m_thread = std::thread([this] { m_bridge->Run(); });
  }
  ~Bridged() {
    if (m_bridge) m_bridge->Stop();
    if (m_thread.joinable()) m_thread.join();
  }
  bool Ready() const { return m_ready; }
  // Waits until the bridge wrote `records` records, up to `seconds`.
  bool AwaitRecords(std::uint64_t records, int seconds) const {
    for (int i = 0; i < seconds * 10; ++i) {
      if (m_bridge->Counters().recordsPut >= records) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  std::unique_ptr<zelsim::PresenceSimulator> simulator;
  zelbridge::NatsOptions nats;

 private:
  zelbridge::JetStream m_events;
  zelbridge::JetStream m_records;
  std::unique_ptr<zelbridge::Bridge> m_bridge;
  std::thread m_thread;
  bool m_ready = false;
};

NatsServer* Nats(benchmark::State& state) {
  static NatsServer server;
  static const bool started = server.Available() && server.Start();
  if (!started) state.SkipWithError("nats-server is not installed or did not start");
  return started ? &server : nullptr;
}

// 50,000 agents, every record in the bucket.
Bridged* Joined(benchmark::State& state) {
  NatsServer* nats = Nats(state);
  if (!nats) return nullptr;
  static const std::unique_ptr<Bridged> bridged = [&] {
    auto made = std::make_unique<Bridged>(nats->Url(), "join", kAgents, 0);
    if (made->Ready() && !made->AwaitRecords(kAgents, 300)) return std::unique_ptr<Bridged>();
    return made->Ready() ? std::move(made) : std::unique_ptr<Bridged>();
  }();
  if (!bridged) state.SkipWithError("the bridge did not write every record");
  return bridged.get();
}

std::uint64_t Queries(const zelsim::PresenceSimulator& simulator) {
  return simulator.UsersQueries() + simulator.UserQueries();
}

void Join(benchmark::State& state, ZelAPresenceMirror& mirror) {
  ZelTPresenceChange change;
  if (!mirror.Start() || !mirror.Next(change, 120000) || mirror.Users().Size() != kAgents)
    state.SkipWithError("the mirror did not join");
}

void BM_MirrorJoinFromServer50k(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  Bridged* bridged = Joined(state);
  if (!bridged) return;
  const std::uint64_t before = Queries(*bridged->simulator);
  for (auto _ : state) {
    ZelAPresenceMirror mirror(bridged->simulator->Endpoint());
    Join(state, mirror);
  }
  state.counters["serverQueries"] =
      static_cast<double>(Queries(*bridged->simulator) - before) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * kAgents);
}
BENCHMARK(BM_MirrorJoinFromServer50k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_MirrorJoinFromNats50k(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  Bridged* bridged = Joined(state);
  if (!bridged) return;
  const std::uint64_t before = Queries(*bridged->simulator);
  for (auto _ : state) {
    ZelAPresenceMirror mirror(std::make_unique<zelbridge::JetStreamSource>(bridged->nats, "join"));
    Join(state, mirror);
  }
  state.counters["serverQueries"] =
      static_cast<double>(Queries(*bridged->simulator) - before) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * kAgents);
}
BENCHMARK(BM_MirrorJoinFromNats50k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3)
    ->ReportAggregatesOnly(true);

// A consumer that starts at the stream's first message and reads to its
// end, every event of a span of churn at 2,000 changes a second.
void BM_StreamCatchUp(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  NatsServer* nats = Nats(state);
  if (!nats) return;
  static const std::unique_ptr<Bridged> bridged = [&] {
    auto made = std::make_unique<Bridged>(nats->Url(), "catchup", 2000, 2000);
    const char* seconds = std::getenv("ZEL_CATCHUP_SECONDS");
    std::this_thread::sleep_for(std::chrono::seconds(seconds ? std::atoi(seconds) : 60));
    made->simulator->Stop();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    return made;
  }();
  if (!bridged->Ready()) return state.SkipWithError("the bridge did not start");
  zelbridge::JetStream reader;
  std::string error;
  zelbridge::NatsOptions options = bridged->nats;
  options.create = false;
  if (!reader.Connect(options, &error)) return state.SkipWithError(error.c_str());
  std::int64_t events = 0;
  for (auto _ : state) {
    events = 0;
    const bool read = reader.ReadWindow(0, 0, "presence.catchup.>", [&](const zelbridge::StoredMessage& message) {
      benchmark::DoNotOptimize(message.payload.data());
      ++events;
      return true;
    }, &error);
    if (!read) state.SkipWithError(error.c_str());
  }
  state.counters["events"] = static_cast<double>(events);
  state.SetItemsProcessed(state.iterations() * events);
}
BENCHMARK(BM_StreamCatchUp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace
