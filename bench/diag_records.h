#pragma once
// Every record with a PrintDiag, default-made: switched off, what it holds
// must not matter.

#include <tuple>

#include "zelclnt/model/ZelTCapability.h"
#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/model/ZelTMediaState.h"
#include "zelclnt/model/ZelTPresenceState.h"
#include "zelclnt/model/ZelTRoutingState.h"
#include "zelclnt/model/ZelTUserFlags.h"
#include "zelclnt/state/STTimeStamp.h"
#include "zelclnt/state/THandlingState.h"
#include "zelclnt/state/TMediaReadiness.h"
#include "zelclnt/state/TMediaState.h"
#include "zelclnt/state/TSilentMonitoringInfo.h"

namespace zelbench {

using DiagRecords =
    std::tuple<ZelTPresentity, ZelTIntegratedPresenceSummary, ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>,
               ZelTDesktopCapability, ZelTUserCapability, ZelTHandlingState, ZelTHandlingStates, ZelTMediaState,
               ZelTMediaStates, ZelTPresenceState, ZelTRoutingState, ZelTUserFlags, STTimeStamp, THandlingStateBase,
               THandlingState, TMediaReadinessBase, TMediaReadiness, TMediaStateBase, TMediaState,
               TSilentMonitoringInfo>;

}  // namespace zelbench
