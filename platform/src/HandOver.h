#pragma once
// ZeroMQ hands a message's bytes from the sending thread to the receiving
// one through its own lock-free pipes, which ThreadSanitizer cannot see: a
// read of bytes written on the other side looks like a race. The sender
// releases the message's data just before the send, the receiver acquires
// it just after the receive, and the sanitizer then knows what ZeroMQ
// guarantees. Outside a ThreadSanitizer build both are empty.

#if defined(__SANITIZE_THREAD__)
#define ZELPLATFORM_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ZELPLATFORM_TSAN 1
#endif
#endif

#ifdef ZELPLATFORM_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace zelplatform {

inline void ReleaseBeforeSend([[maybe_unused]] const void* data) {
#ifdef ZELPLATFORM_TSAN
  __tsan_release(const_cast<void*>(data));
#endif
}

inline void AcquireAfterReceive([[maybe_unused]] const void* data) {
#ifdef ZELPLATFORM_TSAN
  __tsan_acquire(const_cast<void*>(data));
#endif
}

}  // namespace zelplatform
