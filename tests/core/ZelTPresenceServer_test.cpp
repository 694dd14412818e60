#include "zelclnt/core/ZelTPresenceServer.h"

#include <gtest/gtest.h>

#include "DiagCapture.h"

namespace {

using PS = ZelTPresenceServer;

TEST(ZelTPresenceServerTest, ErrorCodeAndEventTextsAndValuesWithoutTextWarn) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {0, "ERR_NONE"},                       {35000, "ERR_GENERIC"},
      {35004, "ERR_UNABLE_TO_ALLOCATE_MEM"}, {35006, "ERR_UNABLE_TO_ADD_TO_COLLECTION"},
      {35007, "ERR_SEMPHORE_TIMEOUT"},       {35016, "ERR_INVALID_RESOURCE"},
      {35028, "ERR_KVL_NOT_ENABLED"},        {35035, "ERR_CAPABILITY_HANDLING_NAIL_UP_CALL"},
      {35040, "ERR_SERVER_NOT_READY"},       {35045, "ERR_KVL_DOWN"}};
  DiagCapture diag;
  for (const auto& c : cases) EXPECT_EQ(PS::ToString(static_cast<PS::ErrorCode>(c.first)), c.second);
  EXPECT_TRUE(diag.Lines().empty());

  const std::pair<std::int32_t, const char*> events[] = {
      {35000, "CONNECTIONEVENT"},          {35002, "Voice User Media Event"},
      {35006, "IM User Media Event"},      {35012, "Primary Handling State Event"},
      {35013, "Wrapup Submitted Event"},   {35022, "User CSM State Event"},
      {35023, "OpenMedia User Media Event"}, {35024, "QUERYEXTENSIONLISTEVENT"}};
  for (const auto& c : events) EXPECT_EQ(PS::ToString(static_cast<PS::enEvent>(c.first)), c.second);

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
