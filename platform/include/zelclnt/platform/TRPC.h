#pragma once
// One remote procedure call: what the caller sends and what comes back.
// TRPC copies every buffer it is given, so the caller may free its own at
// once; only a reply handed over with its owner (AdoptReplyData) is read
// where it lies, and only a reply reserved (ReserveReply) is written where
// it will be read. A TRPC and its reply queue serve one call on one thread;
// a TRPC with a call in flight takes no other (TFramework::StartRPC).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TCallOutcome.h"
#include "zelclnt/platform/TEventPosition.h"
#include "zelclnt/platform/TServerRole.h"
#include "zelclnt/ZelExport.h"

namespace zelplatform {
class AsyncEngine;
}

// Marks an object that has a call in flight, with the record that holds
// the call; a copy of the object is not marked. The call writes into the
// object until it ends: in debug builds, destroying, overwriting or moving
// from a marked object aborts with a line naming it, where a release build
// would write to memory no longer the object's.
class ZELCLNT_API TInFlightMark {
 public:
  explicit TInFlightMark(const char* owner) : m_owner(owner) {}
  TInFlightMark(const TInFlightMark& other) : m_owner(other.m_owner) {}
  TInFlightMark(TInFlightMark&& other) noexcept : m_owner(other.m_owner) { other.Check("moved from"); }
  TInFlightMark& operator=(const TInFlightMark&) {
    Check("overwritten");
    return *this;
  }
  TInFlightMark& operator=(TInFlightMark&& other) noexcept {
    Check("overwritten");
    other.Check("moved from");
    return *this;
  }
  ~TInFlightMark() { Check("destroyed"); }

  bool On() const { return m_holder != nullptr; }
  void* Holder() const { return m_holder; }
  void Hold(void* holder) { m_holder = holder; }
  void Release() { m_holder = nullptr; }

 private:
  void Check(const char* what) const {
#ifndef NDEBUG
    if (m_holder) Abort(what);
#else
    (void)what;
#endif
  }
  [[noreturn]] void Abort(const char* what) const;

  const char* m_owner;
  void* m_holder = nullptr;
};

class ZELCLNT_API TRPC {
 public:
  // Return codes the transport itself sets; any other nonzero value is the
  // server handler's.
  static constexpr long kRefusedTooLarge = -2;
  static constexpr long kHandlerFailed = -3;

  void SetRPCType(unsigned short type) { m_rpcType = type; }
  unsigned short GetRPCType() const { return m_rpcType; }
  void SetReplyExpected(unsigned char expected) { m_replyExpected = expected; }
  unsigned char GetReplyExpected() const { return m_replyExpected; }

  void SetCallData(const void* data, std::size_t length);
  void SetReplyData(const void* data, std::size_t length);
  // Takes the reply without copying it: the bytes stay where they are, kept
  // alive by owner (copies of the TRPC share it) until the reply is
  // replaced or the last copy ends. A large reply is thus read where the
  // transport received it.
  void AdoptReplyData(const char* data, std::size_t length, std::shared_ptr<const void> owner);
  // Room for a reply of `length` bytes, for the caller to write in place
  // of any reply held; its bytes are undefined until written. The storage
  // is kept from one reply to the next, so a server that keeps its TRPC
  // between calls (Reset) writes each reply once and allocates rarely.
  // Null, with an empty reply, when no memory can be had.
  char* ReserveReply(std::size_t length);
  // Every field as a new TRPC has it, but the storage of the call and the
  // reply kept.
  void Reset();
  const char* GetCallPointer() const { return m_call.data(); }
  unsigned long GetCallSize() const { return static_cast<unsigned long>(m_call.size()); }
  const char* GetReplyPointer() const { return m_replyOwner ? m_adopted : m_reply.Data(); }
  unsigned long GetReplySize() const {
    return static_cast<unsigned long>(m_replyOwner ? m_adoptedSize : m_reply.Size());
  }

  // Nonzero: the call failed at the far end.
  void SetReturnCode(long code) { m_returnCode = code; }
  long GetReturnCode() const { return m_returnCode; }

  // On the server: what the caller's keys admit it to; Control on servers
  // without CURVE and on inproc.
  void SetCallerRole(TRole role) { m_callerRole = role; }
  TRole GetCallerRole() const { return m_callerRole; }

  // The event position the reply reflects: set by the server's handler,
  // read by the caller after the call; unknown when the server told none.
  void SetStatePosition(const TEventPosition& position) { m_statePosition = position; }
  const TEventPosition& GetStatePosition() const { return m_statePosition; }

  // A call that may be sent again, to another server of a list, after it
  // may have reached one (a query): set by its caller.
  void SetIdempotent(bool idempotent) { m_idempotent = idempotent; }
  bool IsIdempotent() const { return m_idempotent; }

  // On the server, the role it answers the call in; on the client, after
  // the call, the role the reply told (Serving from servers that tell none).
  void SetServerRole(TServerRole role) { m_serverRole = role; }
  TServerRole GetServerRole() const { return m_serverRole; }
  // The term that goes with the role; 0 when none was told.
  void SetServerTerm(std::uint64_t term) { m_serverTerm = term; }
  std::uint64_t GetServerTerm() const { return m_serverTerm; }

  // From the start of a call until its end is told; a copy has none.
  bool IsInFlight() const { return m_inFlight.On(); }
  // How the last call ended; None before any.
  const TCallOutcome& GetOutcome() const { return m_outcome; }
  // Trades the outcome, with its storage, for other: a caller that keeps
  // each call's outcome itself spares the allocations of a fresh one.
  void SwapOutcome(TCallOutcome& other) noexcept { std::swap(m_outcome, other); }

 private:
  friend class zelplatform::AsyncEngine;
  friend class TFramework;

  // Traced memory that grows, never shrinks, and is copied at its size.
  class ZELCLNT_API ReplyStore {
   public:
    ReplyStore() = default;
    ReplyStore(const ReplyStore& other);
    ReplyStore& operator=(const ReplyStore& other);
    ReplyStore(ReplyStore&& other) noexcept;
    ReplyStore& operator=(ReplyStore&& other) noexcept;
    ~ReplyStore();

    // Null, and size 0, when it cannot grow to `size`.
    char* Resize(std::size_t size);
    const char* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }

   private:
    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
  };

  unsigned short m_rpcType = 0;
  unsigned char m_replyExpected = 1;
  long m_returnCode = 0;
  TRole m_callerRole = TRole::Control;
  TEventPosition m_statePosition;
  bool m_idempotent = false;
  TServerRole m_serverRole = TServerRole::Serving;
  std::uint64_t m_serverTerm = 0;
  std::vector<char> m_call;
  ReplyStore m_reply;
  std::shared_ptr<const void> m_replyOwner;
  const char* m_adopted = nullptr;
  std::size_t m_adoptedSize = 0;
  TCallOutcome m_outcome;
  TInFlightMark m_inFlight{"TRPC"};
};

// The queue on which a call's replies arrive. Replies that belong to no call
// of this queue (late answers to calls that already failed) are dropped and
// counted.
class ZELCLNT_API TThreadQueue {
 public:
  void CountStale(std::size_t count = 1) { m_stale += count; }
  std::size_t StaleDiscarded() const { return m_stale; }

 private:
  std::size_t m_stale = 0;
};
