#pragma once
// zelctl run in this process, its streams caught.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Run.h"

struct Ran {
  int status = -1;
  std::string out;
  std::string err;
};

// Its output goes to `given` instead when there is one, which it closes.
inline Ran Zelctl(std::vector<std::string> args, std::FILE* given = nullptr) {
  args.insert(args.begin(), "zelctl");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  char* outText = nullptr;
  char* errText = nullptr;
  std::size_t outSize = 0;
  std::size_t errSize = 0;
  std::FILE* out = given ? given : ::open_memstream(&outText, &outSize);
  std::FILE* err = ::open_memstream(&errText, &errSize);
  Ran ran;
  ran.status = zelctl::Run(static_cast<int>(argv.size()), argv.data(), out, err);
  std::fclose(out);
  std::fclose(err);
  if (!given) ran.out.assign(outText, outSize);
  ran.err.assign(errText, errSize);
  std::free(outText);
  std::free(errText);
  return ran;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}
