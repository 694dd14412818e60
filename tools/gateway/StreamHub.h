#pragma once
// Hands each change the mirror tells to every open event stream, and keeps
// the journal a reconnecting stream resumes from (ChangeJournal.h).
//
// The feed's thread tells the hub what happened: the mirror joined (at
// first, or again after a loss or a restart of the server), a change, or
// time passing (the journal's age bound, heartbeats). Streams subscribe from
// any thread: under one lock with what is told, a stream is sent either the
// changes after the id it names or, with no id, a snapshot at an id, and
// then every later change, in order, none twice. After the mirror joined
// again, every open stream is told to reload: its client's copy may have
// missed what the server lost.
//
// The feed tells the hub, too, when the mirror's status changes (live,
// stale, unreachable): every stream is sent it at once, and a stream that
// opens later after its first bytes.
//
// Offer, Notice and Reload run under the hub's lock: a sink only queues and
// returns.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ChangeJournal.h"
#include "EventFrames.h"

namespace zelgw {

class StreamSink {
 public:
  virtual ~StreamSink() = default;
  virtual void Offer(const StreamEntry& entry) = 0;
  // For every stream, whatever it asked for: a heartbeat comment that keeps
  // an idle connection open through proxies, or the mirror's status.
  virtual void Notice(const std::shared_ptr<const std::string>& frame) = 0;
  // The client must start over; the sink is no longer subscribed.
  virtual void Reload(const std::string& reason) = 0;
};

struct StreamHubOptions {
  std::size_t journalEntries = 10000;
  std::chrono::milliseconds journalAge = std::chrono::minutes(5);
  std::chrono::milliseconds heartbeat = std::chrono::seconds(15);
};

class StreamHub {
 public:
  explicit StreamHub(StreamHubOptions options = {});

  // The feed's thread.
  void Joined(const TEventPosition& at, bool again);
  // make(id) writes the change's whole event text, or its ChangeTexts.
  template <typename Make>
  void Publish(const TEventPosition& mirrorAt, long userKey, std::uint32_t parts, Make make);
  void Tick();
  // The mirror's status changed: `frame` is its whole event text.
  void Status(std::string frame);

  enum class Opening { NotReady, Gone, Snapshot, Resumed };
  struct Subscription {
    Opening opening = Opening::NotReady;
    // Snapshot: the id the snapshot is taken at.
    StreamId at;
    // Resumed: what the client missed.
    std::vector<StreamEntry> missed;
    // Snapshot and Resumed: the mirror's status, to follow the first bytes.
    std::shared_ptr<const std::string> status;
  };
  // Any thread. Gone and NotReady leave the sink unsubscribed.
  Subscription Subscribe(const std::shared_ptr<StreamSink>& sink, const std::optional<StreamId>& from);
  void Unsubscribe(const StreamSink* sink);

  // Drops every subscriber, without a word: the gateway stops.
  void Clear();

  std::size_t Subscribers() const;
  bool Ready() const;

 private:
  static void Fill(StreamEntry& entry, std::string frame);
  static void Fill(StreamEntry& entry, ChangeTexts texts);
  void Deliver(StreamEntry entry);
  void ReloadAll(const std::string& reason);

  StreamHubOptions m_options;
  mutable std::mutex m_lock;
  ChangeJournal m_journal;
  std::vector<std::shared_ptr<StreamSink>> m_sinks;
  std::shared_ptr<const std::string> m_heartbeat;
  TClock::time_point m_lastHeartbeat{};
  std::shared_ptr<const std::string> m_status;
};

template <typename Make>
void StreamHub::Publish(const TEventPosition& mirrorAt, long userKey, std::uint32_t parts, Make make) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_journal.Started()) return;
  // A change of another life can only come while the mirror joins again:
  // what the streams hold is stale.
  if (mirrorAt.incarnation != m_journal.Incarnation()) {
    ReloadAll("the presence server restarted");
    m_journal.Restart(mirrorAt);
  }
  StreamEntry entry;
  entry.id = m_journal.NextId(mirrorAt);
  entry.userKey = userKey;
  entry.parts = parts;
  Fill(entry, make(entry.id));
  Deliver(std::move(entry));
}

}  // namespace zelgw
