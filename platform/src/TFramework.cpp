#include "zelclnt/platform/TFramework.h"

#include <atomic>
#include <cerrno>
#include <iterator>
#include <utility>

#include "ClientKeys.h"
#include "ConnectionPool.h"
#include "RoleFrame.h"
#include "ServerList.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TRPCServer.h"

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
    {"outcome unknown: ", " after the call was sent; the action may or may not have been carried out"},
};
static_assert(std::size(kFailureTexts) == static_cast<std::size_t>(CallStatus::OutcomeUnknown) + 1,
              "a text for every kind");

// A server of a list that cannot be reached gets this long to take a call,
// so that the others get their turn within the caller's time-out.
constexpr auto kSendBound = std::chrono::milliseconds(500);
// While no server of a list serves, each round waits longer, up to a bound.
constexpr auto kFirstRetry = std::chrono::milliseconds(5);
constexpr auto kLongestRetry = std::chrono::milliseconds(50);

std::string FailureText(CallStatus status, const std::string& about, const std::string& detail) {
  const auto& [lead, tail] = kFailureTexts[static_cast<std::size_t>(status)];
  std::string text = lead + about + tail;
  if (!detail.empty()) text += ": " + detail;
  return text;
}

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
  if (status == CallStatus::None)
    failure.text.clear();
  else
    failure.text = FailureText(status, zelplatform::EndpointOf(serverName), detail);
  return through ? 1 : 0;
}

// How a failed attempt on one server of a list counts.
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

// What each server of a list said in the last round, for the text of a
// call that failed there; built only on the way to a failure.
class TFramework::ListFailure {
 public:
  explicit ListFailure(const zelplatform::ServerList& list) : m_list(list) {}

  void NewRound() { m_round.clear(); }
  void Note(std::size_t index, CallStatus status, const std::string& detail) {
    m_round.push_back(FailureText(status, m_list.Endpoint(index), detail));
  }
  void NoteRole(std::size_t index, TServerRole role) {
    m_round.push_back(m_list.Endpoint(index) + (role == TServerRole::ShuttingDown ? " is shutting down" : " stands by"));
  }
  // A failure at one server.
  CallStatus At(std::size_t index, CallStatus status, const std::string& detail) {
    m_text = FailureText(status, m_list.Endpoint(index), detail);
    return status;
  }
  // A call that may have run at one server.
  CallStatus Unknown(std::size_t index, CallStatus why) {
    const char* what = why == CallStatus::TimedOut ? " timed out" : " dropped the connection";
    m_text = FailureText(CallStatus::OutcomeUnknown, m_list.Endpoint(index) + what, "");
    return CallStatus::OutcomeUnknown;
  }
  // A failure of the whole list: its time ran out, or none of its servers
  // could be reached (the kind is then that of the server tried first).
  CallStatus Whole(CallStatus status) {
    m_text = status == CallStatus::TimedOut ? FailureText(status, m_list.Name(), "")
                                            : "no server of " + m_list.Name() + " can be reached";
    for (std::size_t index = 0; index < m_round.size(); ++index) m_text += (index == 0 ? ": " : "; ") + m_round[index];
    return status;
  }
  const std::string& Text() const { return m_text; }

 private:
  const zelplatform::ServerList& m_list;
  std::vector<std::string> m_round;
  std::string m_text;
};

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
  if (!zelplatform::DecodeRoleAnswer(rpc.GetReplyPointer(), rpc.GetReplySize(), state)) state = TServerState{};
  return 1;
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
  const char* name = serverName ? serverName : "";
  const long overridden = g_timeoutOverride.load(std::memory_order_relaxed);
  const long waitMs = overridden > 0 ? overridden : timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  rpc.SetStatePosition({});
  rpc.SetServerRole(TServerRole::Serving);
  rpc.SetServerTerm(0);
  if (zelplatform::ServerList::IsList(name)) return SendToList(rpc, name, replyQueue, deadline);
  CallStatus status = CallStatus::TimedOut;
  std::string detail;
  if (const Turn turn(*this, deadline); turn.Taken()) status = Call(rpc, name, replyQueue, deadline, detail);
  return Conclude(status, rpc, name, detail);
}

CallStatus TFramework::Call(TRPC& rpc, const char* serverName, TThreadQueue& replyQueue, Clock::time_point deadline,
                            std::string& detail) {
  if (rpc.GetCallSize() > GetMaxMessageSize()) return CallStatus::RefusedTooLarge;
  if (!m_pool || m_poolName != serverName) {
    m_pool = zelplatform::PoolFor(zelplatform::EndpointOf(serverName));
    m_poolName = serverName;
  }
  bool sent = false;
  return CallPool(rpc, *m_pool, {}, replyQueue, deadline, deadline, detail, &sent);
}

