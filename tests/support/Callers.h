#pragma once
// Callers that act and query through a pair of servers, each on a thread
// of its own, keeping what failed: only an action whose outcome is
// unknown may. Each counts its rounds of an action and a query.

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Agents.h"

class Callers {
 public:
  explicit Callers(const std::string& list) {
    for (std::size_t i = 0; i < m_rounds.size(); ++i)
      m_threads.emplace_back([this, list, i] { Run(list, static_cast<long>(42 + i), m_rounds[i]); });
  }
  ~Callers() { Stop(); }
  void Stop() {
    m_stop = true;
    for (std::thread& thread : m_threads)
      if (thread.joinable()) thread.join();
  }
  std::vector<std::size_t> Rounds() const {
    std::vector<std::size_t> rounds;
    for (const auto& made : m_rounds) rounds.push_back(made);
    return rounds;
  }
  // Every caller began a round since `rounds` and ended it.
  bool EachWentThroughSince(const std::vector<std::size_t>& rounds) const {
    for (std::size_t i = 0; i < rounds.size(); ++i)
      if (m_rounds[i] < rounds[i] + 2) return false;
    return true;
  }
  std::vector<std::string> Failed() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_failed;
  }

 private:
  void Run(const std::string& list, long key, std::atomic<std::size_t>& rounds) {
    ZelAUserPresence agent = AgentOf(key);
    for (long reason = 1; !m_stop; ++reason, ++rounds) {
      const auto state = static_cast<ZelTRoutingState::enRoutingState>(reason % 3);
      if (agent.SetRoutingState(list, state, reason, false) != ZelTPresenceServer::ACTION_SUCCEEDED &&
          TFramework::LastFailure().kind != TCallFailure::OutcomeUnknown)
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
  std::array<std::atomic<std::size_t>, 4> m_rounds{};
  std::mutex m_lock;
  std::vector<std::string> m_failed;
  std::vector<std::thread> m_threads;
};

