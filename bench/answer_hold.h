#pragma once
// Holds a simulator's answers while closed, as a hung server would: its
// handler threads wait in Pass until Open.

#include <condition_variable>
#include <mutex>

class AnswerHold {
 public:
  void Pass() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_open.wait(lock, [this] { return !m_closed; });
  }
  void Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_closed = true;
  }
  void Open() {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_closed = false;
    }
    m_open.notify_all();
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_open;
  bool m_closed = false;
};
