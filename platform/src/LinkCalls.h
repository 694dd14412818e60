#pragma once
// The calls of one connection: those waiting to be sent, in the order they
// were started, and those sent and awaiting replies, by call id. Neither
// allocates per call: the waiting ones are linked through the calls
// themselves (members unsentPrev and unsentNext), and a connection's call
// ids are given in order, so a sent call's slot is its distance from the
// oldest one awaited.

#include <cstddef>
#include <cstdint>
#include <deque>

namespace zelplatform {

template <typename Call>
class UnsentCalls {
 public:
  bool Empty() const { return m_head == nullptr; }
  bool Single() const { return m_head != nullptr && m_head == m_tail; }
  Call* Front() const { return m_head; }

  void PushBack(Call* call) {
    call->unsentPrev = m_tail;
    call->unsentNext = nullptr;
    (m_tail ? m_tail->unsentNext : m_head) = call;
    m_tail = call;
  }
  void Remove(Call* call) {
    (call->unsentPrev ? call->unsentPrev->unsentNext : m_head) = call->unsentNext;
    (call->unsentNext ? call->unsentNext->unsentPrev : m_tail) = call->unsentPrev;
    call->unsentPrev = call->unsentNext = nullptr;
  }
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (Call* call = m_head; call; call = call->unsentNext) visit(call);
  }

 private:
  Call* m_head = nullptr;
  Call* m_tail = nullptr;
};

template <typename Call>
class SentCalls {
 public:
  bool Empty() const { return m_count == 0; }
  std::size_t Size() const { return m_count; }

  // REQUIRES: id above every id added before.
  void Add(std::uint64_t id, Call* call) {
    if (m_count == 0) {
      m_slots.clear();
      m_first = id;
    }
    m_slots.resize(static_cast<std::size_t>(id - m_first) + 1, nullptr);
    m_slots.back() = call;
    ++m_count;
  }
  // The call sent under id, no longer awaited; null for an id it does not
  // await (a stale reply's, or any number a peer sends).
  Call* Take(std::uint64_t id) {
    if (id < m_first || id - m_first >= m_slots.size()) return nullptr;
    Call* call = m_slots[static_cast<std::size_t>(id - m_first)];
    if (call == nullptr) return nullptr;
    m_slots[static_cast<std::size_t>(id - m_first)] = nullptr;
    --m_count;
    while (!m_slots.empty() && m_slots.front() == nullptr) {
      m_slots.pop_front();
      ++m_first;
    }
    return call;
  }
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (Call* call : m_slots)
      if (call) visit(call);
  }

 private:
  std::deque<Call*> m_slots;
  std::uint64_t m_first = 0;
  std::size_t m_count = 0;
};

}  // namespace zelplatform
