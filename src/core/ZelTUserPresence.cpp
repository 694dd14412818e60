#include "zelclnt/core/ZelTUserPresence.h"

#include "ZelTextTable.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

using PS = ZelTPresenceServer;

constexpr ZelTextEntry kActionTexts[] = {
    {ZelTUserPresence::ACTION_NONE, "None"},
    {ZelTUserPresence::ACTION_QUERY, "Query"},
    {ZelTUserPresence::ACTION_SET_ROUTING_STATE, "Set Routing State"},
    {ZelTUserPresence::ACTION_SET_PRIMARY_CONTACT, "Set Primary Contact"},
    {ZelTUserPresence::ACTION_SET_RECOVERY_MODE, "Set Recovery Mode"},
    {ZelTUserPresence::ACTION_SET_CONTACT_ASSIST, "Set Contact Assist"},
    {ZelTUserPresence::ACTION_SUBMIT_WRAPUP, "Submit Wrapup"},
    {ZelTUserPresence::ACTION_REQUEST_POST_PROCESSING, "Request Post Processing"},
    {ZelTUserPresence::ACTION_EXIT_POST_PROCESSING, "Exit Post Processing"},
    {ZelTUserPresence::ACTION_CANCEL_MANDATORY_POST_PROCESSING, "Cancel Mandatory Post Processing"},
    {ZelTUserPresence::ACTION_INTERNAL_SET_ACD_STATE, "Internal Set ACD State"},
};

constexpr const char* kNoInfo = "No Info Available";

// A flag read from a cut body is false, not what the object held.
bool ReadFlag(TPack& pack) {
  bool on = false;
  pack >> on;
  return on;
}

}  // namespace

ZelTUserPresence::ZelTUserPresence() : ZelTRequest(true) { Initialize(); }

ZelTUserPresence::ZelTUserPresence(const ZelTUserPresence& other) : ZelTRequest(true) { *this = other; }

ZelTUserPresence& ZelTUserPresence::operator=(const ZelTUserPresence& other) {
  if (this == &other) return *this;
  ZelTRequest::operator=(other);
  m_action = other.m_action;
  m_contactId = other.m_contactId;
  m_requeueCount = other.m_requeueCount;
  m_reasons = other.m_reasons;
  m_userKey = other.m_userKey;
  m_userId = other.m_userId;
  m_extension = other.m_extension;
  m_associatedLine = other.m_associatedLine;
  m_siteKey = other.m_siteKey;
  m_busUnitKey = other.m_busUnitKey;
  m_teamKey = other.m_teamKey;
  m_groupId = other.m_groupId;
  m_mediaStates = other.m_mediaStates;
  m_routingState = other.m_routingState;
  m_handlingStates = other.m_handlingStates;
  m_presenceState = other.m_presenceState;
  m_presenceStateExDirectContact = other.m_presenceStateExDirectContact;
  m_userCapability = other.m_userCapability;
  m_userFlags = other.m_userFlags;
  m_silentMonitoring = other.m_silentMonitoring;
  m_tickCount = other.m_tickCount;
  return *this;
}

void ZelTUserPresence::Initialize() {
  m_action = ACTION_NONE;
  m_contactId.clear();
  m_userId.clear();
  m_extension.clear();
  m_associatedLine.clear();
  m_groupId.clear();
  m_requeueCount = 0;
  m_userKey = 0;
  m_siteKey = 0;
  m_busUnitKey = 0;
  m_teamKey = 0;
  m_tickCount = TTimeStamp(1);
  m_presenceState.SetExcludeDirectContact(false);
  m_presenceStateExDirectContact.SetExcludeDirectContact(true);
  m_silentMonitoring.Clear();
}

void ZelTUserPresence::GetSubmitWrapupInfo(long& queueKey, long& sqNum, std::list<long>& reasons) const {
  auto next = m_reasons.begin();
  if (next == m_reasons.end()) return;
  queueKey = *next++;
  if (next == m_reasons.end()) return;
  sqNum = *next++;
  reasons.insert(reasons.end(), next, m_reasons.end());
}

bool ZelTUserPresence::HasNailUpCall() const {
  const ZelTCampaignDirectorCapability& director = m_userCapability.GetCampaignDirectorCapability();
  return director.IsEnabled() && director.GetNailUpNumber() == m_ani;
}

std::string ZelTUserPresence::Action_ToString() const { return ZelTextOrInvalid(kActionTexts, m_action); }

