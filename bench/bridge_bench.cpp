// The NATS bridge beside the presence server, against a real nats-server
// in a temporary folder (skipped where none is installed): a fresh mirror
// of 50,000 agents from the bridge's bucket and stream against one from
// the server itself, with the queries the server answered meanwhile; and a
// consumer that starts late reading the stream through (ZEL_CATCHUP_SECONDS
// of 2,000 changes a second, 60 unless set); and the delay from the
// server's publish (as a receiver of its own gets it) to a consumer of the
// stream at about 5,000 events a second. Seconds each; not part of CI.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "Bridge.h"
#include "JetStream.h"
#include "JetStreamSource.h"
#include "NatsServer.h"
#include "PresenceSimulator.h"
#include "Subjects.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TEventReceiver.h"

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

using Clock = std::chrono::steady_clock;

// When each position reached the server's own receiver and the stream's
// consumer, each on a thread of its own.
class Arrivals {
 public:
  void Note(std::uint64_t position, bool fromStream) {
    const Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> lock(m_lock);
    (fromStream ? m_stream : m_server)[position] = now;
  }
  // The delays, in ms, of the positions both saw, in order.
  std::vector<double> Delays() const {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<double> delays;
    for (const auto& [position, at] : m_stream) {
      const auto published = m_server.find(position);
      if (published != m_server.end())
        delays.push_back(std::chrono::duration<double, std::milli>(at - published->second).count());
    }
    std::sort(delays.begin(), delays.end());
    return delays;
  }

 private:
  mutable std::mutex m_lock;
  std::unordered_map<std::uint64_t, Clock::time_point> m_server;
  std::unordered_map<std::uint64_t, Clock::time_point> m_stream;
};

void BM_PublishToConsumer(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  NatsServer* nats = Nats(state);
  if (!nats) return;
  for (auto _ : state) {
    Bridged bridged(nats->Url(), "delay", 2000, 4250);
    if (!bridged.Ready()) return state.SkipWithError("the bridge did not start");
    zelbridge::JetStream reader;
    std::string error;
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (!reader.Connect(bridged.nats, &error) || !reader.Bounds(first, last, &error))
      return state.SkipWithError(error.c_str());
    std::unique_ptr<zelbridge::StreamCursor> cursor = reader.Follow(last + 1, "presence.delay.>", &error);
    TEventReceiver receiver(bridged.simulator->Endpoint());
    if (!cursor || !receiver.Start(&error) || !receiver.WaitUntilSubscribed(10000))
      return state.SkipWithError("cannot follow the server and the stream");
    Arrivals arrivals;
    const Clock::time_point until = Clock::now() + std::chrono::seconds(20);
    std::thread server([&] {
      TEventNotice notice;
      while (Clock::now() < until)
        if (receiver.Next(notice, 100) && notice.kind == TEventNotice::Kind::Event) arrivals.Note(notice.position, false);
    });
    while (Clock::now() < until + std::chrono::seconds(2)) {
      const auto message = cursor->Next(100, nullptr);
      const std::string* at = message ? message->Find(zelbridge::kPositionHeader) : nullptr;
      const auto position = at ? zelbridge::ParseCount(at->data(), at->size()) : std::nullopt;
      if (position) arrivals.Note(*position, true);
    }
    server.join();
    const std::vector<double> delays = arrivals.Delays();
    if (delays.empty()) return state.SkipWithError("no event reached both");
    state.counters["p50_ms"] = delays[delays.size() / 2];
    state.counters["p99_ms"] = delays[delays.size() * 99 / 100];
    state.counters["eventsPerSecond"] = static_cast<double>(delays.size()) / 20;
  }
}
BENCHMARK(BM_PublishToConsumer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

}  // namespace
