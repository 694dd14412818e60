// Acts on one agent and tells an action carried out from one the server
// refused, and both from a call that never got an answer.
//
//   agent_action [server] [user key] [user id]
//                (default tcp://127.0.0.1:7300 42 agent42)
//
// It queries the agent, sets its routing state to work, then asks for a
// state the simulator refuses to set (logoff) and prints the reason.
// Exits with 0 when the server answered every call, 1 otherwise.

#include <zelclnt/zelclnt.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using PS = ZelTPresenceServer;

// True when the server answered, done or refused.
bool Tell(const char* call, PS::ActionResult result, const ZelTRequest& request) {
  if (result == PS::ACTION_SUCCEEDED) {
    std::printf("%s: done\n", call);
    return true;
  }
  // A call the transport failed never reached a server that could refuse it.
  const TCallOutcome& outcome = request.GetCallOutcome();
  if (outcome.Failed()) {
    std::printf("%s: no answer: %s\n", call, outcome.text.c_str());
    return false;
  }
  std::printf("%s: refused: %s\n", call, PS::ToString(request.GetErrorCode()).c_str());
  return true;
}

void ShowRouting(const ZelAUserPresence& agent) {
  const ZelTRoutingState& routing = agent.GetRoutingState();
  std::printf("%s is %s (reason %ld)\n", agent.GetUserID().c_str(),
              ZelTRoutingState::ToString(routing.GetRoutingState()).c_str(), routing.GetRoutingStateReason());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string server = argc > 1 ? argv[1] : "tcp://127.0.0.1:7300";
  const long userKey = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 42;
  const std::string userId = argc > 3 ? argv[3] : "agent" + std::to_string(userKey);

  // One object per agent: the request, and after each call its reply.
  ZelAUserPresence agent("agent-action-example", "localhost");
  agent.SetUserKey(userKey);
  agent.SetUserID(userId);

  if (!Tell("query", agent.Query(server), agent)) return 1;
  ShowRouting(agent);

  // Reason 3; true sends request mode sync, which the server interprets.
  PS::ActionResult result = agent.SetRoutingState(server, ZelTRoutingState::ROUTINGSTATE_WORK, 3, true);
  if (!Tell("set routing state work", result, agent)) return 1;
  ShowRouting(agent);

  // A refusal changes nothing at the server; the error code says why. The
  // object still holds what was asked, so query to see what holds.
  result = agent.SetRoutingState(server, ZelTRoutingState::ROUTINGSTATE_LOGOFF, 0, true);
  if (!Tell("set routing state logoff", result, agent)) return 1;
  if (!Tell("query", agent.Query(server), agent)) return 1;
  ShowRouting(agent);
  return 0;
}
