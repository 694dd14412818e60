// Heap allocations per call: the framework's call, beside a bare ZeroMQ
// round trip of the same bytes to the same echo server (what ZeroMQ itself
// allocates), a whole server-status query through the API object, and the
// call trace and diagnostic stream with their types off (none at all).
// Runs in its own executable, beside allocation_meter.cpp.
#include <benchmark/benchmark.h>

#include <string>

#include "allocation_meter.h"
#include "echo_server.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

constexpr std::size_t kCallData = 128;

void ReportAllocations(benchmark::State& state, std::size_t before) {
  const auto calls = static_cast<double>(state.iterations());
  state.counters["allocations_per_call"] = static_cast<double>(zelbench::AllocationCount() - before) / calls;
}

void BM_FrameworkCallAllocations(benchmark::State& state, const char* endpoint) {
  TDiag::SetFilters("NONE");
  const zelbench::EchoServer server(endpoint);
  TFramework client("bench", "local", 5);
  TRPC rpc;
  const std::string data(kCallData, 'c');
  rpc.SetCallData(data.data(), data.size());
  TThreadQueue queue;
  // The first call opens the connection; only the steady state counts.
  client.SendRPC(rpc, server.Endpoint().c_str(), queue, 5000, 0);
  const std::size_t before = zelbench::AllocationCount();
  for (auto _ : state) {
    if (!client.SendRPC(rpc, server.Endpoint().c_str(), queue, 5000, 0)) state.SkipWithError("call failed");
  }
  ReportAllocations(state, before);
}

void BM_BareCallAllocations(benchmark::State& state, const char* endpoint) {
  const zelbench::EchoServer server(endpoint);
  zmq::socket_t dealer(zelbench::LibraryContext(), zmq::socket_type::dealer);
  dealer.set(zmq::sockopt::linger, 0);
  dealer.connect(server.Endpoint());
  const std::string call = zelbench::CallFrameOf(kCallData);
  zmq::message_t reply;
  dealer.send(zmq::buffer(call), zmq::send_flags::none);
  (void)dealer.recv(reply);
  const std::size_t before = zelbench::AllocationCount();
  for (auto _ : state) {
    dealer.send(zmq::buffer(call), zmq::send_flags::none);
    benchmark::DoNotOptimize(dealer.recv(reply));
  }
  ReportAllocations(state, before);
}

std::string ServerStatusReply() {
  ZelTServerStatus status;
  TRPC rpc;
  status.PackRpcCall(rpc);
  status.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  status.PackRpcReply(rpc);
  return std::string(rpc.GetReplyPointer(), rpc.GetReplySize());
}

void BM_ServerStatusQueryAllocations(benchmark::State& state, const char* endpoint) {
  TDiag::SetFilters("NONE");
  const zelbench::EchoServer server(endpoint, ServerStatusReply());
  ZelAPresenceServer api("bench", "local");
  ZelTServerStatus status;
  api.QueryServerStatus(server.Endpoint(), status);
  const std::size_t before = zelbench::AllocationCount();
  for (auto _ : state) {
    if (api.QueryServerStatus(server.Endpoint(), status) != ZelTPresenceServer::ACTION_SUCCEEDED)
      state.SkipWithError("query failed");
  }
  ReportAllocations(state, before);
}

void BM_DiagOffAllocations(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  const std::size_t before = zelbench::AllocationCount();
  for (auto _ : state) {
    NuxFenx trace(__LINE__, __FILE__, "ZelAPresenceServer", "QueryServerStatus");
    NuxDiagStream(TDiag::INFO, __LINE__, __FILE__, trace) << "text";
  }
  ReportAllocations(state, before);
}

BENCHMARK(BM_DiagOffAllocations)->Iterations(2000);
BENCHMARK_CAPTURE(BM_FrameworkCallAllocations, inproc, "inproc://bench-allocations")->Iterations(2000);
BENCHMARK_CAPTURE(BM_BareCallAllocations, inproc, "inproc://bench-allocations-bare")->Iterations(2000);
BENCHMARK_CAPTURE(BM_FrameworkCallAllocations, tcp, "tcp://127.0.0.1:*")->Iterations(2000);
BENCHMARK_CAPTURE(BM_BareCallAllocations, tcp, "tcp://127.0.0.1:*")->Iterations(2000);
BENCHMARK_CAPTURE(BM_ServerStatusQueryAllocations, inproc, "inproc://bench-status")->Iterations(2000);

}  // namespace
