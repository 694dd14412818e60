#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bytes.h"
#include "DiagCapture.h"
#include "zelclnt/state/THandlingState.h"
#include "zelclnt/state/TMediaReadiness.h"
#include "zelclnt/state/TMediaState.h"
#include "zelclnt/state/TSilentMonitoringInfo.h"

namespace {

const TTimeStamp kStart = TTimeStamp::FromMilliseconds(1796605323045, true);
const std::string kStartText = "StartTime{2026/12/07 01:02:03.045}";

THandlingState TalkingVoiceContact() {
  THandlingState state;
  state.contactId = "100";
  state.requeueCount = 0;
  state.contactType = THandlingStateEnum::CONTACTTYPE_ROUTED_VOICE;
  state.media = 1;
  state.queueKey = 5;
  state.priority = 1;
  state.startTime = kStart;
  state.contactState = CONTACTSTATE_TALKING;
  return state;
}

// The plain texts at levels 0 and 1 show in the presence server's handling
// state texts.
TEST(StateRecordsTest, HandlingStateTextsByLevelAndDetail) {
  const std::string id = "ContactId/RqC{100/0},";
  const std::string ref = "RefId/RqC{7/2},RefType{Callback},";
  const struct {
    int level;
    const char* filters;
    enHandlingCause cause;
    const char* refId;
    std::string text;
  } cases[] = {
      {0, "INFO", HANDLINGCAUSE_NONE, "7",
       id + ref + "ContactType{Routed Voice},Media{Voice},Cause{None},QueueKey{5},Priority{1}," + kStartText +
           ",State{Talking}"},
      {1, "", HANDLINGCAUSE_CONSULT_QUEUE_NEW, "",
       id + "ContactType{Routed Voice},Cause{Consult Queue - New},State{Talking}"},
      {1, "PRGM", HANDLINGCAUSE_NONE, "",
       id + "ContactType{Routed Voice},Media{Voice},Cause{None},QueueKey{5},Priority{1},State{Talking}"},
      {2, "INFO", HANDLINGCAUSE_PICKUP, "",
       id + "ContactType{Routed Voice},Media{Voice},Cause{Pickup},QueueKey{5},Priority{1}," + kStartText +
           ",State{Talking}"}};
  for (const auto& c : cases) {
    DiagCapture diag(c.filters);
    THandlingState state = TalkingVoiceContact();
    state.handlingCause = c.cause;
    state.refId = c.refId;
    state.refRequeueCount = 2;
    state.refType = REFTYPE_CALLBACK;
    EXPECT_EQ(state.ToString(c.level, true, true, true), "HandlingState:{" + c.text + "}") << c.level << c.filters;
    state.PrintDiag();
    EXPECT_EQ(diag.Texts(TDiag::INFO).size(), std::string(c.filters) == "INFO" ? 1u : 0u) << "a line only with INFO";
  }
  DiagCapture detail("INFO");
  THandlingState state = TalkingVoiceContact();
  state.handlingCause = HANDLINGCAUSE_PICKUP;
  EXPECT_EQ(state.THandlingStateBase::ToString(2, false, false, false),
            id + "ContactType{Routed Voice},Media{Voice}") << "the base at level 2 shows nothing gated";
  EXPECT_EQ(THandlingState().ToString(),
            "HandlingState:{ContactId/RqC{/-1},ContactType{None},Media{None},Cause{None},QueueKey{0},Priority{0},"
            "StartTime{0000/00/00 00:00:00.000},State{Unknown}}");
}

TEST(StateRecordsTest, OtherRecordsTextsInfoLinesAndWireRoundTrips) {
  TMediaState media;
  media.media = 1;
  media.state = MEDIASTATE_LOGON;
  TMediaReadiness readiness;
  readiness.media = KRVEnum::MEDIUM_EMAIL;
  readiness.state = READINESS_NOT_READY;
  readiness.cause = READINESSCAUSE_EMAIL_SERVER_DOWN;
  TSilentMonitoringInfo monitoring;
  monitoring.contactId = "123";
  monitoring.requeueCount = 0;
  monitoring.extension = "4711";
  monitoring.type = SILENTMONITORING_BARGEIN;

  EXPECT_EQ(media.TMediaStateBase::ToString(), "MediaStateBase:{Media{Voice},State{Logon},Cause{None}}");
  EXPECT_EQ(media.ToString(), "MediaState:{Media{Voice},State{Logon},Cause{None},StartTime{0000/00/00 00:00:00.000}}");
  EXPECT_EQ(readiness.ToString(3, false, true, true),
            "{Media{Email},State{Not Ready},Cause{Email Server Down},StartTime{0000/00/00 00:00:00.000}}");
  EXPECT_EQ(monitoring.ToString(), "SilMon Info:{ContactId/RqC{123/0},Extension{4711},Type{BargeIn}}");

  DiagCapture diag("INFO");
  TMediaReadiness().PrintDiag();
  TSilentMonitoringInfo().PrintDiag();
  THandlingState().PrintDiag();
  std::vector<std::string> files;
  for (const CapturedLine& line : diag.Lines()) files.push_back(line.file);
  ASSERT_EQ(files, (std::vector<std::string>{"NUXTMediaReadiness", "NUXTSilentMonitoringInfo", "NUXTHandlingState"}));
  EXPECT_EQ(diag.Lines()[0].text,
            "MediaReadiness:{Media{None},State{Unknown},Cause{None},StartTime{0000/00/00 00:00:00.000}}");

  // Handling and media states round-trip inside every user record.
  readiness.media = static_cast<KRVEnum::MEDIUM>(77);
  ExpectReadsBack(readiness, TMediaReadiness());
  ExpectReadsBack(monitoring, TSilentMonitoringInfo());
}

}  // namespace
