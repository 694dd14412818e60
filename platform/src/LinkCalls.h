#pragma once
// The calls of one connection: those waiting to be sent, in the order they
// were started, and those sent and awaiting replies, by call id. Neither
// allocates per call: the waiting ones are linked through the calls
// themselves (members unsentPrev and unsentNext), and a connection's call
// ids are given in order, so a sent call's slot is its distance from the
// oldest one awaited.

#include <cstddef>
#include <cstdint>
#include <vector>

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

// A ring of slots, ids above the oldest awaited: once it is as large as the
// most calls a connection had awaited at once, it never allocates again.
template <typename Call>
class SentCalls {
 public:
  bool Empty() const { return m_count == 0; }
  std::size_t Size() const { return m_count; }

  // REQUIRES: id above every id added before.
  void Add(std::uint64_t id, Call* call) {
    if (m_count == 0) m_first = m_end = id;
    const std::uint64_t span = id - m_first + 1;
    if (span > m_ring.size()) Grow(span);
    for (; m_end < id; ++m_end) Slot(m_end) = nullptr;
    Slot(id) = call;
    m_end = id + 1;
    ++m_count;
  }
  // The call sent under id, no longer awaited; null for an id it does not
  // await (a stale reply's, or any number a peer sends).
  Call* Take(std::uint64_t id) {
    if (id < m_first || id >= m_end) return nullptr;
    Call* call = Slot(id);
    if (call == nullptr) return nullptr;
    Slot(id) = nullptr;
    --m_count;
    while (m_first < m_end && Slot(m_first) == nullptr) ++m_first;
    return call;
  }
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (std::uint64_t id = m_first; id < m_end; ++id)
      if (Call* call = m_ring[Index(id)]) visit(call);
  }

 private:
  std::size_t Index(std::uint64_t id) const { return static_cast<std::size_t>(id & (m_ring.size() - 1)); }
  Call*& Slot(std::uint64_t id) { return m_ring[Index(id)]; }
  // To a power of two, so that an id's slot is its low bits.
  void Grow(std::uint64_t span) {
    std::size_t size = m_ring.empty() ? 16 : m_ring.size();
    while (size < span) size *= 2;
    std::vector<Call*> ring(size, nullptr);
    for (std::uint64_t id = m_first; id < m_end; ++id) ring[static_cast<std::size_t>(id & (size - 1))] = Slot(id);
    m_ring.swap(ring);
  }

  std::vector<Call*> m_ring;
  // Awaited ids are in [m_first, m_end).
  std::uint64_t m_first = 0;
  std::uint64_t m_end = 0;
  std::size_t m_count = 0;
};

}  // namespace zelplatform
