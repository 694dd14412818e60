#pragma once
// The users of a presence mirror whose records wait for a query, each with
// the parts that are not exact and the time its query is due; found by user
// and by due time alike, so that neither an event nor a step of the mirror
// looks at every waiting user.
//
// One thread: the mirror's driving thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>

#include "zelclnt/platform/TClock.h"

namespace zelclnt::mirror {

class StaleUsers {
 public:
  struct Entry {
    std::uint32_t parts = 0;
    std::string userId;
    TClock::time_point due;
  };

  // The user's entry with these parts added; a new one is due at `due`.
  Entry& Mark(long userKey, std::uint32_t parts, TClock::time_point due);
  // Takes these parts off; a user with none left waits no more.
  void Settle(long userKey, std::uint32_t parts);
  // Null for a user that does not wait.
  const Entry* Find(long userKey) const;
  void Postpone(long userKey, TClock::time_point due);
  void Erase(long userKey);
  void Clear();

  std::size_t Size() const { return m_entries.size(); }
  bool Empty() const { return m_entries.empty(); }
  // The user due first, when due by `now`.
  std::optional<long> DueBy(TClock::time_point now) const;
  // When the first is due; time_point::max() when none waits.
  TClock::time_point Earliest() const;

 private:
  std::unordered_map<long, Entry> m_entries;
  std::set<std::pair<TClock::time_point, long>> m_due;
};

}  // namespace zelclnt::mirror
