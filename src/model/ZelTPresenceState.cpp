#include "zelclnt/model/ZelTPresenceState.h"

#include "ZelTextTable.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

std::string ZelTPresenceState::ToSummary(enSummaryType, bool showName) const {
  NuxDiagSummary summary(showName, true, true, m_excludeDirectContact ? "Presence State(ExDC)" : "Presence State",
                         "{", "}");
  if (!NuxDiagSummary::IsDetailOn()) {
    summary << ToString(m_presenceState);
    return summary.ToString();
  }
  summary.Add(NuxDiagSummary::GetContentName_State(), ToString(m_presenceState), true);
  summary.Add(NuxDiagSummary::GetContentName_StartTime(), NuxDiagSummary::DateTimeText(m_startTime), false);
  return summary.ToString();
}

void ZelTPresenceState::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, __LINE__, "ZelTPresenceState", "ZelTPresenceState", "PrintDiag") << ToString();
}

std::string ZelTPresenceState::ToString(enPresenceState state) {
  static constexpr ZelTextEntry kTexts[] = {
      {PRESENCESTATE_IDLE, "Idle"},     {PRESENCESTATE_AWAY, "Away"},     {PRESENCESTATE_BUSY, "Busy"},
      {PRESENCESTATE_ACTIVE, "Active"}, {PRESENCESTATE_LOGOFF, "Logoff"}, {PRESENCESTATE_UNKNOWN, "Unknown"},
  };
  return ZelTextOrInvalid(kTexts, state);
}

TPack& operator<<(TPack& pack, const ZelTPresenceState& state) {
  return pack << state.m_presenceState << state.m_startTime;
}

// The exclusion flag is local: the reader leaves it alone.
TPack& operator>>(TPack& pack, ZelTPresenceState& state) { return pack >> state.m_presenceState >> state.m_startTime; }

TPack& operator<<(TPack& pack, ZelTPresenceState::enPresenceState state) { return PackEnum32(pack, state); }
TPack& operator>>(TPack& pack, ZelTPresenceState::enPresenceState& state) { return UnpackEnum32(pack, state); }
