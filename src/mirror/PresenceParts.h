#pragma once
// Which parts of two presence records differ, field by field as the wire
// carries them, so that a mirror tells only what changed. The parts are
// ZelTPresenceChange's.

#include <cstdint>

#include "ZelTMirrorAccess.h"
#include "zelclnt/core/ZelTUserPresence.h"

namespace zelclnt::mirror {

bool SameMediaStates(const ZelTMediaStates& a, const ZelTMediaStates& b);
bool SameRoutingState(const ZelTRoutingState& a, const ZelTRoutingState& b);
bool SameHandlingStates(const ZelTHandlingStates& a, const ZelTHandlingStates& b);
bool SamePresenceState(const ZelTPresenceState& a, const ZelTPresenceState& b);
bool SameDesktopCapability(const ZelTDesktopCapability& a, const ZelTDesktopCapability& b);
bool SameUserFlags(const ZelTUserFlags& a, const ZelTUserFlags& b);
bool SameSilentMonitoring(const ZelTStdListPointerColl<TSilentMonitoringInfo>& a,
                          const ZelTStdListPointerColl<TSilentMonitoringInfo>& b);

// The parts both hold, identity only as far as they share it (the lines,
// team and group).
std::uint32_t DifferingParts(const ZelTRecordParts<true>& a, const ZelTRecordParts<true>& b);
// Every part, the whole identity included.
std::uint32_t DifferingParts(const ZelTUserPresence& a, const ZelTUserPresence& b);

}  // namespace zelclnt::mirror
