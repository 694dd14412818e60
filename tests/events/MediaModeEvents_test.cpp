#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "Bytes.h"
#include "DiagCapture.h"
#include "ZelTEventControl.h"
#include "ZelTUserPresenceControl.h"
#include "zelclnt/events/ZelTQueryIntegratedPresenceEvent.h"
#include "zelclnt/events/ZelTUserCSMStateEvent.h"
#include "zelclnt/events/ZelTUserCapabilityEvents.h"
#include "zelclnt/events/ZelTUserMediaReadinessEvents.h"
#include "zelclnt/events/ZelTUserMediaStateEvent.h"
#include "zelclnt/events/ZelTUserModeEvents.h"

namespace {

using Base = ZelTEventBase;
using Details = ZelTUserPresenceDetails;
using Control = ZelTUserPresenceControl;
using Monitoring = ZelTStdListPointerColl<TSilentMonitoringInfo>;
using Capability = ZelTUserCapability;

// Continuous monitoring of contact C<key>, one to three entries by key.
Monitoring Monitored(long key) {
  Monitoring monitored;
  TSilentMonitoringInfo info;
  info.contactId = "C" + std::to_string(key);
  info.type = SILENTMONITORING_CONTINUOUS;
  for (long i = 0; i <= key % 3; ++i) monitored.PushBack(info);
  return monitored;
}

// A user unlike a fresh record; `key` tells two apart.
ZelTUserPresence Agent(long key) {
  ZelTUserPresence user;
  user.SetUserKey(key);
  user.SetUserID("agent" + std::to_string(key));
  Control::SetIdentity(user, "2001", "2002", 1, 2, 3, "G1");
  Control::UserFlags(user).SetIsRecoveryModeOn(true);
  Control::UserFlags(user).SetIsContactAssist(key % 2 == 0);
  ZelTDesktopCapability desktop;
  desktop.SetCapability(ZelTDesktopCapability::DESKTOP_LOGON);
  Control::UserCapability(user).SetDesktopCapability(desktop);
  ZelTCampaignDirectorCapability director;
  director.SetEnabled(true);
  Control::UserCapability(user).SetCampaignDirectorCapability(director);
  Control::SilentMonitoring(user) = Monitored(key);
  return user;
}

ZelTStdListPointerColl<ZelTHandlingState> Contacts(int count) {
  ZelTStdListPointerColl<ZelTHandlingState> contacts;
  ZelTHandlingState talking;
  talking.contactState = CONTACTSTATE_TALKING;
  for (int i = 0; i < count; ++i) contacts.PushBack(talking);
  return contacts;
}

template <typename Event, typename... Args>
Event Made(Args&&... args) {
  Event event;
  ZelTEventControl::Copy(event, std::forward<Args>(args)...);
  return event;
}

template <typename Event>
Event Readiness(KRVEnum::MEDIUM media, Base::enEventCause cause) {
  Event event;
  event.media = media;
  event.SetEventCause(cause);
  return event;
}

ZelTUserCapabilityNotReadyEvent CapabilityNotReady(Base::enEventCause cause, Capability::enCapabilityType type) {
  ZelTUserCapabilityNotReadyEvent event;
  event.SetEventCause(cause);
  event.SetCapabilityType(type);
  return event;
}

TEST(MediaModeEventsTest, EveryEventReadsIntoFreshAndReusedRecords) {
  const ZelTUserPresence a = Agent(12), b = Agent(13);
  auto allNotReady = Readiness<ZelTUserMediaNotReadyEvent>(KRVEnum::MEDIUM_EMAIL, Base::EVENTCAUSE_EMAIL_SERVER_DOWN);
  allNotReady.SetAllMediaNotReady(true);
  ExpectReadsBack(Made<ZelTUserMediaStateEvent>(Base::EVENTCAUSE_MEDIA_LOGON, a, 7L, Contacts(1)),
                  Made<ZelTUserMediaStateEvent>(Base::EVENTCAUSE_MEDIA_OTHER, b, 2L, Contacts(3)));
  ExpectReadsBack(Made<ZelTUserRecoveryModeEvent>(Base::EVENTCAUSE_RECOVERY_MODE, a),
                  Made<ZelTUserRecoveryModeEvent>(Base::EVENTCAUSE_NONE, b));
  ExpectReadsBack(Made<ZelTUserContactAssistEvent>(Base::EVENTCAUSE_CONTACT_ASSIST, b),
                  Made<ZelTUserContactAssistEvent>(Base::EVENTCAUSE_NONE, a));
  ExpectReadsBack(Made<ZelTUserCapabilityEvent>(Base::EVENTCAUSE_DESKTOP_LOGON, a), ZelTUserCapabilityEvent());
  ExpectReadsBack(
      Made<ZelTUserCSMStateEvent>(Base::EVENTCAUSE_CSM_STATE_UPDATED, a, TMediaServerCommonEnum::CSM_ADD,
                                  Monitored(14)),
      Made<ZelTUserCSMStateEvent>(Base::EVENTCAUSE_NONE, b, TMediaServerCommonEnum::CSM_REMOVE, Monitored(17)));
  ExpectReadsBack(allNotReady, Readiness<ZelTUserMediaNotReadyEvent>(KRVEnum::MEDIUM_VOICE, Base::EVENTCAUSE_NONE));
  ExpectReadsBack(Readiness<ZelTUserMediaReadyEvent>(KRVEnum::MEDIUM_WEBCHAT, Base::EVENTCAUSE_WEB_READY),
                  Readiness<ZelTUserMediaReadyEvent>(KRVEnum::MEDIUM_VOICE, Base::EVENTCAUSE_VOICE_READY));
  ExpectReadsBack(CapabilityNotReady(Base::EVENTCAUSE_USER_DELETED, Capability::CAPABILITY_DESKTOP),
                  CapabilityNotReady(Base::EVENTCAUSE_NONE, Capability::CAPABILITY_CAMPAIGN_DIRECTOR));
}

TEST(MediaModeEventsTest, TextsFollowTheDiagnosticFilters) {
  const ZelTUserPresence a = Agent(12);
  const auto csm =
      Made<ZelTUserCSMStateEvent>(Base::EVENTCAUSE_CSM_STATE_UPDATED, a, TMediaServerCommonEnum::CSM_ADD, Monitoring());
  const std::string csmHead =
      "UserCSMStateEvent:{UserKey{12},UserId{agent12},SiteKey{1},BUKey{2},"
      "Cause{CSM State Updated},ResourceId{12},StateCause{Add CSM},";
  ZelTUserMediaNotReadyEvent allNotReady;
  allNotReady.SetAllMediaNotReady(true);
  const auto ready = Readiness<ZelTUserMediaReadyEvent>(KRVEnum::MEDIUM_EMAIL, Base::EVENTCAUSE_EMAIL_READY);
  const auto director = CapabilityNotReady(Base::EVENTCAUSE_IM_READY, Capability::CAPABILITY_CAMPAIGN_DIRECTOR);
  const struct { const char* filters; std::function<std::string()> text; std::string expected; } cases[] = {
      {"", [&] { return Made<ZelTUserContactAssistEvent>(Base::EVENTCAUSE_CONTACT_ASSIST, a).ToString(); },
       "UserContactAssistEvent:{Cause{Contact Assist},IsContactAssist{T}}"},
      {"", [&] { return allNotReady.ToString(); },
       "UserAllMediaNotReadyEvent:{Media{None},State{Not Ready},Cause{None},EventCause{None},ResourceId{0}}"},
      {"", [&] { return ready.ToString(); },
       "UserMediaReadyEvent:{Media{Email},State{Ready},Cause{None},EventCause{Email Ready},ResourceId{3}}"},
      {"", [&] { return director.ToString(); },
       "UserCapabilityNotReadEvent:{EventCause{IM Ready},ResourceId{2},CapabilityType{Campaign Director}}"},
      {"INFO", [&] { return csm.ToString(); }, csmHead + "Affected SilMons:{ListDetails:{}}}"},
      {"PRGM", [&] { return csm.ToString(); },
       csmHead + "SilMons:{ListDetails:{SilMon Info:{ContactId/RqC{C12/-1},Extension{},"
                 "Type{Continuous Silent Monitoring}}}},Affected SilMons:{ListDetails:{}}}"},
      {"", [&] { return Made<ZelTUserRecoveryModeEvent>(Base::EVENTCAUSE_RECOVERY_MODE, a).ToString(false); },
       "UserRecoveryModeEvent:{Cause{Recovery Mode},RecoveryMode<Flag{T},StartTime{0000/00/00 00:00:00.000}>}"},
  };
  for (const auto& c : cases) {
    DiagCapture diag(c.filters);
    EXPECT_EQ(c.text(), c.expected) << c.filters;
  }
  // The filters choose the summary: the changed medium's state alone, every
  // medium's, the keys too (PRGM), or the whole snapshot.
  const struct { const char* filters; long media; bool full; std::string opening; } media[] = {
      {"", 1, false,
       "UserMediaStateEvent:{ChangedMedia{Voice},Cause{Media Logon},Extension{2001},MediaState:{Media{Voice},"
       "State{Logoff},Cause{None},StartTime{0000/00/00 00:00:00.000}},Routing State:{State{Logoff},Reason{0},"
       "Source{Unknown}},Presence State:{Logoff},Presence State(ExDC):{Logoff},Affected Contact:{HandlingState{"
       "ContactId/RqC{/-1},State{Talking}}}}"},
      {"", 7, false,
       "UserMediaStateEvent:{ChangedMedia{MediaType: 7},Cause{Media Logon},Extension{2001},AssociatedLine{2002},"
       "Media States:VectorDetails:{MediaState:{Media{Voice},"},
      {"PRGM", 1, false,
       "UserMediaStateEvent:{ChangedMedia{Voice},UserKey{12},UserId{agent12},SiteKey{1},BUKey{2},Cause{Media Logon},"
       "ResourceId{12},Extension{2001},AssociatedLine{2002},Media States:VectorDetails:{"},
      {"", 3, true,
       "UserMediaStateEvent:{ChangedMedia{Email},UserPresenceDetails:{EventBase:{Cause{Media Logon}},Extension{2001},"
       "AssociatedLine{2002},TeamKey{3},GroupID{G1},Media States:VectorDetails:{"},
  };
  for (const auto& c : media) {
    DiagCapture diag(c.filters);
    const auto event = Made<ZelTUserMediaStateEvent>(Base::EVENTCAUSE_MEDIA_LOGON, a, c.media, Contacts(1));
    const std::string text = event.ToString(c.full);
    EXPECT_EQ(text.substr(0, c.opening.size()), c.opening) << c.media << c.filters;
    EXPECT_NE(text.find("Affected Contact:{HandlingState{ContactId/RqC{/-1},State{Talking}}}"), std::string::npos);
  }
  DiagCapture diag("INFO");
  csm.PrintDiag();
  ASSERT_EQ(diag.Lines().size(), 1u);
  EXPECT_EQ(diag.Lines()[0].file, "..\\..\\src\\ZelTEvent");
  EXPECT_EQ(diag.Lines()[0].text,
            "ZelTUserCSMStateEvent::PrintDiag. " + csmHead + "Affected SilMons:{ListDetails:{}}}");
}

// Media above 4 count as open media but travel and copy as received.
TEST(MediaModeEventsTest, RecordsKeepWhatTheyWereGiven) {
  const auto seven = Made<ZelTUserMediaStateEvent>(Base::EVENTCAUSE_MEDIA_LOGON, Agent(12), 7L, Contacts(0));
  ZelTUserMediaStateEvent assigned;
  assigned = seven;
  for (const ZelTUserMediaStateEvent& event : {seven, ZelTUserMediaStateEvent(seven), assigned}) {
    EXPECT_EQ(event.GetMedia(), KRVEnum::MEDIUM_OPENMEDIA);
    EXPECT_EQ(event.GetMediaLong(), 7);
  }
  EXPECT_TRUE(ZelTUserContactAssistEvent().IsContactAssist());
  EXPECT_FALSE(ZelTUserMediaNotReadyEvent().IsAllMediaNotReady());
  EXPECT_EQ(ZelTUserMediaReadyEvent().state, READINESS_READY);

  const auto capability = Made<ZelTUserCapabilityEvent>(Base::EVENTCAUSE_DESKTOP_LOGON, Agent(12));
  EXPECT_EQ(capability.GetUserCapability().GetDesktopCapability().GetCapability(),
            ZelTDesktopCapability::DESKTOP_LOGON);
  EXPECT_FALSE(capability.GetUserCapability().GetCampaignDirectorCapability().IsEnabled());

  ZelTIntegratedPresenceSummary first, second;
  first.SetPresenceId("sip:a");
  second.SetPresenceId("sip:b");
  second.SetIntegratedPresence(ZelTIntegratedPresenceSummary::LINE_Busy);
  ZelTQueryIntegratedPresenceEvent answer, reused;
  answer.AddRecord(first);
  answer.AddRecord(second);
  answer.SetResourceId("R1");
  for (int i = 0; i < 3; ++i) reused.AddRecord(second);
  reused.GoToNextRecord();
  const std::string bytes = BytesOf(answer);
  EXPECT_EQ(bytes, BytesOf(2, 0, first, second, std::string("R1")));
  EXPECT_EQ(Read(bytes, reused), 0u);
  ZelTIntegratedPresenceSummary current;
  ASSERT_TRUE(reused.GetCurrentRecord(current));
  EXPECT_EQ(current.GetPresenceId(), "sip:a");
  EXPECT_EQ(BytesOf(reused), bytes);
}

}  // namespace
