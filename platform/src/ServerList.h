#pragma once
// A server name that lists the endpoints of servers standing in for each
// other, "tcp://a:7300,tcp://b:7300": each element is a name as a single
// server's is (see TFramework::SendRPC), blanks around it ignored. A list
// holds 2 to kMaxEndpoints distinct endpoints and no empty element.
//
// The process keeps one record per list name: its endpoints with their
// connection pools (watched by ZeroMQ's heartbeat, so that a server whose
// host went away is noticed within a second or so), the endpoint last seen
// serving, which calls try first, and the highest term any of its servers
// told, which every call carries.
//
// While the list is in use its probe (ListProbe) asks every server its
// role, so that the list learns each one's term, not only that of the one
// it calls. A server that serves under a lower term than another that
// certainly served already is a server the other replaced without its
// knowing (cut off from each other, or never met): the two serve at once.
// That is told once per pair of terms (a WARN line, the count, the last
// pair's text), and calls go to the higher term's server from then on;
// the other stands by at its next call or question, which carries the
// higher term.
//
// Every function may be called from any thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "PlatformClock.h"
#include "zelclnt/platform/TServerRole.h"

namespace zelplatform {

class ConnectionPool;
class ListProbe;

class ServerList {
 public:
  static constexpr std::size_t kMaxEndpoints = 8;

  // True for a name that is meant as a list (it holds the separator).
  static bool IsList(const char* name);
  // The endpoints of a list name; false, with the reason in *error, when
  // it is malformed.
  static bool Split(const std::string& name, std::vector<std::string>& endpoints, std::string* error);

  ServerList(std::string name, std::vector<std::string> endpoints);
  ~ServerList();
  ServerList(const ServerList&) = delete;
  ServerList& operator=(const ServerList&) = delete;

  const std::string& Name() const { return m_name; }
  std::size_t Size() const { return m_endpoints.size(); }
  const std::string& Endpoint(std::size_t index) const { return m_endpoints[index]; }
  ConnectionPool& Pool(std::size_t index) const { return *m_pools[index]; }

  // The endpoint last seen serving; the first until one was.
  std::size_t Active() const { return m_active.load(std::memory_order_relaxed); }
  // True when that changed.
  bool SetActive(std::size_t index);
  std::uint64_t Term() const { return m_term.load(std::memory_order_relaxed); }
  void NoteTerm(std::uint64_t term);

  // Asks the servers their roles when due, and reads the answers that came;
  // never waits (ListProbe::Step).
  void Probe();
  // Server `index` answered a question sent at `asked`; the answer came at
  // `came`.
  void NoteAnswer(std::size_t index, const TServerState& state, Clock::time_point asked, Clock::time_point came);
  // Server `index` serves under `term`, as its reply to a call sent at
  // `sent` says: the server that had replaced that term by then, if any.
  std::optional<std::size_t> ReplacedBy(std::size_t index, std::uint64_t term, Clock::time_point sent);
  // How often two of its servers were seen serving at once, and the last
  // such pair: "tcp://a under term 1/…, tcp://b under term 2/…".
  std::pair<std::uint64_t, std::string> TwoServing() const;
  std::uint64_t TwoServingCount() const { return m_twoServing.load(std::memory_order_relaxed); }

 private:
  // What the list knows of one server from its latest answer.
  struct Seen {
    bool serving = false;
    std::uint64_t term = 0;
    // When the question it answered was sent.
    Clock::time_point askedAt;
    // The term it last told it served under, and a moment by which it had
    // certainly begun to (max(): not known).
    std::uint64_t servedTerm = 0;
    Clock::time_point servedSince = Clock::time_point::max();
  };

  // REQUIRES: m_seenLock held, for both.
  std::optional<std::size_t> ReplacedLocked(std::size_t index, std::uint64_t term, Clock::time_point at) const;
  void NoteTwoServing(std::size_t lower, std::uint64_t lowerTerm, std::size_t higher);

  const std::string m_name;
  const std::vector<std::string> m_endpoints;
  std::vector<std::shared_ptr<ConnectionPool>> m_pools;
  std::atomic<std::size_t> m_active{0};
  std::atomic<std::uint64_t> m_term{0};
  std::unique_ptr<ListProbe> m_probe;
  mutable std::mutex m_seenLock;
  std::vector<Seen> m_seen;
  std::atomic<std::uint64_t> m_twoServing{0};
  std::pair<std::uint64_t, std::uint64_t> m_lastPair{0, 0};
  std::string m_lastTwoServing;
};

// The record of a list name, made on its first use; null, with the reason
// in *error, for a malformed one.
std::shared_ptr<ServerList> ServerListFor(const std::string& name, std::string* error);

}  // namespace zelplatform
