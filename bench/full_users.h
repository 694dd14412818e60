#pragma once
// Users-presence replies of full user records, the shape a large query
// brings back: every field set, 5 media states, 3 handling states (each with
// post-processing and 2 reasons) and 2 silent-monitoring entries per user.
// The same count gives the same records, but for the automatic
// post-processing's expiry, which the record stamps when it starts.

#include <string>

#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelbench {

// A query answered with that many full records: action query, action
// result succeeded, so that PackRequest writes them all.
void FillAnsweredQuery(ZelTQueryUsersPresence& query, int users);

// The reply body as the server's two passes write it.
std::string BodyOf(ZelTQueryUsersPresence& query);

struct UsersReply {
  ZelTQueryUsersPresence query;
  std::string body;
};

// One user's handling states, filled as a full user's, as many as asked.
ZelTHandlingStates FullHandlingStates(int contacts);

// Integrated presence summaries with every field set (none at its default).
using Summaries = ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>;
Summaries FullSummaries(int count);

// Built on first use and kept for the run: 100,000 records take a while to
// make, and every benchmark of that size shares them.
UsersReply& CachedUsersReply(int users);

}  // namespace zelbench
