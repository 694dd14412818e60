#pragma once
// A server handler that echoes each call and holds the ones it is told to
// (all, or those of one text) until opened; it tells how many it holds and
// which ran. Hand it to a server with std::ref, or hold a server's own
// answers with Pass.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "Rpc.h"

class Gate {
 public:
  explicit Gate(std::string held = "") : m_held(std::move(held)) {}

  void operator()(TRPC& rpc) {
    const std::string text = CallText(rpc);
    Pass(text, m_held.empty() || text == m_held);
    Echo(rpc);
  }
  // Counts `what` as run and, when `held`, holds its caller until Open.
  void Pass(const std::string& what, bool held) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_ran.push_back(what);
    if (!held) return;
    ++m_holding;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_open; });
  }
  // Waits up to 10 s of real time for `count` calls to be held.
  bool AwaitHeld(int count = 1) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_holding >= count; });
  }
  int Holding() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_holding;
  }
  void Open() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_open = true;
    m_changed.notify_all();
  }
  std::vector<std::string> Ran() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_ran;
  }

 private:
  const std::string m_held;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<std::string> m_ran;
  int m_holding = 0;
  bool m_open = false;
};
