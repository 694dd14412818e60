#include "zelclnt/events/ZelTEventBase.h"

#include "ZelTextTable.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

void ZelTEventBase::Copy(enEventCause cause, const ZelTUserPresence& presence) {
  m_userKey = presence.GetUserKey();
  m_userId = presence.GetUserID();
  m_siteKey = presence.GetSiteKey();
  m_businessUnitKey = presence.GetBusUnitKey();
  m_eventCause = cause;
  SetResourceId();
}

void ZelTEventBase::SetResourceId() { m_resourceId = std::to_string(m_userKey); }

std::string ZelTEventBase::ToString(enEventCause cause) {
  static constexpr ZelTextEntry kTexts[] = {
      {EVENTCAUSE_NONE, "None"},
      {EVENTCAUSE_MEDIA_LOGON, "Media Logon"},
      {EVENTCAUSE_MEDIA_LOGOFF, "Media Logoff"},
      {EVENTCAUSE_MEDIA_OTHER, "Media Other"},
      {EVENTCAUSE_ROUTING_AVAILABLE, "Routing Available"},
      {EVENTCAUSE_ROUTING_UNAVAILABLE, "Routing Unavailable"},
      {EVENTCAUSE_ROUTING_WORK, "Routing Work"},
      {EVENTCAUSE_ROUTING_STATE_REASON_UPDATE, "Routing State Reason Update"},
      {EVENTCAUSE_CONTACT_CREATED, "Contact Created"},
      {EVENTCAUSE_CONTACT_DELETED, "Contact Deleted"},
      {EVENTCAUSE_CONTACT_CONNECTED, "Contact Connected"},
      {EVENTCAUSE_CONTACT_UPDATED, "Contact Updated"},
      {EVENTCAUSE_CONTACT_MEDIA_DISCONNECTED, "Contact Media Disconnected"},
      {EVENTCAUSE_CONTACT_QUEUE_CONSULTED, "Contact Queue Consulted"},
      {EVENTCAUSE_HANDLING_STATE_REASON_UPDATED, "Handling State Reason Updated"},
      {EVENTCAUSE_WRAPUP_SUBMITTED, "WrapupSubmitted"},
      {EVENTCAUSE_PRIMARY_HANDLING_STATE, "Primary Handling State"},
      {EVENTCAUSE_DESKTOP_LOGON, "Desktop Logon"},
      {EVENTCAUSE_DESKTOP_LOGOFF, "Desktop Logoff"},
      {EVENTCAUSE_RECOVERY_MODE, "Recovery Mode"},
      {EVENTCAUSE_CONTACT_ASSIST, "Contact Assist"},
      {EVENTCAUSE_WATCHDOG_SERVER_DOWN, "Watchdog Server Down"},
      {EVENTCAUSE_ADMINISTRATION_SERVER_DOWN, "Administration Server Down"},
      {EVENTCAUSE_TSERVER_DOWN, "T-Server Down"},
      {EVENTCAUSE_CALLBACK_SERVER_DOWN, "Callback Server Down"},
      {EVENTCAUSE_EMAIL_SERVER_DOWN, "Email Server Down"},
      {EVENTCAUSE_WEB_INTERACTION_SERVER_DOWN, "Web Interaction Server Down"},
      {EVENTCAUSE_OPENMEDIA_SERVER_DOWN, "OpenMedia Server Down"},
      {EVENTCAUSE_IM_SERVER_DOWN, "IM Server Down"},
      {EVENTCAUSE_CORPORATE_EMAIL_DOWN, "Corporate Email Down"},
      {EVENTCAUSE_COMMUNICATION_PLATFORM_DOWN, "Communication Platform Down"},
      {EVENTCAUSE_VOICE_READY, "Voice Ready"},
      {EVENTCAUSE_CALLBACK_READY, "Callback Ready"},
      {EVENTCAUSE_EMAIL_READY, "Email Ready"},
      {EVENTCAUSE_WEB_READY, "Web Ready"},
      {EVENTCAUSE_IM_READY, "IM Ready"},
      {EVENTCAUSE_OPENMEDIA_READY, "OpenMedia Ready"},
      {EVENTCAUSE_DESKTOP_CAPABILITY_READY, "Desktop Capability Ready"},
      {EVENTCAUSE_USER_DELETED, "User Deleted"},
      {EVENTCAUSE_CSM_STATE_UPDATED, "CSM State Updated"},
  };
  return ZelTextOrInvalid(kTexts, cause);
}

std::string ZelTEventBase::ToString(bool showName, bool showOpen, bool showClose) const {
  NuxDiagSummary summary(showName, showOpen, showClose, "EventBase", "{", "}");
  const bool detail = NuxDiagSummary::IsDetailOn();
  if (detail) {
    summary.Add(NuxDiagSummary::GetContentName_UserKey(), m_userKey, true);
    summary.Add(NuxDiagSummary::GetContentName_UserId(), m_userId, true);
    summary.Add("SiteKey", m_siteKey, true);
    summary.Add("BUKey", m_businessUnitKey, true);
  }
  summary.Add(NuxDiagSummary::GetContentName_Cause(), ToString(m_eventCause), false);
  if (detail) {
    summary << ",";
    summary.Add("ResourceId", m_resourceId, false);
  }
  return summary.ToString();
}

void ZelTEventBase::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 479, "ZelTEvent", "ZelTEventBase", "PrintDiag") << ToString(true, true, true);
}

TPack& operator<<(TPack& pack, const ZelTEventBase& event) {
  return pack << event.m_userKey << event.m_userId << event.m_siteKey << event.m_businessUnitKey << event.m_eventCause
              << event.m_resourceId;
}

TPack& operator>>(TPack& pack, ZelTEventBase& event) {
  return pack >> event.m_userKey >> event.m_userId >> event.m_siteKey >> event.m_businessUnitKey >>
         event.m_eventCause >> event.m_resourceId;
}

TPack& operator<<(TPack& pack, const ZelTEventBase::enEventCause& cause) { return PackEnum32(pack, cause); }

TPack& operator>>(TPack& pack, ZelTEventBase::enEventCause& cause) { return UnpackEnum32(pack, cause); }
