#pragma once
// Synthetic agents for the simulator's user table: the same count and seed
// give the same agents (their times count back from the moment of seeding).
//
// Agent i has the user key 42 + i and the user id "agent<key>". Every fifth
// agent (i % 5 == 4) is logged off; every other one is logged on to voice and
// some further media, talks on a primary voice contact, and, for even i, has
// an e-mail contact in post-processing (mandatory and automatic) and, for
// i % 3 == 0, a web chat in processing. Sites, teams, groups, presence
// states, capabilities, flags and silent-monitoring entries vary with the
// seed.

#include <vector>

#include "zelclnt/core/ZelTUserPresence.h"

namespace zelsim {

constexpr long kFirstUserKey = 42;

std::vector<ZelTUserPresence> SeedAgents(int count, unsigned seed);

}  // namespace zelsim
