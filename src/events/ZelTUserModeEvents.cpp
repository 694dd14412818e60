#include "zelclnt/events/ZelTUserModeEvents.h"

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "..\\..\\src\\ZelTEvent";

}  // namespace

std::string ZelTUserRecoveryModeEvent::ToString(bool full) const {
  NuxDiagSummary summary(true, true, true, "UserRecoveryModeEvent", "{", "}");
  summary << (full ? ZelTUserPresenceDetails::ToString() : ToSummary(SummaryUserFlags, false, false, false));
  return summary.ToString();
}

void ZelTUserRecoveryModeEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 2711, kSource, "ZelTUserRecoveryModeEvent", "PrintDiag") << ToString(false);
}

void ZelTUserContactAssistEvent::Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence) {
  ZelTEventBase::Copy(cause, presence);
  m_contactAssist = presence.GetUserFlags().IsContactAssist();
}

std::string ZelTUserContactAssistEvent::ToString() const {
  NuxDiagSummary summary(true, true, true, "UserContactAssistEvent", "{", "}");
  summary << ZelTEventBase::ToString(false, false, false) << ",";
  summary.Add("IsContactAssist", NuxDiagSummary::BoolText(m_contactAssist), false);
  return summary.ToString();
}

void ZelTUserContactAssistEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 2911, kSource, "ZelTUserContactAssistEvent", "PrintDiag") << ToString();
}

TPack& operator<<(TPack& pack, const ZelTUserRecoveryModeEvent& event) {
  return pack << static_cast<const ZelTUserPresenceDetails&>(event);
}

TPack& operator>>(TPack& pack, ZelTUserRecoveryModeEvent& event) {
  return pack >> static_cast<ZelTUserPresenceDetails&>(event);
}

TPack& operator<<(TPack& pack, const ZelTUserContactAssistEvent& event) {
  return pack << static_cast<const ZelTEventBase&>(event) << event.m_contactAssist;
}

TPack& operator>>(TPack& pack, ZelTUserContactAssistEvent& event) {
  return pack >> static_cast<ZelTEventBase&>(event) >> event.m_contactAssist;
}
