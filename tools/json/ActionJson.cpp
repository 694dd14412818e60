#include "ActionJson.h"

#include <utility>

#include "EnumJson.h"
#include "JsonInput.h"

namespace zeljson {

namespace {

using User = ZelTUserPresence;

struct PathName {
  User::Action action;
  const char* name;
};

constexpr PathName kPathNames[] = {
    {User::ACTION_SET_ROUTING_STATE, "routing-state"},
    {User::ACTION_SET_PRIMARY_CONTACT, "primary-contact"},
    {User::ACTION_SET_RECOVERY_MODE, "recovery-mode"},
    {User::ACTION_SET_CONTACT_ASSIST, "contact-assist"},
    {User::ACTION_SUBMIT_WRAPUP, "wrapup"},
    {User::ACTION_REQUEST_POST_PROCESSING, "post-processing-request"},
    {User::ACTION_EXIT_POST_PROCESSING, "post-processing-exit"},
    {User::ACTION_CANCEL_MANDATORY_POST_PROCESSING, "post-processing-cancel"},
};

void ReadContact(InputObject& in, UserAction& out) {
  in.String("contactId", out.contactId, Need::Required);
  in.Integer("requeueCount", out.requeueCount, Need::Optional);
}

void ReadMembers(InputObject& in, UserAction& out) {
  switch (out.action) {
    case User::ACTION_SET_ROUTING_STATE:
      if (const Json* state = in.Member("state", Need::Required)) {
        std::string why;
        if (!ParseEnum(*state, "a routing state", ZelTRoutingState::ROUTINGSTATE_AVAILABLE,
                       ZelTRoutingState::ROUTINGSTATE_UNKNOWN, out.state, &why))
          in.Reject("state", why);
      }
      in.Integer("reason", out.reason, Need::Optional);
      in.Bool("synchronous", out.synchronous, Need::Optional);
      return;
    case User::ACTION_SET_RECOVERY_MODE:
    case User::ACTION_SET_CONTACT_ASSIST:
      in.Bool("on", out.on, Need::Required);
      return;
    case User::ACTION_SUBMIT_WRAPUP:
      ReadContact(in, out);
      in.Integer("queueKey", out.queueKey, Need::Optional);
      in.Integer("sequenceNumber", out.sequenceNumber, Need::Optional);
      in.Integers("reasons", out.reasons, Need::Optional);
      return;
    case User::ACTION_REQUEST_POST_PROCESSING:
      ReadContact(in, out);
      in.Integer("reason", out.reason, Need::Optional);
      return;
    default:
      ReadContact(in, out);
      return;
  }
}

Json Contact(const UserAction& action) {
  return Json{{"contactId", action.contactId}, {"requeueCount", action.requeueCount}};
}

}  // namespace

const char* ActionPathName(User::Action action) {
  for (const PathName& entry : kPathNames)
    if (entry.action == action) return entry.name;
  return nullptr;
}

bool ActionFromPathName(const std::string& name, User::Action& action) {
  for (const PathName& entry : kPathNames)
    if (name == entry.name) {
      action = entry.action;
      return true;
    }
  return false;
}

bool FromJson(User::Action action, const Json& body, UserAction& userAction, std::string* error) {
  UserAction read;
  read.action = action;
  InputObject in(body);
  ReadMembers(in, read);
  if (!in.Finish()) {
    if (error) *error = in.Error();
    return false;
  }
  userAction = std::move(read);
  return true;
}

Json ToJson(const UserAction& action) {
  switch (action.action) {
    case User::ACTION_SET_ROUTING_STATE:
      return Json{{"state", ToJson(action.state)}, {"reason", action.reason}, {"synchronous", action.synchronous}};
    case User::ACTION_SET_RECOVERY_MODE:
    case User::ACTION_SET_CONTACT_ASSIST:
      return Json{{"on", action.on}};
    case User::ACTION_SUBMIT_WRAPUP: {
      Json json = Contact(action);
      json["queueKey"] = action.queueKey;
      json["sequenceNumber"] = action.sequenceNumber;
      json["reasons"] = action.reasons;
      return json;
    }
    case User::ACTION_REQUEST_POST_PROCESSING: {
      Json json = Contact(action);
      json["reason"] = action.reason;
      return json;
    }
    case User::ACTION_SET_PRIMARY_CONTACT:
    case User::ACTION_EXIT_POST_PROCESSING:
    case User::ACTION_CANCEL_MANDATORY_POST_PROCESSING:
      return Contact(action);
    default:
      return Json::object();
  }
}

UserAction ActionOf(const User& request) {
  UserAction action;
  action.action = request.GetAction();
  action.state = request.GetRoutingState().GetRoutingState();
  action.synchronous = request.GetRequestMode() == ZelTRequest::REQUESTMODE_SYNC;
  action.on = request.GetAction() == User::ACTION_SET_RECOVERY_MODE ? request.GetUserFlags().IsRecoveryModeOn()
                                                                    : request.GetUserFlags().IsContactAssist();
  action.contactId = request.GetContactID();
  action.requeueCount = request.GetRequeueCount();
  if (request.GetAction() == User::ACTION_SET_ROUTING_STATE) {
    action.reason = request.GetRoutingState().GetRoutingStateReason();
  } else if (request.GetAction() == User::ACTION_SUBMIT_WRAPUP) {
    request.GetSubmitWrapupInfo(action.queueKey, action.sequenceNumber, action.reasons);
  } else if (request.GetAction() == User::ACTION_REQUEST_POST_PROCESSING) {
    const std::list<long> reasons = request.GetReasons();
    action.reason = reasons.empty() ? 0 : reasons.front();
  }
  return action;
}

Json RequestJson(const User& request) {
  Json json{{"action", Named(request.GetAction(), request.Action_ToString(), request.Action_ToString() != "Invalid")},
            {"userKey", request.GetUserKey()},
            {"userId", request.GetUserID()}};
  const Json members = ToJson(ActionOf(request));
  for (const auto& member : members.items()) json[member.key()] = member.value();
  return json;
}

// As the library's method of the action leaves the request before it
// sends it.
AimedUserPresence::AimedUserPresence(long userKey, const std::string& userId, const UserAction& action) {
  SetUserKey(userKey);
  SetUserID(userId);
  switch (action.action) {
    case User::ACTION_SET_ROUTING_STATE:
      SetState(action.state);
      SetRoutingStateReason(action.reason);
      if (action.synchronous) SetRequestMode(User::REQUESTMODE_SYNC);
      break;
    case User::ACTION_SET_RECOVERY_MODE: SetRecoveryModeFlag(action.on); break;
    case User::ACTION_SET_CONTACT_ASSIST: SetContactAssistFlag(action.on); break;
    case User::ACTION_SUBMIT_WRAPUP: {
      std::list<long> reasons = action.reasons;
      reasons.push_front(action.sequenceNumber);
      reasons.push_front(action.queueKey);
      SetReasons(reasons);
      AimAtContact(action);
      break;
    }
    case User::ACTION_REQUEST_POST_PROCESSING:
      SetReasons({action.reason});
      AimAtContact(action);
      break;
    case User::ACTION_SET_PRIMARY_CONTACT:
    case User::ACTION_EXIT_POST_PROCESSING:
    case User::ACTION_CANCEL_MANDATORY_POST_PROCESSING: AimAtContact(action); break;
    default: break;
  }
  SetAction(action.action);
}

void AimedUserPresence::AimAtContact(const UserAction& action) {
  SetContactID(action.contactId);
  SetRequeueCount(action.requeueCount);
}

}  // namespace zeljson
