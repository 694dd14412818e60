#include "AsyncEngine.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <utility>

#include "ReadyDescriptor.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TRPC.h"

namespace zelplatform {
namespace {

// How long a wait goes before it looks again at whether a server is there.
constexpr std::chrono::milliseconds kSlice{20};
// Calls of one connection that await their replies at once; the rest wait
// on the client. A server's ROUTER drops replies beyond its high-water mark
// (1000 by default), and may count up to half of that as still queued
// after they left.
constexpr std::size_t kWindow = 256;
constexpr std::size_t kBatch = 32;
// Deadlines of calls that ended stay in the heap until they come due, or
// until they outnumber the live ones by this much.
constexpr std::size_t kStaleTimerSlack = 1024;

// The deadline that waits longest, for how long a lost server may be asked
// why it went.
template <typename Calls>
Clock::time_point Latest(const Calls& calls) {
  Clock::time_point latest = Clock::now();
  calls.ForEach([&latest](const auto* call) { latest = std::max(latest, call->deadline); });
  return latest;
}

}  // namespace

std::shared_ptr<const CallTarget> TargetFor(const std::string& serverName) {
  auto target = std::make_shared<CallTarget>();
  target->name = serverName;
  if (ServerList::IsList(serverName.c_str())) {
    target->endpoint = serverName;
    target->list = ServerListFor(serverName, &target->error);
  } else {
    target->endpoint = EndpointOf(serverName);
    target->pool = PoolFor(target->endpoint);
  }
  return target;
}

struct AsyncEngine::Link {
  explicit Link(ConnectionPool& from) : pool(from) {}

  ClientConnection& Connection() const { return *(*lease).operator->(); }
  bool Idle() const { return sent.Empty() && unsent.Empty(); }
  // Calls wait because ZeroMQ takes no more, not for the window.
  bool Blocked() const { return !unsent.Empty() && sent.Size() < kWindow; }

  ConnectionPool& pool;
  // Held in place: a link leases again each time its calls resume.
  std::optional<ConnectionLease> lease;
  SentCalls<Call> sent;
  UnsentCalls<Call> unsent;
  // A call on the connection failed: the connection is not kept.
  bool failed = false;
  // The connection is being read: it stays, idle or not.
  bool pumping = false;
  // A wait looked at its socket since it was last read.
  bool waited = false;
  // When an application without the descriptor last counted as waiting.
  Clock::time_point lookedAt;
  // The sockets the descriptor watches (ClientConnection::SocketSerial).
  std::uint64_t watched = 0;
};

class AsyncEngine::LinkSink final : public ReplySink {
 public:
  LinkSink(AsyncEngine& engine, Link& link) : m_engine(engine), m_link(link) {}

  void OnReply(zmq::message_t& message, const ReplyFrame& reply) override {
    ++m_messages;
    Call* call = m_link.sent.Take(reply.callId);
    if (!call) return OnStale();
    m_engine.AttemptEnded(*call, DeliverReply(message, reply, *call->rpc), true);
  }
  void OnStale() override {
    ++m_messages;
    ++m_engine.m_stale;
  }
  bool Awaits() const override { return !m_link.sent.Empty(); }
  std::size_t Messages() const { return m_messages; }

