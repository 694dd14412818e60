#include "zelclnt/mirror/ZelTEventApplier.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "PresenceParts.h"
#include "ZelTMirrorAccess.h"
#include "zelclnt/events/ZelTPrimaryHandlingStateEvent.h"
#include "zelclnt/events/ZelTUserCSMStateEvent.h"
#include "zelclnt/events/ZelTUserCapabilityEvents.h"
#include "zelclnt/events/ZelTUserMediaReadinessEvents.h"
#include "zelclnt/events/ZelTUserMediaStateEvent.h"
#include "zelclnt/events/ZelTUserModeEvents.h"
#include "zelclnt/events/ZelTWrapupSubmittedEvent.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"
#include "zelclnt/platform/TPack.h"

namespace {

using PS = ZelTPresenceServer;
using Change = ZelTPresenceChange;
using Access = ZelTMirrorAccess;
using Result = ZelTEventApplier::Result;

constexpr std::uint32_t kDetailsParts = Change::PART_ALL & ~Change::PART_SILENT_MONITORING;

enum class Form { Details, MediaDetails, Primary, Wrapup, ContactAssist, Capability, SilentMonitoring };

struct FormEntry {
  PS::enEvent type;
  Form form;
};

constexpr FormEntry kForms[] = {
    {PS::VOICE_USER_MEDIA_EVENT, Form::MediaDetails},
    {PS::CALLBACK_USER_MEDIA_EVENT, Form::MediaDetails},
    {PS::EMAIL_USER_MEDIA_EVENT, Form::MediaDetails},
    {PS::WEB_USER_MEDIA_EVENT, Form::MediaDetails},
    {PS::IM_USER_MEDIA_EVENT, Form::MediaDetails},
    {PS::OPENMEDIA_USER_MEDIA_EVENT, Form::MediaDetails},
    {PS::USER_ROUTING_STATE_EVENT, Form::Details},
    {PS::USER_CONTACT_CREATED_EVENT, Form::Details},
    {PS::USER_CONTACT_CONNECTED_EVENT, Form::Details},
    {PS::USER_CONTACT_COMPLETED_EVENT, Form::Details},
    {PS::USER_HANDLING_STATE_UPDATE_EVENT, Form::Details},
    {PS::CONTACT_QUEUE_CONSULTED_EVENT, Form::Details},
    {PS::USER_RECOVERY_MODE_EVENT, Form::Details},
    {PS::PRIMARY_HANDLING_STATE_EVENT, Form::Primary},
    {PS::WRAPUP_SUBMITTED_EVENT, Form::Wrapup},
    {PS::USER_CONTACT_ASSIST_EVENT, Form::ContactAssist},
    {PS::USER_CAPABILITY_EVENT, Form::Capability},
    {PS::USER_CSM_STATE_EVENT, Form::SilentMonitoring},
};

const FormEntry* FormOf(int type) {
  const auto found =
      std::find_if(std::begin(kForms), std::end(kForms), [type](const FormEntry& entry) { return entry.type == type; });
  return found == std::end(kForms) ? nullptr : found;
}

// A read cut short leaves its field as it was, and that field is then
// written back although no byte of it was read: the record is whole only
// when writing it takes exactly the bytes reading it took. A list cut after
// a whole element reads as a shorter list; the one list that can end a
// details snapshot, the affected contacts, is no part of a record.
template <typename Record>
bool ReadWhole(TPack& pack, Record& record) {
  const unsigned long before = pack.Length();
  pack >> record;
  TPack sizing(0);
  sizing << record;
  return sizing.BufferSizeRequired() == before - pack.Length();
}

// Small events are read afresh and must write back the very bytes read,
// which also holds a list that ends the event to its count.
template <typename Event>
bool ReadFresh(TPack& pack, Event& event) {
  event = Event();
  const char* start = pack.Contents();
  const unsigned long before = pack.Length();
  pack >> event;
  const unsigned long consumed = before - pack.Length();
  TPack again;
  again << event;
  return again.Length() == consumed && std::memcmp(again.Contents(), start, consumed) == 0;
}

// The event base names the user; its other identity fields are the user's.
std::uint32_t ApplyBase(const ZelTEventBase& event, ZelTUserPresence& user) {
  std::string& userId = Access::UserId(user);
  long& siteKey = Access::SiteKey(user);
  long& busUnitKey = Access::BusUnitKey(user);
  if (userId == event.GetUserID() && siteKey == event.GetSiteKey() && busUnitKey == event.GetBusinessUnitKey())
    return 0;
  userId = event.GetUserID();
  siteKey = event.GetSiteKey();
  busUnitKey = event.GetBusinessUnitKey();
  return Change::PART_IDENTITY;
}

Result Applied(std::uint32_t changed, std::uint32_t unknown, std::uint32_t settled) {
  Result result;
  result.outcome = ZelTEventApplier::OUTCOME_APPLIED;
  result.changedParts = changed;
  result.unknownParts = unknown;
  result.settledParts = settled;
  return result;
}

Result Malformed() {
  Result result;
  result.outcome = ZelTEventApplier::OUTCOME_MALFORMED;
  return result;
}

std::vector<int> TypesOf(bool user) {
  std::vector<int> types;
  if (user) {
    for (const FormEntry& entry : kForms) types.push_back(entry.type);
  } else {
    types = {PS::USER_MEDIA_NOT_READY_EVENT, PS::USER_MEDIA_READY_EVENT, PS::USER_ALL_MEDIA_NOT_READY_EVENT};
  }
  return types;
}

TMediaReadiness& EntryOf(std::vector<TMediaReadiness>& table, KRVEnum::MEDIUM medium) {
  const auto found = std::find_if(table.begin(), table.end(),
                                  [medium](const TMediaReadiness& entry) { return entry.media == medium; });
  if (found != table.end()) return *found;
  TMediaReadiness& added = table.emplace_back();
  added.media = medium;
  return added;
}

void Tell(TMediaReadiness& entry, const TMediaReadinessBase& told, std::vector<long>& changed) {
  if (entry.state == told.state && entry.cause == told.cause) return;
  entry.state = told.state;
  entry.cause = told.cause;
  entry.startTime = STTimeStamp();
  changed.push_back(entry.media);
}

}  // namespace

