#include "UserJson.h"

#include "RecordJson.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"

namespace zeljson {

namespace {

using Change = ZelTPresenceChange;

}  // namespace

Json ToJson(const ZelTUserPresence& user) { return ToJson(user, Change::PART_ALL); }

Json ToJson(const ZelTUserPresence& user, std::uint32_t parts) {
  Json json{{"userKey", user.GetUserKey()},
            {"userId", user.GetUserID()},
            {"extension", user.GetExtension()},
            {"associatedLine", user.GetAssociatedLine()},
            {"siteKey", user.GetSiteKey()},
            {"businessUnitKey", user.GetBusUnitKey()},
            {"teamKey", user.GetTeamKey()},
            {"groupId", user.GetGroupID()}};
  if (parts & Change::PART_MEDIA_STATES) json["media"] = ToJson(user.GetMediaStates());
  if (parts & Change::PART_ROUTING_STATE) json["routingState"] = ToJson(user.GetRoutingState());
  if (parts & Change::PART_HANDLING_STATES) json["handling"] = ToJson(user.GetHandlingStates());
  if (parts & Change::PART_PRESENCE_STATES) {
    json["presenceState"] = ToJson(user.GetPresenceState());
    json["presenceStateExDirectContact"] = ToJson(user.GetPresenceStateExDirectContact());
  }
  if (parts & Change::PART_CAPABILITY) json["capability"] = ToJson(user.GetUserCapability());
  if (parts & Change::PART_USER_FLAGS) json["flags"] = ToJson(user.GetUserFlags());
  if (parts & Change::PART_SILENT_MONITORING) json["silentMonitoring"] = ToJson(user.GetSilentMonitoringColl());
  if ((parts & Change::PART_ALL) == Change::PART_ALL) json["currentTime"] = TimeJson(user.GetTickCount());
  return json;
}

}  // namespace zeljson
