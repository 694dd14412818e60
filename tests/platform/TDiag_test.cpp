#include "zelclnt/platform/TDiag.h"

#include <gtest/gtest.h>

#include "DiagCapture.h"

namespace {

TEST(TDiagTest, FiltersFormattingAndTypeNames) {
  TDiag::ResetFilters();
  const std::pair<TDiag::enDiagType, int> defaults[] = {
      {TDiag::SEVR, 1}, {TDiag::WARN, 1}, {TDiag::INFO, 0}, {TDiag::FENX, 0}, {TDiag::EVNT, 0},
      {TDiag::RQST, 0}, {TDiag::CAFL, 0}, {TDiag::PRGM, 0}, {TDiag::enDiagType{4}, 0}, {TDiag::enDiagType{99}, 0}};
  for (const auto& c : defaults) {
    EXPECT_EQ(TDiag::IsDiagFilterOn(c.first), c.second) << c.first;
    EXPECT_EQ(TDiag::ShouldWeDiag(c.first), c.second) << c.first;
  }

  const struct { const char* list; bool accepted, info, warn; } cases[] = {
      {"INFO,FENX", true, true, true}, {"", true, false, true}, {"NONE", true, false, false},
      {"NONE,INFO", true, true, false}, {"INFO,BOGUS", false, false, true}};
  for (const auto& c : cases) {
    TDiag::ResetFilters();
    EXPECT_EQ(TDiag::SetFilters(c.list), c.accepted) << c.list;
    EXPECT_EQ(std::make_pair(TDiag::IsDiagFilterOn(TDiag::INFO) != 0, TDiag::IsDiagFilterOn(TDiag::WARN) != 0),
              std::make_pair(c.info, c.warn)) << c.list;
  }
  TDiag::ResetFilters();

  DiagCapture diag;
  Diag(TDiag::WARN, 1, "f", "%s=%d", "x", 5);
  Diag(TDiag::INFO, 1, "f", "hidden");
  TDiag::SetFilter(TDiag::INFO, true);
  Diag(TDiag::INFO, 1, "f", "%s", "shown");
  EXPECT_EQ(diag.Texts(TDiag::WARN), std::vector<std::string>{"x=5"});
  EXPECT_EQ(diag.Texts(TDiag::INFO), std::vector<std::string>{"shown"});
  EXPECT_EQ(TDiag::TypeName(TDiag::PRGM), "PRGM");
  EXPECT_EQ(TDiag::TypeName(static_cast<TDiag::enDiagType>(4)), "TYPE4");
}

}  // namespace
