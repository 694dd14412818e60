#include "Pairing.h"

#include <algorithm>

#include "AdminFrame.h"
#include "zelclnt/platform/TClock.h"
#include "zelclnt/platform/TDiag.h"

namespace zelsim {
namespace {

using Clock = TClock;
using std::chrono::milliseconds;

constexpr unsigned short kFrameworkClientType = 5;
// Looks at the peer this often in a take-over time.
constexpr int kLooksPerTakeover = 10;
constexpr int kLongestDelayFactor = 64;
constexpr milliseconds kShortestLook{5};
constexpr milliseconds kRealSlice{20};
// While a replaced clock is in force it is looked at often.
constexpr milliseconds kReplacedSlice{2};

void Reply(TRPC& rpc, const AdminAnswer& answer) {
  const std::string bytes = EncodeAdminAnswer(answer);
  rpc.SetReplyData(bytes.data(), bytes.size());
}

std::string Term(std::uint64_t term) { return TServerTerm::ToString(term); }

std::string Ms(milliseconds duration) { return std::to_string(duration.count()) + " ms"; }

}  // namespace

Pairing::Pairing(PairOptions options, TRPCServer& server, PairMember& member)
    : m_options(std::move(options)),
      m_server(server),
      m_member(member),
      m_caller("presence-sim pair", m_options.peer.c_str(), kFrameworkClientType),
      m_takeoverDelay(m_options.takeover) {
  m_server.OnSteppedDown([this](std::uint64_t) {
    m_fenced = true;
    std::lock_guard<std::mutex> guard(m_wakeLock);
    m_wake.notify_all();
  });
}

Pairing::~Pairing() { Stop(); }

void Pairing::Start() {
  if (m_thread.joinable()) return;
  m_stopping = false;
  m_starting = true;
  m_peer = PeerHeard::Silent;
  m_inChargeAt = m_heardAt = Clock::Now();
  m_watch = std::make_unique<PeerWatch>(m_options.peer, m_options.takeover * kSilenceFactor);
  m_thread = std::thread(&Pairing::Watch, this);
}

void Pairing::Stop() {
  if (!m_thread.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(m_wakeLock);
    m_stopping = true;
  }
  m_wake.notify_all();
  m_thread.join();
  m_watch.reset();
  std::lock_guard<std::mutex> guard(m_transition);
  m_follower.reset();
}

void Pairing::Watch() {
  const milliseconds interval = std::max(m_options.takeover / kLooksPerTakeover, kShortestLook);
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(m_wakeLock);
      if (m_stopping) return;
    }
    Look();
    // Until it first hears of its peer it looks often: a primary decides then.
    Pause(m_starting && m_peer == PeerHeard::Silent ? kShortestLook : interval);
  }
}

void Pairing::Look() {
  if (m_fenced.exchange(false)) StandDown();
  if (m_handOverAsked.exchange(false)) HandOver(TServerRole::HandingOver, nullptr);
  Hear(m_watch->Look());
  NoteTurnedAway();
  if (m_lossUncounted && m_peer == PeerHeard::Answered && CountLost()) m_lossUncounted = false;
  std::lock_guard<std::mutex> guard(m_transition);
  // The peer took over just now: what it said before does not count.
  if (m_handedOver.exchange(false)) m_inChargeAt = Clock::Now();
  const PairView view = View();
  // A primary decides at once only on what it first hears of its peer.
  if (m_peer != PeerHeard::Silent) m_starting = false;
  const TakeOverCause cause = ShouldTakeOver(view);
  if (cause != TakeOverCause::None) return TakeOverLocked(CauseText(cause, view));
  if (m_server.State().role == TServerRole::Standby) FollowLocked();
}

