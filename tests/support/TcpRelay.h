#pragma once
// A link a test can cut: forwards tcp connections made to two adjacent
// loopback ports (a server's and, one above, its events') to a target's
// two ports. Cut ends every connection and refuses new ones until Restore.
// Each direction of a connection has a thread of its own, so that a side
// that stops reading stalls nothing else.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TcpRelay {
 public:
  // targetPort: the target server's port; its events are on the next one.
  explicit TcpRelay(int targetPort) : m_targetPort(targetPort) {}
  ~TcpRelay();

  // Binds two adjacent free ports; false when none were found.
  bool Start();
  std::string Endpoint() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }
  void Cut();
  void Restore() { m_cut = false; }

 private:
  void Accept(int listener, int targetPort);

  int m_targetPort;
  int m_port = 0;
  int m_listeners[2] = {-1, -1};
  std::atomic<bool> m_cut{false};
  std::mutex m_lock;
  // Relayed sockets stay open (ended by shutdown) until the relay goes, so
  // that no descriptor is reused while a pump may still hold it.
  std::vector<int> m_sockets;
  std::thread m_acceptors[2];
  // Added by the acceptors while they run.
  std::vector<std::thread> m_pumps;
};
