#pragma once
// The vocabulary the presence server shares with the contact center's state
// manager: 32-bit enumerations and their texts. A value without a text gives
// "Invalid"; a medium without one gives "MediaType: <n>".

#include <cstdint>
#include <string>

#include "zelclnt/ZelExport.h"

class TPack;

enum enMediaState : std::int32_t {
  MEDIASTATE_LOGOFF = 0,
  MEDIASTATE_LOGON = 1,
  MEDIASTATE_AVAILABLE = 2,
  MEDIASTATE_DND = 3,
  MEDIASTATE_UNKNOWN = 4,
};

enum enMediaStateCause : std::int32_t {
  MEDIASTATECAUSE_NONE = 0,
  MEDIASTATECAUSE_DESKTOP_LOGOFF = 1,
  MEDIASTATECAUSE_EXTENSION_OOS = 2,
  MEDIASTATECAUSE_TSERVER_NOT_READY = 3,
  MEDIASTATECAUSE_CALLBACK_SERVER_NOT_READY = 4,
  MEDIASTATECAUSE_EMAIL_SERVER_NOT_READY = 5,
  MEDIASTATECAUSE_WEB_SERVER_NOT_READY = 6,
  MEDIASTATECAUSE_IM_SERVER_NOT_READY = 8,
  MEDIASTATECAUSE_ADMIN_SERVER_NOT_READY = 9,
  MEDIASTATECAUSE_WATCHDOG_SERVER_NOT_READY = 10,
  MEDIASTATECAUSE_CORPORATE_EMAIL_SERVER_NOT_READY = 11,
  MEDIASTATECAUSE_COMM_PLATFORM_NOT_READY = 12,
  MEDIASTATECAUSE_USER_DELETED = 13,
  MEDIASTATECAUSE_LOGON_RECOVERY = 15,
};

enum enReadinessState : std::int32_t {
  READINESS_UNKNOWN = 0,
  READINESS_READY = 1,
  READINESS_NOT_READY = 2,
};

enum enReadinessCause : std::int32_t {
  READINESSCAUSE_NONE = 0,
  READINESSCAUSE_TSERVER_DOWN = 1,
  READINESSCAUSE_CALLBACK_SERVER_DOWN = 2,
  READINESSCAUSE_EMAIL_SERVER_DOWN = 3,
  READINESSCAUSE_WEB_SERVER_DOWN = 4,
  READINESSCAUSE_IM_SERVER_DOWN = 6,
  READINESSCAUSE_ADMIN_SERVER_DOWN = 7,
  READINESSCAUSE_WATCHDOG_SERVER_DOWN = 8,
  READINESSCAUSE_CORPORATE_EMAIL_SERVER_DOWN = 9,
  READINESSCAUSE_COMM_PLATFORM_DOWN = 10,
  READINESSCAUSE_CALLBACK_DISABLED = 11,
  READINESSCAUSE_EMAIL_DISABLED = 12,
  READINESSCAUSE_WEB_DISABLED = 13,
};

struct TMediaServerCommonEnum {
  enum enCSMStateCause : std::int32_t {
    CSM_NONE = 0,
    CSM_ADD = 1,
    CSM_REMOVE = 2,
    CSM_UPDATE_PARTICIPATION = 3,
    CSM_REMOVE_PARTICIPATION = 4,
  };
};

enum enUserSet : std::int32_t {
  USERSET_LOGGED_ON = 0,
  USERSET_LOGGED_ON_AND_CSM = 1,
  USERSET_ALL = 2,
};

enum enSilentMonitoringType : std::int32_t {
  SILENTMONITORING_NONE = 0,
  SILENTMONITORING_SILENT = 1,
  SILENTMONITORING_BARGEIN = 2,
  SILENTMONITORING_CONTINUOUS = 3,
};

enum enRefType : std::int32_t {
  REFTYPE_NONE = 0,
  REFTYPE_CALLBACK = 1,
  REFTYPE_CALLBACK_VOICE_LEG = 2,
  REFTYPE_NETWORKING = 3,
};

enum enPostProcessingMode : std::int32_t {
  POSTPROCESSINGMODE_NONE = 0,
  POSTPROCESSINGMODE_DEFAULT = 1,
  POSTPROCESSINGMODE_DEFAULT_NO_MANDATORY = 2,
  POSTPROCESSINGMODE_DEFAULT_ALWAYS_MANDATORY = 3,
};

struct THandlingStateEnum {
  enum enContactType : std::int32_t {
    CONTACTTYPE_NONE = 0,
    CONTACTTYPE_ROUTED_VOICE = 1,
    CONTACTTYPE_DIRECT_INCOMING_VOICE = 2,
    CONTACTTYPE_DIRECT_OUTGOING_VOICE = 3,
    CONTACTTYPE_DIRECT_INTERNAL_VOICE = 4,
    CONTACTTYPE_ROUTED_CALLBACK = 5,
    CONTACTTYPE_ROUTED_EMAIL = 6,
    CONTACTTYPE_DIRECT_OUTGOING_EMAIL = 7,
    CONTACTTYPE_ROUTED_WEB = 8,
    CONTACTTYPE_UNKNOWN_VOICE = 9,
    CONTACTTYPE_ROUTED_OPENMEDIA = 10,
    CONTACTTYPE_DIRECT_OUTGOING_OPENMEDIA = 11,
  };
};

