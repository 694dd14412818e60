#include "zelclnt/state/THandlingState.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "NUXTHandlingState";

// Level 0 shows everything; level 1 what detail or the extra condition
// allows; any other level nothing gated.
bool LevelShows(int level, bool detail, bool extra) {
  if (level == 0) return true;
  return level == 1 && (detail || extra);
}

}  // namespace

std::string THandlingStateBase::ToString(int level, bool showName, bool showOpen, bool showClose) const {
  const bool detail = NuxDiagSummary::IsDetailOn();
  NuxDiagSummary summary(showName, showOpen, showClose, "HandlingStateBase", "{", "}");
  summary.AddContactId(contactId, requeueCount, false, true);
  if (!refId.empty()) {
    summary.AddContactId(refId, refRequeueCount, true, true);
    summary.Add(NuxDiagSummary::GetContentName_RefType(), RefTypeToString(refType), true);
  }
  summary.Add(NuxDiagSummary::GetContentName_ContactType(), ContactTypeToString(contactType), false);
  if (detail) {
    summary << ",";
    summary.Add(NuxDiagSummary::GetContentName_Media(), MediaToString(media), false);
  }
  if (LevelShows(level, detail, handlingCause != HANDLINGCAUSE_NONE)) {
    summary << ",";
    summary.Add(NuxDiagSummary::GetContentName_Cause(), HandlingCauseToString(handlingCause), false);
  }
  if (LevelShows(level, detail, false)) {
    summary << ",";
    summary.Add(NuxDiagSummary::GetContentName_QueueKey(), queueKey, true);
    summary.Add(NuxDiagSummary::GetContentName_Priority(), priority, false);
  }
  return summary.ToString();
}

void THandlingStateBase::PrintDiag() const {
  if (TDiag::ShouldWeDiag(TDiag::INFO)) NuxDiagStream::WriteDiag(TDiag::INFO, 297, kSource, ToString());
}

std::string THandlingState::ToString(int level, bool showName, bool showOpen, bool showClose) const {
  NuxDiagSummary summary(showName, showOpen, showClose, "HandlingState", "{", "}");
  summary << THandlingStateBase::ToString(level == 1 ? 1 : 0, false, false, false) << ",";
  if (level != 1) summary << startTime.ToString() << ",";
  summary.Add(NuxDiagSummary::GetContentName_State(), ContactStateToString(contactState), false);
  return summary.ToString();
}

void THandlingState::PrintDiag() const {
  if (TDiag::ShouldWeDiag(TDiag::INFO)) NuxDiagStream::WriteDiag(TDiag::INFO, 555, kSource, ToString());
}

namespace {

// The seven values after the reference id: one bounds check when they are
// all there.
constexpr std::size_t kTailSize = 7 * 4;

std::size_t BaseWireSize(const THandlingStateBase& state) {
  return StringWireSize(state.contactId) + 4 + StringWireSize(state.refId) + kTailSize;
}

char* PutBase(char* at, const THandlingStateBase& state) {
  TRecordWriter writer(at);
  writer.Put(state.contactId).Put(state.requeueCount).Put(state.refId);
  writer.Put(state.refRequeueCount).Put(state.refType).Put(state.contactType).Put(state.media);
  writer.Put(state.handlingCause).Put(state.queueKey).Put(state.priority);
  return writer.At();
}

}  // namespace

std::size_t WireSizeOf(const THandlingState& state) {
  return BaseWireSize(state) + TTimeStamp::kWireSize + 4;
}

char* PutWire(char* at, const THandlingState& state) {
  TRecordWriter writer(PutBase(at, state));
  writer.PutWire(state.startTime).Put(state.contactState);
  return writer.At();
}

TPack& operator<<(TPack& pack, const THandlingStateBase& state) {
  if (char* at = pack.Claim(BaseWireSize(state))) PutBase(at, state);
  return pack;
}

TPack& operator>>(TPack& pack, THandlingStateBase& state) {
  pack >> state.contactId >> state.requeueCount >> state.refId;
  if (!pack.CanRemove(kTailSize)) {
    pack >> state.refRequeueCount >> state.refType;
    return pack >> state.contactType >> state.media >> state.handlingCause >> state.queueKey >> state.priority;
  }
  TFixed32Reader run(pack.Contents());
  run.Get(state.refRequeueCount).Get(state.refType).Get(state.contactType).Get(state.media);
  run.Get(state.handlingCause).Get(state.queueKey).Get(state.priority);
  pack.Behead(kTailSize);
  return pack;
}

TPack& operator<<(TPack& pack, const THandlingState& state) {
  if (char* at = pack.Claim(WireSizeOf(state))) PutWire(at, state);
  return pack;
}

TPack& operator>>(TPack& pack, THandlingState& state) {
  return pack >> static_cast<THandlingStateBase&>(state) >> state.startTime >> state.contactState;
}
