#include "StoredRecord.h"

#include <cstdint>
#include <cstring>

#include "ZelTUserPresenceControl.h"
#include "zelclnt/platform/TPack.h"

namespace zelbridge {

namespace {

constexpr char kMark[4] = {'Z', 'U', 'R', '1'};

}  // namespace

std::string EncodeRecord(const ZelTUserPresence& user, const TEventPosition& at) {
  // As a users query's reply carries each record, packed as it stands:
  // a copy to set its action took as long as the packing.
  TPack record;
  ZelTUserPresenceControl::PackQueryReply(record, user);

  TPack value;
  value.Append(kMark, sizeof kMark);
  value.AppendFixed64(at.incarnation);
  value.AppendFixed64(at.position);
  value.AppendFixed32(static_cast<std::uint32_t>(record.Length()));
  value.Append(record.Contents(), record.Length());
  return std::string(value.Contents(), value.Length());
}

std::optional<StoredRecord> DecodeRecord(const void* data, std::size_t size) {
  if (data == nullptr || size < sizeof kMark || std::memcmp(data, kMark, sizeof kMark) != 0) return std::nullopt;
  TPack value(data, static_cast<unsigned long>(size));
  value.Behead(sizeof kMark);
  StoredRecord stored;
  std::uint32_t length = 0;
  if (!value.RemoveFixed64(stored.at.incarnation) || !value.RemoveFixed64(stored.at.position) ||
      !value.RemoveFixed32(length) || length != value.Length())
    return std::nullopt;
  stored.user.UnpackRequest(value);
  // A read cut short consumes nothing: what was left tells it.
  if (value.Length() != 0 || stored.user.GetAction() != ZelTUserPresence::ACTION_QUERY ||
      stored.user.GetActionResult() != ZelTPresenceServer::ACTION_SUCCEEDED)
    return std::nullopt;
  return stored;
}

}  // namespace zelbridge
