#pragma once
// Writes JSON text straight into one string, for records written by the
// thousand (every user of a server in one reply), where building a JSON
// object per member first would cost many times the writing. It writes
// exactly what Text() writes for the same members (JsonValues.h): compact,
// strings escaped alike, invalid UTF-8 replaced alike, enumerations in
// their {"name", "value"} form.
//
// The caller writes a well-formed sequence: Key before each member's
// value, every Begin closed by its End. One writer serves one thread.

#include <array>
#include <cstdint>
#include <string>

#include "EnumJson.h"
#include "JsonValues.h"

class TTimeStamp;

namespace zeljson {

class JsonWriter {
 public:
  explicit JsonWriter(std::string& out) : m_out(out) {}

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // A member's name, written as it is: names are the mapping's own ASCII.
  void Key(const char* name);

  void String(const std::string& text);
  void Integer(std::int64_t value);
  void Bool(bool value);
  void Null();
  void Time(const TTimeStamp& stamp);
  // A value already in its JSON text.
  void Raw(const std::string& json);
  void Value(const Json& json) { Raw(Text(json)); }

 private:
  void Open(char bracket);
  void Close(char bracket);
  void BeforeValue();

  std::string& m_out;
  bool m_comma = false;
};

// The text of an enumeration's JSON form, kept once per value for the
// values from 0 to 63 (every enumeration of a user's record lies there);
// others are written afresh.
template <typename E>
const std::string& EnumText(E value);

template <typename E>
const std::string& EnumText(E value) {
  static const std::array<std::string, 64> kTexts = [] {
    std::array<std::string, 64> texts;
    for (int v = 0; v < 64; ++v) texts[static_cast<std::size_t>(v)] = Text(ToJson(static_cast<E>(v)));
    return texts;
  }();
  thread_local std::string other;
  const auto raw = static_cast<std::int64_t>(value);
  if (raw >= 0 && raw < 64) return kTexts[static_cast<std::size_t>(raw)];
  other = Text(ToJson(value));
  return other;
}

}  // namespace zeljson
