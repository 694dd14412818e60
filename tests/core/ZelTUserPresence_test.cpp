#include "zelclnt/core/ZelTUserPresence.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "AgentSeeder.h"
#include "Bytes.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using PS = ZelTPresenceServer;
using User = ZelTUserPresence;

// The side that fills records.
class FilledUser : public ZelTUserPresence {
 public:
  using ZelTUserPresence::SetExtension;
  using ZelTUserPresence::SetReasons;
};

std::string Head(int mode, int action) { return BytesOf(true, 1, 0, mode, action, 42L, std::string("agent7")); }

// One object through every method, in order: nothing resets what an
// earlier call stored (the request mode stays synchronous once set). The
// server refuses each call, so the object keeps what its method stored.
TEST(ZelAUserPresenceTest, EveryMethodSendsItsActionAndFields) {
  std::mutex lock;
  std::string call, readBack;
  TRPCServer server(UniqueInproc("user-presence-recorder"), [&](TRPC& rpc) {
    User received;
    received.UnpackRpcCall(rpc);
    std::lock_guard<std::mutex> guard(lock);
    call.assign(rpc.GetCallPointer(), rpc.GetCallSize());
    readBack = received.ToString_RPCInformation();
    rpc.SetReturnCode(5);
  });
  ASSERT_TRUE(server.Start());
  const std::string& to = server.Endpoint();
  DiagCapture quiet;
  ZelAUserPresence user("test", "client");
  user.SetUserKey(42);
  user.SetUserID("agent7");
  const struct {
    std::function<PS::ActionResult(ZelAUserPresence&)> call;
    int mode, action;
    std::string fields, readBack;
  } cases[] = {
      {[&](auto& u) { return u.Query(to); }, 0, 1, "", " - Query RPC:No Info Available"},
      {[&](auto& u) { return u.SetRoutingState(to, ZelTRoutingState::ROUTINGSTATE_WORK, 3, true); }, 2, 2,
       BytesOf(2, 3L, 3, TTimeStamp(1)),
       " - SetRoutingState RPC:Routing State:{State{Work},Reason{3}},ReqMode{REQUESTMODE_SYNC}"},
      {[&](auto& u) { return u.SetRoutingState(to, ZelTRoutingState::ROUTINGSTATE_AVAILABLE, 0, false); }, 2, 2,
       BytesOf(0, 0L, 3, TTimeStamp(1)),
       " - SetRoutingState RPC:Routing State:{State{Available},Reason{0}},ReqMode{REQUESTMODE_SYNC}"},
      {[&](auto& u) { return u.SetPrimaryContact(to, "4711", 0); }, 2, 3, BytesOf(std::string("4711"), 0L),
       " - SetPrimaryContact RPC:ContactId/RqC{4711/0}"},
      {[&](auto& u) { return u.SetRecoveryMode(to, true); }, 2, 4, BytesOf(true), " - SetRecoveryMode RPC:Flag{T}"},
      {[&](auto& u) { return u.SetContactAssist(to, false); }, 2, 5, BytesOf(false), " - SetContactAssist RPC:Flag{F}"},
      {[&](auto& u) { return u.SubmitWrapup(to, "4711", 0, {7, 9}, 12, 3); }, 2, 6,
       BytesOf(std::string("4711"), 0L, 4u, 12L, 3L, 7L, 9L),
       " - SubmitWrapup RPC:ContactId/RqC{4711/0},QueueKey{12},SqNum{3},Reasons{7,9}"},
      {[&](auto& u) { return u.RequestPostProcessing(to, "4711", 2, 5); }, 2, 7,
       BytesOf(std::string("4711"), 2L, 1u, 5L), " - RequestPostProcessing RPC:ContactId/RqC{4711/2},Reasons{5}"},
      {[&](auto& u) { return u.ExitPostProcessing(to, "C1", 1); }, 2, 8, BytesOf(std::string("C1"), 1L),
       " - ExitPostProcessing RPC:ContactId/RqC{C1/1}"},
      {[&](auto& u) { return u.CancelMandatoryPostProcessing(to, "C2", 0); }, 2, 9, BytesOf(std::string("C2"), 0L),
       " - CancelMandatoryPostProcessing RPC:ContactId/RqC{C2/0}"}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.call(user), PS::ACTION_NOT_CARRIED_OUT) << c.action;
    std::lock_guard<std::mutex> guard(lock);
    TMsgRequestHdr header(0, 0, 0, 0);
    Read(call, header);
    EXPECT_EQ(header.GetActionType(), c.action);
    EXPECT_EQ(call.substr(TMsgRequestHdr::kSize), Head(c.mode, c.action) + c.fields) << c.action;
    EXPECT_EQ(readBack, "UserId{agent7}" + c.readBack);
    EXPECT_EQ(user.ToString_RPCInformation(), "UserId{agent7}" + c.readBack);
  }
}

