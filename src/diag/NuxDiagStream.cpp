#include "zelclnt/diag/NuxDiagStream.h"

#include <cstdarg>

#include "zelclnt/platform/CString.h"

namespace {

void WritePieces(TDiag::enDiagType type, unsigned short line, const char* file, const std::string& text) {
  if (text.empty()) {
    Diag(type, line, file, "%s", text.c_str());
    return;
  }
  for (std::size_t start = 0; start < text.size(); start += NuxDiagStream::kPieceLength) {
    const std::string piece = text.substr(start, NuxDiagStream::kPieceLength);
    Diag(type, line, file, start == 0 ? "%s" : "...%s", piece.c_str());
  }
}

}  // namespace

NuxDiagStream::NuxDiagStream(TDiag::enDiagType type, unsigned short line, const std::string& file,
                             const std::string& className, const std::string& methodName)
    : m_type(type), m_line(line), m_file(file), m_className(className), m_methodName(methodName) {
  Start();
}

NuxDiagStream::NuxDiagStream(TDiag::enDiagType type, unsigned short line, const std::string& file,
                             const NuxDiagStream& other)
    : NuxDiagStream(type, line, file, other.m_className, other.m_methodName) {}

NuxDiagStream::~NuxDiagStream() {
  if (m_pending && TDiag::ShouldWeDiag(m_type)) WriteDiag(m_type, m_line, m_file, m_text);
  m_pending = false;
}

void NuxDiagStream::Start() {
  m_pending = TDiag::ShouldWeDiag(m_type) != 0;
  if (!m_pending) return;
  if (!m_className.empty()) m_text += m_className + "::";
  m_text += m_methodName;
  if (!m_className.empty() || !m_methodName.empty()) m_text += ". ";
}

NuxDiagStream& NuxDiagStream::operator<<(const std::string& text) {
  if (m_pending) m_text += text;
  return *this;
}

NuxDiagStream& NuxDiagStream::operator<<(const char* text) {
  if (m_pending && text) m_text += text;
  return *this;
}

void NuxDiagStream::WriteDiag(TDiag::enDiagType type, unsigned short line, const std::string& file,
                              const std::string& text) {
  if (TDiag::ShouldWeDiag(type)) WriteLongDiag(type, line, file, "%s", text.c_str());
}

void NuxDiagStream::WriteLongDiag(TDiag::enDiagType type, unsigned short line, const std::string& file,
                                  const char* format, ...) {
  if (!TDiag::IsDiagFilterOn(type)) return;
  try {
    va_list args;
    va_start(args, format);
    const std::string text = CString::FormatV(format, args);
    va_end(args);
    WritePieces(type, line, file.c_str(), text);
  } catch (...) {
    Diag(TDiag::SEVR, __LINE__, __FILE__, "%s", "Exception occurred in NuxDiagStream::WriteLongDiag");
  }
}

void NuxDiagStream::PrintDiagFilters(const std::string& prefix) {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  struct Flag {
    const char* label;
    TDiag::enDiagType type;
  };
  static constexpr Flag kFlags[] = {{" Diag Filters - CAFL:", TDiag::CAFL}, {" SEVR:", TDiag::SEVR},
                                    {" WARN:", TDiag::WARN},                {" INFO:", TDiag::INFO},
                                    {" PRGM:", TDiag::PRGM},                {" FENX:", TDiag::FENX},
                                    {" EVNT:", TDiag::EVNT},                {" RQST:", TDiag::RQST}};
  std::string text = prefix;
  for (const Flag& flag : kFlags) text += std::string(flag.label) + (TDiag::IsDiagFilterOn(flag.type) ? "1" : "0");
  WriteDiag(TDiag::INFO, __LINE__, __FILE__, text);
}

void NuxDiagStream::ReportProgramException(unsigned short line, const std::string& file, const std::string& className,
                                           const std::string& methodName, const std::string& text) {
  NuxDiagStream stream(TDiag::SEVR, line, file, className, methodName);
  stream << text << " Program exception";
}

NuxFenx::NuxFenx(unsigned short line, const std::string& file, const std::string& className,
                 const std::string& methodName)
    : NuxDiagStream(TDiag::FENX, line, file, className, methodName) {
  if (m_pending) WriteDiag(TDiag::FENX, line, file, m_text + "Enter function.");
}

NuxFenx::~NuxFenx() { *this << "Exit function."; }
