#include "zelclnt/platform/TBaseException.h"

TBaseException::TBaseException(int severity, int errorId, const char* file, int line, int category, int detail)
    : m_severity(severity),
      m_errorId(errorId),
      m_file(file ? file : ""),
      m_line(line),
      m_category(category),
      m_detail(detail),
      m_what("framework exception " + std::to_string(errorId) + " (severity " + std::to_string(severity) + ") at " +
             m_file + ":" + std::to_string(line)) {}
