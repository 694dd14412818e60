// A gateway whose mirror reads what a bridge writes to a real nats-server:
// /v1/users ends equal to a fresh users query of the presence server, which
// gets no users query from the gateway. Waits are in real time, each up to
// a generous bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Churner.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "Eventually.h"
#include "Gateway.h"
#include "HttpClient.h"
#include "JetStreamSource.h"
#include "JsonInput.h"
#include "NatsServer.h"
#include "PresenceSimulator.h"
#include "RunningBridge.h"
#include "UserJson.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/requests/ZelTQueryUsersPresence.h"

namespace {

using http = boost::beast::http::verb;
using zeljson::Json;

// The users as the gateway lists them, without the time each was read.
Json WithoutTimes(Json users) {
  for (Json& user : users) user.erase("currentTime");
  return users;
}

// "user 42: handling" for each field that differs, and users one side lacks.
std::vector<std::string> Differences(const Json& listed, const Json& queried) {
  std::vector<std::string> differences;
  if (listed.size() != queried.size()) differences.push_back(std::to_string(listed.size()) + " users listed");
  for (std::size_t i = 0; i < std::min(listed.size(), queried.size()); ++i)
    for (const auto& [field, value] : queried[i].items())
      if (!listed[i].contains(field) || listed[i][field] != value)
        differences.push_back("user " + queried[i]["userKey"].dump() + ": " + field);
  return differences;
}

Json QueriedUsers(const std::string& server) {
  ZelAPresenceServer api("gateway-from-nats-test", "client");
  ZelTQueryUsersPresence query;
  query.SetQueryType(ZelTQueryUsersPresence::QUERYTYPE_ALL_USERS);
  EXPECT_EQ(api.QueryUsersPresence(server, query), ZelTPresenceServer::ACTION_SUCCEEDED);
  Json users = Json::array();
  for (const ZelTUserPresence* user : query.GetUsersPresence().GetList()) users.push_back(zeljson::ToJson(*user));
  return WithoutTimes(users);
}

TEST(GatewayFromNatsTest, UsersComeFromTheBridgeAndEqualAFreshQuery) {
  NatsServer nats;
  if (!nats.Available()) GTEST_SKIP() << "nats-server is not installed";
  ASSERT_TRUE(nats.Start());
  DiagCapture quiet;
  zelsim::SimulatorOptions simulating;
  simulating.endpoint = UniqueInproc("gateway-nats");
  zelsim::PresenceSimulator simulator(simulating);
  ASSERT_TRUE(simulator.Start());
  const std::string server = simulator.Endpoint();
  RunningBridge bridge(nats.Url(), server, "gw");
  ASSERT_TRUE(Eventually([&] { return (*bridge).Counters().recordsPut > 0; }));
  const std::uint64_t usersQueries = simulator.UsersQueries();

  zelgw::GatewayOptions options;
  options.listen = "127.0.0.1:0";
  options.server = server;
  zelbridge::NatsOptions reading;
  reading.url = nats.Url();
  options.mirrorSource = [reading] { return std::make_unique<zelbridge::JetStreamSource>(reading, "gw"); };
  zelgw::Gateway gateway(options);
  std::string error;
  ASSERT_TRUE(gateway.Start(&error)) << error;
  ASSERT_TRUE(Eventually([&] { return gateway.Ready(); }));
  Churner(server).Make(200);

  std::vector<std::string> differences;
  std::uint64_t ownQueries = 0;
  EXPECT_TRUE(Eventually([&] {
    ++ownQueries;
    const Json queried = QueriedUsers(server);
    const HttpResult result = httpclient::Fetch(gateway.Port(), http::get, "/v1/users");
    Json body;
    if (!zeljson::Parse(result.body, body, nullptr) || !body.contains("users")) return false;
    differences = Differences(WithoutTimes(body["users"]), queried);
    return differences.empty();
  })) << ::testing::PrintToString(differences);
  EXPECT_EQ(simulator.UsersQueries(), usersQueries + ownQueries);
  gateway.Stop();
}

}  // namespace
