// Whatever diagnostics are switched on, no line shows the password of an
// integrated-presence query, answered or failed. (Keys: the security tests.)
#include <gtest/gtest.h>

#include <string>

#include "DiagCapture.h"
#include "PresenceSimulator.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"

namespace {

TEST(NoSecretsTest, NoDiagnosticLineShowsThePassword) {
  const std::string password = "pw-8f3c1e77";
  DiagCapture every("INFO,WARN,SEVR,FENX,EVNT,RQST,CAFL,PRGM");
  zelsim::SimulatorOptions options;
  options.endpoint = "inproc://no-secrets";
  zelsim::PresenceSimulator simulator(options);
  ASSERT_TRUE(simulator.Start());
  ZelAPresenceServer api("test", "client");
  for (const char* server : {"inproc://no-secrets", "inproc://nobody-there"}) {
    ZelTQueryIntegratedPresence query;
    query.SetUserId("supervisor");
    query.SetUserPassword(password);
    api.QueryIntegratedPresence(server, query);
  }
  EXPECT_FALSE(every.Lines().empty());
  for (const CapturedLine& line : every.Lines())
    EXPECT_EQ(line.text.find(password), std::string::npos) << line.file << ": " << line.text;
}

}  // namespace
