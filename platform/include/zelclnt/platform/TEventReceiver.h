#pragma once
// The client side of the framework's events: subscribes to the events a
// server publishes (TEventPublisher) and hands the application each event's
// type, user, position and bytes, in position order and each once, with
// notices of what it cannot hand over: a publisher that restarted, events
// lost for good, events refused as too large, a connection that went away
// and came back. It reconnects by itself.
//
// Only what was asked for reaches the receiver: the publisher filters by
// event type and, when users are named, by user. Lost events are sent
// again: a receiver that sees a gap in the positions (an event's previous
// position it never had, a heartbeat ahead of it, a connection that came
// back) asks its server for the events it missed and hands them over before
// anything newer. Only when the server no longer holds them (Resync) or
// restarted (Restarted) must the application query again.
//
// A receiver of chosen users learns of a lost event when the next event of
// that user arrives or the connection comes back, not from the heartbeat.
// Until its position is given (ResumeAfter) or its first event or heartbeat
// arrives, nothing counts as lost: events published before the subscription
// took are not the receiver's.
//
// A receiver of a server with a server key (see TFramework) subscribes with
// CURVE only, with the keys in force at Start; a publisher that refuses
// them delivers nothing and is told once, as AuthenticationFailed, until a
// later handshake succeeds. It is asked again every 3 seconds, as is a peer
// that does not speak ZeroMQ's protocol, untold. A clear-text receiver is
// never told that authentication failed unless the publisher requires CURVE.
//
// A receiver of a list of servers (see TFramework) follows the publisher of
// the server that serves, and only that one: one stream, and missed events
// asked of the server that published them. It looks for the server that
// serves when its publisher says it stands by, when the connection to it
// is lost, and at Start; and it follows whichever server the process's
// calls to the list last found serving. Looking is a call to the list, up
// to kProbeTimeoutMs, again every kProbeRetryMs until one serves: Start
// waits for its answer, Next awaits it beside the connection. Moving to another server is told as
// Switched: its events begin a stream of their own, so the application
// queries again, as after Restarted. Its looks drive the list's questions
// to every server (TFramework): two servers seen serving at once are told
// as TwoServing, and it then follows the one under the higher term.
//
// A receiver serves one thread: Start, Next, Run, WaitUntilSubscribed and
// ResumeAfter are for the thread that owns it. A thread of the receiver's
// own reads the connection from Start on, so that it never stalls however
// long the owner does not call Next; what it read waits for Next, up to the
// high-water mark. Only Stop may be called from
// any thread. Asking for missed events is a call to the server, started
// within Next and awaited beside the connection: Next never waits longer
// than asked for it, and Stop is not held up by it. A server that cannot
// be asked is asked again for 3 seconds; then the missed events count as
// gone (Resync).

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TEventPosition.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/ZelExport.h"

namespace zelplatform {
class EventOrder;
class ReadyDescriptor;
class ReplayFetcher;
class ServerList;
class ServingFollower;
class SubscriptionLink;
}

struct TEventNotice {
  enum class Kind {
    Event,                 // eventType, userKey, position and data hold the event
    TooLarge,              // event eventType/position was above the size bound: refused unread
    Restarted,             // the publisher started afresh (incarnation is its new one): query again
    Resync,                // events were lost and are no longer held by the server: query again
    Disconnected,          // the connection to the publisher went away
    Reconnected,           // and came back; what was missed meanwhile follows
    AuthenticationFailed,  // the publisher refused this receiver's keys, or is not the server they name
    Switched,              // another server of the list serves: its events follow (Endpoint()): query again
    TwoServing,            // two servers of the list serve at once (TFramework::TwoServingOf): the one under the
                           // lower term will stand by, and what it changed since the other took over is lost
  };
  static constexpr std::int64_t kNoUser = std::numeric_limits<std::int64_t>::min();

  Kind kind = Kind::Event;
  int eventType = 0;
  // The user the event is about; kNoUser for an event about no user.
  std::int64_t userKey = kNoUser;
  std::uint64_t position = 0;
  std::uint64_t incarnation = 0;
  // Handed over again after a gap rather than as it was published.
  bool replayed = false;
  // The event's bytes; emptied for any other notice, its capacity kept.
  std::string data;
};

class ZELCLNT_API TEventReceiver {
 public:
  using Callback = std::function<bool(const TEventNotice&)>;
  static constexpr int kDefaultHighWaterMark = 1000;
  static constexpr long kReplayTimeoutMs = 5000;
  static constexpr long kProbeTimeoutMs = 1000;
  static constexpr long kProbeRetryMs = 100;

  // eventTypes: the types to receive; empty receives every type. userKeys:
  // the users to receive events about; empty receives every user's events
  // and those about no user. Naming users needs naming types. Server names
  // follow TFramework::SendRPC (see EventEndpointOf).
  explicit TEventReceiver(const std::string& serverName, std::vector<int> eventTypes = {},
                          std::vector<std::int64_t> userKeys = {});
  ~TEventReceiver();
  TEventReceiver(const TEventReceiver&) = delete;
  TEventReceiver& operator=(const TEventReceiver&) = delete;

  // Before Start: messages read but not yet taken by Next beyond this mark
  // are dropped, and found missing by their positions (0: no limit).
  void SetReceiveHighWaterMark(int messages) { m_highWaterMark = messages; }
  // Before Start: events that arrive one by one are read a batch at a time,
  // each up to this much later (0, the default: each as it comes). For an
  // owner that takes them in rounds anyway: fewer wake-ups of its threads.
  void SetGatheringMs(int ms) { m_gatherMs = ms; }
  // Next also returns, false, once this descriptor is readable (a
  // completion queue's, say), so that its owner's calls are collected
  // beside the events; -1: none.
  void WakeOn(int descriptor) { m_wake = descriptor; }

