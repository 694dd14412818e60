#include "PresenceQueries.h"

#include <utility>

namespace zelclnt::mirror {
namespace {

constexpr const char* kClientName = "presence-mirror";
constexpr const char* kSource = "PresenceQueries";

}  // namespace

PresenceQueries::PresenceQueries(std::string server, long timeoutMs)
    : ZelAPresenceServer(kClientName, server),
      m_server(std::move(server)),
      m_timeoutMs(timeoutMs > 0 ? timeoutMs : static_cast<long>(ZelTRequest::kDefaultRpcTimeout)) {}

PresenceQueries::~PresenceQueries() = default;

bool PresenceQueries::AskAll(std::string* why) {
  Asked all;
  all.reply.kind = Kind::AllUsers;
  all.all = std::make_unique<ZelTQueryUsersPresence>();
  all.all->SetAction(ZelTQueryUsersPresence::ACTION_QUERY);
  all.all->SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  ZelTRequest& users = *all.all;
  if (!Ask(users, std::move(all), why)) return false;
  Asked readiness;
  readiness.reply.kind = Kind::Readiness;
  readiness.readiness = std::make_unique<ZelTQueryUserMediumStatus>();
  readiness.readiness->SetAction(ZelTQueryUserMediumStatus::ACTION_QUERY);
  ZelTRequest& media = *readiness.readiness;
  // The readiness table is kept as it was when it cannot be asked for.
  Ask(media, std::move(readiness), nullptr);
  return true;
}

bool PresenceQueries::AskUser(long userKey, const std::string& userId, std::string* why) {
  Asked user;
  user.reply.kind = Kind::User;
  user.reply.userKey = userKey;
  user.reply.user = zelclnt::detail::NewElement<ZelTUserPresence>(kSource);
  user.reply.user->SetUserKey(userKey);
  user.reply.user->SetUserID(userId);
  user.reply.user->SetAction(ZelTUserPresence::ACTION_QUERY);
  ZelTRequest& request = *user.reply.user;
  if (!Ask(request, std::move(user), why)) return false;
  m_users[userKey] = &request;
  return true;
}

bool PresenceQueries::Ask(ZelTRequest& request, Asked asked, std::string* why) {
  if (!Start(m_server, request, m_queue, nullptr, m_timeoutMs)) {
    if (why) *why = request.GetCallOutcome().text;
    return false;
  }
  m_asked.emplace(&request, std::move(asked));
  return true;
}

void PresenceQueries::Cancel(long userKey) {
  const auto user = m_users.find(userKey);
  if (user != m_users.end()) m_queue.Cancel(*user->second);
}

void PresenceQueries::CancelAll() {
  for (const auto& [request, asked] : m_asked) m_queue.Cancel(*request);
  ZelTCompletionQueue::Completion done;
  while (m_queue.Next(done, 0)) {
  }
  m_asked.clear();
  m_users.clear();
}

// A call that went through and came back refused is the server's answer.
bool PresenceQueries::Next(Reply& reply) {
  ZelTCompletionQueue::Completion done;
  if (!m_queue.Next(done, 0)) return false;
  const auto asked = m_asked.find(done.request);
  reply = std::move(asked->second.reply);
  if (reply.kind == Kind::User) m_users.erase(reply.userKey);
  if (done.request->GetCallOutcome().kind != TCallFailure::None) {
    reply.answer = Answer::Failed;
    reply.failure = done.request->GetCallOutcome().text;
  } else {
    reply.answer = done.result == ACTION_SUCCEEDED ? Answer::Answered : Answer::Refused;
  }
  if (reply.kind == Kind::User) reply.at = reply.user->GetStatePosition();
  if (reply.kind == Kind::AllUsers && reply.answer == Answer::Answered) {
    ZelTQueryUsersPresence& all = *asked->second.all;
    reply.at = all.GetStatePosition();
    reply.users.reserve(static_cast<std::size_t>(all.GetUsersPresence().Size()));
    while (ZelTUserStore::Record record = all.GetUsersPresence().TakeFirst()) reply.users.emplace_back(std::move(record), reply.at);
  }
  if (reply.kind == Kind::Readiness && reply.answer == Answer::Answered) {
    for (const TMediaReadiness* readiness : asked->second.readiness->GetMediumStatus().GetVector())
      if (readiness) reply.readiness.push_back(*readiness);
  }
  m_asked.erase(asked);
  return true;
}

}  // namespace zelclnt::mirror
