#include "Pairing.h"

#include <algorithm>

#include "AdminFrame.h"
#include "PairRule.h"
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
  m_firstLook = true;
  m_inChargeAt = Clock::Now();
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
    Pause(interval);
  }
}

void Pairing::Look() {
  const Clock::time_point now = Clock::Now();
  if (m_fenced.exchange(false)) {
    std::lock_guard<std::mutex> guard(m_transition);
    m_member.EndServing(TServerRole::Standby);
    FollowLocked();
    m_inChargeAt = now;
    m_takeoverDelay = std::min(m_takeoverDelay * 2, m_options.takeover * kLongestDelayFactor);
  }
  if (m_handOverAsked.exchange(false)) {
    std::string error;
    if (!HandOver(TServerRole::HandingOver, &error))
      Diag(TDiag::WARN, __LINE__, __FILE__, "Hand-over to %s failed: %s", m_options.peer.c_str(), error.c_str());
  }
  // A slow answer still tells that the peer is there.
  TServerState peer;
  const bool heard = m_caller.QueryRole(m_options.peer.c_str(), static_cast<long>(m_options.takeover.count()), peer) != 0;
  if (heard) {
    m_server.NoteTerm(peer.term);
    m_takeoverDelay = m_options.takeover;
    if (InCharge(peer.role)) m_inChargeAt = Clock::Now();
  }
  const TServerState self = m_server.State();
  PairView view;
  view.role = self.role;
  view.id = self.id;
  view.primary = m_options.primary;
  view.firstLook = std::exchange(m_firstLook, false);
  view.peerHeard = heard;
  view.peerRole = peer.role;
  view.peerId = peer.id;
  view.sinceInCharge = std::chrono::duration_cast<milliseconds>(Clock::Now() - m_inChargeAt);
  view.takeover = m_takeoverDelay;
  if (ShouldTakeOver(view)) return TakeOver();
  if (self.role != TServerRole::Standby) return;
  std::lock_guard<std::mutex> guard(m_transition);
  FollowLocked();
}

void Pairing::TakeOver() {
  std::lock_guard<std::mutex> guard(m_transition);
  TakeOverLocked();
}

// The table comes from the mirror of the peer, when it ever joined: a peer
// never heard of leaves the simulator its own.
void Pairing::TakeOverLocked() {
  if (m_server.State().role == TServerRole::Serving) return;
  std::vector<ZelTUserPresence> users;
  if (m_follower) users = m_follower->Finish();
  m_follower.reset();
  const bool replace = !users.empty();
  m_member.BeginServing(std::move(users), replace);
  const std::uint64_t term = m_server.TakeOver();
  Diag(TDiag::INFO, __LINE__, __FILE__, "Serving under term %s, after %s", TServerTerm::ToString(term).c_str(),
       m_options.peer.c_str());
}

void Pairing::FollowLocked() {
  if (!m_follower) m_follower = std::make_unique<Follower>(m_options.peer);
}

bool Pairing::HandOver(TServerRole role, std::string* error) {
  std::lock_guard<std::mutex> guard(m_transition);
  if (m_server.State().role != TServerRole::Serving) {
    if (error) *error = "it does not serve";
    return false;
  }
  m_server.StandBy(role);
  m_member.EndServing(role);
  TRPC rpc;
  rpc.SetRPCType(kTakeOverRpcType);
  const std::string call = EncodeAdminCall({m_server.State().term, m_member.Position()});
  rpc.SetCallData(call.data(), call.size());
  TThreadQueue replies;
  AdminAnswer answer;
  const bool answered = m_caller.SendRPC(rpc, m_options.peer.c_str(), replies, kCatchUpMs + 1000, 0) &&
                        DecodeAdminAnswer(rpc.GetReplyPointer(), rpc.GetReplySize(), answer);
  if (answered && answer.done) {
    m_server.NoteTerm(answer.term);
    if (role == TServerRole::HandingOver) {
      m_server.StandBy(TServerRole::Standby);
      m_member.EndServing(TServerRole::Standby);
      FollowLocked();
    }
    return true;
  }
  if (error) *error = answered ? answer.text : TFramework::LastFailure().text;
  if (role == TServerRole::HandingOver && m_server.Resume()) m_member.BeginServing({}, false);
  return false;
}

bool Pairing::Answer(TRPC& rpc) {
  if (rpc.GetRPCType() == kHandOverRpcType) {
    AnswerHandOver(rpc);
    return true;
  }
  if (rpc.GetRPCType() == kTakeOverRpcType) {
    AnswerTakeOver(rpc);
    return true;
  }
  return false;
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
  TakeOverLocked();
  Reply(rpc, {true, m_server.State().term, m_server.Endpoint()});
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
