#pragma once
// The query and capability requests as JSON, both ways.
//
// Each request has two forms. RequestJson is what a caller asks, and
// FromJson reads that form back (strictly, see JsonInput.h): a request
// written and read again asks the same. ToJson is what a successful reply
// filled in. OutcomeJson is any request's common part after a call: action
// result, error code and request mode.
//
// The integrated presence query's password is read but never written: no
// JSON this library makes holds it.
//
// Free of state; one request object serves one thread.

#include <string>

#include "JsonValues.h"
#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace zeljson {

Json OutcomeJson(const ZelTRequest& request);

Json ToJson(const ZelTServerStatus& status);

Json RequestJson(const ZelTQueryUsersPresence& query);
bool FromJson(const Json& json, ZelTQueryUsersPresence& query, std::string* error);
// {"users": [...]}, in the reply's order; its text written in one go.
Json ToJson(const ZelTQueryUsersPresence& query);
std::string UsersText(const ZelTQueryUsersPresence& query);

// {"media": [...]}: one readiness record per medium.
Json ToJson(const ZelTQueryUserMediumStatus& query);

Json RequestJson(const ZelTQueryIntegratedPresence& query);
bool FromJson(const Json& json, ZelTQueryIntegratedPresence& query, std::string* error);

Json RequestJson(const ZelTCapabilityRequest& request);
bool FromJson(const Json& json, ZelTAddCapability& request, std::string* error);
bool FromJson(const Json& json, ZelTRemoveCapability& request, std::string* error);

}  // namespace zeljson
