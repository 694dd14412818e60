#include "RequestJson.h"

#include "EnumJson.h"
#include "JsonInput.h"
#include "JsonWriter.h"
#include "RecordJson.h"
#include "UserJson.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"

namespace zeljson {

namespace {

template <typename Setter>
bool ReadCapability(const Json& json, ZelTCapabilityRequest& request, Setter setParameters, std::string* error) {
  InputObject in(json);
  long userKey = 0;
  std::string parameters;
  ZelTUserCapability::enCapabilityType type = ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR;
  in.Integer("userKey", userKey, Need::Required);
  in.String("parameters", parameters, Need::Optional);
  std::string why;
  if (const Json* member = in.Member("type", Need::Optional))
    if (!ParseEnum(*member, "a capability type", ZelTUserCapability::CAPABILITY_DESKTOP,
                   ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR, type, &why))
      in.Reject("type", why);
  if (!in.Finish()) {
    if (error) *error = in.Error();
    return false;
  }
  request.SetUserKey(userKey);
  request.SetCapabilityType(type);
  setParameters(parameters);
  return true;
}

}  // namespace

Json OutcomeJson(const ZelTRequest& request) {
  return Json{{"actionResult", ToJson(request.GetActionResult())},
              {"errorCode", ToJson(request.GetErrorCode())},
              {"requestMode", ToJson(request.GetRequestMode())}};
}

Json ToJson(const ZelTServerStatus& status) {
  return Json{{"serverName", status.GetServerName()},
              {"serverType", ToJson(status.GetServerType())},
              {"description", status.GetDescription()},
              {"host", status.GetHost()},
              {"port", status.GetPort()},
              {"valueA", status.GetValueA()},
              {"valueB", status.GetValueB()},
              {"up", status.IsUp()},
              {"currentStatus", ToJson(status.GetCurrentStatus())},
              {"previousStatus", ToJson(status.GetPreviousStatus())},
              {"statusChangedAt", TimeJson(status.GetStatusChangedAt())},
              {"flag", status.GetFlag()},
              {"secondStateChangedAt", TimeJson(status.GetSecondStateChangedAt())},
              {"serverStartedAt", status.GetServerStartedAt()},
              {"watchdogAddress", status.GetWatchdogAddr()},
              {"adminAddress", status.GetAdminAddr()},
              {"shutdown", status.IsShutdown()},
              {"integrationEnabled", status.IsKvlEnabled()},
              {"heartbeatIntervalMs", status.GetHeartbeatInterval()}};
}

Json RequestJson(const ZelTQueryUsersPresence& query) { return Json{{"queryType", ToJson(query.GetQueryType())}}; }

bool FromJson(const Json& json, ZelTQueryUsersPresence& query, std::string* error) {
  InputObject in(json);
  ZelTQueryUsersPresence::enQueryType type = ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS;
  std::string why;
  if (const Json* member = in.Member("queryType", Need::Required))
    if (!ParseEnum(*member, "a query type", ZelTQueryUsersPresence::QUERYTYPE_LOGGED_ON_USERS,
                   ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS, type, &why))
      in.Reject("queryType", why);
  if (!in.Finish()) {
    if (error) *error = in.Error();
    return false;
  }
  query.SetQueryType(type);
  return true;
}

std::string UsersText(const ZelTQueryUsersPresence& query) {
  std::string text;
  // Some 4 KB a full user: one buffer, not one copied at each doubling.
  text.reserve(static_cast<std::size_t>(query.GetUsersPresence().Size()) * 4096 + 16);
  JsonWriter writer(text);
  writer.BeginObject();
  writer.Key("users");
  writer.BeginArray();
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList())
    if (user) Write(writer, *user, ZelTPresenceChange::PART_ALL);
  writer.EndArray();
  writer.EndObject();
  return text;
}

Json ToJson(const ZelTQueryUsersPresence& query) { return Json::parse(UsersText(query)); }

Json ToJson(const ZelTQueryUserMediumStatus& query) {
  Json media = Json::array();
  for (const TMediaReadiness* readiness : query.GetMediumStatus().GetVector())
    if (readiness) media.push_back(ToJson(*readiness));
  return Json{{"media", std::move(media)}};
}

Json RequestJson(const ZelTQueryIntegratedPresence& query) {
  return Json{{"presentities", ToJson(static_cast<const ZelTStdListPointerColl<ZelTPresentity>&>(query))},
              {"userId", query.GetUserId()},
              {"agentId", query.GetAgentId()}};
}

bool FromJson(const Json& json, ZelTQueryIntegratedPresence& query, std::string* error) {
  InputObject in(json);
  std::string userId;
  std::string password;
  std::string agentId;
  in.String("userId", userId, Need::Optional);
  in.String("password", password, Need::Optional);
  in.String("agentId", agentId, Need::Optional);
  std::list<ZelTPresentity> presentities;
  if (const Json* list = in.Member("presentities", Need::Required)) {
    if (!list->is_array() || list->size() > ZelTQueryIntegratedPresence::kMaxRecords) {
      in.Reject("presentities", "expected a list of at most " +
                                    std::to_string(ZelTQueryIntegratedPresence::kMaxRecords) + " presentities");
    } else {
      for (const Json& item : *list) {
        InputObject fields(item, "presentity");
        std::string presenceId, userName, extension;
        fields.String("presenceId", presenceId, Need::Required);
        fields.String("userName", userName, Need::Optional);
        fields.String("extension", extension, Need::Optional);
        if (!fields.Finish()) {
          in.Reject("presentities", fields.Error());
          break;
        }
        presentities.emplace_back();
        presentities.back().SetPresenceId(presenceId);
        presentities.back().SetZorbUserName(userName);
        presentities.back().SetExtension(extension);
      }
    }
  }
  if (!in.Finish()) {
    if (error) *error = in.Error();
    return false;
  }
  query.ClearList();
  for (const ZelTPresentity& presentity : presentities) query.AddRecord(presentity);
  query.SetUserId(userId);
  query.SetUserPassword(password);
  query.SetAgentId(agentId);
  return true;
}

Json RequestJson(const ZelTCapabilityRequest& request) {
  return Json{{"userKey", request.GetUserKey()},
              {"type", ToJson(request.GetCapabilityTypeValue())},
              {"parameters", request.GetParameters()}};
}

bool FromJson(const Json& json, ZelTAddCapability& request, std::string* error) {
  return ReadCapability(
      json, request, [&request](const std::string& p) { request.SetParameter(p); }, error);
}

bool FromJson(const Json& json, ZelTRemoveCapability& request, std::string* error) {
  return ReadCapability(
      json, request, [&request](const std::string& p) { request.SetParameters(p); }, error);
}

}  // namespace zeljson
