#include "AdminFrame.h"

#include "zelclnt/platform/TPack.h"

namespace zelsim {
namespace {

constexpr std::uint32_t kCallMagic = 0x4D44415A;    // "ZADM"
constexpr std::uint32_t kAnswerMagic = 0x4144415A;  // "ZADA"
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kCallSize = 32;
constexpr std::size_t kAnswerHead = 20;

std::string Finish(const TPack& pack) { return std::string(pack.Contents(), pack.Length()); }

// Magic, version, and the byte after it; false unless they are this kind's.
bool ReadHead(TPack& pack, std::uint32_t magic, std::uint8_t& next) {
  std::uint32_t seen = 0;
  if (!pack.RemoveFixed32(seen) || seen != magic || !pack.CanRemove(4)) return false;
  const auto version = static_cast<std::uint8_t>(pack.Contents()[0]);
  next = static_cast<std::uint8_t>(pack.Contents()[1]);
  pack.Behead(4);
  return version == kVersion;
}

}  // namespace

std::string EncodeAdminCall(const AdminCall& call) {
  TPack pack;
  pack.AppendFixed32(kCallMagic);
  const std::uint8_t head[4] = {kVersion, 0, 0, 0};
  pack.Append(head, sizeof head);
  pack.AppendFixed64(call.term);
  pack.AppendFixed64(call.through.incarnation);
  pack.AppendFixed64(call.through.position);
  return Finish(pack);
}

bool DecodeAdminCall(const void* bytes, std::size_t size, AdminCall& call) {
  if (size != kCallSize) return false;
  TPack pack(bytes, static_cast<unsigned long>(size));
  std::uint8_t reserved = 0;
  return ReadHead(pack, kCallMagic, reserved) && pack.RemoveFixed64(call.term) &&
         pack.RemoveFixed64(call.through.incarnation) && pack.RemoveFixed64(call.through.position);
}

std::string EncodeAdminAnswer(const AdminAnswer& answer) {
  const std::string text = answer.text.substr(0, kMaxAdminText);
  TPack pack;
  pack.AppendFixed32(kAnswerMagic);
  const std::uint8_t head[4] = {kVersion, static_cast<std::uint8_t>(answer.done ? 0 : 1), 0, 0};
  pack.Append(head, sizeof head);
  pack.AppendFixed64(answer.term);
  pack.AppendFixed32(static_cast<std::uint32_t>(text.size()));
  pack.Append(text.data(), text.size());
  return Finish(pack);
}

bool DecodeAdminAnswer(const void* bytes, std::size_t size, AdminAnswer& answer) {
  TPack pack(bytes, static_cast<unsigned long>(size));
  std::uint8_t outcome = 0;
  std::uint32_t length = 0;
  if (size < kAnswerHead || !ReadHead(pack, kAnswerMagic, outcome) || outcome > 1 ||
      !pack.RemoveFixed64(answer.term) || !pack.RemoveFixed32(length) || length > kMaxAdminText ||
      length != pack.Length())
    return false;
  answer.done = outcome == 0;
  answer.text.assign(pack.Contents(), length);
  return true;
}

}  // namespace zelsim
