#include "LinkRelay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "DiagCapture.h"
#include "PlatformReset.h"
#include "PresenceSimulator.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

using Clock = std::chrono::steady_clock;

bool Answers(const std::string& server) {
  ZelAPresenceServer api("test", "relay");
  ZelTServerStatus status;
  return api.QueryServerStatus(server, status) == ZelTPresenceServer::ACTION_SUCCEEDED;
}

// A reconnection takes ZeroMQ a moment; 20 seconds is far above it.
bool AnswersSoon(const std::string& server) {
  for (const auto until = Clock::now() + std::chrono::seconds(20); Clock::now() < until;) {
    if (Answers(server)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// A cut link answers nothing until restored; a link cut again and again
// holds no more than the connections of one round.
TEST(LinkRelayTest, CutRefusesUntilRestoredAndGivesBackWhatEnded) {
  DiagCapture quiet;
  PlatformReset reset;
  TFramework::SetTimeoutOverride(2000);
  zelsim::SimulatorOptions options;
  options.endpoint = "tcp://127.0.0.1:0";
  zelsim::PresenceSimulator simulator(options);
  ASSERT_TRUE(simulator.Start());
  zelsim::LinkRelay relay(simulator.Endpoint());
  ASSERT_TRUE(relay.Start());
  std::size_t firstRound = 0;
  for (int round = 0; round < 4; ++round) {
    ASSERT_TRUE(AnswersSoon(relay.Endpoint())) << round;
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
