#include "ZmqTransport.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace zelplatform {
namespace {

struct InprocRecord {
  std::mutex lock;
  std::map<std::string, std::uint64_t> generations;
  std::uint64_t lastGeneration = 0;
  std::atomic<std::uint64_t> epoch{0};
};

InprocRecord& Inproc() {
  static InprocRecord* record = new InprocRecord;
  return *record;
}

std::atomic<std::size_t>& SizeBound() {
  static std::atomic<std::size_t> bound{std::size_t{64} << 20};
  return bound;
}

#ifdef _WIN32
// ZeroMQ's threads, started with the context, run in this module until the
// process ends: the context is never terminated, since that joins them, and
// a DLL cannot join threads while it is being unloaded. So the module, once
// it has them, stays loaded; FreeLibrary would pull their code from under
// them and leave them behind, two more at each load.
// Winsock counts its users: ZeroMQ's context is one, and this the library's
// spare, so that a caller's WSACleanup without a start of its own does not
// tear Winsock down under ZeroMQ's threads, which would abort the process.
void HoldWinsock() {
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
}

void KeepThisModuleLoaded() {
  static const char anchor = 0;
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&anchor), &module);
}
#endif

}  // namespace

// ZeroMQ's default of 1023 sockets would cap a process at a few hundred
// event receivers (each has a monitor): allow as many as descriptors.
zmq::context_t& SharedContext() {
  static zmq::context_t* context = [] {
    auto* made = new zmq::context_t(1);
#ifdef _WIN32
    HoldWinsock();
    KeepThisModuleLoaded();
#else
    rlimit descriptors{};
    if (getrlimit(RLIMIT_NOFILE, &descriptors) == 0) {
      const auto most = std::min<rlim_t>(descriptors.rlim_cur, static_cast<rlim_t>(made->get(zmq::ctxopt::socket_limit)));
      if (most > 1023) made->set(zmq::ctxopt::max_sockets, static_cast<int>(most));
    }
#endif
    return made;
  }();
  return *context;
}

std::string EndpointOf(const std::string& serverName) {
  return serverName.find("://") == std::string::npos ? "inproc://" + serverName : serverName;
}

bool IsInproc(const std::string& endpoint) { return endpoint.rfind("inproc://", 0) == 0; }

std::uint64_t RegisterInproc(const std::string& endpoint) {
  InprocRecord& record = Inproc();
  std::lock_guard<std::mutex> guard(record.lock);
  ++record.epoch;
  return record.generations[endpoint] = ++record.lastGeneration;
}

void UnregisterInproc(const std::string& endpoint) {
  InprocRecord& record = Inproc();
  std::lock_guard<std::mutex> guard(record.lock);
  ++record.epoch;
  record.generations.erase(endpoint);
}

std::uint64_t InprocGeneration(const std::string& endpoint) {
  InprocRecord& record = Inproc();
  std::lock_guard<std::mutex> guard(record.lock);
  const auto found = record.generations.find(endpoint);
  return found == record.generations.end() ? 0 : found->second;
}

std::uint64_t InprocEpoch() { return Inproc().epoch.load(std::memory_order_acquire); }

std::size_t MaxMessageSize() { return SizeBound(); }

void SetMaxMessageSize(std::size_t bytes) { SizeBound() = bytes; }

std::string NextInprocEndpoint(const char* purpose) {
  static std::atomic<std::uint64_t> counter{0};
  return std::string("inproc://zelplatform-") + purpose + "-" + std::to_string(++counter);
}

bool ReceiveNow(zmq::socket_t& socket, zmq::message_t& message) {
  for (;;) {
    if (zmq_msg_recv(message.handle(), socket.handle(), ZMQ_DONTWAIT) >= 0) return true;
    if (zmq_errno() != EINTR) return false;
  }
}

void DiscardRest(zmq::socket_t& socket) {
  zmq::message_t part;
  while (ReceiveNow(socket, part) && part.more()) {
  }
}

bool NextMonitorEvent(zmq::socket_t& monitor, MonitorEvent& event) {
  zmq::message_t part;
  if (!ReceiveNow(monitor, part)) return false;
  event = MonitorEvent{};
  if (part.size() >= sizeof event.id + sizeof event.value) {
    std::memcpy(&event.id, part.data(), sizeof event.id);
    std::memcpy(&event.value, part.data<char>() + sizeof event.id, sizeof event.value);
  }
  if (part.more()) DiscardRest(monitor);
  return true;
}

// Only an exchange about keys or mechanisms is authentication; any other
// protocol error is the peer's ignorance of the protocol.
HandshakeFault FaultOf(const MonitorEvent& event) {
  constexpr std::uint32_t kZapErrors = 0x20000000;
  switch (event.id) {
    case ZMQ_EVENT_HANDSHAKE_FAILED_AUTH:
      return HandshakeFault::Refused;
    case ZMQ_EVENT_HANDSHAKE_FAILED_NO_DETAIL:
      return HandshakeFault::HungUp;
    case ZMQ_EVENT_HANDSHAKE_FAILED_PROTOCOL:
      return event.value == ZMQ_PROTOCOL_ERROR_ZMTP_MECHANISM_MISMATCH ||
                     event.value == ZMQ_PROTOCOL_ERROR_ZMTP_CRYPTOGRAPHIC || (event.value & 0xF0000000) == kZapErrors
                 ? HandshakeFault::Refused
                 : HandshakeFault::Foreign;
    default:
      return HandshakeFault::None;
  }
}

void BindSoon(zmq::socket_t& socket, const std::string& endpoint) {
  // Real time: a port is freed by ZeroMQ's thread, whatever clock is in force.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  for (;;) {
    try {
      return socket.bind(endpoint);
    } catch (const zmq::error_t& failure) {
      if (failure.num() != EADDRINUSE || std::chrono::steady_clock::now() >= deadline) throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void ConfigureSocket(zmq::socket_t& socket, const std::string& endpoint) {
  socket.set(zmq::sockopt::linger, 0);
  if (!IsInproc(endpoint)) {
    // ZeroMQ counts the frame, so leave room for the transport's own header.
    const std::size_t bound = MaxMessageSize() + kFrameAllowance;
    socket.set(zmq::sockopt::maxmsgsize, static_cast<int64_t>(bound));
  }
}

}  // namespace zelplatform
