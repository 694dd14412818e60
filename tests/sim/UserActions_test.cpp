#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AgentSeeder.h"
#include "Churn.h"
#include "UserTable.h"
#include "ZelTUserPresenceControl.h"
#include "zelclnt/events/ZelTEventReader.h"

namespace {

using PS = ZelTPresenceServer;
using User = ZelTUserPresence;
using Control = ZelTUserPresenceControl;
using Cause = ZelTEventBase;
using RS = ZelTRoutingState;

// A call as a client builds it: the contact fields are the request's.
struct Call : User {
  using User::SetContactID;
  using User::SetReasons;
  using User::SetRequeueCount;
};

// An event the table told, as its type, cause and user.
struct Told {
  PS::enEvent type;
  Cause::enEventCause cause;
  long user;
  bool operator==(const Told& other) const {
    return type == other.type && cause == other.cause && user == other.user;
  }
};

std::ostream& operator<<(std::ostream& out, const Told& told) {
  return out << PS::ToString(told.type) << "/" << Cause::ToString(told.cause) << "/" << told.user;
}

Told Decode(PS::enEvent type, const char* data, std::size_t size) {
  ZelTAnyEvent event;
  long user = 0;
  EXPECT_TRUE(ZelTEventReader::Read(type, data, size, event));
  ZelTEventReader::UserKeyOf(event, user);
  const Cause::enEventCause cause = std::visit(
      [](const auto& record) {
        if constexpr (std::is_base_of_v<ZelTEventBase, std::decay_t<decltype(record)>>) return record.GetEventCause();
        return Cause::EVENTCAUSE_NONE;
      },
      event);
  return {type, cause, user};
}

// The seeded agents, each change's events recorded in order.
class Table {
 public:
  Table()
      : m_table(zelsim::SeedAgents(8, 1),
                zelsim::EventFeed(
                    [this](PS::enEvent type, long, const char* data, std::size_t size) {
                      const Told told = Decode(type, data, size);
                      std::lock_guard<std::mutex> guard(m_lock);
                      m_told.push_back(told);
                    },
                    [] { return TEventPosition(); })) {}

  // The call's error code; `fill` sets what the action needs.
  PS::ErrorCode Act(long key, User::Action action, const std::function<void(Call&)>& fill) {
    Call call;
    call.SetUserKey(key);
    call.SetUserID("agent" + std::to_string(key));
    call.SetAction(action);
    if (fill) fill(call);
    m_table.Act(call);
    return call.GetErrorCode();
  }
  std::vector<Told> TakeTold() {
    std::lock_guard<std::mutex> guard(m_lock);
    return std::exchange(m_told, {});
  }
  std::size_t CountTold() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_told.size();
  }
  User Find(long key) const { return *m_table.Find(key); }
  zelsim::UserTable& Users() { return m_table; }

 private:
  std::mutex m_lock;
  std::vector<Told> m_told;
  zelsim::UserTable m_table;
};

std::function<void(Call&)> Routing(RS::enRoutingState state) {
  return [state](Call& call) { Control::RoutingState(call).SetRoutingState(state); };
}
std::function<void(Call&)> Contact(const std::string& id, std::list<long> reasons = {}) {
  return [id, reasons](Call& call) {
    call.SetContactID(id);
    call.SetRequeueCount(0);
    call.SetReasons(reasons);
  };
}
std::function<void(Call&)> Recovery(bool on) {
  return [on](Call& call) { Control::UserFlags(call).SetIsRecoveryModeOn(on); };
}

struct Step {
  long key;
  User::Action action;
  std::function<void(Call&)> fill;
  PS::ErrorCode error;
  std::vector<Told> told;
};

const Told kUpdated42{PS::USER_HANDLING_STATE_UPDATE_EVENT, Cause::EVENTCAUSE_CONTACT_UPDATED, 42};

