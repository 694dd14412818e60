// Many calls in flight from one thread: the completion queue beside a bare
// DEALER pipelining the same call bytes to the same echo server over
// loopback tcp. items_per_second is calls per second.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "echo_server.h"
#include "zelclnt/platform/TCompletionQueue.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TFramework.h"

namespace {

constexpr std::size_t kCallData = 128;
constexpr long kTimeoutMs = 30000;

const std::string& Served() {
  static const zelbench::EchoServer tcp("tcp://127.0.0.1:*");
  return tcp.Endpoint();
}

void BM_QueueInFlight(benchmark::State& state) {
  TDiag::SetFilters("NONE");
  const std::string& endpoint = Served();
  const auto inFlight = static_cast<std::size_t>(state.range(0));
  TFramework client("bench", "local", 5);
  const std::string data(kCallData, 'c');
  std::vector<TRPC> calls(inFlight);
  for (TRPC& rpc : calls) {
    rpc.SetRPCType(77);
    rpc.SetCallData(data.data(), data.size());
  }
  TCompletionQueue queue;
  TCompletionQueue::Completion done;
  for (auto _ : state) {
    for (TRPC& rpc : calls) client.StartRPC(rpc, endpoint.c_str(), queue, kTimeoutMs, nullptr);
    for (std::size_t ended = 0; ended < inFlight; ++ended) {
      if (!queue.Next(done, -1) || done.rpc->GetOutcome().kind != TCallFailure::None) {
        state.SkipWithError("call failed");
        return;
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(inFlight));
}

// At most 256 calls await their replies, as on the library's connections:
// the server's ROUTER drops replies beyond its high-water mark.
constexpr std::size_t kWindow = 256;

void BM_BarePipelined(benchmark::State& state) {
  const auto inFlight = static_cast<std::size_t>(state.range(0));
  zmq::socket_t dealer(zelbench::LibraryContext(), zmq::socket_type::dealer);
  dealer.set(zmq::sockopt::linger, 0);
  dealer.connect(Served());
  const std::string call = zelbench::CallFrameOf(kCallData);
  zmq::message_t reply;
  for (auto _ : state) {
    std::size_t sent = 0;
    for (std::size_t received = 0; received < inFlight;) {
      while (sent < inFlight && sent - received < kWindow && dealer.send(zmq::buffer(call), zmq::send_flags::dontwait))
        ++sent;
      if (dealer.recv(reply, zmq::recv_flags::none)) ++received;
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(inFlight));
}

}  // namespace

BENCHMARK(BM_QueueInFlight)->Arg(1000)->Arg(10000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BarePipelined)->Arg(1000)->Arg(10000)->UseRealTime()->Unit(benchmark::kMillisecond);
