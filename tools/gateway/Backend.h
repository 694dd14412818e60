#pragma once
// The gateway's calls into the library: each handler makes one call to the
// presence server, judges it, counts it and answers with JSON. Each blocks
// its thread for up to its time-out, so the gateway runs them on its
// workers, never on the thread that serves the connections. Users are read
// from the mirror instead, which also gives the id the server wants beside
// a user's key for an action.
//
// Any thread may call; each call uses library objects of its own.

#include <string>

#include "ActionJson.h"
#include "CallOutcome.h"
#include "Metrics.h"
#include "Replies.h"
#include "MirrorFeed.h"
#include "UserFilter.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"

namespace zelgw {

class Backend {
 public:
  Backend(std::string server, Metrics& metrics, const MirrorFeed& mirror)
      : m_server(std::move(server)), m_metrics(metrics), m_mirror(mirror) {}

  const std::string& Server() const { return m_server; }
  // The mirror holds every user: users can be read and acted on.
  bool Joined() const { return m_mirror.Joined(); }

  Response Status(unsigned timeoutMs);
  Response Users(const UserFilter& filter) const;
  Response User(long userKey) const;
  Response Act(long userKey, const zeljson::UserAction& action, unsigned timeoutMs);
  Response AddCapability(const ZelTAddCapability& request, unsigned timeoutMs);
  Response RemoveCapability(const ZelTRemoveCapability& request, unsigned timeoutMs);

 private:
  // The outcome, counted with the time since `started`; an error reply
  // unless it succeeded.
  bool Account(const CallOutcome& outcome, TClock::time_point started, Response& error);
  bool LookUp(long userKey, std::string& userId, Response& error) const;
  Response NoSuchUser(long userKey) const;

  std::string m_server;
  Metrics& m_metrics;
  const MirrorFeed& m_mirror;
};

}  // namespace zelgw
