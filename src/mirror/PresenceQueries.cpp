#include "PresenceQueries.h"

#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"

namespace zelclnt::mirror {
namespace {

constexpr const char* kClientName = "presence-mirror";

}  // namespace

PresenceQueries::PresenceQueries(std::string server, long timeoutMs)
    : ZelAPresenceServer(kClientName, server),
      m_server(std::move(server)),
      m_timeoutMs(timeoutMs > 0 ? static_cast<unsigned int>(timeoutMs) : ZelTRequest::kDefaultRpcTimeout) {}

PresenceQueries::Answer PresenceQueries::QueryAll(ZelTQueryUsersPresence& query) {
  query.SetAction(ZelTQueryUsersPresence::ACTION_QUERY);
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  return Send(query);
}

PresenceQueries::Answer PresenceQueries::QueryUser(ZelTUserPresence& user) {
  user.SetAction(ZelTUserPresence::ACTION_QUERY);
  return Send(user);
}

PresenceQueries::Answer PresenceQueries::QueryReadiness(std::vector<TMediaReadiness>& table) {
  ZelTQueryUserMediumStatus query;
  query.SetAction(ZelTQueryUserMediumStatus::ACTION_QUERY);
  const Answer answer = Send(query);
  if (answer != Answer::Answered) return answer;
  table.clear();
  for (const TMediaReadiness* readiness : query.GetMediumStatus().GetVector())
    if (readiness) table.push_back(*readiness);
  return answer;
}

// A call that went through and came back refused is the server's answer;
// one that did not go through leaves its reason with the framework.
PresenceQueries::Answer PresenceQueries::Send(ZelTRequest& request) {
  if (SendRequest(m_server, request, m_timeoutMs) == ACTION_SUCCEEDED) return Answer::Answered;
  return LastFailure().kind == TFramework::FailureKind::None ? Answer::Refused : Answer::Failed;
}

}  // namespace zelclnt::mirror
