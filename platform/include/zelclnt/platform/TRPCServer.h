#pragma once
// The server side of the framework's calls: binds an endpoint and serves the
// calls that reach it, by default one at a time and in arrival order. With
// SetHandlerThreads(n > 1) the handler runs on n threads at once: calls
// still begin in arrival order, but one may finish before a call that began
// earlier, so a slow call holds up only its own thread; a caller that needs
// one call served after another waits for the first one's reply. The
// handler must then be safe to run on several threads. The handler gets a
// TRPC with the call data, RPC type and reply-expected flag, and sets the
// reply data and the return code. An exception from the handler answers with
// return code TRPC::kHandlerFailed; a call above the size bound is answered
// with TRPC::kRefusedTooLarge, unread.
//
// A call may carry how long its caller still waits. Each call is stamped as
// it is taken from the socket, while an earlier call's handler may still run;
// a call whose caller has stopped waiting by the time its turn comes is
// dropped unserved, with a warning, and gets no reply.
//
// With SetSecurity, a tcp or ipc server speaks CURVE only and admits only
// the clients on its allow list; each call carries its caller's role
// (TRPC::GetCallerRole). A client that is not admitted never reaches the
// handler. Without it, or on inproc, every caller has the Control role.
//
// A server of a pair has a role (TServerRole.h): it serves from the start,
// under term 0, until told otherwise. Whatever its role the handler runs,
// and learns the role from the TRPC (GetServerRole), so that a server that
// does not serve can say so in its own words; the reply's frame tells the
// role too, and a caller of a list goes on to the next server. A call that
// carries a term above the server's own makes it stand by before the
// handler runs. The server answers a question of its role
// (kRoleRpcType) itself, in any role, at once on its socket thread, ahead
// of the calls waiting for the handler; such answers are not counted as
// calls served. The answer carries how long it has been in its role and
// its counts since it started: take-overs, stand-downs for a higher term,
// hand-overs, and the changes its application counted as lost
// (CountLostChanges).
//
// Threads of its own: one owns the socket, the others run the handler (one
// unless told otherwise). Server names follow TFramework::SendRPC. Start,
// Stop and SetHandlerThreads are for the owning thread;
// CallsServed and CallsDropped may be read from any thread, and so may the
// role be read and changed.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "zelclnt/platform/TClock.h"
#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/platform/TServerRole.h"
#include "zelclnt/ZelExport.h"

class TEventPublisher;

namespace zmq {
class socket_t;
}

namespace zelplatform {
class ZapDomain;
}

class ZELCLNT_API TRPCServer {
 public:
  using Handler = std::function<void(TRPC&)>;
  // Told the term that made the server stand by.
  using SteppedDown = std::function<void(std::uint64_t term)>;
  // The RPC type of a question of the server's role: no call data; the
  // answer is its role, term and id.
  static constexpr unsigned short kRoleRpcType = 65281;

  TRPCServer(const std::string& serverName, Handler handler);
  ~TRPCServer();
  TRPCServer(const TRPCServer&) = delete;
  TRPCServer& operator=(const TRPCServer&) = delete;

  // How many threads run the handler, from 1 (the default) to 64; takes
  // effect at the next Start.
  void SetHandlerThreads(unsigned count);
  // Takes effect at the next Start.
  void SetSecurity(TServerSecurity security) { m_security = std::move(security); }
  // Answers receivers' requests to send events again (RPC type
  // TEventPublisher::kReplayRpcType) from the publisher's replay buffer, not
  // through the handler; any role may ask. nullptr stops it. Any time, from
  // the owning thread; the publisher must outlive its use here.
  void ServeReplays(const TEventPublisher* publisher) { m_replays.store(publisher, std::memory_order_release); }

  // Binds and starts serving; false, with the reason in *error, when the
  // endpoint cannot be bound or the server already runs. A tcp port released
  // a moment ago is retried for up to a second.
  bool Start(std::string* error = nullptr);
  // Finishes the handler that runs; calls still queued are discarded.
  void Stop();
  bool IsRunning() const { return m_intake.joinable(); }

