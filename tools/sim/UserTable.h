#pragma once
// The simulator's users: one presence record per user key, changed only by
// the actions applied to it and by the simulator's own churn, each change
// told to the event feed. Calls from any number of threads are applied one
// at a time.

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "EventFeed.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelsim {

class UserTable {
 public:
  using Change = std::function<void(ZelTUserPresence& user, const EventFeed& feed)>;

  explicit UserTable(std::vector<ZelTUserPresence> users, EventFeed feed = EventFeed());

  // Applies the call's action to its user and turns the call into its
  // reply: a Query gets the user's whole record, any other action its
  // fields as the table now holds them. The result is 1 with the error code
  // when the user is unknown (key, or id not the key's) or the action is
  // refused. *at tells the event position the reply reflects.
  void Act(ZelTUserPresence& call, TEventPosition* at = nullptr);

  using Lent = std::vector<const ZelTUserPresence*>;
  // Lends answer the users of the type, in key order, each stamped with the
  // current time as a Query is, and the event position they reflect, under
  // the table's lock: a reply is packed from the table without copying a
  // record. False, and answer not called, for a type without meaning.
  bool Lend(ZelTQueryUsersPresence::enQueryType type,
            const std::function<void(const Lent& users, const TEventPosition& at)>& answer);

  // Runs change on the user of that key under the table's lock; false for
  // a key the table does not hold.
  bool Apply(long userKey, const Change& change);

  ZelTPresenceServer::ErrorCode SetCampaignDirector(long userKey, bool add, const std::string& parameters);

  // Puts these users in place of every one held, telling nothing: the
  // table of a server that takes over from its peer.
  void ReplaceAll(std::vector<ZelTUserPresence> users);

  // A copy of the user's record, as a Query would see it.
  std::optional<ZelTUserPresence> Find(long userKey) const;
  std::size_t Size() const;

 private:
  ZelTUserPresence* Lookup(long userKey, const std::string& userId);

  EventFeed m_feed;
  mutable std::mutex m_lock;
  std::map<long, ZelTUserPresence> m_users;
};

}  // namespace zelsim