TEST(ZelTUserPresenceTest, TextsOfActionsWithoutMethodsAndOfAFreshRecord) {
  const struct { int action; const char* name; std::string rpcText; } cases[] = {
      {0, "None", "UserId{agent7}No Info Available"},
      {10, "Internal Set ACD State", "UserId{agent7} - SetACDState RPC:RoutingState{Logoff}"},
      {-1, "Invalid", "UserId{agent7}No Info Available"}};
  User user;
  user.SetUserKey(42);
  user.SetUserID("agent7");
  for (const auto& c : cases) {
    user.SetAction(static_cast<User::Action>(c.action));
    EXPECT_EQ(user.Action_ToString(), c.name);
    EXPECT_EQ(user.ToString_RPCInformation(), c.rpcText);
  }
  EXPECT_EQ(user.UserPresenceToString(true, true, true, User::SUMMARY_USER_INFO),
            "User Presence:UserKey{42},UserId{agent7}");
  EXPECT_EQ(user.ToString_UserInfo(), "UserId{agent7}");
  User fresh;
  EXPECT_EQ(std::make_tuple(fresh.GetAction(), fresh.GetTickCount().IsNull(), fresh.GetObjectType()),
            std::make_tuple(User::ACTION_NONE, true, 35002));
  EXPECT_EQ(fresh.UserPresenceToString(false, true, false, User::SUMMARY_FULL),
            "UserKey{0},:Extension{},AssociatedLine{},BUKey{0},SiteKey{0},TeamKey{0},GroupId{},Media States:"
            "VectorDetails:{MediaState:{Media{Voice},State{Logoff},Cause{None},StartTime{0000/00/00 00:00:00.000}},"
            "MediaState:{Media{Callback},State{Logoff},Cause{None},StartTime{0000/00/00 00:00:00.000}},"
            "MediaState:{Media{Email},State{Logoff},Cause{None},StartTime{0000/00/00 00:00:00.000}},"
            "MediaState:{Media{Web Chat},State{Logoff},Cause{None},StartTime{0000/00/00 00:00:00.000}},"
            "MediaState:{Media{OpenMedia},State{Logoff},Cause{None},StartTime{0000/00/00 00:00:00.000}}},"
            "Routing State:{State{Logoff},Reason{0},Source{Unknown}},Handling States:{ListDetails:{},"
            "Primary Contact:{None}},Presence State:{Logoff},Presence State(ExDC):{Logoff},User Capability:{"
            "Desktop Capability:{Capability{Logoff},Cause{None},StartTime{0000/00/00 00:00:00.000}}},User Flags:{"
            "PhoneOnly{F},RecoveryMode<Flag{F},StartTime{0000/00/00 00:00:00.000}>,ContactAssist<Flag{F},"
            "StartTime{0000/00/00 00:00:00.000}>},ListDetails:{},CurrentTime{0000/00/00 00:00:00.000}");
  ZelTMediaState medium;
  medium.media = 6;
  EXPECT_TRUE(fresh.AddMediaState(medium)) << "a medium beyond the five";
  EXPECT_EQ(fresh.GetMediaStatesVector().size(), 6u);
}

