// zelctl's history and replay: the times they take, and what they read from
// a real nats-server that a bridge over the simulator writes to, against
// the events the simulator published. Waits are in real time, each up to a
// generous bound.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Churner.h"
#include "Endpoints.h"
#include "Eventually.h"
#include "JetStream.h"
#include "NatsServer.h"
#include "PresenceSimulator.h"
#include "Published.h"
#include "RunningBridge.h"
#include "Subjects.h"
#include "TimeArguments.h"
#include "Watch.h"
#include "ZelctlRun.h"

namespace {

constexpr std::int64_t kSecond = 1000LL * 1000 * 1000;

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Local time is UTC while it lives, so that times of day read the same
// everywhere.
class UtcZone {
 public:
  UtcZone() {
    const char* zone = std::getenv("TZ");
    if (zone) m_saved = zone;
    m_had = zone != nullptr;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  ~UtcZone() {
    if (m_had)
      setenv("TZ", m_saved.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string m_saved;
  bool m_had = false;
};

TEST(HistoryTimeTest, ReadsEveryFormOfTimeAndRefusesTheRest) {
  const UtcZone utc;
  // 2026-12-09T12:00:00Z
  const std::int64_t now = 1796817600LL * kSecond;
  const std::int64_t hour = 3600 * kSecond;
  const struct { const char* since; const char* until; std::int64_t sinceNs; std::int64_t untilNs; } kRead[] = {
      {"1h", "", now - hour, 0},
      {"1h30m", "90s", now - hour * 3 / 2, now - 90 * kSecond},
      {"2d", "", now - 48 * hour, 0},
      {"10:00", "10:05", now - 2 * hour, now - 2 * hour + 300 * kSecond},
      {"13:00", "", now - 23 * hour, 0},
      {"23:50", "00:10", now - 12 * hour - 600 * kSecond, now - 12 * hour + 600 * kSecond},
      {"10:00:30.25", "", now - 2 * hour + 30 * kSecond + kSecond / 4, 0},
      {"2026-12-09T10:00:00Z", "2026-12-09T11:00:00+01:00", now - 2 * hour, now - 2 * hour},
      {"2026-12-09 10:00", "2026-12-09T12:30:00-0030", now - 2 * hour, now + hour},
      {"2026-12-09", "2026-12-10", now - 12 * hour, now + 12 * hour},
  };
  for (const auto& c : kRead) {
    std::string error;
    const auto window = zelctl::ParseWindow(c.since, c.until, now, &error);
    if (c.untilNs != 0 && c.untilNs <= c.sinceNs) {
      EXPECT_FALSE(window) << c.since << " " << c.until;
      EXPECT_NE(error.find("is not after --since"), std::string::npos) << error;
      continue;
    }
    ASSERT_TRUE(window) << c.since << ": " << error;
    EXPECT_EQ(window->sinceNs, c.sinceNs) << c.since;
    EXPECT_EQ(window->untilNs, c.untilNs) << c.until;
  }
  const char* kRefused[] = {"", "25:00", "10:60", "2026-02-29T10:00", "2026-13-01", "1x", "h", "yesterday",
                            "2026-12-09T10:00:00+25:00", "999999999d", "10:00Z", "1969-12-31"};
  for (const char* text : kRefused) {
    std::string error;
    EXPECT_FALSE(zelctl::ParseWindow(text, "", now, &error)) << text;
    EXPECT_EQ(error, "--since \"" + std::string(text) +
                         "\" is not a time: give a span back from now (90s, 5m, 1h, 2d), a time of day (10:00, "
                         "10:00:30) or a date and time (2026-12-09T10:00:00, local unless it ends in Z or an "
                         "offset such as +01:00)");
  }
  EXPECT_EQ(zelctl::UtcTimeText(now + kSecond / 4), "2026-12-09T12:00:00.250Z");
  EXPECT_EQ(zelctl::LocalTimeText(now), "2026-12-09 12:00:00.000");

  // Refused before anything is read: no NATS server is asked.
  const Ran ran = Zelctl({"replay", "--since", "25:00", "--nats", "nats://127.0.0.1:1"});
  EXPECT_EQ(ran.status, 2);
  EXPECT_NE(ran.err.find("zelctl: --since \"25:00\" is not a time"), std::string::npos) << ran.err;
}

class HistoryNatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!m_nats.Available()) GTEST_SKIP() << "nats-server is not installed";
    ASSERT_TRUE(m_nats.Start());
    zelsim::SimulatorOptions options;
    options.endpoint = UniqueInproc("history");
    m_simulator = std::make_unique<zelsim::PresenceSimulator>(options);
    ASSERT_TRUE(m_simulator->Start());
    m_bridge = std::make_unique<RunningBridge>(m_nats.Url(), m_simulator->Endpoint(), "east");
    m_published = std::make_unique<Published>(m_simulator->Endpoint());
    ASSERT_TRUE(m_published->Start());
    zelbridge::NatsOptions nats;
    nats.url = m_nats.Url();
    std::string error;
    ASSERT_TRUE(m_reader.Connect(nats, &error)) << error;
  }
  // Makes changes and waits until the stream holds every event published.
  void Churn(int changes) {
    Churner(m_simulator->Endpoint()).Make(changes);
    const bool held = Eventually([&] {
      const std::vector<Written> events = m_published->Events();
      std::string error;
      const auto last = m_reader.LastOf(zelbridge::ServerFilter("east"), &error);
      const std::string* at = last ? last->Find(zelbridge::kPositionHeader) : nullptr;
      return !events.empty() && at && *at == std::to_string(events.back().position);
    });
    ASSERT_TRUE(held);
  }
  Ran Read(std::vector<std::string> args) {
    args.insert(args.end(), {"--nats", m_nats.Url(), "--nats-name", "east"});
    return Zelctl(args);
  }
  // Every message of the stream stored within [since, until).
  std::vector<zelbridge::StoredMessage> Stored(std::int64_t since, std::int64_t until) {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    std::string error;
    std::vector<zelbridge::StoredMessage> held;
    EXPECT_TRUE(m_reader.Bounds(first, last, &error)) << error;
    for (std::uint64_t sequence = first; last != 0 && sequence <= last; ++sequence) {
      const auto message = m_reader.Read(sequence, &error);
      if (message && message->storedNs >= since && message->storedNs < until) held.push_back(*message);
    }
    return held;
  }

