#pragma once
// What the client and the server side of the transport share: the process's
// ZeroMQ context, the record of bound inproc names, the size bound, and the
// client's connection to one server.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <zmq.hpp>

namespace zelplatform {

using Clock = std::chrono::steady_clock;

// Never destroyed: sockets of objects that outlive main must not find it gone,
// and terminating it would wait on them.
zmq::context_t& SharedContext();

// "name" -> "inproc://name"; names containing "://" are endpoints already.
std::string EndpointOf(const std::string& serverName);
bool IsInproc(const std::string& endpoint);

// ZeroMQ does not tell a client that nobody bound an inproc name, so the
// servers of this process record theirs. Each binding has a generation of
// its own; 0 means unbound.
std::uint64_t RegisterInproc(const std::string& endpoint);
void UnregisterInproc(const std::string& endpoint);
std::uint64_t InprocGeneration(const std::string& endpoint);

std::size_t MaxMessageSize();
// Room the transport's own framing may take beyond the size bound.
constexpr std::size_t kFrameAllowance = 64;
void SetMaxMessageSize(std::size_t bytes);

// Sets linger 0 and, where ZeroMQ enforces it, the size bound.
void ConfigureSocket(zmq::socket_t& socket, const std::string& endpoint);

// A DEALER connected to one server, with a monitor that reports refused and
// lost connections. Used by one thread at a time.
class ClientChannel {
 public:
  explicit ClientChannel(const std::string& endpoint);
  ~ClientChannel();
  ClientChannel(const ClientChannel&) = delete;
  ClientChannel& operator=(const ClientChannel&) = delete;

  const std::string& Endpoint() const { return m_endpoint; }
  // False once the server is known to be gone (or, for inproc, rebound).
  bool IsUsable() const;

  // False when the server is absent or the deadline passes first.
  bool Send(const std::string& frame, Clock::time_point deadline);
  // The next message, or nothing when the server went away, the deadline
  // passed, or the message is above the size bound.
  std::optional<zmq::message_t> Receive(Clock::time_point deadline);

 private:
  // Reads pending monitor events; false once the peer is known to be gone.
  bool DrainMonitor();
  bool Wait(short events, Clock::time_point deadline);

  std::string m_endpoint;
  std::uint64_t m_generation = 0;
  bool m_broken = false;
  bool m_connected = false;
  std::string m_monitorEndpoint;
  std::optional<zmq::socket_t> m_dealer;
  std::optional<zmq::socket_t> m_monitor;
};

}  // namespace zelplatform