TPack& ZelTUserPresence::PackRequest(TPack& pack) {
  PackAs(pack, GetActionResult(), m_action);
  return pack;
}

TPack& ZelTUserPresence::UnpackRequest(TPack& pack) {
  pack >> *this;
  UnpackActionFields(pack);
  return pack;
}

TPack& ZelTUserPresence::PackHead(TPack& pack, PS::ActionResult result, Action action) const {
  return PackCommonPart(pack, result) << action << m_userKey << m_userId;
}

void ZelTUserPresence::PackAs(TPack& pack, PS::ActionResult result, Action action) const {
  PackHead(pack, result, action);
  PackActionFields(pack, result, action);
}

void ZelTUserPresence::PackActionFields(TPack& pack, PS::ActionResult result, Action action) const {
  switch (action) {
    case ACTION_QUERY:
      if (result == PS::ACTION_SUCCEEDED) PackRecord(pack);
      break;
    case ACTION_SET_ROUTING_STATE:
    case ACTION_INTERNAL_SET_ACD_STATE:
      pack << m_routingState;
      break;
    case ACTION_SET_PRIMARY_CONTACT:
    case ACTION_EXIT_POST_PROCESSING:
    case ACTION_CANCEL_MANDATORY_POST_PROCESSING:
      pack << m_contactId << m_requeueCount;
      break;
    case ACTION_SET_RECOVERY_MODE:
      pack << m_userFlags.IsRecoveryModeOn();
      break;
    case ACTION_SET_CONTACT_ASSIST:
      pack << m_userFlags.IsContactAssist();
      break;
    case ACTION_SUBMIT_WRAPUP:
    case ACTION_REQUEST_POST_PROCESSING:
      pack << m_contactId << m_requeueCount;
      PackLongs(pack, m_reasons);
      break;
    default:
      break;
  }
}

void ZelTUserPresence::UnpackActionFields(TPack& pack) {
  switch (m_action) {
    case ACTION_QUERY:
      if (GetActionResult() == PS::ACTION_SUCCEEDED) UnpackRecord(pack);
      break;
    case ACTION_SET_ROUTING_STATE:
    case ACTION_INTERNAL_SET_ACD_STATE:
      pack >> m_routingState;
      break;
    case ACTION_SET_PRIMARY_CONTACT:
    case ACTION_EXIT_POST_PROCESSING:
    case ACTION_CANCEL_MANDATORY_POST_PROCESSING:
      pack >> m_contactId >> m_requeueCount;
      break;
    case ACTION_SET_RECOVERY_MODE:
      m_userFlags.SetIsRecoveryModeOn(ReadFlag(pack));
      break;
    case ACTION_SET_CONTACT_ASSIST:
      m_userFlags.SetIsContactAssist(ReadFlag(pack));
      break;
    case ACTION_SUBMIT_WRAPUP:
    case ACTION_REQUEST_POST_PROCESSING:
      pack >> m_contactId >> m_requeueCount;
      UnpackLongs(pack, m_reasons);
      break;
    default:
      break;
  }
}

void ZelTUserPresence::PackRecord(TPack& pack) const {
  pack << m_extension << m_associatedLine << m_siteKey << m_busUnitKey << m_teamKey << m_groupId << m_mediaStates
       << m_routingState << m_handlingStates << m_presenceState << m_presenceStateExDirectContact << m_userCapability
       << m_userFlags << m_tickCount << m_silentMonitoring;
}

void ZelTUserPresence::UnpackRecord(TPack& pack) {
  pack >> m_extension >> m_associatedLine >> m_siteKey >> m_busUnitKey >> m_teamKey >> m_groupId >> m_mediaStates >>
      m_routingState >> m_handlingStates >> m_presenceState >> m_presenceStateExDirectContact >> m_userCapability >>
      m_userFlags >> m_tickCount >> m_silentMonitoring;
}


std::string ZelTUserPresence::UserPresenceToString(bool showName, bool showUserKey, bool showUserId,
                                                   enSummaryType type) const {
  NuxDiagSummary summary(showName, false, false, "User Presence", "{", "}");
  if (showUserKey) summary.Add(NuxDiagSummary::GetContentName_UserKey(), m_userKey, true);
  if (showUserId) summary.Add(NuxDiagSummary::GetContentName_UserId(), m_userId, false);
  if (type == SUMMARY_RPC_INFORMATION) AddRpcInformation(summary);
  if (type == SUMMARY_FULL) AddRecordText(summary);
  return summary.ToString();
}

