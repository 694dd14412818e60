#include "zelclnt/platform/CString.h"

#include <cstdio>

std::string CString::FormatV(const char* format, va_list args) {
  std::string text;
  if (!format) return text;
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length > 0) {
    text.resize(static_cast<std::size_t>(length));
    std::vsnprintf(&text[0], text.size() + 1, format, args);
  }
  return text;
}

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  m_text = FormatV(format, args);
  va_end(args);
}
