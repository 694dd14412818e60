#pragma once
// Event scaffolding: a publisher that writes the frames by hand, as the
// wire format lays them out, so that a test chooses every event that
// arrives and every one that is lost on the way, and answers the receiver's
// requests to send events again from what it published, or refuses them as
// the test says; and waits for notices that are bounded in real time, since
// they wait on sockets, not on the clock.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <zmq.hpp>

#include "ReplayBuffer.h"
#include "zelclnt/platform/TEventPublisher.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TRPCServer.h"

constexpr std::int64_t kNoUser = TEventNotice::kNoUser;

// A header as the wire format lays it out.
std::string EventHeader(int type, std::int64_t user, std::uint64_t incarnation, std::uint64_t position,
                        std::uint64_t typePrevious, std::uint64_t userPrevious, std::uint32_t magic = 0x5056455A,
                        char version = 1);

class ScriptedPublisher {
 public:
  // Held: each answer waits until told to answer otherwise.
  enum class Replays { FromLog, Gone, Unanswerable, Held };

  // Binds the events endpoint of the server name (tcp or ipc) and, unless
  // told not to, serves replays on the name itself.
  explicit ScriptedPublisher(const std::string& serverName, bool serveReplays = true);
  ~ScriptedPublisher();

  void Send(const std::vector<std::string>& parts);
  // The next event, sent; Lost logs it as published but sends nothing.
  void Event(int type, const std::string& body, std::int64_t user = kNoUser);
  void Lost(int type, const std::string& body, std::int64_t user = kNoUser);
  void Heartbeat();
  // Starts afresh: a new incarnation, positions from 1, nothing logged.
  void Restart();
  void AnswerReplays(Replays how);

  std::uint64_t Incarnation() const { return m_incarnation; }
  std::uint64_t Position() const { return m_position; }
  // Sends `type` events of body "probe" about `user` until the receiver
  // has one, and reads those still on the way. False when none arrived.
  bool Probe(TEventReceiver& receiver, int type, std::int64_t user = kNoUser);

 private:
  std::string Next(int type, std::int64_t user, const std::string& body);
  void Answer(TRPC& rpc);

  zmq::context_t m_context;
  zmq::socket_t m_socket;
  std::unique_ptr<TRPCServer> m_server;
  std::mutex m_replaysLock;
  std::condition_variable m_replaysChanged;
  Replays m_replays = Replays::FromLog;
  std::uint64_t m_incarnation = 7;
  std::uint64_t m_position = 0;
  std::map<std::int32_t, std::uint64_t> m_types;
  std::map<std::int64_t, std::uint64_t> m_users;
  zelplatform::ReplayBuffer m_log;
};

// The next notice within 5 s of real time, polling without waiting on the
// clock: false if none came.
bool AwaitNotice(TEventReceiver& receiver, TEventNotice& notice);
// Every notice up to and including the first event of `type` (5 s each).
std::vector<TEventNotice> NoticesThrough(TEventReceiver& receiver, int type);
// Publishes `type` events of body "probe" until the receiver has one, and
// reads those still on the way. REQUIRES: no event of `type` was published
// since the publisher started.
bool Subscribed(TEventPublisher& publisher, TEventReceiver& receiver, int type);

// "Event 35001 probe", "Replayed 35001 b", "TooLarge 35001", "Restarted", ...
std::string Describe(const TEventNotice& notice);
std::vector<std::string> Describe(const std::vector<TEventNotice>& notices);