// What the events are read into, kept from one event to the next.
struct ZelTEventApplier::Scratch {
  // Every details-based event reads as the details its wire starts with.
  ZelTUserMediaStateEvent details;
  ZelTPrimaryHandlingStateEvent primary;
  ZelTWrapupSubmittedEvent wrapup;
  ZelTUserContactAssistEvent contactAssist;
  ZelTUserCapabilityEvent capability;
  ZelTUserCSMStateEvent silentMonitoring;
  ZelTUserMediaReadyEvent ready;
  ZelTUserMediaNotReadyEvent notReady;
};

ZelTEventApplier::ZelTEventApplier() : m_scratch(std::make_unique<Scratch>()) {}

ZelTEventApplier::~ZelTEventApplier() = default;

Result ZelTEventApplier::Apply(PS::enEvent type, const void* data, std::size_t size, ZelTUserPresence& user) {
  const FormEntry* entry = FormOf(type);
  if (!entry) return Result();
  TPack pack(data, static_cast<unsigned long>(size));
  Scratch& s = *m_scratch;
  switch (entry->form) {
    case Form::Details:
    case Form::MediaDetails: {
      if (!ReadWhole(pack, static_cast<ZelTUserPresenceDetails&>(s.details))) return Malformed();
      // The medium that changed: the snapshot holds every medium anyway.
      long medium = 0;
      if (entry->form == Form::MediaDetails && !ReadWhole(pack, medium)) return Malformed();
      if (s.details.GetUserKey() != user.GetUserKey()) return Malformed();
      return ApplyDetails(user);
    }
    case Form::Primary:
      if (!ReadFresh(pack, s.primary) || s.primary.GetUserKey() != user.GetUserKey()) return Malformed();
      return ApplyPrimary(user);
    case Form::Wrapup:
      if (!ReadFresh(pack, s.wrapup) || s.wrapup.GetUserKey() != user.GetUserKey()) return Malformed();
      return ApplyWrapup(user);
    case Form::ContactAssist:
      if (!ReadFresh(pack, s.contactAssist) || s.contactAssist.GetUserKey() != user.GetUserKey()) return Malformed();
      return ApplyContactAssist(user);
    case Form::Capability:
      if (!ReadFresh(pack, s.capability) || s.capability.GetUserKey() != user.GetUserKey()) return Malformed();
      return ApplyCapability(user);
    case Form::SilentMonitoring:
      if (!ReadFresh(pack, s.silentMonitoring) || s.silentMonitoring.GetUserKey() != user.GetUserKey())
        return Malformed();
      return ApplySilentMonitoring(user);
  }
  return Result();
}

