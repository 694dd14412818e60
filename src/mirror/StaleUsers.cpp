#include "StaleUsers.h"

namespace zelclnt::mirror {

StaleUsers::Entry& StaleUsers::Mark(long userKey, std::uint32_t parts, TClock::time_point due) {
  auto [entry, added] = m_entries.try_emplace(userKey);
  entry->second.parts |= parts;
  if (added) {
    entry->second.due = due;
    m_due.emplace(due, userKey);
  }
  return entry->second;
}

void StaleUsers::Settle(long userKey, std::uint32_t parts) {
  const auto found = m_entries.find(userKey);
  if (found == m_entries.end()) return;
  found->second.parts &= ~parts;
  if (found->second.parts == 0) Erase(userKey);
}

const StaleUsers::Entry* StaleUsers::Find(long userKey) const {
  const auto found = m_entries.find(userKey);
  return found == m_entries.end() ? nullptr : &found->second;
}

void StaleUsers::Postpone(long userKey, TClock::time_point due) {
  const auto found = m_entries.find(userKey);
  if (found == m_entries.end()) return;
  m_due.erase({found->second.due, userKey});
  found->second.due = due;
  m_due.emplace(due, userKey);
}

void StaleUsers::Erase(long userKey) {
  const auto found = m_entries.find(userKey);
  if (found == m_entries.end()) return;
  m_due.erase({found->second.due, userKey});
  m_entries.erase(found);
}

void StaleUsers::Clear() {
  m_entries.clear();
  m_due.clear();
}

std::optional<long> StaleUsers::DueBy(TClock::time_point now) const {
  if (m_due.empty() || m_due.begin()->first > now) return std::nullopt;
  return m_due.begin()->second;
}

TClock::time_point StaleUsers::Earliest() const {
  return m_due.empty() ? TClock::time_point::max() : m_due.begin()->first;
}

}  // namespace zelclnt::mirror
