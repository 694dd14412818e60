#include "ReplyText.h"

#include <sstream>

#include "zelclnt/requests/ZelTCapabilityRequest.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace zelctl {
namespace {

const char* Flag(bool value) { return value ? "T" : "F"; }

}  // namespace

std::string ServerStatusText(const ZelTServerStatus& status) {
  std::ostringstream text;
  text << "server:           " << status.GetServerName() << " (type " << static_cast<int>(status.GetServerType())
       << ")\n"
       << "description:      " << status.GetDescription() << "\n"
       << "address:          " << status.GetAddress() << "\n"
       << "status:           " << static_cast<int>(status.GetCurrentStatus()) << " (previous "
       << static_cast<int>(status.GetPreviousStatus()) << ", changed "
       << status.GetStatusChangedAt().GetDateTime(1, '/', ':', '.').str() << ")\n"
       << "started at:       " << status.GetServerStartedAt() << "\n"
       << "watchdog address: " << status.GetWatchdogAddr() << "\n"
       << "admin address:    " << status.GetAdminAddr() << "\n"
       << "shutting down:    " << Flag(status.IsShutdown()) << "\n"
       << "integration:      " << Flag(status.IsKvlEnabled()) << "\n"
       << "heartbeat:        " << status.GetHeartbeatInterval() << " ms\n";
  return text.str();
}

std::string IntegratedPresenceText(const ZelTQueryIntegratedPresence& query) {
  std::ostringstream text;
  text << "user id:          " << query.GetUserId() << "\n"
       << "agent id:         " << query.GetAgentId() << "\n"
       << "action:           " << static_cast<int>(query.GetAction()) << "\n"
       << "presentities:     " << query.Size() << " of at most " << query.GetMaxRecord() << "\n";
  for (const ZelTPresentity* presentity : query)
    if (presentity) text << "  " << presentity->ToString() << "\n";
  return text.str();
}

std::string MediumStatusText(const ZelTQueryUserMediumStatus& query) {
  std::ostringstream text;
  text << "media:            " << query.GetMediumStatus().Size() << "\n";
  for (const TMediaReadiness* readiness : query.GetMediumStatus().GetVector())
    if (readiness) text << "  " << readiness->ToString() << "\n";
  return text.str();
}

std::string CapabilityText(const ZelTCapabilityRequest& request) {
  const auto type = request.GetCapabilityTypeValue();
  std::ostringstream text;
  text << "user key:         " << request.GetUserKey() << "\n"
       << "capability:       " << ZelTUserCapability::ToString(type) << " (" << static_cast<int>(type) << ")\n"
       << "parameters:       " << (request.GetParameters().empty() ? "none" : request.GetParameters()) << "\n";
  return text.str();
}

}  // namespace zelctl
