#pragma once
// One descriptor an application's event loop can wait on for a queue of
// calls: readable while any socket it watches is, while it is signalled,
// and once a wake-up time passed. An epoll set with an eventfd and a
// timerfd in it on Linux. Windows has no descriptor that gathers others,
// so there Open fails and a queue has no descriptor (TCompletionQueue says
// so); its calls are collected with Next and a time-out.

#include <chrono>
#include <vector>

namespace zelplatform {

class ReadyDescriptor {
 public:
  ReadyDescriptor() = default;
  ~ReadyDescriptor();
  ReadyDescriptor(const ReadyDescriptor&) = delete;
  ReadyDescriptor& operator=(const ReadyDescriptor&) = delete;

  // False when the system gave none.
  bool Open();
  int Fd() const { return m_poll; }
  // Adds a socket's descriptor; a closed one leaves the set by itself.
  bool Watch(int fd) const;
  // Watches these (those below 0 left out) and no other socket's: one that
  // is done with may stay readable a while, and must not wake the loop.
  void WatchOnly(const std::vector<int>& fds);
  void Signal(bool on);
  void WakeIn(std::chrono::steady_clock::duration delay);
  // Forgets the wake-up time, one that passed included.
  void NoWake();
  // Readable from now on, for good: a stop. Any thread.
  void Latch() const;

 private:
  int m_poll = -1;
  int m_event = -1;
  int m_timer = -1;
  int m_latch = -1;
  bool m_signalled = false;
  std::vector<int> m_watched;
};

}  // namespace zelplatform
