#include "zelclnt/state/TMediaReadiness.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "NUXTMediaReadiness";

}  // namespace

std::string TMediaReadinessBase::ToString(int, bool showName, bool showOpen, bool showClose) const {
  NuxDiagSummary summary(showName, showOpen, showClose, "MediaReadinessBase", "{", "}");
  summary.Add(NuxDiagSummary::GetContentName_Media(), MediaToString(media), true);
  summary.Add(NuxDiagSummary::GetContentName_State(), ReadinessStateToString(state), true);
  summary.Add(NuxDiagSummary::GetContentName_Cause(), ReadinessCauseToString(cause), false);
  return summary.ToString();
}

void TMediaReadinessBase::PrintDiag() const {
  if (TDiag::ShouldWeDiag(TDiag::INFO)) NuxDiagStream::WriteDiag(TDiag::INFO, 319, kSource, ToString());
}

std::string TMediaReadiness::ToString(int, bool showName, bool showOpen, bool showClose) const {
  NuxDiagSummary summary(showName, showOpen, showClose, "MediaReadiness", "{", "}");
  summary << TMediaReadinessBase::ToString(0, false, false, false) << "," << startTime.ToString();
  return summary.ToString();
}

void TMediaReadiness::PrintDiag() const {
  if (TDiag::ShouldWeDiag(TDiag::INFO)) NuxDiagStream::WriteDiag(TDiag::INFO, 571, kSource, ToString());
}

TPack& operator<<(TPack& pack, const TMediaReadinessBase& readiness) {
  return pack << readiness.media << readiness.state << readiness.cause;
}

TPack& operator>>(TPack& pack, TMediaReadinessBase& readiness) {
  return pack >> readiness.media >> readiness.state >> readiness.cause;
}

TPack& operator<<(TPack& pack, const TMediaReadiness& readiness) {
  return pack << static_cast<const TMediaReadinessBase&>(readiness) << readiness.startTime;
}

TPack& operator>>(TPack& pack, TMediaReadiness& readiness) {
  return pack >> static_cast<TMediaReadinessBase&>(readiness) >> readiness.startTime;
}
