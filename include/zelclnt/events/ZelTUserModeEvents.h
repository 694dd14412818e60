#pragma once
// A user's modes changed. ZelTUserRecoveryModeEvent: recovery mode switched
// on or off, with the whole presence snapshot (the flags say which).
// ZelTUserContactAssistEvent: the contact-assist flag changed; it carries
// the new flag (true in a fresh event).
//
// The producer fills the events with Copy (ZelTEventControl); applications
// read them from the wire. An event serves one thread at a time.
//
// Wire forms: the recovery-mode event is its presence details alone; the
// contact-assist event is the event base, then the flag (bool).

#include <string>

#include "zelclnt/events/ZelTEventBase.h"
#include "zelclnt/events/ZelTUserPresenceDetails.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTUserRecoveryModeEvent : public ZelTUserPresenceDetails {
 public:
  ZelTUserRecoveryModeEvent() = default;

  // Full: the whole details text; otherwise the event base and user flags.
  std::string ToString(bool full) const;
  void PrintDiag() const;

 private:
  friend class ZelTEventControl;

  void Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence) {
    ZelTUserPresenceDetails::Copy(cause, presence);
  }
};

class ZELCLNT_API ZelTUserContactAssistEvent : public ZelTEventBase {
 public:
  ZelTUserContactAssistEvent() = default;

  bool IsContactAssist() const { return m_contactAssist; }

  std::string ToString() const;
  void PrintDiag() const;

 private:
  friend class ZelTEventControl;
  friend TPack& operator<<(TPack& pack, const ZelTUserContactAssistEvent& event);
  friend TPack& operator>>(TPack& pack, ZelTUserContactAssistEvent& event);

  void Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence);

  bool m_contactAssist = true;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserRecoveryModeEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserRecoveryModeEvent& event);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserContactAssistEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserContactAssistEvent& event);
