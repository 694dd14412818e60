#include "RecordJson.h"

#include "EnumJson.h"
#include "JsonWriter.h"

namespace zeljson {

namespace {

// The one mapping is the writer's; a record as a JSON value is its text read
// back.
template <typename Record>
Json Written(const Record& record) {
  std::string text;
  JsonWriter writer(text);
  Write(writer, record);
  return Json::parse(text);
}

void Medium(JsonWriter& w, long medium) {
  if (medium >= 0 && medium < 64)
    w.Raw(EnumText(static_cast<KRVEnum::MEDIUM>(medium)));
  else
    w.Value(MediumJson(medium));
}

void Contact(JsonWriter& w, const std::string& contactId, long requeueCount) {
  if (contactId.empty() && requeueCount == -1) return w.Null();
  w.BeginObject();
  w.Key("contactId");
  w.String(contactId);
  w.Key("requeueCount");
  w.Integer(requeueCount);
  w.EndObject();
}

template <typename T>
void WriteAll(JsonWriter& w, const ZelTStdListPointerColl<T>& collection) {
  w.BeginArray();
  for (const T* item : collection.GetList())
    if (item) Write(w, *item);
  w.EndArray();
}

}  // namespace

Json ContactJson(const std::string& contactId, long requeueCount) {
  if (contactId.empty() && requeueCount == -1) return nullptr;
  return Json{{"contactId", contactId}, {"requeueCount", requeueCount}};
}

Json ErrorCodeJson(unsigned long code) {
  if (code > 0x7fffffffUL) return Named(static_cast<std::int64_t>(code), nullptr);
  return ToJson(static_cast<ZelTPresenceServer::ErrorCode>(code));
}

void Write(JsonWriter& w, const TMediaState& state) {
  w.BeginObject();
  w.Key("medium");
  Medium(w, state.media);
  w.Key("state");
  w.Raw(EnumText(state.state));
  w.Key("cause");
  w.Raw(EnumText(state.cause));
  w.Key("startTime");
  w.Time(state.startTime);
  w.EndObject();
}

void Write(JsonWriter& w, const ZelTMediaStates& states) {
  w.BeginArray();
  for (const ZelTMediaState* state : states.GetMediaStates().GetVector())
    if (state) Write(w, static_cast<const TMediaState&>(*state));
  w.EndArray();
}

void Write(JsonWriter& w, const ZelTRoutingState& state) {
  w.BeginObject();
  w.Key("state");
  w.Raw(EnumText(state.GetRoutingState()));
  w.Key("reason");
  w.Integer(state.GetRoutingStateReason());
  w.Key("initialSource");
  w.Raw(EnumText(state.GetInitialRoutingStateSource()));
  w.Key("startTime");
  w.Time(state.GetStartTime());
  w.EndObject();
}

void Write(JsonWriter& w, const ZelTPresenceState& state) {
  w.BeginObject();
  w.Key("state");
  w.Raw(EnumText(state.GetPresenceState()));
  w.Key("startTime");
  w.Time(state.GetStartTime());
  w.EndObject();
}

void Write(JsonWriter& w, const ZelTUserFlags& flags) {
  w.BeginObject();
  w.Key("phoneOnly");
  w.Bool(flags.IsPhoneOnly());
  w.Key("recoveryMode");
  w.Bool(flags.IsRecoveryModeOn());
  w.Key("recoveryModeStartTime");
  w.Time(flags.GetRecoveryModeStartTime());
  w.Key("contactAssist");
  w.Bool(flags.IsContactAssist());
  w.Key("contactAssistStartTime");
  w.Time(flags.GetContactAssistStartTime());
  w.EndObject();
}

void Write(JsonWriter& w, const ZelTDesktopCapability& capability) {
  w.BeginObject();
  w.Key("capability");
  w.Raw(EnumText(capability.GetCapability()));
  w.Key("cause");
  w.Raw(EnumText(capability.GetCause()));
  w.Key("startTime");
  w.Time(capability.GetStartTime());
  w.EndObject();
}

void Write(JsonWriter& w, const ZelTUserCapability& capability) {
  w.BeginObject();
  w.Key("desktop");
  Write(w, capability.GetDesktopCapability());
  w.EndObject();
}

void Write(JsonWriter& w, const ZelTPostProcessing& postProcessing) {
  const ZelTAutoPostProcessing& automatic = postProcessing.GetAutomatic();
  const ZelTMandatoryPostProcessing& mandatory = postProcessing.GetMandatory();
  const ZelTManualPostProcessing& manual = postProcessing.GetManual();
  w.BeginObject();
  w.Key("automatic");
  w.BeginObject();
  w.Key("status");
  w.Raw(EnumText(automatic.GetPostProcessingStatus()));
  w.Key("expiryTime");
  w.Time(automatic.GetExpiryTime());
  w.EndObject();
  w.Key("mandatory");
  w.BeginObject();
  w.Key("status");
  w.Raw(EnumText(mandatory.GetPostProcessingStatus()));
  w.Key("wrapupReceived");
  w.Bool(mandatory.IsWrapupReceived());
  w.EndObject();
  w.Key("manual");
  w.BeginObject();
  w.Key("status");
  w.Raw(EnumText(manual.GetPostProcessingStatus()));
  w.Key("reason");
  w.Integer(manual.GetReason());
  w.EndObject();
  w.EndObject();
}

void Write(JsonWriter& w, const ZelTHandlingState& state) {
  w.BeginObject();
  w.Key("contactId");
  w.String(state.contactId);
  w.Key("requeueCount");
  w.Integer(state.requeueCount);
  w.Key("reference");
  Contact(w, state.refId, state.refRequeueCount);
  w.Key("referenceType");
  w.Raw(EnumText(state.refType));
  w.Key("contactType");
  w.Raw(EnumText(state.contactType));
  w.Key("medium");
  Medium(w, state.media);
  w.Key("handlingCause");
  w.Raw(EnumText(state.handlingCause));
  w.Key("queueKey");
  w.Integer(state.queueKey);
  w.Key("priority");
  w.Integer(state.priority);
  w.Key("contactState");
  w.Raw(EnumText(state.contactState));
  w.Key("startTime");
  w.Time(state.startTime);
  w.Key("createdTime");
  w.Time(state.GetCreatedTime());
  w.Key("connectedTime");
  w.Time(state.GetConnectedTime());
  w.Key("primaryStartTime");
  w.Time(state.GetPrimaryStartTime());
  w.Key("postProcessing");
  Write(w, state.GetPostProcessingState());
  w.Key("reasons");
  w.BeginArray();
  for (long reason : state.GetReasons()) w.Integer(reason);
  w.EndArray();
  w.EndObject();
}

void Write(JsonWriter& w, const ZelTHandlingStates& states) {
  w.BeginObject();
  w.Key("contacts");
  WriteAll(w, states.GetHandlingStates());
  w.Key("primaryContact");
  Contact(w, states.GetPrimaryContactId(), states.GetPrimaryContactRC());
  w.Key("oldPrimaryContact");
  Contact(w, states.GetOldPrimaryContactId(), states.GetOldPrimaryContactRC());
  w.Key("primaryChangedTime");
  w.Time(states.GetPrimaryContactChangedTime());
  w.EndObject();
}

void Write(JsonWriter& w, const TSilentMonitoringInfo& info) {
  w.BeginObject();
  w.Key("contactId");
  w.String(info.contactId);
  w.Key("requeueCount");
  w.Integer(info.requeueCount);
  w.Key("extension");
  w.String(info.extension);
  w.Key("type");
  w.Raw(EnumText(info.type));
  w.EndObject();
}

void Write(JsonWriter& w, const ZelTStdListPointerColl<TSilentMonitoringInfo>& infos) { WriteAll(w, infos); }

Json ToJson(const TMediaState& state) { return Written(state); }
Json ToJson(const ZelTMediaStates& states) { return Written(states); }
Json ToJson(const ZelTRoutingState& state) { return Written(state); }
Json ToJson(const ZelTPresenceState& state) { return Written(state); }
Json ToJson(const ZelTUserFlags& flags) { return Written(flags); }
Json ToJson(const ZelTDesktopCapability& capability) { return Written(capability); }
Json ToJson(const ZelTUserCapability& capability) { return Written(capability); }
Json ToJson(const ZelTPostProcessing& postProcessing) { return Written(postProcessing); }
Json ToJson(const ZelTHandlingState& state) { return Written(state); }
Json ToJson(const ZelTHandlingStates& states) { return Written(states); }
Json ToJson(const TSilentMonitoringInfo& info) { return Written(info); }

Json ToJson(const TMediaReadinessBase& readiness) {
  return Json{
      {"medium", ToJson(readiness.media)}, {"state", ToJson(readiness.state)}, {"cause", ToJson(readiness.cause)}};
}

Json ToJson(const TMediaReadiness& readiness) {
  Json json = ToJson(static_cast<const TMediaReadinessBase&>(readiness));
  json["startTime"] = TimeJson(readiness.startTime);
  return json;
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
