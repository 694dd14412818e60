#include "StaleUsers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <tuple>

namespace {

using zelclnt::mirror::StaleUsers;
using std::chrono::milliseconds;

// The user due first is found whatever was added, postponed, settled or
// erased since: a user's old due time must never bring it back early.
TEST(StaleUsersTest, TheUserDueFirstFollowsEveryChange) {
  const TClock::time_point t0 = TClock::time_point() + std::chrono::seconds(1);
  StaleUsers stale;
  const auto next = [&](milliseconds at) {
    const std::optional<long> due = stale.DueBy(t0 + at);
    return std::make_tuple(due.value_or(0), stale.Earliest() - t0, stale.Size());
  };
  stale.Mark(1, 0b01, t0 + milliseconds(30));
  stale.Mark(2, 0b10, t0 + milliseconds(10)).userId = "agent2";
  stale.Mark(3, 0b01, t0 + milliseconds(20));
  // Marked again: more parts, the same due time and user id.
  stale.Mark(2, 0b01, t0 + milliseconds(99));
  EXPECT_EQ(std::make_tuple(stale.Find(2)->parts, stale.Find(2)->userId), std::make_tuple(0b11u, std::string("agent2")));
  EXPECT_EQ(next(milliseconds(9)), std::make_tuple(0L, milliseconds(10), std::size_t{3}));
  EXPECT_EQ(next(milliseconds(10)), std::make_tuple(2L, milliseconds(10), std::size_t{3}));
  stale.Postpone(2, t0 + milliseconds(50));
  EXPECT_EQ(next(milliseconds(25)), std::make_tuple(3L, milliseconds(20), std::size_t{3}));
  stale.Settle(3, 0b01);
  stale.Settle(1, 0b10);
  EXPECT_EQ(std::make_tuple(stale.Find(3), stale.Find(1)->parts), std::make_tuple(nullptr, 0b01u));
  EXPECT_EQ(next(milliseconds(25)), std::make_tuple(0L, milliseconds(30), std::size_t{2}));
  stale.Erase(1);
  EXPECT_EQ(next(milliseconds(49)), std::make_tuple(0L, milliseconds(50), std::size_t{1}));
  stale.Clear();
  EXPECT_EQ(std::make_tuple(stale.Empty(), stale.DueBy(TClock::time_point::max()), stale.Earliest()),
            std::make_tuple(true, std::optional<long>(), TClock::time_point::max()));
}

}  // namespace
