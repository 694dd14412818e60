#pragma once
// The gateway's own record of the changes it streamed lately, so that a
// client that reconnects (a browser's EventSource sends the id of the last
// event it got, Last-Event-ID) is sent what it missed instead of reloading.
//
// Every change has a stream id: the mirror's event position when it was
// told (incarnation and position, "7-1234"), and, for a further change told
// at the same position (a user queried again, say), its count there
// ("7-1234.1"). Ids only grow within an incarnation. The journal keeps the
// latest changes, at most maxEntries and none older than maxAge (on the
// platform clock), and the id from which it holds every change (its base).
// An id is gone when it is of another incarnation, older than the base
// (evicted, or from before the last time the mirror joined again) or newer
// than anything told: such a client must reload.
//
// One thread at a time; StreamHub locks around it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "zelclnt/platform/TClock.h"
#include "zelclnt/platform/TEventPosition.h"

namespace zelgw {

struct StreamId {
  std::uint64_t incarnation = 0;
  std::uint64_t position = 0;
  std::uint64_t sequence = 0;

  std::string ToString() const;
  // Exactly the form ToString writes; false for anything else.
  static bool Parse(const std::string& text, StreamId& id);

  friend bool operator==(const StreamId& a, const StreamId& b) {
    return a.incarnation == b.incarnation && a.position == b.position && a.sequence == b.sequence;
  }
  // Within one incarnation.
  friend bool operator<(const StreamId& a, const StreamId& b) {
    return a.position < b.position || (a.position == b.position && a.sequence < b.sequence);
  }
};

// One streamed change: whose, which parts, and its whole event text.
struct StreamEntry {
  StreamId id;
  long userKey = 0;
  std::uint32_t parts = 0;
  std::shared_ptr<const std::string> frame;
  // The frame with the handling part summed up; null when the same.
  std::shared_ptr<const std::string> summary;
};

class ChangeJournal {
 public:
  ChangeJournal(std::size_t maxEntries, std::chrono::milliseconds maxAge)
      : m_maxEntries(maxEntries == 0 ? 1 : maxEntries), m_maxAge(maxAge) {}

  // The mirror joined at `at`: everything held is gone; ids follow `at`.
  void Restart(const TEventPosition& at);
  bool Started() const { return m_started; }
  std::uint64_t Incarnation() const { return m_base.incarnation; }

  // The id of a change told while the mirror stood at `at`, which must be
  // of the journal's incarnation and not before its last id.
  StreamId NextId(const TEventPosition& at) const;
  // REQUIRES: entry.id came from NextId, and nothing was appended since.
  void Append(StreamEntry entry);
  // Forgets what is older than maxAge.
  void Trim();

  // The last id told, or the base when none is held.
  StreamId Last() const;
  // False when `from` is gone; otherwise the changes after it, in order.
  bool After(const StreamId& from, std::vector<StreamEntry>& changes) const;
  std::size_t Size() const { return m_entries.size(); }

 private:
  struct Held {
    StreamEntry entry;
    TClock::time_point at;
  };

  void Evict();

  std::size_t m_maxEntries;
  std::chrono::milliseconds m_maxAge;
  bool m_started = false;
  StreamId m_base;
  std::deque<Held> m_entries;
};

}  // namespace zelgw
