#include "TopView.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <utility>

namespace zelctl {
namespace {

using Routing = ZelTRoutingState;
using Change = ZelTPresenceChange;

constexpr const char* kRoutingNames[] = {"Available", "Unavailable", "Work", "Logoff", "Unknown"};
constexpr const char* kMediaNames[] = {"Voice", "Callback", "Email", "Web Chat", "OpenMedia"};
constexpr std::size_t kUserIdWidth = 20;

std::size_t RoutingIndex(Routing::enRoutingState state) {
  return state >= Routing::ROUTINGSTATE_AVAILABLE && state <= Routing::ROUTINGSTATE_LOGOFF
             ? static_cast<std::size_t>(state)
             : 4;
}

// Media above 4 are all open media; 0 and below are no medium.
int MediumIndex(long medium) { return medium <= 0 ? -1 : static_cast<int>(std::min(medium, 5L)) - 1; }

// The server's text goes to a terminal: no control characters, and no
// more than its column holds.
std::string ColumnText(const std::string& text) {
  std::string shown = text.substr(0, kUserIdWidth);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return shown;
}

std::string Totals(const char* label, const char* const* names, const std::size_t* counts, std::size_t size,
                   bool skipLastWhenNone) {
  std::string line = label;
  for (std::size_t i = 0; i < size; ++i) {
    if (skipLastWhenNone && i + 1 == size && counts[i] == 0) break;
    line += std::string(i == 0 ? "" : "   ") + names[i] + " " + std::to_string(counts[i]);
  }
  return line;
}

// Wrapping: a hostile start time must not overflow.
std::int64_t SpanMs(std::int64_t sinceMs, std::int64_t nowMs) {
  if (sinceMs > nowMs) return 0;
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(nowMs) - static_cast<std::uint64_t>(sinceMs));
}

zeljson::Json Totals(const char* const* names, const std::size_t* counts, std::size_t size) {
  zeljson::Json totals = zeljson::Json::object();
  for (std::size_t i = 0; i < size; ++i) totals[names[i]] = counts[i];
  return totals;
}

std::string StatusLine(const TopStatus& status) {
  if (!status.joined) return "Joining: subscribing to the server's events and querying its users";
  char line[160];
  std::snprintf(line, sizeof line, "Position %" PRIu64 ", %.0f events/s, %" PRIu64 " replayed, %" PRIu64 " resyncs, %s",
                status.position.position, status.eventsPerSecond, status.replayed, status.resyncs,
                status.current ? "current" : "catching up");
  return line;
}

}  // namespace

bool TopTally::Before(const Longest& a, const Longest& b) {
  return a.sinceMs != b.sinceMs ? a.sinceMs < b.sinceMs : a.userKey < b.userKey;
}

void TopTally::Add(const ZelTUserPresence& user) {
  ++m_users;
  // The states' own vector, not the collection's cursor, which readers on
  // other threads would move under one another.
  unsigned media = 0;
  for (const ZelTMediaState* state : user.GetMediaStatesVector()) {
    const int index = state && state->IsLoggedOn() ? MediumIndex(state->media) : -1;
    if (index >= 0) media |= 1u << index;
  }
  if (media != 0) ++m_loggedOn;
  for (std::size_t i = 0; i < m_media.size(); ++i) m_media[i] += (media >> i) & 1u;
  const Routing& routing = user.GetRoutingState();
  const std::size_t state = RoutingIndex(routing.GetRoutingState());
  ++m_routing[state];
  const TTimeStamp since = routing.GetStartTime();
  if (state >= 3 || since.IsNull() || m_rows == 0) return;
  Longest candidate{since.MillisecondsSince1970(), user.GetUserKey(), std::string(), routing.GetRoutingState()};
  // Most agents are not among the longest: their ids are never copied.
  if (m_longest.size() == m_rows && !Before(candidate, m_longest.front())) return;
  candidate.userId = user.GetUserID();
  Offer(std::move(candidate));
}

void TopTally::Offer(Longest candidate) {
  if (m_longest.size() == m_rows) {
    std::pop_heap(m_longest.begin(), m_longest.end(), Before);
    m_longest.pop_back();
  }
  m_longest.push_back(std::move(candidate));
  std::push_heap(m_longest.begin(), m_longest.end(), Before);
}

