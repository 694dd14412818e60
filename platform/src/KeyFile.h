#pragma once
// The text files keys live in: one entry a line, words apart by blanks,
// lines starting with '#' comments. Errors name the file and the line but
// never repeat its text, which may hold a secret.

#include <string>
#include <vector>

namespace zelplatform {

struct KeyFileLine {
  int number = 0;
  std::vector<std::string> words;
};

// The entries of the file, blank lines and comments left out; false, with
// the reason in *error, when it cannot be read or is too large for a key file.
bool ReadKeyFileLines(const std::string& path, std::vector<KeyFileLine>& lines, std::string* error);

// "<path>:<line>: <what>".
std::string LineError(const std::string& path, int number, const std::string& what);

bool Fail(std::string* error, std::string reason);

}  // namespace zelplatform
