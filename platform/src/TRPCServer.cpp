#include "zelclnt/platform/TRPCServer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <random>
#include <vector>

#include <zmq.hpp>

#include "HandOver.h"
#include "RoleFrame.h"
#include "RpcFrame.h"
#include "ZapHandler.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TEventPublisher.h"

namespace {

using zelplatform::Clock;

constexpr auto kStopCheck = std::chrono::milliseconds(20);
// Beyond these the socket thread stops taking calls and leaves them to
// ZeroMQ's own queue, bounded by its high-water mark, as a flood would be.
constexpr std::size_t kMaxQueuedCalls = 1000;
constexpr std::size_t kMaxQueuedBytes = std::size_t{64} << 20;
constexpr unsigned kMaxHandlerThreads = 64;

// Whether this thread runs a call of that server counted as begun while
// serving: a handler that asks it to stand by must not wait for its own.
thread_local const TRPCServer* t_countedCallOf = nullptr;

std::atomic<unsigned> g_replyPairs{0};

std::uint32_t NewServerId() {
  std::random_device device;
  std::uint32_t id = 0;
  while (id == 0) id = device();
  return id;
}

// The reply framed in the message that carries it: one buffer, written
// once, rather than a frame built apart and copied in.
zmq::message_t FrameReply(const zelplatform::CallFrame& frame, const TRPC& rpc) {
  const std::size_t header = zelplatform::ReplyHeaderSize(rpc, frame.readsPosition, frame.readsRole);
  zmq::message_t reply(header + rpc.GetReplySize());
  zelplatform::WriteReplyHeader(reply.data<char>(), frame.callId, rpc, frame.readsPosition, frame.readsRole);
  if (rpc.GetReplySize() != 0) std::memcpy(reply.data<char>() + header, rpc.GetReplyPointer(), rpc.GetReplySize());
  return reply;
}

}  // namespace

struct TRPCServer::Call {
  zmq::message_t identity;
  zmq::message_t payload;
  zelplatform::CallFrame frame;
  Clock::time_point arrived;
  TRole role = TRole::Control;

  // Moving a small message moves its bytes too, so the frame's pointer is
  // taken afresh from where the payload is now.
  const char* Data() const { return payload.data<char>() + (payload.size() - frame.size); }
};

class TRPCServer::CallQueue {
 public:
  bool Full() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls.size() >= kMaxQueuedCalls || m_bytes >= kMaxQueuedBytes;
  }

  void Push(Call call) {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_bytes += call.payload.size();
      m_calls.push_back(std::move(call));
    }
    m_ready.notify_one();
  }

  // Waits for the next call; false once `stop` is set.
  bool Pop(Call& call, const std::atomic<bool>& stop) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_ready.wait(lock, [&] { return stop || !m_calls.empty(); });
    if (stop) return false;
    call = std::move(m_calls.front());
    m_calls.pop_front();
    m_bytes -= call.payload.size();
    return true;
  }

  void Wake() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_ready.notify_all();
  }

  void Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.clear();
    m_bytes = 0;
  }

 private:
  mutable std::mutex m_lock;
  std::condition_variable m_ready;
  std::deque<Call> m_calls;
  std::size_t m_bytes = 0;
};

TRPCServer::TRPCServer(const std::string& serverName, Handler handler)
    : m_endpoint(zelplatform::EndpointOf(serverName)),
      m_handler(std::move(handler)),
      m_queue(std::make_unique<CallQueue>()),
      m_id(NewServerId()),
      m_roleSince(Clock::now()) {}

TRPCServer::~TRPCServer() { Stop(); }

void TRPCServer::SetHandlerThreads(unsigned count) {
  m_handlerThreads = std::min(std::max(count, 1u), kMaxHandlerThreads);
}

bool TRPCServer::Start(std::string* error) {
  if (IsRunning()) {
    if (error) *error = "already running on " + m_boundEndpoint;
    return false;
  }
  const bool inproc = zelplatform::IsInproc(m_endpoint);
  if (inproc && zelplatform::InprocGeneration(m_endpoint) != 0) {
    if (error) *error = m_endpoint + " is already bound";
    return false;
  }
  if (const std::string insecure = zelplatform::SecurityError(m_security); !insecure.empty()) {
    if (error) *error = "cannot serve " + m_endpoint + ": " + insecure;
    return false;
  }
  if (!OpenSockets(error)) return false;
  if (inproc) zelplatform::RegisterInproc(m_endpoint);
  m_stopServing = false;
  m_stopIntake = false;
  for (std::size_t index = 0; index < m_repliesOut.size(); ++index)
    m_handlers.emplace_back(&TRPCServer::Serve, this, index);
  m_intake = std::thread(&TRPCServer::Intake, this);
  return true;
}

