#include "zelclnt/state/TStateEnums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

// A table's texts are data checked where they are used; what matters here
// is where each table ends and which values inside it have no text.
struct TextTable {
  const char* name;
  std::function<std::string(int)> text;
  int size;
  std::vector<int> gaps;
};

template <typename E>
std::function<std::string(int)> Of(std::string (*function)(E)) {
  return [function](int value) { return function(static_cast<E>(value)); };
}

TEST(TStateEnumsTest, TextTablesWithGapsAndOutOfRangeValues) {
  const TextTable tables[] = {
      {"media state", Of(MediaStateToString), 5, {}},
      {"media state cause", Of(MediaStateCauseToString), 16, {7, 14}},
      {"readiness state", Of(ReadinessStateToString), 3, {}},
      {"readiness cause", Of(ReadinessCauseToString), 14, {5}},
      {"CSM state cause", Of(CSMStateCauseToString), 5, {}},
      {"user set", Of(UserSetToString), 3, {}},
      {"silent monitoring type", Of(SilentMonitoringTypeToString), 4, {}},
      {"reference type", Of(RefTypeToString), 4, {}},
      {"post-processing mode", Of(PostProcessingModeToString), 4, {}},
      {"contact type", Of(ContactTypeToString), 12, {}},
      {"contact state", Of(ContactStateToString), 12, {}},
      {"handling cause", Of(HandlingCauseToString), 27, {}}};
  for (const TextTable& table : tables) {
    for (int v = 0; v < table.size; ++v) {
      const bool gap = std::find(table.gaps.begin(), table.gaps.end(), v) != table.gaps.end();
      EXPECT_EQ(table.text(v) == "Invalid", gap) << table.name << " " << v;
      EXPECT_FALSE(table.text(v).empty()) << table.name << " " << v;
    }
    for (const int outside : {-1, table.size, INT_MAX, INT_MIN})
      EXPECT_EQ(table.text(outside), "Invalid") << table.name << " " << outside;
  }

  // Media in range show in every record's text; others show their number.
  EXPECT_EQ(MediaToString(9), "MediaType: 9");
  EXPECT_EQ(MediaToString(-1), "MediaType: -1");
}

}  // namespace
