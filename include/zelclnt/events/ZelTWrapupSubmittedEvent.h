#pragma once
// Wrap-up submitted for a contact: the contact (id, requeue count), its
// queue and location, the submission's sequence number and the reasons.
//
// Filled by the producer through the private Copy (ZelTEventControl);
// applications read it from the wire. One thread at a time.
//
// Wire form: the event base, contact id (string), requeue count, queue key,
// location key, sequence number (long), the number of reasons, then each
// reason (long). Reading replaces the reasons held.

#include <list>
#include <string>

#include "zelclnt/events/ZelTEventBase.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTWrapupSubmittedEvent : public ZelTEventBase {
 public:
  ZelTWrapupSubmittedEvent() = default;
  ZelTWrapupSubmittedEvent(const ZelTWrapupSubmittedEvent&) = default;
  ZelTWrapupSubmittedEvent& operator=(const ZelTWrapupSubmittedEvent&) = default;
  ~ZelTWrapupSubmittedEvent() = default;

  std::string GetContactID() const { return m_contactId; }
  long GetRequeueCount() const { return m_requeueCount; }
  long GetQueueKey() const { return m_queueKey; }
  long GetLocationKey() const { return m_locationKey; }
  long GetSequenceNumber() const { return m_sequenceNumber; }
  const std::list<long>& GetWrapupReasons() const { return m_wrapupReasons; }

  std::string ToString() const;
  void PrintDiag() const;

 private:
  friend class ZelTEventControl;
  friend TPack& operator<<(TPack& pack, const ZelTWrapupSubmittedEvent& event);
  friend TPack& operator>>(TPack& pack, ZelTWrapupSubmittedEvent& event);

  void Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence, const std::string& contactId,
            long requeueCount, long queueKey, long locationKey, long sequenceNumber,
            const std::list<long>& wrapupReasons);

  std::string m_contactId;
  long m_requeueCount = 0;
  long m_queueKey = 0;
  long m_locationKey = 0;
  long m_sequenceNumber = -1;
  std::list<long> m_wrapupReasons;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTWrapupSubmittedEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTWrapupSubmittedEvent& event);
