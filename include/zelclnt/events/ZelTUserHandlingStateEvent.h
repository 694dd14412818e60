#pragma once
// Events about the contacts a user handles, each with the snapshot of the
// user's presence and the contacts the change affected.
//
// ZelTUserHandlingStateEvent is one of four events, told apart by its event
// type: contact created, connected, completed, or a handling state update
// (the default). ZelTUserContactQueueConsultedEvent reports a contact
// consulted into a queue: the old and the new contact are the first
// affected contacts of handling cause 2 ("Consult Queue - Old") and 3
// ("Consult Queue - New").
//
// Filled by the producer through the private Copy (ZelTEventControl);
// applications read them from the wire. One thread at a time.
//
// Wire form: that of ZelTUserPresenceDetails, nothing more. The event type
// does not travel: a reader names it from the event it subscribed to, and
// a record read from the wire keeps the type it had.

#include <string>

#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/events/ZelTUserPresenceDetails.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTUserHandlingStateEvent : public ZelTUserPresenceDetails {
 public:
  ZelTUserHandlingStateEvent() = default;
  ZelTUserHandlingStateEvent(const ZelTUserHandlingStateEvent&) = default;
  ZelTUserHandlingStateEvent& operator=(const ZelTUserHandlingStateEvent&) = default;
  ~ZelTUserHandlingStateEvent() = default;

  ZelTPresenceServer::enEvent GetEventType() const { return m_eventType; }

  // Named after the event type. Full: the whole snapshot; otherwise the
  // event base, both presence states and the affected contacts.
  std::string ToString(bool full) const;
  void PrintDiag() const;

 private:
  friend class ZelTEventControl;
  // Restores the type the framework delivered the event as.
  friend class ZelTEventReader;

  void Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence,
            const ZelTStdListPointerColl<ZelTHandlingState>& affectedContacts, ZelTPresenceServer::enEvent eventType);

  ZelTPresenceServer::enEvent m_eventType = ZelTPresenceServer::USER_HANDLING_STATE_UPDATE_EVENT;
};

class ZELCLNT_API ZelTUserContactQueueConsultedEvent : public ZelTUserHandlingStateEvent {
 public:
  ZelTUserContactQueueConsultedEvent() = default;
  ZelTUserContactQueueConsultedEvent(const ZelTUserContactQueueConsultedEvent&) = default;
  ZelTUserContactQueueConsultedEvent& operator=(const ZelTUserContactQueueConsultedEvent&) = default;
  ~ZelTUserContactQueueConsultedEvent() = default;

  // The first matching affected contact into contact; false, and contact
  // untouched, when there is none.
  bool GetOldQueueConsultedContact(ZelTHandlingState& contact) const;
  bool GetNewQueueConsultedContact(ZelTHandlingState& contact) const;
  // An empty id and requeue count -1 when there is no such contact.
  std::string GetOldContactId() const;
  long GetOldContactRequeueCount() const;
  std::string GetNewContactId() const;
  long GetNewContactRequeueCount() const;

  // One form, whatever full is: the handling summary, then the old and the
  // new contact.
  std::string ToString(bool full) const;
  void PrintDiag() const;

 private:
  friend class ZelTEventControl;

  // The event type stays what it was.
  void Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence,
            const ZelTStdListPointerColl<ZelTHandlingState>& affectedContacts);

  const ZelTHandlingState* FindConsulted(enHandlingCause cause) const;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserHandlingStateEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserHandlingStateEvent& event);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserContactQueueConsultedEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserContactQueueConsultedEvent& event);
