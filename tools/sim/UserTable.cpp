#include "UserTable.h"

#include "CallReader.h"
#include "UserActions.h"
#include "ZelTUserPresenceControl.h"

namespace zelsim {
namespace {

using Query = ZelTQueryUsersPresence;
using PS = ZelTPresenceServer;

bool IsLoggedOnTo(const ZelTUserPresence& user, long medium) {
  for (const ZelTMediaState* state : user.GetMediaStatesVector())
    if (state && state->media == medium && state->IsLoggedOn()) return true;
  return false;
}

// Logged on: to any medium; to one medium: types 1 to 5 name media 1 to 5.
bool Matches(const ZelTUserPresence& user, Query::enQueryType type) {
  if (type == Query::QUERYTYPE_ALL_USERS) return true;
  if (type == Query::QUERYTYPE_LOGGED_ON_USERS) return user.GetMediaStates().IsLoggedOn();
  return IsLoggedOnTo(user, type);
}

// A Query gets the whole record as of now, under the call's own common
// part; any other action the fields it set as the table now holds them.
void Reply(ZelTUserPresence& call, const ZelTUserPresence& user) {
  if (call.GetAction() != ZelTUserPresence::ACTION_QUERY) {
    ZelTUserPresenceControl::RoutingState(call) = user.GetRoutingState();
    ZelTUserPresenceControl::UserFlags(call) = user.GetUserFlags();
    return;
  }
  const bool replyRequired = call.IsReplyRequired();
  const ZelTRequest::RequestMode mode = call.GetRequestMode();
  call = user;
  call.SetReplyRequired(replyRequired);
  call.SetRequestMode(mode);
  call.SetAction(ZelTUserPresence::ACTION_QUERY);
  ZelTUserPresenceControl::SetTickCount(call, TTimeStamp(0));
}

}  // namespace

UserTable::UserTable(std::vector<ZelTUserPresence> users, EventFeed feed) : m_feed(std::move(feed)) {
  for (ZelTUserPresence& user : users) m_users.emplace(user.GetUserKey(), std::move(user));
}

void UserTable::Act(ZelTUserPresence& call, TEventPosition* at) {
  std::lock_guard<std::mutex> guard(m_lock);
  ZelTUserPresence* user = Lookup(call.GetUserKey(), call.GetUserID());
  std::optional<ZelTUserPresence> before;
  if (user && m_feed.Tells(call)) before = *user;
  const PS::ErrorCode error = user ? ApplyUserAction(*user, call, TTimeStamp(0)) : PS::ERR_INVALID_USER;
  if (error == PS::ERR_NONE && before) m_feed.UserActed(*before, *user, call);
  if (error == PS::ERR_NONE) Reply(call, *user);
  SetOutcome(call, error);
  if (at) *at = m_feed.Position();
}

bool UserTable::Lend(Query::enQueryType type,
                     const std::function<void(const Lent& users, const TEventPosition& at)>& answer) {
  if (type < Query::QUERYTYPE_LOGGED_ON_USERS || type > Query::QUERYTYPE_ALL_USERS) return false;
  const TTimeStamp now(0);
  Lent users;
  std::lock_guard<std::mutex> guard(m_lock);
  users.reserve(m_users.size());
  for (auto& entry : m_users) {
    if (!Matches(entry.second, type)) continue;
    // Stamped as a Query of the one user would be; the table keeps the stamp.
    ZelTUserPresenceControl::SetTickCount(entry.second, now);
    users.push_back(&entry.second);
  }
  answer(users, m_feed.Position());
  return true;
}

bool UserTable::Apply(long userKey, const Change& change) {
  std::lock_guard<std::mutex> guard(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) return false;
  change(found->second, m_feed);
  return true;
}

PS::ErrorCode UserTable::SetCampaignDirector(long userKey, bool add, const std::string& parameters) {
  std::lock_guard<std::mutex> guard(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) return PS::ERR_INVALID_USER;
  return ApplyCampaignDirector(found->second, add, parameters);
}

void UserTable::ReplaceAll(std::vector<ZelTUserPresence> users) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_users.clear();
  for (ZelTUserPresence& user : users) m_users.emplace(user.GetUserKey(), std::move(user));
}

std::optional<ZelTUserPresence> UserTable::Find(long userKey) const {
  std::lock_guard<std::mutex> guard(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) return std::nullopt;
  return found->second;
}

std::size_t UserTable::Size() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_users.size();
}

ZelTUserPresence* UserTable::Lookup(long userKey, const std::string& userId) {
  const auto found = m_users.find(userKey);
  if (found == m_users.end() || found->second.GetUserID() != userId) return nullptr;
  return &found->second;
}

}  // namespace zelsim