void TRPCServer::Stop() {
  if (!IsRunning()) return;
  if (zelplatform::IsInproc(m_endpoint)) zelplatform::UnregisterInproc(m_endpoint);
  m_stopServing = true;
  m_queue->Wake();
  for (std::thread& handler : m_handlers) handler.join();
  m_handlers.clear();
  // The socket thread outlives the serving ones to send their last replies.
  m_stopIntake = true;
  m_intake.join();
  CloseSockets();
  m_queue->Clear();
}

bool TRPCServer::OpenSockets(std::string* error) {
  zmq::context_t& context = zelplatform::SharedContext();
  try {
    std::vector<std::unique_ptr<zmq::socket_t>> repliesIn;
    std::vector<std::unique_ptr<zmq::socket_t>> repliesOut;
    for (unsigned index = 0; index < m_handlerThreads; ++index) {
      const std::string pair = "inproc://zelclnt-rpc-replies-" + std::to_string(++g_replyPairs);
      repliesIn.push_back(std::make_unique<zmq::socket_t>(context, zmq::socket_type::pair));
      repliesOut.push_back(std::make_unique<zmq::socket_t>(context, zmq::socket_type::pair));
      repliesIn.back()->set(zmq::sockopt::linger, 0);
      repliesOut.back()->set(zmq::sockopt::linger, 0);
      repliesIn.back()->bind(pair);
      repliesOut.back()->connect(pair);
    }
    auto socket = std::make_unique<zmq::socket_t>(context, zmq::socket_type::router);
    zelplatform::ConfigureSocket(*socket, m_endpoint);
    std::unique_ptr<zelplatform::ZapDomain> zap = zelplatform::Secure(*socket, m_endpoint, m_security);
    zelplatform::BindSoon(*socket, m_endpoint);
    m_boundEndpoint = socket->get(zmq::sockopt::last_endpoint);
    m_socket = std::move(socket);
    m_zap = std::move(zap);
    m_repliesIn = std::move(repliesIn);
    m_repliesOut = std::move(repliesOut);
  } catch (const zmq::error_t& failure) {
    if (error) *error = "cannot bind " + m_endpoint + ": " + failure.what();
    return false;
  }
  return true;
}

void TRPCServer::CloseSockets() {
  // Closing releases the name only later, on ZeroMQ's own thread; unbinding
  // releases it now, so the same endpoint can be bound again at once.
  try {
    m_socket->unbind(m_boundEndpoint);
  } catch (const zmq::error_t&) {
  }
  m_socket.reset();
  m_zap.reset();
  m_repliesOut.clear();
  m_repliesIn.clear();
}

void TRPCServer::Intake() {
  // The replies of every handler thread, then the calls.
  std::vector<zmq::pollitem_t> items;
  for (const auto& replies : m_repliesIn) items.push_back({replies->handle(), 0, ZMQ_POLLIN, 0});
  items.push_back({m_socket->handle(), 0, ZMQ_POLLIN, 0});
  zmq::pollitem_t& calls = items.back();
  while (!m_stopIntake) {
    try {
      calls.events = m_queue->Full() ? 0 : ZMQ_POLLIN;
      zmq::poll(items.data(), items.size(), kStopCheck);
      for (std::size_t index = 0; index < m_repliesIn.size(); ++index)
        if (items[index].revents & ZMQ_POLLIN) ForwardReplies(*m_repliesIn[index]);
      if (calls.revents & ZMQ_POLLIN) TakeCalls();
    } catch (const zmq::error_t& failure) {
      if (failure.num() != EINTR)
        Diag(TDiag::SEVR, __LINE__, __FILE__, "RPC server on %s: %s", m_boundEndpoint.c_str(), failure.what());
    }
  }
  try {
    for (const auto& replies : m_repliesIn) ForwardReplies(*replies);
  } catch (const zmq::error_t&) {
  }
}

void TRPCServer::TakeCalls() {
  while (!m_queue->Full()) {
    Call call;
    if (!m_socket->recv(call.identity, zmq::recv_flags::dontwait)) return;
    call.arrived = Clock::now();
    if (!call.identity.more()) continue;
    if (!m_socket->recv(call.payload, zmq::recv_flags::dontwait)) return;
    zelplatform::AcquireAfterReceive(call.payload.data());
    call.role = m_zap ? zelplatform::RoleOf(call.payload) : TRole::Control;
    if (call.payload.more()) {
      zelplatform::DiscardRest(*m_socket);
      continue;
    }
    if (!zelplatform::DecodeCall(call.payload.data(), call.payload.size(), call.frame)) continue;
    if (call.frame.rpcType == kRoleRpcType)
      AnswerRole(call);
    else
      m_queue->Push(std::move(call));
  }
}

