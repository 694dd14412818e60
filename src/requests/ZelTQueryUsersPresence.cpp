#include "zelclnt/requests/ZelTQueryUsersPresence.h"

#include "ZelTextTable.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "ZelTQueryUsersPresence";

}  // namespace

ZelTQueryUsersPresence& ZelTQueryUsersPresence::operator=(const ZelTQueryUsersPresence& other) {
  if (this == &other) return *this;
  ZelTRequest::operator=(other);
  m_action = other.m_action;
  m_queryType = other.m_queryType;
  m_usersPresence = other.m_usersPresence;
  return *this;
}

std::string ZelTQueryUsersPresence::QueryType_ToString(enQueryType type) {
  static constexpr ZelTextEntry kTexts[] = {
      {QUERYTYPE_LOGGED_ON_USERS, "Logged On Users"},
      {QUERYTYPE_LOGGED_ON_VOICE_USERS, "Logged On Voice Users"},
      {QUERYTYPE_LOGGED_ON_CALLBACK_USERS, "Logged on Callback Users"},
      {QUERYTYPE_LOGGED_ON_EMAIL_USERS, "Logged on Email Users"},
      {QUERYTYPE_LOGGED_ON_WEBCHAT_USERS, "Logged on WebChat Users"},
      {QUERYTYPE_LOGGED_ON_OPENMEDIA_USERS, "Logged on OpenMedia Users"},
      {QUERYTYPE_ALL_USERS, "All Users"},
  };
  return ZelTextOrInvalid(kTexts, type);
}

TPack& ZelTQueryUsersPresence::PackRequest(TPack& pack) {
  pack << *this;
  if (m_action != ACTION_QUERY) return pack;
  pack << m_queryType;
  // A call, still carrying the constructed result 1, ends here.
  if (GetActionResult() == ZelTPresenceServer::ACTION_SUCCEEDED) PackUsers(pack);
  return pack;
}

// Packed as a fresh query's call: the action result of the last reply is
// what would make the users travel.
unsigned long ZelTQueryUsersPresence::PackRpcCall(TRPC& rpc) {
  const ZelTPresenceServer::ActionResult result = GetActionResult();
  SetActionResult(ZelTPresenceServer::ACTION_NOT_CARRIED_OUT);
  const unsigned long packed = ZelTRequest::PackRpcCall(rpc);
  SetActionResult(result);
  return packed;
}

TPack& ZelTQueryUsersPresence::UnpackRequest(TPack& pack) {
  pack >> *this;
  if (m_action != ACTION_QUERY) return pack;
  pack >> m_queryType;
  UnpackUsers(pack);
  return pack;
}

// Each record is written as a successful Query reply of its own would be,
// without changing it or copying it.
void ZelTQueryUsersPresence::PackUsers(TPack& pack) const {
  pack << m_usersPresence.Size();
  for (const ZelTUserPresence* user : m_usersPresence.GetList()) {
    pack << user->m_userKey << user->m_userId;
    user->PackAs(pack, ZelTPresenceServer::ACTION_SUCCEEDED, ZelTUserPresence::ACTION_QUERY);
  }
}

// The count is read whatever the action result and bounds only the reading;
// each record is read where it will be kept.
void ZelTQueryUsersPresence::UnpackUsers(TPack& pack) {
  m_usersPresence.Clear();
  int count = 0;
  pack >> count;
  ReadCounted(
      pack, count,
      [](TPack& from) {
        auto user = zelclnt::detail::NewElement<ZelTUserPresence>(kSource);
        user->SetAction(ZelTUserPresence::ACTION_QUERY);
        from >> user->m_userKey >> user->m_userId;
        user->UnpackRequest(from);
        return user;
      },
      [this](zelclnt::detail::TracedPtr<ZelTUserPresence> user) { m_usersPresence.Adopt(std::move(user)); });
}

TPack& operator<<(TPack& pack, const ZelTQueryUsersPresence& query) {
  return pack << static_cast<const ZelTRequest&>(query) << query.m_action;
}

TPack& operator>>(TPack& pack, ZelTQueryUsersPresence& query) {
  return pack >> static_cast<ZelTRequest&>(query) >> query.m_action;
}

TPack& operator<<(TPack& pack, const ZelTQueryUsersPresence::Action& action) { return PackEnum32(pack, action); }

TPack& operator>>(TPack& pack, ZelTQueryUsersPresence::Action& action) { return UnpackEnum32(pack, action); }

TPack& operator<<(TPack& pack, const ZelTQueryUsersPresence::enQueryType& type) { return PackEnum32(pack, type); }

TPack& operator>>(TPack& pack, ZelTQueryUsersPresence::enQueryType& type) { return UnpackEnum32(pack, type); }
