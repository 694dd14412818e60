// User records through the C interface: a borrowed view of a
// ZelTUserPresence held by a user request or a users query.

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>

#include "Handles.h"

using zelclnt::capi::CopyOut;
using zelclnt::capi::GuardedValue;

namespace {

const ZelTUserPresence* Record(const zel_user* user) { return reinterpret_cast<const ZelTUserPresence*>(user); }

const zel_user* View(const ZelTUserPresence* user) { return reinterpret_cast<const zel_user*>(user); }

// Fields that arrive as copies: an allocation may fail.
template <typename Text>
size_t CopyField(const zel_user* user, char* buffer, size_t size, Text&& text) {
  const std::string none;
  const ZelTUserPresence* record = Record(user);
  if (!record) return CopyOut(none, buffer, size);
  return GuardedValue<size_t>(CopyOut(none, buffer, size), [&] { return CopyOut(text(*record), buffer, size); });
}

std::int64_t Milliseconds(const TTimeStamp& time) { return time.IsNull() ? 0 : time.MillisecondsSince1970(); }

const ZelTHandlingState* Contact(const zel_user* user, size_t index) {
  if (index >= zel_user_contact_count(user)) return nullptr;
  const auto& list = Record(user)->GetHandlingStatesList();
  return *std::next(list.begin(), static_cast<std::ptrdiff_t>(index));
}

const TSilentMonitoringInfo* Monitoring(const zel_user* user, size_t index) {
  if (index >= zel_user_monitoring_count(user)) return nullptr;
  const auto& list = Record(user)->GetSilentMonitoringCollList();
  return *std::next(list.begin(), static_cast<std::ptrdiff_t>(index));
}

// Writes what fits of a fixed list of numbers; returns how many there are.
size_t CopyNumbers(std::initializer_list<std::int64_t> numbers, int64_t* values, size_t capacity) {
  if (values) std::copy_n(numbers.begin(), std::min(capacity, numbers.size()), values);
  return numbers.size();
}

}  // namespace

namespace zelclnt::capi {

const ZelTUserPresence* UserOf(const zel_request* request) {
  return request && request->kind == ZEL_REQUEST_USER ? request->user.get() : nullptr;
}

size_t ContactNumbers(const ZelTHandlingState& contact, int64_t* values, size_t capacity) {
  const ZelTPostProcessing& after = contact.GetPostProcessingState();
  static_assert(ZEL_CONTACT_NUMBERS == 19, "every number is handed out");
  return CopyNumbers(
      {contact.requeueCount, contact.refRequeueCount, contact.refType, contact.contactType, contact.media,
       contact.handlingCause, contact.queueKey, contact.priority, contact.contactState,
       Milliseconds(contact.startTime), Milliseconds(contact.GetConnectedTime()),
       Milliseconds(contact.GetCreatedTime()), Milliseconds(contact.GetPrimaryStartTime()),
       after.GetAutomatic().GetPostProcessingStatus(), Milliseconds(after.GetAutomatic().GetExpiryTime()),
       after.GetMandatory().GetPostProcessingStatus(), after.GetMandatory().IsWrapupReceived(),
       after.GetManual().GetPostProcessingStatus(), after.GetManual().GetReason()},
      values, capacity);
}

}  // namespace zelclnt::capi

