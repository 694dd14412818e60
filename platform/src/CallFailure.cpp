#include "CallFailure.h"

#include <cerrno>
#include <cstddef>
#include <iterator>
#include <utility>

#include "zelclnt/platform/TRPC.h"

namespace zelplatform {
namespace {

// What each failure says around the endpoint it concerns, by kind.
constexpr std::pair<const char*, const char*> kFailureTexts[] = {
    {"", ""},
    {"no such server: ", ""},
    {"connection refused by ", ""},
    {"timed out waiting for ", ""},
    {"message to or from ", " refused as too large"},
    {"interrupted: ", " shut down or dropped the connection before replying"},
    {"the handler of ", " failed"},
    {"authentication failed by ", ""},
    {"no usable keys to call ", ""},
    {"closed by ", " during the handshake: not a presence server, or a proxy with nothing behind it"},
    {"not a presence server: ", " does not speak its protocol"},
    {"outcome unknown: ", " after the call was sent; the action may or may not have been carried out"},
    {"busy: the call to ", " was not started: the request has a call in flight"},
    {"cancelled: the call to ", " was cancelled; if it was sent, it may still be carried out"},
    {"two servers serve: ", ""},
    {"not sent to ", ""},
};
static_assert(std::size(kFailureTexts) == static_cast<std::size_t>(CallStatus::NotSent) + 1,
              "a text for every kind");

}  // namespace

std::string FailureText(CallStatus status, const std::string& about, const std::string& detail) {
  const auto& [lead, tail] = kFailureTexts[static_cast<std::size_t>(status)];
  std::string text = lead + about + tail;
  if (!detail.empty()) text += ": " + detail;
  return text;
}

CallStatus StatusOfReply(long returnCode) {
  if (returnCode == TRPC::kHandlerFailed) return CallStatus::HandlerFailed;
  if (returnCode == TRPC::kRefusedTooLarge) return CallStatus::RefusedTooLarge;
  return CallStatus::None;
}

CallStatus StatusOfError(const zmq::error_t& error) {
  const int code = error.num();
  return code == EINVAL || code == EPROTONOSUPPORT || code == ENOCOMPATPROTO ? CallStatus::NoSuchServer
                                                                             : CallStatus::Interrupted;
}

}  // namespace zelplatform
