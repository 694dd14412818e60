#pragma once
// Changes the simulator's agents as clients would, through the server, as
// fast as it answers: routing states, recovery mode, contact assistance,
// primary contacts and post-processing, some refused; their events are
// complete and incomplete ones. On a thread of its own between Start and
// Stop, or on the caller's in Make.

#include <atomic>
#include <random>
#include <string>
#include <thread>

#include "Agents.h"

class Churner {
 public:
  explicit Churner(std::string server, int agents = 8, unsigned seed = 7)
      : m_server(std::move(server)), m_agents(agents), m_engine(seed) {}
  ~Churner() { Stop(); }

  void Start() {
    m_stop = false;
    m_thread = std::thread([this] {
      while (!m_stop) Make(1);
    });
  }
  void Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
  }

  void Make(int changes) {
    for (int i = 0; i < changes; ++i) {
      const long key = 42 + static_cast<long>(m_engine() % static_cast<unsigned>(m_agents));
      ZelAUserPresence agent = AgentOf(key);
      const std::string contact = "C" + std::to_string(key) + "-" + std::to_string(1 + m_engine() % 3);
      const long value = static_cast<long>(m_engine() % 3);
      const auto state = static_cast<ZelTRoutingState::enRoutingState>(value);
      switch (m_engine() % 6) {
        case 0: agent.SetRoutingState(m_server, state, value, false); break;
        case 1: agent.SetRecoveryMode(m_server, value == 0); break;
        case 2: agent.SetContactAssist(m_server, value == 0); break;
        case 3: agent.SetPrimaryContact(m_server, contact, 0); break;
        case 4: agent.RequestPostProcessing(m_server, contact, 0, value); break;
        default: agent.ExitPostProcessing(m_server, contact, 0); break;
      }
    }
  }

 private:
  std::string m_server;
  int m_agents;
  std::mt19937 m_engine;
  std::atomic<bool> m_stop{true};
  std::thread m_thread;
};
