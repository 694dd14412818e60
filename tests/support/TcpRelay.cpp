#include "TcpRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

int Listen(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int PortOf(int fd) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, const char* bytes, ssize_t size) {
  while (size > 0) {
    const ssize_t written = send(fd, bytes, static_cast<std::size_t>(size), MSG_NOSIGNAL);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

}  // namespace

// Both sockets of one relayed connection; closed once both pumps let go.
struct TcpRelay::Link {
  Link(int clientSocket, int upstreamSocket) : client(clientSocket), upstream(upstreamSocket) {}
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;
  ~Link() {
    close(client);
    if (upstream >= 0) close(upstream);
  }

  const int client;
  const int upstream;
};

TcpRelay::TcpRelay(int targetPort) : m_targetPort(targetPort) {}

TcpRelay::~TcpRelay() {
  m_stop = true;
  Cut();
  for (const int listener : m_listeners)
    if (listener >= 0) shutdown(listener, SHUT_RDWR);
  for (std::thread& acceptor : m_acceptors)
    if (acceptor.joinable()) acceptor.join();
  for (std::thread& pump : m_pumps) pump.join();
  for (const int listener : m_listeners)
    if (listener >= 0) close(listener);
}

// The first port is the system's pick; the one above it must be free too.
bool TcpRelay::Start() {
  for (int attempt = 0; attempt < 20 && m_listeners[1] < 0; ++attempt) {
    m_listeners[0] = Listen(0);
    m_port = PortOf(m_listeners[0]);
    m_listeners[1] = Listen(m_port + 1);
    if (m_listeners[1] < 0) close(m_listeners[0]);
  }
  if (m_listeners[1] < 0) return false;
  for (int i = 0; i < 2; ++i) m_acceptors[i] = std::thread(&TcpRelay::Accept, this, m_listeners[i], m_targetPort + i);
  return true;
}

std::string TcpRelay::Endpoint() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }

void TcpRelay::Cut() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_cut = true;
  for (const std::weak_ptr<Link>& held : m_links)
    if (const std::shared_ptr<Link> link = held.lock()) Close(*link);
  m_links.clear();
}

void TcpRelay::Restore() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_cut = false;
}

void TcpRelay::Accept(int listener, int targetPort) {
  for (;;) {
    const int client = accept(listener, nullptr, nullptr);
    if (client < 0) {
      if (errno == EINTR) continue;
      return;
    }
    const int upstream = Connect(targetPort);
    std::lock_guard<std::mutex> guard(m_lock);
    auto link = std::make_shared<Link>(client, upstream);
    if (m_stop || m_cut || upstream < 0) continue;
    m_links.push_back(link);
    m_pumps.emplace_back(&TcpRelay::Pump, this, link, true);
    m_pumps.emplace_back(&TcpRelay::Pump, this, link, false);
  }
}

void TcpRelay::Pump(std::shared_ptr<Link> link, bool upstream) {
  const int from = upstream ? link->client : link->upstream;
  const int to = upstream ? link->upstream : link->client;
  char buffer[65536];
  for (;;) {
    const ssize_t got = recv(from, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || !WriteAll(to, buffer, got)) break;
  }
  Close(*link);
}

// Ends both directions at once; the sockets close with the last pump.
void TcpRelay::Close(Link& link) {
  shutdown(link.client, SHUT_RDWR);
  shutdown(link.upstream, SHUT_RDWR);
}
