#pragma once
// A live copy of the presence of every user of one server, or of chosen
// users, kept exact from one query and the server's event stream.
//
// It subscribes first, then queries (every user with one users-presence
// query; chosen users each with a Query of their own), and joins the two at
// the position the replies reflect: an event the replies already reflect is
// not applied again, and none is applied over newer state. Then it applies
// each event to its user's record (ZelTEventApplier). After a loss the
// event receiver asks the server for what was missed; only when the server
// no longer holds it, or restarted, does the mirror query again (its chosen
// users only, when it has them). An event that does not carry all the
// server changed (see ZelTEventApplier) has its user queried again, unless
// a complete event of that user follows within kSettleMs; so does an event
// that could not be read, and a user the mirror did not hold yet.
//
// It tells the application what changed (ZelTPresenceChange) through a
// callback (Poll) or one change at a time (Next); nothing is told for the
// first join but CHANGE_SYNCED, after which Users() holds every user.
// Readiness of the media (all users only) is kept apart (Readiness).
//
// Its queries are calls started without waiting and collected beside the
// events: a server slow to answer holds up no other user's events, nor
// Stop. A user's own events wait for its query's reply (at most a few
// hundred; past that the query is given up and asked again later), since
// the reply may already reflect them. Each query waits the mirror's query
// time-out; up to 64 users are queried at once.
//
// The application drives the mirror with Poll or Next on one thread of its
// own (its receiver's thread only reads the connection; see TEventReceiver), which also calls Start and WaitUntilSubscribed.
// Any thread may call Stop, read Users(), Readiness(), IsCurrent(),
// Position() and Counters() while the driving thread applies events. The
// callback runs on the driving thread, outside the store's lock. Waits
// follow the platform's clock (TClock).
//
// It is current only while it is exact as far as it can know: joined, no
// user waiting for a query, the connection up, and the server heard from
// (an event, or its publisher's heartbeat) within kHeardWithinMs by the
// driving thread. A server killed, hung or cut off makes it not current
// within that bound, whatever the application reads meanwhile.
//
// Against a server that tells no positions the join is the best it can be:
// every event is applied as it comes.
//
// Another source (ZelTMirrorSource) may stand in for the server: the
// mirror then joins, re-queries and resyncs through it, with the same
// guarantees, and holds no connection to the server.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "zelclnt/mirror/ZelTEventApplier.h"
#include "zelclnt/mirror/ZelTMirrorSource.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"
#include "zelclnt/mirror/ZelTUserStore.h"
#include "zelclnt/platform/TClock.h"
#include "zelclnt/platform/TEventPosition.h"
#include "zelclnt/state/TMediaReadiness.h"
#include "zelclnt/ZelExport.h"

namespace zelclnt::mirror {
class LoopDescriptor;
class StaleUsers;
}

struct ZelTMirrorCounters {
  std::uint64_t eventsApplied = 0;     // events that reached a record
  std::uint64_t eventsSkipped = 0;     // events a record already reflected
  std::uint64_t eventsUnreadable = 0;  // malformed, too large or of another life: their users queried again
  std::uint64_t eventsReplayed = 0;    // handed over again by the receiver after a loss
  std::uint64_t resyncs = 0;           // full queries after the first
  std::uint64_t usersRequeried = 0;    // single users queried again
  std::uint64_t queriesFailed = 0;     // queries that got no answer (tried again later)
  std::size_t users = 0;
};

class ZELCLNT_API ZelAPresenceMirror {
 public:
  using Callback = std::function<void(const ZelTPresenceChange& change)>;

  // A user to follow, named as a Query names one.
  struct ChosenUser {
    long userKey = 0;
    std::string userId;
  };

  // How long an incomplete event's user waits for a complete event before
  // it is queried again; a query that failed is tried again after kRetryMs.
  static constexpr long kSettleMs = 50;
  static constexpr long kRetryMs = 1000;
  // Three of a publisher's heartbeats at their default interval.
  static constexpr long kHeardWithinMs = 3000;

  // Every user of the server (names as TFramework::SendRPC takes them).
  explicit ZelAPresenceMirror(const std::string& server);
  // Only these users; their events alone reach the mirror.
  ZelAPresenceMirror(const std::string& server, std::vector<ChosenUser> users);
  // Everything from `source` (REQUIRES: not null, not started).
  explicit ZelAPresenceMirror(std::unique_ptr<ZelTMirrorSource> source, std::vector<ChosenUser> users = {});
  ~ZelAPresenceMirror();
  ZelAPresenceMirror(const ZelAPresenceMirror&) = delete;
  ZelAPresenceMirror& operator=(const ZelAPresenceMirror&) = delete;

  // Before Start. The records before and after each change, in the change:
  // the store's own, which never change, so nothing is copied. Off by
  // default: a change then holds no record that the store let go.
  void SetChangeCopies(bool on) { m_copies = on; }
  // Events held for the mirror beyond this mark are dropped, and asked for
  // again (TEventReceiver).
  void SetReceiveHighWaterMark(int messages) { m_highWaterMark = messages; }
  // Each query's time-out; 0 or below: the request's default.
  void SetQueryTimeout(long milliseconds) { m_queryTimeoutMs = milliseconds; }

  // Subscribes (the server need not be up yet); false, with the reason in
  // *error, as TEventReceiver::Start.
  bool Start(std::string* error = nullptr);
  // Waits up to timeoutMs for the subscription to take; Poll and Next wait
  // for it as well. True once it took.
  bool WaitUntilSubscribed(long timeoutMs);
  // Makes Poll and Next return, within some 20 ms, and from then on at once;
  // Descriptor() is readable from then on.
  void Stop();

