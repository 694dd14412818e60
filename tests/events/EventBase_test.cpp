#include "zelclnt/events/ZelTEventBase.h"

#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"
#include "DiagCapture.h"
#include "ZelTEventControl.h"
#include "ZelTUserPresenceControl.h"
#include "zelclnt/events/ZelTUserPresenceDetails.h"

namespace {

struct Base : ZelTEventBase {};
struct Details : ZelTUserPresenceDetails {
  using ZelTUserPresenceDetails::SetAffectedContacts;
};
using Contacts = ZelTStdListPointerColl<ZelTHandlingState>;

ZelTHandlingState Contact(const std::string& id, long rc, long media, const std::string& refId = "", long refRc = -1) {
  ZelTHandlingState contact;
  contact.contactId = id;
  contact.requeueCount = rc;
  contact.media = media;
  contact.contactState = rc == 0 ? CONTACTSTATE_TALKING : CONTACTSTATE_QUEUED;
  contact.refId = refId;
  contact.refRequeueCount = refRc;
  return contact;
}

// Agents other than 12 hold a contact and recovery mode, which a read must not keep.
ZelTUserPresence Agent(long key, const std::string& id = "agent1") {
  ZelTUserPresence user;
  user.SetUserKey(key);
  user.SetUserID(id);
  ZelTUserPresenceControl::SetIdentity(user, "E4711", "L4712", 1, 2, 3, "G");
  if (key == 12) return user;
  ZelTUserPresenceControl::HandlingStates(user).AddHandlingState(Contact("held", 0, 1));
  ZelTUserPresenceControl::UserFlags(user).SetIsRecoveryModeOn(true);
  return user;
}

TEST(EventBaseTest, WireFormReadsBackAndTextsFollowDetail) {
  Base event;
  EXPECT_EQ(event.GetResourceId(), "");
  ZelTEventControl::Copy(event, ZelTEventBase::EVENTCAUSE_CONTACT_CREATED, Agent(12));
  const std::string bytes = BytesOf(event);
  EXPECT_EQ(bytes, BytesOf(12L, std::string("agent1"), 1L, 2L, 8, std::string("12")));
  Base used;
  ZelTEventControl::Copy(used, ZelTEventBase::EVENTCAUSE_USER_DELETED, Agent(-1, "other"));
  EXPECT_EQ(used.GetResourceId(), "-1");
  ExpectReadsBack(event, used);
  Base cut;
  Read(bytes.substr(0, bytes.size() - 7), cut);
  EXPECT_EQ(cut.GetEventCause(), ZelTEventBase::EVENTCAUSE_NONE) << "three bytes of the cause are not one";

  const std::string detailed =
      "EventBase:{UserKey{12},UserId{agent1},SiteKey{1},BUKey{2},Cause{Contact Created},ResourceId{12}}";
  {
    DiagCapture detail("INFO");
    EXPECT_EQ(event.ToString(true, true, true), detailed);
    event.PrintDiag();
    ASSERT_EQ(detail.Lines().size(), 1u);
    EXPECT_EQ(detail.Lines()[0].file, "ZelTEvent");
    EXPECT_EQ(detail.Lines()[0].text, "ZelTEventBase::PrintDiag. " + detailed);
  }
  DiagCapture quiet("");
  EXPECT_EQ(event.ToString(true, true, true), "EventBase:{Cause{Contact Created}}");
}

TEST(UserPresenceDetailsTest, WireFormReadsBackIntoUsedRecords) {
  Contacts affected;
  affected.PushBack(Contact("7", 0, 1, "6", 2));
  affected.PushBack(Contact("8", 1, 3));
  Details sent;
  ZelTEventControl::Copy(sent, ZelTEventBase::EVENTCAUSE_CONTACT_UPDATED, Agent(12));
  sent.SetAffectedContacts(affected);
  Details used;
  ZelTEventControl::Copy(used, ZelTEventBase::EVENTCAUSE_MEDIA_LOGON, Agent(99, "other"));
  affected.PushBack(Contact("9", 0, 2));
  used.SetAffectedContacts(affected);
  ExpectReadsBack(sent, used);

  ZelTEventControl::Copy(used, ZelTEventBase::EVENTCAUSE_MEDIA_LOGON, Agent(99, "other"));
  EXPECT_TRUE(used.GetAffectedContacts().Empty()) << "a new snapshot reports none of the last one's contacts";
}

TEST(UserPresenceDetailsTest, SummaryTypesChooseTheirFields) {
  DiagCapture quiet("");
  Details details;
  ZelTEventControl::Copy(details, ZelTEventBase::EVENTCAUSE_MEDIA_LOGON, Agent(12));
  const struct {
    int type;
    bool extension, line;
  } cases[] = {{0, true, true},   {1, true, true},   {2, true, false}, {3, false, true},
               {4, false, false}, {7, false, false}, {10, true, true}, {-1, true, true}};
  for (const auto& c : cases) {
    const std::string text = details.ToSummary(static_cast<Details::enSummaryType>(c.type), true, true, true);
    EXPECT_EQ(text.rfind("UserPresenceDetails:{EventBase:{Cause{Media Logon}},", 0), 0u) << text;
    EXPECT_EQ(text.find("Extension{E4711}") != std::string::npos, c.extension) << c.type << text;
    EXPECT_EQ(text.find("AssociatedLine{L4712}") != std::string::npos, c.line) << c.type << text;
  }
  EXPECT_EQ(details.ToString_MediaStateChange(Details::SummaryFull),
            "Routing State:{State{Logoff},Reason{0},Source{Unknown}},Presence State:{Logoff},"
            "Presence State(ExDC):{Logoff}");
}

TEST(UserPresenceDetailsTest, AffectedContactsShowVoiceAndCallbackReferencesOnly) {
  const std::pair<ZelTHandlingState, const char*> cases[] = {
      {Contact("7", 0, 1, "6", 2), "ContactId/RqC{7/0},RefId/RqC{6/2},State{Talking}"},
      {Contact("7", 0, 2, "6", 0), "ContactId/RqC{7/0},RefId/RqC{6/0},State{Talking}"},
      {Contact("7", 0, 1, "6", -1), "ContactId/RqC{7/0},State{Talking}"},
      {Contact("7", 0, 3, "6", 2), "ContactId/RqC{7/0},State{Talking}"},
      {Contact("7", 0, 9, "6", 2), "ContactId/RqC{7/0},State{Talking}"}};
  Details details;
  EXPECT_EQ(details.ToString_AffectedContact(), "Affected Contact:{}");
  for (const auto& [contact, text] : cases) {
    Contacts one;
    one.PushBack(contact);
    details.SetAffectedContacts(one);
    EXPECT_EQ(details.ToString_AffectedContact(), std::string("Affected Contact:{HandlingState{") + text + "}}");
  }
  Contacts two;
  two.PushBack(Contact("7", 0, 1));
  two.PushBack(Contact("8", 1, 3));
  details.SetAffectedContacts(two);
  EXPECT_EQ(details.ToString_AffectedContact(),
            "Affected Contact:{HandlingState{ContactId/RqC{7/0},State{Talking}}"
            "HandlingState{ContactId/RqC{8/1},State{Queued}}}");
}

}  // namespace
