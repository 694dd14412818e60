#include "PresenceSimulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "Agents.h"
#include "Bytes.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "Simulators.h"
#include "ZelTUserPresenceControl.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/events/ZelTUserRoutingStateEvent.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TPack.h"
#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TRPCServer.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"

namespace {

using PS = ZelTPresenceServer;
using RS = ZelTRoutingState;
using Query = ZelTQueryUsersPresence;

// Agent 42 talks on C42-1 (primary), has C42-2 in mandatory and automatic
// post-processing and C42-3 in processing; agent 46 is logged off.
class SimulatorTest : public ::testing::Test {
 protected:
  const std::string& Server() const { return m_simulator->Endpoint(); }

  DiagCapture m_quiet;
  const std::unique_ptr<zelsim::PresenceSimulator> m_simulator = StartedSimulator(UniqueInproc("simulator-test"));
  ZelAPresenceServer m_api{"test", "client"};
};

// An action carried out is answered with 0 and ERR_NONE, a refused one with
// 1 and its reason.
PS::ActionResult ResultOf(PS::ErrorCode error) {
  return error == PS::ERR_NONE ? PS::ACTION_SUCCEEDED : PS::ACTION_NOT_CARRIED_OUT;
}

// A Read caller may query; whatever else it asks changes nothing.
TEST_F(SimulatorTest, ReadOnlyCallersMayOnlyQuery) {
  const std::string s = UniqueInproc("simulator-read-only");
  TRPCServer readOnly(s, [this](TRPC& rpc) {
    rpc.SetCallerRole(TRole::Read);
    m_simulator->Handle(rpc);
  });
  ASSERT_TRUE(readOnly.Start());
  const std::string before =
      m_simulator->Users().Find(42)->UserPresenceToString(true, true, true, ZelTUserPresence::SUMMARY_FULL);
  ZelTAddCapability add;
  add.SetUserKey(42);
  add.SetCapabilityType(ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR);
  add.SetParameter("5551234");
  const struct {
    const char* name;
    std::function<PS::ErrorCode(ZelAUserPresence&)> act;
    PS::ErrorCode error;
  } cases[] = {
      {"query", [&](auto& a) { return a.Query(s), a.GetErrorCode(); }, PS::ERR_NONE},
      {"routing state",
       [&](auto& a) { return a.SetRoutingState(s, RS::ROUTINGSTATE_WORK, 0, false), a.GetErrorCode(); },
       PS::ERR_REQUEST_UNAUTHORIZED},
      {"wrap-up",
       [&](auto& a) {
         return a.SubmitWrapup(s, "C42-2", 0, {7, 9}, 12, 3), a.GetErrorCode();
       },
       PS::ERR_REQUEST_UNAUTHORIZED},
      {"post-processing", [&](auto& a) { return a.RequestPostProcessing(s, "C42-1", 0, 4), a.GetErrorCode(); },
       PS::ERR_REQUEST_UNAUTHORIZED},
      {"add capability", [&](auto&) { return m_api.AddCapability(s, add), add.GetErrorCode(); },
       PS::ERR_REQUEST_UNAUTHORIZED},
  };
  for (const auto& c : cases) {
    ZelAUserPresence agent = AgentOf(42);
    EXPECT_EQ(c.act(agent), c.error) << c.name;
  }
  const std::optional<ZelTUserPresence> after = m_simulator->Users().Find(42);
  EXPECT_EQ(after->UserPresenceToString(true, true, true, ZelTUserPresence::SUMMARY_FULL), before);
  EXPECT_FALSE(after->GetUserCapability().GetCampaignDirectorCapability().IsEnabled());
}

TEST(SimulatorBindTest, ClearTextBeyondLoopbackOnlyWhenAllowed) {
  const struct { const char* endpoint; bool insecure; bool starts; } cases[] = {
      {"tcp://0.0.0.0:0", false, false}, {"tcp://0.0.0.0:0", true, true}, {"tcp://127.0.0.1:0", false, true}};
  for (const auto& c : cases) {
    zelsim::SimulatorOptions options;
    options.endpoint = c.endpoint;
    options.insecure = c.insecure;
    zelsim::PresenceSimulator simulator(options);
    std::string error;
    EXPECT_EQ(simulator.Start(&error), c.starts) << c.endpoint << ": " << error;
    EXPECT_EQ(error.find("refusing to serve"), c.starts ? std::string::npos : 0u) << error;
  }
}

// In order: the second add and the second remove find the first's work.
// The library sends no other type than campaign director, so that one is
// handed to the simulator as a peer would send it.
TEST_F(SimulatorTest, CapabilityIsAddedOnceAndRemovedOnce) {
  using Capability = ZelTUserCapability;
  const struct {
    bool add;
    long key;
    Capability::enCapabilityType type;
    const char* number;
    PS::ErrorCode error;
  } cases[] = {{true, 42, Capability::CAPABILITY_CAMPAIGN_DIRECTOR, "5551234", PS::ERR_NONE},
               {true, 42, Capability::CAPABILITY_CAMPAIGN_DIRECTOR, "5551234", PS::ERR_INVALID_STATE},
               {true, 43, Capability::CAPABILITY_CAMPAIGN_DIRECTOR, "", PS::ERR_INVALID_PARAMETERS},
               {true, 9999, Capability::CAPABILITY_CAMPAIGN_DIRECTOR, "1", PS::ERR_INVALID_USER},
               {true, 43, Capability::CAPABILITY_DESKTOP, "1", PS::ERR_CAPABILITY_NOT_SUPPORTED},
               {false, 42, Capability::CAPABILITY_DESKTOP, "", PS::ERR_CAPABILITY_NOT_SUPPORTED},
               {false, 42, Capability::CAPABILITY_CAMPAIGN_DIRECTOR, "", PS::ERR_NONE},
               {false, 42, Capability::CAPABILITY_CAMPAIGN_DIRECTOR, "", PS::ERR_ITEM_NOT_FOUND}};
  int step = 0;
  for (const auto& c : cases) {
    ZelTAddCapability add;
    ZelTRemoveCapability remove;
    ZelTCapabilityRequest& request = c.add ? static_cast<ZelTCapabilityRequest&>(add) : remove;
    request.SetUserKey(c.key);
    request.SetCapabilityType(c.type);
    add.SetParameter(c.number);
    ++step;
    if (c.type == Capability::CAPABILITY_CAMPAIGN_DIRECTOR) {
      EXPECT_EQ(c.add ? m_api.AddCapability(Server(), add) : m_api.RemoveCapability(Server(), remove),
                ResultOf(c.error))
          << step;
    } else {
      TRPC rpc;
      request.PackRpcCall(rpc);
      m_simulator->Handle(rpc);
      request.UnpackRpcReply(rpc);
      EXPECT_EQ(request.GetActionResult(), ResultOf(c.error)) << step;
    }
    EXPECT_EQ(request.GetErrorCode(), c.error) << step;
  }
}

// What the reply tells, the next query shows, through the client.
TEST_F(SimulatorTest, AnActionShowsInItsReplyAndTheNextQuery) {
  ZelAUserPresence agent = AgentOf(42);
  ASSERT_EQ(agent.SetRoutingState(Server(), RS::ROUTINGSTATE_WORK, 3, true), PS::ACTION_SUCCEEDED);
  ZelAUserPresence seen = AgentOf(42);
  ASSERT_EQ(seen.Query(Server()), PS::ACTION_SUCCEEDED);
  // The start time as the reply told it; the query's own mode comes back.
  EXPECT_EQ(std::make_tuple(seen.GetRoutingState().GetRoutingState(), seen.GetRoutingState().GetRoutingStateReason(),
                            seen.GetRoutingState().GetStartTime(), seen.GetRequestMode()),
            std::make_tuple(RS::ROUTINGSTATE_WORK, 3L, agent.GetRoutingState().GetStartTime(),
                            ZelTRequest::REQUESTMODE_DEFAULT));
  ZelAUserPresence other = AgentOf(43);
  other.SetUserID("agent42");
  EXPECT_EQ(other.Query(Server()), PS::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(other.GetErrorCode(), PS::ERR_INVALID_USER);
}

TEST_F(SimulatorTest, QueriesAnswerFromTheTable) {
  Query all;
  all.SetQueryType(Query::QUERYTYPE_ALL_USERS);
  const TTimeStamp before(0);
  ASSERT_EQ(m_api.QueryUsersPresence(Server(), all), PS::ACTION_SUCCEEDED);
  const TTimeStamp after(0);
  ASSERT_EQ(all.GetUsersPresence().Size(), 8);
  // Each user stamped with the time of the answer, as a query of one is.
  for (const ZelTUserPresence* user : all.GetUsersPresence().GetList()) {
    const TTimeStamp now = user->GetTickCount();
    EXPECT_TRUE(!now.IsNull() && now.MillisecondsSince1970() >= before.MillisecondsSince1970() &&
                now.MillisecondsSince1970() <= after.MillisecondsSince1970())
        << user->GetUserKey();
    // Packed from the table itself, which keeps the stamp: the record as held.
    const auto held = m_simulator->Users().Find(user->GetUserKey());
    ASSERT_TRUE(held.has_value());
    TPack sent;
    TPack kept;
    ZelTUserPresenceControl::PackQueryReply(sent, *user);
    ZelTUserPresenceControl::PackQueryReply(kept, *held);
    EXPECT_EQ(Written(sent), Written(kept)) << user->GetUserKey();
  }
  // One query object asks again and again; no earlier answer lingers.
  Query query;
  for (int type = Query::QUERYTYPE_LOGGED_ON_USERS; type < Query::QUERYTYPE_ALL_USERS; ++type) {
    std::vector<long> expected;
    for (const ZelTUserPresence* user : all.GetUsersPresence().GetList()) {
      if (type == 0 ? user->GetMediaStates().IsLoggedOn() : user->GetMediaStates().GetMediaState(type).IsLoggedOn())
        expected.push_back(user->GetUserKey());
    }
    query.SetQueryType(static_cast<Query::enQueryType>(type));
    ASSERT_EQ(m_api.QueryUsersPresence(Server(), query), PS::ACTION_SUCCEEDED);
    std::vector<long> keys;
    for (const ZelTUserPresence* user : query.GetUsersPresence().GetList()) keys.push_back(user->GetUserKey());
    EXPECT_EQ(keys, expected) << Query::QueryType_ToString(query.GetQueryType());
  }
  Query none;
  none.SetQueryType(Query::enQueryType{9});
  EXPECT_EQ(m_api.QueryUsersPresence(Server(), none), PS::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(none.GetErrorCode(), PS::ERR_INVALID_PARAMETERS);

  ZelTQueryUserMediumStatus media;
  EXPECT_EQ(m_api.QueryUserMediumStatus(Server(), media), PS::ACTION_SUCCEEDED);
  EXPECT_EQ(media.GetMediumStatus().Size(), 5);
}

// The header's version and action type are not checked: the body's action
// is the one answered. What cannot be read gets ERR_INVALID_DATA.
TEST_F(SimulatorTest, CallsAreReadByTheirBodyAndUnreadableOnesGetInvalidData) {
  struct RawClient : ZelAPresenceServer {
    using ZelAPresenceServer::SendRequest;
  } client;
  ZelAUserPresence valid = AgentOf(42);
  TRPC packed;
  valid.SetAction(ZelTUserPresence::ACTION_QUERY);
  valid.PackRpcCall(packed);
  const std::string call(packed.GetCallPointer(), packed.GetCallSize());
  // Version 12 at offset 0, action type 2 (set routing state) at offset 10.
  std::string otherHeader = call;
  otherHeader[0] = 12;
  otherHeader[10] = 2;
  const struct { const char* name; unsigned short rpcType; std::string bytes; PS::ErrorCode error; } cases[] = {
      {"version 12, header action 2", 35002, otherHeader, PS::ERR_NONE},
      {"garbage", 35002, "not a call at all", PS::ERR_INVALID_DATA},
      {"cut body", 35002, call.substr(0, call.size() - 3), PS::ERR_INVALID_DATA},
      {"trailing bytes", 35002, call + "xx", PS::ERR_INVALID_DATA},
      {"other object type", 35003, call, PS::ERR_INVALID_DATA},
      {"unknown request", 35099, call, PS::ERR_INVALID_DATA},
  };
  for (const auto& c : cases) {
    TRPC rpc;
    rpc.SetRPCType(c.rpcType);
    rpc.SetCallData(c.bytes.data(), c.bytes.size());
    ASSERT_TRUE(client.SendRequest(Server(), rpc, 2000)) << c.name;
    TMsgReplyHdr header;
    TPack reply(rpc.GetReplyPointer(), rpc.GetReplySize());
    reply >> header;
    EXPECT_EQ(std::make_tuple(header.GetReturnType(), header.GetErrorType()),
              std::make_tuple(ResultOf(c.error), c.error))
        << c.name;
    if (c.error == PS::ERR_NONE) {
      EXPECT_EQ(header.GetActionType(), ZelTUserPresence::ACTION_QUERY) << c.name;
    }
  }
  EXPECT_EQ(valid.Query(Server()), PS::ACTION_SUCCEEDED);
}

// Several callers change the same agents at once, answered on several
// handler threads: what a query shows is the table, and each agent's events
// come in the order its changes were made, each caller's in the order it
// made them, the last one telling what the table holds.
TEST(SimulatorThreadsTest, ConcurrentCallersOnSharedAgentsKeepTableAndEventsInOrder) {
  constexpr int kCallers = 4;
  constexpr int kAgents = 12;
  constexpr int kRounds = 6;
  DiagCapture quiet;
  const auto simulator = StartedSimulator(UniqueInproc("simulator-threads"), [](zelsim::SimulatorOptions& options) {
    options.agents = kAgents;
    options.handlerThreads = 4;
  });
  TEventReceiver receiver(simulator->Endpoint(), {PS::USER_ROUTING_STATE_EVENT});
  std::string error;
  ASSERT_TRUE(receiver.Start(&error)) << error;
  ASSERT_TRUE(receiver.WaitUntilSubscribed(10000));
  std::atomic<int> changes{0};
  std::vector<std::thread> callers;
  for (int caller = 0; caller < kCallers; ++caller) {
    callers.emplace_back([&, caller] {
      for (int round = 1; round <= kRounds; ++round) {
        for (long key = 42; key < 42 + kAgents; ++key) {
          ZelAUserPresence agent = AgentOf(key);
          const auto state = round % 2 ? RS::ROUTINGSTATE_AVAILABLE : RS::ROUTINGSTATE_UNAVAILABLE;
          if (agent.SetRoutingState(simulator->Endpoint(), state, round * kCallers + caller, false) ==
              PS::ACTION_SUCCEEDED)
            ++changes;
        }
      }
    });
  }
  for (std::thread& caller : callers) caller.join();
  ASSERT_GT(changes.load(), 0);
  std::map<long, std::vector<long>> told;
  TEventNotice notice;
  for (int seen = 0; seen < changes && receiver.Next(notice, 10000);) {
    if (notice.kind != TEventNotice::Kind::Event) continue;
    ZelTUserRoutingStateEvent event;
    TPack reader(notice.data.data(), static_cast<unsigned long>(notice.data.size()));
    reader >> event;
    told[event.GetUserKey()].push_back(event.GetRoutingState().GetRoutingStateReason());
    ++seen;
  }
  for (long key = 42; key < 42 + kAgents; ++key) {
    const std::optional<ZelTUserPresence> held = simulator->Users().Find(key);
    ASSERT_TRUE(held) << key;
    ZelAUserPresence queried = AgentOf(key);
    ASSERT_EQ(queried.Query(simulator->Endpoint()), PS::ACTION_SUCCEEDED) << key;
    const long reason = held->GetRoutingState().GetRoutingStateReason();
    EXPECT_EQ(std::make_tuple(queried.GetRoutingState().GetRoutingState(), queried.GetRoutingState().GetRoutingStateReason()),
              std::make_tuple(held->GetRoutingState().GetRoutingState(), reason)) << key;
    const std::vector<long>& reasons = told[key];
    if (reasons.empty()) continue;
    EXPECT_EQ(reasons.back(), reason) << key;
    std::map<long, long> lastOfCaller;
    for (const long each : reasons) {
      EXPECT_LT(lastOfCaller[each % kCallers], each) << key;
      lastOfCaller[each % kCallers] = each;
    }
  }
  std::size_t total = 0;
  for (const auto& entry : told) total += entry.second.size();
  EXPECT_EQ(total, static_cast<std::size_t>(changes.load()));
}

}  // namespace