  // The bound endpoint after a successful Start (a tcp port of 0 or "*"
  // resolved to the real one).
  const std::string& Endpoint() const { return m_boundEndpoint; }
  std::size_t CallsServed() const { return m_served; }
  // Calls not served because their caller had stopped waiting.
  std::size_t CallsDropped() const { return m_dropped; }

  // Role, term, id and the figures of its roles; any thread.
  TServerState State() const;
  // Serves under a new term, above every term it has heard of; returns it.
  std::uint64_t TakeOver();
  // Serves again under its own term (a hand-over that did not happen);
  // false when it has heard of a higher one since, or never took over.
  bool Resume();
  // Stops serving in this role (not Serving). Returns once no call it began
  // to serve is still running on any handler thread, except when a handler
  // itself asks: it returns at once.
  void StandBy(TServerRole role);
  // A term heard of elsewhere (from the peer): one above its own becomes
  // its own, and a server that serves stands by; true when it did.
  bool NoteTerm(std::uint64_t term);
  // Changes it acknowledged that the server serving under a higher term
  // never held: counted in its State().
  void CountLostChanges(std::uint32_t count);
  // Called, on whichever thread brought the term, when a higher term made
  // the server stand by. Before Start.
  void OnSteppedDown(SteppedDown observer) { m_steppedDown = std::move(observer); }

 private:
  class CallQueue;
  struct Call;

  bool OpenSockets(std::string* error);
  void CloseSockets();
  // Socket thread: stamps and queues calls, sends the replies back.
  void Intake();
  void TakeCalls();
  void ForwardReplies(zmq::socket_t& replies);
  // Handler threads; each has its reply pair, by index.
  void Serve(std::size_t index);
  void ServeOne(Call& call, TRPC& rpc, zmq::socket_t& replies);
  void Dispatch(TRPC& rpc);
  bool DropIfLate(const Call& call);
  // The role a call is served in, after the term it carries; a counted call
  // begun while serving is counted until Release.
  TServerState Admit(std::uint64_t callerTerm, bool counted);
  void AnswerRole(Call& call);
  void Release(const TServerState& admitted);
  // REQUIRES: m_stateLock held, for these three. True when the server stood by.
  bool AdoptTerm(std::uint64_t term);
  void ChangeRole(TServerRole role);
  TServerState StateLocked() const;

  std::string m_endpoint;
  std::string m_boundEndpoint;
  Handler m_handler;
  std::optional<TServerSecurity> m_security;
  // While a secured server runs.
  std::unique_ptr<zelplatform::ZapDomain> m_zap;
  std::unique_ptr<CallQueue> m_queue;
  unsigned m_handlerThreads = 1;
  // Socket thread: the ROUTER and the ends of the reply pairs it reads.
  std::unique_ptr<zmq::socket_t> m_socket;
  std::vector<std::unique_ptr<zmq::socket_t>> m_repliesIn;
  // One a handler thread: the end of its reply pair it writes.
  std::vector<std::unique_ptr<zmq::socket_t>> m_repliesOut;
  std::thread m_intake;
  std::vector<std::thread> m_handlers;
  std::atomic<bool> m_stopServing{false};
  std::atomic<bool> m_stopIntake{false};
  std::atomic<std::size_t> m_served{0};
  std::atomic<std::size_t> m_dropped{0};
  std::atomic<const TEventPublisher*> m_replays{nullptr};

  const std::uint32_t m_id;
  mutable std::mutex m_stateLock;
  std::condition_variable m_servingDone;
  TServerRole m_role = TServerRole::Serving;
  std::uint64_t m_term = 0;
  // The term it last took over under; 0: never.
  std::uint64_t m_ownTerm = 0;
  TClock::time_point m_roleSince;
  std::uint32_t m_takeOvers = 0;
  std::uint32_t m_standDowns = 0;
  std::uint32_t m_handOvers = 0;
  std::uint32_t m_lostChanges = 0;
  int m_servingCalls = 0;
  // Of those, the calls whose handler waits in StandBy.
  int m_askingCalls = 0;
  SteppedDown m_steppedDown;
};
