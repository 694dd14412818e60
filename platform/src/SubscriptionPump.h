#pragma once
// Reads a subscriber socket on a thread of its own, as fast as ZeroMQ hands
// messages over, and passes each message on whole through an inproc pair
// that holds at most a high-water mark of them; one that does not fit is
// dropped, as a full publisher pipe would drop it, and the receiver finds
// the gap by its positions.
//
// Why a thread: a subscriber whose own pipe fills stops reading its
// connection, and libzmq 4.3 aborts the whole process when such a stalled
// connection fails and is made again (its heartbeat cannot be read, or the
// publisher restarts). The subscriber here has no high-water mark and is
// never left unread, so its connection never stalls, however long the
// application leaves the pair unread.
//
// A pump told to gather waits that long after each batch it passed on, so
// that messages arriving one by one are read and passed on a batch at a
// time, with a wake-up of its thread and its owner's for each batch rather
// than each message.
//
// The subscriber comes connected, subscribed and without a high-water mark
// of its own. Made and stopped by the thread that owns the receiver; in
// between, only the pump's thread uses the subscriber, and after Stop it is
// the owner's again. The subscriber must outlive the pump.

#include <thread>

#include <zmq.hpp>

namespace zelplatform {

class SubscriptionPump {
 public:
  // highWaterMark: the messages the pair holds unread (0: no limit);
  // gatherMs: the wait after each batch (0: none).
  SubscriptionPump(zmq::socket_t& subscriber, int highWaterMark, int gatherMs);
  ~SubscriptionPump();
  SubscriptionPump(const SubscriptionPump&) = delete;
  SubscriptionPump& operator=(const SubscriptionPump&) = delete;

  // The owner's end: the subscriber's messages, each as it was read.
  zmq::socket_t& Output() { return m_output; }
  // Ends the thread; at once, and again at no cost.
  void Stop();

 private:
  void Run();
  // False when the subscriber had nothing to read.
  bool ForwardOne();

  zmq::socket_t& m_subscriber;
  const int m_gatherMs;
  // The pump's end: it sends on it, and a message the other way stops it.
  zmq::socket_t m_input;
  zmq::socket_t m_output;
  std::thread m_thread;
};

}  // namespace zelplatform
