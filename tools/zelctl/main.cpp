// zelctl: asks a presence server what the library can ask, and prints it.

#include <cstdio>
#include <cstdlib>
#include <string>

#include <CLI/CLI.hpp>

#include "PresenceSimulator.h"
#include "StatusText.h"
#include "zelclnt/zelclnt.h"

namespace {

constexpr const char* kEmbeddedServer = "inproc://presence-sim";

int QueryStatus(ZelAPresenceServer& api, const std::string& server) {
  ZelTServerStatus status;
  const auto result = api.QueryServerStatus(server, status);
  std::printf("QueryServerStatus(%s): %s\n", server.c_str(), zelctl::OutcomeText(status).c_str());
  if (result != ZelTPresenceServer::ACTION_SUCCEEDED) return 1;
  std::printf("%s", zelctl::ServerStatusText(status).c_str());
  return 0;
}

int RunDemo(ZelAPresenceServer& api) {
  zelsim::SimulatorOptions options;
  options.endpoint = kEmbeddedServer;
  zelsim::PresenceSimulator simulator(options);
  std::string error;
  if (!simulator.Start(&error)) {
    std::fprintf(stderr, "zelctl: cannot start the embedded simulator: %s\n", error.c_str());
    return 1;
  }
  std::printf("embedded presence simulator on %s\n\n", simulator.Endpoint().c_str());
  return QueryStatus(api, simulator.Endpoint());
}

}  // namespace

int main(int argc, char** argv) {
  std::string server = "tcp://127.0.0.1:7300";
  std::string diag = std::getenv("ZEL_DIAG") ? std::getenv("ZEL_DIAG") : "";
  CLI::App app{"Command-line client of the presence server"};
  app.add_option("--server", server, "Presence server name or endpoint")->capture_default_str();
  app.add_option("--diag", diag, "Diagnostic types to switch on, e.g. INFO,FENX (default: ZEL_DIAG)");
  app.require_subcommand(1);
  CLI::App* status = app.add_subcommand("status", "Query the server status and print it");
  CLI::App* demo = app.add_subcommand("demo", "Start an embedded simulator and run every request against it");
  CLI11_PARSE(app, argc, argv);
  if (!diag.empty() && !TDiag::SetFilters(diag)) {
    std::fprintf(stderr, "zelctl: unknown diagnostic type in \"%s\"\n", diag.c_str());
    return 2;
  }

  ZelAPresenceServer api("zelctl", "command line");
  if (status->parsed()) return QueryStatus(api, server);
  if (demo->parsed()) return RunDemo(api);
  return 2;
}
