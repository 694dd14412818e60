// Events through the C interface: a receiver and the notice it took last,
// and the reading of an event's bytes into its record.

#include "Handles.h"
#include "zelclnt/events/ZelTEventReader.h"

static_assert(ZEL_NOTICE_TWO_SERVING == static_cast<int>(TEventNotice::Kind::TwoServing),
              "notice kinds travel as they are");

using zelclnt::capi::CopyOut;
using zelclnt::capi::Guarded;
using zelclnt::capi::GuardedValue;

struct zel_receiver {
  zel_receiver(const std::string& server, std::vector<int> types, std::vector<std::int64_t> users)
      : receiver(server, std::move(types), std::move(users)) {}
  TEventReceiver receiver;
  TEventNotice notice;
  std::string error;
};

namespace {

// Reads the bytes; false when the type has no record.
bool Read(int type, const void* data, std::size_t size, ZelTAnyEvent& event) {
  if (!data && size > 0) return false;
  return ZelTEventReader::Read(static_cast<ZelTPresenceServer::enEvent>(type), data, size, event);
}

}  // namespace

extern "C" {

zel_receiver* zel_receiver_new(const char* server, const int* types, size_t type_count, const int64_t* users,
                               size_t user_count) {
  if (!server || (type_count > 0 && !types) || (user_count > 0 && !users)) return nullptr;
  return GuardedValue<zel_receiver*>(nullptr, [&] {
    return new zel_receiver(server, std::vector<int>(types, types + type_count),
                            std::vector<std::int64_t>(users, users + user_count));
  });
}

void zel_receiver_free(zel_receiver* receiver) { delete receiver; }

int zel_receiver_start(zel_receiver* receiver) {
  if (!receiver) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    receiver->error.clear();
    return receiver->receiver.Start(&receiver->error) ? ZEL_OK : ZEL_E_FAILED;
  });
}

size_t zel_receiver_error(const zel_receiver* receiver, char* buffer, size_t size) {
  return CopyOut(receiver ? receiver->error : std::string(), buffer, size);
}

int zel_receiver_wait_subscribed(zel_receiver* receiver, long timeout_ms) {
  if (!receiver) return ZEL_E_INVALID;
  return Guarded([&]() -> int { return receiver->receiver.WaitUntilSubscribed(timeout_ms) ? ZEL_OK : ZEL_EMPTY; });
}

int zel_receiver_resume_after(zel_receiver* receiver, uint64_t incarnation, uint64_t position) {
  if (!receiver) return ZEL_E_INVALID;
  return Guarded([&]() -> int {
    receiver->receiver.ResumeAfter(TEventPosition{incarnation, position});
    return ZEL_OK;
  });
}

int zel_receiver_next(zel_receiver* receiver, long timeout_ms) {
  if (!receiver) return ZEL_E_INVALID;
  return Guarded([&]() -> int { return receiver->receiver.Next(receiver->notice, timeout_ms) ? ZEL_OK : ZEL_EMPTY; });
}

int zel_receiver_descriptor(zel_receiver* receiver) {
  return receiver ? GuardedValue(-1, [&] { return receiver->receiver.Descriptor(); }) : -1;
}

void zel_receiver_stop(zel_receiver* receiver) {
  if (receiver) receiver->receiver.Stop();
}

size_t zel_receiver_endpoint(const zel_receiver* receiver, char* buffer, size_t size) {
  return CopyOut(receiver ? receiver->receiver.Endpoint() : std::string(), buffer, size);
}

int zel_notice_kind_of(const zel_receiver* receiver) {
  return receiver ? static_cast<int>(receiver->notice.kind) : ZEL_E_INVALID;
}

int zel_notice_event_type(const zel_receiver* receiver) { return receiver ? receiver->notice.eventType : 0; }

int64_t zel_notice_user(const zel_receiver* receiver) {
  return receiver ? receiver->notice.userKey : TEventNotice::kNoUser;
}

void zel_notice_position(const zel_receiver* receiver, uint64_t* incarnation, uint64_t* position) {
  if (incarnation) *incarnation = receiver ? receiver->notice.incarnation : 0;
  if (position) *position = receiver ? receiver->notice.position : 0;
}

int zel_notice_replayed(const zel_receiver* receiver) { return receiver && receiver->notice.replayed ? 1 : 0; }

const void* zel_notice_data(const zel_receiver* receiver, size_t* size) {
  if (size) *size = receiver ? receiver->notice.data.size() : 0;
  return receiver ? receiver->notice.data.data() : nullptr;
}

size_t zel_event_text(int type, const void* data, size_t data_size, int full, char* buffer, size_t size) {
  const std::string none;
  return GuardedValue<size_t>(CopyOut(none, buffer, size), [&] {
    ZelTAnyEvent event;
    if (!Read(type, data, data_size, event)) return CopyOut(none, buffer, size);
    return CopyOut(ZelTEventReader::ToString(event, full != 0), buffer, size);
  });
}

int zel_event_user(int type, const void* data, size_t data_size, long* user_key) {
  return Guarded([&]() -> int {
    ZelTAnyEvent event;
    long user = 0;
    if (!Read(type, data, data_size, event) || !ZelTEventReader::UserKeyOf(event, user)) return ZEL_EMPTY;
    if (user_key) *user_key = user;
    return ZEL_OK;
  });
}

}  // extern "C"
