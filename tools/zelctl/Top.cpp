#include "Top.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "Arguments.h"
#include "CallReport.h"
#include "Interrupt.h"
#include "Output.h"
#include "TopView.h"
#include "UserClient.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TTimeStamp.h"

namespace zelctl {
namespace {

using Clock = std::chrono::steady_clock;
using Change = ZelTPresenceChange;

// The longest the mirror is polled before Ctrl-C and the clock are looked at.
constexpr long kPollSliceMs = 100;
constexpr long kTerminalIntervalMs = 250;
constexpr long kPlainIntervalMs = 1000;
// Notices kept under the view on a terminal.
constexpr std::size_t kNoticesShown = 5;
constexpr double kLongestRunSeconds = 1e9;

struct TopOptions {
  std::vector<long> users;
  std::size_t rows = 10;
  long intervalMs = 0;
  double seconds = 0;
};

std::string Now() { return TTimeStamp().GetDateTime(0, '-', ':', '.').str(); }

// Where the views go: redrawn in place on a terminal (cursor home, each
// line cleared to its end, the rest of the screen cleared), else printed
// one after the other, an empty line between them.
class Board {
 public:
  explicit Board(bool terminal) : m_terminal(terminal) {}

  void Draw(const std::vector<std::string>& lines) {
    std::FILE* out = Out();
    if (m_terminal) {
      std::fputs(m_drawn ? "\x1b[H" : "\x1b[H\x1b[2J", out);
      for (const std::string& line : lines) std::fprintf(out, "%s\x1b[K\n", line.c_str());
      if (!m_notices.empty()) std::fputs("\x1b[K\n", out);
      for (const std::string& notice : m_notices) std::fprintf(out, "%s\x1b[K\n", notice.c_str());
      std::fputs("\x1b[J", out);
    } else {
      if (m_drawn && !JsonOutput()) std::fputc('\n', out);
      for (const std::string& line : lines) std::fprintf(out, "%s\n", line.c_str());
    }
    m_drawn = true;
    std::fflush(out);
  }

  // On a terminal the notice would be drawn over: it is kept under the view.
  void Tell(const std::string& notice) {
    if (JsonOutput()) {
      std::fprintf(Out(), "%s\n", zeljson::Text(zeljson::Json{{"notice", notice.substr(3)}}).c_str());
      std::fflush(Out());
      return;
    }
    if (!m_terminal) {
      std::fprintf(Out(), "%s\n", notice.c_str());
      std::fflush(Out());
      return;
    }
    m_notices.push_back(Now().substr(11) + " " + notice);
    if (m_notices.size() > kNoticesShown) m_notices.pop_front();
  }

 private:
  bool m_terminal;
  bool m_drawn = false;
  std::deque<std::string> m_notices;
};

// Events applied per second between two views.
class Rate {
 public:
  double Next(std::uint64_t applied) {
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - m_at).count();
    const double rate = seconds > 0 ? static_cast<double>(applied - m_applied) / seconds : 0;
    m_at = now;
    m_applied = applied;
    return rate;
  }

 private:
  Clock::time_point m_at = Clock::now();
  std::uint64_t m_applied = 0;
};

// The view as lines, or for --json as one line of JSON.
std::vector<std::string> View(const ZelAPresenceMirror& mirror, const std::string& server, std::size_t rows,
                              bool joined, Rate& rate) {
  const ZelTMirrorCounters counters = mirror.Counters();
  TopStatus status;
  status.joined = joined;
  status.position = mirror.Position();
  status.eventsPerSecond = rate.Next(counters.eventsApplied);
  status.replayed = counters.eventsReplayed;
  status.resyncs = counters.resyncs;
  status.current = mirror.IsCurrent();
  TopTally tally(rows);
  mirror.Users().ForEach([&tally](const ZelTUserPresence& user) { tally.Add(user); });
  const std::int64_t now = TTimeStamp().MillisecondsSince1970();
  if (JsonOutput()) {
    zeljson::Json view = {{"server", server}, {"at", Now()}};
    view.update(tally.ToJson(status, now));
    return {zeljson::Text(view)};
  }
  std::vector<std::string> lines = tally.Lines(status, now);
  lines.insert(lines.begin(), "Presence of " + server + " at " + Now());
  return lines;
}

bool ChooseUsers(ZelAPresenceServer& api, const std::string& server, const std::vector<long>& keys,
                 std::vector<ZelAPresenceMirror::ChosenUser>& chosen, std::string& failure) {
  std::vector<long> unique = keys;
  std::sort(unique.begin(), unique.end());
  unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
  std::vector<std::string> ids;
  if (unique.empty()) return true;
  if (!LookUpUserIds(api, server, unique, ids, failure)) return false;
  for (std::size_t i = 0; i < unique.size(); ++i) chosen.push_back({unique[i], ids[i]});
  return true;
}

long SliceUntil(Clock::time_point until) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
  return static_cast<long>(std::clamp<long long>(left, 0, kPollSliceMs));
}

