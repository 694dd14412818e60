#pragma once
// Where calls started without waiting (TFramework::StartRPC) end. The
// application drives the queue: Next waits for the next call to end, or,
// with a time-out of 0, only looks; Descriptor is a file descriptor that
// is readable whenever Next(…, 0) may have something, for an event loop of
// the application's own (poll, epoll, Asio, libuv). The library starts no
// thread: replies are read, deadlines kept and lost servers noticed only
// inside Next.
//
// Every call ends exactly once: with its reply, with the reason it failed,
// or cancelled. A call's TRPC is its reply buffer: it must outlive the
// call, and is not to be touched until the call ended. Many calls may be in
// flight at once; those to one endpoint travel together on one of its
// shared connections, told apart by their call ids, and each keeps its own
// deadline on the wire. A connection goes back to its endpoint's pool once
// no call of the queue is in flight on it.
//
// A queue serves one thread at a time. Shutdown ends every call in flight
// as Cancelled, each told once by Next, and refuses calls started after it,
// so that an application can drain its queue before it stops. Destroying a
// queue drops the calls still in flight unreported; their TRPCs are free at
// once.

#include <cstddef>
#include <memory>

#include "zelclnt/platform/TFramework.h"
#include "zelclnt/ZelExport.h"

class TRPC;

namespace zelplatform {
class AsyncEngine;
}

class ZELCLNT_API TCompletionQueue {
 public:
  struct Completion {
    void* tag = nullptr;
    // Its outcome (GetOutcome) None: the call went through, and its reply
    // (if one was expected) is in rpc; a handler's own nonzero return code
    // is an answer, not a failure.
    TRPC* rpc = nullptr;
  };

  TCompletionQueue();
  ~TCompletionQueue();
  TCompletionQueue(const TCompletionQueue&) = delete;
  TCompletionQueue& operator=(const TCompletionQueue&) = delete;

  // The next call that ended; false when none did within timeoutMs (0: do
  // not wait; below 0: wait for one as long as calls are in flight).
  bool Next(Completion& completion, long timeoutMs);
  // Readable while Next(…, 0) may have something. Made on first use and
  // owned by the queue. -1 when the system has no descriptor to spare, and
  // on Windows, which has no descriptor that gathers others.
  int Descriptor();
  // Ends the call on rpc at once, as Cancelled: it is reported by Next, never
  // as succeeded. A call not yet sent is never sent; one sent may still be
  // carried out. False when rpc has no call in flight on this queue.
  bool Cancel(const TRPC& rpc);
  // Cancels every call in flight (Next tells each once) and refuses calls
  // started from now on.
  void Shutdown();
  // Calls started on the queue and not yet collected by Next.
  std::size_t InFlight() const;

 private:
  friend class TFramework;
  std::unique_ptr<zelplatform::AsyncEngine> m_engine;
};