  // Subscribes; the server need not be up yet. The transport's size bound
  // and the keys in force now hold for this receiver's life. False, with
  // the reason in *error, when the name has no events endpoint, users are
  // named without types, the server has a key but the client's keys are
  // missing or unreadable, a list of servers is malformed, or the
  // receiver started.
  bool Start(std::string* error = nullptr);
  // Makes Next and Run return, within some 20 ms, and from then on at once;
  // Descriptor() is readable from then on. Any thread.
  void Stop();

  // Waits up to timeoutMs for the first heartbeat or event, which tells that
  // the subscription took: from then on nothing published is missed. What
  // was read meanwhile waits for Next. False on time-out or before Start.
  bool WaitUntilSubscribed(long timeoutMs);
  // Hands over only the events after position from now on, and asks the
  // server for those after it that were missed (the answer to a query that
  // reflected events up to position, say). A position of another
  // incarnation than the publisher's gives Restarted.
  void ResumeAfter(const TEventPosition& position);
  // The incarnation and the position up to which every event asked for was
  // handed over (or was before the receiver's start).
  TEventPosition Through() const;

  // Waits up to timeoutMs (below 0: without limit) for the next event or
  // notice. False on time-out, once stopped, before Start, or when the
  // transport fails (with a WARN line).
  bool Next(TEventNotice& notice, long timeoutMs);
  // Hands every event and notice to callback until it returns false or
  // Stop is called.
  void Run(const Callback& callback);
  // For the owner's own event loop: readable whenever Next(…, 0) may have
  // something, and when one of the receiver's timers falls due (a question
  // for missed events asked again, a connection made afresh, a list's
  // look), so that they run in a loop that waits on it alone; otherwise it
  // stays quiet. An inproc publisher, of which no descriptor tells, is
  // looked at every 100 ms. -1 before Start and where the system has none
  // (Windows).
  int Descriptor();

  const std::string& Endpoint() const { return m_endpoint; }
  // Messages dropped as no well-formed event or heartbeat.
  std::size_t MalformedDropped() const { return m_malformed; }
  // Well-formed events and heartbeats read, and answers to questions for
  // missed events: it moves while the server is heard from.
  std::uint64_t Heard() const { return m_heard; }
  // Events handed over again after gaps, and the calls that asked for them.
  std::size_t Replayed() const;
  std::size_t ReplayCalls() const;
  // A question for missed events is in flight: newer events wait behind
  // its answer.
  bool Asking() const;

 private:
  // The event read last: its bytes and header.
  struct Held;

  bool Step(TEventNotice& notice, std::chrono::steady_clock::time_point deadline);
  bool TakeNotice(TEventNotice& notice);
  bool TakeHeld(TEventNotice& notice);
  bool ReadOne();
  bool Drop();
  void AcceptEvent();
  void AcceptHeartbeat();
  void NoteIncarnation(std::uint64_t incarnation);
  bool Fetched();
  void Resync();
  // True when the descriptor given to WakeOn woke it.
  bool Wait(std::chrono::steady_clock::time_point deadline);
  void CheckConnection();
  // A link to the followed server's publisher, not yet open.
  std::unique_ptr<zelplatform::SubscriptionLink> MakeLink();
  void Push(TEventNotice::Kind kind, std::int32_t eventType = 0, std::uint64_t position = 0);
  // A list's: follows the server that serves.
  void CheckServing();
  void Follow(std::size_t index);
  // Points the descriptor at what may wake the receiver now.
  void ArmDescriptor();
  // The earliest time a part of the receiver has something to do that no
  // socket tells; max() when none has.
  std::chrono::steady_clock::time_point NextDue() const;

  std::string m_serverName;
  // The server whose events are followed, asked for missed ones: the name,
  // or one endpoint of a list.
  std::string m_followed;
  std::string m_endpoint;
  int m_highWaterMark = kDefaultHighWaterMark;
  int m_gatherMs = 0;
  int m_wake = -1;
  std::size_t m_maxSize = 0;
  std::atomic<bool> m_stop{false};
  std::unique_ptr<zelplatform::EventOrder> m_stream;
  std::unique_ptr<zelplatform::SubscriptionLink> m_link;
  std::unique_ptr<Held> m_held;
  // Asks the server for missed events, and a list which server serves.
  TFramework m_caller;
  // A list of servers; null for one.
  std::shared_ptr<zelplatform::ServerList> m_list;
  std::string m_listError;
  std::size_t m_followedIndex = 0;
  // A list's: looks for the server that serves.
  std::unique_ptr<zelplatform::ServingFollower> m_follower;

  // While a gap is open, events are asked for again and no newer one goes out.
  std::unique_ptr<zelplatform::ReplayFetcher> m_fetcher;
  // Opened at the first Descriptor call; shared with Stop once open.
  std::unique_ptr<zelplatform::ReadyDescriptor> m_ready;
  std::atomic<zelplatform::ReadyDescriptor*> m_readyOpen{nullptr};

  // Notices due before the held event, if any.
  std::deque<TEventNotice> m_pending;
  // The last event read, not yet handed over (it may wait behind a replay).
  bool m_holding = false;
  std::size_t m_malformed = 0;
  std::uint64_t m_heard = 0;
};
