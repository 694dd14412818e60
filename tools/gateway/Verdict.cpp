#include "Verdict.h"

#include <utility>

#include "EnumJson.h"
#include "ErrorJson.h"

namespace zelgw {

namespace {

using PS = ZelTPresenceServer;
using Kind = TCallFailure;

struct Refusal {
  PS::ErrorCode code;
  http::status status;
};

constexpr Refusal kRefusals[] = {
    {PS::ERR_INVALID_USER, http::status::not_found},
    {PS::ERR_INVALID_AGENT, http::status::not_found},
    {PS::ERR_INVALID_STATE, http::status::conflict},
    {PS::ERR_INVALID_MEDIA, http::status::conflict},
    {PS::ERR_ITEM_NOT_FOUND, http::status::conflict},
    {PS::ERR_CAPABILITY_HANDLING_NAIL_UP_CALL, http::status::conflict},
    {PS::ERR_REQUEST_UNAUTHORIZED, http::status::forbidden},
    {PS::ERR_INVALID_PARAMETERS, http::status::bad_request},
    {PS::ERR_INVALID_DATA, http::status::bad_request},
    {PS::ERR_VALIDATION, http::status::bad_request},
    {PS::ERR_CAPABILITY_NOT_SUPPORTED, http::status::bad_request},
    {PS::ERR_SERVER_NOT_READY, http::status::service_unavailable},
    {PS::ERR_SHUTTING_DOWN, http::status::service_unavailable},
    {PS::ERR_INTERFACE_NOT_STARTED, http::status::service_unavailable},
    {PS::ERR_KVL_DOWN, http::status::service_unavailable},
};

}  // namespace

std::string Verdict::OutcomeName() const {
  if (succeeded) return "succeeded";
  return failure == Kind::None && error != PS::ERR_NONE ? "refused" : "failed";
}

std::string Verdict::Reason() const { return succeeded ? "" : zeljson::FailureCode(failure, error); }

Verdict Judge(std::string call, PS::ActionResult returned, const ZelTRequest& request,
                  const TCallOutcome& failure) {
  Verdict outcome;
  outcome.call = std::move(call);
  outcome.succeeded = returned == PS::ACTION_SUCCEEDED;
  if (outcome.succeeded) return outcome;
  outcome.error = request.GetErrorCode();
  outcome.failure = failure.kind;
  outcome.failureText = failure.text;
  return outcome;
}

http::status StatusOf(const Verdict& outcome) {
  if (outcome.succeeded) return http::status::ok;
  // An action that may have run when its server stopped answering timed out too.
  if (outcome.failure == Kind::TimedOut || outcome.failure == Kind::OutcomeUnknown)
    return http::status::gateway_timeout;
  // The library refused what the client asked for.
  if (outcome.failure == Kind::NotSent) return http::status::bad_request;
  if (outcome.failure != Kind::None) return http::status::bad_gateway;
  for (const Refusal& refusal : kRefusals)
    if (refusal.code == outcome.error) return refusal.status;
  return http::status::bad_gateway;
}

zeljson::Json ErrorJson(const std::string& code, const std::string& message) { return zeljson::ErrorJson(code, message); }

zeljson::Json ErrorJson(const Verdict& outcome, const std::string& server) {
  std::string message = outcome.call + " refused: " + zeljson::FailureCode(Kind::None, outcome.error);
  if (outcome.failure != Kind::None)
    message = outcome.call + " failed: " + outcome.failureText;
  else if (outcome.error == PS::ERR_NONE)
    message = outcome.call + " failed: no usable reply from " + server;
  return zeljson::CallErrorJson(outcome.failure, outcome.error, message);
}

}  // namespace zelgw
