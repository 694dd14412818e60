#include "zelclnt/state/TStateEnums.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

struct TextTable {
  const char* name;
  std::function<std::string(int)> text;
  std::vector<const char*> texts;  // by value from 0; null marks a gap
};

template <typename E>
std::function<std::string(int)> Of(std::string (*function)(E)) {
  return [function](int value) { return function(static_cast<E>(value)); };
}

TEST(TStateEnumsTest, TextTablesWithGapsAndOutOfRangeValues) {
  const TextTable tables[] = {
      {"media state", Of(MediaStateToString), {"Logoff", "Logon", "Available", "Do Not Distrub", "Unknown"}},
      {"media state cause", Of(MediaStateCauseToString),
       {"None", "Desktop Logoff", "Extension OOS", "Logoff - T Server Not Ready",
        "Logoff - Callback Server Not Ready", "Logoff - Email Server Not Ready",
        "Logoff - Web Interaction Server Not Ready", nullptr, "Logoff - IM Server Not Ready",
        "Logoff - Admin Server Not Ready", "Logoff - Watchdog Server Not Ready",
        "Logoff - Corporate Email Server Not Ready", "Logoff - Comm Platform Not Ready", "Logoff - User Deleted",
        nullptr, "Logon - Recovery"}},
      {"readiness state", Of(ReadinessStateToString), {"Unknown", "Ready", "Not Ready"}},
      {"readiness cause", Of(ReadinessCauseToString),
       {"None", "T-Server Down", "Callback Server Down", "Email Server Down", "Web Interaction Server Down", nullptr,
        "IM Server Down", "Admin Server Down", "Watchdog Server Down", "Corporate Email Server Down",
        "Communication Platform Down", "Callback Feature Disabled", "Email Feature Disabled",
        "Web Feature Disabled"}},
      {"CSM state cause", Of(CSMStateCauseToString),
       {"None", "Add CSM", "Remove CSM", "Update Participation", "Remove Participation"}},
      {"user set", Of(UserSetToString), {"Logged On Users", "Logged On And Csm user", "All Users"}},
      {"silent monitoring type", Of(SilentMonitoringTypeToString),
       {"None", "Silent Monitoring", "BargeIn", "Continuous Silent Monitoring"}},
      {"reference type", Of(RefTypeToString), {"None", "Callback", "Callback Voice Leg", "Networking"}},
      {"post-processing mode", Of(PostProcessingModeToString),
       {"None", "Default", "Default No Mandatory", "Default Always Mandatory"}},
      {"contact type", Of(ContactTypeToString),
       {"None", "Routed Voice", "Direct Incoming Voice", "Direct Outgoing Voice", "Direct Internal Voice",
        "Routed Callback", "Routed Email", "Direct Outgoing Email", "Routed Web", "Unknown Voice",
        "Routed OpenMedia", "Direct Outgoing OpenMedia"}},
      {"contact state", Of(ContactStateToString),
       {"None", "Pending", "Dialing", "Busy", "Ringing", "Talking", "Queued", "OnHold", "Consulting", "Processing",
        "PostProcessing", "Unknown"}},
      {"handling cause", Of(HandlingCauseToString),
       {"None", "Pickup", "Consult Queue - Old", "Consult Queue - New", "Email Deferred", "Email Resumed",
        "Email Consult Deferred", "Email Consult Resumed", "Silent Monitoring", "Recalled", "Unassign RNA",
        "Unassign Undeliverable", "Unassign Other", "Voice BlockedCall", "Voice Timedout Pending Movement Confirmation",
        "Voice Network Congestion", "Voice CallForwardNoAnswer", "Voice Network Reached", "Voice Parking",
        "Voice Camping_On", "Assign Contact", "Callback User Delete", "Voice Reset Callback", "OpenMedia Deferred",
        "OpenMedia Resumed", "OpenMedia Consult Deferred", "OpenMedia Consult Resumed"}}};
  for (const TextTable& table : tables) {
    for (std::size_t v = 0; v < table.texts.size(); ++v)
      EXPECT_EQ(table.text(static_cast<int>(v)), table.texts[v] ? table.texts[v] : "Invalid") << table.name << " " << v;
    for (const int outside : {-1, static_cast<int>(table.texts.size()), INT_MAX, INT_MIN})
      EXPECT_EQ(table.text(outside), "Invalid") << table.name << " " << outside;
  }

  // Media in range show in every record's text; others show their number.
  EXPECT_EQ(MediaToString(9), "MediaType: 9");
  EXPECT_EQ(MediaToString(-1), "MediaType: -1");
}

}  // namespace
