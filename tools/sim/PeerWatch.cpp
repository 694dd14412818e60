#include "PeerWatch.h"

#include "zelclnt/platform/TRPCServer.h"

namespace zelsim {
namespace {

constexpr unsigned short kFrameworkClientType = 5;

}  // namespace

PeerWatch::PeerWatch(const std::string& peer, std::chrono::milliseconds patience)
    : m_peer(peer), m_patience(patience), m_caller("presence-sim pair", peer.c_str(), kFrameworkClientType) {}

PeerWatch::Heard PeerWatch::Look() {
  Heard heard;
  TCompletionQueue::Completion done;
  if (m_asked && m_queue.Next(done, 0)) {
    m_asked = false;
    const TCallFailure failure = done.rpc->GetOutcome().kind;
    if (failure == TCallFailure::None) {
      heard.news = News::Answered;
      // A peer that does not know the question serves, as QueryRole reads it.
      if (!TFramework::ReadRoleAnswer(m_rpc, heard.state)) heard.state = TServerState{};
    } else if (failure != TCallFailure::TimedOut) {
      heard.news = News::Gone;
    }
    heard.why = done.rpc->GetOutcome().text;
  }
  if (!m_asked) {
    m_rpc.SetRPCType(TRPCServer::kRoleRpcType);
    m_rpc.SetIdempotent(true);
    m_rpc.SetCallData(nullptr, 0);
    m_asked = m_caller.StartRPC(m_rpc, m_peer.c_str(), m_queue, static_cast<long>(m_patience.count()), nullptr);
  }
  return heard;
}

}  // namespace zelsim
