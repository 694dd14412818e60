#include "zelclnt/diag/NuxDiagSummary.h"

#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <string>

namespace {

TEST(NuxDiagSummaryTest, ShapesAndFields) {
  const struct {
    const char* name;
    bool showName, showOpen, showClose;
    std::function<void(NuxDiagSummary&)> fill;
    std::string text;
  } cases[] = {
      {"empty, all on", true, true, true, [](NuxDiagSummary&) {}, "X:{}"},
      {"empty, all off", false, false, false, [](NuxDiagSummary&) {}, ""},
      {"open only", false, true, false, [](NuxDiagSummary& s) { s.Add("A", 1L, false); }, "{A{1}"},
      {"name only", true, false, false, [](NuxDiagSummary& s) { s.Add("A", 1L, false); }, "X:A{1}"},
      {"negative long", false, false, false, [](NuxDiagSummary& s) { s.Add("Priority", -1L, false); },
       "Priority{-1}"},
      {"empty list", false, false, false,
       [](NuxDiagSummary& s) { s.Add("WrapupReasons", std::list<long>{}, false); }, "WrapupReasons{}"},
      {"lists join with a comma whatever the separator", false, false, false,
       [](NuxDiagSummary& s) { s.Add("R", std::list<long>{3, 7}, true, ";", "<", ">"); }, "R<3,7>;"},
      {"strings unchanged", true, true, true,
       [](NuxDiagSummary& s) {
         s.Add("A", std::string("x%sy"), true);
         s.Add("B", "c-string", false);
       },
       "X:{A{x%sy},B{c-string}}"}};
  for (const auto& c : cases) {
    NuxDiagSummary summary(c.showName, c.showOpen, c.showClose, "X", "{", "}");
    c.fill(summary);
    EXPECT_EQ(summary.ToString(), c.text) << c.name;
  }
}

}  // namespace
