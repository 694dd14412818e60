#include "ServingFollower.h"

#include <utility>

#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TRPCServer.h"
#include "zelclnt/platform/TServerRole.h"

namespace zelplatform {

ServingFollower::ServingFollower(std::string serverName, std::shared_ptr<ServerList> list, TFramework& caller)
    : m_serverName(std::move(serverName)),
      m_list(std::move(list)),
      m_caller(caller),
      m_twoServingTold(m_list->TwoServingCount()) {}

ServingFollower::~ServingFollower() = default;

// Asking the list goes on until one serves, up to the probe's time-out;
// the process's record of the list then names it.
void ServingFollower::LookNow() {
  TServerState state;
  Looked(m_caller.QueryRole(m_serverName.c_str(), TEventReceiver::kProbeTimeoutMs, state) &&
         state.role == TServerRole::Serving);
}

void ServingFollower::LookFor() {
  if (m_lookingFor) return;
  m_lookingFor = true;
  m_lookAt = Clock::now();
}

ServingFollower::Seen ServingFollower::Check(std::size_t followed) {
  Seen seen;
  m_list->Probe();
  if (m_list->TwoServingCount() != m_twoServingTold) {
    m_twoServingTold = m_list->TwoServingCount();
    seen.twoServing = true;
  }
  if (m_look) {
    TakeLook();
  } else if (m_lookingFor && Clock::now() >= m_lookAt) {
    StartLook();
  }
  seen.switched = m_list->Active() != followed;
  return seen;
}

void ServingFollower::Reset() {
  DropLook();
  m_lookingFor = false;
}

int ServingFollower::Descriptor() { return m_look ? m_looks.Descriptor() : -1; }

std::optional<Clock::time_point> ServingFollower::DueAt() const {
  if (!m_lookingFor || m_look) return std::nullopt;
  return m_lookAt;
}

// Later looks are answered beside the connection, so that the receiver
// keeps its time while a server of the list is slow to answer.
void ServingFollower::StartLook() {
  auto look = std::make_unique<TRPC>();
  look->SetRPCType(TRPCServer::kRoleRpcType);
  look->SetIdempotent(true);
  if (!m_caller.StartRPC(*look, m_serverName.c_str(), m_looks, TEventReceiver::kProbeTimeoutMs, nullptr))
    return Looked(false);
  m_look = std::move(look);
}

void ServingFollower::TakeLook() {
  TCompletionQueue::Completion done;
  if (!m_looks.Next(done, 0)) return;
  const std::unique_ptr<TRPC> look = std::move(m_look);
  const bool answered = !look->GetOutcome().Failed();
  // A server that does not know the question serves.
  TServerState state;
  if (answered && !TFramework::ReadRoleAnswer(*look, state)) state = TServerState{};
  Looked(answered && state.role == TServerRole::Serving);
}

void ServingFollower::Looked(bool serving) {
  m_lookingFor = !serving;
  if (!serving) m_lookAt = Clock::now() + std::chrono::milliseconds(TEventReceiver::kProbeRetryMs);
}

void ServingFollower::DropLook() {
  if (!m_look) return;
  m_looks.Cancel(*m_look);
  TCompletionQueue::Completion done;
  while (m_looks.Next(done, 0)) {
  }
  m_look.reset();
}

}  // namespace zelplatform
