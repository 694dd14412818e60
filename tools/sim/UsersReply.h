#pragma once
// A users-presence reply packed from records held elsewhere (the table's),
// without copying them: the same bytes as a query whose list held copies.
// REQUIRES: the users outlive the reply and do not change while it packs;
// the table lends them under its lock.

#include <vector>

#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelsim {

class UsersReply : public ZelTQueryUsersPresence {
 public:
  UsersReply(const ZelTQueryUsersPresence& call, const std::vector<const ZelTUserPresence*>& users);

  TPack& PackRequest(TPack& pack) override;

 private:
  const std::vector<const ZelTUserPresence*>& m_users;
};

}  // namespace zelsim
