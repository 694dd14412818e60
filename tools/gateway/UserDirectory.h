#pragma once
// User ids by user key. The presence server names a user by key and id
// together, but a web client knows the key; the directory learns the ids
// from a query of all users and asks again when a key is missing, at most
// once a second (on the platform clock), so that a flood of unknown keys
// cannot turn into a flood of full queries.
//
// Lookups block for the query; any thread may call them.

#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include "CallOutcome.h"
#include "zelclnt/platform/TClock.h"

namespace zelgw {

class UserDirectory {
 public:
  enum class Found { Yes, NoSuchUser, CallFailed };

  explicit UserDirectory(std::string server) : m_server(std::move(server)) {}

  // On CallFailed, failure says why the query failed.
  Found IdOf(long userKey, unsigned timeoutMs, std::string& userId, CallOutcome& failure);
  // After the server refused the id it was given.
  void Forget(long userKey);

 private:
  static constexpr std::chrono::seconds kRefreshInterval{1};

  bool Cached(long userKey, std::string& userId);

  std::string m_server;
  std::mutex m_lock;
  std::map<long, std::string> m_ids;
  // One query at a time; the others then find its answer.
  std::mutex m_refreshing;
  TClock::time_point m_refreshedAt{};
  bool m_refreshed = false;
};

}  // namespace zelgw
