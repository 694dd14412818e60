// Keeps every agent's routing state current: one query to start from, then
// the routing events as they come. Whenever events may have been missed
// (lost on the way, the server restarted, the connection came back) it
// queries again: only a query tells what the missed events said.
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

bool QueryAll(ZelAPresenceServer& api, const std::string& server, RoutingStates& agents) {
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  if (api.QueryUsersPresence(server, query) != PS::ACTION_SUCCEEDED) {
    std::printf("-- query failed: %s\n", TFramework::LastFailure().text.c_str());
    return false;
  }
  agents.clear();
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList())
    agents[user->GetUserKey()] = user->GetRoutingState().GetRoutingState();
  std::printf("%zu agents queried\n", agents.size());
  return true;
}

bool MayHaveMissedEvents(Kind kind) {
  return kind == Kind::Lost || kind == Kind::TooLarge || kind == Kind::Restarted || kind == Kind::Reconnected;
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

  // Subscribe before the first query: an event after the query is then
  // never missed, and one that crosses it only sets a state again.
  TEventReceiver events(server, {PS::USER_ROUTING_STATE_EVENT});
  std::string error;
  if (!events.Start(&error)) {
    std::printf("cannot watch %s: %s\n", server.c_str(), error.c_str());
    return 1;
  }
  ZelAPresenceServer api("watch-events-example", "localhost");
  RoutingStates agents;
  if (!QueryAll(api, server, agents)) return 1;

  std::signal(SIGINT, OnSignal);
  long seen = 0;
  TEventNotice notice;
  while (!g_stop && (wanted == 0 || seen < wanted)) {
    if (!events.Next(notice, 500)) continue;
    if (notice.kind == Kind::Event) {
      if (Apply(notice, agents)) ++seen;
    } else if (MayHaveMissedEvents(notice.kind)) {
      std::printf("-- events may have been missed: querying again\n");
      QueryAll(api, server, agents);  // on failure the next reconnection asks again
    } else if (notice.kind == Kind::Disconnected) {
      std::printf("-- connection to %s lost; waiting for it to come back\n", events.Endpoint().c_str());
    } else if (notice.kind == Kind::AuthenticationFailed) {
      std::printf("-- %s refused this client's keys\n", events.Endpoint().c_str());
    }
  }
  std::printf("%ld routing events seen\n", seen);
  return 0;
}
