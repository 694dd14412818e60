#include "UserText.h"

#include <algorithm>
#include <array>
#include <iomanip>
#include <sstream>
#include <vector>

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/state/TStateEnums.h"

namespace zelctl {
namespace {

constexpr std::size_t kLabelWidth = 19;

std::string Labelled(const std::string& label, const std::string& value) {
  std::string line = label + ":";
  if (line.size() < kLabelWidth) line.resize(kLabelWidth, ' ');
  return line + value + "\n";
}

// The records' own texts, an indented line each.
template <typename Records>
std::string Indented(const Records& records) {
  std::string text;
  for (const auto* record : records)
    if (record) text += "  " + record->ToString() + "\n";
  return text;
}

std::string ContactName(const std::string& contactId, long requeueCount) {
  return contactId + "/" + std::to_string(requeueCount);
}

// A contact id "" with requeue count -1 names no contact.
bool NamesContact(const std::string& contactId, long requeueCount) { return !contactId.empty() || requeueCount != -1; }

std::string Joined(const std::string& text, const std::string& part) { return text.empty() ? part : text + "," + part; }

std::string LoggedOnMedia(const ZelTUserPresence& user) {
  std::string media;
  for (const ZelTMediaState* state : user.GetMediaStatesVector())
    if (state && state->IsLoggedOn()) media = Joined(media, MediaToString(state->media));
  return media.empty() ? "none" : media;
}

std::string SetFlags(const ZelTUserFlags& flags) {
  std::string set;
  if (flags.IsPhoneOnly()) set = Joined(set, "phone-only");
  if (flags.IsRecoveryModeOn()) set = Joined(set, "recovery");
  if (flags.IsContactAssist()) set = Joined(set, "contact-assist");
  return set.empty() ? "none" : set;
}

std::string Identity(const ZelTUserPresence& user) {
  return "extension " + user.GetExtension() + ", line " + user.GetAssociatedLine() + ", site " +
         std::to_string(user.GetSiteKey()) + ", business unit " + std::to_string(user.GetBusUnitKey()) + ", team " +
         std::to_string(user.GetTeamKey()) + ", group " + user.GetGroupID();
}

std::string PrimaryName(const ZelTHandlingStates& contacts) {
  const std::string id = contacts.GetPrimaryContactId();
  return NamesContact(id, contacts.GetPrimaryContactRC()) ? ContactName(id, contacts.GetPrimaryContactRC()) : "none";
}

constexpr std::size_t kColumnCount = 7;
using Cells = std::array<std::string, kColumnCount>;
// Key and contact count are numbers.
constexpr bool kRightAligned[kColumnCount] = {true, false, false, false, true, false, false};

// Each column as wide as its widest cell; the last one unpadded.
std::string Table(const std::vector<Cells>& rows) {
  std::array<std::size_t, kColumnCount> widths{};
  for (const Cells& row : rows)
    for (std::size_t column = 0; column + 1 < kColumnCount; ++column)
      widths[column] = std::max(widths[column], row[column].size());
  std::ostringstream table;
  for (const Cells& row : rows)
    for (std::size_t column = 0; column < kColumnCount; ++column)
      table << (kRightAligned[column] ? std::right : std::left) << std::setw(static_cast<int>(widths[column]))
            << row[column] << (column + 1 < kColumnCount ? "  " : "\n");
  return table.str();
}

Cells UserRow(const ZelTUserPresence& user) {
  const ZelTRoutingState& routing = user.GetRoutingState();
  return Cells{std::to_string(user.GetUserKey()),
               user.GetUserID(),
               ZelTRoutingState::ToString(routing.GetRoutingState()) + " (" +
                   std::to_string(routing.GetRoutingStateReason()) + ")",
               LoggedOnMedia(user),
               std::to_string(user.GetHandlingStates().Count()),
               PrimaryName(user.GetHandlingStates()),
               SetFlags(user.GetUserFlags())};
}

}  // namespace

std::string UsersTable(const ZelTQueryUsersPresence& query) {
  std::vector<Cells> rows{{"key", "user id", "routing (reason)", "logged on to", "contacts", "primary", "flags"}};
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList())
    if (user) rows.push_back(UserRow(*user));
  const int count = query.GetUsersPresence().Size();
  return Table(rows) + std::to_string(count) + (count == 1 ? " user" : " users") + " (" +
         ZelTQueryUsersPresence::QueryType_ToString(query.GetQueryType()) + ")\n";
}

std::string UserRecordText(const ZelTUserPresence& user) {
  const std::string presence =
      user.GetPresenceState().ToString() + ", " + user.GetPresenceStateExDirectContact().ToString();
  return Labelled("user", std::to_string(user.GetUserKey()) + " " + user.GetUserID()) +
         Labelled("identity", Identity(user)) + Labelled("media states", "logged on to " + LoggedOnMedia(user)) +
         Indented(user.GetMediaStatesVector()) + Labelled("routing state", RoutingStateText(user)) +
         Labelled("primary contact", PrimaryContactText(user)) +
         Labelled("handling states", std::to_string(user.GetHandlingStates().Count())) +
         Indented(user.GetHandlingStatesList()) + Labelled("presence states", presence) +
         Labelled("capability", user.GetUserCapability().ToString()) + Labelled("flags", FlagsText(user)) +
         Labelled("silent monitoring", std::to_string(user.GetSilentMonitoringColl().Size())) +
         Indented(user.GetSilentMonitoringCollList());
}

std::string RoutingStateText(const ZelTUserPresence& user) {
  const ZelTRoutingState& routing = user.GetRoutingState();
  if (routing.GetStartTime().IsNull()) return routing.ToString();
  return routing.ToString() + " since " + routing.GetStartTime().GetDateTime(1, '/', ':', '.').str();
}

std::string PrimaryContactText(const ZelTUserPresence& user) {
  const ZelTHandlingStates& contacts = user.GetHandlingStates();
  const std::string old = contacts.GetOldPrimaryContactId();
  if (!NamesContact(old, contacts.GetOldPrimaryContactRC())) return PrimaryName(contacts);
  return PrimaryName(contacts) + " (previously " + ContactName(old, contacts.GetOldPrimaryContactRC()) + ")";
}

std::string FlagsText(const ZelTUserPresence& user) { return user.GetUserFlags().ToString(); }

std::string ContactText(const ZelTUserPresence& user, const std::string& contactId, long requeueCount) {
  const ZelTHandlingState* contact = user.GetHandlingStates().GetHandlingState(contactId, requeueCount);
  if (!contact) return ContactName(contactId, requeueCount) + ": no such contact";
  return contact->ToSummary(ZelTHandlingState::SUMMARY_BRIEF, true);
}

}  // namespace zelctl
