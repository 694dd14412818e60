#pragma once
// The process's connections, shared by every TFramework object: for each
// endpoint a pool of at most kMaxConnections lent to blocking callers, each
// lent to one queue at a time. A blocking call takes the connection used
// last (or a new one while under the bound, or waits for one until its
// deadline); a queue of calls started without waiting takes one at once,
// beyond the bound if need be. Each is given back once its calls went
// through; one on which a call failed is closed, with whatever it still
// held. Connections idle for the idle time are closed by a later call to any
// endpoint; no thread watches them. The pools themselves, a few bytes each,
// stay for the life of the process.
//
// Every function may be called from any thread.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ClientConnection.h"
#include "ClientKeys.h"
#include "ZmqTransport.h"

namespace zelplatform {

class ConnectionPool;

// Watched pools serve lists of servers: their connections run ZeroMQ's
// heartbeat, so that a server whose host went away fails the call within a
// second or so, not at its deadline.
enum class PoolKind { Plain, Watched };

// A connection lent to one call. When the lease ends it goes back to its
// pool if the call went through, and is closed otherwise (a failure, or an
// exception on the way).
class ConnectionLease {
 public:
  ConnectionLease(ConnectionPool& pool, std::unique_ptr<ClientConnection> connection);
  // No connection: why.
  ConnectionLease(ConnectionPool& pool, CallStatus failure);
  ConnectionLease(ConnectionLease&& other) noexcept;
  ~ConnectionLease();
  ConnectionLease(const ConnectionLease&) = delete;
  ConnectionLease& operator=(const ConnectionLease&) = delete;

  // False when there is no connection to lend: Failure() says why.
  explicit operator bool() const { return m_connection != nullptr; }
  CallStatus Failure() const { return m_failure; }
  ClientConnection* operator->() const { return m_connection.get(); }
  // The call went through: the connection may be lent again.
  void Keep() { m_keep = true; }

 private:
  ConnectionPool& m_pool;
  std::unique_ptr<ClientConnection> m_connection;
  CallStatus m_failure = CallStatus::None;
  bool m_keep = false;
};

class ConnectionPool {
 public:
  static constexpr std::size_t kMaxConnections = 8;

  explicit ConnectionPool(std::string endpoint, PoolKind kind = PoolKind::Plain);
  ConnectionPool(const ConnectionPool&) = delete;
  ConnectionPool& operator=(const ConnectionPool&) = delete;

  const std::string& Endpoint() const { return m_endpoint; }
  // A connection made with the endpoint's keys in force, or none: no
  // connection came free before the deadline (TimedOut), or the endpoint
  // needs keys that are not usable (NoUsableKeys, why in *keysError).
  // Throws zmq::error_t when a new connection cannot be made.
  ConnectionLease Take(Clock::time_point deadline, std::string* keysError);
  // The same without waiting: a new connection when none is idle, whatever
  // the bound.
  ConnectionLease TakeBeyondBound(std::string* keysError);
  // Closes the connections nobody used since before the cutoff.
  void CloseIdle(Clock::time_point cutoff);

 private:
  friend class ConnectionLease;
  ConnectionLease TakeOrWait(Clock::time_point deadline, bool bounded, std::string* keysError);
  void GiveBack(std::unique_ptr<ClientConnection> connection, bool keep);
  // REQUIRES: m_lock held. Moves connections made with other keys to stale.
  bool KeysUsable(std::vector<std::unique_ptr<ClientConnection>>& stale, std::string* keysError);

  const std::string m_endpoint;
  const PoolKind m_kind;
  std::mutex m_lock;
  std::condition_variable m_freed;
  // Least recently used first.
  std::vector<std::unique_ptr<ClientConnection>> m_idle;
  // Idle and lent.
  std::size_t m_open = 0;
  // The endpoint's keys, looked up again only when the keys in force change
  // (0: never looked up).
  std::uint64_t m_keysGeneration = 0;
  CurveSetting m_curve;
  bool m_keysUsable = false;
  std::string m_keysError;
};

// The pool of an endpoint, made on its first use.
std::shared_ptr<ConnectionPool> PoolFor(const std::string& endpoint, PoolKind kind = PoolKind::Plain);
// Closes idle connections of every pool, at most a few times per idle time;
// cheap when not yet due.
void SweepIdleConnections(Clock::time_point now);
void SetIdleConnectionTime(std::chrono::milliseconds idle);

}  // namespace zelplatform
