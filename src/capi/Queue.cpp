// Calls started without waiting, through the C interface. The queue knows
// its requests in flight, so that a request freed meanwhile is let go of by
// the queue, never handed back to a caller that no longer has it.

#include <chrono>

#include "Handles.h"

using zelclnt::capi::Guarded;
using zelclnt::capi::Make;
using zelclnt::capi::RecordOutcome;

namespace {

// The action zel_call would send; false for a capability the server never
// changes, which the blocking call refuses before sending as well.
bool Aim(zel_request& request) {
  switch (request.kind) {
    case ZEL_REQUEST_SERVER_STATUS: request.status->SetAction(ZelTServerStatus::ACTION_QUERY); return true;
    case ZEL_REQUEST_USER: request.user->SetAction(ZelTUserPresence::ACTION_QUERY); return true;
    case ZEL_REQUEST_USERS: request.users->SetAction(ZelTQueryUsersPresence::ACTION_QUERY); return true;
    case ZEL_REQUEST_MEDIUM_STATUS: request.medium->SetAction(ZelTQueryUserMediumStatus::ACTION_QUERY); return true;
    case ZEL_REQUEST_INTEGRATED_PRESENCE:
      request.integrated->SetAction(ZelTQueryIntegratedPresence::Action{1});
      return true;
    default:
      return static_cast<const ZelTCapabilityRequest&>(request.Request()).GetCapabilityTypeValue() ==
             ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR;
  }
}

long RemainingMs(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<long>(left.count()) : 0;
}

}  // namespace

// The calls end first: they let go of their requests.
zel_queue::~zel_queue() {
  calls.reset();
  for (zel_request* request : inFlight) {
    if (request->orphaned)
      delete request;
    else
      request->queue = nullptr;
  }
}

extern "C" {

zel_queue* zel_queue_new(void) { return Make<zel_queue>(); }

void zel_queue_free(zel_queue* queue) { delete queue; }

int zel_queue_descriptor(zel_queue* queue) { return queue ? queue->calls->Descriptor() : -1; }

size_t zel_queue_in_flight(const zel_queue* queue) { return queue ? queue->calls->InFlight() : 0; }

int zel_start(zel_client* client, zel_request* request, zel_queue* queue, void* tag) {
  if (!client || !request || !queue) return ZEL_E_INVALID;
  if (request->queue) return ZEL_E_BUSY;
  return Guarded([&]() -> int {
    if (!Aim(*request)) {
      TCallOutcome refused;
      refused.kind = TCallFailure::NotSent;
      refused.text = "capability type " +
                     std::to_string(static_cast<const ZelTCapabilityRequest&>(request->Request()).GetCapabilityTypeValue()) +
                     " is not one the server changes";
      RecordOutcome(*request, ZelTPresenceServer::ACTION_NOT_CARRIED_OUT, refused);
      return request->outcome;
    }
    queue->inFlight.insert(request);
    if (!client->api.Start(client->server, request->Request(), *queue->calls, request)) {
      queue->inFlight.erase(request);
      RecordOutcome(*request, ZelTPresenceServer::ACTION_NOT_CARRIED_OUT, request->Request().GetCallOutcome());
      return request->outcome;
    }
    request->queue = queue;
    request->tag = tag;
    RecordOutcome(*request, ZelTPresenceServer::ACTION_SUCCEEDED, TCallOutcome());
    return ZEL_OK;
  });
}

int zel_queue_next(zel_queue* queue, long timeout_ms, zel_request** request, void** tag) {
  if (request) *request = nullptr;
  if (tag) *tag = nullptr;
  if (!queue) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms > 0 ? timeout_ms : 0);
    for (long wait = timeout_ms;; wait = timeout_ms < 0 ? timeout_ms : RemainingMs(deadline)) {
      ZelTCompletionQueue::Completion done;
      if (!queue->calls->Next(done, wait)) return ZEL_EMPTY;
      auto* ended = static_cast<zel_request*>(done.tag);
      ended->queue = nullptr;
      queue->inFlight.erase(ended);
      if (ended->orphaned) {
        delete ended;
        continue;
      }
      RecordOutcome(*ended, done.result, done.request->GetCallOutcome());
      if (request) *request = ended;
      if (tag) *tag = ended->tag;
      return ended->outcome;
    }
  });
}

int zel_queue_cancel(zel_queue* queue, const zel_request* request) {
  if (!queue || !request) return ZEL_E_INVALID;
  if (request->queue != queue) return ZEL_E_STATE;
  return Guarded([&]() -> int { return queue->calls->Cancel(request->Request()) ? ZEL_OK : ZEL_E_STATE; });
}

}  // extern "C"