enum enContactState : std::int32_t {
  CONTACTSTATE_NONE = 0,
  CONTACTSTATE_PENDING = 1,
  CONTACTSTATE_DIALING = 2,
  CONTACTSTATE_BUSY = 3,
  CONTACTSTATE_RINGING = 4,
  CONTACTSTATE_TALKING = 5,
  CONTACTSTATE_QUEUED = 6,
  CONTACTSTATE_ONHOLD = 7,
  CONTACTSTATE_CONSULTING = 8,
  CONTACTSTATE_PROCESSING = 9,
  CONTACTSTATE_POSTPROCESSING = 10,
  CONTACTSTATE_UNKNOWN = 11,
};

enum enHandlingCause : std::int32_t {
  HANDLINGCAUSE_NONE = 0,
  HANDLINGCAUSE_PICKUP = 1,
  HANDLINGCAUSE_CONSULT_QUEUE_OLD = 2,
  HANDLINGCAUSE_CONSULT_QUEUE_NEW = 3,
  HANDLINGCAUSE_EMAIL_DEFERRED = 4,
  HANDLINGCAUSE_EMAIL_RESUMED = 5,
  HANDLINGCAUSE_EMAIL_CONSULT_DEFERRED = 6,
  HANDLINGCAUSE_EMAIL_CONSULT_RESUMED = 7,
  HANDLINGCAUSE_SILENT_MONITORING = 8,
  HANDLINGCAUSE_RECALLED = 9,
  HANDLINGCAUSE_UNASSIGN_RNA = 10,
  HANDLINGCAUSE_UNASSIGN_UNDELIVERABLE = 11,
  HANDLINGCAUSE_UNASSIGN_OTHER = 12,
  HANDLINGCAUSE_VOICE_BLOCKEDCALL = 13,
  HANDLINGCAUSE_VOICE_TIMEDOUT_PENDING_MOVEMENT_CONFIRMATION = 14,
  HANDLINGCAUSE_VOICE_NETWORK_CONGESTION = 15,
  HANDLINGCAUSE_VOICE_CALLFORWARDNOANSWER = 16,
  HANDLINGCAUSE_VOICE_NETWORK_REACHED = 17,
  HANDLINGCAUSE_VOICE_PARKING = 18,
  HANDLINGCAUSE_VOICE_CAMPING_ON = 19,
  HANDLINGCAUSE_ASSIGN_CONTACT = 20,
  HANDLINGCAUSE_CALLBACK_USER_DELETE = 21,
  HANDLINGCAUSE_VOICE_RESET_CALLBACK = 22,
  HANDLINGCAUSE_OPENMEDIA_DEFERRED = 23,
  HANDLINGCAUSE_OPENMEDIA_RESUMED = 24,
  HANDLINGCAUSE_OPENMEDIA_CONSULT_DEFERRED = 25,
  HANDLINGCAUSE_OPENMEDIA_CONSULT_RESUMED = 26,
};

ZELCLNT_API std::string MediaToString(long media);
ZELCLNT_API std::string MediaStateToString(enMediaState state);
ZELCLNT_API std::string MediaStateCauseToString(enMediaStateCause cause);
ZELCLNT_API std::string ReadinessStateToString(enReadinessState state);
ZELCLNT_API std::string ReadinessCauseToString(enReadinessCause cause);
ZELCLNT_API std::string CSMStateCauseToString(TMediaServerCommonEnum::enCSMStateCause cause);
ZELCLNT_API std::string UserSetToString(enUserSet set);
ZELCLNT_API std::string SilentMonitoringTypeToString(enSilentMonitoringType type);
ZELCLNT_API std::string RefTypeToString(enRefType type);
ZELCLNT_API std::string PostProcessingModeToString(enPostProcessingMode mode);
ZELCLNT_API std::string ContactTypeToString(THandlingStateEnum::enContactType type);
ZELCLNT_API std::string ContactStateToString(enContactState state);
ZELCLNT_API std::string HandlingCauseToString(enHandlingCause cause);

// Raw form: the value's 4 bytes, read only when all 4 remain.
ZELCLNT_API TPack& operator<<(TPack& pack, enMediaState value);
ZELCLNT_API TPack& operator>>(TPack& pack, enMediaState& value);
ZELCLNT_API TPack& operator<<(TPack& pack, enMediaStateCause value);
ZELCLNT_API TPack& operator>>(TPack& pack, enMediaStateCause& value);
ZELCLNT_API TPack& operator<<(TPack& pack, enReadinessState value);
ZELCLNT_API TPack& operator>>(TPack& pack, enReadinessState& value);
ZELCLNT_API TPack& operator<<(TPack& pack, enReadinessCause value);
ZELCLNT_API TPack& operator>>(TPack& pack, enReadinessCause& value);
ZELCLNT_API TPack& operator<<(TPack& pack, enSilentMonitoringType value);
ZELCLNT_API TPack& operator>>(TPack& pack, enSilentMonitoringType& value);
ZELCLNT_API TPack& operator<<(TPack& pack, enRefType value);
ZELCLNT_API TPack& operator>>(TPack& pack, enRefType& value);
ZELCLNT_API TPack& operator<<(TPack& pack, THandlingStateEnum::enContactType value);
ZELCLNT_API TPack& operator>>(TPack& pack, THandlingStateEnum::enContactType& value);
ZELCLNT_API TPack& operator<<(TPack& pack, enContactState value);
ZELCLNT_API TPack& operator>>(TPack& pack, enContactState& value);
ZELCLNT_API TPack& operator<<(TPack& pack, enHandlingCause value);
ZELCLNT_API TPack& operator>>(TPack& pack, enHandlingCause& value);
