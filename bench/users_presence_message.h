#pragma once
// The users-presence reply, handling states and summaries as Protocol
// Buffers messages, filled from the library's records, so that both
// encodings carry the same data.

#include "users_presence.pb.h"
#include "zelclnt/model/ZelTHandlingState.h"
#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelbench {

void FillMessage(const ZelTQueryUsersPresence& query, pb::UsersPresence& message);
void FillMessage(const ZelTHandlingStates& states, pb::HandlingStates& message);
void FillMessage(const ZelTStdListPointerColl<ZelTIntegratedPresenceSummary>& summaries,
                 pb::PresenceSummaries& message);

// The message of CachedUsersReply(users), and its encoding; kept for the run.
struct UsersMessage {
  pb::UsersPresence message;
  std::string wire;
};
const UsersMessage& CachedUsersMessage(int users);

}  // namespace zelbench
