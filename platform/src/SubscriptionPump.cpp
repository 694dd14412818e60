#include "SubscriptionPump.h"

#include <cerrno>

#include "ZmqTransport.h"
#include "zelclnt/platform/TDiag.h"

namespace zelplatform {
namespace {

// Messages passed on between two looks for the owner's stop.
constexpr int kBatch = 256;

bool SendNow(zmq::socket_t& socket, zmq::message_t& message, bool more) {
  const int flags = ZMQ_DONTWAIT | (more ? ZMQ_SNDMORE : 0);
  for (;;) {
    if (zmq_msg_send(message.handle(), socket.handle(), flags) >= 0) return true;
    if (zmq_errno() != EINTR) return false;
  }
}

// Whether the stop word came within ms; a signal ends the wait early.
bool StopWithin(zmq::pollitem_t& stop, int ms) {
  try {
    return zmq::poll(&stop, 1, std::chrono::milliseconds(ms)) > 0;
  } catch (const zmq::error_t& failure) {
    if (failure.num() != EINTR) throw;
    return false;
  }
}

}  // namespace

SubscriptionPump::SubscriptionPump(zmq::socket_t& subscriber, int highWaterMark, int gatherMs)
    : m_subscriber(subscriber),
      m_gatherMs(gatherMs),
      m_input(SharedContext(), zmq::socket_type::pair),
      m_output(SharedContext(), zmq::socket_type::pair) {
  // An inproc pipe holds the sender's mark and the receiver's together; 0
  // on either side lifts the limit.
  m_input.set(zmq::sockopt::sndhwm, highWaterMark);
  m_output.set(zmq::sockopt::rcvhwm, highWaterMark > 0 ? 1 : 0);
  m_input.set(zmq::sockopt::linger, 0);
  m_output.set(zmq::sockopt::linger, 0);
  const std::string endpoint = NextInprocEndpoint("pump");
  m_input.bind(endpoint);
  m_output.connect(endpoint);
  m_thread = std::thread(&SubscriptionPump::Run, this);
}

SubscriptionPump::~SubscriptionPump() { Stop(); }

void SubscriptionPump::Stop() {
  if (!m_thread.joinable()) return;
  zmq::message_t stop;
  // The way back holds nothing else, so the word always goes.
  m_output.send(stop, zmq::send_flags::none);
  m_thread.join();
}

void SubscriptionPump::Run() {
  zmq::pollitem_t items[2] = {{m_subscriber.handle(), 0, ZMQ_POLLIN, 0}, {m_input.handle(), 0, ZMQ_POLLIN, 0}};
  try {
    for (;;) {
      try {
        zmq::poll(items, 2, std::chrono::milliseconds(-1));
      } catch (const zmq::error_t& failure) {
        if (failure.num() != EINTR) throw;
        continue;
      }
      if (items[1].revents & ZMQ_POLLIN) return;
      for (int forwarded = 0; forwarded < kBatch && ForwardOne(); ++forwarded) {
      }
      if (m_gatherMs > 0 && StopWithin(items[1], m_gatherMs)) return;
    }
  } catch (const zmq::error_t& failure) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Event subscription stopped reading: %s", failure.what());
  }
}

// A message goes whole or not at all: the pair counts whole messages against
// its mark, so once the first part went the others follow.
bool SubscriptionPump::ForwardOne() {
  zmq::message_t part;
  if (!ReceiveNow(m_subscriber, part)) return false;
  bool more = part.more();
  if (!SendNow(m_input, part, more)) {
    if (more) DiscardRest(m_subscriber);
    return true;
  }
  while (more && ReceiveNow(m_subscriber, part)) {
    more = part.more();
    SendNow(m_input, part, more);
  }
  return true;
}

}  // namespace zelplatform
