#pragma once
// Value-to-text tables: one lookup for every enumeration of the library.

#include <cstddef>
#include <cstdint>

#include "zelclnt/platform/TDiag.h"

struct ZelTextEntry {
  std::int64_t value;
  const char* text;
};

// The text of value, or null when the table has none.
template <std::size_t N>
const char* ZelFindText(const ZelTextEntry (&table)[N], std::int64_t value) {
  for (const ZelTextEntry& entry : table)
    if (entry.value == value) return entry.text;
  return nullptr;
}

// The text of value, or "Invalid" when the table has none.
template <std::size_t N>
const char* ZelTextOrInvalid(const ZelTextEntry (&table)[N], std::int64_t value) {
  const char* text = ZelFindText(table, value);
  return text ? text : "Invalid";
}

// The text of value; otherwise warns with the printf-style warning (value
// as its one %d), naming file as the source, and gives the fallback.
template <std::size_t N>
const char* ZelTextOrWarn(const ZelTextEntry (&table)[N], std::int32_t value, const char* fallback, const char* file,
                          const char* warning) {
  if (const char* text = ZelFindText(table, value)) return text;
  Diag(TDiag::WARN, __LINE__, file, warning, value);
  return fallback;
}
