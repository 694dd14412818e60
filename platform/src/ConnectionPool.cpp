#include "ConnectionPool.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <map>

namespace zelplatform {
namespace {

constexpr std::chrono::milliseconds kDefaultIdleTime{30000};
constexpr std::chrono::milliseconds kLongestSweepInterval{1000};

struct Registry {
  std::mutex lock;
  std::map<std::pair<std::string, PoolKind>, std::shared_ptr<ConnectionPool>> pools;
  std::atomic<Clock::rep> nextSweep{0};
  std::atomic<std::chrono::milliseconds::rep> idleMs{kDefaultIdleTime.count()};
};

// Never destroyed, like the context its sockets live on.
Registry& Pools() {
  static Registry* registry = new Registry;
  return *registry;
}

}  // namespace

ConnectionLease::ConnectionLease(ConnectionPool& pool, std::unique_ptr<ClientConnection> connection)
    : m_pool(pool), m_connection(std::move(connection)) {}

ConnectionLease::ConnectionLease(ConnectionPool& pool, CallStatus failure) : m_pool(pool), m_failure(failure) {}

ConnectionLease::ConnectionLease(ConnectionLease&& other) noexcept
    : m_pool(other.m_pool),
      m_connection(std::move(other.m_connection)),
      m_failure(other.m_failure),
      m_keep(other.m_keep) {}

ConnectionLease::~ConnectionLease() {
  if (m_connection) m_pool.GiveBack(std::move(m_connection), m_keep);
}

ConnectionPool::ConnectionPool(std::string endpoint, PoolKind kind) : m_endpoint(std::move(endpoint)), m_kind(kind) {
  m_idle.reserve(kMaxConnections);
}

ConnectionLease ConnectionPool::Take(Clock::time_point deadline, std::string* keysError) {
  return TakeOrWait(deadline, true, keysError);
}

ConnectionLease ConnectionPool::TakeBeyondBound(std::string* keysError) {
  return TakeOrWait(Clock::time_point::min(), false, keysError);
}

ConnectionLease ConnectionPool::TakeOrWait(Clock::time_point deadline, bool bounded, std::string* keysError) {
  // Declared first, so closed once the lock is let go.
  std::vector<std::unique_ptr<ClientConnection>> stale;
  std::unique_lock<std::mutex> lock(m_lock);
  if (!KeysUsable(stale, keysError)) return ConnectionLease(*this, CallStatus::NoUsableKeys);
  if (bounded &&
      !WaitUntil(m_freed, lock, deadline, [this] { return !m_idle.empty() || m_open < kMaxConnections; }))
    return ConnectionLease(*this, CallStatus::TimedOut);
  if (!m_idle.empty()) {
    std::unique_ptr<ClientConnection> connection = std::move(m_idle.back());
    m_idle.pop_back();
    return ConnectionLease(*this, std::move(connection));
  }
  ++m_open;
  const CurveSetting curve = m_curve;
  lock.unlock();
  try {
    return ConnectionLease(*this, std::make_unique<ClientConnection>(m_endpoint, curve, m_kind == PoolKind::Watched));
  } catch (...) {
    GiveBack(nullptr, false);
    throw;
  }
}

bool ConnectionPool::KeysUsable(std::vector<std::unique_ptr<ClientConnection>>& stale, std::string* keysError) {
  const std::uint64_t generation = KeysGeneration();
  if (generation != m_keysGeneration) {
    m_keysGeneration = generation;
    m_keysError.clear();
    m_keysUsable = CurveFor(m_endpoint, m_curve, &m_keysError);
    // Connections made with other keys must not carry another call.
    const auto other = std::stable_partition(m_idle.begin(), m_idle.end(),
                                             [this](const auto& connection) { return connection->Curve() == m_curve; });
    stale.assign(std::make_move_iterator(other), std::make_move_iterator(m_idle.end()));
    m_idle.erase(other, m_idle.end());
    m_open -= stale.size();
  }
  if (!m_keysUsable && keysError) *keysError = m_keysError;
  return m_keysUsable;
}

void ConnectionPool::GiveBack(std::unique_ptr<ClientConnection> connection, bool keep) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    // One lent while the keys changed is not lent again.
    if (keep && connection->Curve() == m_curve) {
      connection->MarkUsed(Clock::now());
      m_idle.push_back(std::move(connection));
    } else {
      --m_open;
    }
  }
  m_freed.notify_one();
}

void ConnectionPool::CloseIdle(Clock::time_point cutoff) {
  // Declared first, so closed once the lock is let go.
  std::vector<std::unique_ptr<ClientConnection>> closing;
  std::lock_guard<std::mutex> guard(m_lock);
  const auto firstRecent = std::find_if(m_idle.begin(), m_idle.end(),
                                        [cutoff](const auto& connection) { return connection->LastUsed() >= cutoff; });
  closing.assign(std::make_move_iterator(m_idle.begin()), std::make_move_iterator(firstRecent));
  m_idle.erase(m_idle.begin(), firstRecent);
  m_open -= closing.size();
}

std::shared_ptr<ConnectionPool> PoolFor(const std::string& endpoint, PoolKind kind) {
  Registry& registry = Pools();
  std::lock_guard<std::mutex> guard(registry.lock);
  std::shared_ptr<ConnectionPool>& pool = registry.pools[{endpoint, kind}];
  if (!pool) pool = std::make_shared<ConnectionPool>(endpoint, kind);
  return pool;
}

void SweepIdleConnections(Clock::time_point now) {
  Registry& registry = Pools();
  Clock::rep due = registry.nextSweep.load(std::memory_order_relaxed);
  if (now.time_since_epoch().count() < due) return;
  const std::chrono::milliseconds idle(registry.idleMs.load(std::memory_order_relaxed));
  const auto interval = std::clamp(idle / 2, std::chrono::milliseconds(1), kLongestSweepInterval);
  if (!registry.nextSweep.compare_exchange_strong(due, (now + interval).time_since_epoch().count())) return;
  std::lock_guard<std::mutex> guard(registry.lock);
  for (const auto& entry : registry.pools) entry.second->CloseIdle(now - idle);
}

void SetIdleConnectionTime(std::chrono::milliseconds idle) {
  Registry& registry = Pools();
  registry.idleMs = idle.count();
  registry.nextSweep = 0;
}

}  // namespace zelplatform
