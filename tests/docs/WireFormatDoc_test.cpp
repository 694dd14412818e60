// The wire-format document's enumeration tables against the library's own
// texts, so that the document cannot fall behind the code. A table headed
// "| Value | Text |" (further columns allowed) belongs to the enumeration
// the paragraph before it names first, in backticks.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "DiagCapture.h"
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

struct Row {
  int line;
  std::string number;
  std::string text;
};

struct Table {
  int line;
  std::string enumeration;
  std::vector<Row> rows;
};

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::istringstream in(line.substr(1));
  std::string cell;
  while (std::getline(in, cell, '|')) {
    const auto first = cell.find_first_not_of(' ');
    const auto last = cell.find_last_not_of(' ');
    cells.push_back(first == std::string::npos ? std::string() : cell.substr(first, last - first + 1));
  }
  return cells;
}

// The first `...` of a paragraph, empty when it has none.
std::string FirstCode(const std::string& paragraph) {
  const auto open = paragraph.find('`');
  const auto close = open == std::string::npos ? open : paragraph.find('`', open + 1);
  return close == std::string::npos ? std::string() : paragraph.substr(open + 1, close - open - 1);
}

std::vector<Table> EnumerationTables(std::istream& document) {
  std::vector<Table> tables;
  std::string line;
  std::string paragraph;
  bool paragraphEnded = true;
  int number = 0;
  bool inTable = false;
  while (std::getline(document, line)) {
    ++number;
    if (line.rfind('|', 0) != 0) {
      inTable = false;
      if (line.empty()) {
        paragraphEnded = true;
      } else {
        paragraph = paragraphEnded ? line : paragraph + " " + line;
        paragraphEnded = false;
      }
      continue;
    }
    paragraphEnded = true;
    const std::vector<std::string> cells = Cells(line);
    if (!inTable && cells.size() >= 2 && cells[0] == "Value" && cells[1] == "Text") {
      tables.push_back({number, FirstCode(paragraph), {}});
      inTable = true;
    } else if (inTable && line.rfind("|---", 0) != 0) {
      tables.back().rows.push_back({number, cells.size() > 0 ? cells[0] : "", cells.size() > 1 ? cells[1] : ""});
    }
  }
  return tables;
}

bool ParseValue(const std::string& text, std::int32_t& value) {
  try {
    std::size_t used = 0;
    const long parsed = std::stol(text, &used);
    value = static_cast<std::int32_t>(parsed);
    return used == text.size() && parsed == value;
  } catch (const std::exception&) {
    return false;
  }
}

TEST(WireFormatDocTest, EveryEnumerationTableHoldsExactlyTheLibrarysValuesAndTexts) {
  DiagCapture quiet;  // values without a text warn
  std::ifstream document(ZELCLNT_WIRE_FORMAT_DOC);
  ASSERT_TRUE(document) << ZELCLNT_WIRE_FORMAT_DOC;
  const std::map<std::string, enumerations::Enumeration> library = enumerations::Library();
  std::set<std::string> documented;
  for (const Table& table : EnumerationTables(document)) {
    const std::string where = "wire-format.md:" + std::to_string(table.line) + " `" + table.enumeration + "`";
    const auto found = library.find(table.enumeration);
    if (found == library.end()) {
      ADD_FAILURE() << where << ": no enumeration of the library by that name";
      continue;
    }
    EXPECT_TRUE(documented.insert(table.enumeration).second) << where << ": a second table";
    const enumerations::Enumeration& enumeration = found->second;
    std::set<std::int32_t> rows;
    for (const Row& row : table.rows) {
      std::int32_t value = 0;
      if (!ParseValue(row.number, value)) {
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
