#include "zelclnt/model/ZelTCapability.h"

#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"

namespace {

using DC = ZelTDesktopCapability;
using UC = ZelTUserCapability;

// A fresh user capability's text is part of the fresh user record's.
TEST(ZelTCapabilityTest, TheCampaignDirectorStaysLocal) {
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
