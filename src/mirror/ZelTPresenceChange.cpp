#include "zelclnt/mirror/ZelTPresenceChange.h"

#include "ZelTextTable.h"

namespace {

using Change = ZelTPresenceChange;

constexpr ZelTextEntry kPartTexts[] = {
    {Change::PART_IDENTITY, "Identity"},
    {Change::PART_MEDIA_STATES, "MediaStates"},
    {Change::PART_ROUTING_STATE, "RoutingState"},
    {Change::PART_HANDLING_STATES, "HandlingStates"},
    {Change::PART_PRESENCE_STATES, "PresenceStates"},
    {Change::PART_CAPABILITY, "Capability"},
    {Change::PART_USER_FLAGS, "UserFlags"},
    {Change::PART_SILENT_MONITORING, "SilentMonitoring"},
};

constexpr ZelTextEntry kSyncTexts[] = {
    {Change::SYNC_FIRST, "first"},
    {Change::SYNC_RESTARTED, "server restarted"},
    {Change::SYNC_LOST, "events lost beyond the replay"},
    {Change::SYNC_SWITCHED, "another server serves"},
};

std::string PositionText(const TEventPosition& position) {
  if (!position.IsKnown()) return "unknown";
  return std::to_string(position.incarnation) + "/" + std::to_string(position.position);
}

}  // namespace

std::string ZelTPresenceChange::PartsToString(std::uint32_t parts) {
  std::string text;
  for (const ZelTextEntry& entry : kPartTexts) {
    if ((parts & static_cast<std::uint32_t>(entry.value)) == 0) continue;
    if (!text.empty()) text += ",";
    text += entry.text;
  }
  return text.empty() ? "None" : text;
}

std::string ZelTPresenceChange::ToString(enKind kind) {
  static constexpr ZelTextEntry kKindTexts[] = {
      {CHANGE_USER, "User"},           {CHANGE_USER_ADDED, "UserAdded"}, {CHANGE_USER_REMOVED, "UserRemoved"},
      {CHANGE_READINESS, "Readiness"}, {CHANGE_SYNCED, "Synced"},        {CHANGE_LINK_DOWN, "LinkDown"},
      {CHANGE_LINK_UP, "LinkUp"},      {CHANGE_REFUSED, "Refused"},     {CHANGE_TWO_SERVING, "TwoServing"},
  };
  return ZelTextOrInvalid(kKindTexts, kind);
}

std::string ZelTPresenceChange::ToString() const {
  std::string text = ToString(kind);
  switch (kind) {
    case CHANGE_USER:
    case CHANGE_USER_ADDED:
    case CHANGE_USER_REMOVED:
      text += " " + std::to_string(userKey) + " " + PartsToString(parts);
      break;
    case CHANGE_READINESS:
      text += " medium " + std::to_string(medium);
      break;
    case CHANGE_SYNCED:
      text += std::string(" (") + ZelTextOrInvalid(kSyncTexts, syncCause) + ")";
      break;
    default:
      break;
  }
  text += " at " + PositionText(position);
  if (replayed) text += " replayed";
  return text;
}
