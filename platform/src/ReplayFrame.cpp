#include "ReplayFrame.h"

#include <cstring>

#include "zelclnt/platform/TPack.h"

namespace zelplatform {
namespace {

constexpr std::uint32_t kRequestMagic = 0x5150525A;  // "ZRPQ"
constexpr std::uint32_t kAnswerMagic = 0x4150525A;   // "ZRPA"
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kRequestHeadSize = 32;

// Reads a count and that many values of 4 or 8 bytes, but only as many as
// the bytes hold and the cap allows; false otherwise.
template <typename Value>
bool ReadCounted(TPack& pack, std::size_t cap, std::vector<Value>& values) {
  std::uint32_t count = 0;
  if (!pack.RemoveFixed32(count) || count > cap || count > pack.Length() / sizeof(Value)) return false;
  values.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    Value value{};
    if constexpr (sizeof(Value) == 4) {
      std::uint32_t raw = 0;
      pack.RemoveFixed32(raw);
      value = static_cast<Value>(raw);
    } else {
      std::uint64_t raw = 0;
      pack.RemoveFixed64(raw);
      value = static_cast<Value>(raw);
    }
    values.push_back(value);
  }
  return true;
}

void PutFixed32(std::string& into, std::size_t at, std::uint32_t value) {
  const std::uint32_t wire = TPack::LittleEndian(value);
  std::memcpy(&into[at], &wire, sizeof wire);
}

void PutFixed64(std::string& into, std::size_t at, std::uint64_t value) {
  const std::uint64_t wire = TPack::LittleEndian(value);
  std::memcpy(&into[at], &wire, sizeof wire);
}

}  // namespace

std::string EncodeReplayRequest(const ReplayRequest& request) {
  TPack pack;
  pack.AppendFixed32(kRequestMagic);
  const std::uint8_t versionAndReserved[4] = {kVersion, 0, 0, 0};
  pack.Append(versionAndReserved, sizeof versionAndReserved);
  pack.AppendFixed64(request.incarnation);
  pack.AppendFixed64(request.after);
  pack.AppendFixed32(request.maxEvents);
  pack.AppendFixed32(request.maxBytes);
  pack.AppendFixed32(static_cast<std::uint32_t>(request.types.size()));
  for (const std::int32_t type : request.types) pack.AppendFixed32(static_cast<std::uint32_t>(type));
  pack.AppendFixed32(static_cast<std::uint32_t>(request.users.size()));
  for (const std::int64_t user : request.users) pack.AppendFixed64(static_cast<std::uint64_t>(user));
  return std::string(pack.Contents(), pack.Length());
}

bool DecodeReplayRequest(const void* bytes, std::size_t size, ReplayRequest& request) {
  if (size < kRequestHeadSize) return false;
  TPack pack(bytes, static_cast<unsigned long>(size));
  std::uint32_t magic = 0;
  pack.RemoveFixed32(magic);
  const std::uint8_t version = static_cast<std::uint8_t>(pack.Contents()[0]);
  pack.Behead(4);
  pack.RemoveFixed64(request.incarnation);
  pack.RemoveFixed64(request.after);
  pack.RemoveFixed32(request.maxEvents);
  pack.RemoveFixed32(request.maxBytes);
  return magic == kRequestMagic && version == kVersion && ReadCounted(pack, kMaxReplayTypes, request.types) &&
         ReadCounted(pack, kMaxReplayUsers, request.users) && pack.Length() == 0;
}

ReplayAnswerWriter::ReplayAnswerWriter(ReplayStatus status, std::uint64_t incarnation, std::uint64_t last)
    : m_bytes(kHeadSize, '\0') {
  PutFixed32(m_bytes, 0, kAnswerMagic);
  m_bytes[4] = static_cast<char>(kVersion);
  m_bytes[5] = static_cast<char>(status);
  PutFixed64(m_bytes, 8, incarnation);
  PutFixed64(m_bytes, 16, last);
}

void ReplayAnswerWriter::Add(std::int32_t eventType, std::int64_t userKey, std::uint64_t position,
                             const std::string& bytes) {
  const std::size_t at = m_bytes.size();
  m_bytes.resize(at + kEventHeadSize);
  PutFixed32(m_bytes, at, static_cast<std::uint32_t>(eventType));
  PutFixed64(m_bytes, at + 4, static_cast<std::uint64_t>(userKey));
  PutFixed64(m_bytes, at + 12, position);
  PutFixed32(m_bytes, at + 20, static_cast<std::uint32_t>(bytes.size()));
  m_bytes += bytes;
  ++m_count;
}

std::string ReplayAnswerWriter::Finish(std::uint64_t through) {
  PutFixed64(m_bytes, 24, through);
  PutFixed32(m_bytes, 32, m_count);
  return std::move(m_bytes);
}

bool DecodeReplayAnswer(const void* bytes, std::size_t size, ReplayAnswer& answer) {
  answer.events.clear();
  if (size < ReplayAnswerWriter::kHeadSize) return false;
  TPack pack(bytes, static_cast<unsigned long>(size));
  std::uint32_t magic = 0;
  std::uint32_t count = 0;
  pack.RemoveFixed32(magic);
  const std::uint8_t version = static_cast<std::uint8_t>(pack.Contents()[0]);
  const std::uint8_t status = static_cast<std::uint8_t>(pack.Contents()[1]);
  pack.Behead(4);
  pack.RemoveFixed64(answer.incarnation);
  pack.RemoveFixed64(answer.last);
  pack.RemoveFixed64(answer.through);
  pack.RemoveFixed32(count);
  if (magic != kAnswerMagic || version != kVersion || status > 2) return false;
  answer.status = static_cast<ReplayStatus>(status);
  std::uint64_t previous = 0;
  while (pack.Length() > 0) {
    ReplayedEvent event;
    std::uint32_t type = 0;
    std::uint64_t user = 0;
    std::uint32_t eventSize = 0;
    if (!pack.RemoveFixed32(type) || !pack.RemoveFixed64(user) || !pack.RemoveFixed64(event.position) ||
        !pack.RemoveFixed32(eventSize) || !pack.CanRemove(eventSize))
      return false;
    if (event.position <= previous || event.position > answer.through) return false;
    previous = event.position;
    event.eventType = static_cast<std::int32_t>(type);
    event.userKey = static_cast<std::int64_t>(user);
    event.data = pack.Contents();
    event.size = eventSize;
    pack.Behead(eventSize);
    answer.events.push_back(event);
  }
  return answer.events.size() == count && (answer.status == ReplayStatus::Events || count == 0);
}

}  // namespace zelplatform
