#pragma once
// What the simulator accepts as a call: a whole request header whose data
// size is the body's length and whose object type is the call's RPC type,
// and a body that is exactly one request of that type (read back and packed
// again, it has the same length). Anything else is answered with action
// result 1 and ERR_INVALID_DATA.

#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/platform/TRPC.h"

namespace zelsim {

// Reads the call into request; false when the bytes are not one.
bool ReadCall(const TRPC& rpc, ZelTRequest& request);

// The reply's outcome: result 0 for ERR_NONE, else 1 with the error.
void SetOutcome(ZelTRequest& reply, ZelTPresenceServer::ErrorCode error);

// Answers with the common part alone: result 1, ERR_INVALID_DATA.
void AnswerInvalidData(TRPC& rpc);

}  // namespace zelsim
