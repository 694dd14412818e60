#include "zelclnt/platform/TEventPublisher.h"

#include <chrono>
#include <random>

#include <zmq.hpp>

#include "EventFrame.h"
#include "HandOver.h"
#include "ZapHandler.h"
#include "ZmqTransport.h"

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

TEventPublisher::TEventPublisher(const std::string& serverName)
    : m_serverName(serverName), m_endpoint(zelplatform::EventEndpointOf(serverName)) {}

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
    socket = std::make_unique<zmq::socket_t>(zelplatform::SharedContext(), zmq::socket_type::pub);
    zelplatform::ConfigureSocket(*socket, m_endpoint);
    socket->set(zmq::sockopt::sndhwm, m_sendHighWaterMark);
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
    m_sequences.clear();
    m_heartbeats = 0;
    m_stopping = false;
  }
  if (m_heartbeatMs > 0)
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
  if (eventType == zelplatform::kHeartbeatType || size > zelplatform::MaxMessageSize() || (!data && size)) return false;
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_socket) return false;
  return Send(eventType, ++m_sequences[eventType], data, size);
}

void TEventPublisher::Beat(std::chrono::milliseconds interval) {
  std::unique_lock<std::mutex> lock(m_lock);
  for (auto due = zelplatform::Clock::now() + interval;
       !zelplatform::WaitUntil(m_wake, lock, due, [this] { return m_stopping; }); due += interval) {
    const std::string body = zelplatform::EncodeHeartbeat(m_sequences);
    Send(zelplatform::kHeartbeatType, ++m_heartbeats, body.data(), body.size());
  }
}

bool TEventPublisher::Send(std::int32_t eventType, std::uint64_t sequence, const void* data, std::size_t size) {
  const zelplatform::EventHeaderBytes header = zelplatform::EncodeEventHeader({eventType, m_incarnation, sequence});
  try {
    // A PUB socket never blocks: at the high-water mark it drops the whole
    // message, both parts.
    zmq::message_t body(data, size);
    zelplatform::ReleaseBeforeSend(body.data());
    return m_socket->send(zmq::buffer(header), zmq::send_flags::sndmore | zmq::send_flags::dontwait) &&
           m_socket->send(body, zmq::send_flags::dontwait);
  } catch (const zmq::error_t&) {
    return false;
  }
}
