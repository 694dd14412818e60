#include "zelclnt/mirror/ZelAPresenceMirror.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>

#include "LoopDescriptor.h"
#include "PresenceParts.h"
#include "ServerSource.h"
#include "StaleUsers.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/TEventReceiver.h"

namespace {

using Change = ZelTPresenceChange;
using Clock = TClock;
using zelclnt::mirror::StaleUsers;
using Reply = ZelTMirrorAnswer;

constexpr const char* kClass = "ZelAPresenceMirror";
// The longest a wait blocks before it looks at Stop and the clock again.
constexpr std::chrono::milliseconds kSlice{20};
// A replaced clock is looked at often: a test moves it, not real time.
constexpr std::chrono::milliseconds kReplacedSlice{2};
// Users queried again at once, and the events held for one of them while
// its query is out.
constexpr std::size_t kAskingMax = 64;
constexpr std::size_t kHeldMax = 256;

Clock::time_point DeadlineAfter(long timeoutMs) {
  return timeoutMs < 0 ? Clock::time_point::max() : Clock::Now() + std::chrono::milliseconds(timeoutMs);
}

// Milliseconds left until `until`, at most one slice: the receiver's own
// waits then end in time for Stop and for users due to be queried.
long SliceUntil(Clock::time_point until) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::Now());
  return static_cast<long>(std::clamp(left, std::chrono::milliseconds(0), std::chrono::milliseconds(kSlice)).count());
}

std::vector<int> TypesFor(bool allUsers) {
  std::vector<int> types = ZelTEventApplier::UserEventTypes();
  if (allUsers) {
    const auto& readiness = ZelTEventApplier::ReadinessEventTypes();
    types.insert(types.end(), readiness.begin(), readiness.end());
  }
  return types;
}

}  // namespace

ZelAPresenceMirror::ZelAPresenceMirror(const std::string& server) : ZelAPresenceMirror(server, {}) {}

ZelAPresenceMirror::ZelAPresenceMirror(const std::string& server, std::vector<ChosenUser> users)
    : ZelAPresenceMirror(std::make_unique<zelclnt::mirror::ServerSource>(server), std::move(users)) {}

ZelAPresenceMirror::ZelAPresenceMirror(std::unique_ptr<ZelTMirrorSource> source, std::vector<ChosenUser> users)
    : m_server(source->Name()),
      m_chosen(std::move(users)),
      m_highWaterMark(TEventReceiver::kDefaultHighWaterMark),
      m_source(std::move(source)),
      m_stale(std::make_unique<StaleUsers>()),
      m_notice(std::make_unique<TEventNotice>()) {}

ZelAPresenceMirror::~ZelAPresenceMirror() = default;

bool ZelAPresenceMirror::Start(std::string* error) {
  if (m_started) {
    if (error) *error = "the mirror of " + m_server + " started already";
    return false;
  }
  ZelTMirrorSource::Interest interest;
  interest.eventTypes = TypesFor(m_chosen.empty());
  for (const ChosenUser& user : m_chosen) interest.userKeys.push_back(user.userKey);
  interest.highWaterMark = m_highWaterMark;
  interest.queryTimeoutMs = m_queryTimeoutMs;
  if (!m_source->Start(interest, error)) return false;
  m_started = true;
  m_phase = Phase::Subscribing;
  return true;
}

bool ZelAPresenceMirror::WaitUntilSubscribed(long timeoutMs) {
  if (m_phase == Phase::Subscribing && m_started) Subscribe(DeadlineAfter(timeoutMs));
  return m_started && m_phase != Phase::Subscribing;
}

// A loop that waits on the descriptor alone wakes: Stop latches it, or
// ArmLoop does when Stop came before it was shared.
void ZelAPresenceMirror::Stop() {
  m_stop = true;
  m_source->Stop();
  if (const zelclnt::mirror::LoopDescriptor* loop = m_loopOpen.load()) loop->Latch();
}

// Under a steady stream there is always work: only the deadline ends it,
// after one step at least.
std::size_t ZelAPresenceMirror::Poll(long timeoutMs, const Callback& callback) {
  const Clock::time_point deadline = DeadlineAfter(timeoutMs);
  std::size_t told = 0;
  for (bool first = true;; first = false) {
    for (; !m_changes.empty(); ++told) {
      const ZelTPresenceChange change = std::move(m_changes.front());
      m_changes.pop_front();
      if (callback) callback(change);
    }
    if (m_stop || !m_started || (!first && Clock::Now() >= deadline)) break;
    Work(deadline);
  }
  if (m_loop) ArmLoop();
  return told;
}

