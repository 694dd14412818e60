#pragma once
// A mirror against the server it follows: what differs, part by part,
// between the mirror and a fresh query of every user (of the one user,
// when named), and a drive of the mirror until it is current and equal,
// in real time up to a generous bound.

#include <chrono>
#include <string>
#include <vector>

#include "StoreComparison.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/mirror/ZelAPresenceMirror.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

inline std::vector<std::string> Differences(const ZelAPresenceMirror& mirror, const std::string& server,
                                            long only = 0) {
  ZelAPresenceServer api("mirror-test", "client");
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  if (api.QueryUsersPresence(server, query) != ZelTPresenceServer::ACTION_SUCCEEDED) return {"query failed"};
  std::vector<ZelTUserPresence> queried;
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList())
    if (!only || user->GetUserKey() == only) queried.push_back(*user);
  const std::vector<ZelTUserPresence> held = mirror.Users().CopyAll();
  if (held.size() != queried.size()) return {std::to_string(held.size()) + " users held"};
  std::vector<std::string> differences;
  for (std::size_t i = 0; i < held.size(); ++i)
    for (const std::string& part : zelsim::DifferingPartNames(held[i], queried[i]))
      differences.push_back("user " + std::to_string(queried[i].GetUserKey()) + ": " + part);
  return differences;
}

inline std::vector<std::string> Converge(ZelAPresenceMirror& mirror, const std::string& server,
                                         const ZelAPresenceMirror::Callback& told = nullptr, long only = 0) {
  std::vector<std::string> differences{"never current"};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline && !differences.empty()) {
    mirror.Poll(50, told);
    if (mirror.IsCurrent()) differences = Differences(mirror, server, only);
  }
  return differences;
}
