#pragma once
// Every enumeration of the library in its JSON form (see JsonValues.h): the
// library's own text as the name, null where it has none. Enumerations the
// library gives no text (action results, server types and statuses,
// post-processing statuses, the query actions) are named here, in the
// library's manner. Nothing here writes a diagnostic line, whatever the
// value: a hostile peer's values must not flood the log.
//
// ParseEnum reads an enumeration a caller sends: its name (any case), its
// number, or the object form written here; only values with a name are
// taken. All functions are free of state; any thread may call them.

#include <cstdint>
#include <string>

#include "JsonValues.h"
#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/events/ZelTEventBase.h"
#include "zelclnt/model/ZelTCapability.h"
#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/model/ZelTPostProcessing.h"
#include "zelclnt/model/ZelTPresenceState.h"
#include "zelclnt/model/ZelTRoutingState.h"
#include "zelclnt/platform/KRVEnum.h"
#include "zelclnt/platform/TGenericStatus.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/state/TStateEnums.h"

namespace zeljson {

Json ToJson(ZelTPresenceServer::ActionResult value);
Json ToJson(ZelTPresenceServer::ErrorCode value);
Json ToJson(ZelTPresenceServer::enEvent value);
Json ToJson(ZelTRequest::RequestMode value);
Json ToJson(ZelTQueryUsersPresence::enQueryType value);
Json ToJson(ZelTUserCapability::enCapabilityType value);
Json ToJson(ZelTIntegratedPresenceSummary::IntegratedPresence value);
Json ToJson(ZelTIntegratedPresenceSummary::IntegratedPresenceSource value);
Json ToJson(ZelTIntegratedPresenceSummary::MediaStatus value);
Json ToJson(ZelTIntegratedPresenceSummary::RoutingStateReasonType value);
Json ToJson(KRVEnum::MEDIUM value);
// Records that keep the medium as a long.
Json MediumJson(long medium);
Json ToJson(enMediaState value);
Json ToJson(enMediaStateCause value);
Json ToJson(enReadinessState value);
Json ToJson(enReadinessCause value);
Json ToJson(enSilentMonitoringType value);
Json ToJson(enRefType value);
Json ToJson(THandlingStateEnum::enContactType value);
Json ToJson(enContactState value);
Json ToJson(enHandlingCause value);
Json ToJson(TMediaServerCommonEnum::enCSMStateCause value);
Json ToJson(ZelTRoutingState::enRoutingState value);
Json ToJson(ZelTRoutingState::enInitialRoutingStateSource value);
Json ToJson(ZelTPresenceState::enPresenceState value);
Json ToJson(ZelTDesktopCapability::enDesktopCapability value);
Json ToJson(ZelTDesktopCapability::enDesktopCapabilityCause value);
Json ToJson(ZelTEventBase::enEventCause value);
Json ToJson(Generic::SERVERTYPES value);
Json ToJson(TGenericStatus::eServerStatus value);
Json ToJson(ZelTPostProcessingStatus::enPostProcessingStatus value);

// Reads into value one of first..last that has a name. False, with a line
// naming `what` and the names taken in *error, for anything else.
bool ParseEnumValue(const Json& json, const char* what, std::int32_t first, std::int32_t last,
                    Json (*named)(std::int32_t), std::int32_t& value, std::string* error);

template <typename E>
bool ParseEnum(const Json& json, const char* what, E first, E last, E& value, std::string* error) {
  std::int32_t raw = 0;
  if (!ParseEnumValue(
          json, what, first, last, [](std::int32_t v) { return ToJson(static_cast<E>(v)); }, raw, error))
    return false;
  value = static_cast<E>(raw);
  return true;
}

}  // namespace zeljson
