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
// Every function may be called from any thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zelplatform {

class ConnectionPool;

class ServerList {
 public:
  static constexpr std::size_t kMaxEndpoints = 8;

  // True for a name that is meant as a list (it holds the separator).
  static bool IsList(const char* name);
  // The endpoints of a list name; false, with the reason in *error, when
  // it is malformed.
  static bool Split(const std::string& name, std::vector<std::string>& endpoints, std::string* error);

  ServerList(std::string name, std::vector<std::string> endpoints);
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

 private:
  const std::string m_name;
  const std::vector<std::string> m_endpoints;
  std::vector<std::shared_ptr<ConnectionPool>> m_pools;
  std::atomic<std::size_t> m_active{0};
  std::atomic<std::uint64_t> m_term{0};
};

// The record of a list name, made on its first use; null, with the reason
// in *error, for a malformed one.
std::shared_ptr<ServerList> ServerListFor(const std::string& name, std::string* error);

}  // namespace zelplatform
