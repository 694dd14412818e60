#include "TcpRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

int Socket(int port, bool listening) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address = Loopback(port);
  const auto* at = reinterpret_cast<const sockaddr*>(&address);
  if (listening ? bind(fd, at, sizeof address) == 0 && listen(fd, 16) == 0 : connect(fd, at, sizeof address) == 0)
    return fd;
  close(fd);
  return -1;
}

void Pump(int from, int to) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = recv(from, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    ssize_t sent = 0;
    while (sent < got) {
      const ssize_t written = send(to, buffer + sent, static_cast<std::size_t>(got - sent), MSG_NOSIGNAL);
      if (written <= 0 && errno != EINTR) break;
      sent += written > 0 ? written : 0;
    }
    if (sent < got) break;
  }
  shutdown(from, SHUT_RDWR);
  shutdown(to, SHUT_RDWR);
}

}  // namespace

TcpRelay::~TcpRelay() {
  Cut();
  for (const int listener : m_listeners) shutdown(listener, SHUT_RDWR);
  for (std::thread& acceptor : m_acceptors)
    if (acceptor.joinable()) acceptor.join();
  for (std::thread& pump : m_pumps) pump.join();
  for (const int fd : m_sockets) close(fd);
  for (const int listener : m_listeners) close(listener);
}

// The first port is the system's pick; the one above it must be free too.
bool TcpRelay::Start() {
  for (int attempt = 0; attempt < 20 && m_listeners[1] < 0; ++attempt) {
    m_listeners[0] = Socket(0, true);
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    getsockname(m_listeners[0], reinterpret_cast<sockaddr*>(&bound), &size);
    m_port = ntohs(bound.sin_port);
    m_listeners[1] = Socket(m_port + 1, true);
    if (m_listeners[1] < 0) close(m_listeners[0]);
  }
  if (m_listeners[1] < 0) return false;
  for (int i = 0; i < 2; ++i) m_acceptors[i] = std::thread(&TcpRelay::Accept, this, m_listeners[i], m_targetPort + i);
  return true;
}

void TcpRelay::Cut() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_cut = true;
  for (const int fd : m_sockets) shutdown(fd, SHUT_RDWR);
}

void TcpRelay::Accept(int listener, int targetPort) {
  for (;;) {
    const int client = accept(listener, nullptr, nullptr);
    if (client < 0 && errno == EINTR) continue;
    if (client < 0) return;
    const int upstream = m_cut ? -1 : Socket(targetPort, false);
    std::lock_guard<std::mutex> guard(m_lock);
    m_sockets.push_back(client);
    if (upstream < 0) {
      shutdown(client, SHUT_RDWR);
      continue;
    }
    m_sockets.push_back(upstream);
    m_pumps.emplace_back(Pump, client, upstream);
    m_pumps.emplace_back(Pump, upstream, client);
  }
}
