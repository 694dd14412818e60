#include "HttpTarget.h"

#include <algorithm>
#include <climits>

namespace zelgw {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Decode(const std::string& text, bool plusIsSpace, std::string& decoded, std::string* error) {
  decoded.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
      const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
      if (high < 0 || low < 0) {
        if (error) *error = "malformed percent escape in the request target";
        return false;
      }
      c = static_cast<char>(high * 16 + low);
      i += 2;
    } else if (c == '+' && plusIsSpace) {
      c = ' ';
    }
    if (c == '\0') {
      if (error) *error = "NUL in the request target";
      return false;
    }
    decoded.push_back(c);
  }
  return true;
}

bool Fail(std::string* error, const char* text) {
  if (error) *error = text;
  return false;
}

bool ParsePath(const std::string& path, HttpTarget& parsed, std::string* error) {
  if (path.empty() || path[0] != '/') return Fail(error, "the request target is not an absolute path");
  if (path == "/") return true;
  std::size_t start = 1;
  for (;;) {
    const std::size_t end = path.find('/', start);
    const std::string raw = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (raw.empty()) return Fail(error, "empty segment in the request path");
    if (parsed.segments.size() == kMaxSegments) return Fail(error, "too many segments in the request path");
    std::string segment;
    if (!Decode(raw, false, segment, error)) return false;
    if (segment == "." || segment == ".." || segment.find('/') != std::string::npos)
      return Fail(error, "dot segment or encoded slash in the request path");
    parsed.segments.push_back(std::move(segment));
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

bool ParseQuery(const std::string& query, HttpTarget& parsed, std::string* error) {
  std::size_t start = 0;
  while (start <= query.size()) {
    const std::size_t end = std::min(query.find('&', start), query.size());
    const std::string pair = query.substr(start, end - start);
    start = end + 1;
    if (pair.empty()) continue;
    if (parsed.query.size() == kMaxParameters) return Fail(error, "too many query parameters");
    const std::size_t equals = pair.find('=');
    std::string name, value;
    if (!Decode(pair.substr(0, equals), true, name, error)) return false;
    if (equals != std::string::npos && !Decode(pair.substr(equals + 1), true, value, error)) return false;
    if (name.empty()) return Fail(error, "query parameter without a name");
    if (!parsed.query.emplace(std::move(name), std::move(value)).second)
      return Fail(error, "query parameter given twice");
  }
  return true;
}

}  // namespace

bool ParseTarget(const std::string& target, HttpTarget& parsed, std::string* error) {
  HttpTarget read;
  const std::size_t question = target.find('?');
  if (target.find('#') != std::string::npos) return Fail(error, "fragment in the request target");
  if (!ParsePath(target.substr(0, question), read, error)) return false;
  if (question != std::string::npos && !ParseQuery(target.substr(question + 1), read, error)) return false;
  parsed = std::move(read);
  return true;
}

bool ParseInt32(const std::string& text, long& value) {
  std::size_t i = text.size() > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size() || text.size() - i > 10) return false;
  long long number = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    number = number * 10 + (text[i] - '0');
  }
  if (text[0] == '-') number = -number;
  if (number < INT_MIN || number > INT_MAX) return false;
  value = static_cast<long>(number);
  return true;
}

}  // namespace zelgw
