#include "zelclnt/core/ZelTPresenceServer.h"

#include <gtest/gtest.h>

#include "DiagCapture.h"

namespace {

using PS = ZelTPresenceServer;

// The texts themselves are the wire-format document's tables.
TEST(ZelTPresenceServerTest, ValuesWithoutTextWarnAndOthersDoNot) {
  DiagCapture diag;
  for (const std::int32_t code : {0, 35000, 35004, 35016, 35035, 35045}) PS::ToString(static_cast<PS::ErrorCode>(code));
  for (const std::int32_t event : {35000, 35013, 35024}) PS::ToString(static_cast<PS::enEvent>(event));
  EXPECT_TRUE(diag.Lines().empty());

  std::vector<std::string> warnings;
  for (const std::int32_t gap : {35005, 35008, 35009, 35015, 35017, 35027, 35033, 35036, 35039, 35041, 35044, 1, -1}) {
    EXPECT_EQ(PS::ToString(static_cast<PS::ErrorCode>(gap)), "???") << gap;
    warnings.push_back("Unsupported Presence Server Error Code: " + std::to_string(gap));
  }
  for (const std::int32_t event : {34999, 35025, 0}) {
    EXPECT_EQ(PS::ToString(static_cast<PS::enEvent>(event)), "???") << event;
    warnings.push_back("Unsupported Presence Server Event Type: " + std::to_string(event));
  }
  EXPECT_EQ(diag.Texts(TDiag::WARN), warnings);
}

}  // namespace
