#pragma once
// An owning list of records with a cursor of its own.
//
// The collection keeps a private copy of every record added, deletes every
// record it removes, and copies record by record when copied itself. An
// optional maximum size (0 or below: none) limits PushBack. Walk it so:
// First(); while (IsCurrentValid()) { GetCurrent(record); ...; Next(); }
// or, leaving the cursor alone, for (const T* record : collection).
//
// Wire form: element count (int), maximum size (int), then each element in
// its own form. Only the operations a caller uses need the element's
// matching, category, text and wire members. One thread at a time, but for
// readers that walk by iterators: the cursor moves even in const methods.

#include <list>
#include <string>
#include <utility>

#include "zelclnt/model/detail/PointerCollOps.h"

template <typename T>
class ZelTStdListPointerColl {
 public:
  using const_iterator = typename std::list<T*>::const_iterator;

  ZelTStdListPointerColl() : m_cursor(m_list.end()) {}
  ZelTStdListPointerColl(const ZelTStdListPointerColl& other) : m_cursor(m_list.end()) { *this = other; }
  virtual ~ZelTStdListPointerColl() { Clear(); }

  ZelTStdListPointerColl& operator=(const ZelTStdListPointerColl& other) {
    if (this == &other) return *this;
    Clear();
    zelclnt::detail::AppendCopies(m_list, other.m_list, kSource);
    m_maxSize = other.m_maxSize;
    First();
    return *this;
  }

  TPack& Pack(TPack& pack) const {
    zelclnt::detail::PackElements(pack, m_list, m_maxSize);
    return pack;
  }

  // Replaces the contents with what the wire holds, reading into the
  // records already held rather than allocating them again; the maximum
  // size read is not enforced.
  TPack& UnPack(TPack& pack) {
    zelclnt::detail::UnpackReusing(pack, m_list, m_maxSize, kSource, kClearFailure);
    First();
    return pack;
  }

  // Exchanges the records and maximum sizes without copying a record; both
  // cursors go back to the first record.
  void Swap(ZelTStdListPointerColl& other) {
    m_list.swap(other.m_list);
    std::swap(m_maxSize, other.m_maxSize);
    First();
    other.First();
  }

  // Hands the first record over to the caller; null when there is none.
  zelclnt::detail::TracedPtr<T> TakeFirst() {
    if (m_list.empty()) return zelclnt::detail::TracedPtr<T>(nullptr, zelclnt::detail::TracedDelete<T>{kSource});
    zelclnt::detail::TracedPtr<T> first(m_list.front(), zelclnt::detail::TracedDelete<T>{kSource});
    if (m_cursor == m_list.begin()) ++m_cursor;
    m_list.pop_front();
    return first;
  }

  // The elements stay the collection's; the caller must not delete them.
  const std::list<T*>& GetList() const { return m_list; }
  const_iterator begin() const { return m_list.begin(); }
  const_iterator end() const { return m_list.end(); }

  // Copies every record pointed to (null pointers are skipped); the maximum
  // size is not enforced.
  void SetList(const std::list<T*>& list) {
    Clear();
    zelclnt::detail::AppendCopies(m_list, list, kSource);
    First();
  }

  // False, and no change, when the maximum size is reached. The cursor
  // stays where it was.
  bool PushBack(const T& record) {
    if (IsFull()) return false;
    Link(zelclnt::detail::CopyElement(record, kSource));
    return true;
  }

  // PushBack without the copy, for a record made with the tracer's new
  // (zelclnt::detail::NewElement); a refused record is released.
  bool Adopt(zelclnt::detail::TracedPtr<T> record) {
    if (IsFull() || !record) return false;
    Link(std::move(record));
    return true;
  }

  bool FoundItem(const T& record) const { return GetItem(record) != nullptr; }

  T* GetItem(const T& record) const {
    const auto match = Find(record);
    return match == m_list.end() ? nullptr : *match;
  }

  // Removes only the first match; a cursor on it moves on to the next record.
  bool RemoveItem(const T& record) {
    const auto match = Find(record);
    if (match == m_list.end()) return false;
    Unlink(match);
    return true;
  }

  // Moves every record of the category into another collection. A record
  // the destination refuses stays here; the result is then false.
  bool RemoveAllItemByCategory(long first, long second, ZelTStdListPointerColl& destination) {
    // Into itself nothing moves; walking on would meet every copy again.
    if (&destination == this) return true;
    bool allMoved = true;
    for (const_iterator node = m_list.begin(); node != m_list.end();) {
      T* element = *node;
      if (!element || !element->CompareListItem(first, second)) {
        ++node;
      } else if (!destination.PushBack(*element)) {
        allMoved = false;
        ++node;
      } else {
        node = Unlink(node);
      }
    }
    return allMoved;
  }

  bool GetCurrent(T& record) const {
    if (!IsCurrentValid()) return false;
    record = **m_cursor;
    return true;
  }

  bool GetCurrent(const_iterator& cursor) {
    cursor = m_cursor;
    return IsCurrentValid();
  }

  void PrintDiag() const {
    zelclnt::detail::PrintEach(m_list);
  }

  const std::string ToString() const { return zelclnt::detail::JoinTexts("ListDetails:{", m_list); }

  void Clear() {
    zelclnt::detail::ReleaseAll(m_list, kSource, kClearFailure);
    First();
  }

  int Size() const { return static_cast<int>(m_list.size()); }
  bool Empty() const { return m_list.empty(); }

  void First() const { GetFirst(m_cursor); }
  void Next() const { GetNext(m_cursor); }
  void End() const { GetEnd(m_cursor); }
  bool IsCurrentValid() const { return IsIteratorValid(m_cursor); }

  void SetMaxSize(int maxSize) { m_maxSize = maxSize; }
  int GetMaxSize() const { return m_maxSize; }

 private:
  static constexpr const char* kSource = "ZelTStdListPointerColl";
  static constexpr const char* kClearFailure =
      "TStdListPointerColl::~TStdListPointerColl exception occurred while destroying the list";

  bool IsFull() const { return m_maxSize > 0 && m_maxSize <= Size(); }

  void Link(zelclnt::detail::TracedPtr<T> record) {
    m_list.push_back(record.get());
    record.release();
  }

  const_iterator Find(const T& record) const {
    for (auto node = m_list.begin(); node != m_list.end(); ++node)
      if (*node && (*node)->CompareListItem(record)) return node;
    return m_list.end();
  }

  // A cursor on the removed node moves on to the next, so it never dangles.
  const_iterator Unlink(const_iterator node) {
    T* element = *node;
    if (m_cursor == node) ++m_cursor;
    const_iterator next = m_list.erase(node);
    TMemory::Delete(element, __LINE__, kSource);
    return next;
  }

  void GetFirst(const_iterator& it) const { it = m_list.begin(); }
  void GetNext(const_iterator& it) const { it = IsIteratorValid(it) ? std::next(it) : m_list.end(); }
  void GetEnd(const_iterator& it) const { it = m_list.end(); }
  bool IsIteratorValid(const const_iterator& it) const { return it != m_list.end(); }

  std::list<T*> m_list;
  mutable const_iterator m_cursor;
  int m_maxSize = 0;
};

template <typename T>
TPack& operator<<(TPack& pack, const ZelTStdListPointerColl<T>& collection) {
  return collection.Pack(pack);
}

template <typename T>
TPack& operator>>(TPack& pack, ZelTStdListPointerColl<T>& collection) {
  return collection.UnPack(pack);
}