bool ZelAPresenceMirror::Next(ZelTPresenceChange& change, long timeoutMs) {
  const Clock::time_point deadline = DeadlineAfter(timeoutMs);
  for (bool first = true;; first = false) {
    if (!m_changes.empty()) {
      change = std::move(m_changes.front());
      m_changes.pop_front();
      return true;
    }
    if (m_stop || !m_started || (!first && Clock::Now() >= deadline)) return false;
    Work(deadline);
    // Re-armed only after work: a change already waiting changed nothing.
    if (m_loop) ArmLoop();
  }
}

int ZelAPresenceMirror::Descriptor() {
  if (!m_started || m_source->Descriptor() < 0) return -1;
  if (!m_loop) {
    auto loop = std::make_unique<zelclnt::mirror::LoopDescriptor>();
    if (!loop->Open()) return -1;
    m_loop = std::move(loop);
    m_loopOpen = m_loop.get();
  }
  ArmLoop();
  return m_loop->Fd();
}

// Events are read only while subscribing and live: while a join is out
// they wait, and a loop woken by them would spin.
void ZelAPresenceMirror::ArmLoop() {
  if (m_stop) m_loop->Latch();
  const Phase phase = m_phase;
  const bool reading = phase == Phase::Subscribing || phase == Phase::Live;
  const bool asking = m_source->InFlight() != 0;
  m_loop->WatchOnly({reading ? m_source->Descriptor() : -1, asking ? m_source->AnswerDescriptor() : -1});
  Clock::time_point due = Clock::time_point::max();
  if (phase == Phase::Querying) due = m_retryAt;
  if (phase == Phase::Live && m_asking.size() < kAskingMax) due = m_stale->Earliest();
  m_loop->WakeAt(due);
}

std::vector<TMediaReadiness> ZelAPresenceMirror::Readiness() const {
  std::lock_guard<std::mutex> guard(m_readinessLock);
  return m_readiness;
}

TEventPosition ZelAPresenceMirror::Position() const {
  std::lock_guard<std::mutex> guard(m_positionLock);
  return m_position;
}

ZelTMirrorCounters ZelAPresenceMirror::Counters() const {
  ZelTMirrorCounters counters;
  counters.eventsApplied = m_applied;
  counters.eventsSkipped = m_skipped;
  counters.eventsUnreadable = m_unreadable;
  counters.eventsReplayed = m_replayed;
  counters.resyncs = m_resyncs;
  counters.usersRequeried = m_requeried;
  counters.queriesFailed = m_failed;
  counters.users = m_store.Size();
  return counters;
}

// One step: true when it did something, false when it only waited.
bool ZelAPresenceMirror::Work(Clock::time_point deadline) {
  switch (m_phase) {
    case Phase::Subscribing:
      return Subscribe(deadline);
    case Phase::Querying:
      if (Clock::Now() < m_retryAt) {
        Wait(std::min(m_retryAt, deadline));
        return false;
      }
      return StartJoin();
    case Phase::Joining:
      return AwaitJoin(deadline);
    case Phase::Live:
      return CollectAnswer() || AskDue() || Listen(deadline);
  }
  return false;
}

bool ZelAPresenceMirror::Subscribe(Clock::time_point deadline) {
  do {
    if (m_source->WaitUntilSubscribed(SliceUntil(deadline))) {
      NoteHeard();
      m_phase = Phase::Querying;
      m_retryAt = Clock::time_point();
      return true;
    }
  } while (!m_stop && Clock::Now() < deadline);
  return false;
}

// Queried first, resumed after: what the replies reflect is not handed over
// again, and what followed them is asked for if it was missed. Events wait
// in the receiver meanwhile: they mean nothing before the replies.
bool ZelAPresenceMirror::StartJoin() {
  m_source->CancelAll();
  m_asking.clear();
  m_joinReplies.clear();
  m_phase = Phase::Joining;
  std::string why;
  bool asked = true;
  if (m_chosen.empty()) asked = m_source->AskAll(&why);
  for (auto chosen = m_chosen.begin(); asked && chosen != m_chosen.end(); ++chosen)
    asked = m_source->AskUser(chosen->userKey, chosen->userId, &why);
  if (!asked) JoinFailed(why);
  return true;
}

