#include "zelclnt/mirror/ZelTUserStore.h"

#include <algorithm>
#include <mutex>

namespace {

using Lock = std::shared_lock<std::shared_mutex>;
using Exclusive = std::unique_lock<std::shared_mutex>;

constexpr const char* kSource = "ZelTUserStore";

bool Comparable(const TEventPosition& a, const TEventPosition& b) {
  return a.IsKnown() && b.IsKnown() && a.incarnation == b.incarnation;
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

ZelTUserStore::Shared ZelTUserStore::Swap(Entry& entry, Shared record, const TEventPosition& at) {
  Exclusive lock(m_lock);
  entry.record.swap(record);
  entry.position = at;
  return record;
}

ZelTUserStore::Shared ZelTUserStore::Get(long userKey) const {
  Lock lock(m_lock);
  const auto found = m_users.find(userKey);
  return found == m_users.end() ? nullptr : found->second.record;
}

std::vector<ZelTUserStore::Shared> ZelTUserStore::Unordered() const {
  std::vector<Shared> held;
  Lock lock(m_lock);
  held.reserve(m_users.size());
  for (const auto& entry : m_users) held.push_back(entry.second.record);
  return held;
}

std::vector<ZelTUserStore::Shared> ZelTUserStore::Snapshot() const {
  std::vector<Shared> held = Unordered();
  std::sort(held.begin(), held.end(), [](const Shared& a, const Shared& b) { return a->GetUserKey() < b->GetUserKey(); });
  return held;
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
    before = Swap(*entry, std::move(record), at);
  } else {
    Exclusive lock(m_lock);
    m_users.emplace(userKey, Entry{std::move(record), at});
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
  m_users.erase(found);
  return removed;
}

void ZelTUserStore::Reserve(std::size_t users) {
  Exclusive lock(m_lock);
  m_users.reserve(users);
}
