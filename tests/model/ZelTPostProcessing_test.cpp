#include "zelclnt/model/ZelTPostProcessing.h"

#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"
#include "ZelTPostProcessingControl.h"

namespace {

using Control = ZelTPostProcessingControl;

// One letter each: any, manual, pending, system, mandatory, wrap-up
// received, automatic, suspended; then the manual reason.
std::string AnswersOf(const ZelTPostProcessing& pp) {
  std::string answers;
  for (const bool answer :
       {pp.IsPostProcessingActive(), pp.IsManualPostProcessingActive(), pp.IsManualPostProcessingPending(),
        pp.IsSystemPostProcessingActive(), pp.IsMandatoryPostProcessingActive(), pp.IsWrapupReceived(),
        pp.IsAutoPostProcessingActive(), pp.IsAutoPostProcessingSuspended()})
    answers += answer ? 'T' : 'F';
  return answers + std::to_string(pp.GetManualPostProcessingReason());
}

TEST(ZelTPostProcessingTest, CombinedQueriesAndManualReasonAfterEachChange) {
  const struct { const char* name; void (*change)(ZelTPostProcessing&); const char* answers; } cases[] = {
      {"default", [](ZelTPostProcessing&) {}, "FFFFFFFF0"},
      {"manual requested", [](ZelTPostProcessing& pp) { Control::RequestManual(pp, 4); }, "FFTFFFFF4"},
      {"manual started", [](ZelTPostProcessing& pp) { Control::StartManual(pp, 4); }, "TTFFFFFF4"},
      {"a plain start keeps the reason",
       [](ZelTPostProcessing& pp) { Control::RequestManual(pp, 7); Control::StartManual(pp); }, "TTFFFFFF7"},
      {"manual stopped",
       [](ZelTPostProcessing& pp) { Control::StartManual(pp, 7); Control::StopManual(pp); }, "FFFFFFFF0"},
      {"auto started", [](ZelTPostProcessing& pp) { Control::StartAuto(pp, 5000); }, "TFFTFFTF0"},
      {"auto suspended only", [](ZelTPostProcessing& pp) { Control::SuspendAuto(pp, 300); }, "TFFFFFFT0"},
      {"mandatory, wrap-up received and stopped",
       [](ZelTPostProcessing& pp) {
         Control::StartMandatory(pp);
         Control::SetWrapupReceived(pp, true);
         Control::StopMandatory(pp);
       },
       "FFFFFTFF0"},
      {"mandatory active", [](ZelTPostProcessing& pp) { Control::StartMandatory(pp); }, "TFFTTFFF0"}};
  for (const auto& c : cases) {
    ZelTPostProcessing pp;
    c.change(pp);
    EXPECT_EQ(AnswersOf(pp), c.answers) << c.name;
  }
}

TEST(ZelTPostProcessingTest, AutomaticSuspendResumeAndTheWireForm) {
  ZelTPostProcessing pp;
  EXPECT_FALSE(Control::SuspendAuto(pp)) << "not active";
  EXPECT_FALSE(Control::ResumeAuto(pp)) << "not suspended";
  EXPECT_EQ(AnswersOf(pp), "FFFFFFFF0");
  EXPECT_TRUE(pp.GetAutoPostProcessingExpiryTime().IsNull());

  const TTimeStamp before(0);
  Control::StartAuto(pp, 60500);
  const std::int64_t expiresIn =
      pp.GetAutoPostProcessingExpiryTime().MillisecondsSince1970() - before.MillisecondsSince1970();
  EXPECT_GE(expiresIn, 60500);
  EXPECT_LT(expiresIn, 70500);

  ASSERT_TRUE(Control::SuspendAuto(pp));
  EXPECT_TRUE(pp.GetAutoPostProcessingExpiryTime().IsNull());
  EXPECT_GT(Control::RemainingTime(pp), 50000u);
  EXPECT_LE(Control::RemainingTime(pp), 60500u);
  ASSERT_TRUE(Control::ResumeAuto(pp));
  EXPECT_TRUE(pp.IsAutoPostProcessingActive());

  ZelTPostProcessing expired;
  Control::StartAuto(expired, 0);
  ASSERT_TRUE(Control::SuspendAuto(expired));
  EXPECT_EQ(Control::RemainingTime(expired), 10u) << "past expiry keeps the least remaining time";

  Control::StopAuto(pp);
  EXPECT_TRUE(pp.GetAutoPostProcessingExpiryTime().IsNull());
  EXPECT_EQ(Control::RemainingTime(pp), 0u);

  ZelTPostProcessing all;
  Control::SuspendAuto(all, 4321);
  Control::StartMandatory(all);
  Control::SetWrapupReceived(all, true);
  Control::RequestManual(all, -2);
  const std::string bytes = BytesOf(all);
  EXPECT_EQ(bytes, BytesOf(4, TTimeStamp(1), 4321UL, 1, true, 3, -2L));

  ExpectReadsBack(all, ZelTPostProcessing());
  EXPECT_EQ(BytesOf(ZelTPostProcessing(all)), bytes) << "copies keep the remaining time";
}

}  // namespace
