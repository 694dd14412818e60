#pragma once
// What a receiver knows of the stream it follows: the publisher's
// incarnation and the position up to which it has every event its filter
// wants ("through"). From that it judges each event and heartbeat: to be
// delivered, already had, or the sign of a gap that a replay must fill.
//
// Which earlier position an event names depends on the filter: a receiver
// of every event expects the position just before; one of chosen types the
// previous event of the type; one of chosen users the previous event about
// the user (of any type: a receiver of some types only of its users may
// see a gap where a replay then finds nothing of its own). Heartbeats tell
// losses at the end of a burst, except to a receiver of chosen users.
//
// Until the stream is anchored (by ResumeAfter, or by the first event or
// heartbeat) nothing counts as lost. After a restart every event of the
// new incarnation counts.
//
// Plain logic, no sockets; one thread.

#include <cstdint>
#include <vector>

#include "EventFrame.h"
#include "zelclnt/platform/TEventPosition.h"

namespace zelplatform {

class EventOrder {
 public:
  enum class Verdict { Deliver, Duplicate, Gap };

  EventOrder(std::vector<std::int32_t> types, std::vector<std::int64_t> users);

  // True when the incarnation replaces another: the publisher restarted.
  bool NoteIncarnation(std::uint64_t incarnation);
  // REQUIRES: NoteIncarnation(header.incarnation) came first.
  Verdict OnEvent(const EventHeader& header);
  Verdict OnHeartbeat(const EventHeader& header, const TypeMarks& marks);

  // The event at position was delivered.
  void Delivered(std::uint64_t position);
  // A replay looked at everything up to through.
  void CompleteThrough(std::uint64_t through);
  // The application's own start: everything up to position is had.
  void ResumeAfter(const TEventPosition& position);
  // Gives up the events missed: the next event or heartbeat anchors anew.
  void Unanchor() { m_anchored = false; }
  // Follows another publisher: as if nothing was ever received.
  void Reset() {
    m_incarnation = 0;
    m_through = 0;
    m_anchored = false;
  }

  bool Wanted(std::int32_t eventType, std::int64_t userKey) const;
  bool Anchored() const { return m_anchored; }
  TEventPosition Through() const { return {m_incarnation, m_through}; }
  const std::vector<std::int32_t>& Types() const { return m_types; }
  const std::vector<std::int64_t>& Users() const { return m_users; }

 private:
  std::uint64_t PreviousOf(const EventHeader& header) const;

  std::vector<std::int32_t> m_types;
  std::vector<std::int64_t> m_users;
  std::uint64_t m_incarnation = 0;
  std::uint64_t m_through = 0;
  bool m_anchored = false;
};

}  // namespace zelplatform
