// The framework's call path beside bare ZeroMQ: the same call and reply
// bytes, the same echo server, over inproc and loopback tcp, from 1, 2, 4
// and 8 threads. At one thread cpu_time is the calling thread's CPU per
// round trip; items_per_second is calls per second from all threads.
#include <benchmark/benchmark.h>

#include <string>

#include "echo_server.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TFramework.h"

namespace {

constexpr std::size_t kCallData = 128;
constexpr long kTimeoutMs = 5000;

enum class Kind { Inproc, Tcp };

const std::string& Served(Kind kind) {
  static const zelbench::EchoServer inproc("inproc://bench-transport-echo");
  static const zelbench::EchoServer tcp("tcp://127.0.0.1:*");
  return kind == Kind::Inproc ? inproc.Endpoint() : tcp.Endpoint();
}

void BM_FrameworkCall(benchmark::State& state, Kind kind) {
  TDiag::SetFilters("NONE");
  const std::string& endpoint = Served(kind);
  TFramework client("bench", "local", 5);
  TRPC rpc;
  rpc.SetRPCType(77);
  const std::string data(kCallData, 'c');
  rpc.SetCallData(data.data(), data.size());
  TThreadQueue queue;
  for (auto _ : state) {
    if (!client.SendRPC(rpc, endpoint.c_str(), queue, kTimeoutMs, 0) || rpc.GetReplySize() != kCallData) {
      state.SkipWithError("call failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_BareCall(benchmark::State& state, Kind kind) {
  const std::string& endpoint = Served(kind);
  zmq::socket_t dealer(zelbench::LibraryContext(), zmq::socket_type::dealer);
  dealer.set(zmq::sockopt::linger, 0);
  dealer.connect(endpoint);
  const std::string call = zelbench::CallFrameOf(kCallData);
  for (auto _ : state) {
    dealer.send(zmq::buffer(call), zmq::send_flags::none);
    zmq::message_t reply;
    benchmark::DoNotOptimize(dealer.recv(reply));
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(BM_FrameworkCall, inproc, Kind::Inproc)->ThreadRange(1, 8)->UseRealTime();
BENCHMARK_CAPTURE(BM_BareCall, inproc, Kind::Inproc)->ThreadRange(1, 8)->UseRealTime();
BENCHMARK_CAPTURE(BM_FrameworkCall, tcp, Kind::Tcp)->ThreadRange(1, 8)->UseRealTime();
BENCHMARK_CAPTURE(BM_BareCall, tcp, Kind::Tcp)->ThreadRange(1, 8)->UseRealTime();

}  // namespace
