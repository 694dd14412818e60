#include "SubscriptionLink.h"

#include <utility>

#include "ClientKeys.h"
#include "EventFrame.h"
#include "SubscriptionPump.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TEventPublisher.h"

namespace zelplatform {
namespace {

// ZeroMQ's own heartbeat: a publisher whose host vanished without closing
// the connection is noticed within seconds.
constexpr int kLinkHeartbeatMs = 1000;
constexpr int kLinkTimeoutMs = 3000;
// ZeroMQ tells within this time that it is reconnecting by itself.
constexpr auto kGiveUpWait = std::chrono::milliseconds(250);
// A publisher that refused the keys is asked again this much later, not at
// ZeroMQ's pace: each attempt costs it a handshake and an authentication.
constexpr auto kRefusedWait = std::chrono::seconds(3);
// No descriptor tells that an inproc publisher went away or bound again.
constexpr auto kInprocLook = std::chrono::milliseconds(100);
constexpr int kMonitoredEvents = ZMQ_EVENT_HANDSHAKE_SUCCEEDED | ZMQ_EVENT_DISCONNECTED | ZMQ_EVENT_CONNECT_DELAYED |
                                 ZMQ_EVENT_CONNECT_RETRIED | ZMQ_EVENT_HANDSHAKE_FAILED_NO_DETAIL |
                                 ZMQ_EVENT_HANDSHAKE_FAILED_PROTOCOL | ZMQ_EVENT_HANDSHAKE_FAILED_AUTH;

}  // namespace

// Replaced whole when the link connects afresh.
struct SubscriptionLink::Sockets {
  Sockets() : sub(SharedContext(), zmq::socket_type::sub) {}
  ~Sockets() {
    pump.reset();
    if (monitor) zmq_socket_monitor(sub.handle(), nullptr, 0);
  }

