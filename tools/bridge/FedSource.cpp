#include "FedSource.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace zelbridge {

namespace {

using Kind = TEventNotice::Kind;

bool HasPlace(const TEventNotice& notice) { return notice.kind == Kind::Event || notice.kind == Kind::TooLarge; }

bool Rejoins(Kind kind) { return kind == Kind::Restarted || kind == Kind::Resync || kind == Kind::Switched; }

}  // namespace

FedSource::FedSource(std::string server) : ZelTServerQuestions(std::move(server)) {}

bool FedSource::Start(const Interest& interest, std::string*) {
  m_types.insert(interest.eventTypes.begin(), interest.eventTypes.end());
  m_users.insert(interest.userKeys.begin(), interest.userKeys.end());
  if (interest.highWaterMark > 0) m_highWaterMark = static_cast<std::size_t>(interest.highWaterMark);
  OpenQuestions(interest.queryTimeoutMs);
  return true;
}

// Events after the subscription took reach the bridge, or are asked for.
// Nothing tells when it hears: looked at again after a slice.
bool FedSource::WaitUntilSubscribed(long timeoutMs) {
  if (m_heard == 0 && timeoutMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 20L)));
  return m_heard != 0;
}

void FedSource::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stopped = true;
  }
  m_fed.notify_all();
}

TEventPosition FedSource::Through() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_through;
}

void FedSource::Feed(TEventNotice notice) {
  std::lock_guard<std::mutex> lock(m_lock);
  Queue(std::move(notice));
}

void FedSource::Queue(TEventNotice notice) {
  if (m_queue.size() >= m_highWaterMark) {
    const TEventNotice& oldest = m_queue.front();
    if (HasPlace(oldest)) {
      if (!m_dropped || oldest.incarnation != m_dropped->incarnation || oldest.position > m_dropped->position)
        m_dropped = TEventPosition{oldest.incarnation, oldest.position};
    } else if (Rejoins(oldest.kind)) {
      // Whatever it said is lost with it.
      m_dropped = TEventPosition{};
    }
    m_queue.pop_front();
  }
  m_queue.push_back(std::move(notice));
}

bool FedSource::Lost() const {
  if (!m_dropped) return false;
  if (!m_dropped->IsKnown() || !m_through.IsKnown() || m_dropped->incarnation != m_through.incarnation) return true;
  return m_dropped->position > m_through.position;
}

// What came before the join's place is in the join, losses and restarts
// included.
void FedSource::ResumeAfter(const TEventPosition& position) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_through = position;
  if (!Lost()) m_dropped.reset();
  if (!position.IsKnown()) return;
  const auto reflected = std::find_if(m_queue.rbegin(), m_queue.rend(), [&](const TEventNotice& notice) {
    return HasPlace(notice) && notice.incarnation == position.incarnation && notice.position <= position.position;
  });
  m_queue.erase(m_queue.begin(), reflected.base());
}

bool FedSource::Unwanted(const TEventNotice& notice) const {
  if (!HasPlace(notice)) return false;
  if (!m_types.empty() && m_types.count(notice.eventType) == 0) return true;
  return !m_users.empty() && m_users.count(notice.userKey) == 0;
}

void FedSource::Advance(const TEventNotice& notice) {
  if (!HasPlace(notice) || notice.incarnation == 0) return;
  if (notice.incarnation != m_through.incarnation || notice.position > m_through.position)
    m_through = {notice.incarnation, notice.position};
}

bool FedSource::Next(TEventNotice& notice, long timeoutMs) {
  std::unique_lock<std::mutex> lock(m_lock);
  m_fed.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0L)),
                 [this] { return m_stopped || m_dropped || !m_queue.empty(); });
  if (m_dropped) {
    const bool lost = Lost();
    m_dropped.reset();
    if (lost) {
      notice = TEventNotice{};
      notice.kind = Kind::Resync;
      notice.incarnation = m_through.incarnation;
      notice.position = m_through.position;
      return true;
    }
  }
  while (!m_queue.empty()) {
    notice = std::move(m_queue.front());
    m_queue.pop_front();
    const bool had = HasPlace(notice) && notice.incarnation != 0 && notice.incarnation == m_through.incarnation &&
                     notice.position <= m_through.position;
    if (had) continue;
    Advance(notice);
    if (!Unwanted(notice)) return true;
  }
  return false;
}

}  // namespace zelbridge
