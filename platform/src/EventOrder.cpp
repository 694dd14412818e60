#include "EventOrder.h"

#include <algorithm>

namespace zelplatform {
namespace {

template <typename Value>
bool Chosen(const std::vector<Value>& chosen, Value value) {
  return chosen.empty() || std::find(chosen.begin(), chosen.end(), value) != chosen.end();
}

}  // namespace

EventOrder::EventOrder(std::vector<std::int32_t> types, std::vector<std::int64_t> users)
    : m_types(std::move(types)), m_users(std::move(users)) {}

bool EventOrder::NoteIncarnation(std::uint64_t incarnation) {
  if (incarnation == m_incarnation) return false;
  const bool restarted = m_incarnation != 0;
  m_incarnation = incarnation;
  m_through = 0;
  m_anchored = restarted;
  return restarted;
}

EventOrder::Verdict EventOrder::OnEvent(const EventHeader& header) {
  if (!m_anchored) {
    m_anchored = true;
    m_through = header.position - 1;
    return Verdict::Deliver;
  }
  if (header.position <= m_through) return Verdict::Duplicate;
  return PreviousOf(header) > m_through ? Verdict::Gap : Verdict::Deliver;
}

EventOrder::Verdict EventOrder::OnHeartbeat(const EventHeader& header, const TypeMarks& marks) {
  if (!m_anchored) {
    m_anchored = true;
    m_through = header.position;
    return Verdict::Deliver;
  }
  if (!m_users.empty()) return Verdict::Deliver;
  if (m_types.empty()) return header.position > m_through ? Verdict::Gap : Verdict::Deliver;
  const bool behind = std::any_of(marks.begin(), marks.end(), [this](const auto& mark) {
    return Chosen(m_types, mark.first) && mark.second > m_through;
  });
  return behind ? Verdict::Gap : Verdict::Deliver;
}

void EventOrder::Delivered(std::uint64_t position) { m_through = std::max(m_through, position); }

void EventOrder::CompleteThrough(std::uint64_t through) { m_through = std::max(m_through, through); }

void EventOrder::ResumeAfter(const TEventPosition& position) {
  m_incarnation = position.incarnation;
  m_through = position.position;
  m_anchored = position.IsKnown();
}

bool EventOrder::Wanted(std::int32_t eventType, std::int64_t userKey) const {
  return Chosen(m_types, eventType) && Chosen(m_users, userKey);
}

std::uint64_t EventOrder::PreviousOf(const EventHeader& header) const {
  if (!m_users.empty()) return header.userPrevious;
  if (!m_types.empty()) return header.typePrevious;
  return header.position - 1;
}

}  // namespace zelplatform
