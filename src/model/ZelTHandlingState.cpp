#include "zelclnt/model/ZelTHandlingState.h"

#include <utility>

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/KRVEnum.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "ZelTHandlingState";
using Enum = THandlingStateEnum;

std::string ContactText(const std::string& contactId, long rc) {
  if (contactId.empty() && rc == -1) return "None";
  NuxDiagSummary contact(false, false, false, "", "{", "}");
  contact.AddContactId(contactId, rc, false, false);
  return contact.ToString();
}

}  // namespace

ZelTHandlingState& ZelTHandlingState::operator=(const ZelTHandlingState& other) {
  if (this == &other) return *this;
  THandlingState::operator=(other);
  m_reasons = other.m_reasons;
  m_connectedTime = other.m_connectedTime;
  m_createdTime = other.m_createdTime;
  m_primaryStartTime = other.m_primaryStartTime;
  m_postProcessing = other.m_postProcessing;
  return *this;
}

ZelTHandlingState& ZelTHandlingState::operator=(const THandlingState& state) {
  THandlingState::operator=(state);
  return *this;
}

bool ZelTHandlingState::IsQORVRouted() const {
  switch (contactType) {
    case Enum::CONTACTTYPE_ROUTED_VOICE:
    case Enum::CONTACTTYPE_ROUTED_CALLBACK:
    case Enum::CONTACTTYPE_ROUTED_EMAIL:
    case Enum::CONTACTTYPE_ROUTED_WEB:
    case Enum::CONTACTTYPE_ROUTED_OPENMEDIA:
      return queueKey > 0;
    default:
      return false;
  }
}

TTimeStamp ZelTHandlingState::GetQORVHandlingStartTime() const {
  return IsQORVHandling() ? m_connectedTime : TTimeStamp(1);
}

long ZelTHandlingState::ToMediaType(Enum::enContactType type) const {
  if (media >= 1) return media;
  switch (type) {
    case Enum::CONTACTTYPE_ROUTED_VOICE:
    case Enum::CONTACTTYPE_DIRECT_INCOMING_VOICE:
    case Enum::CONTACTTYPE_DIRECT_OUTGOING_VOICE:
    case Enum::CONTACTTYPE_DIRECT_INTERNAL_VOICE:
    case Enum::CONTACTTYPE_UNKNOWN_VOICE:
      return KRVEnum::MEDIUM_VOICE;
    case Enum::CONTACTTYPE_ROUTED_CALLBACK:
      return KRVEnum::MEDIUM_CALLBACK;
    case Enum::CONTACTTYPE_ROUTED_EMAIL:
    case Enum::CONTACTTYPE_DIRECT_OUTGOING_EMAIL:
      return KRVEnum::MEDIUM_EMAIL;
    case Enum::CONTACTTYPE_ROUTED_WEB:
      return KRVEnum::MEDIUM_WEBCHAT;
    case Enum::CONTACTTYPE_ROUTED_OPENMEDIA:
    case Enum::CONTACTTYPE_DIRECT_OUTGOING_OPENMEDIA:
      return KRVEnum::MEDIUM_OPENMEDIA;
    default:
      return KRVEnum::MEDIUM_NONE;
  }
}

bool ZelTHandlingState::CompareListItem(const ZelTHandlingState& other) const {
  return contactId == other.contactId && requeueCount == other.requeueCount;
}

bool ZelTHandlingState::CompareListItem(long category, long medium) const {
  const bool postProcessing = contactState == CONTACTSTATE_POSTPROCESSING;
  switch (category) {
    case CATEGORY_MEDIUM: return ToMediaType(contactType) == medium;
    case CATEGORY_MEDIUM_NOT_POSTPROCESSING: return ToMediaType(contactType) == medium && !postProcessing;
    case CATEGORY_POSTPROCESSING: return postProcessing;
    default: return false;
  }
}

