// A pair of simulators, each a process of its own, named to the clients as
// one list. While 8 threads act and query through the pair, a mirror
// follows it and a watcher watches, the one that serves is killed (SIGKILL)
// or asked to hand over (as zelctl failover asks). Reported per switch:
// time from the kill to the first call the other carried out (switch_ms),
// calls that failed with an outcome unknown (actions that may have run) and
// any other way (failed_other, goal 0), actions carried out twice (twice,
// goal 0: each action names a reason of its own, and the routing events
// of both servers are counted), and what differs between the mirror and a
// fresh query once the callers stopped (mirror_diffs, goal 0). Beside it,
// a call's client CPU through one endpoint and through the pair.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AdminFrame.h"
#include "StoreComparison.h"
#include "simulator_process.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/events/ZelTEventReader.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

using PS = ZelTPresenceServer;
using Clock = std::chrono::steady_clock;
constexpr int kCallers = 8;
constexpr auto kBefore = std::chrono::seconds(1);
constexpr auto kAfter = std::chrono::seconds(2);

int PortOf(const std::string& endpoint) { return std::stoi(endpoint.substr(endpoint.rfind(':') + 1)); }

// Two server endpoints whose ports, and the events ports above them, are
// all free and all distinct.
std::pair<std::string, std::string> FreePair() {
  const std::string first = SimulatorProcess::FreeEndpoint();
  std::string second = SimulatorProcess::FreeEndpoint();
  while (std::abs(PortOf(second) - PortOf(first)) < 2) second = SimulatorProcess::FreeEndpoint();
  return {first, second};
}

double MsSince(Clock::time_point start, Clock::time_point end) {
  return std::chrono::duration<double, std::milli>(end - start).count();
}

// Acting and querying through the pair; each action's reason is its own.
class Callers {
 public:
  explicit Callers(const std::string& list) {
    for (int caller = 0; caller < kCallers; ++caller) m_threads.emplace_back([this, list, caller] { Run(list, caller); });
  }
  ~Callers() { Stop(); }
  void Stop() {
    m_stop = true;
    for (std::thread& thread : m_threads)
      if (thread.joinable()) thread.join();
  }
  // The first call begun at or after `since` that the server carried out.
  Clock::time_point FirstDoneAfter(Clock::time_point since) {
    std::lock_guard<std::mutex> guard(m_lock);
    Clock::time_point first = Clock::time_point::max();
    for (const auto& [begun, ended] : m_done)
      if (begun >= since && ended < first) first = ended;
    return first;
  }
  long Unknown() const { return m_unknown; }
  long FailedOther() const { return m_other; }

 private:
  void Run(const std::string& list, int caller) {
    ZelAUserPresence agent("failover-bench", "caller");
    const long key = 42 + caller % 4;
    agent.SetUserKey(key);
    agent.SetUserID("agent" + std::to_string(key));
    for (long call = 0; !m_stop; ++call) {
      const Clock::time_point begun = Clock::now();
      const bool action = call % 2 == 0;
      const PS::ActionResult result =
          action ? agent.SetRoutingState(list, ZelTRoutingState::ROUTINGSTATE_WORK, caller * 10000000L + call, false)
                 : agent.Query(list);
      const TCallFailure kind = TFramework::LastFailure().kind;
      if (result == PS::ACTION_SUCCEEDED) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_done.emplace_back(begun, Clock::now());
      } else if (kind == TCallFailure::OutcomeUnknown) {
        ++m_unknown;
      } else {
        ++m_other;
      }
    }
  }

  std::atomic<bool> m_stop{false};
  std::atomic<long> m_unknown{0};
  std::atomic<long> m_other{0};
  std::mutex m_lock;
  std::vector<std::pair<Clock::time_point, Clock::time_point>> m_done;
  std::vector<std::thread> m_threads;
};

// Every routing event's reason, from one server's own publisher.
class Reasons {
 public:
  explicit Reasons(const std::string& server) : m_receiver(server, {PS::USER_ROUTING_STATE_EVENT}) {
    m_receiver.Start();
    m_thread = std::thread([this] {
      TEventNotice notice;
      ZelTAnyEvent event;
      while (!m_stop) {
        if (!m_receiver.Next(notice, 100) || notice.kind != TEventNotice::Kind::Event ||
            !ZelTEventReader::Read(PS::USER_ROUTING_STATE_EVENT, notice.data.data(), notice.data.size(), event))
          continue;
        if (const auto* routing = std::get_if<ZelTUserRoutingStateEvent>(&event))
          ++m_seen[routing->GetRoutingState().GetRoutingStateReason()];
      }
    });
  }
  ~Reasons() { Stop(); }
  void Stop() {
    m_stop = true;
    m_receiver.Stop();
    if (m_thread.joinable()) m_thread.join();
  }
  const std::map<long, int>& Seen() const { return m_seen; }

 private:
  TEventReceiver m_receiver;
  std::atomic<bool> m_stop{false};
  std::map<long, int> m_seen;
  std::thread m_thread;
};

