#include "zelclnt/state/TMediaState.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "NUXTMediaState";

}  // namespace

std::string TMediaStateBase::ToString(int, bool showName, bool showOpen, bool showClose) const {
  NuxDiagSummary summary(showName, showOpen, showClose, "MediaStateBase", "{", "}");
  summary.Add(NuxDiagSummary::GetContentName_Media(), MediaToString(media), true);
  summary.Add(NuxDiagSummary::GetContentName_State(), MediaStateToString(state), true);
  summary.Add(NuxDiagSummary::GetContentName_Cause(), MediaStateCauseToString(cause), false);
  return summary.ToString();
}

void TMediaStateBase::PrintDiag() const {
  if (TDiag::ShouldWeDiag(TDiag::INFO)) NuxDiagStream::WriteDiag(TDiag::INFO, 324, kSource, ToString());
}

std::string TMediaState::ToString(int, bool showName, bool showOpen, bool showClose) const {
  NuxDiagSummary summary(showName, showOpen, showClose, "MediaState", "{", "}");
  summary << TMediaStateBase::ToString(0, false, false, false) << "," << startTime.ToString();
  return summary.ToString();
}

void TMediaState::PrintDiag() const {
  if (TDiag::ShouldWeDiag(TDiag::INFO)) NuxDiagStream::WriteDiag(TDiag::INFO, 553, kSource, ToString());
}

TPack& operator<<(TPack& pack, const TMediaStateBase& state) { return pack << state.media << state.state << state.cause; }

TPack& operator>>(TPack& pack, TMediaStateBase& state) { return pack >> state.media >> state.state >> state.cause; }

TPack& operator<<(TPack& pack, const TMediaState& state) {
  return pack << static_cast<const TMediaStateBase&>(state) << state.startTime;
}

TPack& operator>>(TPack& pack, TMediaState& state) {
  return pack >> static_cast<TMediaStateBase&>(state) >> state.startTime;
}
