#include "ClientConnection.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>

#include "HandOver.h"
#include "PeerProbe.h"

namespace zelplatform {
namespace {

constexpr int kMonitoredEvents = ZMQ_EVENT_CONNECTED | ZMQ_EVENT_CONNECT_RETRIED | ZMQ_EVENT_CLOSED |
                                 ZMQ_EVENT_DISCONNECTED | ZMQ_EVENT_HANDSHAKE_SUCCEEDED |
                                 ZMQ_EVENT_HANDSHAKE_FAILED_NO_DETAIL | ZMQ_EVENT_HANDSHAKE_FAILED_PROTOCOL |
                                 ZMQ_EVENT_HANDSHAKE_FAILED_AUTH;
// A peer that hung up during the handshake answers a probe within
// milliseconds, if at all; the rest is room for a loaded machine.
constexpr auto kProbeWait = std::chrono::milliseconds(500);
constexpr int kHeartbeatMs = 250;
// Below this a reply is copied into the TRPC's kept buffer, which costs less
// than the allocation that keeping its message alive takes.
constexpr std::size_t kAdoptFrom = 16 * 1024;

// Rounded up: a wait must not end just before its deadline and spin.
std::int64_t MillisecondsLeft(Clock::time_point now, Clock::time_point deadline) {
  return std::max<std::int64_t>(std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count(), 1);
}

std::uint32_t RemainingMs(Clock::time_point now, Clock::time_point deadline) {
  return static_cast<std::uint32_t>(
      std::min<std::int64_t>(MillisecondsLeft(now, deadline), std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

ClientConnection::ClientConnection(const std::string& endpoint, CurveSetting curve, bool watched)
    : m_endpoint(endpoint), m_inproc(IsInproc(endpoint)), m_curve(std::move(curve)), m_watched(watched) {
  // An inproc socket connects only once a server is bound: ZeroMQ would
  // otherwise hold the call for whichever server binds the name later.
  if (!m_inproc) Open();
}

ClientConnection::~ClientConnection() { Close(); }

// Connecting makes ZeroMQ process its pending commands, a wait that a signal
// can interrupt; nothing has been sent yet, so the socket is made afresh.
void ClientConnection::Open() {
  for (;;) {
    try {
      return OpenSocket();
    } catch (const zmq::error_t& error) {
      Close();
      if (error.num() != EINTR) throw;
    }
  }
}

void ClientConnection::OpenSocket() {
  static std::atomic<std::uint64_t> sockets{0};
  m_socketSerial = ++sockets;
  m_dealer.emplace(SharedContext(), zmq::socket_type::dealer);
  ConfigureSocket(*m_dealer, m_endpoint);
  m_dealer->set(zmq::sockopt::immediate, 1);
  m_receiveTimeout = -1;
  // A full pipe would make the server's ROUTER drop replies; they never
  // outnumber the calls in flight.
  m_dealer->set(zmq::sockopt::rcvhwm, 0);
  if (m_curve.enabled) SecureClient(*m_dealer, m_curve.serverKey, m_curve.client);
  if (!m_inproc) {
    // A lost connection is made again by the next call, not by ZeroMQ in the
    // background: an idle socket retrying a server that is down would fill
    // its unread monitor until ZeroMQ's own thread blocks on it.
    m_dealer->set(zmq::sockopt::reconnect_ivl, -1);
    if (m_watched) {
      m_dealer->set(zmq::sockopt::heartbeat_ivl, kHeartbeatMs);
      m_dealer->set(zmq::sockopt::heartbeat_timeout, static_cast<int>(kLostAfter.count()));
    }
    const std::string monitorEndpoint = NextInprocEndpoint("monitor");
    if (zmq_socket_monitor(m_dealer->handle(), monitorEndpoint.c_str(), kMonitoredEvents) != 0) throw zmq::error_t();
    m_monitor.emplace(SharedContext(), zmq::socket_type::pair);
    m_monitor->set(zmq::sockopt::linger, 0);
    m_monitor->connect(monitorEndpoint);
  }
  m_dealer->connect(m_endpoint);
  m_peer = Peer::Unknown;
  m_fresh = true;
}

void ClientConnection::Close() {
  if (m_monitor) zmq_socket_monitor(m_dealer->handle(), nullptr, 0);
  m_monitor.reset();
  m_dealer.reset();
}

CallStatus ClientConnection::CheckInproc() {
  const std::uint64_t epoch = InprocEpoch();
  if (epoch == m_epoch && m_dealer) return CallStatus::None;
  const std::uint64_t generation = InprocGeneration(m_endpoint);
  if (generation == 0) return CallStatus::NoSuchServer;
  if (generation != m_generation || !m_dealer) {
    Close();
    m_generation = generation;
    Open();
  }
  m_epoch = epoch;
  return CallStatus::None;
}

bool ClientConnection::IsGone(Peer peer) {
  return peer == Peer::Refused || peer == Peer::Lost || FailedHandshake(peer);
}

bool ClientConnection::FailedHandshake(Peer peer) {
  return peer == Peer::Unauthenticated || peer == Peer::Foreign || peer == Peer::HungUp;
}

// Events are read in the order they happened; the last one decides, but a
// failed handshake stands: the socket does not try again.
ClientConnection::Peer ClientConnection::ReadPeer() {
  MonitorEvent event;
  while (NextMonitorEvent(*m_monitor, event)) {
    if (!FailedHandshake(m_peer)) NotePeerEvent(event);
  }
  return m_peer;
}

// ZeroMQ tells of every failed handshake but one: a peer whose bytes are
// not ZeroMQ's at all is dropped without a word.
void ClientConnection::NotePeerEvent(const MonitorEvent& event) {
  switch (FaultOf(event)) {
    case HandshakeFault::Refused:
      m_peer = Peer::Unauthenticated;
      return;
    case HandshakeFault::Foreign:
      m_peer = Peer::Foreign;
      return;
    case HandshakeFault::HungUp:
      m_peer = Peer::HungUp;
      return;
    case HandshakeFault::None:
      break;
  }
  if (event.id == ZMQ_EVENT_CONNECTED) m_peer = Peer::Handshaking;
  if (event.id == ZMQ_EVENT_HANDSHAKE_SUCCEEDED) m_peer = Peer::Ready;
  if (event.id == ZMQ_EVENT_DISCONNECTED) m_peer = m_peer == Peer::Handshaking ? Peer::Foreign : Peer::Lost;
  if (event.id == ZMQ_EVENT_CONNECT_RETRIED || (event.id == ZMQ_EVENT_CLOSED && m_peer == Peer::Unknown))
    m_peer = Peer::Refused;
}

std::optional<CallStatus> ClientConnection::HandshakeFailure(Clock::time_point deadline) const {
  if (m_peer == Peer::Unauthenticated) return CallStatus::AuthenticationFailed;
  if (m_peer == Peer::Foreign) return CallStatus::NotPresenceServer;
  if (m_peer != Peer::HungUp) return std::nullopt;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  switch (AskPeer(m_endpoint, std::clamp<std::chrono::milliseconds>(left, {}, kProbeWait))) {
    case FirstWords::Foreign:
      return CallStatus::NotPresenceServer;
    case FirstWords::ZeroMqCurve:
      return CallStatus::AuthenticationFailed;
    // A ZeroMQ peer that hangs up on a CURVE greeting does not speak CURVE.
    case FirstWords::ZeroMq:
      if (m_curve.enabled) return CallStatus::AuthenticationFailed;
      break;
    case FirstWords::None:
      break;
  }
  return CallStatus::ClosedInHandshake;
}

std::optional<CallStatus> ClientConnection::TrySend(const TRPC& rpc, Clock::time_point now, Clock::time_point deadline,
                                                    const ListCall& list, bool awaiting, std::uint64_t* callId) {
  if (m_inproc && (!m_dealer || InprocEpoch() != m_epoch)) {
    if (awaiting && Gone()) return std::nullopt;
    const CallStatus bound = CheckInproc();
    if (bound != CallStatus::None) return bound;
  }
  const std::size_t header = CallHeaderSize(list);
  zmq::message_t frame(header + rpc.GetCallSize());
  if (rpc.GetCallSize() != 0) std::memcpy(frame.data<char>() + header, rpc.GetCallPointer(), rpc.GetCallSize());
  WriteCallHeader(frame.data<char>(), m_callId + 1, rpc, RemainingMs(now, deadline), list);
  ReleaseBeforeSend(frame.data());
  for (;;) {
    if (zmq_msg_send(frame.handle(), m_dealer->handle(), ZMQ_DONTWAIT) >= 0) {
      m_fresh = false;
      *callId = ++m_callId;
      return CallStatus::None;
    }
    if (zmq_errno() == EAGAIN) return std::nullopt;
    if (zmq_errno() != EINTR) return CallStatus::Interrupted;
  }
}

// Nothing was queued: a send that cannot go leaves nothing behind.
CallStatus ClientConnection::CheckWritable(Clock::time_point deadline) {
  if (m_inproc) return CheckInproc();
  if (!IsGone(ReadPeer())) return CallStatus::None;
  if (m_fresh) return HandshakeFailure(deadline).value_or(CallStatus::ConnectionRefused);
  // Perhaps an outage that is over by now: a new socket learns afresh.
  Close();
  Open();
  return CallStatus::None;
}

CallStatus ClientConnection::Drain(ReplySink& sink, int waitMs, std::size_t most) {
  zmq::message_t message;
  ReplyFrame reply;
  if (waitMs > 0) SetReceiveTimeout(waitMs);
  for (int flags = waitMs > 0 ? 0 : ZMQ_DONTWAIT; most > 0 && sink.Awaits(); flags = ZMQ_DONTWAIT) {
    if (zmq_msg_recv(message.handle(), m_dealer->handle(), flags) < 0) {
      if (zmq_errno() == EINTR) continue;
      return zmq_errno() == EAGAIN ? CallStatus::None : CallStatus::Interrupted;
    }
    AcquireAfterReceive(message.data());
    --most;
    if (message.more()) {
      DiscardRest(*m_dealer);
      sink.OnStale();
    } else if (DecodeReply(message.data(), message.size(), reply)) {
      sink.OnReply(message, reply);
    } else {
      sink.OnStale();
    }
  }
  return CallStatus::None;
}

void ClientConnection::SetReceiveTimeout(int ms) {
  if (ms == m_receiveTimeout) return;
  m_dealer->set(zmq::sockopt::rcvtimeo, ms);
  m_receiveTimeout = ms;
}

bool ClientConnection::Gone() {
  return m_inproc ? InprocGeneration(m_endpoint) != m_generation : IsGone(ReadPeer());
}

// ZeroMQ sends to a peer that answers its greeting in an older protocol's
// framing, and HTTP text can pass for that.
CallStatus ClientConnection::WhyGone(Clock::time_point deadline) const {
  if (m_inproc) return CallStatus::Interrupted;
  return HandshakeFailure(deadline).value_or(CallStatus::Interrupted);
}

int ClientConnection::SocketFd() const { return m_dealer ? m_dealer->get(zmq::sockopt::fd) : -1; }

int ClientConnection::MonitorFd() const { return m_monitor ? m_monitor->get(zmq::sockopt::fd) : -1; }

bool ClientConnection::ClearSignals() {
  const bool reply = m_dealer && (m_dealer->get(zmq::sockopt::events) & ZMQ_POLLIN) != 0;
  const bool event = m_monitor && (m_monitor->get(zmq::sockopt::events) & ZMQ_POLLIN) != 0;
  return reply || event;
}

CallStatus DeliverReply(zmq::message_t& message, const ReplyFrame& reply, TRPC& rpc) {
  if (message.size() > MaxMessageSize() + kFrameAllowance) return CallStatus::RefusedTooLarge;
  if (reply.size < kAdoptFrom) {
    rpc.SetReplyData(reply.data, reply.size);
  } else {
    // Taken afresh after the move: ZeroMQ keeps a short message's bytes inside it.
    const std::size_t offset = static_cast<std::size_t>(reply.data - message.data<char>());
    auto held = std::make_shared<zmq::message_t>(std::move(message));
    const char* data = held->data<char>() + offset;
    rpc.AdoptReplyData(data, reply.size, std::move(held));
  }
  rpc.SetReturnCode(reply.returnCode);
  rpc.SetStatePosition(reply.state);
  rpc.SetServerRole(reply.role);
  rpc.SetServerTerm(reply.term);
  return CallStatus::None;
}

}  // namespace zelplatform
