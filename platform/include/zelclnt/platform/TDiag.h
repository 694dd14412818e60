#pragma once
// The framework's diagnostics.
//
// Diag formats one line printf-style and hands it to the sink when the
// line's type is switched on. The default sink writes to standard error:
// time, type name, file:line, text. Filters and the sink may be changed from
// any thread; lines from several threads are handed to the sink one at a time.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "zelclnt/ZelExport.h"

class ZELCLNT_API TDiag {
 public:
  enum enDiagType : int {
    INFO = 0,
    WARN = 1,
    SEVR = 2,
    FENX = 3,
    EVNT = 5,
    RQST = 6,
    CAFL = 7,
    PRGM = 8,
  };

  using Sink = std::function<void(enDiagType, unsigned short line, const std::string& file, const std::string& text)>;

  // An empty function restores the standard-error sink.
  static void SetSink(Sink sink);
  static void SetFilter(enDiagType type, bool on);
  // Nonzero when lines of the type are written.
  static int ShouldWeDiag(enDiagType type);
  static int IsDiagFilterOn(enDiagType type);

  // Switches on exactly the types named in a comma-separated list such as
  // "INFO,FENX" (SEVR and WARN stay on unless the list names "NONE"); false
  // and no change when a name is unknown.
  static bool SetFilters(const std::string& list);
  // Back to SEVR and WARN on, the rest off.
  static void ResetFilters();

  // "INFO", "WARN", ...; "TYPE<n>" for a value without a name.
  static std::string TypeName(enDiagType type);

  // Hands one finished line to the sink, whatever the filters say.
  static void Write(enDiagType type, unsigned short line, const char* file, const std::string& text);
};

#if defined(__GNUC__)
#define ZEL_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define ZEL_PRINTF_FORMAT(f, a)
#endif

ZELCLNT_API void Diag(TDiag::enDiagType type, unsigned short line, const char* file, const char* format, ...)
    ZEL_PRINTF_FORMAT(4, 5);

// Keeps the version of a component and writes it as one INFO line.
class ZELCLNT_API TVersionDiagHelper {
 public:
  TVersionDiagHelper(const std::string& name, const std::string& version);

  const std::string& GetName() const { return m_name; }
  const std::string& GetVersion() const { return m_version; }

  // Every (name, version) recorded in this process, oldest first.
  static std::vector<std::pair<std::string, std::string>> Versions();

 private:
  std::string m_name;
  std::string m_version;
};
