#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"

#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"
#include "DiagCapture.h"
#include "PresenceSimulator.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/platform/TRPC.h"

namespace {

using PS = ZelTPresenceServer;
using Query = ZelTQueryIntegratedPresence;

ZelTPresentity PresentityOf(const std::string& id) {
  ZelTPresentity presentity;
  presentity.SetPresenceId(id);
  presentity.SetZorbUserName("user-" + id);
  presentity.SetExtension("ext-" + id);
  return presentity;
}

Query Filled() {
  Query query;
  query.AddRecord(PresentityOf("a"));
  query.AddRecord(PresentityOf("b"));
  query.SetUserId("supervisor");
  query.SetUserPassword("s3cret%n");
  query.SetAgentId("agent-7");
  query.SetAction(Query::Action{5});
  query.SetRequestMode(ZelTRequest::REQUESTMODE_SYNC);
  return query;
}

std::vector<std::string> Ids(const Query& query) {
  std::vector<std::string> ids;
  for (const ZelTPresentity* presentity : query.GetList()) ids.push_back(presentity->GetPresenceId());
  return ids;
}

std::string Body(const Query& query) {
  TPack pack;
  pack << query;
  return Written(pack);
}

TEST(ZelTQueryIntegratedPresenceTest, FreshQueryBody) {
  const Query query;
  TPack expected;
  expected << true << 1 << 0 << 0 << 0 << 3 << std::string() << std::string() << 0 << std::string();
  EXPECT_EQ(Body(query), Written(expected));
  EXPECT_EQ(query.GetObjectType(), 35000);
  EXPECT_EQ(query.GetRpcType(), 35000);
  EXPECT_EQ(query.GetDefaultRpcTimeout(), 60000u);
  EXPECT_EQ(query.GetMaxRecord(), 3);
}

TEST(ZelTQueryIntegratedPresenceTest, BodyRoundTripsAndActionNarrowsInHeader) {
  Query sent = Filled();
  sent.SetAction(Query::Action{0x10002});
  TRPC rpc;
  ASSERT_EQ(sent.PackRpcCall(rpc), 0u);
  EXPECT_EQ(std::string(rpc.GetCallPointer() + 10, 2), std::string("\x02\x00", 2));

  Query received;
  received.AddRecord(PresentityOf("old"));
  ASSERT_EQ(received.UnpackRpcCall(rpc), 0u);
  EXPECT_EQ(Ids(received), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(received.GetUserPassword(), "s3cret%n");
  EXPECT_EQ(received.GetAgentId(), "agent-7");
  EXPECT_EQ(received.GetAction(), Query::Action{0x10002});
  EXPECT_EQ(received.GetRequestMode(), ZelTRequest::REQUESTMODE_SYNC);
  EXPECT_TRUE(received.IsCurrentRecordValid());
}

TEST(ZelTQueryIntegratedPresenceTest, BodyEndingBeforeTheActionLeavesIt) {
  const std::string body = Body(Filled());
  const std::size_t tail = 4 + 4 + std::string("agent-7").size();
  for (const std::size_t cut : {body.size() - tail, body.size() - tail + 3}) {
    Query query;
    query.SetAction(Query::Action{9});
    TPack reader(body.data(), static_cast<unsigned long>(cut));
    reader >> query;
    EXPECT_EQ(query.GetAction(), Query::Action{9}) << cut;
    EXPECT_EQ(query.GetUserPassword(), "s3cret%n") << cut;
    EXPECT_EQ(query.GetAgentId(), "") << cut;
  }
}

TEST(ZelTQueryIntegratedPresenceTest, RecordsAndCursor) {
  Query query;
  ZelTPresentity out = PresentityOf("untouched");
  EXPECT_FALSE(query.GetCurrentRecord(out));
  EXPECT_EQ(out.GetPresenceId(), "untouched");
  for (const char* id : {"a", "b", "c"}) EXPECT_TRUE(query.AddRecord(PresentityOf(id)));
  EXPECT_FALSE(query.AddRecord(PresentityOf("d")));
  EXPECT_EQ(Ids(query), (std::vector<std::string>{"a", "b", "c"}));

  const struct {
    unsigned int index;
    bool valid;
  } indices[] = {{0, true}, {2, true}, {3, false}, {4, false}};
  for (const auto& c : indices) EXPECT_EQ(query.IsRecordValid(c.index), c.valid) << c.index;

  std::string walked;
  for (query.GoToFirstRecord(); query.IsCurrentRecordValid(); query.GoToNextRecord()) {
    ASSERT_TRUE(query.GetCurrentRecord(out));
    walked += out.GetPresenceId();
  }
  EXPECT_EQ(walked, "abc");
  EXPECT_FALSE(query.GetCurrentRecord(out));
  EXPECT_EQ(out.GetPresenceId(), "c");
}

TEST(ZelTQueryIntegratedPresenceTest, CopiesAreIndependent) {
  const Query original = Filled();
  Query copy(original);
  Query assigned;
  assigned = original;
  copy.ClearList();
  assigned.GetItem(PresentityOf("a"))->SetExtension("changed");
  EXPECT_EQ(Ids(original), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(original.GetItem(PresentityOf("a"))->GetExtension(), "ext-a");
  EXPECT_EQ(assigned.GetUserPassword(), "s3cret%n");
  EXPECT_EQ(assigned.GetRequestMode(), ZelTRequest::REQUESTMODE_SYNC);
  EXPECT_EQ(copy.GetMaxRecord(), 3);
}

TEST(ZelTQueryIntegratedPresenceTest, RoundTripThroughTheSimulatorKeepsThePasswordOutOfDiagnostics) {
  DiagCapture diag("INFO,WARN,SEVR,FENX,EVNT,RQST,CAFL,PRGM");
  zelsim::SimulatorOptions options;
  options.endpoint = "inproc://query-integrated-presence-test";
  zelsim::PresenceSimulator simulator(options);
  ASSERT_TRUE(simulator.Start());

  ZelAPresenceServer api("test", "local");
  Query query = Filled();
  query.SetActionResult(PS::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(api.QueryIntegratedPresence(simulator.Endpoint(), query), PS::ACTION_SUCCEEDED);
  EXPECT_EQ(query.GetAction(), Query::Action{1});
  EXPECT_EQ(query.GetErrorCode(), PS::ERR_NONE);
  EXPECT_EQ(Ids(query), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(query.GetUserId(), "supervisor");
  EXPECT_EQ(query.GetAgentId(), "agent-7");
  simulator.Stop();

  bool sawQuery = false;
  for (const auto& line : diag.Lines()) {
    EXPECT_EQ(line.text.find("s3cret"), std::string::npos) << line.text;
    sawQuery = sawQuery || line.text.find("supervisor") != std::string::npos;
  }
  EXPECT_TRUE(sawQuery) << "the simulator reports the query it answered";
}

}  // namespace
