#pragma once
// For a process that runs for days with a presence mirror, or anything
// else that now and then holds a large answer for a moment (a replay after
// a gap, a users query after a resync): glibc raises its threshold for
// giving a block a mapping of its own each time such a block is freed, and
// from then on keeps large blocks in its heaps, whose freed pages it seldom
// gives back, so resident memory climbs a step after every gap. Called
// once at start, before other threads, this fixes the threshold: large
// blocks stay mapped, and go back to the system when freed. It sets the
// whole process's allocator, which is why the library leaves the call to
// the application. Nothing to do where the C library is not glibc.

#if defined(__GLIBC__)
#include <malloc.h>
#endif

inline void ZelKeepLargeBlocksMapped() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}
