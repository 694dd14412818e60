#include "UserJson.h"

#include "RecordJson.h"

namespace zeljson {

Json ToJson(const ZelTUserPresence& user) {
  return Json{{"userKey", user.GetUserKey()},
              {"userId", user.GetUserID()},
              {"extension", user.GetExtension()},
              {"associatedLine", user.GetAssociatedLine()},
              {"siteKey", user.GetSiteKey()},
              {"businessUnitKey", user.GetBusUnitKey()},
              {"teamKey", user.GetTeamKey()},
              {"groupId", user.GetGroupID()},
              {"media", ToJson(user.GetMediaStates())},
              {"routingState", ToJson(user.GetRoutingState())},
              {"handling", ToJson(user.GetHandlingStates())},
              {"presenceState", ToJson(user.GetPresenceState())},
              {"presenceStateExDirectContact", ToJson(user.GetPresenceStateExDirectContact())},
              {"capability", ToJson(user.GetUserCapability())},
              {"flags", ToJson(user.GetUserFlags())},
              {"silentMonitoring", ToJson(user.GetSilentMonitoringColl())},
              {"currentTime", TimeJson(user.GetTickCount())}};
}

}  // namespace zeljson
