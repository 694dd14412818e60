#include "zelclnt/mirror/ZelTEventApplier.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AgentSeeder.h"
#include "DiagCapture.h"
#include "RecordParts.h"
#include "UserTable.h"
#include "ZelTEventControl.h"
#include "ZelTUserPresenceControl.h"
#include "zelclnt/events/ZelTUserCSMStateEvent.h"
#include "zelclnt/events/ZelTUserCapabilityEvents.h"
#include "zelclnt/events/ZelTUserMediaReadinessEvents.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"
#include "zelclnt/platform/KRVEnum.h"

namespace {

using PS = ZelTPresenceServer;
using Change = ZelTPresenceChange;
using Control = ZelTUserPresenceControl;
using Applier = ZelTEventApplier;
using User = ZelTUserPresence;

constexpr long kAgent = 42;

struct Told {
  PS::enEvent type;
  std::string bytes;
};

// A request as a client fills it.
class Call : public User {
 public:
  Call(Action action, const std::string& contactId = "", long requeueCount = 0) {
    SetUserKey(kAgent);
    SetUserID("agent42");
    SetAction(action);
    SetContactID(contactId);
    SetRequeueCount(requeueCount);
  }
  using User::SetContactAssistFlag;
  using User::SetReasons;
  using User::SetRecoveryModeFlag;
  using User::SetState;
};

// The simulator's table of seeded agents, with the events each change yields.
class Server {
 public:
  Server()
      : m_table(zelsim::SeedAgents(8, 1), zelsim::EventFeed(
                                              [this](PS::enEvent type, long, const char* data, std::size_t size) {
                                                m_told.push_back({type, std::string(data, size)});
                                              },
                                              [] { return TEventPosition(); })) {
    // Known flags and routing, so that every change below is one.
    m_table.Apply(kAgent, [](User& user, const zelsim::EventFeed&) {
      Control::UserFlags(user) = ZelTUserFlags();
      Control::RoutingState(user).SetRoutingState(ZelTRoutingState::ROUTINGSTATE_AVAILABLE);
    });
  }
  User Agent() const { return *m_table.Find(kAgent); }
  std::vector<Told> Act(Call call) {
    m_told.clear();
    m_table.Act(call);
    EXPECT_EQ(call.GetErrorCode(), PS::ERR_NONE);
    return m_told;
  }
  std::vector<Told> Change(const zelsim::UserTable::Change& change) {
    m_told.clear();
    m_table.Apply(kAgent, change);
    return m_told;
  }

