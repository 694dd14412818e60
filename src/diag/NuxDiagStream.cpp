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
    : m_type(type),
      m_line(line),
      m_ownClassName(className),
      m_ownMethodName(methodName),
      m_className(m_ownClassName.c_str()),
      m_methodName(m_ownMethodName.c_str()) {
  if (TDiag::ShouldWeDiag(type)) Start(file.c_str());
}

NuxDiagStream::NuxDiagStream(TDiag::enDiagType type, unsigned short line, const char* file, const NuxDiagStream& other)
    : NuxDiagStream(type, line, file, other.m_className, other.m_methodName) {}

NuxDiagStream::NuxDiagStream(TDiag::enDiagType type, unsigned short line, const std::string& file,
                             const NuxDiagStream& other)
    : NuxDiagStream(type, line, file.c_str(), other.m_className, other.m_methodName) {}

void NuxDiagStream::Flush() {
  if (TDiag::ShouldWeDiag(m_type)) WriteDiag(m_type, m_line, m_file, m_text);
  m_pending = false;
}

void NuxDiagStream::Start(const char* file) {
  m_pending = true;
  m_file = file ? file : "";
  const bool hasClass = *m_className != '\0';
  if (hasClass) m_text.append(m_className).append("::");
  m_text += m_methodName;
  if (hasClass || *m_methodName != '\0') m_text += ". ";
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
  NuxDiagStream stream(TDiag::SEVR, line, file.c_str(), className.c_str(), methodName.c_str());
  stream << text << " Program exception";
}

NuxFenx::NuxFenx(unsigned short line, const std::string& file, const std::string& className,
                 const std::string& methodName)
    : NuxDiagStream(TDiag::FENX, line, file, className, methodName) {
  if (m_pending) Enter();
}

void NuxFenx::Enter() { WriteDiag(TDiag::FENX, m_line, m_file, m_text + "Enter function."); }

void NuxFenx::Exit() { *this << "Exit function."; }
