#pragma once
// A change of one user's state on one medium (logon, logoff, ...), with the
// whole presence snapshot and the contacts the change affected. The medium
// is kept as received: GetMedia counts every value above 4 as open media,
// GetMediaLong gives the value itself, and copies keep it unchanged.
//
// The producer fills the event with Copy (ZelTEventControl); applications
// read it from the wire. An event serves one thread at a time, also for
// printing (see ZelTUserPresenceDetails).
//
// Wire form: the presence details, then the medium (long).

#include <string>

#include "zelclnt/events/ZelTUserPresenceDetails.h"
#include "zelclnt/platform/KRVEnum.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTUserMediaStateEvent : public ZelTUserPresenceDetails {
 public:
  ZelTUserMediaStateEvent() = default;

  KRVEnum::MEDIUM GetMedia() const;
  long GetMediaLong() const { return m_media; }

  // Full: the whole details text. Otherwise all media with detail on, else
  // the changed medium's state alone.
  std::string ToString(bool full) const;
  void PrintDiag() const;

 private:
  friend class ZelTEventControl;
  friend TPack& operator<<(TPack& pack, const ZelTUserMediaStateEvent& event);
  friend TPack& operator>>(TPack& pack, ZelTUserMediaStateEvent& event);

  void Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence, long media,
            const ZelTStdListPointerColl<ZelTHandlingState>& affectedContacts);

  long m_media = 0;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserMediaStateEvent& event);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserMediaStateEvent& event);
