#pragma once
// What the C interface's handles hold, and the helpers every family shares:
// outcomes, copies into callers' buffers, and the guard that keeps
// exceptions on this side of the boundary.

#include <cstddef>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/core/ZelTCompletionQueue.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"
#include "zelclnt/zelclnt_c.h"

namespace zelclnt::capi {

// A user request that also sends the one action ZelAUserPresence has no
// method for: the ACD state, carried as a routing state.
class UserPresence : public ZelAUserPresence {
 public:
  UserPresence() : ZelAUserPresence("zelclnt-c", "localhost") {}
  ActionResult SetAcdState(const std::string& server, ZelTRoutingState::enRoutingState state, long reason) {
    SetState(state);
    SetRoutingStateReason(reason);
    SetAction(ACTION_INTERNAL_SET_ACD_STATE);
    return SendRequest(server, *this, GetDefaultRpcTimeout());
  }
};

}  // namespace zelclnt::capi

struct zel_client {
  explicit zel_client(std::string name) : server(std::move(name)), api("zelclnt-c", "localhost") {}
  std::string server;
  ZelAPresenceServer api;
};

struct zel_request {
  explicit zel_request(int requestKind);
  ZelTRequest& Request();
  const ZelTRequest& Request() const { return const_cast<zel_request*>(this)->Request(); }

  int kind;
  // Only the member of this kind is made.
  std::unique_ptr<ZelTServerStatus> status;
  std::unique_ptr<zelclnt::capi::UserPresence> user;
  std::unique_ptr<ZelTQueryUsersPresence> users;
  std::unique_ptr<ZelTQueryUserMediumStatus> medium;
  std::unique_ptr<ZelTQueryIntegratedPresence> integrated;
  std::unique_ptr<ZelTAddCapability> add;
  std::unique_ptr<ZelTRemoveCapability> remove;

  int outcome = ZEL_OK;
  std::string reason;
  std::string server;
  std::int64_t elapsedUs = 0;
  // The users query's records by index, built at the first look.
  mutable std::vector<const ZelTUserPresence*> index;
  mutable bool indexed = false;
  // Set while a call started without waiting is on this queue.
  zel_queue* queue = nullptr;
  void* tag = nullptr;
  // Freed by its owner while in flight: its queue deletes it once the call
  // let go of it.
  bool orphaned = false;
};

struct zel_queue {
  zel_queue() : calls(std::make_unique<ZelTCompletionQueue>()) {}
  ~zel_queue();
  zel_queue(const zel_queue&) = delete;
  zel_queue& operator=(const zel_queue&) = delete;

  std::unique_ptr<ZelTCompletionQueue> calls;
  // Requests started here and not yet handed back, orphans included.
  std::unordered_set<zel_request*> inFlight;
};

struct zel_receiver;
struct zel_mirror;

namespace zelclnt::capi {

// Copies text as the header's string convention says.
std::size_t CopyOut(const std::string& text, char* buffer, std::size_t size) noexcept;
// Copies a key into a ZEL_KEY_BUFFER buffer.
void CopyKey(const std::string& key, char* buffer) noexcept;
// The outcome of a call that just ended on this thread.
void RecordOutcome(zel_request& request, ZelTPresenceServer::ActionResult result,
                   const TCallOutcome& failure);
int StatusOf(TCallFailure kind);
// A users query's record, a user request's, or null.
const ZelTUserPresence* UserOf(const zel_request* request);
// A contact's numbers, as zel_user_contact_numbers hands them out.
std::size_t ContactNumbers(const ZelTHandlingState& contact, int64_t* values, std::size_t capacity);

// Runs body, turning an exception into a status.
template <typename Body>
int Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return ZEL_E_NO_MEMORY;
  } catch (...) {
    return ZEL_E_INTERNAL;
  }
}

// For functions handing out a value: fallback when body throws.
template <typename Value, typename Body>
Value GuardedValue(Value fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

// Makes a handle; null when memory ran out or the constructor failed.
template <typename Handle, typename... Args>
Handle* Make(Args&&... args) noexcept {
  try {
    return new Handle(std::forward<Args>(args)...);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace zelclnt::capi
