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
  for (const std::uint32_t figure :
       {state.inRoleMs, state.takeOvers, state.standDowns, state.handOvers, state.lostChanges})
    pack.AppendFixed32(figure);
  return std::string(pack.Contents(), pack.Length());
}

bool DecodeRoleAnswer(const void* bytes, std::size_t size, TServerState& state) {
  if (size < kRoleAnswerSize) return false;
  const std::size_t read = size < kRoleAnswerWithFigures ? kRoleAnswerSize : kRoleAnswerWithFigures;
  TPack pack(bytes, static_cast<unsigned long>(read));
  std::uint32_t magic = 0;
  pack.RemoveFixed32(magic);
  const auto version = static_cast<std::uint8_t>(pack.Contents()[0]);
  const auto role = static_cast<std::uint8_t>(pack.Contents()[1]);
  pack.Behead(4);
  if (magic != kRoleMagic || version != kRoleVersion || role > static_cast<std::uint8_t>(TServerRole::ShuttingDown))
    return false;
  TServerState told;
  told.role = static_cast<TServerRole>(role);
  pack.RemoveFixed64(told.term);
  pack.RemoveFixed32(told.id);
  for (std::uint32_t* figure : {&told.inRoleMs, &told.takeOvers, &told.standDowns, &told.handOvers, &told.lostChanges})
    if (pack.CanRemove(4)) pack.RemoveFixed32(*figure);
  state = told;
  return true;
}

}  // namespace zelplatform
