#pragma once
// Byte helpers for wire tests.

#include <string>

#include "zelclnt/platform/TPack.h"

inline std::string Written(const TPack& pack) { return std::string(pack.Contents(), pack.Length()); }

template <typename T>
std::string BytesOf(const T& value) {
  TPack pack;
  pack << value;
  return Written(pack);
}
