#pragma once
// Callers that act and query through a pair of servers, each on a thread
// of its own, keeping what failed: only an action whose outcome is
// unknown may.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Agents.h"

class Callers {
 public:
  explicit Callers(const std::string& list) {
    for (long key = 42; key < 46; ++key) m_threads.emplace_back([this, list, key] { Run(list, key); });
  }
  ~Callers() { Stop(); }
  void Stop() {
    m_stop = true;
    for (std::thread& thread : m_threads)
      if (thread.joinable()) thread.join();
  }
  std::vector<std::string> Failed() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_failed;
  }

 private:
  void Run(const std::string& list, long key) {
    ZelAUserPresence agent = AgentOf(key);
    for (long reason = 1; !m_stop; ++reason) {
      const auto state = static_cast<ZelTRoutingState::enRoutingState>(reason % 3);
      if (agent.SetRoutingState(list, state, reason, false) != ZelTPresenceServer::ACTION_SUCCEEDED &&
          TFramework::LastFailure().kind != TFramework::FailureKind::OutcomeUnknown)
        Note("action " + Why(agent));
      if (agent.Query(list) != ZelTPresenceServer::ACTION_SUCCEEDED) Note("query " + Why(agent));
    }
  }
  static std::string Why(const ZelAUserPresence& agent) {
    const std::string& failure = TFramework::LastFailure().text;
    return failure.empty() ? ZelTPresenceServer::ToString(agent.GetErrorCode()) : failure;
  }
  void Note(const std::string& failure) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_failed.push_back(failure);
  }

  std::atomic<bool> m_stop{false};
  std::mutex m_lock;
  std::vector<std::string> m_failed;
  std::vector<std::thread> m_threads;
};

