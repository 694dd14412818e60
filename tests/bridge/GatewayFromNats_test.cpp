// A gateway whose mirror reads what a bridge writes to a real nats-server
// shows each change the server makes and asks the server for no users.
// (That such a mirror equals a fresh query is the bridge's own test; that
// the gateway lists its mirror exactly, the gateway's.) Waits are in real
// time, each up to a generous bound.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Agents.h"
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

namespace {

using http = boost::beast::http::verb;
using zeljson::Json;

TEST(GatewayFromNatsTest, UsersComeFromTheBridgeAndNeverFromAUsersQuery) {
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
  ASSERT_EQ(AgentOf(43).SetRoutingState(server, ZelTRoutingState::ROUTINGSTATE_WORK, 77, false),
            ZelTPresenceServer::ACTION_SUCCEEDED);
  EXPECT_TRUE(Eventually([&] {
    Json user;
    return zeljson::Parse(httpclient::Fetch(gateway.Port(), http::get, "/v1/users/43").body, user, nullptr) &&
           user["routingState"]["reason"] == 77;
  }));
  EXPECT_EQ(simulator.UsersQueries(), usersQueries);
  gateway.Stop();
}

}  // namespace
