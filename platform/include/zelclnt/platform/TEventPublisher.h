#pragma once
// The server side of the framework's events: publishes each event (its type,
// the user it is about, and its bytes) to every TEventReceiver that
// subscribed to that type, or to that user. Delivery is fire-and-forget: a
// receiver that falls behind by more than the high-water marks loses
// events. Every event carries its position in the one order of all the
// publisher's events, and the publisher keeps the latest events (up to the
// replay limits) to send again: a receiver that lost some asks its server
// for them (TRPCServer::ServeReplays) and queries again only when they are
// no longer held.
//
// A server publishes on the endpoint EventEndpointOf gives for its name;
// TRPCServer and TEventPublisher of one server take the same name (a server
// bound to an ephemeral tcp port passes TRPCServer::Endpoint()). Every
// Start draws a new incarnation and positions count from 1 again, so
// receivers see a restart. While running, a thread of the publisher's own
// sends a heartbeat every interval, and one at once to receivers that just
// subscribed, so that they know their subscription took.
//
// Receivers of the earlier version, which know no positions, keep receiving
// their frames while any of them is subscribed.
//
// With SetSecurity, a tcp or ipc publisher speaks CURVE only and delivers
// only to receivers whose keys are on its allow list, in either role.
//
// The publisher of a server that stands by (SetStandby) says so in every
// frame, and at once in a heartbeat: receivers of a list of servers then
// look for the server that serves.
//
// Start, Stop and the setters are for the owning thread; Publish, Position
// and AnswerReplay may be called from any thread, also while Stop runs.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>

#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TEventPosition.h"
#include "zelclnt/platform/TEventReplayLimits.h"
#include "zelclnt/ZelExport.h"

class TRPC;

namespace zmq {
class socket_t;
}

namespace zelplatform {

class ReplayBuffer;
class ZapDomain;

// The events endpoint of a server name (names as TFramework::SendRPC takes
// them): inproc://x and ipc://p publish on inproc://x.events and
// ipc://p.events, tcp://host:port on tcp://host:(port+1). Empty when the
// name has none: a tcp port of 0, "*" or 65535, or another transport.
ZELCLNT_API std::string EventEndpointOf(const std::string& serverName);

}  // namespace zelplatform

class ZELCLNT_API TEventPublisher {
 public:
  static constexpr int kDefaultHighWaterMark = 1000;
  static constexpr long kDefaultHeartbeatMs = 1000;
  // The RPC type of a receiver's request to send events again.
  static constexpr unsigned short kReplayRpcType = 65280;

  explicit TEventPublisher(const std::string& serverName);
  ~TEventPublisher();
  TEventPublisher(const TEventPublisher&) = delete;
  TEventPublisher& operator=(const TEventPublisher&) = delete;

  // Take effect at the next Start. Events queued for one receiver beyond
  // the mark are dropped (0: no limit); an interval of 0 or below sends no
  // periodic heartbeat (a receiver that subscribes is still told at once).
  void SetSendHighWaterMark(int messages) { m_sendHighWaterMark = messages; }
  void SetHeartbeatInterval(long milliseconds) { m_heartbeatMs = milliseconds; }
  void SetSecurity(TServerSecurity security) { m_security = std::move(security); }
  void SetReplayLimits(const TEventReplayLimits& limits) { m_replayLimits = limits; }

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

  // Queues the event about one user for every receiver subscribed to its
  // type or to that user, without waiting, and keeps it to send again.
  // False when not running, for type 0 (the heartbeat's), or when size is
  // above the transport's size bound.
  bool Publish(int eventType, std::int64_t userKey, const void* data, std::size_t size);
  // The same for an event about no user (a medium's readiness, say): only
  // receivers that named no users get it.
  bool Publish(int eventType, const void* data, std::size_t size);

  // Where the stream stands: the incarnation and the last position
  // published. A server that publishes under a lock of its own and reads
  // this under the same lock knows which events its answer reflects.
  TEventPosition Position() const;

  // Answers a receiver's request to send events again (the call data of an
  // RPC of kReplayRpcType) in rpc's reply data; TRPCServer::ServeReplays
  // calls it. A malformed request gets return code TRPC::kHandlerFailed.
  void AnswerReplay(TRPC& rpc) const;

  // Events held to send again.
  std::size_t ReplayCount() const;

  // Whether its server stands by; any thread, while running too.
  void SetStandby(bool standby);

 private:
  void Beat(std::chrono::milliseconds interval);
  // REQUIRES: m_lock held and m_socket set, for all below.
  bool SendEvent(std::int32_t eventType, std::int64_t userKey, const void* data, std::size_t size);
  void SendHeartbeat();
  bool SendFrames(const char* header, std::size_t headerSize, const void* data, std::size_t size);
  // True when a receiver subscribed since the last look.
  bool ReadSubscriptions();

  std::string m_serverName;
  std::string m_endpoint;
  std::string m_boundEndpoint;
  int m_sendHighWaterMark = kDefaultHighWaterMark;
  long m_heartbeatMs = kDefaultHeartbeatMs;
  std::optional<TServerSecurity> m_security;
  TEventReplayLimits m_replayLimits;
  // While a secured publisher runs.
  std::unique_ptr<zelplatform::ZapDomain> m_zap;

  // Guards the socket, the positions and the replay buffer, which Publish,
  // AnswerReplay and the heartbeat share.
  mutable std::mutex m_lock;
  std::unique_ptr<zmq::socket_t> m_socket;
  std::uint64_t m_incarnation = 0;
  std::uint64_t m_position = 0;
  std::map<std::int32_t, std::uint64_t> m_typePositions;
  std::unordered_map<std::int64_t, std::uint64_t> m_userPositions;
  std::unique_ptr<zelplatform::ReplayBuffer> m_replay;
  // What earlier receivers subscribed to, and their per-type sequences.
  std::set<std::string> m_legacyPrefixes;
  std::map<std::int32_t, std::uint64_t> m_legacySequences;
  std::uint64_t m_heartbeats = 0;
  // Events sent since the last look for new subscriptions.
  unsigned m_unlooked = 0;
  bool m_stopping = false;
  bool m_standby = false;
  // The standby flag changed, or a publish read a new subscription: beat at
  // once.
  bool m_beatNow = false;
  std::condition_variable m_wake;
  std::thread m_heartbeat;
};
