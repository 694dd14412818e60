#pragma once
// Human-readable texts of what zelctl gets back from the requests that do
// not act on one user.

#include <string>

class ZelTCapabilityRequest;
class ZelTQueryIntegratedPresence;
class ZelTQueryUserMediumStatus;
class ZelTServerStatus;

namespace zelctl {

// One "label: value" line per field of the server status record.
std::string ServerStatusText(const ZelTServerStatus& status);
// The query as the server sent it back: its presentities, user and agent
// ids and action. Never the password.
std::string IntegratedPresenceText(const ZelTQueryIntegratedPresence& query);
// One line per medium, in the readiness records' own text.
std::string MediumStatusText(const ZelTQueryUserMediumStatus& query);
// The user, capability and parameters the request carried.
std::string CapabilityText(const ZelTCapabilityRequest& request);

}  // namespace zelctl
