#pragma once
// Human-readable texts of what zelctl gets back.

#include <string>

class ZelTRequest;
class ZelTServerStatus;

namespace zelctl {

// "result 0, ERR_NONE, REQUESTMODE_DEFAULT"
std::string OutcomeText(const ZelTRequest& request);
// One "label: value" line per field of the server status record.
std::string ServerStatusText(const ZelTServerStatus& status);

}  // namespace zelctl
