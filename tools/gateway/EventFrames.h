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
// UserJson.h). Free of state; any thread.

#include <cstdint>
#include <string>
#include <vector>

#include "ChangeJournal.h"
#include "zelclnt/core/ZelTUserPresence.h"

namespace zelgw {

// The response head, and how long a client waits before it reconnects;
// gzip: the rest of the stream is gzipped.
std::string StreamHead(unsigned retryMs, bool gzip);
std::string SnapshotFrame(const StreamId& id, const std::vector<std::string>& users);
// user null: removed.
std::string ChangeFrame(const StreamId& id, long userKey, std::uint32_t parts, bool added,
                        const ZelTUserPresence* user);
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
