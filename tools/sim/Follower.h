#pragma once
// What a simulator that stands by knows of its peer's users: a presence
// mirror of every user of the peer, driven on a thread of the follower's
// own, from which it takes its table when it takes over.
//
// Queries to the peer wait at most kQueryTimeoutMs, so that a peer that
// went away holds up a take-over no longer. Made and finished by one
// thread; CaughtUpTo may be asked from any.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/platform/TEventPosition.h"

namespace zelsim {

class Follower {
 public:
  static constexpr long kQueryTimeoutMs = 2000;

  explicit Follower(const std::string& peer);
  ~Follower();
  Follower(const Follower&) = delete;
  Follower& operator=(const Follower&) = delete;

  // It holds every user as of `through` or later, none waiting to be
  // queried again.
  bool CaughtUpTo(const TEventPosition& through) const;
  // The position of the peer's stream up to which it holds every event.
  TEventPosition Position() const { return m_mirror.Position(); }
  // Stops following; the users it holds, none when it never joined.
  std::vector<ZelTUserPresence> Finish();

 private:
  void Run();

  ZelAPresenceMirror m_mirror;
  std::atomic<bool> m_joined{false};
  std::thread m_thread;
};

}  // namespace zelsim
