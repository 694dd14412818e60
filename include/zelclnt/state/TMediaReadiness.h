#pragma once
// Whether a medium is ready for a user, why not, and since when.
//
// Wire form: media (KRVEnum::MEDIUM), state, cause (raw enumerations); a
// TMediaReadiness adds its start time.

#include <string>

#include "zelclnt/platform/KRVEnum.h"
#include "zelclnt/state/STTimeStamp.h"
#include "zelclnt/state/TStateEnums.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API TMediaReadinessBase {
 public:
  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  KRVEnum::MEDIUM media = KRVEnum::MEDIUM_NONE;
  enReadinessState state = READINESS_UNKNOWN;
  enReadinessCause cause = READINESSCAUSE_NONE;
};

class ZELCLNT_API TMediaReadiness : public TMediaReadinessBase {
 public:
  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  STTimeStamp startTime;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const TMediaReadinessBase& readiness);
ZELCLNT_API TPack& operator>>(TPack& pack, TMediaReadinessBase& readiness);
ZELCLNT_API TPack& operator<<(TPack& pack, const TMediaReadiness& readiness);
ZELCLNT_API TPack& operator>>(TPack& pack, TMediaReadiness& readiness);
