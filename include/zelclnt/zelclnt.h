#pragma once
// The whole public interface of zelclnt, platform layer included.

#include "zelclnt/platform/CString.h"
#include "zelclnt/platform/KRVEnum.h"
#include "zelclnt/platform/TBaseException.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TGenericStatus.h"
#include "zelclnt/platform/TMemory.h"
#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TPack.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/platform/TRPCServer.h"
#include "zelclnt/platform/TStdString.h"
#include "zelclnt/platform/TTimeStamp.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"

#include "zelclnt/state/STTimeStamp.h"
#include "zelclnt/state/THandlingState.h"
#include "zelclnt/state/TMediaReadiness.h"
#include "zelclnt/state/TMediaState.h"
#include "zelclnt/state/TSilentMonitoringInfo.h"
#include "zelclnt/state/TStateEnums.h"

#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/core/ZelTRequest.h"

#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/model/ZelTMediaState.h"
#include "zelclnt/model/ZelTPostProcessing.h"
#include "zelclnt/model/ZelTPresenceState.h"
#include "zelclnt/model/ZelTRoutingState.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/model/ZelTStdVectorPointerColl.h"
#include "zelclnt/model/ZelTUserFlags.h"

#include "zelclnt/requests/ZelQorvServerStatus.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"
