#include "zelclnt/core/ZelTPresenceServer.h"

#include "ZelTextTable.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr ZelTextEntry kErrorTexts[] = {
    {0, "ERR_NONE"},
    {35000, "ERR_GENERIC"},
    {35001, "ERR_RPC_TIMEOUT"},
    {35002, "ERR_RPC_FAILED"},
    {35003, "ERR_EXCEPTION_OCCURRED"},
    {35004, "ERR_UNABLE_TO_ALLOCATE_MEM"},
    {35006, "ERR_UNABLE_TO_ADD_TO_COLLECTION"},
    {35007, "ERR_SEMPHORE_TIMEOUT"},
    {35010, "ERR_EMPTY_OBJECT"},
    {35011, "ERR_INVALID_DATA"},
    {35012, "ERR_INVALID_USER"},
    {35013, "ERR_INVALID_AGENT"},
    {35014, "ERR_INVALID_EXTENSION"},
    {35016, "ERR_INVALID_RESOURCE"},
    {35018, "ERR_REQUEST_FAILED"},
    {35019, "ERR_REQUEST_UNAUTHORIZED"},
    {35020, "ERR_REQUEST_INVALID_RESULT"},
    {35021, "ERR_EVENT_REGISTRATION_FAILED"},
    {35022, "ERR_EVENT_DEREGISTRATION_FAILED"},
    {35023, "ERR_EVENT_WAIT_TIMEOUT"},
    {35024, "ERR_INTERFACE_NOT_STARTED"},
    {35025, "ERR_VALIDATION"},
    {35026, "ERR_SHUTTING_DOWN"},
    {35028, "ERR_KVL_NOT_ENABLED"},
    {35029, "ERR_INVALID_PARAMETERS"},
    {35030, "ERR_INVALID_STATE"},
    {35031, "ERR_INVALID_MEDIA"},
    {35032, "ERR_ITEM_NOT_FOUND"},
    {35034, "ERR_CAPABILITY_NOT_SUPPORTED"},
    {35035, "ERR_CAPABILITY_HANDLING_NAIL_UP_CALL"},
    {35040, "ERR_SERVER_NOT_READY"},
    {35045, "ERR_KVL_DOWN"},
};

constexpr ZelTextEntry kEventTexts[] = {
    {35000, "CONNECTIONEVENT"},
    {35001, "QUERYPRESENCESTATUSEVENT"},
    {35002, "Voice User Media Event"},
    {35003, "Callback User Media Event"},
    {35004, "Email User Media Event"},
    {35005, "Web User Media Event"},
    {35006, "IM User Media Event"},
    {35007, "User Routing State Event"},
    {35008, "User Contact Created Event"},
    {35009, "User Contact Connected Event"},
    {35010, "User Contact Completed Event"},
    {35011, "User Handling State Update Event"},
    {35012, "Primary Handling State Event"},
    {35013, "Wrapup Submitted Event"},
    {35014, "User Recovery Mode Event"},
    {35015, "User Contact Assist Event"},
    {35016, "User Capability Event"},
    {35017, "User Media Not Ready Event"},
    {35018, "User Media Ready Event"},
    {35019, "User Capability Not Ready Event"},
    {35020, "Contact Queue Consulted Event"},
    {35021, "User All Media Not Ready Event"},
    {35022, "User CSM State Event"},
    {35023, "OpenMedia User Media Event"},
    {35024, "QUERYEXTENSIONLISTEVENT"},
};

template <std::size_t N>
std::string TextOrWarn(const ZelTextEntry (&table)[N], std::int32_t value, const char* warning) {
  return ZelTextOrWarn(table, value, "???", __FILE__, warning);
}

}  // namespace

std::string ZelTPresenceServer::ToString(enEvent event) {
  return TextOrWarn(kEventTexts, event, "Unsupported Presence Server Event Type: %d");
}

std::string ZelTPresenceServer::ToString(ErrorCode code) {
  return TextOrWarn(kErrorTexts, code, "Unsupported Presence Server Error Code: %d");
}

TPack& operator<<(TPack& pack, ZelTPresenceServer::ActionResult value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, ZelTPresenceServer::ActionResult& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, ZelTPresenceServer::ErrorCode value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, ZelTPresenceServer::ErrorCode& value) { return UnpackEnum32(pack, value); }
