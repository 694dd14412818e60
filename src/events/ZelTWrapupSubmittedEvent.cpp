#include "zelclnt/events/ZelTWrapupSubmittedEvent.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

void ZelTWrapupSubmittedEvent::Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence,
                                    const std::string& contactId, long requeueCount, long queueKey, long locationKey,
                                    long sequenceNumber, const std::list<long>& wrapupReasons) {
  ZelTEventBase::Copy(cause, presence);
  m_contactId = contactId;
  m_requeueCount = requeueCount;
  m_queueKey = queueKey;
  m_locationKey = locationKey;
  m_sequenceNumber = sequenceNumber;
  m_wrapupReasons = wrapupReasons;
}

std::string ZelTWrapupSubmittedEvent::ToString() const {
  NuxDiagSummary summary(true, true, true, "WrapupSubmittedEvent", "{", "}");
  summary << ZelTEventBase::ToString(false, false, false) << ",";
  summary.AddContactId(m_contactId, m_requeueCount, false, true);
  summary.Add(NuxDiagSummary::GetContentName_QueueKey(), m_queueKey, true);
  summary.Add("LocationKey", m_locationKey, true);
  summary.Add("SeqNum", m_sequenceNumber, true);
  summary.Add("WrapupReasons", m_wrapupReasons, false);
  return summary.ToString();
}

void ZelTWrapupSubmittedEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 2262, "ZelTEvent", "ZelTWrapupSubmittedEvent", "PrintDiag") << ToString();
}

TPack& operator<<(TPack& pack, const ZelTWrapupSubmittedEvent& event) {
  pack << static_cast<const ZelTEventBase&>(event) << event.m_contactId << event.m_requeueCount << event.m_queueKey
       << event.m_locationKey << event.m_sequenceNumber;
  return PackLongs(pack, event.m_wrapupReasons);
}

// The reasons read replace those held; the count from the wire only bounds
// the reading.
TPack& operator>>(TPack& pack, ZelTWrapupSubmittedEvent& event) {
  pack >> static_cast<ZelTEventBase&>(event) >> event.m_contactId >> event.m_requeueCount >> event.m_queueKey >>
      event.m_locationKey >> event.m_sequenceNumber;
  return UnpackLongs(pack, event.m_wrapupReasons);
}
