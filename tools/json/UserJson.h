#pragma once
// A user's presence as JSON: who the user is, then every part of the
// record a query reply fills. A change of some parts (what an event stream
// sends) writes who the user is and those parts alone, with the same
// members as the whole record. Written straight into text (JsonWriter.h):
// one user or ten thousand, the same function writes each. Free of state;
// any thread that may read the record may show it.

#include <cstdint>
#include <string>

#include "JsonValues.h"
#include "zelclnt/core/ZelTUserPresence.h"

namespace zeljson {

class JsonWriter;

// parts: bits of ZelTPresenceChange::enPart; the identity is always written.
void Write(JsonWriter& w, const ZelTUserPresence& user, std::uint32_t parts);
std::string UserText(const ZelTUserPresence& user, std::uint32_t parts);

Json ToJson(const ZelTUserPresence& user);
Json ToJson(const ZelTUserPresence& user, std::uint32_t parts);

}  // namespace zeljson
