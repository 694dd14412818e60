#pragma once
// What a presence mirror tells its application: a user's record changed
// (which parts, by which event at which position), a user came or went, a
// medium's readiness changed, the mirror joined the server's stream again,
// the event connection went away and came back, or two servers of a list
// were seen serving at once.
//
// The parts name the fields of a ZelTUserPresence as the wire carries them;
// a change lists those that now differ from what the mirror held before.
// The records before and after come when the application asked for them
// (ZelAPresenceMirror::SetChangeCopies): they are the mirror's store's own
// records, shared, not copied, which never change.
//
// A plain value; copies share the records.

#include <cstdint>
#include <memory>
#include <string>

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/platform/TEventPosition.h"
#include "zelclnt/ZelExport.h"

struct ZELCLNT_API ZelTPresenceChange {
  enum enKind : std::int32_t {
    CHANGE_USER = 0,          // parts of the user's record changed
    CHANGE_USER_ADDED = 1,    // the server has a user the mirror did not hold
    CHANGE_USER_REMOVED = 2,  // the server no longer knows the user
    CHANGE_READINESS = 3,     // the readiness of `medium` changed
    CHANGE_SYNCED = 4,        // the mirror joined the stream at `position` (see enSyncCause)
    CHANGE_LINK_DOWN = 5,     // the event connection went away; what is missed is asked for again
    CHANGE_LINK_UP = 6,       // and came back
    CHANGE_REFUSED = 7,       // the server refused this client's keys for its events
    CHANGE_TWO_SERVING = 8,   // two servers of the list serve at once (TFramework::TwoServingOf): the one under the
                              // lower term will stand by, and what it changed since the other took over is lost
  };

  enum enSyncCause : std::int32_t {
    SYNC_FIRST = 0,      // the first join
    SYNC_RESTARTED = 1,  // the server's publisher started afresh
    SYNC_LOST = 2,       // events were lost beyond what the server still held
    SYNC_SWITCHED = 3,   // another server of the list serves now
  };

  // Bits of `parts`.
  enum enPart : std::uint32_t {
    PART_IDENTITY = 1u << 0,  // user id, extension, line, site, business unit, team, group
    PART_MEDIA_STATES = 1u << 1,
    PART_ROUTING_STATE = 1u << 2,
    PART_HANDLING_STATES = 1u << 3,  // contacts, primary contact, post-processing
    PART_PRESENCE_STATES = 1u << 4,  // both variants
    PART_CAPABILITY = 1u << 5,       // the desktop capability
    PART_USER_FLAGS = 1u << 6,
    PART_SILENT_MONITORING = 1u << 7,
    PART_ALL = (1u << 8) - 1,
  };

  enKind kind = CHANGE_USER;
  long userKey = 0;
  std::uint32_t parts = 0;
  // The event that made the change; 0 when a query did.
  int eventType = 0;
  // The event's position, or that of the reply that made the change.
  TEventPosition position;
  // The event was sent again after the mirror had missed it.
  bool replayed = false;
  long medium = 0;
  enSyncCause syncCause = SYNC_FIRST;
  // Only when asked for; no record before an addition, none after a removal.
  std::shared_ptr<const ZelTUserPresence> before;
  std::shared_ptr<const ZelTUserPresence> after;

  // "RoutingState,MediaStates"; "None" for no part.
  static std::string PartsToString(std::uint32_t parts);
  // "User", "UserAdded", ...; "Invalid" for a value without text.
  static std::string ToString(enKind kind);
  // One line: the kind, the user or medium, the parts, the position.
  std::string ToString() const;
};
