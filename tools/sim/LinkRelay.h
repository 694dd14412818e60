#pragma once
// A link that can be cut: forwards tcp connections made to two adjacent
// loopback ports (a server's and, one above, its events') to a server's two
// ports on loopback. Cut ends every connection and refuses new ones until
// Restore, as a lost network would.
//
// Each direction of a connection has a thread of its own, so that a side
// that stops reading stalls nothing else. A connection's sockets and threads
// are given back once both directions ended: a relay cut again and again
// holds only the connections alive.
//
// Start belongs to the owning thread; Cut and Restore may be called from
// any thread.

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zelsim {

class LinkRelay {
 public:
  // target: the server's endpoint, "tcp://127.0.0.1:<port>" (or localhost);
  // its events are on the next port.
  explicit LinkRelay(std::string target);
  ~LinkRelay();
  LinkRelay(const LinkRelay&) = delete;
  LinkRelay& operator=(const LinkRelay&) = delete;

  // Binds two adjacent free loopback ports; false, with the reason in
  // *error, for a target that is no loopback tcp endpoint or when no ports
  // were found.
  bool Start(std::string* error = nullptr);
  // What clients are given instead of the target; empty before Start.
  std::string Endpoint() const;
  void Cut();
  void Restore() { m_cut = false; }
  // Connections held: alive, or ended and not given back yet (the next
  // connection or cut gives them back).
  std::size_t Connections() const;

 private:
  struct Connection;

  // A listening socket: a descriptor, or a Winsock SOCKET.
  void Accept(std::intptr_t listener, int targetPort);
  // Joins and closes the connections whose two directions ended.
  void Reap();

  std::string m_target;
  int m_targetPort = 0;
  int m_port = 0;
  std::intptr_t m_listeners[2] = {-1, -1};
  std::atomic<bool> m_cut{false};
  mutable std::mutex m_lock;
  std::list<std::unique_ptr<Connection>> m_connections;
  std::thread m_acceptors[2];
};

}  // namespace zelsim
