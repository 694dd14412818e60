#pragma once
// Diagnostic lines of the library. A NuxDiagStream assembles one text that
// begins «Class::Method. » and writes it once, when the stream is destroyed,
// if its type is switched on. A stream whose type is off when it is made
// builds no text at all. Texts longer than 400 characters are written
// in pieces of 400, later pieces prefixed "...". A text is never used as a
// format. A stream serves the thread that made it.

#include <string>

#include "zelclnt/platform/TDiag.h"

class NuxDiagStream {
 public:
  static constexpr std::size_t kPieceLength = 400;

  NuxDiagStream(TDiag::enDiagType type, unsigned short line, const std::string& file, const std::string& className,
                const std::string& methodName);
  // Takes the class and method names of another stream (typically the
  // method's call trace).
  NuxDiagStream(TDiag::enDiagType type, unsigned short line, const std::string& file, const NuxDiagStream& other);
  virtual ~NuxDiagStream();
  NuxDiagStream(const NuxDiagStream&) = delete;
  NuxDiagStream& operator=(const NuxDiagStream&) = delete;

  NuxDiagStream& operator<<(const std::string& text);
  NuxDiagStream& operator<<(const char* text);

  // Whether the stream writes; ask before building a costly text.
  bool IsActive() const { return m_pending; }
  const std::string& Text() const { return m_text; }

  // Writes text verbatim when the type is switched on.
  static void WriteDiag(TDiag::enDiagType type, unsigned short line, const std::string& file,
                        const std::string& text);
  static void WriteLongDiag(TDiag::enDiagType type, unsigned short line, const std::string& file,
                            const char* format, ...) ZEL_PRINTF_FORMAT(4, 5);
  static void PrintDiagFilters(const std::string& prefix);
  static void ReportProgramException(unsigned short line, const std::string& file, const std::string& className,
                                     const std::string& methodName, const std::string& text);

 protected:
  void Start();

  TDiag::enDiagType m_type;
  unsigned short m_line;
  std::string m_file;
  std::string m_className;
  std::string m_methodName;
  std::string m_text;
  bool m_pending = false;
};

// Call trace: "Enter function." when made, "Exit function." when destroyed.
class NuxFenx : public NuxDiagStream {
 public:
  NuxFenx(unsigned short line, const std::string& file, const std::string& className, const std::string& methodName);
  ~NuxFenx() override;
};
