#pragma once
// Every enumeration the library gives a text, by its name in the
// wire-format document: its text for a value, and what it writes for a
// value without a text of its own.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "zelclnt/zelclnt.h"

namespace enumerations {

using Text = std::function<std::string(std::int32_t)>;

struct Enumeration {
  Text text;
  // What the library writes for a value without a text of its own.
  Text fallback;
};

template <typename E>
inline Text Of(std::string (*toString)(E)) {
  return [toString](std::int32_t value) { return toString(static_cast<E>(value)); };
}

inline Text Always(const std::string& text) {
  return [text](std::int32_t) { return text; };
}

inline std::string UserActionText(std::int32_t value) {
  ZelTUserPresence user;
  user.SetAction(static_cast<ZelTUserPresence::Action>(value));
  return user.Action_ToString();
}

inline std::map<std::string, Enumeration> Library() {
  using PS = ZelTPresenceServer;
  using Summary = ZelTIntegratedPresenceSummary;
  const Text invalid = Always("Invalid");
  const Text unknownMember = Always("UNKNOWN ENUM MEMBER");
  return {
      {"ZelTPresenceServer::ErrorCode", {Of<PS::ErrorCode>(PS::ToString), Always("???")}},
      {"ZelTPresenceServer::enEvent", {Of<PS::enEvent>(PS::ToString), Always("???")}},
      {"ZelTRequest::RequestMode",
       {Of<ZelTRequest::RequestMode>(ZelTRequest::ToString),
        [](std::int32_t value) { return "Unknown RequestMode{" + std::to_string(value) + "}"; }}},
      {"ZelTUserPresence::Action", {UserActionText, invalid}},
      {"ZelTQueryUsersPresence::enQueryType",
       {Of<ZelTQueryUsersPresence::enQueryType>(ZelTQueryUsersPresence::QueryType_ToString), invalid}},
      {"ZelTUserCapability::enCapabilityType",
       {Of<ZelTUserCapability::enCapabilityType>(ZelTUserCapability::ToString), invalid}},
      {"ZelTIntegratedPresenceSummary::IntegratedPresence",
       {Of<Summary::IntegratedPresence>(Summary::ToString), unknownMember}},
      {"ZelTIntegratedPresenceSummary::IntegratedPresenceSource",
       {Of<Summary::IntegratedPresenceSource>(Summary::ToString), unknownMember}},
      {"ZelTIntegratedPresenceSummary::MediaStatus", {Of<Summary::MediaStatus>(Summary::ToString), unknownMember}},
      {"ZelTIntegratedPresenceSummary::RoutingStateReasonType",
       {Of<Summary::RoutingStateReasonType>(Summary::ToString), unknownMember}},
      {"KRVEnum::MEDIUM",
       {[](std::int32_t value) { return MediaToString(value); },
        [](std::int32_t value) { return "MediaType: " + std::to_string(value); }}},
      {"enMediaState", {Of(MediaStateToString), invalid}},
      {"enMediaStateCause", {Of(MediaStateCauseToString), invalid}},
      {"enReadinessState", {Of(ReadinessStateToString), invalid}},
      {"enReadinessCause", {Of(ReadinessCauseToString), invalid}},
      {"enSilentMonitoringType", {Of(SilentMonitoringTypeToString), invalid}},
      {"enRefType", {Of(RefTypeToString), invalid}},
      {"THandlingStateEnum::enContactType", {Of(ContactTypeToString), invalid}},
      {"enContactState", {Of(ContactStateToString), invalid}},
      {"enHandlingCause", {Of(HandlingCauseToString), invalid}},
      {"TMediaServerCommonEnum::enCSMStateCause", {Of(CSMStateCauseToString), invalid}},
      {"enUserSet", {Of(UserSetToString), invalid}},
      {"enPostProcessingMode", {Of(PostProcessingModeToString), invalid}},
      {"ZelTRoutingState::enRoutingState", {Of<ZelTRoutingState::enRoutingState>(ZelTRoutingState::ToString), invalid}},
      {"ZelTRoutingState::enInitialRoutingStateSource",
       {Of<ZelTRoutingState::enInitialRoutingStateSource>(ZelTRoutingState::ToString), invalid}},
      {"ZelTPresenceState::enPresenceState",
       {Of<ZelTPresenceState::enPresenceState>(ZelTPresenceState::ToString), invalid}},
      {"ZelTDesktopCapability::enDesktopCapability",
       {Of<ZelTDesktopCapability::enDesktopCapability>(ZelTDesktopCapability::ToString), invalid}},
      {"ZelTDesktopCapability::enDesktopCapabilityCause",
       {Of<ZelTDesktopCapability::enDesktopCapabilityCause>(ZelTDesktopCapability::ToString), invalid}},
      {"ZelTEventBase::enEventCause", {Of<ZelTEventBase::enEventCause>(ZelTEventBase::ToString), invalid}},
  };
}

}  // namespace enumerations
