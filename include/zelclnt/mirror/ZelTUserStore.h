#pragma once
// The users a presence mirror holds: one ZelTUserPresence per user key, with
// the event position its record reflects.
//
// Never back in time: an event is applied to a record only when its
// position is above the record's (one at or below is already reflected), and
// a query's record replaces a held one only when its position is not below
// the held one's. Positions of different publisher incarnations cannot be
// compared: an event of another incarnation is not applied (the record must
// be queried again), a reply of another incarnation replaces. A record or
// event without a known position (a server that tells none) is taken as it
// comes.
//
// Any number of threads may read at once (Copy, CopyAll, ForEach, ...): each
// sees every record whole, as it stood between two changes. One thread at a
// time writes (Update, Put, Remove); readers wait while it does. Copying all
// users is the caller's explicit choice: a ForEach visits them in place,
// under the read lock, for totals and the like; its visitor must not call
// the store's writers, nor move the cursor of a record's collection (walk
// them by iterator, as the records' own const methods do).

#include <cstddef>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/model/detail/PointerCollOps.h"
#include "zelclnt/platform/TEventPosition.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTUserStore {
 public:
  using Record = zelclnt::detail::TracedPtr<ZelTUserPresence>;
  using Visitor = std::function<void(const ZelTUserPresence& user)>;

  enum enVerdict {
    VERDICT_APPLIED,            // the change ran; the record now reflects the position
    VERDICT_ALREADY_HAD,        // the record reflects this position already: nothing ran
    VERDICT_OTHER_INCARNATION,  // the record is of another publisher's life: nothing ran
    VERDICT_NO_USER,            // no record for the key
  };

  ZelTUserStore() = default;
  ZelTUserStore(const ZelTUserStore&) = delete;
  ZelTUserStore& operator=(const ZelTUserStore&) = delete;

  // Readers, any thread.
  bool Copy(long userKey, ZelTUserPresence& user) const;
  // In key order.
  std::vector<ZelTUserPresence> CopyAll() const;
  // In no particular order.
  void ForEach(const Visitor& visit) const;
  std::size_t Size() const;
  bool Contains(long userKey) const;
  // Unknown for a user not held.
  TEventPosition PositionOf(long userKey) const;
  bool UserIdOf(long userKey, std::string& userId) const;
  std::vector<long> Keys() const;

  // Writers, one thread.
  // Runs change(record) under the write lock when the event at `at` is news
  // for the record, which then reflects `at`.
  template <typename Change>
  enVerdict Update(long userKey, const TEventPosition& at, Change&& change);
  // Puts `record` (REQUIRES: not null) in place of the one held for its user
  // key, or adds it, unless the held one reflects a later position; on
  // success `record` holds the record replaced (null when it was added).
  bool Put(Record& record, const TEventPosition& at);
  // The record removed; null when none was held.
  Record Remove(long userKey);
  // Room for this many users without growing again.
  void Reserve(std::size_t users);

 private:
  struct Entry {
    Record record;
    TEventPosition position;
  };

  // Whether an event at `at` is news for a record at `held`.
  static enVerdict Judge(const TEventPosition& held, const TEventPosition& at);

  mutable std::shared_mutex m_lock;
  std::unordered_map<long, Entry> m_users;
};

template <typename Change>
ZelTUserStore::enVerdict ZelTUserStore::Update(long userKey, const TEventPosition& at, Change&& change) {
  std::unique_lock<std::shared_mutex> lock(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) return VERDICT_NO_USER;
  Entry& entry = found->second;
  const enVerdict verdict = Judge(entry.position, at);
  if (verdict != VERDICT_APPLIED) return verdict;
  std::forward<Change>(change)(*entry.record);
  entry.position = at;
  return VERDICT_APPLIED;
}
