#include "zelclnt/platform/TEventReceiver.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include <zmq.hpp>

#include "EventFrame.h"
#include "EventOrder.h"
#include "HandOver.h"
#include "ReadyDescriptor.h"
#include "ReplayFetcher.h"
#include "ServerList.h"
#include "ServingFollower.h"
#include "SubscriptionLink.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using zelplatform::Clock;
using Verdict = zelplatform::EventOrder::Verdict;

// How often a wait looks again at what no socket tells: Stop, an inproc
// publisher that went away or came back.
constexpr auto kPollSlice = std::chrono::milliseconds(20);
constexpr unsigned short kFrameworkClientType = 5;

Clock::time_point DeadlineAfter(long timeoutMs) {
  return timeoutMs < 0 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace

struct TEventReceiver::Held {
  zmq::message_t header;
  zmq::message_t body;
  zelplatform::EventHeader decoded;
  zelplatform::TypeMarks marks;
};

TEventReceiver::TEventReceiver(const std::string& serverName, std::vector<int> eventTypes,
                               std::vector<std::int64_t> userKeys)
    : m_serverName(serverName),
      m_followed(serverName),
      m_stream(std::make_unique<zelplatform::EventOrder>(
          std::vector<std::int32_t>(eventTypes.begin(), eventTypes.end()), std::move(userKeys))),
      m_held(std::make_unique<Held>()),
      m_caller("event-receiver", serverName.c_str(), kFrameworkClientType) {
  if (zelplatform::ServerList::IsList(serverName.c_str())) {
    m_list = zelplatform::ServerListFor(serverName, &m_listError);
    if (m_list) {
      m_followedIndex = m_list->Active();
      m_followed = m_list->Endpoint(m_followedIndex);
      m_follower = std::make_unique<zelplatform::ServingFollower>(serverName, m_list, m_caller);
    }
  }
  m_endpoint = m_list || m_listError.empty() ? zelplatform::EventEndpointOf(m_followed) : std::string();
  m_fetcher = std::make_unique<zelplatform::ReplayFetcher>(m_caller, m_endpoint);
}

TEventReceiver::~TEventReceiver() = default;

bool TEventReceiver::Start(std::string* error) {
  std::string reason;
  if (m_link) {
    reason = "already started on " + m_endpoint;
  } else if (!m_listError.empty()) {
    reason = "server " + m_serverName + ": " + m_listError;
  } else if (!m_stream->Users().empty() && m_stream->Types().empty()) {
    reason = "a receiver of chosen users must name the event types too";
  } else {
    const std::size_t servers = m_list ? m_list->Size() : 1;
    for (std::size_t index = 0; index < servers && reason.empty(); ++index) {
      const std::string& server = m_list ? m_list->Endpoint(index) : m_serverName;
      if (zelplatform::EventEndpointOf(server).empty())
        reason = "server " + server + " has no events endpoint (a tcp server needs a port from 1 to 65534)";
    }
  }
  if (!reason.empty()) {
    if (error) *error = reason;
    return false;
  }
  if (m_follower) {
    m_follower->LookNow();
    if (m_list->Active() != m_followedIndex) {
      m_followedIndex = m_list->Active();
      m_followed = m_list->Endpoint(m_followedIndex);
      m_endpoint = zelplatform::EventEndpointOf(m_followed);
    }
  }
  m_maxSize = zelplatform::MaxMessageSize();
  auto link = MakeLink();
  if (!link->TakeKeys(m_followed, error)) return false;
  try {
    link->Open();
  } catch (const zmq::error_t& failure) {
    if (error) *error = "cannot connect to " + m_endpoint + ": " + failure.what();
    return false;
  }
  m_link = std::move(link);
  return true;
}

std::unique_ptr<zelplatform::SubscriptionLink> TEventReceiver::MakeLink() {
  using Change = zelplatform::SubscriptionLink::Change;
  return std::make_unique<zelplatform::SubscriptionLink>(
      m_endpoint, *m_stream, m_highWaterMark, m_gatherMs, [this](Change change) {
        switch (change) {
          case Change::WentAway:
            Push(TEventNotice::Kind::Disconnected);
            if (m_follower) m_follower->LookFor();
            break;
          case Change::CameBack:
            Push(TEventNotice::Kind::Reconnected);
            // Whatever was published while the connection was away is asked for.
            if (m_stream->Anchored()) m_fetcher->OpenGap();
            break;
          case Change::Refused:
            Push(TEventNotice::Kind::AuthenticationFailed);
            break;
          case Change::Renewed:
            m_holding = false;
            break;
        }
      });
}

bool TEventReceiver::WaitUntilSubscribed(long timeoutMs) {
  const Clock::time_point deadline = DeadlineAfter(timeoutMs);
  try {
    while (m_link && !m_stop && !m_link->Subscribed()) {
      if (!m_holding && ReadOne()) continue;
      CheckConnection();
      if (Clock::now() >= deadline) return false;
      Wait(deadline);
    }
  } catch (const zmq::error_t& failure) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Event receiver on %s: %s", m_endpoint.c_str(), failure.what());
  }
  return m_link && m_link->Subscribed();
}

