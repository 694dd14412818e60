#pragma once
// Where a presence mirror (ZelAPresenceMirror) takes what it knows: a join
// (every user, or chosen users, each record with the event position it
// reflects), then the events after the join's position, in order, each
// once. The presence server is the mirror's own source; another source (a
// store fed from the server's events, say) hands over the same and tells
// Resync, Restarted or Switched when it no longer holds what follows the
// join, as the server's event receiver does (TEventReceiver).
//
// Questions are started without waiting and their answers collected with
// NextAnswer beside the events. A user's answer reflects every event of
// that user the source handed over before it was asked; an answer of all
// users names the position after which the events resume (no record of it
// is older).
//
// The mirror calls a source from its driving thread only, except Stop,
// which any thread may call.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "zelclnt/mirror/ZelTUserStore.h"
#include "zelclnt/platform/TEventPosition.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/state/TMediaReadiness.h"
#include "zelclnt/ZelExport.h"

// How one question ended, and what it brought.
struct ZelTMirrorAnswer {
  enum class Answer {
    Answered,  // the answer is here
    Refused,   // answered with result 1: the user is not known, say
    Failed,    // no answer: the source is away, the question timed out or was cancelled
  };
  enum class Kind { AllUsers, Readiness, User };

  Kind kind = Kind::User;
  Answer answer = Answer::Failed;
  // Why, when Failed.
  std::string failure;
  long userKey = 0;
  // AllUsers: the events resume after it. User: the position it reflects.
  TEventPosition at;
  // AllUsers: each record with the position it reflects.
  std::vector<std::pair<ZelTUserStore::Record, TEventPosition>> users;
  std::vector<TMediaReadiness> readiness;
  // User: the record (answered), or its refusal's error code.
  ZelTUserStore::Record user;
};

class ZELCLNT_API ZelTMirrorSource {
 public:
  // What the mirror follows.
  struct Interest {
    std::vector<int> eventTypes;
    // Empty: every user.
    std::vector<std::int64_t> userKeys;
    int highWaterMark = TEventReceiver::kDefaultHighWaterMark;
    // Each question's time-out; 0 or below: the source's default.
    long queryTimeoutMs = 0;
  };

  virtual ~ZelTMirrorSource() = default;

  // Names the source in the mirror's messages.
  virtual const std::string& Name() const = 0;

  // Events, as TEventReceiver hands them over.
  virtual bool Start(const Interest& interest, std::string* error) = 0;
  virtual bool WaitUntilSubscribed(long timeoutMs) = 0;
  virtual void Stop() = 0;
  virtual void ResumeAfter(const TEventPosition& position) = 0;
  virtual TEventPosition Through() const = 0;
  virtual bool Next(TEventNotice& notice, long timeoutMs) = 0;
  // Next also returns, false, once this descriptor is readable; -1: none.
  virtual void WakeOn(int descriptor) = 0;
  virtual int Descriptor() = 0;
  // Grows whenever the source heard from what it follows.
  virtual std::uint64_t Heard() const = 0;

  // Questions: every user and the readiness of each medium (two answers),
  // or one user, one question per user at a time. False, with the reason
  // in *why, when the question could not be asked.
  virtual bool AskAll(std::string* why) = 0;
  virtual bool AskUser(long userKey, const std::string& userId, std::string* why) = 0;
  // The user's answer comes as Failed.
  virtual void Cancel(long userKey) = 0;
  // Every question ends unanswered, untold.
  virtual void CancelAll() = 0;
  virtual std::size_t InFlight() const = 0;
  // Readable while NextAnswer may have one; -1 where there is none.
  virtual int AnswerDescriptor() = 0;
  // A question that ended, without waiting.
  virtual bool NextAnswer(ZelTMirrorAnswer& answer) = 0;
};
