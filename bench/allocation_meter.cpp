#include "allocation_meter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> g_inUse{0};
std::atomic<std::size_t> g_peak{0};
std::atomic<std::size_t> g_allocations{0};
thread_local std::size_t t_allocations = 0;

void* Allocate(std::size_t size) noexcept {
  void* pointer = std::malloc(size ? size : 1);
  if (!pointer) return nullptr;
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  ++t_allocations;
  const std::size_t usable = malloc_usable_size(pointer);
  const std::size_t now = g_inUse.fetch_add(usable, std::memory_order_relaxed) + usable;
  std::size_t peak = g_peak.load(std::memory_order_relaxed);
  while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
  return pointer;
}

void Release(void* pointer) noexcept {
  if (!pointer) return;
  g_inUse.fetch_sub(malloc_usable_size(pointer), std::memory_order_relaxed);
  std::free(pointer);
}

void* AllocateOrThrow(std::size_t size) {
  if (void* pointer = Allocate(size)) return pointer;
  throw std::bad_alloc();
}

}  // namespace

namespace zelbench {

std::size_t BytesInUse() { return g_inUse.load(std::memory_order_relaxed); }

std::size_t PeakBytesInUse() { return g_peak.load(std::memory_order_relaxed); }

std::size_t AllocationCount() { return g_allocations.load(std::memory_order_relaxed); }

std::size_t ThreadAllocationCount() { return t_allocations; }

void ResetPeak() { g_peak.store(g_inUse.load(std::memory_order_relaxed), std::memory_order_relaxed); }

FootprintMark::FootprintMark() : m_base(BytesInUse()), m_allocations(AllocationCount()) { ResetPeak(); }

Footprint FootprintMark::Since(int records) const {
  return {PeakBytesInUse() - m_base, BytesInUse() - m_base, AllocationCount() - m_allocations, records};
}

void ReportFootprint(benchmark::State& state, const Footprint& footprint, std::size_t wireBytes) {
  const auto held = static_cast<double>(footprint.held);
  state.counters["wire_bytes"] = static_cast<double>(wireBytes);
  state.counters["peak_bytes"] = static_cast<double>(footprint.peak);
  state.counters["held_bytes"] = held;
  state.counters["peak_per_held"] = static_cast<double>(footprint.peak) / held;
  state.counters["held_per_wire"] = held / static_cast<double>(wireBytes);
  state.counters["held_per_user"] = held / footprint.records;
  state.counters["allocations_per_user"] = static_cast<double>(footprint.allocations) / footprint.records;
}

void ReportAmplification(benchmark::State& state, const Footprint& footprint, std::size_t wireBytes) {
  state.counters["wire_bytes"] = static_cast<double>(wireBytes);
  state.counters["records"] = footprint.records;
  state.counters["held_bytes"] = static_cast<double>(footprint.held);
  state.counters["amplification"] = static_cast<double>(footprint.held) / static_cast<double>(wireBytes);
}

}  // namespace zelbench

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