extern "C" {

const zel_user* zel_request_user(const zel_request* user) { return View(zelclnt::capi::UserOf(user)); }

size_t zel_users_count(const zel_request* users) {
  return users && users->kind == ZEL_REQUEST_USERS ? static_cast<size_t>(users->users->GetUsersPresence().Size())
                                                   : 0;
}

const zel_user* zel_users_at(const zel_request* users, size_t index) {
  if (index >= zel_users_count(users)) return nullptr;
  if (!users->indexed) {
    const bool built = GuardedValue(false, [&] {
      const auto& list = users->users->GetUsersPresence().GetList();
      users->index.assign(list.begin(), list.end());
      return true;
    });
    if (!built) return nullptr;
    users->indexed = true;
  }
  return View(users->index[index]);
}

long zel_user_key(const zel_user* user) { return user ? Record(user)->GetUserKey() : 0; }

size_t zel_user_id(const zel_user* user, char* buffer, size_t size) {
  return CopyField(user, buffer, size, [](const ZelTUserPresence& record) { return record.GetUserID(); });
}

size_t zel_user_extension(const zel_user* user, char* buffer, size_t size) {
  return CopyField(user, buffer, size, [](const ZelTUserPresence& record) { return record.GetExtension(); });
}

size_t zel_user_group_id(const zel_user* user, char* buffer, size_t size) {
  return CopyField(user, buffer, size, [](const ZelTUserPresence& record) { return record.GetGroupID(); });
}

long zel_user_site_key(const zel_user* user) { return user ? Record(user)->GetSiteKey() : 0; }

long zel_user_team_key(const zel_user* user) { return user ? Record(user)->GetTeamKey() : 0; }

int zel_user_routing_state(const zel_user* user) {
  return user ? static_cast<int>(Record(user)->GetRoutingState().GetRoutingState()) : ZEL_ROUTING_UNKNOWN;
}

long zel_user_routing_reason(const zel_user* user) {
  return user ? Record(user)->GetRoutingState().GetRoutingStateReason() : 0;
}

int64_t zel_user_routing_since(const zel_user* user) {
  return user ? Milliseconds(Record(user)->GetRoutingState().GetStartTime()) : 0;
}

int zel_user_presence_state(const zel_user* user, int exclude_direct_contact) {
  if (!user) return ZelTPresenceState::PRESENCESTATE_UNKNOWN;
  const ZelTPresenceState& state = exclude_direct_contact ? Record(user)->GetPresenceStateExDirectContact()
                                                          : Record(user)->GetPresenceState();
  return static_cast<int>(state.GetPresenceState());
}

int zel_user_desktop_capability(const zel_user* user) {
  return user ? static_cast<int>(Record(user)->GetUserCapability().GetDesktopCapability().GetCapability()) : 0;
}

int zel_user_is_phone_only(const zel_user* user) { return user && Record(user)->GetUserFlags().IsPhoneOnly(); }

int zel_user_is_recovery_mode(const zel_user* user) {
  return user && Record(user)->GetUserFlags().IsRecoveryModeOn();
}

int zel_user_is_contact_assist(const zel_user* user) {
  return user && Record(user)->GetUserFlags().IsContactAssist();
}

size_t zel_user_media_count(const zel_user* user) { return user ? Record(user)->GetMediaStatesVector().size() : 0; }

int zel_user_media_at(const zel_user* user, size_t index, long* medium, int* state, int* cause) {
  if (index >= zel_user_media_count(user)) return ZEL_E_INVALID;
  const ZelTMediaState& held = *Record(user)->GetMediaStatesVector()[index];
  if (medium) *medium = held.media;
  if (state) *state = static_cast<int>(held.state);
  if (cause) *cause = static_cast<int>(held.cause);
  return ZEL_OK;
}

size_t zel_user_contact_count(const zel_user* user) {
  return user ? Record(user)->GetHandlingStatesList().size() : 0;
}

size_t zel_user_contact_id(const zel_user* user, size_t index, char* buffer, size_t size) {
  const ZelTHandlingState* contact = Contact(user, index);
  return CopyOut(contact ? contact->contactId : std::string(), buffer, size);
}

int zel_user_contact_at(const zel_user* user, size_t index, long* requeue_count, long* medium, int* contact_state) {
  const ZelTHandlingState* contact = Contact(user, index);
  if (!contact) return ZEL_E_INVALID;
  if (requeue_count) *requeue_count = contact->requeueCount;
  if (medium) *medium = contact->media;
  if (contact_state) *contact_state = static_cast<int>(contact->contactState);
  return ZEL_OK;
}

size_t zel_user_numbers(const zel_user* user, int64_t* values, size_t capacity) {
  if (!user) return 0;
  const ZelTUserPresence& record = *Record(user);
  const ZelTRoutingState& routing = record.GetRoutingState();
  const ZelTDesktopCapability& desktop = record.GetUserCapability().GetDesktopCapability();
  const ZelTUserFlags& flags = record.GetUserFlags();
  const ZelTHandlingStates& contacts = record.GetHandlingStates();
  const size_t count = CopyNumbers(
      {record.GetUserKey(), record.GetSiteKey(), record.GetBusUnitKey(), record.GetTeamKey(),
       routing.GetRoutingState(), routing.GetRoutingStateReason(), routing.GetInitialRoutingStateSource(),
       Milliseconds(routing.GetStartTime()), record.GetPresenceState().GetPresenceState(),
       Milliseconds(record.GetPresenceState().GetStartTime()),
       record.GetPresenceStateExDirectContact().GetPresenceState(),
       Milliseconds(record.GetPresenceStateExDirectContact().GetStartTime()), desktop.GetCapability(),
       desktop.GetCause(), Milliseconds(desktop.GetStartTime()), flags.IsPhoneOnly(), flags.IsRecoveryModeOn(),
       Milliseconds(flags.GetRecoveryModeStartTime()), flags.IsContactAssist(),
       Milliseconds(flags.GetContactAssistStartTime()), contacts.GetPrimaryContactRC(),
       contacts.GetOldPrimaryContactRC(), Milliseconds(contacts.GetPrimaryContactChangedTime()),
       Milliseconds(record.GetTickCount())},
      values, capacity);
  static_assert(ZEL_USER_NUMBERS == 24, "every number is handed out");
  return count;
}

size_t zel_user_text(const zel_user* user, int field, char* buffer, size_t size) {
  return CopyField(user, buffer, size, [field](const ZelTUserPresence& record) {
    switch (field) {
      case ZEL_USER_ASSOCIATED_LINE:
        return record.GetAssociatedLine();
      case ZEL_USER_PRIMARY_CONTACT_ID:
        return record.GetHandlingStates().GetPrimaryContactId();
      case ZEL_USER_OLD_PRIMARY_CONTACT_ID:
        return record.GetHandlingStates().GetOldPrimaryContactId();
      default:
        return std::string();
    }
  });
}

int64_t zel_user_media_since(const zel_user* user, size_t index) {
  if (index >= zel_user_media_count(user)) return 0;
  return Milliseconds(Record(user)->GetMediaStatesVector()[index]->startTime);
}

size_t zel_user_texts(const zel_user* user, char* buffer, size_t size) {
  if (buffer && size > 0) buffer[0] = '\0';
  if (!user) return 0;
  return GuardedValue<size_t>(0, [&] {
    const ZelTUserPresence& record = *Record(user);
    const ZelTHandlingStates& contacts = record.GetHandlingStates();
    std::string whole;
    for (const std::string& text : {record.GetUserID(), record.GetExtension(), record.GetAssociatedLine(),
                                    record.GetGroupID(), contacts.GetPrimaryContactId(),
                                    contacts.GetOldPrimaryContactId()}) {
      // Each up to its first NUL, as every text is handed out.
      whole.append(text.c_str());
      whole.push_back('\0');
    }
    if (buffer && whole.size() <= size) std::memcpy(buffer, whole.data(), whole.size());
    return whole.size();
  });
}

size_t zel_user_media_numbers(const zel_user* user, int64_t* values, size_t capacity) {
  constexpr size_t kEach = 4;
  const size_t count = zel_user_media_count(user);
  if (!values) return count * kEach;
  const std::vector<ZelTMediaState*>& media = Record(user)->GetMediaStatesVector();
  for (size_t i = 0; i < count && (i + 1) * kEach <= capacity; ++i) {
    const ZelTMediaState& held = *media[i];
    int64_t* at = values + i * kEach;
    at[0] = held.media;
    at[1] = held.state;
    at[2] = held.cause;
    at[3] = Milliseconds(held.startTime);
  }
  return count * kEach;
}

size_t zel_user_contact_numbers(const zel_user* user, size_t index, int64_t* values, size_t capacity) {
  const ZelTHandlingState* contact = Contact(user, index);
  return contact ? zelclnt::capi::ContactNumbers(*contact, values, capacity) : 0;
}

size_t zel_user_contact_reference_id(const zel_user* user, size_t index, char* buffer, size_t size) {
  const ZelTHandlingState* contact = Contact(user, index);
  return CopyOut(contact ? contact->refId : std::string(), buffer, size);
}

size_t zel_user_contact_reasons(const zel_user* user, size_t index, long* reasons, size_t capacity) {
  const ZelTHandlingState* contact = Contact(user, index);
  if (!contact) return 0;
  return GuardedValue<size_t>(0, [&] {
    const std::list<long> held = contact->GetReasons();
    if (reasons) std::copy_n(held.begin(), std::min(capacity, held.size()), reasons);
    return held.size();
  });
}

size_t zel_user_monitoring_count(const zel_user* user) {
  return user ? Record(user)->GetSilentMonitoringCollList().size() : 0;
}

int zel_user_monitoring_at(const zel_user* user, size_t index, long* requeue_count, int* type) {
  const TSilentMonitoringInfo* held = Monitoring(user, index);
  if (!held) return ZEL_E_INVALID;
  if (requeue_count) *requeue_count = held->requeueCount;
  if (type) *type = static_cast<int>(held->type);
  return ZEL_OK;
}

size_t zel_user_monitoring_field(const zel_user* user, size_t index, int field, char* buffer, size_t size) {
  const TSilentMonitoringInfo* held = Monitoring(user, index);
  const std::string none;
  if (!held || field < 0 || field > 1) return CopyOut(none, buffer, size);
  return CopyOut(field == 0 ? held->contactId : held->extension, buffer, size);
}

}  // extern "C"
