// Asks a presence server about itself and prints what it says.
//
//   server_status [server]        (default tcp://127.0.0.1:7300)
//
// Exits with 0 when the server answered, 1 when the call failed.

#include <zelclnt/zelclnt.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  const std::string server = argc > 1 ? argv[1] : "tcp://127.0.0.1:7300";

  ZelAPresenceServer api("server-status-example", "localhost");
  ZelTServerStatus status;
  if (api.QueryServerStatus(server, status) != ZelTPresenceServer::ACTION_SUCCEEDED) {
    // The transport says why a call got no answer (refused, timed out, ...);
    // a server that answered but did not serve says it with the error code.
    const std::string& noAnswer = status.GetCallOutcome().text;
    const std::string why = noAnswer.empty() ? ZelTPresenceServer::ToString(status.GetErrorCode()) : noAnswer;
    std::printf("no status from %s: %s\n", server.c_str(), why.c_str());
    return 1;
  }

  std::printf("%s is %s\n", status.GetServerName().c_str(), status.IsUp() ? "up" : "down");
  std::printf("  description:  %s\n", status.GetDescription().c_str());
  std::printf("  server type:  %d\n", static_cast<int>(status.GetServerType()));
  std::printf("  started at:   %s\n", status.GetServerStartedAt().c_str());
  // The stamp's milliseconds are UTC; GetDateTime shows it as its GMT flag says.
  std::printf("  status since: %s\n", status.GetStatusChangedAt().GetDateTime(1, '-', ':', '.').c_str());
  std::printf("  heartbeat:    %lu ms\n", status.GetHeartbeatInterval());
  return 0;
}
