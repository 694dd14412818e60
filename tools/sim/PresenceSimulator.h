#pragma once
// A presence server to develop and test against. It answers every request
// of the protocol on TRPCServer threads of its own, from a table of
// synthetic agents it keeps in memory (see AgentSeeder.h), applies the user
// actions to that table so that later queries show them, and publishes the
// events of every change beside it (TEventPublisher). The rules by
// which it refuses an action are in README.md beside it. A call it cannot
// read is answered with action result 1 and ERR_INVALID_DATA.
//
// With security it serves and publishes with CURVE, to the clients its
// allow list admits; a Read client's user actions (other than Query) and
// capability changes are refused with ERR_REQUEST_UNAUTHORIZED and change
// nothing. Without security it binds no tcp address other than loopback
// unless told it may serve insecurely.
//
// Its status reply tells its own: server type presence, up since it
// started, no watchdog or administration peer (their addresses are empty).
//
// Given a peer, it is one of a pair (Pairing.h): it starts standing by,
// serves when it takes over, and while it does not serve answers every
// call with action result 1 and ERR_SERVER_NOT_READY (ERR_SHUTTING_DOWN
// once told to shut down), and queries too while it hands over. Its status
// then tells its role (current status up or standby, the term's counter
// and its id as values A and B) and names its peer as the watchdog and
// itself as the administration address.
//
// Start, Stop and Shutdown belong to the owning thread; the table may be
// read from any thread.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "AckLedger.h"
#include "Churn.h"
#include "Pairing.h"
#include "UserTable.h"
#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TRPCServer.h"
#include "zelclnt/platform/TTimeStamp.h"
#include "zelclnt/requests/ZelQorvServerStatus.h"
#include "zelclnt/state/TMediaReadiness.h"

namespace zelsim {

struct SimulatorOptions {
  // Loopback by default; "inproc://name" (or a bare name) runs it embedded.
  std::string endpoint = "tcp://127.0.0.1:7300";
  // Reported in the status reply only.
  unsigned long heartbeatInterval = 10000;
  bool kvlEnabled = false;
  // Synthetic agents, user keys 42 upward; the seed fixes their details.
  int agents = 8;
  unsigned seed = 1;
  // Changes per second the simulator makes by itself (0: none; see Churn.h).
  double churnRate = 0;
  // Calls answered at once (TRPCServer::SetHandlerThreads): each call runs
  // under the table's lock, so the table and each user's events stay in
  // the order of the changes whatever the count.
  unsigned handlerThreads = 2;
  // How many of its latest events the publisher keeps to send again.
  TEventReplayLimits replayLimits;
  // Its publisher's heartbeat; 0: only to welcome a new receiver, as a
  // server that hung would.
  long eventHeartbeatMs = TEventPublisher::kDefaultHeartbeatMs;
  // Runs on a handler thread before each call is answered: a test holds
  // answers with it, as a hung server would.
  std::function<void(const TRPC& call)> beforeAnswer;
  // Keys and allow list; none: clear text.
  std::optional<TServerSecurity> security;
  // Clear text on an address other than loopback is allowed.
  bool insecure = false;
  // The other simulator of a pair (empty: none). The primary serves at
  // once unless its peer does; either takes over once no peer in charge
  // was heard for `takeover`.
  std::string peer;
  bool primary = false;
  std::chrono::milliseconds takeover{300};
};

// False for a tcp endpoint on any address but loopback.
bool IsLoopbackEndpoint(const std::string& endpoint);

class PresenceSimulator : private PairMember {
 public:
  explicit PresenceSimulator(SimulatorOptions options = {});
  ~PresenceSimulator();
  PresenceSimulator(const PresenceSimulator&) = delete;
  PresenceSimulator& operator=(const PresenceSimulator&) = delete;

  bool Start(std::string* error = nullptr);
  void Stop();
  // Says it shuts down, hands over to its peer if it serves, and stops.
  void Shutdown();
  // Hands over to its peer (as a hand-over call asks); false, with why in
  // *error, when it did not serve or the peer did not take over.
  bool HandOver(std::string* error);
  TServerState State() const { return m_server.State(); }
  const std::string& Endpoint() const { return m_server.Endpoint(); }
  // Empty until started.
  std::string EventsEndpoint() const { return m_publisher ? m_publisher->Endpoint() : std::string(); }
  std::size_t CallsServed() const { return m_server.CallsServed(); }
  // Queries read so far, of every user and of one user.
  std::uint64_t UsersQueries() const { return m_usersQueries; }
  std::uint64_t UserQueries() const { return m_userQueries; }
  const UserTable& Users() const { return m_users; }

  // Answers one call as the serving threads do, for a caller that brings
  // the call by other means; any thread.
  void Handle(TRPC& rpc);

 private:
  using Answer = std::function<void(TRPC&)>;

  void Publish(ZelTPresenceServer::enEvent type, long userKey, const char* data, std::size_t size);
  TEventPosition Position() const override;
  std::uint64_t AcknowledgedBetween(const TEventPosition& after, const TEventPosition& upTo) const override;
  std::uint64_t TurnedAway() const override { return m_turnedAway; }
  void BeginServing(std::vector<ZelTUserPresence> users, bool replace) override;
  void EndServing(TServerRole role) override;
  void AnswerServerStatus(TRPC& rpc) const;
  static void AnswerIntegratedPresence(TRPC& rpc);
  void AnswerUserPresence(TRPC& rpc);
  void AnswerUsersPresence(TRPC& rpc);
  void AnswerMediumStatus(TRPC& rpc) const;
  template <typename Request>
  void AnswerCapability(TRPC& rpc, bool add);
  static void AnswerRefused(TRPC& rpc, ZelTRequest& request, ZelTPresenceServer::ErrorCode error);

  SimulatorOptions m_options;
  TTimeStamp m_startedAt;
  // Up, or standing by, since Start or the last change of role.
  mutable std::mutex m_statusLock;
  ZelQorvServerStatus m_status{Generic::SERVERTYPE_PRESENCE};
  bool m_shuttingDown = false;
  UserTable m_users;
  // The positions of the user actions it carried out.
  AckLedger m_acknowledged;
  std::atomic<std::uint64_t> m_turnedAway{0};
  std::atomic<std::uint64_t> m_usersQueries{0};
  std::atomic<std::uint64_t> m_userQueries{0};
  std::vector<TMediaReadiness> m_readiness;
  std::map<unsigned short, Answer> m_answers;
  TRPCServer m_server;
  // Made at Start: a server on an ephemeral port publishes beside the port
  // it got.
  std::unique_ptr<TEventPublisher> m_publisher;
  // What the serving and churn threads publish through, once it is made.
  std::atomic<TEventPublisher*> m_livePublisher{nullptr};
  Churn m_churn;
  // Made with the simulator when it has a peer.
  std::unique_ptr<Pairing> m_pairing;
};

}  // namespace zelsim
