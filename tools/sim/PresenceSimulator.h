#pragma once
// A presence server to develop and test against. It answers the library's
// requests on a TRPCServer thread of its own, from state it keeps in memory.
// Start and Stop belong to the owning thread.

#include <cstddef>
#include <functional>
#include <map>
#include <string>

#include "zelclnt/platform/TRPCServer.h"
#include "zelclnt/platform/TTimeStamp.h"

namespace zelsim {

struct SimulatorOptions {
  // Loopback by default; "inproc://name" (or a bare name) runs it embedded.
  std::string endpoint = "tcp://127.0.0.1:7300";
  std::string watchdogAddr = "tcp://127.0.0.1:7301";
  std::string adminAddr = "tcp://127.0.0.1:7302";
  unsigned long heartbeatInterval = 10000;
  bool kvlEnabled = false;
};

class PresenceSimulator {
 public:
  // Return code of a call whose RPC type the simulator does not serve.
  static constexpr long kUnknownRequest = 1;

  explicit PresenceSimulator(SimulatorOptions options = {});
  ~PresenceSimulator();
  PresenceSimulator(const PresenceSimulator&) = delete;
  PresenceSimulator& operator=(const PresenceSimulator&) = delete;

  bool Start(std::string* error = nullptr);
  void Stop();
  const std::string& Endpoint() const { return m_server.Endpoint(); }
  std::size_t CallsServed() const { return m_server.CallsServed(); }

 private:
  using Answer = std::function<void(TRPC&)>;

  void Handle(TRPC& rpc);
  void AnswerServerStatus(TRPC& rpc) const;
  static void AnswerIntegratedPresence(TRPC& rpc);

  SimulatorOptions m_options;
  TTimeStamp m_startedAt;
  std::map<unsigned short, Answer> m_answers;
  TRPCServer m_server;
};

}  // namespace zelsim
