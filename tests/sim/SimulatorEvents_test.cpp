#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DiagCapture.h"
#include "Endpoints.h"
#include "PresenceSimulator.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/events/ZelTEventReader.h"
#include "zelclnt/platform/TEventReceiver.h"

namespace {

using PS = ZelTPresenceServer;
using Cause = ZelTEventBase;
using Act = std::function<PS::ActionResult(ZelAUserPresence& agent, const std::string& server)>;

ZelAUserPresence Agent(long key) {
  ZelAUserPresence agent("test", "client");
  agent.SetUserKey(key);
  agent.SetUserID("agent" + std::to_string(key));
  return agent;
}

// The next event within two seconds, read into its record; notices of
// anything else fail the test.
bool NextEvent(TEventReceiver& receiver, PS::enEvent& type, ZelTAnyEvent& event) {
  TEventNotice notice;
  if (!receiver.Next(notice, 2000)) return false;
  EXPECT_EQ(notice.kind, TEventNotice::Kind::Event);
  type = static_cast<PS::enEvent>(notice.eventType);
  return ZelTEventReader::Read(type, notice.data.data(), notice.data.size(), event);
}

// A subscription takes a moment to reach the publisher; until an event
// arrives, switch a flag that changes nothing else.
void AwaitSubscription(TEventReceiver& receiver, const std::string& server) {
  ZelAUserPresence probe = Agent(47);
  PS::enEvent type{};
  ZelTAnyEvent event;
  for (int attempt = 0; attempt < 10; ++attempt) {
    ASSERT_EQ(probe.SetContactAssist(server, true), PS::ACTION_SUCCEEDED);
    if (NextEvent(receiver, type, event)) return;
  }
  FAIL() << "no event reached the subscriber";
}

struct Expected {
  PS::enEvent type;
  Cause::enEventCause cause;
};

// The seed decides the state an agent starts in, and so the first change's cause.
constexpr auto kAnyCause = static_cast<Cause::enEventCause>(-1);

Cause::enEventCause CauseOf(const ZelTAnyEvent& event) {
  return std::visit(
      [](const auto& record) {
        if constexpr (std::is_base_of_v<ZelTEventBase, std::decay_t<decltype(record)>>) return record.GetEventCause();
        return Cause::EVENTCAUSE_NONE;
      },
      event);
}

// Each action sent through the client yields its events, in order, about
// its user, over every transport; an action refused yields none.
TEST(SimulatorEventsTest, EveryActionIsToldByItsEvents) {
  DiagCapture quiet;
  const struct {
    const char* name;
    Act act;
    std::vector<Expected> events;
  } actions[] = {
      {"work",
       [](auto& a, auto& s) { return a.SetRoutingState(s, ZelTRoutingState::ROUTINGSTATE_WORK, 3, false); },
       {{PS::USER_ROUTING_STATE_EVENT, kAnyCause}}},
      {"wrap-up",
       [](auto& a, auto& s) {
         return a.SubmitWrapup(s, "C42-2", 0, {7, 9}, 12, 3);
       },
       {{PS::WRAPUP_SUBMITTED_EVENT, Cause::EVENTCAUSE_WRAPUP_SUBMITTED},
        {PS::USER_CONTACT_COMPLETED_EVENT, Cause::EVENTCAUSE_CONTACT_DELETED}}},
      {"refused", [](auto& a, auto& s) { return a.SetPrimaryContact(s, "C42-9", 0); }, {}},
  };
  for (const std::string& endpoint : {UniqueInproc("simulator-events"), std::string("tcp://127.0.0.1:0")}) {
    zelsim::SimulatorOptions options;
    options.endpoint = endpoint;
    zelsim::PresenceSimulator simulator(options);
    ASSERT_TRUE(simulator.Start()) << endpoint;
    TEventReceiver receiver(simulator.Endpoint());
    ASSERT_TRUE(receiver.Start());
    AwaitSubscription(receiver, simulator.Endpoint());
    for (const auto& action : actions) {
      ZelAUserPresence agent = Agent(42);
      EXPECT_EQ(action.act(agent, simulator.Endpoint()) == PS::ACTION_SUCCEEDED, !action.events.empty()) << action.name;
      for (const Expected& expected : action.events) {
        PS::enEvent type{};
        ZelTAnyEvent event;
        ASSERT_TRUE(NextEvent(receiver, type, event)) << endpoint << " " << action.name;
        long userKey = 0;
        EXPECT_EQ(type, expected.type) << action.name;
        if (expected.cause != kAnyCause) {
          EXPECT_EQ(CauseOf(event), expected.cause) << action.name;
        }
        EXPECT_TRUE(ZelTEventReader::UserKeyOf(event, userKey) && userKey == 42) << action.name;
      }
    }
    // The probe's event comes next: nothing came between.
    ZelAUserPresence probe = Agent(47);
    ASSERT_EQ(probe.SetContactAssist(simulator.Endpoint(), false), PS::ACTION_SUCCEEDED);
    PS::enEvent type{};
    ZelTAnyEvent event;
    long userKey = 0;
    ASSERT_TRUE(NextEvent(receiver, type, event)) << endpoint;
    EXPECT_TRUE(type == PS::USER_CONTACT_ASSIST_EVENT && ZelTEventReader::UserKeyOf(event, userKey) && userKey == 47)
        << endpoint << ": an event nobody caused, " << PS::ToString(type);
  }
}

}  // namespace
