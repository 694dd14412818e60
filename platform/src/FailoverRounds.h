#pragma once
// One call's way through a list of servers, as steps: rounds from the
// server last seen serving, until one serves, the call must not go on, or
// its time is up.
//   - a call that certainly was not carried out goes on to the next server;
//   - an idempotent call also after a time-out or a lost connection, each
//     server of a round getting a share of the time left;
//   - any other call that may have run ends as OutcomeUnknown;
//   - a server that answers as serving under a term another server of the
//     list had already replaced (ServerList::ReplacedBy) is behind: a query
//     goes on, an action it carried out ends as TwoServing;
//   - while no server serves but some answer or lost the connection, a new
//     round begins a little later each time; a standby's answer stands when
//     the time is up first, or when too little is left for another answer:
//     an attempt with no time for its answer would end a call that was
//     certainly not carried out as OutcomeUnknown.
// What each server said makes the text of a call that failed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CallFailure.h"
#include "PlatformClock.h"
#include "ServerList.h"

class TRPC;

namespace zelplatform {

class FailoverRounds {
 public:
  struct Step {
    enum class Kind { Attempt, Wait, End };
    Kind kind = Kind::End;
    // Attempt: the server, the attempt's deadline and how long it may take
    // to be sent.
    std::size_t index = 0;
    Clock::time_point deadline;
    Clock::time_point sendBy;
    // Wait: when the next round begins.
    Clock::time_point until;
    // End: how the call ended.
    CallStatus status = CallStatus::None;
  };

  FailoverRounds(ServerList& list, Clock::time_point deadline);
  FailoverRounds(const FailoverRounds&) = delete;
  FailoverRounds& operator=(const FailoverRounds&) = delete;

  Step Begin(const TRPC& rpc);
  // A call above the size bound ends at once, refused by the server in charge.
  Step TooLarge();
  // After an attempt: its status (None with the reply in rpc), whether the
  // call left, and what the transport said.
  Step After(const TRPC& rpc, CallStatus status, bool sent, const std::string& detail);
  // After a Wait.
  Step NextRound(const TRPC& rpc);
  // The text of a call that ended in a failure.
  const std::string& Text() const { return m_text; }

 private:
  Step Attempt(const TRPC& rpc);
  Step RoundOver();
  Step TimeUp();
  Step End(CallStatus status) const;
  // The time a later round keeps for an answer.
  Clock::duration Reserve() const;
  // Each fills m_text and returns the status.
  CallStatus At(std::size_t index, CallStatus status, const std::string& detail);
  CallStatus Unknown(std::size_t index, CallStatus why);
  CallStatus Replaced(std::size_t index, std::size_t higher, std::uint64_t term);
  CallStatus Whole(CallStatus status);
  void Note(std::size_t index, CallStatus status, const std::string& detail);
  void NoteRole(std::size_t index, TServerRole role);

  ServerList& m_list;
  const Clock::time_point m_deadline;
  Clock::duration m_retry;
  // A standby's answer is in the TRPC: it stands when the time is up first.
  bool m_answered = false;
  std::size_t m_rounds = 0;
  // When the attempt under way began, and the slowest answer so far.
  Clock::time_point m_attemptAt;
  Clock::duration m_slowest{0};
  std::size_t m_first = 0;
  std::size_t m_tried = 0;
  bool m_answeredNow = false;
  bool m_lost = false;
  CallStatus m_firstFailure = CallStatus::TimedOut;
  std::vector<std::string> m_round;
  std::string m_text;
};

}  // namespace zelplatform
