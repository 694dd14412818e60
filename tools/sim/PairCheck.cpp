// pair-check: figures of a pair of presence-sim processes under load, run
// by hand (scripts/pair-check), never in CI.
//
//   pair-check cut [--seconds 10] [--threads 16]
//     The link between the two servers is cut for --seconds (each names the
//     other through a LinkRelay) while the threads act and query through
//     both; the clients reach both all along. Each thread owns agents: it
//     queries one, then sets its routing state. Each acknowledgement tells
//     the position of the stream of the server that carried the action out;
//     once the link is back, the server that took over tells from which
//     position of the other's stream its table began: the actions
//     acknowledged after it are lost. Printed: those actions and when they
//     were acknowledged, against the cut and the take-over; the actions
//     failed as two serving; the old server's own count.
//   pair-check load [--minutes 10] [--threads 16]
//     The same load with nothing cut or killed; printed: the take-overs and
//     stand-downs each server counted. Only the first take-over has a cause.
//
// Both print "name: value" lines; the servers' logs go to --logs DIR.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>
#include <zmq.hpp>

#include "AdminFrame.h"
#include "LinkRelay.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/platform/TFramework.h"

namespace {

using Clock = std::chrono::steady_clock;
using PS = ZelTPresenceServer;
constexpr long kAgentsPerThread = 4;
constexpr long kFirstKey = 42;

double MsSince(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// A loopback server port whose events port above it is free too.
std::string FreeEndpoint() {
  zmq::context_t context;
  zmq::socket_t probe(context, zmq::socket_type::pub);
  probe.bind("tcp://127.0.0.1:0");
  const std::string bound = probe.get(zmq::sockopt::last_endpoint);
  return "tcp://127.0.0.1:" + std::to_string(std::stoi(bound.substr(bound.rfind(':') + 1)) - 1);
}

// A presence-sim of the build beside this program, its standard error in a file.
class Server {
 public:
  Server(const std::string& endpoint, const std::string& peer, bool primary, const std::string& log) {
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string program(self, length > 0 ? static_cast<std::size_t>(length) : 0);
    program = program.substr(0, program.rfind('/') + 1) + "presence-sim";
    std::vector<std::string> arguments = {program, "--bind", endpoint, "--peer", peer, "--agents", "80"};
    if (primary) arguments.push_back("--primary");
    m_pid = fork();
    if (m_pid == 0) {
      std::vector<char*> argv;
      for (std::string& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      if (!freopen("/dev/null", "w", stdout) || !freopen(log.c_str(), "w", stderr)) _exit(126);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~Server() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
  }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

 private:
  pid_t m_pid = -1;
};

TServerState RoleOf(const std::string& endpoint) {
  TFramework framework("pair-check", "localhost", 5);
  TServerState state;
  if (!framework.QueryRole(endpoint.c_str(), 1000, state)) state.term = 0;
  return state;
}

bool AwaitRole(const std::string& endpoint, TServerRole role, std::chrono::seconds bound) {
  for (const auto until = Clock::now() + bound; Clock::now() < until;) {
    const TServerState state = RoleOf(endpoint);
    if (state.term != 0 && state.role == role) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The callers' figures, and when each action was acknowledged, where.
struct Tally {
  std::mutex lock;
  long acted = 0;
  long acknowledged = 0;
  long toldLost = 0;
  long unknown = 0;
  long refused = 0;
  long failed = 0;
  std::vector<std::pair<Clock::time_point, TEventPosition>> acks;
};

class Callers {
 public:
  Callers(const std::string& list, int threads) {
    for (int thread = 0; thread < threads; ++thread) m_threads.emplace_back([this, list, thread] { Run(list, thread); });
  }
  ~Callers() { Stop(); }
  void Stop() {
    m_stop = true;
    for (std::thread& thread : m_threads)
      if (thread.joinable()) thread.join();
  }
  Tally& Figures() { return m_tally; }

 private:
  // Logged-on agents only: every fifth of the seeded ones is logged off.
  static long KeyOf(int thread, long slot) {
    const long index = thread * kAgentsPerThread + slot;
    return kFirstKey + index + index / 4;
  }

  void Run(const std::string& list, int thread) {
    std::vector<ZelAUserPresence> agents(kAgentsPerThread, ZelAUserPresence("pair-check", "localhost"));
    for (long slot = 0; slot < kAgentsPerThread; ++slot) {
      agents[slot].SetUserKey(KeyOf(thread, slot));
      agents[slot].SetUserID("agent" + std::to_string(KeyOf(thread, slot)));
    }
    for (long turn = 0; !m_stop; ++turn) Step(list, agents[turn % kAgentsPerThread], turn);
  }

  void Step(const std::string& list, ZelAUserPresence& agent, long turn) {
    agent.Query(list);
    const auto state = turn % 2 ? ZelTRoutingState::ROUTINGSTATE_AVAILABLE : ZelTRoutingState::ROUTINGSTATE_WORK;
    const PS::ActionResult result = agent.SetRoutingState(list, state, turn, false);
    const TCallFailure failure = agent.GetCallOutcome().kind;
    std::lock_guard<std::mutex> guard(m_tally.lock);
    ++m_tally.acted;
    if (result == PS::ACTION_SUCCEEDED) {
      ++m_tally.acknowledged;
      m_tally.acks.emplace_back(Clock::now(), agent.GetStatePosition());
    } else if (failure == TCallFailure::TwoServing) {
      ++m_tally.toldLost;
    } else if (failure == TCallFailure::OutcomeUnknown) {
      ++m_tally.unknown;
    } else if (failure == TCallFailure::None) {
      ++m_tally.refused;
    } else {
      ++m_tally.failed;
    }
  }

  std::atomic<bool> m_stop{false};
  Tally m_tally;
  std::vector<std::thread> m_threads;
};

// Where the table of the server that serves there began: a position of its
// peer's stream (kTermBeganRpcType).
zelsim::AdminCall TermBegan(const std::string& endpoint) {
  TFramework framework("pair-check", "localhost", 5);
  TRPC rpc;
  rpc.SetRPCType(zelsim::kTermBeganRpcType);
  const std::string call = zelsim::EncodeAdminCall({});
  rpc.SetCallData(call.data(), call.size());
  TThreadQueue replies;
  zelsim::AdminCall began;
  if (!framework.SendRPC(rpc, endpoint.c_str(), replies, 2000, 0) ||
      !zelsim::DecodeAdminCall(rpc.GetReplyPointer(), rpc.GetReplySize(), began))
    return {};
  return began;
}

// Two servers, each naming the other through a relay; the clients call both directly.
struct Pair {
  explicit Pair(const std::string& logs)
      : endpoints{FreeEndpoint(), FreeEndpoint()}, relays{zelsim::LinkRelay(endpoints[0]), zelsim::LinkRelay(endpoints[1])} {
    if (!relays[0].Start() || !relays[1].Start()) return;
    servers[0] = std::make_unique<Server>(endpoints[0], relays[1].Endpoint(), true, logs + "/first.log");
    servers[1] = std::make_unique<Server>(endpoints[1], relays[0].Endpoint(), false, logs + "/second.log");
    ready = AwaitRole(endpoints[0], TServerRole::Serving, std::chrono::seconds(20)) &&
            AwaitRole(endpoints[1], TServerRole::Standby, std::chrono::seconds(20));
  }
  std::string List() const { return endpoints[0] + "," + endpoints[1]; }
  void Cut() {
    relays[0].Cut();
    relays[1].Cut();
  }
  void Restore() {
    relays[0].Restore();
    relays[1].Restore();
  }

  std::string endpoints[2];
  zelsim::LinkRelay relays[2];
  std::unique_ptr<Server> servers[2];
  bool ready = false;
};

void PrintRoles(const Pair& pair) {
  const char* names[2] = {"first", "second"};
  for (int side = 0; side < 2; ++side) {
    const TServerState state = RoleOf(pair.endpoints[side]);
    std::printf("%s: %s, term %s, take-overs %u, stand-downs %u, hand-overs %u, changes lost %u\n", names[side],
                ToString(state.role).c_str(), TServerTerm::ToString(state.term).c_str(), state.takeOvers,
                state.standDowns, state.handOvers, state.lostChanges);
  }
}

int Cut(const std::string& logs, int threads, int seconds) {
  Pair pair(logs);
  if (!pair.ready) return std::fprintf(stderr, "pair-check: the pair did not start\n"), 1;
  Callers callers(pair.List(), threads);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const Clock::time_point cut = Clock::now();
  pair.Cut();
  AwaitRole(pair.endpoints[1], TServerRole::Serving, std::chrono::seconds(seconds));
  const Clock::time_point tookOver = Clock::now();
  AwaitRole(pair.endpoints[0], TServerRole::Standby, std::chrono::seconds(seconds));
  const Clock::time_point stoodDown = Clock::now();
  std::this_thread::sleep_until(cut + std::chrono::seconds(seconds));
  pair.Restore();
  std::this_thread::sleep_for(std::chrono::seconds(5));
  callers.Stop();
  Tally& tally = callers.Figures();
  const TEventPosition began = TermBegan(pair.endpoints[1]).through;
  std::vector<Clock::time_point> lost;
  for (const auto& [at, position] : tally.acks)
    if (position.incarnation == began.incarnation && position.position > began.position) lost.push_back(at);
  std::sort(lost.begin(), lost.end());
  const long afterTakeOver = std::count_if(lost.begin(), lost.end(), [&](auto at) { return at >= tookOver; });
  std::printf("actions: %ld, acknowledged %ld, told lost (two serving) %ld, outcome unknown %ld, refused %ld, failed %ld\n",
              tally.acted, tally.acknowledged, tally.toldLost, tally.unknown, tally.refused, tally.failed);
  std::printf("take-over after the cut: %.0f ms\n", MsSince(cut, tookOver));
  std::printf("old server stood by after the take-over: %.0f ms\n", MsSince(tookOver, stoodDown));
  std::printf("the other's table began after event %llu\n", static_cast<unsigned long long>(began.position));
  std::printf("acknowledged then lost: %zu (%ld after the take-over)\n", lost.size(), afterTakeOver);
  if (!lost.empty())
    std::printf("their acknowledgements, from the cut: %.0f ms to %.0f ms; after the take-over for %.0f ms\n",
                MsSince(cut, lost.front()), MsSince(cut, lost.back()), std::max(0.0, MsSince(tookOver, lost.back())));
  PrintRoles(pair);
  return 0;
}

int Load(const std::string& logs, int threads, int minutes) {
  Pair pair(logs);
  if (!pair.ready) return std::fprintf(stderr, "pair-check: the pair did not start\n"), 1;
  Callers callers(pair.List(), threads);
  std::this_thread::sleep_for(std::chrono::minutes(minutes));
  callers.Stop();
  Tally& tally = callers.Figures();
  std::printf("actions: %ld, acknowledged %ld, outcome unknown %ld, refused %ld, failed %ld\n", tally.acted,
              tally.acknowledged, tally.unknown, tally.refused, tally.failed);
  const TServerState first = RoleOf(pair.endpoints[0]);
  const TServerState second = RoleOf(pair.endpoints[1]);
  std::printf("take-overs without a cause: %u\n", first.takeOvers + second.takeOvers - 1);
  PrintRoles(pair);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Figures of a pair of presence-sim processes under load"};
  app.require_subcommand(1);
  std::string logs = "/tmp";
  int threads = 16;
  int seconds = 10;
  int minutes = 10;
  app.add_option("--logs", logs, "Where the servers' standard error goes")->capture_default_str();
  app.add_option("--threads", threads, "Threads acting through the pair")->check(CLI::Range(1, 64))->capture_default_str();
  auto* cut = app.add_subcommand("cut", "Cut the link between the servers while the clients reach both");
  cut->add_option("--seconds", seconds, "How long the link stays cut")->check(CLI::Range(1, 600))->capture_default_str();
  auto* load = app.add_subcommand("load", "Act through the pair with nothing cut");
  load->add_option("--minutes", minutes, "How long")->check(CLI::Range(1, 600))->capture_default_str();
  CLI11_PARSE(app, argc, argv);
  signal(SIGPIPE, SIG_IGN);
  return cut->parsed() ? Cut(logs, threads, seconds) : Load(logs, threads, minutes);
}
