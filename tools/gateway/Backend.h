#pragma once
// The gateway's calls into the library. Users are read from the mirror,
// which also gives the id the server wants beside a user's key for an
// action. Everything else is one call to the presence server, made ready
// here as a PendingCall, sent by the call queue without blocking anyone,
// and judged, counted and answered with JSON here once it ended.
//
// Any thread may call.

#include <memory>
#include <string>

#include "ActionJson.h"
#include "Verdict.h"
#include "Metrics.h"
#include "MirrorFeed.h"
#include "PendingCall.h"
#include "Replies.h"
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

  Response Users(const UserFilter& filter) const;
  Response User(long userKey) const;

  std::shared_ptr<PendingCall> Status(unsigned timeoutMs) const;
  // Null, with the reply in `refused`, for a user the mirror does not hold.
  std::shared_ptr<PendingCall> Act(long userKey, const zeljson::UserAction& action, unsigned timeoutMs,
                                   Response& refused) const;
  std::shared_ptr<PendingCall> AddCapability(const ZelTAddCapability& request, unsigned timeoutMs) const;
  std::shared_ptr<PendingCall> RemoveCapability(const ZelTRemoveCapability& request, unsigned timeoutMs) const;

  // The response to a call that ended, counted with its latency.
  Response Finish(const PendingCall& call, ZelTPresenceServer::ActionResult result,
                  const TCallOutcome& failure);

 private:
  Response NoSuchUser(long userKey) const;

  std::string m_server;
  Metrics& m_metrics;
  const MirrorFeed& m_mirror;
};

}  // namespace zelgw