// Agent 42 talks on C42-1 (primary) and has C42-2 in mandatory and automatic
// post-processing; 44 has C44-2 likewise; 46 is logged off. Each row runs
// on a table of its own, step by step: the error code and the events.
TEST(UserActionsTest, RulesAndTheirEvents) {
  const struct { const char* name; std::vector<Step> steps; } rows[] = {
      {"internal set ACD state, logged on or not",
       {{46, User::ACTION_INTERNAL_SET_ACD_STATE, Routing(RS::ROUTINGSTATE_WORK), PS::ERR_NONE,
         {{PS::USER_ROUTING_STATE_EVENT, Cause::EVENTCAUSE_ROUTING_WORK, 46}}},
        {42, User::ACTION_INTERNAL_SET_ACD_STATE, Routing(RS::ROUTINGSTATE_LOGOFF), PS::ERR_NONE,
         {{PS::USER_ROUTING_STATE_EVENT, Cause::EVENTCAUSE_NONE, 42}}},
        {42, User::ACTION_INTERNAL_SET_ACD_STATE, Routing(RS::ROUTINGSTATE_UNKNOWN), PS::ERR_INVALID_STATE, {}},
        {46, User::ACTION_SET_ROUTING_STATE, Routing(RS::ROUTINGSTATE_WORK), PS::ERR_INVALID_MEDIA, {}}}},
      {"post-processing requested once, with exactly one reason",
       {{42, User::ACTION_REQUEST_POST_PROCESSING, Contact("C42-2"), PS::ERR_INVALID_PARAMETERS, {}},
        {42, User::ACTION_REQUEST_POST_PROCESSING, Contact("C42-2", {5, 6}), PS::ERR_INVALID_PARAMETERS, {}},
        {42, User::ACTION_REQUEST_POST_PROCESSING, Contact("C42-2", {5}), PS::ERR_NONE, {kUpdated42}},
        {42, User::ACTION_REQUEST_POST_PROCESSING, Contact("C42-2", {5}), PS::ERR_INVALID_STATE, {}},
        {42, User::ACTION_REQUEST_POST_PROCESSING, Contact("C42-1", {4}), PS::ERR_NONE, {kUpdated42}},
        {42, User::ACTION_REQUEST_POST_PROCESSING, Contact("C42-1", {4}), PS::ERR_INVALID_STATE, {}},
        {42, User::ACTION_EXIT_POST_PROCESSING, Contact("C42-1"), PS::ERR_NONE, {kUpdated42}},
        {42, User::ACTION_EXIT_POST_PROCESSING, Contact("C42-1"), PS::ERR_INVALID_STATE, {}}}},
      {"wrap-up needs its queue key, sequence and a reason",
       {{42, User::ACTION_SUBMIT_WRAPUP, Contact("C42-2", {12}), PS::ERR_INVALID_PARAMETERS, {}},
        {42, User::ACTION_SUBMIT_WRAPUP, Contact("C42-1", {12, 3, 7}), PS::ERR_INVALID_STATE, {}}}},
      {"actions the table does not know",
       {{9999, User::ACTION_QUERY, {}, PS::ERR_INVALID_USER, {}},
        {42, static_cast<User::Action>(11), {}, PS::ERR_INVALID_PARAMETERS, {}},
        {42, User::ACTION_NONE, {}, PS::ERR_INVALID_PARAMETERS, {}},
        {42, User::ACTION_SET_PRIMARY_CONTACT, Contact("C9"), PS::ERR_ITEM_NOT_FOUND, {}}}},
      {"a primary contact released leaves the user without one",
       {{42, User::ACTION_SET_PRIMARY_CONTACT, Contact("C42-2"), PS::ERR_NONE,
         {{PS::PRIMARY_HANDLING_STATE_EVENT, Cause::EVENTCAUSE_PRIMARY_HANDLING_STATE, 42}}},
        {42, User::ACTION_SET_PRIMARY_CONTACT, Contact("C42-2"), PS::ERR_NONE, {}},
        {42, User::ACTION_CANCEL_MANDATORY_POST_PROCESSING, Contact("C42-2"), PS::ERR_NONE, {kUpdated42}},
        {42, User::ACTION_CANCEL_MANDATORY_POST_PROCESSING, Contact("C42-2"), PS::ERR_INVALID_STATE, {}},
        {42, User::ACTION_SUBMIT_WRAPUP, Contact("C42-2", {12, 3, 7, 9}), PS::ERR_NONE,
         {{PS::WRAPUP_SUBMITTED_EVENT, Cause::EVENTCAUSE_WRAPUP_SUBMITTED, 42},
          {PS::USER_CONTACT_COMPLETED_EVENT, Cause::EVENTCAUSE_CONTACT_DELETED, 42},
          {PS::PRIMARY_HANDLING_STATE_EVENT, Cause::EVENTCAUSE_PRIMARY_HANDLING_STATE, 42}}}}},
      {"manual post-processing ended last releases the contact",
       {{44, User::ACTION_REQUEST_POST_PROCESSING, Contact("C44-2", {5}), PS::ERR_NONE,
         {{PS::USER_HANDLING_STATE_UPDATE_EVENT, Cause::EVENTCAUSE_CONTACT_UPDATED, 44}}},
        {44, User::ACTION_SUBMIT_WRAPUP, Contact("C44-2", {12, 3, 7}), PS::ERR_NONE,
         {{PS::WRAPUP_SUBMITTED_EVENT, Cause::EVENTCAUSE_WRAPUP_SUBMITTED, 44},
          {PS::USER_HANDLING_STATE_UPDATE_EVENT, Cause::EVENTCAUSE_CONTACT_UPDATED, 44}}},
        {44, User::ACTION_EXIT_POST_PROCESSING, Contact("C44-2"), PS::ERR_NONE,
         {{PS::USER_CONTACT_COMPLETED_EVENT, Cause::EVENTCAUSE_CONTACT_DELETED, 44}}},
        {44, User::ACTION_EXIT_POST_PROCESSING, Contact("C44-2"), PS::ERR_ITEM_NOT_FOUND, {}}}},
  };
  for (const auto& row : rows) {
    Table table;
    int number = 0;
    for (const Step& step : row.steps) {
      ++number;
      EXPECT_EQ(table.Act(step.key, step.action, step.fill), step.error) << row.name << ", step " << number;
      EXPECT_EQ(table.TakeTold(), step.told) << row.name << ", step " << number;
    }
  }
}

