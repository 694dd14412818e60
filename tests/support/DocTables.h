#pragma once
// The wire-format document's enumeration tables, so that tests can hold
// them to the code. A table whose header begins "| Value | <second> |"
// belongs to the enumeration the paragraph before it names first, in
// backticks.

#include <cstdint>
#include <exception>
#include <istream>
#include <sstream>
#include <string>
#include <vector>

namespace doctables {

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

inline std::vector<std::string> Cells(const std::string& line) {
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
inline std::string FirstCode(const std::string& paragraph) {
  const auto open = paragraph.find('`');
  const auto close = open == std::string::npos ? open : paragraph.find('`', open + 1);
  return close == std::string::npos ? std::string() : paragraph.substr(open + 1, close - open - 1);
}

inline std::vector<Table> EnumerationTables(std::istream& document, const std::string& second) {
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
    if (!inTable && cells.size() >= 2 && cells[0] == "Value" && cells[1] == second) {
      tables.push_back({number, FirstCode(paragraph), {}});
      inTable = true;
    } else if (inTable && line.rfind("|---", 0) != 0) {
      tables.back().rows.push_back({number, cells.size() > 0 ? cells[0] : "", cells.size() > 1 ? cells[1] : ""});
    }
  }
  return tables;
}

inline bool ParseValue(const std::string& text, std::int32_t& value) {
  try {
    std::size_t used = 0;
    const long parsed = std::stol(text, &used);
    value = static_cast<std::int32_t>(parsed);
    return used == text.size() && parsed == value;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace doctables
