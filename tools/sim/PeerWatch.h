#pragma once
// What a simulator of a pair hears of its peer: one question of its role
// (TFramework::QueryRole's) kept in flight on a completion queue, so that
// an answer that comes late, on a loaded machine, still counts, and the
// connection is not made anew for every question. A question fails as the
// peer gone only when the transport says so (refused, lost, absent); one
// that gets no answer within the patience is silence, not absence.
//
// Driven by one thread (the pair's); times follow the platform's clock.

#include <chrono>
#include <string>

#include "zelclnt/platform/TCompletionQueue.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPC.h"

namespace zelsim {

class PeerWatch {
 public:
  enum class News {
    None,      // no answer since the last look: one is awaited, or the last went unanswered
    Answered,  // state holds the peer's answer
    Gone,      // the peer refused, dropped the connection, or is not there (why)
  };
  struct Heard {
    News news = News::None;
    TServerState state;
    std::string why;
  };

  PeerWatch(const std::string& peer, std::chrono::milliseconds patience);
  PeerWatch(const PeerWatch&) = delete;
  PeerWatch& operator=(const PeerWatch&) = delete;

  // What came since the last look; asks again when no question is awaited.
  Heard Look();

 private:
  const std::string m_peer;
  const std::chrono::milliseconds m_patience;
  TFramework m_caller;
  // Declared before the queue, which drops a call still in flight with it.
  TRPC m_rpc;
  TCompletionQueue m_queue;
  bool m_asked = false;
};

}  // namespace zelsim
