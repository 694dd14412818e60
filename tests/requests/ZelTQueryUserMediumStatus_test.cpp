#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"

#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"
#include "DiagCapture.h"
#include "zelclnt/platform/KRVEnum.h"

namespace {

using Query = ZelTQueryUserMediumStatus;

std::string Body(Query& query) {
  TPack pack;
  query.PackRequest(pack);
  return Written(pack);
}

TMediaReadiness Readiness(KRVEnum::MEDIUM medium, enReadinessState state) {
  TMediaReadiness readiness;
  readiness.media = medium;
  readiness.state = state;
  return readiness;
}

TEST(ZelTQueryUserMediumStatusTest, TheVectorTravelsWithActionOneOnly) {
  Query query;
  query.SetAction(Query::ACTION_QUERY);
  TPack call;
  call << true << 1 << 0 << 0 << 1 << 0 << 0;
  EXPECT_EQ(Body(query), Written(call));

  for (const auto medium : {KRVEnum::MEDIUM_VOICE, KRVEnum::MEDIUM_EMAIL, KRVEnum::MEDIUM_OPENMEDIA})
    query.GetMediumStatus().PushBack(Readiness(medium, READINESS_NOT_READY));
  const std::string reply = Body(query);
  Query received;
  TPack reader(reply.data(), static_cast<unsigned long>(reply.size()));
  received.UnpackRequest(reader);
  ASSERT_EQ(received.GetMediumStatus().Size(), 3);
  TMediaReadiness first;
  ASSERT_TRUE(received.GetMediumStatus().GetCurrent(first)) << "the cursor stands on the first record";
  EXPECT_EQ(first.media, KRVEnum::MEDIUM_VOICE);
  EXPECT_EQ(received.GetMediumStatus().GetVector().back()->media, KRVEnum::MEDIUM_OPENMEDIA);

  received.SetAction(Query::ACTION_NONE);
  const std::string head = Body(received);
  EXPECT_EQ(head, BytesOf(received));
  Query kept(received);
  TPack headReader(head.data(), static_cast<unsigned long>(head.size()));
  kept.UnpackRequest(headReader);
  EXPECT_EQ(kept.GetMediumStatus().Size(), 3) << "a head with action 0 leaves the vector";
}

TEST(ZelTQueryUserMediumStatusTest, TextAndDiagnosticLine) {
  DiagCapture diag("INFO");
  Query query;
  EXPECT_EQ(query.ToString(), "Query User Medium Status:  VectorDetails:{}");
  query.PrintDiag();
  const auto lines = diag.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "ZelTQueryUserMediumStatus::PrintDiag. Query User Medium Status:  VectorDetails:{}");
  EXPECT_EQ(lines[0].file, "..\\..\\src\\ZelTQueryUserMediumStatus");
}

}  // namespace
