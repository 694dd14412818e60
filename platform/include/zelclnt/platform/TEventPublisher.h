#pragma once
// The server side of the framework's events: publishes each event (its type
// and bytes) to every TEventReceiver that subscribed to that type. Delivery
// is fire-and-forget: a receiver that falls behind by more than the
// high-water marks loses events, and learns of it from the sequence that
// every event carries per type.
//
// A server publishes on the endpoint EventEndpointOf gives for its name;
// TRPCServer and TEventPublisher of one server take the same name (a server
// bound to an ephemeral tcp port passes TRPCServer::Endpoint()). Every
// Start draws a new incarnation, so receivers see a restart. While running,
// a heartbeat goes out every interval from a thread of the publisher's own.
//
// With SetSecurity, a tcp or ipc publisher speaks CURVE only and delivers
// only to receivers whose keys are on its allow list, in either role.
//
// Start, Stop and the setters are for the owning thread; Publish may be
// called from any thread, also while Stop runs.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "zelclnt/platform/TCurve.h"

namespace zmq {
class socket_t;
}

namespace zelplatform {

class ZapDomain;

// The events endpoint of a server name (names as TFramework::SendRPC takes
// them): inproc://x and ipc://p publish on inproc://x.events and
// ipc://p.events, tcp://host:port on tcp://host:(port+1). Empty when the
// name has none: a tcp port of 0, "*" or 65535, or another transport.
std::string EventEndpointOf(const std::string& serverName);

}  // namespace zelplatform

class TEventPublisher {
 public:
  static constexpr int kDefaultHighWaterMark = 1000;
  static constexpr long kDefaultHeartbeatMs = 1000;

  explicit TEventPublisher(const std::string& serverName);
  ~TEventPublisher();
  TEventPublisher(const TEventPublisher&) = delete;
  TEventPublisher& operator=(const TEventPublisher&) = delete;

  // Take effect at the next Start. Events queued for one receiver beyond
  // the mark are dropped (0: no limit); an interval of 0 or below sends no
  // heartbeat.
  void SetSendHighWaterMark(int messages) { m_sendHighWaterMark = messages; }
  void SetHeartbeatInterval(long milliseconds) { m_heartbeatMs = milliseconds; }
  void SetSecurity(TServerSecurity security) { m_security = std::move(security); }

  // Binds and starts publishing; false, with the reason in *error, when the
  // name has no events endpoint, the endpoint cannot be bound or the
  // publisher already runs.
  bool Start(std::string* error = nullptr);
  void Stop();
  bool IsRunning() const { return static_cast<bool>(m_socket); }

  // The bound endpoint after a successful Start.
  const std::string& Endpoint() const { return m_boundEndpoint; }
  // Fixed at Start from the start time and a random part; never 0.
  std::uint64_t Incarnation() const { return m_incarnation; }

  // Queues the event for every subscribed receiver without waiting. False
  // when not running, for type 0 (the heartbeat's), or when size is above
  // the transport's size bound.
  bool Publish(int eventType, const void* data, std::size_t size);

 private:
  void Beat(std::chrono::milliseconds interval);
  // REQUIRES: m_lock held and m_socket set.
  bool Send(std::int32_t eventType, std::uint64_t sequence, const void* data, std::size_t size);

  std::string m_serverName;
  std::string m_endpoint;
  std::string m_boundEndpoint;
  int m_sendHighWaterMark = kDefaultHighWaterMark;
  long m_heartbeatMs = kDefaultHeartbeatMs;
  std::optional<TServerSecurity> m_security;
  // While a secured publisher runs.
  std::unique_ptr<zelplatform::ZapDomain> m_zap;

  // Guards the socket and the sequences, which Publish and the heartbeat share.
  std::mutex m_lock;
  std::unique_ptr<zmq::socket_t> m_socket;
  std::uint64_t m_incarnation = 0;
  std::map<std::int32_t, std::uint64_t> m_sequences;
  std::uint64_t m_heartbeats = 0;
  bool m_stopping = false;
  std::condition_variable m_wake;
  std::thread m_heartbeat;
};
