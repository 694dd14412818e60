#pragma once
// What a presence mirror asks its server: every user with the readiness of
// each medium, or one user. The questions are started without waiting and
// their answers collected with Next, so that the mirror goes on reading
// events meanwhile; each question waits the mirror's own time-out, and the
// user queries carry the event position their answer reflects
// (ZelTRequest::GetStatePosition), as does the answer of all users, each of
// whose records reflects it.
//
// One thread at a time, like the API object it is.

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/core/ZelTCompletionQueue.h"
#include "zelclnt/mirror/ZelTMirrorSource.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"
#include "zelclnt/state/TMediaReadiness.h"

namespace zelclnt::mirror {

using QueryReply = ZelTMirrorAnswer;

class PresenceQueries : public ZelAPresenceServer {
 public:
  using Answer = QueryReply::Answer;
  using Kind = QueryReply::Kind;
  using Reply = QueryReply;

  PresenceQueries(std::string server, long timeoutMs);
  ~PresenceQueries() override;

  // Every user and the readiness table: two replies. False, with the reason
  // in *why, when neither could be sent.
  bool AskAll(std::string* why);
  // The user so named; one question per user at a time.
  bool AskUser(long userKey, const std::string& userId, std::string* why);
  // Its reply comes as Failed.
  void Cancel(long userKey);
  // Every question ends unanswered, untold.
  void CancelAll();
  std::size_t InFlight() const { return m_queue.InFlight(); }
  // Readable while Next may have a reply; -1 where the system has none.
  int Descriptor() { return m_queue.Descriptor(); }
  // A question that ended, without waiting.
  bool Next(Reply& reply);

 private:
  struct Asked {
    Reply reply;
    std::unique_ptr<ZelTQueryUsersPresence> all;
    std::unique_ptr<ZelTQueryUserMediumStatus> readiness;
  };

  bool Ask(ZelTRequest& request, Asked asked, std::string* why);

  std::string m_server;
  long m_timeoutMs;
  // Each question's request and the reply it becomes; declared before the
  // queue, which ends first and lets go of them.
  std::unordered_map<const ZelTRequest*, Asked> m_asked;
  std::unordered_map<long, const ZelTRequest*> m_users;
  ZelTCompletionQueue m_queue;
};

}  // namespace zelclnt::mirror