bool ZelAPresenceMirror::AwaitJoin(Clock::time_point deadline) {
  Reply reply;
  if (!m_source->NextAnswer(reply)) {
    Pause(deadline);
    return false;
  }
  using Kind = Reply::Kind;
  using Answer = Reply::Answer;
  if (reply.kind == Kind::Readiness) {
    if (reply.answer == Answer::Answered) {
      std::lock_guard<std::mutex> guard(m_readinessLock);
      m_readiness = std::move(reply.readiness);
    }
  } else if (reply.answer == Answer::Failed || (reply.kind == Kind::AllUsers && reply.answer != Answer::Answered)) {
    JoinFailed(reply.answer == Answer::Failed ? reply.failure : m_server + " refused to tell its users");
    return true;
  } else {
    m_joinReplies.push_back(std::move(reply));
  }
  if (m_source->InFlight() == 0) FinishJoin();
  return true;
}

void ZelAPresenceMirror::JoinFailed(const std::string& why) {
  ++m_failed;
  {
    std::lock_guard<std::mutex> guard(m_positionLock);
    m_joinFailure = why;
  }
  m_source->CancelAll();
  m_joinReplies.clear();
  m_phase = Phase::Querying;
  m_retryAt = Clock::Now() + std::chrono::milliseconds(kRetryMs);
  NuxDiagStream(TDiag::WARN, __LINE__, __FILE__, kClass, "Join")
      << "Querying " << m_server << " failed: " << why << "; trying again";
}

void ZelAPresenceMirror::FinishJoin() {
  const TEventPosition at = m_chosen.empty() ? JoinAll() : JoinChosen();
  m_joinReplies.clear();
  m_stale->Clear();
  m_source->ResumeAfter(at);
  {
    std::lock_guard<std::mutex> guard(m_positionLock);
    m_position = at;
    m_joinFailure.clear();
  }
  if (m_joined) ++m_resyncs;
  Change change;
  change.kind = Change::CHANGE_SYNCED;
  change.position = at;
  change.syncCause = m_syncCause;
  Tell(std::move(change));
  m_joined = true;
  m_syncCause = Change::SYNC_LOST;
  m_phase = Phase::Live;
  NoteCurrent();
}

TEventPosition ZelAPresenceMirror::JoinAll() {
  Reply& all = m_joinReplies.front();
  // Users the server no longer has are looked for only when some are held.
  std::unordered_set<long> answered;
  const bool held = m_store.Size() != 0;
  m_store.Reserve(all.users.size());
  for (auto& [record, position] : all.users) {
    if (held) answered.insert(record->GetUserKey());
    Replace(std::move(record), position, m_joined);
  }
  const TEventPosition at = all.at;
  if (held) {
    for (const long userKey : m_store.Keys())
      if (answered.count(userKey) == 0) RemoveUser(userKey, at);
  }
  return at;
}

// Each user's reply has its own position; the stream resumes after the
// lowest, and the store keeps each user from going back before its own.
TEventPosition ZelAPresenceMirror::JoinChosen() {
  TEventPosition at;
  bool first = true;
  for (const Reply& reply : m_joinReplies) {
    const TEventPosition position = reply.at;
    if (first || (position.incarnation == at.incarnation && position.position < at.position)) at = position;
    first = false;
  }
  for (Reply& reply : m_joinReplies) {
    const TEventPosition position = reply.at;
    if (reply.answer == Reply::Answer::Answered) {
      Replace(std::move(reply.user), position, m_joined);
    } else {
      RemoveUser(reply.userKey, position);
    }
  }
  return at;
}

bool ZelAPresenceMirror::Listen(Clock::time_point deadline) {
  const Clock::time_point until = std::min(deadline, m_stale->Earliest());
  const Clock::time_point start = Clock::Now();
  const long slice = SliceUntil(until);
  const bool asking = m_source->InFlight() != 0;
  m_source->WakeOn(asking ? m_source->AnswerDescriptor() : -1);
  const bool got = m_source->Next(*m_notice, slice);
  NoteHeard();
  if (!got) {
    // A receiver that fails at once must not make the caller's loop spin;
    // one woken by an answer has it to collect.
    if (!asking) Wait(std::min(until, start + std::chrono::milliseconds(slice)));
    return false;
  }
  Handle(*m_notice);
  std::lock_guard<std::mutex> guard(m_positionLock);
  m_position = m_source->Through();
  return true;
}

