#include "zelclnt/diag/NuxDiagStream.h"

#include <gtest/gtest.h>

#include "DiagCapture.h"

namespace {

TEST(NuxDiagStreamTest, LongTextsAreWrittenInPiecesOf400) {
  struct Case {
    std::size_t length;
    std::vector<std::size_t> pieces;
  };
  const Case cases[] = {{1000, {400, 403, 203}}, {800, {400, 403}}, {400, {400}}, {401, {400, 4}}, {1, {1}}};
  for (const Case& c : cases) {
    DiagCapture diag("INFO");
    std::string text;
    for (std::size_t i = 0; i < c.length; ++i) text += static_cast<char>('a' + i % 26);
    NuxDiagStream::WriteDiag(TDiag::INFO, 1, "f", text);
    const std::vector<std::string> lines = diag.Texts(TDiag::INFO);
    ASSERT_EQ(lines.size(), c.pieces.size()) << c.length;
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].size(), c.pieces[i]);
      EXPECT_EQ(lines[i].rfind("...", 0) == 0, i > 0);
      joined += i == 0 ? lines[i] : lines[i].substr(3);
    }
    EXPECT_EQ(joined, text);
  }
}

TEST(NuxDiagStreamTest, StreamBeginsWithClassAndMethodAndWritesOnce) {
  struct Case {
    std::string className;
    std::string methodName;
    std::string expected;
  };
  const Case cases[] = {
      {"ZelAPresenceServer", "SendRequest", "ZelAPresenceServer::SendRequest. body"},
      {"Klass", "", "Klass::. body"},
      {"", "Method", "Method. body"},
      {"", "", "body"},
  };
  for (const Case& c : cases) {
    DiagCapture diag;
    { NuxDiagStream(TDiag::WARN, 1, "f", c.className, c.methodName) << "bo" << std::string("dy"); }
    EXPECT_EQ(diag.Texts(TDiag::WARN), std::vector<std::string>{c.expected});
  }
}

TEST(NuxDiagStreamTest, EmptyTextIsStillOneLine) {
  DiagCapture diag;
  { NuxDiagStream stream(TDiag::WARN, 1, "f", "", ""); }
  EXPECT_EQ(diag.Texts(TDiag::WARN), std::vector<std::string>{""});
}

TEST(NuxDiagStreamTest, PercentSignsAreNeverAFormat) {
  DiagCapture diag;
  { NuxDiagStream(TDiag::WARN, 1, "f", "", "") << "100% %s %n %d"; }
  EXPECT_EQ(diag.Texts(TDiag::WARN), std::vector<std::string>{"100% %s %n %d"});
}

TEST(NuxDiagStreamTest, SwitchedOffTypeWritesNothing) {
  DiagCapture diag;
  { NuxDiagStream(TDiag::INFO, 1, "f", "C", "M") << "text"; }
  NuxDiagStream::WriteLongDiag(TDiag::PRGM, 1, "f", "%d", 5);
  EXPECT_TRUE(diag.Lines().empty());
}

TEST(NuxDiagStreamTest, CallTraceEntersAndExits) {
  DiagCapture diag("FENX");
  { NuxFenx trace(1, "f", "ZelAPresenceServer", "QueryServerStatus"); }
  EXPECT_EQ(diag.Texts(TDiag::FENX),
            (std::vector<std::string>{"ZelAPresenceServer::QueryServerStatus. Enter function.",
                                      "ZelAPresenceServer::QueryServerStatus. Exit function."}));
}

TEST(NuxDiagStreamTest, StreamCanTakeNamesFromTheCallTrace) {
  DiagCapture diag;
  NuxFenx trace(1, "f", "C", "M");
  { NuxDiagStream(TDiag::WARN, 2, "f", trace) << "inside"; }
  EXPECT_EQ(diag.Texts(TDiag::WARN), std::vector<std::string>{"C::M. inside"});
}

TEST(NuxDiagStreamTest, ProgramExceptionIsSevere) {
  DiagCapture diag;
  NuxDiagStream::ReportProgramException(1, "f", "C", "M", "bad");
  EXPECT_EQ(diag.Texts(TDiag::SEVR), std::vector<std::string>{"C::M. bad Program exception"});
}

TEST(NuxDiagStreamTest, FilterReportListsEveryFlag) {
  DiagCapture diag("INFO,FENX");
  NuxDiagStream::PrintDiagFilters("zelctl");
  EXPECT_EQ(diag.Texts(TDiag::INFO),
            std::vector<std::string>{
                "zelctl Diag Filters - CAFL:0 SEVR:1 WARN:1 INFO:1 PRGM:0 FENX:1 EVNT:0 RQST:0"});
  DiagCapture quiet;
  NuxDiagStream::PrintDiagFilters("zelctl");
  EXPECT_TRUE(quiet.Lines().empty());
}

}  // namespace
