// The framework's call path beside bare ZeroMQ: the same call and reply
// bytes, the same echo server, over inproc and loopback tcp, from 1, 2, 4
// and 8 threads. At one thread cpu_time is the calling thread's CPU per
// round trip; items_per_second is calls per second from all threads.
#include <benchmark/benchmark.h>

#include <string>

#include "call_loops.h"
#include "echo_server.h"

namespace {

enum class Kind { Inproc, Tcp };

const std::string& Served(Kind kind) {
  static const zelbench::EchoServer inproc("inproc://bench-transport-echo");
  static const zelbench::EchoServer tcp("tcp://127.0.0.1:*");
  return kind == Kind::Inproc ? inproc.Endpoint() : tcp.Endpoint();
}

void BM_FrameworkCall(benchmark::State& state, Kind kind) { zelbench::FrameworkCalls(state, Served(kind)); }

void BM_BareCall(benchmark::State& state, Kind kind) { zelbench::BareCalls(state, Served(kind)); }

BENCHMARK_CAPTURE(BM_FrameworkCall, inproc, Kind::Inproc)->ThreadRange(1, 8)->UseRealTime();
BENCHMARK_CAPTURE(BM_BareCall, inproc, Kind::Inproc)->ThreadRange(1, 8)->UseRealTime();
BENCHMARK_CAPTURE(BM_FrameworkCall, tcp, Kind::Tcp)->ThreadRange(1, 8)->UseRealTime();
BENCHMARK_CAPTURE(BM_BareCall, tcp, Kind::Tcp)->ThreadRange(1, 8)->UseRealTime();

}  // namespace
