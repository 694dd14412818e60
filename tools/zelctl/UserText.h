#pragma once
// Human-readable texts of user presence records: the users a query found as
// a table, one user's whole record a part per line, and the single parts,
// so that a change can be shown by the part it touched. The parts are the
// records' own texts.

#include <string>

class ZelTQueryUsersPresence;
class ZelTUserPresence;

namespace zelctl {

// A header line, a line per user (key, id, routing state and reason, media
// logged on to, contacts held, primary contact, flags set), a count line.
std::string UsersTable(const ZelTQueryUsersPresence& query);

// The whole record, a labelled line per part; each medium, contact and
// silent-monitoring entry on an indented line of its own.
std::string UserRecordText(const ZelTUserPresence& user);

// Single parts, one line each, without a label or line end.
std::string RoutingStateText(const ZelTUserPresence& user);
// "C42-3/0 (previously C42-1/0)", or "none".
std::string PrimaryContactText(const ZelTUserPresence& user);
std::string FlagsText(const ZelTUserPresence& user);
// The contact's brief text, or "C42-9/0: no such contact".
std::string ContactText(const ZelTUserPresence& user, const std::string& contactId, long requeueCount);

}  // namespace zelctl
