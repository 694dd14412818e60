#pragma once
// The bytes of an event stream (text/event-stream): the response's head,
// then events, each "id:", "event:" and one "data:" line of JSON, ended by
// a blank line.
//
//   snapshot  {"users": [<user>, ...]}                  the users the stream
//                                                       selects, in key order,
//                                                       with the parts it
//                                                       follows
//   change    {"kind": "changed", "userKey", "parts": [...], "user": {...}}
//             kind "added" (the whole user) or "removed" (no user)
//   reload    {"reason"}   what the client holds cannot be brought up to
//                          date: open the stream afresh, for a snapshot
//   closed    {"reason"}   the gateway closes the stream (a client that
//                          does not keep up)
//   status    {"state", "current", "heardAgoMs", "reason"}   how far the
//             users can be trusted: state "live", "stale" (the server is
//             reached but not heard from, or users wait for a query) or
//             "unreachable"; reason only when not current. Sent after the
//             first bytes, and again when the state changes.
//
// A change's user holds who the user is and the parts that changed (see
// UserJson.h). For the contacts kind (kContactsPart) a user holds, in
// place of its handling records, "contacts": {"count", "contactSince",
// "postProcessingSince"}: how many contacts it has, since when it has been
// on one not in post-processing and since when in post-processing (the
// earliest of each, by connected time or else start time; null for none).
// Free of state; any thread.

#include <cstdint>
#include <string>
#include <vector>

#include "ChangeJournal.h"
#include "zelclnt/core/ZelTUserPresence.h"

namespace zelgw {

// The response head, and how long a client waits before it reconnects;
// gzip: the rest of the stream is gzipped.
std::string StreamHead(unsigned retryMs, bool gzip);
// The first bytes of a snapshot, and the last: the users, comma-separated,
// go between.
std::string SnapshotStart(const StreamId& id);
std::string SnapshotEnd();
// parts: the mirror's parts, with kContactsPart for the summary.
std::string StreamUserText(const ZelTUserPresence& user, std::uint32_t parts);
// user null: removed.
std::string ChangeFrame(const StreamId& id, long userKey, std::uint32_t parts, bool added,
                        const ZelTUserPresence* user);

// A change as streams that follow the handling part get it, and as those
// that follow its summary do; summary empty when the handling part is not
// among the parts.
struct ChangeTexts {
  std::string frame;
  std::string summary;
};
ChangeTexts ChangeFrames(const StreamId& id, long userKey, std::uint32_t parts, bool added,
                         const ZelTUserPresence& user);
std::string ReloadFrame(const std::string& reason);
std::string ClosedFrame(const std::string& reason);

struct MirrorStatus {
  enum class State { Live, Stale, Unreachable };
  State state = State::Stale;
  std::string reason;
  long heardAgoMs = -1;
};
std::string StatusFrame(const MirrorStatus& status);

// A change's parts by name: ["routing", "media"].
std::vector<std::string> PartNames(std::uint32_t parts);

}  // namespace zelgw
