// The framework's server beside a bare ROUTER echo: the same small call and
// reply bytes, called by the framework's client and by a bare DEALER, over
// inproc and loopback tcp, from 1, 2, 4 and 8 threads. What differs between
// BM_ServerCall and BM_BareCall (transport_bench.cpp) is the server side and
// the client's own share, which BM_FrameworkCall shows apart.
#include <benchmark/benchmark.h>

#include <string>

#include "call_loops.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

constexpr int kHandlerThreads = 2;

enum class Kind { Inproc, Tcp };

// Started once, for every benchmark of the run, as the echo servers are.
class EchoRpcServer {
 public:
  explicit EchoRpcServer(const std::string& endpoint)
      : m_server(endpoint, [](TRPC& rpc) { rpc.SetReplyData(rpc.GetCallPointer(), rpc.GetCallSize()); }) {
    TDiag::SetFilters("NONE");
    m_server.SetHandlerThreads(kHandlerThreads);
    m_server.Start();
  }
  const std::string& Endpoint() const { return m_server.Endpoint(); }

 private:
  TRPCServer m_server;
};

const std::string& Served(Kind kind) {
  static const EchoRpcServer inproc("inproc://bench-server-echo");
  static const EchoRpcServer tcp("tcp://127.0.0.1:*");
  return kind == Kind::Inproc ? inproc.Endpoint() : tcp.Endpoint();
}

void BM_ServerCall(benchmark::State& state, Kind kind) { zelbench::FrameworkCalls(state, Served(kind)); }

// A bare client of the framework's server: the server's share alone.
void BM_BareCallToServer(benchmark::State& state, Kind kind) { zelbench::BareCalls(state, Served(kind)); }

BENCHMARK_CAPTURE(BM_ServerCall, inproc, Kind::Inproc)->ThreadRange(1, 8)->UseRealTime();
BENCHMARK_CAPTURE(BM_BareCallToServer, inproc, Kind::Inproc)->UseRealTime();
BENCHMARK_CAPTURE(BM_ServerCall, tcp, Kind::Tcp)->ThreadRange(1, 8)->UseRealTime();
BENCHMARK_CAPTURE(BM_BareCallToServer, tcp, Kind::Tcp)->UseRealTime();

}  // namespace
