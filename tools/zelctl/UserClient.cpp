#include "UserClient.h"

#include <iterator>
#include <list>
#include <unordered_map>
#include <utility>

#include "Command.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelctl {
namespace {

using User = ZelTUserPresence;

// The library method of each action, by action value.
constexpr const char* kCallNames[] = {
    "None",
    "Query",
    "SetRoutingState",
    "SetPrimaryContact",
    "SetRecoveryMode",
    "SetContactAssist",
    "SubmitWrapup",
    "RequestPostProcessing",
    "ExitPostProcessing",
    "CancelMandatoryPostProcessing",
};

const char* CallName(User::Action action) {
  const auto index = static_cast<std::size_t>(action);
  return index < std::size(kCallNames) ? kCallNames[index] : "UserPresence";
}

}  // namespace

UserClient::UserClient(std::string server, long userKey, const std::string& userId)
    : m_server(std::move(server)), m_request(kClientName, kClientNode) {
  m_request.SetUserKey(userKey);
  m_request.SetUserID(userId);
}

CallReport UserClient::Run(const UserAction& action) {
  m_request.SetRequestMode(ZelTRequest::REQUESTMODE_DEFAULT);
  return Call(CallName(action.action), m_server, m_request, [&] { return Send(action); });
}

ZelTPresenceServer::ActionResult UserClient::Send(const UserAction& action) {
  ZelAUserPresence& user = m_request;
  const std::string& server = m_server;
  switch (action.action) {
    case User::ACTION_SET_ROUTING_STATE:
      return user.SetRoutingState(server, action.routingState, action.reason, action.synchronous);
    case User::ACTION_SET_PRIMARY_CONTACT:
      return user.SetPrimaryContact(server, action.contactId, action.requeueCount);
    case User::ACTION_SET_RECOVERY_MODE:
      return user.SetRecoveryMode(server, action.on);
    case User::ACTION_SET_CONTACT_ASSIST:
      return user.SetContactAssist(server, action.on);
    case User::ACTION_SUBMIT_WRAPUP:
      return user.SubmitWrapup(server, action.contactId, action.requeueCount,
                               std::list<long>(action.wrapupReasons.begin(), action.wrapupReasons.end()),
                               action.queueKey, action.sqNum);
    case User::ACTION_REQUEST_POST_PROCESSING:
      return user.RequestPostProcessing(server, action.contactId, action.requeueCount, action.reason);
    case User::ACTION_EXIT_POST_PROCESSING:
      return user.ExitPostProcessing(server, action.contactId, action.requeueCount);
    case User::ACTION_CANCEL_MANDATORY_POST_PROCESSING:
      return user.CancelMandatoryPostProcessing(server, action.contactId, action.requeueCount);
    default:  // zelctl builds no action but these and the query
      return user.Query(server);
  }
}

bool LookUpUserIds(ZelAPresenceServer& api, const std::string& server, const std::vector<long>& userKeys,
                   std::vector<std::string>& userIds, std::string& failure) {
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  const CallReport outcome =
      Call("QueryUsersPresence", server, query, [&] { return api.QueryUsersPresence(server, query); });
  if (!outcome.Succeeded()) {
    failure = outcome.FailureLine();
    return false;
  }
  std::unordered_map<long, std::string> ids;
  for (const User* user : query.GetUsersPresence().GetList())
    if (user) ids.emplace(user->GetUserKey(), user->GetUserID());
  userIds.clear();
  for (const long userKey : userKeys) {
    const auto found = ids.find(userKey);
    if (found == ids.end()) {
      failure = "no user with key " + std::to_string(userKey) + " on " + server;
      return false;
    }
    userIds.push_back(found->second);
  }
  return true;
}

bool LookUpUserId(ZelAPresenceServer& api, const std::string& server, long userKey, std::string& userId,
                  std::string& failure) {
  std::vector<std::string> userIds;
  if (!LookUpUserIds(api, server, {userKey}, userIds, failure)) return false;
  userId = userIds.front();
  return true;
}

}  // namespace zelctl
