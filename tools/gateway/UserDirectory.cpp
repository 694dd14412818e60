#include "UserDirectory.h"

#include "Timed.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelgw {

bool UserDirectory::Cached(long userKey, std::string& userId) {
  std::lock_guard<std::mutex> guard(m_lock);
  const auto found = m_ids.find(userKey);
  if (found == m_ids.end()) return false;
  userId = found->second;
  return true;
}

UserDirectory::Found UserDirectory::IdOf(long userKey, unsigned timeoutMs, std::string& userId, CallOutcome& failure) {
  if (Cached(userKey, userId)) return Found::Yes;
  std::lock_guard<std::mutex> refreshing(m_refreshing);
  if (Cached(userKey, userId)) return Found::Yes;
  const TClock::time_point now = TClock::Now();
  if (m_refreshed && now - m_refreshedAt < kRefreshInterval) return Found::NoSuchUser;
  ZelAPresenceServer api("presence-gateway", "directory");
  Timed<ZelTQueryUsersPresence> query(timeoutMs);
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  const CallOutcome outcome = Judge("QueryUsersPresence", api.QueryUsersPresence(m_server, query), query);
  if (!outcome.succeeded) {
    failure = outcome;
    return Found::CallFailed;
  }
  std::map<long, std::string> ids;
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList())
    if (user) ids[user->GetUserKey()] = user->GetUserID();
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_ids = std::move(ids);
  }
  m_refreshed = true;
  m_refreshedAt = now;
  return Cached(userKey, userId) ? Found::Yes : Found::NoSuchUser;
}

void UserDirectory::Forget(long userKey) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_ids.erase(userKey);
}

}  // namespace zelgw
