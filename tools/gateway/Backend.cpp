#include "Backend.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "RequestJson.h"
#include "Timed.h"
#include "UserJson.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace zelgw {

namespace {

constexpr const char* kClientName = "presence-gateway";

}  // namespace

bool Backend::Account(const CallOutcome& outcome, TClock::time_point started, Response& error) {
  m_metrics.CountCall(outcome.call, outcome.OutcomeName(), outcome.Reason(), TClock::Now() - started);
  if (outcome.succeeded) return true;
  error = JsonReply(StatusOf(outcome), ErrorJson(outcome, m_server));
  return false;
}

bool Backend::LookUp(long userKey, std::string& userId, Response& error) const {
  if (m_mirror.Users().UserIdOf(userKey, userId)) return true;
  error = NoSuchUser(userKey);
  return false;
}

Response Backend::NoSuchUser(long userKey) const {
  return ErrorReply(http::status::not_found, "ERR_INVALID_USER",
                    "no user with key " + std::to_string(userKey));
}

Response Backend::Status(unsigned timeoutMs) {
  const TClock::time_point started = TClock::Now();
  ZelAPresenceServer api(kClientName, "status");
  Timed<ZelTServerStatus> status(timeoutMs);
  Response error;
  if (!Account(Judge("QueryServerStatus", api.QueryServerStatus(m_server, status), status), started, error))
    return error;
  return JsonReply(http::status::ok, zeljson::ToJson(status));
}

Response Backend::Users(const UserFilter& filter) const {
  std::vector<std::pair<long, std::string>> users;
  m_mirror.Users().ForEach([&](const ZelTUserPresence& user) {
    if (filter.Matches(user)) users.emplace_back(user.GetUserKey(), zeljson::UserText(user, ZelTPresenceChange::PART_ALL));
  });
  std::sort(users.begin(), users.end());
  std::string body = std::string("{\"current\":") + (m_mirror.IsCurrent() ? "true" : "false") +
                     ",\"heardAgoMs\":" + std::to_string(m_mirror.HeardAgoMs());
  const std::string why = m_mirror.WhyNotCurrent();
  if (!why.empty()) body += ",\"reason\":" + zeljson::Text(zeljson::Json(why));
  body += ",\"users\":[";
  for (std::size_t i = 0; i < users.size(); ++i) body += (i ? "," : "") + users[i].second;
  body += "]}";
  return TextReply(http::status::ok, "application/json", std::move(body));
}

Response Backend::User(long userKey) const {
  ZelTUserPresence user;
  if (!m_mirror.Users().Copy(userKey, user)) return NoSuchUser(userKey);
  return JsonReply(http::status::ok, zeljson::ToJson(user));
}

Response Backend::Act(long userKey, const zeljson::UserAction& action, unsigned timeoutMs) {
  static const std::map<ZelTUserPresence::Action, const char*> kCalls = {
      {ZelTUserPresence::ACTION_SET_ROUTING_STATE, "SetRoutingState"},
      {ZelTUserPresence::ACTION_SET_PRIMARY_CONTACT, "SetPrimaryContact"},
      {ZelTUserPresence::ACTION_SET_RECOVERY_MODE, "SetRecoveryMode"},
      {ZelTUserPresence::ACTION_SET_CONTACT_ASSIST, "SetContactAssist"},
      {ZelTUserPresence::ACTION_SUBMIT_WRAPUP, "SubmitWrapup"},
      {ZelTUserPresence::ACTION_REQUEST_POST_PROCESSING, "RequestPostProcessing"},
      {ZelTUserPresence::ACTION_EXIT_POST_PROCESSING, "ExitPostProcessing"},
      {ZelTUserPresence::ACTION_CANCEL_MANDATORY_POST_PROCESSING, "CancelMandatoryPostProcessing"},
  };
  Response error;
  std::string userId;
  if (!LookUp(userKey, userId, error)) return error;
  const TClock::time_point started = TClock::Now();
  Timed<ZelAUserPresence> user(timeoutMs, kClientName, "action");
  user.SetUserKey(userKey);
  user.SetUserID(userId);
  const auto call = kCalls.find(action.action);
  const CallOutcome outcome =
      Judge(call == kCalls.end() ? "Query" : call->second, zeljson::Send(user, m_server, action), user);
  if (!Account(outcome, started, error)) return error;
  return JsonReply(http::status::ok,
                   zeljson::Json{{"request", zeljson::RequestJson(user)}, {"outcome", zeljson::OutcomeJson(user)}});
}

Response Backend::AddCapability(const ZelTAddCapability& request, unsigned timeoutMs) {
  const TClock::time_point started = TClock::Now();
  ZelAPresenceServer api(kClientName, "capability");
  Timed<ZelTAddCapability> add(timeoutMs);
  static_cast<ZelTAddCapability&>(add) = request;
  Response error;
  if (!Account(Judge("AddCapability", api.AddCapability(m_server, add), add), started, error)) return error;
  return JsonReply(http::status::ok,
                   zeljson::Json{{"request", zeljson::RequestJson(add)}, {"outcome", zeljson::OutcomeJson(add)}});
}

Response Backend::RemoveCapability(const ZelTRemoveCapability& request, unsigned timeoutMs) {
  const TClock::time_point started = TClock::Now();
  ZelAPresenceServer api(kClientName, "capability");
  Timed<ZelTRemoveCapability> remove(timeoutMs);
  static_cast<ZelTRemoveCapability&>(remove) = request;
  Response error;
  if (!Account(Judge("RemoveCapability", api.RemoveCapability(m_server, remove), remove), started, error)) return error;
  return JsonReply(http::status::ok,
                   zeljson::Json{{"request", zeljson::RequestJson(remove)}, {"outcome", zeljson::OutcomeJson(remove)}});
}

}  // namespace zelgw
