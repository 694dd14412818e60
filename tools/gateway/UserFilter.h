#pragma once
// Which users, and which of their changes, a caller asks for: the query
// parameters of GET /v1/users (team, site, routing state, medium) and of
// GET /v1/stream (users, kinds), read strictly, and the token's reach.
//
//   team=<key>  site=<key>          the user's team or site key
//   state=<routing state>           a name (any case, "work") or its number
//   medium=<medium>                 logged on to it (not logged off): "voice",
//                                   "webchat", ... or its number
//   users=<key>,<key>,...           these users only (at most 1,024)
//   kinds=<kind>,<kind>,...         changes of these parts only: identity,
//                                   media, routing, handling, presence,
//                                   capability, flags, silentMonitoring;
//                                   or contacts, a summary of handling
//                                   (not both)
//
// A user is added or removed whatever kinds were asked for. Free of state
// once read; any thread may ask it.

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "HttpTarget.h"
#include "Tokens.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"
#include "zelclnt/mirror/ZelTUserStore.h"

namespace zelgw {

// The stream's own kind beside the mirror's parts: the handling part
// summed up (EventFrames.h), for a page that shows how long an agent has
// been on a contact and not the contacts themselves.
constexpr std::uint32_t kContactsPart = ZelTPresenceChange::PART_ALL + 1;

struct UserFilter {
  std::optional<long> team;
  std::optional<long> site;
  std::optional<ZelTRoutingState::enRoutingState> state;
  std::optional<long> medium;
  // Empty: every user.
  std::set<long> users;
  // Parts, with kContactsPart for the summary.
  std::uint32_t parts = ZelTPresenceChange::PART_ALL;

  bool Matches(const ZelTUserPresence& user) const;
  // The users the store's indexes narrow the filter to.
  ZelTUserStore::Selection Selection() const { return {team, site, state, medium}; }
  bool Reaches(long userKey) const { return users.empty() || users.count(userKey) > 0; }
  bool Everyone() const { return !team && !site && !state && !medium && users.empty(); }
  // For a change of `parts` of the user; parts 0: the user came or went.
  bool Wants(long userKey, std::uint32_t changedParts) const {
    return Reaches(userKey) && (changedParts == 0 || (changedParts & Followed()) != 0);
  }
  // The mirror's parts whose changes the stream follows.
  std::uint32_t Followed() const {
    const std::uint32_t handling = ZelTPresenceChange::PART_HANDLING_STATES;
    return (parts & ZelTPresenceChange::PART_ALL) | (parts & kContactsPart ? handling : 0);
  }
};

// False, with the fault in error, for a parameter the route does not take
// or a value it cannot read.
bool ReadUsersFilter(const HttpTarget& target, UserFilter& filter, std::string& error);
bool ReadStreamFilter(const HttpTarget& target, UserFilter& filter, std::string& error);

// Narrows the filter to the token's users; false when it names one beyond.
bool Narrow(UserFilter& filter, const std::optional<Access>& access);

// "routing", "media", ...: the names of a change's parts, in order.
std::string PartName(std::uint32_t part);

}  // namespace zelgw
