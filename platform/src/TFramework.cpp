#include "zelclnt/platform/TFramework.h"

#include <atomic>
#include <utility>

#include "AsyncEngine.h"
#include "PerThread.h"
#include "RoleFrame.h"
#include "zelclnt/platform/TCompletionQueue.h"
#include "zelclnt/platform/TRPCServer.h"

using zelplatform::AsyncEngine;
using zelplatform::CallStatus;
using zelplatform::Clock;

namespace {

std::atomic<long> g_timeoutOverride{0};

TCallOutcome& ThreadFailure() {
  static zelplatform::PerThread<TCallOutcome> failures;
  return failures.Get();
}

Clock::time_point DeadlineOf(long timeoutMs) {
  const long overridden = g_timeoutOverride.load(std::memory_order_relaxed);
  const long waitMs = overridden > 0 ? overridden : timeoutMs > 0 ? timeoutMs : TFramework::kDefaultTimeoutMs;
  return Clock::now() + std::chrono::milliseconds(waitMs);
}

// A blocking call is a call started on the thread's own queue and waited for.
AsyncEngine& BlockingEngine() {
  static zelplatform::PerThread<AsyncEngine> engines;
  return engines.Get(AsyncEngine::Leasing::Wait);
}

// A call that ended before it reached the engine: told in outcome, when
// the call has one to spare, and for LastFailure.
int Fail(CallStatus status, const std::string& about, TCallOutcome* outcome, const std::string& detail = "") {
  TCallOutcome& failure = ThreadFailure();
  failure.Clear();
  failure.kind = status;
  failure.text = zelplatform::FailureText(status, about, detail);
  if (outcome) *outcome = failure;
  return 0;
}

}  // namespace

// A call's turn on its object, waited for no longer than the call's deadline.
// (A timed mutex would do, but ThreadSanitizer cannot see it taken with a
// steady-clock deadline.)
class TFramework::Turn {
 public:
  Turn(TFramework& owner, Clock::time_point deadline) : m_owner(owner) {
    std::unique_lock<std::mutex> lock(owner.m_turnLock);
    m_taken = zelplatform::WaitUntil(owner.m_turnFree, lock, deadline, [&owner] { return !owner.m_calling; });
    if (m_taken) owner.m_calling = true;
  }
  ~Turn() {
    if (!m_taken) return;
    {
      std::lock_guard<std::mutex> guard(m_owner.m_turnLock);
      m_owner.m_calling = false;
    }
    m_owner.m_turnFree.notify_one();
  }
  Turn(const Turn&) = delete;
  Turn& operator=(const Turn&) = delete;

  bool Taken() const { return m_taken; }

 private:
  TFramework& m_owner;
  bool m_taken = false;
};

TFramework::TFramework() = default;

TFramework::TFramework(const char* clientName, const char* clientNode, unsigned short clientType)
    : m_clientName(clientName ? clientName : ""),
      m_clientNode(clientNode ? clientNode : ""),
      m_clientType(clientType) {}

TFramework::TFramework(const TFramework& other)
    : m_clientName(other.m_clientName), m_clientNode(other.m_clientNode), m_clientType(other.m_clientType) {}

TFramework& TFramework::operator=(const TFramework& other) {
  if (this != &other) {
    m_clientName = other.m_clientName;
    m_clientNode = other.m_clientNode;
    m_clientType = other.m_clientType;
  }
  return *this;
}

TFramework::~TFramework() = default;

void TFramework::SetMaxMessageSize(std::size_t bytes) { zelplatform::SetMaxMessageSize(bytes); }

std::size_t TFramework::GetMaxMessageSize() { return zelplatform::MaxMessageSize(); }

void TFramework::SetTimeoutOverride(long timeoutMs) { g_timeoutOverride = timeoutMs > 0 ? timeoutMs : 0; }

void TFramework::SetIdleConnectionTimeout(long idleMs) {
  zelplatform::SetIdleConnectionTime(std::chrono::milliseconds(idleMs > 0 ? idleMs : kDefaultIdleConnectionMs));
}

const TCallOutcome& TFramework::LastFailure() { return ThreadFailure(); }

