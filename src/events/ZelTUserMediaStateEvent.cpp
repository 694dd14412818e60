#include "zelclnt/events/ZelTUserMediaStateEvent.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"
#include "zelclnt/state/TStateEnums.h"

namespace {

constexpr const char* kSource = "..\\..\\src\\ZelTEvent";

// The summary that shows one medium's state; media without one show all.
ZelTUserPresenceDetails::enSummaryType MediumSummary(long media) {
  static constexpr ZelTUserPresenceDetails::enSummaryType kByMedium[] = {
      ZelTUserPresenceDetails::SummaryMediaAll,      ZelTUserPresenceDetails::SummaryMediaVoice,
      ZelTUserPresenceDetails::SummaryMediaCallback, ZelTUserPresenceDetails::SummaryMediaEmail,
      ZelTUserPresenceDetails::SummaryMediaWebChat,  ZelTUserPresenceDetails::SummaryMediaOpenMedia,
  };
  const bool known = media >= KRVEnum::MEDIUM_VOICE && media <= KRVEnum::MEDIUM_OPENMEDIA;
  return kByMedium[known ? media : 0];
}

}  // namespace

KRVEnum::MEDIUM ZelTUserMediaStateEvent::GetMedia() const {
  return m_media <= KRVEnum::MEDIUM_WEBCHAT ? static_cast<KRVEnum::MEDIUM>(m_media) : KRVEnum::MEDIUM_OPENMEDIA;
}

void ZelTUserMediaStateEvent::Copy(ZelTEventBase::enEventCause cause, const ZelTUserPresence& presence, long media,
                                   const ZelTStdListPointerColl<ZelTHandlingState>& affectedContacts) {
  ZelTUserPresenceDetails::Copy(cause, presence);
  m_media = media;
  SetAffectedContacts(affectedContacts);
}

std::string ZelTUserMediaStateEvent::ToString(bool full) const {
  NuxDiagSummary summary(true, true, true, "UserMediaStateEvent", "{", "}");
  summary.Add("ChangedMedia", MediaToString(m_media), true);
  if (full) {
    summary << ZelTUserPresenceDetails::ToString();
  } else {
    const enSummaryType type = NuxDiagSummary::IsDetailOn() ? SummaryMediaAll : MediumSummary(m_media);
    summary << ToSummary(type, false, false, false);
  }
  return summary.ToString();
}

void ZelTUserMediaStateEvent::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, 2040, kSource, "ZelTUserMediaStateEvent", "PrintDiag") << ToString(false);
}

TPack& operator<<(TPack& pack, const ZelTUserMediaStateEvent& event) {
  return pack << static_cast<const ZelTUserPresenceDetails&>(event) << event.m_media;
}

TPack& operator>>(TPack& pack, ZelTUserMediaStateEvent& event) {
  return pack >> static_cast<ZelTUserPresenceDetails&>(event) >> event.m_media;
}