// The snapshot's parts move into the record and the record's old ones into
// the scratch, where the next event is read over them.
Result ZelTEventApplier::ApplyDetails(ZelTUserPresence& user) {
  ZelTUserPresenceDetails& details = m_scratch->details;
  const std::uint32_t changed =
      zelclnt::mirror::DifferingParts(Access::Parts(std::as_const(user)), Access::Parts(std::as_const(details))) |
      ApplyBase(details, user);
  const ZelTRecordParts<false> from = Access::Parts(details);
  const ZelTRecordParts<false> into = Access::Parts(user);
  into.extension.swap(from.extension);
  into.associatedLine.swap(from.associatedLine);
  into.teamKey = from.teamKey;
  into.groupId.swap(from.groupId);
  into.mediaStates.Swap(from.mediaStates);
  into.routingState = from.routingState;
  into.handlingStates.Swap(from.handlingStates);
  into.presenceState = from.presenceState;
  into.presenceStateExDirectContact = from.presenceStateExDirectContact;
  into.userCapability.SetDesktopCapability(from.userCapability.GetDesktopCapability());
  into.userFlags = from.userFlags;
  return Applied(changed, 0, kDetailsParts);
}

Result ZelTEventApplier::ApplyPrimary(ZelTUserPresence& user) {
  const ZelTPrimaryHandlingStateEvent& event = m_scratch->primary;
  ZelTHandlingStates& states = Access::Parts(user).handlingStates;
  std::uint32_t changed = ApplyBase(event, user);
  if (states.IsPrimaryContact(event.GetNewContactID(), event.GetNewRequeueCount()) &&
      states.GetOldPrimaryContactId() == event.GetOldContactID() &&
      states.GetOldPrimaryContactRC() == event.GetOldRequeueCount())
    return Applied(changed, 0, 0);
  if (ZelTHandlingState* previous = states.GetPrimaryContact()) Access::SetPrimaryStartTime(*previous, TTimeStamp(1));
  Access::SetOldPrimaryContact(states, event.GetOldContactID(), event.GetOldRequeueCount());
  states.SetPrimaryContactId(event.GetNewContactID());
  states.SetPrimaryContactRC(event.GetNewRequeueCount());
  changed |= Change::PART_HANDLING_STATES;
  return Applied(changed, Change::PART_HANDLING_STATES, 0);
}

Result ZelTEventApplier::ApplyWrapup(ZelTUserPresence& user) {
  const ZelTWrapupSubmittedEvent& event = m_scratch->wrapup;
  std::uint32_t changed = ApplyBase(event, user);
  ZelTHandlingStates& states = Access::Parts(user).handlingStates;
  ZelTHandlingState* contact = states.GetHandlingState(event.GetContactID(), event.GetRequeueCount());
  if (contact && Access::Reasons(*contact) != event.GetWrapupReasons()) {
    Access::SetReasons(*contact, event.GetWrapupReasons());
    changed |= Change::PART_HANDLING_STATES;
  }
  return Applied(changed, Change::PART_HANDLING_STATES, 0);
}

Result ZelTEventApplier::ApplyContactAssist(ZelTUserPresence& user) {
  const ZelTUserContactAssistEvent& event = m_scratch->contactAssist;
  std::uint32_t changed = ApplyBase(event, user);
  ZelTUserFlags& flags = Access::Parts(user).userFlags;
  const bool on = event.IsContactAssist();
  if (flags.IsContactAssist() == on) return Applied(changed, 0, 0);
  flags.SetIsContactAssist(on);
  changed |= Change::PART_USER_FLAGS;
  if (on) return Applied(changed, Change::PART_USER_FLAGS, 0);
  flags.SetContactAssistStartTime(TTimeStamp(1));
  return Applied(changed, 0, 0);
}

