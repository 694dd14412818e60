#include "KeyFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zelplatform {
namespace {

// Far above any key pair or allow list a site keeps.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 20;

}  // namespace

bool Fail(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return false;
}

std::string LineError(const std::string& path, int number, const std::string& what) {
  return path + ":" + std::to_string(number) + ": " + what;
}

bool ReadKeyFileLines(const std::string& path, std::vector<KeyFileLine>& lines, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Fail(error, "cannot read " + path + ": " + std::strerror(errno));
  std::string content(kMaxFileBytes + 1, '\0');
  file.read(content.data(), static_cast<std::streamsize>(content.size()));
  if (file.bad()) return Fail(error, "cannot read " + path);
  if (static_cast<std::size_t>(file.gcount()) > kMaxFileBytes)
    return Fail(error, path + " is too large for a key file");
  content.resize(static_cast<std::size_t>(file.gcount()));
  lines.clear();
  std::istringstream stream(content);
  std::string text;
  for (int number = 1; std::getline(stream, text); ++number) {
    std::istringstream words(text);
    KeyFileLine line{number, {}};
    for (std::string word; words >> word;) line.words.push_back(word);
    if (line.words.empty() || line.words.front()[0] == '#') continue;
    lines.push_back(std::move(line));
  }
  return true;
}

}  // namespace zelplatform