// Answered on the socket thread: a busy handler must not make the server
// look gone to its peer.
void TRPCServer::AnswerRole(Call& call) {
  Admit(call.frame.term, false);
  const TServerState state = State();
  TRPC rpc;
  rpc.SetRPCType(kRoleRpcType);
  rpc.SetServerRole(state.role);
  rpc.SetServerTerm(state.term);
  const std::string answer = zelplatform::EncodeRoleAnswer(state);
  rpc.SetReplyData(answer.data(), answer.size());
  if (!call.frame.replyExpected) return;
  zmq::message_t reply = FrameReply(call.frame, rpc);
  zelplatform::ReleaseBeforeSend(reply.data());
  m_socket->send(call.identity, zmq::send_flags::sndmore | zmq::send_flags::dontwait);
  m_socket->send(reply, zmq::send_flags::dontwait);
}

void TRPCServer::ForwardReplies(zmq::socket_t& replies) {
  zmq::message_t identity;
  zmq::message_t reply;
  while (replies.recv(identity, zmq::recv_flags::dontwait)) {
    if (!replies.recv(reply, zmq::recv_flags::dontwait)) return;
    m_socket->send(identity, zmq::send_flags::sndmore | zmq::send_flags::dontwait);
    m_socket->send(reply, zmq::send_flags::dontwait);
  }
}

void TRPCServer::Serve(std::size_t index) {
  zmq::socket_t& replies = *m_repliesOut[index];
  // Kept from call to call, so that a reply is packed into storage that
  // has grown to the size replies have.
  TRPC rpc;
  Call call;
  while (m_queue->Pop(call, m_stopServing)) {
    try {
      if (!DropIfLate(call)) ServeOne(call, rpc, replies);
    } catch (const zmq::error_t& failure) {
      Diag(TDiag::SEVR, __LINE__, __FILE__, "RPC server on %s: %s", m_boundEndpoint.c_str(), failure.what());
    }
  }
}

void TRPCServer::Dispatch(TRPC& rpc) {
  const TEventPublisher* replays = m_replays.load(std::memory_order_acquire);
  if (replays && rpc.GetRPCType() == TEventPublisher::kReplayRpcType)
    replays->AnswerReplay(rpc);
  else
    m_handler(rpc);
}

// Only the time since the call was taken from the socket is seen: the two
// clocks cannot be compared, so time on the wire is not counted.
bool TRPCServer::DropIfLate(const Call& call) {
  if (call.frame.remainingMs == 0) return false;
  const auto late = Clock::now() - (call.arrived + std::chrono::milliseconds(call.frame.remainingMs));
  if (late < Clock::duration::zero()) return false;
  ++m_dropped;
  const auto lateMs = std::chrono::duration_cast<std::chrono::milliseconds>(late).count();
  Diag(TDiag::WARN, __LINE__, __FILE__,
       "RPC server on %s: call %llu (RPC type %u) dropped unserved, %lld ms after its caller stopped waiting",
       m_boundEndpoint.c_str(), static_cast<unsigned long long>(call.frame.callId),
       static_cast<unsigned>(call.frame.rpcType), static_cast<long long>(lateMs));
  return true;
}

void TRPCServer::ServeOne(Call& call, TRPC& rpc, zmq::socket_t& replies) {
  const zelplatform::CallFrame& frame = call.frame;
  rpc.Reset();
  rpc.SetRPCType(frame.rpcType);
  rpc.SetReplyExpected(frame.replyExpected ? 1 : 0);
  rpc.SetCallerRole(call.role);
  const TServerState admitted = Admit(frame.term, true);
  if (admitted.role == TServerRole::Serving) t_countedCallOf = this;
  rpc.SetServerRole(admitted.role);
  rpc.SetServerTerm(admitted.term);
  if (frame.size > zelplatform::MaxMessageSize()) {
    rpc.SetReturnCode(TRPC::kRefusedTooLarge);
  } else {
    rpc.SetCallData(call.Data(), frame.size);
    try {
      Dispatch(rpc);
    } catch (...) {
      rpc.SetReplyData(nullptr, 0);
      rpc.SetReturnCode(TRPC::kHandlerFailed);
    }
  }
  t_countedCallOf = nullptr;
  Release(admitted);
  ++m_served;
  if (!frame.replyExpected) return;
  // The reply tells the role the call was served in, whatever the handler did.
  rpc.SetServerRole(admitted.role);
  rpc.SetServerTerm(admitted.term);
  zmq::message_t reply = FrameReply(frame, rpc);
  zelplatform::ReleaseBeforeSend(reply.data());
  replies.send(call.identity, zmq::send_flags::sndmore);
  replies.send(reply, zmq::send_flags::none);
}

