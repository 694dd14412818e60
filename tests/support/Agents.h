#pragma once
// An agent of the simulator's seeded table (user keys 42 upward, ids
// "agent<key>") as a client addresses it.

#include <string>

#include "zelclnt/core/ZelAUserPresence.h"

inline ZelAUserPresence AgentOf(long key) {
  ZelAUserPresence agent("test", "client");
  agent.SetUserKey(key);
  agent.SetUserID("agent" + std::to_string(key));
  return agent;
}
