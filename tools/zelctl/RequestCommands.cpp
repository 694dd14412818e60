#include "RequestCommands.h"

#include "Arguments.h"
#include "CallReport.h"
#include "PairCommands.h"
#include "ReplyText.h"
#include "RequestJson.h"
#include "UserText.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace zelctl {
namespace {

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

// What was asked and how it ended, as the gateway answers a call.
template <typename Request>
zeljson::Json RequestAndOutcome(const Request& request) {
  return zeljson::Json{{"request", zeljson::RequestJson(request)}, {"outcome", zeljson::OutcomeJson(request)}};
}

void AddPresenceCommand(CLI::App& app, Command& chosen) {
  auto options = std::make_shared<PresenceQueryOptions>();
  CLI::App* command = app.add_subcommand("presence", "Query the integrated presence of up to three presentities");
  command->add_option("-p,--presentity", options->presentities, "id[,user name[,extension]]")
      ->required()
      ->expected(1, ZelTQueryIntegratedPresence::kMaxRecords);
  command->add_option("--user", options->userId, "User id sent with the query");
  command->add_option("--password", options->password, "Password of the user id");
  command->add_option("--agent", options->agentId, "Agent id sent with the query");
  Choose(*command, chosen, options, QueryIntegratedPresence);
}

void AddUsersCommand(CLI::App& app, Command& chosen) {
  auto type = std::make_shared<ZelTQueryUsersPresence::enQueryType>(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  CLI::App* command = app.add_subcommand("users", "Query the presence of a set of users, a line per user");
  command->add_option("-t,--type", *type, "Which users")->transform(QueryTypeNames())->default_str("all");
  Choose(*command, chosen, type, QueryUsers);
}

void AddCapabilityCommand(CLI::App& parent, const char* name, bool add, Command& chosen) {
  auto options = std::make_shared<CapabilityOptions>();
  options->add = add;
  CLI::App* command = parent.add_subcommand(name, add ? "Grant a user a capability" : "Take a capability away");
  command->add_option("key", options->userKey, "User key")->required()->check(WholeNumber());
  command->add_option("-p,--param", options->parameters, "Parameters handed to the server with the capability");
  command->add_option("-t,--type", options->type, "Capability type; the library sends campaign-director only")
      ->transform(CapabilityTypeNames())
      ->default_str("campaign-director");
  Choose(*command, chosen, options, ChangeCapability);
}

}  // namespace

void AddRequestCommands(CLI::App& app, Command& chosen) {
  app.add_subcommand("status", "Query the server status and print it")->callback([&chosen] { chosen = QueryStatus; });
  AddPresenceCommand(app, chosen);
  AddUsersCommand(app, chosen);
  app.add_subcommand("media-status", "Query how ready each medium is")->callback([&chosen] {
    chosen = QueryMediumStatus;
  });
  CLI::App* capability = app.add_subcommand("capability", "Grant a user a capability or take it away");
  capability->require_subcommand(1);
  AddCapabilityCommand(*capability, "add", true, chosen);
  AddCapabilityCommand(*capability, "remove", false, chosen);
}

int QueryStatus(ZelAPresenceServer& api, const std::string& server) {
  // A malformed list fails as the call would.
  if (std::vector<std::string> endpoints; TFramework::ServersOf(server, endpoints, nullptr) && endpoints.size() > 1)
    return QueryPairStatus(api, endpoints);
  ZelTServerStatus status;
  return Report(Call("QueryServerStatus", server, status, [&] { return api.QueryServerStatus(server, status); }),
                [&] { return ServerStatusText(status); }, [&] { return zeljson::ToJson(status); });
}

int QueryIntegratedPresence(ZelAPresenceServer& api, const std::string& server, const PresenceQueryOptions& options) {
  ZelTQueryIntegratedPresence query;
  for (const std::string& argument : options.presentities) query.AddRecord(PresentityOf(argument));
  query.SetUserId(options.userId);
  query.SetUserPassword(options.password);
  query.SetAgentId(options.agentId);
  const CallReport outcome =
      Call("QueryIntegratedPresence", server, query, [&] { return api.QueryIntegratedPresence(server, query); });
  return Report(outcome, [&] { return IntegratedPresenceText(query); }, [&] { return RequestAndOutcome(query); });
}

int QueryUsers(ZelAPresenceServer& api, const std::string& server, ZelTQueryUsersPresence::enQueryType type) {
  ZelTQueryUsersPresence query;
  query.SetQueryType(type);
  return Report(Call("QueryUsersPresence", server, query, [&] { return api.QueryUsersPresence(server, query); }),
                [&] { return UsersTable(query); }, [&] { return zeljson::ToJson(query); });
}

int QueryMediumStatus(ZelAPresenceServer& api, const std::string& server) {
  ZelTQueryUserMediumStatus query;
  return Report(Call("QueryUserMediumStatus", server, query, [&] { return api.QueryUserMediumStatus(server, query); }),
                [&] { return MediumStatusText(query); }, [&] { return zeljson::ToJson(query); });
}

int ChangeCapability(ZelAPresenceServer& api, const std::string& server, const CapabilityOptions& options) {
  ZelTAddCapability add;
  ZelTRemoveCapability remove;
  add.SetParameter(options.parameters);
  remove.SetParameters(options.parameters);
  ZelTCapabilityRequest& request = options.add ? static_cast<ZelTCapabilityRequest&>(add) : remove;
  request.SetUserKey(options.userKey);
  request.SetCapabilityType(options.type);
  const CallReport outcome = Call(options.add ? "AddCapability" : "RemoveCapability", server, request, [&] {
    return options.add ? api.AddCapability(server, add) : api.RemoveCapability(server, remove);
  });
  // The library refuses other types before sending, so no error code came back.
  if (!outcome.Succeeded() && options.type != ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR)
    return Fail(outcome.Call() + " not sent: " + outcome.ResultText() +
                " (the library sends the Campaign Director capability, type 2, only)");
  return Report(outcome, [&] { return CapabilityText(request); }, [&] { return RequestAndOutcome(request); });
}

}  // namespace zelctl