CallStatus TFramework::CallPool(TRPC& rpc, zelplatform::ConnectionPool& pool, const zelplatform::ListCall& list,
                                TThreadQueue& replyQueue, Clock::time_point deadline, Clock::time_point sendBy,
                                std::string& detail, bool* sent) {
  try {
    zelplatform::SweepIdleConnections(Clock::now());
    zelplatform::ConnectionLease connection = pool.Take(std::min(deadline, sendBy), &detail);
    if (!connection) return connection.Failure();
    CallStatus status = connection->Send(rpc, deadline, list, sendBy);
    *sent = status == CallStatus::None;
    if (status == CallStatus::None && rpc.GetReplyExpected()) status = connection->Receive(rpc, replyQueue, deadline);
    if (status == CallStatus::None) connection.Keep();
    return status;
  } catch (const zmq::error_t& error) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "Transport error on %s: %s", pool.Endpoint().c_str(), error.what());
    return StatusOfError(error);
  }
}

int TFramework::SendToList(TRPC& rpc, const char* serverName, TThreadQueue& replyQueue, Clock::time_point deadline) {
  TFramework::Failure& failure = ThreadFailure();
  std::string error;
  if (!m_list || m_listName != serverName) {
    m_list = zelplatform::ServerListFor(serverName, &error);
    m_listName = serverName;
  }
  if (!m_list) {
    failure.kind = CallStatus::NoSuchServer;
    failure.text = FailureText(CallStatus::NoSuchServer, serverName, error);
    return 0;
  }
  ListFailure listFailure(*m_list);
  CallStatus status = CallStatus::TimedOut;
  if (const Turn turn(*this, deadline); turn.Taken())
    status = CallList(rpc, *m_list, replyQueue, deadline, listFailure);
  else
    listFailure.Whole(status);
  failure.kind = status;
  failure.text = status == CallStatus::None ? std::string() : listFailure.Text();
  return status == CallStatus::None ? 1 : 0;
}

// Rounds over the list, from the server last seen serving, until one
// serves, the call must not go on, or its time is up.
CallStatus TFramework::CallList(TRPC& rpc, zelplatform::ServerList& list, TThreadQueue& replyQueue,
                                Clock::time_point deadline, ListFailure& failure) {
  if (rpc.GetCallSize() > GetMaxMessageSize()) return failure.At(list.Active(), CallStatus::RefusedTooLarge, "");
  auto retry = std::chrono::duration_cast<Clock::duration>(kFirstRetry);
  // A standby's answer is in rpc: it stands when the time is up first.
  bool answered = false;
  for (;;) {
    failure.NewRound();
    const std::size_t first = list.Active();
    bool answeredNow = false;
    bool lost = false;
    CallStatus firstFailure = CallStatus::TimedOut;
    for (std::size_t tried = 0; tried < list.Size(); ++tried) {
      const std::size_t index = (first + tried) % list.Size();
      const Clock::time_point now = Clock::now();
      if (now >= deadline) return answered ? CallStatus::None : failure.Whole(CallStatus::TimedOut);
      std::string detail;
      bool sent = false;
      const Clock::time_point attemptDeadline = AttemptDeadline(rpc, deadline, list.Size() - tried);
      CallStatus status = CallPool(rpc, list.Pool(index), {true, list.Term()}, replyQueue, attemptDeadline,
                                   now + kSendBound, detail, &sent);
      if (status == CallStatus::None && rpc.GetReplyExpected()) status = StatusOfReply(rpc.GetReturnCode());
      if (status == CallStatus::None) {
        list.NoteTerm(rpc.GetServerTerm());
        if (rpc.GetServerRole() == TServerRole::Serving) {
          if (list.SetActive(index))
            Diag(TDiag::INFO, __LINE__, __FILE__, "Calls to %s go to %s", list.Name().c_str(),
                 list.Endpoint(index).c_str());
          return CallStatus::None;
        }
        answered = answeredNow = true;
        failure.NoteRole(index, rpc.GetServerRole());
        continue;
      }
      switch (Judge(status, sent, rpc.IsIdempotent())) {
        case Verdict::Final:
          return failure.At(index, status, detail);
        case Verdict::Unknown:
          return failure.Unknown(index, status);
        case Verdict::NextServer:
          if (tried == 0) firstFailure = status;
          // A connection lost or slow may be a server still there.
          lost = lost || status == CallStatus::Interrupted || status == CallStatus::TimedOut;
          failure.Note(index, status, detail);
          break;
      }
    }
    if (!answeredNow && !lost) return failure.Whole(firstFailure);
    // Somebody may be taking over.
    const Clock::time_point now = Clock::now();
    if (now + retry >= deadline) return answered ? CallStatus::None : failure.Whole(CallStatus::TimedOut);
    zelplatform::SleepUntil(now + retry);
    retry = std::min<Clock::duration>(retry * 2, kLongestRetry);
  }
}
