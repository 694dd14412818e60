#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "Bytes.h"
#include "DiagCapture.h"
#include "zelclnt/model/ZelTPresenceState.h"
#include "zelclnt/model/ZelTRoutingState.h"
#include "zelclnt/model/ZelTUserFlags.h"

namespace {

using RS = ZelTRoutingState;
using PS = ZelTPresenceState;
using UF = ZelTUserFlags;

const TTimeStamp kTime = TTimeStamp::FromMilliseconds(1796605323045, true);
const std::string kTimeText = "2026/12/07 01:02:03.045";
const std::string kNullText = "0000/00/00 00:00:00.000";

TEST(UserStandingTest, EnumerationTexts) {
  const char* routing[] = {"Available", "Unavailable", "Work", "Logoff", "Unknown"};
  const char* sources[] = {"Default", "CTI Query", "CTI Query PX9DR", "Unknown"};
  const char* presence[] = {"Idle", "Away", "Busy", "Active", "Logoff", "Unknown"};
  for (int v = 0; v < 5; ++v) EXPECT_EQ(RS::ToString(static_cast<RS::enRoutingState>(v)), routing[v]);
  for (int v = 0; v < 4; ++v) EXPECT_EQ(RS::ToString(static_cast<RS::enInitialRoutingStateSource>(v)), sources[v]);
  for (int v = 0; v < 6; ++v) EXPECT_EQ(PS::ToString(static_cast<PS::enPresenceState>(v)), presence[v]);
  for (const int outside : {-1, 7, INT_MAX}) {
    EXPECT_EQ(RS::ToString(static_cast<RS::enRoutingState>(outside)), "Invalid");
    EXPECT_EQ(RS::ToString(static_cast<RS::enInitialRoutingStateSource>(outside)), "Invalid");
    EXPECT_EQ(PS::ToString(static_cast<PS::enPresenceState>(outside)), "Invalid");
  }
}

TEST(UserStandingTest, RoutingStateSummaries) {
  RS state;
  state.SetStartTime(kTime);
  const struct {
    const char* filters;
    RS::enSummaryType type;
    bool showName;
    std::string text;
  } cases[] = {
      {"", RS::SUMMARY_FULL, true, "Routing State:{State{Logoff},Reason{0},Source{Unknown}}"},
      {"INFO", RS::SUMMARY_FULL, false, "{State{Logoff},Reason{0},Source{Unknown},StartTime{" + kTimeText + "}}"},
      {"PRGM", RS::SUMMARY_BRIEF, true, "Routing State:{State{Logoff},Reason{0},StartTime{" + kTimeText + "}}"},
      {"", RS::SUMMARY_BRIEF, true, "Routing State:{State{Logoff},Reason{0}}"},
      {"INFO", RS::SUMMARY_STATE_ONLY, true, "Routing State:{State{Logoff},Reason{0}}"},
  };
  for (const auto& c : cases) {
    DiagCapture diag(c.filters);
    EXPECT_EQ(state.ToSummary(c.type, c.showName), c.text) << c.filters << c.type;
  }
}

TEST(UserStandingTest, PresenceStateSummaries) {
  PS state;
  state.SetPresenceState(PS::PRESENCESTATE_BUSY);
  {
    DiagCapture quiet;
    EXPECT_EQ(state.ToString(), "Presence State:{Busy}");
    state.SetExcludeDirectContact(true);
    EXPECT_EQ(state.ToSummary(PS::SUMMARY_FULL, true), "Presence State(ExDC):{Busy}");
  }
  DiagCapture detail("INFO");
  EXPECT_EQ(state.ToSummary(PS::SUMMARY_FULL, false), "{State{Busy},StartTime{" + kNullText + "}}");
}

TEST(UserStandingTest, UserFlagSummaries) {
  UF flags;
  flags.SetIsPhoneOnly(true);
  flags.SetIsContactAssist(true);
  flags.SetContactAssistStartTime(kTime);
  const std::string recovery = "RecoveryMode<Flag{F},StartTime{" + kNullText + "}";
  const std::string assist = "ContactAssist<Flag{T},StartTime{" + kTimeText + "}>";
  const struct {
    UF::enSummaryType type;
    bool showName;
    std::string text;
  } cases[] = {
      {UF::SUMMARY_ALL, true, "User Flags:{PhoneOnly{T}," + recovery + ">," + assist + "}"},
      {UF::SUMMARY_PHONE_ONLY, false, "PhoneOnly{T}"},
      {UF::SUMMARY_RECOVERY_MODE, false, recovery + ">"},
      {UF::SUMMARY_CONTACT_ASSIST, true, "User Flags:{" + assist + "}"},
      {static_cast<UF::enSummaryType>(4), true, "User Flags:{}"},
  };
  for (const auto& c : cases) EXPECT_EQ(flags.ToSummary(c.type, c.showName), c.text) << c.type;
}

TEST(UserStandingTest, WireFormsRoundTripAndKeepLocalFields) {
  RS routing;
  routing.SetRoutingState(static_cast<RS::enRoutingState>(-9));
  routing.SetRoutingStateReason(-4);
  routing.SetInitialRoutingStateSource(RS::SOURCE_CTI_QUERY_PX9DR);
  routing.SetStartTime(kTime);
  TPack expectedRouting;
  expectedRouting << -9 << -4L << 2 << kTime;
  EXPECT_EQ(BytesOf(routing), Written(expectedRouting));

  PS presence;
  presence.SetPresenceState(PS::PRESENCESTATE_AWAY);
  presence.SetExcludeDirectContact(true);
  const std::string presenceBytes = BytesOf(presence);
  PS back;
  TPack reader(presenceBytes.data(), static_cast<unsigned long>(presenceBytes.size()));
  reader >> back;
  EXPECT_EQ(back.GetPresenceState(), PS::PRESENCESTATE_AWAY);
  EXPECT_FALSE(back.IsExcludeDirectContact()) << "the exclusion flag does not travel";

  UF flags;
  flags.SetIsRecoveryModeOn(true);
  flags.SetRecoveryModeStartTime(kTime);
  TPack expectedFlags;
  expectedFlags << false << true << false << kTime << TTimeStamp(1);
  EXPECT_EQ(BytesOf(flags), Written(expectedFlags));

  const std::string routingBytes = BytesOf(routing);
  RS cut;
  TPack cutReader(routingBytes.data(), 3);
  cutReader >> cut;
  EXPECT_EQ(cut.GetRoutingState(), RS::ROUTINGSTATE_LOGOFF) << "fewer than 4 bytes keep the value";
}

}  // namespace
