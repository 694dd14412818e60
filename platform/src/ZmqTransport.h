#pragma once
// What the client and the server side of the transport share: the process's
// ZeroMQ context, the record of bound inproc names, the size bound and the
// socket settings.

#include <cstddef>
#include <cstdint>
#include <string>

#include <zmq.hpp>

#include "PlatformClock.h"

namespace zelplatform {

// Never destroyed: sockets of objects that outlive main must not find it gone,
// and terminating it would wait on them.
zmq::context_t& SharedContext();

// "name" -> "inproc://name"; names containing "://" are endpoints already.
std::string EndpointOf(const std::string& serverName);
bool IsInproc(const std::string& endpoint);

// ZeroMQ does not tell a client that nobody bound an inproc name, so the
// servers of this process record theirs. Each binding has a generation of
// its own; 0 means unbound. The epoch changes with every binding and
// unbinding, so a client whose epoch is current need not look its name up.
std::uint64_t RegisterInproc(const std::string& endpoint);
void UnregisterInproc(const std::string& endpoint);
std::uint64_t InprocGeneration(const std::string& endpoint);
std::uint64_t InprocEpoch();

std::size_t MaxMessageSize();
// Room the transport's own framing may take beyond the size bound.
constexpr std::size_t kFrameAllowance = 64;
void SetMaxMessageSize(std::size_t bytes);

// Binds, waiting up to a second while the endpoint is in use: a listener
// closed a moment ago lets go of its port only once ZeroMQ's own thread gets
// round to it, so a restart on the same port waits that long.
void BindSoon(zmq::socket_t& socket, const std::string& endpoint);

// A fresh inproc name for the transport's own pairs ("monitor", say).
std::string NextInprocEndpoint(const char* purpose);

// The next message part if one is waiting; an interrupted read tries again.
bool ReceiveNow(zmq::socket_t& socket, zmq::message_t& message);
// Drops the remaining parts of a message already begun.
void DiscardRest(zmq::socket_t& socket);

// One event of a socket monitor: what happened (ZMQ_EVENT_*) and its value,
// for a failed handshake an errno or a ZMQ_PROTOCOL_ERROR_* code.
struct MonitorEvent {
  std::uint16_t id = 0;
  std::uint32_t value = 0;
};
// The next event if one is waiting.
bool NextMonitorEvent(zmq::socket_t& monitor, MonitorEvent& event);

// How a handshake ended that did not succeed, by the event that tells.
enum class HandshakeFault {
  None,     // the event tells of no failed handshake
  Refused,  // authentication: keys refused or not the peer's, or only one side speaks CURVE
  Foreign,  // the peer broke ZeroMQ's protocol: it speaks another, or is another kind of socket
  HungUp,   // the connection went, or timed out, without a word from the peer
};
HandshakeFault FaultOf(const MonitorEvent& event);

// Sets linger 0 and, where ZeroMQ enforces it, the size bound.
void ConfigureSocket(zmq::socket_t& socket, const std::string& endpoint);

}  // namespace zelplatform
