// zelctl: asks a presence server what the library can ask, acts on its
// users, and prints what comes back.

#include <cstdio>
#include <cstdlib>
#include <string>

#include <CLI/CLI.hpp>

#include "Command.h"
#include "Demo.h"
#include "KeyCommands.h"
#include "RequestCommands.h"
#include "UserCommands.h"
#include "Watch.h"
#include "zelclnt/zelclnt.h"

int main(int argc, char** argv) {
  std::string server = "tcp://127.0.0.1:7300";
  std::string diag = std::getenv("ZEL_DIAG") ? std::getenv("ZEL_DIAG") : "";
  long timeoutMs = 0;
  std::string keys;
  CLI::App app{"Command-line client of the presence server"};
  app.add_option("--server", server, "Presence server name or endpoint")->capture_default_str();
  app.add_option("--diag", diag, "Library diagnostics to show, e.g. WARN or INFO,FENX (default: ZEL_DIAG, else none)");
  app.add_option("--timeout", timeoutMs, "Milliseconds each call waits for the server (default: 60000)")
      ->check(CLI::Range(1L, 24L * 3600 * 1000));
  app.add_option("--keys", keys, "Directory of CURVE keys: client.key and servers (default: ZELCLNT_KEYS)");
  app.require_subcommand(1);
  zelctl::Command chosen;
  zelctl::AddRequestCommands(app, chosen);
  zelctl::AddUserCommands(app, chosen);
  zelctl::AddWatchCommand(app, chosen);
  zelctl::AddDemoCommand(app, chosen);
  zelctl::AddKeyCommands(app, chosen);
  CLI11_PARSE(app, argc, argv);
  if (!TDiag::SetFilters(diag.empty() ? "NONE" : diag)) {
    std::fprintf(stderr, "zelctl: unknown diagnostic type in \"%s\"\n", diag.c_str());
    return 2;
  }
  TFramework::SetTimeoutOverride(timeoutMs);
  std::string error;
  if (!keys.empty() && !TFramework::LoadKeys(keys, &error)) {
    std::fprintf(stderr, "zelctl: %s\n", error.c_str());
    return 2;
  }

  ZelAPresenceServer api(zelctl::kClientName, zelctl::kClientNode);
  return chosen ? chosen(api, server) : 2;
}
