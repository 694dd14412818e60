#include "ChangeJournal.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace zelgw {

namespace {

// Decimal digits only, no sign, no leading zero but "0", within 64 bits.
bool ReadNumber(const std::string& text, std::size_t& at, std::uint64_t& value) {
  const std::size_t start = at;
  value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    const auto digit = static_cast<std::uint64_t>(text[at] - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
    ++at;
  }
  return at > start && (at - start == 1 || text[start] != '0');
}

}  // namespace

std::string StreamId::ToString() const {
  char text[80];
  if (sequence == 0)
    std::snprintf(text, sizeof text, "%" PRIu64 "-%" PRIu64, incarnation, position);
  else
    std::snprintf(text, sizeof text, "%" PRIu64 "-%" PRIu64 ".%" PRIu64, incarnation, position, sequence);
  return text;
}

bool StreamId::Parse(const std::string& text, StreamId& id) {
  StreamId read;
  std::size_t at = 0;
  if (!ReadNumber(text, at, read.incarnation) || at == text.size() || text[at++] != '-') return false;
  if (!ReadNumber(text, at, read.position)) return false;
  if (at < text.size()) {
    if (text[at++] != '.' || !ReadNumber(text, at, read.sequence) || read.sequence == 0) return false;
  }
  if (at != text.size() || read.incarnation == 0) return false;
  id = read;
  return true;
}

void ChangeJournal::Restart(const TEventPosition& at) {
  m_entries.clear();
  m_base = StreamId{at.incarnation, at.position, 0};
  m_started = true;
}

StreamId ChangeJournal::NextId(const TEventPosition& at) const {
  const StreamId last = Last();
  if (at.position > last.position) return StreamId{m_base.incarnation, at.position, 0};
  return StreamId{m_base.incarnation, last.position, last.sequence + 1};
}

void ChangeJournal::Append(StreamEntry entry) {
  m_entries.push_back(Held{std::move(entry), TClock::Now()});
  Evict();
}

void ChangeJournal::Evict() {
  while (m_entries.size() > m_maxEntries) {
    m_base = m_entries.front().entry.id;
    m_entries.pop_front();
  }
}

void ChangeJournal::Trim() {
  const TClock::time_point oldest = TClock::Now() - m_maxAge;
  while (!m_entries.empty() && m_entries.front().at < oldest) {
    m_base = m_entries.front().entry.id;
    m_entries.pop_front();
  }
}

StreamId ChangeJournal::Last() const { return m_entries.empty() ? m_base : m_entries.back().entry.id; }

bool ChangeJournal::After(const StreamId& from, std::vector<StreamEntry>& changes) const {
  if (!m_started || from.incarnation != m_base.incarnation || from < m_base || Last() < from) return false;
  const auto first = std::upper_bound(m_entries.begin(), m_entries.end(), from,
                                      [](const StreamId& id, const Held& held) { return id < held.entry.id; });
  for (auto it = first; it != m_entries.end(); ++it) changes.push_back(it->entry);
  return true;
}

}  // namespace zelgw
