#pragma once
// When a simulator of a pair that does not serve takes over, as a plain
// function of what it knows, so that every case is tested without sockets.
//
// A peer is in charge while it answers as serving, handing over or
// shutting down (the last two hand over themselves). A standby takes over
// once no peer in charge has been heard for the take-over time, unless
// the peer answers that it stands by too and has the higher id (that one
// takes over). One started as the primary takes over at its first look,
// unless a peer in charge answers.

#include <chrono>
#include <cstdint>

#include "zelclnt/platform/TServerRole.h"

namespace zelsim {

struct PairView {
  TServerRole role = TServerRole::Standby;
  std::uint32_t id = 0;
  bool primary = false;
  // No look at the peer was made before this one.
  bool firstLook = false;
  // The peer answered this look, in this role, with this id.
  bool peerHeard = false;
  TServerRole peerRole = TServerRole::Standby;
  std::uint32_t peerId = 0;
  // Since a peer in charge was last heard (or since the start).
  std::chrono::milliseconds sinceInCharge{0};
  std::chrono::milliseconds takeover{300};
};

bool InCharge(TServerRole role);
// True when the server should take over now.
bool ShouldTakeOver(const PairView& view);

}  // namespace zelsim
