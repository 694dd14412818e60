#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "ReadyDescriptor.h"

namespace zelplatform {

ReadyDescriptor::~ReadyDescriptor() {
  for (const int fd : {m_poll, m_event, m_timer, m_latch})
    if (fd >= 0) close(fd);
}

bool ReadyDescriptor::Open() {
  m_poll = epoll_create1(EPOLL_CLOEXEC);
  m_event = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  m_timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  m_latch = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  return m_poll >= 0 && m_event >= 0 && m_timer >= 0 && m_latch >= 0 && Watch(m_event) && Watch(m_timer) &&
         Watch(m_latch);
}

bool ReadyDescriptor::Watch(int fd) const {
  epoll_event interest{};
  interest.events = EPOLLIN;
  interest.data.fd = fd;
  return epoll_ctl(m_poll, EPOLL_CTL_ADD, fd, &interest) == 0 || errno == EEXIST;
}

void ReadyDescriptor::WatchOnly(const std::vector<int>& fds) {
  for (const int fd : m_watched)
    if (std::find(fds.begin(), fds.end(), fd) == fds.end()) epoll_ctl(m_poll, EPOLL_CTL_DEL, fd, nullptr);
  m_watched.clear();
  for (const int fd : fds) {
    // Added again each time: a descriptor closed and made anew left the set.
    if (fd < 0 || !Watch(fd)) continue;
    m_watched.push_back(fd);
  }
}

void ReadyDescriptor::Signal(bool on) {
  if (on == m_signalled) return;
  std::uint64_t count = 1;
  const ssize_t done = on ? write(m_event, &count, sizeof count) : read(m_event, &count, sizeof count);
  m_signalled = on && done == sizeof count;
}

// Never read: it stays readable (as it does when its counter is full).
void ReadyDescriptor::Latch() const {
  const std::uint64_t count = 1;
  [[maybe_unused]] const ssize_t written = write(m_latch, &count, sizeof count);
}

void ReadyDescriptor::NoWake() {
  std::uint64_t expired = 0;
  while (read(m_timer, &expired, sizeof expired) > 0) {
  }
  const itimerspec never{};
  timerfd_settime(m_timer, 0, &never, nullptr);
}

void ReadyDescriptor::WakeIn(std::chrono::steady_clock::duration delay) {
  NoWake();
  itimerspec when{};
  const auto nanos = std::max<std::int64_t>(std::chrono::nanoseconds(delay).count(), 1);
  when.it_value.tv_sec = static_cast<time_t>(nanos / 1000000000);
  when.it_value.tv_nsec = static_cast<long>(nanos % 1000000000);
  timerfd_settime(m_timer, 0, &when, nullptr);
}

}  // namespace zelplatform
