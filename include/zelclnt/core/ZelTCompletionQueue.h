#pragma once
// Where requests started without waiting (ZelAPresenceServer::Start) end.
// Next hands back each request with its reply unpacked into it, as a
// blocking call would have left it, and tells how the call went. Descriptor
// is readable whenever Next(…, 0) may have something, for the application's
// own event loop; the library starts no thread, so replies are read and
// deadlines kept only inside Next.
//
// A request is its call's reply buffer: it must outlive the call, is not to
// be touched until Next hands it back, and takes no other call meanwhile
// (blocking or not). Many requests may be in flight at once; those to one
// server travel together on one of its connections, each with its own
// deadline on the wire.
//
// A queue serves one thread at a time. Shutdown ends every call in flight
// as Cancelled, each handed back once by Next, and refuses requests started
// after it. Destroying a queue drops the calls still in flight unreported;
// their requests are free at once.

#include <cstddef>
#include <memory>
#include <vector>

#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/platform/TCompletionQueue.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/ZelExport.h"

class ZelTRequest;

class ZELCLNT_API ZelTCompletionQueue {
 public:
  struct Completion {
    ZelTRequest* request = nullptr;
    void* tag = nullptr;
    // The server's, or ACTION_NOT_CARRIED_OUT when the call failed (the
    // request then keeps what it had, and its GetCallOutcome says why; a
    // cancelled call is Cancelled).
    ZelTPresenceServer::ActionResult result = ZelTPresenceServer::ACTION_NOT_CARRIED_OUT;
  };

  ZelTCompletionQueue() = default;
  ~ZelTCompletionQueue();
  ZelTCompletionQueue(const ZelTCompletionQueue&) = delete;
  ZelTCompletionQueue& operator=(const ZelTCompletionQueue&) = delete;

  // The next request whose call ended; false when none did within
  // timeoutMs (0: do not wait; below 0: wait while calls are in flight).
  bool Next(Completion& completion, long timeoutMs);
  // -1 when the system has no descriptor to spare.
  int Descriptor() { return m_queue.Descriptor(); }
  // Ends the request's call at once: Next hands it back Cancelled, never as
  // carried out, though a call already sent may still be. False when the
  // request has no call in flight on this queue.
  bool Cancel(const ZelTRequest& request);
  // Cancels every call in flight (Next hands each back once) and refuses
  // requests started from now on.
  void Shutdown() { m_queue.Shutdown(); }
  // Started and not yet handed back.
  std::size_t InFlight() const { return m_queue.InFlight(); }

 private:
  friend class ZelAPresenceServer;
  // A call's record, kept for the queue's life and used again, with its
  // TRPC's buffers: a call in the steady state allocates nothing.
  struct Call {
    const ZelTCompletionQueue* queue = nullptr;
    ZelTRequest* request = nullptr;
    void* tag = nullptr;
    TRPC rpc;
  };

  Call& NewCall();

  // Declared before the queue, so that the queue ends first and lets go of
  // the calls' TRPCs.
  std::vector<std::unique_ptr<Call>> m_records;
  std::vector<Call*> m_free;
  TCompletionQueue m_queue;
};