void ZelAPresenceMirror::Handle(const TEventNotice& notice) {
  using Kind = TEventNotice::Kind;
  if (notice.replayed) ++m_replayed;
  if (Held(notice)) return;
  Change link;
  link.position = {notice.incarnation, notice.position};
  switch (notice.kind) {
    case Kind::Event:
      if (ZelTEventApplier::IsUserEvent(notice.eventType)) return ApplyUserEvent(notice);
      return ApplyReadinessEvent(notice);
    case Kind::TooLarge:
      ++m_unreadable;
      if (notice.userKey != TEventNotice::kNoUser)
        MarkStale(static_cast<long>(notice.userKey), ZelTEventApplier::PartsOf(notice.eventType));
      return;
    case Kind::Restarted:
    case Kind::Resync:
    case Kind::Switched:
      m_syncCause = notice.kind == Kind::Restarted ? Change::SYNC_RESTARTED
                    : notice.kind == Kind::Resync  ? Change::SYNC_LOST
                                                   : Change::SYNC_SWITCHED;
      m_phase = Phase::Querying;
      m_retryAt = Clock::time_point();
      m_current = false;
      return;
    case Kind::Disconnected:
      m_linkUp = false;
      link.kind = Change::CHANGE_LINK_DOWN;
      return Tell(std::move(link));
    case Kind::Reconnected:
      m_linkUp = true;
      link.kind = Change::CHANGE_LINK_UP;
      return Tell(std::move(link));
    case Kind::AuthenticationFailed:
      link.kind = Change::CHANGE_REFUSED;
      return Tell(std::move(link));
    case Kind::TwoServing:
      link.kind = Change::CHANGE_TWO_SERVING;
      return Tell(std::move(link));
  }
}

void ZelAPresenceMirror::ApplyUserEvent(const TEventNotice& notice) {
  const long userKey = static_cast<long>(notice.userKey);
  const auto type = static_cast<ZelTPresenceServer::enEvent>(notice.eventType);
  Change change;
  change.userKey = userKey;
  change.eventType = notice.eventType;
  change.position = {notice.incarnation, notice.position};
  change.replayed = notice.replayed;
  ZelTEventApplier::Result result;
  ZelTUserStore::Versions versions;
  const ZelTUserStore::enVerdict verdict = m_store.Update(
      userKey, change.position,
      [&](ZelTUserPresence& user) { result = m_applier.Apply(type, notice.data.data(), notice.data.size(), user); },
      m_copies ? &versions : nullptr);
  switch (verdict) {
    case ZelTUserStore::VERDICT_ALREADY_HAD:
      ++m_skipped;
      return;
    case ZelTUserStore::VERDICT_NO_USER: {
      // A user the server gained since it was queried.
      long named = 0;
      std::string userId;
      if (ZelTEventApplier::ReadUser(notice.eventType, notice.data.data(), notice.data.size(), named, userId) &&
          named == userKey)
        MarkStale(userKey, Change::PART_ALL, userId);
      return;
    }
    case ZelTUserStore::VERDICT_OTHER_INCARNATION:
      ++m_unreadable;
      return MarkStale(userKey, Change::PART_ALL);
    case ZelTUserStore::VERDICT_APPLIED:
      break;
  }
  if (result.outcome != ZelTEventApplier::OUTCOME_APPLIED) {
    ++m_unreadable;
    NuxDiagStream(TDiag::WARN, __LINE__, __FILE__, kClass, "ApplyUserEvent")
        << "Event " << ZelTPresenceServer::ToString(type) << " of user " << std::to_string(userKey)
        << " could not be read; the user is queried again";
    return MarkStale(userKey, ZelTEventApplier::PartsOf(notice.eventType));
  }
  ++m_applied;
  Settle(userKey, result.settledParts);
  if (result.unknownParts != 0) MarkStale(userKey, result.unknownParts);
  if (result.changedParts == 0) return;
  change.parts = result.changedParts;
  if (m_copies) {
    change.before = std::move(versions.before);
    change.after = std::move(versions.after);
  }
  Tell(std::move(change));
}

