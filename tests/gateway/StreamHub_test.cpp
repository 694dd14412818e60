// The stream ids, the journal a reconnecting stream resumes from, and the
// hub that hands changes to streams, on a clock the tests move.

#include "StreamHub.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zelclnt/platform/TClock.h"

namespace {

using namespace std::chrono_literals;
using zelgw::StreamHub;
using zelgw::StreamId;

TEST(StreamIdTest, IdsReadBackExactlyAndNothingElse) {
  const struct { std::string text; bool valid; } cases[] = {
      {"7-1234", true},          {"7-0", true},         {"7-1234.2", true},
      {"18446744073709551615-18446744073709551615.18446744073709551615", true},
      {"", false},               {"7", false},          {"7-", false},        {"-7-1", false},
      {"07-1", false},           {"7-01", false},       {"7-1.0", false},     {"7-1.", false},
      {"7-1.x", false},          {"0-5", false},        {"7-1 ", false},      {"+7-1", false},
      {"7-1-2", false},          {"18446744073709551616-1", false},
  };
  for (const auto& c : cases) {
    StreamId id;
    EXPECT_EQ(StreamId::Parse(c.text, id), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(id.ToString(), c.text);
    }
  }
}

struct Recorder : zelgw::StreamSink {
  std::vector<std::string> got;
  void Offer(const zelgw::StreamEntry& entry) override { got.push_back(entry.id.ToString()); }
  void Notice(const std::shared_ptr<const std::string>& frame) override { got.push_back(*frame); }
  void Reload(const std::string&) override { got.push_back("reload"); }
};

void Publish(StreamHub& hub, std::uint64_t incarnation, std::uint64_t position, long user = 42) {
  hub.Publish({incarnation, position}, user, 1, [](const StreamId& id) { return id.ToString(); });
}

std::string Resumed(StreamHub& hub, const std::string& from) {
  StreamId id;
  EXPECT_TRUE(StreamId::Parse(from, id)) << from;
  auto sink = std::make_shared<Recorder>();
  const StreamHub::Subscription subscription = hub.Subscribe(sink, id);
  hub.Unsubscribe(sink.get());
  if (subscription.opening == StreamHub::Opening::Gone) return "gone";
  std::string ids;
  for (const auto& entry : subscription.missed) ids += (ids.empty() ? "" : " ") + entry.id.ToString();
  return ids;
}

// Resuming sends exactly what followed; what the journal no longer covers,
// by count, by age, by another life or by a join after a loss, is gone.
TEST(StreamHubTest, AStreamResumesWithinTheJournalAndIsToldToReloadBeyondIt) {
  TManualClock clock;
  TScopedClock scope(clock);
  StreamHub hub({3, 60s, 15s});
  hub.Joined({7, 100}, false);
  Publish(hub, 7, 101);
  Publish(hub, 7, 101);  // a user queried again while the mirror stood at 101
  Publish(hub, 7, 105);
  const struct { std::string from; std::string expected; } held[] = {
      {"7-100", "7-101 7-101.1 7-105"}, {"7-101", "7-101.1 7-105"}, {"7-101.1", "7-105"}, {"7-103", "7-105"},
      {"7-105", ""},                    {"7-99", "gone"},           {"8-101", "gone"},    {"7-106", "gone"},
  };
  for (const auto& c : held) EXPECT_EQ(Resumed(hub, c.from), c.expected) << c.from;

  Publish(hub, 7, 106);  // the fourth: the first is evicted
  EXPECT_EQ(Resumed(hub, "7-100"), "gone");
  EXPECT_EQ(Resumed(hub, "7-101"), "7-101.1 7-105 7-106");
  clock.Advance(61s);
  hub.Tick();
  EXPECT_EQ(Resumed(hub, "7-105"), "gone");
  EXPECT_EQ(Resumed(hub, "7-106"), "");
  hub.Joined({7, 200}, true);
  EXPECT_EQ(Resumed(hub, "7-106"), "gone");
  EXPECT_EQ(Resumed(hub, "7-200"), "");
}

// The mirror's status reaches open streams at once and later ones after
// their first bytes.
TEST(StreamHubTest, SubscribersGetEachLaterChangeOnceAHeartbeatWhenIdleTheStatusAndAReloadWhenTheMirrorJoinsAgain) {
  TManualClock clock;
  TScopedClock scope(clock);
  StreamHub hub({100, 60s, 15s});
  auto early = std::make_shared<Recorder>();
  EXPECT_EQ(hub.Subscribe(early, std::nullopt).opening, StreamHub::Opening::NotReady);
  EXPECT_EQ(hub.Subscribers(), 0u);
  hub.Joined({7, 100}, false);
  hub.Status("live");
  Publish(hub, 7, 101);
  auto sink = std::make_shared<Recorder>();
  const StreamHub::Subscription subscription = hub.Subscribe(sink, std::nullopt);
  EXPECT_EQ(subscription.opening, StreamHub::Opening::Snapshot);
  EXPECT_EQ(subscription.at.ToString(), "7-101");
  EXPECT_EQ(*subscription.status, "live");
  Publish(hub, 7, 102);
  clock.Advance(14s);
  hub.Tick();
  hub.Status("stale");
  clock.Advance(1s);
  hub.Tick();
  EXPECT_EQ(*hub.Subscribe(std::make_shared<Recorder>(), std::nullopt).status, "stale");
  // A change of another life reloads at once, before the join says so.
  Publish(hub, 9, 5);
  EXPECT_EQ(sink->got, (std::vector<std::string>{"7-102", "stale", ": heartbeat\n\n", "reload"}));
  EXPECT_EQ(hub.Subscribers(), 0u);
  auto later = std::make_shared<Recorder>();
  hub.Subscribe(later, std::nullopt);
  hub.Joined({9, 5}, true);
  EXPECT_EQ(later->got, std::vector<std::string>{"reload"});
  EXPECT_TRUE(early->got.empty());
}

}  // namespace