  NatsServer m_nats;
  std::unique_ptr<zelsim::PresenceSimulator> m_simulator;
  std::unique_ptr<RunningBridge> m_bridge;
  std::unique_ptr<Published> m_published;
  zelbridge::JetStream m_reader;
};

std::vector<std::string> Positions(const std::vector<std::string>& lines) {
  std::vector<std::string> positions;
  for (const std::string& line : lines) positions.push_back(nlohmann::json::parse(line).value("position", "none"));
  return positions;
}

// One user's events, from an hour back (before the stream began), as
// watch prints them after the time JetStream stored each, in order.
TEST_F(HistoryNatsTest, HistoryOfOneUserIsWhatTheServerPublishedAboutThem) {
  Churn(200);
  std::vector<std::string> lines;
  std::vector<std::string> positions;
  for (const Written& event : m_published->Events()) {
    if (event.user != 42) continue;
    TEventNotice notice;
    notice.eventType = event.type;
    notice.userKey = event.user;
    notice.incarnation = event.incarnation;
    notice.position = event.position;
    notice.data = event.data;
    lines.push_back(zelctl::NoticeLine(notice, "", false, 0));
    positions.push_back(std::to_string(event.incarnation) + "-" + std::to_string(event.position));
  }
  ASSERT_GT(lines.size(), 5u);

  Ran ran = Read({"history", "--user", "42", "--since", "1h"});
  ASSERT_EQ(ran.status, 0) << ran.err;
  std::vector<std::string> shown = Lines(ran.out);
  // "2026-12-09 10:00:01.234 " first.
  for (std::string& line : shown) line = line.size() > 24 ? line.substr(24) : line;
  EXPECT_EQ(shown, lines);

  // From the first second there is: from the stream's first message.
  ran = Read({"--json", "history", "--user", "42", "--since", "1970-01-01T00:00:00Z"});
  ASSERT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(Positions(Lines(ran.out)), positions);
}

// Between two times exactly what the stream stored then, all users, and
// of one kind only those.
TEST_F(HistoryNatsTest, ReplayReturnsExactlyTheEventsBetweenTwoTimes) {
  Churn(100);
  const std::int64_t since = NowNs() / 1000000 * 1000000;
  Churn(100);
  const std::int64_t until = NowNs() / 1000000 * 1000000;
  Churn(100);
  std::vector<std::string> all;
  std::vector<std::string> routing;
  for (const zelbridge::StoredMessage& message : Stored(since, until)) {
    const std::string place = *message.Find(zelbridge::kIncarnationHeader) + "-" +
                              *message.Find(zelbridge::kPositionHeader);
    all.push_back(place);
    if (message.subject.find(".user_routing_state_event.") != std::string::npos) routing.push_back(place);
  }
  ASSERT_GT(all.size(), 50u);
  ASSERT_LT(all.size(), Stored(0, NowNs() + kSecond).size());

  const std::vector<std::string> window{"--since", zelctl::UtcTimeText(since), "--until", zelctl::UtcTimeText(until)};
  std::vector<std::string> args{"--json", "replay"};
  args.insert(args.end(), window.begin(), window.end());
  Ran ran = Read(args);
  ASSERT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(Positions(Lines(ran.out)), all);

  args.insert(args.end(), {"--kind", "routing"});
  ran = Read(args);
  ASSERT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(Positions(Lines(ran.out)), routing);

  // After the last message: nothing, at once.
  ran = Read({"replay", "--since", zelctl::UtcTimeText(NowNs() + 3600 * kSecond)});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "");
}

}  // namespace
