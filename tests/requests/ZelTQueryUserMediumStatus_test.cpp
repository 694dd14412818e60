#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"

#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"
#include "DiagCapture.h"
#include "zelclnt/platform/KRVEnum.h"

namespace {

using Query = ZelTQueryUserMediumStatus;

TEST(ZelTQueryUserMediumStatusTest, TheVectorTravelsWithActionOneOnlyAndShowsInItsText) {
  Query query;
  query.SetAction(Query::ACTION_QUERY);
  EXPECT_EQ(Body(query), BytesOf(true, 1, 0, 0, 1, 0, 0));

  for (const auto medium : {KRVEnum::MEDIUM_VOICE, KRVEnum::MEDIUM_EMAIL, KRVEnum::MEDIUM_OPENMEDIA}) {
    TMediaReadiness readiness;
    readiness.media = medium;
    query.GetMediumStatus().PushBack(readiness);
  }
  Query received;
  EXPECT_EQ(ReadBody(Body(query), received), 0u);
  ASSERT_EQ(received.GetMediumStatus().Size(), 3);
  TMediaReadiness first;
  ASSERT_TRUE(received.GetMediumStatus().GetCurrent(first)) << "the cursor stands on the first record";
  EXPECT_EQ(first.media, KRVEnum::MEDIUM_VOICE);
  EXPECT_EQ(received.GetMediumStatus().GetVector().back()->media, KRVEnum::MEDIUM_OPENMEDIA);

  received.SetAction(Query::ACTION_NONE);
  const std::string head = Body(received);
  EXPECT_EQ(head, BytesOf(received));
  Query kept(received);
  ReadBody(head, kept);
  EXPECT_EQ(kept.GetMediumStatus().Size(), 3) << "a head with action 0 leaves the vector";

  DiagCapture diag("INFO");
  const Query empty;
  EXPECT_EQ(empty.ToString(), "Query User Medium Status:  VectorDetails:{}");
  empty.PrintDiag();
  const auto lines = diag.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "ZelTQueryUserMediumStatus::PrintDiag. Query User Medium Status:  VectorDetails:{}");
  EXPECT_EQ(lines[0].file, "..\\..\\src\\ZelTQueryUserMediumStatus");
}

}  // namespace
