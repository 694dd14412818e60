#pragma once
// One simulator of a pair: which of the two serves, and the hand-over
// between them.
//
// Both start standing by. A thread of the pair's own looks at the peer
// every tenth of the take-over time: one question of its role is kept in
// flight (PeerWatch), whose answer, late or not, tells the peer's role and
// term; a higher term than its own makes a server that serves stand by
// (TRPCServer::NoteTerm). When PairRule says so, a standby takes over: it
// takes its table from its follower (the mirror of the peer, while it stood
// by), then serves under a new term.
//
// A hand-over (HandOver, or a hand-over call, kHandOverRpcType) stops
// serving first, waits for the calls being served, stops the simulator's
// own changes, and asks the peer to take over once it has every event
// published up to then (kTakeOverRpcType); the peer does, within
// kCatchUpMs, or refuses and the server serves on. While it hands over it
// still answers queries, so that the peer's mirror can catch up.
//
// Every take-over, stand-down and hand-over is a WARN line with its cause
// and terms. A server that stood down for a higher term while it served
// asks its peer, once it hears it, where that term's table began
// (kTermBeganRpcType), and counts the changes it acknowledged after that
// position as lost (TRPCServer::CountLostChanges, and a WARN line).
//
// Start, Stop and HandOver belong to the simulator's owning thread; Answer
// runs on its serving threads. Times follow the platform's clock.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Follower.h"
#include "PairRule.h"
#include "PeerWatch.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPCServer.h"

namespace zelsim {

struct PairOptions {
  std::string peer;
  bool primary = false;
  std::chrono::milliseconds takeover{300};
};

// What a pair asks of the simulator it is part of.
class PairMember {
 public:
  virtual ~PairMember() = default;
  // About to serve: replaces the table with `users` unless `replace` is
  // false, starts its own changes, says it serves.
  virtual void BeginServing(std::vector<ZelTUserPresence> users, bool replace) = 0;
  // No longer serves, in this role: stops its own changes, says so.
  virtual void EndServing(TServerRole role) = 0;
  // Where its event stream stands.
  virtual TEventPosition Position() const = 0;
  // Changes it acknowledged to callers after `after` and up to `upTo`
  // (AckLedger).
  virtual std::uint64_t AcknowledgedBetween(const TEventPosition& after, const TEventPosition& upTo) const = 0;
  // Callers' calls it answered as standing by, since it started.
  virtual std::uint64_t TurnedAway() const = 0;
};

class Pairing {
 public:
  static constexpr long kCatchUpMs = 2000;
  // A peer that stays silent, neither answering nor found gone, is waited
  // for this many take-over times.
  static constexpr int kSilenceFactor = 10;

  Pairing(PairOptions options, TRPCServer& server, PairMember& member);
  ~Pairing();
  Pairing(const Pairing&) = delete;
  Pairing& operator=(const Pairing&) = delete;

  // REQUIRES: the server stands by. Starts looking at the peer.
  void Start();
  void Stop();
  // Hands over to the peer now, in the role HandingOver or ShuttingDown
  // (which it keeps); false, with why in *error, when it did not serve or
  // the peer did not take over (then it serves on, unless shutting down).
  bool HandOver(TServerRole role, std::string* error);
  // Answers the hand-over, take-over and term-began calls; false for any
  // other.
  bool Answer(TRPC& rpc);

  const std::string& Peer() const { return m_options.peer; }

 private:
  void Watch();
  void Look();
  void StandDown();
  void Hear(const PeerWatch::Heard& heard);
  void NoteTurnedAway();
  PairView View() const;
  std::string CauseText(TakeOverCause cause, const PairView& view) const;
  // REQUIRES: m_transition held, for all below.
  void TakeOverLocked(const std::string& cause);
  void FollowLocked();
  void AnswerHandOver(TRPC& rpc);
  void AnswerTakeOver(TRPC& rpc);
  void AnswerTermBegan(TRPC& rpc);
  // Asks the peer where the term that replaced its own began; false while
  // it cannot tell.
  bool CountLost();
  bool WaitForCatchUp(const TEventPosition& through);
  void Pause(std::chrono::milliseconds interval);

  const PairOptions m_options;
  TRPCServer& m_server;
  PairMember& m_member;
  TFramework m_caller;
  // One change of role at a time.
  std::mutex m_transition;
  std::unique_ptr<Follower> m_follower;

  // The pair's thread alone, for these.
  std::unique_ptr<PeerWatch> m_watch;
  // Neither served nor stood down, nor decided on its peer, since it started.
  std::atomic<bool> m_starting{true};
  PeerHeard m_peer = PeerHeard::Silent;
  TServerState m_peerState;
  std::string m_peerWhy;
  std::chrono::steady_clock::time_point m_heardAt;
  std::chrono::steady_clock::time_point m_inChargeAt;
  // Doubles each time a caller's term made it stand by while the peer was
  // not heard: two servers cut off from each other but not from their
  // callers would otherwise take turns, each fenced by the other's term.
  std::chrono::milliseconds m_takeoverDelay;
  // Stood down for a caller's term and has not heard its peer since.
  bool m_replaced = false;
  // Callers turned away: the count last seen, since when without a pause.
  std::uint64_t m_turnedAway = 0;
  std::chrono::steady_clock::time_point m_turningSince;
  std::chrono::steady_clock::time_point m_turnedAt;
  // The term it served under last; once it stood down from one for a higher
  // term, that term and its stream's position then, until it counted what
  // it lost.
  std::atomic<std::uint64_t> m_servedTerm{0};
  bool m_lossUncounted = false;
  std::uint64_t m_lostTerm = 0;
  TEventPosition m_lostUpTo;

  // Where its latest term's table began: the peer's position then.
  mutable std::mutex m_beganLock;
  std::uint64_t m_beganTerm = 0;
  TEventPosition m_beganFrom;

  std::mutex m_wakeLock;
  std::condition_variable m_wake;
  bool m_stopping = false;
  std::atomic<bool> m_handOverAsked{false};
  std::atomic<bool> m_fenced{false};
  std::atomic<bool> m_handedOver{false};
  std::thread m_thread;
};

}  // namespace zelsim
