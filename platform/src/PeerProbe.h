#pragma once
// What a peer that hung up during the handshake says first, asked on a
// connection of its own. ZeroMQ's monitor tells that the peer went, never
// what it had sent: a ZeroMQ peer opens with ZeroMQ's greeting, whose first
// byte is 0xFF, while an HTTP server, say, answers the same bytes with text,
// and a proxy with nothing behind it hangs up again without a word.
//
// The probe sends the start of ZeroMQ's greeting, as the client's own
// sockets do, and reads what comes back first; it sends nothing else. For
// tcp and ipc endpoints; any thread.

#include <string>

#include "ZmqTransport.h"

namespace zelplatform {

enum class FirstWords {
  None,     // hung up, could not be reached, or said nothing before the deadline
  ZeroMq,   // opened with ZeroMQ's greeting
  Foreign,  // opened with anything else
};

FirstWords AskPeer(const std::string& endpoint, Clock::time_point deadline);

}  // namespace zelplatform
