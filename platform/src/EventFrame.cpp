#include "EventFrame.h"

#include "zelclnt/platform/TPack.h"

namespace zelplatform {
namespace {

constexpr std::uint32_t kEventMagic = 0x5456455A;  // "ZEVT"
constexpr std::uint8_t kVersion = 1;

}  // namespace

std::string EventTypePrefix(std::int32_t eventType) {
  TPack pack;
  pack.AppendFixed32(static_cast<std::uint32_t>(eventType));
  return std::string(pack.Contents(), pack.Length());
}

EventHeaderBytes EncodeEventHeader(const EventHeader& header) {
  EventHeaderBytes bytes{};
  TPack pack(0);
  pack.SetBuffer(bytes.data(), static_cast<unsigned long>(bytes.size()));
  pack.AppendFixed32(static_cast<std::uint32_t>(header.eventType));
  pack.AppendFixed32(kEventMagic);
  const std::uint8_t versionAndReserved[4] = {kVersion, 0, 0, 0};
  pack.Append(versionAndReserved, sizeof versionAndReserved);
  pack.AppendFixed64(header.incarnation);
  pack.AppendFixed64(header.sequence);
  return bytes;
}

bool DecodeEventHeader(const void* bytes, std::size_t size, EventHeader& header) {
  if (size != kEventHeaderSize) return false;
  TPack pack(bytes, static_cast<unsigned long>(size));
  std::uint32_t type = 0;
  std::uint32_t magic = 0;
  pack.RemoveFixed32(type);
  pack.RemoveFixed32(magic);
  const std::uint8_t version = static_cast<std::uint8_t>(pack.Contents()[0]);
  pack.Behead(4);
  pack.RemoveFixed64(header.incarnation);
  pack.RemoveFixed64(header.sequence);
  header.eventType = static_cast<std::int32_t>(type);
  return magic == kEventMagic && version == kVersion && header.incarnation != 0 && header.sequence != 0;
}

std::string EncodeHeartbeat(const std::map<std::int32_t, std::uint64_t>& lastSequences) {
  TPack pack;
  for (const auto& [type, sequence] : lastSequences) {
    pack.AppendFixed32(static_cast<std::uint32_t>(type));
    pack.AppendFixed64(sequence);
  }
  return std::string(pack.Contents(), pack.Length());
}

bool DecodeHeartbeat(const void* bytes, std::size_t size, LastSequences& entries) {
  entries.clear();
  if (size % kHeartbeatEntrySize != 0) return false;
  TPack pack(bytes, static_cast<unsigned long>(size));
  std::uint32_t type = 0;
  std::uint64_t sequence = 0;
  while (entries.size() < kMaxHeartbeatEntries && pack.RemoveFixed32(type) && pack.RemoveFixed64(sequence))
    entries.emplace_back(static_cast<std::int32_t>(type), sequence);
  return true;
}

}  // namespace zelplatform
