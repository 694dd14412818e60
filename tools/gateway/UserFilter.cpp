#include "UserFilter.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "EnumJson.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"

namespace zelgw {

namespace {

using Change = ZelTPresenceChange;

constexpr std::size_t kMaxUsers = 1024;

struct NamedPart {
  std::uint32_t part;
  const char* name;
};

constexpr NamedPart kParts[] = {
    {Change::PART_IDENTITY, "identity"},     {Change::PART_MEDIA_STATES, "media"},
    {Change::PART_ROUTING_STATE, "routing"}, {Change::PART_HANDLING_STATES, "handling"},
    {Change::PART_PRESENCE_STATES, "presence"}, {Change::PART_CAPABILITY, "capability"},
    {Change::PART_USER_FLAGS, "flags"},      {Change::PART_SILENT_MONITORING, "silentMonitoring"},
    {kContactsPart, "contacts"},
};

// Lower case without spaces: "Web Chat" and "webchat" are one name.
std::string Folded(const std::string& text) {
  std::string folded;
  for (unsigned char c : text)
    if (c != ' ') folded.push_back(static_cast<char>(std::tolower(c)));
  return folded;
}

// A name of first..last (folded) or its number.
template <typename Name>
bool ReadNamed(const std::string& text, long first, long last, Name name, long& value) {
  long number = 0;
  if (ParseInt32(text, number)) {
    if (number < first || number > last) return false;
    value = number;
    return true;
  }
  for (long candidate = first; candidate <= last; ++candidate) {
    const zeljson::Json named = name(candidate);
    if (!named["name"].is_null() && Folded(named["name"].get<std::string>()) == Folded(text)) {
      value = candidate;
      return true;
    }
  }
  return false;
}

bool ReadKeys(const std::string& text, std::set<long>& keys) {
  std::istringstream in(text);
  std::string key;
  while (std::getline(in, key, ',')) {
    long value = 0;
    if (!ParseInt32(key, value) || keys.size() == kMaxUsers) return false;
    keys.insert(value);
  }
  return !keys.empty() && text.back() != ',';
}

bool ReadKinds(const std::string& text, std::uint32_t& parts) {
  std::istringstream in(text);
  std::string kind;
  parts = 0;
  while (std::getline(in, kind, ',')) {
    const auto found =
        std::find_if(std::begin(kParts), std::end(kParts), [&](const NamedPart& p) { return Folded(kind) == Folded(p.name); });
    if (found == std::end(kParts)) return false;
    parts |= found->part;
  }
  // The summary of a part asked for whole says nothing more.
  const std::uint32_t both = kContactsPart | Change::PART_HANDLING_STATES;
  return parts != 0 && (parts & both) != both && text.back() != ',';
}

bool Unknown(const HttpTarget& target, std::initializer_list<const char*> allowed, std::string& error) {
  for (const auto& parameter : target.query) {
    if (std::none_of(allowed.begin(), allowed.end(), [&](const char* name) { return parameter.first == name; })) {
      error = "unknown query parameter \"" + parameter.first + "\"";
      return true;
    }
  }
  return false;
}

const std::string* Parameter(const HttpTarget& target, const char* name) {
  const auto found = target.query.find(name);
  return found == target.query.end() ? nullptr : &found->second;
}

}  // namespace

bool UserFilter::Matches(const ZelTUserPresence& user) const {
  if (!Reaches(user.GetUserKey())) return false;
  if (team && user.GetTeamKey() != *team) return false;
  if (site && user.GetSiteKey() != *site) return false;
  if (state && user.GetRoutingState().GetRoutingState() != *state) return false;
  if (!medium) return true;
  for (const ZelTMediaState* media : user.GetMediaStates().GetMediaStates().GetVector())
    if (media && media->media == *medium && media->state != MEDIASTATE_LOGOFF) return true;
  return false;
}

bool ReadUsersFilter(const HttpTarget& target, UserFilter& filter, std::string& error) {
  if (Unknown(target, {"team", "site", "state", "medium", "timeout"}, error)) return false;
  long value = 0;
  if (const std::string* team = Parameter(target, "team")) {
    if (!ParseInt32(*team, value)) return (error = "team must be a 32-bit number"), false;
    filter.team = value;
  }
  if (const std::string* site = Parameter(target, "site")) {
    if (!ParseInt32(*site, value)) return (error = "site must be a 32-bit number"), false;
    filter.site = value;
  }
  if (const std::string* state = Parameter(target, "state")) {
    if (!ReadNamed(*state, ZelTRoutingState::ROUTINGSTATE_AVAILABLE, ZelTRoutingState::ROUTINGSTATE_UNKNOWN,
                   [](long v) { return zeljson::ToJson(static_cast<ZelTRoutingState::enRoutingState>(v)); }, value))
      return (error = "state must be a routing state: available, unavailable, work, logoff, unknown or its number"),
             false;
    filter.state = static_cast<ZelTRoutingState::enRoutingState>(value);
  }
  if (const std::string* medium = Parameter(target, "medium")) {
    if (!ReadNamed(*medium, KRVEnum::MEDIUM_VOICE, KRVEnum::MEDIUM_OPENMEDIA, zeljson::MediumJson, value))
      return (error = "medium must be voice, callback, email, webchat, openmedia or its number"), false;
    filter.medium = value;
  }
  return true;
}

bool ReadStreamFilter(const HttpTarget& target, UserFilter& filter, std::string& error) {
  if (Unknown(target, {"users", "kinds", "access_token"}, error)) return false;
  if (const std::string* users = Parameter(target, "users"))
    if (!ReadKeys(*users, filter.users))
      return (error = "users must be at most 1024 32-bit numbers, comma-separated"), false;
  if (const std::string* kinds = Parameter(target, "kinds"))
    if (!ReadKinds(*kinds, filter.parts))
      return (error = "kinds must name identity, media, routing, handling, presence, capability, flags, "
                      "silentMonitoring or contacts (not with handling), comma-separated"),
             false;
  return true;
}

bool Narrow(UserFilter& filter, const std::optional<Access>& access) {
  if (!access || access->users.empty()) return true;
  if (filter.users.empty()) {
    filter.users = access->users;
    return true;
  }
  return std::all_of(filter.users.begin(), filter.users.end(), [&](long key) { return access->Reaches(key); });
}

std::string PartName(std::uint32_t part) {
  for (const NamedPart& named : kParts)
    if (named.part == part) return named.name;
  return "";
}

}  // namespace zelgw
