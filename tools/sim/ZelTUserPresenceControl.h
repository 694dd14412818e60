#pragma once
// The server side's hand on presence records: the fields that clients only
// read, which a presence server fills and changes.

#include <list>
#include <string>

#include "zelclnt/core/ZelTUserPresence.h"

class ZelTUserPresenceControl {
 public:
  static void SetIdentity(ZelTUserPresence& user, const std::string& extension, const std::string& associatedLine,
                          long siteKey, long busUnitKey, long teamKey, const std::string& groupId) {
    user.m_extension = extension;
    user.m_associatedLine = associatedLine;
    user.m_siteKey = siteKey;
    user.m_busUnitKey = busUnitKey;
    user.m_teamKey = teamKey;
    user.m_groupId = groupId;
  }
  static void SetTickCount(ZelTUserPresence& user, const TTimeStamp& time) { user.m_tickCount = time; }
  // The user as a users-presence reply carries it: a successful Query's form.
  static void PackQueryReply(TPack& pack, const ZelTUserPresence& user) {
    user.PackAs(pack, ZelTPresenceServer::ACTION_SUCCEEDED, ZelTUserPresence::ACTION_QUERY);
  }

  static ZelTMediaStates& MediaStates(ZelTUserPresence& user) { return user.m_mediaStates; }
  static ZelTRoutingState& RoutingState(ZelTUserPresence& user) { return user.m_routingState; }
  static ZelTHandlingStates& HandlingStates(ZelTUserPresence& user) { return user.m_handlingStates; }
  static ZelTPresenceState& PresenceState(ZelTUserPresence& user, bool excludeDirectContact) {
    return user.PresenceState(excludeDirectContact);
  }
  static ZelTUserCapability& UserCapability(ZelTUserPresence& user) { return user.m_userCapability; }
  static ZelTUserFlags& UserFlags(ZelTUserPresence& user) { return user.m_userFlags; }
  static ZelTStdListPointerColl<TSilentMonitoringInfo>& SilentMonitoring(ZelTUserPresence& user) {
    return user.m_silentMonitoring;
  }

  static void SetOldPrimaryContact(ZelTHandlingStates& states, const std::string& contactId, long rc) {
    states.m_oldPrimaryContactId = contactId;
    states.m_oldPrimaryContactRC = rc;
  }
  static void SetPrimaryContactChangedTime(ZelTHandlingStates& states, const TTimeStamp& time) {
    states.m_primaryContactChangedTime = time;
  }

  static void SetReasons(ZelTHandlingState& state, const std::list<long>& reasons) { state.SetReasons(reasons); }
  static void SetConnectedTime(ZelTHandlingState& state, const TTimeStamp& time) { state.SetConnectedTime(time); }
  static void SetCreatedTime(ZelTHandlingState& state, const TTimeStamp& time) { state.SetCreatedTime(time); }
  static void SetPrimaryStartTime(ZelTHandlingState& state, const TTimeStamp& time) {
    state.SetPrimaryStartTime(time);
  }
  static ZelTPostProcessing& PostProcessing(ZelTHandlingState& state) { return state.GetPostProcessing(); }
};
