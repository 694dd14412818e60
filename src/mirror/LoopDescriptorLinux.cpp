#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "LoopDescriptor.h"

namespace zelclnt::mirror {
namespace {

void Add(int poll, int fd) {
  epoll_event interest{};
  interest.events = EPOLLIN;
  interest.data.fd = fd;
  // Already there, or closed: either way nothing to do.
  epoll_ctl(poll, EPOLL_CTL_ADD, fd, &interest);
}

}  // namespace

LoopDescriptor::~LoopDescriptor() {
  for (const int fd : {m_poll, m_timer, m_latch})
    if (fd >= 0) close(fd);
}

bool LoopDescriptor::Open() {
  m_poll = epoll_create1(EPOLL_CLOEXEC);
  m_timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  m_latch = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (m_poll < 0 || m_timer < 0 || m_latch < 0) return false;
  Add(m_poll, m_timer);
  Add(m_poll, m_latch);
  return true;
}

void LoopDescriptor::WatchOnly(const std::vector<int>& descriptors) {
  for (const int fd : m_watched)
    if (std::find(descriptors.begin(), descriptors.end(), fd) == descriptors.end())
      epoll_ctl(m_poll, EPOLL_CTL_DEL, fd, nullptr);
  m_watched.clear();
  for (const int fd : descriptors) {
    if (fd < 0) continue;
    // Added again each time: a descriptor closed and made anew left the set.
    Add(m_poll, fd);
    m_watched.push_back(fd);
  }
}

// Never read: it stays readable (as it does when its counter is full).
void LoopDescriptor::Latch() const {
  const std::uint64_t count = 1;
  [[maybe_unused]] const ssize_t written = write(m_latch, &count, sizeof count);
}

// The clock may be a test's: the wake-up is set as a delay from its now,
// and again each time, since that clock moves in steps. The real clock's
// wake-up stands until it passes: setting it costs two system calls, after
// every step of the mirror.
void LoopDescriptor::WakeAt(TClock::time_point at) {
  const bool standing = at == m_wakeAt && !TClock::IsReplaced();
  if (standing && (at == TClock::time_point::max() || at > TClock::Now())) return;
  m_wakeAt = at;
  std::uint64_t expired = 0;
  while (read(m_timer, &expired, sizeof expired) > 0) {
  }
  itimerspec when{};
  if (at != TClock::time_point::max()) {
    const auto delay = std::chrono::duration_cast<std::chrono::nanoseconds>(at - TClock::Now()).count();
    const std::int64_t nanos = std::max<std::int64_t>(delay, 1);
    when.it_value.tv_sec = static_cast<time_t>(nanos / 1000000000);
    when.it_value.tv_nsec = static_cast<long>(nanos % 1000000000);
  }
  timerfd_settime(m_timer, 0, &when, nullptr);
}

}  // namespace zelclnt::mirror
