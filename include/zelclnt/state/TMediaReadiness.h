#pragma once
// Whether a medium is ready for a user, why not, and since when.
//
// Wire form: media (KRVEnum::MEDIUM), state, cause (raw enumerations); a
// TMediaReadiness adds its start time.

#include <string>

#include "zelclnt/platform/KRVEnum.h"
#include "zelclnt/state/STTimeStamp.h"
#include "zelclnt/state/TStateEnums.h"

class TMediaReadinessBase {
 public:
  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  KRVEnum::MEDIUM media = KRVEnum::MEDIUM_NONE;
  enReadinessState state = READINESS_UNKNOWN;
  enReadinessCause cause = READINESSCAUSE_NONE;
};

class TMediaReadiness : public TMediaReadinessBase {
 public:
  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  STTimeStamp startTime;
};

TPack& operator<<(TPack& pack, const TMediaReadinessBase& readiness);
TPack& operator>>(TPack& pack, TMediaReadinessBase& readiness);
TPack& operator<<(TPack& pack, const TMediaReadiness& readiness);
TPack& operator>>(TPack& pack, TMediaReadiness& readiness);
