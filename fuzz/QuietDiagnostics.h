#pragma once
// Diagnostic lines go nowhere while fuzzing; the code that builds them
// still runs under whatever filters the target sets.

#include <string>

#include "zelclnt/platform/TDiag.h"

inline const bool kQuietDiagnostics = [] {
  TDiag::SetSink([](TDiag::enDiagType, unsigned short, const std::string&, const std::string&) {});
  return true;
}();