bool TFramework::ServersOf(const std::string& serverName, std::vector<std::string>& endpoints, std::string* error) {
  if (zelplatform::ServerList::IsList(serverName.c_str()))
    return zelplatform::ServerList::Split(serverName, endpoints, error);
  endpoints.assign(1, zelplatform::EndpointOf(serverName));
  return true;
}

int TFramework::QueryRole(const char* serverName, long timeoutMs, TServerState& state) {
  TRPC rpc;
  rpc.SetRPCType(TRPCServer::kRoleRpcType);
  rpc.SetIdempotent(true);
  TThreadQueue replies;
  if (!SendRPC(rpc, serverName, replies, timeoutMs, 0)) return 0;
  if (!ReadRoleAnswer(rpc, state)) state = TServerState{};
  return 1;
}

bool TFramework::ReadRoleAnswer(const TRPC& rpc, TServerState& state) {
  return zelplatform::DecodeRoleAnswer(rpc.GetReplyPointer(), rpc.GetReplySize(), state);
}

TFramework::TwoServingSeen TFramework::TwoServingOf(const std::string& serverName) {
  if (!zelplatform::ServerList::IsList(serverName.c_str())) return {};
  const std::shared_ptr<zelplatform::ServerList> list = zelplatform::ServerListFor(serverName, nullptr);
  if (!list) return {};
  auto [seen, last] = list->TwoServing();
  return {seen, std::move(last)};
}

bool TFramework::LoadKeys(const std::string& directory, std::string* error) {
  return zelplatform::LoadClientKeys(directory, error);
}

void TFramework::SetClientKeys(const TCurveKeyPair& keys) { zelplatform::SetClientKeys(keys); }

void TFramework::SetServerKey(const std::string& endpoint, const std::string& serverPublicKey) {
  zelplatform::SetServerKey(endpoint, serverPublicKey);
}

void TFramework::ForgetKeys() { zelplatform::ForgetKeys(); }

int TFramework::SendRPC(TRPC& rpc, const char* serverName, TThreadQueue& replyQueue, long timeoutMs, TASKTYPE) {
  const Clock::time_point deadline = DeadlineOf(timeoutMs);
  std::shared_ptr<const zelplatform::CallTarget> target = TargetOf(serverName ? serverName : "");
  const Turn turn(*this, deadline);
  if (rpc.IsInFlight()) return Fail(CallStatus::Busy, target->endpoint, nullptr);
  if (!turn.Taken()) return Fail(CallStatus::TimedOut, target->endpoint, &rpc.m_outcome);
  AsyncEngine& engine = BlockingEngine();
  engine.Start(rpc, std::move(target), deadline, nullptr);
  AsyncEngine::Ended ended;
  while (!engine.Next(ended, Clock::time_point::max())) {
  }
  replyQueue.CountStale(engine.TakeStale());
  ThreadFailure() = rpc.m_outcome;
  return ended.through ? 1 : 0;
}

bool TFramework::StartRPC(TRPC& rpc, const char* serverName, TCompletionQueue& queue, long timeoutMs, void* tag) {
  std::shared_ptr<const zelplatform::CallTarget> target = TargetOf(serverName ? serverName : "");
  if (rpc.IsInFlight()) {
    Fail(CallStatus::Busy, target->endpoint, nullptr);
    return false;
  }
  if (queue.m_engine->IsShutDown()) {
    Fail(CallStatus::NotSent, target->endpoint, &rpc.m_outcome, "the queue is shut down");
    return false;
  }
  return queue.m_engine->Start(rpc, std::move(target), DeadlineOf(timeoutMs), tag);
}

void TFramework::RefuseAsBusy(const char* serverName) {
  Fail(CallStatus::Busy, zelplatform::EndpointOf(serverName ? serverName : ""), nullptr);
}

void TFramework::RefuseAsNotSent(const char* serverName, const std::string& why, TCallOutcome& outcome) {
  Fail(CallStatus::NotSent, zelplatform::EndpointOf(serverName ? serverName : ""), &outcome, why);
}

std::shared_ptr<const zelplatform::CallTarget> TFramework::TargetOf(const char* serverName) {
  std::lock_guard<std::mutex> guard(m_targetLock);
  if (!m_target || m_target->name != serverName) m_target = zelplatform::TargetFor(serverName);
  return m_target;
}