std::string Pairing::CauseText(TakeOverCause cause, const PairView& view) const {
  const std::string why = m_peerWhy.empty() ? "" : " (" + m_peerWhy + ")";
  switch (cause) {
    case TakeOverCause::Primary:
      return "started as the primary, and its peer " + (view.peer == PeerHeard::Gone ? "is gone" + why : "stands by");
    case TakeOverCause::PeerGone:
      return "its peer was gone for " + Ms(view.sinceInCharge) + why;
    case TakeOverCause::PeerStandsBy:
      return "both stood by for " + Ms(view.sinceInCharge) + ", and its id is the higher";
    case TakeOverCause::PeerSilent:
      return "its peer did not answer for " + Ms(view.sinceInCharge);
    case TakeOverCause::CallersTurnedAway:
      return "callers came to it for " + Ms(view.turningAway) + " while its peer was out of reach" + why;
    case TakeOverCause::None:
      break;
  }
  return std::string();
}

// A higher term made it stand by while it served.
void Pairing::StandDown() {
  std::lock_guard<std::mutex> guard(m_transition);
  m_member.EndServing(TServerRole::Standby);
  FollowLocked();
  m_inChargeAt = Clock::Now();
  m_starting = false;
  m_takeoverDelay = std::min(m_takeoverDelay * 2, m_options.takeover * kLongestDelayFactor);
  m_replaced = true;
  if (m_servedTerm == 0) return;
  m_lossUncounted = true;
  m_lostTerm = m_servedTerm;
  m_lostUpTo = m_member.Position();
}

// Callers come to a server that does not serve only when the one they know
// serves does not answer them.
void Pairing::NoteTurnedAway() {
  const std::uint64_t turnedAway = m_member.TurnedAway();
  if (turnedAway == m_turnedAway) return;
  m_turnedAway = turnedAway;
  const Clock::time_point now = Clock::Now();
  if (now - m_turnedAt > m_options.takeover) m_turningSince = now;
  m_turnedAt = now;
}

void Pairing::Hear(const PeerWatch::Heard& heard) {
  const Clock::time_point now = Clock::Now();
  if (heard.news == PeerWatch::News::None) {
    if (now - m_heardAt > m_options.takeover) m_peer = PeerHeard::Silent;
    return;
  }
  m_heardAt = now;
  m_peerWhy = heard.why;
  if (heard.news == PeerWatch::News::Gone) {
    m_peer = PeerHeard::Gone;
    return;
  }
  m_peer = PeerHeard::Answered;
  m_peerState = heard.state;
  m_replaced = false;
  m_takeoverDelay = m_options.takeover;
  if (InCharge(heard.state.role)) m_inChargeAt = now;
  const std::uint64_t own = m_server.State().term;
  if (m_server.NoteTerm(heard.state.term))
    Diag(TDiag::WARN, __LINE__, __FILE__, "Stood down from term %s: its peer %s is %s under term %s",
         Term(own).c_str(), m_options.peer.c_str(), ToString(heard.state.role).c_str(),
         Term(heard.state.term).c_str());
}

PairView Pairing::View() const {
  const TServerState self = m_server.State();
  PairView view;
  view.role = self.role;
  view.id = self.id;
  view.primary = m_options.primary;
  view.starting = m_starting;
  view.peer = m_peer;
  view.peerRole = m_peerState.role;
  view.peerId = m_peerState.id;
  view.sinceInCharge = std::chrono::duration_cast<milliseconds>(Clock::Now() - m_inChargeAt);
  view.takeover = m_takeoverDelay;
  view.silence = std::max(m_options.takeover * kSilenceFactor, m_takeoverDelay);
  view.replaced = m_replaced;
  const Clock::time_point now = Clock::Now();
  if (now - m_turnedAt <= m_options.takeover)
    view.turningAway = std::chrono::duration_cast<milliseconds>(now - m_turningSince);
  return view;
}

