#pragma once
// The commands for the requests that do not act on one user: status,
// presence, users, media-status and capability add|remove. Each prints the
// outcome line and what came back, or one line on stderr when the call
// failed, and returns the exit status; the demo runs them too.

#include <string>
#include <vector>

#include "Command.h"
#include "zelclnt/model/ZelTCapability.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelctl {

struct PresenceQueryOptions {
  // "id[,user name[,extension]]" each.
  std::vector<std::string> presentities;
  std::string userId;
  std::string password;
  std::string agentId;
};

struct CapabilityOptions {
  bool add = true;
  long userKey = 0;
  // The library sends no other type; any other shows it refusing.
  ZelTUserCapability::enCapabilityType type = ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR;
  std::string parameters;
};

void AddRequestCommands(CLI::App& app, Command& chosen);

int QueryStatus(ZelAPresenceServer& api, const std::string& server);
int QueryIntegratedPresence(ZelAPresenceServer& api, const std::string& server, const PresenceQueryOptions& options);
int QueryUsers(ZelAPresenceServer& api, const std::string& server, ZelTQueryUsersPresence::enQueryType type);
int QueryMediumStatus(ZelAPresenceServer& api, const std::string& server);
int ChangeCapability(ZelAPresenceServer& api, const std::string& server, const CapabilityOptions& options);

}  // namespace zelctl
