#include "ReplayFetcher.h"

#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TEventPublisher.h"

namespace zelplatform {

namespace {

// A server that could not be asked for missed events is asked again, for a
// while: one that serves no replays (or is gone) must not stall the stream.
constexpr auto kRetry = std::chrono::milliseconds(500);
constexpr auto kGiveUp = std::chrono::seconds(3);

}  // namespace

ReplayFetcher::ReplayFetcher(TFramework& caller, const std::string& endpoint)
    : m_caller(caller), m_endpoint(endpoint) {}

ReplayFetcher::~ReplayFetcher() = default;

void ReplayFetcher::OpenGap() {
  if (m_gap) return;
  m_gap = true;
  m_gapSince = m_askAt = Clock::now();
}

void ReplayFetcher::Reset() {
  DropQuestion();
  m_replay.reset();
  m_gap = false;
}

ReplayFetcher::Step ReplayFetcher::Advance(const EventOrder& stream, const std::string& server) {
  if (!m_gap) return {};
  if (m_fetching) return Take();
  if (Clock::now() < m_askAt) return {};
  return Ask(stream, server);
}

ReplayFetcher::Step ReplayFetcher::Ask(const EventOrder& stream, const std::string& server) {
  ReplayRequest request;
  const TEventPosition through = stream.Through();
  request.incarnation = through.incarnation;
  request.after = through.position;
  request.types = stream.Types();
  request.users = stream.Users();
  const std::string call = EncodeReplayRequest(request);
  auto replay = std::make_unique<Replay>();
  replay->rpc.SetRPCType(TEventPublisher::kReplayRpcType);
  replay->rpc.SetCallData(call.data(), call.size());
  replay->rpc.SetIdempotent(true);
  ++m_calls;
  if (!m_caller.StartRPC(replay->rpc, server.c_str(), m_fetches, TEventReceiver::kReplayTimeoutMs, nullptr))
    return Failed(replay->rpc.GetOutcome().text);
  m_fetching = std::move(replay);
  return {Step::Kind::Moved};
}

ReplayFetcher::Step ReplayFetcher::Take() {
  TCompletionQueue::Completion done;
  if (!m_fetches.Next(done, 0)) return {};
  std::unique_ptr<Replay> replay = std::move(m_fetching);
  if (replay->rpc.GetOutcome().Failed()) return Failed(replay->rpc.GetOutcome().text);
  return Answered(std::move(replay));
}

// A server that cannot answer, or one that restarted meanwhile: what was
// missed is gone.
ReplayFetcher::Step ReplayFetcher::Answered(std::unique_ptr<Replay> replay) {
  ReplayAnswer& answer = replay->answer;
  if (replay->rpc.GetReturnCode() != 0 ||
      !DecodeReplayAnswer(replay->rpc.GetReplyPointer(), replay->rpc.GetReplySize(), answer))
    return {Step::Kind::Resync};
  if (answer.status == ReplayStatus::OtherIncarnation)
    return {Step::Kind::OtherIncarnation, answer.incarnation, true};
  if (answer.status == ReplayStatus::PositionGone) return {Step::Kind::Resync, 0, true};
  m_gap = false;
  m_replay = std::move(replay);
  return {Step::Kind::Answered, 0, true};
}

ReplayFetcher::Step ReplayFetcher::Failed(const std::string& why) {
  Diag(TDiag::INFO, __LINE__, __FILE__, "Event receiver on %s: asking for missed events failed: %s",
       m_endpoint.c_str(), why.c_str());
  if (Clock::now() - m_gapSince >= kGiveUp) return {Step::Kind::Resync};
  m_askAt = Clock::now() + kRetry;
  return {Step::Kind::Moved};
}

bool ReplayFetcher::TakeReplayed(TEventNotice& notice, EventOrder& stream, std::size_t maxSize) {
  if (!m_replay) return false;
  const ReplayAnswer& answer = m_replay->answer;
  while (m_replay->next < answer.events.size()) {
    const ReplayedEvent& event = answer.events[m_replay->next++];
    if (event.position <= stream.Through().position || !stream.Wanted(event.eventType, event.userKey)) continue;
    stream.Delivered(event.position);
    ++m_replayed;
    notice.kind = event.size > maxSize ? TEventNotice::Kind::TooLarge : TEventNotice::Kind::Event;
    notice.eventType = event.eventType;
    notice.userKey = event.userKey;
    notice.position = event.position;
    notice.incarnation = answer.incarnation;
    notice.replayed = true;
    if (notice.kind == TEventNotice::Kind::Event)
      notice.data.assign(event.data, event.size);
    else
      notice.data.clear();
    return true;
  }
  stream.CompleteThrough(answer.through);
  // The server had more than one answer holds: ask again for the rest.
  m_gap = answer.through < answer.last;
  m_replay.reset();
  return false;
}

int ReplayFetcher::Descriptor() { return m_fetching ? m_fetches.Descriptor() : -1; }

std::optional<Clock::time_point> ReplayFetcher::AskAt() const {
  if (!m_gap || m_fetching) return std::nullopt;
  return m_askAt;
}

// A question whose answer no longer matters ends now, collected at once so
// that its call is done with it.
void ReplayFetcher::DropQuestion() {
  if (!m_fetching) return;
  m_fetches.Cancel(m_fetching->rpc);
  TCompletionQueue::Completion done;
  while (m_fetches.Next(done, 0)) {
  }
  m_fetching.reset();
}

}  // namespace zelplatform
