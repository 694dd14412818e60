#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "Bytes.h"
#include "DiagCapture.h"
#include "ZelTEventControl.h"
#include "ZelTUserPresenceControl.h"
#include "zelclnt/events/ZelTPrimaryHandlingStateEvent.h"
#include "zelclnt/events/ZelTUserHandlingStateEvent.h"
#include "zelclnt/events/ZelTUserRoutingStateEvent.h"
#include "zelclnt/events/ZelTWrapupSubmittedEvent.h"

namespace {

using Event = ZelTPresenceServer::enEvent;
using Contacts = ZelTStdListPointerColl<ZelTHandlingState>;

ZelTUserPresence Agent(const std::string& primary, long primaryRc) {
  ZelTUserPresence user;
  user.SetUserKey(12);
  ZelTUserPresenceControl::HandlingStates(user).SetPrimaryContactId(primary);
  ZelTUserPresenceControl::HandlingStates(user).SetPrimaryContactRC(primaryRc);
  return user;
}

ZelTHandlingState Consulted(const std::string& id, long rc, enHandlingCause cause) {
  ZelTHandlingState contact;
  contact.contactId = id;
  contact.requeueCount = rc;
  contact.handlingCause = cause;
  return contact;
}

TEST(RoutingHandlingEventsTest, HandlingEventTypeSurvivesCopiesButDoesNotTravel) {
  DiagCapture quiet("");
  Contacts affected;
  affected.PushBack(Consulted("7", 0, HANDLINGCAUSE_NONE));
  const std::pair<Event, const char*> cases[] = {
      {ZelTPresenceServer::USER_CONTACT_CREATED_EVENT, "UserContactCreatedEvent:{Cause{Contact Created},"},
      {ZelTPresenceServer::USER_CONTACT_CONNECTED_EVENT, "UserContactConnectedEvent:{"},
      {ZelTPresenceServer::USER_CONTACT_COMPLETED_EVENT, "UserContactCompletedEvent:{"},
      {ZelTPresenceServer::USER_HANDLING_STATE_UPDATE_EVENT, "UserHandlingStateUpdateEvent:{"},
      {ZelTPresenceServer::CONNECTIONEVENT, "UserHandlingStateUpdateEvent:{"}};
  for (const auto& [type, name] : cases) {
    ZelTUserHandlingStateEvent event;
    ZelTEventControl::Copy(event, ZelTEventBase::EVENTCAUSE_CONTACT_CREATED, Agent("7", 0), affected, type);
    const ZelTUserHandlingStateEvent copy(event);
    ZelTUserHandlingStateEvent assigned;
    assigned = event;
    EXPECT_EQ(assigned.GetEventType(), type);
    EXPECT_EQ(copy.ToString(false).rfind(name, 0), 0u) << copy.ToString(false);
    EXPECT_NE(copy.ToString(false).find("Affected Contact:{HandlingState{ContactId/RqC{7/0}"), std::string::npos);

    ZelTUserHandlingStateEvent fresh;
    Read(BytesOf(event), fresh);
    EXPECT_EQ(fresh.GetEventType(), ZelTPresenceServer::USER_HANDLING_STATE_UPDATE_EVENT);
    ExpectReadsBack(fresh, copy);
    ZelTUserHandlingStateEvent used = copy;
    Read(BytesOf(event), used);
    EXPECT_EQ(used.GetEventType(), type) << "a record read keeps its own type";
  }
}

TEST(RoutingHandlingEventsTest, RoutingEventReadsBackAndShowsRoutingSummary) {
  DiagCapture quiet("");
  ZelTUserRoutingStateEvent sent, used;
  ZelTEventControl::Copy(sent, ZelTEventBase::EVENTCAUSE_ROUTING_WORK, Agent("7", 0));
  ZelTEventControl::Copy(used, ZelTEventBase::EVENTCAUSE_USER_DELETED, Agent("", -1));
  ExpectReadsBack(sent, used);
  EXPECT_EQ(sent.ToString(false),
            "UserRoutingStateEvent:{Cause{Routing Work},Routing State:{State{Logoff},Reason{0}},"
            "Presence State:{Logoff},Presence State(ExDC):{Logoff}}");
  const std::string full = sent.ToString(true);
  const std::string opening =
      "UserRoutingStateEvent:{UserPresenceDetails:{EventBase:{Cause{Routing Work}},Extension{},AssociatedLine{},"
      "TeamKey{0},GroupID{},Media States:VectorDetails:{MediaState:{Media{Voice},";
  EXPECT_EQ(full.substr(0, opening.size()), opening);
  EXPECT_NE(full.find(",Routing State:{State{Logoff},Reason{0},Source{Unknown}},"), std::string::npos) << full;
}

TEST(RoutingHandlingEventsTest, QueueConsultedEventFindsFirstOldAndNewContact) {
  DiagCapture quiet("");
  ZelTUserContactQueueConsultedEvent none;
  ZelTHandlingState untouched = Consulted("x", 5, HANDLINGCAUSE_PICKUP);
  EXPECT_FALSE(none.GetOldQueueConsultedContact(untouched) || none.GetNewQueueConsultedContact(untouched));
  EXPECT_EQ(untouched.contactId, "x");
  EXPECT_EQ(none.ToString(true),
            "UserContactQueueConsultedEvent:{Cause{None},Presence State:{Logoff},Presence State(ExDC):{Logoff},"
            "Affected Contact:{},Old<ContactId/RqC{/-1},>,New<ContactId/RqC{/-1},>}");

  Contacts affected;
  affected.PushBack(Consulted("1", 0, HANDLINGCAUSE_NONE));
  affected.PushBack(Consulted("7", 0, HANDLINGCAUSE_CONSULT_QUEUE_OLD));
  affected.PushBack(Consulted("9", 3, HANDLINGCAUSE_CONSULT_QUEUE_OLD));
  affected.PushBack(Consulted("8", 2, HANDLINGCAUSE_CONSULT_QUEUE_NEW));
  ZelTUserContactQueueConsultedEvent event;
  ZelTEventControl::Copy(event, ZelTEventBase::EVENTCAUSE_CONTACT_QUEUE_CONSULTED, Agent("7", 0), affected);
  ZelTHandlingState found;
  ASSERT_TRUE(event.GetOldQueueConsultedContact(found));
  EXPECT_EQ(found.contactId, "7");
  ASSERT_TRUE(event.GetNewQueueConsultedContact(found));
  EXPECT_EQ(found.requeueCount, 2);
  const std::string text = event.ToString(false);
  const std::string tail = "},Old<ContactId/RqC{7/0},>,New<ContactId/RqC{8/2},>}";
  EXPECT_EQ(text, event.ToString(true));
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(RoutingHandlingEventsTest, WrapupEventReadReplacesReasonsWithinTheBytes) {
  DiagCapture quiet("");
  ZelTWrapupSubmittedEvent sent, used;
  ZelTEventControl::Copy(sent, ZelTEventBase::EVENTCAUSE_WRAPUP_SUBMITTED, Agent("", -1), std::string("42"), 0L, 5L, 1L,
                         7L, std::list<long>{3, 9});
  EXPECT_EQ(sent.ToString(),
            "WrapupSubmittedEvent:{Cause{WrapupSubmitted},ContactId/RqC{42/0},QueueKey{5},"
            "LocationKey{1},SeqNum{7},WrapupReasons{3,9}}");
  ZelTEventControl::Copy(used, ZelTEventBase::EVENTCAUSE_NONE, Agent("", -1), std::string("1"), 1L, 1L, 1L, 1L,
                         std::list<long>{1});
  ExpectReadsBack(sent, used);

  const std::string empty = BytesOf(ZelTWrapupSubmittedEvent());
  EXPECT_EQ(empty.substr(empty.size() - 4), BytesOf(0));
  EXPECT_NE(ZelTWrapupSubmittedEvent().ToString().find("SeqNum{-1},WrapupReasons{}}"), std::string::npos);
  const std::pair<int, std::list<long>> counts[] = {{0, {}}, {-5, {}}, {1, {3}}, {INT_MAX, {3, 9}}};
  for (const auto& [count, reasons] : counts) {
    ZelTWrapupSubmittedEvent read = used;
    const std::string bytes = empty.substr(0, empty.size() - 4) + BytesOf(count, 3L, 9L);
    EXPECT_EQ(Read(bytes, read), 8u - 4u * reasons.size());
    EXPECT_EQ(read.GetWrapupReasons(), reasons) << count;
  }
}

TEST(RoutingHandlingEventsTest, PrimaryEventShowsNoContactAsNone) {
  DiagCapture quiet("");
  ZelTPrimaryHandlingStateEvent sent, used;
  ZelTEventControl::Copy(sent, ZelTEventBase::EVENTCAUSE_PRIMARY_HANDLING_STATE, Agent("8", 0));
  EXPECT_EQ(sent.ToString(),
            "PrimaryHandlingStateEvent:{Cause{Primary Handling State},New<ContactId/RqC{8/0}>,Old<None>}");
  EXPECT_EQ(used.ToString(), "PrimaryHandlingStateEvent:{Cause{None},New<ContactId/RqC{/0}>,Old<ContactId/RqC{/0}>}");
  ZelTEventControl::Copy(used, ZelTEventBase::EVENTCAUSE_NONE, Agent("3", 3));
  ExpectReadsBack(sent, used);
}

}  // namespace
