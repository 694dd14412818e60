// Requests through the C interface: one handle per request kind, its last
// outcome, and the records of the replies that are not users.

#include <cstring>
#include <iterator>

#include "Handles.h"

using zelclnt::capi::CopyOut;
using zelclnt::capi::Guarded;
using zelclnt::capi::GuardedValue;
using zelclnt::capi::Make;

zel_request::zel_request(int requestKind) : kind(requestKind) {
  switch (kind) {
    case ZEL_REQUEST_SERVER_STATUS: status = std::make_unique<ZelTServerStatus>(); break;
    case ZEL_REQUEST_USER: user = std::make_unique<zelclnt::capi::UserPresence>(); break;
    case ZEL_REQUEST_USERS: users = std::make_unique<ZelTQueryUsersPresence>(); break;
    case ZEL_REQUEST_MEDIUM_STATUS: medium = std::make_unique<ZelTQueryUserMediumStatus>(); break;
    case ZEL_REQUEST_INTEGRATED_PRESENCE: integrated = std::make_unique<ZelTQueryIntegratedPresence>(); break;
    case ZEL_REQUEST_ADD_CAPABILITY: add = std::make_unique<ZelTAddCapability>(); break;
    default: remove = std::make_unique<ZelTRemoveCapability>(); break;
  }
}

ZelTRequest& zel_request::Request() {
  if (status) return *status;
  if (user) return *user;
  if (users) return *users;
  if (medium) return *medium;
  if (integrated) return *integrated;
  if (add) return *add;
  return *remove;
}

namespace {

bool Is(const zel_request* request, int kind) { return request && request->kind == kind; }

const ZelTServerStatus* StatusOf(const zel_request* request) {
  return Is(request, ZEL_REQUEST_SERVER_STATUS) ? request->status.get() : nullptr;
}

}  // namespace

