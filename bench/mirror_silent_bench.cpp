// The mirror beside a presence server that answers no query of one user
// while it keeps publishing: how long an action takes from the call to the
// mirror's change, with users waiting on queries that never come back,
// beside the same with every query answered; and how long the mirror's
// Stop takes with those queries still out. All in this process: a
// simulator of 2,000 agents, the mirror on a thread of its own, the
// actions from the benchmark's thread.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Agents.h"
#include "CallReader.h"
#include "PresenceSimulator.h"
#include "answer_hold.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/platform/TDiag.h"

namespace {

using Steady = std::chrono::steady_clock;
using PS = ZelAUserPresence;

constexpr int kAgents = 2000;
constexpr long kFirstAgent = 42;
// Users made to wait on a query, each holding one of the simulator's
// handler threads.
constexpr long kStaleUsers = 32;
constexpr int kActions = 300;

bool IsUserQuery(const TRPC& call) {
  ZelTUserPresence user;
  return call.GetRPCType() == ZelTUserPresence::kObjectType && zelsim::ReadCall(call, user) &&
         user.GetActionType() == ZelTUserPresence::ACTION_QUERY;
}

// When each user's last action was made, and how long each took to show.
class Delays {
 public:
  void Sent(long userKey) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_sent[userKey] = Steady::now();
  }
  void Forget(long userKey) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_sent.erase(userKey);
  }
  void Seen(long userKey) {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto sent = m_sent.find(userKey);
    if (sent == m_sent.end()) return;
    m_delays.push_back(std::chrono::duration<double, std::milli>(Steady::now() - sent->second).count());
    m_sent.erase(sent);
  }
  double Quantile(double q) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_delays.empty()) return -1;
    std::sort(m_delays.begin(), m_delays.end());
    return m_delays[static_cast<std::size_t>(q * static_cast<double>(m_delays.size() - 1))];
  }
  std::size_t Count() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_delays.size();
  }

 private:
  std::mutex m_lock;
  std::map<long, Steady::time_point> m_sent;
  std::vector<double> m_delays;
};

bool Await(const std::function<bool()>& done) {
  for (int i = 0; i < 3000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

void BM_MirrorBesideSilentServer(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  const bool silent = state.range(0) != 0;
  AnswerHold hold;
  zelsim::SimulatorOptions options;
  options.endpoint = "inproc://mirror-silent-bench";
  options.agents = kAgents;
  // Threads to spare beside every query the mirror keeps out, so that
  // the actions are still answered.
  options.handlerThreads = 64;
  options.beforeAnswer = [&](const TRPC& call) { if (IsUserQuery(call)) hold.Pass(); };
  zelsim::PresenceSimulator server(options);
  if (!server.Start()) return state.SkipWithError("the simulator did not start");
  ZelAPresenceMirror mirror(server.Endpoint());
  mirror.SetQueryTimeout(60000);
  Delays delays;
  if (!mirror.Start()) return state.SkipWithError("the mirror did not start");
  std::atomic<bool> done{false};
  std::thread driver([&] {
    while (!done) mirror.Poll(50, [&](const ZelTPresenceChange& change) { delays.Seen(change.userKey); });
  });
  const auto stop = [&] {
    done = true;
    mirror.Stop();
    driver.join();
  };
  if (!Await([&] { return mirror.IsCurrent(); })) {
    stop();
    return state.SkipWithError("the mirror did not join");
  }
  if (silent) hold.Close();
  const std::string endpoint = server.Endpoint();
  // Another contact made primary is queried again once it settled; agents
  // the simulator gave a second or third contact have one.
  std::uint64_t stale = 0;
  for (long key = kFirstAgent + kAgents - 1; key >= kFirstAgent && stale < kStaleUsers; --key) {
    const std::string stem = "C" + std::to_string(key) + "-";
    stale += AgentOf(key).SetPrimaryContact(endpoint, stem + "3", 0) == PS::ACTION_SUCCEEDED ||
             AgentOf(key).SetPrimaryContact(endpoint, stem + "2", 0) == PS::ACTION_SUCCEEDED;
  }
  Await([&] { return mirror.Counters().usersRequeried >= stale; });
  std::size_t made = 0;
  for (auto _ : state) {
    for (int i = 0; i < kActions; ++i) {
      const long key = kFirstAgent + i % 100;
      const auto routing = i % 200 < 100 ? ZelTRoutingState::ROUTINGSTATE_WORK : ZelTRoutingState::ROUTINGSTATE_AVAILABLE;
      delays.Sent(key);
      if (AgentOf(key).SetRoutingState(endpoint, routing, 1 + i % 7, false) == PS::ACTION_SUCCEEDED)
        ++made;
      else
        delays.Forget(key);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  Await([&] { return delays.Count() >= made; });
  const Steady::time_point stopping = Steady::now();
  stop();
  state.counters["stop_ms"] = std::chrono::duration<double, std::milli>(Steady::now() - stopping).count();
  hold.Open();
  state.counters["delay_ms_p50"] = delays.Quantile(0.5);
  state.counters["delay_ms_p99"] = delays.Quantile(0.99);
  state.counters["users_requeried"] = static_cast<double>(mirror.Counters().usersRequeried);
  state.counters["changes_missing"] = static_cast<double>(made - std::min(made, delays.Count()));
  TDiag::ResetFilters();
}

BENCHMARK(BM_MirrorBesideSilentServer)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
