#include "zelclnt/requests/ZelTServerStatus.h"

#include <gtest/gtest.h>

#include "DiagCapture.h"
#include "PresenceSimulator.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/platform/TPack.h"

namespace {

using PS = ZelTPresenceServer;

ZelTServerStatus Filled() {
  ZelTServerStatus status("admin:1", "watchdog:2", "ignored", "presence-a", Generic::SERVERTYPE_PRESENCE);
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

void ExpectTransmittedEqual(const ZelTServerStatus& a, const ZelTServerStatus& b) {
  EXPECT_EQ(a.GetActionResult(), b.GetActionResult());
  EXPECT_EQ(a.GetErrorCode(), b.GetErrorCode());
  EXPECT_EQ(a.GetRequestMode(), b.GetRequestMode());
  EXPECT_EQ(a.GetServerName(), b.GetServerName());
  EXPECT_EQ(a.GetServerType(), b.GetServerType());
  EXPECT_EQ(a.GetDescription(), b.GetDescription());
  EXPECT_EQ(a.GetAddress(), b.GetAddress());
  EXPECT_EQ(a.GetValueA(), b.GetValueA());
  EXPECT_EQ(a.GetValueB(), b.GetValueB());
  EXPECT_EQ(a.GetCurrentStatus(), b.GetCurrentStatus());
  EXPECT_EQ(a.GetPreviousStatus(), b.GetPreviousStatus());
  EXPECT_EQ(a.GetStatusChangedAt(), b.GetStatusChangedAt());
  EXPECT_EQ(a.GetFlag(), b.GetFlag());
  EXPECT_EQ(a.GetSecondStateChangedAt(), b.GetSecondStateChangedAt());
  EXPECT_EQ(a.GetAction(), b.GetAction());
  EXPECT_EQ(a.GetServerStartedAt(), b.GetServerStartedAt());
  EXPECT_EQ(a.GetWatchdogAddr(), b.GetWatchdogAddr());
  EXPECT_EQ(a.GetAdminAddr(), b.GetAdminAddr());
  EXPECT_EQ(a.IsShutdown(), b.IsShutdown());
  EXPECT_EQ(a.IsKvlEnabled(), b.IsKvlEnabled());
  EXPECT_EQ(a.GetHeartbeatInterval(), b.GetHeartbeatInterval());
}

TEST(ZelTServerStatusTest, DefaultsOfANewRequest) {
  const ZelTServerStatus status;
  EXPECT_EQ(status.GetServerType(), 22);
  EXPECT_EQ(status.GetAction(), ZelTServerStatus::ACTION_NONE);
  EXPECT_EQ(status.GetHeartbeatInterval(), 10000u);
  EXPECT_FALSE(status.IsShutdown());
  EXPECT_FALSE(status.IsKvlEnabled());
  EXPECT_TRUE(status.GetServerStartedAt().empty() && status.GetWatchdogAddr().empty() &&
              status.GetAdminAddr().empty());
  EXPECT_TRUE(status.GetServerName().empty() && status.GetDescription().empty() && status.GetHost().empty());
  EXPECT_EQ(status.GetSecondState(), 2);
  EXPECT_EQ(status.GetObjectType(), 35001);
  EXPECT_EQ(status.GetRpcType(), 35001);
  EXPECT_EQ(ZelQorvServerSummary().GetServerType(), 26);
}

TEST(ZelTServerStatusTest, FiveTextConstructorPlacesItsTexts) {
  const ZelTServerStatus status("admin", "watchdog", "third", "name", static_cast<Generic::SERVERTYPES>(7));
  EXPECT_EQ(status.GetAdminAddr(), "admin");
  EXPECT_EQ(status.GetWatchdogAddr(), "watchdog");
  EXPECT_EQ(status.GetServerName(), "name");
  EXPECT_EQ(status.GetServerType(), 7);
}

TEST(ZelTServerStatusTest, WireRoundTripKeepsLocalFieldsOfTheReader) {
  const ZelTServerStatus sent = Filled();
  TPack pack;
  pack << sent;
  ZelTServerStatus read;
  TPack reader(pack.Contents(), pack.Length());
  reader >> read;
  EXPECT_EQ(reader.Length(), 0u);
  ExpectTransmittedEqual(read, sent);
  EXPECT_EQ(read.GetSecondState(), 2);
  EXPECT_EQ(read.GetActionType(), 1);
  EXPECT_EQ(read.GetServerStartedAt(), "2026/12/07 01:02:03");
}

TEST(ZelTServerStatusTest, CopyTakesEveryField) {
  const ZelTServerStatus original = Filled();
  const ZelTServerStatus copy(original);
  ExpectTransmittedEqual(copy, original);
  EXPECT_EQ(copy.GetSecondState(), 9);
  EXPECT_EQ(copy.GetDownCode(), original.GetDownCode());
}

TEST(ZelTServerStatusTest, ReadCutAtAnyByteNeverFails) {
  TPack pack;
  pack << Filled();
  for (unsigned long size = 0; size < pack.Length(); ++size) {
    TPack reader(pack.Contents(), size);
    ZelTServerStatus read;
    reader >> read;
    EXPECT_LE(reader.Length(), size);
  }
}

TEST(ZelTServerStatusTest, StatusChangesMoveTheCurrentValue) {
  ZelTServerStatus status;
  status.SetCurrentStatus(TGenericStatus::STATUS_UP);
  const TTimeStamp changedAt = status.GetStatusChangedAt();
  status.SetCurrentStatus(TGenericStatus::STATUS_UP);
  EXPECT_EQ(status.GetPreviousStatus(), TGenericStatus::STATUS_UNKNOWN);
  EXPECT_EQ(status.GetStatusChangedAt(), changedAt);
  status.SetCurrentStatus(TGenericStatus::STATUS_STANDBY);
  EXPECT_EQ(status.GetPreviousStatus(), TGenericStatus::STATUS_UP);
  EXPECT_TRUE(status.GetStatusChangedAt().IsGMT());
}

TEST(ZelTServerStatusTest, TakeOverAndUpTests) {
  struct Case {
    std::uint16_t type;
    std::int16_t status;
    bool up;
    std::int32_t downCode;
  };
  const Case cases[] = {{1, 8, true, 0}, {1, 1, true, 0}, {11, 16, true, 0}, {11, 1, true, 0},
                        {5, 0, false, 2}, {0, 0, false, 7}, {17, 2, false, 3}, {99, 0, false, 0}};
  for (const Case& c : cases) {
    ZelQorvServerStatus status;
    status.TakeOver(TGenericStatus(c.type, c.status, 123, 4));
    EXPECT_EQ(status.GetServerType(), c.type);
    EXPECT_EQ(status.GetValueB(), 123);
    EXPECT_EQ(status.GetSecondState(), 4);
    EXPECT_EQ(status.GetDownCode(), c.downCode) << c.type << "/" << c.status;
  }
  ZelQorvServerStatus type1;
  type1.SetServerType(static_cast<Generic::SERVERTYPES>(1));
  type1.SetCurrentStatus(TGenericStatus::STATUS_ACTIVE);
  EXPECT_TRUE(type1.IsUp());
  type1.SetCurrentStatus(TGenericStatus::STATUS_UP);
  EXPECT_FALSE(type1.IsUp());
  ZelQorvServerSummary summary;
  summary.SetPort(8080);
  summary.SetHost("srv");
  EXPECT_EQ(summary.GetAddress(), "8080@srv");
}

TEST(ZelTServerStatusTest, QueryReturnsTheSimulatorsStatusOverInprocAndTcp) {
  for (const std::string& endpoint : {std::string("inproc://status-test"), std::string("tcp://127.0.0.1:0")}) {
    zelsim::SimulatorOptions options;
    options.endpoint = endpoint;
    options.heartbeatInterval = 2500;
    options.kvlEnabled = true;
    zelsim::PresenceSimulator simulator(options);
    ASSERT_TRUE(simulator.Start());
    ZelAPresenceServer api("test", "client");
    ZelTServerStatus status;
    status.SetAction(static_cast<ZelTServerStatus::Action>(7));
    DiagCapture diag("FENX");
    EXPECT_EQ(api.QueryServerStatus(simulator.Endpoint(), status), PS::ACTION_SUCCEEDED) << endpoint;
    EXPECT_EQ(status.GetAction(), ZelTServerStatus::ACTION_QUERY);
    EXPECT_EQ(status.GetServerName(), "presence-sim");
    EXPECT_EQ(status.GetHeartbeatInterval(), 2500u);
    EXPECT_TRUE(status.IsKvlEnabled());
    EXPECT_EQ(status.GetCurrentStatus(), TGenericStatus::STATUS_UP);
    EXPECT_EQ(status.GetServerStartedAt().size(), 19u);
    EXPECT_EQ(status.GetWatchdogAddr(), options.watchdogAddr);
    const auto traces = diag.Texts(TDiag::FENX);
    ASSERT_GE(traces.size(), 2u);
    EXPECT_EQ(traces.front(), "ZelAPresenceServer::QueryServerStatus. Enter function.");
    EXPECT_EQ(traces.back(), "ZelAPresenceServer::QueryServerStatus. Exit function.");
  }
}

}  // namespace
