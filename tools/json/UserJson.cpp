#include "UserJson.h"

#include "JsonWriter.h"
#include "RecordJson.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"

namespace zeljson {

namespace {

using Change = ZelTPresenceChange;

}  // namespace

void Write(JsonWriter& w, const ZelTUserPresence& user, std::uint32_t parts) {
  w.BeginObject();
  w.Key("userKey");
  w.Integer(user.GetUserKey());
  w.Key("userId");
  w.String(user.GetUserID());
  w.Key("extension");
  w.String(user.GetExtension());
  w.Key("associatedLine");
  w.String(user.GetAssociatedLine());
  w.Key("siteKey");
  w.Integer(user.GetSiteKey());
  w.Key("businessUnitKey");
  w.Integer(user.GetBusUnitKey());
  w.Key("teamKey");
  w.Integer(user.GetTeamKey());
  w.Key("groupId");
  w.String(user.GetGroupID());
  if (parts & Change::PART_MEDIA_STATES) {
    w.Key("media");
    Write(w, user.GetMediaStates());
  }
  if (parts & Change::PART_ROUTING_STATE) {
    w.Key("routingState");
    Write(w, user.GetRoutingState());
  }
  if (parts & Change::PART_HANDLING_STATES) {
    w.Key("handling");
    Write(w, user.GetHandlingStates());
  }
  if (parts & Change::PART_PRESENCE_STATES) {
    w.Key("presenceState");
    Write(w, user.GetPresenceState());
    w.Key("presenceStateExDirectContact");
    Write(w, user.GetPresenceStateExDirectContact());
  }
  if (parts & Change::PART_CAPABILITY) {
    w.Key("capability");
    Write(w, user.GetUserCapability());
  }
  if (parts & Change::PART_USER_FLAGS) {
    w.Key("flags");
    Write(w, user.GetUserFlags());
  }
  if (parts & Change::PART_SILENT_MONITORING) {
    w.Key("silentMonitoring");
    Write(w, user.GetSilentMonitoringColl());
  }
  if ((parts & Change::PART_ALL) == Change::PART_ALL) {
    w.Key("currentTime");
    w.Time(user.GetTickCount());
  }
  w.EndObject();
}

std::string UserText(const ZelTUserPresence& user, std::uint32_t parts) {
  std::string text;
  JsonWriter writer(text);
  Write(writer, user, parts);
  return text;
}

Json ToJson(const ZelTUserPresence& user) { return Json::parse(UserText(user, Change::PART_ALL)); }

Json ToJson(const ZelTUserPresence& user, std::uint32_t parts) { return Json::parse(UserText(user, parts)); }

}  // namespace zeljson
