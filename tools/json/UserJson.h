#pragma once
// A user's presence as JSON: who the user is, then every part of the
// record a query reply fills. Free of state; any thread that may read the
// record may show it.

#include "JsonValues.h"
#include "zelclnt/core/ZelTUserPresence.h"

namespace zeljson {

Json ToJson(const ZelTUserPresence& user);

}  // namespace zeljson
