#pragma once
// The framework's exception, raised where the framework cannot go on (a
// traced allocation that yields no memory, for one).

#include <exception>
#include <string>

#include "zelclnt/ZelExport.h"

class ZELCLNT_API TBaseException : public std::exception {
 public:
  TBaseException(int severity, int errorId, const char* file, int line, int category, int detail);

  int GetSeverity() const { return m_severity; }
  int GetErrorId() const { return m_errorId; }
  const std::string& GetFile() const { return m_file; }
  int GetLine() const { return m_line; }
  int GetCategory() const { return m_category; }
  int GetDetail() const { return m_detail; }
  const char* what() const noexcept override { return m_what.c_str(); }

 private:
  int m_severity;
  int m_errorId;
  std::string m_file;
  int m_line;
  int m_category;
  int m_detail;
  std::string m_what;
};
