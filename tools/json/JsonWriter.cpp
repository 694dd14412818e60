#include "JsonWriter.h"

#include <charconv>
#include <cstdio>

#include "zelclnt/platform/TTimeStamp.h"

namespace zeljson {

namespace {

// What Text() escapes itself: the rest of ASCII goes as it is.
bool NeedsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

void Escape(std::string& out, unsigned char c) {
  switch (c) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\b':
      out += "\\b";
      return;
    case '\f':
      out += "\\f";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default: {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04x", c);
      out += code;
    }
  }
}

}  // namespace

void JsonWriter::BeforeValue() {
  if (m_comma) m_out += ',';
  m_comma = true;
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  m_out += bracket;
  m_comma = false;
}

void JsonWriter::Close(char bracket) {
  m_out += bracket;
  m_comma = true;
}

void JsonWriter::Key(const char* name) {
  if (m_comma) m_out += ',';
  m_out += '"';
  m_out += name;
  m_out += "\":";
  m_comma = false;
}

void JsonWriter::String(const std::string& text) {
  BeforeValue();
  for (unsigned char c : text) {
    // Beyond ASCII, UTF-8 must be checked and mended as Text() does.
    if (c >= 0x80) {
      m_out += Text(Json(text));
      return;
    }
  }
  m_out += '"';
  for (unsigned char c : text) {
    if (NeedsEscape(c))
      Escape(m_out, c);
    else
      m_out += static_cast<char>(c);
  }
  m_out += '"';
}

void JsonWriter::Integer(std::int64_t value) {
  BeforeValue();
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  m_out.append(digits, static_cast<std::size_t>(end - digits));
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  m_out += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  m_out += "null";
}

void JsonWriter::Time(const TTimeStamp& stamp) {
  if (stamp.IsNull()) return Null();
  BeforeValue();
  m_out += '"';
  m_out += IsoTime(stamp.MillisecondsSince1970());
  m_out += '"';
}

void JsonWriter::Raw(const std::string& json) {
  BeforeValue();
  m_out += json;
}

}  // namespace zeljson
