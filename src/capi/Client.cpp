// Clients and blocking calls through the C interface: each call records
// its outcome on its request, read on the calling thread at once.

#include <list>

#include "Handles.h"

using zelclnt::capi::Guarded;
using zelclnt::capi::Make;
using zelclnt::capi::RecordOutcome;

namespace {

using PS = ZelTPresenceServer;

// A request whose call is on a queue takes no other; the C++ object would
// refuse it as Busy as well, but after the queue's last word was given.
int Ready(zel_client* client, zel_request* request) {
  if (!client || !request) return ZEL_E_INVALID;
  if (request->queue) return ZEL_E_BUSY;
  return ZEL_OK;
}

template <typename Call>
int Finish(zel_request& request, Call&& call) {
  return Guarded([&]() -> int {
    const PS::ActionResult result = call();
    RecordOutcome(request, result, request.Request().GetCallOutcome());
    return request.outcome;
  });
}

int Send(zel_client& client, zel_request& request) {
  const std::string& server = client.server;
  ZelAPresenceServer& api = client.api;
  return Finish(request, [&] {
    switch (request.kind) {
      case ZEL_REQUEST_SERVER_STATUS: return api.QueryServerStatus(server, *request.status);
      case ZEL_REQUEST_USER: return request.user->Query(server);
      case ZEL_REQUEST_USERS: return api.QueryUsersPresence(server, *request.users);
      case ZEL_REQUEST_MEDIUM_STATUS: return api.QueryUserMediumStatus(server, *request.medium);
      case ZEL_REQUEST_INTEGRATED_PRESENCE: return api.QueryIntegratedPresence(server, *request.integrated);
      case ZEL_REQUEST_ADD_CAPABILITY: return api.AddCapability(server, *request.add);
      default: return api.RemoveCapability(server, *request.remove);
    }
  });
}

// The user actions: each names its request a user and has a contact id.
template <typename Action>
int Act(zel_client* client, zel_request* user, const char* contactId, Action&& action) {
  const int ready = Ready(client, user);
  if (ready != ZEL_OK) return ready;
  if (user->kind != ZEL_REQUEST_USER || !contactId) return ZEL_E_INVALID;
  return Finish(*user, [&] { return action(*user->user, client->server, std::string(contactId)); });
}

}  // namespace

extern "C" {

zel_client* zel_client_new(const char* server) {
  if (!server) return nullptr;
  return Make<zel_client>(std::string(server));
}

void zel_client_free(zel_client* client) { delete client; }

int zel_call(zel_client* client, zel_request* request) {
  const int ready = Ready(client, request);
  return ready == ZEL_OK ? Send(*client, *request) : ready;
}

int zel_user_query(zel_client* client, zel_request* user) {
  if (user && user->kind != ZEL_REQUEST_USER) return ZEL_E_INVALID;
  return zel_call(client, user);
}

int zel_user_set_routing_state(zel_client* client, zel_request* user, int state, long reason, int synchronous) {
  return Act(client, user, "", [&](zelclnt::capi::UserPresence& agent, const std::string& server, const std::string&) {
    return agent.SetRoutingState(server, static_cast<ZelTRoutingState::enRoutingState>(state), reason,
                                 synchronous != 0);
  });
}

int zel_user_set_acd_state(zel_client* client, zel_request* user, int state, long reason) {
  return Act(client, user, "", [&](zelclnt::capi::UserPresence& agent, const std::string& server, const std::string&) {
    return agent.SetAcdState(server, static_cast<ZelTRoutingState::enRoutingState>(state), reason);
  });
}

int zel_user_set_primary_contact(zel_client* client, zel_request* user, const char* contact_id,
                                 long requeue_count) {
  return Act(client, user, contact_id, [&](zelclnt::capi::UserPresence& agent, const std::string& server, std::string contact) {
    return agent.SetPrimaryContact(server, std::move(contact), requeue_count);
  });
}

int zel_user_set_recovery_mode(zel_client* client, zel_request* user, int on) {
  return Act(client, user, "", [&](zelclnt::capi::UserPresence& agent, const std::string& server, const std::string&) {
    return agent.SetRecoveryMode(server, on != 0);
  });
}

int zel_user_set_contact_assist(zel_client* client, zel_request* user, int on) {
  return Act(client, user, "", [&](zelclnt::capi::UserPresence& agent, const std::string& server, const std::string&) {
    return agent.SetContactAssist(server, on != 0);
  });
}

int zel_user_submit_wrapup(zel_client* client, zel_request* user, const char* contact_id, long requeue_count,
                           const long* reasons, size_t reason_count, long queue_key, long sequence_number) {
  if (reason_count > 0 && !reasons) return ZEL_E_INVALID;
  return Act(client, user, contact_id, [&](zelclnt::capi::UserPresence& agent, const std::string& server, std::string contact) {
    std::list<long> list(reasons, reasons + reason_count);
    return agent.SubmitWrapup(server, std::move(contact), requeue_count, std::move(list), queue_key,
                              sequence_number);
  });
}

int zel_user_request_post_processing(zel_client* client, zel_request* user, const char* contact_id,
                                     long requeue_count, long reason) {
  return Act(client, user, contact_id, [&](zelclnt::capi::UserPresence& agent, const std::string& server, std::string contact) {
    return agent.RequestPostProcessing(server, std::move(contact), requeue_count, reason);
  });
}

int zel_user_exit_post_processing(zel_client* client, zel_request* user, const char* contact_id,
                                  long requeue_count) {
  return Act(client, user, contact_id, [&](zelclnt::capi::UserPresence& agent, const std::string& server, std::string contact) {
    return agent.ExitPostProcessing(server, std::move(contact), requeue_count);
  });
}

int zel_user_cancel_mandatory_post_processing(zel_client* client, zel_request* user, const char* contact_id,
                                              long requeue_count) {
  return Act(client, user, contact_id, [&](zelclnt::capi::UserPresence& agent, const std::string& server, std::string contact) {
    return agent.CancelMandatoryPostProcessing(server, std::move(contact), requeue_count);
  });
}

}  // extern "C"
