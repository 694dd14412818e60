#pragma once
// The answer to a question of a server's role (RPC type
// TRPCServer::kRoleRpcType, no call data), which the server's TRPCServer
// gives itself, in any role:
//
// magic "ZSRV" (4 ASCII bytes), version 1 (u8), role (u8: TServerRole),
// reserved (u16), term (u64), server id (u32); then the server's figures:
// milliseconds in its role, take-overs, stand-downs, hand-overs, changes
// lost (u32 each). 40 bytes, little-endian. Readers of the first 20 bytes
// alone (earlier versions) ignore the figures; a reader takes the figures
// only from an answer that holds them whole, and ignores bytes beyond.

#include <cstddef>
#include <string>

#include "zelclnt/platform/TServerRole.h"

namespace zelplatform {

constexpr std::size_t kRoleAnswerSize = 20;
constexpr std::size_t kRoleAnswerWithFigures = 40;

std::string EncodeRoleAnswer(const TServerState& state);
// False unless the bytes begin with a whole answer of this version naming
// a known role; figures missing read as 0.
bool DecodeRoleAnswer(const void* bytes, std::size_t size, TServerState& state);

}  // namespace zelplatform
