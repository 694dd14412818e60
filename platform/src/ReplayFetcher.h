#pragma once
// A receiver's questions for the events it missed: while a gap is open,
// newer events wait unread, the publisher's server is asked for what lies
// between, and its answer is handed over event by event. A server that
// cannot be asked is asked again for a while; one that can no longer tell
// what was missed ends the gap with a resync.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "EventOrder.h"
#include "PlatformClock.h"
#include "ReplayFrame.h"
#include "zelclnt/platform/TCompletionQueue.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/platform/TRPC.h"

namespace zelplatform {

class ReplayFetcher {
 public:
  // What a step came to, for the receiver to act on.
  struct Step {
    enum class Kind {
      Idle,              // nothing to do before the answer, or the time to ask
      Moved,             // a question went out or failed: look again
      Answered,          // an answer came: its events follow
      Resync,            // what was missed is gone
      OtherIncarnation,  // the server's publisher restarted meanwhile
    };
    Kind kind = Kind::Idle;
    std::uint64_t incarnation = 0;
    // The server answered the question.
    bool heard = false;
  };

  // endpoint: the receiver's, named in its diagnostics.
  ReplayFetcher(TFramework& caller, const std::string& endpoint);
  ~ReplayFetcher();
  ReplayFetcher(const ReplayFetcher&) = delete;
  ReplayFetcher& operator=(const ReplayFetcher&) = delete;

  bool GapOpen() const { return m_gap; }
  void OpenGap();
  // Forgets the gap, the question in flight and any answer.
  void Reset();
  // Asks `server` once the time comes; collects the answer.
  Step Advance(const EventOrder& stream, const std::string& server);
  // The next event of the answer being handed over; false once it is done
  // (the gap then stays open when the server had more than one answer holds).
  bool TakeReplayed(TEventNotice& notice, EventOrder& stream, std::size_t maxSize);
  bool Asking() const { return m_fetching != nullptr; }
  bool HasAnswer() const { return m_replay != nullptr; }
  // Readable when the question in flight ended; -1 when none is.
  int Descriptor();
  // When to ask again, while nothing is asked.
  std::optional<Clock::time_point> AskAt() const;
  std::size_t Replayed() const { return m_replayed; }
  std::size_t Calls() const { return m_calls; }

 private:
  struct Replay {
    TRPC rpc;
    ReplayAnswer answer;
    std::size_t next = 0;
  };

  Step Ask(const EventOrder& stream, const std::string& server);
  Step Take();
  Step Answered(std::unique_ptr<Replay> replay);
  Step Failed(const std::string& why);
  void DropQuestion();

  TFramework& m_caller;
  const std::string& m_endpoint;
  bool m_gap = false;
  Clock::time_point m_gapSince;
  Clock::time_point m_askAt;
  std::unique_ptr<Replay> m_replay;
  // The question in flight; it outlives its queue, which ends it first.
  std::unique_ptr<Replay> m_fetching;
  TCompletionQueue m_fetches;
  std::size_t m_replayed = 0;
  std::size_t m_calls = 0;
};

}  // namespace zelplatform
