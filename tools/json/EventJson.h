#pragma once
// The presence server's events as JSON: {"type": <event type>, then the
// members of its record}. Events about a user open with who it is (user
// key, user id, site, business unit, cause, resource id); events that
// carry the user's presence follow with the same members as a user's
// record (see UserJson.h) and the contacts the change affected. A type
// without a record of its own shows its type alone.
//
// Free of state; an event serves one thread at a time.

#include "JsonValues.h"
#include "zelclnt/events/ZelTEventReader.h"

namespace zeljson {

// `type` is the type the event arrived as, which tells the four handling
// events apart where their bytes do not.
Json ToJson(ZelTPresenceServer::enEvent type, const ZelTAnyEvent& event);

}  // namespace zeljson
