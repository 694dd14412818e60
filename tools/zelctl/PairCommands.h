#pragma once
// The commands for servers that stand in for each other, named as a list
// ("tcp://a:7300,tcp://b:7300"): the status of each, and which one serves;
// and failover, which asks the one that serves to hand over to its peer and
// waits until the peer serves.

#include <string>
#include <vector>

#include "Command.h"

namespace zelctl {

void AddPairCommands(CLI::App& app, Command& chosen);

// Each server's role, the figures of its role changes and its status, a
// warning when two serve at once, then "serving: <endpoint>" (the one
// under the highest term, or none); 0 when exactly one serves.
int QueryPairStatus(ZelAPresenceServer& api, const std::vector<std::string>& endpoints);
int Failover(ZelAPresenceServer& api, const std::string& server);

}  // namespace zelctl