int Top(ZelAPresenceServer& api, const std::string& server, const TopOptions& options) {
  std::vector<ZelAPresenceMirror::ChosenUser> chosen;
  std::string failure;
  if (!ChooseUsers(api, server, options.users, chosen, failure)) return Fail(failure);
  ZelAPresenceMirror mirror(server, std::move(chosen));
  if (!mirror.Start(&failure)) return Fail("cannot follow " + server + ": " + failure);
  const bool terminal = !JsonOutput() && ::isatty(::fileno(Out())) == 1;
  const auto interval = std::chrono::milliseconds(options.intervalMs > 0 ? options.intervalMs
                                                  : terminal             ? kTerminalIntervalMs
                                                                         : kPlainIntervalMs);
  const Clock::time_point start = Clock::now();
  // Capped (at some 30 years) so that the clock's count cannot overflow.
  const Clock::time_point end =
      options.seconds > 0 ? start + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(std::min(options.seconds, kLongestRunSeconds)))
                          : Clock::time_point::max();
  Board board(terminal);
  Rate rate;
  bool joined = false;
  const auto told = [&](const ZelTPresenceChange& change) {
    joined = joined || change.kind == Change::CHANGE_SYNCED;
    std::string line = TopNoticeLine(change);
    if (change.kind == Change::CHANGE_TWO_SERVING) line += " (" + TFramework::TwoServingOf(server).last + ")";
    if (!line.empty()) board.Tell(line);
  };
  const InterruptCatcher interrupt;
  if (terminal) board.Draw(View(mirror, server, options.rows, joined, rate));
  Clock::time_point nextView = start + interval;
  bool shown = terminal;
  while (!interrupt.Caught() && Clock::now() < end) {
    mirror.Poll(SliceUntil(std::min(nextView, end)), told);
    shown = false;
    if (Clock::now() < nextView) continue;
    board.Draw(View(mirror, server, options.rows, joined, rate));
    // A view that came late (a slow first join) does not make the next one early.
    nextView = std::max(nextView, Clock::now() - interval) + interval;
    shown = true;
  }
  if (!shown) board.Draw(View(mirror, server, options.rows, joined, rate));
  if (joined) return 0;
  if (mirror.Counters().queriesFailed == 0) return Fail("never joined " + server + ": no events came");
  return Fail(mirror.WhyNotCurrent());
}

}  // namespace

void AddTopCommand(CLI::App& app, Command& chosen) {
  auto options = std::make_shared<TopOptions>();
  CLI::App* command = app.add_subcommand("top", "A live wallboard of the server's agents, kept by a presence mirror");
  command->add_option("--users", options->users, "Only these user keys, comma-separated (default: every user)")
      ->delimiter(',')
      ->check(WholeNumber());
  command->add_option("--rows", options->rows, "Agents listed as longest in their routing state")
      ->check(CLI::Range(0, 1000))
      ->capture_default_str();
  command
      ->add_option("--interval", options->intervalMs,
                   "Milliseconds between views (default: 250 on a terminal, 1000 otherwise)")
      ->check(CLI::Range(50L, 3600L * 1000));
  command->add_option("--for", options->seconds, "Stop after this many seconds")->check(CLI::NonNegativeNumber);
  Choose(*command, chosen, options, [](ZelAPresenceServer& api, const std::string& server, TopOptions& parsed) {
    return Top(api, server, parsed);
  });
}

}  // namespace zelctl
