#include "zelclnt/model/ZelTCapability.h"

#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"

namespace {

using DC = ZelTDesktopCapability;
using UC = ZelTUserCapability;

// A fresh user capability's text is part of the fresh user record's.
TEST(ZelTCapabilityTest, TextsAndTheCampaignDirectorStaysLocal) {
  const std::pair<std::string, const char*> cases[] = {
      {DC::ToString(DC::DESKTOP_LOGON), "Logon"},
      {DC::ToString(static_cast<DC::enDesktopCapability>(2)), "Invalid"},
      {DC::ToString(DC::DESKTOPCAUSE_WATCHDOG_SERVER_NOT_READY), "Watchdog Server Not Ready"},
      {DC::ToString(DC::DESKTOPCAUSE_USER_DELETED), "User Deleted"},
      {DC::ToString(static_cast<DC::enDesktopCapabilityCause>(7)), "Invalid"},
      {UC::ToString(static_cast<UC::enCapabilityType>(0)), "Invalid"},
      {UC::ToString(UC::CAPABILITY_DESKTOP), "Desktop"},
      {UC::ToString(UC::CAPABILITY_CAMPAIGN_DIRECTOR), "Campaign Director"}};
  for (const auto& c : cases) EXPECT_EQ(c.first, c.second);

  ZelTCampaignDirectorCapability director;
  director.SetEnabled(true);
  director.SetNailUpNumber("0800");
  director.SetReleaseRoutingState(ZelTRoutingState::ROUTINGSTATE_AVAILABLE);
  DC desktop;
  desktop.SetCapability(DC::DESKTOP_LOGON);
  desktop.SetCause(DC::DESKTOPCAUSE_ADMIN_SERVER_NOT_READY);
  desktop.SetStartTime(TTimeStamp::FromMilliseconds(99, true));
  UC user;
  user.SetCampaignDirectorCapability(director);
  user.SetDesktopCapability(desktop);

  UC copied(user);
  UC assigned;
  assigned = user;
  for (const UC* other : {&copied, &assigned}) {
    EXPECT_FALSE(other->GetCampaignDirectorCapability().IsEnabled());
    EXPECT_EQ(other->GetCampaignDirectorCapability().GetReleaseRoutingState(), ZelTRoutingState::ROUTINGSTATE_UNKNOWN);
    EXPECT_EQ(other->GetDesktopCapability().GetCause(), DC::DESKTOPCAUSE_ADMIN_SERVER_NOT_READY);
  }

  const std::string bytes = BytesOf(user);
  EXPECT_EQ(bytes, BytesOf(desktop)) << "the user capability travels as its desktop capability alone";
  ExpectReadsBack(user, UC());
  EXPECT_EQ(user.ToString().find("0800"), std::string::npos);
}

}  // namespace
