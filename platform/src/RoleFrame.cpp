#include "RoleFrame.h"

#include "zelclnt/platform/TPack.h"

namespace zelplatform {
namespace {

constexpr std::uint32_t kRoleMagic = 0x5652535A;  // "ZSRV"
constexpr std::uint8_t kRoleVersion = 1;

}  // namespace

std::string EncodeRoleAnswer(const TServerState& state) {
  TPack pack;
  pack.AppendFixed32(kRoleMagic);
  const std::uint8_t head[4] = {kRoleVersion, static_cast<std::uint8_t>(state.role), 0, 0};
  pack.Append(head, sizeof head);
  pack.AppendFixed64(state.term);
  pack.AppendFixed32(state.id);
  return std::string(pack.Contents(), pack.Length());
}

bool DecodeRoleAnswer(const void* bytes, std::size_t size, TServerState& state) {
  if (size < kRoleAnswerSize) return false;
  TPack pack(bytes, static_cast<unsigned long>(kRoleAnswerSize));
  std::uint32_t magic = 0;
  pack.RemoveFixed32(magic);
  const auto version = static_cast<std::uint8_t>(pack.Contents()[0]);
  const auto role = static_cast<std::uint8_t>(pack.Contents()[1]);
  pack.Behead(4);
  if (magic != kRoleMagic || version != kRoleVersion || role > static_cast<std::uint8_t>(TServerRole::ShuttingDown))
    return false;
  state.role = static_cast<TServerRole>(role);
  pack.RemoveFixed64(state.term);
  pack.RemoveFixed32(state.id);
  return true;
}

}  // namespace zelplatform
