// The round trip over tcp with and without CURVE, side by side: the same
// echo server (a TRPCServer) and the same framework client, for a small
// call and a larger one, where encryption's cost per byte shows.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

constexpr long kTimeoutMs = 5000;

void Echo(TRPC& rpc) { rpc.SetReplyData(rpc.GetCallPointer(), rpc.GetCallSize()); }

// Started once each, for the life of the run.
const std::string& Served(bool curve) {
  static const std::string endpoints[2] = {
      [] {
        static TRPCServer plain("tcp://127.0.0.1:0", Echo);
        plain.Start();
        return plain.Endpoint();
      }(),
      [] {
        const TCurveKeyPair client = TCurve::Generate();
        const TCurveKeyPair server = TCurve::Generate();
        static TRPCServer secured("tcp://127.0.0.1:0", Echo);
        secured.SetSecurity({server, {{client.publicKey, TRole::Control}}});
        secured.Start();
        TFramework::SetClientKeys(client);
        TFramework::SetServerKey(secured.Endpoint(), server.publicKey);
        return secured.Endpoint();
      }(),
  };
  return endpoints[curve ? 1 : 0];
}

void BM_TcpRoundTrip(benchmark::State& state, bool curve) {
  TDiag::SetFilters("NONE");
  const std::string& endpoint = Served(curve);
  const std::string data(static_cast<std::size_t>(state.range(0)), 'c');
  TFramework client("bench", "local", 5);
  TRPC rpc;
  rpc.SetRPCType(77);
  rpc.SetCallData(data.data(), data.size());
  TThreadQueue queue;
  for (auto _ : state) {
    if (!client.SendRPC(rpc, endpoint.c_str(), queue, kTimeoutMs, 0) || rpc.GetReplySize() != data.size()) {
      state.SkipWithError(TFramework::LastFailure().text.c_str());
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}

BENCHMARK_CAPTURE(BM_TcpRoundTrip, clear, false)->Arg(128)->Arg(16384)->UseRealTime();
BENCHMARK_CAPTURE(BM_TcpRoundTrip, curve, true)->Arg(128)->Arg(16384)->UseRealTime();

}  // namespace
