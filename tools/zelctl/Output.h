#pragma once
// Where zelctl writes: standard output and standard error, or the streams
// its caller handed to Run.

#include <cstdio>

namespace zelctl {

std::FILE* Out();
std::FILE* Err();

// Puts out and err in force while it lives, and the previous ones back.
class OutputStreams {
 public:
  OutputStreams(std::FILE* out, std::FILE* err);
  ~OutputStreams();
  OutputStreams(const OutputStreams&) = delete;
  OutputStreams& operator=(const OutputStreams&) = delete;

 private:
  std::FILE* m_out;
  std::FILE* m_err;
};

}  // namespace zelctl
