#pragma once
// How the users a mirror's store holds compare with a query of every user
// of the server: part by part, each part as its wire bytes (the tick count,
// the time a query was answered, is no part of the state). For checking a
// mirror against its server, in the demo, the tests and the soak.
//
// A server that keeps changing is compared fairly: a held user whose record
// reflects an event after the query's position was changed by the server
// since, and is counted apart instead of compared. The caller first brings
// the mirror at least to the query's position; the store must not change
// while it is compared (call it on the mirror's own thread, between polls).

#include <cstddef>
#include <string>
#include <vector>

#include "zelclnt/mirror/ZelTUserStore.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/platform/TEventPosition.h"

namespace zelsim {

struct StoreComparison {
  std::size_t compared = 0;
  std::size_t changedSince = 0;
  // "user 42: routing state", "user 43: not held", "user 44: not on the server".
  std::vector<std::string> differences;
};

// users: a users-presence query's reply, which reflects events up to `at`.
StoreComparison CompareStore(const ZelTUserStore& store, const ZelTStdListPointerColl<ZelTUserPresence>& users,
                             const TEventPosition& at);

// The names of the parts in which two records differ.
std::vector<std::string> DifferingPartNames(const ZelTUserPresence& a, const ZelTUserPresence& b);

}  // namespace zelsim
