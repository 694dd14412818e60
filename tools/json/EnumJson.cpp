#include "EnumJson.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace zeljson {

namespace {

using PS = ZelTPresenceServer;
using Summary = ZelTIntegratedPresenceSummary;

// The library's fallback for a value without a text of its own.
constexpr const char* kInvalid = "Invalid";

Json Textual(std::int64_t value, const std::string& text) { return Named(value, text, text != kInvalid); }

struct OwnName {
  std::int32_t value;
  const char* name;
};

template <std::size_t N>
Json FromOwn(const OwnName (&names)[N], std::int32_t value) {
  for (const OwnName& entry : names)
    if (entry.value == value) return Named(value, entry.name);
  return Named(value, nullptr);
}

// The two shared enumerations and the summary's warn for a value without a
// text; asking only for values that have one keeps the log quiet.
constexpr PS::ErrorCode kErrorCodes[] = {PS::ERR_NONE,
                                         PS::ERR_GENERIC,
                                         PS::ERR_RPC_TIMEOUT,
                                         PS::ERR_RPC_FAILED,
                                         PS::ERR_EXCEPTION_OCCURRED,
                                         PS::ERR_UNABLE_TO_ALLOCATE_MEM,
                                         PS::ERR_UNABLE_TO_ADD_TO_COLLECTION,
                                         PS::ERR_SEMPHORE_TIMEOUT,
                                         PS::ERR_EMPTY_OBJECT,
                                         PS::ERR_INVALID_DATA,
                                         PS::ERR_INVALID_USER,
                                         PS::ERR_INVALID_AGENT,
                                         PS::ERR_INVALID_EXTENSION,
                                         PS::ERR_INVALID_RESOURCE,
                                         PS::ERR_REQUEST_FAILED,
                                         PS::ERR_REQUEST_UNAUTHORIZED,
                                         PS::ERR_REQUEST_INVALID_RESULT,
                                         PS::ERR_EVENT_REGISTRATION_FAILED,
                                         PS::ERR_EVENT_DEREGISTRATION_FAILED,
                                         PS::ERR_EVENT_WAIT_TIMEOUT,
                                         PS::ERR_INTERFACE_NOT_STARTED,
                                         PS::ERR_VALIDATION,
                                         PS::ERR_SHUTTING_DOWN,
                                         PS::ERR_KVL_NOT_ENABLED,
                                         PS::ERR_INVALID_PARAMETERS,
                                         PS::ERR_INVALID_STATE,
                                         PS::ERR_INVALID_MEDIA,
                                         PS::ERR_ITEM_NOT_FOUND,
                                         PS::ERR_CAPABILITY_NOT_SUPPORTED,
                                         PS::ERR_CAPABILITY_HANDLING_NAIL_UP_CALL,
                                         PS::ERR_SERVER_NOT_READY,
                                         PS::ERR_KVL_DOWN};

template <typename E, typename Text>
Json InRange(E value, E first, E last, Text text) {
  if (value < first || value > last) return Named(value, nullptr);
  return Named(value, text(value).c_str());
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

}  // namespace

Json ToJson(PS::ActionResult value) {
  static constexpr OwnName kNames[] = {{0, "Succeeded"}, {1, "Not Carried Out"}};
  return FromOwn(kNames, value);
}

Json ToJson(PS::ErrorCode value) {
  if (std::find(std::begin(kErrorCodes), std::end(kErrorCodes), value) == std::end(kErrorCodes))
    return Named(value, nullptr);
  return Named(value, PS::ToString(value).c_str());
}

Json ToJson(PS::enEvent value) {
  return InRange(value, PS::CONNECTIONEVENT, PS::QUERYEXTENSIONLISTEVENT,
                 [](PS::enEvent v) { return PS::ToString(v); });
}

Json ToJson(ZelTRequest::RequestMode value) {
  return InRange(value, ZelTRequest::REQUESTMODE_DEFAULT, ZelTRequest::REQUESTMODE_SYNC,
                 [](ZelTRequest::RequestMode v) { return ZelTRequest::ToString(v); });
}

Json ToJson(ZelTQueryUsersPresence::enQueryType value) {
  return Textual(value, ZelTQueryUsersPresence::QueryType_ToString(value));
}

Json ToJson(ZelTUserCapability::enCapabilityType value) { return Textual(value, ZelTUserCapability::ToString(value)); }

Json ToJson(Summary::IntegratedPresence value) {
  return InRange(value, Summary::KORVAL_DoNotDisturb, Summary::STATUS_ERROR,
                 [](Summary::IntegratedPresence v) { return Summary::ToString(v); });
}

Json ToJson(Summary::IntegratedPresenceSource value) {
  return InRange(value, Summary::SOURCE_KORVAL, Summary::SOURCE_UNKNOWN,
                 [](Summary::IntegratedPresenceSource v) { return Summary::ToString(v); });
}

Json ToJson(Summary::MediaStatus value) {
  return InRange(value, Summary::Unknown, Summary::Offline,
                 [](Summary::MediaStatus v) { return Summary::ToString(v); });
}

Json ToJson(Summary::RoutingStateReasonType value) {
  return InRange(value, Summary::ROUTINGSTATEREASON_NONE, Summary::ROUTINGSTATEREASON_OTHER,
                 [](Summary::RoutingStateReasonType v) { return Summary::ToString(v); });
}

Json ToJson(KRVEnum::MEDIUM value) { return MediumJson(value); }

Json MediumJson(long medium) {
  const std::string text = MediaToString(medium);
  return Named(medium, text, text.rfind("MediaType: ", 0) != 0);
}

Json ToJson(enMediaState value) { return Textual(value, MediaStateToString(value)); }
Json ToJson(enMediaStateCause value) { return Textual(value, MediaStateCauseToString(value)); }
Json ToJson(enReadinessState value) { return Textual(value, ReadinessStateToString(value)); }
Json ToJson(enReadinessCause value) { return Textual(value, ReadinessCauseToString(value)); }
Json ToJson(enSilentMonitoringType value) { return Textual(value, SilentMonitoringTypeToString(value)); }
Json ToJson(enRefType value) { return Textual(value, RefTypeToString(value)); }
Json ToJson(THandlingStateEnum::enContactType value) { return Textual(value, ContactTypeToString(value)); }
Json ToJson(enContactState value) { return Textual(value, ContactStateToString(value)); }
Json ToJson(enHandlingCause value) { return Textual(value, HandlingCauseToString(value)); }
Json ToJson(TMediaServerCommonEnum::enCSMStateCause value) { return Textual(value, CSMStateCauseToString(value)); }
Json ToJson(ZelTRoutingState::enRoutingState value) { return Textual(value, ZelTRoutingState::ToString(value)); }
Json ToJson(ZelTRoutingState::enInitialRoutingStateSource value) {
  return Textual(value, ZelTRoutingState::ToString(value));
}
Json ToJson(ZelTPresenceState::enPresenceState value) { return Textual(value, ZelTPresenceState::ToString(value)); }
Json ToJson(ZelTDesktopCapability::enDesktopCapability value) {
  return Textual(value, ZelTDesktopCapability::ToString(value));
}
Json ToJson(ZelTDesktopCapability::enDesktopCapabilityCause value) {
  return Textual(value, ZelTDesktopCapability::ToString(value));
}
Json ToJson(ZelTEventBase::enEventCause value) { return Textual(value, ZelTEventBase::ToString(value)); }

Json ToJson(Generic::SERVERTYPES value) {
  static constexpr OwnName kNames[] = {{0, "None"}, {22, "Presence"}, {26, "Unspecified"}};
  return FromOwn(kNames, value);
}

Json ToJson(TGenericStatus::eServerStatus value) {
  static constexpr OwnName kNames[] = {{0, "Unknown"}, {1, "Up"}, {8, "Active"}, {16, "Standby"}};
  return FromOwn(kNames, value);
}

Json ToJson(ZelTPostProcessingStatus::enPostProcessingStatus value) {
  static constexpr OwnName kNames[] = {
      {0, "Inactive"}, {1, "Active"}, {2, "Stopped"}, {3, "Pending"}, {4, "Suspended"}};
  return FromOwn(kNames, value);
}

bool ParseEnumValue(const Json& json, const char* what, std::int32_t first, std::int32_t last,
                    Json (*named)(std::int32_t), std::int32_t& value, std::string* error) {
  std::string names;
  const Json* name = json.is_string() ? &json : nullptr;
  const Json* number = json.is_number_integer() ? &json : nullptr;
  if (json.is_object()) {
    const auto foundName = json.find("name");
    const auto foundValue = json.find("value");
    if (foundName != json.end() && !foundName->is_null()) name = &*foundName;
    if (foundValue != json.end()) number = &*foundValue;
  }
  for (std::int32_t candidate = first; candidate <= last; ++candidate) {
    const Json form = named(candidate);
    if (form["name"].is_null()) continue;
    const std::string text = form["name"].get<std::string>();
    names += (names.empty() ? "" : ", ") + text;
    const bool nameMatches = !name || (name->is_string() && Lower(name->get<std::string>()) == Lower(text));
    const bool numberMatches = !number || (number->is_number_integer() && *number == candidate);
    if ((name || number) && nameMatches && numberMatches) {
      value = candidate;
      return true;
    }
  }
  return Fail(error, std::string("expected ") + what + ": one of " + names + ", or its number");
}

}  // namespace zeljson
