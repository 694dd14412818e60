// Requests and actions from JSON and back: what a caller sends is read
// strictly, written again the same, and carried by the library's request
// object as it was asked.

#include "RequestJson.h"

#include <gtest/gtest.h>

#include <string>

#include "ActionJson.h"
#include "DiagCapture.h"
#include "JsonInput.h"

namespace {

using zeljson::Json;
using User = ZelTUserPresence;

// An action read, written, read again and sent through the library's
// request object (to a server that is not there, so the object keeps what
// its method stored) is the action as normalised once.
TEST(ActionJsonTest, EveryActionRoundTripsThroughJsonAndTheLibrarysRequest) {
  const struct { const char* path; const char* body; const char* normalised; } cases[] = {
      {"routing-state", R"({"state": "work", "reason": 3, "synchronous": true})",
       R"({"state":{"name":"Work","value":2},"reason":3,"synchronous":true})"},
      {"routing-state", R"({"state": 1})",
       R"({"state":{"name":"Unavailable","value":1},"reason":0,"synchronous":false})"},
      {"primary-contact", R"({"contactId": "C42-3"})", R"({"contactId":"C42-3","requeueCount":0})"},
      {"recovery-mode", R"({"on": true})", R"({"on":true})"},
      {"contact-assist", R"({"on": false})", R"({"on":false})"},
      {"wrapup", R"({"contactId": "C42-2", "requeueCount": 1, "queueKey": 12, "sequenceNumber": 3, "reasons": [7, 9]})",
       R"({"contactId":"C42-2","requeueCount":1,"queueKey":12,"sequenceNumber":3,"reasons":[7,9]})"},
      {"wrapup", R"({"contactId": ""})",
       R"({"contactId":"","requeueCount":0,"queueKey":0,"sequenceNumber":0,"reasons":[]})"},
      {"post-processing-request", R"({"contactId": "C42-2", "reason": -5})",
       R"({"contactId":"C42-2","requeueCount":0,"reason":-5})"},
      {"post-processing-exit", R"({"contactId": "C42-2", "requeueCount": 2147483647})",
       R"({"contactId":"C42-2","requeueCount":2147483647})"},
      {"post-processing-cancel", R"({"contactId": "C44-2", "requeueCount": -2147483648})",
       R"({"contactId":"C44-2","requeueCount":-2147483648})"},
  };
  DiagCapture quiet;  // the calls fail
  for (const auto& c : cases) {
    User::Action action = User::ACTION_NONE;
    ASSERT_TRUE(zeljson::ActionFromPathName(c.path, action)) << c.path;
    EXPECT_STREQ(zeljson::ActionPathName(action), c.path);
    zeljson::UserAction read;
    std::string error;
    ASSERT_TRUE(zeljson::FromJson(action, Json::parse(c.body), read, &error)) << c.body << ": " << error;
    const Json written = zeljson::ToJson(read);
    EXPECT_EQ(zeljson::Text(written), c.normalised);
    zeljson::UserAction again;
    ASSERT_TRUE(zeljson::FromJson(action, written, again, &error)) << error;
    EXPECT_EQ(zeljson::ToJson(again), written);

    const zeljson::AimedUserPresence user(42, "agent42", read);
    Json carried = zeljson::RequestJson(user);
    EXPECT_EQ(carried["action"]["value"], action) << c.path;
    EXPECT_EQ(carried["userKey"], 42);
    for (const auto& member : written.items()) EXPECT_EQ(carried[member.key()], member.value()) << c.path;
  }
  for (const char* unknown : {"", "query", "Routing-State", "routing-state/", "internal-set-acd-state"}) {
    User::Action action = User::ACTION_NONE;
    EXPECT_FALSE(zeljson::ActionFromPathName(unknown, action)) << unknown;
  }
}

// Bad input gets one clear line, never a crash, and leaves what the caller
// had alone.
TEST(ActionJsonTest, HostileBodiesAreRefusedWithTheirFirstFault) {
  const std::string deep = std::string(200, '[') + std::string(200, ']');
  const struct { const char* path; std::string text; std::string error; } cases[] = {
      {"recovery-mode", "{\"on\": tru", "malformed JSON"},
      {"recovery-mode", deep, "malformed JSON: nested deeper than 16"},
      {"recovery-mode", "{\"on\": \"\xc3\x28\"}", "malformed JSON"},
      {"recovery-mode", "[true]", "body: expected a JSON object"},
      {"recovery-mode", "{}", "body: member \"on\" is required"},
      {"recovery-mode", R"({"on": "yes"})", "body: member \"on\": expected true or false"},
      {"recovery-mode", R"({"on": true, "On": true})", "body: unknown member \"On\""},
      {"recovery-mode", R"({"on": true, "on": false})", "malformed JSON: member \"on\" given twice"},
      {"wrapup", R"({"contactId": "c", "x": [{"a": 1, "b": {"a": 1}}, {"a": 1, "a": 2}]})",
       "malformed JSON: member \"a\" given twice"},
      {"routing-state", R"({"state": "Busy"})",
       "body: member \"state\": expected a routing state: one of Available, Unavailable, Work, Logoff, Unknown, or its "
       "number"},
      {"routing-state", R"({"state": 2, "reason": 2147483648})",
       "body: member \"reason\": expected an integer from -2147483648 to 2147483647"},
      {"routing-state", R"({"state": 2, "reason": -2147483649})",
       "body: member \"reason\": expected an integer from -2147483648 to 2147483647"},
      {"routing-state", R"({"state": 2, "reason": 1e300})",
       "body: member \"reason\": expected an integer from -2147483648 to 2147483647"},
      {"routing-state", R"({"state": 2, "reason": 3.5})",
       "body: member \"reason\": expected an integer from -2147483648 to 2147483647"},
      {"routing-state", R"({"state": 2, "reason": 18446744073709551615})",
       "body: member \"reason\": expected an integer from -2147483648 to 2147483647"},
      {"primary-contact", "{\"contactId\": \"" + std::string(1025, 'x') + "\"}",
       "body: member \"contactId\": longer than 1024 bytes"},
      {"primary-contact", R"({"contactId": null})", "body: member \"contactId\": expected a string"},
      {"wrapup", R"({"contactId": "c", "reasons": [1, "2"]})",
       "body: member \"reasons\": expected integers from -2147483648 to 2147483647"},
      {"wrapup", R"({"contactId": "c", "reasons": {"a": 1}})", "body: member \"reasons\": expected a list of integers"},
      {"wrapup", "{\"contactId\": \"c\", \"reasons\": [" + std::string(400, '9') + "]}",
       "malformed JSON: number overflow parsing '999"},
  };
  for (const auto& c : cases) {
    User::Action action = User::ACTION_NONE;
    ASSERT_TRUE(zeljson::ActionFromPathName(c.path, action));
    zeljson::UserAction kept;
    kept.contactId = "kept";
    std::string error;
    Json body;
    const bool parsed = zeljson::Parse(c.text, body, &error);
    if (parsed) {
      EXPECT_FALSE(zeljson::FromJson(action, body, kept, &error)) << c.text.substr(0, 80);
    }
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.text.substr(0, 80) << " -> " << error;
    EXPECT_EQ(kept.contactId, "kept");
  }
  std::string many = "{\"contactId\": \"c\", \"reasons\": [0";
  for (int i = 0; i < 256; ++i) many += ",1";
  Json body = Json::parse(many + "]}");
  zeljson::UserAction read;
  std::string error;
  EXPECT_FALSE(zeljson::FromJson(User::ACTION_SUBMIT_WRAPUP, body, read, &error));
  EXPECT_EQ(error, "body: member \"reasons\": more than 256 items");
}

TEST(RequestJsonTest, QueriesAndCapabilitiesRoundTripAndThePasswordIsNeverWritten) {
  std::string error;
  ZelTQueryUsersPresence users;
  ASSERT_TRUE(zeljson::FromJson(Json::parse(R"({"queryType": "logged on voice users"})"), users, &error)) << error;
  EXPECT_EQ(users.GetQueryType(), ZelTQueryUsersPresence::QUERYTYPE_LOGGED_ON_VOICE_USERS);
  EXPECT_EQ(zeljson::Text(zeljson::RequestJson(users)), R"({"queryType":{"name":"Logged On Voice Users","value":1}})");
  ZelTQueryUsersPresence again;
  ASSERT_TRUE(zeljson::FromJson(zeljson::RequestJson(users), again, &error));
  EXPECT_EQ(again.GetQueryType(), users.GetQueryType());
  EXPECT_FALSE(zeljson::FromJson(Json::parse(R"({"queryType": 7})"), again, &error));

  ZelTAddCapability add;
  ASSERT_TRUE(zeljson::FromJson(Json::parse(R"({"userKey": 42, "parameters": "+49 30 1234567"})"), add, &error));
  const Json added = zeljson::RequestJson(add);
  EXPECT_EQ(zeljson::Text(added),
            R"({"userKey":42,"type":{"name":"Campaign Director","value":2},"parameters":"+49 30 1234567"})");
  ZelTRemoveCapability remove;
  ASSERT_TRUE(zeljson::FromJson(added, remove, &error)) << error;
  EXPECT_EQ(zeljson::RequestJson(remove), added);
  EXPECT_FALSE(zeljson::FromJson(Json::parse(R"({"userKey": 42, "type": 3})"), remove, &error));
  EXPECT_FALSE(zeljson::FromJson(Json::parse(R"({"type": 2})"), remove, &error));
  EXPECT_EQ(error, "body: member \"userKey\" is required");

  ZelTQueryIntegratedPresence presence;
  const Json asked = Json::parse(
      R"({"presentities": [{"presenceId": "alice@example.com", "userName": "alice", "extension": "4711"},
                           {"presenceId": "bob@example.com"}],
          "userId": "supervisor", "password": "s3cret", "agentId": "agent-7"})");
  ASSERT_TRUE(zeljson::FromJson(asked, presence, &error)) << error;
  EXPECT_EQ(presence.GetUserPassword(), "s3cret");
  const std::string written = zeljson::Text(zeljson::RequestJson(presence));
  EXPECT_EQ(
      written,
      R"({"presentities":[{"presenceId":"alice@example.com","userName":"alice","extension":"4711"},)"
      R"({"presenceId":"bob@example.com","userName":"","extension":""}],"userId":"supervisor","agentId":"agent-7"})");
  ZelTQueryIntegratedPresence reread;
  ASSERT_TRUE(zeljson::FromJson(Json::parse(written), reread, &error)) << error;
  EXPECT_EQ(zeljson::Text(zeljson::RequestJson(reread)), written);
  Json four = asked;
  four["presentities"].push_back(four["presentities"][0]);
  four["presentities"].push_back(four["presentities"][0]);
  EXPECT_FALSE(zeljson::FromJson(four, reread, &error));
  EXPECT_EQ(error, "body: member \"presentities\": expected a list of at most 3 presentities");
  EXPECT_EQ(reread.GetUserId(), "supervisor");  // untouched by the refused read
}

}  // namespace
