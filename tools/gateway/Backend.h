#pragma once
// The gateway's calls into the library: each handler makes one call to the
// presence server (a user's first action or query also looks the user's
// id up, see UserDirectory.h), judges it, counts it and answers with JSON.
// Each blocks its thread for up to its time-out, so the gateway runs them
// on its workers, never on the thread that serves the connections.
//
// Any thread may call; each call uses library objects of its own.

#include <string>

#include "ActionJson.h"
#include "Metrics.h"
#include "Replies.h"
#include "UserDirectory.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"

namespace zelgw {

class Backend {
 public:
  Backend(std::string server, Metrics& metrics) : m_server(server), m_metrics(metrics), m_users(std::move(server)) {}

  const std::string& Server() const { return m_server; }

  Response Status(unsigned timeoutMs);
  Response User(long userKey, unsigned timeoutMs);
  Response Act(long userKey, const zeljson::UserAction& action, unsigned timeoutMs);
  Response AddCapability(const ZelTAddCapability& request, unsigned timeoutMs);
  Response RemoveCapability(const ZelTRemoveCapability& request, unsigned timeoutMs);

 private:
  // The outcome, counted with the time since `started`; an error reply
  // unless it succeeded.
  bool Account(const CallOutcome& outcome, TClock::time_point started, Response& error);
  bool LookUp(long userKey, unsigned timeoutMs, std::string& userId, Response& error);

  std::string m_server;
  Metrics& m_metrics;
  UserDirectory m_users;
};

}  // namespace zelgw
