#pragma once
// The library's value records as JSON: media states and readiness, routing
// and presence states, user flags, capabilities, contacts with their
// post-processing, silent monitoring, presentities and integrated presence
// summaries. Members are named in camelCase after the record's accessors;
// enumerations and time stamps take the forms of JsonValues.h. Fields the
// library keeps local (the ANI, update flags, the campaign-director
// capability, the direct-contact exclusion flag) are never shown.
//
// A contact is named by {"contactId", "requeueCount"}; where a record may
// name no contact (an empty id with requeue count -1) that is null.
//
// The records a user holds are written by Write, straight into text (see
// JsonWriter.h), since a reply holds them by the thousand; their ToJson is
// that text read back, so that there is one mapping.
//
// Free of state; a record may be shown from any thread that may read it.

#include <string>

#include "JsonValues.h"
#include "zelclnt/model/ZelTCapability.h"
#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/model/ZelTMediaState.h"
#include "zelclnt/model/ZelTPostProcessing.h"
#include "zelclnt/model/ZelTPresenceState.h"
#include "zelclnt/model/ZelTRoutingState.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/model/ZelTUserFlags.h"
#include "zelclnt/state/TMediaReadiness.h"
#include "zelclnt/state/TMediaState.h"
#include "zelclnt/state/TSilentMonitoringInfo.h"

namespace zeljson {

class JsonWriter;

Json ContactJson(const std::string& contactId, long requeueCount);
// An unsigned error code as the summaries carry it.
Json ErrorCodeJson(unsigned long code);

void Write(JsonWriter& w, const TMediaState& state);
void Write(JsonWriter& w, const ZelTMediaStates& states);
void Write(JsonWriter& w, const ZelTRoutingState& state);
void Write(JsonWriter& w, const ZelTPresenceState& state);
void Write(JsonWriter& w, const ZelTUserFlags& flags);
void Write(JsonWriter& w, const ZelTDesktopCapability& capability);
void Write(JsonWriter& w, const ZelTUserCapability& capability);
void Write(JsonWriter& w, const ZelTPostProcessing& postProcessing);
void Write(JsonWriter& w, const ZelTHandlingState& state);
void Write(JsonWriter& w, const ZelTHandlingStates& states);
void Write(JsonWriter& w, const TSilentMonitoringInfo& info);
void Write(JsonWriter& w, const ZelTStdListPointerColl<TSilentMonitoringInfo>& infos);

Json ToJson(const TMediaState& state);
Json ToJson(const TMediaReadinessBase& readiness);
Json ToJson(const TMediaReadiness& readiness);
Json ToJson(const TSilentMonitoringInfo& info);
Json ToJson(const ZelTMediaStates& states);
Json ToJson(const ZelTRoutingState& state);
Json ToJson(const ZelTPresenceState& state);
Json ToJson(const ZelTUserFlags& flags);
Json ToJson(const ZelTDesktopCapability& capability);
Json ToJson(const ZelTUserCapability& capability);
Json ToJson(const ZelTPostProcessing& postProcessing);
Json ToJson(const ZelTHandlingState& state);
Json ToJson(const ZelTHandlingStates& states);
Json ToJson(const ZelTPresentity& presentity);
Json ToJson(const ZelTIntegratedPresenceSummary& summary);

// A collection as an array of its records, in order.
template <typename T>
Json ToJson(const ZelTStdListPointerColl<T>& collection) {
  Json items = Json::array();
  for (const T* item : collection.GetList())
    if (item) items.push_back(ToJson(*item));
  return items;
}

}  // namespace zeljson
