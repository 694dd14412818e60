#pragma once
// A presence server to develop and test against. It answers every request
// of the protocol on a TRPCServer thread of its own, from a table of
// synthetic agents it keeps in memory (see AgentSeeder.h), and applies the
// user actions to that table so that later queries show them. The rules by
// which it refuses an action are in README.md beside it. A call it cannot
// read is answered with action result 1 and ERR_INVALID_DATA.
//
// Start and Stop belong to the owning thread; the table may be read from
// any thread.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "UserTable.h"
#include "zelclnt/platform/TRPCServer.h"
#include "zelclnt/platform/TTimeStamp.h"
#include "zelclnt/state/TMediaReadiness.h"

namespace zelsim {

struct SimulatorOptions {
  // Loopback by default; "inproc://name" (or a bare name) runs it embedded.
  std::string endpoint = "tcp://127.0.0.1:7300";
  std::string watchdogAddr = "tcp://127.0.0.1:7301";
  std::string adminAddr = "tcp://127.0.0.1:7302";
  unsigned long heartbeatInterval = 10000;
  bool kvlEnabled = false;
  // Synthetic agents, user keys 42 upward; the seed fixes their details.
  int agents = 8;
  unsigned seed = 1;
};

class PresenceSimulator {
 public:
  explicit PresenceSimulator(SimulatorOptions options = {});
  ~PresenceSimulator();
  PresenceSimulator(const PresenceSimulator&) = delete;
  PresenceSimulator& operator=(const PresenceSimulator&) = delete;

  bool Start(std::string* error = nullptr);
  void Stop();
  const std::string& Endpoint() const { return m_server.Endpoint(); }
  std::size_t CallsServed() const { return m_server.CallsServed(); }
  const UserTable& Users() const { return m_users; }

  // Answers one call as the serving thread does, for a caller that brings
  // the call by other means. One call at a time.
  void Handle(TRPC& rpc);

 private:
  using Answer = std::function<void(TRPC&)>;

  void AnswerServerStatus(TRPC& rpc) const;
  static void AnswerIntegratedPresence(TRPC& rpc);
  void AnswerUserPresence(TRPC& rpc);
  void AnswerUsersPresence(TRPC& rpc) const;
  void AnswerMediumStatus(TRPC& rpc) const;
  template <typename Request>
  void AnswerCapability(TRPC& rpc, bool add);

  SimulatorOptions m_options;
  TTimeStamp m_startedAt;
  UserTable m_users;
  std::vector<TMediaReadiness> m_readiness;
  std::map<unsigned short, Answer> m_answers;
  TRPCServer m_server;
};

}  // namespace zelsim
