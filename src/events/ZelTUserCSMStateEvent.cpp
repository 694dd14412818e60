#include "zelclnt/events/ZelTUserCSMStateEvent.h"

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "..\\..\\src\\ZelTEvent";

}  // namespace

void ZelTUserCSMStateEvent::Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence,
                                 TMediaServerCommonEnum::enCSMStateCause csmCause,
                                 const SilentMonitoringColl& affected) {
  ZelTEventBase::Copy(cause, presence);
  m_csmStateCause = csmCause;
  m_silentMonitoring = presence.GetSilentMonitoringColl();
  m_affectedSilentMonitoring = affected;
}

std::string ZelTUserCSMStateEvent::ToString() const {
  NuxDiagSummary summary(true, true, true, "UserCSMStateEvent", "{", "}");
  summary << ZelTEventBase::ToString(false, false, false) << ",";
  summary.Add("StateCause", CSMStateCauseToString(m_csmStateCause), true);
  // A user may hold many participations; the full list is for developers.
  if (TDiag::ShouldWeDiag(TDiag::PRGM)) summary << "SilMons:{" << m_silentMonitoring.ToString() << "},";
  summary << "Affected SilMons:{" << m_affectedSilentMonitoring.ToString() << "}";
  return summary.ToString();
}

void ZelTUserCSMStateEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 3934, kSource, "ZelTUserCSMStateEvent", "PrintDiag") << ToString();
}

TPack& operator<<(TPack& pack, const ZelTUserCSMStateEvent& event) {
  pack << static_cast<const ZelTEventBase&>(event);
  PackEnum32(pack, event.m_csmStateCause);
  return pack << event.m_silentMonitoring << event.m_affectedSilentMonitoring;
}

// The collections' readers replace what the event held.
TPack& operator>>(TPack& pack, ZelTUserCSMStateEvent& event) {
  pack >> static_cast<ZelTEventBase&>(event);
  UnpackEnum32(pack, event.m_csmStateCause);
  return pack >> event.m_silentMonitoring >> event.m_affectedSilentMonitoring;
}
