#include "Tokens.h"

#include <openssl/evp.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "HttpTarget.h"

namespace zelgw {

namespace {

constexpr std::size_t kMinTokenBytes = 16;
constexpr std::size_t kMaxTokenBytes = 256;
constexpr std::size_t kMaxKeysPerToken = 1024;

std::string Digest(const std::string& token) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(token.data(), token.size(), digest, &size, EVP_sha256(), nullptr);
  return std::string(reinterpret_cast<const char*>(digest), size);
}

bool Printable(const std::string& text) {
  for (unsigned char c : text)
    if (c <= ' ' || c >= 0x7f) return false;
  return true;
}

bool ParseKeys(const std::string& list, std::set<long>& keys) {
  std::istringstream in(list);
  std::string key;
  while (std::getline(in, key, ',')) {
    long value = 0;
    if (!ParseInt32(key, value) || keys.size() == kMaxKeysPerToken) return false;
    keys.insert(value);
  }
  return !keys.empty() && list.back() != ',';
}

// The fault of one line, or empty.
std::string ParseLine(const std::string& line, std::string& token, Access& access) {
  std::istringstream fields(line);
  std::string role, keys, extra;
  fields >> token >> role >> keys >> extra;
  if (!extra.empty()) return "more than a token, a role and a list of keys";
  if (token.size() < kMinTokenBytes || token.size() > kMaxTokenBytes || !Printable(token))
    return "a token must be 16 to 256 printable characters";
  if (role == "read")
    access.role = Role::Read;
  else if (role == "control")
    access.role = Role::Control;
  else
    return "the role must be read or control";
  if (!keys.empty() && !ParseKeys(keys, access.users)) return "the user keys must be 32-bit numbers, comma-separated";
  return "";
}

}  // namespace

bool Tokens::Parse(const std::string& text, std::string* error) {
  std::map<std::string, Access> read;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::string token;
    Access access;
    std::string fault = ParseLine(line, token, access);
    if (fault.empty() && !read.emplace(Digest(token), access).second) fault = "a token given twice";
    if (!fault.empty()) {
      if (error) *error = "line " + std::to_string(number) + ": " + fault;
      return false;
    }
  }
  m_byDigest = std::move(read);
  return true;
}

bool Tokens::Load(const std::string& path, std::string* error) {
  if (!PrivateFile(path, "the tokens file", error)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (!Parse(text.str(), error)) {
    if (error) *error = path + ": " + *error;
    return false;
  }
  return true;
}

std::optional<Access> Tokens::Find(const std::string& token) const {
  const auto found = m_byDigest.find(Digest(token));
  if (found == m_byDigest.end()) return std::nullopt;
  return found->second;
}

bool PrivateFile(const std::string& path, const std::string& what, std::string* error) {
  struct stat info {};
  constexpr mode_t kShared = S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
  if (stat(path.c_str(), &info) != 0 || (info.st_mode & kShared) == 0) return true;
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
  if (error)
    *error = what + " " + path + " may be read or written by group or others (mode " + mode + "): chmod 600 " + path;
  return false;
}

bool BearerToken(const std::string& header, std::string& token) {
  static const std::string kScheme = "bearer ";
  if (header.size() <= kScheme.size()) return false;
  for (std::size_t i = 0; i < kScheme.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(header[i])) != kScheme[i]) return false;
  const std::size_t start = header.find_first_not_of(' ', kScheme.size());
  if (start == std::string::npos) return false;
  const std::size_t end = header.find_last_not_of(' ');
  token = header.substr(start, end - start + 1);
  return token.find(' ') == std::string::npos;
}

}  // namespace zelgw
