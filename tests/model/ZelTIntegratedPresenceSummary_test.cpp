#include "zelclnt/model/ZelTIntegratedPresenceSummary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

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

void ExpectSameFields(const Summary& a, const Summary& b) {
  EXPECT_TRUE(a == b);
  EXPECT_EQ(a.GetIntegratedPresence(), b.GetIntegratedPresence());
  EXPECT_EQ(a.GetIntegratedPresenceSource(), b.GetIntegratedPresenceSource());
  EXPECT_EQ(a.GetVoiceMediaStatus(), b.GetVoiceMediaStatus());
  EXPECT_EQ(a.GetRoutingStateReason(), b.GetRoutingStateReason());
  EXPECT_EQ(a.GetRoutingStateReasonType(), b.GetRoutingStateReasonType());
  EXPECT_EQ(a.GetPresenceQueryResult(), b.GetPresenceQueryResult());
  EXPECT_EQ(a.GetZorbQueryResult(), b.GetZorbQueryResult());
  EXPECT_EQ(a.GetExtensionQueryResult(), b.GetExtensionQueryResult());
  EXPECT_EQ(a.GetResultCode(), b.GetResultCode());
}

std::string Le32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

TEST(ZelTIntegratedPresenceSummaryTest, WireFormIsExactAndRoundTrips) {
  Summary summary = Filled();
  summary.SetIntegratedPresence(static_cast<Summary::IntegratedPresence>(-7));
  const std::string bytes = BytesOf(summary);
  const std::string expected = BytesOf(std::string("p@x")) + BytesOf(std::string("zorb")) +
                               BytesOf(std::string("4711")) + Le32(0xFFFFFFF9u) + Le32(2) + Le32(3) +
                               Le32(static_cast<std::uint32_t>(-42)) + Le32(2) + Le32(0) + Le32(35000) +
                               Le32(4000000000u) + Le32(35001);
  EXPECT_EQ(bytes, expected);

  Summary back;
  TPack reader(bytes.data(), static_cast<unsigned long>(bytes.size()));
  reader >> back;
  ExpectSameFields(back, summary);
  EXPECT_EQ(reader.Length(), 0u);
  EXPECT_EQ(BytesOf(PresentityOf("a", "", "c")), BytesOf(std::string("a")) + BytesOf(std::string()) +
                                                     BytesOf(std::string("c")));
}

TEST(ZelTIntegratedPresenceSummaryTest, CutReadKeepsFieldsNotReached) {
  const std::string bytes = BytesOf(Filled());
  const std::size_t presentityBytes = BytesOf(static_cast<const ZelTPresentity&>(Filled())).size();
  for (std::size_t cut = presentityBytes; cut < bytes.size(); cut += 4) {
    Summary summary;
    TPack reader(bytes.data(), static_cast<unsigned long>(cut));
    reader >> summary;
    const std::size_t fieldsRead = (cut - presentityBytes) / 4;
    EXPECT_EQ(summary.GetIntegratedPresence() == Summary::LINE_Consulting, fieldsRead >= 1) << cut;
    EXPECT_EQ(summary.GetVoiceMediaStatus() == Summary::Offline, fieldsRead >= 3) << cut;
    EXPECT_EQ(summary.GetRoutingStateReasonType() == Summary::ROUTINGSTATEREASON_WORK, fieldsRead >= 5) << cut;
    EXPECT_EQ(summary.GetResultCode(), 0u) << cut;
  }
}

TEST(ZelTIntegratedPresenceSummaryTest, Texts) {
  EXPECT_EQ(Summary().ToString(),
            "PresenceId{} ZorbUserName{} Extension{} IntegratedPresenceSource{SOURCE_UNKNOWN} "
            "IntegratedPresence{STATUS_UNKNOWN} VoiceMediaStatus{Unknown} RoutingStateReason{0} "
            "RoutingStateReasonType{ROUTINGSTATEREASON_NONE} ResultCode{" +
                ZelTPresenceServer::ToString(ZelTPresenceServer::ERR_NONE) + "} PresenceQueryResult{" +
                ZelTPresenceServer::ToString(ZelTPresenceServer::ERR_NONE) + "} ZorbQueryResult{" +
                ZelTPresenceServer::ToString(ZelTPresenceServer::ERR_NONE) + "} ExtensionQueryResult{" +
                ZelTPresenceServer::ToString(ZelTPresenceServer::ERR_NONE) + "}");
  EXPECT_EQ(PresentityOf("id", "user", "ext").ToString(), "PresenceId{id} ZorbUserName{user} Extension{ext}");
  EXPECT_EQ(ZelTPresentity().GetClassName(), "ZelTPresentity");
  EXPECT_EQ(Summary().GetClassName(), "ZelTIntegratedPresenceSummary");
}

