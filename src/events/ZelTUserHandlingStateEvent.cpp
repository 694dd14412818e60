#include "zelclnt/events/ZelTUserHandlingStateEvent.h"

#include "ZelTextTable.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

// Every other event type is a handling state update.
const char* HandlingEventName(ZelTPresenceServer::enEvent type) {
  static constexpr ZelTextEntry kNames[] = {
      {ZelTPresenceServer::USER_CONTACT_CREATED_EVENT, "UserContactCreatedEvent"},
      {ZelTPresenceServer::USER_CONTACT_CONNECTED_EVENT, "UserContactConnectedEvent"},
      {ZelTPresenceServer::USER_CONTACT_COMPLETED_EVENT, "UserContactCompletedEvent"},
  };
  const char* name = ZelFindText(kNames, type);
  return name ? name : "UserHandlingStateUpdateEvent";
}

}  // namespace

void ZelTUserHandlingStateEvent::Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence,
                                      const ZelTStdListPointerColl<ZelTHandlingState>& affectedContacts,
                                      ZelTPresenceServer::enEvent eventType) {
  ZelTUserPresenceDetails::Copy(cause, presence);
  SetAffectedContacts(affectedContacts);
  m_eventType = eventType;
}

std::string ZelTUserHandlingStateEvent::ToString(bool full) const {
  NuxDiagSummary summary(true, true, true, HandlingEventName(m_eventType), "{", "}");
  summary << (full ? ZelTUserPresenceDetails::ToString() : ToSummary(SummaryHandling, false, false, false));
  return summary.ToString();
}

void ZelTUserHandlingStateEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 1413, "ZelTEvent", "ZelTUserHandlingStateEvent", "PrintDiag") << ToString(false);
}

void ZelTUserContactQueueConsultedEvent::Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence,
                                              const ZelTStdListPointerColl<ZelTHandlingState>& affectedContacts) {
  ZelTUserPresenceDetails::Copy(cause, presence);
  SetAffectedContacts(affectedContacts);
}

// Walks the list itself rather than the collection's cursor, so a lookup
// leaves the cursor where a reader put it.
const ZelTHandlingState* ZelTUserContactQueueConsultedEvent::FindConsulted(enHandlingCause cause) const {
  for (const ZelTHandlingState* contact : GetAffectedContactsList())
    if (contact && contact->handlingCause == cause) return contact;
  return nullptr;
}

bool ZelTUserContactQueueConsultedEvent::GetOldQueueConsultedContact(ZelTHandlingState& contact) const {
  const ZelTHandlingState* found = FindConsulted(HANDLINGCAUSE_CONSULT_QUEUE_OLD);
  if (found) contact = *found;
  return found != nullptr;
}

bool ZelTUserContactQueueConsultedEvent::GetNewQueueConsultedContact(ZelTHandlingState& contact) const {
  const ZelTHandlingState* found = FindConsulted(HANDLINGCAUSE_CONSULT_QUEUE_NEW);
  if (found) contact = *found;
  return found != nullptr;
}

std::string ZelTUserContactQueueConsultedEvent::GetOldContactId() const {
  const ZelTHandlingState* found = FindConsulted(HANDLINGCAUSE_CONSULT_QUEUE_OLD);
  return found ? found->contactId : std::string();
}

long ZelTUserContactQueueConsultedEvent::GetOldContactRequeueCount() const {
  const ZelTHandlingState* found = FindConsulted(HANDLINGCAUSE_CONSULT_QUEUE_OLD);
  return found ? found->requeueCount : -1;
}

std::string ZelTUserContactQueueConsultedEvent::GetNewContactId() const {
  const ZelTHandlingState* found = FindConsulted(HANDLINGCAUSE_CONSULT_QUEUE_NEW);
  return found ? found->contactId : std::string();
}

long ZelTUserContactQueueConsultedEvent::GetNewContactRequeueCount() const {
  const ZelTHandlingState* found = FindConsulted(HANDLINGCAUSE_CONSULT_QUEUE_NEW);
  return found ? found->requeueCount : -1;
}

std::string ZelTUserContactQueueConsultedEvent::ToString(bool) const {
  NuxDiagSummary summary(true, true, true, "UserContactQueueConsultedEvent", "{", "}");
  summary << ToSummary(SummaryHandling, false, false, false) << ",Old<";
  summary.AddContactId(GetOldContactId(), GetOldContactRequeueCount(), false, true);
  summary << ">,New<";
  summary.AddContactId(GetNewContactId(), GetNewContactRequeueCount(), false, true);
  summary << ">";
  return summary.ToString();
}

void ZelTUserContactQueueConsultedEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 1627, "ZelTEvent", "ZelTUserContactQueueConsultedEvent", "PrintDiag") << ToString(false);
}

TPack& operator<<(TPack& pack, const ZelTUserHandlingStateEvent& event) {
  return pack << static_cast<const ZelTUserPresenceDetails&>(event);
}

TPack& operator>>(TPack& pack, ZelTUserHandlingStateEvent& event) {
  return pack >> static_cast<ZelTUserPresenceDetails&>(event);
}

TPack& operator<<(TPack& pack, const ZelTUserContactQueueConsultedEvent& event) {
  return pack << static_cast<const ZelTUserHandlingStateEvent&>(event);
}

TPack& operator>>(TPack& pack, ZelTUserContactQueueConsultedEvent& event) {
  return pack >> static_cast<ZelTUserHandlingStateEvent&>(event);
}
