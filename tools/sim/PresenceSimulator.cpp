#include "PresenceSimulator.h"

#include <cstdlib>

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace zelsim {
namespace {

// The port of a tcp endpoint, 0 for any other.
int PortOf(const std::string& endpoint) {
  const auto colon = endpoint.rfind(':');
  if (endpoint.rfind("tcp://", 0) != 0 || colon == std::string::npos) return 0;
  return std::atoi(endpoint.c_str() + colon + 1);
}

}  // namespace

PresenceSimulator::PresenceSimulator(SimulatorOptions options)
    : m_options(std::move(options)),
      m_answers{{ZelTServerStatus::kObjectType, [this](TRPC& rpc) { AnswerServerStatus(rpc); }},
                {ZelTQueryIntegratedPresence::kObjectType, [](TRPC& rpc) { AnswerIntegratedPresence(rpc); }}},
      m_server(m_options.endpoint, [this](TRPC& rpc) { Handle(rpc); }) {}

PresenceSimulator::~PresenceSimulator() { Stop(); }

bool PresenceSimulator::Start(std::string* error) {
  m_startedAt.Update(0);
  return m_server.Start(error);
}

void PresenceSimulator::Stop() { m_server.Stop(); }

void PresenceSimulator::Handle(TRPC& rpc) {
  const auto answer = m_answers.find(rpc.GetRPCType());
  if (answer == m_answers.end()) {
    NuxDiagStream(TDiag::WARN, __LINE__, __FILE__, "PresenceSimulator", "Handle")
        << "Unknown request type " << std::to_string(rpc.GetRPCType());
    rpc.SetReturnCode(kUnknownRequest);
    return;
  }
  answer->second(rpc);
}

void PresenceSimulator::AnswerServerStatus(TRPC& rpc) const {
  ZelTServerStatus status(m_options.adminAddr, m_options.watchdogAddr, "", "presence-sim",
                          Generic::SERVERTYPE_PRESENCE);
  status.UnpackRpcCall(rpc);
  status.SetServerName("presence-sim");
  status.SetDescription("zelclnt presence simulator");
  status.SetPort(PortOf(Endpoint()));
  status.SetHost(Endpoint());
  status.SetCurrentStatus(TGenericStatus::STATUS_UP);
  status.SetServerStartedAt(m_startedAt);
  status.SetWatchdogAddr(m_options.watchdogAddr);
  status.SetAdminAddr(m_options.adminAddr);
  status.SetKvlEnabled(m_options.kvlEnabled);
  status.SetHeartbeatInterval(m_options.heartbeatInterval);
  status.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  status.SetActionError(ZelTPresenceServer::ERR_NONE);
  status.PackRpcReply(rpc);
}

// The server's copy of the query goes back; the summaries would follow as an
// event. The password is never written anywhere.
void PresenceSimulator::AnswerIntegratedPresence(TRPC& rpc) {
  ZelTQueryIntegratedPresence query;
  query.UnpackRpcCall(rpc);
  NuxDiagStream report(TDiag::INFO, __LINE__, __FILE__, "PresenceSimulator", "AnswerIntegratedPresence");
  if (report.IsActive())
    report << "user " << query.GetUserId() << " agent " << query.GetAgentId() << " asks about "
           << std::to_string(query.Size()) << " presentities: " << query.ToString();
  query.SetActionResult(ZelTPresenceServer::ACTION_SUCCEEDED);
  query.SetActionError(ZelTPresenceServer::ERR_NONE);
  query.PackRpcReply(rpc);
}

}  // namespace zelsim