Result ZelTEventApplier::ApplyCapability(ZelTUserPresence& user) {
  const ZelTDesktopCapability& told = m_scratch->capability.GetUserCapability().GetDesktopCapability();
  std::uint32_t changed = ApplyBase(m_scratch->capability, user);
  ZelTUserCapability& capability = Access::Parts(user).userCapability;
  if (!zelclnt::mirror::SameDesktopCapability(capability.GetDesktopCapability(), told)) {
    capability.SetDesktopCapability(told);
    changed |= Change::PART_CAPABILITY;
  }
  return Applied(changed, 0, Change::PART_CAPABILITY);
}

Result ZelTEventApplier::ApplySilentMonitoring(ZelTUserPresence& user) {
  ZelTUserCSMStateEvent& event = m_scratch->silentMonitoring;
  std::uint32_t changed = ApplyBase(event, user);
  ZelTStdListPointerColl<TSilentMonitoringInfo>& held = Access::SilentMonitoring(user);
  if (!zelclnt::mirror::SameSilentMonitoring(held, event.GetSilentMonitoringColl())) {
    held = event.GetSilentMonitoringColl();
    changed |= Change::PART_SILENT_MONITORING;
  }
  return Applied(changed, 0, Change::PART_SILENT_MONITORING);
}

bool ZelTEventApplier::ApplyReadiness(PS::enEvent type, const void* data, std::size_t size,
                                      std::vector<TMediaReadiness>& table, std::vector<long>& changed) {
  TPack pack(data, static_cast<unsigned long>(size));
  Scratch& s = *m_scratch;
  changed.clear();
  if (type == PS::USER_MEDIA_READY_EVENT) {
    if (!ReadFresh(pack, s.ready)) return false;
    Tell(EntryOf(table, s.ready.media), s.ready, changed);
    return true;
  }
  if (type != PS::USER_MEDIA_NOT_READY_EVENT && type != PS::USER_ALL_MEDIA_NOT_READY_EVENT) return false;
  if (!ReadFresh(pack, s.notReady)) return false;
  if (!s.notReady.IsAllMediaNotReady()) {
    Tell(EntryOf(table, s.notReady.media), s.notReady, changed);
    return true;
  }
  for (TMediaReadiness& entry : table) Tell(entry, s.notReady, changed);
  return true;
}

const std::vector<int>& ZelTEventApplier::UserEventTypes() {
  static const std::vector<int> types = TypesOf(true);
  return types;
}

const std::vector<int>& ZelTEventApplier::ReadinessEventTypes() {
  static const std::vector<int> types = TypesOf(false);
  return types;
}

bool ZelTEventApplier::IsUserEvent(int type) { return FormOf(type) != nullptr; }

std::uint32_t ZelTEventApplier::PartsOf(int type) {
  const FormEntry* entry = FormOf(type);
  if (!entry) return 0;
  switch (entry->form) {
    case Form::Details:
    case Form::MediaDetails:
      return kDetailsParts;
    case Form::Primary:
    case Form::Wrapup:
      return Change::PART_IDENTITY | Change::PART_HANDLING_STATES;
    case Form::ContactAssist:
      return Change::PART_IDENTITY | Change::PART_USER_FLAGS;
    case Form::Capability:
      return Change::PART_IDENTITY | Change::PART_CAPABILITY;
    case Form::SilentMonitoring:
      return Change::PART_IDENTITY | Change::PART_SILENT_MONITORING;
  }
  return 0;
}

bool ZelTEventApplier::IsReadinessEvent(int type) {
  const auto& types = ReadinessEventTypes();
  return std::find(types.begin(), types.end(), type) != types.end();
}

bool ZelTEventApplier::ReadUser(int type, const void* data, std::size_t size, long& userKey, std::string& userId) {
  if (!IsUserEvent(type)) return false;
  TPack pack(data, static_cast<unsigned long>(size));
  long key = 0;
  std::string id;
  const unsigned long before = pack.Length();
  pack >> key >> id;
  if (before - pack.Length() != 8 + id.size()) return false;
  userKey = key;
  userId = std::move(id);
  return true;
}
