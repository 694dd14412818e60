#pragma once
// Capability events. ZelTUserCapabilityEvent reports a change of one user's
// desktop capability; the campaign-director part of its capability is local
// and stays at its default. ZelTUserCapabilityNotReadyEvent says that a kind
// of capability became not ready; its resource id is that kind as decimal
// text. The producer fills the first with Copy (ZelTEventControl) and the
// second with its setters. An event serves one thread at a time.
//
// Wire forms: the event base, then the user capability; the not-ready
// event is its event cause and capability type (raw enumerations).

#include <string>

#include "zelclnt/events/ZelTEventBase.h"
#include "zelclnt/model/ZelTCapability.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTUserCapabilityEvent : public ZelTEventBase {
 public:
  ZelTUserCapabilityEvent() = default;

  const ZelTUserCapability& GetUserCapability() const { return m_userCapability; }

  std::string ToString() const;
  void PrintDiag() const;

 private:
  friend class ZelTEventControl;
  friend TPack& operator<<(TPack& pack, const ZelTUserCapabilityEvent& event);
  friend TPack& operator>>(TPack& pack, ZelTUserCapabilityEvent& event);

  void Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence);

  ZelTUserCapability m_userCapability;
};

class ZELCLNT_API ZelTUserCapabilityNotReadyEvent {
 public:
  ZelTEventBase::enEventCause GetEventCause() const { return m_eventCause; }
  void SetEventCause(ZelTEventBase::enEventCause cause) { m_eventCause = cause; }
  ZelTUserCapability::enCapabilityType GetCapabilityType() const { return m_capabilityType; }
  void SetCapabilityType(ZelTUserCapability::enCapabilityType type) { m_capabilityType = type; }
  std::string GetResourceId() const { return std::to_string(m_capabilityType); }

  std::string ToString() const;
  void PrintDiag() const;

 private:
  friend TPack& operator<<(TPack& pack, const ZelTUserCapabilityNotReadyEvent& event);
  friend TPack& operator>>(TPack& pack, ZelTUserCapabilityNotReadyEvent& event);

  ZelTEventBase::enEventCause m_eventCause = ZelTEventBase::EVENTCAUSE_NONE;
  ZelTUserCapability::enCapabilityType m_capabilityType = ZelTUserCapability::enCapabilityType{0};
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserCapabilityEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserCapabilityEvent& event);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserCapabilityNotReadyEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserCapabilityNotReadyEvent& event);
