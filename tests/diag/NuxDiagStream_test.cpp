#include "zelclnt/diag/NuxDiagStream.h"

#include <gtest/gtest.h>

#include <functional>

#include "DiagCapture.h"

namespace {

TEST(NuxDiagStreamTest, LongTextsComeInPiecesOf400AndTheFilterReportListsEveryFlag) {
  const struct { std::size_t length; std::vector<std::size_t> pieces; } cases[] = {
      {1000, {400, 403, 203}}, {800, {400, 403}}, {400, {400}}, {401, {400, 4}}, {1, {1}}};
  for (const auto& c : cases) {
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

  DiagCapture diag("INFO,FENX");
  NuxDiagStream::PrintDiagFilters("zelctl");
  const std::string report = "zelctl Diag Filters - CAFL:0 SEVR:1 WARN:1 INFO:1 PRGM:0 FENX:1 EVNT:0 RQST:0";
  EXPECT_EQ(diag.Texts(TDiag::INFO), std::vector<std::string>{report});
}

// Each writes one line, only when its type is switched on, and never reads
// its text as a format.
TEST(NuxDiagStreamTest, StreamsBeginWithClassAndMethodAndWriteOnce) {
  const struct { const char* name; std::function<void()> write; std::vector<std::string> warnings, severe; } cases[] = {
      {"class and method", [] { NuxDiagStream(TDiag::WARN, 1, "f", "Klass", "Method") << "bo" << std::string("dy"); },
       {"Klass::Method. body"}, {}},
      {"class only", [] { NuxDiagStream(TDiag::WARN, 1, "f", "Klass", "") << "body"; }, {"Klass::. body"}, {}},
      {"method only", [] { NuxDiagStream(TDiag::WARN, 1, "f", "", "Method") << "body"; }, {"Method. body"}, {}},
      {"neither", [] { NuxDiagStream(TDiag::WARN, 1, "f", "", "") << "body"; }, {"body"}, {}},
      {"empty text", [] { NuxDiagStream(TDiag::WARN, 1, "f", "", ""); }, {""}, {}},
      {"percent signs", [] { NuxDiagStream(TDiag::WARN, 1, "f", "", "") << "100% %s %n %d"; }, {"100% %s %n %d"}, {}},
      {"names from the call trace",
       [] { NuxFenx trace(1, "f", "C", "M"); NuxDiagStream(TDiag::WARN, 2, "f", trace) << "inside"; }, {"C::M. inside"},
       {}},
      {"program exception", [] { NuxDiagStream::ReportProgramException(1, "f", "C", "M", "bad"); }, {},
       {"C::M. bad Program exception"}},
      {"switched off", [] { NuxDiagStream(TDiag::INFO, 1, "f", "C", "M") << "text"; }, {}, {}},
      {"long text switched off", [] { NuxDiagStream::WriteLongDiag(TDiag::PRGM, 1, "f", "%d", 5); }, {}, {}},
      {"filter report switched off", [] { NuxDiagStream::PrintDiagFilters("zelctl"); }, {}, {}}};
  for (const auto& c : cases) {
    DiagCapture diag;
    c.write();
    EXPECT_EQ(diag.Texts(TDiag::WARN), c.warnings) << c.name;
    EXPECT_EQ(diag.Texts(TDiag::SEVR), c.severe) << c.name;
    EXPECT_EQ(diag.Lines().size(), c.warnings.size() + c.severe.size()) << c.name;
  }
}

}  // namespace
