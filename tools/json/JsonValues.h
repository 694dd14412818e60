#pragma once
// The JSON forms every record shares: time stamps and enumerations.
//
// A time stamp is ISO 8601 in UTC with milliseconds
// ("2026-12-07T01:02:03.045Z"), whatever its GMT flag says (the flag changes
// no instant); a null stamp is null. Years beyond 0000 to 9999, which only a
// hostile peer sends, are written in the expanded form with a sign and six
// or more digits ("+292278994-08-17T07:12:55.807Z"), so that no stamp is
// lost or shown as another.
//
// An enumeration is always an object {"name": <text>, "value": <number>}:
// the name is the library's own text of the value, or null for a value it
// has no text for; the number is always there, so a value is never lost and
// a client can rely on one shape.
//
// All functions are free of state; any thread may call them.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

class TTimeStamp;

namespace zeljson {

// Members keep the order they were written in, so texts read as documented.
using Json = nlohmann::ordered_json;

std::string IsoTime(std::int64_t millisecondsSince1970);
Json TimeJson(const TTimeStamp& stamp);

// Compact text. Strings from the wire need not be UTF-8: bytes that are
// not are replaced (U+FFFD) rather than failing the whole text.
std::string Text(const Json& json);

// text null: the value has no name.
Json Named(std::int64_t value, const char* text);
Json Named(std::int64_t value, const std::string& text, bool known);

}  // namespace zeljson
