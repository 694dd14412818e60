#pragma once
// The presence of one user (agent), and the request for every action on it.
//
// As a record it says who the user is and holds the user's media states,
// routing state, contacts, presence states, capability, flags and
// silent-monitoring entries. As a request its action selects what travels:
// the head (common part, action, user key, user id) and then the fields of
// that action; a Query reply carries the whole record, and only when its
// action result is 0. The ANI is local: never packed, never copied.
//
// Applications read the record and name the user (key and id); the side that
// fills records uses the protected setters or ZelTUserPresenceControl, and a
// presence mirror its own hand (ZelTMirrorAccess) on the records it keeps. One
// object serves one thread at a time: it is also its own reply buffer.

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/model/ZelTCapability.h"
#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/model/ZelTMediaState.h"
#include "zelclnt/model/ZelTPresenceState.h"
#include "zelclnt/model/ZelTRoutingState.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/model/ZelTUserFlags.h"
#include "zelclnt/platform/TTimeStamp.h"
#include "zelclnt/state/TSilentMonitoringInfo.h"
#include "zelclnt/ZelExport.h"

class NuxDiagSummary;
class ZelTMirrorAccess;
class ZelTQueryUsersPresence;
class ZelTUserPresenceControl;

class ZELCLNT_API ZelTUserPresence : public ZelTRequest {
 public:
  enum Action : std::int32_t {
    ACTION_NONE = 0,
    ACTION_QUERY = 1,
    ACTION_SET_ROUTING_STATE = 2,
    ACTION_SET_PRIMARY_CONTACT = 3,
    ACTION_SET_RECOVERY_MODE = 4,
    ACTION_SET_CONTACT_ASSIST = 5,
    ACTION_SUBMIT_WRAPUP = 6,
    ACTION_REQUEST_POST_PROCESSING = 7,
    ACTION_EXIT_POST_PROCESSING = 8,
    ACTION_CANCEL_MANDATORY_POST_PROCESSING = 9,
    ACTION_INTERNAL_SET_ACD_STATE = 10,
  };

  // What UserPresenceToString writes after the user key and id.
  enum enSummaryType : std::int32_t {
    SUMMARY_FULL = 0,
    SUMMARY_USER_INFO = 1,
    SUMMARY_RPC_INFORMATION = 2,
  };

  static constexpr unsigned short kObjectType = 35002;

  ZelTUserPresence();
  // Everything but the ANI.
  ZelTUserPresence(const ZelTUserPresence& other);
  ZelTUserPresence& operator=(const ZelTUserPresence& other);
  ~ZelTUserPresence() override = default;

  TPack& PackRequest(TPack& pack) override;
  TPack& UnpackRequest(TPack& pack) override;
  unsigned short GetObjectType() const override { return kObjectType; }
  unsigned short GetRpcType() const override { return kObjectType; }
  unsigned short GetActionType() const override { return static_cast<unsigned short>(m_action); }
  bool InitializeRequest() override { return true; }

  void SetAction(Action action) { m_action = action; }
  Action GetAction() const { return m_action; }
  void SetUserKey(long userKey) { m_userKey = userKey; }
  long GetUserKey() const { return m_userKey; }
  void SetUserID(const std::string& userId) { m_userId = userId; }
  std::string GetUserID() const { return m_userId; }

  std::string GetContactID() const { return m_contactId; }
  long GetRequeueCount() const { return m_requeueCount; }
  std::list<long> GetReasons() const { return m_reasons; }
  std::string GetExtension() const { return m_extension; }
  std::string GetAssociatedLine() const { return m_associatedLine; }
  long GetSiteKey() const { return m_siteKey; }
  long GetBusUnitKey() const { return m_busUnitKey; }
  long GetTeamKey() const { return m_teamKey; }
  std::string GetGroupID() const { return m_groupId; }

  const ZelTMediaStates& GetMediaStates() const { return m_mediaStates; }
  const std::vector<ZelTMediaState*>& GetMediaStatesVector() const { return m_mediaStates.GetMediaStates().GetVector(); }
  // False, and no change, when the medium already has a state.
  bool AddMediaState(ZelTMediaState state) { return m_mediaStates.AddMediaState(state); }

  const ZelTRoutingState& GetRoutingState() const { return m_routingState; }
  void SetRoutingStateReason(long reason) { m_routingState.SetRoutingStateReason(reason); }

  const ZelTHandlingStates& GetHandlingStates() const { return m_handlingStates; }
  const std::list<ZelTHandlingState*>& GetHandlingStatesList() const {
    return m_handlingStates.GetHandlingStates().GetList();
  }

  const ZelTPresenceState& GetPresenceState() const { return m_presenceState; }
  const ZelTPresenceState& GetPresenceStateExDirectContact() const { return m_presenceStateExDirectContact; }

  const ZelTUserCapability& GetUserCapability() const { return m_userCapability; }
  void SetCampaignDirectorCapability(const ZelTCampaignDirectorCapability& capability) {
    m_userCapability.SetCampaignDirectorCapability(capability);
  }

  const ZelTUserFlags& GetUserFlags() const { return m_userFlags; }

  const ZelTStdListPointerColl<TSilentMonitoringInfo>& GetSilentMonitoringColl() const { return m_silentMonitoring; }
  const std::list<TSilentMonitoringInfo*>& GetSilentMonitoringCollList() const { return m_silentMonitoring.GetList(); }

  TTimeStamp GetTickCount() const { return m_tickCount; }

  void SetANI(const std::string& ani) { m_ani = ani; }
  std::string GetANI() const { return m_ani; }