 private:
  AsyncEngine& m_engine;
  Link& m_link;
  std::size_t m_messages = 0;
};

AsyncEngine::AsyncEngine(Leasing leasing) : m_leasing(leasing) {}

// The calls still in flight are dropped: their connections are closed with
// whatever they held, and their TRPCs are free.
AsyncEngine::~AsyncEngine() {
  for (Call& call : m_records)
    if (call.rpc) call.rpc->m_inFlight.Release();
  for (Ended& ended : m_ended) ended.completion.rpc->m_inFlight.Release();
}

bool AsyncEngine::Start(TRPC& rpc, std::shared_ptr<const CallTarget> target, Clock::time_point deadline, void* tag) {
  if (rpc.m_inFlight.On() || m_shutDown) return false;
  rpc.SetStatePosition({});
  rpc.SetServerRole(TServerRole::Serving);
  rpc.SetServerTerm(0);
  Call& call = NewCall();
  rpc.m_inFlight.Hold(&call);
  call.rpc = &rpc;
  call.engine = this;
  call.tag = tag;
  call.target = std::move(target);
  call.started = Clock::now();
  // Any call sweeps, whatever becomes of it.
  SweepIdleConnections(call.started);
  const CallTarget& to = *call.target;
  const bool tooLarge = rpc.GetCallSize() > MaxMessageSize();
  if (to.list) {
    to.list->Probe();
    call.rounds = std::make_unique<FailoverRounds>(*to.list, deadline);
    Follow(call, tooLarge ? call.rounds->TooLarge() : call.rounds->Begin(rpc));
  } else if (!to.pool) {
    Finish(call, CallStatus::NoSuchServer, to.error);
  } else if (tooLarge) {
    Finish(call, CallStatus::RefusedTooLarge, "");
  } else {
    Launch(call, *to.pool, {}, deadline, deadline);
  }
  SyncDescriptor();
  return true;
}

void AsyncEngine::Launch(Call& call, ConnectionPool& pool, const ListCall& list, Clock::time_point deadline,
                         Clock::time_point sendBy) {
  call.state = Call::State::Unsent;
  call.list = list;
  call.deadline = deadline;
  call.sendBy = sendBy;
  call.server = &pool.Endpoint();
  Link& link = LinkFor(pool);
  if (!link.lease && !Lease(link, call)) return;
  call.link = &link;
  link.unsent.PushBack(&call);
  Arm(call, std::min(deadline, sendBy));
  if (link.unsent.Single()) SendWaiting(link);
}

AsyncEngine::Link& AsyncEngine::LinkFor(ConnectionPool& pool) {
  std::unique_ptr<Link>& link = m_links[&pool];
  if (!link) link = std::make_unique<Link>(pool);
  return *link;
}

// False when there is no connection to be had: the attempt has ended.
bool AsyncEngine::Lease(Link& link, Call& call) {
  std::string detail;
  try {
    ConnectionLease lease = m_leasing == Leasing::Wait
                                ? link.pool.Take(std::min(call.deadline, call.sendBy), &detail)
                                : link.pool.TakeBeyondBound(&detail);
    if (lease) {
      link.lease.emplace(std::move(lease));
      link.failed = false;
      return true;
    }
    AttemptEnded(call, lease.Failure(), false, detail);
  } catch (const zmq::error_t& error) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Transport error on %s: %s", link.pool.Endpoint().c_str(), error.what());
    AttemptEnded(call, StatusOfError(error), false);
  }
  return false;
}

// In the order the calls were started, until ZeroMQ takes no more.
void AsyncEngine::SendWaiting(Link& link) {
  const Clock::time_point now = Clock::now();
  while (link.Blocked() && link.lease) {
    Call& call = *link.unsent.Front();
    std::uint64_t callId = 0;
    std::optional<CallStatus> status;
    try {
      status = link.Connection().TrySend(*call.rpc, now, call.deadline, call.list, !link.sent.Empty(), &callId);
    } catch (const zmq::error_t& error) {
      status = StatusOfError(error);
    }
    if (!status) return;
    if (*status != CallStatus::None) {
      AttemptEnded(call, *status, false);
      continue;
    }
    link.unsent.Remove(&call);
    call.state = Call::State::Sent;
    call.callId = callId;
    if (!call.rpc->GetReplyExpected()) {
      call.link = nullptr;
      AttemptEnded(call, CallStatus::None, true);
      continue;
    }
    link.sent.Add(callId, &call);
    if (call.timerAt != call.deadline) Arm(call, call.deadline);
  }
  ReleaseIfIdle(link);
}

void AsyncEngine::AttemptEnded(Call& call, CallStatus status, bool sent, const std::string& detail) {
  Link* link = call.link;
  Detach(call);
  if (link && status != CallStatus::None) link->failed = true;
  if (call.rounds)
    Follow(call, call.rounds->After(*call.rpc, status, sent, detail));
  else
    Finish(call, status, detail);
  if (link) ReleaseIfIdle(*link);
}

void AsyncEngine::Follow(Call& call, const FailoverRounds::Step& step) {
  switch (step.kind) {
    case FailoverRounds::Step::Kind::Attempt: {
      ServerList& list = *call.target->list;
      return Launch(call, list.Pool(step.index), {true, list.Term()}, step.deadline, step.sendBy);
    }
    case FailoverRounds::Step::Kind::Wait:
      call.state = Call::State::Waiting;
      return Arm(call, step.until);
    case FailoverRounds::Step::Kind::End:
      return Finish(call, step.status, "");
  }
}

