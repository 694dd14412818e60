#pragma once
// How the bridge names what it writes to JetStream, and how it reads a
// stored message's place back: pure functions, no connection.
//
// An event goes to presence.<server>.<kind>.<user>, so that consumers pick
// a server, an event kind or a user with NATS wildcards; <server> and
// <kind> are reduced to the characters a subject token may hold, <user> is
// the decimal user key ("none" for an event about no user). Its message id,
// <incarnation>-<position>, is the same from every bridge that writes it,
// which is what lets JetStream drop a second copy. Headers name the event's
// type, incarnation and position.
//
// A resync marker (events were lost for good, the records that follow in
// the bucket are fresh) goes to presence.<server>.resync.none and names the
// position from which the stream holds every event again.
//
// A bridge that hears its presence server says so every second on
// presence-alive.<server>, a plain NATS subject outside the stream: a
// consumer of the stream can tell a live picture from one whose bridge or
// server is gone, without the stream storing a heartbeat.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "zelclnt/platform/TEventPosition.h"

namespace zelbridge {

inline constexpr const char* kTypeHeader = "Zel-Event-Type";
inline constexpr const char* kIncarnationHeader = "Zel-Incarnation";
inline constexpr const char* kPositionHeader = "Zel-Position";
// "resync" on a marker; absent on an event.
inline constexpr const char* kMarkerHeader = "Zel-Marker";
inline constexpr const char* kResync = "resync";

// Letters, digits, '-' and '_' kept, anything else '_'; "_" for nothing.
std::string SubjectToken(const std::string& text);
// The event type's name in lower case ("voice_user_media_event"), or
// "type<number>" for a type without one.
std::string KindToken(int eventType);
std::string EventSubject(const std::string& serverToken, int eventType, std::int64_t userKey);
std::string MarkerSubject(const std::string& serverToken);
std::string AliveSubject(const std::string& serverToken);
// Every subject of one server's events and markers.
std::string ServerFilter(const std::string& serverToken);
std::string MessageId(const TEventPosition& at);
std::string MarkerId(const TEventPosition& at);

// The user key a subject names in its last token; TEventNotice::kNoUser
// for "none"; nothing for any other text.
std::optional<std::int64_t> UserOfSubject(const std::string& subject);
// A decimal number of at most 20 digits that fits 64 bits, nothing else.
std::optional<std::uint64_t> ParseCount(const char* text, std::size_t length);
// The place a stored message names in its headers (either may be null when
// absent); nothing unless both are well-formed and the incarnation known.
std::optional<TEventPosition> PlaceOf(const char* incarnation, const char* position);

}  // namespace zelbridge
