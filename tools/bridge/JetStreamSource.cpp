#include "JetStreamSource.h"

#include <algorithm>
#include <limits>
#include <thread>
#include <utility>

#include "StoredRecord.h"
#include "Subjects.h"
#include "zelclnt/model/detail/PointerCollOps.h"
#include "zelclnt/platform/TDiag.h"

namespace zelbridge {

namespace {

constexpr const char* kSource = "JetStreamSource";
// A join the stream could not follow is read again no sooner than this.
constexpr std::chrono::milliseconds kJoinRetry{1000};
// How often a user's record is read again while it lags its events.
constexpr std::chrono::milliseconds kUserRetry{20};
// The longest a read of the stream blocks before Stop is looked at again.
constexpr long kSliceMs = 20;

std::string PlaceText(const TEventPosition& at) {
  return std::to_string(at.incarnation) + ":" + std::to_string(at.position);
}

std::optional<TEventPosition> PlaceOfMessage(const StoredMessage& message) {
  const std::string* life = message.Find(kIncarnationHeader);
  const std::string* at = message.Find(kPositionHeader);
  return PlaceOf(life ? life->c_str() : nullptr, at ? at->c_str() : nullptr);
}

bool Before(const TEventPosition& a, const TEventPosition& b) {
  return a.incarnation == b.incarnation && a.position < b.position;
}

}  // namespace

JetStreamSource::JetStreamSource(NatsOptions options, const std::string& name)
    : m_options(std::move(options)),
      m_token(SubjectToken(name)),
      m_label(m_token + " on " + m_options.url) {
  m_options.create = false;
}

JetStreamSource::~JetStreamSource() = default;

void JetStreamSource::Warn(const std::string& line) { Diag(TDiag::WARN, __LINE__, __FILE__, "%s", line.c_str()); }

bool JetStreamSource::Start(const Interest& interest, std::string* error) {
  m_types.insert(interest.eventTypes.begin(), interest.eventTypes.end());
  m_users.insert(interest.userKeys.begin(), interest.userKeys.end());
  m_timeoutMs = interest.queryTimeoutMs > 0 ? interest.queryTimeoutMs : m_options.timeoutMs;
  return m_js.Connect(m_options, error) && m_js.ListenTo(AliveSubject(m_token), error);
}

bool JetStreamSource::WaitUntilSubscribed(long) { return m_js.Connected(); }

void JetStreamSource::ResumeAfter(const TEventPosition& position) {
  m_through = position;
  m_cursor.reset();
  m_reading = true;
}

bool JetStreamSource::SequenceAfter(const TEventPosition& at, std::uint64_t& sequence,
                                    std::optional<TEventPosition>& later, std::string* error) {
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  if (!m_js.Bounds(first, last, error)) return false;
  const auto lastOurs = m_js.LastOf(ServerFilter(m_token), error);
  if (error && !error->empty()) return false;
  if (!lastOurs || !at.IsKnown()) {
    sequence = lastOurs ? first : last + 1;
    return true;
  }
  const std::optional<TEventPosition> lastPlace = PlaceOfMessage(*lastOurs);
  if (lastPlace && lastPlace->incarnation != at.incarnation) {
    later = lastPlace;
    return true;
  }
  // Every probe below lastOurs finds a message of this server at or after it.
  std::uint64_t low = first;
  std::uint64_t high = lastOurs->sequence + 1;
  while (low < high) {
    const std::uint64_t middle = low + (high - low) / 2;
    std::optional<StoredMessage> probe = m_js.Read(middle, error);
    if (error && !error->empty()) return false;
    if (!probe || probe->subject.rfind("presence." + m_token + ".", 0) != 0) {
      const auto cursor = m_js.Follow(middle, ServerFilter(m_token), error);
      if (!cursor) return false;
      probe = cursor->Next(m_options.timeoutMs, error);
      if (!probe) {
        if (error && error->empty()) *error = "the stream holds no message of " + m_token + " after " + std::to_string(middle);
        return false;
      }
    }
    // The last message is of the place's life: a message of another is of
    // an earlier one.
    const auto place = PlaceOfMessage(*probe);
    if (place && (place->incarnation != at.incarnation || place->position <= at.position)) {
      low = std::max(probe->sequence, middle) + 1;
    } else {
      high = middle;
    }
  }
  sequence = low;
  return true;
}

bool JetStreamSource::Place(TEventNotice& notice, bool& told, std::string* error) {
  std::uint64_t sequence = 0;
  std::optional<TEventPosition> later;
  if (!SequenceAfter(m_through, sequence, later, error)) return false;
  if (later) {
    told = Lost(notice, TEventNotice::Kind::Restarted, *later);
    return false;
  }
  m_cursor = m_js.Follow(sequence, ServerFilter(m_token), error);
  return m_cursor != nullptr;
}

bool JetStreamSource::Next(TEventNotice& notice, long timeoutMs) {
  const auto deadline = timeoutMs < 0 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (bool first = true; !m_stop && (first || Clock::now() < deadline); first = false) {
    const long left = timeoutMs < 0 ? kSliceMs
                                    : static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                            deadline - Clock::now()).count());
    const long slice = std::clamp(left, 0L, kSliceMs);
    m_heard += m_js.Arrived();
    std::string error;
    bool told = false;
    if (!m_reading || (!m_cursor && !Place(notice, told, &error))) {
      if (told) return true;
      if (!error.empty()) Warn("reading " + m_label + ": " + error);
      std::this_thread::sleep_for(std::chrono::milliseconds(slice));
      continue;
    }
    const std::optional<StoredMessage> message = m_cursor->Next(slice, &error);
    if (!error.empty()) {
      Warn(error);
      m_cursor.reset();
      continue;
    }
    if (message && Take(*message, notice)) return true;
  }
  return false;
}

