#pragma once
// How one call ended. The object that carried the call keeps it (the TRPC,
// and a request of the library), so a later call, on this thread or
// another, never changes what an earlier one tells.

#include <chrono>
#include <string>

#include "zelclnt/platform/TEventPosition.h"

// Why a call failed.
enum class TCallFailure {
  None,                  // it went through
  NoSuchServer,          // nothing serves the name, or it is no endpoint
  ConnectionRefused,     // the server refused the connection
  TimedOut,              // the time-out passed first
  RefusedTooLarge,       // the call or its reply is above the size bound
  Interrupted,           // the server shut down, or its connection was lost, before it replied
  HandlerFailed,         // the server's handler failed
  AuthenticationFailed,  // the CURVE handshake failed: keys refused or not the server's, or CURVE on one side only
  NoUsableKeys,          // the endpoint needs CURVE and the client's keys are missing or unreadable
  ClosedInHandshake,     // the peer hung up during the handshake without a word: no presence server, or a
                         // proxy with nothing behind it
  NotPresenceServer,     // the peer speaks another protocol, or is another kind of ZeroMQ socket
  OutcomeUnknown,        // a call to a list, not idempotent, got no answer after it was sent: it may have run
  Busy,                  // the TRPC (or request) already has a call in flight: nothing was sent
  Cancelled,             // the caller cancelled the call; if it was sent it may still run
  TwoServing,            // a server of the list carried the action out under a term that another server of the
                         // list had already replaced: the action is lost once the two meet
  NotSent,               // the library refused the request before sending it (it could not be packed, or a
                         // field holds a value the server does not take): nothing was sent
};

struct TCallOutcome {
  TCallFailure kind = TCallFailure::None;
  // E.g. "connection refused by tcp://127.0.0.1:7399"; empty for None.
  // Never holds key material.
  std::string text;
  // The endpoint that answered, or the last one tried (of a list: the last
  // server the call went to); empty when the call went to none.
  std::string server;
  // Where the server's event stream stood when it answered; unknown when it
  // told none or did not answer.
  TEventPosition position;
  // From the start of the call to its end.
  std::chrono::microseconds elapsed{0};

  bool Failed() const { return kind != TCallFailure::None; }
  // As before any call, the texts' storage kept for the next.
  void Clear() {
    kind = TCallFailure::None;
    text.clear();
    server.clear();
    position = TEventPosition();
    elapsed = std::chrono::microseconds(0);
  }
};
