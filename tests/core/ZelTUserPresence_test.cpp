#include "zelclnt/core/ZelTUserPresence.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "AgentSeeder.h"
#include "Bytes.h"
#include "DiagCapture.h"
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

// Records what each call carried and how a server reads it back, and
// refuses it, so the caller's object keeps what its method stored.
class CallRecorder {
 public:
  CallRecorder() : m_server("inproc://user-presence-recorder", [this](TRPC& rpc) { Record(rpc); }) {
    m_server.Start();
  }
  const std::string& Endpoint() const { return m_server.Endpoint(); }
  std::string LastBody() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_call.substr(TMsgRequestHdr::kSize);
  }
  unsigned short LastActionType() const {
    std::lock_guard<std::mutex> guard(m_lock);
    TPack reader(m_call.data(), static_cast<unsigned long>(m_call.size()));
    TMsgRequestHdr header(0, 0, 0, 0);
    reader >> header;
    return header.GetActionType();
  }
  std::string LastReadBack() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_readBack;
  }

 private:
  void Record(TRPC& rpc) {
    User received;
    received.UnpackRpcCall(rpc);
    std::lock_guard<std::mutex> guard(m_lock);
    m_call.assign(rpc.GetCallPointer(), rpc.GetCallSize());
    m_readBack = received.ToString_RPCInformation();
    rpc.SetReturnCode(5);
  }

  mutable std::mutex m_lock;
  std::string m_call;
  std::string m_readBack;
  TRPCServer m_server;
};

std::string Head(int mode, int action) {
  TPack head;
  head << true << 1 << 0 << mode << action << 42L << std::string("agent7");
  return Written(head);
}

template <typename... Fields>
std::string Fields_(const Fields&... fields) {
  TPack pack;
  (pack << ... << fields);
  return Written(pack);
}

ZelTRoutingState Routing(ZelTRoutingState::enRoutingState state, long reason) {
  ZelTRoutingState routing;
  routing.SetRoutingState(state);
  routing.SetRoutingStateReason(reason);
  return routing;
}

// One object through every method, in order: nothing resets what an
// earlier call stored (the request mode stays synchronous once set).
TEST(ZelAUserPresenceTest, EveryMethodSendsItsActionAndFields) {
  DiagCapture quiet;
  CallRecorder recorder;
  ZelAUserPresence user("test", "client");
  user.SetUserKey(42);
  user.SetUserID("agent7");
  using Call = std::function<PS::ActionResult(ZelAUserPresence&, const std::string&)>;
  const struct {
    Call call;
    int mode;
    int action;
    std::string fields;
    std::string readBack;
  } cases[] = {
      {[](auto& u, auto& s) { return u.Query(s); }, 0, 1, "", " - Query RPC:No Info Available"},
      {[](auto& u, auto& s) { return u.SetRoutingState(s, ZelTRoutingState::ROUTINGSTATE_WORK, 3, true); }, 2, 2,
       BytesOf(Routing(ZelTRoutingState::ROUTINGSTATE_WORK, 3)),
       " - SetRoutingState RPC:Routing State:{State{Work},Reason{3}},ReqMode{REQUESTMODE_SYNC}"},
      {[](auto& u, auto& s) { return u.SetRoutingState(s, ZelTRoutingState::ROUTINGSTATE_AVAILABLE, 0, false); }, 2,
       2, BytesOf(Routing(ZelTRoutingState::ROUTINGSTATE_AVAILABLE, 0)),
       " - SetRoutingState RPC:Routing State:{State{Available},Reason{0}},ReqMode{REQUESTMODE_SYNC}"},
      {[](auto& u, auto& s) { return u.SetPrimaryContact(s, "4711", 0); }, 2, 3, Fields_(std::string("4711"), 0L),
       " - SetPrimaryContact RPC:ContactId/RqC{4711/0}"},
      {[](auto& u, auto& s) { return u.SetRecoveryMode(s, true); }, 2, 4, Fields_(true),
       " - SetRecoveryMode RPC:Flag{T}"},
      {[](auto& u, auto& s) { return u.SetContactAssist(s, false); }, 2, 5, Fields_(false),
       " - SetContactAssist RPC:Flag{F}"},
      {[](auto& u, auto& s) { return u.SubmitWrapup(s, "4711", 0, {7, 9}, 12, 3); }, 2, 6,
       Fields_(std::string("4711"), 0L, 4u, 12L, 3L, 7L, 9L),
       " - SubmitWrapup RPC:ContactId/RqC{4711/0},QueueKey{12},SqNum{3},Reasons{7,9}"},
      {[](auto& u, auto& s) { return u.RequestPostProcessing(s, "4711", 2, 5); }, 2, 7,
       Fields_(std::string("4711"), 2L, 1u, 5L), " - RequestPostProcessing RPC:ContactId/RqC{4711/2},Reasons{5}"},
      {[](auto& u, auto& s) { return u.ExitPostProcessing(s, "C1", 1); }, 2, 8, Fields_(std::string("C1"), 1L),
       " - ExitPostProcessing RPC:ContactId/RqC{C1/1}"},
      {[](auto& u, auto& s) { return u.CancelMandatoryPostProcessing(s, "C2", 0); }, 2, 9,
       Fields_(std::string("C2"), 0L), " - CancelMandatoryPostProcessing RPC:ContactId/RqC{C2/0}"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.call(user, recorder.Endpoint()), PS::ACTION_NOT_CARRIED_OUT) << c.action;
    EXPECT_EQ(recorder.LastBody(), Head(c.mode, c.action) + c.fields) << c.action;
    EXPECT_EQ(recorder.LastActionType(), c.action);
    EXPECT_EQ(recorder.LastReadBack(), "UserId{agent7}" + c.readBack);
    EXPECT_EQ(user.ToString_RPCInformation(), "UserId{agent7}" + c.readBack);
  }
}

