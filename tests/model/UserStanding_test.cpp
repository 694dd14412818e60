#include <gtest/gtest.h>

#include <functional>
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

// Start times show only in detail (INFO or PRGM) or where a flag has one;
// the plain texts show in every user record's text.
TEST(UserStandingTest, TextsSummariesAndWireForms) {
  RS routing;
  routing.SetStartTime(kTime);
  PS excluded;
  excluded.SetPresenceState(PS::PRESENCESTATE_BUSY);
  excluded.SetExcludeDirectContact(true);
  UF flags;
  flags.SetIsPhoneOnly(true);
  flags.SetIsContactAssist(true);
  flags.SetContactAssistStartTime(kTime);
  const std::string recovery = "RecoveryMode<Flag{F},StartTime{" + kNullText + "}";
  const std::string assist = "ContactAssist<Flag{T},StartTime{" + kTimeText + "}>";
  const struct { const char* filters; std::function<std::string()> text; std::string expected; } cases[] = {
      {"INFO", [&] { return routing.ToSummary(RS::SUMMARY_FULL, false); },
       "{State{Logoff},Reason{0},Source{Unknown},StartTime{" + kTimeText + "}}"},
      {"PRGM", [&] { return routing.ToSummary(RS::SUMMARY_BRIEF, true); },
       "Routing State:{State{Logoff},Reason{0},StartTime{" + kTimeText + "}}"},
      {"FENX,EVNT", [&] { return routing.ToSummary(RS::SUMMARY_BRIEF, true); },
       "Routing State:{State{Logoff},Reason{0}}"},
      {"INFO", [&] { return routing.ToSummary(RS::SUMMARY_STATE_ONLY, true); },
       "Routing State:{State{Logoff},Reason{0}}"},
      {"INFO", [&] { return excluded.ToSummary(PS::SUMMARY_FULL, false); },
       "{State{Busy},StartTime{" + kNullText + "}}"},
      {"", [&] { return flags.ToSummary(UF::SUMMARY_ALL, true); },
       "User Flags:{PhoneOnly{T}," + recovery + ">," + assist + "}"},
      {"", [&] { return flags.ToSummary(UF::SUMMARY_PHONE_ONLY, false); }, "PhoneOnly{T}"},
      {"", [&] { return flags.ToSummary(UF::SUMMARY_RECOVERY_MODE, false); }, recovery + ">"},
      {"", [&] { return flags.ToSummary(UF::SUMMARY_CONTACT_ASSIST, true); }, "User Flags:{" + assist + "}"},
      {"", [&] { return flags.ToSummary(static_cast<UF::enSummaryType>(4), true); }, "User Flags:{}"}};
  for (const auto& c : cases) {
    DiagCapture diag(c.filters);
    EXPECT_EQ(c.text(), c.expected) << c.filters;
  }

  routing.SetRoutingState(static_cast<RS::enRoutingState>(-9));
  routing.SetRoutingStateReason(-4);
  routing.SetInitialRoutingStateSource(RS::SOURCE_CTI_QUERY_PX9DR);
  EXPECT_EQ(BytesOf(routing), BytesOf(-9, -4L, 2, kTime));

  PS back;
  Read(BytesOf(excluded), back);
  EXPECT_EQ(std::make_pair(back.GetPresenceState(), back.IsExcludeDirectContact()),
            std::make_pair(PS::PRESENCESTATE_BUSY, false)) << "the exclusion flag does not travel";

  UF recoveryOnly;
  recoveryOnly.SetIsRecoveryModeOn(true);
  recoveryOnly.SetRecoveryModeStartTime(kTime);
  EXPECT_EQ(BytesOf(recoveryOnly), BytesOf(false, true, false, kTime, TTimeStamp(1)));
}

}  // namespace
