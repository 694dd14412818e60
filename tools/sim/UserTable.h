#pragma once
// The simulator's users: one presence record per user key, changed only by
// the actions applied to it. Calls from any number of threads are applied
// one at a time.

#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelsim {

class UserTable {
 public:
  explicit UserTable(std::vector<ZelTUserPresence> users);

  // Applies the call's action to its user and turns the call into its
  // reply: a Query gets the user's whole record, any other action its
  // fields as the table now holds them. The result is 1 with the error code
  // when the user is unknown (key, or id not the key's) or the action is
  // refused.
  void Act(ZelTUserPresence& call);

  // Replaces the query's list with copies of the users of its type, in key
  // order; false for a type without meaning.
  bool Collect(ZelTQueryUsersPresence& query) const;

  ZelTPresenceServer::ErrorCode SetCampaignDirector(long userKey, bool add, const std::string& parameters);

  // A copy of the user's record, as a Query would see it.
  std::optional<ZelTUserPresence> Find(long userKey) const;
  std::size_t Size() const;

 private:
  ZelTUserPresence* Lookup(long userKey, const std::string& userId);

  mutable std::mutex m_lock;
  std::map<long, ZelTUserPresence> m_users;
};

}  // namespace zelsim
