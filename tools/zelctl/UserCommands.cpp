#include "UserCommands.h"

#include <memory>

#include "Arguments.h"
#include "CallReport.h"
#include "ActionJson.h"
#include "RequestJson.h"
#include "UserJson.h"
#include "UserText.h"

namespace zelctl {
namespace {

using User = ZelTUserPresence;

struct UserCommandLine {
  long userKey = 0;
  UserAction action;
};

using Line = std::shared_ptr<UserCommandLine>;

// A subcommand that, once parsed, chooses `action` on the user named.
CLI::App* AddAction(CLI::App& parent, const char* name, const char* description, User::Action action, const Line& line,
                    Command& chosen) {
  CLI::App* command = parent.add_subcommand(name, description);
  Choose(*command, chosen, line, [action](ZelAPresenceServer& api, const std::string& server, UserCommandLine& parsed) {
    parsed.action.action = action;
    return RunUserAction(api, server, parsed.userKey, parsed.action);
  });
  return command;
}

CLI::App* AddContactAction(CLI::App& parent, const char* name, const char* description, User::Action action,
                           const Line& line, Command& chosen) {
  CLI::App* command = AddAction(parent, name, description, action, line, chosen);
  command->add_option("contact", line->action.contactId, "Contact id")->required();
  command->add_option("rc", line->action.requeueCount, "Requeue count of the contact")
      ->required()
      ->check(WholeNumber());
  return command;
}

void AddReasonOption(CLI::App& command, const char* description, UserAction& action) {
  command.add_option("-r,--reason", action.reason, description)->check(WholeNumber())->capture_default_str();
}

void AddRoutingCommand(CLI::App& user, const Line& line, Command& chosen) {
  CLI::App* command =
      AddAction(user, "set-routing", "Set the routing state", User::ACTION_SET_ROUTING_STATE, line, chosen);
  command->add_option("state", line->action.routingState, "Routing state")->required()->transform(RoutingStateNames());
  AddReasonOption(*command, "Reason code of the routing state", line->action);
  command->add_flag("-s,--sync", line->action.synchronous, "Ask for the synchronous request mode");
}

void AddWrapupCommand(CLI::App& user, const Line& line, Command& chosen) {
  UserAction& action = line->action;
  CLI::App* command = AddContactAction(user, "wrapup", "Submit wrap-up data for a contact in post-processing",
                                       User::ACTION_SUBMIT_WRAPUP, line, chosen);
  command->add_option("-q,--queue", action.queueKey, "Key of the queue the contact came from")
      ->check(WholeNumber())
      ->capture_default_str();
  command->add_option("--seq", action.sqNum, "Sequence number")->check(WholeNumber())->capture_default_str();
  command->add_option("--reasons", action.wrapupReasons, "Wrap-up reasons, e.g. 7,9")
      ->delimiter(',')
      ->check(WholeNumber());
}

void AddPostProcessingCommands(CLI::App& user, const Line& line, Command& chosen) {
  CLI::App* group = user.add_subcommand("post-processing", "Request, exit or cancel post-processing of a contact");
  group->require_subcommand(1);
  CLI::App* request = AddContactAction(*group, "request", "Request manual post-processing",
                                       User::ACTION_REQUEST_POST_PROCESSING, line, chosen);
  AddReasonOption(*request, "Reason code of the post-processing", line->action);
  AddContactAction(*group, "exit", "Exit manual post-processing", User::ACTION_EXIT_POST_PROCESSING, line, chosen);
  AddContactAction(*group, "cancel", "Cancel mandatory post-processing", User::ACTION_CANCEL_MANDATORY_POST_PROCESSING,
                   line, chosen);
}

void AddSwitchCommand(CLI::App& user, const char* name, const char* description, User::Action action, const Line& line,
                      Command& chosen) {
  AddAction(user, name, description, action, line, chosen)
      ->add_option("switch", line->action.on, "on or off")
      ->required()
      ->transform(SwitchNames());
}

}  // namespace

void AddUserCommands(CLI::App& app, Command& chosen) {
  auto line = std::make_shared<UserCommandLine>();
  CLI::App* user = app.add_subcommand("user", "Query a user or act on it; the user is named by key");
  user->add_option("key", line->userKey, "User key")->required()->check(WholeNumber());
  user->require_subcommand(1);
  AddAction(*user, "query", "Print the user's whole presence record", User::ACTION_QUERY, line, chosen);
  AddRoutingCommand(*user, line, chosen);
  AddContactAction(*user, "primary", "Make a contact the primary one", User::ACTION_SET_PRIMARY_CONTACT, line, chosen);
  AddWrapupCommand(*user, line, chosen);
  AddPostProcessingCommands(*user, line, chosen);
  AddSwitchCommand(*user, "recovery", "Switch recovery mode on or off", User::ACTION_SET_RECOVERY_MODE, line, chosen);
  AddSwitchCommand(*user, "contact-assist", "Switch contact assistance on or off", User::ACTION_SET_CONTACT_ASSIST,
                   line, chosen);
}

int RunUserAction(ZelAPresenceServer& api, const std::string& server, long userKey, const UserAction& action) {
  std::string userId;
  std::string failure;
  if (!LookUpUserId(api, server, userKey, userId, failure)) return Fail(failure);
  UserClient client(server, userKey, userId);
  const CallReport outcome = client.Run(action);
  const ZelAUserPresence& reply = client.Request();
  return Report(
      outcome,
      [&] { return action.action == User::ACTION_QUERY ? UserRecordText(reply) : reply.ToString_RPCInformation() + "\n"; },
      [&] {
        if (action.action == User::ACTION_QUERY) return zeljson::ToJson(static_cast<const ZelTUserPresence&>(reply));
        return zeljson::Json{{"request", zeljson::RequestJson(reply)}, {"outcome", zeljson::OutcomeJson(reply)}};
      });
}

}  // namespace zelctl
