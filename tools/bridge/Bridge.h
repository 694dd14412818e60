#pragma once
// Follows a presence server (or a pair, named as a list) and writes what it
// publishes to JetStream: each event once into the stream (Subjects.h) and
// each user's latest record into the bucket (StoredRecord.h).
//
// Events come from an event receiver of the bridge's own, which asks the
// server for what it missed; records from a presence mirror fed those same
// events (FedSource: one subscription), which queries what it must. At
// Start the bridge reads the last message the stream holds of its server
// and resumes after the place it names, so a restarted bridge neither
// writes an event twice nor leaves one out;
// JetStream drops a message whose id it holds, so two bridges on one
// server write each event once as well. Where events are lost for good
// (the server no longer holds them, it restarted, another server of the
// pair took over, an event too large to read) the bridge writes a resync
// marker before the next event: never a silent gap. The bucket then gets
// every record afresh from the mirror's new join.
//
// Events and records go their own ways, each over a connection of its own:
// the events on the thread that runs the bridge, which hands each to the
// mirror; the mirror on a thread of the bridge's own, which hands the
// records it changed to a third, the bucket's writer (PendingRecords). None
// waits for another. A user's record is written once per round of the
// writer however often it changed meanwhile: the bucket keeps the latest
// record only.
//
// A write that fails is tried again every retryMs until it succeeds or the
// bridge is stopped; meanwhile the receiver holds up to the high-water mark
// of events, then drops them and asks for them again once the writes go
// through (or says they are gone: a marker).
//
// While it hears the presence server (an event or a heartbeat within
// ZelAPresenceMirror::kHeardWithinMs), it says so once a second on the
// server's alive subject (Subjects.h), for consumers to tell a live stream.
//
// One thread drives it (Start, WaitUntilSubscribed, Run); Stop from any
// thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "JetStream.h"
#include "PendingRecords.h"
#include "zelclnt/platform/TEventPosition.h"

class TEventReceiver;
class ZelAPresenceMirror;
struct TEventNotice;
struct ZelTPresenceChange;

namespace zelbridge {

class FedSource;

struct BridgeOptions {
  // A server name or a list ("tcp://a:7300,tcp://b:7300").
  std::string server;
  // The subjects' <server> token; empty: derived from `server`.
  std::string name;
  int highWaterMark = 10000;
  long retryMs = 250;
  // A line about what the bridge met (a failed write, a marker, a notice).
  std::function<void(const std::string&)> log;
};

struct BridgeCounters {
  std::uint64_t events = 0;
  std::uint64_t markers = 0;
  std::uint64_t recordsPut = 0;
  std::uint64_t recordsDeleted = 0;
  std::uint64_t writesRetried = 0;
};

class Bridge {
 public:
  // REQUIRES: two connections, both alive while the bridge is.
  Bridge(JetStream& events, JetStream& records, BridgeOptions options);
  ~Bridge();
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  // Reads where the stream stands and subscribes; false with the reason.
  bool Start(std::string* error);
  // Connects both writers to NATS, then Start. While NATS is not ready
  // (JetStream::FailedForNow: a node still starting, a cluster still
  // electing its leader) tries again every retryMs until Stop, as a write
  // does; false with the reason of anything else, or once stopped.
  bool StartOn(const NatsOptions& nats, std::string* error);
  // Waits up to timeoutMs for the subscriptions to take (events published
  // from then on are the bridge's); true once they did.
  bool WaitUntilSubscribed(long timeoutMs);
  // Writes until Stop.
  void Run();
  void Stop() { m_stop = true; }

  // The place the stream held for this server at Start (unknown: none).
  TEventPosition ResumedAfter() const { return m_resumedAfter; }
  BridgeCounters Counters() const;
  const std::string& Token() const { return m_token; }

 private:
  void Step(long timeoutMs);
  void RunMirror();
  // The mirror's thread: hands over the records of the users changed, or
  // of all after a join.
  void HandOverRecords();
  void HandOverAll();
  void HandOver(long userKey);
  void RunWriter();
  void WriteRound(const PendingRecords::Round& round);
  void DeleteAllBut(const std::unordered_set<std::string>& held);
  void Handle(const TEventNotice& notice);
  void WriteEvent(const TEventNotice& notice);
  // Writes the events gathered so far, in order.
  void FlushEvents();
  void WriteMarker(const TEventPosition& after);
  void NoteChange(const ZelTPresenceChange& change);
  // Says on the alive subject, once a second, that the server is heard.
  void Announce();
  // Runs write until it succeeds; false when stopped first.
  bool Persist(const std::function<bool(std::string*)>& write);
  void Log(const std::string& line) const;

  JetStream& m_eventsOut;
  JetStream& m_recordsOut;
  BridgeOptions m_options;
  std::string m_token;
  TEventPosition m_resumedAfter;
  std::unique_ptr<TEventReceiver> m_receiver;
  FedSource* m_source = nullptr;
  std::unique_ptr<ZelAPresenceMirror> m_mirror;
  // Events were lost for good: a marker goes before the next event.
  bool m_markDue = false;
  std::vector<Outgoing> m_batch;
  // The mirror's thread's: users changed and not handed over yet, and a
  // join.
  std::unordered_set<long> m_dirty;
  bool m_synced = false;
  PendingRecords m_pending;
  // The events thread's: when the server was last heard, and the next time
  // to say so.
  std::uint64_t m_heard = 0;
  std::chrono::steady_clock::time_point m_heardAt{};
  std::chrono::steady_clock::time_point m_nextAlive{};
  std::atomic<bool> m_stop{false};
  std::atomic<std::uint64_t> m_events{0};
  std::atomic<std::uint64_t> m_markers{0};
  std::atomic<std::uint64_t> m_put{0};
  std::atomic<std::uint64_t> m_deleted{0};
  std::atomic<std::uint64_t> m_retried{0};
};

}  // namespace zelbridge
