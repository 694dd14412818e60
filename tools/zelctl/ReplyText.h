#pragma once
// Human-readable texts of what zelctl gets back.

#include <string>

class ZelTQueryIntegratedPresence;
class ZelTRequest;
class ZelTServerStatus;

namespace zelctl {

// "result 0, ERR_NONE, REQUESTMODE_DEFAULT"
std::string OutcomeText(const ZelTRequest& request);
// One "label: value" line per field of the server status record.
std::string ServerStatusText(const ZelTServerStatus& status);
// The query as the server sent it back: its presentities, user and agent
// ids and action. Never the password.
std::string IntegratedPresenceText(const ZelTQueryIntegratedPresence& query);

}  // namespace zelctl
