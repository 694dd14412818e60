// Reads a server's answer to the role question; one read is written back
// to the same bytes (its first 20, and its figures when it holds them).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "RoleFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TServerState state;
  if (!zelplatform::DecodeRoleAnswer(data, size, state)) return 0;
  if (size < zelplatform::kRoleAnswerSize || state.role > TServerRole::ShuttingDown) __builtin_trap();
  // The reserved bytes are not kept.
  if (data[6] != 0 || data[7] != 0) return 0;
  const std::string again = zelplatform::EncodeRoleAnswer(state);
  const std::size_t kept =
      size < zelplatform::kRoleAnswerWithFigures ? zelplatform::kRoleAnswerSize : zelplatform::kRoleAnswerWithFigures;
  if (std::memcmp(again.data(), data, kept) != 0) __builtin_trap();
  return 0;
}