// A Query reply carries the whole record only with action result 0; the
// reader goes by the result it has just read.
TEST(ZelTUserPresenceTest, QueryReplyCarriesTheRecordOnlyOnSuccess) {
  DiagCapture detail("INFO");
  User sent = zelsim::SeedAgents(1, 7).front();
  sent.SetAction(User::ACTION_QUERY);
  sent.SetActionResult(PS::ACTION_SUCCEEDED);
  const std::string full = Body(sent);
  User received;
  EXPECT_EQ(ReadBody(full, received), 0u);
  EXPECT_EQ(received.UserPresenceToString(true, true, true, User::SUMMARY_FULL),
            sent.UserPresenceToString(true, true, true, User::SUMMARY_FULL));
  EXPECT_EQ(Body(received), full);

  sent.SetActionResult(PS::ACTION_NOT_CARRIED_OUT);
  const std::string headOnly = Body(sent);
  EXPECT_EQ(headOnly, BytesOf(sent));
  ReadBody(headOnly, received);
  EXPECT_EQ(received.GetActionResult(), PS::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(received.GetExtension(), sent.GetExtension()) << "the record held stays";
}

// The wire's reasons replace those held, as many as the bytes hold; a body
// cut in the head leaves the action, and a missing flag reads as off.
TEST(ZelTUserPresenceTest, HostileBodiesReadOnlyWhatIsThere) {
  const struct { int count; std::vector<long> onWire; std::list<long> expected; } cases[] = {
      {2, {5, 6}, {5, 6}}, {INT_MAX, {5, 6}, {5, 6}}, {1, {5, 6}, {5}}, {0, {5}, {}}, {-3, {5}, {}}};
  for (const auto& c : cases) {
    TPack wire;
    wire << true << 0 << 0 << 0 << 7 << 42L << std::string("agent7") << std::string("C1") << 0L << c.count;
    for (const long reason : c.onWire) wire << reason;
    FilledUser user;
    user.SetReasons({1, 2, 3});
    ReadBody(Written(wire), user);
    EXPECT_EQ(user.GetReasons(), c.expected) << c.count;
  }

  const std::string head = BytesOf(true, 0, 0, 0, 4);
  User user;
  user.SetAction(User::ACTION_SET_CONTACT_ASSIST);
  ReadBody(head.substr(0, head.size() - 1), user);
  EXPECT_EQ(user.GetAction(), User::ACTION_SET_CONTACT_ASSIST);
  ZelAUserPresence on;
  DiagCapture quiet;
  on.SetRecoveryMode(UniqueInproc("user-presence-nobody"), true);
  ReadBody(head, on);
  EXPECT_EQ(std::make_pair(on.GetAction(), on.GetUserFlags().IsRecoveryModeOn()),
            std::make_pair(User::ACTION_SET_RECOVERY_MODE, false));
}

// Outputs the reasons do not reach stay as they were.
TEST(ZelTUserPresenceTest, SubmitWrapupInfoSplitsWhatIsThere) {
  const struct { std::list<long> reasons; long queueKey, sqNum; std::list<long> out; } cases[] = {
      {{}, -7, -8, {99}}, {{12}, 12, -8, {99}}, {{12, 3}, 12, 3, {99}}, {{12, 3, 7, 9}, 12, 3, {99, 7, 9}}};
  for (const auto& c : cases) {
    FilledUser user;
    user.SetReasons(c.reasons);
    long queueKey = -7, sqNum = -8;
    std::list<long> out{99};
    user.GetSubmitWrapupInfo(queueKey, sqNum, out);
    EXPECT_EQ(std::make_tuple(queueKey, sqNum, out), std::make_tuple(c.queueKey, c.sqNum, c.out));
  }
}

// Copies take everything but the ANI, and the campaign director stays with
// the original.
TEST(ZelTUserPresenceTest, CopiesLeaveTheAniAndTheNailUpCallBehind) {
  ZelTCampaignDirectorCapability director;
  director.SetNailUpNumber("5551234");
  director.SetEnabled(true);
  FilledUser user;
  user.SetExtension("4711");
  user.SetCampaignDirectorCapability(director);
  user.SetANI("5551234");
  EXPECT_TRUE(user.HasNailUpCall());
  user.SetANI("555123");
  EXPECT_FALSE(user.HasNailUpCall()) << "the whole number";
  user.SetANI("5551234");

  const User copy(user);
  EXPECT_EQ(std::make_tuple(copy.GetANI(), copy.GetExtension(), copy.HasNailUpCall()),
            std::make_tuple("", "4711", false));

  director.SetEnabled(false);
  user.SetCampaignDirectorCapability(director);
  EXPECT_FALSE(user.HasNailUpCall());

  EXPECT_TRUE(copy.GetPresenceStateExDirectContact().IsExcludeDirectContact());
  EXPECT_FALSE(copy.GetPresenceState().IsExcludeDirectContact());
}

}  // namespace
