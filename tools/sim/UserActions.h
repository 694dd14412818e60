#pragma once
// The simulator's rules for the user actions (see README.md beside it). Each
// applies the call's action to the user's record and tells whether it could;
// a refused action changes nothing.

#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/core/ZelTUserPresence.h"

namespace zelsim {

// `call` is the request as received; `user` the table's record of its user.
ZelTPresenceServer::ErrorCode ApplyUserAction(ZelTUserPresence& user, const ZelTUserPresence& call,
                                              const TTimeStamp& now);

// Grants (add) or takes away the campaign-director capability; the
// parameters are its nailed-up number.
ZelTPresenceServer::ErrorCode ApplyCampaignDirector(ZelTUserPresence& user, bool add, const std::string& parameters);

}  // namespace zelsim
