#pragma once
// Where zelctl writes: standard output and standard error, or the streams
// its caller handed to Run; and whether it writes JSON (--json), the
// gateway's JSON of the same records, one document a command (a line an
// event for watch).

#include <cstdio>

namespace zelctl {

std::FILE* Out();
std::FILE* Err();
bool JsonOutput();

// Puts out and err in force while it lives, and the previous ones back.
class OutputStreams {
 public:
  OutputStreams(std::FILE* out, std::FILE* err);
  void SetJson(bool on);
  ~OutputStreams();
  OutputStreams(const OutputStreams&) = delete;
  OutputStreams& operator=(const OutputStreams&) = delete;

 private:
  std::FILE* m_out;
  std::FILE* m_err;
  bool m_json;
};

}  // namespace zelctl
