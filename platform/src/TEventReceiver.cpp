#include "zelclnt/platform/TEventReceiver.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include <zmq.hpp>

#include "ClientKeys.h"
#include "EventFrame.h"
#include "HandOver.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TEventPublisher.h"

namespace {

using zelplatform::Clock;

// How often a wait looks again at what no socket tells: Stop, an inproc
// publisher that went away or came back.
constexpr auto kPollSlice = std::chrono::milliseconds(20);
// ZeroMQ's own heartbeat: a publisher whose host vanished without closing
// the connection is noticed within seconds.
constexpr int kLinkHeartbeatMs = 1000;
constexpr int kLinkTimeoutMs = 3000;
// ZeroMQ tells within this time that it is reconnecting by itself.
constexpr auto kGiveUpWait = std::chrono::milliseconds(250);
// A publisher that refused the keys is asked again this much later, not at
// ZeroMQ's pace: each attempt costs it a handshake and an authentication.
constexpr auto kRefusedWait = std::chrono::seconds(3);
constexpr int kMonitoredEvents = ZMQ_EVENT_HANDSHAKE_SUCCEEDED | ZMQ_EVENT_DISCONNECTED | ZMQ_EVENT_CONNECT_DELAYED |
                                 ZMQ_EVENT_CONNECT_RETRIED | ZMQ_EVENT_HANDSHAKE_FAILED_NO_DETAIL |
                                 ZMQ_EVENT_HANDSHAKE_FAILED_PROTOCOL | ZMQ_EVENT_HANDSHAKE_FAILED_AUTH;

Clock::time_point DeadlineAfter(long timeoutMs) {
  return timeoutMs < 0 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace

// The subscription itself: replaced whole when an inproc publisher rebinds.
struct TEventReceiver::Link {
  Link() : sub(zelplatform::SharedContext(), zmq::socket_type::sub) {}
  ~Link() {
    if (monitor) zmq_socket_monitor(sub.handle(), nullptr, 0);
  }

  zmq::socket_t sub;
  std::optional<zmq::socket_t> monitor;
  zmq::message_t header;
  zmq::message_t body;
  zelplatform::LastSequences entries;
};

TEventReceiver::TEventReceiver(const std::string& serverName, std::vector<int> eventTypes)
    : m_serverName(serverName), m_endpoint(zelplatform::EventEndpointOf(serverName)), m_types(std::move(eventTypes)) {}

TEventReceiver::~TEventReceiver() = default;

bool TEventReceiver::Start(std::string* error) {
  std::string reason;
  if (m_link)
    reason = "already started on " + m_endpoint;
  else if (m_endpoint.empty())
    reason = "server " + m_serverName + " has no events endpoint (a tcp server needs a port from 1 to 65534)";
  if (!reason.empty()) {
    if (error) *error = reason;
    return false;
  }
  // The events endpoint has the key of the server it belongs to.
  zelplatform::CurveSetting curve;
  if (!zelplatform::CurveFor(zelplatform::EndpointOf(m_serverName), curve, &reason)) {
    if (error) *error = "no usable keys to subscribe to " + m_endpoint + ": " + reason;
    return false;
  }
  m_serverKey = curve.serverKey;
  m_clientKeys = curve.client;
  const bool inproc = zelplatform::IsInproc(m_endpoint);
  m_maxSize = zelplatform::MaxMessageSize();
  m_generation = inproc ? zelplatform::InprocGeneration(m_endpoint) : 0;
  try {
    Connect();
  } catch (const zmq::error_t& failure) {
    if (error) *error = "cannot connect to " + m_endpoint + ": " + failure.what();
    return false;
  }
  m_connected = inproc && m_generation != 0;
  return true;
}

bool TEventReceiver::Next(TEventNotice& notice, long timeoutMs) {
  const Clock::time_point deadline = DeadlineAfter(timeoutMs);
  try {
    for (;;) {
      if (m_stop || !m_link) return false;
      if (TakeNotice(notice)) return true;
      if (ReadOne()) continue;
      CheckConnection();
      if (!m_pending.empty()) continue;
      if (Clock::now() >= deadline) return false;
      Wait(deadline);
    }
  } catch (const zmq::error_t& failure) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Event receiver on %s: %s", m_endpoint.c_str(), failure.what());
    return false;
  }
}

void TEventReceiver::Run(const Callback& callback) {
  TEventNotice notice;
  while (Next(notice, -1)) {
    if (!callback(notice)) return;
  }
}

bool TEventReceiver::TakeNotice(TEventNotice& notice) {
  if (!m_pending.empty()) {
    const TEventNotice& next = m_pending.front();
    notice.kind = next.kind;
    notice.eventType = next.eventType;
    notice.sequence = next.sequence;
    notice.count = next.count;
    notice.incarnation = next.incarnation;
    notice.data.clear();
    m_pending.pop_front();
    return true;
  }
  if (!m_holding) return false;
  m_holding = false;
  notice.kind = TEventNotice::Kind::Event;
  notice.eventType = m_heldType;
  notice.sequence = m_heldSequence;
  notice.count = 0;
  notice.incarnation = m_incarnation;
  notice.data.assign(static_cast<const char*>(m_link->body.data()), m_link->body.size());
  return true;
}

// False when nothing was there to read.
bool TEventReceiver::ReadOne() {
  Link& link = *m_link;
  if (!link.sub.recv(link.header, zmq::recv_flags::dontwait)) return false;
  if (!link.header.more() || !link.sub.recv(link.body, zmq::recv_flags::dontwait)) return Drop();
  zelplatform::AcquireAfterReceive(link.header.data());
  zelplatform::AcquireAfterReceive(link.body.data());
  if (link.body.more()) {
    zelplatform::DiscardRest(link.sub);
    return Drop();
  }
  zelplatform::EventHeader header;
  if (!zelplatform::DecodeEventHeader(link.header.data(), link.header.size(), header)) return Drop();
  if (header.eventType == zelplatform::kHeartbeatType) {
    if (!zelplatform::DecodeHeartbeat(link.body.data(), link.body.size(), link.entries)) return Drop();
    NoteIncarnation(header.incarnation);
    AcceptHeartbeat();
    return true;
  }
  NoteIncarnation(header.incarnation);
  AcceptEvent(header.eventType, header.sequence);
  return true;
}

bool TEventReceiver::Drop() {
  ++m_malformed;
  return true;
}

void TEventReceiver::AcceptEvent(std::int32_t eventType, std::uint64_t sequence) {
  Account(eventType, sequence - 1);
  m_lastSequences[eventType] = sequence;
  if (m_link->body.size() > m_maxSize) {
    Push(TEventNotice::Kind::TooLarge, eventType, sequence, 1);
    return;
  }
  m_holding = true;
  m_heldType = eventType;
  m_heldSequence = sequence;
}

void TEventReceiver::AcceptHeartbeat() {
  for (const auto& [eventType, last] : m_link->entries) {
    if (Wanted(eventType)) Account(eventType, last);
  }
  // The heartbeat named every type published so far: the others start now.
  m_countFromOne = true;
}

void TEventReceiver::NoteIncarnation(std::uint64_t incarnation) {
  if (incarnation == m_incarnation) return;
  const bool restarted = m_incarnation != 0;
  m_incarnation = incarnation;
  if (!restarted) return;
  // The receiver was there from the new publisher's start: whatever of it
  // did not arrive is lost.
  m_lastSequences.clear();
  m_countFromOne = true;
  Push(TEventNotice::Kind::Restarted);
}

// Every event of the type up to `through` was sent; those not seen are lost.
void TEventReceiver::Account(std::int32_t eventType, std::uint64_t through) {
  const auto [last, fresh] = m_lastSequences.try_emplace(eventType, 0);
  if (fresh && !m_countFromOne) {
    last->second = through;
    return;
  }
  if (through <= last->second) return;
  Push(TEventNotice::Kind::Lost, eventType, 0, through - last->second);
  last->second = through;
}

bool TEventReceiver::Wanted(std::int32_t eventType) const {
  return eventType != zelplatform::kHeartbeatType &&
         (m_types.empty() || std::find(m_types.begin(), m_types.end(), eventType) != m_types.end());
}

void TEventReceiver::Wait(Clock::time_point deadline) {
  zmq::pollitem_t items[2] = {{m_link->sub.handle(), 0, ZMQ_POLLIN, 0}, {nullptr, 0, ZMQ_POLLIN, 0}};
  std::size_t count = 1;
  if (m_link->monitor) {
    items[1].socket = m_link->monitor->handle();
    count = 2;
  }
  try {
    zmq::poll(items, count, zelplatform::WaitSlice(deadline, kPollSlice));
  } catch (const zmq::error_t& failure) {
    if (failure.num() != EINTR) throw;
  }
}

void TEventReceiver::CheckConnection() {
  if (zelplatform::IsInproc(m_endpoint)) return CheckInproc();
  DrainMonitor();
  if (m_abandoned && Clock::now() >= m_reconnectAt) {
    Connect();
    m_abandoned = false;
  }
}

void TEventReceiver::CheckInproc() {
  const std::uint64_t generation = zelplatform::InprocGeneration(m_endpoint);
  if (generation == m_generation) return;
  if (m_connected) Disconnected();
  // An inproc SUB does not follow its name to a new binding.
  if (generation != 0) Connect();
  m_generation = generation;
  if (generation != 0) Connected();
}

// A publisher that hangs up on a CURVE greeting could not read it (the key
// given is not its own); one that hangs up on a clear-text greeting has
// authenticated nobody.
void TEventReceiver::DrainMonitor() {
  using zelplatform::HandshakeFault;
  zelplatform::MonitorEvent event;
  while (zelplatform::NextMonitorEvent(*m_link->monitor, event)) {
    const HandshakeFault fault = zelplatform::FaultOf(event);
    if (event.id == ZMQ_EVENT_HANDSHAKE_SUCCEEDED) Connected();
    if (fault == HandshakeFault::Refused || (fault == HandshakeFault::HungUp && !m_serverKey.empty()))
      HandshakeFailed(true);
    if (fault == HandshakeFault::Foreign) HandshakeFailed(false);
    if (event.id == ZMQ_EVENT_DISCONNECTED) LinkLost();
    // ZeroMQ is connecting again by itself.
    if (event.id == ZMQ_EVENT_CONNECT_DELAYED || event.id == ZMQ_EVENT_CONNECT_RETRIED ||
        event.id == ZMQ_EVENT_HANDSHAKE_SUCCEEDED)
      m_abandoned = false;
  }
}

// ZeroMQ does not reconnect after a peer broke the protocol (sent a message
// above the size bound, say): unless it shows it is reconnecting, the
// receiver connects afresh itself.
void TEventReceiver::LinkLost() {
  if (m_connected) Disconnected();
  if (m_abandoned && m_refused) return;
  m_abandoned = true;
  m_reconnectAt = Clock::now() + kGiveUpWait;
}

void TEventReceiver::Connect() {
  auto link = std::make_unique<Link>();
  zmq::socket_t& sub = link->sub;
  zelplatform::ConfigureSocket(sub, m_endpoint);
  sub.set(zmq::sockopt::rcvhwm, m_highWaterMark);
  if (m_types.empty()) sub.set(zmq::sockopt::subscribe, "");
  for (const int eventType : m_types) sub.set(zmq::sockopt::subscribe, zelplatform::EventTypePrefix(eventType));
  if (!m_types.empty()) sub.set(zmq::sockopt::subscribe, zelplatform::EventTypePrefix(zelplatform::kHeartbeatType));
  if (!m_serverKey.empty()) zelplatform::SecureClient(sub, m_serverKey, m_clientKeys);
  if (!zelplatform::IsInproc(m_endpoint)) {
    sub.set(zmq::sockopt::heartbeat_ivl, kLinkHeartbeatMs);
    sub.set(zmq::sockopt::heartbeat_timeout, kLinkTimeoutMs);
    const std::string monitorEndpoint = zelplatform::NextMonitorEndpoint();
    if (zmq_socket_monitor(sub.handle(), monitorEndpoint.c_str(), kMonitoredEvents) != 0) throw zmq::error_t();
    link->monitor.emplace(zelplatform::SharedContext(), zmq::socket_type::pair);
    link->monitor->set(zmq::sockopt::linger, 0);
    link->monitor->connect(monitorEndpoint);
  }
  sub.connect(m_endpoint);
  m_link = std::move(link);
}

void TEventReceiver::Connected() {
  if (m_wentAway) Push(TEventNotice::Kind::Reconnected);
  m_wentAway = false;
  m_connected = true;
  m_refused = false;
}

void TEventReceiver::HandshakeFailed(bool authentication) {
  if (authentication && !m_refused) Push(TEventNotice::Kind::AuthenticationFailed);
  m_refused = true;
  // ZeroMQ stops its own retries; the endpoint may be gone already.
  zmq_disconnect(m_link->sub.handle(), m_endpoint.c_str());
  m_abandoned = true;
  m_reconnectAt = Clock::now() + kRefusedWait;
}

void TEventReceiver::Disconnected() {
  Push(TEventNotice::Kind::Disconnected);
  m_connected = false;
  m_wentAway = true;
}

void TEventReceiver::Push(TEventNotice::Kind kind, std::int32_t eventType, std::uint64_t sequence,
                          std::uint64_t count) {
  TEventNotice& notice = m_pending.emplace_back();
  notice.kind = kind;
  notice.eventType = eventType;
  notice.sequence = sequence;
  notice.count = count;
  notice.incarnation = m_incarnation;
}
