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
// A record a reader was handed never changes: a change is made to a copy,
// outside the lock, and the copy takes the record's place under a brief
// one. So any number of threads may read at once and keep what they read
// (Get, Snapshot) as long as they like, each record whole, as it stood
// between two changes, without holding up the one thread that writes
// (Update, Put, Remove). A record the store made and no reader was handed
// since is changed in place, under the write lock: a copy per event was
// most of a mirror's work at thousands of events a second. Read visits a
// record under the read lock without handing it out. ForEach visits a
// snapshot; Copy and CopyAll copy outside the lock. Readers walk a
// record's collections by iterator, as the records' own const methods do:
// a collection's cursor is no reader's to move.
//
// From the first Select on, the writer keeps the users indexed by team,
// site, routing state and the media they hold a state other than logged
// off for: Select finds them without reading every record. A store never
// selected from (a bridge's, a soak's) keeps no indexes, which cost the
// writer more than the rest of an event at tens of thousands of users.

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/model/detail/PointerCollOps.h"
#include "zelclnt/platform/TEventPosition.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTUserStore {
 public:
  // A record made to be held (ZelTMirrorSource's answers).
  using Record = zelclnt::detail::TracedPtr<ZelTUserPresence>;
  // A record as held: shared with whoever read it, never changed.
  using Shared = std::shared_ptr<const ZelTUserPresence>;
  using Visitor = std::function<void(const ZelTUserPresence& user)>;

  enum enVerdict {
    VERDICT_APPLIED,            // the change ran; the record now reflects the position
    VERDICT_ALREADY_HAD,        // the record reflects this position already: nothing ran
    VERDICT_OTHER_INCARNATION,  // the record is of another publisher's life: nothing ran
    VERDICT_NO_USER,            // no record for the key
  };

  // A record before and after a change.
  struct Versions {
    Shared before;
    Shared after;
  };

  // The users Select finds: those that match every field set.
  struct Selection {
    std::optional<long> team;
    std::optional<long> site;
    std::optional<long> routingState;
    // Holding a state other than logged off for the medium.
    std::optional<long> medium;
  };

  ZelTUserStore() = default;
  ZelTUserStore(const ZelTUserStore&) = delete;
  ZelTUserStore& operator=(const ZelTUserStore&) = delete;

  // Readers, any thread.
  // Null for a user not held.
  Shared Get(long userKey) const;
  // In key order.
  std::vector<Shared> Snapshot() const;
  // In key order; every user when no field is set.
  std::vector<Shared> Select(const Selection& selection) const;
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
  // Runs visit(user, position) on the user's record under the read lock,
  // which holds the writer up meanwhile: keep it short. The record is not
  // handed out, so the writer may go on changing it in place. False for a
  // user not held.
  template <typename Visit>
  bool Read(long userKey, Visit&& visit) const;

  // Writers, one thread.
  // When the event at `at` is news for the user's record, runs change on
  // it and holds it at `at`: on the record itself, under the write lock,
  // where no reader was handed it, else on a copy, outside the lock, which
  // takes its place; `versions`, when given, gets both (a copy always).
  template <typename Change>
  enVerdict Update(long userKey, const TEventPosition& at, Change&& change, Versions* versions = nullptr);
  // Holds `record` (REQUIRES: not null) in place of the one held for its
  // user key, or adds it, unless the held one reflects a later position;
  // on success `replaced`, when given, gets the record replaced (null when
  // it was added).
  bool Put(Shared record, const TEventPosition& at, Shared* replaced = nullptr);
  // The record removed; null when none was held.
  Shared Remove(long userKey);
  // Room for this many users without growing again.
  void Reserve(std::size_t users);

 private:
  // Where a record stands in the indexes.
  struct IndexKeys {
    long team = 0;
    long site = 0;
    long routingState = 0;
    std::vector<long> media;
  };

  struct Entry {
    Shared record;
    TEventPosition position;
    // Set while indexed only; the first Select sets them all.
    mutable IndexKeys keys;
    // The writer's: the record, where the store made it (an update's
    // copy); null for one a caller handed over, which it may still hold.
    ZelTUserPresence* own = nullptr;
    // A reader was handed the record: set under the read lock.
    mutable std::atomic<bool> lent{false};
  };

  // Hashed: an event that moves a user erases and inserts in sets of
  // thousands, where a tree walks node by node.
  using Index = std::map<long, std::unordered_set<long>>;

  // Whether an event at `at` is news for a record at `held`.
  static enVerdict Judge(const TEventPosition& held, const TEventPosition& at);
  static Record CopyOf(const ZelTUserPresence& user);
  // The writer's: only it changes the map, so it reads it without the lock.
  Entry* Held(long userKey);
  // Holds `record` in the entry's place under the write lock, and hands
  // back the one it replaced, to be let go outside the lock.
  Shared Swap(Entry& entry, Shared record, const TEventPosition& at);
  std::vector<Shared> Unordered() const;
  static IndexKeys KeysOf(const ZelTUserPresence& user);
  // REQUIRES: the write lock held, and indexed.
  void Unindex(long userKey, const IndexKeys& keys) const;
  void Reindex(long userKey, const IndexKeys& keys) const;
  void Move(long userKey, const Entry& entry, IndexKeys keys) const;
  // Indexes every user, once.
  void IndexAll() const;
  // REQUIRES: the read lock held; null for a field not set.
  const std::unordered_set<long>* Found(const Index& index, const std::optional<long>& key, bool& none) const;

  mutable std::shared_mutex m_lock;
  std::unordered_map<long, Entry> m_users;
  // Set under the write lock; the writer reads it without.
  mutable std::atomic<bool> m_indexed{false};
  mutable Index m_byTeam;
  mutable Index m_bySite;
  mutable Index m_byRoutingState;
  mutable Index m_byMedium;
};

template <typename Change>
ZelTUserStore::enVerdict ZelTUserStore::Update(long userKey, const TEventPosition& at, Change&& change,
                                               Versions* versions) {
  Entry* entry = Held(userKey);
  if (!entry) return VERDICT_NO_USER;
  const enVerdict verdict = Judge(entry->position, at);
  if (verdict != VERDICT_APPLIED) return verdict;
  if (!versions && entry->own) {
    std::unique_lock<std::shared_mutex> lock(m_lock);
    if (!entry->lent.load(std::memory_order_relaxed)) {
      std::forward<Change>(change)(*entry->own);
      entry->position = at;
      if (m_indexed.load(std::memory_order_relaxed)) Move(userKey, *entry, KeysOf(*entry->own));
      return VERDICT_APPLIED;
    }
  }
  Record copy = CopyOf(*entry->record);
  std::forward<Change>(change)(*copy);
  // A reader that takes the record being replaced before the swap marks
  // the copy lent: its next change copies again, needlessly but safely.
  entry->own = versions ? nullptr : copy.get();
  entry->lent.store(false, std::memory_order_relaxed);
  Shared after(std::move(copy));
  Shared before = Swap(*entry, after, at);
  if (versions) *versions = {std::move(before), std::move(after)};
  return VERDICT_APPLIED;
}

template <typename Visit>
bool ZelTUserStore::Read(long userKey, Visit&& visit) const {
  std::shared_lock<std::shared_mutex> lock(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) return false;
  std::forward<Visit>(visit)(*found->second.record, found->second.position);
  return true;
}