std::string ZelTHandlingState::ToSummary(enSummaryType type, bool showName) const {
  const bool detail = NuxDiagSummary::IsDetailOn();
  NuxDiagSummary summary(showName, true, true, "Handling State", "{", "}");
  summary << THandlingState::ToString(type != SUMMARY_FULL && !detail ? 1 : 0, false, false, false);
  if (detail) {
    summary << ",";
    summary.Add("IsPrimary", NuxDiagSummary::BoolText(IsPrimary()), false);
    summary << ",";
    summary.Add("IsQORVRouted", NuxDiagSummary::BoolText(IsQORVRouted()), false);
  }
  AddPostProcessingText(summary);
  if (detail) AddTimesText(summary);
  if (!m_reasons.empty()) {
    summary << ",";
    summary.Add("Reasons", m_reasons, false);
  }
  return summary.ToString();
}

void ZelTHandlingState::AddPostProcessingText(NuxDiagSummary& summary) const {
  const long reason = GetManualPostProcessingReason();
  if (contactState == CONTACTSTATE_POSTPROCESSING) {
    summary << ",PP{";
    summary.Add("Mand", NuxDiagSummary::BoolText(IsMandatoryWrapup()), true);
    summary.Add("Auto", NuxDiagSummary::BoolText(IsAutomaticWrapup()), true);
    summary.Add("Suspended", NuxDiagSummary::BoolText(IsAutomaticWrapupSuspended()), true);
    summary.Add("Pending", NuxDiagSummary::BoolText(IsPostProcessingPending()), true);
    summary.Add("WrapupSubmitted", NuxDiagSummary::BoolText(IsWrapupSubmitted()), true);
    summary.Add("ManualReason", reason, false);
    summary << "}";
  } else if (reason > 0) {
    summary << ",";
    summary.Add("PPManualReason", reason, false);
  }
}

void ZelTHandlingState::AddTimesText(NuxDiagSummary& summary) const {
  summary << ",";
  summary.Add("IsConnected", NuxDiagSummary::BoolText(IsConnected()), false);
  const std::pair<const char*, const TTimeStamp*> times[] = {
      {"ConnectedTime", &m_connectedTime}, {"CreatedTime", &m_createdTime}, {"PrimaryStartTime", &m_primaryStartTime}};
  for (const auto& [label, time] : times) {
    if (time->IsNull()) continue;
    summary << ",";
    summary.Add(label, NuxDiagSummary::DateTimeText(*time), false);
  }
}

void ZelTHandlingState::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(kPrintDiagType)) return;
  NuxDiagStream(kPrintDiagType, __LINE__, kSource, "ZelTHandlingState", "PrintDiag") << ToString();
}

ZelTHandlingStates& ZelTHandlingStates::operator=(const ZelTHandlingStates& other) {
  if (this == &other) return *this;
  m_handlingStates = other.m_handlingStates;
  m_primaryContactId = other.m_primaryContactId;
  m_primaryContactRC = other.m_primaryContactRC;
  m_oldPrimaryContactId = other.m_oldPrimaryContactId;
  m_oldPrimaryContactRC = other.m_oldPrimaryContactRC;
  m_primaryContactChangedTime = other.m_primaryContactChangedTime;
  m_sendNewPrimaryUpdate = other.m_sendNewPrimaryUpdate;
  m_sendOldPrimaryUpdate = other.m_sendOldPrimaryUpdate;
  return *this;
}

void ZelTHandlingStates::Swap(ZelTHandlingStates& other) {
  m_handlingStates.Swap(other.m_handlingStates);
  m_primaryContactId.swap(other.m_primaryContactId);
  std::swap(m_primaryContactRC, other.m_primaryContactRC);
  m_oldPrimaryContactId.swap(other.m_oldPrimaryContactId);
  std::swap(m_oldPrimaryContactRC, other.m_oldPrimaryContactRC);
  std::swap(m_primaryContactChangedTime, other.m_primaryContactChangedTime);
  std::swap(m_sendNewPrimaryUpdate, other.m_sendNewPrimaryUpdate);
  std::swap(m_sendOldPrimaryUpdate, other.m_sendOldPrimaryUpdate);
}

