#pragma once
// The framework client: registration names and remote procedure calls.
//
// SendRPC carries a call over ZeroMQ. A server name containing "://" is a
// ZeroMQ endpoint (inproc://, tcp://host:port, ipc://); any other name stands
// for inproc://<name>. The time-out is in milliseconds; 0 or below means the
// framework default of 60000. It is the caller's whole wait, for the object,
// a connection, the send and the reply; the call tells the server how long
// its caller still waits, and a server drops a call that waited that long in
// its queue.
//
// Connections belong to the process, not to the objects: all objects calling
// one endpoint share a few (at most 8 blocking calls in flight per endpoint;
// further callers wait their turn within their time-out; each completion
// queue takes one more, for all its calls to the endpoint). A connection unused for the
// idle time (30 s) is closed by a later call. A failed call closes its
// connection with whatever it had not sent: a call that failed before it
// was sent never reaches the server. One that timed out after it was sent is
// left to the server's deadline, which counts only the time the call waited
// in the server's own queue: such a call may still run.
//
// One object serialises its own blocking calls; several objects may call
// from several threads at once. Blocking calls are calls started on a queue
// of the calling thread's own and waited for. The static settings may be changed from any thread;
// Each call's outcome stays with its TRPC (TRPC::GetOutcome) until the
// TRPC's next call. LastFailure, per thread, repeats the outcome of the
// thread's last SendRPC, and alone tells of a call refused because its TRPC
// had one in flight (that TRPC's outcome belongs to the call in flight).
//
// Keys: an endpoint given a server key (SetServerKey, LoadKeys or the
// directory named by ZELCLNT_KEYS) is called only with CURVE, encrypted and
// with the client's key pair, never in clear text; others stay clear text,
// inproc always. The directory holds client.key (a key pair file, see
// TCurve.h) and servers, lines "<endpoint> <server public key>"; the
// environment variable is read once, at the first call, unless LoadKeys came
// first. A server that refuses the client's keys, or whose own are not the
// ones given, fails the call at the handshake.
//
// A call fails as soon as the transport knows why. Authentication fails only
// where there was some, with CURVE on the client's side or the server's; a
// peer that hangs up on a clear-text client during the handshake closed it,
// and one that answers in another protocol is no presence server.
//
// A name that lists endpoints, "tcp://a:7300,tcp://b:7300", names servers
// that stand in for each other (see TServerRole.h; at most 8, each named as
// a single server is, none twice, none empty; a malformed list fails as
// NoSuchServer). A call goes to the endpoint last seen serving, and within
// its one time-out to the others:
//   - any call that certainly was not carried out: not sent (no server, a
//     refused connection or handshake, nothing connected within half a
//     second) or answered by a server that does not serve;
//   - an idempotent call (TRPC::SetIdempotent) also after it may have
//     reached a server: a time-out (each server gets a share of the time
//     left) or a lost connection;
//   - any other call that timed out or lost its connection after it was
//     sent is not sent again: it fails as OutcomeUnknown.
// While no server serves but some answer (one is taking over, say) or lost
// the connection, the call is tried again, a little later each round; when
// the time-out comes first, the last answer stands (action result 1 and the
// reason the server gave). When every server refuses or is absent, the
// call fails at once. Every call
// carries the highest term the list's servers told, so that a server
// serving under a lower one stands by.
//
// While a list is in use (calls to it, an event receiver of it) every one
// of its servers is asked its role, at most every half second, beside the
// calls and never holding one up: the list learns every server's term, and
// the next call (or question) to a server serving under a lower one makes
// it stand by. When one still serves under a lower term than another that
// certainly served already, two serve at once (cut off from each other, or
// never met): it is told once per pair of terms (a WARN line,
// TwoServingOf, a receiver's TwoServing notice) and calls go to the higher
// term's server. An action that such a server carried out fails as
// TwoServing: it is lost once the two meet; a query goes on to the next.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "zelclnt/platform/TCallOutcome.h"
#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/platform/TServerRole.h"
#include "zelclnt/ZelExport.h"

// The framework's task type; 0: the calling thread waits for the reply.
using TASKTYPE = int;

class TCompletionQueue;
namespace zelplatform {
struct CallTarget;
}

class ZELCLNT_API TFramework {
 public:
  static constexpr long kDefaultTimeoutMs = 60000;
  static constexpr long kDefaultIdleConnectionMs = 30000;
  static constexpr std::size_t kDefaultMaxMessageSize = std::size_t{64} << 20;

  // Two servers of a list seen serving at once by this process: how often,
  // and the last pair, "tcp://a under term 1/…, tcp://b under term 2/…".
  struct TwoServingSeen {
    std::uint64_t seen = 0;
    std::string last;
  };

