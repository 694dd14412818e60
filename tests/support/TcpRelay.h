#pragma once
// A link that a test can cut: forwards tcp connections made to two adjacent
// loopback ports (a server's and, one above, its events') to a target's two
// ports. Cut closes every connection and refuses new ones until Restore.
// Each direction of each connection is pumped by a thread of its own, so
// that one side that stops reading stalls nothing else.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TcpRelay {
 public:
  // targetPort: the target server's port; its events are on the next one.
  explicit TcpRelay(int targetPort);
  ~TcpRelay();
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  // Binds two adjacent free ports; false when none were found.
  bool Start();
  // tcp://127.0.0.1:<first port>.
  std::string Endpoint() const;
  void Cut();
  void Restore();

 private:
  struct Link;

  void Accept(int listener, int targetPort);
  void Pump(std::shared_ptr<Link> link, bool upstream);
  void Close(Link& link);

  int m_targetPort;
  int m_port = 0;
  int m_listeners[2] = {-1, -1};
  std::atomic<bool> m_stop{false};
  std::mutex m_lock;
  bool m_cut = false;
  std::vector<std::weak_ptr<Link>> m_links;
  std::thread m_acceptors[2];
  // Guarded by m_lock until the acceptors are gone.
  std::vector<std::thread> m_pumps;
};
