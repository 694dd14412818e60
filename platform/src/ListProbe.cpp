#include "ListProbe.h"

#include <optional>
#include <string>

#include "ClientConnection.h"
#include "ConnectionPool.h"
#include "RoleFrame.h"
#include "ServerList.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/platform/TRPCServer.h"

namespace zelplatform {
namespace {

// Answers awaited are read this often at most.
constexpr std::chrono::milliseconds kLookAgain{1};

}  // namespace

struct ListProbe::Question {
  std::unique_ptr<ConnectionLease> lease;
  // Waiting for the connection to take it.
  bool unsent = false;
  // Sent under callId, not answered yet.
  bool awaited = false;
  std::uint64_t callId = 0;
};

// The answer to one question; anything else on the connection is dropped.
class ListProbe::Answers final : public ReplySink {
 public:
  explicit Answers(const Question& question) : m_question(question) {}

  void OnReply(zmq::message_t&, const ReplyFrame& reply) override {
    if (reply.callId != m_question.callId || m_state) return;
    TServerState state;
    // A server that does not know the question tells its role in the frame alone.
    if (!DecodeRoleAnswer(reply.data, reply.size, state)) {
      state.role = reply.role;
      state.term = reply.term;
    }
    m_state = state;
  }
  void OnStale() override {}
  bool Awaits() const override { return !m_state; }
  const std::optional<TServerState>& State() const { return m_state; }

 private:
  const Question& m_question;
  std::optional<TServerState> m_state;
};

ListProbe::ListProbe(ServerList& list) : m_list(list), m_questions(list.Size()) {}

ListProbe::~ListProbe() = default;

void ListProbe::Step() {
  const Clock::time_point now = Clock::now();
  // Cheap while nothing is due: a receiver looks at every event. A clock
  // put back (a test's) is looked at again.
  const Clock::duration untilDue = Clock::duration(m_lookAt.load(std::memory_order_relaxed)) - now.time_since_epoch();
  if (untilDue > Clock::duration::zero() && untilDue <= kInterval) return;
  std::unique_lock<std::mutex> lock(m_lock, std::try_to_lock);
  if (!lock) return;
  const bool roundOver = m_askSoon.exchange(false) || now >= m_nextRound || now < m_askedAt;
  bool pending = false;
  for (std::size_t index = 0; index < m_questions.size(); ++index) {
    if (m_questions[index].lease) Collect(index, now);
    if (roundOver && m_questions[index].lease) Drop(index);
    pending = pending || m_questions[index].lease;
  }
  if (roundOver) {
    Ask(now);
    pending = false;
    for (const Question& question : m_questions) pending = pending || question.lease;
  }
  const Clock::time_point next = pending ? now + kLookAgain : m_nextRound;
  m_lookAt.store(next.time_since_epoch().count(), std::memory_order_relaxed);
  if (m_askSoon) m_lookAt.store(0, std::memory_order_relaxed);
}

void ListProbe::AskSoon() {
  m_askSoon = true;
  m_lookAt.store(0, std::memory_order_relaxed);
}

void ListProbe::Ask(Clock::time_point now) {
  m_askedAt = now;
  m_nextRound = now + kInterval;
  for (std::size_t index = 0; index < m_questions.size(); ++index) {
    std::string keysError;
    try {
      auto lease = std::make_unique<ConnectionLease>(m_list.Pool(index).TakeBeyondBound(&keysError));
      if (!*lease) continue;
      m_questions[index].lease = std::move(lease);
    } catch (const zmq::error_t&) {
      continue;
    }
    m_questions[index].unsent = true;
    Send(index, now);
  }
}

void ListProbe::Send(std::size_t index, Clock::time_point now) {
  Question& question = m_questions[index];
  ClientConnection& connection = *question.lease->operator->();
  TRPC rpc;
  rpc.SetRPCType(TRPCServer::kRoleRpcType);
  std::optional<CallStatus> sent;
  try {
    sent = connection.TrySend(rpc, now, m_nextRound, {true, m_list.Term()}, false, &question.callId);
    // A server that refuses, or is not there: no answer this round.
    if (!sent && connection.CheckWritable(now) != CallStatus::None) sent = CallStatus::ConnectionRefused;
  } catch (const zmq::error_t&) {
    sent = CallStatus::Interrupted;
  }
  if (!sent) return;
  if (*sent != CallStatus::None) return Drop(index);
  question.unsent = false;
  question.awaited = true;
}

void ListProbe::Collect(std::size_t index, Clock::time_point now) {
  Question& question = m_questions[index];
  if (question.unsent) return Send(index, now);
  if (!question.awaited) return;
  ClientConnection& connection = *question.lease->operator->();
  Answers answers(question);
  CallStatus drained = CallStatus::None;
  try {
    drained = connection.Drain(answers, 0, 4);
  } catch (const zmq::error_t&) {
    drained = CallStatus::Interrupted;
  }
  if (answers.State()) {
    m_list.NoteAnswer(index, *answers.State(), m_askedAt, now);
    question.awaited = false;
    question.lease->Keep();
    question.lease.reset();
    return;
  }
  if (drained != CallStatus::None || connection.Gone()) Drop(index);
}

// Its connection is closed with whatever it still holds.
void ListProbe::Drop(std::size_t index) {
  Question& question = m_questions[index];
  question.lease.reset();
  question.unsent = false;
  question.awaited = false;
}

}  // namespace zelplatform
