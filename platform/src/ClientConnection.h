#pragma once
// A client's connection to one server: a DEALER that carries the calls of
// whichever queue the connection pool lent it to, as many at once as it
// sends, each under a call id of its own. It never blocks: the queue waits
// on its socket and monitor, and asks it again.
//
// The fast path is a send that goes at once and a reply that comes soon.
// Only when a send cannot go, or a reply is late, does the connection ask
// whether its server is there: for tcp and ipc from a socket
// monitor, whose events are read in order, the last one deciding; for inproc
// from the record of bound names. ZeroMQ does not reconnect a lost server in
// the background; the next call that finds it lost opens a new socket, whose
// answer is news: a server back since then is called at once, one still down
// refuses the call at once.
//
// A handshake that fails fails the call as soon as the monitor tells of it.
// Keys refused, or CURVE on one side only, is authentication; a peer that
// breaks ZeroMQ's protocol is no presence server. A peer that hangs up
// without a word is asked, for half a second at most, what it says first
// (PeerProbe.h): text in another protocol makes it no presence server; a
// greeting that names CURVE, a server that requires keys (the client has
// none, or the server could not read the client's: the key given is not its
// own); another ZeroMQ greeting, to a client with CURVE, a server without
// it; silence, a peer that closed during the handshake. A clear-text client
// is thus told that authentication failed only by a server that requires
// CURVE.
//
// Sends go only to a connected server (ZMQ_IMMEDIATE), so a call that could
// not be sent is queued nowhere; nothing is sent twice.

#include <cstdint>
#include <optional>
#include <string>

#include "ClientKeys.h"
#include "RpcFrame.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TFramework.h"

namespace zelplatform {

using CallStatus = TCallFailure;

// Where a connection's replies go, each with the message that holds it.
class ReplySink {
 public:
  virtual void OnReply(zmq::message_t& message, const ReplyFrame& reply) = 0;
  // A message that is no reply: counted, and dropped.
  virtual void OnStale() = 0;
  // Whether replies are still awaited: draining stops when none are.
  virtual bool Awaits() const = 0;

 protected:
  ~ReplySink() = default;
};

// Puts a reply into rpc: a large one handed over with its message, not
// copied. RefusedTooLarge, with rpc untouched, for a message above the
// size bound.
CallStatus DeliverReply(zmq::message_t& message, const ReplyFrame& reply, TRPC& rpc);

class ClientConnection {
 public:
  // Throws zmq::error_t when ZeroMQ cannot make or connect the socket (a
  // malformed endpoint, no descriptors left). A watched connection runs
  // ZeroMQ's heartbeat: a peer whose host went away is lost within kLostAfter.
  ClientConnection(const std::string& endpoint, CurveSetting curve, bool watched = false);
  ~ClientConnection();
  ClientConnection(const ClientConnection&) = delete;
  ClientConnection& operator=(const ClientConnection&) = delete;

  static constexpr std::chrono::milliseconds kLostAfter{1000};

  // Sends the call at once under a new call id (*callId), telling the
  // server how long the caller still waits, and a caller of a list its
  // term. nullopt while ZeroMQ cannot take it: try again once the socket
  // is writable, after CheckWritable. While calls await their replies
  // (awaiting), a socket whose server went away is not made anew: they are
  // to fail first (Gone).
  std::optional<CallStatus> TrySend(const TRPC& rpc, Clock::time_point now, Clock::time_point deadline,
                                    const ListCall& list, bool awaiting, std::uint64_t* callId);
  // While a send waits: None as long as the server may still take it (a
  // socket whose server went away since it last sent is made anew), else
  // why it cannot.
  CallStatus CheckWritable(Clock::time_point deadline);
  // Hands the replies that are waiting to sink, at most `most`, the first
  // waited for up to waitMs; Interrupted when the socket failed.
  CallStatus Drain(ReplySink& sink, int waitMs, std::size_t most);
  // True once the server that has the calls sent is gone: they get no
  // answer. WhyGone then says why; a peer that hung up in the handshake is
  // asked, until the deadline at most.
  bool Gone();
  CallStatus WhyGone(Clock::time_point deadline) const;

  // For zmq_poll, and for a descriptor of the application's (ZMQ_FD; the
  // monitor's is -1 on inproc). ClearSignals lets them settle after a
  // drain, and tells whether something came meanwhile, which they will not
  // signal again.
  void* Socket() { return m_dealer ? m_dealer->handle() : nullptr; }
  void* Monitor() { return m_monitor ? m_monitor->handle() : nullptr; }
  int SocketFd() const;
  // -1 for inproc, which has no monitor.
  int MonitorFd() const;
  bool Inproc() const { return m_inproc; }
  // Tells its sockets apart from any others the process made: it changes
  // whenever they are made anew (0: none yet).
  std::uint64_t SocketSerial() const { return m_socketSerial; }
  bool ClearSignals();

  const CurveSetting& Curve() const { return m_curve; }
  Clock::time_point LastUsed() const { return m_lastUsed; }
  void MarkUsed(Clock::time_point now) { m_lastUsed = now; }

 private:
  enum class Peer { Unknown, Handshaking, Ready, Refused, Lost, Unauthenticated, Foreign, HungUp };

  void Open();
  void OpenSocket();
  void Close();
  // Reopens a connection to an inproc server bound anew; NoSuchServer when
  // the name is unbound.
  CallStatus CheckInproc();
  Peer ReadPeer();
  static bool IsGone(Peer peer);
  static bool FailedHandshake(Peer peer);
  void NotePeerEvent(const MonitorEvent& event);
  void SetReceiveTimeout(int ms);
  // Why the handshake failed; nullopt when it did not.
  std::optional<CallStatus> HandshakeFailure(Clock::time_point deadline) const;

  const std::string m_endpoint;
  const bool m_inproc;
  const CurveSetting m_curve;
  const bool m_watched;
  std::optional<zmq::socket_t> m_dealer;
  std::optional<zmq::socket_t> m_monitor;
  Peer m_peer = Peer::Unknown;
  // Nothing went out on this socket yet: what its monitor says is news.
  bool m_fresh = true;
  std::uint64_t m_generation = 0;
  std::uint64_t m_socketSerial = 0;
  std::uint64_t m_epoch = 0;
  std::uint64_t m_callId = 0;
  int m_receiveTimeout = -1;
  Clock::time_point m_lastUsed;
};

}  // namespace zelplatform