std::vector<TopTally::Longest> TopTally::LongestFirst() const {
  std::vector<Longest> longest = m_longest;
  std::sort(longest.begin(), longest.end(), Before);
  return longest;
}

std::vector<std::string> TopTally::Lines(const TopStatus& status, std::int64_t nowMs) const {
  std::vector<std::string> lines = {
      "Agents " + std::to_string(m_users) + ", logged on " + std::to_string(m_loggedOn),
      Totals("Routing state   ", kRoutingNames, m_routing.data(), m_routing.size(), true),
      Totals("Logged on to    ", kMediaNames, m_media.data(), m_media.size(), false),
  };
  if (m_rows > 0) {
    const std::vector<Longest> longest = LongestFirst();
    lines.push_back(longest.empty() ? "Longest in their routing state: none" : "Longest in their routing state");
    char line[160];
    if (!longest.empty()) {
      std::snprintf(line, sizeof line, "  %-11s %-20s %-13s %s", "Key", "User id", "State", "For");
      lines.push_back(line);
    }
    for (const Longest& agent : longest) {
      std::snprintf(line, sizeof line, "  %-11ld %-20s %-13s %s", agent.userKey, ColumnText(agent.userId).c_str(),
                    kRoutingNames[RoutingIndex(agent.state)], DurationText(SpanMs(agent.sinceMs, nowMs)).c_str());
      lines.push_back(line);
    }
  }
  lines.push_back(StatusLine(status));
  return lines;
}

zeljson::Json TopTally::ToJson(const TopStatus& status, std::int64_t nowMs) const {
  zeljson::Json longest = zeljson::Json::array();
  for (const Longest& agent : LongestFirst())
    longest.push_back({{"userKey", agent.userKey},
                       {"userId", agent.userId},
                       {"routingState", kRoutingNames[RoutingIndex(agent.state)]},
                       {"forMs", SpanMs(agent.sinceMs, nowMs)}});
  zeljson::Json mirror = {{"joined", status.joined}, {"current", status.current}};
  if (status.joined) {
    mirror["position"] = std::to_string(status.position.incarnation) + "-" + std::to_string(status.position.position);
    mirror["eventsPerSecond"] = status.eventsPerSecond;
    mirror["replayed"] = status.replayed;
    mirror["resyncs"] = status.resyncs;
  }
  return {{"agents", m_users},
          {"loggedOn", m_loggedOn},
          {"routingStates", Totals(kRoutingNames, m_routing.data(), m_routing.size())},
          {"media", Totals(kMediaNames, m_media.data(), m_media.size())},
          {"longest", longest},
          {"mirror", mirror}};
}

std::string DurationText(std::int64_t milliseconds) {
  const std::int64_t seconds = std::max<std::int64_t>(milliseconds, 0) / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "%" PRId64 ":%02d:%02d", seconds / 3600, static_cast<int>(seconds / 60 % 60),
                static_cast<int>(seconds % 60));
  return text;
}

std::string TopNoticeLine(const ZelTPresenceChange& change) {
  switch (change.kind) {
    case Change::CHANGE_SYNCED:
      if (change.syncCause == Change::SYNC_RESTARTED)
        return "-- resynchronised after the server restarted: its users were queried again";
      if (change.syncCause == Change::SYNC_LOST)
        return "-- resynchronised after events were lost beyond what the server still held: its users were "
               "queried again";
      if (change.syncCause == Change::SYNC_SWITCHED)
        return "-- another server serves: resynchronised from it, its users were queried";
      return std::string();
    case Change::CHANGE_LINK_DOWN:
      return "-- events connection lost; what is missed is asked for again once it is back";
    case Change::CHANGE_LINK_UP:
      return "-- events connection back; the events missed meanwhile follow";
    case Change::CHANGE_REFUSED:
      return "-- the server refused this client's keys: no events until they are right";
    case Change::CHANGE_TWO_SERVING:
      return "-- two servers serve at once: the one under the lower term stands by, and what it changed since the "
             "other took over is lost";
    default:
      return std::string();
  }
}

}  // namespace zelctl
