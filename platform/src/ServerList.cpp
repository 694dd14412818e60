#include "ServerList.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "ConnectionPool.h"
#include "ListProbe.h"
#include "ZmqTransport.h"
#include "zelclnt/platform/TDiag.h"

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
    : m_name(std::move(name)), m_endpoints(std::move(endpoints)), m_seen(m_endpoints.size()) {
  for (const std::string& endpoint : m_endpoints) m_pools.push_back(PoolFor(endpoint, PoolKind::Watched));
  m_probe = std::make_unique<ListProbe>(*this);
}

ServerList::~ServerList() = default;

bool ServerList::SetActive(std::size_t index) {
  return m_active.exchange(index, std::memory_order_relaxed) != index;
}

void ServerList::NoteTerm(std::uint64_t term) {
  std::uint64_t known = m_term.load(std::memory_order_relaxed);
  while (term > known && !m_term.compare_exchange_weak(known, term, std::memory_order_relaxed)) {
  }
}

void ServerList::Probe() { m_probe->Step(); }

void ServerList::NoteAnswer(std::size_t index, const TServerState& state, Clock::time_point asked,
                            Clock::time_point came) {
  NoteTerm(state.term);
  std::lock_guard<std::mutex> guard(m_seenLock);
  Seen& seen = m_seen[index];
  seen.serving = state.role == TServerRole::Serving && state.term != 0;
  seen.term = state.term;
  seen.askedAt = asked;
  if (!seen.serving) return;
  // A server that tells no time in its role tells nothing of when it began.
  if (state.inRoleMs != 0) {
    const Clock::time_point since = came - std::chrono::milliseconds(state.inRoleMs);
    if (seen.servedTerm != state.term || since < seen.servedSince) seen.servedSince = since;
    seen.servedTerm = state.term;
  }
  if (const auto higher = ReplacedLocked(index, state.term, asked)) return NoteTwoServing(index, state.term, *higher);
  for (std::size_t other = 0; other < m_seen.size(); ++other) {
    const Seen& lower = m_seen[other];
    if (other != index && lower.serving && lower.term < state.term && seen.servedTerm == state.term &&
        lower.askedAt > seen.servedSince)
      NoteTwoServing(other, lower.term, index);
  }
}

std::optional<std::size_t> ServerList::ReplacedBy(std::size_t index, std::uint64_t term, Clock::time_point sent) {
  if (term == 0) return std::nullopt;
  std::lock_guard<std::mutex> guard(m_seenLock);
  const auto higher = ReplacedLocked(index, term, sent);
  if (higher) NoteTwoServing(index, term, *higher);
  return higher;
}

// Terms only rise: a server still serving under a lower term after another
// began to serve under a higher one was replaced without knowing it.
std::optional<std::size_t> ServerList::ReplacedLocked(std::size_t index, std::uint64_t term,
                                                      Clock::time_point at) const {
  for (std::size_t other = 0; other < m_seen.size(); ++other)
    if (other != index && m_seen[other].servedTerm > term && m_seen[other].servedSince < at) return other;
  return std::nullopt;
}

void ServerList::NoteTwoServing(std::size_t lower, std::uint64_t lowerTerm, std::size_t higher) {
  const std::pair<std::uint64_t, std::uint64_t> terms{lowerTerm, m_seen[higher].servedTerm};
  if (terms == m_lastPair) return;
  m_lastPair = terms;
  ++m_twoServing;
  m_lastTwoServing = m_endpoints[lower] + " under term " + TServerTerm::ToString(terms.first) + ", " +
                     m_endpoints[higher] + " under term " + TServerTerm::ToString(terms.second);
  Diag(TDiag::WARN, __LINE__, __FILE__, "Two servers of %s serve at once: %s; calls go to %s, under the higher term",
       m_name.c_str(), m_lastTwoServing.c_str(), m_endpoints[higher].c_str());
  SetActive(higher);
  // The other stands by at the question that carries the higher term.
  m_probe->AskSoon();
}

std::pair<std::uint64_t, std::string> ServerList::TwoServing() const {
  std::lock_guard<std::mutex> guard(m_seenLock);
  return {m_twoServing.load(std::memory_order_relaxed), m_lastTwoServing};
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
