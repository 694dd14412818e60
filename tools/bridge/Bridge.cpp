#include "Bridge.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <unordered_set>
#include <vector>

#include "FedSource.h"
#include "JetStream.h"
#include "StoredRecord.h"
#include "Subjects.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/platform/TEventReceiver.h"

namespace zelbridge {

namespace {

std::string PlaceText(const TEventPosition& at) {
  return std::to_string(at.incarnation) + ":" + std::to_string(at.position);
}

// A step hands back to its loop, which checks for Stop, at least this
// often. Its events are one round of writes: while acknowledgements are
// slow (a loaded cluster), a round that small a few times a second fell
// behind the server for good; half of JetStream.cpp's bound in flight.
constexpr int kNoticesPerStep = 2048;
constexpr auto kAliveEvery = std::chrono::seconds(1);
// Rounds of writes start at most this often, events and records each:
// events that trickle in one by one would otherwise each be a round of
// their own, with its wake-ups in the bridge, nats.c and the cluster. A
// round of records may come later; a record is the latest of its user.
constexpr auto kEventRoundEvery = std::chrono::milliseconds(5);
constexpr auto kRecordRoundEvery = std::chrono::milliseconds(50);
// Events wait for the next round of writes anyway: read a batch at a time,
// each waits at most this much longer.
constexpr int kGatherMs = 1;

}  // namespace

Bridge::Bridge(JetStream& events, JetStream& records, BridgeOptions options)
    : m_eventsOut(events),
      m_recordsOut(records),
      m_options(std::move(options)),
      m_token(SubjectToken(m_options.name.empty() ? m_options.server : m_options.name)) {}

Bridge::~Bridge() = default;

void Bridge::Log(const std::string& line) const {
  if (m_options.log) m_options.log(line);
}

bool Bridge::Start(std::string* error) {
  std::string why;
  const auto last = m_eventsOut.LastOf(ServerFilter(m_token), &why);
  if (!why.empty()) {
    if (error) *error = why;
    return false;
  }
  if (last) {
    const std::string* life = last->Find(kIncarnationHeader);
    const std::string* at = last->Find(kPositionHeader);
    const auto place = PlaceOf(life ? life->c_str() : nullptr, at ? at->c_str() : nullptr);
    if (!place) {
      if (error) *error = "the stream's last message of " + m_token + " (" + last->subject + ") names no place";
      return false;
    }
    m_resumedAfter = *place;
  }

  m_receiver = std::make_unique<TEventReceiver>(m_options.server);
  m_receiver->SetReceiveHighWaterMark(m_options.highWaterMark);
  // Its events wait for the next round of writes anyway.
  m_receiver->SetGatheringMs(kGatherMs);
  if (!m_receiver->Start(error)) return false;
  if (m_resumedAfter.IsKnown()) {
    Log("resuming after " + PlaceText(m_resumedAfter));
    m_receiver->ResumeAfter(m_resumedAfter);
  }
  auto source = std::make_unique<FedSource>(m_options.server);
  m_source = source.get();
  m_mirror = std::make_unique<ZelAPresenceMirror>(std::move(source));
  // Fed events wait for the mirror while a join is out and while the
  // bucket is written: as many as the receiver holds for the bridge.
  m_mirror->SetReceiveHighWaterMark(m_options.highWaterMark);
  return m_mirror->Start(error);
}

bool Bridge::StartOn(const NatsOptions& nats, std::string* error) {
  for (bool first = true; !m_stop; first = false) {
    std::string why;
    // Start reads through the events' connection alone.
    JetStream* failed = &m_recordsOut;
    if (!m_eventsOut.Connect(nats, &why)) {
      failed = &m_eventsOut;
    } else if (m_recordsOut.Connect(nats, &why)) {
      if (Start(&why)) return true;
      failed = &m_eventsOut;
    }
    if (!failed->FailedForNow()) {
      if (error) *error = why;
      return false;
    }
    if (first) Log(why + "; trying again every " + std::to_string(m_options.retryMs) + " ms");
    std::this_thread::sleep_for(std::chrono::milliseconds(m_options.retryMs));
  }
  if (error) *error = "stopped before NATS was ready";
  return false;
}

bool Bridge::WaitUntilSubscribed(long timeoutMs) {
  if (!m_receiver->WaitUntilSubscribed(timeoutMs)) return false;
  m_source->NoteHeard(m_receiver->Heard());
  return m_mirror->WaitUntilSubscribed(timeoutMs);
}

void Bridge::Step(long timeoutMs) {
  TEventNotice notice;
  for (int i = 0; i < kNoticesPerStep && !m_stop; ++i) {
    if (!m_receiver->Next(notice, i == 0 ? timeoutMs : 0)) break;
    Handle(notice);
    m_source->Feed(std::move(notice));
  }
  m_source->Fed();
  m_source->NoteHeard(m_receiver->Heard());
  FlushEvents();
  Announce();
}

void Bridge::Announce() {
  const auto now = std::chrono::steady_clock::now();
  if (const std::uint64_t heard = m_receiver->Heard(); heard != m_heard) {
    m_heard = heard;
    m_heardAt = now;
  }
  if (now < m_nextAlive || now - m_heardAt > std::chrono::milliseconds(ZelAPresenceMirror::kHeardWithinMs)) return;
  m_nextAlive = now + kAliveEvery;
  // Lost now and then is fine: the next one is a second away.
  m_eventsOut.Announce(AliveSubject(m_token), nullptr);
}

void Bridge::Run() {
  std::thread mirror([this] { RunMirror(); });
  std::thread writer([this] { RunWriter(); });
  while (!m_stop) {
    const auto started = std::chrono::steady_clock::now();
    Step(20);
    std::this_thread::sleep_until(started + kEventRoundEvery);
  }
  writer.join();
  mirror.join();
}

void Bridge::RunMirror() {
  const ZelAPresenceMirror::Callback note = [this](const ZelTPresenceChange& change) { NoteChange(change); };
  // A round of the mirror lasts its whole time under a stream of events.
  while (!m_stop) {
    m_mirror->Poll(50, note);
    HandOverRecords();
  }
}

void Bridge::RunWriter() {
  while (!m_stop) {
    const auto started = std::chrono::steady_clock::now();
    WriteRound(m_pending.Take(50));
    std::this_thread::sleep_until(started + kRecordRoundEvery);
  }
}

void Bridge::Handle(const TEventNotice& notice) {
  using Kind = TEventNotice::Kind;
  switch (notice.kind) {
    case Kind::Event: WriteEvent(notice); break;
    case Kind::TooLarge:
      // Gone for good: the stream holds everything after it again.
      Log("event at " + PlaceText({notice.incarnation, notice.position}) + " too large to read");
      WriteMarker({notice.incarnation, notice.position});
      break;
    case Kind::Restarted:
    case Kind::Resync:
    case Kind::Switched:
      Log(notice.kind == Kind::Resync      ? "events lost beyond the server's replay buffer"
          : notice.kind == Kind::Restarted ? "the server restarted"
                                           : "another server of the pair serves");
      m_markDue = true;
      break;
    case Kind::Disconnected: Log("connection to the presence server lost"); break;
    case Kind::Reconnected: Log("connection to the presence server back"); break;
    case Kind::AuthenticationFailed: Log("the presence server refused the bridge's keys"); break;
    case Kind::TwoServing: Log("two servers of the pair serve at once"); break;
  }
}

void Bridge::WriteEvent(const TEventNotice& notice) {
  const TEventPosition at{notice.incarnation, notice.position};
  if (m_markDue && at.position > 0) {
    WriteMarker({at.incarnation, at.position - 1});
    if (m_markDue) return;
  }
  Outgoing message;
  message.subject = EventSubject(m_token, notice.eventType, notice.userKey);
  message.headers = {{kTypeHeader, std::to_string(notice.eventType)},
                     {kIncarnationHeader, std::to_string(at.incarnation)},
                     {kPositionHeader, std::to_string(at.position)}};
  message.payload = notice.data;
  if (at.IsKnown()) {
    message.id = MessageId(at);
    m_batch.push_back(std::move(message));
    return;
  }
  // A server that tells no positions gives no id to deduplicate by.
  FlushEvents();
  if (Persist([&](std::string* error) { return m_eventsOut.Publish(message, error); })) ++m_events;
}

// Without waiting for each: one round trip for the lot, not one each. What
// was not acknowledged is written again in order, one at a time; JetStream
// drops what it already holds. Only when a later message of the round went
// through before an earlier one failed can the stream hold the two in
// another order than published: said so.
void Bridge::FlushEvents() {
  if (m_batch.empty()) return;
  std::string error;
  const std::vector<std::size_t> failed = m_eventsOut.PublishAll(m_batch, &error);
  if (!failed.empty()) {
    Log(error + "; writing them again one at a time");
    std::vector<bool> missing(m_batch.size(), false);
    for (const std::size_t index : failed) missing[index] = true;
    const auto firstFailed = std::find(missing.begin(), missing.end(), true);
    if (std::find(firstFailed, missing.end(), false) != missing.end())
      Log("events after " + m_batch[failed.front()].id + " were stored before it: their order in the stream may differ");
    ++m_retried;
  }
  for (const std::size_t index : failed)
    if (!Persist([&](std::string* why) { return m_eventsOut.Publish(m_batch[index], why); })) break;
  m_events += m_batch.size();
  m_batch.clear();
}

void Bridge::WriteMarker(const TEventPosition& after) {
  FlushEvents();
  Outgoing marker;
  marker.subject = MarkerSubject(m_token);
  marker.id = MarkerId(after);
  marker.headers = {{kMarkerHeader, kResync},
                    {kIncarnationHeader, std::to_string(after.incarnation)},
                    {kPositionHeader, std::to_string(after.position)}};
  if (!Persist([&](std::string* error) { return m_eventsOut.Publish(marker, error); })) return;
  Log("resync marker: the stream holds every event after " + PlaceText(after));
  m_markDue = false;
  ++m_markers;
}

void Bridge::NoteChange(const ZelTPresenceChange& change) {
  switch (change.kind) {
    case ZelTPresenceChange::CHANGE_USER:
    case ZelTPresenceChange::CHANGE_USER_ADDED:
    case ZelTPresenceChange::CHANGE_USER_REMOVED: m_dirty.insert(change.userKey); break;
    case ZelTPresenceChange::CHANGE_SYNCED:
      Log("the mirror joined at " + PlaceText(change.position) + "; the bucket is written afresh");
      m_synced = true;
      break;
    default: break;
  }
}

// Each changed user as the mirror holds it now.
void Bridge::HandOverRecords() {
  if (m_synced) {
    m_synced = false;
    m_dirty.clear();
    HandOverAll();
    return;
  }
  for (auto at = m_dirty.begin(); at != m_dirty.end();) {
    // A record the mirror knows in part waits for its query: a reader that
    // asks the bucket for a user takes what it finds as exact.
    if (m_mirror->Inexact(*at)) {
      ++at;
      continue;
    }
    HandOver(*at);
    at = m_dirty.erase(at);
  }
}

// After a join the mirror holds the server's picture; the bucket may hold
// an older one, with users since gone.
void Bridge::HandOverAll() {
  const std::vector<long> keys = m_mirror->Users().Keys();
  std::unordered_set<std::string> held;
  held.reserve(keys.size());
  for (const long key : keys) held.insert(std::to_string(key));
  m_pending.Joined(std::move(held));
  for (const long key : keys) {
    // Changed since the join in part only: handed over once known.
    if (m_mirror->Inexact(key))
      m_dirty.insert(key);
    else
      HandOver(key);
  }
}

// Read, not taken: the mirror goes on changing a record in place as long as
// no reader holds it. One the mirror no longer holds is gone from the
// server.
void Bridge::HandOver(long userKey) {
  const std::string key = std::to_string(userKey);
  std::string record;
  if (m_mirror->Users().Read(userKey, [&](const ZelTUserPresence& user, const TEventPosition& position) {
        record = EncodeRecord(user, position);
      }))
    m_pending.Put(key, std::move(record));
  else
    m_pending.Delete(key);
}

void Bridge::WriteRound(const PendingRecords::Round& round) {
  if (!round.puts.empty() && Persist([&](std::string* error) { return m_recordsOut.PutMany(round.puts, error); }))
    m_put += round.puts.size();
  for (const std::string& key : round.deletes) {
    if (!Persist([&](std::string* error) { return m_recordsOut.Delete(key, error); })) return;
    ++m_deleted;
  }
  if (round.held) DeleteAllBut(*round.held);
}

void Bridge::DeleteAllBut(const std::unordered_set<std::string>& held) {
  std::vector<std::string> keys;
  if (!Persist([&](std::string* error) { return m_recordsOut.Keys(keys, error); })) return;
  for (const std::string& key : keys) {
    if (held.count(key) != 0) continue;
    if (!Persist([&](std::string* error) { return m_recordsOut.Delete(key, error); })) return;
    ++m_deleted;
  }
}

bool Bridge::Persist(const std::function<bool(std::string*)>& write) {
  std::string error;
  for (bool first = true; !m_stop; first = false) {
    if (write(&error)) return true;
    if (first) Log(error + "; trying again every " + std::to_string(m_options.retryMs) + " ms");
    ++m_retried;
    std::this_thread::sleep_for(std::chrono::milliseconds(m_options.retryMs));
  }
  return false;
}

BridgeCounters Bridge::Counters() const {
  BridgeCounters counters;
  counters.events = m_events;
  counters.markers = m_markers;
  counters.recordsPut = m_put;
  counters.recordsDeleted = m_deleted;
  counters.writesRetried = m_retried;
  return counters;
}

}  // namespace zelbridge
