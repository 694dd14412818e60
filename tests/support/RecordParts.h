#pragma once
// A user's presence part by part, each as its wire bytes: two records are
// the same state when every part's bytes are. The tick count, the time a
// query was answered, is no part of the state.

#include <string>
#include <utility>
#include <vector>

#include "Bytes.h"
#include "zelclnt/core/ZelTUserPresence.h"

using RecordParts = std::vector<std::pair<std::string, std::string>>;

inline RecordParts PartsOf(const ZelTUserPresence& user) {
  return {
      {"identity", BytesOf(user.GetUserKey(), user.GetUserID(), user.GetExtension(), user.GetAssociatedLine(),
                           user.GetSiteKey(), user.GetBusUnitKey(), user.GetTeamKey(), user.GetGroupID())},
      {"media states", BytesOf(user.GetMediaStates())},
      {"routing state", BytesOf(user.GetRoutingState())},
      {"handling states", BytesOf(user.GetHandlingStates())},
      {"presence states", BytesOf(user.GetPresenceState(), user.GetPresenceStateExDirectContact())},
      {"capability", BytesOf(user.GetUserCapability())},
      {"user flags", BytesOf(user.GetUserFlags())},
      {"silent monitoring", BytesOf(user.GetSilentMonitoringColl())},
  };
}

// The names of the parts in which the two records differ.
inline std::vector<std::string> DifferingParts(const ZelTUserPresence& a, const ZelTUserPresence& b) {
  const RecordParts left = PartsOf(a);
  const RecordParts right = PartsOf(b);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < left.size(); ++i)
    if (left[i].second != right[i].second) names.push_back(left[i].first);
  return names;
}
