#pragma once
// A change of the user's primary contact: the new and the old one, each
// named by contact id and requeue count (an empty id with count -1 is none).
//
// Filled by the producer through the private Copy (ZelTEventControl);
// applications read it from the wire. One thread at a time.
//
// Wire form: the event base, new contact id (string), new requeue count
// (long), old contact id (string), old requeue count (long).

#include <string>

#include "zelclnt/events/ZelTEventBase.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTPrimaryHandlingStateEvent : public ZelTEventBase {
 public:
  ZelTPrimaryHandlingStateEvent() = default;
  ZelTPrimaryHandlingStateEvent(const ZelTPrimaryHandlingStateEvent&) = default;
  ZelTPrimaryHandlingStateEvent& operator=(const ZelTPrimaryHandlingStateEvent&) = default;
  ~ZelTPrimaryHandlingStateEvent() = default;

  std::string GetNewContactID() const { return m_newContactId; }
  long GetNewRequeueCount() const { return m_newRequeueCount; }
  std::string GetOldContactID() const { return m_oldContactId; }
  long GetOldRequeueCount() const { return m_oldRequeueCount; }

  std::string ToString() const;
  void PrintDiag() const;

 private:
  friend class ZelTEventControl;
  friend TPack& operator<<(TPack& pack, const ZelTPrimaryHandlingStateEvent& event);
  friend TPack& operator>>(TPack& pack, ZelTPrimaryHandlingStateEvent& event);

  // The primary and the previous primary contact of the presence.
  void Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence);

  std::string m_newContactId;
  long m_newRequeueCount = 0;
  std::string m_oldContactId;
  long m_oldRequeueCount = 0;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTPrimaryHandlingStateEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTPrimaryHandlingStateEvent& event);
