#include "PresenceSimulator.h"

#include <cstdlib>

#include "AgentSeeder.h"
#include "CallReader.h"
#include "UsersReply.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/KRVEnum.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace zelsim {
namespace {

using PS = ZelTPresenceServer;

// The port of a tcp endpoint, 0 for any other.
int PortOf(const std::string& endpoint) {
  const auto colon = endpoint.rfind(':');
  if (endpoint.rfind("tcp://", 0) != 0 || colon == std::string::npos) return 0;
  return std::atoi(endpoint.c_str() + colon + 1);
}

// The events go to the port after the server's; when the system picked the
// server's port, that one may be taken, and another pick is tried.
constexpr int kEphemeralAttempts = 5;

bool IsEphemeralTcp(const std::string& endpoint) {
  const auto colon = endpoint.rfind(':');
  if (endpoint.rfind("tcp://", 0) != 0 || colon == std::string::npos) return false;
  const std::string port = endpoint.substr(colon + 1);
  return port == "0" || port == "*";
}

// ERR_NONE when a call is served in the role it came in: a server that
// hands over still answers queries, for its peer to catch up.
PS::ErrorCode Refusal(const TRPC& rpc, bool query) {
  switch (rpc.GetServerRole()) {
    case TServerRole::Serving:
      return PS::ERR_NONE;
    case TServerRole::HandingOver:
      return query ? PS::ERR_NONE : PS::ERR_SERVER_NOT_READY;
    case TServerRole::ShuttingDown:
      return query ? PS::ERR_NONE : PS::ERR_SHUTTING_DOWN;
    case TServerRole::Standby:
      break;
  }
  return PS::ERR_SERVER_NOT_READY;
}

// Every medium is ready but one, which the seed picks.
std::vector<TMediaReadiness> SeedReadiness(unsigned seed) {
  std::vector<TMediaReadiness> readiness;
  const long notReady = KRVEnum::MEDIUM_VOICE + static_cast<long>(seed % 5);
  const enReadinessCause causes[] = {READINESSCAUSE_TSERVER_DOWN, READINESSCAUSE_CALLBACK_SERVER_DOWN,
                                     READINESSCAUSE_EMAIL_SERVER_DOWN, READINESSCAUSE_WEB_SERVER_DOWN,
                                     READINESSCAUSE_COMM_PLATFORM_DOWN};
  for (long medium = KRVEnum::MEDIUM_VOICE; medium <= KRVEnum::MEDIUM_OPENMEDIA; ++medium) {
    TMediaReadiness record;
    record.media = static_cast<KRVEnum::MEDIUM>(medium);
    record.state = medium == notReady ? READINESS_NOT_READY : READINESS_READY;
    record.cause = medium == notReady ? causes[medium - 1] : READINESSCAUSE_NONE;
    record.startTime = TTimeStamp(0);
    readiness.push_back(record);
  }
  return readiness;
}

}  // namespace

bool IsLoopbackEndpoint(const std::string& endpoint) {
  if (endpoint.rfind("tcp://", 0) != 0) return true;
  const auto colon = endpoint.rfind(':');
  std::string host = endpoint.substr(6, colon == std::string::npos || colon < 6 ? std::string::npos : colon - 6);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  return host == "localhost" || host == "::1" || host == "lo" || host.rfind("127.", 0) == 0;
}