void ZelTUserPresence::AddRpcInformation(NuxDiagSummary& summary) const {
  switch (m_action) {
    case ACTION_QUERY:
      summary << " - Query RPC:" << kNoInfo;
      break;
    case ACTION_SET_ROUTING_STATE:
      summary << " - SetRoutingState RPC:" << m_routingState.ToSummary(ZelTRoutingState::SUMMARY_STATE_ONLY, true)
              << ",";
      summary.Add("ReqMode", RequestMode_ToString(), false);
      break;
    case ACTION_SET_PRIMARY_CONTACT:
      summary << " - SetPrimaryContact RPC:";
      summary.AddContactId(m_contactId, m_requeueCount, false, false);
      break;
    case ACTION_SET_RECOVERY_MODE:
      summary << " - SetRecoveryMode RPC:";
      summary.Add("Flag", NuxDiagSummary::BoolText(m_userFlags.IsRecoveryModeOn()), false);
      break;
    case ACTION_SET_CONTACT_ASSIST:
      summary << " - SetContactAssist RPC:";
      summary.Add("Flag", NuxDiagSummary::BoolText(m_userFlags.IsContactAssist()), false);
      break;
    case ACTION_SUBMIT_WRAPUP: {
      summary << " - SubmitWrapup RPC:";
      summary.AddContactId(m_contactId, m_requeueCount, false, true);
      long queueKey = 0;
      long sqNum = -1;
      std::list<long> reasons;
      GetSubmitWrapupInfo(queueKey, sqNum, reasons);
      summary.Add(NuxDiagSummary::GetContentName_QueueKey(), queueKey, true);
      summary.Add("SqNum", sqNum, true);
      summary.Add("Reasons", reasons, false);
      break;
    }
    case ACTION_REQUEST_POST_PROCESSING:
      summary << " - RequestPostProcessing RPC:";
      summary.AddContactId(m_contactId, m_requeueCount, false, true);
      summary.Add("Reasons", m_reasons, false);
      break;
    case ACTION_EXIT_POST_PROCESSING:
      summary << " - ExitPostProcessing RPC:";
      summary.AddContactId(m_contactId, m_requeueCount, false, false);
      break;
    case ACTION_CANCEL_MANDATORY_POST_PROCESSING:
      summary << " - CancelMandatoryPostProcessing RPC:";
      summary.AddContactId(m_contactId, m_requeueCount, false, false);
      break;
    case ACTION_INTERNAL_SET_ACD_STATE:
      summary << " - SetACDState RPC:RoutingState{" << ZelTRoutingState::ToString(m_routingState.GetRoutingState())
              << "}";
      break;
    default:
      summary << kNoInfo;
      break;
  }
}

void ZelTUserPresence::AddRecordText(NuxDiagSummary& summary) const {
  summary << ":";
  summary.Add("Extension", m_extension, true);
  summary.Add("AssociatedLine", m_associatedLine, true);
  summary.Add("BUKey", m_busUnitKey, true);
  summary.Add("SiteKey", m_siteKey, true);
  summary.Add("TeamKey", m_teamKey, true);
  summary.Add("GroupId", m_groupId, true);
  summary << m_mediaStates.ToString() << "," << m_routingState.ToString() << "," << m_handlingStates.ToString() << ","
          << m_presenceState.ToString() << "," << m_presenceStateExDirectContact.ToString() << ","
          << m_userCapability.ToString() << "," << m_userFlags.ToString() << "," << m_silentMonitoring.ToString()
          << ",";
  summary.Add("CurrentTime", NuxDiagSummary::DateTimeText(m_tickCount), false);
}

TPack& operator<<(TPack& pack, const ZelTUserPresence& user) {
  return user.PackHead(pack, user.GetActionResult(), user.m_action);
}

TPack& operator>>(TPack& pack, ZelTUserPresence& user) {
  return pack >> static_cast<ZelTRequest&>(user) >> user.m_action >> user.m_userKey >> user.m_userId;
}

TPack& operator<<(TPack& pack, const ZelTUserPresence::Action& action) { return PackEnum32(pack, action); }

TPack& operator>>(TPack& pack, ZelTUserPresence::Action& action) { return UnpackEnum32(pack, action); }
