#pragma once
// The request target of an HTTP request, read as the gateway needs it: the
// path in segments, each percent-decoded, and the query's parameters. Bytes
// come straight from the network, so reading is bounded and strict: a
// malformed escape, a NUL, an empty segment ("//"), a dot segment, a
// repeated parameter or more segments or parameters than any route has is a
// clear error, never a guess.
//
// Free of state; any thread.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace zelgw {

struct HttpTarget {
  std::vector<std::string> segments;
  std::map<std::string, std::string> query;
};

constexpr std::size_t kMaxSegments = 8;
constexpr std::size_t kMaxParameters = 8;

// False, with the reason in *error, for a target that is not an absolute
// path with an optional query.
bool ParseTarget(const std::string& target, HttpTarget& parsed, std::string* error);

// A decimal 32-bit integer, sign allowed, nothing else: "42", "-1".
bool ParseInt32(const std::string& text, long& value);

}  // namespace zelgw
