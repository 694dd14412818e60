#include "LinkRelay.h"

#include <gtest/gtest.h>

#include <string>

#include "DiagCapture.h"
#include "Eventually.h"
#include "PlatformReset.h"
#include "Simulators.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

bool Answers(const std::string& server) {
  ZelAPresenceServer api("test", "relay");
  ZelTServerStatus status;
  return api.QueryServerStatus(server, status) == ZelTPresenceServer::ACTION_SUCCEEDED;
}

// A cut link answers nothing until restored; a link cut again and again
// holds no more than the connections of one round.
TEST(LinkRelayTest, CutRefusesUntilRestoredAndGivesBackWhatEnded) {
  DiagCapture quiet;
  PlatformReset reset;
  TFramework::SetTimeoutOverride(2000);
  const auto simulator = StartedSimulator("tcp://127.0.0.1:0");
  zelsim::LinkRelay relay(simulator->Endpoint());
  ASSERT_TRUE(relay.Start());
  std::size_t firstRound = 0;
  for (int round = 0; round < 4; ++round) {
    // A reconnection takes ZeroMQ a moment.
    ASSERT_TRUE(Eventually([&] { return Answers(relay.Endpoint()); })) << round;
    if (round == 0) firstRound = relay.Connections();
    relay.Cut();
    EXPECT_FALSE(Answers(relay.Endpoint())) << round;
    relay.Restore();
  }
  EXPECT_LE(relay.Connections(), firstRound + 1);
  std::string error;
  EXPECT_FALSE(zelsim::LinkRelay("inproc://presence").Start(&error));
  EXPECT_EQ(error, "cannot relay inproc://presence: not a tcp endpoint on loopback");
}

}  // namespace