// The call's record ends here.
void AsyncEngine::Finish(Call& call, CallStatus status, const std::string& detail) {
  Ended ended;
  ended.through = status == CallStatus::None;
  if (ended.through && !call.rounds && call.rpc->GetReplyExpected()) status = StatusOfReply(call.rpc->GetReturnCode());
  ended.completion.tag = call.tag;
  ended.completion.rpc = call.rpc;
  TCallOutcome& outcome = call.rpc->m_outcome;
  outcome.kind = status;
  if (status == CallStatus::None)
    outcome.text.clear();
  else
    outcome.text = call.rounds && status != CallStatus::Cancelled ? call.rounds->Text()
                                                                   : FailureText(status, call.target->endpoint, detail);
  if (call.server)
    outcome.server = *call.server;
  else
    outcome.server.clear();
  outcome.position = call.rpc->GetStatePosition();
  outcome.elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - call.started);
  m_ended.push_back(ended);
  // Its TRPC stays marked until Next hands it back.
  call = Call();
  m_free.push_back(&call);
  --m_live;
}

// Records are kept for the engine's life and used again: a call costs no
// allocation of its own, and a deadline left in the heap finds its record.
AsyncEngine::Call& AsyncEngine::NewCall() {
  ++m_live;
  if (m_free.empty()) return m_records.emplace_back();
  Call& call = *m_free.back();
  m_free.pop_back();
  return call;
}

void AsyncEngine::Detach(Call& call) {
  call.timer = 0;
  if (!call.link) return;
  if (call.state == Call::State::Unsent) call.link->unsent.Remove(&call);
  if (call.state == Call::State::Sent) call.link->sent.Take(call.callId);
  call.link = nullptr;
}

void AsyncEngine::ReleaseIfIdle(Link& link) {
  if (link.pumping || !link.lease || !link.Idle()) return;
  if (!link.failed) link.lease->Keep();
  link.lease.reset();
}

void AsyncEngine::Arm(Call& call, Clock::time_point at) {
  call.timer = ++m_serial;
  call.timerAt = at;
  if (m_timers.size() > 2 * m_live + kStaleTimerSlack) m_timers.DropStale();
  m_timers.push({at, call.timer, &call});
}

bool AsyncEngine::Cancel(const TRPC& rpc) {
  auto* held = static_cast<Call*>(rpc.m_inFlight.Holder());
  // A call of another queue, or one that ended and waits for Next.
  if (!held || held->engine != this || held->rpc != &rpc) return false;
  Call& call = *held;
  Link* link = call.link;
  // Its reply may still come: the connection is not lent again.
  if (link && call.state == Call::State::Sent) link->failed = true;
  Detach(call);
  Finish(call, CallStatus::Cancelled, "");
  if (link) ReleaseIfIdle(*link);
  SyncDescriptor();
  return true;
}

void AsyncEngine::Shutdown() {
  m_shutDown = true;
  for (Call& call : m_records)
    if (call.rpc) Cancel(*call.rpc);
}

bool AsyncEngine::Next(Ended& ended, Clock::time_point until) {
  for (bool looked = false;; looked = true) {
    if (!m_ended.empty()) {
      ended = std::move(m_ended.front());
      m_ended.pop_front();
      ended.completion.rpc->m_inFlight.Release();
      SyncDescriptor();
      return true;
    }
    if (m_live == 0 || (looked && Clock::now() >= until)) {
      SyncDescriptor();
      return false;
    }
    WaitAndPump(until);
  }
}

// With one connection in use and nothing to send, the wait is a receive on
// it, as a blocking call's would be; otherwise a poll of every socket.
void AsyncEngine::WaitAndPump(Clock::time_point until) {
  if (!m_timers.empty()) until = std::min(until, m_timers.top().at);
  const int ms = static_cast<int>(WaitSlice(until, kSlice).count());
  Link* sole = nullptr;
  std::size_t leased = 0;
  for (const auto& entry : m_links) {
    if (!entry.second->lease) continue;
    ++leased;
    sole = entry.second.get();
  }
  if (leased == 1 && !sole->Blocked()) {
    PumpLink(*sole, ms);
  } else {
    if (ms > 0) Poll(ms);
    for (auto& entry : m_links)
      if (entry.second->lease) PumpLink(*entry.second, 0);
  }
  FireTimers(Clock::now());
}

void AsyncEngine::PumpLink(Link& link, int waitMs) {
  link.pumping = true;
  ClientConnection& connection = link.Connection();
  LinkSink sink(*this, link);
  // Replies are taken in batches, each followed by the calls it made room
  // for, so that the server is not left idle while a long run is read.
  for (std::size_t read = 0;; waitMs = 0) {
    const CallStatus drained = connection.Drain(sink, waitMs, kBatch);
    if (drained != CallStatus::None) FailLink(link, drained, true);
    SendWaiting(link);
    if (drained != CallStatus::None || sink.Messages() - read < kBatch) break;
    read = sink.Messages();
  }
  // Asked only once a wait brought no reply, or a send could not go.
  const bool quiet = (link.waited || waitMs > 0 || WaitedUnseen(link)) && sink.Messages() == 0;
  link.waited = false;
  const bool blocked = link.Blocked();
  if (!link.sent.Empty() && (quiet || blocked) && connection.Gone())
    FailLink(link, connection.WhyGone(Latest(link.sent)), true);
  if (blocked) {
    const CallStatus writable = connection.CheckWritable(Latest(link.unsent));
    if (writable != CallStatus::None) FailLink(link, writable, false);
  }
  link.pumping = false;
  ReleaseIfIdle(link);
}

