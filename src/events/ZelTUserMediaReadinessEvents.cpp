#include "zelclnt/events/ZelTUserMediaReadinessEvents.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "..\\..\\src\\ZelTEvent";

// Both events read the same after their name: readiness, cause, resource.
std::string ReadinessText(const char* name, const TMediaReadinessBase& readiness, ZelTEventBase::enEventCause cause,
                          const std::string& resourceId) {
  NuxDiagSummary summary(true, true, true, name, "{", "}");
  summary << readiness.TMediaReadinessBase::ToString(0, false, false, false) << ",";
  summary.Add("EventCause", ZelTEventBase::ToString(cause), true);
  summary.Add("ResourceId", resourceId, false);
  return summary.ToString();
}

}  // namespace

std::string ZelTUserMediaNotReadyEvent::GetResourceId() const { return std::to_string(media); }

std::string ZelTUserMediaNotReadyEvent::ToString() const {
  return ReadinessText(m_allMediaNotReady ? "UserAllMediaNotReadyEvent" : "UserMediaNotReadyEvent", *this, m_eventCause,
                       GetResourceId());
}

void ZelTUserMediaNotReadyEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 3319, kSource, "ZelTUserMediaNotReadyEvent", "PrintDiag") << ToString();
}

std::string ZelTUserMediaReadyEvent::GetResourceId() const { return std::to_string(media); }

std::string ZelTUserMediaReadyEvent::ToString() const {
  return ReadinessText("UserMediaReadyEvent", *this, m_eventCause, GetResourceId());
}

void ZelTUserMediaReadyEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 3524, kSource, "ZelTUserMediaReadyEvent", "PrintDiag") << ToString();
}

TPack& operator<<(TPack& pack, const ZelTUserMediaNotReadyEvent& event) {
  return pack << static_cast<const TMediaReadinessBase&>(event) << event.m_eventCause << event.m_allMediaNotReady;
}

TPack& operator>>(TPack& pack, ZelTUserMediaNotReadyEvent& event) {
  return pack >> static_cast<TMediaReadinessBase&>(event) >> event.m_eventCause >> event.m_allMediaNotReady;
}

TPack& operator<<(TPack& pack, const ZelTUserMediaReadyEvent& event) {
  return pack << static_cast<const TMediaReadinessBase&>(event) << event.m_eventCause;
}

TPack& operator>>(TPack& pack, ZelTUserMediaReadyEvent& event) {
  return pack >> static_cast<TMediaReadinessBase&>(event) >> event.m_eventCause;
}