void TEventReceiver::ResumeAfter(const TEventPosition& position) {
  m_stream->ResumeAfter(position);
  m_fetcher->Reset();
  // What happened between the position and the subscription is asked for
  // at once; what follows it arrives live.
  if (position.IsKnown()) m_fetcher->OpenGap();
}

TEventPosition TEventReceiver::Through() const { return m_stream->Through(); }

std::size_t TEventReceiver::Replayed() const { return m_fetcher->Replayed(); }

std::size_t TEventReceiver::ReplayCalls() const { return m_fetcher->Calls(); }

bool TEventReceiver::Asking() const { return m_fetcher->Asking(); }

bool TEventReceiver::Next(TEventNotice& notice, long timeoutMs) {
  const Clock::time_point deadline = DeadlineAfter(timeoutMs);
  try {
    for (;;) {
      if (m_stop || !m_link) return false;
      const bool taken = Step(notice, deadline);
      if (taken || Clock::now() >= deadline || Wait(deadline)) {
        if (m_ready) ArmDescriptor();
        return taken;
      }
    }
  } catch (const zmq::error_t& failure) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Event receiver on %s: %s", m_endpoint.c_str(), failure.what());
    return false;
  }
}

// A loop that waits on the descriptor alone wakes: Stop latches it, or
// ArmDescriptor does when Stop came before it was shared.
void TEventReceiver::Stop() {
  m_stop = true;
  if (const zelplatform::ReadyDescriptor* ready = m_readyOpen.load()) ready->Latch();
}

int TEventReceiver::Descriptor() {
  if (!m_link) return -1;
  if (!m_ready) {
    auto ready = std::make_unique<zelplatform::ReadyDescriptor>();
    if (!ready->Open()) return -1;
    m_ready = std::move(ready);
    m_readyOpen = m_ready.get();
  }
  try {
    ArmDescriptor();
  } catch (const zmq::error_t& failure) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Event receiver on %s: %s", m_endpoint.c_str(), failure.what());
  }
  return m_ready->Fd();
}

// ZeroMQ's descriptors tell only that something changed: what is already
// queued unread is told by the signal instead.
void TEventReceiver::ArmDescriptor() {
  if (m_stop) m_ready->Latch();
  zmq::socket_t& input = m_link->Input();
  zmq::socket_t* monitor = m_link->Monitor();
  // A question's queue stays readable a while after its answer was taken.
  m_ready->WatchOnly({static_cast<int>(input.get(zmq::sockopt::fd)),
                      monitor ? static_cast<int>(monitor->get(zmq::sockopt::fd)) : -1, m_fetcher->Descriptor(),
                      m_follower ? m_follower->Descriptor() : -1, m_wake});
  // Asked even while a gap is open, when the live events wait behind it
  // and must not keep a loop spinning: the asking quiets ZeroMQ's descriptor.
  const bool arrived = (input.get(zmq::sockopt::events) & ZMQ_POLLIN) != 0;
  const bool live = (arrived || m_holding) && !m_fetcher->GapOpen();
  const bool monitored = monitor && (monitor->get(zmq::sockopt::events) & ZMQ_POLLIN) != 0;
  m_ready->Signal(live || monitored || !m_pending.empty() || m_fetcher->HasAnswer());
  const Clock::time_point due = NextDue();
  if (due == Clock::time_point::max()) return m_ready->NoWake();
  m_ready->WakeIn(std::max(due - Clock::now(), Clock::duration::zero()));
}

