#pragma once
// What an application does with an event as the framework delivers it, its
// type and bytes: reads the bytes into the record of that type, and then
// visits the record (std::visit) or asks for its text and its user.
//
// Types without a record of their own (connection and extension-list
// events) read as std::monostate. Reading never fails on bad bytes: the
// record gets what could be read, as every record reader does. All members
// are static; one ZelTAnyEvent serves one thread at a time.

#include <cstddef>
#include <string>
#include <variant>

#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/events/ZelTPrimaryHandlingStateEvent.h"
#include "zelclnt/events/ZelTQueryIntegratedPresenceEvent.h"
#include "zelclnt/events/ZelTUserCSMStateEvent.h"
#include "zelclnt/events/ZelTUserCapabilityEvents.h"
#include "zelclnt/events/ZelTUserHandlingStateEvent.h"
#include "zelclnt/events/ZelTUserMediaReadinessEvents.h"
#include "zelclnt/events/ZelTUserMediaStateEvent.h"
#include "zelclnt/events/ZelTUserModeEvents.h"
#include "zelclnt/events/ZelTUserRoutingStateEvent.h"
#include "zelclnt/events/ZelTWrapupSubmittedEvent.h"
#include "zelclnt/ZelExport.h"

using ZelTAnyEvent =
    std::variant<std::monostate, ZelTUserMediaStateEvent, ZelTUserRoutingStateEvent, ZelTUserHandlingStateEvent,
                 ZelTUserContactQueueConsultedEvent, ZelTPrimaryHandlingStateEvent, ZelTWrapupSubmittedEvent,
                 ZelTUserRecoveryModeEvent, ZelTUserContactAssistEvent, ZelTUserCapabilityEvent,
                 ZelTUserMediaNotReadyEvent, ZelTUserMediaReadyEvent, ZelTUserCapabilityNotReadyEvent,
                 ZelTUserCSMStateEvent, ZelTQueryIntegratedPresenceEvent>;

class ZELCLNT_API ZelTEventReader {
 public:
  // Replaces event with the record of type read from the bytes. A handling
  // event keeps the type it arrived as (created, connected, completed or
  // update), which its bytes do not carry. False for a type without a record.
  static bool Read(ZelTPresenceServer::enEvent type, const void* data, std::size_t size, ZelTAnyEvent& event);

  // The record's own text; full asks for the whole snapshot where the record
  // has one. Empty for std::monostate.
  static std::string ToString(const ZelTAnyEvent& event, bool full);

  // The user the event is about; false for events about no one user
  // (readiness, capability readiness, integrated presence).
  static bool UserKeyOf(const ZelTAnyEvent& event, long& userKey);

 private:
  static void ReadHandling(ZelTPresenceServer::enEvent type, ZelTAnyEvent& event, const void* data, std::size_t size);
};
