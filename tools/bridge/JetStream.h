#pragma once
// One connection to NATS with its JetStream context, the presence stream
// and the users' key-value bucket, each owned here and released in order.
//
// Connect sets the stream up when it is missing (file storage, the
// subjects presence.>, the replicas and the window within which JetStream
// drops a message whose id it already holds) and the bucket likewise (one
// revision kept per user). A stream or bucket that exists is used as it is.
//
// Calls wait at most the connection's time-out and return false with the
// reason in *error; the connection takes itself up again after a loss
// (nats.c reconnects), and the caller tries the write again: a message
// written twice under one id is stored once.
//
// One thread at a time.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "NatsOptions.h"

namespace zelbridge {

struct Header {
  const char* name;
  std::string value;
};

struct Outgoing {
  std::string subject;
  // Nats-Msg-Id: JetStream stores one message per id within its window.
  std::string id;
  std::vector<Header> headers;
  std::string payload;
};

// A message as the stream holds it.
struct StoredMessage {
  std::string subject;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string payload;
  std::uint64_t sequence = 0;
  // When JetStream stored it: nanoseconds since 1970 (UTC).
  std::int64_t storedNs = 0;
  const std::string* Find(const std::string& name) const;
};

// An ordered reading of the stream's messages that match a filter, from one
// sequence on (an ordered consumer: nats.c takes it up again after a loss
// from where it stood). One thread at a time.
class StreamCursor {
 public:
  ~StreamCursor();
  StreamCursor(const StreamCursor&) = delete;
  StreamCursor& operator=(const StreamCursor&) = delete;

  // The next message, waiting up to timeoutMs; nullopt when none came
  // (*error empty) or the reading failed (*error says why).
  std::optional<StoredMessage> Next(long timeoutMs, std::string* error);

 private:
  friend class JetStream;
  struct Subscription;
  explicit StreamCursor(std::unique_ptr<Subscription> subscription);
  std::unique_ptr<Subscription> m_subscription;
};

class JetStream {
 public:
  JetStream();
  ~JetStream();
  JetStream(const JetStream&) = delete;
  JetStream& operator=(const JetStream&) = delete;

  bool Connect(const NatsOptions& options, std::string* error);
  // Written (or already held under that id) once JetStream acknowledged it.
  bool Publish(const Outgoing& message, std::string* error);
  // Publishes each in order without waiting for the one before, then waits
  // for them all; the indexes of those not acknowledged, in order (all of
  // them when the round failed as a whole). REQUIRES: ids, all different.
  std::vector<std::size_t> PublishAll(const std::vector<Outgoing>& messages, std::string* error);
  // The last message whose subject matches `filter`; nullopt with an empty
  // *error when the stream holds none.
  std::optional<StoredMessage> LastOf(const std::string& filter, std::string* error);
  // The stream's first and last sequence numbers (last 0: empty).
  bool Bounds(std::uint64_t& first, std::uint64_t& last, std::string* error);
  // The message at `sequence`; nullopt with an empty *error when the stream
  // holds none there (deleted, or past its end).
  std::optional<StoredMessage> Read(std::uint64_t sequence, std::string* error);
  // Hands `take` each message whose subject matches `filter`, in stream
  // order from sequence `first`, until it returns false or nothing came
  // for idleMs; false with the reason when the stream could not be read.
  bool ReadFrom(std::uint64_t first, const std::string& filter,
                const std::function<bool(const StoredMessage&)>& take, long idleMs, std::string* error);
  // Hands `take` each message whose subject matches `filter` and that was
  // stored from sinceNs on and before untilNs (0: no end), in stream order,
  // until it returns false. Ends at the last message that matches when
  // called, never waiting for more.
  bool ReadWindow(std::int64_t sinceNs, std::int64_t untilNs, const std::string& filter,
                  const std::function<bool(const StoredMessage&)>& take, std::string* error);
  // The first sequence stored from sinceNs on (the last one's + 1 when
  // none), found by the messages' own times.
  std::optional<std::uint64_t> FirstStoredFrom(std::int64_t sinceNs, std::string* error);
  // Reads on from `first` (0: the stream's first) until dropped.
  std::unique_ptr<StreamCursor> Follow(std::uint64_t first, const std::string& filter, std::string* error);
  // Hands `take` every key the bucket holds with its value, in no order.
  bool ReadBucket(const std::function<void(const std::string& key, const std::string& value)>& take,
                  std::string* error);
  // The value under `key`; nullopt with an empty *error when there is none.
  std::optional<std::string> Get(const std::string& key, std::string* error);
  // Writes every value under its key without waiting for each in turn;
  // true once all were acknowledged. Written again whole after a failure,
  // which changes nothing that went through.
  bool PutMany(const std::vector<std::pair<std::string, std::string>>& entries, std::string* error);
  bool Delete(const std::string& key, std::string* error);
  // The bucket's keys, in no order; each waited for up to the time-out
  // (nats.c's own listing gives the whole bucket one, which a large
  // bucket on a busy machine never met).
  bool Keys(std::vector<std::string>& keys, std::string* error);
  bool Connected() const;
  // A plain NATS message, not stored, not acknowledged.
  bool Announce(const std::string& subject, std::string* error);
  // From then on, counts the plain messages on `subject`.
  bool ListenTo(const std::string& subject, std::string* error);
  // How many came since the last call; never waits.
  std::size_t Arrived();
  // Whether the last failure may pass by itself: no server answered yet,
  // or JetStream is not ready (a cluster electing its leader, a stream
  // offline for now); a refusal, or a setting the server rejects, is not.
  bool FailedForNow() const { return m_failedForNow; }

 private:
  struct Handles;
  // Starts a round of writes without waiting; the round's failures are
  // collected from nats.c's thread.
  void BeginRound();
  std::vector<std::string> EndRound(int& status);
  bool Failed(int status, int jsError, const std::string& what, std::string* error) const;
  bool EnsureStream(std::string* error);
  bool EnsureBucket(std::string* error);
  // Every key's latest entry, its value left out when metaOnly.
  bool WatchAll(bool metaOnly, const std::function<void(const std::string& key, const std::string& value)>& take,
                std::string* error);

  NatsOptions m_options;
  std::unique_ptr<Handles> m_handles;
  mutable bool m_failedForNow = false;
};

}  // namespace zelbridge