PresenceSimulator::PresenceSimulator(SimulatorOptions options)
    : m_options(std::move(options)),
      m_users(SeedAgents(m_options.agents, m_options.seed),
              EventFeed([this](PS::enEvent type, long userKey, const char* data,
                               std::size_t size) { Publish(type, userKey, data, size); },
                        [this] { return Position(); })),
      m_readiness(SeedReadiness(m_options.seed)),
      m_answers{
          {ZelTServerStatus::kObjectType, [this](TRPC& rpc) { AnswerServerStatus(rpc); }},
          {ZelTQueryIntegratedPresence::kObjectType, [](TRPC& rpc) { AnswerIntegratedPresence(rpc); }},
          {ZelTUserPresence::kObjectType, [this](TRPC& rpc) { AnswerUserPresence(rpc); }},
          {ZelTQueryUsersPresence::kObjectType, [this](TRPC& rpc) { AnswerUsersPresence(rpc); }},
          {ZelTQueryUserMediumStatus::kObjectType, [this](TRPC& rpc) { AnswerMediumStatus(rpc); }},
          {ZelTAddCapability::kObjectType, [this](TRPC& rpc) { AnswerCapability<ZelTAddCapability>(rpc, true); }},
          {ZelTRemoveCapability::kObjectType,
           [this](TRPC& rpc) { AnswerCapability<ZelTRemoveCapability>(rpc, false); }},
      },
      m_server(m_options.endpoint, [this](TRPC& rpc) { Handle(rpc); }),
      m_churn(m_users, m_options.seed, m_options.churnRate) {
  if (!m_options.peer.empty())
    m_pairing = std::make_unique<Pairing>(PairOptions{m_options.peer, m_options.primary, m_options.takeover}, m_server,
                                          static_cast<PairMember&>(*this));
}

PresenceSimulator::~PresenceSimulator() { Stop(); }

bool PresenceSimulator::Start(std::string* error) {
  if (!m_options.security && !m_options.insecure && !IsLoopbackEndpoint(m_options.endpoint)) {
    if (error)
      *error = "refusing to serve " + m_options.endpoint +
               " in clear text beyond loopback: give it keys (--key and --allow) or allow it (--insecure)";
    return false;
  }
  if (m_options.security) m_server.SetSecurity(*m_options.security);
  m_server.SetHandlerThreads(m_options.handlerThreads);
  m_startedAt.Update(0);
  {
    std::lock_guard<std::mutex> guard(m_statusLock);
    m_status = ZelQorvServerStatus(Generic::SERVERTYPE_PRESENCE);
    m_status.SetCurrentStatus(m_pairing ? TGenericStatus::STATUS_STANDBY : TGenericStatus::STATUS_UP);
    m_shuttingDown = false;
  }
  // One of a pair serves only once it took over.
  if (m_pairing) m_server.StandBy(TServerRole::Standby);
  const int attempts = IsEphemeralTcp(m_options.endpoint) ? kEphemeralAttempts : 1;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (!m_server.Start(error)) return false;
    auto publisher = std::make_unique<TEventPublisher>(m_server.Endpoint());
    if (m_options.security) publisher->SetSecurity(*m_options.security);
    publisher->SetReplayLimits(m_options.replayLimits);
    publisher->SetHeartbeatInterval(m_options.eventHeartbeatMs);
    publisher->SetStandby(m_pairing != nullptr);
    if (publisher->Start(error)) {
      m_publisher = std::move(publisher);
      m_livePublisher = m_publisher.get();
      m_server.ServeReplays(m_publisher.get());
      if (m_pairing)
        m_pairing->Start();
      else
        m_churn.Start();
      return true;
    }
    m_server.Stop();
  }
  return false;
}

void PresenceSimulator::Stop() {
  if (m_pairing) m_pairing->Stop();
  m_churn.Stop();
  m_server.Stop();
  m_livePublisher = nullptr;
  if (m_publisher) m_publisher->Stop();
}

void PresenceSimulator::Shutdown() {
  // A hand-over that fails says so itself.
  if (m_pairing && m_server.State().role == TServerRole::Serving) m_pairing->HandOver(TServerRole::ShuttingDown, nullptr);
  m_server.StandBy(TServerRole::ShuttingDown);
  EndServing(TServerRole::ShuttingDown);
  Stop();
}

bool PresenceSimulator::HandOver(std::string* error) {
  if (m_pairing) return m_pairing->HandOver(TServerRole::HandingOver, error);
  if (error) *error = "it has no peer";
  return false;
}

void PresenceSimulator::BeginServing(std::vector<ZelTUserPresence> users, bool replace) {
  if (replace) m_users.ReplaceAll(std::move(users));
  {
    std::lock_guard<std::mutex> guard(m_statusLock);
    m_status.SetCurrentStatus(TGenericStatus::STATUS_UP);
  }
  if (TEventPublisher* publisher = m_livePublisher) publisher->SetStandby(false);
  m_churn.Start();
}

