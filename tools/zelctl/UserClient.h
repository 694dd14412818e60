#pragma once
// Acts on one user of one presence server. Every user action names the user
// by key and id; LookUpUserId finds the id of a key. Each action first
// resets what an earlier one left in the request that would travel again
// (a synchronous request mode, say), so a client can serve many actions.
// A client serves one thread at a time.

#include <string>
#include <vector>

#include "CallReport.h"
#include "zelclnt/core/ZelAUserPresence.h"

class ZelAPresenceServer;

namespace zelctl {

// One action and its arguments; the fields the action does not use are
// ignored.
struct UserAction {
  ZelTUserPresence::Action action = ZelTUserPresence::ACTION_QUERY;
  std::string contactId;
  long requeueCount = 0;
  ZelTRoutingState::enRoutingState routingState = ZelTRoutingState::ROUTINGSTATE_AVAILABLE;
  // Of the routing state, or of the post-processing asked for.
  long reason = 0;
  bool synchronous = false;
  // Recovery mode or contact assistance.
  bool on = false;
  long queueKey = 0;
  long sqNum = 0;
  std::vector<long> wrapupReasons;
};

class UserClient {
 public:
  UserClient(std::string server, long userKey, const std::string& userId);

  // The action's library method names the call in the outcome.
  CallReport Run(const UserAction& action);
  // What the last call left: the whole record after a successful query.
  const ZelAUserPresence& Request() const { return m_request; }

 private:
  ZelTPresenceServer::ActionResult Send(const UserAction& action);

  std::string m_server;
  ZelAUserPresence m_request;
};

// The ids of the users with these keys, in their order, from one query of
// all users. False, with one line saying why in `failure`, when the query
// fails or finds one of them not.
bool LookUpUserIds(ZelAPresenceServer& api, const std::string& server, const std::vector<long>& userKeys,
                   std::vector<std::string>& userIds, std::string& failure);
// The same for one user.
bool LookUpUserId(ZelAPresenceServer& api, const std::string& server, long userKey, std::string& userId,
                  std::string& failure);

}  // namespace zelctl
