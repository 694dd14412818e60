#include "EventFrame.h"

#include "zelclnt/platform/TPack.h"

namespace zelplatform {
namespace {

constexpr std::uint32_t kEventMagic = 0x5056455A;        // "ZEVP"
constexpr std::uint32_t kLegacyEventMagic = 0x5456455A;  // "ZEVT"
constexpr std::uint8_t kVersion = 1;
constexpr std::uint8_t kLegacyVersion = 1;
constexpr std::uint8_t kStandby = 1;

std::string Finish(const TPack& pack) { return std::string(pack.Contents(), pack.Length()); }

}  // namespace

std::string EveryEventPrefix() {
  TPack pack;
  pack.AppendFixed32(kEventMagic);
  return Finish(pack);
}

std::string EventTypePrefix(std::int32_t eventType) {
  TPack pack;
  pack.AppendFixed32(kEventMagic);
  pack.AppendFixed32(static_cast<std::uint32_t>(eventType));
  return Finish(pack);
}

std::string EventUserPrefix(std::int32_t eventType, std::int64_t userKey) {
  TPack pack;
  pack.AppendFixed32(kEventMagic);
  pack.AppendFixed32(static_cast<std::uint32_t>(eventType));
  pack.AppendFixed64(static_cast<std::uint64_t>(userKey));
  return Finish(pack);
}

std::string LegacyTypePrefix(std::int32_t eventType) {
  TPack pack;
  pack.AppendFixed32(static_cast<std::uint32_t>(eventType));
  return Finish(pack);
}

bool IsCurrentPrefix(const std::string& prefix) { return prefix.rfind(EveryEventPrefix(), 0) == 0; }

EventHeaderBytes EncodeEventHeader(const EventHeader& header) {
  EventHeaderBytes bytes{};
  TPack pack(0);
  pack.SetBuffer(bytes.data(), static_cast<unsigned long>(bytes.size()));
  pack.AppendFixed32(kEventMagic);
  pack.AppendFixed32(static_cast<std::uint32_t>(header.eventType));
  pack.AppendFixed64(static_cast<std::uint64_t>(header.userKey));
  const std::uint8_t versionAndFlags[4] = {kVersion, header.standby ? kStandby : std::uint8_t{0}, 0, 0};
  pack.Append(versionAndFlags, sizeof versionAndFlags);
  pack.AppendFixed64(header.incarnation);
  pack.AppendFixed64(header.position);
  pack.AppendFixed64(header.typePrevious);
  pack.AppendFixed64(header.userPrevious);
  return bytes;
}

bool DecodeEventHeader(const void* bytes, std::size_t size, EventHeader& header) {
  if (size != kEventHeaderSize) return false;
  TPack pack(bytes, static_cast<unsigned long>(size));
  std::uint32_t magic = 0;
  std::uint32_t type = 0;
  std::uint64_t user = 0;
  pack.RemoveFixed32(magic);
  pack.RemoveFixed32(type);
  pack.RemoveFixed64(user);
  const std::uint8_t version = static_cast<std::uint8_t>(pack.Contents()[0]);
  header.standby = (static_cast<std::uint8_t>(pack.Contents()[1]) & kStandby) != 0;
  pack.Behead(4);
  pack.RemoveFixed64(header.incarnation);
  pack.RemoveFixed64(header.position);
  pack.RemoveFixed64(header.typePrevious);
  pack.RemoveFixed64(header.userPrevious);
  header.eventType = static_cast<std::int32_t>(type);
  header.userKey = static_cast<std::int64_t>(user);
  const bool positioned = header.position != 0 || header.eventType == kHeartbeatType;
  return magic == kEventMagic && version == kVersion && header.incarnation != 0 && positioned;
}

LegacyHeaderBytes EncodeLegacyHeader(std::int32_t eventType, std::uint64_t incarnation, std::uint64_t sequence) {
  LegacyHeaderBytes bytes{};
  TPack pack(0);
  pack.SetBuffer(bytes.data(), static_cast<unsigned long>(bytes.size()));
  pack.AppendFixed32(static_cast<std::uint32_t>(eventType));
  pack.AppendFixed32(kLegacyEventMagic);
  const std::uint8_t versionAndReserved[4] = {kLegacyVersion, 0, 0, 0};
  pack.Append(versionAndReserved, sizeof versionAndReserved);
  pack.AppendFixed64(incarnation);
  pack.AppendFixed64(sequence);
  return bytes;
}

std::string EncodeHeartbeat(const std::map<std::int32_t, std::uint64_t>& marks) {
  TPack pack;
  for (const auto& [type, mark] : marks) {
    pack.AppendFixed32(static_cast<std::uint32_t>(type));
    pack.AppendFixed64(mark);
  }
  return Finish(pack);
}

bool DecodeHeartbeat(const void* bytes, std::size_t size, TypeMarks& entries) {
  entries.clear();
  if (size % kHeartbeatEntrySize != 0) return false;
  TPack pack(bytes, static_cast<unsigned long>(size));
  std::uint32_t type = 0;
  std::uint64_t mark = 0;
  while (entries.size() < kMaxHeartbeatEntries && pack.RemoveFixed32(type) && pack.RemoveFixed64(mark))
    entries.emplace_back(static_cast<std::int32_t>(type), mark);
  return true;
}

}  // namespace zelplatform
