#include "zelclnt/events/ZelTUserPresenceDetails.h"

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/KRVEnum.h"
#include "zelclnt/platform/TPack.h"

namespace {

// Only voice and callback contacts name the contact they refer to.
bool ShowsReference(const ZelTHandlingState& contact) {
  return (contact.media == KRVEnum::MEDIUM_VOICE || contact.media == KRVEnum::MEDIUM_CALLBACK) &&
         !contact.refId.empty() && contact.refRequeueCount != -1;
}

}  // namespace

ZelTUserPresenceDetails::ZelTUserPresenceDetails() { m_presenceStateExDirectContact.SetExcludeDirectContact(true); }

void ZelTUserPresenceDetails::Copy(enEventCause cause, const ZelTUserPresence& presence) {
  ZelTEventBase::Copy(cause, presence);
  m_extension = presence.GetExtension();
  m_associatedLine = presence.GetAssociatedLine();
  m_teamKey = presence.GetTeamKey();
  m_groupId = presence.GetGroupID();
  m_mediaStates = presence.GetMediaStates();
  m_routingState = presence.GetRoutingState();
  m_handlingStates = presence.GetHandlingStates();
  m_presenceState = presence.GetPresenceState();
  m_presenceStateExDirectContact = presence.GetPresenceStateExDirectContact();
  m_userCapability = presence.GetUserCapability();
  m_userFlags = presence.GetUserFlags();
  m_affectedContacts.Clear();
}

std::string ZelTUserPresenceDetails::ToSummary(enSummaryType type, bool showName, bool showOpen, bool showClose) const {
  NuxDiagSummary summary(showName, showOpen, showClose, "UserPresenceDetails", "{", "}");
  summary << ZelTEventBase::ToString(showName, showOpen, showClose) << ",";
  switch (type) {
    case SummaryMediaAll:
    case SummaryMediaVoice:
    case SummaryMediaCallback:
    case SummaryMediaEmail:
    case SummaryMediaWebChat:
    case SummaryMediaOpenMedia:
      summary << ToString_MediaStateChange(type);
      break;
    case SummaryRouting:
      summary << m_routingState.ToSummary(ZelTRoutingState::SUMMARY_BRIEF, true) << "," << m_presenceState.ToString()
              << "," << m_presenceStateExDirectContact.ToString();
      break;
    case SummaryHandling:
      summary << ToString_HandlingStateChange();
      break;
    case SummaryUserFlags:
      summary << m_userFlags.ToSummary(ZelTUserFlags::SUMMARY_RECOVERY_MODE, false);
      break;
    default:
      AddFullText(summary);
      break;
  }
  return summary.ToString();
}

void ZelTUserPresenceDetails::AddFullText(NuxDiagSummary& summary) const {
  summary.Add("Extension", m_extension, true);
  summary.Add("AssociatedLine", m_associatedLine, true);
  summary.Add("TeamKey", m_teamKey, true);
  summary.Add("GroupID", m_groupId, true);
  summary << m_mediaStates.ToString() << "," << m_routingState.ToString() << "," << m_handlingStates.ToString() << ","
          << m_presenceState.ToString() << "," << m_presenceStateExDirectContact.ToString() << ","
          << m_userCapability.ToString() << "," << m_userFlags.ToString() << "," << ToString_AffectedContact();
}

std::string ZelTUserPresenceDetails::ToString_MediaStateChange(enSummaryType type) const {
  NuxDiagSummary summary(false, false, false, "", "{", "}");
  switch (type) {
    case SummaryMediaAll:
      summary.Add("Extension", m_extension, true);
      summary.Add("AssociatedLine", m_associatedLine, true);
      summary << m_mediaStates.ToString() << ",";
      break;
    case SummaryMediaVoice:
      summary.Add("Extension", m_extension, true);
      summary << m_mediaStates.GetMediaState(KRVEnum::MEDIUM_VOICE).ToString() << ",";
      break;
    case SummaryMediaCallback:
      summary.Add("AssociatedLine", m_associatedLine, true);
      summary << m_mediaStates.GetMediaState(KRVEnum::MEDIUM_CALLBACK).ToString() << ",";
      break;
    case SummaryMediaEmail:
    case SummaryMediaWebChat:
    case SummaryMediaOpenMedia:
      // These three types follow the media e-mail, web chat and open media.
      summary << m_mediaStates.GetMediaState(type - 1).ToString() << ",";
      break;
    default:
      break;
  }
  summary << m_routingState.ToString() << "," << m_presenceState.ToString() << ","
          << m_presenceStateExDirectContact.ToString();
  if (!m_affectedContacts.Empty()) summary << "," << ToString_AffectedContact();
  return summary.ToString();
}

std::string ZelTUserPresenceDetails::ToString_HandlingStateChange() const {
  NuxDiagSummary summary(false, false, false, "", "{", "}");
  summary << m_presenceState.ToString() << "," << m_presenceStateExDirectContact.ToString() << ","
          << ToString_AffectedContact();
  return summary.ToString();
}

// Walks the list itself rather than the collection's cursor, so printing
// leaves the cursor where a reader put it.
std::string ZelTUserPresenceDetails::ToString_AffectedContact() const {
  NuxDiagSummary summary(true, true, true, "Affected Contact", "{", "}");
  for (const ZelTHandlingState* contact : m_affectedContacts.GetList()) {
    if (!contact) continue;
    summary << "HandlingState{";
    summary.AddContactId(contact->contactId, contact->requeueCount, false, true);
    if (ShowsReference(*contact)) summary.AddContactId(contact->refId, contact->refRequeueCount, true, true);
    summary.Add(NuxDiagSummary::GetContentName_State(), ContactStateToString(contact->contactState), false);
    summary << "}";
  }
  return summary.ToString();
}

void ZelTUserPresenceDetails::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 948, "ZelTEvent", "ZelTUserPresenceDetails", "PrintDiag") << ToString();
}

TPack& operator<<(TPack& pack, const ZelTUserPresenceDetails& details) {
  return pack << static_cast<const ZelTEventBase&>(details) << details.m_extension << details.m_associatedLine
              << details.m_teamKey << details.m_groupId << details.m_mediaStates << details.m_routingState
              << details.m_handlingStates << details.m_presenceState << details.m_presenceStateExDirectContact
              << details.m_userCapability << details.m_userFlags << details.m_affectedContacts;
}

TPack& operator>>(TPack& pack, ZelTUserPresenceDetails& details) {
  return pack >> static_cast<ZelTEventBase&>(details) >> details.m_extension >> details.m_associatedLine >>
         details.m_teamKey >> details.m_groupId >> details.m_mediaStates >> details.m_routingState >>
         details.m_handlingStates >> details.m_presenceState >> details.m_presenceStateExDirectContact >>
         details.m_userCapability >> details.m_userFlags >> details.m_affectedContacts;
}
