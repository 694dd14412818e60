#pragma once
// A presence mirror's source (ZelTMirrorSource) that needs no presence
// server: what a bridge (Bridge.h) wrote to JetStream.
//
// The join reads the bucket: each record with the position it reflects.
// The events resume after the lowest of those positions, read in order
// from the stream (an ordered consumer placed by a search over the
// stream's sequences); each record keeps its own position, so no event
// already in it is applied again. A record of another life than the
// stream's latest, or older than the stream's last resync marker, means
// the bridge is still writing the bucket afresh: the join fails, and the
// mirror asks again a second later.
//
// The stream tells Resync when it no longer holds what follows: a resync
// marker past the mirror's place, or a position that skips some; Restarted
// when an event of another life follows. A user asked again is read from
// the bucket once its record reflects every event of that user handed
// over so far (the bridge writes it a little after the event), within the
// question's time-out; a user the bucket does not hold is unknown.
//
// Heard: the bridge said it hears the presence server (its alive subject,
// Subjects.h), so a mirror fed from here is not current once the bridge,
// its server or NATS is gone. No descriptor: the owner polls. One thread, as ZelTMirrorSource says; the NATS connection is the
// source's own.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "JetStream.h"
#include "zelclnt/mirror/ZelTMirrorSource.h"

namespace zelbridge {

class JetStreamSource : public ZelTMirrorSource {
 public:
  // `name`: the subjects' <server> token the bridge writes under (Subjects.h).
  JetStreamSource(NatsOptions options, const std::string& name);
  ~JetStreamSource() override;

  const std::string& Name() const override { return m_label; }

  // Connects; false with the reason.
  bool Start(const Interest& interest, std::string* error) override;
  bool WaitUntilSubscribed(long timeoutMs) override;
  void Stop() override { m_stop = true; }
  void ResumeAfter(const TEventPosition& position) override;
  TEventPosition Through() const override { return m_through; }
  bool Next(TEventNotice& notice, long timeoutMs) override;
  void WakeOn(int) override {}
  int Descriptor() override { return -1; }
  std::uint64_t Heard() const override { return m_heard; }

  bool AskAll(std::string* why) override;
  bool AskUser(long userKey, const std::string& userId, std::string* why) override;
  void Cancel(long userKey) override;
  void CancelAll() override;
  std::size_t InFlight() const override;
  int AnswerDescriptor() override { return -1; }
  bool NextAnswer(ZelTMirrorAnswer& answer) override;

  // The first sequence whose message of this server lies after `at`; none
  // (*later set) when the stream's last message of it is of a later life.
  bool SequenceAfter(const TEventPosition& at, std::uint64_t& sequence, std::optional<TEventPosition>& later,
                     std::string* error);

 private:
  using Clock = std::chrono::steady_clock;
  struct Asked {
    Clock::time_point until;
    Clock::time_point next;
  };

  // Places the cursor, or tells that the stream moved on to another life.
  bool Place(TEventNotice& notice, bool& told, std::string* error);
  // A message of the stream, as a notice to hand over (true) or not.
  bool Take(const StoredMessage& message, TEventNotice& notice);
  bool Lost(TEventNotice& notice, TEventNotice::Kind kind, const TEventPosition& at);
  void JoinAll(ZelTMirrorAnswer& answer);
  bool AnswerUser(long userKey, Asked& asked, ZelTMirrorAnswer& answer);
  void Warn(const std::string& line);

  NatsOptions m_options;
  std::string m_token;
  std::string m_label;
  JetStream m_js;
  std::atomic<bool> m_stop{false};
  std::atomic<std::uint64_t> m_heard{0};
  long m_timeoutMs = 0;
  std::unordered_set<int> m_types;
  std::unordered_set<std::int64_t> m_users;

  // Events: read once resumed, until something is lost.
  bool m_reading = false;
  TEventPosition m_through;
  std::unique_ptr<StreamCursor> m_cursor;
  // Each user's last event handed over: what its record must reflect.
  std::unordered_map<std::int64_t, std::uint64_t> m_lastOf;
  Clock::time_point m_joinNotBefore{};

  // Questions.
  bool m_askedAll = false;
  std::unordered_map<long, Asked> m_asked;
  std::deque<ZelTMirrorAnswer> m_answers;
};

}  // namespace zelbridge
