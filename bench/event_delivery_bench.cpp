// Events per second from a TEventPublisher to one TEventReceiver, over
// inproc and loopback tcp, each beside bare ZeroMQ PUB/SUB of the same
// frames, so that the library's share reads as a ratio. Each iteration
// publishes a batch and waits until the receiver has taken all of it.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <zmq.hpp>

#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"

namespace {

constexpr int kEventType = 35001;
constexpr std::size_t kEventBytes = 300;
constexpr std::size_t kHeaderBytes = 52;
constexpr long kBatch = 1000;

std::string LoopbackServer() {
  zmq::context_t context;
  zmq::socket_t probe(context, zmq::socket_type::pub);
  probe.set(zmq::sockopt::linger, 0);
  probe.bind("tcp://127.0.0.1:0");
  return probe.get(zmq::sockopt::last_endpoint);
}

void AwaitCount(const std::atomic<long>& count, long target) {
  while (count.load(std::memory_order_acquire) < target) std::this_thread::yield();
}

// Sends single events until one has arrived, then lets stragglers land.
template <typename Send>
long Subscribe(const std::atomic<long>& count, Send send) {
  while (count.load(std::memory_order_acquire) == 0) {
    send();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return count.load(std::memory_order_acquire);
}

void Delivery(benchmark::State& state, const std::string& server) {
  TDiag::SetFilters("NONE");
  TEventPublisher publisher(server);
  TEventReceiver receiver(server, {kEventType});
  publisher.SetSendHighWaterMark(0);
  receiver.SetReceiveHighWaterMark(0);
  std::string error;
  if (!publisher.Start(&error) || !receiver.Start(&error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::atomic<long> taken{0};
  std::thread consumer([&] {
    receiver.Run([&](const TEventNotice& notice) {
      taken.fetch_add(notice.kind == TEventNotice::Kind::Event ? 1 : 0, std::memory_order_release);
      return true;
    });
  });
  const std::string bytes(kEventBytes, 'e');
  const auto publish = [&] { publisher.Publish(kEventType, bytes.data(), bytes.size()); };
  long target = Subscribe(taken, publish);
  for (auto _ : state) {
    for (long i = 0; i < kBatch; ++i) publish();
    AwaitCount(taken, target += kBatch);
  }
  receiver.Stop();
  consumer.join();
  state.SetItemsProcessed(state.iterations() * kBatch);
  TDiag::ResetFilters();
}

// The same two frames through sockets of their own; an empty record ends it.
void BareDelivery(benchmark::State& state, const std::string& endpoint) {
  zmq::context_t context;
  zmq::socket_t pub(context, zmq::socket_type::pub);
  pub.set(zmq::sockopt::linger, 0);
  pub.set(zmq::sockopt::sndhwm, 0);
  pub.bind(endpoint);
  zmq::socket_t sub(context, zmq::socket_type::sub);
  sub.set(zmq::sockopt::rcvhwm, 0);
  const std::string header(kHeaderBytes, '\x01');
  sub.set(zmq::sockopt::subscribe, header.substr(0, 4));
  sub.connect(pub.get(zmq::sockopt::last_endpoint));
  std::atomic<long> taken{0};
  std::thread consumer([&] {
    zmq::message_t head;
    zmq::message_t body;
    while (sub.recv(head) && sub.recv(body) && body.size() > 0) taken.fetch_add(1, std::memory_order_release);
  });
  const std::string bytes(kEventBytes, 'e');
  const auto publish = [&](const std::string& record) {
    pub.send(zmq::buffer(header), zmq::send_flags::sndmore);
    pub.send(zmq::buffer(record), zmq::send_flags::none);
  };
  long target = Subscribe(taken, [&] { publish(bytes); });
  for (auto _ : state) {
    for (long i = 0; i < kBatch; ++i) publish(bytes);
    AwaitCount(taken, target += kBatch);
  }
  publish("");
  consumer.join();
  state.SetItemsProcessed(state.iterations() * kBatch);
}

void BM_EventDelivery_Inproc(benchmark::State& state) { Delivery(state, "inproc://bench-events"); }
void BM_BareZmqPubSub_Inproc(benchmark::State& state) { BareDelivery(state, "inproc://bench-events-bare"); }
void BM_EventDelivery_Tcp(benchmark::State& state) { Delivery(state, LoopbackServer()); }
void BM_BareZmqPubSub_Tcp(benchmark::State& state) { BareDelivery(state, "tcp://127.0.0.1:*"); }

BENCHMARK(BM_EventDelivery_Inproc)->UseRealTime();
BENCHMARK(BM_BareZmqPubSub_Inproc)->UseRealTime();
BENCHMARK(BM_EventDelivery_Tcp)->UseRealTime();
BENCHMARK(BM_BareZmqPubSub_Tcp)->UseRealTime();

}  // namespace
