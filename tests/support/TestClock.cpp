#include "TestClock.h"

#include <future>

TClock::time_point TestClock::Read() const {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_reads[std::this_thread::get_id()];
  }
  return TManualClock::Read();
}

std::size_t TestClock::Reads(std::thread::id thread) const {
  std::lock_guard<std::mutex> guard(m_lock);
  const auto found = m_reads.find(thread);
  return found == m_reads.end() ? 0 : found->second;
}

std::size_t TestClock::TotalReads() const {
  std::lock_guard<std::mutex> guard(m_lock);
  std::size_t total = 0;
  for (const auto& [thread, reads] : m_reads) total += reads;
  return total;
}

namespace {

template <typename Enough>
bool AwaitRealTime(Enough enough) {
  for (int slice = 0; slice < 10000; ++slice) {
    if (enough()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

}  // namespace

bool TestClock::AwaitReads(std::thread::id thread, std::size_t reads) const {
  return AwaitRealTime([&] { return Reads(thread) >= reads; });
}

bool TestClock::AwaitTotalReads(std::size_t reads) const {
  return AwaitRealTime([&] { return TotalReads() >= reads; });
}

bool TestClock::AdvanceUntil(duration step, const std::function<bool()>& done) {
  for (int steps = 0; steps < 10000; ++steps) {
    if (done()) return true;
    Advance(step);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

bool TestClock::FinishesWhileStill(const std::function<void()>& work) {
  auto running = std::async(std::launch::async, work);
  const bool finished = running.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  if (!finished) Advance(std::chrono::hours(1));
  running.get();
  return finished;
}
