#pragma once
// Counts what the process holds from the global operator new, and the most
// it held since the last reset. Linking allocation_meter.cpp replaces
// operator new and delete for the whole program, so it belongs in an
// executable of its own: counting slows every allocation. Bytes are what the
// allocator hands out (malloc_usable_size), its own headers not included.

#include <cstddef>

namespace zelbench {

std::size_t BytesInUse();
std::size_t PeakBytesInUse();
// Allocations made since the program started.
std::size_t AllocationCount();
// The peak starts again from what is in use now.
void ResetPeak();

}  // namespace zelbench
