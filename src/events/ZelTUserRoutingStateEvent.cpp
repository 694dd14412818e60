#include "zelclnt/events/ZelTUserRoutingStateEvent.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

std::string ZelTUserRoutingStateEvent::ToString(bool full) const {
  NuxDiagSummary summary(true, true, true, "UserRoutingStateEvent", "{", "}");
  summary << (full ? ZelTUserPresenceDetails::ToString() : ToSummary(SummaryRouting, false, false, false));
  return summary.ToString();
}

void ZelTUserRoutingStateEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 1205, "ZelTEvent", "ZelTUserRoutingStateEvent", "PrintDiag") << ToString(false);
}

TPack& operator<<(TPack& pack, const ZelTUserRoutingStateEvent& event) {
  return pack << static_cast<const ZelTUserPresenceDetails&>(event);
}

TPack& operator>>(TPack& pack, ZelTUserRoutingStateEvent& event) {
  return pack >> static_cast<ZelTUserPresenceDetails&>(event);
}
