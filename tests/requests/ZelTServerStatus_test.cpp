#include "zelclnt/requests/ZelTServerStatus.h"

#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "Bytes.h"
#include "Endpoints.h"
#include "PresenceSimulator.h"
#include "zelclnt/core/ZelAPresenceServer.h"

namespace {

using PS = ZelTPresenceServer;

ZelTServerStatus Filled() {
  ZelTServerStatus status("admin:1", "watchdog:2", "ignored", "presence-a", static_cast<Generic::SERVERTYPES>(7));
  status.SetDescription("second text");
  status.SetPort(8080);
  status.SetHost("srv");
  status.SetValueA(-3);
  status.SetValueB(70000);
  status.SetCurrentStatus(TGenericStatus::STATUS_UP);
  status.SetCurrentStatus(TGenericStatus::STATUS_ACTIVE);
  status.SetFlag(true);
  status.SetSecondState(9);
  status.SetAction(static_cast<ZelTServerStatus::Action>(65537));
  status.SetServerStartedAt(TTimeStamp::FromMilliseconds(1796605323045, true));
  status.SetShutdown();
  status.SetKvlEnabled(true);
  status.SetHeartbeatInterval(4000000000UL);
  status.SetActionResult(PS::ACTION_SUCCEEDED);
  status.SetActionError(PS::ERR_SHUTTING_DOWN);
  status.SetRequestMode(ZelTRequest::REQUESTMODE_ASYNC);
  return status;
}

auto Transmitted(const ZelTServerStatus& s) {
  return std::make_tuple(s.GetActionResult(), s.GetErrorCode(), s.GetRequestMode(), s.GetServerName(),
                         s.GetServerType(), s.GetDescription(), s.GetHost(), s.GetPort(), s.GetValueA(), s.GetValueB(),
                         s.GetCurrentStatus(), s.GetPreviousStatus(), s.GetStatusChangedAt(), s.GetFlag(),
                         s.GetSecondStateChangedAt(), s.GetAction(), s.GetServerStartedAt(), s.GetWatchdogAddr(),
                         s.GetAdminAddr(), s.IsShutdown(), s.IsKvlEnabled(), s.GetHeartbeatInterval());
}

TEST(ZelTServerStatusTest, DefaultsAndWireAndCopiesCarryEveryFieldButTheLocalOnes) {
  const ZelTServerStatus fresh;
  EXPECT_EQ(std::make_tuple(fresh.GetServerType(), fresh.GetAction(), fresh.GetHeartbeatInterval(), fresh.IsShutdown(),
                            fresh.IsKvlEnabled(), fresh.GetSecondState(), fresh.GetObjectType(), fresh.GetRpcType()),
            std::make_tuple(22, ZelTServerStatus::ACTION_NONE, 10000UL, false, false, 2, 35001, 35001));
  EXPECT_EQ(ZelQorvServerSummary().GetServerType(), 26);

  const ZelTServerStatus sent = Filled();
  EXPECT_EQ(std::make_tuple(sent.GetAdminAddr(), sent.GetWatchdogAddr(), sent.GetServerName(), sent.GetServerType()),
            std::make_tuple("admin:1", "watchdog:2", "presence-a", 7)) << "the five-text constructor";
  EXPECT_EQ(sent.GetAddress(), "8080@srv");
  const std::string bytes = BytesOf(sent);
  ZelTServerStatus read;
  EXPECT_EQ(Read(bytes, read), 0u);
  EXPECT_EQ(Transmitted(read), Transmitted(sent));
  EXPECT_EQ(std::make_tuple(read.GetSecondState(), read.GetActionType(), read.GetServerStartedAt()),
            std::make_tuple(2, 1, "2026/12/07 01:02:03"));

  ZelTServerStatus down = Filled();
  down.TakeOver(TGenericStatus(17, 2, 70000, 9));
  ASSERT_EQ(down.GetDownCode(), 3);
  ZelTServerStatus readDown;
  Read(BytesOf(down), readDown);
  EXPECT_EQ(readDown.GetDownCode(), 0) << "the down code is the client's own";
  const ZelTServerStatus copy(down);
  EXPECT_EQ(Transmitted(copy), Transmitted(down));
  EXPECT_EQ(std::make_tuple(copy.GetSecondState(), copy.GetDownCode()), std::make_tuple(9, 3));
}

// The take-over sets the down code only for a server that is not up; the up
// test goes by server type.
TEST(ZelTServerStatusTest, StatusChangesTakeOverAndUpTests) {
  ZelTServerStatus status;
  status.SetCurrentStatus(TGenericStatus::STATUS_UP);
  const TTimeStamp changedAt = status.GetStatusChangedAt();
  status.SetCurrentStatus(TGenericStatus::STATUS_UP);
  EXPECT_EQ(status.GetPreviousStatus(), TGenericStatus::STATUS_UNKNOWN);
  EXPECT_EQ(status.GetStatusChangedAt(), changedAt);
  status.SetCurrentStatus(TGenericStatus::STATUS_STANDBY);
  EXPECT_EQ(status.GetPreviousStatus(), TGenericStatus::STATUS_UP);
  EXPECT_TRUE(status.GetStatusChangedAt().IsGMT());

  const struct { std::uint16_t type; std::int16_t status; std::int32_t downCode; bool up; } cases[] = {
      {1, 8, 0, true}, {1, 1, 0, false}, {11, 16, 0, true}, {11, 1, 0, true}, {5, 0, 2, false}, {5, 1, 0, true},
      {0, 0, 7, false}, {17, 2, 3, false}, {99, 0, 0, false}};
  for (const auto& c : cases) {
    ZelQorvServerStatus taken;
    taken.TakeOver(TGenericStatus(c.type, c.status, 123, 4));
    EXPECT_EQ(std::make_tuple(taken.GetServerType(), taken.GetValueB(), taken.GetSecondState(), taken.GetDownCode(),
                              taken.IsUp()),
              std::make_tuple(c.type, 123, 4, c.downCode, c.up)) << c.type << "/" << c.status;
  }
}

// The reply is the simulator's own whatever the call carried: its server
// type, up since it started, no watchdog or administration peer.
TEST(ZelTServerStatusTest, QueryReturnsTheSimulatorsStatusOverInprocAndTcp) {
  for (const std::string& endpoint : {UniqueInproc("status-test"), std::string("tcp://127.0.0.1:0")}) {
    zelsim::SimulatorOptions options;
    options.endpoint = endpoint;
    options.heartbeatInterval = 2500;
    options.kvlEnabled = true;
    zelsim::PresenceSimulator simulator(options);
    const TTimeStamp beforeStart(0);
    ASSERT_TRUE(simulator.Start());
    const TTimeStamp afterStart(0);
    // So that a stamp of the query's time could not pass for the start's:
    // the next millisecond of the wall clock, which stamps both.
    while (TTimeStamp(0).MillisecondsSince1970() <= afterStart.MillisecondsSince1970()) std::this_thread::yield();
    ZelAPresenceServer api("test", "client");
    ZelTServerStatus status = Filled();
    status.SetAction(static_cast<ZelTServerStatus::Action>(7));
    EXPECT_EQ(api.QueryServerStatus(simulator.Endpoint(), status), PS::ACTION_SUCCEEDED) << endpoint;
    EXPECT_EQ(std::make_tuple(status.GetAction(), status.GetServerName(), status.GetServerType(),
                              status.GetHeartbeatInterval(), status.IsKvlEnabled(), status.IsShutdown(),
                              status.GetCurrentStatus(), status.GetPreviousStatus(),
                              status.GetServerStartedAt().size(), status.GetWatchdogAddr(), status.GetAdminAddr(),
                              status.GetHost()),
              std::make_tuple(ZelTServerStatus::ACTION_QUERY, "presence-sim", Generic::SERVERTYPE_PRESENCE, 2500UL,
                              true, false, TGenericStatus::STATUS_UP, TGenericStatus::STATUS_UNKNOWN, 19u, "", "",
                              simulator.Endpoint()))
        << endpoint;
    const std::int64_t changedAt = status.GetStatusChangedAt().MillisecondsSince1970();
    EXPECT_TRUE(changedAt >= beforeStart.MillisecondsSince1970() && changedAt <= afterStart.MillisecondsSince1970())
        << endpoint << ": the status changed when the simulator started, not at " << changedAt;
  }
}

}  // namespace
