#include "zelclnt/platform/TClock.h"

namespace {

std::atomic<const TClock*> g_clock{nullptr};

}  // namespace

TClock::time_point TClock::Now() {
  const TClock* clock = g_clock.load(std::memory_order_acquire);
  return clock ? clock->Read() : std::chrono::steady_clock::now();
}

void TClock::Install(const TClock* clock) { g_clock.store(clock, std::memory_order_release); }

bool TClock::IsReplaced() { return g_clock.load(std::memory_order_acquire) != nullptr; }

TManualClock::TManualClock() : m_ticks(std::chrono::steady_clock::now().time_since_epoch().count()) {}

TClock::time_point TManualClock::Read() const { return time_point(duration(m_ticks.load())); }

void TManualClock::Advance(duration by) { m_ticks += by.count(); }

TScopedClock::TScopedClock(const TClock& clock) : m_previous(g_clock.exchange(&clock)) {}

TScopedClock::~TScopedClock() { g_clock.store(m_previous); }
