// Keeps every agent's routing state current: one query to start from, then
// the routing events after the position the query reflects. Events lost on
// the way, or while the connection was away, the receiver gets again from
// the server by itself; only when the server restarted, another server of
// its pair took over, or it no longer holds them (or one was too large to
// take) does the example query again.
//
//   watch_events [server] [events]   (default tcp://127.0.0.1:7300, 0: until Ctrl-C)
//
// Exits with 0 after that many routing events, 1 when it cannot start.

#include <zelclnt/zelclnt.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <variant>

namespace {

using PS = ZelTPresenceServer;
using Kind = TEventNotice::Kind;
using RoutingStates = std::map<long, ZelTRoutingState::enRoutingState>;

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

// The receiver hands over only what happened after the state queried.
bool QueryAll(ZelAPresenceServer& api, const std::string& server, TEventReceiver& events, RoutingStates& agents) {
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  if (api.QueryUsersPresence(server, query) != PS::ACTION_SUCCEEDED) {
    std::printf("-- query failed: %s\n", query.GetCallOutcome().text.c_str());
    return false;
  }
  agents.clear();
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList())
    agents[user->GetUserKey()] = user->GetRoutingState().GetRoutingState();
  events.ResumeAfter(query.GetStatePosition());
  std::printf("%zu agents queried\n", agents.size());
  return true;
}

bool MustQueryAgain(Kind kind) {
  return kind == Kind::Resync || kind == Kind::TooLarge || kind == Kind::Restarted || kind == Kind::Switched;
}

// True for a routing event, which it applies to agents.
bool Apply(const TEventNotice& notice, RoutingStates& agents) {
  ZelTAnyEvent event;
  ZelTEventReader::Read(static_cast<PS::enEvent>(notice.eventType), notice.data.data(), notice.data.size(), event);
  const auto* routing = std::get_if<ZelTUserRoutingStateEvent>(&event);
  if (!routing) return false;
  const ZelTRoutingState::enRoutingState now = routing->GetRoutingState().GetRoutingState();
  const auto known = agents.find(routing->GetUserKey());
  const std::string before = known == agents.end() ? "?" : ZelTRoutingState::ToString(known->second);
  agents[routing->GetUserKey()] = now;
  std::printf("agent %ld: %s -> %s (%s)\n", routing->GetUserKey(), before.c_str(),
              ZelTRoutingState::ToString(now).c_str(), ZelTEventBase::ToString(routing->GetEventCause()).c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string server = argc > 1 ? argv[1] : "tcp://127.0.0.1:7300";
  const long wanted = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;

  // Subscribed before the first query, nothing after it is missed.
  TEventReceiver events(server, {PS::USER_ROUTING_STATE_EVENT});
  std::string error;
  if (!events.Start(&error) || !events.WaitUntilSubscribed(5000)) {
    std::printf("cannot watch %s: %s\n", server.c_str(), error.empty() ? "no answer" : error.c_str());
    return 1;
  }
  ZelAPresenceServer api("watch-events-example", "localhost");
  RoutingStates agents;
  if (!QueryAll(api, server, events, agents)) return 1;

  std::signal(SIGINT, OnSignal);
  long seen = 0;
  TEventNotice notice;
  while (!g_stop && (wanted == 0 || seen < wanted)) {
    if (!events.Next(notice, 500)) continue;
    if (notice.kind == Kind::Event) {
      if (Apply(notice, agents)) ++seen;
    } else if (MustQueryAgain(notice.kind)) {
      std::printf("-- events were missed for good: querying again\n");
      QueryAll(api, server, events, agents);
    } else if (notice.kind == Kind::Disconnected) {
      std::printf("-- connection to %s lost; waiting for it to come back\n", events.Endpoint().c_str());
    } else if (notice.kind == Kind::AuthenticationFailed) {
      std::printf("-- %s refused this client's keys\n", events.Endpoint().c_str());
    }
  }
  std::printf("%ld routing events seen\n", seen);
  return 0;
}
