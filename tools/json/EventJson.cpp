#include "EventJson.h"

#include <utility>

#include "EnumJson.h"
#include "RecordJson.h"

namespace zeljson {

namespace {

void Merge(Json& into, const Json& from) {
  for (const auto& member : from.items()) into[member.key()] = member.value();
}

Json Base(const ZelTEventBase& event) {
  return Json{{"userKey", event.GetUserKey()},          {"userId", event.GetUserID()},
              {"siteKey", event.GetSiteKey()},          {"businessUnitKey", event.GetBusinessUnitKey()},
              {"cause", ToJson(event.GetEventCause())}, {"resourceId", event.GetResourceId()}};
}

Json Details(const ZelTUserPresenceDetails& event) {
  Json json = Base(event);
  json["extension"] = event.GetExtension();
  json["associatedLine"] = event.GetAssociatedLine();
  json["teamKey"] = event.GetTeamKey();
  json["groupId"] = event.GetGroupID();
  json["media"] = ToJson(event.GetMediaStates());
  json["routingState"] = ToJson(event.GetRoutingState());
  json["handling"] = ToJson(event.GetHandlingStates());
  json["presenceState"] = ToJson(event.GetPresenceState());
  json["presenceStateExDirectContact"] = ToJson(event.GetPresenceStateExDirectContact());
  json["capability"] = ToJson(event.GetUserCapability());
  json["flags"] = ToJson(event.GetUserFlags());
  json["affectedContacts"] = ToJson(event.GetAffectedContacts());
  return json;
}

Json Record(const std::monostate&) { return Json::object(); }

Json Record(const ZelTUserMediaStateEvent& event) {
  Json json = Details(event);
  json["medium"] = MediumJson(event.GetMediaLong());
  return json;
}

Json Record(const ZelTUserRoutingStateEvent& event) { return Details(event); }
Json Record(const ZelTUserHandlingStateEvent& event) { return Details(event); }
Json Record(const ZelTUserRecoveryModeEvent& event) { return Details(event); }

Json Record(const ZelTUserContactQueueConsultedEvent& event) {
  Json json = Details(event);
  json["oldContact"] = ContactJson(event.GetOldContactId(), event.GetOldContactRequeueCount());
  json["newContact"] = ContactJson(event.GetNewContactId(), event.GetNewContactRequeueCount());
  return json;
}

Json Record(const ZelTPrimaryHandlingStateEvent& event) {
  Json json = Base(event);
  json["newContact"] = ContactJson(event.GetNewContactID(), event.GetNewRequeueCount());
  json["oldContact"] = ContactJson(event.GetOldContactID(), event.GetOldRequeueCount());
  return json;
}

Json Record(const ZelTWrapupSubmittedEvent& event) {
  Json json = Base(event);
  json["contactId"] = event.GetContactID();
  json["requeueCount"] = event.GetRequeueCount();
  json["queueKey"] = event.GetQueueKey();
  json["locationKey"] = event.GetLocationKey();
  json["sequenceNumber"] = event.GetSequenceNumber();
  json["reasons"] = event.GetWrapupReasons();
  return json;
}

Json Record(const ZelTUserContactAssistEvent& event) {
  Json json = Base(event);
  json["contactAssist"] = event.IsContactAssist();
  return json;
}

Json Record(const ZelTUserCapabilityEvent& event) {
  Json json = Base(event);
  json["capability"] = ToJson(event.GetUserCapability());
  return json;
}

Json Record(const ZelTUserMediaNotReadyEvent& event) {
  Json json = ToJson(static_cast<const TMediaReadinessBase&>(event));
  json["eventCause"] = ToJson(event.GetEventCause());
  json["allMedia"] = event.IsAllMediaNotReady();
  json["resourceId"] = event.GetResourceId();
  return json;
}

Json Record(const ZelTUserMediaReadyEvent& event) {
  Json json = ToJson(static_cast<const TMediaReadinessBase&>(event));
  json["eventCause"] = ToJson(event.GetEventCause());
  json["resourceId"] = event.GetResourceId();
  return json;
}

Json Record(const ZelTUserCapabilityNotReadyEvent& event) {
  return Json{{"eventCause", ToJson(event.GetEventCause())},
              {"capabilityType", ToJson(event.GetCapabilityType())},
              {"resourceId", event.GetResourceId()}};
}

Json Record(const ZelTUserCSMStateEvent& event) {
  Json json = Base(event);
  json["csmCause"] = ToJson(event.GetCSMStateCause());
  json["silentMonitoring"] = ToJson(event.GetSilentMonitoringColl());
  json["affectedSilentMonitoring"] = ToJson(event.GetAffectedSilentMonitoringColl());
  return json;
}

Json Record(const ZelTQueryIntegratedPresenceEvent& event) {
  return Json{{"summaries", ToJson(static_cast<const ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>&>(event))},
              {"resourceId", event.GetResourceId()}};
}

}  // namespace

Json ToJson(ZelTPresenceServer::enEvent type, const ZelTAnyEvent& event) {
  Json json{{"type", ToJson(type)}};
  Merge(json, std::visit([](const auto& record) { return Record(record); }, event));
  return json;
}

}  // namespace zeljson
