// Whatever diagnostics are switched on, no line shows a secret key or the
// password of an integrated-presence query: not on success, not on failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DiagCapture.h"
#include "PresenceSimulator.h"
#include "zelclnt/core/ZelAUserPresence.h"
#include "zelclnt/platform/TCurve.h"
#include "zelclnt/platform/TEventReceiver.h"
#include "zelclnt/platform/TFramework.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"

namespace {

constexpr const char* kPassword = "pw-8f3c1e77";

TEST(NoSecretsTest, NoDiagnosticLineShowsAKeyOrAPassword) {
  if (!TCurve::Available()) GTEST_SKIP() << "this ZeroMQ has no CURVE";
  const TCurveKeyPair server = TCurve::Generate();
  const TCurveKeyPair client = TCurve::Generate();
  const TCurveKeyPair stranger = TCurve::Generate();
  DiagCapture every("INFO,WARN,SEVR,FENX,EVNT,RQST,CAFL,PRGM");

  zelsim::SimulatorOptions options;
  options.endpoint = "tcp://127.0.0.1:0";
  options.security = TServerSecurity{server, {{client.publicKey, TRole::Read}}};
  zelsim::PresenceSimulator simulator(options);
  ASSERT_TRUE(simulator.Start());
  TFramework::SetServerKey(simulator.Endpoint(), server.publicKey);
  TFramework::SetClientKeys(client);
  TEventReceiver events(simulator.Endpoint());
  ASSERT_TRUE(events.Start());
  for (const TCurveKeyPair& keys : {client, stranger}) {
    TFramework::SetClientKeys(keys);
    ZelAPresenceServer api("test", "client");
    ZelTQueryIntegratedPresence query;
    query.SetUserId("supervisor");
    query.SetUserPassword(kPassword);
    api.QueryIntegratedPresence(simulator.Endpoint(), query);
    ZelAUserPresence agent("test", "client");
    agent.SetUserKey(42);
    agent.SetUserID("agent42");
    agent.SetRoutingState(simulator.Endpoint(), ZelTRoutingState::ROUTINGSTATE_AVAILABLE, 0, false);
    TEventNotice notice;
    events.Next(notice, 50);
  }
  TFramework::SetClientKeys({});
  TFramework::SetServerKey(simulator.Endpoint(), "");

  const std::vector<CapturedLine> lines = every.Lines();
  EXPECT_FALSE(lines.empty());
  for (const CapturedLine& line : lines)
    for (const std::string& secret : {std::string(kPassword), server.secretKey, client.secretKey, stranger.secretKey})
      EXPECT_EQ(line.text.find(secret), std::string::npos) << line.file << ": " << line.text;
}

}  // namespace
