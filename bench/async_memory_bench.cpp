// What a call in flight holds on the completion queue's side: its record,
// its place among its connection's calls and its deadline. The TRPC and its
// call data are the caller's, and ZeroMQ's own buffers are not counted.
// And what starting a request costs in allocations once a queue is warm.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "PresenceSimulator.h"
#include "allocation_meter.h"
#include "echo_server.h"
#include "zelclnt/platform/TCompletionQueue.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelTCompletionQueue.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

void BM_MemoryPerCallInFlight(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  static const zelbench::EchoServer server("tcp://127.0.0.1:*");
  const auto inFlight = static_cast<std::size_t>(state.range(0));
  TFramework client("bench", "local", 5);
  const std::string data(128, 'c');
  std::vector<TRPC> calls(inFlight);
  for (TRPC& rpc : calls) {
    rpc.SetRPCType(77);
    rpc.SetCallData(data.data(), data.size());
  }
  double perCall = 0;
  for (auto _ : state) {
    TCompletionQueue queue;
    const std::size_t before = zelbench::BytesInUse();
    for (TRPC& rpc : calls) client.StartRPC(rpc, server.Endpoint().c_str(), queue, 30000, nullptr);
    perCall = static_cast<double>(zelbench::BytesInUse() - before) / static_cast<double>(inFlight);
    TCompletionQueue::Completion done;
    for (std::size_t ended = 0; ended < inFlight && queue.Next(done, -1); ++ended) {
    }
  }
  state.counters["bytes_per_call"] = perCall;
}

// Start alone, and a whole round trip, of a status request on a queue that
// carried as many calls before: the queue's records, the TRPC's buffers and
// the connection are then the queue's already. The caller's thread only:
// the simulator serving in this process, and ZeroMQ's I/O thread, allocate
// on threads of their own.
void BM_AllocationsPerQueuedRequest(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  static zelsim::PresenceSimulator simulator([] {
    zelsim::SimulatorOptions options;
    options.endpoint = "inproc://bench-queued-allocations";
    options.agents = 10;
    return options;
  }());
  std::string error;
  if (simulator.Endpoint().empty() && !simulator.Start(&error)) return state.SkipWithError(error.c_str());
  const auto window = static_cast<std::size_t>(state.range(0));
  ZelAPresenceServer api("bench", "local");
  ZelTCompletionQueue queue;
  std::vector<ZelTServerStatus> requests(window);
  for (ZelTServerStatus& request : requests) request.SetAction(ZelTServerStatus::ACTION_QUERY);
  const auto round = [&] {
    std::size_t allocations = zelbench::ThreadAllocationCount();
    for (ZelTServerStatus& request : requests) api.Start(simulator.Endpoint(), request, queue);
    allocations = zelbench::ThreadAllocationCount() - allocations;
    ZelTCompletionQueue::Completion done;
    for (std::size_t ended = 0; ended < window && queue.Next(done, -1); ++ended) {
    }
    return allocations;
  };
  round();
  std::size_t started = 0;
  std::size_t total = 0;
  const std::size_t before = zelbench::ThreadAllocationCount();
  for (auto _ : state) started += round();
  total = zelbench::ThreadAllocationCount() - before;
  const double calls = static_cast<double>(state.iterations() * window);
  state.counters["allocs_per_start"] = static_cast<double>(started) / calls;
  state.counters["allocs_per_round_trip"] = static_cast<double>(total) / calls;
}

}  // namespace

BENCHMARK(BM_AllocationsPerQueuedRequest)->Arg(1)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemoryPerCallInFlight)->Arg(1000)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);
