#pragma once
// A change of a user's routing state, with the snapshot of the user's
// presence after it. It reports no affected contacts.
//
// Filled by the producer through the private Copy (ZelTEventControl);
// applications read it from the wire. One thread at a time.
//
// Wire form: that of ZelTUserPresenceDetails, nothing more.

#include <string>

#include "zelclnt/events/ZelTUserPresenceDetails.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTUserRoutingStateEvent : public ZelTUserPresenceDetails {
 public:
  ZelTUserRoutingStateEvent() = default;
  ZelTUserRoutingStateEvent(const ZelTUserRoutingStateEvent&) = default;
  ZelTUserRoutingStateEvent& operator=(const ZelTUserRoutingStateEvent&) = default;
  ~ZelTUserRoutingStateEvent() = default;

  // Full: the whole snapshot; otherwise the event base, the routing state
  // in brief and both presence states.
  std::string ToString(bool full) const;
  void PrintDiag() const;

 private:
  friend class ZelTEventControl;

  void Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence) {
    ZelTUserPresenceDetails::Copy(cause, presence);
  }
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserRoutingStateEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserRoutingStateEvent& event);
