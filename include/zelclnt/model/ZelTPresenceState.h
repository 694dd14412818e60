#pragma once
// The user's desktop presence and since when. ExcludeDirectContact marks
// the variant that leaves direct contacts out; it is local and set by the
// side that fills the record.
//
// Wire form: state (raw enumeration), start time.

#include <cstdint>
#include <string>

#include "zelclnt/platform/TTimeStamp.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTPresenceState {
 public:
  enum enPresenceState : std::int32_t {
    PRESENCESTATE_IDLE = 0,
    PRESENCESTATE_AWAY = 1,
    PRESENCESTATE_BUSY = 2,
    PRESENCESTATE_ACTIVE = 3,
    PRESENCESTATE_LOGOFF = 4,
    PRESENCESTATE_UNKNOWN = 5,
  };

  // The summary has one form.
  enum enSummaryType : std::int32_t {
    SUMMARY_FULL = 0,
  };

  enPresenceState GetPresenceState() const { return m_presenceState; }
  TTimeStamp GetStartTime() const { return m_startTime; }
  bool IsExcludeDirectContact() const { return m_excludeDirectContact; }
  void SetPresenceState(enPresenceState state) { m_presenceState = state; }
  void SetStartTime(const TTimeStamp& time) { m_startTime = time; }
  void SetExcludeDirectContact(bool exclude) { m_excludeDirectContact = exclude; }

  std::string ToSummary(enSummaryType type, bool showName) const;
  std::string ToString() const { return ToSummary(SUMMARY_FULL, true); }
  void PrintDiag() const;

  // "Invalid" for a value without a text.
  static std::string ToString(enPresenceState state);

 private:
  friend TPack& operator<<(TPack& pack, const ZelTPresenceState& state);
  friend TPack& operator>>(TPack& pack, ZelTPresenceState& state);

  enPresenceState m_presenceState = PRESENCESTATE_LOGOFF;
  TTimeStamp m_startTime{1};
  bool m_excludeDirectContact = false;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTPresenceState& state);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTPresenceState& state);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTPresenceState::enPresenceState state);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTPresenceState::enPresenceState& state);