// Exit resumes what the request suspended; the contact stays while its
// mandatory part runs.
TEST(UserActionsTest, PostProcessingPartsEndAsTheirActionsSay) {
  Table table;
  ASSERT_EQ(table.Act(42, User::ACTION_REQUEST_POST_PROCESSING, Contact("C42-2", {5})), PS::ERR_NONE);
  const User requested = table.Find(42);
  const ZelTHandlingState* mail = requested.GetHandlingStates().GetHandlingState("C42-2", 0);
  ASSERT_NE(mail, nullptr);
  EXPECT_TRUE(mail->IsAutomaticWrapupSuspended());
  ASSERT_EQ(table.Act(42, User::ACTION_EXIT_POST_PROCESSING, Contact("C42-2")), PS::ERR_NONE);
  const User after = table.Find(42);
  mail = after.GetHandlingStates().GetHandlingState("C42-2", 0);
  ASSERT_NE(mail, nullptr);
  EXPECT_TRUE(mail->IsAutomaticWrapup());
  EXPECT_FALSE(mail->IsAutomaticWrapupSuspended());
  EXPECT_TRUE(mail->IsMandatoryWrapup());
  // Wrap-up ends the rest; the reasons after queue key and sequence stay.
  ASSERT_EQ(table.Act(42, User::ACTION_REQUEST_POST_PROCESSING, Contact("C42-2", {5})), PS::ERR_NONE);
  ASSERT_EQ(table.Act(42, User::ACTION_SUBMIT_WRAPUP, Contact("C42-2", {12, 3, 7, 9})), PS::ERR_NONE);
  const User wrapped = table.Find(42);
  mail = wrapped.GetHandlingStates().GetHandlingState("C42-2", 0);
  ASSERT_NE(mail, nullptr) << "manual post-processing still runs";
  EXPECT_FALSE(mail->IsMandatoryWrapup() || mail->IsAutomaticWrapup() || mail->IsAutomaticWrapupSuspended());
  EXPECT_TRUE(mail->IsWrapupSubmitted());
  EXPECT_EQ(mail->GetManualPostProcessingReason(), 5);
  EXPECT_EQ(mail->GetReasons(), (std::list<long>{7, 9}));
  // A primary contact released leaves the user without one.
  ASSERT_EQ(table.Act(44, User::ACTION_SET_PRIMARY_CONTACT, Contact("C44-2")), PS::ERR_NONE);
  ASSERT_EQ(table.Act(44, User::ACTION_SUBMIT_WRAPUP, Contact("C44-2", {12, 3, 7})), PS::ERR_NONE);
  const User released = table.Find(44);
  EXPECT_EQ(released.GetHandlingStates().GetHandlingState("C44-2", 0), nullptr);
  EXPECT_EQ(released.GetHandlingStates().GetPrimaryContactId(), "");
  EXPECT_EQ(released.GetHandlingStates().GetOldPrimaryContactId(), "C44-2");
}

