#include "LinkRelay.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <iterator>
#include <utility>

#include "LoopbackSocket.h"

namespace zelsim {
namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

LoopbackSocket Socket(int port, bool listening) {
  const LoopbackSocket made = NewStreamSocket();
  if (made < 0) return -1;
  const sockaddr_in address = Loopback(port);
  const auto* at = reinterpret_cast<const sockaddr*>(&address);
  const auto fd = Native(made);
  if (listening ? bind(fd, at, sizeof address) == 0 && listen(fd, 16) == 0 : connect(fd, at, sizeof address) == 0)
    return made;
  CloseSocket(made);
  return -1;
}

// The port of "tcp://127.0.0.1:<port>" or "tcp://localhost:<port>"; 0 for
// anything else, and for a port without one above it.
int LoopbackPort(const std::string& endpoint) {
  for (const char* prefix : {"tcp://127.0.0.1:", "tcp://localhost:"}) {
    const std::string lead = prefix;
    if (endpoint.compare(0, lead.size(), lead) != 0) continue;
    int port = 0;
    const char* end = endpoint.data() + endpoint.size();
    const auto parsed = std::from_chars(endpoint.data() + lead.size(), end, port);
    return parsed.ec == std::errc() && parsed.ptr == end && port > 0 && port < 65535 ? port : 0;
  }
  return 0;
}

void Pump(LoopbackSocket from, LoopbackSocket to, std::atomic<int>& ended) {
  char buffer[65536];
  for (;;) {
    const long got = Receive(from, buffer, sizeof buffer);
    if (got < 0 && Interrupted()) continue;
    if (got <= 0) break;
    long sent = 0;
    while (sent < got) {
      const long written = Send(to, buffer + sent, static_cast<std::size_t>(got - sent));
      if (written <= 0 && !Interrupted()) break;
      sent += written > 0 ? written : 0;
    }
    if (sent < got) break;
  }
  ShutDown(from);
  ShutDown(to);
  ++ended;
}

}  // namespace

// Its sockets are closed only once both pumps ended, so that no descriptor
// is reused while a pump may still hold it.
struct LinkRelay::Connection {
  Connection(LoopbackSocket client, LoopbackSocket upstream) : client(client), upstream(upstream) {
    pumps[0] = std::thread(Pump, client, upstream, std::ref(ended));
    pumps[1] = std::thread(Pump, upstream, client, std::ref(ended));
  }
  ~Connection() {
    for (std::thread& pump : pumps) pump.join();
    CloseSocket(client);
    CloseSocket(upstream);
  }
  void End() const {
    ShutDown(client);
    ShutDown(upstream);
  }

  LoopbackSocket client;
  LoopbackSocket upstream;
  std::atomic<int> ended{0};
  std::thread pumps[2];
};

LinkRelay::LinkRelay(std::string target) : m_target(std::move(target)) {}

LinkRelay::~LinkRelay() {
  Cut();
  for (const LoopbackSocket listener : m_listeners)
    if (listener >= 0) StopAccepting(listener);
  for (std::thread& acceptor : m_acceptors)
    if (acceptor.joinable()) acceptor.join();
  m_connections.clear();
  for (const LoopbackSocket listener : m_listeners)
    if (listener >= 0) CloseListener(listener);
}

// The first port is the system's pick; the one above it must be free too.
bool LinkRelay::Start(std::string* error) {
  m_targetPort = LoopbackPort(m_target);
  if (m_targetPort == 0) {
    if (error) *error = "cannot relay " + m_target + ": not a tcp endpoint on loopback";
    return false;
  }
  for (int attempt = 0; attempt < 20 && m_listeners[1] < 0; ++attempt) {
    m_listeners[0] = Socket(0, true);
    if (m_listeners[0] < 0) break;
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    getsockname(Native(m_listeners[0]), reinterpret_cast<sockaddr*>(&bound), &size);
    m_port = ntohs(bound.sin_port);
    m_listeners[1] = m_port < 65535 ? Socket(m_port + 1, true) : -1;
    if (m_listeners[1] < 0) CloseSocket(m_listeners[0]);
  }
  if (m_listeners[1] < 0) {
    m_listeners[0] = -1;
    m_port = 0;
    if (error) *error = "no two adjacent free loopback ports to relay " + m_target;
    return false;
  }
  for (int i = 0; i < 2; ++i) m_acceptors[i] = std::thread(&LinkRelay::Accept, this, m_listeners[i], m_targetPort + i);
  return true;
}

std::string LinkRelay::Endpoint() const { return m_port ? "tcp://127.0.0.1:" + std::to_string(m_port) : ""; }

void LinkRelay::Cut() {
  Reap();
  std::lock_guard<std::mutex> guard(m_lock);
  m_cut = true;
  for (const auto& connection : m_connections) connection->End();
}

std::size_t LinkRelay::Connections() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_connections.size();
}

void LinkRelay::Accept(LoopbackSocket listener, int targetPort) {
  for (;;) {
    const LoopbackSocket client = AcceptOn(listener);
    if (client < 0 && AcceptAgain()) continue;
    if (client < 0) return;
    Reap();
    const LoopbackSocket upstream = m_cut ? -1 : Socket(targetPort, false);
    if (upstream < 0) {
      CloseSocket(client);
      continue;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_connections.push_back(std::make_unique<Connection>(client, upstream));
    // Cut while it was being made: it must not outlive the cut.
    if (m_cut) m_connections.back()->End();
  }
}

void LinkRelay::Reap() {
  std::list<std::unique_ptr<Connection>> ended;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto at = m_connections.begin(); at != m_connections.end();) {
      const auto next = std::next(at);
      if ((*at)->ended == 2) ended.splice(ended.end(), m_connections, at);
      at = next;
    }
  }
}

}  // namespace zelsim
