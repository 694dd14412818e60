#include "zelclnt/platform/TEventPublisher.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <utility>

#include <zmq.hpp>

#include "EventFrame.h"
#include "HandOver.h"
#include "ReplayBuffer.h"
#include "ZapHandler.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TRPC.h"

namespace zelplatform {
namespace {

constexpr int kHighestPort = 65535;

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The port of a tcp endpoint, or 0 when it has none of 1 to 65535.
int TcpPort(const std::string& endpoint) {
  const std::size_t colon = endpoint.rfind(':');
  if (colon < std::string("tcp://").size()) return 0;
  const std::string digits = endpoint.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
  const int port = std::stoi(digits);
  return port <= kHighestPort ? port : 0;
}

// Seconds since 1970 above a random half: distinct across restarts, even
// two within one second.
std::uint64_t NewIncarnation() {
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  std::random_device random;
  const std::uint64_t incarnation = (static_cast<std::uint64_t>(seconds) << 32) | random();
  return incarnation != 0 ? incarnation : 1;
}

}  // namespace

std::string EventEndpointOf(const std::string& serverName) {
  if (serverName.empty()) return "";
  const std::string endpoint = EndpointOf(serverName);
  if (IsInproc(endpoint) || StartsWith(endpoint, "ipc://")) return endpoint + ".events";
  if (!StartsWith(endpoint, "tcp://")) return "";
  const int port = TcpPort(endpoint);
  if (port == 0 || port == kHighestPort) return "";
  return endpoint.substr(0, endpoint.rfind(':') + 1) + std::to_string(port + 1);
}

}  // namespace zelplatform

namespace {

// How often the heartbeat thread looks for receivers that just subscribed,
// in real time, whatever clock is in force: it is no timer of the stream.
constexpr auto kSubscriptionCheck = std::chrono::milliseconds(10);
constexpr unsigned kEventsPerLook = 64;
// An answer to a replay leaves this much of the size bound to its frames.
constexpr std::size_t kReplayFrameRoom = 256;
constexpr std::size_t kDefaultReplayBytes = std::size_t{8} << 20;
constexpr std::size_t kDefaultReplayEvents = 10000;

// The largest answer (and so the largest event) a replay can carry.
std::size_t ReplayRoom() {
  return zelplatform::MaxMessageSize() - std::min(zelplatform::MaxMessageSize(), kReplayFrameRoom);
}

std::size_t ReplayBound(std::uint32_t asked, std::size_t fallback, std::size_t most) {
  return std::min<std::size_t>(asked != 0 ? asked : fallback, most);
}

}  // namespace

TEventPublisher::TEventPublisher(const std::string& serverName)
    : m_serverName(serverName),
      m_endpoint(zelplatform::EventEndpointOf(serverName)),
      m_replay(std::make_unique<zelplatform::ReplayBuffer>()) {}

TEventPublisher::~TEventPublisher() { Stop(); }

bool TEventPublisher::Start(std::string* error) {
  std::string reason;
  const bool inproc = zelplatform::IsInproc(m_endpoint);
  if (IsRunning())
    reason = "already running on " + m_boundEndpoint;
  else if (m_endpoint.empty())
    reason = "server " + m_serverName + " has no events endpoint (a tcp server needs a port from 1 to 65534)";
  else if (inproc && zelplatform::InprocGeneration(m_endpoint) != 0)
    reason = m_endpoint + " is already bound";
  else if (const std::string insecure = zelplatform::SecurityError(m_security); !insecure.empty())
    reason = "cannot serve " + m_endpoint + ": " + insecure;
  if (!reason.empty()) {
    if (error) *error = reason;
    return false;
  }
  std::unique_ptr<zmq::socket_t> socket;
  std::unique_ptr<zelplatform::ZapDomain> zap;
  try {
    socket = std::make_unique<zmq::socket_t>(zelplatform::SharedContext(), zmq::socket_type::xpub);
    zelplatform::ConfigureSocket(*socket, m_endpoint);
    socket->set(zmq::sockopt::sndhwm, m_sendHighWaterMark);
    // Every subscription, not only a prefix's first: each new receiver is
    // told at once that its subscription took.
    socket->set(zmq::sockopt::xpub_verbose, 1);
    zap = zelplatform::Secure(*socket, m_endpoint, m_security);
    zelplatform::BindSoon(*socket, m_endpoint);
  } catch (const zmq::error_t& failure) {
    if (error) *error = "cannot bind " + m_endpoint + ": " + failure.what();
    return false;
  }
  m_boundEndpoint = socket->get(zmq::sockopt::last_endpoint);
  m_zap = std::move(zap);
  if (inproc) zelplatform::RegisterInproc(m_endpoint);
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_socket = std::move(socket);
    m_incarnation = zelplatform::NewIncarnation();
    m_position = 0;
    m_typePositions.clear();
    m_userPositions.clear();
    m_replay->SetLimits(m_replayLimits);
    m_replay->Clear();
    m_legacyPrefixes.clear();
    m_legacySequences.clear();
    m_heartbeats = 0;
    m_stopping = false;
  }
  m_heartbeat = std::thread(&TEventPublisher::Beat, this, std::chrono::milliseconds(m_heartbeatMs));
  return true;
}

