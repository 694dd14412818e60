#include "JsonInput.h"

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace zeljson {

namespace {

bool FitsInt32(const Json& json) {
  if (json.is_number_unsigned()) return json.get<std::uint64_t>() <= std::numeric_limits<std::int32_t>::max();
  if (!json.is_number_integer()) return false;
  const std::int64_t value = json.get<std::int64_t>();
  return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

bool Parse(const std::string& text, Json& json, std::string* error) {
  bool tooDeep = false;
  // The members of each object open at the moment: a member given twice
  // would otherwise be read as whichever came last.
  std::vector<std::set<std::string>> open;
  std::string twice;
  const Json::parser_callback_t bound = [&](int depth, Json::parse_event_t event, Json& parsed) {
    if (depth > kMaxDepth) tooDeep = true;
    if (tooDeep || !twice.empty()) return false;
    if (event == Json::parse_event_t::object_start) open.emplace_back();
    if (event == Json::parse_event_t::object_end && !open.empty()) open.pop_back();
    if (event == Json::parse_event_t::key && !open.empty() && !open.back().insert(parsed.get<std::string>()).second)
      twice = parsed.get<std::string>();
    return twice.empty();
  };
  try {
    json = Json::parse(text, bound);
  } catch (const Json::exception& e) {
    // Past the library's "[json.exception.parse_error.101] " tag.
    const std::string what = e.what();
    const std::size_t tag = what.find("] ");
    if (error) *error = "malformed JSON: " + (tag == std::string::npos ? what : what.substr(tag + 2));
    return false;
  }
  if (tooDeep) {
    if (error) *error = "malformed JSON: nested deeper than " + std::to_string(kMaxDepth);
    return false;
  }
  if (!twice.empty()) {
    if (error) *error = "malformed JSON: member " + Text(Json(twice)) + " given twice";
    return false;
  }
  return true;
}

InputObject::InputObject(const Json& json, std::string where) : m_json(json), m_where(std::move(where)) {
  if (!json.is_object()) m_error = m_where + ": expected a JSON object";
}

const Json* InputObject::Take(const char* name, Need need) {
  if (!m_error.empty()) return nullptr;
  m_read.insert(name);
  const auto found = m_json.find(name);
  if (found == m_json.end()) {
    if (need == Need::Required) m_error = m_where + ": member \"" + name + "\" is required";
    return nullptr;
  }
  return &*found;
}

bool InputObject::Reject(const char* name, const std::string& why) {
  if (m_error.empty()) m_error = m_where + ": member \"" + name + "\": " + why;
  return false;
}

const Json* InputObject::Member(const char* name, Need need) { return Take(name, need); }

bool InputObject::Integer(const char* name, long& value, Need need) {
  const Json* member = Take(name, need);
  if (!member) return m_error.empty();
  if (!FitsInt32(*member)) return Reject(name, "expected an integer from -2147483648 to 2147483647");
  value = static_cast<long>(member->get<std::int64_t>());
  return true;
}

bool InputObject::Bool(const char* name, bool& value, Need need) {
  const Json* member = Take(name, need);
  if (!member) return m_error.empty();
  if (!member->is_boolean()) return Reject(name, "expected true or false");
  value = member->get<bool>();
  return true;
}

bool InputObject::String(const char* name, std::string& value, Need need, std::size_t maxBytes) {
  const Json* member = Take(name, need);
  if (!member) return m_error.empty();
  if (!member->is_string()) return Reject(name, "expected a string");
  const std::string& text = member->get_ref<const std::string&>();
  if (text.size() > maxBytes) return Reject(name, "longer than " + std::to_string(maxBytes) + " bytes");
  value = text;
  return true;
}

bool InputObject::Integers(const char* name, std::list<long>& values, Need need) {
  const Json* member = Take(name, need);
  if (!member) return m_error.empty();
  if (!member->is_array()) return Reject(name, "expected a list of integers");
  if (member->size() > kMaxListItems) return Reject(name, "more than " + std::to_string(kMaxListItems) + " items");
  std::list<long> read;
  for (const Json& item : *member) {
    if (!FitsInt32(item)) return Reject(name, "expected integers from -2147483648 to 2147483647");
    read.push_back(static_cast<long>(item.get<std::int64_t>()));
  }
  values = std::move(read);
  return true;
}

bool InputObject::Finish() {
  if (!m_error.empty()) return false;
  for (const auto& member : m_json.items())
    if (m_read.count(member.key()) == 0) {
      m_error = m_where + ": unknown member \"" + member.key() + "\"";
      return false;
    }
  return true;
}

}  // namespace zeljson
