#include "Run.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "Command.h"
#include "Demo.h"
#include "HistoryCommands.h"
#include "KeyCommands.h"
#include "Output.h"
#include "PairCommands.h"
#include "RequestCommands.h"
#include "Top.h"
#include "UserCommands.h"
#include "Watch.h"
#include "zelclnt/zelclnt.h"

namespace zelctl {
namespace {

constexpr int kBadArguments = 2;

// Help is no error; any other parse failure is wrong arguments, whatever
// code CLI11 would give it.
int ParseFailure(const CLI::App& app, const CLI::ParseError& failure) {
  std::ostringstream out;
  std::ostringstream err;
  const int code = app.exit(failure, out, err);
  std::fputs(out.str().c_str(), Out());
  std::fputs(err.str().c_str(), Err());
  return code == static_cast<int>(CLI::ExitCodes::Success) ? 0 : kBadArguments;
}

}  // namespace

int Run(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  OutputStreams streams(out, err);
  std::string server = "tcp://127.0.0.1:7300";
  std::string diag = std::getenv("ZEL_DIAG") ? std::getenv("ZEL_DIAG") : "";
  long timeoutMs = 0;
  std::string keys;
  CLI::App app{"Command-line client of the presence server"};
  app.add_option("--server", server, "Presence server name or endpoint; a pair as a list: tcp://a:7300,tcp://b:7300")
      ->capture_default_str();
  app.add_option("--diag", diag, "Library diagnostics to show, e.g. WARN or INFO,FENX (default: ZEL_DIAG, else none)");
  app.add_option("--timeout", timeoutMs, "Milliseconds each call waits for the server (default: 60000)")
      ->check(CLI::Range(1L, 24L * 3600 * 1000));
  app.add_option("--keys", keys, "Directory of CURVE keys: client.key and servers (default: ZELCLNT_KEYS)");
  bool json = false;
  app.add_flag("--json", json, "Write the gateway's JSON instead of text: a document a command, a line an event");
  app.require_subcommand(1);
  Command chosen;
  AddRequestCommands(app, chosen);
  AddPairCommands(app, chosen);
  AddUserCommands(app, chosen);
  AddWatchCommand(app, chosen);
  AddHistoryCommands(app, chosen);
  AddTopCommand(app, chosen);
  AddDemoCommand(app, chosen);
  AddKeyCommands(app, chosen);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& failure) {
    return ParseFailure(app, failure);
  }
  streams.SetJson(json);
  // By default a failure is zelctl's one line, not the library's too.
  if (!TDiag::SetFilters(diag.empty() ? "NONE" : diag)) {
    std::fprintf(Err(), "zelctl: unknown diagnostic type in \"%s\"\n", diag.c_str());
    return kBadArguments;
  }
  TFramework::SetTimeoutOverride(timeoutMs);
  std::string error;
  if (!keys.empty() && !TFramework::LoadKeys(keys, &error)) {
    std::fprintf(Err(), "zelctl: %s\n", error.c_str());
    return kBadArguments;
  }
  ZelAPresenceServer api(kClientName, kClientNode);
  return chosen ? chosen(api, server) : kBadArguments;
}

}  // namespace zelctl
