#include "zelclnt/model/ZelTRoutingState.h"

#include "ZelTextTable.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

std::string ZelTRoutingState::GetContentName_RoutingState() { return NuxDiagSummary::GetContentName_State(); }

std::string ZelTRoutingState::GetContentName_RoutingStateStartTime() {
  return NuxDiagSummary::GetContentName_StartTime();
}

std::string ZelTRoutingState::ToSummary(enSummaryType type, bool showName) const {
  NuxDiagSummary summary(showName, true, true, "Routing State", "{", "}");
  summary.Add(GetContentName_RoutingState(), ToString(m_routingState), true);
  summary.Add(GetContentName_RoutingStateReason(), m_routingStateReason, false);
  if (type == SUMMARY_FULL) {
    summary << ",";
    summary.Add(GetContentName_InitRoutingStateSource(), ToString(m_initialSource), false);
  }
  if ((type == SUMMARY_FULL || type == SUMMARY_BRIEF) && NuxDiagSummary::IsDetailOn()) {
    summary << ",";
    summary.Add(GetContentName_RoutingStateStartTime(), NuxDiagSummary::DateTimeText(m_startTime), false);
  }
  return summary.ToString();
}

void ZelTRoutingState::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, __LINE__, "ZelTRoutingState", "ZelTRoutingState", "PrintDiag") << ToString();
}

std::string ZelTRoutingState::ToString(enRoutingState state) {
  static constexpr ZelTextEntry kTexts[] = {
      {ROUTINGSTATE_AVAILABLE, "Available"}, {ROUTINGSTATE_UNAVAILABLE, "Unavailable"}, {ROUTINGSTATE_WORK, "Work"},
      {ROUTINGSTATE_LOGOFF, "Logoff"},       {ROUTINGSTATE_UNKNOWN, "Unknown"},
  };
  return ZelTextOrInvalid(kTexts, state);
}

std::string ZelTRoutingState::ToString(enInitialRoutingStateSource source) {
  static constexpr ZelTextEntry kTexts[] = {
      {SOURCE_DEFAULT, "Default"},
      {SOURCE_CTI_QUERY, "CTI Query"},
      {SOURCE_CTI_QUERY_PX9DR, "CTI Query PX9DR"},
      {SOURCE_UNKNOWN, "Unknown"},
  };
  return ZelTextOrInvalid(kTexts, source);
}

TPack& operator<<(TPack& pack, const ZelTRoutingState& state) {
  return pack << state.m_routingState << state.m_routingStateReason << state.m_initialSource << state.m_startTime;
}

TPack& operator>>(TPack& pack, ZelTRoutingState& state) {
  return pack >> state.m_routingState >> state.m_routingStateReason >> state.m_initialSource >> state.m_startTime;
}

TPack& operator<<(TPack& pack, ZelTRoutingState::enRoutingState state) { return PackEnum32(pack, state); }
TPack& operator>>(TPack& pack, ZelTRoutingState::enRoutingState& state) { return UnpackEnum32(pack, state); }

TPack& operator<<(TPack& pack, ZelTRoutingState::enInitialRoutingStateSource source) {
  return PackEnum32(pack, source);
}

TPack& operator>>(TPack& pack, ZelTRoutingState::enInitialRoutingStateSource& source) {
  return UnpackEnum32(pack, source);
}
