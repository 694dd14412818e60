// What a call in flight holds on the completion queue's side: its record,
// its place among its connection's calls and its deadline. The TRPC and its
// call data are the caller's, and ZeroMQ's own buffers are not counted.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "allocation_meter.h"
#include "echo_server.h"
#include "zelclnt/platform/TCompletionQueue.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TFramework.h"

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

}  // namespace

BENCHMARK(BM_MemoryPerCallInFlight)->Arg(1000)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);
