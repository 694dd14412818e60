#pragma once
// "top": a live wallboard over a presence mirror of every user (or of
// chosen users) of a server, the view of TopView.h. On a terminal it is
// redrawn in place a few times a second; into a pipe or a file it is
// printed as plain lines about once a second. A resync, and the event link
// lost or back, are told on a line of their own.

#include "Command.h"

namespace zelctl {

void AddTopCommand(CLI::App& app, Command& chosen);

}  // namespace zelctl
