// Versions, statuses and what every family of the C interface shares.

#include <algorithm>
#include <cstring>

#include "Handles.h"

static_assert(ZEL_E_NOT_SENT == -static_cast<int>(TCallFailure::NotSent),
              "failure kinds travel negated, in their order");

namespace zelclnt::capi {

// A C string ends at its first NUL: what follows one (a string the server
// sent may hold one) cannot be handed out, and is not counted either.
std::size_t CopyOut(const std::string& text, char* buffer, std::size_t size) noexcept {
  const std::size_t whole = std::min(text.size(), text.find('\0'));
  if (buffer && size > 0) {
    const std::size_t length = std::min(whole, size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
  }
  return whole;
}

void CopyKey(const std::string& key, char* buffer) noexcept {
  if (buffer) CopyOut(key, buffer, ZEL_KEY_BUFFER);
}

int StatusOf(TCallFailure kind) { return -static_cast<int>(kind); }

void RecordOutcome(zel_request& request, ZelTPresenceServer::ActionResult result,
                   const TCallOutcome& failure) {
  request.indexed = false;
  request.server = failure.server;
  request.elapsedUs = failure.elapsed.count();
  if (failure.kind != TCallFailure::None) {
    request.outcome = StatusOf(failure.kind);
    request.reason = failure.text;
  } else if (result == ZelTPresenceServer::ACTION_SUCCEEDED) {
    request.outcome = ZEL_OK;
    request.reason.clear();
  } else {
    request.outcome = ZEL_REFUSED;
    request.reason = "refused: " + ZelTPresenceServer::ToString(request.Request().GetErrorCode());
  }
}

}  // namespace zelclnt::capi

extern "C" {

const char* zel_version(void) { return ZELCLNT_VERSION_TEXT; }

int zel_abi_version(void) { return ZEL_ABI_VERSION; }

const char* zel_status_text(int status) {
  switch (status) {
    case ZEL_OK: return "ok";
    case ZEL_REFUSED: return "refused";
    case ZEL_EMPTY: return "nothing came";
    case ZEL_E_NO_SUCH_SERVER: return "no such server";
    case ZEL_E_CONNECTION_REFUSED: return "connection refused";
    case ZEL_E_TIMED_OUT: return "timed out";
    case ZEL_E_TOO_LARGE: return "too large";
    case ZEL_E_INTERRUPTED: return "interrupted";
    case ZEL_E_HANDLER_FAILED: return "handler failed";
    case ZEL_E_AUTHENTICATION_FAILED: return "authentication failed";
    case ZEL_E_NO_USABLE_KEYS: return "no usable keys";
    case ZEL_E_CLOSED_IN_HANDSHAKE: return "closed in handshake";
    case ZEL_E_NOT_PRESENCE_SERVER: return "not a presence server";
    case ZEL_E_OUTCOME_UNKNOWN: return "outcome unknown";
    case ZEL_E_BUSY: return "busy";
    case ZEL_E_CANCELLED: return "cancelled";
    case ZEL_E_TWO_SERVING: return "two serving";
    case ZEL_E_NOT_SENT: return "not sent";
    case ZEL_E_INVALID: return "invalid argument";
    case ZEL_E_STATE: return "not now";
    case ZEL_E_NO_MEMORY: return "out of memory";
    case ZEL_E_INTERNAL: return "internal error";
    case ZEL_E_FAILED: return "failed";
    default: return "unknown status";
  }
}

void zel_set_timeout_override(long timeout_ms) { TFramework::SetTimeoutOverride(timeout_ms); }

}  // extern "C"
