#include "StoreComparison.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "zelclnt/platform/TPack.h"

namespace zelsim {
namespace {

using Part = std::pair<const char*, std::string>;

template <typename... T>
std::string Wire(const T&... values) {
  TPack pack;
  (pack << ... << values);
  return std::string(pack.Contents(), pack.Length());
}

std::vector<Part> PartsOf(const ZelTUserPresence& user) {
  return {
      {"identity", Wire(user.GetUserKey(), user.GetUserID(), user.GetExtension(), user.GetAssociatedLine(),
                        user.GetSiteKey(), user.GetBusUnitKey(), user.GetTeamKey(), user.GetGroupID())},
      {"media states", Wire(user.GetMediaStates())},
      {"routing state", Wire(user.GetRoutingState())},
      {"handling states", Wire(user.GetHandlingStates())},
      {"presence states", Wire(user.GetPresenceState(), user.GetPresenceStateExDirectContact())},
      {"capability", Wire(user.GetUserCapability())},
      {"user flags", Wire(user.GetUserFlags())},
      {"silent monitoring", Wire(user.GetSilentMonitoringColl())},
  };
}

std::string UserText(long userKey) { return "user " + std::to_string(userKey); }

}  // namespace

std::vector<std::string> DifferingPartNames(const ZelTUserPresence& a, const ZelTUserPresence& b) {
  const std::vector<Part> left = PartsOf(a);
  const std::vector<Part> right = PartsOf(b);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < left.size(); ++i)
    if (left[i].second != right[i].second) names.emplace_back(left[i].first);
  return names;
}

StoreComparison CompareStore(const ZelTUserStore& store, const ZelTStdListPointerColl<ZelTUserPresence>& users,
                             const TEventPosition& at) {
  std::unordered_map<long, const ZelTUserPresence*> queried;
  for (const ZelTUserPresence* user : users.GetList())
    if (user) queried.emplace(user->GetUserKey(), user);
  StoreComparison comparison;
  for (const ZelTUserPresence& held : store.CopyAll()) {
    const long userKey = held.GetUserKey();
    const TEventPosition reflects = store.PositionOf(userKey);
    if (at.IsKnown() && reflects.incarnation == at.incarnation && reflects.position > at.position) {
      ++comparison.changedSince;
      queried.erase(userKey);
      continue;
    }
    const auto found = queried.find(userKey);
    if (found == queried.end()) {
      comparison.differences.push_back(UserText(userKey) + ": not on the server");
      continue;
    }
    ++comparison.compared;
    for (const std::string& part : DifferingPartNames(held, *found->second))
      comparison.differences.push_back(UserText(userKey) + ": " + part);
    queried.erase(found);
  }
  std::vector<long> missing;
  for (const auto& entry : queried) missing.push_back(entry.first);
  std::sort(missing.begin(), missing.end());
  for (const long userKey : missing) comparison.differences.push_back(UserText(userKey) + ": not held");
  return comparison;
}

}  // namespace zelsim
