#pragma once
// The enumerations every request and event shares, and their texts.
// All members are static or trivial; any thread may call them.

#include <cstdint>
#include <string>

#include "zelclnt/ZelExport.h"

class TPack;

class ZELCLNT_API ZelTPresenceServer {
 public:
  enum ActionResult : std::int32_t {
    ACTION_SUCCEEDED = 0,
    ACTION_NOT_CARRIED_OUT = 1,
  };

  enum ErrorCode : std::int32_t {
    ERR_NONE = 0,
    ERR_GENERIC = 35000,
    ERR_RPC_TIMEOUT = 35001,
    ERR_RPC_FAILED = 35002,
    ERR_EXCEPTION_OCCURRED = 35003,
    ERR_UNABLE_TO_ALLOCATE_MEM = 35004,
    ERR_UNABLE_TO_ADD_TO_COLLECTION = 35006,
    ERR_SEMPHORE_TIMEOUT = 35007,
    ERR_EMPTY_OBJECT = 35010,
    ERR_INVALID_DATA = 35011,
    ERR_INVALID_USER = 35012,
    ERR_INVALID_AGENT = 35013,
    ERR_INVALID_EXTENSION = 35014,
    ERR_INVALID_RESOURCE = 35016,
    ERR_REQUEST_FAILED = 35018,
    ERR_REQUEST_UNAUTHORIZED = 35019,
    ERR_REQUEST_INVALID_RESULT = 35020,
    ERR_EVENT_REGISTRATION_FAILED = 35021,
    ERR_EVENT_DEREGISTRATION_FAILED = 35022,
    ERR_EVENT_WAIT_TIMEOUT = 35023,
    ERR_INTERFACE_NOT_STARTED = 35024,
    ERR_VALIDATION = 35025,
    ERR_SHUTTING_DOWN = 35026,
    ERR_KVL_NOT_ENABLED = 35028,
    ERR_INVALID_PARAMETERS = 35029,
    ERR_INVALID_STATE = 35030,
    ERR_INVALID_MEDIA = 35031,
    ERR_ITEM_NOT_FOUND = 35032,
    ERR_CAPABILITY_NOT_SUPPORTED = 35034,
    ERR_CAPABILITY_HANDLING_NAIL_UP_CALL = 35035,
    ERR_SERVER_NOT_READY = 35040,
    ERR_KVL_DOWN = 35045,
  };

  enum enEvent : std::int32_t {
    CONNECTIONEVENT = 35000,
    QUERYPRESENCESTATUSEVENT = 35001,
    VOICE_USER_MEDIA_EVENT = 35002,
    CALLBACK_USER_MEDIA_EVENT = 35003,
    EMAIL_USER_MEDIA_EVENT = 35004,
    WEB_USER_MEDIA_EVENT = 35005,
    IM_USER_MEDIA_EVENT = 35006,
    USER_ROUTING_STATE_EVENT = 35007,
    USER_CONTACT_CREATED_EVENT = 35008,
    USER_CONTACT_CONNECTED_EVENT = 35009,
    USER_CONTACT_COMPLETED_EVENT = 35010,
    USER_HANDLING_STATE_UPDATE_EVENT = 35011,
    PRIMARY_HANDLING_STATE_EVENT = 35012,
    WRAPUP_SUBMITTED_EVENT = 35013,
    USER_RECOVERY_MODE_EVENT = 35014,
    USER_CONTACT_ASSIST_EVENT = 35015,
    USER_CAPABILITY_EVENT = 35016,
    USER_MEDIA_NOT_READY_EVENT = 35017,
    USER_MEDIA_READY_EVENT = 35018,
    USER_CAPABILITY_NOT_READY_EVENT = 35019,
    CONTACT_QUEUE_CONSULTED_EVENT = 35020,
    USER_ALL_MEDIA_NOT_READY_EVENT = 35021,
    USER_CSM_STATE_EVENT = 35022,
    OPENMEDIA_USER_MEDIA_EVENT = 35023,
    QUERYEXTENSIONLISTEVENT = 35024,
  };

  ZelTPresenceServer() = default;
  ZelTPresenceServer(const ZelTPresenceServer&) = default;
  ZelTPresenceServer& operator=(const ZelTPresenceServer&) = default;
  virtual ~ZelTPresenceServer() = default;

  // "???" and a WARN line for a value without text.
  static std::string ToString(enEvent event);
  static std::string ToString(ErrorCode code);
};

ZELCLNT_API TPack& operator<<(TPack& pack, ZelTPresenceServer::ActionResult value);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTPresenceServer::ActionResult& value);
ZELCLNT_API TPack& operator<<(TPack& pack, ZelTPresenceServer::ErrorCode value);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTPresenceServer::ErrorCode& value);
