// Calls a server that serves with CURVE, its keys set up in code: the
// client's key pair and the server's public key, read from files, are
// handed to the library before the first call. (TFramework::LoadKeys does
// the same from a directory; ZELCLNT_KEYS names one without any code.)
//
//   secured_client [server] [client key pair file] [server public key file]
//                  (default tcp://127.0.0.1:7300 keys/ops/client.key keys/sim.key.pub,
//                   the files of the README's secured set-up)
//
// It asks for the server's status and sets agent 42's routing state, which
// a server admitting the client as `control` carries out and one admitting
// it as `read` refuses with ERR_REQUEST_UNAUTHORIZED. Exits with 0 when the
// server answered both calls, 1 otherwise.

#include <zelclnt/zelclnt.h>

#include <cstdio>
#include <string>

namespace {

using PS = ZelTPresenceServer;

bool SetUpKeys(const std::string& server, const std::string& clientKeyFile, const std::string& serverKeyFile) {
  TCurveKeyPair clientKeys;
  std::string serverKey;
  std::string error;
  if (!TCurve::ReadKeyPair(clientKeyFile, clientKeys, &error) ||
      !TCurve::ReadPublicKey(serverKeyFile, serverKey, &error)) {
    std::printf("no keys: %s\n", error.c_str());
    return false;
  }
  TFramework::SetClientKeys(clientKeys);
  // From now on this endpoint is called only encrypted, and only a server
  // holding this key's secret is believed.
  TFramework::SetServerKey(server, serverKey);
  return true;
}

// A refused handshake shows as a failed call: "authentication failed by ...".
bool Answered(const char* call, PS::ActionResult result, const ZelTRequest& request) {
  const TCallOutcome& outcome = request.GetCallOutcome();
  if (result != PS::ACTION_SUCCEEDED && outcome.Failed()) {
    std::printf("%s: no answer: %s\n", call, outcome.text.c_str());
    return false;
  }
  if (result == PS::ACTION_SUCCEEDED)
    std::printf("%s: done\n", call);
  else
    std::printf("%s: refused: %s\n", call, PS::ToString(request.GetErrorCode()).c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string server = argc > 1 ? argv[1] : "tcp://127.0.0.1:7300";
  const std::string clientKeyFile = argc > 2 ? argv[2] : "keys/ops/client.key";
  const std::string serverKeyFile = argc > 3 ? argv[3] : "keys/sim.key.pub";
  if (!TCurve::Available()) {
    std::printf("this build of ZeroMQ has no CURVE\n");
    return 1;
  }
  if (!SetUpKeys(server, clientKeyFile, serverKeyFile)) return 1;

  ZelAPresenceServer api("secured-client-example", "localhost");
  ZelTServerStatus status;
  if (!Answered("server status", api.QueryServerStatus(server, status), status)) return 1;

  ZelAUserPresence agent("secured-client-example", "localhost");
  agent.SetUserKey(42);
  agent.SetUserID("agent42");
  if (!Answered("set routing state work", agent.SetRoutingState(server, ZelTRoutingState::ROUTINGSTATE_WORK, 0, false),
                agent))
    return 1;
  return 0;
}
