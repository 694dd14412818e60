#include "zelclnt/model/ZelTHandlingState.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <tuple>

#include "Bytes.h"
#include "DiagCapture.h"
#include "ZelTPostProcessingControl.h"
#include "zelclnt/platform/KRVEnum.h"

namespace {

using HS = ZelTHandlingState;
using Enum = THandlingStateEnum;

// The server side's view: it fills what clients only read.
class ServerHandlingState : public ZelTHandlingState {
 public:
  ServerHandlingState(const std::string& id, long rc, Enum::enContactType type, long medium = 0) {
    contactId = id;
    requeueCount = rc;
    contactType = type;
    media = medium;
  }
  using ZelTHandlingState::GetPostProcessing;
  using ZelTHandlingState::SetConnectedTime;
  using ZelTHandlingState::SetCreatedTime;
  using ZelTHandlingState::SetReasons;
};

const TTimeStamp kTime = TTimeStamp::FromMilliseconds(1796605323045, true);
const std::string kTimeText = "2026/12/07 01:02:03.045";

ServerHandlingState InPostProcessing(const std::string& id, long medium) {
  ServerHandlingState state(id, 0, Enum::CONTACTTYPE_ROUTED_EMAIL, medium);
  state.contactState = CONTACTSTATE_POSTPROCESSING;
  return state;
}

std::vector<std::string> Ids(const ZelTStdListPointerColl<HS>& states) {
  std::vector<std::string> ids;
  for (const HS* state : states.GetList()) ids.push_back(state->contactId);
  return ids;
}

TEST(ZelTHandlingStateTest, MediaTypeLookupsDuplicatesAndStateQueries) {
  const struct { long media; int type; long expected; } cases[] = {
      {3, 1, 3}, {0, 9, 1}, {0, 12, 0}, {0, 1, 1}, {0, 4, 1}, {0, 5, 2}, {0, 6, 3}, {0, 7, 3}, {0, 8, 4}, {0, 10, 5},
      {0, 11, 5}, {-1, 0, 0}};
  for (const auto& c : cases) {
    ServerHandlingState state("c", 0, Enum::CONTACTTYPE_NONE, c.media);
    EXPECT_EQ(state.ToMediaType(static_cast<Enum::enContactType>(c.type)), c.expected) << c.media << "/" << c.type;
  }

  ZelTHandlingStates states;
  ServerHandlingState first("100", 0, Enum::CONTACTTYPE_ROUTED_VOICE);
  first.priority = 1;
  ServerHandlingState second = first;
  second.priority = 2;
  EXPECT_EQ(states.AddHandlingState(first)->priority, 1);
  EXPECT_EQ(states.AddHandlingState(second)->priority, 1) << "the first stored record with the key";
  EXPECT_EQ(states.Count(), 2);
  EXPECT_EQ(states.GetHandlingState("100", 1), nullptr);
  states.SetPrimaryContactId("100");
  states.SetPrimaryContactRC(0);
  EXPECT_NE(states.GetPrimaryContact(), nullptr);
  EXPECT_TRUE(states.IsPrimaryContact("100", 0));
  EXPECT_FALSE(states.IsPrimaryContact("100", -1));
  EXPECT_EQ(states.GetOldPrimaryContact(), nullptr);
  EXPECT_TRUE(states.RemoveHandlingState(first));
  EXPECT_EQ(states.Count(), 1);

  // Routed through a queue, and handling once connected.
  ServerHandlingState state("1", 0, Enum::CONTACTTYPE_ROUTED_WEB);
  const auto qorv = [&state] {
    return std::make_tuple(state.IsQORVRouted(), state.IsQORVHandling(), state.GetQORVHandlingStartTime());
  };
  EXPECT_EQ(qorv(), std::make_tuple(false, false, TTimeStamp(1))) << "no queue";
  state.queueKey = 4;
  EXPECT_EQ(qorv(), std::make_tuple(true, false, TTimeStamp(1)));
  state.SetConnectedTime(kTime);
  EXPECT_EQ(qorv(), std::make_tuple(true, true, kTime));
  state.contactType = Enum::CONTACTTYPE_DIRECT_INCOMING_VOICE;
  EXPECT_EQ(qorv(), std::make_tuple(false, false, TTimeStamp(1))) << "not routed";
}

TEST(ZelTHandlingStateTest, RemovalByCategory) {
  const struct { HS::enCategory category; long medium; std::vector<std::string> moved, kept; } cases[] = {
      {HS::CATEGORY_MEDIUM, KRVEnum::MEDIUM_EMAIL, {"mail", "pp-mail"}, {"voice", "pp-voice"}},
      {HS::CATEGORY_MEDIUM_NOT_POSTPROCESSING, KRVEnum::MEDIUM_EMAIL, {"mail"}, {"voice", "pp-voice", "pp-mail"}},
      {HS::CATEGORY_POSTPROCESSING, KRVEnum::MEDIUM_NONE, {"pp-voice", "pp-mail"}, {"voice", "mail"}},
      {static_cast<HS::enCategory>(3), KRVEnum::MEDIUM_EMAIL, {}, {"voice", "pp-voice", "mail", "pp-mail"}}};
  for (const auto& c : cases) {
    ZelTHandlingStates states;
    states.AddHandlingState(ServerHandlingState("voice", 0, Enum::CONTACTTYPE_ROUTED_VOICE));
    states.AddHandlingState(InPostProcessing("pp-voice", KRVEnum::MEDIUM_VOICE));
    states.AddHandlingState(ServerHandlingState("mail", 0, Enum::CONTACTTYPE_ROUTED_EMAIL));
    states.AddHandlingState(InPostProcessing("pp-mail", 0));
    ZelTStdListPointerColl<HS> removed;
    EXPECT_TRUE(states.RemoveHandlingState(c.medium, c.category, removed));
    EXPECT_EQ(Ids(removed), c.moved) << c.category;
    EXPECT_EQ(Ids(states.GetHandlingStates()), c.kept) << c.category;
  }
}

TEST(ZelTHandlingStateTest, StateAndSetTexts) {
  ServerHandlingState pp = InPostProcessing("9", KRVEnum::MEDIUM_EMAIL);
  ZelTPostProcessingControl::StartAuto(pp.GetPostProcessing(), 1000);
  pp.SetReasons({3, 7});
  pp.SetCreatedTime(kTime);
  ServerHandlingState manual("8", 1, Enum::CONTACTTYPE_ROUTED_VOICE);
  ZelTPostProcessingControl::RequestManual(manual.GetPostProcessing(), 5);

  const std::string pp9 = "Handling State:{ContactId/RqC{9/0},ContactType{Routed Email},";
  const std::string ppGroup = "PP{Mand{F},Auto{T},Suspended{F},Pending{F},WrapupSubmitted{F},ManualReason{0}}";
  const struct { const char* filters; const HS* state; HS::enSummaryType type; std::string text; } cases[] = {
      {"", &pp, HS::SUMMARY_FULL,
       pp9 + "Cause{None},QueueKey{0},Priority{0},StartTime{0000/00/00 00:00:00.000},State{PostProcessing}," +
           ppGroup + ",Reasons{3,7}}"},
      {"INFO", &pp, HS::SUMMARY_BRIEF,
       pp9 + "Media{Email},Cause{None},QueueKey{0},Priority{0},StartTime{0000/00/00 00:00:00.000},"
             "State{PostProcessing},IsPrimary{F},IsQORVRouted{F}," +
           ppGroup + ",IsConnected{F},CreatedTime{" + kTimeText + "},Reasons{3,7}}"},
      {"", &manual, HS::SUMMARY_BRIEF,
       "Handling State:{ContactId/RqC{8/1},ContactType{Routed Voice},State{Unknown},PPManualReason{5}}"}};
  for (const auto& c : cases) {
    DiagCapture diag(c.filters);
    EXPECT_EQ(c.state->ToSummary(c.type, true), c.text) << c.filters << c.type;
  }

  ZelTHandlingStates states;
  DiagCapture diag;
  EXPECT_EQ(states.ToSummary(HS::SUMMARY_BRIEF, true), "Handling States:{Primary Contact:{None}}");
  states.SetPrimaryContactId("100");
  states.SetPrimaryContactRC(2);
  EXPECT_EQ(states.ToSummary(HS::SUMMARY_BRIEF, false), "{Primary Contact:{ContactId/RqC{100/2}}}");
  TDiag::SetFilters("PRGM");
  EXPECT_EQ(states.ToSummary(HS::SUMMARY_BRIEF, true),
            "Handling States:{Primary Contact:{New<ContactId/RqC{100/2}>,Old<None>,"
            "ChangedTime{0000/00/00 00:00:00.000}}}");
}

// The wire's reasons replace those held; a count reads only what the bytes
// hold.
TEST(ZelTHandlingStateTest, WireRoundTripsReplaceReasonsAndKeepLocalFieldsLocal) {
  ServerHandlingState sent = InPostProcessing("42", KRVEnum::MEDIUM_EMAIL);
  sent.SetReasons({1, -2, 3});
  sent.SetConnectedTime(kTime);
  ZelTPostProcessingControl::SuspendAuto(sent.GetPostProcessing(), 777);
  const std::string bytes = BytesOf(static_cast<const HS&>(sent));
  const std::string withoutReasons = bytes.substr(0, bytes.size() - 16);
  ServerHandlingState old("old", 0, Enum::CONTACTTYPE_NONE);
  old.SetReasons({8, 9});
  ExpectReadsBack<HS>(sent, old);
  const struct { const char* name; std::string wire; std::list<long> reasons; } cases[] = {
      {"huge count, two reasons", withoutReasons + BytesOf(INT_MAX) + BytesOf(5) + BytesOf(6) + "xy", {5, 6}},
      {"negative count", withoutReasons + BytesOf(-3) + BytesOf(5), {}},
      {"count cut short", withoutReasons + "ab", {}}};
  for (const auto& c : cases) {
    HS received(old);
    Read(c.wire, received);
    EXPECT_EQ(received.GetReasons(), c.reasons) << c.name;
  }
  ZelTHandlingStates states;
  states.AddHandlingState(sent);
  states.SetPrimaryContactId("42");
  states.SetPrimaryContactRC(0);
  states.SetSendNewPrimaryUpdate(true);
  EXPECT_EQ(BytesOf(*ZelTHandlingStates(states).GetHandlingStates().GetList().front()), bytes)
      << "copies into collections keep the remaining time";
  ZelTHandlingStates received;
  received.SetSendOldPrimaryUpdate(true);
  EXPECT_EQ(Read(BytesOf(states), received), 0u);
  EXPECT_NE(received.GetPrimaryContact(), nullptr);
  EXPECT_EQ(std::make_pair(received.IsSendNewPrimaryUpdate(), received.IsSendOldPrimaryUpdate()),
            std::make_pair(false, true)) << "the set's update flags stay local";
  EXPECT_EQ(BytesOf(received), BytesOf(states));
}

// A state is written into room claimed at once; its bytes are still each
// field's own form, in the documented order, and a value too wide for its
// form still fails the packing.
TEST(ZelTHandlingStateTest, WireFormIsEachFieldsFormInOrderAndTooWideValuesThrow) {
  ServerHandlingState state = InPostProcessing("C-7", KRVEnum::MEDIUM_EMAIL);
  state.requeueCount = 2;
  state.refId = "R-1";
  state.refRequeueCount = 1;
  state.refType = static_cast<enRefType>(2);
  state.handlingCause = static_cast<enHandlingCause>(3);
  state.queueKey = 12;
  state.priority = -4;
  state.startTime = STTimeStamp(kTime);
  state.SetReasons({7, -9});
  state.SetConnectedTime(kTime);
  state.SetCreatedTime(TTimeStamp::FromMilliseconds(5, false));
  ZelTPostProcessingControl::SuspendAuto(state.GetPostProcessing(), 777);
  const ZelTPostProcessing& pp = state.GetPostProcessingState();
  EXPECT_EQ(BytesOf(static_cast<const HS&>(state)),
            BytesOf(state.contactId, state.requeueCount, state.refId, state.refRequeueCount, state.refType,
                    state.contactType, state.media, state.handlingCause, state.queueKey, state.priority) +
                BytesOf(static_cast<const TTimeStamp&>(state.startTime), state.contactState, kTime,
                        state.GetCreatedTime(), state.GetPrimaryStartTime()) +
                BytesOf(pp.GetAutomatic(), pp.GetMandatory(), pp.GetManual()) + BytesOf(2L, 7L, -9L));

#if LONG_MAX > INT_MAX  // where a long is wider than the wire's 4 bytes
  const std::function<void(ServerHandlingState&)> tooWide[] = {
      [](ServerHandlingState& s) { s.requeueCount = static_cast<long>(INT_MAX) + 1; },
      [](ServerHandlingState& s) { s.priority = static_cast<long>(INT_MIN) - 1; },
      [](ServerHandlingState& s) { s.SetReasons({1, static_cast<long>(INT_MAX) + 1}); },
  };
  for (const auto& widen : tooWide) {
    ServerHandlingState wide = state;
    widen(wide);
    TPack pack;
    EXPECT_THROW(pack << static_cast<const HS&>(wide), TPackError);
  }
#endif
}

}  // namespace
