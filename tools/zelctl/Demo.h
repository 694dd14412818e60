#pragma once
// The demo: a presence simulator inside this process, and every request
// and user action run against it as a short story, with the part of the
// user's record an action changes shown before and after it; last, a
// mirror of every agent through a lost connection (MirrorDemo.h).

#include "Command.h"

namespace zelctl {

// "demo"; the server option does not apply to it.
void AddDemoCommand(CLI::App& app, Command& chosen);

// 0 when every call ended as the story expects (one is meant to be
// refused), 1 otherwise.
int RunDemo(ZelAPresenceServer& api);

}  // namespace zelctl
