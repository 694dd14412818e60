#include "FailoverRounds.h"

#include <algorithm>

#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TRPC.h"

namespace zelplatform {
namespace {

// A server of a list that cannot be reached gets this long to take a call,
// so that the others get their turn within the caller's time-out.
constexpr auto kSendBound = std::chrono::milliseconds(500);
// While no server of a list serves, each round waits longer, up to a bound.
constexpr auto kFirstRetry = std::chrono::milliseconds(5);
constexpr auto kLongestRetry = std::chrono::milliseconds(50);
// A later round goes out only while twice the call's slowest answer fits in
// the time left, and this much at least: on a busy machine an answer that
// takes a fraction of a millisecond may wait that long for a thread.
constexpr auto kLeastReserve = std::chrono::milliseconds(20);

// How a failed attempt on one server counts.
enum class Verdict {
  NextServer,  // certainly not carried out, or idempotent: the next server may have it
  Unknown,     // it may have run: not sent again
  Final,       // every server would fail it alike, or it ran and failed
};

Verdict Judge(CallStatus status, bool sent, bool idempotent) {
  switch (status) {
    case CallStatus::TimedOut:
    case CallStatus::Interrupted:
      return !sent || idempotent ? Verdict::NextServer : Verdict::Unknown;
    case CallStatus::RefusedTooLarge:
    case CallStatus::HandlerFailed:
      return Verdict::Final;
    default:
      return Verdict::NextServer;
  }
}

// Each server of a round gets a share of the time left; the last the rest.
Clock::time_point AttemptDeadline(const TRPC& rpc, Clock::time_point deadline, std::size_t untried) {
  if (!rpc.IsIdempotent() || untried <= 1) return deadline;
  const Clock::time_point now = Clock::now();
  return now + (deadline - now) / static_cast<Clock::rep>(untried);
}

}  // namespace

FailoverRounds::FailoverRounds(ServerList& list, Clock::time_point deadline)
    : m_list(list), m_deadline(deadline), m_retry(std::chrono::duration_cast<Clock::duration>(kFirstRetry)) {}

FailoverRounds::Step FailoverRounds::Begin(const TRPC& rpc) { return NextRound(rpc); }

FailoverRounds::Step FailoverRounds::TooLarge() { return End(At(m_list.Active(), CallStatus::RefusedTooLarge, "")); }

FailoverRounds::Step FailoverRounds::NextRound(const TRPC& rpc) {
  ++m_rounds;
  m_round.clear();
  m_first = m_list.Active();
  m_tried = 0;
  m_answeredNow = false;
  m_lost = false;
  m_firstFailure = CallStatus::TimedOut;
  return Attempt(rpc);
}

FailoverRounds::Step FailoverRounds::Attempt(const TRPC& rpc) {
  const Clock::time_point now = Clock::now();
  // The first round tries every server whatever the time left.
  if (m_deadline - now <= (m_rounds > 1 ? Reserve() : Clock::duration::zero())) return TimeUp();
  m_attemptAt = now;
  Step step;
  step.kind = Step::Kind::Attempt;
  step.index = (m_first + m_tried) % m_list.Size();
  step.deadline = AttemptDeadline(rpc, m_deadline, m_list.Size() - m_tried);
  step.sendBy = now + kSendBound;
  return step;
}

FailoverRounds::Step FailoverRounds::After(const TRPC& rpc, CallStatus status, bool sent, const std::string& detail) {
  const std::size_t index = (m_first + m_tried) % m_list.Size();
  if (status == CallStatus::None) m_slowest = std::max(m_slowest, Clock::now() - m_attemptAt);
  if (status == CallStatus::None && rpc.GetReplyExpected()) status = StatusOfReply(rpc.GetReturnCode());
  if (status == CallStatus::None) {
    m_list.NoteTerm(rpc.GetServerTerm());
    const bool serving = rpc.GetServerRole() == TServerRole::Serving;
    const auto higher = serving ? m_list.ReplacedBy(index, rpc.GetServerTerm(), m_attemptAt) : std::nullopt;
    // What it carried out the other's table never held; what it answered is behind.
    if (higher && !rpc.IsIdempotent()) return End(Replaced(index, *higher, rpc.GetServerTerm()));
    if (higher) {
      m_lost = true;
      m_round.push_back(m_list.Endpoint(index) + " serves under a term " + m_list.Endpoint(*higher) + " replaced");
    } else if (serving) {
      if (m_list.SetActive(index))
        Diag(TDiag::INFO, __LINE__, __FILE__, "Calls to %s go to %s", m_list.Name().c_str(),
             m_list.Endpoint(index).c_str());
      return End(CallStatus::None);
    } else {
      m_answered = m_answeredNow = true;
      NoteRole(index, rpc.GetServerRole());
    }
  } else {
    switch (Judge(status, sent, rpc.IsIdempotent())) {
      case Verdict::Final:
        return End(At(index, status, detail));
      case Verdict::Unknown:
        return End(Unknown(index, status));
      case Verdict::NextServer:
        if (m_tried == 0) m_firstFailure = status;
        // A connection lost or slow may be a server still there.
        m_lost = m_lost || status == CallStatus::Interrupted || status == CallStatus::TimedOut;
        Note(index, status, detail);
        break;
    }
  }
  if (++m_tried < m_list.Size()) return Attempt(rpc);
  return RoundOver();
}

// Somebody may be taking over.
FailoverRounds::Step FailoverRounds::RoundOver() {
  if (!m_answeredNow && !m_lost) return End(Whole(m_firstFailure));
  const Clock::time_point now = Clock::now();
  if (m_deadline - now <= m_retry + Reserve()) return TimeUp();
  Step step;
  step.kind = Step::Kind::Wait;
  step.until = now + m_retry;
  m_retry = std::min<Clock::duration>(m_retry * 2, kLongestRetry);
  return step;
}

FailoverRounds::Step FailoverRounds::TimeUp() { return End(m_answered ? CallStatus::None : Whole(CallStatus::TimedOut)); }

Clock::duration FailoverRounds::Reserve() const {
  if (!m_answered) return Clock::duration::zero();
  return std::max<Clock::duration>(2 * m_slowest, kLeastReserve);
}

FailoverRounds::Step FailoverRounds::End(CallStatus status) const {
  Step step;
  step.status = status;
  return step;
}

void FailoverRounds::Note(std::size_t index, CallStatus status, const std::string& detail) {
  m_round.push_back(FailureText(status, m_list.Endpoint(index), detail));
}

void FailoverRounds::NoteRole(std::size_t index, TServerRole role) {
  m_round.push_back(m_list.Endpoint(index) + (role == TServerRole::ShuttingDown ? " is shutting down" : " stands by"));
}

CallStatus FailoverRounds::At(std::size_t index, CallStatus status, const std::string& detail) {
  m_text = FailureText(status, m_list.Endpoint(index), detail);
  return status;
}

CallStatus FailoverRounds::Replaced(std::size_t index, std::size_t higher, std::uint64_t term) {
  m_text = FailureText(CallStatus::TwoServing,
                       m_list.Endpoint(index) + " carried the action out under term " + TServerTerm::ToString(term) +
                           ", which " + m_list.Endpoint(higher) +
                           " had replaced; the action is lost once the two meet",
                       "");
  return CallStatus::TwoServing;
}

CallStatus FailoverRounds::Unknown(std::size_t index, CallStatus why) {
  const char* what = why == CallStatus::TimedOut ? " timed out" : " dropped the connection";
  m_text = FailureText(CallStatus::OutcomeUnknown, m_list.Endpoint(index) + what, "");
  return CallStatus::OutcomeUnknown;
}

// Its time ran out, or none of its servers could be reached (the kind is
// then that of the server tried first).
CallStatus FailoverRounds::Whole(CallStatus status) {
  m_text = status == CallStatus::TimedOut ? FailureText(status, m_list.Name(), "")
                                          : "no server of " + m_list.Name() + " can be reached";
  for (std::size_t index = 0; index < m_round.size(); ++index) m_text += (index == 0 ? ": " : "; ") + m_round[index];
  return status;
}

}  // namespace zelplatform
