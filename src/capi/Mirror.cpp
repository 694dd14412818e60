// The presence mirror through the C interface: driven by its owner's
// thread, looked up from any.

#include <chrono>
#include <algorithm>
#include <deque>

#include "Handles.h"

using zelclnt::capi::CopyOut;
using zelclnt::capi::Guarded;
using zelclnt::capi::GuardedValue;

static_assert(static_cast<int>(ZEL_CHANGE_TWO_SERVING) == static_cast<int>(ZelTPresenceChange::CHANGE_TWO_SERVING), "change kinds travel as they are");
static_assert(ZEL_PART_SILENT_MONITORING == ZelTPresenceChange::PART_SILENT_MONITORING, "parts travel as they are");

struct zel_mirror {
  explicit zel_mirror(const std::string& server) : mirror(server) {}
  zel_mirror(const std::string& server, std::vector<ZelAPresenceMirror::ChosenUser> users)
      : mirror(server, std::move(users)) {}
  ZelAPresenceMirror mirror;
  // Met while waiting to be current, for zel_mirror_next.
  std::deque<ZelTPresenceChange> waiting;
  ZelTPresenceChange change;
  std::string error;
};

namespace {

zel_mirror* MakeMirror(const char* server, const long* keys, const char* const* ids, size_t count) {
  if (count == 0) return new zel_mirror(server);
  std::vector<ZelAPresenceMirror::ChosenUser> users;
  users.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    if (!ids[i]) return nullptr;
    users.push_back({keys[i], ids[i]});
  }
  return new zel_mirror(server, std::move(users));
}

}  // namespace

extern "C" {

zel_mirror* zel_mirror_new(const char* server, const long* user_keys, const char* const* user_ids,
                           size_t user_count) {
  if (!server || (user_count > 0 && (!user_keys || !user_ids))) return nullptr;
  return GuardedValue<zel_mirror*>(nullptr, [&] { return MakeMirror(server, user_keys, user_ids, user_count); });
}

void zel_mirror_free(zel_mirror* mirror) { delete mirror; }

int zel_mirror_start(zel_mirror* mirror) {
  if (!mirror) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    mirror->error.clear();
    return mirror->mirror.Start(&mirror->error) ? ZEL_OK : ZEL_E_FAILED;
  });
}

size_t zel_mirror_error(const zel_mirror* mirror, char* buffer, size_t size) {
  return CopyOut(mirror ? mirror->error : std::string(), buffer, size);
}

int zel_mirror_wait_current(zel_mirror* mirror, long timeout_ms) {
  if (!mirror) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        timeout_ms < 0 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeout_ms);
    // Slices, so that the mirror is looked at between changes that keep coming.
    constexpr long kSliceMs = 50;
    for (;;) {
      if (mirror->mirror.IsCurrent()) return ZEL_OK;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return ZEL_EMPTY;
      ZelTPresenceChange change;
      if (mirror->mirror.Next(change, std::min<long>(kSliceMs, static_cast<long>(left))))
        mirror->waiting.push_back(std::move(change));
    }
  });
}

int zel_mirror_next(zel_mirror* mirror, long timeout_ms) {
  if (!mirror) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    if (!mirror->waiting.empty()) {
      mirror->change = std::move(mirror->waiting.front());
      mirror->waiting.pop_front();
      return ZEL_OK;
    }
    return mirror->mirror.Next(mirror->change, timeout_ms) ? ZEL_OK : ZEL_EMPTY;
  });
}

void zel_mirror_stop(zel_mirror* mirror) {
  if (mirror) mirror->mirror.Stop();
}

int zel_mirror_descriptor(zel_mirror* mirror) {
  if (!mirror) return -1;
  return GuardedValue(-1, [&] { return mirror->mirror.Descriptor(); });
}

int zel_mirror_get(const zel_mirror* mirror, long user_key, zel_request* user) {
  if (!mirror || !user || user->kind != ZEL_REQUEST_USER) return ZEL_E_INVALID;
  if (user->queue) return ZEL_E_BUSY;
  return Guarded([&]() -> int {
    ZelTUserPresence& record = *user->user;
    return mirror->mirror.Users().Copy(user_key, record) ? ZEL_OK : ZEL_EMPTY;
  });
}

size_t zel_mirror_keys(const zel_mirror* mirror, long* keys, size_t capacity) {
  if (!mirror) return 0;
  return GuardedValue<size_t>(0, [&] {
    const std::vector<long> held = mirror->mirror.Users().Keys();
    if (keys) std::copy_n(held.begin(), std::min(capacity, held.size()), keys);
    return held.size();
  });
}

size_t zel_mirror_size(const zel_mirror* mirror) { return mirror ? mirror->mirror.Users().Size() : 0; }

int zel_mirror_is_current(const zel_mirror* mirror) { return mirror && mirror->mirror.IsCurrent() ? 1 : 0; }

size_t zel_mirror_why_not_current(const zel_mirror* mirror, char* buffer, size_t size) {
  const std::string none;
  if (!mirror) return CopyOut(none, buffer, size);
  return GuardedValue<size_t>(CopyOut(none, buffer, size),
                              [&] { return CopyOut(mirror->mirror.WhyNotCurrent(), buffer, size); });
}

int zel_change_kind_of(const zel_mirror* mirror) { return mirror ? static_cast<int>(mirror->change.kind) : ZEL_E_INVALID; }

long zel_change_user(const zel_mirror* mirror) { return mirror ? mirror->change.userKey : 0; }

uint32_t zel_change_parts(const zel_mirror* mirror) { return mirror ? mirror->change.parts : 0; }

int zel_change_event_type(const zel_mirror* mirror) { return mirror ? mirror->change.eventType : 0; }

void zel_change_position(const zel_mirror* mirror, uint64_t* incarnation, uint64_t* position) {
  if (incarnation) *incarnation = mirror ? mirror->change.position.incarnation : 0;
  if (position) *position = mirror ? mirror->change.position.position : 0;
}

int zel_change_replayed(const zel_mirror* mirror) { return mirror && mirror->change.replayed ? 1 : 0; }

long zel_change_medium(const zel_mirror* mirror) { return mirror ? mirror->change.medium : 0; }

int zel_change_sync_cause(const zel_mirror* mirror) { return mirror ? static_cast<int>(mirror->change.syncCause) : 0; }

}  // extern "C"