Clock::time_point TEventReceiver::NextDue() const {
  Clock::time_point due = Clock::time_point::max();
  for (const auto& at : {m_fetcher->AskAt(), m_link->DueAt(),
                         m_follower ? m_follower->DueAt() : std::optional<Clock::time_point>()})
    if (at) due = std::min(due, *at);
  return due;
}

// One round: true with a notice, false when there is nothing yet to wait
// for but the socket (or the next attempt at a replay).
bool TEventReceiver::Step(TEventNotice& notice, Clock::time_point deadline) {
  // Looked at whatever arrives: a stream that never pauses must not hide
  // that another server serves.
  if (m_follower) CheckServing();
  for (;;) {
    if (m_stop) return false;
    if (TakeNotice(notice) || m_fetcher->TakeReplayed(notice, *m_stream, m_maxSize)) return true;
    if (m_fetcher->GapOpen()) {
      if (Fetched()) continue;
      CheckConnection();
      if (!m_pending.empty()) continue;
      return false;
    }
    if (TakeHeld(notice)) return true;
    if (m_holding) continue;
    if (ReadOne()) continue;
    CheckConnection();
    if (m_pending.empty() || Clock::now() > deadline) return false;
  }
}

void TEventReceiver::Run(const Callback& callback) {
  TEventNotice notice;
  while (Next(notice, -1)) {
    if (!callback(notice)) return;
  }
}

bool TEventReceiver::TakeNotice(TEventNotice& notice) {
  if (m_pending.empty()) return false;
  const TEventNotice& next = m_pending.front();
  notice.kind = next.kind;
  notice.eventType = next.eventType;
  notice.userKey = next.userKey;
  notice.position = next.position;
  notice.incarnation = next.incarnation;
  notice.replayed = false;
  notice.data.clear();
  m_pending.pop_front();
  return true;
}

// The live event read last, judged again now that a replay may have
// covered it.
bool TEventReceiver::TakeHeld(TEventNotice& notice) {
  if (!m_holding) return false;
  const zelplatform::EventHeader& header = m_held->decoded;
  // Read before the publisher restarted: its state is gone with it.
  if (header.incarnation != m_stream->Through().incarnation) {
    m_holding = false;
    return false;
  }
  const Verdict verdict = m_stream->OnEvent(header);
  if (verdict == Verdict::Gap) {
    m_fetcher->OpenGap();
    return false;
  }
  m_holding = false;
  if (verdict == Verdict::Duplicate) return false;
  m_stream->Delivered(header.position);
  const bool tooLarge = m_held->body.size() > m_maxSize;
  notice.kind = tooLarge ? TEventNotice::Kind::TooLarge : TEventNotice::Kind::Event;
  notice.eventType = header.eventType;
  notice.userKey = header.userKey;
  notice.position = header.position;
  notice.incarnation = header.incarnation;
  notice.replayed = false;
  if (tooLarge)
    notice.data.clear();
  else
    notice.data.assign(static_cast<const char*>(m_held->body.data()), m_held->body.size());
  return true;
}

// False when nothing was there to read.
bool TEventReceiver::ReadOne() {
  Held& held = *m_held;
  zmq::socket_t& input = m_link->Input();
  if (!input.recv(held.header, zmq::recv_flags::dontwait)) return false;
  if (!held.header.more() || !input.recv(held.body, zmq::recv_flags::dontwait)) return Drop();
  zelplatform::AcquireAfterReceive(held.header.data());
  zelplatform::AcquireAfterReceive(held.body.data());
  if (held.body.more()) {
    zelplatform::DiscardRest(input);
    return Drop();
  }
  if (!zelplatform::DecodeEventHeader(held.header.data(), held.header.size(), held.decoded)) return Drop();
  if (held.decoded.eventType == zelplatform::kHeartbeatType) {
    if (!zelplatform::DecodeHeartbeat(held.body.data(), held.body.size(), held.marks)) return Drop();
    AcceptHeartbeat();
  } else {
    AcceptEvent();
  }
  ++m_heard;
  m_link->NoteSubscribed();
  return true;
}

bool TEventReceiver::Drop() {
  ++m_malformed;
  return true;
}

void TEventReceiver::AcceptEvent() {
  NoteIncarnation(m_held->decoded.incarnation);
  m_holding = true;
}

