#include "zelclnt/platform/TEventReceiver.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include <zmq.hpp>

#include "ClientKeys.h"
#include "EventFrame.h"
#include "EventOrder.h"
#include "HandOver.h"
#include "ReadyDescriptor.h"
#include "ReplayFetcher.h"
#include "ServerList.h"
#include "ServingFollower.h"
#include "SubscriptionPump.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using zelplatform::Clock;
using Verdict = zelplatform::EventOrder::Verdict;

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
constexpr unsigned short kFrameworkClientType = 5;

Clock::time_point DeadlineAfter(long timeoutMs) {
  return timeoutMs < 0 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace

// The subscription itself: replaced whole when an inproc publisher rebinds.
// Its messages are read from the pump's output, never from the subscriber.
struct TEventReceiver::Link {
  Link() : sub(zelplatform::SharedContext(), zmq::socket_type::sub) {}
  ~Link() {
    pump.reset();
    if (monitor) zmq_socket_monitor(sub.handle(), nullptr, 0);
  }
  zmq::socket_t& Input() { return pump->Output(); }

  zmq::socket_t sub;
  std::optional<zmq::socket_t> monitor;
  std::optional<zelplatform::SubscriptionPump> pump;
  zmq::message_t header;
  zmq::message_t body;
  zelplatform::EventHeader decoded;
  zelplatform::TypeMarks marks;
};

TEventReceiver::TEventReceiver(const std::string& serverName, std::vector<int> eventTypes,
                               std::vector<std::int64_t> userKeys)
    : m_serverName(serverName),
      m_followed(serverName),
      m_stream(std::make_unique<zelplatform::EventOrder>(
          std::vector<std::int32_t>(eventTypes.begin(), eventTypes.end()), std::move(userKeys))),
      m_caller("event-receiver", serverName.c_str(), kFrameworkClientType) {
  if (zelplatform::ServerList::IsList(serverName.c_str())) {
    m_list = zelplatform::ServerListFor(serverName, &m_listError);
    if (m_list) {
      m_followedIndex = m_list->Active();
      m_followed = m_list->Endpoint(m_followedIndex);
      m_follower = std::make_unique<zelplatform::ServingFollower>(serverName, m_list, m_caller);
    }
  }
  m_endpoint = m_list || m_listError.empty() ? zelplatform::EventEndpointOf(m_followed) : std::string();
  m_fetcher = std::make_unique<zelplatform::ReplayFetcher>(m_caller, m_endpoint);
}

TEventReceiver::~TEventReceiver() = default;

bool TEventReceiver::Start(std::string* error) {
  std::string reason;
  if (m_link) {
    reason = "already started on " + m_endpoint;
  } else if (!m_listError.empty()) {
    reason = "server " + m_serverName + ": " + m_listError;
  } else if (!m_stream->Users().empty() && m_stream->Types().empty()) {
    reason = "a receiver of chosen users must name the event types too";
  } else {
    const std::size_t servers = m_list ? m_list->Size() : 1;
    for (std::size_t index = 0; index < servers && reason.empty(); ++index) {
      const std::string& server = m_list ? m_list->Endpoint(index) : m_serverName;
      if (zelplatform::EventEndpointOf(server).empty())
        reason = "server " + server + " has no events endpoint (a tcp server needs a port from 1 to 65534)";
    }
  }
  if (!reason.empty()) {
    if (error) *error = reason;
    return false;
  }
  if (m_follower) {
    m_follower->LookNow();
    if (m_list->Active() != m_followedIndex) {
      m_followedIndex = m_list->Active();
      m_followed = m_list->Endpoint(m_followedIndex);
      m_endpoint = zelplatform::EventEndpointOf(m_followed);
    }
  }
  if (!KeysFor(m_followed, error)) return false;
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

// The events endpoint has the key of the server it belongs to.
bool TEventReceiver::KeysFor(const std::string& server, std::string* error) {
  zelplatform::CurveSetting curve;
  std::string reason;
  if (!zelplatform::CurveFor(zelplatform::EndpointOf(server), curve, &reason)) {
    if (error) *error = "no usable keys to subscribe to " + zelplatform::EventEndpointOf(server) + ": " + reason;
    return false;
  }
  m_serverKey = curve.serverKey;
  m_clientKeys = curve.client;
  return true;
}

bool TEventReceiver::WaitUntilSubscribed(long timeoutMs) {
  const Clock::time_point deadline = DeadlineAfter(timeoutMs);
  try {
    while (m_link && !m_stop && !m_subscribed) {
      if (!m_holding && ReadOne()) continue;
      CheckConnection();
      if (Clock::now() >= deadline) return false;
      Wait(deadline);
    }
  } catch (const zmq::error_t& failure) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Event receiver on %s: %s", m_endpoint.c_str(), failure.what());
  }
  return m_subscribed;
}

void TEventReceiver::ResumeAfter(const TEventPosition& position) {
  m_stream->ResumeAfter(position);
  m_fetcher->Reset();
  // What happened between the position and the subscription is asked for
  // at once; what follows it arrives live.
  if (position.IsKnown()) m_fetcher->OpenGap();
}

TEventPosition TEventReceiver::Through() const { return m_stream->Through(); }

std::size_t TEventReceiver::Replayed() const { return m_fetcher->Replayed(); }

std::size_t TEventReceiver::ReplayCalls() const { return m_fetcher->Calls(); }

bool TEventReceiver::Asking() const { return m_fetcher->Asking(); }

bool TEventReceiver::Next(TEventNotice& notice, long timeoutMs) {
  const Clock::time_point deadline = DeadlineAfter(timeoutMs);
  try {
    for (;;) {
      if (m_stop || !m_link) return false;
      const bool taken = Step(notice, deadline);
      if (taken || Clock::now() >= deadline || Wait(deadline)) {
        if (m_ready) ArmDescriptor();
        return taken;
      }
    }
  } catch (const zmq::error_t& failure) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Event receiver on %s: %s", m_endpoint.c_str(), failure.what());
    return false;
  }
}

