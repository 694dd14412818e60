#include "PresenceParts.h"

#include <algorithm>
#include <cstring>
#include <list>

#include "zelclnt/mirror/ZelTPresenceChange.h"
#include "zelclnt/platform/TPack.h"

namespace zelclnt::mirror {
namespace {

using Change = ZelTPresenceChange;

// Post-processing hides its remaining time from every reader but its wire
// form: a few fixed bytes, which show all of it.
constexpr std::size_t kPostProcessingRoom = 64;

std::size_t WireOf(const ZelTPostProcessing& postProcessing, char (&room)[kPostProcessingRoom]) {
  TPack pack(0);
  pack.SetBuffer(room, sizeof room);
  pack << postProcessing;
  return pack.Length();
}

bool SamePostProcessing(const ZelTPostProcessing& a, const ZelTPostProcessing& b) {
  char left[kPostProcessingRoom];
  char right[kPostProcessingRoom];
  const std::size_t size = WireOf(a, left);
  return WireOf(b, right) == size && std::memcmp(left, right, size) == 0;
}

bool SameHandlingState(const ZelTHandlingState& a, const ZelTHandlingState& b) {
  return a.contactId == b.contactId && a.requeueCount == b.requeueCount && a.refId == b.refId &&
         a.refRequeueCount == b.refRequeueCount && a.refType == b.refType && a.contactType == b.contactType &&
         a.media == b.media && a.handlingCause == b.handlingCause && a.queueKey == b.queueKey &&
         a.priority == b.priority && a.startTime == b.startTime && a.contactState == b.contactState &&
         a.GetConnectedTime() == b.GetConnectedTime() && a.GetCreatedTime() == b.GetCreatedTime() &&
         a.GetPrimaryStartTime() == b.GetPrimaryStartTime() &&
         SamePostProcessing(ZelTMirrorAccess::PostProcessing(a), ZelTMirrorAccess::PostProcessing(b)) &&
         ZelTMirrorAccess::Reasons(a) == ZelTMirrorAccess::Reasons(b);
}

bool SameMediaState(const ZelTMediaState& a, const ZelTMediaState& b) {
  return a.media == b.media && a.state == b.state && a.cause == b.cause && a.startTime == b.startTime;
}

bool SameMonitoring(const TSilentMonitoringInfo& a, const TSilentMonitoringInfo& b) {
  return a.contactId == b.contactId && a.requeueCount == b.requeueCount && a.extension == b.extension &&
         a.type == b.type;
}

// Null entries, which no reader makes, match only each other.
template <typename Sequence, typename Same>
bool SameElements(const Sequence& a, const Sequence& b, Same same) {
  using T = std::remove_pointer_t<typename Sequence::value_type>;
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](const T* x, const T* y) { return x && y ? same(*x, *y) : x == y; });
}

}  // namespace

bool SameMediaStates(const ZelTMediaStates& a, const ZelTMediaStates& b) {
  return a.GetMediaStates().GetMaxSize() == b.GetMediaStates().GetMaxSize() &&
         SameElements(a.GetMediaStates().GetVector(), b.GetMediaStates().GetVector(), SameMediaState);
}

bool SameRoutingState(const ZelTRoutingState& a, const ZelTRoutingState& b) {
  return a.GetRoutingState() == b.GetRoutingState() && a.GetRoutingStateReason() == b.GetRoutingStateReason() &&
         a.GetInitialRoutingStateSource() == b.GetInitialRoutingStateSource() && a.GetStartTime() == b.GetStartTime();
}

bool SameHandlingStates(const ZelTHandlingStates& a, const ZelTHandlingStates& b) {
  return a.GetPrimaryContactId() == b.GetPrimaryContactId() && a.GetPrimaryContactRC() == b.GetPrimaryContactRC() &&
         a.GetOldPrimaryContactId() == b.GetOldPrimaryContactId() &&
         a.GetOldPrimaryContactRC() == b.GetOldPrimaryContactRC() &&
         a.GetPrimaryContactChangedTime() == b.GetPrimaryContactChangedTime() &&
         a.GetHandlingStates().GetMaxSize() == b.GetHandlingStates().GetMaxSize() &&
         SameElements(a.GetHandlingStates().GetList(), b.GetHandlingStates().GetList(), SameHandlingState);
}

bool SamePresenceState(const ZelTPresenceState& a, const ZelTPresenceState& b) {
  return a.GetPresenceState() == b.GetPresenceState() && a.GetStartTime() == b.GetStartTime();
}

bool SameDesktopCapability(const ZelTDesktopCapability& a, const ZelTDesktopCapability& b) {
  return a.GetCapability() == b.GetCapability() && a.GetCause() == b.GetCause() && a.GetStartTime() == b.GetStartTime();
}

bool SameUserFlags(const ZelTUserFlags& a, const ZelTUserFlags& b) {
  return a.IsPhoneOnly() == b.IsPhoneOnly() && a.IsRecoveryModeOn() == b.IsRecoveryModeOn() &&
         a.IsContactAssist() == b.IsContactAssist() && a.GetRecoveryModeStartTime() == b.GetRecoveryModeStartTime() &&
         a.GetContactAssistStartTime() == b.GetContactAssistStartTime();
}

bool SameSilentMonitoring(const ZelTStdListPointerColl<TSilentMonitoringInfo>& a,
                          const ZelTStdListPointerColl<TSilentMonitoringInfo>& b) {
  return a.GetMaxSize() == b.GetMaxSize() && SameElements(a.GetList(), b.GetList(), SameMonitoring);
}

std::uint32_t DifferingParts(const ZelTRecordParts<true>& a, const ZelTRecordParts<true>& b) {
  std::uint32_t parts = 0;
  if (a.extension != b.extension || a.associatedLine != b.associatedLine || a.teamKey != b.teamKey ||
      a.groupId != b.groupId)
    parts |= Change::PART_IDENTITY;
  if (!SameMediaStates(a.mediaStates, b.mediaStates)) parts |= Change::PART_MEDIA_STATES;
  if (!SameRoutingState(a.routingState, b.routingState)) parts |= Change::PART_ROUTING_STATE;
  if (!SameHandlingStates(a.handlingStates, b.handlingStates)) parts |= Change::PART_HANDLING_STATES;
  if (!SamePresenceState(a.presenceState, b.presenceState) ||
      !SamePresenceState(a.presenceStateExDirectContact, b.presenceStateExDirectContact))
    parts |= Change::PART_PRESENCE_STATES;
  if (!SameDesktopCapability(a.userCapability.GetDesktopCapability(), b.userCapability.GetDesktopCapability()))
    parts |= Change::PART_CAPABILITY;
  if (!SameUserFlags(a.userFlags, b.userFlags)) parts |= Change::PART_USER_FLAGS;
  return parts;
}

std::uint32_t DifferingParts(const ZelTUserPresence& a, const ZelTUserPresence& b) {
  std::uint32_t parts = DifferingParts(ZelTMirrorAccess::Parts(a), ZelTMirrorAccess::Parts(b));
  if (a.GetUserID() != b.GetUserID() || a.GetSiteKey() != b.GetSiteKey() || a.GetBusUnitKey() != b.GetBusUnitKey())
    parts |= Change::PART_IDENTITY;
  if (!SameSilentMonitoring(a.GetSilentMonitoringColl(), b.GetSilentMonitoringColl()))
    parts |= Change::PART_SILENT_MONITORING;
  return parts;
}

}  // namespace zelclnt::mirror
