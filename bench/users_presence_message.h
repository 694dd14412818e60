#pragma once
// The users-presence reply as a Protocol Buffers message, filled from the
// library's records, so that both encodings carry the same data.

#include "users_presence.pb.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace zelbench {

void FillMessage(const ZelTQueryUsersPresence& query, pb::UsersPresence& message);

// The message of CachedUsersReply(users), and its encoding; kept for the run.
struct UsersMessage {
  pb::UsersPresence message;
  std::string wire;
};
const UsersMessage& CachedUsersMessage(int users);

}  // namespace zelbench