int TEventReceiver::Descriptor() {
  if (!m_link) return -1;
  if (!m_ready) {
    auto ready = std::make_unique<zelplatform::ReadyDescriptor>();
    if (!ready->Open()) return -1;
    m_ready = std::move(ready);
  }
  try {
    ArmDescriptor();
  } catch (const zmq::error_t& failure) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Event receiver on %s: %s", m_endpoint.c_str(), failure.what());
  }
  return m_ready->Fd();
}

// ZeroMQ's descriptors tell only that something changed: what is already
// queued unread is told by the signal instead.
void TEventReceiver::ArmDescriptor() {
  m_ready->Watch(static_cast<int>(m_link->Input().get(zmq::sockopt::fd)));
  if (m_link->monitor) m_ready->Watch(static_cast<int>(m_link->monitor->get(zmq::sockopt::fd)));
  if (m_fetcher->Descriptor() >= 0) m_ready->Watch(m_fetcher->Descriptor());
  if (m_follower && m_follower->Descriptor() >= 0) m_ready->Watch(m_follower->Descriptor());
  if (m_wake >= 0) m_ready->Watch(m_wake);
  const bool queued = (m_link->Input().get(zmq::sockopt::events) & ZMQ_POLLIN) != 0 ||
                      (m_link->monitor && (m_link->monitor->get(zmq::sockopt::events) & ZMQ_POLLIN) != 0);
  m_ready->Signal(queued || !m_pending.empty() || m_holding || m_fetcher->HasAnswer());
  m_ready->WakeIn(std::chrono::milliseconds(kDescriptorTickMs));
}

// One round: true with a notice, false when there is nothing yet to wait
// for but the socket (or the next attempt at a replay).
bool TEventReceiver::Step(TEventNotice& notice, Clock::time_point deadline) {
  // Looked at whatever arrives: a stream that never pauses must not hide
  // that another server serves.
  if (m_follower) CheckServing();
  for (;;) {
    if (m_stop) return false;
    if (TakeNotice(notice) || m_fetcher->TakeReplayed(notice, *m_stream, m_maxSize)) return true;
    if (m_fetcher->GapOpen()) {
      if (Fetched()) continue;
      CheckConnection();
      if (!m_pending.empty()) continue;
      return false;
    }
    if (TakeHeld(notice)) return true;
    if (m_holding) continue;
    if (ReadOne()) continue;
    CheckConnection();
    if (m_pending.empty() || Clock::now() > deadline) return false;
  }
}

void TEventReceiver::Run(const Callback& callback) {
  TEventNotice notice;
  while (Next(notice, -1)) {
    if (!callback(notice)) return;
  }
}

bool TEventReceiver::TakeNotice(TEventNotice& notice) {
  if (m_pending.empty()) return false;
  const TEventNotice& next = m_pending.front();
  notice.kind = next.kind;
  notice.eventType = next.eventType;
  notice.userKey = next.userKey;
  notice.position = next.position;
  notice.incarnation = next.incarnation;
  notice.replayed = false;
  notice.data.clear();
  m_pending.pop_front();
  return true;
}