extern "C" {

zel_request* zel_server_status_new(void) { return Make<zel_request>(ZEL_REQUEST_SERVER_STATUS); }

zel_request* zel_user_new(long user_key, const char* user_id) {
  if (!user_id) return nullptr;
  zel_request* request = Make<zel_request>(ZEL_REQUEST_USER);
  if (request && Guarded([&]() -> int {
        request->user->SetUserKey(user_key);
        request->user->SetUserID(user_id);
        return ZEL_OK;
      }) != ZEL_OK) {
    delete request;
    return nullptr;
  }
  return request;
}

zel_request* zel_users_new(int query_type) {
  if (query_type < ZEL_USERS_LOGGED_ON || query_type > ZEL_USERS_ALL) return nullptr;
  zel_request* request = Make<zel_request>(ZEL_REQUEST_USERS);
  if (request) request->users->SetQueryType(static_cast<ZelTQueryUsersPresence::enQueryType>(query_type));
  return request;
}

zel_request* zel_medium_status_new(void) { return Make<zel_request>(ZEL_REQUEST_MEDIUM_STATUS); }

zel_request* zel_integrated_presence_new(const char* user_id, const char* password, const char* agent_id) {
  if (!user_id || !password || !agent_id) return nullptr;
  zel_request* request = Make<zel_request>(ZEL_REQUEST_INTEGRATED_PRESENCE);
  if (request && Guarded([&]() -> int {
        request->integrated->SetUserId(user_id);
        request->integrated->SetUserPassword(password);
        request->integrated->SetAgentId(agent_id);
        return ZEL_OK;
      }) != ZEL_OK) {
    delete request;
    return nullptr;
  }
  return request;
}

int zel_integrated_presence_add(zel_request* request, const char* presence_id, const char* user_name,
                                const char* extension) {
  if (!Is(request, ZEL_REQUEST_INTEGRATED_PRESENCE) || !presence_id || !user_name || !extension) return ZEL_E_INVALID;
  if (request->queue) return ZEL_E_BUSY;
  return Guarded([&]() -> int {
    ZelTPresentity presentity;
    presentity.SetPresenceId(presence_id);
    presentity.SetZorbUserName(user_name);
    presentity.SetExtension(extension);
    return request->integrated->AddRecord(presentity) ? ZEL_OK : ZEL_E_INVALID;
  });
}

zel_request* zel_capability_new(int add, long user_key, int capability_type, const char* parameters) {
  if (!parameters) return nullptr;
  zel_request* request = Make<zel_request>(add ? ZEL_REQUEST_ADD_CAPABILITY : ZEL_REQUEST_REMOVE_CAPABILITY);
  if (request && Guarded([&]() -> int {
        ZelTCapabilityRequest& capability = static_cast<ZelTCapabilityRequest&>(request->Request());
        capability.SetUserKey(user_key);
        capability.SetCapabilityType(static_cast<ZelTUserCapability::enCapabilityType>(capability_type));
        if (request->add)
          request->add->SetParameter(parameters);
        else
          request->remove->SetParameters(parameters);
        return ZEL_OK;
      }) != ZEL_OK) {
    delete request;
    return nullptr;
  }
  return request;
}

void zel_request_free(zel_request* request) {
  if (!request) return;
  if (zel_queue* queue = request->queue) {
    // The queue still hands it back once; it deletes it then, unreported.
    request->orphaned = true;
    Guarded([&]() -> int { return queue->calls->Cancel(request->Request()) ? ZEL_OK : ZEL_E_STATE; });
    return;
  }
  delete request;
}

int zel_request_kind_of(const zel_request* request) { return request ? request->kind : ZEL_E_INVALID; }

int zel_request_status(const zel_request* request) { return request ? request->outcome : ZEL_E_INVALID; }

// A call that got no answer leaves the request's fields as they were: the
// code of an earlier answer is not this call's.
int zel_request_error_code(const zel_request* request) {
  if (!request || (request->outcome != ZEL_OK && request->outcome != ZEL_REFUSED)) return 0;
  return static_cast<int>(request->Request().GetErrorCode());
}

size_t zel_request_reason(const zel_request* request, char* buffer, size_t size) {
  return CopyOut(request ? request->reason : std::string(), buffer, size);
}

size_t zel_request_server(const zel_request* request, char* buffer, size_t size) {
  return CopyOut(request ? request->server : std::string(), buffer, size);
}

int64_t zel_request_elapsed_us(const zel_request* request) { return request ? request->elapsedUs : 0; }

void zel_request_position(const zel_request* request, uint64_t* incarnation, uint64_t* position) {
  const TEventPosition at = request ? request->Request().GetStatePosition() : TEventPosition();
  if (incarnation) *incarnation = at.incarnation;
  if (position) *position = at.position;
}

size_t zel_status_server_name(const zel_request* status, char* buffer, size_t size) {
  return CopyOut(StatusOf(status) ? status->status->GetServerName() : std::string(), buffer, size);
}

size_t zel_status_description(const zel_request* status, char* buffer, size_t size) {
  return CopyOut(StatusOf(status) ? status->status->GetDescription() : std::string(), buffer, size);
}

size_t zel_status_started_at(const zel_request* status, char* buffer, size_t size) {
  return CopyOut(StatusOf(status) ? status->status->GetServerStartedAt() : std::string(), buffer, size);
}

int zel_status_is_up(const zel_request* status) { return StatusOf(status) && status->status->IsUp() ? 1 : 0; }

int zel_status_is_shutting_down(const zel_request* status) {
  return StatusOf(status) && status->status->IsShutdown() ? 1 : 0;
}

int zel_status_integration_enabled(const zel_request* status) {
  return StatusOf(status) && status->status->IsKvlEnabled() ? 1 : 0;
}

unsigned long zel_status_heartbeat_interval(const zel_request* status) {
  return StatusOf(status) ? status->status->GetHeartbeatInterval() : 0;
}

size_t zel_medium_count(const zel_request* medium_status) {
  return Is(medium_status, ZEL_REQUEST_MEDIUM_STATUS)
             ? static_cast<size_t>(medium_status->medium->GetMediumStatus().Size())
             : 0;
}

int zel_medium_at(const zel_request* medium_status, size_t index, long* medium, int* state, int* cause) {
  if (index >= zel_medium_count(medium_status)) return ZEL_E_INVALID;
  const TMediaReadiness& readiness = *medium_status->medium->GetMediumStatus().GetVector()[index];
  if (medium) *medium = static_cast<long>(readiness.media);
  if (state) *state = static_cast<int>(readiness.state);
  if (cause) *cause = static_cast<int>(readiness.cause);
  return ZEL_OK;
}

size_t zel_integrated_presence_count(const zel_request* query) {
  return Is(query, ZEL_REQUEST_INTEGRATED_PRESENCE) ? static_cast<size_t>(query->integrated->Size()) : 0;
}

size_t zel_integrated_presence_field(const zel_request* query, size_t index, int field, char* buffer, size_t size) {
  const std::string none;
  if (index >= zel_integrated_presence_count(query) || field < 0 || field > 2) return CopyOut(none, buffer, size);
  return GuardedValue<size_t>(CopyOut(none, buffer, size), [&] {
    const auto& list = query->integrated->GetList();
    const ZelTPresentity& presentity = **std::next(list.begin(), static_cast<std::ptrdiff_t>(index));
    const std::string text = field == 0   ? presentity.GetPresenceId()
                             : field == 1 ? presentity.GetZorbUserName()
                                          : presentity.GetExtension();
    return CopyOut(text, buffer, size);
  });
}

}  // extern "C"
