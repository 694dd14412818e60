#pragma once
// What a presence mirror asks its server: every user, one user, or how
// ready each medium is; each within the mirror's own time-out, and the
// user queries with the event position their answer reflects
// (ZelTRequest::GetStatePosition).
//
// One thread at a time, like the API object it is.

#include <string>
#include <vector>

#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/state/TMediaReadiness.h"

namespace zelclnt::mirror {

class PresenceQueries : public ZelAPresenceServer {
 public:
  enum class Answer {
    Answered,  // the request holds the reply
    Refused,   // the server answered with result 1: it does not know the user, say
    Failed,    // no answer: the server is away, or the call timed out
  };

  PresenceQueries(std::string server, long timeoutMs);

  // Every user the server has.
  Answer QueryAll(ZelTQueryUsersPresence& query);
  // The user named by the request's key and id.
  Answer QueryUser(ZelTUserPresence& user);
  Answer QueryReadiness(std::vector<TMediaReadiness>& table);

 private:
  Answer Send(ZelTRequest& request);

  std::string m_server;
  unsigned int m_timeoutMs;
};

}  // namespace zelclnt::mirror
