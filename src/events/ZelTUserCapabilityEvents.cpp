#include "zelclnt/events/ZelTUserCapabilityEvents.h"

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "..\\..\\src\\ZelTEvent";

}  // namespace

void ZelTUserCapabilityEvent::Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence) {
  ZelTEventBase::Copy(cause, presence);
  m_userCapability.SetDesktopCapability(presence.GetUserCapability().GetDesktopCapability());
}

std::string ZelTUserCapabilityEvent::ToString() const {
  NuxDiagSummary summary(true, true, true, "UserCapabilityEvent", "{", "}");
  summary << ZelTEventBase::ToString(false, false, false) << "," << m_userCapability.ToString();
  return summary.ToString();
}

void ZelTUserCapabilityEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 3109, kSource, "ZelTUserCapabilityEvent", "PrintDiag") << ToString();
}

std::string ZelTUserCapabilityNotReadyEvent::ToString() const {
  NuxDiagSummary summary(true, true, true, "UserCapabilityNotReadEvent", "{", "}");
  summary.Add("EventCause", ZelTEventBase::ToString(m_eventCause), true);
  summary.Add("ResourceId", GetResourceId(), true);
  summary.Add("CapabilityType", ZelTUserCapability::ToString(m_capabilityType), false);
  return summary.ToString();
}

void ZelTUserCapabilityNotReadyEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 3721, kSource, "ZelTUserCapabilityNotReadyEvent", "PrintDiag") << ToString();
}

TPack& operator<<(TPack& pack, const ZelTUserCapabilityEvent& event) {
  return pack << static_cast<const ZelTEventBase&>(event) << event.m_userCapability;
}

TPack& operator>>(TPack& pack, ZelTUserCapabilityEvent& event) {
  return pack >> static_cast<ZelTEventBase&>(event) >> event.m_userCapability;
}

TPack& operator<<(TPack& pack, const ZelTUserCapabilityNotReadyEvent& event) {
  return pack << event.m_eventCause << event.m_capabilityType;
}

TPack& operator>>(TPack& pack, ZelTUserCapabilityNotReadyEvent& event) {
  return pack >> event.m_eventCause >> event.m_capabilityType;
}
