// zelctl: asks a presence server what the library can ask, and prints it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "PresenceSimulator.h"
#include "ReplyText.h"
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

struct PresenceQueryOptions {
  std::vector<std::string> presentities;
  std::string userId;
  std::string password;
  std::string agentId;
};

// "id[,user name[,extension]]"
ZelTPresentity PresentityOf(const std::string& argument) {
  std::string fields[3];
  std::size_t field = 0;
  for (const char c : argument) {
    if (c == ',' && field < 2)
      ++field;
    else
      fields[field] += c;
  }
  ZelTPresentity presentity;
  presentity.SetPresenceId(fields[0]);
  presentity.SetZorbUserName(fields[1]);
  presentity.SetExtension(fields[2]);
  return presentity;
}

int QueryIntegratedPresence(ZelAPresenceServer& api, const std::string& server, const PresenceQueryOptions& options) {
  ZelTQueryIntegratedPresence query;
  for (const std::string& argument : options.presentities) query.AddRecord(PresentityOf(argument));
  query.SetUserId(options.userId);
  query.SetUserPassword(options.password);
  query.SetAgentId(options.agentId);
  const auto result = api.QueryIntegratedPresence(server, query);
  std::printf("QueryIntegratedPresence(%s): %s\n", server.c_str(), zelctl::OutcomeText(query).c_str());
  if (result != ZelTPresenceServer::ACTION_SUCCEEDED) return 1;
  std::printf("%s", zelctl::IntegratedPresenceText(query).c_str());
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
  int failures = QueryStatus(api, simulator.Endpoint());
  std::printf("\n");
  const PresenceQueryOptions presence{
      {"alice@example.com,alice,4711", "bob@example.com,bob,4712", "carol@example.com,carol,4713"},
      "supervisor",
      "demo-password",
      "agent-7"};
  failures += QueryIntegratedPresence(api, simulator.Endpoint(), presence);
  return failures == 0 ? 0 : 1;
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
  PresenceQueryOptions presence;
  CLI::App* integrated = app.add_subcommand("presence", "Query the integrated presence of up to three presentities");
  integrated->add_option("-p,--presentity", presence.presentities, "id[,user name[,extension]]")
      ->required()
      ->expected(1, ZelTQueryIntegratedPresence::kMaxRecords);
  integrated->add_option("--user", presence.userId, "User id sent with the query");
  integrated->add_option("--password", presence.password, "Password of the user id");
  integrated->add_option("--agent", presence.agentId, "Agent id sent with the query");
  CLI::App* demo = app.add_subcommand("demo", "Start an embedded simulator and run every request against it");
  CLI11_PARSE(app, argc, argv);
  if (!diag.empty() && !TDiag::SetFilters(diag)) {
    std::fprintf(stderr, "zelctl: unknown diagnostic type in \"%s\"\n", diag.c_str());
    return 2;
  }

  ZelAPresenceServer api("zelctl", "command line");
  if (status->parsed()) return QueryStatus(api, server);
  if (integrated->parsed()) return QueryIntegratedPresence(api, server, presence);
  if (demo->parsed()) return RunDemo(api);
  return 2;
}