TEST(ZelTUserPresenceTest, TextsOfActionsWithoutMethods) {
  const struct {
    int action;
    const char* name;
    std::string rpcText;
  } cases[] = {
      {0, "None", "UserId{agent7}No Info Available"},
      {10, "Internal Set ACD State", "UserId{agent7} - SetACDState RPC:RoutingState{Logoff}"},
      {11, "Invalid", "UserId{agent7}No Info Available"},
      {-1, "Invalid", "UserId{agent7}No Info Available"},
  };
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
  EXPECT_EQ(User().UserPresenceToString(false, true, false, User::SUMMARY_FULL),
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
}

// A Query reply carries the whole record only with action result 0; the
// reader goes by the result it has just read.
TEST(ZelTUserPresenceTest, QueryReplyCarriesTheRecordOnlyOnSuccess) {
  DiagCapture detail("INFO");
  User sent = zelsim::SeedAgents(1, 7).front();
  sent.SetAction(User::ACTION_QUERY);
  sent.SetActionResult(PS::ACTION_SUCCEEDED);
  TPack pack;
  sent.PackRequest(pack);
  const std::string full = Written(pack);
  User received;
  TPack reader(full.data(), static_cast<unsigned long>(full.size()));
  received.UnpackRequest(reader);
  EXPECT_EQ(reader.Length(), 0u);
  EXPECT_EQ(received.UserPresenceToString(true, true, true, User::SUMMARY_FULL),
            sent.UserPresenceToString(true, true, true, User::SUMMARY_FULL));
  TPack again;
  received.PackRequest(again);
  EXPECT_EQ(Written(again), full);

  sent.SetActionResult(PS::ACTION_NOT_CARRIED_OUT);
  TPack headOnly;
  sent.PackRequest(headOnly);
  EXPECT_EQ(Written(headOnly), BytesOf(sent));
  TPack headReader(headOnly.Contents(), headOnly.Length());
  received.UnpackRequest(headReader);
  EXPECT_EQ(received.GetActionResult(), PS::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(received.GetExtension(), sent.GetExtension()) << "the record held stays";
}

TEST(ZelTUserPresenceTest, ReasonsFromTheWireReplaceAndStayBounded) {
  const struct {
    int count;
    std::vector<long> onWire;
    std::list<long> expected;
  } cases[] = {
      {2, {5, 6}, {5, 6}},
      {INT_MAX, {5, 6}, {5, 6}},
      {1, {5, 6}, {5}},
      {0, {5}, {}},
      {-3, {5}, {}},
  };
  for (const auto& c : cases) {
    TPack wire;
    wire << true << 0 << 0 << 0 << 7 << 42L << std::string("agent7") << std::string("C1") << 0L << c.count;
    for (const long reason : c.onWire) wire << reason;
    FilledUser user;
    user.SetReasons({1, 2, 3});
    TPack reader(wire.Contents(), wire.Length());
    user.UnpackRequest(reader);
    EXPECT_EQ(user.GetReasons(), c.expected) << c.count;
  }
}

TEST(ZelTUserPresenceTest, CutBodiesLeaveTheActionAndReadFlagsAsOff) {
  TPack wire;
  wire << true << 0 << 0 << 0 << 4;
  const std::string head = Written(wire);
  User user;
  user.SetAction(User::ACTION_SET_CONTACT_ASSIST);
  TPack cut(head.data(), static_cast<unsigned long>(head.size() - 1));
  user.UnpackRequest(cut);
  EXPECT_EQ(user.GetAction(), User::ACTION_SET_CONTACT_ASSIST);

  ZelAUserPresence on;
  DiagCapture quiet;
  on.SetRecoveryMode("inproc://user-presence-nobody", true);
  TPack flagless(head.data(), static_cast<unsigned long>(head.size()));
  on.UnpackRequest(flagless);
  EXPECT_EQ(on.GetAction(), User::ACTION_SET_RECOVERY_MODE);
  EXPECT_FALSE(on.GetUserFlags().IsRecoveryModeOn());
}

TEST(ZelTUserPresenceTest, SubmitWrapupInfoSplitsWhatIsThere) {
  const struct {
    std::list<long> reasons;
    long queueKey;
    long sqNum;
    std::list<long> out;
  } cases[] = {
      {{}, -7, -8, {99}},
      {{12}, 12, -8, {99}},
      {{12, 3}, 12, 3, {99}},
      {{12, 3, 7, 9}, 12, 3, {99, 7, 9}},
  };
  for (const auto& c : cases) {
    FilledUser user;
    user.SetReasons(c.reasons);
    long queueKey = -7;
    long sqNum = -8;
    std::list<long> out{99};
    user.GetSubmitWrapupInfo(queueKey, sqNum, out);
    EXPECT_EQ(queueKey, c.queueKey);
    EXPECT_EQ(sqNum, c.sqNum);
    EXPECT_EQ(out, c.out);
  }
}

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
  User assigned;
  assigned.SetANI("kept");
  assigned = user;
  EXPECT_EQ(copy.GetANI(), "");
  EXPECT_EQ(assigned.GetANI(), "kept");
  EXPECT_EQ(copy.GetExtension(), "4711");
  EXPECT_FALSE(copy.HasNailUpCall());
  EXPECT_FALSE(assigned.HasNailUpCall());

  director.SetEnabled(false);
  user.SetCampaignDirectorCapability(director);
  EXPECT_FALSE(user.HasNailUpCall());
}

TEST(ZelTUserPresenceTest, FreshRecord) {
  User user;
  EXPECT_EQ(user.GetAction(), User::ACTION_NONE);
  EXPECT_TRUE(user.GetTickCount().IsNull());
  EXPECT_FALSE(user.GetPresenceState().IsExcludeDirectContact());
  EXPECT_TRUE(user.GetPresenceStateExDirectContact().IsExcludeDirectContact());
  EXPECT_TRUE(User(user).GetPresenceStateExDirectContact().IsExcludeDirectContact());
  EXPECT_EQ(user.GetObjectType(), 35002);
  ZelTMediaState medium;
  medium.media = 3;
  EXPECT_FALSE(user.AddMediaState(medium));
  medium.media = 6;
  EXPECT_TRUE(user.AddMediaState(medium));
  EXPECT_EQ(user.GetMediaStatesVector().size(), 6u);
}

}  // namespace
