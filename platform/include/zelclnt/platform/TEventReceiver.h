#pragma once
// The client side of the framework's events: subscribes to the events a
// server publishes (TEventPublisher) and hands the application each event's
// type and bytes, with notices of what it missed: events lost on the way,
// events refused as too large, a publisher that restarted, a connection
// that went away and came back. It reconnects by itself.
//
// Only the event types asked for reach the receiver; the publisher filters
// the rest. Loss is told per type: every event carries its place in its
// type's sequence, and a periodic heartbeat tells the last one sent, so
// even losses at the end of a burst come to light. Losses count from the
// first heartbeat, or for a type from its first event if that comes
// earlier: events published before the subscription took are not lost to
// the receiver. After a restart, all the new publisher's events count.
//
// Connection notices come when the receiver has nothing else to read.
//
// A receiver of a server with a server key (see TFramework) subscribes with
// CURVE only, with the keys in force at Start; a publisher that refuses
// them delivers nothing and is told once, as AuthenticationFailed, until a
// later handshake succeeds. It is asked again every 3 seconds, as is a peer
// that does not speak ZeroMQ's protocol, untold. A clear-text receiver is
// never told that authentication failed unless the publisher requires CURVE.
//
// A receiver serves one thread: Start, Next and Run are for the thread
// that owns it. Only Stop may be called from any thread.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "zelclnt/platform/TCurve.h"

struct TEventNotice {
  enum class Kind {
    Event,                 // eventType, sequence and data hold the event
    Lost,                  // count events of eventType never arrived
    TooLarge,              // event eventType/sequence was above the size bound: refused unread, count 1
    Restarted,             // the publisher started afresh: incarnation is its new one
    Disconnected,          // the connection to the publisher went away
    Reconnected,           // and came back
    AuthenticationFailed,  // the publisher refused this receiver's keys, or is not the server they name
  };

  Kind kind = Kind::Event;
  int eventType = 0;
  std::uint64_t sequence = 0;
  std::uint64_t count = 0;
  std::uint64_t incarnation = 0;
  // The event's bytes; emptied for any other notice, its capacity kept.
  std::string data;
};

class TEventReceiver {
 public:
  using Callback = std::function<bool(const TEventNotice&)>;
  static constexpr int kDefaultHighWaterMark = 1000;

  // eventTypes: the types to receive; empty receives every type. Server
  // names follow TFramework::SendRPC (see EventEndpointOf).
  explicit TEventReceiver(const std::string& serverName, std::vector<int> eventTypes = {});
  ~TEventReceiver();
  TEventReceiver(const TEventReceiver&) = delete;
  TEventReceiver& operator=(const TEventReceiver&) = delete;

  // Before Start: messages held for the application beyond this mark are
  // dropped (0: no limit).
  void SetReceiveHighWaterMark(int messages) { m_highWaterMark = messages; }

  // Subscribes; the server need not be up yet. The transport's size bound
  // and the keys in force now hold for this receiver's life. False, with
  // the reason in *error, when the name has no events endpoint, the server
  // has a key but the client's keys are missing or unreadable, or the
  // receiver started.
  bool Start(std::string* error = nullptr);
  // Makes Next and Run return, within some 20 ms, and from then on at once.
  // Any thread.
  void Stop() { m_stop = true; }

  // Waits up to timeoutMs (below 0: without limit) for the next event or
  // notice. False on time-out, once stopped, before Start, or when the
  // transport fails (with a WARN line).
  bool Next(TEventNotice& notice, long timeoutMs);
  // Hands every event and notice to callback until it returns false or
  // Stop is called.
  void Run(const Callback& callback);

  const std::string& Endpoint() const { return m_endpoint; }
  // Messages dropped as no well-formed event or heartbeat.
  std::size_t MalformedDropped() const { return m_malformed; }

 private:
  struct Link;

  bool TakeNotice(TEventNotice& notice);
  bool ReadOne();
  bool Drop();
  void AcceptEvent(std::int32_t eventType, std::uint64_t sequence);
  void AcceptHeartbeat();
  void NoteIncarnation(std::uint64_t incarnation);
  void Account(std::int32_t eventType, std::uint64_t through);
  bool Wanted(std::int32_t eventType) const;
  void Wait(std::chrono::steady_clock::time_point deadline);
  void CheckConnection();
  void CheckInproc();
  void DrainMonitor();
  void LinkLost();
  void Connect();
  void Connected();
  void Disconnected();
  // Not told as AuthenticationFailed unless authentication failed.
  void HandshakeFailed(bool authentication);
  void Push(TEventNotice::Kind kind, std::int32_t eventType = 0, std::uint64_t sequence = 0, std::uint64_t count = 0);

  std::string m_serverName;
  std::string m_endpoint;
  std::vector<int> m_types;
  int m_highWaterMark = kDefaultHighWaterMark;
  std::size_t m_maxSize = 0;
  // Empty server key: clear text.
  std::string m_serverKey;
  TCurveKeyPair m_clientKeys;
  std::atomic<bool> m_stop{false};
  std::unique_ptr<Link> m_link;

  // What the connection looked like when last checked.
  std::uint64_t m_generation = 0;
  bool m_connected = false;
  bool m_wentAway = false;
  // A handshake failed: asked again at the slow pace, and no notice again
  // until one succeeds.
  bool m_refused = false;
  // A lost tcp or ipc connection ZeroMQ may not take up again: connect
  // afresh at m_reconnectAt unless it does.
  bool m_abandoned = false;
  std::chrono::steady_clock::time_point m_reconnectAt;

  std::uint64_t m_incarnation = 0;
  // Set once every type's first event counts: a type not seen yet starts at 1.
  bool m_countFromOne = false;
  std::map<std::int32_t, std::uint64_t> m_lastSequences;

  // Notices due before the held event, if any.
  std::deque<TEventNotice> m_pending;
  bool m_holding = false;
  std::int32_t m_heldType = 0;
  std::uint64_t m_heldSequence = 0;
  std::size_t m_malformed = 0;
};