bool JetStreamSource::Lost(TEventNotice& notice, TEventNotice::Kind kind, const TEventPosition& at) {
  Warn("the stream of " + m_label + " holds no longer every event after " + PlaceText(m_through) + " (" +
       PlaceText(at) + " follows): joining again");
  m_reading = false;
  m_cursor.reset();
  m_joinNotBefore = Clock::now() + kJoinRetry;
  notice = TEventNotice();
  notice.kind = kind;
  notice.incarnation = at.incarnation;
  notice.position = at.position;
  return true;
}

bool JetStreamSource::Take(const StoredMessage& message, TEventNotice& notice) {
  const std::optional<TEventPosition> place = PlaceOfMessage(message);
  if (!place) return false;
  const bool known = m_through.IsKnown();
  if (message.Find(kMarkerHeader) != nullptr) {
    if (known && place->incarnation == m_through.incarnation && place->position <= m_through.position) return false;
    return Lost(notice, TEventNotice::Kind::Resync, *place);
  }
  if (known && place->incarnation != m_through.incarnation) return Lost(notice, TEventNotice::Kind::Restarted, *place);
  if (known && place->position <= m_through.position) return false;
  if (known && place->position != m_through.position + 1) return Lost(notice, TEventNotice::Kind::Resync, *place);
  m_through = *place;
  const std::string* type = message.Find(kTypeHeader);
  // A type missing or unreadable is one no int holds.
  constexpr std::uint64_t kNoType = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t eventType = type ? ParseCount(type->data(), type->size()).value_or(kNoType) : kNoType;
  const auto user = UserOfSubject(message.subject);
  if (eventType > static_cast<std::uint64_t>(std::numeric_limits<int>::max()) || !user) return false;
  if (!m_types.empty() && m_types.count(static_cast<int>(eventType)) == 0) return false;
  if (!m_users.empty() && m_users.count(*user) == 0) return false;
  notice = TEventNotice();
  notice.kind = TEventNotice::Kind::Event;
  notice.eventType = static_cast<int>(eventType);
  notice.userKey = *user;
  notice.incarnation = place->incarnation;
  notice.position = place->position;
  notice.data = message.payload;
  if (*user != TEventNotice::kNoUser) m_lastOf[*user] = place->position;
  return true;
}

bool JetStreamSource::AskAll(std::string*) {
  m_askedAll = true;
  return true;
}

bool JetStreamSource::AskUser(long userKey, const std::string&, std::string*) {
  const auto now = Clock::now();
  m_asked[userKey] = {now + std::chrono::milliseconds(m_timeoutMs), now};
  return true;
}

void JetStreamSource::Cancel(long userKey) {
  if (m_asked.erase(userKey) == 0) return;
  ZelTMirrorAnswer answer;
  answer.userKey = userKey;
  answer.failure = "cancelled";
  m_answers.push_back(std::move(answer));
}

void JetStreamSource::CancelAll() {
  m_askedAll = false;
  m_asked.clear();
  m_answers.clear();
}

std::size_t JetStreamSource::InFlight() const { return (m_askedAll ? 1 : 0) + m_asked.size() + m_answers.size(); }

