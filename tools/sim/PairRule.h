#pragma once
// When a simulator of a pair that does not serve takes over, as a plain
// function of what it knows, so that every case is tested without sockets.
//
// A peer is in charge while it answers as serving, handing over or
// shutting down (the last two hand over themselves). What a standby last
// heard of its peer decides how long it waits since a peer in charge was
// last heard (or since it started, or stood down):
//   - the peer is gone (it refused, dropped the connection, or is not
//     there): the take-over time;
//   - the peer answered that it stands by: the take-over time, and only the
//     one with the higher id takes over;
//   - the peer is silent (a question is awaited, or went unanswered): the
//     silence time, a multiple of the take-over time, since a loaded
//     machine answers late rather than not at all.
// One started as the primary takes over at once when, before it ever
// served, its peer answers not in charge or is gone; a silent peer it
// waits for like the other.
//
// One that stood down for a caller's term, and has not heard its peer
// since, knows that another server serves where its callers reach it,
// though it cannot reach it: it takes over again only once callers have
// been turned away by it for the take-over time (they would not come if
// the other served them), never merely because its peer stays out of
// reach: two servers cut off from each other would take turns, each
// losing what the other had acknowledged.

#include <chrono>
#include <cstdint>

#include "zelclnt/platform/TServerRole.h"

namespace zelsim {

enum class PeerHeard {
  Silent,    // no answer, and no sign that it is gone
  Answered,  // the latest answer, in peerRole, with peerId
  Gone,      // refused, dropped the connection, or not there
};

struct PairView {
  TServerRole role = TServerRole::Standby;
  std::uint32_t id = 0;
  bool primary = false;
  // It has not served, nor stood down, since it started.
  bool starting = false;
  PeerHeard peer = PeerHeard::Silent;
  TServerRole peerRole = TServerRole::Standby;
  std::uint32_t peerId = 0;
  // Since a peer in charge was last heard (or since the start, or since it
  // stood down).
  std::chrono::milliseconds sinceInCharge{0};
  std::chrono::milliseconds takeover{300};
  std::chrono::milliseconds silence{3000};
  // It stood down for a caller's term and has not heard its peer since.
  bool replaced = false;
  // How long callers have been turned away without a pause as long as the
  // take-over time.
  std::chrono::milliseconds turningAway{0};
};

// Why a standby takes over now; None: it does not.
enum class TakeOverCause { None, Primary, PeerGone, PeerStandsBy, PeerSilent, CallersTurnedAway };

bool InCharge(TServerRole role);
TakeOverCause ShouldTakeOver(const PairView& view);

}  // namespace zelsim
