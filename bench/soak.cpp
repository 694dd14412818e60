// The mirror's side of the soak (scripts/soak): a mirror of every agent of
// a presence server, followed for minutes through a relay whose link is
// cut for a few seconds every minute; at the end the mirror is compared
// with a fresh query of every user, part by part. The script samples the
// memory of this process and of the server's beside it.
//
//   zelclnt_soak --server tcp://127.0.0.1:7300 [--minutes 10] [--cut-every 60] [--cut-for 5]
//
// Prints a line per cut and per minute, then a "result:" line of counts.
// Exits with 0 when the mirror equals the server, 1 when not (or it never
// joined), 2 on wrong arguments.

#include <malloc.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "LinkRelay.h"
#include "StoreComparison.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/mirror/ZelLargeBlocks.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

using Clock = std::chrono::steady_clock;
using Change = ZelTPresenceChange;
using Seconds = std::chrono::duration<double>;

// How long the end waits for the mirror to reach the fresh query's
// position; far above what catching up takes.
constexpr auto kCatchUpBound = std::chrono::seconds(60);
constexpr std::size_t kDifferencesShown = 20;

struct Options {
  std::string server;
  double minutes = 10;
  double cutEvery = 60;
  double cutFor = 5;
};

bool Parse(int argc, char** argv, Options& options) {
  for (int at = 1; at + 1 < argc; at += 2) {
    const std::string name = argv[at];
    char* end = nullptr;
    const double value = std::strtod(argv[at + 1], &end);
    const bool number = *end == '\0' && value > 0;
    if (name == "--server") {
      options.server = argv[at + 1];
    } else if (name == "--minutes" && number) {
      options.minutes = value;
    } else if (name == "--cut-every" && number) {
      options.cutEvery = value;
    } else if (name == "--cut-for" && number) {
      options.cutFor = value;
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && !options.server.empty() && options.cutFor < options.cutEvery;
}

void Say(double at, const std::string& text) {
  std::printf("%7.1f s  %s\n", at, text.c_str());
  std::fflush(stdout);
}

// Cuts the link at every multiple of cutEvery and restores it cutFor
// later, unless the soak would end before.
class CutSchedule {
 public:
  CutSchedule(zelsim::LinkRelay& relay, const Options& options) : m_relay(relay), m_options(options) {}

  void At(double seconds) {
    const double nextCut = m_options.cutEvery * (m_cuts + 1);
    if (!m_cut && seconds >= nextCut && nextCut + m_options.cutFor < m_options.minutes * 60) {
      m_relay.Cut();
      m_cut = true;
      ++m_cuts;
      Say(seconds, "link cut");
    } else if (m_cut && seconds >= m_options.cutEvery * m_cuts + m_options.cutFor) {
      m_relay.Restore();
      m_cut = false;
      Say(seconds, "link restored");
    }
  }

 private:
  zelsim::LinkRelay& m_relay;
  const Options& m_options;
  int m_cuts = 0;
  bool m_cut = false;
};

// What the allocator has handed out and not taken back, in all arenas: the
// resident memory besides is what it keeps for later.
std::size_t HeapInUseKb() {
  const struct mallinfo2 heap = mallinfo2();
  return (heap.uordblks + heap.hblkhd) / 1024;
}

std::string Standing(const ZelAPresenceMirror& mirror) {
  const ZelTMirrorCounters counters = mirror.Counters();
  char text[240];
  std::snprintf(text, sizeof text,
                "position %" PRIu64 ", %zu users, %" PRIu64 " events applied, %" PRIu64 " replayed, %" PRIu64
                " resyncs, %" PRIu64 " users queried again, %s, heap in use %zu kB",
                mirror.Position().position, counters.users, counters.eventsApplied, counters.eventsReplayed,
                counters.resyncs, counters.usersRequeried, mirror.IsCurrent() ? "current" : "catching up",
                HeapInUseKb());
  return text;
}

// The fresh query, and the mirror brought up to its position.
bool QueryAndCatchUp(ZelAPresenceMirror& mirror, const std::string& server, ZelTQueryUsersPresence& query) {
  ZelAPresenceServer api("zelclnt-soak", "localhost");
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  if (api.QueryUsersPresence(server, query) != ZelTPresenceServer::ACTION_SUCCEEDED) {
    std::printf("the fresh query failed: %s\n", TFramework::LastFailure().text.c_str());
    return false;
  }
  const std::uint64_t at = query.GetStatePosition().position;
  // Small steps: users the server changes after the query's position are
  // left out of the comparison, so the mirror should not run far past it.
  for (const auto until = Clock::now() + kCatchUpBound; Clock::now() < until;) {
    if (mirror.IsCurrent() && mirror.Position().position >= at) return true;
    mirror.Poll(1);
  }
  std::printf("the mirror never reached position %" PRIu64 ": %s\n", at, Standing(mirror).c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // As a long-running application of the mirror should.
  ZelKeepLargeBlocksMapped();
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: zelclnt_soak --server tcp://127.0.0.1:PORT [--minutes N] [--cut-every S] [--cut-for S]\n");
    return 2;
  }
  TDiag::SetFilters("NONE");
  zelsim::LinkRelay relay(options.server);
  std::string error;
  if (!relay.Start(&error)) {
    std::fprintf(stderr, "zelclnt_soak: %s\n", error.c_str());
    return 2;
  }
  ZelAPresenceMirror mirror(relay.Endpoint());
  if (!mirror.Start(&error)) {
    std::fprintf(stderr, "zelclnt_soak: %s\n", error.c_str());
    return 1;
  }
  const Clock::time_point start = Clock::now();
  const auto elapsed = [start] { return Seconds(Clock::now() - start).count(); };
  const auto told = [&](const Change& change) {
    if (change.kind == Change::CHANGE_SYNCED) Say(elapsed(), "joined: " + Standing(mirror));
  };
  CutSchedule cuts(relay, options);
  for (int minute = 1; elapsed() < options.minutes * 60;) {
    mirror.Poll(100, told);
    cuts.At(elapsed());
    if (elapsed() < minute * 60.0) continue;
    Say(elapsed(), Standing(mirror));
    ++minute;
  }
  ZelTQueryUsersPresence query;
  if (!QueryAndCatchUp(mirror, options.server, query)) return 1;
  const zelsim::StoreComparison comparison =
      zelsim::CompareStore(mirror.Users(), query.GetUsersPresence(), query.GetStatePosition());
  for (std::size_t i = 0; i < comparison.differences.size() && i < kDifferencesShown; ++i)
    std::printf("differs: %s\n", comparison.differences[i].c_str());
  const ZelTMirrorCounters counters = mirror.Counters();
  std::printf("result: compared %zu, changed since the query %zu, differences %zu, resyncs %" PRIu64
              ", users queried again %" PRIu64 ", queries failed %" PRIu64 ", events applied %" PRIu64
              ", replayed %" PRIu64 "\n",
              comparison.compared, comparison.changedSince, comparison.differences.size(), counters.resyncs,
              counters.usersRequeried, counters.queriesFailed, counters.eventsApplied, counters.eventsReplayed);
  return comparison.differences.empty() && comparison.compared > 0 ? 0 : 1;
}
