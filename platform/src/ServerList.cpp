#include "ServerList.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "ConnectionPool.h"
#include "ZmqTransport.h"

namespace zelplatform {
namespace {

constexpr const char* kBlanks = " \t";

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

struct Registry {
  std::mutex lock;
  std::map<std::string, std::shared_ptr<ServerList>> lists;
};

// Never destroyed, like the pools the lists hold.
Registry& Lists() {
  static Registry* registry = new Registry;
  return *registry;
}

}  // namespace

bool ServerList::IsList(const char* name) { return std::strchr(name, ',') != nullptr; }

bool ServerList::Split(const std::string& name, std::vector<std::string>& endpoints, std::string* error) {
  std::vector<std::string> found;
  std::string reason;
  for (std::size_t start = 0; reason.empty();) {
    const std::size_t comma = std::min(name.find(',', start), name.size());
    const std::string element = Trimmed(name.substr(start, comma - start));
    const std::string endpoint = EndpointOf(element);
    if (element.empty())
      reason = "element " + std::to_string(found.size() + 1) + " is empty";
    else if (std::find(found.begin(), found.end(), endpoint) != found.end())
      reason = endpoint + " is listed twice";
    else
      found.push_back(endpoint);
    if (comma == name.size()) break;
    start = comma + 1;
  }
  if (reason.empty() && found.size() > kMaxEndpoints)
    reason = std::to_string(found.size()) + " endpoints listed, at most " + std::to_string(kMaxEndpoints);
  if (!reason.empty()) {
    if (error) *error = "malformed list of servers: " + reason;
    return false;
  }
  endpoints = std::move(found);
  return true;
}

ServerList::ServerList(std::string name, std::vector<std::string> endpoints)
    : m_name(std::move(name)), m_endpoints(std::move(endpoints)) {
  for (const std::string& endpoint : m_endpoints) m_pools.push_back(PoolFor(endpoint, PoolKind::Watched));
}

bool ServerList::SetActive(std::size_t index) {
  return m_active.exchange(index, std::memory_order_relaxed) != index;
}

void ServerList::NoteTerm(std::uint64_t term) {
  std::uint64_t known = m_term.load(std::memory_order_relaxed);
  while (term > known && !m_term.compare_exchange_weak(known, term, std::memory_order_relaxed)) {
  }
}

std::shared_ptr<ServerList> ServerListFor(const std::string& name, std::string* error) {
  Registry& registry = Lists();
  {
    std::lock_guard<std::mutex> guard(registry.lock);
    const auto found = registry.lists.find(name);
    if (found != registry.lists.end()) return found->second;
  }
  std::vector<std::string> endpoints;
  if (!ServerList::Split(name, endpoints, error)) return nullptr;
  auto list = std::make_shared<ServerList>(name, std::move(endpoints));
  std::lock_guard<std::mutex> guard(registry.lock);
  return registry.lists.emplace(name, std::move(list)).first->second;
}

}  // namespace zelplatform
