#include "users_presence_message.h"

#include <map>
#include <memory>

#include "ZelTPostProcessingControl.h"
#include "ZelTUserPresenceControl.h"
#include "full_users.h"

namespace zelbench {
namespace {

using PPStatus = ZelTPostProcessingStatus;

// A null stamp is an absent field.
template <typename Message>
void SetStamp(Message& message, void (Message::*set)(std::int64_t), const TTimeStamp& stamp) {
  if (!stamp.IsNull()) (message.*set)(stamp.MillisecondsSince1970());
}

// The parts' statuses are only readable through these questions; stopped
// reads as inactive, which none of the benchmarks' records are.
void FillPostProcessing(ZelTHandlingState& state, pb::PostProcessing& message) {
  ZelTPostProcessing& pp = ZelTUserPresenceControl::PostProcessing(state);
  pb::AutoPostProcessing& automatic = *message.mutable_automatic();
  automatic.set_status(pp.IsAutoPostProcessingActive()      ? PPStatus::PP_ACTIVE
                       : pp.IsAutoPostProcessingSuspended() ? PPStatus::PP_SUSPENDED
                                                            : PPStatus::PP_INACTIVE);
  SetStamp(automatic, &pb::AutoPostProcessing::set_expiry_time, pp.GetAutoPostProcessingExpiryTime());
  automatic.set_remaining_ms(static_cast<std::uint32_t>(ZelTPostProcessingControl::RemainingTime(pp)));
  message.mutable_mandatory()->set_status(pp.IsMandatoryPostProcessingActive() ? PPStatus::PP_ACTIVE
                                                                               : PPStatus::PP_INACTIVE);
  message.mutable_mandatory()->set_wrapup_received(pp.IsWrapupReceived());
  message.mutable_manual()->set_status(pp.IsManualPostProcessingActive()    ? PPStatus::PP_ACTIVE
                                       : pp.IsManualPostProcessingPending() ? PPStatus::PP_PENDING
                                                                            : PPStatus::PP_INACTIVE);
  message.mutable_manual()->set_reason(static_cast<std::int32_t>(pp.GetManualPostProcessingReason()));
}

void FillContact(ZelTHandlingState& state, pb::HandlingState& message) {
  message.set_contact_id(state.contactId);
  message.set_requeue_count(static_cast<std::int32_t>(state.requeueCount));
  message.set_ref_id(state.refId);
  message.set_ref_requeue_count(static_cast<std::int32_t>(state.refRequeueCount));
  message.set_ref_type(state.refType);
  message.set_contact_type(state.contactType);
  message.set_media(static_cast<std::int32_t>(state.media));
  message.set_handling_cause(state.handlingCause);
  message.set_queue_key(static_cast<std::int32_t>(state.queueKey));
  message.set_priority(static_cast<std::int32_t>(state.priority));
  SetStamp(message, &pb::HandlingState::set_start_time, state.startTime);
  message.set_contact_state(state.contactState);
  SetStamp(message, &pb::HandlingState::set_connected_time, state.GetConnectedTime());
  SetStamp(message, &pb::HandlingState::set_created_time, state.GetCreatedTime());
  SetStamp(message, &pb::HandlingState::set_primary_start_time, state.GetPrimaryStartTime());
  FillPostProcessing(state, *message.mutable_post_processing());
  for (const long reason : state.GetReasons()) message.add_reasons(static_cast<std::int32_t>(reason));
}

void FillMedia(const ZelTUserPresence& user, pb::UserPresence& message) {
  for (const ZelTMediaState* state : user.GetMediaStatesVector()) {
    pb::MediaState& media = *message.add_media_states();
    media.set_media(static_cast<std::int32_t>(state->media));
    media.set_state(state->state);
    media.set_cause(state->cause);
    SetStamp(media, &pb::MediaState::set_start_time, state->startTime);
  }
  const ZelTRoutingState& routing = user.GetRoutingState();
  pb::RoutingState& out = *message.mutable_routing_state();
  out.set_state(routing.GetRoutingState());
  out.set_reason(static_cast<std::int32_t>(routing.GetRoutingStateReason()));
  out.set_initial_source(routing.GetInitialRoutingStateSource());
  SetStamp(out, &pb::RoutingState::set_start_time, routing.GetStartTime());
}

void FillPresence(const ZelTPresenceState& state, pb::PresenceState& message) {
  message.set_state(state.GetPresenceState());
  SetStamp(message, &pb::PresenceState::set_start_time, state.GetStartTime());
}

void FillStanding(const ZelTUserPresence& user, pb::UserPresence& message) {
  FillPresence(user.GetPresenceState(), *message.mutable_presence_state());
  FillPresence(user.GetPresenceStateExDirectContact(), *message.mutable_presence_state_ex_direct_contact());
  const ZelTDesktopCapability& desktop = user.GetUserCapability().GetDesktopCapability();
  message.mutable_desktop_capability()->set_capability(desktop.GetCapability());
  message.mutable_desktop_capability()->set_cause(desktop.GetCause());
  SetStamp(*message.mutable_desktop_capability(), &pb::DesktopCapability::set_start_time, desktop.GetStartTime());
  const ZelTUserFlags& flags = user.GetUserFlags();
  pb::UserFlags& out = *message.mutable_flags();
  out.set_phone_only(flags.IsPhoneOnly());
  out.set_recovery_mode_on(flags.IsRecoveryModeOn());
  out.set_contact_assist(flags.IsContactAssist());
  SetStamp(out, &pb::UserFlags::set_recovery_mode_start_time, flags.GetRecoveryModeStartTime());
  SetStamp(out, &pb::UserFlags::set_contact_assist_start_time, flags.GetContactAssistStartTime());
}

void FillUser(const ZelTUserPresence& user, pb::UserPresence& message) {
  message.set_user_key(static_cast<std::int32_t>(user.GetUserKey()));
  message.set_user_id(user.GetUserID());
  message.set_extension(user.GetExtension());
  message.set_associated_line(user.GetAssociatedLine());
  message.set_site_key(static_cast<std::int32_t>(user.GetSiteKey()));
  message.set_bus_unit_key(static_cast<std::int32_t>(user.GetBusUnitKey()));
  message.set_team_key(static_cast<std::int32_t>(user.GetTeamKey()));
  message.set_group_id(user.GetGroupID());
  FillMedia(user, message);
  FillMessage(user.GetHandlingStates(), *message.mutable_handling_states());
  FillStanding(user, message);
  SetStamp(message, &pb::UserPresence::set_tick_count, user.GetTickCount());
  for (const TSilentMonitoringInfo* info : user.GetSilentMonitoringCollList()) {
    pb::SilentMonitoring& out = *message.add_silent_monitoring();
    out.set_contact_id(info->contactId);
    out.set_requeue_count(static_cast<std::int32_t>(info->requeueCount));
    out.set_extension(info->extension);
    out.set_type(info->type);
  }
}

}  // namespace

void FillMessage(const ZelTHandlingStates& states, pb::HandlingStates& message) {
  for (ZelTHandlingState* state : states.GetHandlingStates().GetList()) FillContact(*state, *message.add_states());
  message.set_primary_contact_id(states.GetPrimaryContactId());
  message.set_primary_contact_rc(static_cast<std::int32_t>(states.GetPrimaryContactRC()));
  message.set_old_primary_contact_id(states.GetOldPrimaryContactId());
  message.set_old_primary_contact_rc(static_cast<std::int32_t>(states.GetOldPrimaryContactRC()));
  SetStamp(message, &pb::HandlingStates::set_primary_contact_changed_time, states.GetPrimaryContactChangedTime());
}

void FillMessage(const ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>& summaries,
                 pb::PresenceSummaries& message) {
  message.Clear();
  for (const ZelTIntegratedPresenceSummary* summary : summaries.GetList()) {
    pb::PresenceSummary& out = *message.add_summaries();
    out.set_presence_id(summary->GetPresenceId());
    out.set_zorb_user_name(summary->GetZorbUserName());
    out.set_extension(summary->GetExtension());
    out.set_integrated_presence(summary->GetIntegratedPresence());
    out.set_source(summary->GetIntegratedPresenceSource());
    out.set_voice_media_status(summary->GetVoiceMediaStatus());
    out.set_routing_state_reason(static_cast<std::int32_t>(summary->GetRoutingStateReason()));
    out.set_routing_state_reason_type(summary->GetRoutingStateReasonType());
    out.set_presence_query_result(static_cast<std::uint32_t>(summary->GetPresenceQueryResult()));
    out.set_zorb_query_result(static_cast<std::uint32_t>(summary->GetZorbQueryResult()));
    out.set_extension_query_result(static_cast<std::uint32_t>(summary->GetExtensionQueryResult()));
    out.set_result_code(static_cast<std::uint32_t>(summary->GetResultCode()));
  }
  message.set_max_size(summaries.GetMaxSize());
}

void FillMessage(const ZelTQueryUsersPresence& query, pb::UsersPresence& message) {
  message.Clear();
  message.set_action_result(query.GetActionResult());
  message.set_error_code(query.GetErrorCode());
  message.set_query_type(query.GetQueryType());
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList()) FillUser(*user, *message.add_users());
}

const UsersMessage& CachedUsersMessage(int users) {
  static std::map<int, std::unique_ptr<UsersMessage>> messages;
  std::unique_ptr<UsersMessage>& cached = messages[users];
  if (!cached) {
    cached = std::make_unique<UsersMessage>();
    FillMessage(CachedUsersReply(users).query, cached->message);
    cached->message.SerializeToString(&cached->wire);
  }
  return *cached;
}

}  // namespace zelbench
