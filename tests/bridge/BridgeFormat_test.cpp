// What the bridge writes and reads back, without NATS: subjects and ids as
// consumers filter and deduplicate by them, and hostile stored bytes.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "StoredRecord.h"
#include "Subjects.h"
#include "zelclnt/core/ZelTPresenceServer.h"

namespace {

using namespace zelbridge;

TEST(BridgeFormatTest, NamesSubjectsAndIdsAsConsumersFilterBy) {
  constexpr std::int64_t kNoUser = std::numeric_limits<std::int64_t>::min();
  const struct { std::string got; std::string expected; } cases[] = {
      {SubjectToken("tcp://a:7300,tcp://b:7300"), "tcp___a_7300_tcp___b_7300"},
      {SubjectToken("site-1_east"), "site-1_east"},
      {SubjectToken("a.b *>"), "a_b___"},
      {SubjectToken(""), "_"},
      {KindToken(ZelTPresenceServer::USER_ROUTING_STATE_EVENT), "user_routing_state_event"},
      {KindToken(ZelTPresenceServer::QUERYEXTENSIONLISTEVENT), "queryextensionlistevent"},
      {KindToken(99), "type99"},
      {KindToken(-3), "type-3"},
      {EventSubject("east", 99, 42), "presence.east.type99.42"},
      {EventSubject("east", 99, -7), "presence.east.type99.-7"},
      {EventSubject("east", 99, kNoUser), "presence.east.type99.none"},
      {MarkerSubject("east"), "presence.east.resync.none"},
      {ServerFilter("east"), "presence.east.>"},
      {MessageId({7, 12}), "7-12"},
      {MarkerId({7, 12}), "7-12-resync"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
  // A kind token is one subject token: no dots, spaces or wildcards.
  for (int type = ZelTPresenceServer::CONNECTIONEVENT; type <= ZelTPresenceServer::QUERYEXTENSIONLISTEVENT; ++type)
    EXPECT_EQ(KindToken(type).find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_-"), std::string::npos)
        << KindToken(type);
}

TEST(BridgeFormatTest, ReadsAPlaceOnlyFromWellFormedHeaders) {
  const struct { const char* incarnation; const char* position; bool read; TEventPosition expected; } cases[] = {
      {"7", "12", true, {7, 12}},
      {"18446744073709551615", "0", true, {18446744073709551615u, 0}},
      {"18446744073709551616", "1", false, {}},
      {"0", "5", false, {}},
      {"", "5", false, {}},
      {"7", "-1", false, {}},
      {"7", "1 ", false, {}},
      {"7", "+1", false, {}},
      {"7", "000000000000000000001", false, {}},
      {nullptr, "1", false, {}},
      {"7", nullptr, false, {}},
  };
  for (const auto& c : cases) {
    const auto place = PlaceOf(c.incarnation, c.position);
    ASSERT_EQ(place.has_value(), c.read) << (c.incarnation ? c.incarnation : "null") << " " << (c.position ? c.position : "null");
    if (place) {
      EXPECT_EQ(*place, c.expected);
    }
  }
}

TEST(BridgeFormatTest, StoredRecordsReadBackWholeAndNothingElse) {
  ZelTUserPresence user;
  user.SetUserKey(42);
  user.SetUserID("agent42");
  const std::string value = EncodeRecord(user, {9, 1234});
  const auto back = DecodeRecord(value.data(), value.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->at, (TEventPosition{9, 1234}));
  EXPECT_EQ(back->user.GetUserKey(), 42);
  EXPECT_EQ(back->user.GetUserID(), "agent42");

  for (std::size_t cut = 0; cut < value.size(); ++cut)
    EXPECT_FALSE(DecodeRecord(value.data(), cut)) << "cut at " << cut;
  const auto refused = [](std::string bytes) { return !DecodeRecord(bytes.data(), bytes.size()); };
  std::string wrongMark = value;
  wrongMark[3] = '2';
  std::string longer = value;
  longer[20] = static_cast<char>(longer[20] + 1);
  EXPECT_TRUE(refused(wrongMark));
  EXPECT_TRUE(refused(value + '\0'));
  EXPECT_TRUE(refused(longer));
  EXPECT_FALSE(DecodeRecord(nullptr, 0));
}

}  // namespace