// The table comes from the mirror of the peer, when it ever joined: a peer
// never heard of leaves the simulator its own.
void Pairing::TakeOverLocked(const std::string& cause) {
  if (m_server.State().role == TServerRole::Serving) return;
  std::vector<ZelTUserPresence> users;
  TEventPosition from;
  if (m_follower) {
    users = m_follower->Finish();
    if (!users.empty()) from = m_follower->Position();
  }
  m_follower.reset();
  const bool replace = !users.empty();
  m_member.BeginServing(std::move(users), replace);
  const std::uint64_t term = m_server.TakeOver();
  m_servedTerm = term;
  m_starting = false;
  {
    std::lock_guard<std::mutex> guard(m_beganLock);
    m_beganTerm = term;
    m_beganFrom = from;
  }
  Diag(TDiag::WARN, __LINE__, __FILE__, "Took over from %s under term %s: %s", m_options.peer.c_str(),
       Term(term).c_str(), cause.c_str());
}

void Pairing::FollowLocked() {
  if (!m_follower) m_follower = std::make_unique<Follower>(m_options.peer);
}

bool Pairing::HandOver(TServerRole role, std::string* error) {
  std::lock_guard<std::mutex> guard(m_transition);
  const std::uint64_t term = m_server.State().term;
  if (m_server.State().role != TServerRole::Serving) {
    if (error) *error = "it does not serve";
    return false;
  }
  Diag(TDiag::WARN, __LINE__, __FILE__, "Handing over to %s from term %s: %s", m_options.peer.c_str(),
       Term(term).c_str(), role == TServerRole::ShuttingDown ? "shutting down" : "asked to");
  m_server.StandBy(role);
  m_member.EndServing(role);
  TRPC rpc;
  rpc.SetRPCType(kTakeOverRpcType);
  const std::string call = EncodeAdminCall({term, m_member.Position()});
  rpc.SetCallData(call.data(), call.size());
  TThreadQueue replies;
  AdminAnswer answer;
  const bool answered = m_caller.SendRPC(rpc, m_options.peer.c_str(), replies, kCatchUpMs + 1000, 0) &&
                        DecodeAdminAnswer(rpc.GetReplyPointer(), rpc.GetReplySize(), answer);
  if (answered && answer.done) {
    m_handedOver = true;
    m_server.NoteTerm(answer.term);
    Diag(TDiag::WARN, __LINE__, __FILE__, "Handed over to %s, which serves under term %s", m_options.peer.c_str(),
         Term(answer.term).c_str());
    if (role == TServerRole::HandingOver) {
      m_server.StandBy(TServerRole::Standby);
      m_member.EndServing(TServerRole::Standby);
      FollowLocked();
    }
    return true;
  }
  const std::string why = answered ? answer.text : rpc.GetOutcome().text;
  const bool resumed = role == TServerRole::HandingOver && m_server.Resume();
  if (resumed) m_member.BeginServing({}, false);
  Diag(TDiag::WARN, __LINE__, __FILE__, "Hand-over to %s failed: %s%s", m_options.peer.c_str(), why.c_str(),
       resumed ? ("; serving on under term " + Term(term)).c_str() : "");
  if (error) *error = why;
  return false;
}

bool Pairing::Answer(TRPC& rpc) {
  switch (rpc.GetRPCType()) {
    case kHandOverRpcType:
      AnswerHandOver(rpc);
      return true;
    case kTakeOverRpcType:
      AnswerTakeOver(rpc);
      return true;
    case kTermBeganRpcType:
      AnswerTermBegan(rpc);
      return true;
    default:
      return false;
  }
}

// The hand-over runs on the pair's thread: this one must go on serving the
// peer's queries meanwhile.
void Pairing::AnswerHandOver(TRPC& rpc) {
  const TServerState self = m_server.State();
  if (rpc.GetServerRole() != TServerRole::Serving)
    return Reply(rpc, {false, self.term, m_server.Endpoint() + " does not serve"});
  m_handOverAsked = true;
  {
    std::lock_guard<std::mutex> guard(m_wakeLock);
    m_wake.notify_all();
  }
  Reply(rpc, {true, self.term, m_options.peer});
}