bool JetStreamSource::NextAnswer(ZelTMirrorAnswer& answer) {
  if (m_answers.empty() && m_askedAll && Clock::now() >= m_joinNotBefore) {
    m_askedAll = false;
    m_answers.emplace_back();
    JoinAll(m_answers.back());
  }
  const auto now = Clock::now();
  for (auto asked = m_asked.begin(); m_answers.empty() && asked != m_asked.end();) {
    ZelTMirrorAnswer user;
    if (asked->second.next <= now && AnswerUser(asked->first, asked->second, user)) {
      m_answers.push_back(std::move(user));
      asked = m_asked.erase(asked);
    } else {
      ++asked;
    }
  }
  if (m_answers.empty()) return false;
  answer = std::move(m_answers.front());
  m_answers.pop_front();
  return true;
}

// The stream's latest life and last marker say whether the bucket was
// written afresh since.
void JetStreamSource::JoinAll(ZelTMirrorAnswer& answer) {
  answer.kind = ZelTMirrorAnswer::Kind::AllUsers;
  std::string error;
  const auto last = m_js.LastOf(ServerFilter(m_token), &error);
  const auto marker = error.empty() ? m_js.LastOf(MarkerSubject(m_token), &error) : std::nullopt;
  const std::optional<TEventPosition> life = last ? PlaceOfMessage(*last) : std::nullopt;
  const std::optional<TEventPosition> mark = marker ? PlaceOfMessage(*marker) : std::nullopt;
  bool unreadable = false;
  bool stale = false;
  if (error.empty()) {
    m_js.ReadBucket(
        [&](const std::string& key, const std::string& value) {
          std::optional<StoredRecord> stored = DecodeRecord(value.data(), value.size());
          if (!stored || std::to_string(stored->user.GetUserKey()) != key) {
            unreadable = true;
            return;
          }
          if ((life && stored->at.incarnation != life->incarnation) || (mark && Before(stored->at, *mark))) stale = true;
          if (!answer.at.IsKnown() || Before(stored->at, answer.at)) answer.at = stored->at;
          ZelTUserStore::Record record = zelclnt::detail::NewElement<ZelTUserPresence>(kSource);
          *record = std::move(stored->user);
          answer.users.emplace_back(std::move(record), stored->at);
        },
        &error);
  }
  if (error.empty() && unreadable) error = "the bucket holds a value that is no user's record";
  if (error.empty() && stale) error = "the bucket is being written afresh after a resync";
  if (!error.empty()) {
    answer.answer = ZelTMirrorAnswer::Answer::Failed;
    answer.failure = error;
    answer.users.clear();
    return;
  }
  // An empty bucket: only what comes next.
  if (answer.users.empty() && life) answer.at = *life;
  answer.answer = ZelTMirrorAnswer::Answer::Answered;
}

// False while the record lags the events already handed over.
bool JetStreamSource::AnswerUser(long userKey, Asked& asked, ZelTMirrorAnswer& answer) {
  answer.kind = ZelTMirrorAnswer::Kind::User;
  answer.userKey = userKey;
  std::string error;
  const std::optional<std::string> value = m_js.Get(std::to_string(userKey), &error);
  std::optional<StoredRecord> stored = value ? DecodeRecord(value->data(), value->size()) : std::nullopt;
  const auto last = m_lastOf.find(userKey);
  const bool lags = last != m_lastOf.end() &&
                    (!stored || (m_through.IsKnown() && stored->at.incarnation == m_through.incarnation &&
                                 stored->at.position < last->second));
  const bool late = Clock::now() >= asked.until;
  if (error.empty() && value && !stored) error = "the bucket's value of user " + std::to_string(userKey) + " is unreadable";
  if (error.empty() && lags && !late) {
    asked.next = Clock::now() + kUserRetry;
    return false;
  }
  if (!error.empty() || (lags && stored)) {
    answer.answer = ZelTMirrorAnswer::Answer::Failed;
    answer.failure = error.empty() ? "the bucket's record of user " + std::to_string(userKey) + " lags its events" : error;
    return true;
  }
  answer.user = zelclnt::detail::NewElement<ZelTUserPresence>(kSource);
  if (!stored) {
    answer.answer = ZelTMirrorAnswer::Answer::Refused;
    answer.user->SetUserKey(userKey);
    answer.user->SetActionError(ZelTPresenceServer::ERR_INVALID_USER);
    answer.at = m_through;
    return true;
  }
  answer.answer = ZelTMirrorAnswer::Answer::Answered;
  answer.at = stored->at;
  *answer.user = std::move(stored->user);
  return true;
}

}  // namespace zelbridge
