#pragma once
// The simulator's own changes to its agents, so that a watcher sees a
// realistic stream without anyone calling: media logged on and off, web
// chats taken and completed, routing states changed, one change at a time
// at a steady rate, each told as its events. Only the contacts it took
// itself are ever completed; the seeded ones stay for the callers.
//
// Start and Stop belong to the owning thread; the changes run on a thread
// of the churn's own.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "UserTable.h"

namespace zelsim {

class Churn {
 public:
  static constexpr double kMaxRate = 5000;

  // rate: changes per second, at most kMaxRate.
  Churn(UserTable& users, unsigned seed, double rate);
  ~Churn();
  Churn(const Churn&) = delete;
  Churn& operator=(const Churn&) = delete;

  void Start();
  void Stop();

 private:
  void Run();

  UserTable& m_users;
  unsigned m_seed;
  double m_rate;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_stopping = false;
  std::thread m_thread;
};

}  // namespace zelsim
