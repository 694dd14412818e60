#include "Backend.h"

#include <map>
#include <utility>

#include "RequestJson.h"
#include "UserJson.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace zelgw {

namespace {

// A call sending a copy of `request`; `answer` writes its response when it
// succeeds.
template <typename Request>
std::shared_ptr<PendingCall> Call(std::string name, const Request& request, unsigned timeoutMs,
                                  std::function<Response(const ZelTRequest&)> answer) {
  auto call = std::make_shared<PendingCall>();
  call->name = std::move(name);
  call->request = std::make_unique<Request>(request);
  call->timeoutMs = timeoutMs;
  call->answer = std::move(answer);
  return call;
}

template <typename Request>
Response RequestAndOutcome(const ZelTRequest& reply) {
  const auto& request = static_cast<const Request&>(reply);
  return JsonReply(http::status::ok,
                   zeljson::Json{{"request", zeljson::RequestJson(request)}, {"outcome", zeljson::OutcomeJson(request)}});
}

const char* ActionCallName(ZelTUserPresence::Action action) {
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
  const auto call = kCalls.find(action);
  return call == kCalls.end() ? "Query" : call->second;
}

}  // namespace

Response Backend::NoSuchUser(long userKey) const {
  return ErrorReply(http::status::not_found, "ERR_INVALID_USER",
                    "no user with key " + std::to_string(userKey));
}

// Written from the records the store's indexes select, outside its lock:
// the mirror's writer is not held up however many users there are.
Response Backend::Users(const UserFilter& filter) const {
  std::string users;
  for (const ZelTUserStore::Shared& user : m_mirror.Users().Select(filter.Selection())) {
    if (!filter.Matches(*user)) continue;
    if (!users.empty()) users += ',';
    users += zeljson::UserText(*user, ZelTPresenceChange::PART_ALL);
  }
  std::string body = std::string("{\"current\":") + (m_mirror.IsCurrent() ? "true" : "false") +
                     ",\"heardAgoMs\":" + std::to_string(m_mirror.HeardAgoMs());
  const std::string why = m_mirror.WhyNotCurrent();
  if (!why.empty()) body += ",\"reason\":" + zeljson::Text(zeljson::Json(why));
  body += ",\"users\":[" + users + "]}";
  return TextReply(http::status::ok, "application/json", std::move(body));
}

Response Backend::User(long userKey) const {
  const ZelTUserStore::Shared user = m_mirror.Users().Get(userKey);
  if (!user) return NoSuchUser(userKey);
  return JsonReply(http::status::ok, zeljson::ToJson(*user));
}

std::shared_ptr<PendingCall> Backend::Status(unsigned timeoutMs) const {
  ZelTServerStatus status;
  status.SetAction(ZelTServerStatus::ACTION_QUERY);
  return Call("QueryServerStatus", status, timeoutMs, [](const ZelTRequest& reply) {
    return JsonReply(http::status::ok, zeljson::ToJson(static_cast<const ZelTServerStatus&>(reply)));
  });
}

std::shared_ptr<PendingCall> Backend::Act(long userKey, const zeljson::UserAction& action, unsigned timeoutMs,
                                          Response& refused) const {
  std::string userId;
  if (!m_mirror.Users().UserIdOf(userKey, userId)) {
    refused = NoSuchUser(userKey);
    return nullptr;
  }
  return Call(ActionCallName(action.action), zeljson::AimedUserPresence(userKey, userId, action), timeoutMs,
              RequestAndOutcome<ZelTUserPresence>);
}

std::shared_ptr<PendingCall> Backend::AddCapability(const ZelTAddCapability& request, unsigned timeoutMs) const {
  return Call("AddCapability", request, timeoutMs, RequestAndOutcome<ZelTAddCapability>);
}

std::shared_ptr<PendingCall> Backend::RemoveCapability(const ZelTRemoveCapability& request,
                                                       unsigned timeoutMs) const {
  return Call("RemoveCapability", request, timeoutMs, RequestAndOutcome<ZelTRemoveCapability>);
}

Response Backend::Finish(const PendingCall& call, ZelTPresenceServer::ActionResult result,
                         const TCallOutcome& failure) {
  const Verdict outcome = Judge(call.name, result, *call.request, failure);
  m_metrics.CountCall(outcome.call, outcome.OutcomeName(), outcome.Reason(), TClock::Now() - call.started);
  if (!outcome.succeeded) return JsonReply(StatusOf(outcome), ErrorJson(outcome, m_server));
  return call.answer(*call.request);
}

}  // namespace zelgw
