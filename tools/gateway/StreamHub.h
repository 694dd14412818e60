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
// A snapshot of every user costs a while to write and as much memory as the
// users' JSON: the last one of each set of parts is kept, and streams that
// open within a moment of it share it and are sent the changes after its id.
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
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ChangeJournal.h"

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
  std::chrono::milliseconds snapshotReuse = std::chrono::seconds(1);
};

class StreamHub {
 public:
  explicit StreamHub(StreamHubOptions options = {});

  // The feed's thread.
  void Joined(const TEventPosition& at, bool again);
  // make(id) writes the change's whole event text.
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

  struct Snapshot {
    StreamId at;
    std::shared_ptr<const std::string> frame;
  };
  // The last snapshot of every user with `parts` while it is recent, else
  // one made now with make(id), one at a time: streams that open together
  // share it.
  template <typename Make>
  Snapshot SharedSnapshot(std::uint32_t parts, Make make);

  // Drops every subscriber, without a word: the gateway stops.
  void Clear();

  std::size_t Subscribers() const;
  bool Ready() const;

 private:
  void Deliver(StreamEntry entry);
  void ReloadAll(const std::string& reason);

  StreamHubOptions m_options;
  mutable std::mutex m_lock;
  ChangeJournal m_journal;
  std::vector<std::shared_ptr<StreamSink>> m_sinks;
  std::shared_ptr<const std::string> m_heartbeat;
  TClock::time_point m_lastHeartbeat{};
  std::shared_ptr<const std::string> m_status;
  std::mutex m_making;
  struct Kept {
    Snapshot snapshot;
    TClock::time_point at;
  };
  std::map<std::uint32_t, Kept> m_snapshots;
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
  entry.frame = std::make_shared<const std::string>(make(entry.id));
  Deliver(std::move(entry));
}

template <typename Make>
StreamHub::Snapshot StreamHub::SharedSnapshot(std::uint32_t parts, Make make) {
  std::lock_guard<std::mutex> making(m_making);
  StreamId at;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    const TClock::time_point now = TClock::Now();
    const auto kept = m_snapshots.find(parts);
    if (kept != m_snapshots.end() && now - kept->second.at <= m_options.snapshotReuse) return kept->second.snapshot;
    // None outlives its moment: a snapshot is as large as every user.
    for (auto old = m_snapshots.begin(); old != m_snapshots.end();)
      old = now - old->second.at > m_options.snapshotReuse ? m_snapshots.erase(old) : std::next(old);
    at = m_journal.Last();
  }
  // Made outside the lock: the changes go on meanwhile.
  Snapshot snapshot{at, std::make_shared<const std::string>(make(at))};
  std::lock_guard<std::mutex> guard(m_lock);
  if (at.incarnation != m_journal.Incarnation()) return snapshot;
  m_snapshots[parts] = Kept{snapshot, TClock::Now()};
  return snapshot;
}

}  // namespace zelgw
