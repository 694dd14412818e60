#include "Arguments.h"

#include <charconv>
#include <map>
#include <string>

#include "zelclnt/core/ZelTPresenceServer.h"
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

CLI::CheckedTransformer EventTypeNames() {
  return CLI::CheckedTransformer(
      std::map<std::string, int>{
          {"voice-media", ZelTPresenceServer::VOICE_USER_MEDIA_EVENT},
          {"callback-media", ZelTPresenceServer::CALLBACK_USER_MEDIA_EVENT},
          {"email-media", ZelTPresenceServer::EMAIL_USER_MEDIA_EVENT},
          {"web-media", ZelTPresenceServer::WEB_USER_MEDIA_EVENT},
          {"im-media", ZelTPresenceServer::IM_USER_MEDIA_EVENT},
          {"openmedia-media", ZelTPresenceServer::OPENMEDIA_USER_MEDIA_EVENT},
          {"routing", ZelTPresenceServer::USER_ROUTING_STATE_EVENT},
          {"contact-created", ZelTPresenceServer::USER_CONTACT_CREATED_EVENT},
          {"contact-connected", ZelTPresenceServer::USER_CONTACT_CONNECTED_EVENT},
          {"contact-completed", ZelTPresenceServer::USER_CONTACT_COMPLETED_EVENT},
          {"handling", ZelTPresenceServer::USER_HANDLING_STATE_UPDATE_EVENT},
          {"primary", ZelTPresenceServer::PRIMARY_HANDLING_STATE_EVENT},
          {"wrapup", ZelTPresenceServer::WRAPUP_SUBMITTED_EVENT},
          {"recovery-mode", ZelTPresenceServer::USER_RECOVERY_MODE_EVENT},
          {"contact-assist", ZelTPresenceServer::USER_CONTACT_ASSIST_EVENT},
          {"capability", ZelTPresenceServer::USER_CAPABILITY_EVENT},
          {"media-not-ready", ZelTPresenceServer::USER_MEDIA_NOT_READY_EVENT},
          {"media-ready", ZelTPresenceServer::USER_MEDIA_READY_EVENT},
          {"capability-not-ready", ZelTPresenceServer::USER_CAPABILITY_NOT_READY_EVENT},
          {"queue-consulted", ZelTPresenceServer::CONTACT_QUEUE_CONSULTED_EVENT},
          {"all-media-not-ready", ZelTPresenceServer::USER_ALL_MEDIA_NOT_READY_EVENT},
          {"csm", ZelTPresenceServer::USER_CSM_STATE_EVENT},
          {"integrated-presence", ZelTPresenceServer::QUERYPRESENCESTATUSEVENT},
      },
      CLI::ignore_case);
}

}  // namespace zelctl