TEST(ZelTIntegratedPresenceSummaryTest, EnumerationTextTables) {
  const char* presences[] = {"KORVAL_DoNotDisturb", "KORVAL_BeRightBack", "KORVAL_Unavailable", "KORVAL_Busy",
                             "KORVAL_InMeeting",    "KORVAL_IAmPresent",  "LINE_Idle",          "LINE_Dialling",
                             "LINE_Busy",           "LINE_Ringing",       "LINE_Connected",     "LINE_Queued",
                             "LINE_OnHold",         "LINE_Consulting",    "LINE_OutOfService",  "User_Idle",
                             "User_Active",         "User_Busy",          "User_Away",          "User_LoggedOff",
                             "User_Unknown",        "STATUS_UNKNOWN",     "STATUS_ERROR"};
  for (int v = 0; v < 23; ++v) EXPECT_EQ(Summary::ToString(static_cast<Summary::IntegratedPresence>(v)), presences[v]);
  const char* sources[] = {"SOURCE_KORVAL", "SOURCE_ZORBAGENTSTATE", "SOURCE_ZORBLINESTATE", "SOURCE_UNKNOWN"};
  const char* media[] = {"Unknown", "Available", "Busy", "Offline"};
  const char* reasons[] = {"ROUTINGSTATEREASON_NONE", "ROUTINGSTATEREASON_UNAVAIL", "ROUTINGSTATEREASON_WORK",
                           "ROUTINGSTATEREASON_OTHER"};
  for (int v = 0; v < 4; ++v) {
    EXPECT_EQ(Summary::ToString(static_cast<Summary::IntegratedPresenceSource>(v)), sources[v]);
    EXPECT_EQ(Summary::ToString(static_cast<Summary::MediaStatus>(v)), media[v]);
    EXPECT_EQ(Summary::ToString(static_cast<Summary::RoutingStateReasonType>(v)), reasons[v]);
  }
}

TEST(ZelTIntegratedPresenceSummaryTest, UnknownMembersWarn) {
  const struct {
    std::function<std::string()> text;
    std::string warning;
  } cases[] = {
      {[] { return Summary::ToString(static_cast<Summary::IntegratedPresence>(23)); },
       "ZelKvlRequest::ToString(IntegratedPresence). Invalid Enumeration: 23"},
      {[] { return Summary::ToString(static_cast<Summary::IntegratedPresenceSource>(-1)); },
       "ZelKvlRequest::ToString(IntegratedPresenceSource). Invalid Enumeration: -1"},
      {[] { return Summary::ToString(static_cast<Summary::MediaStatus>(4)); },
       "ZelKvlRequest::ToString(MediaStatus). Invalid Enumeration: 4"},
      {[] { return Summary::ToString(static_cast<Summary::RoutingStateReasonType>(INT32_MIN)); },
       "ZelKvlRequest::ToString(ACD Reason Type). Invalid Enumeration: -2147483648"},
  };
  for (const auto& c : cases) {
    DiagCapture diag;
    EXPECT_EQ(c.text(), "UNKNOWN ENUM MEMBER");
    const auto lines = diag.Lines();
    ASSERT_EQ(lines.size(), 1u) << c.warning;
    EXPECT_EQ(lines[0].type, TDiag::WARN);
    EXPECT_EQ(lines[0].file, "ZelTIntegratedPresenceSummary");
    EXPECT_EQ(lines[0].text, c.warning);
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
  EXPECT_EQ(list.Size(), 1);
  EXPECT_EQ(destination.Size(), 0);
}

TEST(ZelTIntegratedPresenceSummaryTest, PrintDiagWritesFullTextUnderClassName) {
  DiagCapture diag("PRGM");
  const Summary summary = Filled();
  const ZelTPresentity& asPresentity = summary;
  asPresentity.PrintDiag();
  const auto lines = diag.Texts(TDiag::PRGM);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "ZelTIntegratedPresenceSummary::PrintDiag. " + summary.ToString());

  DiagCapture quiet;
  summary.PrintDiag();
  EXPECT_TRUE(quiet.Lines().empty());
}

}  // namespace
