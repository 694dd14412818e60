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
// How long a wait goes before it looks again at whether the server is there.
constexpr std::chrono::milliseconds kSlice{20};
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

int SliceMs(Clock::time_point deadline) {
  return static_cast<int>(std::max<std::int64_t>(WaitSlice(deadline, kSlice).count(), 1));
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
  m_dealer.emplace(SharedContext(), zmq::socket_type::dealer);
  ConfigureSocket(*m_dealer, m_endpoint);
  m_dealer->set(zmq::sockopt::immediate, 1);
  m_receiveTimeout = -1;
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
    const std::string monitorEndpoint = NextMonitorEndpoint();
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

CallStatus ClientConnection::Send(const TRPC& rpc, Clock::time_point deadline, const ListCall& list,
                                  Clock::time_point sendBy) {
  if (m_inproc) {
    const CallStatus bound = CheckInproc();
    if (bound != CallStatus::None) return bound;
  }
  const std::size_t header = CallHeaderSize(list);
  zmq::message_t frame(header + rpc.GetCallSize());
  if (rpc.GetCallSize() != 0) std::memcpy(frame.data<char>() + header, rpc.GetCallPointer(), rpc.GetCallSize());
  ++m_callId;
  const Clock::time_point giveUp = std::min(deadline, sendBy);
  for (;;) {
    const Clock::time_point now = Clock::now();
    if (now >= giveUp) return CallStatus::TimedOut;
    WriteCallHeader(frame.data<char>(), m_callId, rpc, RemainingMs(now, deadline), list);
    ReleaseBeforeSend(frame.data());
    if (zmq_msg_send(frame.handle(), m_dealer->handle(), ZMQ_DONTWAIT) >= 0) {
      m_fresh = false;
      return CallStatus::None;
    }
    if (zmq_errno() == EINTR) continue;
    if (zmq_errno() != EAGAIN) return CallStatus::Interrupted;
    const CallStatus ready = AwaitWritable(giveUp);
    if (ready != CallStatus::None) return ready;
  }
}

// Nothing was queued: a send that cannot go leaves nothing behind.
CallStatus ClientConnection::AwaitWritable(Clock::time_point deadline) {
  if (m_inproc) {
    const CallStatus bound = CheckInproc();
    if (bound != CallStatus::None) return bound;
  } else if (IsGone(ReadPeer())) {
    if (m_fresh) return HandshakeFailure(deadline).value_or(CallStatus::ConnectionRefused);
    // Perhaps an outage that is over by now: a new socket learns afresh.
    Close();
    Open();
  }
  zmq::pollitem_t items[2] = {{m_dealer->handle(), 0, ZMQ_POLLOUT, 0},
                              {m_monitor ? m_monitor->handle() : nullptr, 0, ZMQ_POLLIN, 0}};
  if (zmq_poll(items, m_monitor ? 2 : 1, SliceMs(deadline)) < 0 && zmq_errno() != EINTR)
    return CallStatus::Interrupted;
  return CallStatus::None;
}

CallStatus ClientConnection::Receive(TRPC& rpc, TThreadQueue& queue, Clock::time_point deadline) {
  zmq::message_t message;
  for (;;) {
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return CallStatus::TimedOut;
    SetReceiveTimeout(SliceMs(deadline));
    if (zmq_msg_recv(message.handle(), m_dealer->handle(), 0) >= 0) {
      AcquireAfterReceive(message.data());
      if (const auto taken = Take(message, rpc, queue)) return *taken;
      continue;
    }
    if (zmq_errno() == EINTR) continue;
    if (zmq_errno() != EAGAIN) return CallStatus::Interrupted;
    if (m_inproc) {
      if (InprocGeneration(m_endpoint) != m_generation) return CallStatus::Interrupted;
    } else if (IsGone(ReadPeer())) {
      // ZeroMQ sends to a peer that answers its greeting in an older
      // protocol's framing, and HTTP text can pass for that.
      return HandshakeFailure(deadline).value_or(CallStatus::Interrupted);
    }
  }
}

// A large reply is handed over with the message that holds it, not copied.
std::optional<CallStatus> ClientConnection::Take(zmq::message_t& message, TRPC& rpc, TThreadQueue& queue) {
  ReplyFrame reply;
  if (message.more()) {
    DiscardRest(*m_dealer);
  } else if (DecodeReply(message.data(), message.size(), reply) && reply.callId == m_callId) {
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
  queue.CountStale();
  return std::nullopt;
}

void ClientConnection::SetReceiveTimeout(int ms) {
  if (ms == m_receiveTimeout) return;
  m_dealer->set(zmq::sockopt::rcvtimeo, ms);
  m_receiveTimeout = ms;
}

}  // namespace zelplatform
