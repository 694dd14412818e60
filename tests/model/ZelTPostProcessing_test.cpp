#include "zelclnt/model/ZelTPostProcessing.h"

#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"
#include "ZelTPostProcessingControl.h"

namespace {

using Control = ZelTPostProcessingControl;

struct Answers {
  bool any, manual, pending, system, mandatory, wrapup, automatic, suspended;
};

Answers AnswersOf(const ZelTPostProcessing& pp) {
  return {pp.IsPostProcessingActive(),          pp.IsManualPostProcessingActive(),
          pp.IsManualPostProcessingPending(),   pp.IsSystemPostProcessingActive(),
          pp.IsMandatoryPostProcessingActive(), pp.IsWrapupReceived(),
          pp.IsAutoPostProcessingActive(),      pp.IsAutoPostProcessingSuspended()};
}

bool operator==(const Answers& a, const Answers& b) {
  return a.any == b.any && a.manual == b.manual && a.pending == b.pending && a.system == b.system &&
         a.mandatory == b.mandatory && a.wrapup == b.wrapup && a.automatic == b.automatic &&
         a.suspended == b.suspended;
}

TEST(ZelTPostProcessingTest, CombinedQueriesAfterEachChange) {
  const struct {
    const char* name;
    void (*change)(ZelTPostProcessing&);
    Answers answers;
  } cases[] = {
      {"default", [](ZelTPostProcessing&) {}, {}},
      {"manual requested", [](ZelTPostProcessing& pp) { Control::RequestManual(pp, 4); },
       {false, false, true, false, false, false, false, false}},
      {"manual started", [](ZelTPostProcessing& pp) { Control::StartManual(pp, 4); },
       {true, true, false, false, false, false, false, false}},
      {"auto started", [](ZelTPostProcessing& pp) { Control::StartAuto(pp, 5000); },
       {true, false, false, true, false, false, true, false}},
      {"auto suspended only", [](ZelTPostProcessing& pp) { Control::SuspendAuto(pp, 300); },
       {true, false, false, false, false, false, false, true}},
      {"mandatory, wrap-up received and stopped",
       [](ZelTPostProcessing& pp) {
         Control::StartMandatory(pp);
         Control::SetWrapupReceived(pp, true);
         Control::StopMandatory(pp);
       },
       {false, false, false, false, false, true, false, false}},
      {"mandatory active", [](ZelTPostProcessing& pp) { Control::StartMandatory(pp); },
       {true, false, false, true, true, false, false, false}},
  };
  for (const auto& c : cases) {
    ZelTPostProcessing pp;
    c.change(pp);
    EXPECT_TRUE(AnswersOf(pp) == c.answers) << c.name;
  }
  const ZelTPostProcessing fresh;
  EXPECT_EQ(fresh.GetManualPostProcessingReason(), 0);
  EXPECT_TRUE(fresh.GetAutoPostProcessingExpiryTime().IsNull());
}

TEST(ZelTPostProcessingTest, ManualReasonFollowsItsStates) {
  ZelTPostProcessing pp;
  Control::RequestManual(pp, 7);
  EXPECT_EQ(pp.GetManualPostProcessingReason(), 7);
  Control::StartManual(pp);
  EXPECT_EQ(pp.GetManualPostProcessingReason(), 7) << "a plain start keeps the reason";
  Control::StopManual(pp);
  EXPECT_EQ(pp.GetManualPostProcessingReason(), 0);
}

TEST(ZelTPostProcessingTest, AutomaticSuspendAndResume) {
  ZelTPostProcessing pp;
  EXPECT_FALSE(Control::SuspendAuto(pp)) << "not active";
  EXPECT_FALSE(Control::ResumeAuto(pp)) << "not suspended";
  EXPECT_TRUE(AnswersOf(pp) == Answers{});

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
}

TEST(ZelTPostProcessingTest, CopiesAndAssignmentKeepTheRemainingTime) {
  ZelTPostProcessing source;
  Control::SuspendAuto(source, 1234);
  ZelTPostProcessing copied(source);
  ZelTPostProcessing assigned;
  assigned = source;
  EXPECT_EQ(Control::RemainingTime(copied), 1234u);
  EXPECT_EQ(Control::RemainingTime(assigned), 1234u);
}

TEST(ZelTPostProcessingTest, WireFormWritesAutomaticThenMandatoryThenManual) {
  ZelTPostProcessing pp;
  Control::SuspendAuto(pp, 4321);
  Control::StartMandatory(pp);
  Control::SetWrapupReceived(pp, true);
  Control::RequestManual(pp, -2);

  TPack expected;
  expected << 4;
  expected << TTimeStamp(1) << 4321UL << 1 << true << 3 << -2L;
  const std::string bytes = BytesOf(pp);
  EXPECT_EQ(bytes, Written(expected));

  ZelTPostProcessing back;
  TPack reader(bytes.data(), static_cast<unsigned long>(bytes.size()));
  reader >> back;
  EXPECT_EQ(BytesOf(back), bytes);
  EXPECT_EQ(Control::RemainingTime(back), 4321u);
}

}  // namespace
