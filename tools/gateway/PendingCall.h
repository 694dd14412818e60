#pragma once
// One call to the presence server as the gateway makes it: the request it
// sends, the time-out it waits, and how a reply that succeeded becomes the
// response. The router makes it; the call queue sends it and hands it
// back to the backend, which judges and counts how it ended.

#include <functional>
#include <memory>
#include <string>

#include "Replies.h"
#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/platform/TClock.h"

namespace zelgw {

struct PendingCall {
  // As counted: "QueryServerStatus", "SetRoutingState", ...
  std::string name;
  std::unique_ptr<ZelTRequest> request;
  unsigned timeoutMs = 0;
  std::function<Response(const ZelTRequest&)> answer;
  TClock::time_point started;
};

}  // namespace zelgw
