#pragma once
// The state-manager client's media enumeration.

#include <cstdint>

class TPack;

namespace KRVEnum {
enum MEDIUM : std::int32_t {
  MEDIUM_NONE = 0,
  MEDIUM_VOICE = 1,
  MEDIUM_CALLBACK = 2,
  MEDIUM_EMAIL = 3,
  MEDIUM_WEBCHAT = 4,
  MEDIUM_OPENMEDIA = 5,
};
}  // namespace KRVEnum

TPack& operator<<(TPack& pack, KRVEnum::MEDIUM medium);
TPack& operator>>(TPack& pack, KRVEnum::MEDIUM& medium);
