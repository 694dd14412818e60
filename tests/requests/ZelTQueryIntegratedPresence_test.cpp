#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "Bytes.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "Simulators.h"
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

// The action narrows to 16 bits in the header only.
TEST(ZelTQueryIntegratedPresenceTest, BodyIsExactAndRoundTrips) {
  const Query fresh;
  EXPECT_EQ(BytesOf(fresh), BytesOf(true, 1, 0, 0, 0, 3, std::string(), std::string(), 0, std::string()));
  EXPECT_EQ(std::make_tuple(fresh.GetObjectType(), fresh.GetRpcType(), fresh.GetMaxRecord()),
            std::make_tuple(35000, 35000, 3));

  Query sent = Filled();
  sent.SetAction(Query::Action{0x10002});
  TRPC rpc;
  ASSERT_EQ(sent.PackRpcCall(rpc), 0u);
  EXPECT_EQ(std::string(rpc.GetCallPointer() + 10, 2), std::string("\x02\x00", 2));
  Query received;
  received.AddRecord(PresentityOf("old"));
  ASSERT_EQ(received.UnpackRpcCall(rpc), 0u);
  EXPECT_EQ(std::make_tuple(Ids(received), received.GetUserId(), received.GetUserPassword(), received.GetAgentId(),
                            received.GetAction(), received.GetRequestMode(), received.IsCurrentRecordValid()),
            std::make_tuple(std::vector<std::string>{"a", "b"}, "supervisor", "s3cret%n", "agent-7", 0x10002,
                            ZelTRequest::REQUESTMODE_SYNC, true));
}

TEST(ZelTQueryIntegratedPresenceTest, HoldsUpToThreeRecordsWalkedWithItsCursorAndCopiedDeeply) {
  Query query;
  for (const char* id : {"a", "b", "c"}) EXPECT_TRUE(query.AddRecord(PresentityOf(id)));
  EXPECT_FALSE(query.AddRecord(PresentityOf("d")));
  EXPECT_TRUE(query.IsRecordValid(2));
  EXPECT_FALSE(query.IsRecordValid(3));
  std::string walked;
  ZelTPresentity out;
  for (query.GoToFirstRecord(); query.GetCurrentRecord(out); query.GoToNextRecord()) walked += out.GetPresenceId();
  EXPECT_EQ(walked, "abc");
  EXPECT_FALSE(query.IsCurrentRecordValid());

  const Query original = Filled();
  Query copy(original);
  Query assigned;
  assigned = original;
  copy.ClearList();
  EXPECT_EQ(Ids(original), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(std::make_tuple(assigned.GetUserPassword(), assigned.GetRequestMode(), copy.GetMaxRecord()),
            std::make_tuple("s3cret%n", ZelTRequest::REQUESTMODE_SYNC, 3));
}

TEST(ZelTQueryIntegratedPresenceTest, AnsweredOrFailedThePasswordStaysOutOfDiagnostics) {
  DiagCapture diag("INFO,WARN,SEVR,FENX,EVNT,RQST,CAFL,PRGM");
  const auto simulator = StartedSimulator(UniqueInproc("query-integrated-presence"));

  ZelAPresenceServer api("test", "local");
  Query query = Filled();
  EXPECT_EQ(api.QueryIntegratedPresence(simulator->Endpoint(), query), PS::ACTION_SUCCEEDED);
  EXPECT_EQ(query.GetErrorCode(), PS::ERR_NONE);
  EXPECT_EQ(Ids(query), (std::vector<std::string>{"a", "b"})) << "the query comes back as sent";
  simulator->Stop();
  Query unanswered = Filled();
  api.QueryIntegratedPresence(simulator->Endpoint(), unanswered);

  bool sawQuery = false;
  for (const auto& line : diag.Lines()) {
    EXPECT_EQ(line.text.find("s3cret"), std::string::npos) << line.text;
    sawQuery = sawQuery || line.text.find("supervisor") != std::string::npos;
  }
  EXPECT_TRUE(sawQuery) << "the simulator reports the query it answered";
}

}  // namespace
