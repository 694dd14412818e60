#include "zelclnt/mirror/ZelTEventApplier.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AgentSeeder.h"
#include "Bytes.h"
#include "DiagCapture.h"
#include "StoreComparison.h"
#include "UserActions.h"
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
using Told = std::pair<PS::enEvent, std::string>;
using Feed = zelsim::EventFeed;

constexpr auto kHandling = Change::PART_HANDLING_STATES;
constexpr auto kFlags = Change::PART_USER_FLAGS;

// A request as a client fills it, for agent 42.
class Call : public User {
 public:
  Call(Action action, const std::string& contactId = "", std::list<long> reasons = {}, bool on = true) {
    SetUserKey(42);
    SetUserID("agent42");
    SetAction(action);
    SetContactID(contactId);
    SetRequeueCount(0);
    SetReasons(reasons);
    SetRecoveryModeFlag(on);
    SetContactAssistFlag(on);
    SetState(ZelTRoutingState::ROUTINGSTATE_WORK);
    SetRoutingStateReason(3);
  }
};

// The simulator's table, with the events each change of agent 42 yields.
class Server {
 public:
  using Making = std::function<std::vector<Told>(User& user, const Feed& feed)>;

  Server()
      : m_table(zelsim::SeedAgents(8, 1),
                Feed([this](PS::enEvent type, long, const char* data,
                            std::size_t size) { m_told.emplace_back(type, std::string(data, size)); },
                     [] { return TEventPosition(); })) {
    m_table.Apply(42, [](User& user, const Feed&) { Control::UserFlags(user) = ZelTUserFlags(); });
  }
  User Agent() const { return *m_table.Find(42); }
  std::vector<Told> Make(const Making& make) {
    m_told.clear();
    m_table.Apply(42, [&](User& user, const Feed& feed) {
      const std::vector<Told> built = make(user, feed);
      m_told.insert(m_told.end(), built.begin(), built.end());
    });
    return m_told;
  }

 private:
  std::vector<Told> m_told;
  zelsim::UserTable m_table;
};

Server::Making Acting(Call call) {
  return [call](User& user, const Feed& feed) {
    const User before = user;
    EXPECT_EQ(zelsim::ApplyUserAction(user, call, TTimeStamp(0)), PS::ERR_NONE);
    feed.UserActed(before, user, call);
    return std::vector<Told>();
  };
}

// The two kinds the simulator never makes, built as a server would.
std::vector<Told> Monitored(User& user, const Feed&) {
  TSilentMonitoringInfo info;
  info.contactId = "C99-1";
  Control::SilentMonitoring(user).PushBack(info);
  ZelTUserCSMStateEvent event;
  ZelTEventControl::Copy(event, ZelTEventBase::EVENTCAUSE_CSM_STATE_UPDATED, user, TMediaServerCommonEnum::CSM_ADD,
                         ZelTStdListPointerColl<TSilentMonitoringInfo>());
  return {{PS::USER_CSM_STATE_EVENT, BytesOf(event)}};
}

std::vector<Told> DesktopDown(User& user, const Feed&) {
  ZelTDesktopCapability desktop;
  desktop.SetCause(ZelTDesktopCapability::DESKTOPCAUSE_ADMIN_SERVER_NOT_READY);
  Control::UserCapability(user).SetDesktopCapability(desktop);
  ZelTUserCapabilityEvent event;
  ZelTEventControl::Copy(event, ZelTEventBase::EVENTCAUSE_DESKTOP_LOGOFF, user);
  return {{PS::USER_CAPABILITY_EVENT, BytesOf(event)}};
}

std::vector<Told> EmailToggled(User& user, const Feed& feed) {
  ZelTMediaState email = user.GetMediaStates().GetMediaState(KRVEnum::MEDIUM_EMAIL);
  email.state = email.IsLoggedOn() ? MEDIASTATE_LOGOFF : MEDIASTATE_LOGON;
  Control::MediaStates(user).UpdateMediaState(email);
  feed.MediaChanged(user, KRVEnum::MEDIUM_EMAIL, email.IsLoggedOn());
  return {};
}

struct Expected {
  PS::enEvent type;
  std::uint32_t changed;
  std::uint32_t unknown;
};

