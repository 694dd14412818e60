#include "bare_round_trip.h"

#include <thread>
#include <zmq.hpp>

namespace zelbench {
namespace {

// An empty call is the signal to stop.
void Answer(zmq::socket_t& router, std::size_t replyBytes) {
  const std::string reply(replyBytes, 'r');
  for (;;) {
    zmq::message_t identity;
    zmq::message_t call;
    if (!router.recv(identity) || !router.recv(call)) return;
    if (call.size() == 0) return;
    router.send(identity, zmq::send_flags::sndmore);
    router.send(zmq::buffer(reply), zmq::send_flags::none);
  }
}

}  // namespace

void BareRoundTrip(benchmark::State& state, const std::string& endpoint, std::size_t callBytes,
                   std::size_t replyBytes) {
  zmq::context_t context;
  zmq::socket_t router(context, zmq::socket_type::router);
  router.set(zmq::sockopt::linger, 0);
  router.bind(endpoint);
  const std::string bound = router.get(zmq::sockopt::last_endpoint);
  std::thread server([&router, replyBytes] { Answer(router, replyBytes); });

  zmq::socket_t dealer(context, zmq::socket_type::dealer);
  dealer.set(zmq::sockopt::linger, 0);
  dealer.connect(bound);
  const std::string call(callBytes, 'c');
  for (auto _ : state) {
    dealer.send(zmq::buffer(call), zmq::send_flags::none);
    zmq::message_t reply;
    benchmark::DoNotOptimize(dealer.recv(reply));
  }
  dealer.send(zmq::message_t(), zmq::send_flags::none);
  server.join();
}

}  // namespace zelbench
