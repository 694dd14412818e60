// The classes' constants, defined here once more so that the Windows DLL
// exports them: it exports a constant of an exported class only where it
// defines one, and a program that binds one to a reference (a map's key, a
// std::max) links to that definition. Elsewhere these lines change nothing.

#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/model/ZelTPostProcessing.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"
#include "zelclnt/state/TSilentMonitoringInfo.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/platform/TRPCServer.h"
#include "zelclnt/platform/TTimeStamp.h"

constexpr TDiag::enDiagType ZelTHandlingState::kPrintDiagType;
constexpr TDiag::enDiagType ZelTPresentity::kPrintDiagType;
constexpr unsigned long ZelTAutoPostProcessing::kLeastRemainingTime;
constexpr std::size_t ZelTPostProcessing::kWireSize;
constexpr std::size_t NuxDiagStream::kPieceLength;
constexpr unsigned short ZelTQueryUsersPresence::kObjectType;
constexpr unsigned short ZelTAddCapability::kObjectType;
constexpr unsigned short ZelTRemoveCapability::kObjectType;
constexpr unsigned short ZelTServerStatus::kObjectType;
constexpr unsigned long ZelTServerStatus::kDefaultHeartbeatInterval;
constexpr unsigned short ZelTQueryUserMediumStatus::kObjectType;
constexpr unsigned short ZelTQueryIntegratedPresence::kObjectType;
constexpr int ZelTQueryIntegratedPresence::kMaxRecords;
constexpr TDiag::enDiagType TSilentMonitoringInfo::kPrintDiagType;
constexpr const char* ZelAPresenceServer::kVersionName;
constexpr const char* ZelAPresenceServer::kVersion;
constexpr unsigned short ZelTUserPresence::kObjectType;
constexpr unsigned int ZelTRequest::kDefaultRpcTimeout;
constexpr unsigned long TMsgRequestHdr::kSize;
constexpr unsigned long TMsgReplyHdr::kFixedSize;
constexpr unsigned short TRPCServer::kRoleRpcType;
constexpr long TRPC::kRefusedTooLarge;
constexpr long TRPC::kHandlerFailed;
constexpr std::size_t TTimeStamp::kWireSize;
constexpr std::uint8_t TTimeStamp::kNullFlag;
constexpr std::uint8_t TTimeStamp::kGmtFlag;
constexpr int TEventReceiver::kDefaultHighWaterMark;
constexpr long TEventReceiver::kReplayTimeoutMs;
constexpr long TEventReceiver::kProbeTimeoutMs;
constexpr long TEventReceiver::kProbeRetryMs;
constexpr long TFramework::kDefaultTimeoutMs;
constexpr long TFramework::kDefaultIdleConnectionMs;
constexpr std::size_t TFramework::kDefaultMaxMessageSize;
constexpr int TEventPublisher::kDefaultHighWaterMark;
constexpr long TEventPublisher::kDefaultHeartbeatMs;
constexpr unsigned short TEventPublisher::kReplayRpcType;