void TEventPublisher::Stop() {
  if (!IsRunning()) return;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stopping = true;
  }
  m_wake.notify_all();
  if (m_heartbeat.joinable()) m_heartbeat.join();
  if (zelplatform::IsInproc(m_endpoint)) zelplatform::UnregisterInproc(m_endpoint);
  std::lock_guard<std::mutex> guard(m_lock);
  // Unbinding frees the name now rather than once ZeroMQ's own thread
  // closes the socket, so the endpoint can be bound again at once.
  try {
    m_socket->unbind(m_boundEndpoint);
  } catch (const zmq::error_t&) {
  }
  m_socket.reset();
  m_zap.reset();
}

bool TEventPublisher::Publish(int eventType, const void* data, std::size_t size) {
  return Publish(eventType, zelplatform::kNoUser, data, size);
}

bool TEventPublisher::Publish(int eventType, std::int64_t userKey, const void* data, std::size_t size) {
  if (eventType == zelplatform::kHeartbeatType || size > zelplatform::MaxMessageSize() || (!data && size)) return false;
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_socket) return false;
  return SendEvent(eventType, userKey, data, size);
}

TEventPosition TEventPublisher::Position() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return {m_incarnation, m_position};
}

void TEventPublisher::SetStandby(bool standby) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_standby == standby) return;
    m_standby = standby;
    m_beatNow = true;
  }
  m_wake.notify_all();
}

std::size_t TEventPublisher::ReplayCount() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_replay->Count();
}

void TEventPublisher::AnswerReplay(TRPC& rpc) const {
  zelplatform::ReplayRequest request;
  if (!zelplatform::DecodeReplayRequest(rpc.GetCallPointer(), rpc.GetCallSize(), request)) {
    rpc.SetReplyData(nullptr, 0);
    rpc.SetReturnCode(TRPC::kHandlerFailed);
    return;
  }
  const std::size_t maxBytes = ReplayBound(request.maxBytes, kDefaultReplayBytes, ReplayRoom());
  const std::size_t maxEvents = ReplayBound(request.maxEvents, kDefaultReplayEvents, kDefaultReplayEvents * 10);
  std::lock_guard<std::mutex> guard(m_lock);
  m_replay->Expire(zelplatform::Clock::now());
  using Status = zelplatform::ReplayStatus;
  Status status = request.incarnation != m_incarnation ? Status::OtherIncarnation
                  : request.after > m_position         ? Status::PositionGone
                                                       : Status::Events;
  zelplatform::ReplayAnswerWriter answer(status, m_incarnation, m_position);
  std::uint64_t through = 0;
  if (status == Status::Events && !m_replay->Answer(request, maxBytes, maxEvents, answer, through))
    answer = zelplatform::ReplayAnswerWriter(Status::PositionGone, m_incarnation, m_position);
  const std::string bytes = answer.Finish(through);
  rpc.SetReplyData(bytes.data(), bytes.size());
  rpc.SetReturnCode(0);
}

// Checks for new receivers in short real slices and beats by the platform's
// clock, so that a test's clock drives the heartbeat.
void TEventPublisher::Beat(std::chrono::milliseconds interval) {
  const bool beating = interval.count() > 0;
  auto due = zelplatform::Clock::now() + interval;
  std::unique_lock<std::mutex> lock(m_lock);
  for (;;) {
    m_wake.wait_for(lock, kSubscriptionCheck, [this] { return m_stopping || m_beatNow; });
    if (m_stopping) return;
    const bool welcome = ReadSubscriptions();
    const bool told = std::exchange(m_beatNow, false);
    const auto now = zelplatform::Clock::now();
    const bool beat = beating && now >= due;
    if (welcome || told || beat) SendHeartbeat();
    if (beat) due = std::max(due + interval, now);
  }
}

