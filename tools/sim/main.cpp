// presence-sim: the presence simulator as a process of its own.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <CLI/CLI.hpp>

#include "PresenceSimulator.h"
#include "zelclnt/mirror/ZelLargeBlocks.h"
#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TDiag.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

// Reads the key pair and the allow list into options.security.
bool ReadSecurity(const std::string& keyFile, const std::string& allowFile, zelsim::SimulatorOptions& options,
                  std::string& error) {
  if (!TCurve::Available()) {
    error = "this build of ZeroMQ has no CURVE: --key and --allow cannot be served";
    return false;
  }
  TServerSecurity security;
  if (!TCurve::ReadKeyPair(keyFile, security.serverKeys, &error) ||
      !TCurve::ReadAllowFile(allowFile, security.allowed, &error))
    return false;
  options.security = std::move(security);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Replay answers and users queries are large and short lived.
  ZelKeepLargeBlocksMapped();
  zelsim::SimulatorOptions options;
  std::string diag = std::getenv("ZEL_DIAG") ? std::getenv("ZEL_DIAG") : "";
  CLI::App app{"Presence server simulator for zelclnt"};
  app.add_option("--bind", options.endpoint, "Endpoint to serve on (tcp://host:port, ipc://path, inproc://name)")
      ->capture_default_str();
  app.add_option("--heartbeat", options.heartbeatInterval, "Heartbeat interval reported, in ms")->capture_default_str();
  app.add_flag("--kvl", options.kvlEnabled, "Report the integration as enabled");
  app.add_option("--agents", options.agents, "Synthetic agents, user keys 42 upward")
      ->check(CLI::Range(0, 10000000))
      ->capture_default_str();
  app.add_option("--seed", options.seed, "Seed of the agents' details")->capture_default_str();
  app.add_option("--churn", options.churnRate, "Changes per second the simulator makes by itself (0: none)")
      ->check(CLI::Range(0.0, zelsim::Churn::kMaxRate))
      ->capture_default_str();
  app.add_option("--handler-threads", options.handlerThreads, "Threads that answer calls at once")
      ->check(CLI::Range(1, 64))
      ->capture_default_str();
  app.add_option("--diag", diag, "Diagnostic types to switch on, e.g. INFO,FENX (default: ZEL_DIAG)");
  std::string keyFile;
  std::string allowFile;
  auto* key = app.add_option("--key", keyFile, "The server's key pair file (zelctl keygen); serves with CURVE");
  auto* allow = app.add_option("--allow", allowFile, "Clients admitted: lines \"<public key> read|control\"");
  key->needs(allow);
  allow->needs(key);
  app.add_flag("--insecure", options.insecure, "Serve in clear text on an address other than loopback");
  auto* peer = app.add_option("--peer", options.peer, "The other simulator of a pair; this one stands by until it serves");
  app.add_flag("--primary", options.primary, "Of a pair: serve at once unless the peer does")->needs(peer);
  long takeoverMs = static_cast<long>(options.takeover.count());
  app.add_option("--takeover", takeoverMs, "Of a pair: take over once the peer was not heard serving this long, in ms")
      ->check(CLI::Range(10L, 600000L))
      ->capture_default_str()
      ->needs(peer);
  CLI11_PARSE(app, argc, argv);
  options.takeover = std::chrono::milliseconds(takeoverMs);
  if (!diag.empty() && !TDiag::SetFilters(diag)) {
    std::fprintf(stderr, "presence-sim: unknown diagnostic type in \"%s\"\n", diag.c_str());
    return 2;
  }

  std::string error;
  if (!keyFile.empty() && !ReadSecurity(keyFile, allowFile, options, error)) {
    std::fprintf(stderr, "presence-sim: %s\n", error.c_str());
    return 2;
  }
  if (!options.security && !zelsim::IsLoopbackEndpoint(options.endpoint) && options.insecure)
    std::fprintf(stderr,
                 "presence-sim: warning: %s serves in clear text: whoever reaches it reads and changes "
                 "every agent's state\n",
                 options.endpoint.c_str());
  zelsim::PresenceSimulator simulator(options);
  if (!simulator.Start(&error)) {
    std::fprintf(stderr, "presence-sim: %s\n", error.c_str());
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  const std::string pair = options.peer.empty() ? "" : ", one of a pair with " + options.peer;
  std::printf("presence-sim serving %zu agents on %s, events on %s, %s%s (Ctrl-C stops)\n", simulator.Users().Size(),
              simulator.Endpoint().c_str(), simulator.EventsEndpoint().c_str(),
              options.security ? "CURVE" : "clear text", pair.c_str());
  std::fflush(stdout);
  while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // One that serves hands over to its peer first.
  simulator.Shutdown();
  std::printf("presence-sim stopped after %zu calls\n", simulator.CallsServed());
  return 0;
}
