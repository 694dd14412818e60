// Keeps the presence of every agent in memory, exact, with a presence
// mirror: it subscribes, queries once, and applies the events after the
// query's position; after a lost connection the server sends again what was
// missed. Prints each change of an agent's routing state and a line when the
// mirror had to query every agent again; meanwhile another thread looks an
// agent up in the mirror, as a desktop or a report would.
//
//   presence_mirror [server] [changes]   (default tcp://127.0.0.1:7300, 0: until Ctrl-C)
//
// Exits with 0 after that many routing changes, 1 when it cannot start.

#include <zelclnt/zelclnt.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Change = ZelTPresenceChange;

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

std::string RoutingText(const ZelTRoutingState& routing) {
  return ZelTRoutingState::ToString(routing.GetRoutingState()) + ", reason " +
         std::to_string(routing.GetRoutingStateReason());
}

// Runs on the thread that drives the mirror; true for a change of routing state.
bool Show(const ZelAPresenceMirror& mirror, const Change& change) {
  switch (change.kind) {
    case Change::CHANGE_SYNCED:
      if (change.syncCause == Change::SYNC_FIRST)
        std::printf("%zu agents held from position %llu on\n", mirror.Users().Size(),
                    static_cast<unsigned long long>(change.position.position));
      else
        std::printf("-- events were missed for good: every agent was queried again\n");
      return false;
    case Change::CHANGE_LINK_DOWN:
      std::printf("-- connection lost; what is missed is sent again once it is back\n");
      return false;
    case Change::CHANGE_USER: {
      ZelTUserPresence agent;
      if ((change.parts & Change::PART_ROUTING_STATE) == 0 || !mirror.Users().Copy(change.userKey, agent)) return false;
      std::printf("agent %ld (%s): %s%s\n", change.userKey, agent.GetUserID().c_str(),
                  RoutingText(agent.GetRoutingState()).c_str(), change.replayed ? " (sent again)" : "");
      return true;
    }
    default:
      return false;
  }
}

// Another thread: whole records, copied out while the mirror goes on.
void LookUpOne(const ZelAPresenceMirror& mirror, const std::atomic<bool>& done) {
  while (mirror.Users().Size() == 0 && !done && !g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const std::vector<long> keys = mirror.Users().Keys();
  if (keys.empty()) return;
  const long first = *std::min_element(keys.begin(), keys.end());
  ZelTUserPresence agent;
  if (mirror.Users().Copy(first, agent))
    std::printf("looked up from another thread: agent %ld (%s) is %s\n", first, agent.GetUserID().c_str(),
                RoutingText(agent.GetRoutingState()).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string server = argc > 1 ? argv[1] : "tcp://127.0.0.1:7300";
  const long wanted = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;

  ZelAPresenceMirror mirror(server);
  std::string error;
  if (!mirror.Start(&error) || !mirror.WaitUntilSubscribed(5000)) {
    std::printf("cannot follow %s: %s\n", server.c_str(), error.empty() ? "no answer" : error.c_str());
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::atomic<bool> done{false};
  std::thread reader(LookUpOne, std::cref(mirror), std::cref(done));

  long seen = 0;
  Change change;
  while (!g_stop && (wanted == 0 || seen < wanted))
    if (mirror.Next(change, 500) && Show(mirror, change)) ++seen;
  done = true;
  reader.join();
  std::printf("%ld routing changes seen\n", seen);
  return 0;
}