 private:
  std::vector<Told> m_told;
  zelsim::UserTable m_table;
};

template <typename Event>
Told Packed(PS::enEvent type, const Event& event) {
  return {type, BytesOf(event)};
}

// The events the server's own changes yield; the two kinds it never makes
// are built as a server would, from the record it changed.
std::vector<Told> TakeChat(Server& server) {
  return server.Change([](User& user, const zelsim::EventFeed& feed) {
    ZelTHandlingState chat;
    chat.contactId = "W42-1";
    chat.requeueCount = 0;
    chat.media = KRVEnum::MEDIUM_WEBCHAT;
    chat.contactState = CONTACTSTATE_QUEUED;
    Control::HandlingStates(user).AddHandlingState(chat);
    feed.ContactChanged(user, chat, PS::USER_CONTACT_CREATED_EVENT, ZelTEventBase::EVENTCAUSE_CONTACT_CREATED);
    ZelTHandlingState* held = Control::HandlingStates(user).GetHandlingState("W42-1", 0);
    held->contactState = CONTACTSTATE_PROCESSING;
    Control::SetConnectedTime(*held, TTimeStamp(0));
    feed.ContactChanged(user, *held, PS::USER_CONTACT_CONNECTED_EVENT, ZelTEventBase::EVENTCAUSE_CONTACT_CONNECTED);
  });
}

std::vector<Told> LogOnEmail(Server& server) {
  return server.Change([](User& user, const zelsim::EventFeed& feed) {
    ZelTMediaState email = user.GetMediaStates().GetMediaState(KRVEnum::MEDIUM_EMAIL);
    email.state = email.IsLoggedOn() ? MEDIASTATE_LOGOFF : MEDIASTATE_LOGON;
    email.startTime = TTimeStamp(0);
    Control::MediaStates(user).UpdateMediaState(email);
    feed.MediaChanged(user, KRVEnum::MEDIUM_EMAIL, email.IsLoggedOn());
  });
}

std::vector<Told> Monitored(Server& server, User& after) {
  after = server.Agent();
  TSilentMonitoringInfo info;
  info.contactId = "C99-1";
  info.extension = "4099";
  info.type = SILENTMONITORING_SILENT;
  Control::SilentMonitoring(after).PushBack(info);
  ZelTUserCSMStateEvent event;
  ZelTEventControl::Copy(event, ZelTEventBase::EVENTCAUSE_CSM_STATE_UPDATED, after, TMediaServerCommonEnum::CSM_ADD,
                         ZelTStdListPointerColl<TSilentMonitoringInfo>());
  return {Packed(PS::USER_CSM_STATE_EVENT, event)};
}

std::vector<Told> DesktopLoggedOff(Server& server, User& after) {
  after = server.Agent();
  ZelTDesktopCapability desktop;
  desktop.SetCause(ZelTDesktopCapability::DESKTOPCAUSE_ADMIN_SERVER_NOT_READY);
  Control::UserCapability(after).SetDesktopCapability(desktop);
  ZelTUserCapabilityEvent event;
  ZelTEventControl::Copy(event, ZelTEventBase::EVENTCAUSE_DESKTOP_LOGOFF, after);
  return {Packed(PS::USER_CAPABILITY_EVENT, event)};
}

struct Expected {
  PS::enEvent type;
  std::uint32_t changed;
  std::uint32_t unknown;
};

struct Case {
  const char* name;
  // The events of one change; `after` is the server's record once it is made.
  std::function<std::vector<Told>(Server& server, User& after)> act;
  std::vector<Expected> expected;
  // What the events do not carry, and so still differs.
  std::vector<std::string> unknown;
};

std::function<std::vector<Told>(Server&, User&)> Acting(Call call) {
  return [call](Server& server, User& after) {
    std::vector<Told> told = server.Act(call);
    after = server.Agent();
    return told;
  };
}

std::function<std::vector<Told>(Server&, User&)> Changing(std::vector<Told> (*change)(Server&)) {
  return [change](Server& server, User& after) {
    std::vector<Told> told = change(server);
    after = server.Agent();
    return told;
  };
}

Call RoutingCall(ZelTRoutingState::enRoutingState state, long reason) {
  Call call(User::ACTION_SET_ROUTING_STATE);
  call.SetState(state);
  call.SetRoutingStateReason(reason);
  return call;
}

Call FlagCall(User::Action action, bool on) {
  Call call(action);
  if (action == User::ACTION_SET_RECOVERY_MODE) call.SetRecoveryModeFlag(on);
  if (action == User::ACTION_SET_CONTACT_ASSIST) call.SetContactAssistFlag(on);
  return call;
}

Call ContactCall(User::Action action, const std::string& contact, std::list<long> reasons) {
  Call call(action, contact, 0);
  call.SetReasons(reasons);
  return call;
}

// Agent 42 talks on C42-1 (primary), has C42-2 in mandatory and automatic
// post-processing and C42-3 in processing. Each change is applied to the
// record as the server held it before; a complete event leaves it as the
// server holds it after, part for part.
TEST(ZelTEventApplierTest, EveryEventChangesTheRecordAsTheServerDid) {
  DiagCapture quiet;
  const Case cases[] = {
      {"routing",
       Acting(RoutingCall(ZelTRoutingState::ROUTINGSTATE_WORK, 3)),
       {{PS::USER_ROUTING_STATE_EVENT, Change::PART_ROUTING_STATE, 0}},
       {}},
      {"recovery on",
       Acting(FlagCall(User::ACTION_SET_RECOVERY_MODE, true)),
       {{PS::USER_RECOVERY_MODE_EVENT, Change::PART_USER_FLAGS, 0}},
       {}},
      {"recovery on again",
       Acting(FlagCall(User::ACTION_SET_RECOVERY_MODE, true)),
       {{PS::USER_RECOVERY_MODE_EVENT, 0, 0}},
       {}},
      {"assist on",
       Acting(FlagCall(User::ACTION_SET_CONTACT_ASSIST, true)),
       {{PS::USER_CONTACT_ASSIST_EVENT, Change::PART_USER_FLAGS, Change::PART_USER_FLAGS}},
       {"user flags"}},
      {"assist off",
       Acting(FlagCall(User::ACTION_SET_CONTACT_ASSIST, false)),
       {{PS::USER_CONTACT_ASSIST_EVENT, Change::PART_USER_FLAGS, 0}},
       {}},
      {"primary",
       Acting(Call(User::ACTION_SET_PRIMARY_CONTACT, "C42-3")),
       {{PS::PRIMARY_HANDLING_STATE_EVENT, Change::PART_HANDLING_STATES, Change::PART_HANDLING_STATES}},
       {"handling states"}},
      {"post-processing asked",
       Acting(ContactCall(User::ACTION_REQUEST_POST_PROCESSING, "C42-1", {5})),
       {{PS::USER_HANDLING_STATE_UPDATE_EVENT, Change::PART_HANDLING_STATES, 0}},
       {}},
      {"wrap-up",
       Acting(ContactCall(User::ACTION_SUBMIT_WRAPUP, "C42-2", {12, 3, 7, 9})),
       {{PS::WRAPUP_SUBMITTED_EVENT, Change::PART_HANDLING_STATES, Change::PART_HANDLING_STATES},
        {PS::USER_CONTACT_COMPLETED_EVENT, Change::PART_HANDLING_STATES, 0}},
       {}},
      {"email logged on or off",
       Changing(LogOnEmail),
       {{PS::EMAIL_USER_MEDIA_EVENT, Change::PART_MEDIA_STATES, 0}},
       {}},
      {"chat taken",
       Changing(TakeChat),
       {{PS::USER_CONTACT_CREATED_EVENT, Change::PART_HANDLING_STATES, 0},
        {PS::USER_CONTACT_CONNECTED_EVENT, Change::PART_HANDLING_STATES, 0}},
       {}},
      {"monitored", Monitored, {{PS::USER_CSM_STATE_EVENT, Change::PART_SILENT_MONITORING, 0}}, {}},
      {"desktop", DesktopLoggedOff, {{PS::USER_CAPABILITY_EVENT, Change::PART_CAPABILITY, 0}}, {}},
  };
  Server server;
  Applier applier;
  for (const Case& c : cases) {
    User record = server.Agent();
    User after;
    const std::vector<Told> told = c.act(server, after);
    ASSERT_EQ(told.size(), c.expected.size()) << c.name;
    for (std::size_t i = 0; i < told.size(); ++i) {
      EXPECT_EQ(told[i].type, c.expected[i].type) << c.name;
      const Applier::Result result = applier.Apply(told[i].type, told[i].bytes.data(), told[i].bytes.size(), record);
      EXPECT_EQ(result.outcome, Applier::OUTCOME_APPLIED) << c.name;
      EXPECT_EQ(Change::PartsToString(result.changedParts), Change::PartsToString(c.expected[i].changed)) << c.name;
      EXPECT_EQ(Change::PartsToString(result.unknownParts), Change::PartsToString(c.expected[i].unknown)) << c.name;
    }
    EXPECT_EQ(DifferingParts(record, after), c.unknown) << c.name;
  }
}

// What the incomplete events do carry reaches the record.
TEST(ZelTEventApplierTest, IncompleteEventsApplyWhatTheyCarry) {
  DiagCapture quiet;
  Server server;
  Applier applier;
  User record = server.Agent();
  for (const Told& told : server.Act(Call(User::ACTION_SET_PRIMARY_CONTACT, "C42-3")))
    applier.Apply(told.type, told.bytes.data(), told.bytes.size(), record);
  const ZelTHandlingStates& states = record.GetHandlingStates();
  EXPECT_EQ(std::make_tuple(states.GetPrimaryContactId(), states.GetOldPrimaryContactId()),
            std::make_tuple(std::string("C42-3"), std::string("C42-1")));
  EXPECT_TRUE(states.GetHandlingState("C42-1", 0)->GetPrimaryStartTime().IsNull());

  record = server.Agent();
  for (const Told& told : server.Act(FlagCall(User::ACTION_SET_CONTACT_ASSIST, true)))
    applier.Apply(told.type, told.bytes.data(), told.bytes.size(), record);
  EXPECT_TRUE(record.GetUserFlags().IsContactAssist());
}

// Bytes cut anywhere, and an event about another user, leave the record as
// it was, or, cut only among the affected contacts, as the whole event
// would; a type that changes no user is not taken.
TEST(ZelTEventApplierTest, HostileBytesLeaveTheRecordAsItWas) {
  DiagCapture quiet;
  Server server;
  std::vector<Told> events = server.Act(RoutingCall(ZelTRoutingState::ROUTINGSTATE_WORK, 4));
  for (auto* change : {LogOnEmail, TakeChat}) {
    const std::vector<Told> more = change(server);
    events.insert(events.end(), more.begin(), more.end());
  }
  for (const Call& call :
       {Call(User::ACTION_SET_PRIMARY_CONTACT, "C42-3"), ContactCall(User::ACTION_SUBMIT_WRAPUP, "C42-2", {12, 3, 7}),
        FlagCall(User::ACTION_SET_CONTACT_ASSIST, true)}) {
    const std::vector<Told> more = server.Act(call);
    events.insert(events.end(), more.begin(), more.end());
  }
  User ignored;
  for (auto* build : {Monitored, DesktopLoggedOff}) events.push_back(build(server, ignored).front());

  Applier applier;
  const User other = *zelsim::UserTable(zelsim::SeedAgents(8, 1)).Find(43);
  for (const Told& told : events) {
    const User before = server.Agent();
    User whole = before;
    applier.Apply(told.type, told.bytes.data(), told.bytes.size(), whole);
    for (std::size_t cut = 0; cut < told.bytes.size(); ++cut) {
      User record = before;
      const bool applied = applier.Apply(told.type, told.bytes.data(), cut, record).outcome == Applier::OUTCOME_APPLIED;
      ASSERT_EQ(DifferingParts(record, applied ? whole : before), std::vector<std::string>{})
          << told.type << " cut at " << cut << (applied ? " applied" : "");
    }
    User record = other;
    EXPECT_EQ(applier.Apply(told.type, told.bytes.data(), told.bytes.size(), record).outcome,
              Applier::OUTCOME_MALFORMED)
        << told.type;
    EXPECT_EQ(DifferingParts(record, other), std::vector<std::string>{}) << told.type;
  }
  User record = other;
  EXPECT_EQ(applier.Apply(PS::QUERYPRESENCESTATUSEVENT, "", 0, record).outcome, Applier::OUTCOME_NOT_USER);
}

// Readiness events change their medium's entry, or every entry at once; a
// cut event changes none.
TEST(ZelTEventApplierTest, ReadinessEventsKeepATableOfMedia) {
  std::vector<TMediaReadiness> table(2);
  table[0].media = KRVEnum::MEDIUM_VOICE;
  table[1].media = KRVEnum::MEDIUM_EMAIL;
  for (TMediaReadiness& entry : table) entry.state = READINESS_READY;
  ZelTUserMediaNotReadyEvent email;
  email.media = KRVEnum::MEDIUM_EMAIL;
  email.cause = READINESSCAUSE_EMAIL_SERVER_DOWN;
  ZelTUserMediaNotReadyEvent all = email;
  all.SetAllMediaNotReady(true);
  all.cause = READINESSCAUSE_COMM_PLATFORM_DOWN;
  ZelTUserMediaReadyEvent voice;
  voice.media = KRVEnum::MEDIUM_VOICE;
  const struct {
    Told event;
    std::vector<long> changed;
    std::vector<enReadinessState> states;
  } steps[] = {
      {Packed(PS::USER_MEDIA_NOT_READY_EVENT, email), {3}, {READINESS_READY, READINESS_NOT_READY}},
      {Packed(PS::USER_MEDIA_NOT_READY_EVENT, email), {}, {READINESS_READY, READINESS_NOT_READY}},
      {Packed(PS::USER_ALL_MEDIA_NOT_READY_EVENT, all), {1, 3}, {READINESS_NOT_READY, READINESS_NOT_READY}},
      {Packed(PS::USER_MEDIA_READY_EVENT, voice), {1}, {READINESS_READY, READINESS_NOT_READY}},
  };
  Applier applier;
  std::vector<long> changed;
  for (const auto& step : steps) {
    const std::string& bytes = step.event.bytes;
    EXPECT_FALSE(applier.ApplyReadiness(step.event.type, bytes.data(), bytes.size() - 1, table, changed));
    ASSERT_TRUE(applier.ApplyReadiness(step.event.type, bytes.data(), bytes.size(), table, changed));
    EXPECT_EQ(changed, step.changed);
    EXPECT_EQ(std::vector<enReadinessState>({table[0].state, table[1].state}), step.states);
  }
  EXPECT_EQ(table[1].cause, READINESSCAUSE_COMM_PLATFORM_DOWN);
}

}  // namespace
