#include "ErrorJson.h"

#include "EnumJson.h"

namespace zeljson {

namespace {

using Kind = TCallFailure;

struct FailureName {
  Kind kind;
  const char* code;
};

constexpr FailureName kFailures[] = {
    {Kind::NoSuchServer, "no_such_server"},
    {Kind::ConnectionRefused, "connection_refused"},
    {Kind::TimedOut, "timed_out"},
    {Kind::RefusedTooLarge, "too_large"},
    {Kind::Interrupted, "interrupted"},
    {Kind::HandlerFailed, "handler_failed"},
    {Kind::AuthenticationFailed, "authentication_failed"},
    {Kind::NoUsableKeys, "no_usable_keys"},
    {Kind::ClosedInHandshake, "closed_in_handshake"},
    {Kind::NotPresenceServer, "not_presence_server"},
    {Kind::OutcomeUnknown, "outcome_unknown"},
    {Kind::TwoServing, "two_serving"},
    {Kind::NotSent, "not_sent"},
    {Kind::Busy, "busy"},
    {Kind::Cancelled, "cancelled"},
};

}  // namespace

Json ErrorJson(const std::string& code, const std::string& message) {
  return Json{{"error", {{"code", code}, {"message", message}}}};
}

std::string FailureCode(Kind failure, ZelTPresenceServer::ErrorCode error) {
  for (const FailureName& name : kFailures)
    if (name.kind == failure) return name.code;
  if (error == ZelTPresenceServer::ERR_NONE) return "no_answer";
  const Json named = ToJson(error);
  return named["name"].is_null() ? std::to_string(static_cast<long>(error)) : named["name"].get<std::string>();
}

Json CallErrorJson(Kind failure, ZelTPresenceServer::ErrorCode error, const std::string& message) {
  Json json = ErrorJson(FailureCode(failure, error), message);
  if (failure == Kind::None && error != ZelTPresenceServer::ERR_NONE) json["error"]["errorCode"] = ToJson(error);
  return json;
}

}  // namespace zeljson
