// The envelope's cost and the client's round trip, each beside the bare
// ZeroMQ round trip of the same bytes, so the library's overhead reads as a
// ratio of figures measured in one run.
#include <benchmark/benchmark.h>

#include <string>
#include <thread>
#include <zmq.hpp>

#include "PresenceSimulator.h"
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

// A ROUTER that answers every call with a reply of fixed size, on its own
// context, as a floor for what any library on ZeroMQ could reach.
void BareRoundTrip(benchmark::State& state, const std::string& endpoint) {
  const WireSizes sizes = ServerStatusSizes();
  zmq::context_t context;
  zmq::socket_t router(context, zmq::socket_type::router);
  router.set(zmq::sockopt::linger, 0);
  router.bind(endpoint);
  const std::string bound = router.get(zmq::sockopt::last_endpoint);
  std::thread server([&router, &sizes] {
    const std::string reply(sizes.reply, 'r');
    for (;;) {
      zmq::message_t identity;
      zmq::message_t call;
      if (!router.recv(identity) || !router.recv(call)) return;
      if (call.size() == 0) return;
      router.send(identity, zmq::send_flags::sndmore);
      router.send(zmq::buffer(reply), zmq::send_flags::none);
    }
  });

  zmq::socket_t dealer(context, zmq::socket_type::dealer);
  dealer.set(zmq::sockopt::linger, 0);
  dealer.connect(bound);
  const std::string call(sizes.call, 'c');
  for (auto _ : state) {
    dealer.send(zmq::buffer(call), zmq::send_flags::none);
    zmq::message_t reply;
    benchmark::DoNotOptimize(dealer.recv(reply));
  }
  dealer.send(zmq::message_t(), zmq::send_flags::none);
  server.join();
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
