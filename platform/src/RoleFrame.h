#pragma once
// The answer to a question of a server's role (RPC type
// TRPCServer::kRoleRpcType, no call data), which the server's TRPCServer
// gives itself, in any role:
//
// magic "ZSRV" (4 ASCII bytes), version 1 (u8), role (u8: TServerRole),
// reserved (u16), term (u64), server id (u32); 20 bytes, little-endian.
// A reader takes the first 20 bytes of a longer answer: later versions
// may add fields after them.

#include <cstddef>
#include <string>

#include "zelclnt/platform/TServerRole.h"

namespace zelplatform {

constexpr std::size_t kRoleAnswerSize = 20;

std::string EncodeRoleAnswer(const TServerState& state);
// False unless the bytes begin with a whole answer of this version naming
// a known role.
bool DecodeRoleAnswer(const void* bytes, std::size_t size, TServerState& state);

}  // namespace zelplatform