void PresenceSimulator::EndServing(TServerRole role) {
  m_churn.Stop();
  if (TEventPublisher* publisher = m_livePublisher) publisher->SetStandby(true);
  std::lock_guard<std::mutex> guard(m_statusLock);
  m_status.SetCurrentStatus(TGenericStatus::STATUS_STANDBY);
  m_shuttingDown = m_shuttingDown || role == TServerRole::ShuttingDown;
}

void PresenceSimulator::Publish(PS::enEvent type, long userKey, const char* data, std::size_t size) {
  if (TEventPublisher* publisher = m_livePublisher) publisher->Publish(type, userKey, data, size);
}

TEventPosition PresenceSimulator::Position() const {
  const TEventPublisher* publisher = m_livePublisher;
  return publisher ? publisher->Position() : TEventPosition();
}

std::uint64_t PresenceSimulator::AcknowledgedBetween(const TEventPosition& after, const TEventPosition& upTo) const {
  return m_acknowledged.CountBetween(after, upTo);
}

void PresenceSimulator::Handle(TRPC& rpc) {
  if (m_options.beforeAnswer) m_options.beforeAnswer(rpc);
  if (m_pairing && m_pairing->Answer(rpc)) return;
  const auto answer = m_answers.find(rpc.GetRPCType());
  if (answer != m_answers.end()) {
    if (rpc.GetServerRole() == TServerRole::Standby) ++m_turnedAway;
    answer->second(rpc);
    return;
  }
  NuxDiagStream(TDiag::WARN, __LINE__, __FILE__, "PresenceSimulator", "Handle")
      << "Unknown request type " << std::to_string(rpc.GetRPCType());
  AnswerInvalidData(rpc);
}

// The reply is the simulator's own; of the call only the common part and
// the action go back.
void PresenceSimulator::AnswerServerStatus(TRPC& rpc) const {
  ZelTServerStatus call;
  if (!ReadCall(rpc, call)) return AnswerInvalidData(rpc);
  ZelTServerStatus status;
  static_cast<ZelTRequest&>(status) = call;
  {
    std::lock_guard<std::mutex> guard(m_statusLock);
    static_cast<ZelQorvServerStatus&>(status) = m_status;
    if (m_shuttingDown) status.SetShutdown();
  }
  if (m_pairing) {
    status.SetValueA(static_cast<std::int32_t>(TServerTerm::Counter(rpc.GetServerTerm())));
    status.SetValueB(static_cast<std::int32_t>(m_server.State().id));
    status.SetWatchdogAddr(m_pairing->Peer());
    status.SetAdminAddr(Endpoint());
  }
  status.SetAction(call.GetAction());
  status.SetServerName("presence-sim");
  status.SetDescription("zelclnt presence simulator");
  status.SetPort(PortOf(Endpoint()));
  status.SetHost(Endpoint());
  status.SetServerStartedAt(m_startedAt);
  status.SetKvlEnabled(m_options.kvlEnabled);
  status.SetHeartbeatInterval(m_options.heartbeatInterval);
  SetOutcome(status, Refusal(rpc, true));
  status.PackRpcReply(rpc);
}

// The server's copy of the query goes back; the summaries would follow as an
// event. The password is never written anywhere.
void PresenceSimulator::AnswerIntegratedPresence(TRPC& rpc) {
  ZelTQueryIntegratedPresence query;
  if (!ReadCall(rpc, query)) return AnswerInvalidData(rpc);
  if (const PS::ErrorCode refused = Refusal(rpc, true); refused != PS::ERR_NONE)
    return AnswerRefused(rpc, query, refused);
  NuxDiagStream report(TDiag::INFO, __LINE__, __FILE__, "PresenceSimulator", "AnswerIntegratedPresence");
  if (report.IsActive())
    report << "user " << query.GetUserId() << " agent " << query.GetAgentId() << " asks about "
           << std::to_string(query.Size()) << " presentities: " << query.ToString();
  SetOutcome(query, PS::ERR_NONE);
  query.PackRpcReply(rpc);
}

