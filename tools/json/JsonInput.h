#pragma once
// Reads the members of a JSON object a caller sent, strictly: each member
// of the expected type and range (integers are 32-bit, as the wire carries
// them), strings and lists within their bounds, and no member that nobody
// asked for. The first fault is kept as one line naming the member, and
// every later read fails at once, so a caller checks only at the end:
//
//   InputObject in(body);
//   in.String("contactId", id, Need::Required);
//   in.Integer("requeueCount", rc, Need::Optional);
//   if (!in.Finish()) return BadRequest(in.Error());
//
// Parse turns text into JSON with a bound on nesting, so that no input can
// exhaust the stack. One object serves one thread.

#include <cstddef>
#include <list>
#include <set>
#include <string>

#include "EnumJson.h"
#include "JsonValues.h"

namespace zeljson {

// Bounds no legitimate request comes near.
constexpr std::size_t kMaxStringBytes = 1024;
constexpr std::size_t kMaxListItems = 256;
constexpr int kMaxDepth = 16;

// False, with the reason in *error, for text that is no JSON, nests deeper
// than kMaxDepth or holds invalid UTF-8.
bool Parse(const std::string& text, Json& json, std::string* error);

enum class Need { Required, Optional };

class InputObject {
 public:
  // Anything but an object is a fault at once; `where` names it in errors.
  explicit InputObject(const Json& json, std::string where = "body");

  // An optional member that is absent leaves its target as it was.
  bool Integer(const char* name, long& value, Need need);
  bool Bool(const char* name, bool& value, Need need);
  bool String(const char* name, std::string& value, Need need, std::size_t maxBytes = kMaxStringBytes);
  bool Integers(const char* name, std::list<long>& values, Need need);
  // The member itself, for a reader of its own (ParseEnum); null when absent.
  const Json* Member(const char* name, Need need);
  // Records a fault found by such a reader.
  bool Reject(const char* name, const std::string& why);

  // True when every read succeeded and no member is left unread.
  bool Finish();
  const std::string& Error() const { return m_error; }

 private:
  const Json* Take(const char* name, Need need);

  const Json& m_json;
  std::string m_where;
  std::set<std::string> m_read;
  std::string m_error;
};

}  // namespace zeljson
