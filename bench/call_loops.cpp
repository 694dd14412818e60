#include "call_loops.h"

#include "echo_server.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TFramework.h"

namespace zelbench {
namespace {

constexpr long kTimeoutMs = 5000;

}  // namespace

void FrameworkCalls(benchmark::State& state, const std::string& endpoint) {
  TDiag::SetFilters("NONE");
  TFramework client("bench", "local", 5);
  TRPC rpc;
  rpc.SetRPCType(77);
  const std::string data(kSmallCallData, 'c');
  rpc.SetCallData(data.data(), data.size());
  TThreadQueue queue;
  for (auto _ : state) {
    if (!client.SendRPC(rpc, endpoint.c_str(), queue, kTimeoutMs, 0) || rpc.GetReplySize() != kSmallCallData) {
      state.SkipWithError("call failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void BareCalls(benchmark::State& state, const std::string& endpoint) {
  zmq::socket_t dealer(LibraryContext(), zmq::socket_type::dealer);
  dealer.set(zmq::sockopt::linger, 0);
  dealer.connect(endpoint);
  const std::string call = CallFrameOf(kSmallCallData);
  for (auto _ : state) {
    dealer.send(zmq::buffer(call), zmq::send_flags::none);
    zmq::message_t reply;
    benchmark::DoNotOptimize(dealer.recv(reply));
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace zelbench
