#pragma once
// What the simulator published, as a receiver of the test's own got it, for
// the tests that hold the stream against it.

#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "zelclnt/platform/TEventReceiver.h"

// An event as published, or "resync" for a marker.
struct Written {
  std::uint64_t incarnation = 0;
  std::uint64_t position = 0;
  int type = 0;
  std::int64_t user = 0;
  std::string data;
  bool marker = false;
  friend bool operator==(const Written& a, const Written& b) {
    return std::tie(a.incarnation, a.position, a.type, a.user, a.data, a.marker) ==
           std::tie(b.incarnation, b.position, b.type, b.user, b.data, b.marker);
  }
};

inline std::ostream& operator<<(std::ostream& out, const Written& w) {
  return out << (w.marker ? "marker " : "event ") << w.incarnation << ":" << w.position;
}

// Every event the simulator publishes from Start on, each once, in order.
class Published {
 public:
  explicit Published(const std::string& server) : m_receiver(server) {}
  ~Published() {
    m_receiver.Stop();
    if (m_thread.joinable()) m_thread.join();
  }
  bool Start() {
    if (!m_receiver.Start() || !m_receiver.WaitUntilSubscribed(10000)) return false;
    m_thread = std::thread([this] {
      TEventNotice notice;
      while (m_receiver.Next(notice, -1)) {
        if (notice.kind != TEventNotice::Kind::Event) continue;
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.push_back({notice.incarnation, notice.position, notice.eventType, notice.userKey, notice.data, false});
      }
    });
    return true;
  }
  std::vector<Written> Events() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events;
  }

 private:
  TEventReceiver m_receiver;
  mutable std::mutex m_lock;
  std::vector<Written> m_events;
  std::thread m_thread;
};
