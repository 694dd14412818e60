#pragma once
// The event base plus a snapshot of the user's whole presence (lines, team,
// media, routing, contacts, presence states, capability, flags) and the
// contacts the change affected. Events about a change of the user's state
// build on it.
//
// The record owns its members, and the affected-contact collection owns its
// elements; copies are deep. Texts that include the affected contacts walk
// them with the collection's cursor, so even printing moves it: one thread
// at a time, also for const use.
//
// Wire form: the event base, extension, associated line (strings), team key
// (long), group id (string), media states, routing state, handling states,
// the two presence states, capability, flags, then the affected contacts as
// a list collection.

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "zelclnt/events/ZelTEventBase.h"
#include "zelclnt/model/ZelTCapability.h"
#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/model/ZelTMediaState.h"
#include "zelclnt/model/ZelTPresenceState.h"
#include "zelclnt/model/ZelTRoutingState.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/model/ZelTUserFlags.h"
#include "zelclnt/ZelExport.h"

class NuxDiagSummary;
class ZelTMirrorAccess;

class ZELCLNT_API ZelTUserPresenceDetails : public ZelTEventBase {
 public:
  // How much ToSummary shows after the event base; 2 to 6 pick the media
  // voice to open media. Any value not listed is the full form.
  enum enSummaryType : std::int32_t {
    SummaryFull = 0,
    SummaryMediaAll = 1,
    SummaryMediaVoice = 2,
    SummaryMediaCallback = 3,
    SummaryMediaEmail = 4,
    SummaryMediaWebChat = 5,
    SummaryMediaOpenMedia = 6,
    SummaryRouting = 7,
    SummaryHandling = 8,
    SummaryUserFlags = 9,
  };

  ZelTUserPresenceDetails(const ZelTUserPresenceDetails&) = default;
  ZelTUserPresenceDetails& operator=(const ZelTUserPresenceDetails&) = default;
  ~ZelTUserPresenceDetails() = default;

  std::string GetExtension() const { return m_extension; }
  std::string GetAssociatedLine() const { return m_associatedLine; }
  long GetTeamKey() const { return m_teamKey; }
  std::string GetGroupID() const { return m_groupId; }

  const ZelTMediaStates& GetMediaStates() const { return m_mediaStates; }
  const ZelTRoutingState& GetRoutingState() const { return m_routingState; }
  const ZelTHandlingStates& GetHandlingStates() const { return m_handlingStates; }
  const ZelTPresenceState& GetPresenceState() const { return m_presenceState; }
  const ZelTPresenceState& GetPresenceStateExDirectContact() const { return m_presenceStateExDirectContact; }
  const ZelTUserCapability& GetUserCapability() const { return m_userCapability; }
  const ZelTUserFlags& GetUserFlags() const { return m_userFlags; }
  const ZelTStdListPointerColl<ZelTHandlingState>& GetAffectedContacts() const { return m_affectedContacts; }

  // The elements stay the record's; the caller must not delete them.
  const std::vector<ZelTMediaState*>& GetMediaStatesVector() const {
    return m_mediaStates.GetMediaStates().GetVector();
  }
  const std::list<ZelTHandlingState*>& GetHandlingStatesList() const {
    return m_handlingStates.GetHandlingStates().GetList();
  }
  const std::list<ZelTHandlingState*>& GetAffectedContactsList() const { return m_affectedContacts.GetList(); }

  std::string ToSummary(enSummaryType type, bool showName, bool showOpen, bool showClose) const;
  // The body only: the media part the type selects, routing state, both
  // presence states, and the affected contacts when there are any.
  std::string ToString_MediaStateChange(enSummaryType type) const;
  // The body only: both presence states and the affected contacts.
  std::string ToString_HandlingStateChange() const;
  // «Affected Contact:{HandlingState{...}HandlingState{...}}».
  std::string ToString_AffectedContact() const;
  std::string ToString() const { return ToSummary(SummaryFull, true, true, true); }
  void PrintDiag() const;

 protected:
  ZelTUserPresenceDetails();

  // The base's Copy and the presence snapshot; the affected contacts are
  // emptied, for a derived event to set.
  void Copy(enEventCause cause, const ZelTUserPresence& presence);
  void SetAffectedContacts(const ZelTStdListPointerColl<ZelTHandlingState>& contacts) { m_affectedContacts = contacts; }

 private:
  friend class ZelTEventControl;
  friend class ZelTMirrorAccess;
  friend TPack& operator<<(TPack& pack, const ZelTUserPresenceDetails& details);
  friend TPack& operator>>(TPack& pack, ZelTUserPresenceDetails& details);

  void AddFullText(NuxDiagSummary& summary) const;

  std::string m_extension;
  std::string m_associatedLine;
  long m_teamKey = 0;
  std::string m_groupId;
  ZelTMediaStates m_mediaStates;
  ZelTRoutingState m_routingState;
  ZelTHandlingStates m_handlingStates;
  ZelTPresenceState m_presenceState;
  ZelTPresenceState m_presenceStateExDirectContact;
  ZelTUserCapability m_userCapability;
  ZelTUserFlags m_userFlags;
  ZelTStdListPointerColl<ZelTHandlingState> m_affectedContacts;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTUserPresenceDetails& details);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTUserPresenceDetails& details);
