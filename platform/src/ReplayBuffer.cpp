#include "ReplayBuffer.h"

#include <algorithm>

namespace zelplatform {
namespace {

template <typename Value>
bool Wanted(const std::vector<Value>& chosen, Value value) {
  return chosen.empty() || std::find(chosen.begin(), chosen.end(), value) != chosen.end();
}

}  // namespace

void ReplayBuffer::Clear() {
  m_entries.clear();
  m_bytes = 0;
  m_dropped = 0;
}

void ReplayBuffer::Add(std::uint64_t position, std::int32_t eventType, std::int64_t userKey, const void* data,
                       std::size_t size, std::size_t maxEventSize, Clock::time_point now) {
  Expire(now);
  if (m_limits.maxEvents == 0 || size > std::min(m_limits.maxBytes, maxEventSize)) {
    m_dropped = position;
    return;
  }
  while (!m_entries.empty() && (m_entries.size() >= m_limits.maxEvents || m_bytes + size > m_limits.maxBytes))
    DropOldest();
  m_entries.push_back({position, eventType, userKey, now, std::string(static_cast<const char*>(data), size)});
  m_bytes += size;
}

void ReplayBuffer::Expire(Clock::time_point now) {
  while (!m_entries.empty() && now - m_entries.front().at > m_limits.maxAge) DropOldest();
}

void ReplayBuffer::DropOldest() {
  m_dropped = std::max(m_dropped, m_entries.front().position);
  m_bytes -= m_entries.front().bytes.size();
  m_entries.pop_front();
}

bool ReplayBuffer::Answer(const ReplayRequest& request, std::size_t maxBytes, std::size_t maxEvents,
                          ReplayAnswerWriter& answer, std::uint64_t& through) const {
  if (request.after < m_dropped) return false;
  through = request.after;
  if (m_entries.empty()) return true;
  const std::uint64_t first = m_entries.front().position;
  auto entry = m_entries.begin() + static_cast<std::ptrdiff_t>(request.after >= first ? request.after + 1 - first : 0);
  for (; entry != m_entries.end(); ++entry) {
    if (Wanted(request.types, entry->eventType) && Wanted(request.users, entry->userKey)) {
      const bool full = answer.Count() >= maxEvents ||
                        answer.Size() + ReplayAnswerWriter::kEventHeadSize + entry->bytes.size() > maxBytes;
      if (full && answer.Count() > 0) break;
      answer.Add(entry->eventType, entry->userKey, entry->position, entry->bytes);
    }
    through = entry->position;
  }
  return true;
}

}  // namespace zelplatform
