#include "StoreComparison.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

ZelTUserPresence User(long userKey, long reason) {
  ZelTUserPresence user;
  user.SetUserKey(userKey);
  user.SetUserID("agent" + std::to_string(userKey));
  user.SetRoutingStateReason(reason);
  return user;
}

void Hold(ZelTUserStore& store, const ZelTUserPresence& user, std::uint64_t position) {
  ZelTUserStore::Record record = zelclnt::detail::NewElement<ZelTUserPresence>("test");
  *record = user;
  ASSERT_TRUE(store.Put(std::move(record), {7, position}));
}

// A user the server changed after the query is not held against it; every
// other difference is named, by user and part, or by the side that lacks
// the user.
TEST(StoreComparisonTest, NamesWhatDiffersAndLeavesOutWhatChangedSince) {
  ZelTUserStore store;
  ZelTStdListPointerColl<ZelTUserPresence> queried;
  for (const long userKey : {46L, 42L, 43L, 44L}) queried.PushBack(User(userKey, 1));
  Hold(store, User(42, 1), 90);
  Hold(store, User(43, 2), 100);
  Hold(store, User(44, 2), 101);
  Hold(store, User(45, 1), 10);
  const zelsim::StoreComparison atQuery = zelsim::CompareStore(store, queried, {7, 100});
  EXPECT_EQ(atQuery.compared, 2u);
  EXPECT_EQ(atQuery.changedSince, 1u);
  EXPECT_EQ(atQuery.differences,
            (std::vector<std::string>{"user 43: routing state", "user 45: not on the server", "user 46: not held"}));
  const zelsim::StoreComparison otherLife = zelsim::CompareStore(store, queried, {8, 1});
  EXPECT_EQ(otherLife.changedSince, 0u) << "positions of another incarnation say nothing of order";
  EXPECT_EQ(otherLife.differences.size(), 4u);
}

}  // namespace
