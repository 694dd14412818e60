#pragma once
// The user actions as JSON, both ways, and the one place that turns an
// action into its library call.
//
// An action is named by its path name ("routing-state", "wrapup", ...) and
// carries the members of its kind only:
//
//   routing-state            {"state", "reason", "synchronous"}
//   primary-contact          {"contactId", "requeueCount"}
//   recovery-mode            {"on"}
//   contact-assist           {"on"}
//   wrapup                   {"contactId", "requeueCount", "queueKey", "sequenceNumber", "reasons"}
//   post-processing-request  {"contactId", "requeueCount", "reason"}
//   post-processing-exit     {"contactId", "requeueCount"}
//   post-processing-cancel   {"contactId", "requeueCount"}
//
// The state, contact id and flag are required; every other member defaults
// to 0, false or no reasons. ToJson writes every member of the action's
// kind, so an action written and read again is the same action; RequestJson
// shows what a user-presence request object carries for its action after a
// call. Free of state; one request object serves one thread.

#include <list>
#include <string>

#include "JsonValues.h"
#include "zelclnt/core/ZelAUserPresence.h"

namespace zeljson {

struct UserAction {
  ZelTUserPresence::Action action = ZelTUserPresence::ACTION_NONE;
  ZelTRoutingState::enRoutingState state = ZelTRoutingState::ROUTINGSTATE_AVAILABLE;
  // Of the routing state, or of the post-processing asked for.
  long reason = 0;
  bool synchronous = false;
  // Recovery mode or contact assistance.
  bool on = false;
  std::string contactId;
  long requeueCount = 0;
  long queueKey = 0;
  long sequenceNumber = 0;
  std::list<long> reasons;
};

// Null for an action without a path name (none, query, internal ACD state).
const char* ActionPathName(ZelTUserPresence::Action action);
// False for a name no action has.
bool ActionFromPathName(const std::string& name, ZelTUserPresence::Action& action);

// False, with the first fault in *error, for a body that is not exactly the
// action's members, each valid. `action` must have a path name.
bool FromJson(ZelTUserPresence::Action action, const Json& body, UserAction& userAction, std::string* error);
Json ToJson(const UserAction& userAction);

// The action its request object holds (what travels for its action).
UserAction ActionOf(const ZelTUserPresence& request);
// {"action": <enumeration>, "userKey", "userId", the action's members}.
Json RequestJson(const ZelTUserPresence& request);

// A user's request holding an action and its members as the library's
// method of the action sets them before it sends: for a call started
// without waiting.
class AimedUserPresence : public ZelTUserPresence {
 public:
  AimedUserPresence(long userKey, const std::string& userId, const UserAction& action);

 private:
  void AimAtContact(const UserAction& action);
};

}  // namespace zeljson
