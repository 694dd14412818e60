#include "UsersReply.h"

#include "ZelTUserPresenceControl.h"
#include "zelclnt/platform/TPack.h"

namespace zelsim {

UsersReply::UsersReply(const ZelTQueryUsersPresence& call, const std::vector<const ZelTUserPresence*>& users)
    : ZelTQueryUsersPresence(call), m_users(users) {}

// The query's own form, with the lent users in place of its list.
TPack& UsersReply::PackRequest(TPack& pack) {
  pack << static_cast<const ZelTQueryUsersPresence&>(*this);
  if (GetAction() != ACTION_QUERY) return pack;
  pack << GetQueryType();
  if (GetActionResult() != ZelTPresenceServer::ACTION_SUCCEEDED) return pack;
  pack << static_cast<int>(m_users.size());
  for (const ZelTUserPresence* user : m_users) {
    pack << user->GetUserKey() << user->GetUserID();
    ZelTUserPresenceControl::PackQueryReply(pack, *user);
  }
  return pack;
}

}  // namespace zelsim
