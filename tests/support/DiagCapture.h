#pragma once
// Collects the diagnostic lines written while it lives, with the filters it
// was given; restores the standard sink and filters when it goes.

#include <mutex>
#include <string>
#include <vector>

#include "zelclnt/platform/TDiag.h"

struct CapturedLine {
  TDiag::enDiagType type;
  std::string text;
  std::string file;
};

class DiagCapture {
 public:
  explicit DiagCapture(const std::string& filters = "") {
    TDiag::SetFilters(filters);
    TDiag::SetSink(
        [this](TDiag::enDiagType type, unsigned short, const std::string& file, const std::string& text) {
          std::lock_guard<std::mutex> guard(m_lock);
          m_lines.push_back({type, text, file});
        });
  }
  ~DiagCapture() {
    TDiag::SetSink(nullptr);
    TDiag::ResetFilters();
  }
  DiagCapture(const DiagCapture&) = delete;
  DiagCapture& operator=(const DiagCapture&) = delete;

  std::vector<CapturedLine> Lines() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lines;
  }
  std::vector<std::string> Texts(TDiag::enDiagType type) const {
    std::vector<std::string> texts;
    for (const CapturedLine& line : Lines())
      if (line.type == type) texts.push_back(line.text);
    return texts;
  }

 private:
  mutable std::mutex m_lock;
  std::vector<CapturedLine> m_lines;
};
