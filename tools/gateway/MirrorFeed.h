#pragma once
// The gateway's live copy of every user: one ZelAPresenceMirror, driven by
// a thread of the feed's own from Start to Stop, whose changes go to the
// event streams (StreamHub). Reads (users, ids, counters) come from any
// thread while the feed applies events.
//
// The mirror's status goes to the streams within a slice of the feed's
// loop of when the mirror finds it changed (for a server gone silent, its
// bound on how long ago it was heard from).
//
// A change is streamed with the mirror's position when it was told, which
// only grows: a user queried again is streamed in order with the events
// around it, whatever position its reply had. What queries changed waits
// until the mirror's next word: when that is a join, the streams start
// afresh from the store and the queried users need no frames of their own.

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "EventFrames.h"
#include "StreamHub.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"

namespace zelgw {

class MirrorFeed {
 public:
  // Each of the mirror's queries waits up to queryTimeoutMs. The mirror
  // follows `source` when there is one, else the server.
  MirrorFeed(std::unique_ptr<ZelTMirrorSource> source, const std::string& server, StreamHub& hub,
             long queryTimeoutMs);
  ~MirrorFeed();
  MirrorFeed(const MirrorFeed&) = delete;
  MirrorFeed& operator=(const MirrorFeed&) = delete;

  // The owner's thread. False, with the reason, when the mirror cannot start.
  bool Start(std::string* error);
  void Stop();

  // Any thread.
  const ZelTUserStore& Users() const { return m_mirror->Users(); }
  // Joined the presence server once at least: the users are there to read.
  bool Joined() const { return m_joined; }
  bool IsCurrent() const { return m_mirror->IsCurrent(); }
  std::string WhyNotCurrent() const { return m_mirror->WhyNotCurrent(); }
  long HeardAgoMs() const { return m_mirror->HeardAgoMs(); }
  ZelTMirrorCounters Counters() const { return m_mirror->Counters(); }

 private:
  void Run();
  void OnChange(const ZelTPresenceChange& change);
  void Stream(const ZelTPresenceChange& change, const TEventPosition& mirrorAt);
  void StreamQueried();
  // Tells the hub when the mirror's status changed since last told.
  void TellStatus();

  std::unique_ptr<ZelAPresenceMirror> m_mirror;
  StreamHub& m_hub;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_joined{false};
  // The feed's thread.
  bool m_statusTold = false;
  MirrorStatus::State m_state = MirrorStatus::State::Stale;
  // Changes made by queries, with the mirror's position when each was told.
  std::vector<std::pair<ZelTPresenceChange, TEventPosition>> m_queried;
};

}  // namespace zelgw
