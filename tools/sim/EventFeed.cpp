#include "EventFeed.h"

#include "ZelTEventControl.h"
#include "zelclnt/events/ZelTPrimaryHandlingStateEvent.h"
#include "zelclnt/events/ZelTUserHandlingStateEvent.h"
#include "zelclnt/events/ZelTUserMediaStateEvent.h"
#include "zelclnt/events/ZelTUserModeEvents.h"
#include "zelclnt/events/ZelTUserRoutingStateEvent.h"
#include "zelclnt/events/ZelTWrapupSubmittedEvent.h"
#include "zelclnt/platform/TPack.h"

namespace zelsim {
namespace {

using PS = ZelTPresenceServer;
using Base = ZelTEventBase;
using User = ZelTUserPresence;
using Contacts = ZelTStdListPointerColl<ZelTHandlingState>;

Base::enEventCause RoutingCause(const ZelTRoutingState& before, const ZelTRoutingState& after) {
  if (before.GetRoutingState() == after.GetRoutingState()) return Base::EVENTCAUSE_ROUTING_STATE_REASON_UPDATE;
  switch (after.GetRoutingState()) {
    case ZelTRoutingState::ROUTINGSTATE_AVAILABLE:
      return Base::EVENTCAUSE_ROUTING_AVAILABLE;
    case ZelTRoutingState::ROUTINGSTATE_UNAVAILABLE:
      return Base::EVENTCAUSE_ROUTING_UNAVAILABLE;
    case ZelTRoutingState::ROUTINGSTATE_WORK:
      return Base::EVENTCAUSE_ROUTING_WORK;
    default:
      return Base::EVENTCAUSE_NONE;
  }
}

PS::enEvent MediaEventOf(long medium) {
  switch (medium) {
    case KRVEnum::MEDIUM_VOICE:
      return PS::VOICE_USER_MEDIA_EVENT;
    case KRVEnum::MEDIUM_CALLBACK:
      return PS::CALLBACK_USER_MEDIA_EVENT;
    case KRVEnum::MEDIUM_EMAIL:
      return PS::EMAIL_USER_MEDIA_EVENT;
    case KRVEnum::MEDIUM_WEBCHAT:
      return PS::WEB_USER_MEDIA_EVENT;
    default:
      return PS::OPENMEDIA_USER_MEDIA_EVENT;
  }
}

Contacts ContactsOf(const ZelTHandlingState& contact) {
  Contacts contacts;
  contacts.PushBack(contact);
  return contacts;
}

}  // namespace

bool EventFeed::Tells(const User& call) const {
  return IsOn() && call.GetAction() != User::ACTION_QUERY && call.GetAction() != User::ACTION_NONE;
}

void EventFeed::UserActed(const User& before, const User& after, const User& call) const {
  switch (call.GetAction()) {
    case User::ACTION_SET_ROUTING_STATE:
    case User::ACTION_INTERNAL_SET_ACD_STATE:
      return RoutingChanged(before.GetRoutingState(), after);
    case User::ACTION_SET_PRIMARY_CONTACT:
      return PrimaryChanged(before, after);
    case User::ACTION_SET_RECOVERY_MODE: {
      ZelTUserRecoveryModeEvent event;
      ZelTEventControl::Copy(event, Base::EVENTCAUSE_RECOVERY_MODE, after);
      return Publish(PS::USER_RECOVERY_MODE_EVENT, event);
    }
    case User::ACTION_SET_CONTACT_ASSIST: {
      ZelTUserContactAssistEvent event;
      ZelTEventControl::Copy(event, Base::EVENTCAUSE_CONTACT_ASSIST, after);
      return Publish(PS::USER_CONTACT_ASSIST_EVENT, event);
    }
    case User::ACTION_SUBMIT_WRAPUP:
      return WrapupSubmitted(before, after, call);
    case User::ACTION_REQUEST_POST_PROCESSING:
    case User::ACTION_EXIT_POST_PROCESSING:
    case User::ACTION_CANCEL_MANDATORY_POST_PROCESSING:
      return PostProcessingChanged(before, after, call);
    default:
      return;
  }
}

void EventFeed::RoutingChanged(const ZelTRoutingState& before, const User& after) const {
  ZelTUserRoutingStateEvent event;
  ZelTEventControl::Copy(event, RoutingCause(before, after.GetRoutingState()), after);
  Publish(PS::USER_ROUTING_STATE_EVENT, event);
}

void EventFeed::MediaChanged(const User& user, long medium, bool loggedOn) const {
  ZelTUserMediaStateEvent event;
  ZelTEventControl::Copy(event, loggedOn ? Base::EVENTCAUSE_MEDIA_LOGON : Base::EVENTCAUSE_MEDIA_LOGOFF, user, medium,
                         Contacts());
  Publish(MediaEventOf(medium), event);
}

void EventFeed::ContactChanged(const User& user, const ZelTHandlingState& contact, PS::enEvent type,
                               Base::enEventCause cause) const {
  ZelTUserHandlingStateEvent event;
  ZelTEventControl::Copy(event, cause, user, ContactsOf(contact), type);
  Publish(type, event);
}

void EventFeed::PrimaryChanged(const User& before, const User& after) const {
  const ZelTHandlingStates& was = before.GetHandlingStates();
  const ZelTHandlingStates& now = after.GetHandlingStates();
  if (was.GetPrimaryContactId() == now.GetPrimaryContactId() && was.GetPrimaryContactRC() == now.GetPrimaryContactRC())
    return;
  ZelTPrimaryHandlingStateEvent event;
  ZelTEventControl::Copy(event, Base::EVENTCAUSE_PRIMARY_HANDLING_STATE, after);
  Publish(PS::PRIMARY_HANDLING_STATE_EVENT, event);
}

// The wrap-up itself, then what became of the contact: updated while the
// user's own post-processing goes on, completed once it left the user.
void EventFeed::WrapupSubmitted(const User& before, const User& after, const User& call) const {
  long queueKey = 0;
  long sequenceNumber = -1;
  std::list<long> reasons;
  call.GetSubmitWrapupInfo(queueKey, sequenceNumber, reasons);
  ZelTWrapupSubmittedEvent event;
  ZelTEventControl::Copy(event, Base::EVENTCAUSE_WRAPUP_SUBMITTED, after, call.GetContactID(), call.GetRequeueCount(),
                         queueKey, 0L, sequenceNumber, reasons);
  Publish(PS::WRAPUP_SUBMITTED_EVENT, event);
  PostProcessingChanged(before, after, call);
}

void EventFeed::PostProcessingChanged(const User& before, const User& after, const User& call) const {
  const ZelTHandlingState* held =
      after.GetHandlingStates().GetHandlingState(call.GetContactID(), call.GetRequeueCount());
  if (held) return ContactChanged(after, *held, PS::USER_HANDLING_STATE_UPDATE_EVENT, Base::EVENTCAUSE_CONTACT_UPDATED);
  const ZelTHandlingState* gone =
      before.GetHandlingStates().GetHandlingState(call.GetContactID(), call.GetRequeueCount());
  if (gone) ContactChanged(after, *gone, PS::USER_CONTACT_COMPLETED_EVENT, Base::EVENTCAUSE_CONTACT_DELETED);
  PrimaryChanged(before, after);
}

template <typename Event>
void EventFeed::Publish(PS::enEvent type, const Event& event) const {
  TPack pack;
  pack << event;
  m_sink(type, event.GetUserKey(), pack.Contents(), pack.Length());
}

}  // namespace zelsim
