#include "zelclnt/mirror/ZelTUserStore.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <optional>

namespace {

using Lock = std::shared_lock<std::shared_mutex>;
using Exclusive = std::unique_lock<std::shared_mutex>;

constexpr const char* kSource = "ZelTUserStore";

bool Comparable(const TEventPosition& a, const TEventPosition& b) {
  return a.IsKnown() && b.IsKnown() && a.incarnation == b.incarnation;
}

void SortByKey(std::vector<ZelTUserStore::Shared>& users) {
  std::sort(users.begin(), users.end(), [](const ZelTUserStore::Shared& a, const ZelTUserStore::Shared& b) {
    return a->GetUserKey() < b->GetUserKey();
  });
}

// A record handed to a reader, under the read lock: the writer copies it
// before its next change.
template <typename Entry>
ZelTUserStore::Shared Lend(const Entry& entry) {
  entry.lent.store(true, std::memory_order_relaxed);
  return entry.record;
}

void Drop(std::map<long, std::unordered_set<long>>& index, long key, long userKey) {
  const auto found = index.find(key);
  if (found == index.end()) return;
  found->second.erase(userKey);
  if (found->second.empty()) index.erase(found);
}

}  // namespace

ZelTUserStore::enVerdict ZelTUserStore::Judge(const TEventPosition& held, const TEventPosition& at) {
  if (!held.IsKnown() || !at.IsKnown()) return VERDICT_APPLIED;
  if (held.incarnation != at.incarnation) return VERDICT_OTHER_INCARNATION;
  return at.position > held.position ? VERDICT_APPLIED : VERDICT_ALREADY_HAD;
}

ZelTUserStore::Record ZelTUserStore::CopyOf(const ZelTUserPresence& user) {
  return zelclnt::detail::CopyElement(user, kSource);
}

ZelTUserStore::Entry* ZelTUserStore::Held(long userKey) {
  const auto found = m_users.find(userKey);
  return found == m_users.end() ? nullptr : &found->second;
}

ZelTUserStore::IndexKeys ZelTUserStore::KeysOf(const ZelTUserPresence& user) {
  IndexKeys keys;
  keys.team = user.GetTeamKey();
  keys.site = user.GetSiteKey();
  keys.routingState = user.GetRoutingState().GetRoutingState();
  for (const ZelTMediaState* state : user.GetMediaStates().GetMediaStates())
    if (state && state->state != MEDIASTATE_LOGOFF) keys.media.push_back(state->media);
  return keys;
}

void ZelTUserStore::Unindex(long userKey, const IndexKeys& keys) const {
  Drop(m_byTeam, keys.team, userKey);
  Drop(m_bySite, keys.site, userKey);
  Drop(m_byRoutingState, keys.routingState, userKey);
  for (const long medium : keys.media) Drop(m_byMedium, medium, userKey);
}

void ZelTUserStore::Reindex(long userKey, const IndexKeys& keys) const {
  m_byTeam[keys.team].insert(userKey);
  m_bySite[keys.site].insert(userKey);
  m_byRoutingState[keys.routingState].insert(userKey);
  for (const long medium : keys.media) m_byMedium[medium].insert(userKey);
}

// The indexes are touched only where the keys moved: most events move
// none, or one.
void ZelTUserStore::Move(long userKey, const Entry& entry, IndexKeys keys) const {
  if (keys.team == entry.keys.team && keys.site == entry.keys.site &&
      keys.routingState == entry.keys.routingState && keys.media == entry.keys.media)
    return;
  Unindex(userKey, entry.keys);
  Reindex(userKey, keys);
  entry.keys = std::move(keys);
}

void ZelTUserStore::IndexAll() const {
  Exclusive lock(m_lock);
  if (m_indexed.load(std::memory_order_relaxed)) return;
  for (const auto& [userKey, entry] : m_users) {
    entry.keys = KeysOf(*entry.record);
    Reindex(userKey, entry.keys);
  }
  m_indexed.store(true, std::memory_order_release);
}

// The keys are worked out before the lock, unless the first Select came
// in between.
ZelTUserStore::Shared ZelTUserStore::Swap(Entry& entry, Shared record, const TEventPosition& at) {
  std::optional<IndexKeys> keys;
  if (m_indexed.load(std::memory_order_acquire)) keys = KeysOf(*record);
  const long userKey = record->GetUserKey();
  Exclusive lock(m_lock);
  if (m_indexed.load(std::memory_order_relaxed)) Move(userKey, entry, keys ? std::move(*keys) : KeysOf(*record));
  entry.record.swap(record);
  entry.position = at;
  return record;
}

ZelTUserStore::Shared ZelTUserStore::Get(long userKey) const {
  Lock lock(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) return nullptr;
  return Lend(found->second);
}

