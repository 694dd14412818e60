#include "zelclnt/events/ZelTPrimaryHandlingStateEvent.h"

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

// «<label><ContactId/RqC{id/rqc}>», or «<label><None>» for no contact.
void AddPrimary(NuxDiagSummary& summary, const char* label, const std::string& contactId, long requeueCount) {
  summary << label << "<";
  if (contactId.empty() && requeueCount == -1) {
    summary << "None";
  } else {
    summary.AddContactId(contactId, requeueCount, false, false);
  }
  summary << ">";
}

}  // namespace

void ZelTPrimaryHandlingStateEvent::Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence) {
  ZelTEventBase::Copy(cause, presence);
  const ZelTHandlingStates& states = presence.GetHandlingStates();
  m_oldContactId = states.GetOldPrimaryContactId();
  m_oldRequeueCount = states.GetOldPrimaryContactRC();
  m_newContactId = states.GetPrimaryContactId();
  m_newRequeueCount = states.GetPrimaryContactRC();
}

std::string ZelTPrimaryHandlingStateEvent::ToString() const {
  NuxDiagSummary summary(true, true, true, "PrimaryHandlingStateEvent", "{", "}");
  summary << ZelTEventBase::ToString(false, false, false) << ",";
  AddPrimary(summary, "New", m_newContactId, m_newRequeueCount);
  summary << ",";
  AddPrimary(summary, "Old", m_oldContactId, m_oldRequeueCount);
  return summary.ToString();
}

void ZelTPrimaryHandlingStateEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 2508, "ZelTEvent", "ZelTPrimaryHandlingStateEvent", "PrintDiag") << ToString();
}

TPack& operator<<(TPack& pack, const ZelTPrimaryHandlingStateEvent& event) {
  return pack << static_cast<const ZelTEventBase&>(event) << event.m_newContactId << event.m_newRequeueCount
              << event.m_oldContactId << event.m_oldRequeueCount;
}

TPack& operator>>(TPack& pack, ZelTPrimaryHandlingStateEvent& event) {
  return pack >> static_cast<ZelTEventBase&>(event) >> event.m_newContactId >> event.m_newRequeueCount >>
         event.m_oldContactId >> event.m_oldRequeueCount;
}