// Agent 42 talks on C42-1 (primary), has C42-2 in mandatory and automatic
// post-processing and C42-3 in processing. Each change's events are applied
// to the record as the server held it before: a complete event leaves it as
// the server holds it after, part for part; an incomplete one differs only
// in the parts it names unknown. Every cut of an event, and the event
// applied to another user's record, leaves that record as it was, or (cut
// only among the affected contacts) as the whole event does.
TEST(ZelTEventApplierTest, EveryEventChangesTheRecordAsTheServerDid) {
  DiagCapture quiet;
  const User other = zelsim::SeedAgents(2, 1).back();
  const struct {
    const char* name;
    Server::Making make;
    std::vector<Expected> expected;
    std::vector<std::string> unknown;
  } cases[] = {
      {"routing",
       Acting(Call(User::ACTION_SET_ROUTING_STATE)),
       {{PS::USER_ROUTING_STATE_EVENT, Change::PART_ROUTING_STATE, 0}},
       {}},
      {"recovery on", Acting(Call(User::ACTION_SET_RECOVERY_MODE)), {{PS::USER_RECOVERY_MODE_EVENT, kFlags, 0}}, {}},
      {"recovery on again", Acting(Call(User::ACTION_SET_RECOVERY_MODE)), {{PS::USER_RECOVERY_MODE_EVENT, 0, 0}}, {}},
      {"assist on",
       Acting(Call(User::ACTION_SET_CONTACT_ASSIST)),
       {{PS::USER_CONTACT_ASSIST_EVENT, kFlags, kFlags}},
       {"user flags"}},
      {"assist off",
       Acting(Call(User::ACTION_SET_CONTACT_ASSIST, "", {}, false)),
       {{PS::USER_CONTACT_ASSIST_EVENT, kFlags, 0}},
       {}},
      {"primary",
       Acting(Call(User::ACTION_SET_PRIMARY_CONTACT, "C42-3")),
       {{PS::PRIMARY_HANDLING_STATE_EVENT, kHandling, kHandling}},
       {"handling states"}},
      {"post-processing asked",
       Acting(Call(User::ACTION_REQUEST_POST_PROCESSING, "C42-1", {5})),
       {{PS::USER_HANDLING_STATE_UPDATE_EVENT, kHandling, 0}},
       {}},
      {"wrap-up",
       Acting(Call(User::ACTION_SUBMIT_WRAPUP, "C42-2", {12, 3, 7, 9})),
       {{PS::WRAPUP_SUBMITTED_EVENT, kHandling, kHandling}, {PS::USER_CONTACT_COMPLETED_EVENT, kHandling, 0}},
       {}},
      {"email", EmailToggled, {{PS::EMAIL_USER_MEDIA_EVENT, Change::PART_MEDIA_STATES, 0}}, {}},
      {"monitored", Monitored, {{PS::USER_CSM_STATE_EVENT, Change::PART_SILENT_MONITORING, 0}}, {}},
      {"desktop", DesktopDown, {{PS::USER_CAPABILITY_EVENT, Change::PART_CAPABILITY, 0}}, {}},
  };
  Server server;
  Applier applier;
  for (const auto& c : cases) {
    User record = server.Agent();
    const std::vector<Told> told = server.Make(c.make);
    ASSERT_EQ(told.size(), c.expected.size()) << c.name;
    for (std::size_t i = 0; i < told.size(); ++i) {
      const auto& [type, bytes] = told[i];
      const User before = record;
      const Applier::Result result = applier.Apply(type, bytes.data(), bytes.size(), record);
      EXPECT_EQ(
          std::make_tuple(type, result.outcome, Change::PartsToString(result.changedParts),
                          Change::PartsToString(result.unknownParts)),
          std::make_tuple(c.expected[i].type, Applier::OUTCOME_APPLIED, Change::PartsToString(c.expected[i].changed),
                          Change::PartsToString(c.expected[i].unknown)))
          << c.name;
      for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        User cutRecord = before;
        const bool applied = applier.Apply(type, bytes.data(), cut, cutRecord).outcome == Applier::OUTCOME_APPLIED;
        ASSERT_EQ(zelsim::DifferingPartNames(cutRecord, applied ? record : before), std::vector<std::string>{})
            << c.name << " cut at " << cut;
      }
      User another = other;
      EXPECT_EQ(applier.Apply(type, bytes.data(), bytes.size(), another).outcome, Applier::OUTCOME_MALFORMED);
      EXPECT_EQ(zelsim::DifferingPartNames(another, other), std::vector<std::string>{}) << c.name;
    }
    EXPECT_EQ(zelsim::DifferingPartNames(record, server.Agent()), c.unknown) << c.name;
    if (std::string(c.name) == "primary") {
      const ZelTHandlingStates& states = record.GetHandlingStates();
      EXPECT_EQ(states.GetPrimaryContactId() + "/" + states.GetOldPrimaryContactId(), "C42-3/C42-1");
      EXPECT_TRUE(states.GetHandlingState("C42-1", 0)->GetPrimaryStartTime().IsNull());
    }
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
  ZelTUserMediaNotReadyEvent email;
  email.media = KRVEnum::MEDIUM_EMAIL;
  ZelTUserMediaNotReadyEvent all = email;
  all.SetAllMediaNotReady(true);
  all.cause = READINESSCAUSE_COMM_PLATFORM_DOWN;
  ZelTUserMediaReadyEvent voice;
  voice.media = KRVEnum::MEDIUM_VOICE;
  const struct { Told event; std::vector<long> changed; std::vector<enReadinessState> states; } steps[] = {
      {{PS::USER_MEDIA_READY_EVENT, BytesOf(voice)}, {1}, {READINESS_READY, READINESS_UNKNOWN}},
      {{PS::USER_MEDIA_NOT_READY_EVENT, BytesOf(email)}, {3}, {READINESS_READY, READINESS_NOT_READY}},
      {{PS::USER_MEDIA_NOT_READY_EVENT, BytesOf(email)}, {}, {READINESS_READY, READINESS_NOT_READY}},
      {{PS::USER_ALL_MEDIA_NOT_READY_EVENT, BytesOf(all)}, {1, 3}, {READINESS_NOT_READY, READINESS_NOT_READY}},
  };
  Applier applier;
  std::vector<long> changed;
  for (const auto& [event, expected, states] : steps) {
    EXPECT_FALSE(applier.ApplyReadiness(event.first, event.second.data(), event.second.size() - 1, table, changed));
    ASSERT_TRUE(applier.ApplyReadiness(event.first, event.second.data(), event.second.size(), table, changed));
    EXPECT_EQ(changed, expected);
    EXPECT_EQ(std::vector<enReadinessState>({table[0].state, table[1].state}), states);
  }
}

}  // namespace
