#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "Bytes.h"
#include "DiagCapture.h"
#include "zelclnt/core/ZelTPresenceServer.h"

namespace {

using Summary = ZelTIntegratedPresenceSummary;

ZelTPresentity PresentityOf(const std::string& id, const std::string& user, const std::string& extension) {
  ZelTPresentity presentity;
  presentity.SetPresenceId(id);
  presentity.SetZorbUserName(user);
  presentity.SetExtension(extension);
  return presentity;
}

Summary Filled() {
  Summary summary;
  summary.SetPresentity(PresentityOf("p@x", "zorb", "4711"));
  summary.SetIntegratedPresence(Summary::LINE_Consulting);
  summary.SetIntegratedPresenceSource(Summary::SOURCE_ZORBLINESTATE);
  summary.SetVoiceMediaStatus(Summary::Offline);
  summary.SetRoutingStateReason(-42);
  summary.SetRoutingStateReasonType(Summary::ROUTINGSTATEREASON_WORK);
  summary.SetPresenceQueryResult(ZelTPresenceServer::ERR_NONE);
  summary.SetZorbQueryResult(ZelTPresenceServer::ERR_GENERIC);
  summary.SetExtensionQueryResult(4000000000UL);
  summary.SetResultCode(ZelTPresenceServer::ERR_RPC_TIMEOUT);
  return summary;
}

auto Fields(const Summary& s) {
  return std::make_tuple(s.GetPresenceId(), s.GetZorbUserName(), s.GetExtension(), s.GetIntegratedPresence(),
                         s.GetIntegratedPresenceSource(), s.GetVoiceMediaStatus(), s.GetRoutingStateReason(),
                         s.GetRoutingStateReasonType(), s.GetPresenceQueryResult(), s.GetZorbQueryResult(),
                         s.GetExtensionQueryResult(), s.GetResultCode());
}

template <typename E>
std::function<std::string(int)> Of() {
  return [](int value) { return Summary::ToString(static_cast<E>(value)); };
}

TEST(ZelTIntegratedPresenceSummaryTest, WireFormIsExactAndRoundTripsAndCopies) {
  Summary summary = Filled();
  summary.SetIntegratedPresence(static_cast<Summary::IntegratedPresence>(-7));
  const std::string bytes = BytesOf(summary);
  EXPECT_EQ(bytes, BytesOf(std::string("p@x"), std::string("zorb"), std::string("4711"), -7, 2, 3, -42L, 2, 0UL,
                           35000UL, 4000000000UL, 35001UL));

  ExpectReadsBack(summary, Summary());
  EXPECT_EQ(Fields(Summary(summary)), Fields(summary));
}

TEST(ZelTIntegratedPresenceSummaryTest, TextsDiagnosticLineAndEnumerationTables) {
  EXPECT_EQ(Summary().ToString(),
            "PresenceId{} ZorbUserName{} Extension{} IntegratedPresenceSource{SOURCE_UNKNOWN} "
            "IntegratedPresence{STATUS_UNKNOWN} VoiceMediaStatus{Unknown} RoutingStateReason{0} "
            "RoutingStateReasonType{ROUTINGSTATEREASON_NONE} ResultCode{ERR_NONE} PresenceQueryResult{ERR_NONE} "
            "ZorbQueryResult{ERR_NONE} ExtensionQueryResult{ERR_NONE}");
  EXPECT_EQ(ZelTPresentity().GetClassName(), "ZelTPresentity");

  DiagCapture diag("PRGM");
  const Summary summary = Filled();
  static_cast<const ZelTPresentity&>(summary).PrintDiag();
  EXPECT_EQ(diag.Texts(TDiag::PRGM),
            std::vector<std::string>{"ZelTIntegratedPresenceSummary::PrintDiag. " + summary.ToString()});

  // A collection asks the filter once, for the summaries' own type: a line
  // each with PRGM on, none with only INFO on.
  ZelTStdListPointerColl<Summary> summaries;
  summaries.PushBack(summary);
  summaries.PushBack(Summary());
  summaries.PrintDiag();
  EXPECT_EQ(diag.Texts(TDiag::PRGM),
            (std::vector<std::string>{"ZelTIntegratedPresenceSummary::PrintDiag. " + summary.ToString(),
                                      "ZelTIntegratedPresenceSummary::PrintDiag. " + summary.ToString(),
                                      "ZelTIntegratedPresenceSummary::PrintDiag. " + Summary().ToString()}));
  TDiag::SetFilters("INFO");
  summaries.PrintDiag();
  EXPECT_EQ(diag.Texts(TDiag::PRGM).size(), 3u);
  TDiag::SetFilters("PRGM");

  // Every value from 0 has a text without a warning (the texts are the
  // wire-format document's); the first value beyond warns.
  const struct { std::function<std::string(int)> text; int size; int outside; std::string warning; } tables[] = {
      {Of<Summary::IntegratedPresence>(), 23, 23,
       "ZelKvlRequest::ToString(IntegratedPresence). Invalid Enumeration: 23"},
      {Of<Summary::IntegratedPresenceSource>(), 4, -1,
       "ZelKvlRequest::ToString(IntegratedPresenceSource). Invalid Enumeration: -1"},
      {Of<Summary::MediaStatus>(), 4, 4, "ZelKvlRequest::ToString(MediaStatus). Invalid Enumeration: 4"},
      {Of<Summary::RoutingStateReasonType>(), 4, INT32_MIN,
       "ZelKvlRequest::ToString(ACD Reason Type). Invalid Enumeration: -2147483648"}};
  for (const auto& table : tables) {
    DiagCapture warnings;
    for (int v = 0; v < table.size; ++v) table.text(v);
    summary.PrintDiag();
    EXPECT_TRUE(warnings.Lines().empty()) << "nor a diagnostic line without PRGM";
    EXPECT_EQ(table.text(table.outside), "UNKNOWN ENUM MEMBER");
    const auto lines = warnings.Lines();
    ASSERT_EQ(lines.size(), 1u) << table.warning;
    EXPECT_EQ(std::make_tuple(lines[0].type, lines[0].file, lines[0].text),
              std::make_tuple(TDiag::WARN, "ZelTIntegratedPresenceSummary", table.warning));
  }
}

TEST(ZelTIntegratedPresenceSummaryTest, EqualityAndListMatching) {
  Summary a = Filled();
  Summary b = Filled();
  b.SetIntegratedPresence(Summary::User_Away);
  EXPECT_TRUE(a == b) << "only the presentity part takes part";
  b.SetExtension("other");
  EXPECT_FALSE(a == b);

  ZelTStdListPointerColl<ZelTPresentity> list;
  list.PushBack(PresentityOf("Id", "u", "1"));
  EXPECT_TRUE(list.FoundItem(PresentityOf("Id", "v", "2")));
  EXPECT_FALSE(list.FoundItem(PresentityOf("id", "u", "1")));
  ZelTStdListPointerColl<ZelTPresentity> destination;
  EXPECT_TRUE(list.RemoveAllItemByCategory(0, 0, destination));
  EXPECT_EQ(std::make_pair(list.Size(), destination.Size()), std::make_pair(1, 0)) << "no presentity has a category";
}

}  // namespace