void ZelAPresenceMirror::ApplyReadinessEvent(const TEventNotice& notice) {
  const auto type = static_cast<ZelTPresenceServer::enEvent>(notice.eventType);
  {
    std::lock_guard<std::mutex> guard(m_readinessLock);
    if (!m_applier.ApplyReadiness(type, notice.data.data(), notice.data.size(), m_readiness, m_changedMedia)) {
      ++m_unreadable;
      return;
    }
  }
  ++m_applied;
  for (const long medium : m_changedMedia) {
    Change change;
    change.kind = Change::CHANGE_READINESS;
    change.medium = medium;
    change.eventType = notice.eventType;
    change.position = {notice.incarnation, notice.position};
    change.replayed = notice.replayed;
    Tell(std::move(change));
  }
}

// The user id comes from whoever knows it: the caller, the record held, or
// the chosen users.
void ZelAPresenceMirror::MarkStale(long userKey, std::uint32_t parts, const std::string& userId) {
  StaleUsers::Entry& stale = m_stale->Mark(userKey, parts, Clock::Now() + std::chrono::milliseconds(kSettleMs));
  if (!userId.empty()) {
    stale.userId = userId;
  } else if (stale.userId.empty() && !m_store.UserIdOf(userKey, stale.userId)) {
    const auto chosen = std::find_if(m_chosen.begin(), m_chosen.end(),
                                     [userKey](const ChosenUser& user) { return user.userKey == userKey; });
    if (chosen != m_chosen.end()) stale.userId = chosen->userId;
  }
  m_waiting = m_stale->Size();
  m_current = false;
}

void ZelAPresenceMirror::Settle(long userKey, std::uint32_t parts) {
  m_stale->Settle(userKey, parts);
  NoteCurrent();
}

// A user's events wait while its query is out: the reply may reflect some
// of them, and the others follow it.
bool ZelAPresenceMirror::Held(const TEventNotice& notice) {
  const bool aboutUser = (notice.kind == TEventNotice::Kind::Event && ZelTEventApplier::IsUserEvent(notice.eventType)) ||
                         (notice.kind == TEventNotice::Kind::TooLarge && notice.userKey != TEventNotice::kNoUser);
  if (!aboutUser) return false;
  const long userKey = static_cast<long>(notice.userKey);
  const auto asking = m_asking.find(userKey);
  if (asking == m_asking.end()) return false;
  asking->second.push_back(notice);
  if (asking->second.size() == kHeldMax) m_source->Cancel(userKey);
  return true;
}

bool ZelAPresenceMirror::AskDue() {
  bool asked = false;
  while (m_asking.size() < kAskingMax) {
    const std::optional<long> due = m_stale->DueBy(Clock::Now());
    if (!due) break;
    Ask(*due);
    asked = true;
  }
  return asked;
}

void ZelAPresenceMirror::Ask(long userKey) {
  ++m_requeried;
  if (!m_source->AskUser(userKey, m_stale->Find(userKey)->userId, nullptr)) {
    ++m_failed;
    m_stale->Postpone(userKey, Clock::Now() + std::chrono::milliseconds(kRetryMs));
    return;
  }
  m_stale->Postpone(userKey, Clock::time_point::max());
  m_asking[userKey];
}

bool ZelAPresenceMirror::CollectAnswer() {
  Reply reply;
  if (!m_source->NextAnswer(reply)) return false;
  const auto asking = m_asking.find(reply.userKey);
  std::vector<TEventNotice> held = std::move(asking->second);
  m_asking.erase(asking);
  Answered(reply);
  for (const TEventNotice& notice : held) Handle(notice);
  return true;
}

void ZelAPresenceMirror::Answered(Reply& reply) {
  const long userKey = reply.userKey;
  const TEventPosition at = reply.at;
  const bool unknown = reply.answer == Reply::Answer::Refused &&
                       reply.user->GetErrorCode() == ZelTPresenceServer::ERR_INVALID_USER;
  // Any other refusal leaves the record as inexact as a call that failed.
  if (reply.answer != Reply::Answer::Answered && !unknown) {
    ++m_failed;
    m_stale->Postpone(userKey, Clock::Now() + std::chrono::milliseconds(kRetryMs));
    return;
  }
  if (unknown) {
    m_stale->Erase(userKey);
    RemoveUser(userKey, at);
  } else if (Replace(std::move(reply.user), at, true)) {
    m_stale->Erase(userKey);
  } else {
    // An answer older than the record held leaves unknown what the record
    // lacks: asked again.
    m_stale->Postpone(userKey, Clock::Now() + std::chrono::milliseconds(kSettleMs));
  }
  NoteCurrent();
}

