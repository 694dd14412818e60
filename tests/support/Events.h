#pragma once
// Event scaffolding: a publisher that writes the frames by hand, as the
// wire format lays them out, so that a test chooses every sequence,
// incarnation and heartbeat; and waits for notices that are bounded in
// real time, since they wait on sockets, not on the clock.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <zmq.hpp>

#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"

// An event header: type, "ZEVT", version 1, incarnation, sequence.
std::string EventHeader(int type, std::uint64_t incarnation, std::uint64_t sequence, std::uint32_t magic = 0x5456455A,
                        char version = 1);
// A heartbeat body: each type with its last sequence.
std::string HeartbeatBody(const std::vector<std::pair<int, std::uint64_t>>& lastSequences);

class RawPublisher {
 public:
  // Binds the events endpoint of the server name (tcp or ipc).
  explicit RawPublisher(const std::string& serverName);

  void Send(const std::vector<std::string>& parts);
  void Event(int type, std::uint64_t incarnation, std::uint64_t sequence, const std::string& body);
  void Heartbeat(std::uint64_t incarnation, std::uint64_t beat, const std::vector<std::pair<int, std::uint64_t>>& last);
  // Sends `type` events of body "probe" (sequence 1, 2, ...) until the
  // receiver has one, and reads those still on the way; the next sequence
  // is returned. 0: none ever arrived.
  std::uint64_t Probe(TEventReceiver& receiver, int type, std::uint64_t incarnation);

 private:
  zmq::context_t m_context;
  zmq::socket_t m_socket;
};

// The next notice within 5 s of real time, polling without waiting on the
// clock: false if none came.
bool AwaitNotice(TEventReceiver& receiver, TEventNotice& notice);
// Every notice up to and including the first event of `type` (5 s each).
std::vector<TEventNotice> NoticesThrough(TEventReceiver& receiver, int type);
// Publishes `type` events of body "probe" until the receiver has one, and
// reads those still on the way. REQUIRES: no event of `type` was published
// since the publisher started.
bool Subscribed(TEventPublisher& publisher, TEventReceiver& receiver, int type);

// "Event 35001#3 probe", "Lost 35001 x2", "TooLarge 35001#2", "Restarted", ...
std::string Describe(const TEventNotice& notice);
std::vector<std::string> Describe(const std::vector<TEventNotice>& notices);
