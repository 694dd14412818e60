#include "zelclnt/requests/ZelTCapabilityRequest.h"

#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"
#include "DiagCapture.h"
#include "Endpoints.h"
#include "zelclnt/core/ZelAPresenceServer.h"
#include "zelclnt/platform/TRPCServer.h"

namespace {

using PS = ZelTPresenceServer;
using Type = ZelTUserCapability::enCapabilityType;

TEST(ZelTCapabilityRequestTest, BodiesIdentitiesAndOnlyCampaignDirectorIsSent) {
  ZelTAddCapability add;
  add.SetUserKey(42);
  add.SetCapabilityType(ZelTUserCapability::CAPABILITY_CAMPAIGN_DIRECTOR);
  add.SetParameter("x");
  EXPECT_EQ(BytesOf(add), BytesOf(true, 1, 0, 0, 42L, 2, std::string("x")));
  EXPECT_EQ(add.GetActionType(), 0);

  ZelTRemoveCapability remove;
  remove.SetUserKey(42);
  remove.SetCapabilityType(Type{65538});
  remove.SetParameters("x");
  const ZelTRemoveCapability copy(remove);
  EXPECT_EQ(copy.GetCapabilityType(), 2) << "the 16-bit getter";
  const std::string body = BytesOf(copy);

  ZelTRemoveCapability received;
  received.SetCapabilityType(ZelTUserCapability::CAPABILITY_DESKTOP);
  Read(body.substr(0, body.size() - 8), received);
  EXPECT_EQ(received.GetUserKey(), 42);
  EXPECT_EQ(received.GetCapabilityTypeValue(), ZelTUserCapability::CAPABILITY_DESKTOP) << "cut before the type";

  // Only the campaign-director capability is sent, judged by the whole
  // value; any other is refused as not sent, whatever failed before.
  TRPCServer server(UniqueInproc("capability-guard"), [](TRPC& rpc) { rpc.SetReturnCode(5); });
  ASSERT_TRUE(server.Start());
  DiagCapture quiet;
  ZelAPresenceServer api;
  std::size_t sent = 0;
  for (const int type : {0, 1, 2, 3, 65538, -2}) {
    add.SetCapabilityType(Type{type});
    remove.SetCapabilityType(Type{type});
    EXPECT_EQ(api.AddCapability(UniqueInproc("capability-absent"), add), PS::ACTION_NOT_CARRIED_OUT);
    EXPECT_EQ(api.AddCapability(server.Endpoint(), add), PS::ACTION_NOT_CARRIED_OUT);
    const std::string refused =
        type == 2 ? "" : "not sent to " + server.Endpoint() + ": capability type " + std::to_string(type) +
                             " is not one the server changes";
    EXPECT_EQ(add.GetCallOutcome().text, refused) << type;
    EXPECT_EQ(api.RemoveCapability(server.Endpoint(), remove), PS::ACTION_NOT_CARRIED_OUT);
    if (type == 2) sent += 2;
    EXPECT_EQ(server.CallsServed(), sent) << type;
  }
}

}  // namespace
