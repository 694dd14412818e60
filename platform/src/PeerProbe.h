#pragma once
// What a peer that hung up during the handshake says first, asked on a
// connection of its own. ZeroMQ's monitor tells that the peer went, never
// what it had sent: a ZeroMQ peer opens with ZeroMQ's greeting, whose first
// byte is 0xFF and which names the peer's security mechanism, while an HTTP
// server, say, answers the same bytes with text, and a proxy with nothing
// behind it hangs up again without a word. A CURVE server may also hang up
// on a clear-text client before its own greeting went out.
//
// The probe sends the start of ZeroMQ's greeting, as the client's own
// sockets do, and reads what comes back up to the mechanism's name; it sends
// nothing else. It waits on a real socket for at most `budget` of real time,
// whatever clock is in force. For tcp and ipc endpoints; any thread.

#include <chrono>
#include <string>

#include "ZmqTransport.h"

namespace zelplatform {

enum class FirstWords {
  None,         // hung up, could not be reached, or said nothing before the deadline
  Foreign,      // opened with anything but ZeroMQ's greeting
  ZeroMq,       // ZeroMQ's greeting, naming no CURVE (or hung up before naming any)
  ZeroMqCurve,  // ZeroMQ's greeting naming CURVE: the peer requires keys
};

FirstWords AskPeer(const std::string& endpoint, std::chrono::milliseconds budget);
// What the bytes a peer sent first tell, however few or many.
FirstWords FirstWordsOf(const std::string& said);

}  // namespace zelplatform
