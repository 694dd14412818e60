#pragma once
// What the two owning pointer collections share: element allocation under
// the memory tracer, deep copy, release, wire form and text. Each works on
// any standard sequence of element pointers.

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <list>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TMemory.h"
#include "zelclnt/platform/TPack.h"

namespace zelclnt::detail {

// Releases through the tracer; for the owner of a fresh copy until it is
// linked into its collection.
template <typename T>
struct TracedDelete {
  const char* source;
  void operator()(T* element) const { TMemory::Delete(element, __LINE__, source); }
};

template <typename T>
using TracedPtr = std::unique_ptr<T, TracedDelete<T>>;

template <typename T>
TracedPtr<T> NewElement(const char* source) {
  return TracedPtr<T>(TMemory::New<T>(__LINE__, source), TracedDelete<T>{source});
}

// Every copy is a default construction followed by an assignment.
template <typename T>
TracedPtr<T> CopyElement(const T& from, const char* source) {
  TracedPtr<T> copy = NewElement<T>(source);
  *copy = from;
  return copy;
}

template <typename Seq>
void AppendCopies(Seq& into, const Seq& from, const char* source) {
  using T = std::remove_pointer_t<typename Seq::value_type>;
  for (const T* element : from) {
    if (!element) continue;
    TracedPtr<T> copy = CopyElement(*element, source);
    into.push_back(copy.get());
    copy.release();
  }
}

// Releases front to back, unlinking each element before it goes, so that no
// released pointer stays behind when a destructor throws. Never throws: the
// failure is reported and the elements not yet released stay. A list gives
// back each node with its element: freed in the order they were made, a
// large collection leaves the heap in an order the next one reads fast.
template <typename T>
void ReleaseAll(std::list<T*>& elements, const char* source, const char* failure) noexcept {
  try {
    while (!elements.empty()) {
      T* element = elements.front();
      elements.pop_front();
      TMemory::Delete(element, __LINE__, source);
    }
  } catch (...) {
    Diag(TDiag::SEVR, __LINE__, source, "%s", failure);
  }
}

template <typename T>
void ReleaseAll(std::vector<T*>& elements, const char* source, const char* failure) noexcept {
  std::size_t released = 0;
  try {
    for (T* element : elements) {
      ++released;
      TMemory::Delete(element, __LINE__, source);
    }
    elements.clear();
  } catch (...) {
    elements.erase(elements.begin(), std::next(elements.begin(), static_cast<std::ptrdiff_t>(released)));
    Diag(TDiag::SEVR, __LINE__, source, "%s", failure);
  }
}

template <typename Seq>
void PackElements(TPack& pack, const Seq& elements, int maxSize) {
  pack << static_cast<int>(elements.size()) << maxSize;
  for (const auto* element : elements) pack << *element;
}

// Brings a held record back to a default one before it is read into again;
// strings keep their capacity. A record type may overload it (found by
// argument-dependent lookup) to keep more of its storage.
template <typename T>
void ResetForReading(T& record) {
  record = T();
}

// Hands over the records from `from` on, for release.
template <typename T>
std::list<T*> TakeTail(std::list<T*>& elements, typename std::list<T*>::iterator from) {
  std::list<T*> tail;
  tail.splice(tail.end(), elements, from, elements.end());
  return tail;
}

template <typename T>
std::vector<T*> TakeTail(std::vector<T*>& elements, typename std::vector<T*>::iterator from) {
  std::vector<T*> tail(from, elements.end());
  elements.erase(from, elements.end());
  return tail;
}

// Replaces the contents with what the wire holds, as a read into fresh
// records would: the records held are reset and read into again, in order;
// only records beyond them are allocated (through the tracer); those the
// wire does not reach are released. The count is preset to 0 and bounds the
// reading; it is never trusted, nothing is reserved from it.
template <typename Seq>
void UnpackReusing(TPack& pack, Seq& elements, int& maxSize, const char* source, const char* failure) {
  using T = std::remove_pointer_t<typename Seq::value_type>;
  int count = 0;
  pack >> count >> maxSize;
  auto next = elements.begin();
  for (int i = 0; i < count && pack.Length() > 0; ++i) {
    const unsigned long before = pack.Length();
    if (next == elements.end()) {
      TracedPtr<T> fresh = NewElement<T>(source);
      elements.push_back(fresh.get());
      fresh.release();
      next = std::prev(elements.end());
    } else {
      ResetForReading(**next);
    }
    pack >> **next;
    if (pack.Length() == before) break;
    ++next;
  }
  auto unused = TakeTail(elements, next);
  ReleaseAll(unused, source, failure);
}

// The diagnostic type a record's PrintDiag writes under, when the record
// declares it (kPrintDiagType): a collection then asks the filter once,
// rather than once a record.
template <typename T, typename = void>
struct DeclaresPrintDiagType : std::false_type {};
template <typename T>
struct DeclaresPrintDiagType<T, std::void_t<decltype(T::kPrintDiagType)>> : std::true_type {};

template <typename Seq>
void PrintEach(const Seq& elements) {
  using T = std::remove_pointer_t<typename Seq::value_type>;
  if constexpr (DeclaresPrintDiagType<T>::value) {
    if (!TDiag::ShouldWeDiag(T::kPrintDiagType)) return;
  }
  for (const auto* element : elements) element->PrintDiag();
}

template <typename Seq>
std::string JoinTexts(const char* label, const Seq& elements) {
  std::string text = label;
  bool first = true;
  for (const auto* element : elements) {
    if (!first) text += ",";
    text += element->ToString();
    first = false;
  }
  return text + "}";
}

}  // namespace zelclnt::detail