TServerState TRPCServer::State() const {
  std::lock_guard<std::mutex> guard(m_stateLock);
  return StateLocked();
}

TServerState TRPCServer::StateLocked() const {
  TServerState state;
  state.role = m_role;
  state.term = m_term;
  state.id = m_id;
  const auto inRole = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_roleSince).count();
  state.inRoleMs = static_cast<std::uint32_t>(std::clamp<std::int64_t>(inRole, 0, UINT32_MAX));
  state.takeOvers = m_takeOvers;
  state.standDowns = m_standDowns;
  state.handOvers = m_handOvers;
  state.lostChanges = m_lostChanges;
  return state;
}

std::uint64_t TRPCServer::TakeOver() {
  std::lock_guard<std::mutex> guard(m_stateLock);
  m_term = m_ownTerm = TServerTerm::Next(m_term, m_id);
  ChangeRole(TServerRole::Serving);
  ++m_takeOvers;
  return m_term;
}

bool TRPCServer::Resume() {
  std::lock_guard<std::mutex> guard(m_stateLock);
  if (m_ownTerm == 0 || m_term != m_ownTerm) return false;
  ChangeRole(TServerRole::Serving);
  return true;
}

void TRPCServer::StandBy(TServerRole role) {
  std::unique_lock<std::mutex> lock(m_stateLock);
  if (m_role == TServerRole::Serving && (role == TServerRole::HandingOver || role == TServerRole::ShuttingDown))
    ++m_handOvers;
  if (role != TServerRole::Serving) ChangeRole(role);
  // A handler asking does not wait for its own call, nor for those of other
  // handlers that ask too, which wait for it.
  const int own = t_countedCallOf == this ? 1 : 0;
  m_askingCalls += own;
  if (own) m_servingDone.notify_all();
  m_servingDone.wait(lock, [this] { return m_servingCalls == m_askingCalls; });
  m_askingCalls -= own;
}

bool TRPCServer::NoteTerm(std::uint64_t term) {
  bool stoodDown = false;
  {
    std::lock_guard<std::mutex> guard(m_stateLock);
    stoodDown = AdoptTerm(term);
  }
  if (stoodDown && m_steppedDown) m_steppedDown(term);
  return stoodDown;
}

void TRPCServer::CountLostChanges(std::uint32_t count) {
  std::lock_guard<std::mutex> guard(m_stateLock);
  m_lostChanges = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{m_lostChanges} + count, UINT32_MAX));
}

bool TRPCServer::AdoptTerm(std::uint64_t term) {
  if (term <= m_term) return false;
  m_term = term;
  if (m_role != TServerRole::Serving) return false;
  ChangeRole(TServerRole::Standby);
  ++m_standDowns;
  return true;
}

void TRPCServer::ChangeRole(TServerRole role) {
  if (role == m_role) return;
  m_role = role;
  m_roleSince = Clock::now();
}

TServerState TRPCServer::Admit(std::uint64_t callerTerm, bool counted) {
  bool stoodDown = false;
  TServerState state;
  std::uint64_t own = 0;
  {
    std::lock_guard<std::mutex> guard(m_stateLock);
    own = m_term;
    stoodDown = AdoptTerm(callerTerm);
    state.role = m_role;
    state.term = m_term;
    state.id = m_id;
    if (counted && m_role == TServerRole::Serving) ++m_servingCalls;
  }
  if (stoodDown) {
    Diag(TDiag::WARN, __LINE__, __FILE__, "RPC server on %s: a caller knows term %s, above its own %s: standing by",
         m_boundEndpoint.c_str(), TServerTerm::ToString(callerTerm).c_str(), TServerTerm::ToString(own).c_str());
    if (m_steppedDown) m_steppedDown(callerTerm);
  }
  return state;
}

void TRPCServer::Release(const TServerState& admitted) {
  if (admitted.role != TServerRole::Serving) return;
  {
    std::lock_guard<std::mutex> guard(m_stateLock);
    --m_servingCalls;
  }
  m_servingDone.notify_all();
}
