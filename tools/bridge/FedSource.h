#pragma once
// The bridge's mirror's source (ZelTMirrorSource): the events the bridge's
// own receiver read, handed over by the bridge (Feed), and questions to the
// presence server (ZelTServerQuestions); one subscription for both.
//
// What the bridge feeds waits here until the mirror takes it: all of it
// while a join is out or the bucket is written. Past the mirror's high-water mark the oldest is
// dropped; only when a dropped event lies after the place the mirror
// resumed from is anything lost, told as Resync. Events the join already
// reflects (up to ResumeAfter's place) are not handed over, nor what came
// before them: a loss or a restart the join covers asks for no second one.
//
// Subscribed once the bridge's receiver heard the server. The bridge's
// events thread feeds it and says what its receiver heard; the mirror's
// driving thread takes.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>

#include "zelclnt/mirror/ZelTServerQuestions.h"

namespace zelbridge {

class FedSource : public ZelTServerQuestions {
 public:
  explicit FedSource(std::string server);

  // Queued without waking the mirror: Fed wakes it, once for a batch
  // rather than once an event.
  void Feed(TEventNotice notice);
  void Fed() { m_fed.notify_one(); }
  // The bridge's receiver's Heard().
  void NoteHeard(std::uint64_t heard) { m_heard = heard; }

  bool Start(const Interest& interest, std::string* error) override;
  bool WaitUntilSubscribed(long timeoutMs) override;
  void Stop() override;
  void ResumeAfter(const TEventPosition& position) override;
  TEventPosition Through() const override;
  // Waits for what is fed; an answer does not end the wait, which the
  // mirror keeps to a slice.
  bool Next(TEventNotice& notice, long timeoutMs) override;
  void WakeOn(int) override {}
  int Descriptor() override { return -1; }
  std::uint64_t Heard() const override { return m_heard; }

 private:
  // Under the lock.
  void Queue(TEventNotice notice);
  // Not of the mirror's types: passed over, as its receiver would not get it.
  bool Unwanted(const TEventNotice& notice) const;
  // Dropped events lie after the place the mirror has everything up to.
  bool Lost() const;
  void Advance(const TEventNotice& notice);

  std::atomic<std::uint64_t> m_heard{0};
  std::unordered_set<int> m_types;
  std::unordered_set<std::int64_t> m_users;
  std::size_t m_highWaterMark = TEventReceiver::kDefaultHighWaterMark;
  mutable std::mutex m_lock;
  std::condition_variable m_fed;
  bool m_stopped = false;
  std::deque<TEventNotice> m_queue;
  TEventPosition m_through;
  // The latest event dropped past the high-water mark, while it may matter.
  std::optional<TEventPosition> m_dropped;
};

}  // namespace zelbridge
