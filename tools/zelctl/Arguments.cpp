#include "Arguments.h"

#include <charconv>
#include <map>
#include <string>

#include "zelclnt/model/ZelTCapability.h"
#include "zelclnt/model/ZelTRoutingState.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelctl {

CLI::Validator WholeNumber() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        long value = 0;
        const char* end = text.data() + text.size();
        const auto parsed = std::from_chars(text.data(), end, value);
        if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end)
          return "\"" + text + "\" is not a whole number within the range of a long";
        return std::string();
      },
      "NUMBER");
}

CLI::CheckedTransformer QueryTypeNames() {
  using Query = ZelTQueryUsersPresence;
  return CLI::CheckedTransformer(
      std::map<std::string, Query::enQueryType>{
          {"logged-on", Query::QUERYTYPE_LOGGED_ON_USERS},
          {"voice", Query::QUERYTYPE_LOGGED_ON_VOICE_USERS},
          {"callback", Query::QUERYTYPE_LOGGED_ON_CALLBACK_USERS},
          {"email", Query::QUERYTYPE_LOGGED_ON_EMAIL_USERS},
          {"webchat", Query::QUERYTYPE_LOGGED_ON_WEBCHAT_USERS},
          {"openmedia", Query::QUERYTYPE_LOGGED_ON_OPENMEDIA_USERS},
          {"all", Query::QUERYTYPE_ALL_USERS},
      },
      CLI::ignore_case);
}

CLI::CheckedTransformer RoutingStateNames() {
  return CLI::CheckedTransformer(
      std::map<std::string, ZelTRoutingState::enRoutingState>{
          {"available", ZelTRoutingState::ROUTINGSTATE_AVAILABLE},
          {"unavailable", ZelTRoutingState::ROUTINGSTATE_UNAVAILABLE},
          {"work", ZelTRoutingState::ROUTINGSTATE_WORK},
          {"logoff", ZelTRoutingState::ROUTINGSTATE_LOGOFF},
          {"unknown", ZelTRoutingState::ROUTINGSTATE_UNKNOWN},
      },
      CLI::ignore_case);
}

CLI::CheckedTransformer CapabilityTypeNames() {
  return CLI::CheckedTransformer(
      std::map<std::string, ZelTUserCapability::enCapabilityType>{
          {"desktop", ZelTUserCapability::CAPABILITY_DESKTOP},
          {"campaign-director", ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR},
      },
      CLI::ignore_case);
}

CLI::CheckedTransformer SwitchNames() {
  return CLI::CheckedTransformer(std::map<std::string, bool>{{"on", true}, {"off", false}}, CLI::ignore_case);
}

}  // namespace zelctl
