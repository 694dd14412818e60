// The envelope's cost and the client's round trip, each beside the bare
// ZeroMQ round trip of the same bytes, so the library's overhead reads as a
// ratio of figures measured in one run.
#include <benchmark/benchmark.h>

#include <string>

#include "PresenceSimulator.h"
#include "bare_round_trip.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

ZelTServerStatus AnsweredStatus() {
  ZelTServerStatus status("tcp://127.0.0.1:7302", "tcp://127.0.0.1:7301", "", "presence", Generic::SERVERTYPE_PRESENCE);
  status.SetServerStartedAt(TTimeStamp::FromMilliseconds(1796605323045, false));
  status.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  return status;
}

void BM_PackServerStatusCall(benchmark::State& state) {
  ZelTServerStatus request;
  request.SetAction(ZelTServerStatus::ACTION_QUERY);
  for (auto _ : state) {
    TRPC rpc;
    benchmark::DoNotOptimize(request.PackRpcCall(rpc));
    benchmark::DoNotOptimize(rpc.GetCallPointer());
  }
}
BENCHMARK(BM_PackServerStatusCall);

void BM_UnpackServerStatusReply(benchmark::State& state) {
  ZelTServerStatus answered = AnsweredStatus();
  TRPC rpc;
  answered.PackRpcReply(rpc);
  for (auto _ : state) {
    ZelTServerStatus reply;
    benchmark::DoNotOptimize(reply.UnpackRpcReply(rpc));
  }
  state.counters["reply_bytes"] = static_cast<double>(rpc.GetReplySize());
}
BENCHMARK(BM_UnpackServerStatusReply);

// Call and reply sizes of a server status round trip, transport frames included.
struct WireSizes {
  std::size_t call;
  std::size_t reply;
};

WireSizes ServerStatusSizes() {
  constexpr std::size_t kCallFrame = 16;
  constexpr std::size_t kReplyFrame = 20;
  ZelTServerStatus request;
  TRPC rpc;
  request.PackRpcCall(rpc);
  AnsweredStatus().PackRpcReply(rpc);
  return {rpc.GetCallSize() + kCallFrame, rpc.GetReplySize() + kReplyFrame};
}

void QueryRoundTrip(benchmark::State& state, const std::string& endpoint) {
  TDiag::SetFilters("NONE");
  zelsim::SimulatorOptions options;
  options.endpoint = endpoint;
  zelsim::PresenceSimulator simulator(options);
  std::string error;
  if (!simulator.Start(&error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  ZelAPresenceServer api;
  ZelTServerStatus request;
  for (auto _ : state) {
    if (api.QueryServerStatus(simulator.Endpoint(), request) != ZelTPresenceServer::ACTION_SUCCEEDED) {
      state.SkipWithError("query failed");
      break;
    }
  }
  simulator.Stop();
  TDiag::ResetFilters();
}

void BareRoundTrip(benchmark::State& state, const std::string& endpoint) {
  const WireSizes sizes = ServerStatusSizes();
  zelbench::BareRoundTrip(state, endpoint, sizes.call, sizes.reply);
}

void BM_QueryServerStatus_Inproc(benchmark::State& state) { QueryRoundTrip(state, "inproc://bench-presence"); }
void BM_BareZmq_Inproc(benchmark::State& state) { BareRoundTrip(state, "inproc://bench-bare"); }
void BM_QueryServerStatus_Tcp(benchmark::State& state) { QueryRoundTrip(state, "tcp://127.0.0.1:*"); }
void BM_BareZmq_Tcp(benchmark::State& state) { BareRoundTrip(state, "tcp://127.0.0.1:*"); }

BENCHMARK(BM_QueryServerStatus_Inproc)->UseRealTime();
BENCHMARK(BM_BareZmq_Inproc)->UseRealTime();
BENCHMARK(BM_QueryServerStatus_Tcp)->UseRealTime();
BENCHMARK(BM_BareZmq_Tcp)->UseRealTime();

}  // namespace
