// Applies arbitrary bytes as an event to a user's record and to a table of
// media readiness. The first byte picks the event type; the second whether
// the bytes are taken as they are or written over an event the simulator
// made (so that near-whole events are tried too). An event that is not
// applied must leave the record exactly as it was, and every record must
// still pack.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "AgentSeeder.h"
#include "QuietDiagnostics.h"
#include "UserTable.h"
#include "zelclnt/mirror/ZelTEventApplier.h"
#include "zelclnt/platform/TPack.h"

namespace {

using PS = ZelTPresenceServer;

// The record as a Query reply carries it.
std::string Packed(const ZelTUserPresence& user) {
  ZelTUserPresence copy(user);
  copy.SetActionResult(PS::ACTION_SUCCEEDED);
  copy.SetAction(ZelTUserPresence::ACTION_QUERY);
  TPack pack;
  copy.PackRequest(pack);
  return std::string(pack.Contents(), pack.Length());
}

struct Fixture {
  ZelTUserPresence agent;
  std::vector<int> types;
  // An event of each kind the simulator's actions make, by type.
  std::map<int, std::string> made;
};

Fixture Make() {
  Fixture fixture;
  fixture.agent = zelsim::SeedAgents(1, 1).front();
  fixture.types = ZelTEventApplier::UserEventTypes();
  for (const int type : ZelTEventApplier::ReadinessEventTypes()) fixture.types.push_back(type);
  zelsim::UserTable table(zelsim::SeedAgents(1, 1),
                          zelsim::EventFeed([&fixture](PS::enEvent type, long, const char* data,
                                                       std::size_t size) { fixture.made[type].assign(data, size); },
                                            [] { return TEventPosition(); }));
  class Call : public ZelTUserPresence {
   public:
    Call(Action action, const std::string& contact) {
      SetUserKey(zelsim::kFirstUserKey);
      SetUserID("agent42");
      SetAction(action);
      SetContactID(contact);
      SetRequeueCount(0);
      SetReasons({1, 2, 3});
      SetContactAssistFlag(true);
    }
  };
  for (const auto& [action, contact] : {std::make_pair(ZelTUserPresence::ACTION_SET_PRIMARY_CONTACT, "C42-3"),
                                        std::make_pair(ZelTUserPresence::ACTION_SUBMIT_WRAPUP, "C42-2"),
                                        std::make_pair(ZelTUserPresence::ACTION_SET_CONTACT_ASSIST, "")}) {
    Call call(action, contact);
    table.Act(call);
  }
  return fixture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Fixture fixture = Make();
  static ZelTEventApplier applier;
  if (size < 2) return 0;
  const int type = fixture.types[data[0] % fixture.types.size()];
  std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);
  const auto made = fixture.made.find(type);
  if (data[1] % 2 && made != fixture.made.end()) {
    std::string over = made->second;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      over[static_cast<unsigned char>(bytes[i]) * 7u % over.size()] = bytes[i + 1];
    bytes = over.substr(0, over.size() - static_cast<unsigned char>(data[1]) / 2 % 4);
  }
  const auto event = static_cast<PS::enEvent>(type);
  ZelTUserPresence record = fixture.agent;
  const std::string before = Packed(record);
  if (applier.Apply(event, bytes.data(), bytes.size(), record).outcome != ZelTEventApplier::OUTCOME_APPLIED &&
      Packed(record) != before)
    std::abort();
  (void)Packed(record);
  std::vector<TMediaReadiness> table(1);
  std::vector<long> changed;
  applier.ApplyReadiness(event, bytes.data(), bytes.size(), table, changed);
  long userKey = 0;
  std::string userId;
  ZelTEventApplier::ReadUser(type, bytes.data(), bytes.size(), userKey, userId);
  return 0;
}