// A mirror of the pair, and a watcher of its events, each on its own thread.
class Followers {
 public:
  explicit Followers(const std::string& list) : m_mirror(list), m_watcher(list) {
    m_mirror.Start();
    m_watcher.Start();
    m_threads.emplace_back([this] { m_mirror.Poll(-1); });
    m_threads.emplace_back([this] {
      TEventNotice notice;
      while (!m_stop) m_watcher.Next(notice, 100);
    });
  }
  ~Followers() {
    m_stop = true;
    m_mirror.Stop();
    m_watcher.Stop();
    for (std::thread& thread : m_threads) thread.join();
  }
  // Parts that differ from a fresh query, once the mirror is current.
  long Differences(const std::string& list) {
    for (int wait = 0; wait < 200 && !m_mirror.IsCurrent(); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ZelAPresenceServer api("failover-bench", "check");
    ZelTQueryUsersPresence query;
    query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
    if (api.QueryUsersPresence(list, query) != PS::ACTION_SUCCEEDED) return -1;
    long differences = 0;
    for (const ZelTUserPresence* user : query.GetUsersPresence().GetList()) {
      ZelTUserPresence held;
      differences += m_mirror.Users().Copy(user->GetUserKey(), held)
                         ? static_cast<long>(zelsim::DifferingPartNames(held, *user).size())
                         : 1;
    }
    return differences;
  }

 private:
  std::atomic<bool> m_stop{false};
  ZelAPresenceMirror m_mirror;
  TEventReceiver m_watcher;
  std::vector<std::thread> m_threads;
};

bool HandOver(const std::string& list) {
  ZelAPresenceServer api("failover-bench", "admin");
  TRPC rpc;
  rpc.SetRPCType(zelsim::kHandOverRpcType);
  const std::string call = zelsim::EncodeAdminCall({});
  rpc.SetCallData(call.data(), call.size());
  TThreadQueue replies;
  zelsim::AdminAnswer answer;
  return api.SendRPC(rpc, list.c_str(), replies, 5000, 0) &&
         zelsim::DecodeAdminAnswer(rpc.GetReplyPointer(), rpc.GetReplySize(), answer) && answer.done;
}

void Switch(benchmark::State& state, bool kill) {
  TDiag::SetFilters("NONE");
  double switchMs = 0;
  long unknown = 0;
  long other = 0;
  long twice = 0;
  long differences = 0;
  for (auto _ : state) {
    const auto [a, b] = FreePair();
    SimulatorProcess first({"--peer", b, "--primary"}, a);
    SimulatorProcess second({"--peer", a}, b);
    if (first.Endpoint().empty() || second.Endpoint().empty()) return state.SkipWithError("a simulator did not start");
    const std::string list = a + "," + b;
    Reasons fromFirst(a);
    Reasons fromSecond(b);
    Followers followers(list);
    Callers callers(list);
    std::this_thread::sleep_for(kBefore);
    const Clock::time_point at = Clock::now();
    if (kill)
      first.Kill();
    else if (!HandOver(list))
      return state.SkipWithError("the hand-over was refused");
    std::this_thread::sleep_for(kAfter);
    callers.Stop();
    switchMs += MsSince(at, callers.FirstDoneAfter(at));
    unknown += callers.Unknown();
    other += callers.FailedOther();
    differences += followers.Differences(list);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    fromFirst.Stop();
    fromSecond.Stop();
    std::map<long, int> all = fromFirst.Seen();
    for (const auto& [reason, count] : fromSecond.Seen()) all[reason] += count;
    for (const auto& [reason, count] : all) twice += count > 1 ? 1 : 0;
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["switch_ms"] = switchMs / runs;
  state.counters["failed_unknown"] = static_cast<double>(unknown) / runs;
  state.counters["failed_other"] = static_cast<double>(other) / runs;
  state.counters["twice"] = static_cast<double>(twice) / runs;
  state.counters["mirror_diffs"] = static_cast<double>(differences) / runs;
}

void BM_KillTheServerThatServes(benchmark::State& state) { Switch(state, true); }
void BM_HandOver(benchmark::State& state) { Switch(state, false); }

// Nothing fails: a call through one endpoint, and through the pair that
// lists it first. Client CPU per call (the simulators are processes of
// their own).
void BM_CallCpu(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  static const std::pair<std::string, std::string> ends = FreePair();
  static const std::string& a = ends.first;
  static const std::string& b = ends.second;
  static SimulatorProcess first({"--peer", b, "--primary"}, a);
  static SimulatorProcess second({"--peer", a}, b);
  if (first.Endpoint().empty() || second.Endpoint().empty()) return state.SkipWithError("a simulator did not start");
  const std::string server = state.range(0) == 0 ? a : a + "," + b;
  ZelAPresenceServer api("failover-bench", "cpu");
  for (int wait = 0; wait < 100; ++wait) {
    ZelTServerStatus status;
    if (api.QueryServerStatus(server, status) == PS::ACTION_SUCCEEDED) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ZelAUserPresence agent("failover-bench", "cpu");
  agent.SetUserKey(42);
  agent.SetUserID("agent42");
  for (auto _ : state)
    if (agent.Query(server) != PS::ACTION_SUCCEEDED) return state.SkipWithError("a call failed");
  state.SetLabel(state.range(0) == 0 ? "one endpoint" : "a pair");
}

}  // namespace

BENCHMARK(BM_KillTheServerThatServes)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HandOver)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CallCpu)->Arg(0)->Arg(1)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
