#include "TopView.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ZelTUserPresenceControl.h"

namespace {

using Routing = ZelTRoutingState;
using Change = ZelTPresenceChange;
using zelctl::TopStatus;

constexpr std::int64_t kNow = 1700000000000;
constexpr std::int64_t kNoStart = -1;

struct Agent {
  long userKey;
  std::string userId;
  int state;
  std::int64_t sinceMs;
  std::vector<std::pair<long, enMediaState>> media;
};

ZelTUserPresence Made(const Agent& agent) {
  ZelTUserPresence user;
  user.SetUserKey(agent.userKey);
  user.SetUserID(agent.userId);
  Routing& routing = ZelTUserPresenceControl::RoutingState(user);
  routing.SetRoutingState(static_cast<Routing::enRoutingState>(agent.state));
  routing.SetStartTime(agent.sinceMs == kNoStart ? TTimeStamp(1) : TTimeStamp::FromMilliseconds(agent.sinceMs, true));
  for (const auto& [medium, state] : agent.media) {
    ZelTMediaState media;
    media.media = medium;
    media.state = state;
    if (!ZelTUserPresenceControl::MediaStates(user).UpdateMediaState(media))
      ZelTUserPresenceControl::MediaStates(user).AddMediaState(media);
  }
  return user;
}

// Ties in time go by key; a hostile user id reaches no terminal; logged
// off, unknown and unstarted agents are counted but never the longest; a
// user logged on to two open media counts once for them.
TEST(TopViewTest, CountsChoosesTheLongestAndFormats) {
  const std::vector<Agent> agents = {
      {42, "agent42", Routing::ROUTINGSTATE_WORK, kNow - 3723000, {{1, MEDIASTATE_LOGON}}},
      {43, "agent43", Routing::ROUTINGSTATE_UNAVAILABLE, kNow - 3723000,
       {{3, MEDIASTATE_AVAILABLE}, {5, MEDIASTATE_LOGOFF}, {7, MEDIASTATE_DND}}},
      {44, "agent\x1b[2Jevil-with-a-long-name", Routing::ROUTINGSTATE_AVAILABLE, kNow - 90000000,
       {{4, MEDIASTATE_LOGON}}},
      {45, "agent45", Routing::ROUTINGSTATE_LOGOFF, kNow - 900000000, {{1, MEDIASTATE_UNKNOWN}}},
      {46, "agent46", Routing::ROUTINGSTATE_AVAILABLE, kNoStart, {{2, MEDIASTATE_LOGON}}},
      {47, "agent47", 9, kNow - 990000000, {{1, MEDIASTATE_DND}}},
      {48, "agent48", Routing::ROUTINGSTATE_AVAILABLE, kNow + 5000, {}},
  };
  const std::vector<std::string> totals = {
      "Agents 7, logged on 5",
      "Routing state   Available 3   Unavailable 1   Work 1   Logoff 1   Unknown 1",
      "Logged on to    Voice 2   Callback 1   Email 1   Web Chat 1   OpenMedia 1",
  };
  const std::string header = "  Key         User id              State         For";
  const std::string evil = "  44          agent?[2Jevil-with-a Available     25:00:00";
  const std::string work = "  42          agent42              Work          1:02:03";
  const std::string unavailable = "  43          agent43              Unavailable   1:02:03";
  const std::string future = "  48          agent48              Available     0:00:00";
  const TopStatus live{true, {7, 1234}, 1980.4, 120, 1, true};
  const TopStatus behind{true, {7, 99}, 0, 0, 0, false};
  const struct {
    const char* name;
    std::vector<Agent> agents;
    std::size_t rows;
    TopStatus status;
    std::vector<std::string> lines;
  } cases[] = {
      {"nothing held yet",
       {},
       3,
       TopStatus{},
       {"Agents 0, logged on 0", "Routing state   Available 0   Unavailable 0   Work 0   Logoff 0",
        "Logged on to    Voice 0   Callback 0   Email 0   Web Chat 0   OpenMedia 0",
        "Longest in their routing state: none", "Joining: subscribing to the server's events and querying its users"}},
      {"room for all",
       agents,
       5,
       live,
       {totals[0], totals[1], totals[2], "Longest in their routing state", header, evil, work, unavailable, future,
        "Position 1234, 1980 events/s, 120 replayed, 1 resyncs, current"}},
      {"room for two",
       agents,
       2,
       behind,
       {totals[0], totals[1], totals[2], "Longest in their routing state", header, evil, work,
        "Position 99, 0 events/s, 0 replayed, 0 resyncs, catching up"}},
      {"no room",
       agents,
       0,
       behind,
       {totals[0], totals[1], totals[2], "Position 99, 0 events/s, 0 replayed, 0 resyncs, catching up"}},
  };
  for (const auto& c : cases) {
    zelctl::TopTally tally(c.rows);
    for (const Agent& agent : c.agents) tally.Add(Made(agent));
    EXPECT_EQ(tally.Lines(c.status, kNow), c.lines) << c.name;
  }
}

TEST(TopViewTest, NoticeLines) {
  const struct { Change::enKind kind; Change::enSyncCause cause; std::string line; } cases[] = {
      {Change::CHANGE_SYNCED, Change::SYNC_FIRST, ""},
      {Change::CHANGE_SYNCED, Change::SYNC_RESTARTED,
       "-- resynchronised after the server restarted: its users were queried again"},
      {Change::CHANGE_SYNCED, Change::SYNC_LOST,
       "-- resynchronised after events were lost beyond what the server still held: its users were queried again"},
      {Change::CHANGE_SYNCED, Change::SYNC_SWITCHED,
       "-- another server serves: resynchronised from it, its users were queried"},
      {Change::CHANGE_LINK_DOWN, Change::SYNC_FIRST,
       "-- events connection lost; what is missed is asked for again once it is back"},
      {Change::CHANGE_LINK_UP, Change::SYNC_FIRST, "-- events connection back; the events missed meanwhile follow"},
      {Change::CHANGE_REFUSED, Change::SYNC_FIRST,
       "-- the server refused this client's keys: no events until they are right"},
      {Change::CHANGE_TWO_SERVING, Change::SYNC_FIRST,
       "-- two servers serve at once: the one under the lower term stands by, and what it changed since the other "
       "took over is lost"},
      {Change::CHANGE_USER, Change::SYNC_FIRST, ""},
  };
  for (const auto& c : cases) {
    Change change;
    change.kind = c.kind;
    change.syncCause = c.cause;
    EXPECT_EQ(zelctl::TopNoticeLine(change), c.line) << Change::ToString(c.kind);
  }
}

}  // namespace
