#pragma once
// How one call to the presence server ended, in HTTP's terms: the status
// that fits it, and the JSON error a refused or failed call is answered
// with. Every error the gateway sends, its own included, has the one form
//
//   {"error": {"code": "...", "message": "...", ...}}
//
// where code is stable for a program to test: the library's error code
// name when the presence server refused ("ERR_INVALID_STATE"), the
// transport's reason when the call never got an answer ("timed_out",
// "connection_refused", ...), or the gateway's own ("bad_request",
// "forbidden", ...).
//
// Statuses: refused as no such user 404; as invalid in the user's state 409;
// as not allowed 403; as bad input 400; as not ready 503; any other refusal
// 502; no answer at all 502, or 504 when the time-out passed first.
//
// Free of state: a call's failure comes with the call, never from a thread.

#include <boost/beast/http/status.hpp>
#include <string>

#include "JsonValues.h"
#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/platform/TFramework.h"

namespace zelgw {

namespace http = boost::beast::http;

struct Verdict {
  std::string call;
  bool succeeded = false;
  ZelTPresenceServer::ErrorCode error = ZelTPresenceServer::ERR_NONE;
  TCallFailure failure = TCallFailure::None;
  std::string failureText;

  // For metrics: "succeeded", "refused" or "failed", and why.
  std::string OutcomeName() const;
  std::string Reason() const;
};

Verdict Judge(std::string call, ZelTPresenceServer::ActionResult returned, const ZelTRequest& request,
                  const TCallOutcome& failure);

http::status StatusOf(const Verdict& outcome);
zeljson::Json ErrorJson(const Verdict& outcome, const std::string& server);
zeljson::Json ErrorJson(const std::string& code, const std::string& message);

}  // namespace zelgw
