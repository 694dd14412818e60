#pragma once
// An owning vector of records with a cursor of its own: the list
// collection's counterpart where records are looked up by position. Unlike
// the list, PushBack ignores the maximum size, which only travels.
//
// Wire form: element count (int), maximum size (int), then each element in
// its own form. One thread at a time.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "zelclnt/model/detail/PointerCollOps.h"

template <typename T>
class ZelTStdVectorPointerColl {
 public:
  using const_iterator = typename std::vector<T*>::const_iterator;

  ZelTStdVectorPointerColl() = default;
  ZelTStdVectorPointerColl(const ZelTStdVectorPointerColl& other) { *this = other; }
  virtual ~ZelTStdVectorPointerColl() { Clear(); }

  ZelTStdVectorPointerColl& operator=(const ZelTStdVectorPointerColl& other) {
    if (this == &other) return *this;
    Clear();
    zelclnt::detail::AppendCopies(m_vector, other.m_vector, kSource);
    m_maxSize = other.m_maxSize;
    First();
    return *this;
  }

  TPack& Pack(TPack& pack) const {
    zelclnt::detail::PackElements(pack, m_vector, m_maxSize);
    return pack;
  }

  // Replaces the contents with what the wire holds, reading into the
  // records already held rather than allocating them again.
  TPack& UnPack(TPack& pack) {
    zelclnt::detail::UnpackReusing(pack, m_vector, m_maxSize, kSource, kClearFailure);
    First();
    return pack;
  }

  // Exchanges the records and maximum sizes without copying a record; both
  // cursors go back to the first record.
  void Swap(ZelTStdVectorPointerColl& other) {
    m_vector.swap(other.m_vector);
    std::swap(m_maxSize, other.m_maxSize);
    First();
    other.First();
  }

  // The elements stay the collection's; the caller must not delete them.
  const std::vector<T*>& GetVector() const { return m_vector; }
  const_iterator begin() const { return m_vector.begin(); }
  const_iterator end() const { return m_vector.end(); }

  // Room for n records without growing again.
  void Reserve(std::size_t n) { m_vector.reserve(n); }

  bool PushBack(const T& record) {
    auto copy = zelclnt::detail::CopyElement(record, kSource);
    m_vector.push_back(copy.get());
    copy.release();
    return true;
  }

  bool GetCurrent(T& record) const {
    if (!IsCurrentValid()) return false;
    record = *m_vector[m_cursor];
    return true;
  }

  const std::string ToString() const { return zelclnt::detail::JoinTexts("VectorDetails:{", m_vector); }

  void Clear() {
    zelclnt::detail::ReleaseAll(m_vector, kSource, kClearFailure);
    First();
  }

  int Size() const { return static_cast<int>(m_vector.size()); }
  bool Empty() const { return m_vector.empty(); }

  void First() const { m_cursor = m_vector.empty() ? kEnd : 0; }
  void Next() const { m_cursor = IsCurrentValid() && m_cursor + 1 < m_vector.size() ? m_cursor + 1 : kEnd; }
  bool IsCurrentValid() const { return m_cursor != kEnd && m_cursor < m_vector.size(); }

  void SetMaxSize(int maxSize) { m_maxSize = maxSize; }
  int GetMaxSize() const { return m_maxSize; }

 private:
  static constexpr const char* kSource = "ZelTStdVectorPointerColl";
  static constexpr const char* kClearFailure =
      "TStdVectorPointerColl::~TStdVectorPointerColl exception occurred while destroying the vector";
  // The cursor is a position, not an iterator, so that growing the vector
  // never leaves it dangling; the end stays the end when records are added.
  static constexpr std::size_t kEnd = static_cast<std::size_t>(-1);

  std::vector<T*> m_vector;
  mutable std::size_t m_cursor = kEnd;
  int m_maxSize = 0;
};

template <typename T>
TPack& operator<<(TPack& pack, const ZelTStdVectorPointerColl<T>& collection) {
  return collection.Pack(pack);
}

template <typename T>
TPack& operator>>(TPack& pack, ZelTStdVectorPointerColl<T>& collection) {
  return collection.UnPack(pack);
}
