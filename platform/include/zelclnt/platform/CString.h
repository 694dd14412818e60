#pragma once
// Stand-in for the MFC string: a text with printf-style formatting.

#include <cstdarg>
#include <string>

#include "zelclnt/platform/TDiag.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API CString {
 public:
  CString() = default;
  CString(const char* text) : m_text(text ? text : "") {}  // NOLINT: implicit like MFC's
  CString(const std::string& text) : m_text(text) {}       // NOLINT: implicit like MFC's

  void Format(const char* format, ...) ZEL_PRINTF_FORMAT(2, 3);
  // The text of a printf-style format and its arguments; empty for null.
  static std::string FormatV(const char* format, va_list args);
  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  operator const char*() const { return m_text.c_str(); }
  const std::string& str() const { return m_text; }

 private:
  std::string m_text;
};
