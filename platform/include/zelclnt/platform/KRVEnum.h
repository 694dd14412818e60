#pragma once
// The state-manager client's media enumeration.

#include <cstdint>

#include "zelclnt/ZelExport.h"

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

ZELCLNT_API TPack& operator<<(TPack& pack, KRVEnum::MEDIUM medium);
ZELCLNT_API TPack& operator>>(TPack& pack, KRVEnum::MEDIUM& medium);
