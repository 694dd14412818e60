#pragma once
// The one JSON form of an error, for every tool that speaks JSON:
//
//   {"error": {"code": "...", "message": "...", "errorCode": <enumeration>}}
//
// code is stable for a program to test: the library's error code name when
// the presence server refused ("ERR_INVALID_STATE", and errorCode beside
// it), the transport's reason when a call never got an answer
// ("timed_out", "connection_refused", ...), "no_answer" when no usable
// reply came, or the tool's own ("bad_request", ...). Free of state.

#include <string>

#include "JsonValues.h"
#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/platform/TFramework.h"

namespace zeljson {

Json ErrorJson(const std::string& code, const std::string& message);
// The code of a call that failed (failure not None) or was refused.
std::string FailureCode(TCallFailure failure, ZelTPresenceServer::ErrorCode error);
// A failed or refused call's error, with errorCode when it was refused.
Json CallErrorJson(TCallFailure failure, ZelTPresenceServer::ErrorCode error, const std::string& message);

}  // namespace zeljson