bool TEventPublisher::SendEvent(std::int32_t eventType, std::int64_t userKey, const void* data, std::size_t size) {
  // A look that finds nothing costs ZeroMQ two system calls, so a busy
  // publisher looks every so many events; the heartbeat thread looks
  // between them but may wait long for the lock.
  if (++m_unlooked >= kEventsPerLook) {
    m_unlooked = 0;
    // The heartbeat thread would no longer see a subscription read here.
    if (ReadSubscriptions()) {
      m_beatNow = true;
      m_wake.notify_all();
    }
  }
  zelplatform::EventHeader header{eventType, userKey, m_incarnation, ++m_position, 0, 0, m_standby};
  std::uint64_t& typeLast = m_typePositions[eventType];
  header.typePrevious = typeLast;
  typeLast = m_position;
  if (userKey != zelplatform::kNoUser) {
    std::uint64_t& userLast = m_userPositions[userKey];
    header.userPrevious = userLast;
    userLast = m_position;
  }
  m_replay->Add(m_position, eventType, userKey, data, size, ReplayRoom(), zelplatform::Clock::now());
  const zelplatform::EventHeaderBytes bytes = zelplatform::EncodeEventHeader(header);
  const bool sent = SendFrames(bytes.data(), bytes.size(), data, size);
  if (m_legacyPrefixes.empty()) return sent;
  const auto legacy = zelplatform::EncodeLegacyHeader(eventType, m_incarnation, ++m_legacySequences[eventType]);
  return SendFrames(legacy.data(), legacy.size(), data, size) && sent;
}

void TEventPublisher::SendHeartbeat() {
  const zelplatform::EventHeader header{zelplatform::kHeartbeatType, zelplatform::kNoUser, m_incarnation, m_position,
                                        0, 0, m_standby};
  const zelplatform::EventHeaderBytes bytes = zelplatform::EncodeEventHeader(header);
  const std::string body = zelplatform::EncodeHeartbeat(m_typePositions);
  SendFrames(bytes.data(), bytes.size(), body.data(), body.size());
  if (m_legacyPrefixes.empty()) return;
  const auto legacy = zelplatform::EncodeLegacyHeader(zelplatform::kHeartbeatType, m_incarnation, ++m_heartbeats);
  const std::string legacyBody = zelplatform::EncodeHeartbeat(m_legacySequences);
  SendFrames(legacy.data(), legacy.size(), legacyBody.data(), legacyBody.size());
}

bool TEventPublisher::SendFrames(const char* header, std::size_t headerSize, const void* data, std::size_t size) {
  try {
    // A PUB socket never blocks: at the high-water mark it drops the whole
    // message, both parts.
    zmq::message_t head(header, headerSize);
    zmq::message_t body(data, size);
    zelplatform::ReleaseBeforeSend(head.data());
    zelplatform::ReleaseBeforeSend(body.data());
    return m_socket->send(head, zmq::send_flags::sndmore | zmq::send_flags::dontwait) &&
           m_socket->send(body, zmq::send_flags::dontwait);
  } catch (const zmq::error_t&) {
    return false;
  }
}

// A subscription message is 1 (subscribe) or 0 (unsubscribe) and the prefix.
// Earlier receivers subscribe to prefixes of their own frames; an
// unsubscription comes only once nobody holds the prefix any more.
bool TEventPublisher::ReadSubscriptions() {
  bool subscribed = false;
  zmq::message_t message;
  while (zelplatform::ReceiveNow(*m_socket, message)) {
    if (message.size() == 0) continue;
    const char* bytes = message.data<char>();
    const std::string prefix(bytes + 1, message.size() - 1);
    const bool subscribe = bytes[0] == 1;
    subscribed = subscribed || subscribe;
    if (zelplatform::IsCurrentPrefix(prefix)) continue;
    if (subscribe)
      m_legacyPrefixes.insert(prefix);
    else if (bytes[0] == 0)
      m_legacyPrefixes.erase(prefix);
  }
  return subscribed;
}
