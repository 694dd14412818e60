#include "zelclnt/events/ZelTEventReader.h"

#include <type_traits>

#include "zelclnt/diag/NuxDiagSummary.h"
#include "zelclnt/platform/TPack.h"

namespace {

using PS = ZelTPresenceServer;

template <typename Event>
Event& ReadInto(ZelTAnyEvent& event, const void* data, std::size_t size) {
  Event& record = event.emplace<Event>();
  TPack pack(data, static_cast<unsigned long>(size));
  pack >> record;
  return record;
}

template <typename Event>
constexpr bool kHasFullText = std::is_base_of_v<ZelTUserPresenceDetails, Event>;

std::string TextOf(const ZelTQueryIntegratedPresenceEvent& event, bool) {
  NuxDiagSummary summary(true, true, true, "QueryIntegratedPresenceEvent", "{", "}");
  summary.Add("ResourceId", event.GetResourceId(), true);
  summary << event.ToString();
  return summary.ToString();
}

template <typename Event>
std::string TextOf(const Event& event, bool full) {
  if constexpr (kHasFullText<Event>) {
    return event.ToString(full);
  } else {
    return event.ToString();
  }
}

// Reads the bytes into a fresh record of the event type's class.
using Reader = void (*)(PS::enEvent type, ZelTAnyEvent& event, const void* data, std::size_t size);

template <typename Event>
void Fresh(PS::enEvent, ZelTAnyEvent& event, const void* data, std::size_t size) {
  ReadInto<Event>(event, data, size);
}

struct ReaderEntry {
  PS::enEvent type;
  Reader read;
};

}  // namespace

void ZelTEventReader::ReadHandling(PS::enEvent type, ZelTAnyEvent& event, const void* data, std::size_t size) {
  ReadInto<ZelTUserHandlingStateEvent>(event, data, size).m_eventType = type;
}

bool ZelTEventReader::Read(PS::enEvent type, const void* data, std::size_t size, ZelTAnyEvent& event) {
  // In here for the handling events' reader, which sets what only the class may.
  static constexpr ReaderEntry kReaders[] = {
      {PS::QUERYPRESENCESTATUSEVENT, Fresh<ZelTQueryIntegratedPresenceEvent>},
      {PS::VOICE_USER_MEDIA_EVENT, Fresh<ZelTUserMediaStateEvent>},
      {PS::CALLBACK_USER_MEDIA_EVENT, Fresh<ZelTUserMediaStateEvent>},
      {PS::EMAIL_USER_MEDIA_EVENT, Fresh<ZelTUserMediaStateEvent>},
      {PS::WEB_USER_MEDIA_EVENT, Fresh<ZelTUserMediaStateEvent>},
      {PS::IM_USER_MEDIA_EVENT, Fresh<ZelTUserMediaStateEvent>},
      {PS::USER_ROUTING_STATE_EVENT, Fresh<ZelTUserRoutingStateEvent>},
      {PS::USER_CONTACT_CREATED_EVENT, ZelTEventReader::ReadHandling},
      {PS::USER_CONTACT_CONNECTED_EVENT, ZelTEventReader::ReadHandling},
      {PS::USER_CONTACT_COMPLETED_EVENT, ZelTEventReader::ReadHandling},
      {PS::USER_HANDLING_STATE_UPDATE_EVENT, ZelTEventReader::ReadHandling},
      {PS::PRIMARY_HANDLING_STATE_EVENT, Fresh<ZelTPrimaryHandlingStateEvent>},
      {PS::WRAPUP_SUBMITTED_EVENT, Fresh<ZelTWrapupSubmittedEvent>},
      {PS::USER_RECOVERY_MODE_EVENT, Fresh<ZelTUserRecoveryModeEvent>},
      {PS::USER_CONTACT_ASSIST_EVENT, Fresh<ZelTUserContactAssistEvent>},
      {PS::USER_CAPABILITY_EVENT, Fresh<ZelTUserCapabilityEvent>},
      {PS::USER_MEDIA_NOT_READY_EVENT, Fresh<ZelTUserMediaNotReadyEvent>},
      {PS::USER_MEDIA_READY_EVENT, Fresh<ZelTUserMediaReadyEvent>},
      {PS::USER_CAPABILITY_NOT_READY_EVENT, Fresh<ZelTUserCapabilityNotReadyEvent>},
      {PS::CONTACT_QUEUE_CONSULTED_EVENT, Fresh<ZelTUserContactQueueConsultedEvent>},
      {PS::USER_ALL_MEDIA_NOT_READY_EVENT, Fresh<ZelTUserMediaNotReadyEvent>},
      {PS::USER_CSM_STATE_EVENT, Fresh<ZelTUserCSMStateEvent>},
      {PS::OPENMEDIA_USER_MEDIA_EVENT, Fresh<ZelTUserMediaStateEvent>},
  };
  for (const ReaderEntry& entry : kReaders) {
    if (entry.type != type) continue;
    entry.read(type, event, data, size);
    return true;
  }
  event.emplace<std::monostate>();
  return false;
}

std::string ZelTEventReader::ToString(const ZelTAnyEvent& event, bool full) {
  return std::visit(
      [full](const auto& record) -> std::string {
        using Event = std::decay_t<decltype(record)>;
        if constexpr (std::is_same_v<Event, std::monostate>) {
          return std::string();
        } else {
          return TextOf(record, full);
        }
      },
      event);
}

bool ZelTEventReader::UserKeyOf(const ZelTAnyEvent& event, long& userKey) {
  return std::visit(
      [&userKey](const auto& record) {
        using Event = std::decay_t<decltype(record)>;
        if constexpr (std::is_base_of_v<ZelTEventBase, Event>) {
          userKey = record.GetUserKey();
          return true;
        } else {
          return false;
        }
      },
      event);
}
