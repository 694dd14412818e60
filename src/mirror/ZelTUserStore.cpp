#include "zelclnt/mirror/ZelTUserStore.h"

#include <algorithm>
#include <mutex>

namespace {

using Lock = std::shared_lock<std::shared_mutex>;

bool Comparable(const TEventPosition& a, const TEventPosition& b) {
  return a.IsKnown() && b.IsKnown() && a.incarnation == b.incarnation;
}

}  // namespace

ZelTUserStore::enVerdict ZelTUserStore::Judge(const TEventPosition& held, const TEventPosition& at) {
  if (!held.IsKnown() || !at.IsKnown()) return VERDICT_APPLIED;
  if (held.incarnation != at.incarnation) return VERDICT_OTHER_INCARNATION;
  return at.position > held.position ? VERDICT_APPLIED : VERDICT_ALREADY_HAD;
}

bool ZelTUserStore::Copy(long userKey, ZelTUserPresence& user) const {
  Lock lock(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) return false;
  user = *found->second.record;
  return true;
}

std::vector<ZelTUserPresence> ZelTUserStore::CopyAll() const {
  std::vector<ZelTUserPresence> users;
  Lock lock(m_lock);
  std::vector<const ZelTUserPresence*> held;
  held.reserve(m_users.size());
  for (const auto& entry : m_users) held.push_back(entry.second.record.get());
  std::sort(held.begin(), held.end(),
            [](const ZelTUserPresence* a, const ZelTUserPresence* b) { return a->GetUserKey() < b->GetUserKey(); });
  users.reserve(held.size());
  for (const ZelTUserPresence* user : held) users.push_back(*user);
  return users;
}

void ZelTUserStore::ForEach(const Visitor& visit) const {
  Lock lock(m_lock);
  for (const auto& entry : m_users) visit(*entry.second.record);
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
  Lock lock(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) return false;
  userId = found->second.record->GetUserID();
  return true;
}

std::vector<long> ZelTUserStore::Keys() const {
  std::vector<long> keys;
  Lock lock(m_lock);
  keys.reserve(m_users.size());
  for (const auto& entry : m_users) keys.push_back(entry.first);
  std::sort(keys.begin(), keys.end());
  return keys;
}

// A reply at the held position replaces: a record an incomplete event left
// behind reflects that position without being exact.
bool ZelTUserStore::Put(Record& record, const TEventPosition& at) {
  const long userKey = record->GetUserKey();
  std::unique_lock<std::shared_mutex> lock(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) {
    m_users.emplace(userKey, Entry{std::move(record), at});
    record.reset();
    return true;
  }
  Entry& entry = found->second;
  if (Comparable(entry.position, at) && at.position < entry.position.position) return false;
  std::swap(entry.record, record);
  entry.position = at;
  return true;
}

ZelTUserStore::Record ZelTUserStore::Remove(long userKey) {
  std::unique_lock<std::shared_mutex> lock(m_lock);
  const auto found = m_users.find(userKey);
  if (found == m_users.end()) return Record(nullptr, zelclnt::detail::TracedDelete<ZelTUserPresence>{"ZelTUserStore"});
  Record removed = std::move(found->second.record);
  m_users.erase(found);
  return removed;
}

void ZelTUserStore::Reserve(std::size_t users) {
  std::unique_lock<std::shared_mutex> lock(m_lock);
  m_users.reserve(users);
}
