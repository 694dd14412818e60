#include "zelclnt/platform/TFramework.h"

#include <atomic>
#include <cerrno>
#include <iterator>
#include <utility>

#include "ClientKeys.h"
#include "ConnectionPool.h"
#include "zelclnt/platform/TDiag.h"

using zelplatform::CallStatus;
using zelplatform::Clock;

namespace {

std::atomic<long> g_timeoutOverride{0};

TFramework::Failure& ThreadFailure() {
  thread_local TFramework::Failure failure;
  return failure;
}

// What each failure says around the endpoint it concerns, by kind.
constexpr std::pair<const char*, const char*> kFailureTexts[] = {
    {"", ""},
    {"no such server: ", ""},
    {"connection refused by ", ""},
    {"timed out waiting for ", ""},
    {"message to or from ", " refused as too large"},
    {"interrupted: ", " shut down or dropped the connection before replying"},
    {"the handler of ", " failed"},
    {"authentication failed by ", ""},
    {"no usable keys to call ", ""},
    {"closed by ", " during the handshake: not a presence server, or a proxy with nothing behind it"},
    {"not a presence server: ", " does not speak its protocol"},
};
static_assert(std::size(kFailureTexts) == static_cast<std::size_t>(CallStatus::NotPresenceServer) + 1,
              "a text for every kind");

// The transport's own return codes say the call failed at the far end.
CallStatus StatusOfReply(long returnCode) {
  if (returnCode == TRPC::kHandlerFailed) return CallStatus::HandlerFailed;
  if (returnCode == TRPC::kRefusedTooLarge) return CallStatus::RefusedTooLarge;
  return CallStatus::None;
}

// ZeroMQ could not make a connection: the name is no endpoint, or the
// process ran out of sockets or descriptors.
CallStatus StatusOfError(const zmq::error_t& error) {
  const int code = error.num();
  return code == EINVAL || code == EPROTONOSUPPORT || code == ENOCOMPATPROTO ? CallStatus::NoSuchServer
                                                                             : CallStatus::Interrupted;
}

// Records how the call ended for the calling thread; texts are built only
// for failures.
int Conclude(CallStatus status, const TRPC& rpc, const char* serverName, const std::string& detail) {
  const bool through = status == CallStatus::None;
  if (through && rpc.GetReplyExpected()) status = StatusOfReply(rpc.GetReturnCode());
  TFramework::Failure& failure = ThreadFailure();
  failure.kind = status;
  if (status == CallStatus::None) {
    failure.text.clear();
  } else {
    const auto& [lead, tail] = kFailureTexts[static_cast<std::size_t>(status)];
    failure.text = lead + zelplatform::EndpointOf(serverName) + tail;
    if (!detail.empty()) failure.text += ": " + detail;
  }
  return through ? 1 : 0;
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

const TFramework::Failure& TFramework::LastFailure() { return ThreadFailure(); }

bool TFramework::LoadKeys(const std::string& directory, std::string* error) {
  return zelplatform::LoadClientKeys(directory, error);
}

void TFramework::SetClientKeys(const TCurveKeyPair& keys) { zelplatform::SetClientKeys(keys); }

void TFramework::SetServerKey(const std::string& endpoint, const std::string& serverPublicKey) {
  zelplatform::SetServerKey(endpoint, serverPublicKey);
}

void TFramework::ForgetKeys() { zelplatform::ForgetKeys(); }

int TFramework::SendRPC(TRPC& rpc, const char* serverName, TThreadQueue& replyQueue, long timeoutMs, TASKTYPE) {
  const char* name = serverName ? serverName : "";
  const long overridden = g_timeoutOverride.load(std::memory_order_relaxed);
  const long waitMs = overridden > 0 ? overridden : timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  CallStatus status = CallStatus::TimedOut;
  std::string detail;
  rpc.SetStatePosition({});
  if (const Turn turn(*this, deadline); turn.Taken()) status = Call(rpc, name, replyQueue, deadline, detail);
  return Conclude(status, rpc, name, detail);
}

CallStatus TFramework::Call(TRPC& rpc, const char* serverName, TThreadQueue& replyQueue, Clock::time_point deadline,
                            std::string& detail) {
  if (rpc.GetCallSize() > GetMaxMessageSize()) return CallStatus::RefusedTooLarge;
  try {
    zelplatform::SweepIdleConnections(Clock::now());
    if (!m_pool || m_poolName != serverName) {
      m_pool = zelplatform::PoolFor(zelplatform::EndpointOf(serverName));
      m_poolName = serverName;
    }
    zelplatform::ConnectionLease connection = m_pool->Take(deadline, &detail);
    if (!connection) return connection.Failure();
    CallStatus status = connection->Send(rpc, deadline);
    if (status == CallStatus::None && rpc.GetReplyExpected()) status = connection->Receive(rpc, replyQueue, deadline);
    if (status == CallStatus::None) connection.Keep();
    return status;
  } catch (const zmq::error_t& error) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Transport error on %s: %s", serverName, error.what());
    return StatusOfError(error);
  }
}