// The live event read last, judged again now that a replay may have
// covered it.
bool TEventReceiver::TakeHeld(TEventNotice& notice) {
  if (!m_holding) return false;
  const zelplatform::EventHeader& header = m_link->decoded;
  // Read before the publisher restarted: its state is gone with it.
  if (header.incarnation != m_stream->Through().incarnation) {
    m_holding = false;
    return false;
  }
  const Verdict verdict = m_stream->OnEvent(header);
  if (verdict == Verdict::Gap) {
    m_fetcher->OpenGap();
    return false;
  }
  m_holding = false;
  if (verdict == Verdict::Duplicate) return false;
  m_stream->Delivered(header.position);
  const bool tooLarge = m_link->body.size() > m_maxSize;
  notice.kind = tooLarge ? TEventNotice::Kind::TooLarge : TEventNotice::Kind::Event;
  notice.eventType = header.eventType;
  notice.userKey = header.userKey;
  notice.position = header.position;
  notice.incarnation = header.incarnation;
  notice.replayed = false;
  if (tooLarge)
    notice.data.clear();
  else
    notice.data.assign(static_cast<const char*>(m_link->body.data()), m_link->body.size());
  return true;
}

// False when nothing was there to read.
bool TEventReceiver::ReadOne() {
  Link& link = *m_link;
  if (!link.Input().recv(link.header, zmq::recv_flags::dontwait)) return false;
  if (!link.header.more() || !link.Input().recv(link.body, zmq::recv_flags::dontwait)) return Drop();
  zelplatform::AcquireAfterReceive(link.header.data());
  zelplatform::AcquireAfterReceive(link.body.data());
  if (link.body.more()) {
    zelplatform::DiscardRest(link.Input());
    return Drop();
  }
  if (!zelplatform::DecodeEventHeader(link.header.data(), link.header.size(), link.decoded)) return Drop();
  if (link.decoded.eventType == zelplatform::kHeartbeatType) {
    if (!zelplatform::DecodeHeartbeat(link.body.data(), link.body.size(), link.marks)) return Drop();
    AcceptHeartbeat();
  } else {
    AcceptEvent();
  }
  ++m_heard;
  m_subscribed = true;
  return true;
}

bool TEventReceiver::Drop() {
  ++m_malformed;
  return true;
}

void TEventReceiver::AcceptEvent() {
  NoteIncarnation(m_link->decoded.incarnation);
  m_holding = true;
}

void TEventReceiver::AcceptHeartbeat() {
  if (m_follower && m_link->decoded.standby) m_follower->LookFor();
  NoteIncarnation(m_link->decoded.incarnation);
  if (m_stream->OnHeartbeat(m_link->decoded, m_link->marks) == Verdict::Gap) m_fetcher->OpenGap();
}

void TEventReceiver::NoteIncarnation(std::uint64_t incarnation) {
  if (!m_stream->NoteIncarnation(incarnation)) return;
  // Whatever was being asked of the old publisher is moot.
  m_fetcher->Reset();
  Push(TEventNotice::Kind::Restarted);
}

// True when the question for missed events moved on: look again.
bool TEventReceiver::Fetched() {
  using Kind = zelplatform::ReplayFetcher::Step::Kind;
  const zelplatform::ReplayFetcher::Step step = m_fetcher->Advance(*m_stream, m_followed);
  if (step.heard) ++m_heard;
  if (step.kind == Kind::Resync) Resync();
  if (step.kind == Kind::OtherIncarnation) NoteIncarnation(step.incarnation);
  return step.kind != Kind::Idle;
}

void TEventReceiver::Resync() {
  m_fetcher->Reset();
  m_stream->Unanchor();
  Push(TEventNotice::Kind::Resync);
}

// While a gap is open what arrives waits unread behind the missed events:
// the wait is for the answer, or the time to ask again.
bool TEventReceiver::Wait(Clock::time_point deadline) {
  zmq::pollitem_t items[5];
  std::size_t count = 0;
  if (!m_fetcher->GapOpen()) items[count++] = {m_link->Input().handle(), 0, ZMQ_POLLIN, 0};
  if (m_link->monitor) items[count++] = {m_link->monitor->handle(), 0, ZMQ_POLLIN, 0};
  const int answers = m_fetcher->Descriptor();
  if (answers >= 0) items[count++] = {nullptr, static_cast<zmq_fd_t>(answers), ZMQ_POLLIN, 0};
  const int looks = m_follower ? m_follower->Descriptor() : -1;
  if (looks >= 0) items[count++] = {nullptr, static_cast<zmq_fd_t>(looks), ZMQ_POLLIN, 0};
  const std::size_t wake = count;
  if (m_wake >= 0) items[count++] = {nullptr, static_cast<zmq_fd_t>(m_wake), ZMQ_POLLIN, 0};
  if (const auto askAt = m_fetcher->AskAt()) deadline = std::min(deadline, *askAt);
  try {
    zmq::poll(items, count, zelplatform::WaitSlice(deadline, kPollSlice));
  } catch (const zmq::error_t& failure) {
    if (failure.num() != EINTR) throw;
    return false;
  }
  return wake < count && (items[wake].revents & ZMQ_POLLIN) != 0;
}