// Switching a flag on again keeps the time it was first switched on;
// switching it off clears it.
TEST(UserActionsTest, AFlagSwitchedOnAgainKeepsItsTime) {
  Table table;
  const TTimeStamp earlier = TTimeStamp::FromMilliseconds(1234, false);
  ASSERT_TRUE(table.Users().Apply(42, [&](User& user, const zelsim::EventFeed&) {
    Control::UserFlags(user).SetIsRecoveryModeOn(true);
    Control::UserFlags(user).SetRecoveryModeStartTime(earlier);
  }));
  ASSERT_EQ(table.Act(42, User::ACTION_SET_RECOVERY_MODE, Recovery(true)), PS::ERR_NONE);
  EXPECT_EQ(table.Find(42).GetUserFlags().GetRecoveryModeStartTime(), earlier);
  ASSERT_EQ(table.Act(42, User::ACTION_SET_RECOVERY_MODE, Recovery(false)), PS::ERR_NONE);
  EXPECT_TRUE(table.Find(42).GetUserFlags().GetRecoveryModeStartTime().IsNull());
  EXPECT_EQ(table.TakeTold(), (std::vector<Told>{{PS::USER_RECOVERY_MODE_EVENT, Cause::EVENTCAUSE_RECOVERY_MODE, 42},
                                                 {PS::USER_RECOVERY_MODE_EVENT, Cause::EVENTCAUSE_RECOVERY_MODE, 42}}));
}

// The churn's changes are told as they happen: a routing state always
// changes (never only its reason), a medium other than voice is logged on
// or off, a web chat is created and at once connected, and only chats the
// churn took are completed. 200 changes at its highest rate take 40 ms.
TEST(UserActionsTest, ChurnTellsEachChangeByItsEvents) {
  Table table;
  zelsim::Churn churn(table.Users(), 7, zelsim::Churn::kMaxRate);
  churn.Start();
  for (int wait = 0; wait < 10000 && table.CountTold() < 200; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  churn.Stop();
  const std::vector<Told> told = table.TakeTold();
  ASSERT_GE(told.size(), 200u);
  const std::map<PS::enEvent, std::vector<Cause::enEventCause>> causes = {
      {PS::USER_ROUTING_STATE_EVENT,
       {Cause::EVENTCAUSE_ROUTING_AVAILABLE, Cause::EVENTCAUSE_ROUTING_UNAVAILABLE, Cause::EVENTCAUSE_ROUTING_WORK}},
      {PS::CALLBACK_USER_MEDIA_EVENT, {Cause::EVENTCAUSE_MEDIA_LOGON, Cause::EVENTCAUSE_MEDIA_LOGOFF}},
      {PS::EMAIL_USER_MEDIA_EVENT, {Cause::EVENTCAUSE_MEDIA_LOGON, Cause::EVENTCAUSE_MEDIA_LOGOFF}},
      {PS::WEB_USER_MEDIA_EVENT, {Cause::EVENTCAUSE_MEDIA_LOGON, Cause::EVENTCAUSE_MEDIA_LOGOFF}},
      {PS::OPENMEDIA_USER_MEDIA_EVENT, {Cause::EVENTCAUSE_MEDIA_LOGON, Cause::EVENTCAUSE_MEDIA_LOGOFF}},
      {PS::USER_CONTACT_CREATED_EVENT, {Cause::EVENTCAUSE_CONTACT_CREATED}},
      {PS::USER_CONTACT_CONNECTED_EVENT, {Cause::EVENTCAUSE_CONTACT_CONNECTED}},
      {PS::USER_CONTACT_COMPLETED_EVENT, {Cause::EVENTCAUSE_CONTACT_DELETED}},
  };
  std::map<long, int> chats;
  for (std::size_t i = 0; i < told.size(); ++i) {
    const auto found = causes.find(told[i].type);
    ASSERT_NE(found, causes.end()) << told[i];
    EXPECT_NE(std::find(found->second.begin(), found->second.end(), told[i].cause), found->second.end()) << told[i];
    if (told[i].type == PS::USER_CONTACT_CREATED_EVENT) {
      ++chats[told[i].user];
      ASSERT_LT(i + 1, told.size());
      EXPECT_EQ(told[i + 1], (Told{PS::USER_CONTACT_CONNECTED_EVENT, Cause::EVENTCAUSE_CONTACT_CONNECTED, told[i].user}));
    }
    if (told[i].type == PS::USER_CONTACT_CONNECTED_EVENT) {
      EXPECT_TRUE(i > 0 && told[i - 1].type == PS::USER_CONTACT_CREATED_EVENT) << told[i];
    }
    if (told[i].type == PS::USER_CONTACT_COMPLETED_EVENT) {
      EXPECT_GT(chats[told[i].user]--, 0) << "a seeded contact completed: " << told[i];
    }
  }
}

}  // namespace
