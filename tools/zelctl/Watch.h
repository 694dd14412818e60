#pragma once
// "watch": prints the server's events as they arrive, and a line whenever
// events were lost or the server went away and came back, so that the
// reader knows to query again.

#include <string>

#include "Command.h"
#include "zelclnt/platform/TEventReceiver.h"

namespace zelctl {

void AddWatchCommand(CLI::App& app, Command& chosen);

// The line watch prints for a notice: for an event its type and its
// record's text (full: the whole snapshot where it has one). Empty for an
// event about another user than onlyUser, when onlyUser is not 0.
std::string NoticeLine(const TEventNotice& notice, const std::string& endpoint, bool full, long onlyUser);
// The same as a line of JSON: an event as the gateway's JSON with its
// position ("7-1234"), any other notice as {"notice", "message"}.
std::string NoticeJsonLine(const TEventNotice& notice, const std::string& endpoint, long onlyUser);

}  // namespace zelctl
