#include "RecordJson.h"

#include "EnumJson.h"

namespace zeljson {

Json ContactJson(const std::string& contactId, long requeueCount) {
  if (contactId.empty() && requeueCount == -1) return nullptr;
  return Json{{"contactId", contactId}, {"requeueCount", requeueCount}};
}

Json ErrorCodeJson(unsigned long code) {
  if (code > 0x7fffffffUL) return Named(static_cast<std::int64_t>(code), nullptr);
  return ToJson(static_cast<ZelTPresenceServer::ErrorCode>(code));
}

Json ToJson(const TMediaState& state) {
  return Json{{"medium", MediumJson(state.media)},
              {"state", ToJson(state.state)},
              {"cause", ToJson(state.cause)},
              {"startTime", TimeJson(state.startTime)}};
}

Json ToJson(const TMediaReadinessBase& readiness) {
  return Json{
      {"medium", ToJson(readiness.media)}, {"state", ToJson(readiness.state)}, {"cause", ToJson(readiness.cause)}};
}

Json ToJson(const TMediaReadiness& readiness) {
  Json json = ToJson(static_cast<const TMediaReadinessBase&>(readiness));
  json["startTime"] = TimeJson(readiness.startTime);
  return json;
}

Json ToJson(const TSilentMonitoringInfo& info) {
  return Json{{"contactId", info.contactId},
              {"requeueCount", info.requeueCount},
              {"extension", info.extension},
              {"type", ToJson(info.type)}};
}

Json ToJson(const ZelTMediaStates& states) {
  Json items = Json::array();
  for (const ZelTMediaState* state : states.GetMediaStates().GetVector())
    if (state) items.push_back(ToJson(static_cast<const TMediaState&>(*state)));
  return items;
}

Json ToJson(const ZelTRoutingState& state) {
  return Json{{"state", ToJson(state.GetRoutingState())},
              {"reason", state.GetRoutingStateReason()},
              {"initialSource", ToJson(state.GetInitialRoutingStateSource())},
              {"startTime", TimeJson(state.GetStartTime())}};
}

Json ToJson(const ZelTPresenceState& state) {
  return Json{{"state", ToJson(state.GetPresenceState())}, {"startTime", TimeJson(state.GetStartTime())}};
}

Json ToJson(const ZelTUserFlags& flags) {
  return Json{{"phoneOnly", flags.IsPhoneOnly()},
              {"recoveryMode", flags.IsRecoveryModeOn()},
              {"recoveryModeStartTime", TimeJson(flags.GetRecoveryModeStartTime())},
              {"contactAssist", flags.IsContactAssist()},
              {"contactAssistStartTime", TimeJson(flags.GetContactAssistStartTime())}};
}

Json ToJson(const ZelTDesktopCapability& capability) {
  return Json{{"capability", ToJson(capability.GetCapability())},
              {"cause", ToJson(capability.GetCause())},
              {"startTime", TimeJson(capability.GetStartTime())}};
}

Json ToJson(const ZelTUserCapability& capability) {
  return Json{{"desktop", ToJson(capability.GetDesktopCapability())}};
}

Json ToJson(const ZelTPostProcessing& postProcessing) {
  const ZelTAutoPostProcessing& automatic = postProcessing.GetAutomatic();
  const ZelTMandatoryPostProcessing& mandatory = postProcessing.GetMandatory();
  const ZelTManualPostProcessing& manual = postProcessing.GetManual();
  return Json{
      {"automatic",
       {{"status", ToJson(automatic.GetPostProcessingStatus())}, {"expiryTime", TimeJson(automatic.GetExpiryTime())}}},
      {"mandatory",
       {{"status", ToJson(mandatory.GetPostProcessingStatus())}, {"wrapupReceived", mandatory.IsWrapupReceived()}}},
      {"manual", {{"status", ToJson(manual.GetPostProcessingStatus())}, {"reason", manual.GetReason()}}}};
}

Json ToJson(const ZelTHandlingState& state) {
  Json reasons = Json::array();
  for (long reason : state.GetReasons()) reasons.push_back(reason);
  return Json{{"contactId", state.contactId},
              {"requeueCount", state.requeueCount},
              {"reference", ContactJson(state.refId, state.refRequeueCount)},
              {"referenceType", ToJson(state.refType)},
              {"contactType", ToJson(state.contactType)},
              {"medium", MediumJson(state.media)},
              {"handlingCause", ToJson(state.handlingCause)},
              {"queueKey", state.queueKey},
              {"priority", state.priority},
              {"contactState", ToJson(state.contactState)},
              {"startTime", TimeJson(state.startTime)},
              {"createdTime", TimeJson(state.GetCreatedTime())},
              {"connectedTime", TimeJson(state.GetConnectedTime())},
              {"primaryStartTime", TimeJson(state.GetPrimaryStartTime())},
              {"postProcessing", ToJson(state.GetPostProcessingState())},
              {"reasons", std::move(reasons)}};
}

Json ToJson(const ZelTHandlingStates& states) {
  return Json{{"contacts", ToJson(states.GetHandlingStates())},
              {"primaryContact", ContactJson(states.GetPrimaryContactId(), states.GetPrimaryContactRC())},
              {"oldPrimaryContact", ContactJson(states.GetOldPrimaryContactId(), states.GetOldPrimaryContactRC())},
              {"primaryChangedTime", TimeJson(states.GetPrimaryContactChangedTime())}};
}

Json ToJson(const ZelTPresentity& presentity) {
  return Json{{"presenceId", presentity.GetPresenceId()},
              {"userName", presentity.GetZorbUserName()},
              {"extension", presentity.GetExtension()}};
}

Json ToJson(const ZelTIntegratedPresenceSummary& summary) {
  Json json = ToJson(static_cast<const ZelTPresentity&>(summary));
  json["presence"] = ToJson(summary.GetIntegratedPresence());
  json["source"] = ToJson(summary.GetIntegratedPresenceSource());
  json["voiceMediaStatus"] = ToJson(summary.GetVoiceMediaStatus());
  json["routingStateReason"] = summary.GetRoutingStateReason();
  json["routingStateReasonType"] = ToJson(summary.GetRoutingStateReasonType());
  json["presenceResult"] = ErrorCodeJson(summary.GetPresenceQueryResult());
  json["userNameResult"] = ErrorCodeJson(summary.GetZorbQueryResult());
  json["extensionResult"] = ErrorCodeJson(summary.GetExtensionQueryResult());
  json["result"] = ErrorCodeJson(summary.GetResultCode());
  return json;
}

}  // namespace zeljson
