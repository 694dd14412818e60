#pragma once
// "user <key> <action> ...": query one user or act on it. The user is named
// by key; the command looks its id up first, since every user action names
// both.

#include <string>

#include "Command.h"
#include "UserClient.h"

namespace zelctl {

void AddUserCommands(CLI::App& app, Command& chosen);

// Prints the outcome line and then, after a query, the whole record, after
// any other action the RPC information text; returns the exit status.
int RunUserAction(ZelAPresenceServer& api, const std::string& server, long userKey, const UserAction& action);

}  // namespace zelctl
