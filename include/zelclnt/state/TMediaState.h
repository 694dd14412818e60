#pragma once
// The state of one user on one medium, and since when.
//
// Wire form: media (long), state, cause (raw enumerations); a TMediaState
// adds its start time.

#include <string>

#include "zelclnt/state/STTimeStamp.h"
#include "zelclnt/state/TStateEnums.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API TMediaStateBase {
 public:
  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  long media = 0;  // a KRVEnum::MEDIUM value
  enMediaState state = MEDIASTATE_LOGOFF;
  enMediaStateCause cause = MEDIASTATECAUSE_NONE;
};

class ZELCLNT_API TMediaState : public TMediaStateBase {
 public:
  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  STTimeStamp startTime;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const TMediaStateBase& state);
ZELCLNT_API TPack& operator>>(TPack& pack, TMediaStateBase& state);
ZELCLNT_API TPack& operator<<(TPack& pack, const TMediaState& state);
ZELCLNT_API TPack& operator>>(TPack& pack, TMediaState& state);
