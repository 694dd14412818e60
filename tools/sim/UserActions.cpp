#include "UserActions.h"

#include "ZelTPostProcessingControl.h"
#include "ZelTUserPresenceControl.h"

namespace zelsim {
namespace {

using Control = ZelTUserPresenceControl;
using PP = ZelTPostProcessingControl;
using Error = ZelTPresenceServer::ErrorCode;
using User = ZelTUserPresence;

const TTimeStamp kNever(1);

Error SetRouting(User& user, ZelTRoutingState::enRoutingState state, long reason, const TTimeStamp& now) {
  ZelTRoutingState& routing = Control::RoutingState(user);
  routing.SetRoutingState(state);
  routing.SetRoutingStateReason(reason);
  routing.SetStartTime(now);
  return ZelTPresenceServer::ERR_NONE;
}

// Available, unavailable or work, and only while a medium is logged on.
Error SetRoutingState(User& user, const ZelTRoutingState& wanted, const TTimeStamp& now) {
  const auto state = wanted.GetRoutingState();
  if (state != ZelTRoutingState::ROUTINGSTATE_AVAILABLE && state != ZelTRoutingState::ROUTINGSTATE_UNAVAILABLE &&
      state != ZelTRoutingState::ROUTINGSTATE_WORK)
    return ZelTPresenceServer::ERR_INVALID_STATE;
  if (!user.GetMediaStates().IsLoggedOn()) return ZelTPresenceServer::ERR_INVALID_MEDIA;
  return SetRouting(user, state, wanted.GetRoutingStateReason(), now);
}

// The server's own: available to logged off, logged on or not.
Error SetAcdState(User& user, const ZelTRoutingState& wanted, const TTimeStamp& now) {
  const auto state = wanted.GetRoutingState();
  if (state < ZelTRoutingState::ROUTINGSTATE_AVAILABLE || state > ZelTRoutingState::ROUTINGSTATE_LOGOFF)
    return ZelTPresenceServer::ERR_INVALID_STATE;
  return SetRouting(user, state, wanted.GetRoutingStateReason(), now);
}

Error SetPrimaryContact(User& user, ZelTHandlingState& contact, const TTimeStamp& now) {
  ZelTHandlingStates& states = Control::HandlingStates(user);
  if (states.IsPrimaryContact(contact.contactId, contact.requeueCount)) return ZelTPresenceServer::ERR_NONE;
  if (ZelTHandlingState* previous = states.GetPrimaryContact()) Control::SetPrimaryStartTime(*previous, kNever);
  Control::SetOldPrimaryContact(states, states.GetPrimaryContactId(), states.GetPrimaryContactRC());
  states.SetPrimaryContactId(contact.contactId);
  states.SetPrimaryContactRC(contact.requeueCount);
  Control::SetPrimaryStartTime(contact, now);
  Control::SetPrimaryContactChangedTime(states, now);
  return ZelTPresenceServer::ERR_NONE;
}

// Switching on again keeps the time it was first switched on.
void Switch(bool on, bool wasOn, const TTimeStamp& now, void (ZelTUserFlags::*setFlag)(bool),
            void (ZelTUserFlags::*setTime)(const TTimeStamp&), ZelTUserFlags& flags) {
  (flags.*setFlag)(on);
  if (on != wasOn) (flags.*setTime)(on ? now : kNever);
}

// A contact whose post-processing has ended leaves the user; a primary one
// leaves the user without a primary contact.
void ReleaseIfDone(User& user, ZelTHandlingState& contact, const TTimeStamp& now) {
  if (Control::PostProcessing(contact).IsPostProcessingActive()) return;
  ZelTHandlingStates& states = Control::HandlingStates(user);
  if (states.IsPrimaryContact(contact.contactId, contact.requeueCount)) {
    Control::SetOldPrimaryContact(states, contact.contactId, contact.requeueCount);
    states.SetPrimaryContactId("");
    states.SetPrimaryContactRC(-1);
    Control::SetPrimaryContactChangedTime(states, now);
  }
  states.RemoveHandlingState(contact);
}

// Ends the automatic and mandatory parts; the user's own manual
// post-processing, if it runs, goes on until the user exits it.
Error SubmitWrapup(User& user, ZelTHandlingState& contact, const std::list<long>& reasons, const TTimeStamp& now) {
  if (contact.contactState != CONTACTSTATE_POSTPROCESSING) return ZelTPresenceServer::ERR_INVALID_STATE;
  if (reasons.size() < 2) return ZelTPresenceServer::ERR_INVALID_PARAMETERS;
  ZelTPostProcessing& pp = Control::PostProcessing(contact);
  PP::SetWrapupReceived(pp, true);
  if (pp.IsMandatoryPostProcessingActive()) PP::StopMandatory(pp);
  if (pp.IsAutoPostProcessingActive() || pp.IsAutoPostProcessingSuspended()) PP::StopAuto(pp);
  Control::SetReasons(contact, std::list<long>(std::next(reasons.begin(), 2), reasons.end()));
  ReleaseIfDone(user, contact, now);
  return ZelTPresenceServer::ERR_NONE;
}

// In post-processing the manual part starts at once and holds the
// automatic one; otherwise it waits, pending, for the contact to end.
Error RequestPostProcessing(ZelTHandlingState& contact, const std::list<long>& reasons) {
  if (reasons.size() != 1) return ZelTPresenceServer::ERR_INVALID_PARAMETERS;
  ZelTPostProcessing& pp = Control::PostProcessing(contact);
  if (pp.IsManualPostProcessingActive() || pp.IsManualPostProcessingPending()) return ZelTPresenceServer::ERR_INVALID_STATE;
  if (contact.contactState != CONTACTSTATE_POSTPROCESSING) {
    PP::RequestManual(pp, reasons.front());
    return ZelTPresenceServer::ERR_NONE;
  }
  PP::StartManual(pp, reasons.front());
  if (pp.IsAutoPostProcessingActive()) PP::SuspendAuto(pp);
  return ZelTPresenceServer::ERR_NONE;
}

Error ExitPostProcessing(User& user, ZelTHandlingState& contact, const TTimeStamp& now) {
  ZelTPostProcessing& pp = Control::PostProcessing(contact);
  if (!pp.IsManualPostProcessingActive() && !pp.IsManualPostProcessingPending())
    return ZelTPresenceServer::ERR_INVALID_STATE;
  PP::StopManual(pp);
  if (pp.IsAutoPostProcessingSuspended()) PP::ResumeAuto(pp);
  if (contact.contactState == CONTACTSTATE_POSTPROCESSING) ReleaseIfDone(user, contact, now);
  return ZelTPresenceServer::ERR_NONE;
}

Error CancelMandatoryPostProcessing(User& user, ZelTHandlingState& contact, const TTimeStamp& now) {
  ZelTPostProcessing& pp = Control::PostProcessing(contact);
  if (!pp.IsMandatoryPostProcessingActive()) return ZelTPresenceServer::ERR_INVALID_STATE;
  PP::StopMandatory(pp);
  ReleaseIfDone(user, contact, now);
  return ZelTPresenceServer::ERR_NONE;
}

Error ApplyContactAction(User& user, const User& call, const TTimeStamp& now) {
  ZelTHandlingState* contact = user.GetHandlingStates().GetHandlingState(call.GetContactID(), call.GetRequeueCount());
  if (!contact) return ZelTPresenceServer::ERR_ITEM_NOT_FOUND;
  switch (call.GetAction()) {
    case User::ACTION_SET_PRIMARY_CONTACT: return SetPrimaryContact(user, *contact, now);
    case User::ACTION_SUBMIT_WRAPUP: return SubmitWrapup(user, *contact, call.GetReasons(), now);
    case User::ACTION_REQUEST_POST_PROCESSING: return RequestPostProcessing(*contact, call.GetReasons());
    case User::ACTION_EXIT_POST_PROCESSING: return ExitPostProcessing(user, *contact, now);
    default: return CancelMandatoryPostProcessing(user, *contact, now);
  }
}

}  // namespace

ZelTPresenceServer::ErrorCode ApplyUserAction(User& user, const User& call, const TTimeStamp& now) {
  ZelTUserFlags& flags = Control::UserFlags(user);
  const ZelTUserFlags& wanted = call.GetUserFlags();
  switch (call.GetAction()) {
    case User::ACTION_QUERY:
      return ZelTPresenceServer::ERR_NONE;
    case User::ACTION_SET_ROUTING_STATE:
      return SetRoutingState(user, call.GetRoutingState(), now);
    case User::ACTION_INTERNAL_SET_ACD_STATE:
      return SetAcdState(user, call.GetRoutingState(), now);
    case User::ACTION_SET_RECOVERY_MODE:
      Switch(wanted.IsRecoveryModeOn(), flags.IsRecoveryModeOn(), now, &ZelTUserFlags::SetIsRecoveryModeOn,
             &ZelTUserFlags::SetRecoveryModeStartTime, flags);
      return ZelTPresenceServer::ERR_NONE;
    case User::ACTION_SET_CONTACT_ASSIST:
      Switch(wanted.IsContactAssist(), flags.IsContactAssist(), now, &ZelTUserFlags::SetIsContactAssist,
             &ZelTUserFlags::SetContactAssistStartTime, flags);
      return ZelTPresenceServer::ERR_NONE;
    case User::ACTION_SET_PRIMARY_CONTACT:
    case User::ACTION_SUBMIT_WRAPUP:
    case User::ACTION_REQUEST_POST_PROCESSING:
    case User::ACTION_EXIT_POST_PROCESSING:
    case User::ACTION_CANCEL_MANDATORY_POST_PROCESSING:
      return ApplyContactAction(user, call, now);
    default:
      return ZelTPresenceServer::ERR_INVALID_PARAMETERS;
  }
}

ZelTPresenceServer::ErrorCode ApplyCampaignDirector(User& user, bool add, const std::string& parameters) {
  ZelTUserCapability& capability = Control::UserCapability(user);
  ZelTCampaignDirectorCapability director = capability.GetCampaignDirectorCapability();
  if (add && director.IsEnabled()) return ZelTPresenceServer::ERR_INVALID_STATE;
  if (add && parameters.empty()) return ZelTPresenceServer::ERR_INVALID_PARAMETERS;
  if (!add && !director.IsEnabled()) return ZelTPresenceServer::ERR_ITEM_NOT_FOUND;
  director.SetEnabled(add);
  director.SetNailUpNumber(add ? parameters : "");
  director.SetReleaseRoutingState(user.GetRoutingState().GetRoutingState());
  capability.SetCampaignDirectorCapability(director);
  return ZelTPresenceServer::ERR_NONE;
}

}  // namespace zelsim