  // Splits the reasons as SubmitWrapup built them: queue key, sequence
  // number, then the wrap-up reasons, appended to `reasons`. Outputs the
  // reasons do not reach stay as they were.
  void GetSubmitWrapupInfo(long& queueKey, long& sqNum, std::list<long>& reasons) const;
  // The campaign-director capability is on and its nailed-up number is the ANI.
  bool HasNailUpCall() const;

  // "Invalid" for a value without a text.
  std::string Action_ToString() const;
  std::string UserPresenceToString(bool showName, bool showUserKey, bool showUserId, enSummaryType type) const;
  std::string ToString_UserInfo() const { return UserPresenceToString(false, false, true, SUMMARY_USER_INFO); }
  std::string ToString_RPCInformation() const {
    return UserPresenceToString(false, false, true, SUMMARY_RPC_INFORMATION);
  }

 protected:
  void SetContactID(const std::string& contactId) { m_contactId = contactId; }
  void SetRequeueCount(long requeueCount) { m_requeueCount = requeueCount; }
  void SetReasons(const std::list<long>& reasons) { m_reasons = reasons; }
  void SetExtension(const std::string& extension) { m_extension = extension; }
  void SetAssociatedLine(const std::string& line) { m_associatedLine = line; }
  void SetSiteKey(long key) { m_siteKey = key; }
  void SetBusUnitKey(long key) { m_busUnitKey = key; }
  void SetTeamKey(long key) { m_teamKey = key; }
  void SetGroupID(const std::string& groupId) { m_groupId = groupId; }

  // Replaces the held state of the same medium; adds nothing.
  void SetState(const ZelTMediaState& state) { m_mediaStates.UpdateMediaState(state); }
  void SetState(ZelTRoutingState::enRoutingState state) { m_routingState.SetRoutingState(state); }
  void SetInitRoutingStateSource(ZelTRoutingState::enInitialRoutingStateSource source) {
    m_routingState.SetInitialRoutingStateSource(source);
  }
  void SetRoutingStateStartTime(const TTimeStamp& time) { m_routingState.SetStartTime(time); }
  // The variant without direct contacts when excludeDirectContact is true.
  void SetState(ZelTPresenceState::enPresenceState state, bool excludeDirectContact) {
    PresenceState(excludeDirectContact).SetPresenceState(state);
  }
  void SetPresenceStateStartTime(const TTimeStamp& time, bool excludeDirectContact) {
    PresenceState(excludeDirectContact).SetStartTime(time);
  }
  void SetDesktopCapability(const ZelTDesktopCapability& capability) {
    m_userCapability.SetDesktopCapability(capability);
  }
  void SetPhoneOnlyFlag(bool on) { m_userFlags.SetIsPhoneOnly(on); }
  void SetRecoveryModeFlag(bool on) { m_userFlags.SetIsRecoveryModeOn(on); }
  void SetRecoveryModeStartTime(const TTimeStamp& time) { m_userFlags.SetRecoveryModeStartTime(time); }
  void SetContactAssistFlag(bool on) { m_userFlags.SetIsContactAssist(on); }
  void SetContactAssistStartTime(const TTimeStamp& time) { m_userFlags.SetContactAssistStartTime(time); }
  void ClearSilentMonitoringColl() { m_silentMonitoring.Clear(); }
  void AddSilentMonitoringInfo(const TSilentMonitoringInfo& info) { m_silentMonitoring.PushBack(info); }

 private:
  friend class ZelTMirrorAccess;
  friend class ZelTUserPresenceControl;
  friend class ZelTQueryUsersPresence;
  friend TPack& operator<<(TPack& pack, const ZelTUserPresence& user);
  friend TPack& operator>>(TPack& pack, ZelTUserPresence& user);

  void Initialize();
  ZelTPresenceState& PresenceState(bool excludeDirectContact) {
    return excludeDirectContact ? m_presenceStateExDirectContact : m_presenceState;
  }

  // The head with this action result and action, then that action's fields.
  TPack& PackHead(TPack& pack, ZelTPresenceServer::ActionResult result, Action action) const;
  void PackAs(TPack& pack, ZelTPresenceServer::ActionResult result, Action action) const;
  void PackActionFields(TPack& pack, ZelTPresenceServer::ActionResult result, Action action) const;
  void UnpackActionFields(TPack& pack);
  void PackRecord(TPack& pack) const;
  void UnpackRecord(TPack& pack);

  void AddRpcInformation(NuxDiagSummary& summary) const;
  void AddRecordText(NuxDiagSummary& summary) const;

  Action m_action = ACTION_NONE;
  long m_userKey = 0;
  std::string m_userId;
  std::string m_contactId;
  long m_requeueCount = 0;
  std::list<long> m_reasons;
  std::string m_extension;
  std::string m_associatedLine;
  long m_siteKey = 0;
  long m_busUnitKey = 0;
  long m_teamKey = 0;
  std::string m_groupId;
  ZelTMediaStates m_mediaStates;
  ZelTRoutingState m_routingState;
  ZelTHandlingStates m_handlingStates;
  ZelTPresenceState m_presenceState;
  ZelTPresenceState m_presenceStateExDirectContact;
  ZelTUserCapability m_userCapability;
  ZelTUserFlags m_userFlags;
  ZelTStdListPointerColl<TSilentMonitoringInfo> m_silentMonitoring;
  TTimeStamp m_tickCount{0};
  std::string m_ani;
};

// The head: common part, action, user key, user id.
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserPresence& user);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserPresence& user);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserPresence::Action& action);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserPresence::Action& action);
