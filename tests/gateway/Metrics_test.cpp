// The Prometheus exposition, as its exact text, and the OpenAPI document
// against the router's own table.

#include "Metrics.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "JsonInput.h"
#include "Router.h"

namespace {

using namespace std::chrono_literals;

TEST(MetricsTest, TheExpositionIsExactAndEscapesItsLabels) {
  zelgw::Metrics metrics;
  metrics.CountCall("Query", "succeeded", "", 3ms);
  metrics.CountCall("Query", "refused", "ERR_INVALID_USER", 2500ms);
  metrics.CountCall("Odd\"call\\\n", "failed", "timed_out", 20s);
  metrics.CountRequest(200);
  metrics.CountRequest(404);
  metrics.CountRequest(200);
  metrics.ConnectionOpened();
  metrics.StreamDropped();
  ZelTMirrorCounters mirror;
  mirror.eventsApplied = 120;
  mirror.eventsReplayed = 7;
  mirror.eventsUnreadable = 1;
  mirror.resyncs = 2;
  mirror.usersRequeried = 3;
  mirror.users = 50;
  metrics.SetSources([mirror] { return mirror; }, [] { return true; }, [] { return std::size_t{4}; },
                     [] { return std::uint64_t{1}; });
  const std::string buckets[] = {"0.001", "0.0025", "0.005", "0.01", "0.025", "0.05",
                                 "0.1",   "0.25",   "0.5",   "1",    "2.5",   "10"};
  auto histogram = [&](const std::string& label, const int(&counts)[12], int count, const std::string& sum) {
    std::string text = "presence_gateway_call_duration_seconds_count{call=\"" + label + "\"} " +
                       std::to_string(count) + "\npresence_gateway_call_duration_seconds_sum{call=\"" + label +
                       "\"} " + sum + "\n";
    for (int i = 0; i < 12; ++i)
      text += "presence_gateway_call_duration_seconds_bucket{call=\"" + label + "\",le=\"" + buckets[i] + "\"} " +
              std::to_string(counts[i]) + "\n";
    return text + "presence_gateway_call_duration_seconds_bucket{call=\"" + label + "\",le=\"+Inf\"} " +
           std::to_string(count) + "\n";
  };
  const int odd[12] = {};
  const int query[12] = {0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2};
  EXPECT_EQ(metrics.Exposition(),
            "# HELP presence_gateway_calls_total Calls to the presence server by call, outcome and reason.\n"
            "# TYPE presence_gateway_calls_total counter\n"
            "presence_gateway_calls_total{call=\"Odd\\\"call\\\\\\n\",outcome=\"failed\",reason=\"timed_out\"} 1\n"
            "presence_gateway_calls_total{call=\"Query\",outcome=\"refused\",reason=\"ERR_INVALID_USER\"} 1\n"
            "presence_gateway_calls_total{call=\"Query\",outcome=\"succeeded\",reason=\"\"} 1\n"
            "# HELP presence_gateway_http_requests_total HTTP requests answered, by status.\n"
            "# TYPE presence_gateway_http_requests_total counter\n"
            "presence_gateway_http_requests_total{status=\"200\"} 2\n"
            "presence_gateway_http_requests_total{status=\"404\"} 1\n"
            "# HELP presence_gateway_streams_dropped_total Event streams closed as their client did not keep up.\n"
            "# TYPE presence_gateway_streams_dropped_total counter\n"
            "presence_gateway_streams_dropped_total 1\n"
            "# HELP presence_gateway_open_connections HTTP connections open now.\n"
            "# TYPE presence_gateway_open_connections gauge\n"
            "presence_gateway_open_connections 1\n"
            "# HELP presence_gateway_call_duration_seconds Time a call to the presence server took.\n"
            "# TYPE presence_gateway_call_duration_seconds histogram\n" +
                histogram("Odd\\\"call\\\\\\n", odd, 1, "20") + histogram("Query", query, 2, "2.503") +
                "# HELP presence_gateway_open_streams Event streams open now.\n"
                "# TYPE presence_gateway_open_streams gauge\n"
                "presence_gateway_open_streams 4\n"
                "# HELP presence_gateway_events_applied_total Events the mirror applied to its users.\n"
                "# TYPE presence_gateway_events_applied_total counter\n"
                "presence_gateway_events_applied_total 120\n"
                "# HELP presence_gateway_events_replayed_total Events lost on the way and sent again by the server.\n"
                "# TYPE presence_gateway_events_replayed_total counter\n"
                "presence_gateway_events_replayed_total 7\n"
                "# HELP presence_gateway_events_unreadable_total Events the mirror could not apply; their users were "
                "queried again.\n"
                "# TYPE presence_gateway_events_unreadable_total counter\n"
                "presence_gateway_events_unreadable_total 1\n"
                "# HELP presence_gateway_mirror_resyncs_total Times events were lost beyond the server's replay, or it "
                "restarted, and every user was queried again.\n"
                "# TYPE presence_gateway_mirror_resyncs_total counter\n"
                "presence_gateway_mirror_resyncs_total 2\n"
                "# HELP presence_gateway_mirror_users_requeried_total Single users queried again.\n"
                "# TYPE presence_gateway_mirror_users_requeried_total counter\n"
                "presence_gateway_mirror_users_requeried_total 3\n"
                "# HELP presence_gateway_mirror_users Users the mirror holds.\n"
                "# TYPE presence_gateway_mirror_users gauge\n"
                "presence_gateway_mirror_users 50\n"
                "# HELP presence_gateway_mirror_current 1 when the mirror is joined, no user waits for a query and its server was heard from within 3 s.\n"
                "# TYPE presence_gateway_mirror_current gauge\n"
                "presence_gateway_mirror_current 1\n"
                "# HELP presence_gateway_two_serving_total Times two servers of the presence server's list were seen "
                "serving at once.\n"
                "# TYPE presence_gateway_two_serving_total counter\n"
                "presence_gateway_two_serving_total 1\n");
}

// Every route the router knows is documented, and the document names no
// other.
TEST(OpenApiTest, TheDocumentHoldsExactlyTheRoutesTheRouterKnows) {
  zeljson::Json document;
  std::string error;
  ASSERT_TRUE(zeljson::Parse(zelgw::kOpenApiDocument, document, &error)) << error;
  EXPECT_EQ(document["openapi"], "3.0.3");
  std::set<std::string> documented;
  for (const auto& [path, operations] : document["paths"].items())
    for (const auto& [method, operation] : operations.items()) {
      std::string upper = method;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      documented.insert(upper + " " + path);
    }
  const std::vector<std::string> names = zelgw::Router::RouteNames();
  EXPECT_EQ(documented, std::set<std::string>(names.begin(), names.end()));
  std::set<std::string> actions;
  for (const auto& action :
       document["paths"]["/v1/users/{key}/actions/{action}"]["post"]["parameters"][1]["schema"]["enum"])
    actions.insert(action.get<std::string>());
  std::set<std::string> known;
  for (int action = 0; action <= 10; ++action)
    if (const char* name = zeljson::ActionPathName(static_cast<ZelTUserPresence::Action>(action))) known.insert(name);
  EXPECT_EQ(actions, known);
}

}  // namespace
