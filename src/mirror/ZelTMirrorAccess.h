#pragma once
// The mirror's hand on the records it keeps: the parts of a user's presence
// and of an event's snapshot, which applications only read, so that an
// event's parts can be moved into a record instead of copied, and the few
// fields a small event changes can be set.

#include <list>
#include <string>
#include <type_traits>

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/events/ZelTUserPresenceDetails.h"

// The parts a user's record and an event's snapshot share, as references
// into one of them.
template <bool kConst>
struct ZelTRecordParts {
  template <typename T>
  using Ref = std::conditional_t<kConst, const T&, T&>;

  Ref<std::string> extension;
  Ref<std::string> associatedLine;
  Ref<long> teamKey;
  Ref<std::string> groupId;
  Ref<ZelTMediaStates> mediaStates;
  Ref<ZelTRoutingState> routingState;
  Ref<ZelTHandlingStates> handlingStates;
  Ref<ZelTPresenceState> presenceState;
  Ref<ZelTPresenceState> presenceStateExDirectContact;
  Ref<ZelTUserCapability> userCapability;
  Ref<ZelTUserFlags> userFlags;
};

class ZelTMirrorAccess {
 public:
  // Records and snapshots, const or not.
  template <typename Record>
  static ZelTRecordParts<std::is_const_v<Record>> Parts(Record& r) {
    return {r.m_extension,      r.m_associatedLine, r.m_teamKey,
            r.m_groupId,        r.m_mediaStates,    r.m_routingState,
            r.m_handlingStates, r.m_presenceState,  r.m_presenceStateExDirectContact,
            r.m_userCapability, r.m_userFlags};
  }

  static std::string& UserId(ZelTUserPresence& user) { return user.m_userId; }
  static long& SiteKey(ZelTUserPresence& user) { return user.m_siteKey; }
  static long& BusUnitKey(ZelTUserPresence& user) { return user.m_busUnitKey; }
  static ZelTStdListPointerColl<TSilentMonitoringInfo>& SilentMonitoring(ZelTUserPresence& user) {
    return user.m_silentMonitoring;
  }

  static void SetOldPrimaryContact(ZelTHandlingStates& states, const std::string& contactId, long rc) {
    states.m_oldPrimaryContactId = contactId;
    states.m_oldPrimaryContactRC = rc;
  }
  static void SetPrimaryStartTime(ZelTHandlingState& state, const TTimeStamp& time) { state.SetPrimaryStartTime(time); }
  static void SetReasons(ZelTHandlingState& state, const std::list<long>& reasons) { state.SetReasons(reasons); }
  static const ZelTPostProcessing& PostProcessing(const ZelTHandlingState& state) { return state.GetPostProcessing(); }
  static const std::list<long>& Reasons(const ZelTHandlingState& state) { return state.m_reasons; }
};
