#include "Demo.h"

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "CallReport.h"
#include "MirrorDemo.h"
#include "Output.h"
#include "PresenceSimulator.h"
#include "RequestCommands.h"
#include "UserCommands.h"
#include "UserText.h"
#include "Watch.h"
#include "zelclnt/platform/TEventReceiver.h"

namespace zelctl {
namespace {

using PS = ZelTPresenceServer;
using User = ZelTUserPresence;

constexpr const char* kEmbeddedServer = "inproc://presence-sim";
constexpr const char* kIndent = "         ";
// Generous for the first event of an action, which a loaded machine may
// deliver late; the rest follow at once.
constexpr long kFirstEventWaitMs = 2000;
constexpr long kNextEventWaitMs = 100;

// The part of a user's record an action changes, on one line.
using View = std::string (*)(const User& user, const UserAction& action);

std::string RoutingView(const User& user, const UserAction&) { return RoutingStateText(user); }
std::string PrimaryView(const User& user, const UserAction&) { return "primary contact " + PrimaryContactText(user); }
std::string ContactView(const User& user, const UserAction& action) {
  return ContactText(user, action.contactId, action.requeueCount);
}
std::string FlagsView(const User& user, const UserAction&) { return FlagsText(user); }

// One user action of the story, with the refusal it is meant to meet
// (ERR_NONE: it must succeed).
struct Step {
  long userKey;
  UserAction action;
  View view;
  PS::ErrorCode expected;
};

struct Scene {
  std::string title;
  std::function<int()> play;
};

UserAction RoutingTo(ZelTRoutingState::enRoutingState state, long reason) {
  UserAction action;
  action.action = User::ACTION_SET_ROUTING_STATE;
  action.routingState = state;
  action.reason = reason;
  action.synchronous = true;
  return action;
}

// Every contact of the simulator's agents has requeue count 0.
UserAction OnContact(User::Action kind, const std::string& contactId, long reason = 0) {
  UserAction action;
  action.action = kind;
  action.contactId = contactId;
  action.reason = reason;
  return action;
}

UserAction Wrapup(const std::string& contactId, long queueKey, long sqNum, std::vector<long> reasons) {
  UserAction action = OnContact(User::ACTION_SUBMIT_WRAPUP, contactId);
  action.queueKey = queueKey;
  action.sqNum = sqNum;
  action.wrapupReasons = std::move(reasons);
  return action;
}

UserAction SwitchOn(User::Action kind) {
  UserAction action;
  action.action = kind;
  action.on = true;
  return action;
}

// Queries the user and prints the part of its record the step changes.
bool ShowPart(UserClient& client, const Step& step, const char* when) {
  const CallReport query = client.Run(UserAction{});
  if (!query.Succeeded()) {
    Fail(query.FailureLine());
    return false;
  }
  std::fprintf(Out(), "%-9s%s\n", when, step.view(client.Request(), step.action).c_str());
  return true;
}

// Prints how the action ended; false when not as the step expects.
bool Judge(const CallReport& outcome, const UserClient& client, PS::ErrorCode expected) {
  if (outcome.Succeeded() && expected == PS::ERR_NONE) {
    std::fprintf(Out(), "%s\n%s%s\n", outcome.Line().c_str(), kIndent,
                 client.Request().ToString_RPCInformation().c_str());
    return true;
  }
  if (!outcome.Succeeded() && outcome.Error() == expected) {
    std::fprintf(Out(), "%s, as expected\n", outcome.FailureLine().c_str());
    return true;
  }
  const std::string wanted = expected == PS::ERR_NONE ? "success" : PS::ToString(expected);
  Fail((outcome.Succeeded() ? outcome.Call() + " succeeded" : outcome.FailureLine()) + "; expected " + wanted);
  return false;
}

// Prints the events an action caused; false when one carried out caused none.
bool ShowEvents(TEventReceiver& events, bool carriedOut) {
  TEventNotice notice;
  int shown = 0;
  for (long wait = carriedOut ? kFirstEventWaitMs : kNextEventWaitMs; events.Next(notice, wait);
       wait = kNextEventWaitMs) {
    std::fprintf(Out(), "%-9s%s\n", "event:", NoticeLine(notice, events.Endpoint(), false, 0).c_str());
    if (notice.kind == TEventNotice::Kind::Event) ++shown;
  }
  if (carriedOut && shown == 0) Fail("the action was carried out, but no event told of it");
  return !carriedOut || shown > 0;
}

int PlayStep(ZelAPresenceServer& api, const std::string& server, TEventReceiver& events, const Step& step) {
  std::string userId;
  std::string failure;
  if (!LookUpUserId(api, server, step.userKey, userId, failure)) return Fail(failure);
  UserClient client(server, step.userKey, userId);
  if (!ShowPart(client, step, "before:")) return 1;
  const bool asExpected = Judge(client.Run(step.action), client, step.expected);
  const bool told = ShowEvents(events, step.expected == PS::ERR_NONE);
  if (!ShowPart(client, step, "after:")) return 1;
  return asExpected && told ? 0 : 1;
}

PresenceQueryOptions ThreePresentities() {
  return {{"alice@example.com,alice,4711", "bob@example.com,bob,4712", "carol@example.com,carol,4713"},
          "supervisor",
          "demo-password",
          "agent-7"};
}

CapabilityOptions CampaignDirector(bool add) {
  return {add, 43, ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR, "+49 30 1234567"};
}

// The scenes refer to `api`, `server` and `events`, which must outlive them.
std::vector<Scene> Story(ZelAPresenceServer& api, const std::string& server, TEventReceiver& events) {
  const auto act = [&api, &server, &events](std::string title, Step step) {
    return Scene{std::move(title), [&api, &server, &events, step] { return PlayStep(api, server, events, step); }};
  };
  return {
      {"The server", [&] { return QueryStatus(api, server); }},
      {"Integrated presence of three presentities",
       [&] { return QueryIntegratedPresence(api, server, ThreePresentities()); }},
      {"The agents", [&] { return QueryUsers(api, server, ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS); }},
      {"Agent 42, the whole record", [&] { return RunUserAction(api, server, 42, UserAction{}); }},
      act("Agent 42 goes to work: routing state Work, reason 3, synchronous",
          {42, RoutingTo(ZelTRoutingState::ROUTINGSTATE_WORK, 3), RoutingView, PS::ERR_NONE}),
      act("Agent 42 turns to its web chat: C42-3 becomes the primary contact",
          {42, OnContact(User::ACTION_SET_PRIMARY_CONTACT, "C42-3"), PrimaryView, PS::ERR_NONE}),
      act("Agent 42 wants time for its e-mail C42-2: manual post-processing, reason 5",
          {42, OnContact(User::ACTION_REQUEST_POST_PROCESSING, "C42-2", 5), ContactView, PS::ERR_NONE}),
      act("Agent 42 wraps the e-mail up: queue 12, sequence 3, reasons 7 and 9",
          {42, Wrapup("C42-2", 12, 3, {7, 9}), ContactView, PS::ERR_NONE}),
      act("Agent 42 is done with the e-mail: exit post-processing, the contact is released",
          {42, OnContact(User::ACTION_EXIT_POST_PROCESSING, "C42-2"), ContactView, PS::ERR_NONE}),
      act("Agent 42 switches recovery mode on",
          {42, SwitchOn(User::ACTION_SET_RECOVERY_MODE), FlagsView, PS::ERR_NONE}),
      act("Agent 42 asks for contact assistance",
          {42, SwitchOn(User::ACTION_SET_CONTACT_ASSIST), FlagsView, PS::ERR_NONE}),
      act("Agent 44's mandatory post-processing of its e-mail C44-2 is cancelled",
          {44, OnContact(User::ACTION_CANCEL_MANDATORY_POST_PROCESSING, "C44-2"), ContactView, PS::ERR_NONE}),
      {"Media readiness", [&] { return QueryMediumStatus(api, server); }},
      {"Agent 43 gets the campaign-director capability",
       [&] { return ChangeCapability(api, server, CampaignDirector(true)); }},
      {"Agent 43 loses it again", [&] { return ChangeCapability(api, server, CampaignDirector(false)); }},
      act("Agent 42 names a contact it does not hold, C42-9: refused",
          {42, OnContact(User::ACTION_SET_PRIMARY_CONTACT, "C42-9"), ContactView, PS::ERR_ITEM_NOT_FOUND}),
      {"The agents, after all this",
       [&] { return QueryUsers(api, server, ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS); }},
  };
}

}  // namespace

void AddDemoCommand(CLI::App& app, Command& chosen) {
  app.add_subcommand("demo", "Start an embedded simulator and run every request and user action against it")
      ->callback([&chosen] { chosen = [](ZelAPresenceServer& api, const std::string&) { return RunDemo(api); }; });
}

int RunDemo(ZelAPresenceServer& api) {
  // A story told to people has no one JSON document to give.
  if (JsonOutput()) {
    std::fprintf(Err(), "zelctl: demo tells a story for people; --json serves every other command\n");
    return 2;
  }
  zelsim::SimulatorOptions options;
  options.endpoint = kEmbeddedServer;
  zelsim::PresenceSimulator simulator(options);
  std::string error;
  if (!simulator.Start(&error)) return Fail("cannot start the embedded simulator: " + error);
  TEventReceiver events(simulator.Endpoint());
  if (!events.Start(&error)) return Fail("cannot watch the embedded simulator: " + error);
  std::fprintf(Out(), "A presence simulator inside zelctl serves %zu agents on %s and publishes their events on %s.\n",
               simulator.Users().Size(), simulator.Endpoint().c_str(), simulator.EventsEndpoint().c_str());
  int failures = 0;
  for (const Scene& scene : Story(api, simulator.Endpoint(), events)) {
    std::fprintf(Out(), "\n== %s ==\n", scene.title.c_str());
    if (scene.play() != 0) ++failures;
  }
  if (RunMirrorChapter() != 0) ++failures;
  std::fprintf(Out(), "\n%s\n",
               failures == 0 ? "Every call ended as expected." : "Some calls did not end as expected.");
  return failures == 0 ? 0 : 1;
}

}  // namespace zelctl
