#pragma once
// A collection element with a category, a wire form and a destructor that
// can be told to throw.

#include <stdexcept>
#include <string>

#include "zelclnt/platform/TPack.h"

struct CollItem {
  CollItem() = default;
  CollItem(int id, long category) : id(id), category(category) {}
  CollItem(const CollItem&) = default;
  CollItem& operator=(const CollItem&) = default;
  ~CollItem() noexcept(false) {
    if (throwOnDestroy) throw std::runtime_error("element destructor");
  }

  bool CompareListItem(const CollItem& other) const { return id == other.id; }
  bool CompareListItem(long first, long) const { return category == first; }
  std::string ToString() const { return "Item{" + std::to_string(id) + "}"; }

  int id = 0;
  long category = 0;
  int tag = 0;
  bool throwOnDestroy = false;
};

inline TPack& operator<<(TPack& pack, const CollItem& item) { return pack << item.id << item.category; }
inline TPack& operator>>(TPack& pack, CollItem& item) { return pack >> item.id >> item.category; }
