#pragma once
// zelctl keygen: writes a CURVE key pair for a client or a server.

#include <CLI/CLI.hpp>

#include "Command.h"

namespace zelctl {

void AddKeyCommands(CLI::App& app, Command& chosen);

}  // namespace zelctl