const ZelTHandlingState* ZelTHandlingStates::AddHandlingState(const ZelTHandlingState& state) {
  if (!m_handlingStates.PushBack(state)) return nullptr;
  return GetHandlingState(state.contactId, state.requeueCount);
}

bool ZelTHandlingStates::RemoveHandlingState(const ZelTHandlingState& state) {
  return m_handlingStates.RemoveItem(state);
}

bool ZelTHandlingStates::RemoveHandlingState(long media, ZelTHandlingState::enCategory category,
                                             ZelTStdListPointerColl<ZelTHandlingState>& removed) {
  return m_handlingStates.RemoveAllItemByCategory(category, media, removed);
}

ZelTHandlingState* ZelTHandlingStates::GetHandlingState(const std::string& contactId, long rc) const {
  ZelTHandlingState probe;
  probe.contactId = contactId;
  probe.requeueCount = rc;
  return m_handlingStates.GetItem(probe);
}

std::string ZelTHandlingStates::ToSummary(enSummaryType type, bool showName) const {
  NuxDiagSummary summary(showName, true, true, "Handling States", "{", "}");
  if (type != ZelTHandlingState::SUMMARY_BRIEF) summary << m_handlingStates.ToString() << ",";
  summary << PrimaryContact_ToString();
  return summary.ToString();
}

std::string ZelTHandlingStates::PrimaryContact_ToString() const {
  NuxDiagSummary summary(true, true, true, "Primary Contact", "{", "}");
  const std::string primary = ContactText(m_primaryContactId, m_primaryContactRC);
  if (!NuxDiagSummary::IsDetailOn()) {
    summary << primary;
    return summary.ToString();
  }
  summary << "New<" << primary << ">,Old<" << ContactText(m_oldPrimaryContactId, m_oldPrimaryContactRC) << ">,";
  summary.Add("ChangedTime", NuxDiagSummary::DateTimeText(m_primaryContactChangedTime), false);
  return summary.ToString();
}

void ZelTHandlingStates::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, __LINE__, kSource, "ZelTHandlingStates", "PrintDiag") << ToString();
}

// One claim for the whole record: sizing only adds up its size, writing
// checks its room once.
TPack& operator<<(TPack& pack, const ZelTHandlingState& state) {
  const std::size_t size = WireSizeOf(static_cast<const THandlingState&>(state)) + 3 * TTimeStamp::kWireSize +
                           ZelTPostProcessing::kWireSize + 4 + 4 * state.m_reasons.size();
  char* at = pack.Claim(size);
  if (!at) return pack;
  TRecordWriter writer(PutWire(at, state));
  writer.PutWire(state.m_connectedTime).PutWire(state.m_createdTime).PutWire(state.m_primaryStartTime);
  writer.PutWire(state.m_postProcessing).Put(state.m_reasons);
  return pack;
}

// The reasons on the wire replace those held; a count larger than the bytes
// left reads only what they hold.
TPack& operator>>(TPack& pack, ZelTHandlingState& state) {
  pack >> static_cast<THandlingState&>(state) >> state.m_connectedTime >> state.m_createdTime >>
      state.m_primaryStartTime >> state.m_postProcessing;
  return UnpackLongs(pack, state.m_reasons);
}

void ResetForReading(ZelTHandlingState& state) {
  std::list<long> reasons;
  reasons.swap(state.m_reasons);
  state = ZelTHandlingState();
  state.m_reasons.swap(reasons);
}

TPack& operator<<(TPack& pack, const ZelTHandlingStates& states) {
  return pack << states.m_handlingStates << states.m_primaryContactId << states.m_primaryContactRC
              << states.m_oldPrimaryContactId << states.m_oldPrimaryContactRC << states.m_primaryContactChangedTime;
}

TPack& operator>>(TPack& pack, ZelTHandlingStates& states) {
  return pack >> states.m_handlingStates >> states.m_primaryContactId >> states.m_primaryContactRC >>
         states.m_oldPrimaryContactId >> states.m_oldPrimaryContactRC >> states.m_primaryContactChangedTime;
}
