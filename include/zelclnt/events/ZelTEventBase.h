#pragma once
// What every presence event says first: which user it is about (key, login
// id, site, business unit), why the server raised it, and the resource id,
// which is the user key as decimal text.
//
// Events are filled by their producer from a ZelTUserPresence through the
// protected Copy (ZelTEventControl for the simulator); applications only
// read them from the wire. An event serves one thread at a time.
//
// Wire form: user key (long), user id (string), site key (long), business
// unit key (long), cause (raw enumeration), resource id (string).

#include <cstdint>
#include <string>

#include "zelclnt/platform/TPack.h"
#include "zelclnt/ZelExport.h"

class ZelTEventControl;
class ZelTUserPresence;

class ZELCLNT_API ZelTEventBase {
 public:
  enum enEventCause : std::int32_t {
    EVENTCAUSE_NONE = 0,
    EVENTCAUSE_MEDIA_LOGON = 1,
    EVENTCAUSE_MEDIA_LOGOFF = 2,
    EVENTCAUSE_MEDIA_OTHER = 3,
    EVENTCAUSE_ROUTING_AVAILABLE = 4,
    EVENTCAUSE_ROUTING_UNAVAILABLE = 5,
    EVENTCAUSE_ROUTING_WORK = 6,
    EVENTCAUSE_ROUTING_STATE_REASON_UPDATE = 7,
    EVENTCAUSE_CONTACT_CREATED = 8,
    EVENTCAUSE_CONTACT_DELETED = 9,
    EVENTCAUSE_CONTACT_CONNECTED = 10,
    EVENTCAUSE_CONTACT_UPDATED = 11,
    EVENTCAUSE_CONTACT_MEDIA_DISCONNECTED = 12,
    EVENTCAUSE_CONTACT_QUEUE_CONSULTED = 13,
    EVENTCAUSE_HANDLING_STATE_REASON_UPDATED = 14,
    EVENTCAUSE_WRAPUP_SUBMITTED = 15,
    EVENTCAUSE_PRIMARY_HANDLING_STATE = 16,
    EVENTCAUSE_DESKTOP_LOGON = 17,
    EVENTCAUSE_DESKTOP_LOGOFF = 18,
    EVENTCAUSE_RECOVERY_MODE = 19,
    EVENTCAUSE_CONTACT_ASSIST = 20,
    EVENTCAUSE_WATCHDOG_SERVER_DOWN = 21,
    EVENTCAUSE_ADMINISTRATION_SERVER_DOWN = 22,
    EVENTCAUSE_TSERVER_DOWN = 23,
    EVENTCAUSE_CALLBACK_SERVER_DOWN = 24,
    EVENTCAUSE_EMAIL_SERVER_DOWN = 25,
    EVENTCAUSE_WEB_INTERACTION_SERVER_DOWN = 26,
    EVENTCAUSE_OPENMEDIA_SERVER_DOWN = 27,
    EVENTCAUSE_IM_SERVER_DOWN = 28,
    EVENTCAUSE_CORPORATE_EMAIL_DOWN = 29,
    EVENTCAUSE_COMMUNICATION_PLATFORM_DOWN = 30,
    EVENTCAUSE_VOICE_READY = 31,
    EVENTCAUSE_CALLBACK_READY = 32,
    EVENTCAUSE_EMAIL_READY = 33,
    EVENTCAUSE_WEB_READY = 34,
    EVENTCAUSE_IM_READY = 35,
    EVENTCAUSE_OPENMEDIA_READY = 36,
    EVENTCAUSE_DESKTOP_CAPABILITY_READY = 37,
    EVENTCAUSE_USER_DELETED = 38,
    EVENTCAUSE_CSM_STATE_UPDATED = 39,
  };

  ZelTEventBase(const ZelTEventBase&) = default;
  ZelTEventBase& operator=(const ZelTEventBase&) = default;
  ~ZelTEventBase() = default;

  const std::string& GetResourceId() const { return m_resourceId; }
  long GetUserKey() const { return m_userKey; }
  std::string GetUserID() const { return m_userId; }
  long GetSiteKey() const { return m_siteKey; }
  long GetBusinessUnitKey() const { return m_businessUnitKey; }
  enEventCause GetEventCause() const { return m_eventCause; }

  // "Invalid" for a value without a text.
  static std::string ToString(enEventCause cause);
  // Keys, user id and resource id only with detail on.
  std::string ToString(bool showName, bool showOpen, bool showClose) const;
  void PrintDiag() const;

 protected:
  ZelTEventBase() = default;

  // Who the event is about, from the presence, and why.
  void Copy(enEventCause cause, const ZelTUserPresence& presence);
  // The resource id from the user key.
  void SetResourceId();

 private:
  friend class ZelTEventControl;
  friend TPack& operator<<(TPack& pack, const ZelTEventBase& event);
  friend TPack& operator>>(TPack& pack, ZelTEventBase& event);

  std::string m_resourceId;
  long m_userKey = 0;
  std::string m_userId;
  long m_siteKey = 0;
  long m_businessUnitKey = 0;
  enEventCause m_eventCause = EVENTCAUSE_NONE;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTEventBase& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTEventBase& event);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTEventBase::enEventCause& cause);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTEventBase::enEventCause& cause);
