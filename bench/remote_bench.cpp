// The calls of capi_bench.cpp against a server the caller names in
// ZELCLNT_BENCH_SERVER, over its own transport: beside the Python package's
// same calls (python/bench/compare.py), and as the Windows client makes
// them under Wine beside the Linux one (scripts/wine-figures). Built for
// Windows too, where it loads zelclnt.dll.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "capi_calls.h"

namespace {

bool RemoteServer(benchmark::State& state, std::string& endpoint) {
  const char* server = std::getenv("ZELCLNT_BENCH_SERVER");
  if (!server || !*server) {
    state.SkipWithError("ZELCLNT_BENCH_SERVER names no server");
    return false;
  }
  endpoint = server;
  return true;
}

void BM_RemoteStatusCxx(benchmark::State& state) {
  std::string endpoint;
  if (RemoteServer(state, endpoint)) zelbench::StatusCxx(state, endpoint);
}

void BM_RemoteStatusC(benchmark::State& state) {
  std::string endpoint;
  if (RemoteServer(state, endpoint)) zelbench::StatusC(state, endpoint);
}

void BM_RemoteUsersCxx(benchmark::State& state) {
  std::string endpoint;
  if (RemoteServer(state, endpoint)) zelbench::UsersCxx(state, endpoint);
}

void BM_RemoteUsersC(benchmark::State& state) {
  std::string endpoint;
  if (RemoteServer(state, endpoint)) zelbench::UsersC(state, endpoint);
}

BENCHMARK(BM_RemoteStatusCxx)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemoteStatusC)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemoteUsersCxx)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoteUsersC)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
