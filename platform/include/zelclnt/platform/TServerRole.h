#pragma once
// Which server of a pair serves. Two servers that stand in for each other
// run as one that serves and one that stands by; a client names them as a
// list of endpoints (see TFramework) and calls whichever serves.
//
// Fencing: every server knows a term, the one it serves under or, while it
// does not serve, the highest it has heard of. A server that takes over
// serves under a term above every term it has heard of, and a server that
// hears of a term above its own (from its peer, or from a client, which
// carries the highest term it has seen in every call to the list) stops
// serving at once. Higher terms win.
//
// A term is a counter in its upper 32 bits, raised at each take-over, and
// in its lower 32 the id of the server that took over (drawn at random when
// the server is made, never 0): two servers that each took over unaware of
// the other never share a term, and between equal counters the higher id
// wins (two servers that never met both take over under counter 1: the one
// with the lower id yields once a client that talked to both calls it).
// Term 0: none.

#include <cstdint>
#include <string>

#include "zelclnt/ZelExport.h"

enum class TServerRole : std::uint8_t {
  Serving = 0,       // carries out the calls it is given
  Standby = 1,       // carries out none: its peer serves, or will
  HandingOver = 2,   // carries out none while its peer takes over from it
  ShuttingDown = 3,  // carries out none, and is going
};

// "serving", "standby", "handing over", "shutting down"; "role <n>" else.
ZELCLNT_API std::string ToString(TServerRole role);

// What a server says of itself when asked (TFramework::QueryRole). The
// figures after the id are 0 from servers that do not tell them.
struct TServerState {
  TServerRole role = TServerRole::Serving;
  std::uint64_t term = 0;
  // Drawn at random when the server is made; never 0 (0: not told).
  std::uint32_t id = 0;
  // How long it has been in this role, in milliseconds (at most 2^32 - 1).
  std::uint32_t inRoleMs = 0;
  // Since it started: the times it took over, stood down for a higher
  // term, and handed over (or shut down while serving).
  std::uint32_t takeOvers = 0;
  std::uint32_t standDowns = 0;
  std::uint32_t handOvers = 0;
  // Changes it acknowledged while serving under a term another server had
  // already replaced: the other's table never held them.
  std::uint32_t lostChanges = 0;
};

namespace TServerTerm {

constexpr std::uint32_t Counter(std::uint64_t term) { return static_cast<std::uint32_t>(term >> 32); }
constexpr std::uint32_t Owner(std::uint64_t term) { return static_cast<std::uint32_t>(term); }
// The term a server of this id takes over under, above `highest`.
constexpr std::uint64_t Next(std::uint64_t highest, std::uint32_t id) {
  return (static_cast<std::uint64_t>(Counter(highest)) + 1) << 32 | id;
}
// "3/9a1c0e27": the counter, then the id of the server that took over.
ZELCLNT_API std::string ToString(std::uint64_t term);

}  // namespace TServerTerm
