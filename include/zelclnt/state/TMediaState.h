#pragma once
// The state of one user on one medium, and since when.
//
// Wire form: media (long), state, cause (raw enumerations); a TMediaState
// adds its start time.

#include <string>

#include "zelclnt/state/STTimeStamp.h"
#include "zelclnt/state/TStateEnums.h"

class TMediaStateBase {
 public:
  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  long media = 0;  // a KRVEnum::MEDIUM value
  enMediaState state = MEDIASTATE_LOGOFF;
  enMediaStateCause cause = MEDIASTATECAUSE_NONE;
};

class TMediaState : public TMediaStateBase {
 public:
  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  STTimeStamp startTime;
};

TPack& operator<<(TPack& pack, const TMediaStateBase& state);
TPack& operator>>(TPack& pack, TMediaStateBase& state);
TPack& operator<<(TPack& pack, const TMediaState& state);
TPack& operator>>(TPack& pack, TMediaState& state);