void TEventReceiver::AcceptHeartbeat() {
  if (m_follower && m_held->decoded.standby) m_follower->LookFor();
  NoteIncarnation(m_held->decoded.incarnation);
  if (m_stream->OnHeartbeat(m_held->decoded, m_held->marks) == Verdict::Gap) m_fetcher->OpenGap();
}

void TEventReceiver::NoteIncarnation(std::uint64_t incarnation) {
  if (!m_stream->NoteIncarnation(incarnation)) return;
  // Whatever was being asked of the old publisher is moot.
  m_fetcher->Reset();
  Push(TEventNotice::Kind::Restarted);
}

// True when the question for missed events moved on: look again.
bool TEventReceiver::Fetched() {
  using Kind = zelplatform::ReplayFetcher::Step::Kind;
  const zelplatform::ReplayFetcher::Step step = m_fetcher->Advance(*m_stream, m_followed);
  if (step.heard) ++m_heard;
  if (step.kind == Kind::Resync) Resync();
  if (step.kind == Kind::OtherIncarnation) NoteIncarnation(step.incarnation);
  return step.kind != Kind::Idle;
}

void TEventReceiver::Resync() {
  m_fetcher->Reset();
  m_stream->Unanchor();
  Push(TEventNotice::Kind::Resync);
}

// While a gap is open what arrives waits unread behind the missed events:
// the wait is for the answer, or the time to ask again.
bool TEventReceiver::Wait(Clock::time_point deadline) {
  zmq::pollitem_t items[5];
  std::size_t count = 0;
  if (!m_fetcher->GapOpen()) items[count++] = {m_link->Input().handle(), 0, ZMQ_POLLIN, 0};
  if (zmq::socket_t* monitor = m_link->Monitor()) items[count++] = {monitor->handle(), 0, ZMQ_POLLIN, 0};
  const int answers = m_fetcher->Descriptor();
  if (answers >= 0) items[count++] = {nullptr, static_cast<zmq_fd_t>(answers), ZMQ_POLLIN, 0};
  const int looks = m_follower ? m_follower->Descriptor() : -1;
  if (looks >= 0) items[count++] = {nullptr, static_cast<zmq_fd_t>(looks), ZMQ_POLLIN, 0};
  const std::size_t wake = count;
  if (m_wake >= 0) items[count++] = {nullptr, static_cast<zmq_fd_t>(m_wake), ZMQ_POLLIN, 0};
  if (const auto askAt = m_fetcher->AskAt()) deadline = std::min(deadline, *askAt);
  try {
    zmq::poll(items, count, zelplatform::WaitSlice(deadline, kPollSlice));
  } catch (const zmq::error_t& failure) {
    if (failure.num() != EINTR) throw;
    return false;
  }
  return wake < count && (items[wake].revents & ZMQ_POLLIN) != 0;
}

void TEventReceiver::CheckConnection() {
  if (m_follower) CheckServing();
  m_link->Check();
}

void TEventReceiver::CheckServing() {
  const zelplatform::ServingFollower::Seen seen = m_follower->Check(m_followedIndex);
  if (seen.twoServing) Push(TEventNotice::Kind::TwoServing);
  if (seen.switched) Follow(m_list->Active());
}

// Another publisher: a stream of its own, so nothing of the last one holds.
void TEventReceiver::Follow(std::size_t index) {
  m_followedIndex = index;
  m_followed = m_list->Endpoint(index);
  m_endpoint = zelplatform::EventEndpointOf(m_followed);
  Diag(TDiag::INFO, __LINE__, __FILE__, "Event receiver of %s follows %s", m_serverName.c_str(), m_endpoint.c_str());
  m_stream->Reset();
  m_fetcher->Reset();
  m_follower->Reset();
  auto link = MakeLink();
  std::string error;
  if (!link->TakeKeys(m_followed, &error)) Diag(TDiag::WARN, __LINE__, __FILE__, "Event receiver: %s", error.c_str());
  // The last server's link goes first: its sockets stop before the next open.
  m_link = std::move(link);
  m_link->Open();
  Push(TEventNotice::Kind::Switched);
}

void TEventReceiver::Push(TEventNotice::Kind kind, std::int32_t eventType, std::uint64_t position) {
  TEventNotice& notice = m_pending.emplace_back();
  notice.kind = kind;
  notice.eventType = eventType;
  notice.position = position;
  notice.incarnation = m_stream->Through().incarnation;
}