void TEventReceiver::CheckConnection() {
  if (m_follower) CheckServing();
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
  // The pump keeps it empty and holds the mark itself.
  sub.set(zmq::sockopt::rcvhwm, 0);
  if (!m_serverKey.empty()) zelplatform::SecureClient(sub, m_serverKey, m_clientKeys);
  if (!zelplatform::IsInproc(m_endpoint)) {
    sub.set(zmq::sockopt::heartbeat_ivl, kLinkHeartbeatMs);
    sub.set(zmq::sockopt::heartbeat_timeout, kLinkTimeoutMs);
    const std::string monitorEndpoint = zelplatform::NextInprocEndpoint("monitor");
    if (zmq_socket_monitor(sub.handle(), monitorEndpoint.c_str(), kMonitoredEvents) != 0) throw zmq::error_t();
    link->monitor.emplace(zelplatform::SharedContext(), zmq::socket_type::pair);
    link->monitor->set(zmq::sockopt::linger, 0);
    link->monitor->connect(monitorEndpoint);
  }
  m_link = std::move(link);
  m_holding = false;
  m_subscribed = false;
  Subscribe();
  m_link->sub.connect(m_endpoint);
  m_link->pump.emplace(m_link->sub, m_highWaterMark);
}

// The heartbeat's subscription goes last: the first heartbeat then shows
// that every other one took.
void TEventReceiver::Subscribe() {
  zmq::socket_t& sub = m_link->sub;
  const auto& types = m_stream->Types();
  const auto& users = m_stream->Users();
  if (types.empty()) return sub.set(zmq::sockopt::subscribe, zelplatform::EveryEventPrefix());
  for (const std::int32_t type : types) {
    if (users.empty()) sub.set(zmq::sockopt::subscribe, zelplatform::EventTypePrefix(type));
    for (const std::int64_t user : users) sub.set(zmq::sockopt::subscribe, zelplatform::EventUserPrefix(type, user));
  }
  sub.set(zmq::sockopt::subscribe, zelplatform::EventTypePrefix(zelplatform::kHeartbeatType));
}

void TEventReceiver::Connected() {
  if (m_wentAway) {
    Push(TEventNotice::Kind::Reconnected);
    // Whatever was published while the connection was away is asked for.
    if (m_stream->Anchored()) m_fetcher->OpenGap();
  }
  m_wentAway = false;
  m_connected = true;
  m_refused = false;
}

void TEventReceiver::HandshakeFailed(bool authentication) {
  if (authentication && !m_refused) Push(TEventNotice::Kind::AuthenticationFailed);
  m_refused = true;
  // ZeroMQ stops its own retries; the endpoint may be gone already.
  m_link->pump->Stop();
  zmq_disconnect(m_link->sub.handle(), m_endpoint.c_str());
  m_abandoned = true;
  m_reconnectAt = Clock::now() + kRefusedWait;
}

void TEventReceiver::Disconnected() {
  Push(TEventNotice::Kind::Disconnected);
  m_connected = false;
  m_wentAway = true;
  if (m_follower) m_follower->LookFor();
}

void TEventReceiver::CheckServing() {
  const zelplatform::ServingFollower::Seen seen = m_follower->Check(m_followedIndex);
  if (seen.twoServing) Push(TEventNotice::Kind::TwoServing);
  if (seen.switched) Follow(m_list->Active());
}

// Another publisher: a stream of its own, so nothing of the last one holds.
void TEventReceiver::Follow(std::size_t index) {
  m_followedIndex = index;
  m_followed = m_list->Endpoint(index);
  m_endpoint = zelplatform::EventEndpointOf(m_followed);
  Diag(TDiag::INFO, __LINE__, __FILE__, "Event receiver of %s follows %s", m_serverName.c_str(), m_endpoint.c_str());
  std::string error;
  if (!KeysFor(m_followed, &error)) Diag(TDiag::WARN, __LINE__, __FILE__, "Event receiver: %s", error.c_str());
  m_stream->Reset();
  m_fetcher->Reset();
  m_follower->Reset();
  m_connected = false;
  m_wentAway = false;
  m_refused = false;
  m_abandoned = false;
  const bool inproc = zelplatform::IsInproc(m_endpoint);
  m_generation = inproc ? zelplatform::InprocGeneration(m_endpoint) : 0;
  Connect();
  m_connected = inproc && m_generation != 0;
  Push(TEventNotice::Kind::Switched);
}

void TEventReceiver::Push(TEventNotice::Kind kind, std::int32_t eventType, std::uint64_t position) {
  TEventNotice& notice = m_pending.emplace_back();
  notice.kind = kind;
  notice.eventType = eventType;
  notice.position = position;
  notice.incarnation = m_stream->Through().incarnation;
}
