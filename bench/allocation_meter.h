#pragma once
// Counts what the process holds from the global operator new, and the most
// it held since the last reset. Linking allocation_meter.cpp replaces
// operator new and delete for the whole program, so it belongs in an
// executable of its own: counting slows every allocation. Bytes are what the
// allocator hands out (malloc_usable_size), its own headers not included.

#include <benchmark/benchmark.h>

#include <cstddef>

namespace zelbench {

std::size_t BytesInUse();
std::size_t PeakBytesInUse();
// Allocations made since the program started.
std::size_t AllocationCount();
// Those made by the calling thread: a server in the same process allocates
// on threads of its own meanwhile.
std::size_t ThreadAllocationCount();
// The peak starts again from what is in use now.
void ResetPeak();

// What reading one reply held: the peak while reading and what its records
// keep afterwards, beyond what was in use before; the allocations it made.
struct Footprint {
  std::size_t peak = 0;
  std::size_t held = 0;
  std::size_t allocations = 0;
  int records = 0;
};

// Taken before a reading; Since gives the reading's footprint while its
// records are still held.
class FootprintMark {
 public:
  FootprintMark();
  Footprint Since(int records) const;

 private:
  std::size_t m_base;
  std::size_t m_allocations;
};

// Peak and held bytes against the wire's and per record.
void ReportFootprint(benchmark::State& state, const Footprint& footprint, std::size_t wireBytes);
// What a reply made a client build per byte sent.
void ReportAmplification(benchmark::State& state, const Footprint& footprint, std::size_t wireBytes);

}  // namespace zelbench
