#include "ZmqTransport.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

namespace zelplatform {
namespace {

constexpr int kMonitoredEvents =
    ZMQ_EVENT_CONNECTED | ZMQ_EVENT_CONNECT_RETRIED | ZMQ_EVENT_CLOSED | ZMQ_EVENT_DISCONNECTED;
// How often a wait looks again at what the monitor cannot see (an inproc
// server that stopped).
constexpr auto kPollSlice = std::chrono::milliseconds(20);

struct InprocRecord {
  std::mutex lock;
  std::map<std::string, std::uint64_t> generations;
  std::uint64_t lastGeneration = 0;
};

InprocRecord& Inproc() {
  static InprocRecord* record = new InprocRecord;
  return *record;
}

std::atomic<std::size_t>& SizeBound() {
  static std::atomic<std::size_t> bound{std::size_t{64} << 20};
  return bound;
}

void DiscardRest(zmq::socket_t& socket) {
  zmq::message_t part;
  while (socket.recv(part, zmq::recv_flags::dontwait) && part.more()) {
  }
}

std::string NextMonitorEndpoint() {
  static std::atomic<std::uint64_t> counter{0};
  return "inproc://zelplatform-monitor-" + std::to_string(++counter);
}

long SliceUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return std::max<long>(0, static_cast<long>(std::min(left, std::chrono::duration_cast<std::chrono::milliseconds>(kPollSlice)).count()));
}

}  // namespace

zmq::context_t& SharedContext() {
  static zmq::context_t* context = new zmq::context_t(1);
  return *context;
}

std::string EndpointOf(const std::string& serverName) {
  return serverName.find("://") == std::string::npos ? "inproc://" + serverName : serverName;
}

bool IsInproc(const std::string& endpoint) { return endpoint.rfind("inproc://", 0) == 0; }

std::uint64_t RegisterInproc(const std::string& endpoint) {
  InprocRecord& record = Inproc();
  std::lock_guard<std::mutex> guard(record.lock);
  return record.generations[endpoint] = ++record.lastGeneration;
}

void UnregisterInproc(const std::string& endpoint) {
  InprocRecord& record = Inproc();
  std::lock_guard<std::mutex> guard(record.lock);
  record.generations.erase(endpoint);
}

std::uint64_t InprocGeneration(const std::string& endpoint) {
  InprocRecord& record = Inproc();
  std::lock_guard<std::mutex> guard(record.lock);
  const auto found = record.generations.find(endpoint);
  return found == record.generations.end() ? 0 : found->second;
}

std::size_t MaxMessageSize() { return SizeBound(); }

void SetMaxMessageSize(std::size_t bytes) { SizeBound() = bytes; }

void ConfigureSocket(zmq::socket_t& socket, const std::string& endpoint) {
  socket.set(zmq::sockopt::linger, 0);
  if (!IsInproc(endpoint)) {
    // ZeroMQ counts the frame, so leave room for the transport's own header.
    const std::size_t bound = MaxMessageSize() + kFrameAllowance;
    socket.set(zmq::sockopt::maxmsgsize, static_cast<int64_t>(bound));
  }
}

ClientChannel::ClientChannel(const std::string& endpoint)
    : m_endpoint(endpoint), m_generation(IsInproc(endpoint) ? InprocGeneration(endpoint) : 0) {
  if (IsInproc(endpoint) && m_generation == 0) {
    m_broken = true;
    return;
  }
  m_dealer.emplace(SharedContext(), zmq::socket_type::dealer);
  ConfigureSocket(*m_dealer, endpoint);
  m_dealer->set(zmq::sockopt::immediate, 1);
  if (!IsInproc(endpoint)) {
    m_monitorEndpoint = NextMonitorEndpoint();
    if (zmq_socket_monitor(m_dealer->handle(), m_monitorEndpoint.c_str(), kMonitoredEvents) != 0)
      throw zmq::error_t();
    m_monitor.emplace(SharedContext(), zmq::socket_type::pair);
    m_monitor->set(zmq::sockopt::linger, 0);
    m_monitor->connect(m_monitorEndpoint);
  }
  m_dealer->connect(endpoint);
  m_connected = IsInproc(endpoint);
}

ClientChannel::~ClientChannel() {
  if (m_monitor) zmq_socket_monitor(m_dealer->handle(), nullptr, 0);
  m_dealer.reset();
  m_monitor.reset();
}

bool ClientChannel::IsUsable() const {
  if (m_broken) return false;
  return !IsInproc(m_endpoint) || InprocGeneration(m_endpoint) == m_generation;
}

bool ClientChannel::DrainMonitor() {
  if (!m_monitor) return !m_broken;
  zmq::message_t event;
  while (m_monitor->recv(event, zmq::recv_flags::dontwait)) {
    std::uint16_t id = 0;
    if (event.size() >= sizeof id) std::memcpy(&id, event.data(), sizeof id);
    if (event.more()) DiscardRest(*m_monitor);
    if (id == ZMQ_EVENT_CONNECTED) m_connected = true;
    if (id == ZMQ_EVENT_DISCONNECTED || id == ZMQ_EVENT_CONNECT_RETRIED || (id == ZMQ_EVENT_CLOSED && !m_connected))
      m_broken = true;
  }
  return !m_broken;
}

bool ClientChannel::Wait(short events, Clock::time_point deadline) {
  while (DrainMonitor() && IsUsable()) {
    zmq::pollitem_t items[2] = {{m_dealer->handle(), 0, events, 0}, {nullptr, 0, ZMQ_POLLIN, 0}};
    int count = 1;
    if (m_monitor) {
      items[1].socket = m_monitor->handle();
      count = 2;
    }
    const long slice = SliceUntil(deadline);
    zmq::poll(items, static_cast<size_t>(count), std::chrono::milliseconds(slice));
    if (items[0].revents & events) return true;
    if (Clock::now() >= deadline) return false;
  }
  return false;
}

bool ClientChannel::Send(const std::string& frame, Clock::time_point deadline) {
  if (!IsUsable()) return false;
  while (Wait(ZMQ_POLLOUT, deadline)) {
    if (m_dealer->send(zmq::buffer(frame), zmq::send_flags::dontwait)) return true;
  }
  return false;
}

std::optional<zmq::message_t> ClientChannel::Receive(Clock::time_point deadline) {
  while (Wait(ZMQ_POLLIN, deadline)) {
    zmq::message_t message;
    if (!m_dealer->recv(message, zmq::recv_flags::dontwait)) continue;
    if (message.more()) {
      DiscardRest(*m_dealer);
      continue;
    }
    if (message.size() > MaxMessageSize() + kFrameAllowance) {
      m_broken = true;
      return std::nullopt;
    }
    return message;
  }
  return std::nullopt;
}

}  // namespace zelplatform
