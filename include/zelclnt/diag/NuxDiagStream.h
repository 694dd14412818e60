#pragma once
// Diagnostic lines of the library. A NuxDiagStream assembles one text that
// begins «Class::Method. » and writes it once, when the stream is destroyed,
// if its type is switched on. A stream whose type is off when it is made
// builds no text and allocates nothing, so call traces cost next to nothing
// while FENX is off. Texts longer than 400 characters are written in pieces
// of 400, later pieces prefixed "...". A text is never used as a format.
// A stream serves the thread that made it.
//
// Names given as C strings are borrowed, not copied. REQUIRES: they stay
// alive as long as the stream (and any stream made from it); string
// literals do. Names given as std::string are copied.

#include <string>

#include "zelclnt/platform/TDiag.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API NuxDiagStream {
 public:
  static constexpr std::size_t kPieceLength = 400;

  NuxDiagStream(TDiag::enDiagType type, unsigned short line, const char* file, const char* className,
                const char* methodName)
      : m_type(type), m_line(line), m_className(className ? className : ""), m_methodName(methodName ? methodName : "") {
    if (TDiag::ShouldWeDiag(type)) Start(file);
  }
  NuxDiagStream(TDiag::enDiagType type, unsigned short line, const std::string& file, const std::string& className,
                const std::string& methodName);
  // Takes the class and method names of another stream (typically the
  // method's call trace), which must outlive this one.
  NuxDiagStream(TDiag::enDiagType type, unsigned short line, const char* file, const NuxDiagStream& other);
  NuxDiagStream(TDiag::enDiagType type, unsigned short line, const std::string& file, const NuxDiagStream& other);
  virtual ~NuxDiagStream() {
    if (m_pending) Flush();
  }
  NuxDiagStream(const NuxDiagStream&) = delete;
  NuxDiagStream& operator=(const NuxDiagStream&) = delete;

  NuxDiagStream& operator<<(const std::string& text) {
    if (m_pending) m_text += text;
    return *this;
  }
  NuxDiagStream& operator<<(const char* text) {
    if (m_pending && text) m_text += text;
    return *this;
  }

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
  TDiag::enDiagType m_type;
  unsigned short m_line;
  // Copies of names given as std::string, which may be temporaries.
  std::string m_ownClassName;
  std::string m_ownMethodName;
  const char* m_className;
  const char* m_methodName;
  std::string m_file;
  std::string m_text;
  bool m_pending = false;

 private:
  // The filter said yes: the text begins.
  void Start(const char* file);
  void Flush();
};

// Call trace: "Enter function." when made, "Exit function." when destroyed.
class ZELCLNT_API NuxFenx : public NuxDiagStream {
 public:
  NuxFenx(unsigned short line, const char* file, const char* className, const char* methodName)
      : NuxDiagStream(TDiag::FENX, line, file, className, methodName) {
    if (m_pending) Enter();
  }
  NuxFenx(unsigned short line, const std::string& file, const std::string& className, const std::string& methodName);
  ~NuxFenx() override {
    if (m_pending) Exit();
  }

 private:
  void Enter();
  void Exit();
};