void PresenceSimulator::AnswerUserPresence(TRPC& rpc) {
  ZelTUserPresence call;
  if (!ReadCall(rpc, call)) return AnswerInvalidData(rpc);
  const bool query = call.GetAction() == ZelTUserPresence::ACTION_QUERY;
  if (query) ++m_userQueries;
  if (const PS::ErrorCode refused = Refusal(rpc, query); refused != PS::ERR_NONE)
    return AnswerRefused(rpc, call, refused);
  if (!query && rpc.GetCallerRole() != TRole::Control) return AnswerRefused(rpc, call, PS::ERR_REQUEST_UNAUTHORIZED);
  TEventPosition at;
  m_users.Act(call, &at);
  rpc.SetStatePosition(at);
  if (!query && call.GetErrorCode() == PS::ERR_NONE) m_acknowledged.Record(at);
  NuxDiagStream report(TDiag::INFO, __LINE__, __FILE__, "PresenceSimulator", "AnswerUserPresence");
  if (report.IsActive()) report << call.ToString_RPCInformation() << ": " << PS::ToString(call.GetErrorCode());
  call.PackRpcReply(rpc);
}

// Packed from the table under its lock, without copying a record.
void PresenceSimulator::AnswerUsersPresence(TRPC& rpc) {
  ZelTQueryUsersPresence query;
  if (!ReadCall(rpc, query)) return AnswerInvalidData(rpc);
  ++m_usersQueries;
  if (const PS::ErrorCode refused = Refusal(rpc, true); refused != PS::ERR_NONE)
    return AnswerRefused(rpc, query, refused);
  SetOutcome(query, PS::ERR_NONE);
  const auto answer = [&](const UserTable::Lent& users, const TEventPosition& at) {
    rpc.SetStatePosition(at);
    UsersReply(query, users).PackRpcReply(rpc);
  };
  if (query.GetAction() == ZelTQueryUsersPresence::ACTION_QUERY && m_users.Lend(query.GetQueryType(), answer)) return;
  rpc.SetStatePosition(TEventPosition{});
  SetOutcome(query, PS::ERR_INVALID_PARAMETERS);
  query.PackRpcReply(rpc);
}

void PresenceSimulator::AnswerMediumStatus(TRPC& rpc) const {
  ZelTQueryUserMediumStatus query;
  if (!ReadCall(rpc, query)) return AnswerInvalidData(rpc);
  if (const PS::ErrorCode refused = Refusal(rpc, true); refused != PS::ERR_NONE)
    return AnswerRefused(rpc, query, refused);
  if (query.GetAction() != ZelTQueryUserMediumStatus::ACTION_QUERY) {
    SetOutcome(query, PS::ERR_INVALID_PARAMETERS);
  } else {
    query.GetMediumStatus().Clear();
    for (const TMediaReadiness& record : m_readiness) query.GetMediumStatus().PushBack(record);
    SetOutcome(query, PS::ERR_NONE);
  }
  query.PackRpcReply(rpc);
}

template <typename Request>
void PresenceSimulator::AnswerCapability(TRPC& rpc, bool add) {
  Request request;
  if (!ReadCall(rpc, request)) return AnswerInvalidData(rpc);
  if (const PS::ErrorCode refused = Refusal(rpc, false); refused != PS::ERR_NONE)
    return AnswerRefused(rpc, request, refused);
  if (rpc.GetCallerRole() != TRole::Control) return AnswerRefused(rpc, request, PS::ERR_REQUEST_UNAUTHORIZED);
  const PS::ErrorCode error = request.GetCapabilityTypeValue() != ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR
                                  ? PS::ERR_CAPABILITY_NOT_SUPPORTED
                                  : m_users.SetCampaignDirector(request.GetUserKey(), add, request.GetParameters());
  SetOutcome(request, error);
  request.PackRpcReply(rpc);
}

// The request goes back as received: a Read client, or a caller of a
// server that does not serve, learns nothing it could not query.
void PresenceSimulator::AnswerRefused(TRPC& rpc, ZelTRequest& request, PS::ErrorCode error) {
  SetOutcome(request, error);
  request.PackRpcReply(rpc);
}

}  // namespace zelsim
