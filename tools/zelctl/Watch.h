#pragma once
// "watch": prints the server's events as they arrive, and a line whenever
// events were lost or the server went away and came back, so that the
// reader knows to query again.

#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "JsonValues.h"
#include "zelclnt/platform/TEventReceiver.h"

namespace zelctl {

void AddWatchCommand(CLI::App& app, Command& chosen);

// The receiver watch subscribes with: the types asked for (none: every
// type), and when a user is named (not 0), that user, so that the server
// sends nothing about anyone else; then none asked for means every type of
// event about a user.
std::unique_ptr<TEventReceiver> WatchReceiver(const std::string& server, std::vector<int> types, long userKey);

// The line watch prints for a notice: for an event its type and its
// record's text (full: the whole snapshot where it has one). Empty for an
// event about another user than onlyUser, when onlyUser is not 0.
std::string NoticeLine(const TEventNotice& notice, const std::string& endpoint, bool full, long onlyUser);
// The same as JSON: an event as the gateway's JSON with its position
// ("7-1234"), any other notice as {"notice", "message"}; null where the
// line is empty.
zeljson::Json NoticeJson(const TEventNotice& notice, const std::string& endpoint, long onlyUser);
// NoticeJson as a line; empty where it is null.
std::string NoticeJsonLine(const TEventNotice& notice, const std::string& endpoint, long onlyUser);

}  // namespace zelctl
