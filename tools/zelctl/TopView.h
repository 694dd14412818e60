#pragma once
// What "top" shows: totals by routing state, the agents logged on and
// those logged on per medium, the agents longest in their current routing
// state and for how long, and a line on where the mirror stands. It is
// counted from the users a mirror holds and rendered for a given time, so
// that a terminal and a pipe show the same lines and a test can give both.
//
// A TopTally is fed one user at a time (ZelTUserStore::ForEach) and keeps
// only the counts and the longest few, not the users. One thread at a time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "JsonValues.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/mirror/ZelTPresenceChange.h"
#include "zelclnt/platform/TEventPosition.h"

namespace zelctl {

// Where the mirror stands, for the view's last line.
struct TopStatus {
  bool joined = false;
  TEventPosition position;
  double eventsPerSecond = 0;
  std::uint64_t replayed = 0;
  std::uint64_t resyncs = 0;
  bool current = false;
};

class TopTally {
 public:
  // rows: how many of the agents longest in their state are listed.
  explicit TopTally(std::size_t rows) : m_rows(rows) {}

  void Add(const ZelTUserPresence& user);

  // The view, a string per line without its end. Agents logged off, in an
  // unknown state or without a start time are not among the longest; a
  // start time after nowMs (milliseconds since 1970) counts as just now.
  std::vector<std::string> Lines(const TopStatus& status, std::int64_t nowMs) const;
  // The same view as one JSON document, for --json.
  zeljson::Json ToJson(const TopStatus& status, std::int64_t nowMs) const;

 private:
  struct Longest {
    std::int64_t sinceMs;
    long userKey;
    std::string userId;
    ZelTRoutingState::enRoutingState state;
  };
  static bool Before(const Longest& a, const Longest& b);
  std::vector<Longest> LongestFirst() const;
  void Offer(Longest candidate);

  std::size_t m_rows;
  std::size_t m_users = 0;
  std::size_t m_loggedOn = 0;
  // Available, unavailable, work, logoff, then any other state.
  std::array<std::size_t, 5> m_routing{};
  // Voice, callback, e-mail, web chat, open media.
  std::array<std::size_t, 5> m_media{};
  // A heap whose top is the one to drop first.
  std::vector<Longest> m_longest;
};

// "1:02:03"; hours go on past a day.
std::string DurationText(std::int64_t milliseconds);

// The line top prints for a change of the mirror's own standing: a resync
// with its cause, the event link lost or back, the keys refused. Empty for
// the first join and for changes of users.
std::string TopNoticeLine(const ZelTPresenceChange& change);

}  // namespace zelctl