// An application without the descriptor (Windows has none) waits on a
// clock of its own and collects with Next(…, 0): once a slice, that counts
// as a wait, lest a server gone with the calls be left to their deadlines.
bool AsyncEngine::WaitedUnseen(Link& link) const {
  if (m_descriptors) return false;
  const Clock::time_point now = Clock::now();
  if (now - link.lookedAt < kSlice) return false;
  link.lookedAt = now;
  return true;
}

void AsyncEngine::FailLink(Link& link, CallStatus status, bool sent) {
  link.failed = true;
  std::vector<Call*> calls;
  if (sent) {
    link.sent.ForEach([&calls](Call* call) { calls.push_back(call); });
  } else {
    link.unsent.ForEach([&calls](Call* call) { calls.push_back(call); });
  }
  for (Call* call : calls) AttemptEnded(*call, status, sent);
}

void AsyncEngine::FireTimers(Clock::time_point now) {
  while (!m_timers.empty() && m_timers.top().at <= now) {
    const Timer timer = m_timers.top();
    m_timers.pop();
    if (timer.call->timer != timer.serial) continue;
    Call& call = *timer.call;
    if (call.state == Call::State::Waiting)
      Follow(call, call.rounds->NextRound(*call.rpc));
    else
      AttemptEnded(call, CallStatus::TimedOut, call.state == Call::State::Sent);
  }
}

void AsyncEngine::Poll(int ms) {
  m_pollItems.clear();
  for (const auto& entry : m_links) {
    Link& link = *entry.second;
    if (!link.lease) continue;
    link.waited = true;
    const short events = link.Blocked() ? ZMQ_POLLIN | ZMQ_POLLOUT : ZMQ_POLLIN;
    m_pollItems.push_back({link.Connection().Socket(), 0, events, 0});
    if (void* monitor = link.Connection().Monitor()) m_pollItems.push_back({monitor, 0, ZMQ_POLLIN, 0});
  }
  zmq_poll(m_pollItems.data(), static_cast<int>(m_pollItems.size()), ms);
}

int AsyncEngine::Descriptor() {
  if (!m_descriptors) {
    auto descriptors = std::make_unique<ReadyDescriptor>();
    if (!descriptors->Open()) return -1;
    m_descriptors = std::move(descriptors);
    SyncDescriptor();
  }
  return m_descriptors->Fd();
}

// Readable while there is something for Next: a call that ended, a reply or
// monitor event on a connection, or a deadline due. An inproc server that
// goes away tells no descriptor, and a connection still being made may
// take calls before any descriptor tells it: while calls are in flight on
// the one or wait on the other, the descriptor also wakes every slice.
// Calls sent over tcp and ipc wait quietly, their connections watched by
// a monitor.
void AsyncEngine::SyncDescriptor() {
  if (!m_descriptors) return;
  bool unwatched = false;
  bool waiting = !m_ended.empty();
  for (const auto& entry : m_links) {
    Link& link = *entry.second;
    if (!link.lease) continue;
    // The application waits on the descriptor next.
    link.waited = true;
    ClientConnection& connection = link.Connection();
    unwatched = unwatched || connection.Inproc() || link.Blocked();
    waiting = connection.ClearSignals() || waiting;
    // Closed sockets leave the set by themselves; new ones are added once.
    if (link.watched != connection.SocketSerial()) {
      for (const int fd : {connection.SocketFd(), connection.MonitorFd()})
        if (fd >= 0) m_descriptors->Watch(fd);
      link.watched = connection.SocketSerial();
    }
  }
  m_descriptors->Signal(waiting);
  // A wake-up that passed while calls were in flight would leave it
  // readable for good: a loop waiting on it would spin.
  if (m_live == 0) return m_descriptors->NoWake();
  const Clock::time_point now = Clock::now();
  Clock::time_point at = unwatched ? now + kSlice : Clock::time_point::max();
  if (!m_timers.empty()) at = std::min(at, m_timers.top().at);
  m_descriptors->WakeIn(at - now);
}

std::size_t AsyncEngine::TakeStale() { return std::exchange(m_stale, 0); }

}  // namespace zelplatform
