// The JSON forms of records and events, as exact texts: what a browser or
// a script reads must not change behind its back.

#include "RecordJson.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "DiagCapture.h"
#include "DocTables.h"
#include "EnumJson.h"
#include "Enumerations.h"
#include "EventJson.h"
#include "JsonWriter.h"
#include "UserJson.h"
#include "ZelTEventControl.h"
#include "ZelTPostProcessingControl.h"
#include "ZelTUserPresenceControl.h"
#include "zelclnt/zelclnt.h"

namespace {

using zeljson::Json;
using Control = ZelTUserPresenceControl;

const TTimeStamp kTime = TTimeStamp::FromMilliseconds(1796605323045, true);

TEST(JsonValuesTest, TimeStampsAreIsoUtcWithMillisecondsForEveryInstant) {
  const struct { std::int64_t ms; const char* text; } cases[] = {
      {0, "1970-01-01T00:00:00.000Z"}, {1796605323045, "2026-12-07T01:02:03.045Z"}, {-1, "1969-12-31T23:59:59.999Z"},
      {253402300799999, "9999-12-31T23:59:59.999Z"}, {253402300800000, "+010000-01-01T00:00:00.000Z"},
      {-62167219200000, "0000-01-01T00:00:00.000Z"}, {-62167219200001, "-000001-12-31T23:59:59.999Z"},
      {INT64_MAX, "+292278994-08-17T07:12:55.807Z"}, {INT64_MIN, "-292275055-05-16T16:47:04.192Z"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(zeljson::IsoTime(c.ms), c.text) << c.ms;
    // The flag says how to show a stamp, not when it was.
    EXPECT_EQ(zeljson::TimeJson(TTimeStamp::FromMilliseconds(c.ms, false)), c.text) << c.ms;
  }
  EXPECT_TRUE(zeljson::TimeJson(TTimeStamp(1)).is_null());
}

using Form = std::function<Json(std::int32_t)>;

template <typename E>
Form FormOf() {
  return [](std::int32_t value) { return zeljson::ToJson(static_cast<E>(value)); };
}

// A name is shown exactly where the library has a text, and it is that text.
TEST(EnumJsonTest, EveryEnumerationNamesTheValuesTheLibraryHasATextForAndNoOthers) {
  using PS = ZelTPresenceServer;
  using Summary = ZelTIntegratedPresenceSummary;
  const std::map<std::string, Form> forms = {
      {"ZelTPresenceServer::ErrorCode", FormOf<PS::ErrorCode>()},
      {"ZelTPresenceServer::enEvent", FormOf<PS::enEvent>()},
      {"ZelTRequest::RequestMode", FormOf<ZelTRequest::RequestMode>()},
      {"ZelTQueryUsersPresence::enQueryType", FormOf<ZelTQueryUsersPresence::enQueryType>()},
      {"ZelTUserCapability::enCapabilityType", FormOf<ZelTUserCapability::enCapabilityType>()},
      {"ZelTIntegratedPresenceSummary::IntegratedPresence", FormOf<Summary::IntegratedPresence>()},
      {"ZelTIntegratedPresenceSummary::IntegratedPresenceSource", FormOf<Summary::IntegratedPresenceSource>()},
      {"ZelTIntegratedPresenceSummary::MediaStatus", FormOf<Summary::MediaStatus>()},
      {"ZelTIntegratedPresenceSummary::RoutingStateReasonType", FormOf<Summary::RoutingStateReasonType>()},
      {"KRVEnum::MEDIUM", FormOf<KRVEnum::MEDIUM>()}, {"enMediaState", FormOf<enMediaState>()},
      {"enMediaStateCause", FormOf<enMediaStateCause>()}, {"enReadinessState", FormOf<enReadinessState>()},
      {"enReadinessCause", FormOf<enReadinessCause>()}, {"enSilentMonitoringType", FormOf<enSilentMonitoringType>()},
      {"enRefType", FormOf<enRefType>()},
      {"THandlingStateEnum::enContactType", FormOf<THandlingStateEnum::enContactType>()},
      {"enContactState", FormOf<enContactState>()},
      {"enHandlingCause", FormOf<enHandlingCause>()},
      {"TMediaServerCommonEnum::enCSMStateCause", FormOf<TMediaServerCommonEnum::enCSMStateCause>()},
      {"ZelTRoutingState::enRoutingState", FormOf<ZelTRoutingState::enRoutingState>()},
      {"ZelTRoutingState::enInitialRoutingStateSource", FormOf<ZelTRoutingState::enInitialRoutingStateSource>()},
      {"ZelTPresenceState::enPresenceState", FormOf<ZelTPresenceState::enPresenceState>()},
      {"ZelTDesktopCapability::enDesktopCapability", FormOf<ZelTDesktopCapability::enDesktopCapability>()},
      {"ZelTDesktopCapability::enDesktopCapabilityCause", FormOf<ZelTDesktopCapability::enDesktopCapabilityCause>()},
      {"ZelTEventBase::enEventCause", FormOf<ZelTEventBase::enEventCause>()},
  };
  const std::map<std::string, enumerations::Enumeration> library = enumerations::Library();
  std::vector<std::int32_t> values{INT32_MIN, INT32_MAX};
  for (std::int32_t value = -64; value < 128; ++value) values.push_back(value);
  for (std::int32_t value = 34990; value < 35060; ++value) values.push_back(value);
  for (const auto& [name, form] : forms) {
    std::map<std::int32_t, Json> written;
    {
      DiagCapture lines;
      for (std::int32_t value : values) written[value] = form(value);
      EXPECT_TRUE(lines.Lines().empty()) << name << ": a value without a text must not be logged";
    }
    DiagCapture quiet;  // the library's own texts warn
    const enumerations::Enumeration& enumeration = library.at(name);
    for (std::int32_t value : values) {
      const std::string text = enumeration.text(value);
      EXPECT_EQ(written[value], zeljson::Named(value, text, text != enumeration.fallback(value)))
          << name << " " << value;
    }
  }
}

// The enumerations the library gives no text are named by the tools alone;
// the wire-format document's tables headed "| Value | JSON name |" say
// how, and must say it exactly.
TEST(EnumJsonTest, TheToolsOwnNamesAreThoseTheWireFormatDocumentGives) {
  const std::map<std::string, Form> forms = {
      {"ZelTPresenceServer::ActionResult", FormOf<ZelTPresenceServer::ActionResult>()},
      {"Generic::SERVERTYPES", FormOf<Generic::SERVERTYPES>()},
      {"TGenericStatus::eServerStatus", FormOf<TGenericStatus::eServerStatus>()},
      {"ZelTPostProcessingStatus::enPostProcessingStatus",
       FormOf<ZelTPostProcessingStatus::enPostProcessingStatus>()},
  };
  std::ifstream document(ZELCLNT_WIRE_FORMAT_DOC);
  ASSERT_TRUE(document) << ZELCLNT_WIRE_FORMAT_DOC;
  std::set<std::string> documented;
  for (const doctables::Table& table : doctables::EnumerationTables(document, "JSON name")) {
    const std::string where = "wire-format.md:" + std::to_string(table.line) + " `" + table.enumeration + "`";
    const auto found = forms.find(table.enumeration);
    if (found == forms.end() || !documented.insert(table.enumeration).second) {
      ADD_FAILURE() << where << ": not an enumeration the tools name, or a second table";
      continue;
    }
    std::map<std::int32_t, std::string> rows;
    for (const doctables::Row& row : table.rows) {
      std::int32_t value = 0;
      EXPECT_TRUE(doctables::ParseValue(row.number, value) && rows.emplace(value, row.text).second)
          << "wire-format.md:" << row.line;
    }
    for (const auto& [value, name] : rows) EXPECT_EQ(found->second(value)["name"], Json(name)) << where;
    for (std::int32_t value = -64; value < 1024; ++value) {
      if (rows.count(value) == 0) {
        EXPECT_TRUE(found->second(value)["name"].is_null()) << where << " lacks " << value;
      }
    }
  }
  EXPECT_EQ(documented.size(), forms.size()) << "a table is missing";
}

TEST(EnumJsonTest, ReadsANameInAnyCaseItsNumberOrItsOwnFormButOnlyNamedValues) {
  const std::string expected =
      "expected a routing state: one of Available, Unavailable, Work, Logoff, Unknown, or its number";
  const struct {
    const char* json;
    int value;  // -1: refused
  } cases[] = {
      {R"("Work")", 2}, {R"("wORK")", 2}, {"2", 2}, {R"({"name": "Work", "value": 2})", 2}, {R"({"value": 4})", 4},
      {R"({"name": "logoff"})", 3}, {R"({"name": "Work", "value": 3})", -1}, {R"("Busy")", -1}, {"77", -1}, {"-1", -1},
      {"2.0", -1}, {"true", -1}, {"null", -1}, {R"("")", -1}, {"[2]", -1}, {"{}", -1}, {"4294967298", -1},
      {R"({"name": null, "value": 77})", -1},
  };
  for (const auto& c : cases) {
    ZelTRoutingState::enRoutingState state = ZelTRoutingState::ROUTINGSTATE_AVAILABLE;
    std::string error;
    const bool read =
        zeljson::ParseEnum(Json::parse(c.json), "a routing state", ZelTRoutingState::ROUTINGSTATE_AVAILABLE,
                           ZelTRoutingState::ROUTINGSTATE_UNKNOWN, state, &error);
    EXPECT_EQ(read, c.value >= 0) << c.json;
    EXPECT_EQ(read ? static_cast<int>(state) : -1, c.value) << c.json;
    EXPECT_EQ(error, read ? "" : expected) << c.json;
  }
}

ZelTUserPresence SampleUser() {
  ZelTUserPresence user;
  user.SetUserKey(42);
  user.SetUserID("agent42");
  // A group id from the wire need not be UTF-8.
  Control::SetIdentity(user, "4711", "", 3, 2, 7, "g\xff");
  Control::SetTickCount(user, kTime);
  ZelTMediaState voice;
  voice.media = KRVEnum::MEDIUM_VOICE;
  voice.state = MEDIASTATE_AVAILABLE;
  voice.startTime = kTime;
  Control::MediaStates(user).UpdateMediaState(voice);
  ZelTRoutingState& routing = Control::RoutingState(user);
  routing.SetRoutingState(ZelTRoutingState::ROUTINGSTATE_WORK);
  routing.SetRoutingStateReason(3);
  routing.SetInitialRoutingStateSource(ZelTRoutingState::SOURCE_CTI_QUERY);
  routing.SetStartTime(kTime);
  ZelTHandlingState contact;
  contact.contactId = "C42-1";
  contact.requeueCount = 0;
  contact.contactType = THandlingStateEnum::CONTACTTYPE_ROUTED_EMAIL;
  contact.media = 77;
  contact.contactState = CONTACTSTATE_POSTPROCESSING;
  contact.queueKey = 12;
  contact.startTime = kTime;
  Control::SetCreatedTime(contact, kTime);
  Control::SetReasons(contact, {7, 9});
  ZelTPostProcessingControl::StartMandatory(Control::PostProcessing(contact));
  ZelTHandlingStates& handling = Control::HandlingStates(user);
  handling.AddHandlingState(contact);
  handling.SetPrimaryContactId("C42-1");
  handling.SetPrimaryContactRC(0);
  Control::PresenceState(user, false).SetPresenceState(ZelTPresenceState::PRESENCESTATE_BUSY);
  Control::UserFlags(user).SetIsRecoveryModeOn(true);
  Control::UserFlags(user).SetRecoveryModeStartTime(kTime);
  TSilentMonitoringInfo monitoring;
  monitoring.contactId = "C42-1";
  monitoring.extension = "5000";
  monitoring.type = SILENTMONITORING_BARGEIN;
  Control::SilentMonitoring(user).PushBack(monitoring);
  return user;
}


std::string MediaText() {
  std::string text = std::string(
      "[{\"medium\":{\"name\":\"Voice\",\"value\":1},\"state\":{\"name\":\"Available\",\"value\":2},"
      "\"cause\":{\"name\":\"None\",\"value\":0},\"startTime\":\"2026-12-07T01:02:03.045Z\"}");
  const char* const media[] = {R"({"name":"Callback","value":2})", R"({"name":"Email","value":3})",
                               R"({"name":"Web Chat","value":4})", R"({"name":"OpenMedia","value":5})"};
  for (const char* medium : media)
    text += std::string(",{\"medium\":") + medium +
            R"(,"state":{"name":"Logoff","value":0},"cause":{"name":"None","value":0},"startTime":null})";
  return text + "]";
}

const std::string kUserText =
    R"({"userKey":42,"userId":"agent42","extension":"4711","associatedLine":"","siteKey":3,"businessUnitKey":2,)"
    R"("teamKey":7,"groupId":"g�","media":)" +
    MediaText() +
    R"(,"routingState":{"state":{"name":"Work","value":2},"reason":3,)"
    R"("initialSource":{"name":"CTI Query","value":1},"startTime":"2026-12-07T01:02:03.045Z"},)"
    R"("handling":{"contacts":[{"contactId":"C42-1","requeueCount":0,"reference":null,)"
    R"("referenceType":{"name":"None","value":0},"contactType":{"name":"Routed Email","value":6},)"
    R"("medium":{"name":null,"value":77},"handlingCause":{"name":"None","value":0},"queueKey":12,"priority":0,)"
    R"("contactState":{"name":"PostProcessing","value":10},"startTime":"2026-12-07T01:02:03.045Z",)"
    R"("createdTime":"2026-12-07T01:02:03.045Z","connectedTime":null,"primaryStartTime":null,)"
    R"("postProcessing":{"automatic":{"status":{"name":"Inactive","value":0},"expiryTime":null},)"
    R"("mandatory":{"status":{"name":"Active","value":1},"wrapupReceived":false},)"
    R"("manual":{"status":{"name":"Inactive","value":0},"reason":0}},"reasons":[7,9]}],)"
    R"("primaryContact":{"contactId":"C42-1","requeueCount":0},"oldPrimaryContact":null,"primaryChangedTime":null},)"
    R"("presenceState":{"state":{"name":"Busy","value":2},"startTime":null},)"
    R"("presenceStateExDirectContact":{"state":{"name":"Logoff","value":4},"startTime":null},)"
    R"("capability":{"desktop":{"capability":{"name":"Logoff","value":0},"cause":{"name":"None","value":0},)"
    R"("startTime":null}},"flags":{"phoneOnly":false,"recoveryMode":true,)"
    R"("recoveryModeStartTime":"2026-12-07T01:02:03.045Z","contactAssist":false,"contactAssistStartTime":null},)"
    R"("silentMonitoring":[{"contactId":"C42-1","requeueCount":-1,"extension":"5000",)"
    R"("type":{"name":"BargeIn","value":2}}],"currentTime":"2026-12-07T01:02:03.045Z"})";

// The text written in one go is the mapping; the JSON value is that text
// read back, and a change writes who the user is and its parts alone.
TEST(RecordJsonTest, AUserPresenceIsWholeWithNamesNumbersAndIsoTimes) {
  using Change = ZelTPresenceChange;
  EXPECT_EQ(zeljson::UserText(SampleUser(), Change::PART_ALL), kUserText);
  EXPECT_EQ(zeljson::Text(zeljson::ToJson(SampleUser())), kUserText);
  EXPECT_EQ(zeljson::UserText(SampleUser(), Change::PART_ROUTING_STATE | Change::PART_USER_FLAGS),
            R"({"userKey":42,"userId":"agent42","extension":"4711","associatedLine":"","siteKey":3,)"
            R"("businessUnitKey":2,"teamKey":7,"groupId":"g�","routingState":{"state":{"name":"Work","value":2},)"
            R"("reason":3,"initialSource":{"name":"CTI Query","value":1},"startTime":"2026-12-07T01:02:03.045Z"},)"
            R"("flags":{"phoneOnly":false,"recoveryMode":true,"recoveryModeStartTime":"2026-12-07T01:02:03.045Z",)"
            R"("contactAssist":false,"contactAssistStartTime":null}})");
}

// Whatever bytes a server sends in a text, and whatever value in an
// enumeration, the writer writes what the JSON value's text would.
TEST(JsonWriterTest, WritesExactlyWhatTheJsonValuesTextWrites) {
  const std::string texts[] = {"",
                               "plain",
                               "quote \" and \\ backslash",
                               "\b\f\n\r\t",
                               std::string("\x01\x1f\x7f nul:\0.", 10),
                               "caf\xc3\xa9 \xe2\x82\xac",
                               "bad \xff byte",
                               "cut \xe2\x82",
                               "/slash/"};
  for (const std::string& text : texts) {
    std::string written;
    zeljson::JsonWriter writer(written);
    writer.String(text);
    EXPECT_EQ(written, zeljson::Text(zeljson::Json(text))) << text;
  }
  for (const int value : {-1, 0, 2, 63, 64, 77, INT_MAX, INT_MIN}) {
    const auto state = static_cast<ZelTRoutingState::enRoutingState>(value);
    EXPECT_EQ(zeljson::EnumText(state), zeljson::Text(zeljson::ToJson(state))) << value;
  }
}

TEST(EventJsonTest, EventsNameTheirTypeAndUserThenTheirRecord) {
  const ZelTUserPresence user = SampleUser();
  ZelTWrapupSubmittedEvent wrapup;
  ZelTEventControl::Copy(wrapup, ZelTEventBase::EVENTCAUSE_WRAPUP_SUBMITTED, user, std::string("C42-1"), 0L, 12L, 0L,
                         3L, std::list<long>{7, 9});
  EXPECT_EQ(
      zeljson::Text(zeljson::ToJson(ZelTPresenceServer::WRAPUP_SUBMITTED_EVENT, wrapup)),
      R"({"type":{"name":"Wrapup Submitted Event","value":35013},"userKey":42,"userId":"agent42","siteKey":3,)"
      R"("businessUnitKey":2,"cause":{"name":"WrapupSubmitted","value":15},"resourceId":"42",)"
      R"("contactId":"C42-1","requeueCount":0,"queueKey":12,"locationKey":0,"sequenceNumber":3,"reasons":[7,9]})");

  ZelTUserRoutingStateEvent routing;
  ZelTEventControl::Copy(routing, ZelTEventBase::EVENTCAUSE_ROUTING_WORK, user);
  // The snapshot is the user's record, less what only a query reply has.
  Json expected = Json::parse(kUserText, nullptr, true, true);
  Json record = zeljson::ToJson(ZelTPresenceServer::USER_ROUTING_STATE_EVENT, routing);
  EXPECT_EQ(record["type"], zeljson::Named(35007, "User Routing State Event"));
  EXPECT_EQ(record["cause"], zeljson::Named(6, "Routing Work"));
  for (const char* member : {"media", "routingState", "handling", "presenceState", "capability", "flags"})
    EXPECT_EQ(record[member], expected[member]) << member;
  EXPECT_EQ(record["affectedContacts"], Json::array());

  ZelTUserCapabilityNotReadyEvent notReady;
  notReady.SetCapabilityType(static_cast<ZelTUserCapability::enCapabilityType>(9));
  EXPECT_EQ(zeljson::Text(zeljson::ToJson(static_cast<ZelTPresenceServer::enEvent>(35099), notReady)),
            R"({"type":{"name":null,"value":35099},"eventCause":{"name":"None","value":0},)"
            R"("capabilityType":{"name":null,"value":9},"resourceId":"9"})");
  EXPECT_EQ(zeljson::Text(zeljson::ToJson(ZelTPresenceServer::CONNECTIONEVENT, std::monostate())),
            R"({"type":{"name":"CONNECTIONEVENT","value":35000}})");
}

}  // namespace