std::vector<ZelTUserStore::Shared> ZelTUserStore::Unordered() const {
  std::vector<Shared> held;
  Lock lock(m_lock);
  held.reserve(m_users.size());
  for (const auto& entry : m_users) held.push_back(Lend(entry.second));
  return held;
}

std::vector<ZelTUserStore::Shared> ZelTUserStore::Snapshot() const {
  std::vector<Shared> held = Unordered();
  SortByKey(held);
  return held;
}

const std::unordered_set<long>* ZelTUserStore::Found(const Index& index, const std::optional<long>& key,
                                                     bool& none) const {
  if (!key) return nullptr;
  const auto found = index.find(*key);
  if (found != index.end()) return &found->second;
  none = true;
  return nullptr;
}

std::vector<ZelTUserStore::Shared> ZelTUserStore::Select(const Selection& selection) const {
  if (!selection.team && !selection.site && !selection.routingState && !selection.medium) return Snapshot();
  if (!m_indexed.load(std::memory_order_acquire)) IndexAll();
  std::vector<Shared> selected;
  Lock lock(m_lock);
  bool none = false;
  const std::unordered_set<long>* sets[] = {
      Found(m_byTeam, selection.team, none), Found(m_bySite, selection.site, none),
      Found(m_byRoutingState, selection.routingState, none), Found(m_byMedium, selection.medium, none)};
  if (none) return selected;
  const std::unordered_set<long>* smallest = nullptr;
  for (const std::unordered_set<long>* set : sets)
    if (set && (!smallest || set->size() < smallest->size())) smallest = set;
  for (const long userKey : *smallest) {
    if (std::all_of(std::begin(sets), std::end(sets),
                    [userKey](const std::unordered_set<long>* set) { return !set || set->count(userKey) != 0; }))
      selected.push_back(Lend(m_users.at(userKey)));
  }
  SortByKey(selected);
  return selected;
}

bool ZelTUserStore::Copy(long userKey, ZelTUserPresence& user) const {
  const Shared held = Get(userKey);
  if (!held) return false;
  user = *held;
  return true;
}

std::vector<ZelTUserPresence> ZelTUserStore::CopyAll() const {
  const std::vector<Shared> held = Snapshot();
  std::vector<ZelTUserPresence> users;
  users.reserve(held.size());
  for (const Shared& user : held) users.push_back(*user);
  return users;
}

void ZelTUserStore::ForEach(const Visitor& visit) const {
  for (const Shared& user : Unordered()) visit(*user);
}

std::size_t ZelTUserStore::Size() const {
  Lock lock(m_lock);
  return m_users.size();
}

bool ZelTUserStore::Contains(long userKey) const {
  Lock lock(m_lock);
  return m_users.count(userKey) != 0;
}

TEventPosition ZelTUserStore::PositionOf(long userKey) const {
  Lock lock(m_lock);
  const auto found = m_users.find(userKey);
  return found == m_users.end() ? TEventPosition() : found->second.position;
}

bool ZelTUserStore::UserIdOf(long userKey, std::string& userId) const {
  const Shared held = Get(userKey);
  if (!held) return false;
  userId = held->GetUserID();
  return true;
}

std::vector<long> ZelTUserStore::Keys() const {
  std::vector<long> keys;
  {
    Lock lock(m_lock);
    keys.reserve(m_users.size());
    for (const auto& entry : m_users) keys.push_back(entry.first);
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

// A reply at the held position replaces: a record an incomplete event left
// behind reflects that position without being exact.
bool ZelTUserStore::Put(Shared record, const TEventPosition& at, Shared* replaced) {
  const long userKey = record->GetUserKey();
  Entry* entry = Held(userKey);
  if (entry && Comparable(entry->position, at) && at.position < entry->position.position) return false;
  Shared before;
  if (entry) {
    entry->own = nullptr;
    before = Swap(*entry, std::move(record), at);
  } else {
    Exclusive lock(m_lock);
    Entry& added = m_users[userKey];
    added.record = std::move(record);
    added.position = at;
    if (m_indexed.load(std::memory_order_relaxed)) {
      added.keys = KeysOf(*added.record);
      Reindex(userKey, added.keys);
    }
  }
  if (replaced) *replaced = std::move(before);
  return true;
}

ZelTUserStore::Shared ZelTUserStore::Remove(long userKey) {
  Shared removed;
  Exclusive lock(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) return removed;
  removed = std::move(found->second.record);
  if (m_indexed.load(std::memory_order_relaxed)) Unindex(userKey, found->second.keys);
  m_users.erase(found);
  return removed;
}

void ZelTUserStore::Reserve(std::size_t users) {
  Exclusive lock(m_lock);
  m_users.reserve(users);
}
