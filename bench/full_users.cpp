#include "full_users.h"

#include <cstdint>
#include <map>
#include <memory>

#include "ZelTPostProcessingControl.h"
#include "ZelTUserPresenceControl.h"
#include "zelclnt/platform/KRVEnum.h"
#include "zelclnt/platform/TPack.h"

namespace zelbench {
namespace {

using Control = ZelTUserPresenceControl;
using PP = ZelTPostProcessingControl;

constexpr long kFirstUserKey = 1000;
constexpr long kContacts = 3;

// A fixed moment rather than now, so that two runs pack the same bytes.
TTimeStamp MinutesBefore(long minutes) {
  constexpr std::int64_t kNow = 1796605323045;
  return TTimeStamp::FromMilliseconds(kNow - 60000 * static_cast<std::int64_t>(minutes), false);
}

std::string ContactId(long key, long contact) { return "C" + std::to_string(key) + "-" + std::to_string(contact); }

void FillIdentity(ZelTUserPresence& user, long key) {
  user.SetUserKey(key);
  user.SetUserID("agent" + std::to_string(key));
  Control::SetIdentity(user, std::to_string(40000 + key), "line-" + std::to_string(key), 1 + key % 3, 1 + key % 2,
                       10 + key % 4, "group-" + std::to_string(key % 7));
  Control::SetTickCount(user, MinutesBefore(0));
}

void FillMedia(ZelTUserPresence& user) {
  for (long medium = KRVEnum::MEDIUM_VOICE; medium <= KRVEnum::MEDIUM_OPENMEDIA; ++medium) {
    ZelTMediaState state;
    state.media = medium;
    state.state = static_cast<enMediaState>(MEDIASTATE_LOGON + medium % 3);
    state.cause = medium == KRVEnum::MEDIUM_OPENMEDIA ? MEDIASTATECAUSE_LOGON_RECOVERY : MEDIASTATECAUSE_NONE;
    state.startTime = MinutesBefore(30 + medium);
    Control::MediaStates(user).UpdateMediaState(state);
  }
  ZelTRoutingState& routing = Control::RoutingState(user);
  routing.SetRoutingState(ZelTRoutingState::ROUTINGSTATE_WORK);
  routing.SetRoutingStateReason(7);
  routing.SetInitialRoutingStateSource(ZelTRoutingState::SOURCE_CTI_QUERY);
  routing.SetStartTime(MinutesBefore(12));
}

void FillPostProcessing(ZelTHandlingState& contact, long number) {
  ZelTPostProcessing& pp = Control::PostProcessing(contact);
  PP::StartAuto(pp, 60000 * static_cast<unsigned long>(number));
  PP::StartMandatory(pp);
  PP::SetWrapupReceived(pp, number % 2 == 0);
  PP::StartManual(pp, 20 + number);
}

// Contact types, media and states repeat every three contacts.
ZelTHandlingState Contact(long key, long number) {
  static constexpr THandlingStateEnum::enContactType kTypes[] = {THandlingStateEnum::CONTACTTYPE_ROUTED_VOICE,
                                                                 THandlingStateEnum::CONTACTTYPE_ROUTED_EMAIL,
                                                                 THandlingStateEnum::CONTACTTYPE_ROUTED_WEB};
  static constexpr long kMedia[] = {KRVEnum::MEDIUM_VOICE, KRVEnum::MEDIUM_EMAIL, KRVEnum::MEDIUM_WEBCHAT};
  static constexpr enContactState kStates[] = {CONTACTSTATE_TALKING, CONTACTSTATE_POSTPROCESSING,
                                               CONTACTSTATE_PROCESSING};
  ZelTHandlingState contact;
  contact.contactId = ContactId(key, number);
  contact.requeueCount = number - 1;
  contact.refId = "R" + std::to_string(key) + "-" + std::to_string(number);
  contact.refRequeueCount = 0;
  contact.refType = REFTYPE_CALLBACK;
  const long kind = (number - 1) % 3;
  contact.contactType = kTypes[kind];
  contact.media = kMedia[kind];
  contact.handlingCause = HANDLINGCAUSE_ASSIGN_CONTACT;
  contact.queueKey = 100 + key % 20;
  contact.priority = number;
  contact.startTime = MinutesBefore(number);
  contact.contactState = kStates[kind];
  Control::SetCreatedTime(contact, MinutesBefore(number + 2));
  Control::SetConnectedTime(contact, MinutesBefore(number + 1));
  // Only the primary contact has become primary; the others keep a null time.
  if (number == 1) Control::SetPrimaryStartTime(contact, MinutesBefore(number));
  FillPostProcessing(contact, number);
  Control::SetReasons(contact, {30 + number, 40 + number});
  return contact;
}

void FillContacts(ZelTHandlingStates& states, long key, long contacts) {
  for (long number = 1; number <= contacts; ++number) states.AddHandlingState(Contact(key, number));
  states.SetPrimaryContactId(ContactId(key, 1));
  states.SetPrimaryContactRC(0);
  Control::SetOldPrimaryContact(states, ContactId(key, 2), 1);
  Control::SetPrimaryContactChangedTime(states, MinutesBefore(1));
}

void FillStanding(ZelTUserPresence& user, long key) {
  for (const bool excludeDirect : {false, true}) {
    Control::PresenceState(user, excludeDirect).SetPresenceState(ZelTPresenceState::PRESENCESTATE_BUSY);
    Control::PresenceState(user, excludeDirect).SetStartTime(MinutesBefore(excludeDirect ? 3 : 1));
  }
  ZelTDesktopCapability desktop;
  desktop.SetCapability(ZelTDesktopCapability::DESKTOP_LOGON);
  desktop.SetCause(ZelTDesktopCapability::DESKTOPCAUSE_ADMIN_SERVER_NOT_READY);
  desktop.SetStartTime(MinutesBefore(240));
  Control::UserCapability(user).SetDesktopCapability(desktop);
  ZelTUserFlags& flags = Control::UserFlags(user);
  flags.SetIsPhoneOnly(key % 2 == 0);
  flags.SetIsRecoveryModeOn(true);
  flags.SetRecoveryModeStartTime(MinutesBefore(20));
  flags.SetIsContactAssist(true);
  flags.SetContactAssistStartTime(MinutesBefore(10));
}

void FillMonitoring(ZelTUserPresence& user, long key) {
  for (long monitored = 1; monitored <= 2; ++monitored) {
    TSilentMonitoringInfo info;
    info.contactId = ContactId(key + monitored, 1);
    info.requeueCount = 0;
    info.extension = user.GetExtension();
    info.type = static_cast<enSilentMonitoringType>(SILENTMONITORING_SILENT + monitored);
    Control::SilentMonitoring(user).PushBack(info);
  }
}

ZelTUserPresence FullUser(long key) {
  ZelTUserPresence user;
  FillIdentity(user, key);
  FillMedia(user);
  FillContacts(Control::HandlingStates(user), key, kContacts);
  FillStanding(user, key);
  FillMonitoring(user, key);
  return user;
}

}  // namespace

void FillAnsweredQuery(ZelTQueryUsersPresence& query, int users) {
  query.SetAction(ZelTQueryUsersPresence::ACTION_QUERY);
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  query.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  query.GetUsersPresence().Clear();
  for (long i = 0; i < users; ++i) query.GetUsersPresence().PushBack(FullUser(kFirstUserKey + i));
}

std::string BodyOf(ZelTQueryUsersPresence& query) {
  TPack sizing(0);
  query.PackRequest(sizing);
  std::string body(sizing.BufferSizeRequired(), '\0');
  TPack writer;
  writer.SetBuffer(body.data(), static_cast<unsigned long>(body.size()));
  query.PackRequest(writer);
  return body;
}

ZelTHandlingStates FullHandlingStates(int contacts) {
  ZelTHandlingStates states;
  FillContacts(states, kFirstUserKey, contacts);
  return states;
}

Summaries FullSummaries(int count) {
  using Summary = ZelTIntegratedPresenceSummary;
  Summaries summaries;
  Summary summary;
  summary.SetIntegratedPresenceSource(Summary::SOURCE_ZORBAGENTSTATE);
  summary.SetVoiceMediaStatus(Summary::Busy);
  summary.SetRoutingStateReason(7);
  summary.SetRoutingStateReasonType(Summary::ROUTINGSTATEREASON_WORK);
  for (long i = 0; i < count; ++i) {
    const long key = kFirstUserKey + i;
    summary.SetPresenceId("agent" + std::to_string(key) + "@example.com");
    summary.SetZorbUserName("agent" + std::to_string(key));
    summary.SetExtension(std::to_string(40000 + key));
    summary.SetIntegratedPresence(static_cast<Summary::IntegratedPresence>(1 + key % Summary::STATUS_ERROR));
    summary.SetPresenceQueryResult(static_cast<unsigned long>(1 + key % 3));
    summary.SetZorbQueryResult(static_cast<unsigned long>(1 + key % 5));
    summary.SetExtensionQueryResult(static_cast<unsigned long>(1 + key % 7));
    summary.SetResultCode(static_cast<unsigned long>(1 + key % 2));
    summaries.PushBack(summary);
  }
  summaries.SetMaxSize(count);
  return summaries;
}

UsersReply& CachedUsersReply(int users) {
  static std::map<int, std::unique_ptr<UsersReply>> replies;
  std::unique_ptr<UsersReply>& reply = replies[users];
  if (!reply) {
    reply = std::make_unique<UsersReply>();
    FillAnsweredQuery(reply->query, users);
    reply->body = BodyOf(reply->query);
  }
  return *reply;
}

}  // namespace zelbench
