#include "zelclnt/platform/TServerRole.h"

#include <cstdio>
#include <iterator>

std::string ToString(TServerRole role) {
  static constexpr const char* kTexts[] = {"serving", "standby", "handing over", "shutting down"};
  const auto index = static_cast<std::size_t>(role);
  return index < std::size(kTexts) ? kTexts[index] : "role " + std::to_string(index);
}

std::string TServerTerm::ToString(std::uint64_t term) {
  char id[9];
  std::snprintf(id, sizeof id, "%08x", Owner(term));
  return std::to_string(Counter(term)) + "/" + id;
}
