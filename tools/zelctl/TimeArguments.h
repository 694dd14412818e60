#pragma once
// The times history and replay take, and how they print them.
//
// A time is a span back from now ("90s", "5m", "1h", "2d", "1h30m"), a
// time of day in local time ("10:00", "10:00:30.5"), or a date with an
// optional time ("2026-12-09", "2026-12-09T10:00:00", a space for the T),
// local unless it ends in Z or an offset (+01:00). A time of day for the
// start is the latest one not after now; for the end, the first one after
// the start, so that 23:50 to 00:10 spans midnight. Pure functions of the
// text and of `nowNs`; times are nanoseconds since 1970 (UTC).

#include <cstdint>
#include <optional>
#include <string>

namespace zelctl {

struct TimeWindow {
  std::int64_t sinceNs = 0;
  // 0: up to the stream's end.
  std::int64_t untilNs = 0;
};

// Nothing, with the reason in *error, for a text that is no such time or
// an end not after the start. An empty `until` has no end.
std::optional<TimeWindow> ParseWindow(const std::string& since, const std::string& until, std::int64_t nowNs,
                                      std::string* error);

// "2026-12-09 10:00:01.234" in local time.
std::string LocalTimeText(std::int64_t ns);
// "2026-12-09T09:00:01.234Z".
std::string UtcTimeText(std::int64_t ns);

}  // namespace zelctl
