// Request targets as the gateway reads them from the network.

#include "HttpTarget.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

TEST(HttpTargetTest, PathsAndQueriesAreDecodedStrictly) {
  using Segments = std::vector<std::string>;
  using Query = std::map<std::string, std::string>;
  const struct {
    std::string target;
    std::string error;  // empty: read
    Segments segments;
    Query query;
  } cases[] = {
      {"/", "", {}, {}},
      {"/v1/users/42", "", {"v1", "users", "42"}, {}},
      {"/v1/users/%34%32?timeout=200&parameters=%2B49+30&",
       "",
       {"v1", "users", "42"}, {{"timeout", "200"}, {"parameters", "+49 30"}}}, {"/a?flag", "", {"a"}, {{"flag", ""}}},
       {"/a/", "empty segment in the request path", {}, {}},
      {"//a", "empty segment in the request path", {}, {}},
      {"/a/%2Fb", "dot segment or encoded slash in the request path", {}, {}},
      {"/a/..", "dot segment or encoded slash in the request path", {}, {}},
      {"/a/%2e", "dot segment or encoded slash in the request path", {}, {}},
      {"/a%", "malformed percent escape in the request target", {}, {}},
      {"/a%4g", "malformed percent escape in the request target", {}, {}},
      {"/a%00", "NUL in the request target", {}, {}}, {"a/b", "the request target is not an absolute path", {}, {}},
      {"", "the request target is not an absolute path", {}, {}}, {"/a#b", "fragment in the request target", {}, {}},
      {"/a?x=1&x=2", "query parameter given twice", {}, {}}, {"/a?=1", "query parameter without a name", {}, {}},
      {"/1/2/3/4/5/6/7/8/9", "too many segments in the request path", {}, {}},
      {"/a?a&b&c&d&e&f&g&h&i", "too many query parameters", {}, {}},
  };
  for (const auto& c : cases) {
    zelgw::HttpTarget target;
    target.segments = {"kept"};
    std::string error;
    EXPECT_EQ(zelgw::ParseTarget(c.target, target, &error), c.error.empty()) << c.target;
    EXPECT_EQ(error, c.error) << c.target;
    EXPECT_EQ(target.segments, c.error.empty() ? c.segments : Segments{"kept"}) << c.target;
    EXPECT_EQ(target.query, c.error.empty() ? c.query : Query{}) << c.target;
  }
  long value = 0;
  for (const std::string bad : {"", "-", "+", "4294967296", "2147483648", "12a", " 1", "99999999999"})
    EXPECT_FALSE(zelgw::ParseInt32(bad, value)) << bad;
  EXPECT_TRUE(zelgw::ParseInt32("-2147483648", value) && value == -2147483648L);
}

}  // namespace
