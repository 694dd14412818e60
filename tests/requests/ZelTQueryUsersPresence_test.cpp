#include "zelclnt/requests/ZelTQueryUsersPresence.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "AgentSeeder.h"
#include "Bytes.h"
#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TRPC.h"

namespace {

using PS = ZelTPresenceServer;
using Query = ZelTQueryUsersPresence;
using User = ZelTUserPresence;

Query Answered(const std::vector<User>& users) {
  Query query;
  query.SetAction(Query::ACTION_QUERY);
  query.SetQueryType(Query::QUERYTYPE_ALL_USERS);
  query.SetActionResult(PS::ACTION_SUCCEEDED);
  for (const User& user : users) query.GetUsersPresence().PushBack(user);
  return query;
}

std::vector<long> Keys(const Query& query) {
  std::vector<long> keys;
  for (const User* user : query.GetUsersPresence().GetList()) keys.push_back(user->GetUserKey());
  return keys;
}

TEST(ZelTQueryUsersPresenceTest, CallsCarryTheHeadAndTheQueryTypeOnlyAndCopiesAreDeep) {
  Query query = Answered(zelsim::SeedAgents(2, 1));
  TRPC again;
  ASSERT_EQ(query.PackRpcCall(again), 0u);
  EXPECT_EQ(std::string(again.GetCallPointer() + TMsgRequestHdr::kSize, again.GetCallSize() - TMsgRequestHdr::kSize),
            BytesOf(true, 1, 0, 0, 1, 6)) << "sent again after a success, a query carries no users back";
  EXPECT_EQ(query.GetActionResult(), PS::ACTION_SUCCEEDED);
  query.SetActionResult(PS::ACTION_NOT_CARRIED_OUT);
  EXPECT_EQ(Body(query), BytesOf(true, 1, 0, 0, 1, 6));

  query.SetAction(Query::ACTION_NONE);
  query.SetActionResult(PS::ACTION_SUCCEEDED);
  const std::string headOnly = Body(query);
  EXPECT_EQ(headOnly, BytesOf(query));
  ReadBody(headOnly, query);
  EXPECT_EQ(query.GetUsersPresence().Size(), 2) << "action 0 leaves the list";

  Query copy(query);
  copy.GetUsersPresence().Clear();
  EXPECT_EQ(Keys(query), (std::vector<long>{42, 43}));
  EXPECT_EQ(copy.GetQueryType(), Query::QUERYTYPE_ALL_USERS);
}

// Each record travels as key, id and then a successful Query reply of its
// own: what a copy with action 1 and result 0 would pack.
TEST(ZelTQueryUsersPresenceTest, ReplyRoundTripsEveryRecordAndCountsBoundOnlyTheReading) {
  std::vector<User> users = zelsim::SeedAgents(3, 5);
  users[1].SetAction(User::ACTION_SET_RECOVERY_MODE);
  Query sent = Answered(users);
  const std::string wire = Body(sent);
  // The head and the count; each record then opens with its key and id and
  // the common part, action 1 and key and id of a successful Query reply.
  const auto recordStart = [](long key) {
    const std::string id = "agent" + std::to_string(key);
    return BytesOf(key, id) + BytesOf(true, 0, 0, 0, 1, key, id);
  };
  const std::string start = BytesOf(true, 0, 0, 0, 1, 6, 3) + recordStart(42);
  ASSERT_EQ(wire.substr(0, start.size()), start);
  EXPECT_NE(wire.find(recordStart(43)), std::string::npos) << "the record set to recovery mode goes as a query";
  EXPECT_NE(wire.find(recordStart(44)), std::string::npos);
  EXPECT_EQ(sent.GetUsersPresence().GetList().front()->GetActionResult(), PS::ACTION_NOT_CARRIED_OUT)
      << "the records held keep their own result";

  Query received;
  ReadBody(wire, received);
  EXPECT_EQ(Keys(received), (std::vector<long>{42, 43, 44}));
  EXPECT_FALSE(received.GetUsersPresence().IsCurrentValid()) << "the cursor waits for First()";
  for (const User* user : received.GetUsersPresence().GetList())
    EXPECT_EQ(std::make_pair(user->GetAction(), user->GetActionResult()),
              std::make_pair(User::ACTION_QUERY, PS::ACTION_SUCCEEDED));
  EXPECT_EQ(Body(received), wire);

  Query two = Answered(zelsim::SeedAgents(2, 1));
  const std::string records = Body(two).substr(BytesOf(two).size() + 8);
  const struct { int count, maxSize, kept; } cases[] = {
      {2, 0, 2}, {INT_MAX, 0, 2}, {1, 0, 1}, {0, 0, 0}, {-1, 0, 0}, {2, 1, 1}};
  for (const auto& c : cases) {
    Query query = Answered(zelsim::SeedAgents(1, 9));
    query.GetUsersPresence().SetMaxSize(c.maxSize);
    ReadBody(BytesOf(true, 1, 0, 0, 1, 6, c.count) + records, query);
    EXPECT_EQ(query.GetUsersPresence().Size(), c.kept) << c.count << "/" << c.maxSize;
  }
}

}  // namespace
