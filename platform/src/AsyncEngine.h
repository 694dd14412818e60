#pragma once
// What a TCompletionQueue does, and what every blocking call does on a
// queue of its thread's own: calls in flight, the connections they travel
// on, their deadlines, and the calls that ended.
//
// A call to one endpoint is an attempt on that endpoint's pool; a call to
// a list is a series of attempts (FailoverRounds). Attempts to one pool share
// one connection, taken from the pool when the first starts and given back
// when the last ends, kept only when none of them failed. At most a window
// of them await their replies on it at once, the rest wait their turn on
// the client. Replies are told apart by call id; a reply that matches no
// call is counted stale.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <queue>
#include <string>
#include <vector>

#include "CallFailure.h"
#include "ClientConnection.h"
#include "ConnectionPool.h"
#include "LinkCalls.h"
#include "FailoverRounds.h"
#include "PlatformClock.h"
#include "ServerList.h"
#include "zelclnt/platform/TCompletionQueue.h"

namespace zelplatform {

class ReadyDescriptor;

// Where a name's calls go: one endpoint's pool, or a list of servers; or,
// for a malformed list, why it is none.
struct CallTarget {
  std::string name;
  std::string endpoint;
  std::shared_ptr<ConnectionPool> pool;
  std::shared_ptr<ServerList> list;
  std::string error;
};
std::shared_ptr<const CallTarget> TargetFor(const std::string& serverName);

class AsyncEngine {
 public:
  // How a connection is had: a blocking caller waits for one of the pool's
  // few; a queue takes one at once, beyond the pool's bound if need be.
  enum class Leasing { Wait, AtOnce };

  struct Ended {
    TCompletionQueue::Completion completion;
    // The call went through, though its handler may have failed.
    bool through = false;
  };

  explicit AsyncEngine(Leasing leasing);
  ~AsyncEngine();
  AsyncEngine(const AsyncEngine&) = delete;
  AsyncEngine& operator=(const AsyncEngine&) = delete;

  // False when rpc has a call in flight already.
  bool Start(TRPC& rpc, std::shared_ptr<const CallTarget> target, Clock::time_point deadline, void* tag);
  // The next call that ended, waiting until `until` at most.
  bool Next(Ended& ended, Clock::time_point until);
  bool Cancel(const TRPC& rpc);
  // Cancels every call in flight; Start refuses calls from then on.
  void Shutdown();
  bool IsShutDown() const { return m_shutDown; }
  std::size_t InFlight() const { return m_live + m_ended.size(); }
  int Descriptor();
  // Replies that matched no call, since the last look.
  std::size_t TakeStale();

 private:
  struct Link;
  struct Call {
    enum class State { Unsent, Sent, Waiting };

    // Null while the record is free.
    TRPC* rpc = nullptr;
    const AsyncEngine* engine = nullptr;
    void* tag = nullptr;
    std::shared_ptr<const CallTarget> target;
    std::unique_ptr<FailoverRounds> rounds;
    State state = State::Unsent;
    // The attempt under way.
    Link* link = nullptr;
    ListCall list;
    Clock::time_point started;
    Clock::time_point deadline;
    Clock::time_point sendBy;
    // The endpoint of the attempt under way, or of the last one.
    const std::string* server = nullptr;
    std::uint64_t callId = 0;
    Call* unsentPrev = nullptr;
    Call* unsentNext = nullptr;
    // The deadline armed last, and its serial; 0: none.
    std::uint64_t timer = 0;
    Clock::time_point timerAt;
  };
  class LinkSink;
  struct Timer {
    Clock::time_point at;
    std::uint64_t serial;
    Call* call;
    bool operator>(const Timer& other) const { return at > other.at; }
  };
  // Earliest first; the deadlines of calls that ended are dropped in one
  // pass when they pile up.
  struct TimerHeap : std::priority_queue<Timer, std::vector<Timer>, std::greater<Timer>> {
    void DropStale() {
      c.erase(std::remove_if(c.begin(), c.end(), [](const Timer& timer) { return timer.call->timer != timer.serial; }),
              c.end());
      std::make_heap(c.begin(), c.end(), comp);
    }
  };

  void Launch(Call& call, ConnectionPool& pool, const ListCall& list, Clock::time_point deadline,
              Clock::time_point sendBy);
  Link& LinkFor(ConnectionPool& pool);
  bool Lease(Link& link, Call& call);
  void SendWaiting(Link& link);
  void AttemptEnded(Call& call, CallStatus status, bool sent, const std::string& detail = {});
  void Follow(Call& call, const FailoverRounds::Step& step);
  void Finish(Call& call, CallStatus status, const std::string& text);
  void Detach(Call& call);
  void ReleaseIfIdle(Link& link);
  void Arm(Call& call, Clock::time_point at);
  Call& NewCall();
  // Waits until `until` at most for something to happen, then reads every
  // connection and keeps the deadlines due.
  void WaitAndPump(Clock::time_point until);
  void PumpLink(Link& link, int waitMs);
  bool WaitedUnseen(Link& link) const;
  void FailLink(Link& link, CallStatus status, bool sent);
  void FireTimers(Clock::time_point now);
  void Poll(int ms);
  void SyncDescriptor();

  const Leasing m_leasing;
  std::deque<Call> m_records;
  std::vector<Call*> m_free;
  std::size_t m_live = 0;
  // By pool; a link stays once made, its connection only while in use.
  std::map<const ConnectionPool*, std::unique_ptr<Link>> m_links;
  TimerHeap m_timers;
  std::deque<Ended> m_ended;
  std::vector<zmq::pollitem_t> m_pollItems;
  std::uint64_t m_serial = 0;
  std::size_t m_stale = 0;
  bool m_shutDown = false;
  std::unique_ptr<ReadyDescriptor> m_descriptors;
};

}  // namespace zelplatform