  TFramework();
  // clientName and clientNode name this client to the framework (they appear
  // in its diagnostics); clientType is the framework's client class.
  TFramework(const char* clientName, const char* clientNode, unsigned short clientType);
  // Copies take the names.
  TFramework(const TFramework& other);
  TFramework& operator=(const TFramework& other);
  virtual ~TFramework();

  // Nonzero when the call went through; its reply, if one was expected, is
  // then in rpc (reply data and return code). Zero when the server is absent,
  // silent past the time-out, or sent what the transport refuses.
  int SendRPC(TRPC& rpc, const char* serverName, TThreadQueue& replyQueue, long timeoutMs, TASKTYPE type);
  // Starts the call and returns at once; queue.Next tells how it ended,
  // with tag (see TCompletionQueue.h). The name, time-out and failures are
  // SendRPC's, and so is the way a list's servers are tried. False, with
  // LastFailure Busy, when rpc has a call in flight already, or, with
  // rpc's outcome NotSent, when the queue is shut down; every other
  // end, even one known at once, comes through the queue. These calls do
  // not take turns on the object.
  bool StartRPC(TRPC& rpc, const char* serverName, TCompletionQueue& queue, long timeoutMs, void* tag);

  // How this thread's last SendRPC ended: None when it went through and the
  // server's handler did not fail (a handler's own nonzero return code is an
  // answer, not a failure).
  static const TCallOutcome& LastFailure();

  // The endpoints a server name names: one for a single server, each of a
  // list's; false, with the reason in *error, for a malformed list.
  static bool ServersOf(const std::string& serverName, std::vector<std::string>& endpoints, std::string* error);
  // Asks the named server (of a list: the one that serves) which role it
  // is in; nonzero with the answer in *state when it answered. A server
  // that does not know the question serves (term 0, id 0).
  int QueryRole(const char* serverName, long timeoutMs, TServerState& state);
  // The answer in the reply of a role question started by hand (RPC type
  // TRPCServer::kRoleRpcType, no call data); false when it holds none.
  static bool ReadRoleAnswer(const TRPC& rpc, TServerState& state);
  // What the process saw of two servers of a list serving at once; nothing
  // for a single server or a malformed list. Any thread.
  static TwoServingSeen TwoServingOf(const std::string& serverName);

  const std::string& GetClientName() const { return m_clientName; }
  const std::string& GetClientNode() const { return m_clientNode; }
  unsigned short GetClientType() const { return m_clientType; }

  // Largest message accepted from the wire, in either direction, process-wide.
  static void SetMaxMessageSize(std::size_t bytes);
  static std::size_t GetMaxMessageSize();
  // When positive, every call of the process waits this long instead of the
  // time-out its caller passed; 0 gives callers their own back.
  static void SetTimeoutOverride(long timeoutMs);
  // Connections unused for this long are closed, process-wide; 0 or below
  // restores the default.
  static void SetIdleConnectionTimeout(long idleMs);

  // Adds the keys of a directory (see above) to those in force; false, with
  // the reason in *error, when a file is missing, unreadable, open to group
  // or others (client.key), or malformed. Replaces any failure of ZELCLNT_KEYS.
  static bool LoadKeys(const std::string& directory, std::string* error);
  // For applications that hold keys themselves. An empty pair or key forgets
  // the one set; a call needing it then fails rather than go in clear text.
  static void SetClientKeys(const TCurveKeyPair& keys);
  static void SetServerKey(const std::string& endpoint, const std::string& serverPublicKey);
  // Forgets every key set or loaded, as if none ever was; ZELCLNT_KEYS is
  // read again at the next call.
  static void ForgetKeys();

 protected:
  // Records, for LastFailure, a call refused because its request has one
  // in flight.
  static void RefuseAsBusy(const char* serverName);
  // Records, in outcome and for LastFailure, a call refused before it was
  // sent, and why.
  static void RefuseAsNotSent(const char* serverName, const std::string& why, TCallOutcome& outcome);

 private:
  class Turn;

  // Where a name's calls go; looked up again only for another name.
  std::shared_ptr<const zelplatform::CallTarget> TargetOf(const char* serverName);

  std::string m_clientName;
  std::string m_clientNode;
  unsigned short m_clientType = 0;
  // The object's blocking calls take turns.
  std::mutex m_turnLock;
  std::condition_variable m_turnFree;
  bool m_calling = false;
  std::mutex m_targetLock;
  std::shared_ptr<const zelplatform::CallTarget> m_target;
};
