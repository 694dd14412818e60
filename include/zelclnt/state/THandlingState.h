#pragma once
// One contact a user handles: its identity, a related (reference) contact,
// its type, medium, queue and priority, and, in a THandlingState, since when
// and in which state.
//
// Texts take a level: 1 is the brief form (no start time; cause only when
// set or with detail on; queue key and priority only with detail on), 0 the
// full form; the base alone shows neither cause nor queue at other levels.
//
// Wire form: contact id (string), requeue count (long), reference id
// (string), reference requeue count (long), reference type, contact type
// (raw), media (long), handling cause (raw), queue key, priority (long); a
// THandlingState adds its start time and contact state (raw).

#include <cstddef>
#include <string>

#include "zelclnt/state/STTimeStamp.h"
#include "zelclnt/state/TStateEnums.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API THandlingStateBase {
 public:
  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  std::string contactId;
  long requeueCount = -1;
  std::string refId;
  long refRequeueCount = -1;
  enRefType refType = REFTYPE_NONE;
  THandlingStateEnum::enContactType contactType = THandlingStateEnum::CONTACTTYPE_NONE;
  long media = 0;  // a KRVEnum::MEDIUM value
  enHandlingCause handlingCause = HANDLINGCAUSE_NONE;
  long queueKey = 0;
  long priority = 0;
};

class ZELCLNT_API THandlingState : public THandlingStateBase {
 public:
  std::string ToString(int level, bool showName, bool showOpen, bool showClose) const;
  std::string ToString() const { return ToString(0, true, true, true); }
  void PrintDiag() const;

  STTimeStamp startTime;
  enContactState contactState = CONTACTSTATE_UNKNOWN;
};

// The wire form's size (throws TPackError for a string too long for it),
// and the form written at `at` (REQUIRES that much room), returning where
// the next value goes: for writers that claim a whole record at once.
ZELCLNT_API std::size_t WireSizeOf(const THandlingState& state);
ZELCLNT_API char* PutWire(char* at, const THandlingState& state);

ZELCLNT_API TPack& operator<<(TPack& pack, const THandlingStateBase& state);
ZELCLNT_API TPack& operator>>(TPack& pack, THandlingStateBase& state);
ZELCLNT_API TPack& operator<<(TPack& pack, const THandlingState& state);
ZELCLNT_API TPack& operator>>(TPack& pack, THandlingState& state);