bool ZelAPresenceMirror::Replace(ZelTUserStore::Record record, const TEventPosition& at, bool tell) {
  const ZelTUserStore::Shared fresh(std::move(record));
  ZelTUserStore::Shared replaced;
  if (!m_store.Put(fresh, at, &replaced)) return false;
  if (!tell) return true;
  Change change;
  change.userKey = fresh->GetUserKey();
  change.position = at;
  if (!replaced) {
    change.kind = Change::CHANGE_USER_ADDED;
    change.parts = Change::PART_ALL;
  } else {
    change.parts = zelclnt::mirror::DifferingParts(*replaced, *fresh);
    if (change.parts == 0) return true;
  }
  if (m_copies) {
    change.before = std::move(replaced);
    change.after = fresh;
  }
  Tell(std::move(change));
  return true;
}

void ZelAPresenceMirror::RemoveUser(long userKey, const TEventPosition& at) {
  ZelTUserStore::Shared removed = m_store.Remove(userKey);
  if (!removed) return;
  Change change;
  change.kind = Change::CHANGE_USER_REMOVED;
  change.userKey = userKey;
  change.parts = Change::PART_ALL;
  change.position = at;
  if (m_copies) change.before = std::move(removed);
  Tell(std::move(change));
}

void ZelAPresenceMirror::Tell(ZelTPresenceChange change) { m_changes.push_back(std::move(change)); }

void ZelAPresenceMirror::NoteCurrent() {
  m_waiting = m_stale->Size();
  m_current = m_phase == Phase::Live && m_stale->Empty();
}

// Whatever was heard came over a connection that is up, to this server or,
// after a switch, to the one that serves now.
void ZelAPresenceMirror::NoteHeard() {
  const std::uint64_t heard = m_source->Heard();
  if (heard == m_heard) return;
  m_heard = heard;
  m_heardAt = Clock::Now().time_since_epoch().count();
  m_linkUp = true;
}

bool ZelAPresenceMirror::Inexact(long userKey) const { return m_stale->Find(userKey) != nullptr || m_asking.count(userKey) != 0; }

bool ZelAPresenceMirror::IsCurrent() const {
  const long ago = HeardAgoMs();
  return m_current && m_linkUp && ago >= 0 && ago <= kHeardWithinMs;
}

std::string ZelAPresenceMirror::WhyNotCurrent() const {
  if (IsCurrent()) return std::string();
  if (m_phase != Phase::Live) {
    std::lock_guard<std::mutex> guard(m_positionLock);
    if (!m_joinFailure.empty()) return "not joined: querying " + m_server + " failed: " + m_joinFailure;
    return "not joined: " + m_server + " is being queried";
  }
  const std::size_t waiting = m_waiting;
  if (waiting == 1) return "1 user waits to be queried again";
  if (waiting != 0) return std::to_string(waiting) + " users wait to be queried again";
  if (!m_linkUp) return "the connection to " + m_server + " is down";
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(HeardAgoMs()) / 1000);
  return std::string("nothing heard from ") + m_server + " for " + seconds + " s";
}

long ZelAPresenceMirror::HeardAgoMs() const {
  const Clock::duration::rep at = m_heardAt;
  if (at == kNeverHeard) return -1;
  const auto ago = Clock::Now() - Clock::time_point(Clock::duration(at));
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(ago).count());
}

// One slice of real time at most: what is awaited is not on the clock.
void ZelAPresenceMirror::Pause(Clock::time_point deadline) {
  const auto slice = Clock::IsReplaced() ? kReplacedSlice : kSlice;
  const auto left = deadline - Clock::Now();
  if (left > Clock::duration::zero()) std::this_thread::sleep_for(std::min<Clock::duration>(slice, left));
}

void ZelAPresenceMirror::Wait(Clock::time_point until) {
  while (!m_stop && Clock::Now() < until) {
    const auto slice = Clock::IsReplaced() ? kReplacedSlice : kSlice;
    std::this_thread::sleep_for(std::min<Clock::duration>(slice, until - Clock::Now()));
  }
}
