// The wire-format document's enumeration tables headed "| Value | Text |"
// (further columns allowed) against the library's own texts, so that the
// document cannot fall behind the code.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "DiagCapture.h"
#include "DocTables.h"
#include "Enumerations.h"

namespace {

// Wide enough for every enumeration the library has: small values and the
// presence server's own 35000 range; and the extremes, which no table may
// read past.
std::vector<std::int32_t> ScannedValues() {
  std::vector<std::int32_t> values{INT32_MIN, INT32_MAX};
  for (std::int32_t value = -1024; value < 1024; ++value) values.push_back(value);
  for (std::int32_t value = 34000; value < 36000; ++value) values.push_back(value);
  return values;
}

TEST(WireFormatDocTest, EveryEnumerationTableHoldsExactlyTheLibrarysValuesAndTexts) {
  DiagCapture quiet;  // values without a text warn
  std::ifstream document(ZELCLNT_WIRE_FORMAT_DOC);
  ASSERT_TRUE(document) << ZELCLNT_WIRE_FORMAT_DOC;
  const std::map<std::string, enumerations::Enumeration> library = enumerations::Library();
  std::set<std::string> documented;
  for (const doctables::Table& table : doctables::EnumerationTables(document, "Text")) {
    const std::string where = "wire-format.md:" + std::to_string(table.line) + " `" + table.enumeration + "`";
    const auto found = library.find(table.enumeration);
    if (found == library.end()) {
      ADD_FAILURE() << where << ": no enumeration of the library by that name";
      continue;
    }
    EXPECT_TRUE(documented.insert(table.enumeration).second) << where << ": a second table";
    const enumerations::Enumeration& enumeration = found->second;
    std::set<std::int32_t> rows;
    for (const doctables::Row& row : table.rows) {
      std::int32_t value = 0;
      if (!doctables::ParseValue(row.number, value)) {
        ADD_FAILURE() << "wire-format.md:" << row.line << ": \"" << row.number << "\" is no number";
        continue;
      }
      EXPECT_TRUE(rows.insert(value).second) << "wire-format.md:" << row.line << ": " << value << " again";
      EXPECT_EQ(row.text, enumeration.text(value)) << "wire-format.md:" << row.line;
      EXPECT_NE(row.text, enumeration.fallback(value)) << "wire-format.md:" << row.line << ": no text in the library";
    }
    for (const std::int32_t value : ScannedValues()) {
      const std::string text = enumeration.text(value);
      if (text != enumeration.fallback(value)) {
        EXPECT_EQ(rows.count(value), 1u) << where << " lacks " << value << " " << text;
      }
    }
  }
  for (const auto& entry : library)
    EXPECT_EQ(documented.count(entry.first), 1u) << "no table of `" << entry.first << "`";
}

}  // namespace
