// The C interface beside the C++ call it wraps, over inproc so that the
// wrapper's share is not lost in the transport's: a server status call, and
// a users query of 1,000 and 50,000 agents whose every record is then read
// (key, id, routing state), as an application or a language binding would.
// Compare the medians of each pair within one run. The Remote pairs call a
// server named by ZELCLNT_BENCH_SERVER over its own transport, beside the
// Python package's same calls.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "PresenceSimulator.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"
#include "zelclnt/zelclnt_c.h"

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

// The server the Python package's benchmark compares against
// (python/bench/compare.py): a presence-sim process of its own over tcp.
bool RemoteServer(benchmark::State& state, std::string& endpoint) {
  const char* server = std::getenv("ZELCLNT_BENCH_SERVER");
  if (!server || !*server) {
    state.SkipWithError("ZELCLNT_BENCH_SERVER names no server");
    return false;
  }
  endpoint = server;
  return true;
}

void StatusCxx(benchmark::State& state, const std::string& endpoint) {
  ZelAPresenceServer api;
  ZelTServerStatus request;
  for (auto _ : state)
    if (api.QueryServerStatus(endpoint, request) != ZelTPresenceServer::ACTION_SUCCEEDED)
      return state.SkipWithError("query failed");
}

void StatusC(benchmark::State& state, const std::string& endpoint) {
  zel_client* client = zel_client_new(endpoint.c_str());
  zel_request* request = zel_server_status_new();
  for (auto _ : state)
    if (zel_call(client, request) != ZEL_OK) {
      state.SkipWithError("query failed");
      break;
    }
  zel_request_free(request);
  zel_client_free(client);
}

void UsersCxx(benchmark::State& state, const std::string& endpoint) {
  ZelAPresenceServer api;
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  for (auto _ : state) {
    if (api.QueryUsersPresence(endpoint, query) != ZelTPresenceServer::ACTION_SUCCEEDED)
      return state.SkipWithError("query failed");
    long sum = 0;
    for (const ZelTUserPresence* user : query.GetUsersPresence().GetList())
      sum += user->GetUserKey() + static_cast<long>(user->GetUserID().size()) + user->GetRoutingState().GetRoutingState();
    benchmark::DoNotOptimize(sum);
  }
  state.counters["users"] = static_cast<double>(query.GetUsersPresence().Size());
}

void UsersC(benchmark::State& state, const std::string& endpoint) {
  zel_client* client = zel_client_new(endpoint.c_str());
  zel_request* query = zel_users_new(ZEL_USERS_ALL);
  char id[64];
  for (auto _ : state) {
    if (zel_call(client, query) != ZEL_OK) {
      state.SkipWithError("query failed");
      break;
    }
    long sum = 0;
    for (size_t i = 0, count = zel_users_count(query); i < count; ++i) {
      const zel_user* user = zel_users_at(query, i);
      sum += zel_user_key(user) + static_cast<long>(zel_user_id(user, id, sizeof id)) + zel_user_routing_state(user);
    }
    benchmark::DoNotOptimize(sum);
  }
  zel_request_free(query);
  zel_client_free(client);
}

void BM_StatusCxx(benchmark::State& state) {
  Simulator simulator("inproc://bench-capi-status-cxx", 8);
  if (simulator.Started(state)) StatusCxx(state, simulator.Endpoint());
}

void BM_StatusC(benchmark::State& state) {
  Simulator simulator("inproc://bench-capi-status-c", 8);
  if (simulator.Started(state)) StatusC(state, simulator.Endpoint());
}

void BM_UsersCxx(benchmark::State& state) {
  Simulator simulator("inproc://bench-capi-users-cxx", static_cast<int>(state.range(0)));
  if (simulator.Started(state)) UsersCxx(state, simulator.Endpoint());
}

void BM_UsersC(benchmark::State& state) {
  Simulator simulator("inproc://bench-capi-users-c", static_cast<int>(state.range(0)));
  if (simulator.Started(state)) UsersC(state, simulator.Endpoint());
}

void BM_RemoteStatusCxx(benchmark::State& state) {
  std::string endpoint;
  if (RemoteServer(state, endpoint)) StatusCxx(state, endpoint);
}

void BM_RemoteStatusC(benchmark::State& state) {
  std::string endpoint;
  if (RemoteServer(state, endpoint)) StatusC(state, endpoint);
}

void BM_RemoteUsersCxx(benchmark::State& state) {
  std::string endpoint;
  if (RemoteServer(state, endpoint)) UsersCxx(state, endpoint);
}

void BM_RemoteUsersC(benchmark::State& state) {
  std::string endpoint;
  if (RemoteServer(state, endpoint)) UsersC(state, endpoint);
}

BENCHMARK(BM_StatusCxx)->UseRealTime();
BENCHMARK(BM_StatusC)->UseRealTime();
BENCHMARK(BM_UsersCxx)->Arg(1000)->Arg(50000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UsersC)->Arg(1000)->Arg(50000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoteStatusCxx)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemoteStatusC)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemoteUsersCxx)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoteUsersC)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