  zmq::socket_t sub;
  std::optional<zmq::socket_t> monitor;
  std::optional<SubscriptionPump> pump;
};

SubscriptionLink::SubscriptionLink(std::string endpoint, const EventOrder& stream, int highWaterMark, int gatherMs,
                                   Tell tell)
    : m_endpoint(std::move(endpoint)),
      m_inproc(IsInproc(m_endpoint)),
      m_stream(stream),
      m_highWaterMark(highWaterMark),
      m_gatherMs(gatherMs),
      m_tell(std::move(tell)) {}

SubscriptionLink::~SubscriptionLink() = default;

// The events endpoint has the key of the server it belongs to.
bool SubscriptionLink::TakeKeys(const std::string& server, std::string* error) {
  CurveSetting curve;
  std::string reason;
  if (!CurveFor(EndpointOf(server), curve, &reason)) {
    if (error) *error = "no usable keys to subscribe to " + m_endpoint + ": " + reason;
    return false;
  }
  m_serverKey = curve.serverKey;
  m_clientKeys = curve.client;
  return true;
}

void SubscriptionLink::Open() {
  m_generation = m_inproc ? InprocGeneration(m_endpoint) : 0;
  Connect();
  m_connected = m_inproc && m_generation != 0;
}

zmq::socket_t& SubscriptionLink::Input() { return m_sockets->pump->Output(); }

zmq::socket_t* SubscriptionLink::Monitor() { return m_sockets->monitor ? &*m_sockets->monitor : nullptr; }

void SubscriptionLink::Check() {
  if (m_inproc) return CheckInproc();
  DrainMonitor();
  if (m_abandoned && Clock::now() >= m_reconnectAt) {
    Connect();
    m_abandoned = false;
  }
}

std::optional<Clock::time_point> SubscriptionLink::DueAt() const {
  if (m_inproc) return Clock::now() + kInprocLook;
  if (m_abandoned) return m_reconnectAt;
  return std::nullopt;
}

void SubscriptionLink::CheckInproc() {
  const std::uint64_t generation = InprocGeneration(m_endpoint);
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
void SubscriptionLink::DrainMonitor() {
  MonitorEvent event;
  while (NextMonitorEvent(*m_sockets->monitor, event)) {
    const HandshakeFault fault = FaultOf(event);
    if (event.id == ZMQ_EVENT_HANDSHAKE_SUCCEEDED) Connected();
    if (fault == HandshakeFault::Refused || (fault == HandshakeFault::HungUp && !m_serverKey.empty()))
      HandshakeFailed(true);
    if (fault == HandshakeFault::Foreign) HandshakeFailed(false);
    if (event.id == ZMQ_EVENT_DISCONNECTED) Lost();
    // ZeroMQ is connecting again by itself.
    if (event.id == ZMQ_EVENT_CONNECT_DELAYED || event.id == ZMQ_EVENT_CONNECT_RETRIED ||
        event.id == ZMQ_EVENT_HANDSHAKE_SUCCEEDED)
      m_abandoned = false;
  }
}

// ZeroMQ does not reconnect after a peer broke the protocol (sent a message
// above the size bound, say): unless it shows it is reconnecting, the link
// connects afresh itself.
void SubscriptionLink::Lost() {
  if (m_connected) Disconnected();
  if (m_abandoned && m_refused) return;
  m_abandoned = true;
  m_reconnectAt = Clock::now() + kGiveUpWait;
}

void SubscriptionLink::Connect() {
  auto sockets = std::make_unique<Sockets>();
  zmq::socket_t& sub = sockets->sub;
  ConfigureSocket(sub, m_endpoint);
  // The pump keeps it empty and holds the mark itself.
  sub.set(zmq::sockopt::rcvhwm, 0);
  if (!m_serverKey.empty()) SecureClient(sub, m_serverKey, m_clientKeys);
  if (!m_inproc) {
    sub.set(zmq::sockopt::heartbeat_ivl, kLinkHeartbeatMs);
    sub.set(zmq::sockopt::heartbeat_timeout, kLinkTimeoutMs);
    const std::string monitorEndpoint = NextInprocEndpoint("monitor");
    if (zmq_socket_monitor(sub.handle(), monitorEndpoint.c_str(), kMonitoredEvents) != 0) throw zmq::error_t();
    sockets->monitor.emplace(SharedContext(), zmq::socket_type::pair);
    sockets->monitor->set(zmq::sockopt::linger, 0);
    sockets->monitor->connect(monitorEndpoint);
  }
  m_sockets = std::move(sockets);
  m_subscribed = false;
  m_tell(Change::Renewed);
  Subscribe();
  m_sockets->sub.connect(m_endpoint);
  m_sockets->pump.emplace(m_sockets->sub, m_highWaterMark, m_gatherMs);
}

// The heartbeat's subscription goes last: the first heartbeat then shows
// that every other one took.
void SubscriptionLink::Subscribe() {
  zmq::socket_t& sub = m_sockets->sub;
  const auto& types = m_stream.Types();
  const auto& users = m_stream.Users();
  if (types.empty()) return sub.set(zmq::sockopt::subscribe, EveryEventPrefix());
  for (const std::int32_t type : types) {
    if (users.empty()) sub.set(zmq::sockopt::subscribe, EventTypePrefix(type));
    for (const std::int64_t user : users) sub.set(zmq::sockopt::subscribe, EventUserPrefix(type, user));
  }
  sub.set(zmq::sockopt::subscribe, EventTypePrefix(kHeartbeatType));
}

void SubscriptionLink::Connected() {
  if (m_wentAway) m_tell(Change::CameBack);
  m_wentAway = false;
  m_connected = true;
  m_refused = false;
}

void SubscriptionLink::HandshakeFailed(bool authentication) {
  if (authentication && !m_refused) m_tell(Change::Refused);
  m_refused = true;
  // ZeroMQ stops its own retries; the endpoint may be gone already.
  m_sockets->pump->Stop();
  zmq_disconnect(m_sockets->sub.handle(), m_endpoint.c_str());
  m_abandoned = true;
  m_reconnectAt = Clock::now() + kRefusedWait;
}

void SubscriptionLink::Disconnected() {
  m_tell(Change::WentAway);
  m_connected = false;
  m_wentAway = true;
}

}  // namespace zelplatform
