#pragma once
// An event receiver's subscription to one publisher: the subscriber with
// the CURVE keys of the publisher's server, the pump that reads it, and
// ZeroMQ's monitor of the connection. It keeps the connection up: it
// connects afresh where ZeroMQ gives up (a peer that broke the protocol,
// an inproc publisher that bound again), and asks a publisher that refused
// the handshake again only at a slow pace. What the receiver must know it
// tells through a callback, in the order it happened.
//
// Used by the thread that owns the receiver only; the pump's thread never
// touches the link. The stream's types and users must outlive the link.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <zmq.hpp>

#include "EventOrder.h"
#include "PlatformClock.h"
#include "zelclnt/platform/TCurve.h"

namespace zelplatform {

class SubscriptionLink {
 public:
  enum class Change {
    WentAway,  // the connection was lost
    CameBack,  // and is up again: what was published meanwhile was missed
    Refused,   // the publisher refused the keys; told once until a handshake succeeds
    Renewed,   // the subscription was made afresh: nothing read before it is held
  };
  using Tell = std::function<void(Change)>;

  // highWaterMark: as the pump's (0: no limit).
  SubscriptionLink(std::string endpoint, const EventOrder& stream, int highWaterMark, int gatherMs, Tell tell);
  ~SubscriptionLink();
  SubscriptionLink(const SubscriptionLink&) = delete;
  SubscriptionLink& operator=(const SubscriptionLink&) = delete;

  // Takes the keys in force now for `server` (whose events endpoint this
  // is). False, with the reason in *error, when they are missing or
  // unreadable.
  bool TakeKeys(const std::string& server, std::string* error);
  // Subscribes and connects; the publisher need not be up. Throws
  // zmq::error_t when ZeroMQ refuses.
  void Open();

  // The subscriber's messages, each whole.
  zmq::socket_t& Input();
  // Null for an inproc publisher, which has no monitor.
  zmq::socket_t* Monitor();
  // Looks at what happened to the connection and connects afresh when due.
  void Check();
  // The first heartbeat or event since the subscription was made arrived.
  void NoteSubscribed() { m_subscribed = true; }
  bool Subscribed() const { return m_subscribed; }
  // When Check must run although no socket told anything; none when only
  // the sockets matter.
  std::optional<Clock::time_point> DueAt() const;

 private:
  struct Sockets;

  void CheckInproc();
  void DrainMonitor();
  void Lost();
  void Connect();
  void Subscribe();
  void Connected();
  void Disconnected();
  // Not told as Refused unless authentication failed.
  void HandshakeFailed(bool authentication);

  const std::string m_endpoint;
  const bool m_inproc;
  const EventOrder& m_stream;
  const int m_highWaterMark;
  const int m_gatherMs;
  const Tell m_tell;
  // Empty server key: clear text.
  std::string m_serverKey;
  TCurveKeyPair m_clientKeys;
  std::unique_ptr<Sockets> m_sockets;

  // An inproc publisher's binding last seen.
  std::uint64_t m_generation = 0;
  bool m_connected = false;
  bool m_wentAway = false;
  bool m_subscribed = false;
  // A handshake failed: asked again at the slow pace, and not told again
  // until one succeeds.
  bool m_refused = false;
  // A lost tcp or ipc connection ZeroMQ may not take up again: connect
  // afresh at m_reconnectAt unless it does.
  bool m_abandoned = false;
  Clock::time_point m_reconnectAt;
};

}  // namespace zelplatform
