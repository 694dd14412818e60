// The wire-format document's enumeration tables against the library's own
// texts, so that the document cannot fall behind the code. A table headed
// "| Value | Text |" (further columns allowed) belongs to the enumeration
// the paragraph before it names first, in backticks.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "DiagCapture.h"
#include "zelclnt/zelclnt.h"

namespace {

using Text = std::function<std::string(std::int32_t)>;

struct Enumeration {
  Text text;
  // What the library writes for a value without a text of its own.
  Text fallback;
};

template <typename E>
Text Of(std::string (*toString)(E)) {
  return [toString](std::int32_t value) { return toString(static_cast<E>(value)); };
}

Text Always(const std::string& text) {
  return [text](std::int32_t) { return text; };
}

std::string UserActionText(std::int32_t value) {
  ZelTUserPresence user;
  user.SetAction(static_cast<ZelTUserPresence::Action>(value));
  return user.Action_ToString();
}

std::map<std::string, Enumeration> LibraryEnumerations() {
  using PS = ZelTPresenceServer;
  using Summary = ZelTIntegratedPresenceSummary;
  const Text invalid = Always("Invalid");
  const Text unknownMember = Always("UNKNOWN ENUM MEMBER");
  return {
      {"ZelTPresenceServer::ErrorCode", {Of<PS::ErrorCode>(PS::ToString), Always("???")}},
      {"ZelTPresenceServer::enEvent", {Of<PS::enEvent>(PS::ToString), Always("???")}},
      {"ZelTRequest::RequestMode",
       {Of<ZelTRequest::RequestMode>(ZelTRequest::ToString),
        [](std::int32_t value) { return "Unknown RequestMode{" + std::to_string(value) + "}"; }}},
      {"ZelTUserPresence::Action", {UserActionText, invalid}},
      {"ZelTQueryUsersPresence::enQueryType",
       {Of<ZelTQueryUsersPresence::enQueryType>(ZelTQueryUsersPresence::QueryType_ToString), invalid}},
      {"ZelTUserCapability::enCapabilityType",
       {Of<ZelTUserCapability::enCapabilityType>(ZelTUserCapability::ToString), invalid}},
      {"ZelTIntegratedPresenceSummary::IntegratedPresence",
       {Of<Summary::IntegratedPresence>(Summary::ToString), unknownMember}},
      {"ZelTIntegratedPresenceSummary::IntegratedPresenceSource",
       {Of<Summary::IntegratedPresenceSource>(Summary::ToString), unknownMember}},
      {"ZelTIntegratedPresenceSummary::MediaStatus", {Of<Summary::MediaStatus>(Summary::ToString), unknownMember}},
      {"ZelTIntegratedPresenceSummary::RoutingStateReasonType",
       {Of<Summary::RoutingStateReasonType>(Summary::ToString), unknownMember}},
      {"KRVEnum::MEDIUM",
       {[](std::int32_t value) { return MediaToString(value); },
        [](std::int32_t value) { return "MediaType: " + std::to_string(value); }}},
      {"enMediaState", {Of(MediaStateToString), invalid}},
      {"enMediaStateCause", {Of(MediaStateCauseToString), invalid}},
      {"enReadinessState", {Of(ReadinessStateToString), invalid}},
      {"enReadinessCause", {Of(ReadinessCauseToString), invalid}},
      {"enSilentMonitoringType", {Of(SilentMonitoringTypeToString), invalid}},
      {"enRefType", {Of(RefTypeToString), invalid}},
      {"THandlingStateEnum::enContactType", {Of(ContactTypeToString), invalid}},
      {"enContactState", {Of(ContactStateToString), invalid}},
      {"enHandlingCause", {Of(HandlingCauseToString), invalid}},
      {"TMediaServerCommonEnum::enCSMStateCause", {Of(CSMStateCauseToString), invalid}},
      {"enUserSet", {Of(UserSetToString), invalid}},
      {"enPostProcessingMode", {Of(PostProcessingModeToString), invalid}},
      {"ZelTRoutingState::enRoutingState", {Of<ZelTRoutingState::enRoutingState>(ZelTRoutingState::ToString), invalid}},
      {"ZelTRoutingState::enInitialRoutingStateSource",
       {Of<ZelTRoutingState::enInitialRoutingStateSource>(ZelTRoutingState::ToString), invalid}},
      {"ZelTPresenceState::enPresenceState",
       {Of<ZelTPresenceState::enPresenceState>(ZelTPresenceState::ToString), invalid}},
      {"ZelTDesktopCapability::enDesktopCapability",
       {Of<ZelTDesktopCapability::enDesktopCapability>(ZelTDesktopCapability::ToString), invalid}},
      {"ZelTDesktopCapability::enDesktopCapabilityCause",
       {Of<ZelTDesktopCapability::enDesktopCapabilityCause>(ZelTDesktopCapability::ToString), invalid}},
      {"ZelTEventBase::enEventCause", {Of<ZelTEventBase::enEventCause>(ZelTEventBase::ToString), invalid}},
  };
}

// Wide enough for every enumeration the library has: small values and the
// presence server's own 35000 range.
std::vector<std::int32_t> ScannedValues() {
  std::vector<std::int32_t> values;
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
  const std::map<std::string, Enumeration> library = LibraryEnumerations();
  std::set<std::string> documented;
  for (const Table& table : EnumerationTables(document)) {
    const std::string where = "wire-format.md:" + std::to_string(table.line) + " `" + table.enumeration + "`";
    const auto found = library.find(table.enumeration);
    if (found == library.end()) {
      ADD_FAILURE() << where << ": no enumeration of the library by that name";
      continue;
    }
    EXPECT_TRUE(documented.insert(table.enumeration).second) << where << ": a second table";
    const Enumeration& enumeration = found->second;
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