// A call that came while serving is counted as served: taking the
// transition lock then could wait for a hand-over that waits for it.
void Pairing::AnswerTakeOver(TRPC& rpc) {
  AdminCall call;
  if (!DecodeAdminCall(rpc.GetCallPointer(), rpc.GetCallSize(), call))
    return Reply(rpc, {false, m_server.State().term, "not a take-over call"});
  if (rpc.GetServerRole() == TServerRole::Serving) return Reply(rpc, {true, m_server.State().term, "serves already"});
  m_server.NoteTerm(call.term);
  if (!WaitForCatchUp(call.through))
    return Reply(rpc, {false, m_server.State().term,
                       "its copy of the table is behind event " + std::to_string(call.through.position)});
  std::lock_guard<std::mutex> guard(m_transition);
  TakeOverLocked("its peer handed over from term " + Term(call.term));
  Reply(rpc, {true, m_server.State().term, m_server.Endpoint()});
}

void Pairing::AnswerTermBegan(TRPC& rpc) {
  AdminCall began;
  {
    std::lock_guard<std::mutex> guard(m_beganLock);
    began = {m_beganTerm, m_beganFrom};
  }
  const std::string bytes = EncodeAdminCall(began);
  rpc.SetReplyData(bytes.data(), bytes.size());
}

// Its peer's table began at a position of this server's stream: what it
// acknowledged after that, the peer never held.
bool Pairing::CountLost() {
  TRPC rpc;
  rpc.SetRPCType(kTermBeganRpcType);
  rpc.SetIdempotent(true);
  const std::string call = EncodeAdminCall({m_lostTerm, {}});
  rpc.SetCallData(call.data(), call.size());
  TThreadQueue replies;
  AdminCall began;
  if (!m_caller.SendRPC(rpc, m_options.peer.c_str(), replies, static_cast<long>(m_options.takeover.count()), 0) ||
      !DecodeAdminCall(rpc.GetReplyPointer(), rpc.GetReplySize(), began))
    return false;
  if (began.term <= m_lostTerm) {
    Diag(TDiag::WARN, __LINE__, __FILE__,
         "Stood down from term %s, but its peer %s took over under no term above it: what it lost is not known",
         Term(m_lostTerm).c_str(), m_options.peer.c_str());
    return true;
  }
  const std::uint64_t lost = m_member.AcknowledgedBetween(began.through, m_lostUpTo);
  m_server.CountLostChanges(static_cast<std::uint32_t>(std::min<std::uint64_t>(lost, UINT32_MAX)));
  Diag(TDiag::WARN, __LINE__, __FILE__,
       "Served under term %s after %s took over under term %s: %llu acknowledged changes after event %llu, where "
       "the other's table began, are lost",
       Term(m_lostTerm).c_str(), m_options.peer.c_str(), Term(began.term).c_str(),
       static_cast<unsigned long long>(lost), static_cast<unsigned long long>(began.through.position));
  return true;
}

bool Pairing::WaitForCatchUp(const TEventPosition& through) {
  const Clock::time_point until = Clock::Now() + milliseconds(kCatchUpMs);
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(m_transition);
      if (m_follower && m_follower->CaughtUpTo(through)) return true;
    }
    if (Clock::Now() >= until) return false;
    std::this_thread::sleep_for(Clock::IsReplaced() ? kReplacedSlice : kRealSlice);
  }
}

void Pairing::Pause(milliseconds interval) {
  const Clock::time_point until = Clock::Now() + interval;
  std::unique_lock<std::mutex> lock(m_wakeLock);
  while (!m_stopping && !m_handOverAsked && !m_fenced && Clock::Now() < until) {
    const auto left = std::chrono::ceil<milliseconds>(until - Clock::Now());
    m_wake.wait_for(lock, std::min(left, Clock::IsReplaced() ? kReplacedSlice : kRealSlice));
  }
}

}  // namespace zelsim