  // Works for timeoutMs (below 0: until Stop): joins, applies the events,
  // queries what must be queried, and hands each change to the callback.
  // Returns the number of changes told.
  std::size_t Poll(long timeoutMs, const Callback& callback = nullptr);
  // Works until the next change, and hands it over; false when none came
  // within timeoutMs or once stopped.
  bool Next(ZelTPresenceChange& change, long timeoutMs);
  // For the owner's own event loop: once Next(…, 0) found nothing,
  // readable when it may find something (events, its queries' answers,
  // a join or a user's query due to be tried again), and quiet otherwise.
  // -1 before Start and where the system has none (Windows).
  int Descriptor();

  // Any thread.
  const ZelTUserStore& Users() const { return m_store; }
  std::vector<TMediaReadiness> Readiness() const;
  // Joined, no user waits to be queried again, and the server was heard
  // from within kHeardWithinMs over a connection that is up.
  bool IsCurrent() const;
  // Empty while current; otherwise why not, in a line (e.g. "nothing heard
  // from tcp://10.0.0.5:7300 for 4.2 s", "not joined: querying
  // tcp://10.0.0.5:7300 failed: timed out waiting for tcp://10.0.0.5:7300").
  std::string WhyNotCurrent() const;
  // How long ago the server was last heard from, in ms; -1 before it was.
  long HeardAgoMs() const;
  // The connection to the server (or the one that serves) is up, as far
  // as the mirror knows: not current with it down means unreachable.
  bool LinkUp() const { return m_linkUp; }
  // The position up to which the mirror has every event it follows.
  TEventPosition Position() const;
  // The driving thread: the user's record waits for a query, some part of
  // it not known (or the user not held yet).
  bool Inexact(long userKey) const;
  ZelTMirrorCounters Counters() const;

 private:
  enum class Phase { Subscribing, Querying, Joining, Live };

  bool Work(TClock::time_point deadline);
  bool Subscribe(TClock::time_point deadline);
  bool StartJoin();
  bool AwaitJoin(TClock::time_point deadline);
  void JoinFailed(const std::string& why);
  void FinishJoin();
  TEventPosition JoinAll();
  TEventPosition JoinChosen();
  bool Listen(TClock::time_point deadline);
  void Handle(const TEventNotice& notice);
  bool Held(const TEventNotice& notice);
  void ApplyUserEvent(const TEventNotice& notice);
  void ApplyReadinessEvent(const TEventNotice& notice);
  void MarkStale(long userKey, std::uint32_t parts, const std::string& userId = std::string());
  void Settle(long userKey, std::uint32_t parts);
  bool AskDue();
  void Ask(long userKey);
  bool CollectAnswer();
  void Answered(ZelTMirrorAnswer& reply);
  // Puts a queried record in place; with tell, says what changed. False
  // when the record held reflects a later position.
  bool Replace(ZelTUserStore::Record record, const TEventPosition& at, bool tell);
  void RemoveUser(long userKey, const TEventPosition& at);
  void Tell(ZelTPresenceChange change);
  void NoteCurrent();
  void NoteHeard();
  void Pause(TClock::time_point deadline);
  void Wait(TClock::time_point until);
  // Points the owner's descriptor at what may give the next change.
  void ArmLoop();

  std::string m_server;
  std::vector<ChosenUser> m_chosen;
  bool m_copies = false;
  int m_highWaterMark;
  long m_queryTimeoutMs = 0;

  std::unique_ptr<ZelTMirrorSource> m_source;
  bool m_started = false;
  std::vector<ZelTMirrorAnswer> m_joinReplies;
  // Users being queried again, each with the events that wait for its reply.
  std::unordered_map<long, std::vector<TEventNotice>> m_asking;
  ZelTEventApplier m_applier;
  ZelTUserStore m_store;
  mutable std::mutex m_readinessLock;
  std::vector<TMediaReadiness> m_readiness;
  mutable std::mutex m_positionLock;
  TEventPosition m_position;
  // Why the last try to join failed; empty once joined.
  std::string m_joinFailure;

  // Read by any thread for WhyNotCurrent.
  std::atomic<Phase> m_phase{Phase::Subscribing};
  bool m_joined = false;
  ZelTPresenceChange::enSyncCause m_syncCause = ZelTPresenceChange::SYNC_FIRST;
  TClock::time_point m_retryAt{};
  // Users whose records are not exact, waiting for a query.
  std::unique_ptr<zelclnt::mirror::StaleUsers> m_stale;
  std::deque<ZelTPresenceChange> m_changes;
  std::unique_ptr<TEventNotice> m_notice;
  // Opened at the first Descriptor call; shared with Stop once open.
  std::unique_ptr<zelclnt::mirror::LoopDescriptor> m_loop;
  std::atomic<zelclnt::mirror::LoopDescriptor*> m_loopOpen{nullptr};
  std::vector<long> m_changedMedia;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_current{false};
  std::atomic<bool> m_linkUp{true};
  std::atomic<std::size_t> m_waiting{0};
  std::uint64_t m_heard = 0;
  // The platform clock's time since its epoch, in its own ticks.
  static constexpr TClock::duration::rep kNeverHeard = std::numeric_limits<TClock::duration::rep>::min();
  std::atomic<TClock::duration::rep> m_heardAt{kNeverHeard};

  std::atomic<std::uint64_t> m_applied{0};
  std::atomic<std::uint64_t> m_skipped{0};
  std::atomic<std::uint64_t> m_unreadable{0};
  std::atomic<std::uint64_t> m_replayed{0};
  std::atomic<std::uint64_t> m_resyncs{0};
  std::atomic<std::uint64_t> m_requeried{0};
  std::atomic<std::uint64_t> m_failed{0};
};
