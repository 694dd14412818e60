#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Bytes.h"
#include "EventFrame.h"
#include "EventOrder.h"
#include "ReplayBuffer.h"
#include "ReplayFrame.h"
#include "RpcFrame.h"
#include "zelclnt/platform/TRPC.h"

namespace {

using zelplatform::EventHeader;
using zelplatform::EventOrder;
using Verdict = EventOrder::Verdict;
using zelplatform::ReplayAnswer;
using zelplatform::ReplayRequest;
using zelplatform::ReplayStatus;

TEST(EventPositionsTest, FramesAsTheWireFormatLaysThemOut) {
  const EventHeader header{35001, 42, 0x0102030405060708u, 9, 5, 7};
  const auto event = zelplatform::EncodeEventHeader(header);
  EXPECT_EQ(Hex(std::string(event.data(), event.size())),
            "5a455650" "b9880000" "2a00000000000000" "01000000" "0807060504030201" "0900000000000000"
            "0500000000000000" "0700000000000000");
  EXPECT_EQ(Hex(zelplatform::EventUserPrefix(35001, 42)), "5a455650b98800002a00000000000000");
  EXPECT_EQ(Hex(zelplatform::EventTypePrefix(0)), "5a45565000000000");
  const auto legacy = zelplatform::EncodeLegacyHeader(35001, 7, 3);
  EXPECT_EQ(Hex(std::string(legacy.data(), legacy.size())),
            "b9880000" "5a455654" "01000000" "0700000000000000" "0300000000000000");

  const ReplayRequest request{7, 9, 2, 3, {35001}, {-1}};
  EXPECT_EQ(Hex(zelplatform::EncodeReplayRequest(request)),
            "5a525051" "01000000" "0700000000000000" "0900000000000000" "02000000" "03000000"
            "01000000" "b9880000" "01000000" "ffffffffffffffff");

  zelplatform::ReplayAnswerWriter writer(ReplayStatus::Events, 7, 12);
  writer.Add(35001, 42, 11, "ab");
  EXPECT_EQ(Hex(writer.Finish(12)),
            "5a525041" "01000000" "0700000000000000" "0c00000000000000" "0c00000000000000" "01000000"
            "b9880000" "2a00000000000000" "0b00000000000000" "02000000" "6162");

  TRPC rpc;
  rpc.SetRPCType(77);
  rpc.SetReturnCode(-1);
  rpc.SetReplyData("r", 1);
  rpc.SetStatePosition({7, 9});
  EXPECT_EQ(Hex(zelplatform::EncodeReply(5, rpc, true)),
            "5a52504c" "0200" "4d00" "0500000000000000" "ffffffff" "0700000000000000" "0900000000000000" "72");
  // A caller of the earlier version, or a reply without a position: v1.
  EXPECT_EQ(Hex(zelplatform::EncodeReply(5, rpc, false)), "5a52504c" "0100" "4d00" "0500000000000000" "ffffffff" "72");
}

// Counts and sizes are believed only as far as the bytes go; events must
// rise and stay within what the answer says it covered.
TEST(EventPositionsTest, ReplayFramesRefuseWhatTheBytesDoNotBearOut) {
  const ReplayRequest request{0, 0, 0, 0, {1, 2}, {3}};
  const std::string good = zelplatform::EncodeReplayRequest(request);
  ReplayRequest read;
  ASSERT_TRUE(zelplatform::DecodeReplayRequest(good.data(), good.size(), read));
  EXPECT_EQ(std::make_pair(read.types, read.users), std::make_pair(request.types, request.users));
  std::string countTooHigh = good;
  countTooHigh[32] = '\x7f';
  const std::string requests[] = {good.substr(0, good.size() - 1), good + "x", countTooHigh,
                                  std::string(good).replace(4, 1, "\x02")};
  for (const std::string& bad : requests) EXPECT_FALSE(zelplatform::DecodeReplayRequest(bad.data(), bad.size(), read));

  const auto answer = [](std::uint64_t through, std::vector<std::uint64_t> positions) {
    zelplatform::ReplayAnswerWriter writer(ReplayStatus::Events, 7, 20);
    for (const std::uint64_t position : positions) writer.Add(1, 2, position, "event");
    return writer.Finish(through);
  };
  const std::string whole = answer(12, {10, 12});
  ReplayAnswer decoded;
  ASSERT_TRUE(zelplatform::DecodeReplayAnswer(whole.data(), whole.size(), decoded));
  ASSERT_EQ(decoded.events.size(), 2u);
  EXPECT_EQ(std::string(decoded.events[1].data, decoded.events[1].size), "event");
  std::string countTooLow = whole;
  countTooLow[32] = '\x01';
  std::string sizeBeyond = whole;
  sizeBeyond[whole.size() - 6] = '\x06';
  zelplatform::ReplayAnswerWriter gone(ReplayStatus::PositionGone, 7, 20);
  gone.Add(1, 2, 3, "x");
  const std::string answers[] = {answer(11, {10, 12}), answer(12, {12, 10}), answer(12, {10, 10}), countTooLow,
                                 sizeBeyond, whole.substr(0, whole.size() - 1), gone.Finish(3)};
  for (const std::string& bad : answers) EXPECT_FALSE(zelplatform::DecodeReplayAnswer(bad.data(), bad.size(), decoded));
}

struct StreamCase {
  const char* name;
  std::vector<std::int32_t> types;
  std::vector<std::int64_t> users;
  EventHeader event;
  Verdict expected;
};

// Through position 10 of incarnation 7, each filter judges by the previous
// position it has reason to have seen.
TEST(EventPositionsTest, AStreamJudgesEachEventByThePreviousPositionItsFilterSees) {
  const StreamCase cases[] = {
      {"every event, next", {}, {}, {1, 42, 7, 11, 3, 4}, Verdict::Deliver},
      {"every event, one skipped", {}, {}, {1, 42, 7, 12, 11, 11}, Verdict::Gap},
      {"every event, had", {}, {}, {1, 42, 7, 10, 9, 9}, Verdict::Duplicate},
      {"a type, others between", {1}, {}, {1, 42, 7, 15, 10, 14}, Verdict::Deliver},
      {"a type, its previous missed", {1}, {}, {1, 42, 7, 15, 12, 8}, Verdict::Gap},
      {"a user, others between", {1}, {42}, {1, 42, 7, 15, 14, 9}, Verdict::Deliver},
      {"a user, its previous missed", {1}, {42}, {1, 42, 7, 15, 9, 13}, Verdict::Gap},
  };
  for (const StreamCase& c : cases) {
    EventOrder stream(c.types, c.users);
    stream.ResumeAfter({7, 10});
    EXPECT_FALSE(stream.NoteIncarnation(7)) << c.name;
    EXPECT_EQ(stream.OnEvent(c.event), c.expected) << c.name;
  }
}

// Heartbeats tell losses at the end of a burst to receivers of every event
// and of types; before its anchor nothing is lost; a restart makes the new
// publisher's every event count.
TEST(EventPositionsTest, HeartbeatsAnchorsAndRestarts) {
  EventOrder every({}, {});
  EXPECT_FALSE(every.NoteIncarnation(7));
  EXPECT_EQ(every.OnHeartbeat({0, zelplatform::kNoUser, 7, 30, 0, 0}, {}), Verdict::Deliver);
  EXPECT_EQ(every.Through().position, 30u);
  EXPECT_EQ(every.OnHeartbeat({0, zelplatform::kNoUser, 7, 31, 0, 0}, {}), Verdict::Gap);

  EventOrder typed({1}, {});
  typed.ResumeAfter({7, 10});
  EXPECT_EQ(typed.OnHeartbeat({0, zelplatform::kNoUser, 7, 20, 0, 0}, {{2, 20}, {1, 9}}), Verdict::Deliver);
  EXPECT_EQ(typed.OnHeartbeat({0, zelplatform::kNoUser, 7, 20, 0, 0}, {{2, 20}, {1, 11}}), Verdict::Gap);

  EventOrder users({1}, {42});
  users.ResumeAfter({7, 10});
  EXPECT_EQ(users.OnHeartbeat({0, zelplatform::kNoUser, 7, 99, 0, 0}, {{1, 99}}), Verdict::Deliver);

  EventOrder fresh({}, {});
  fresh.NoteIncarnation(7);
  EXPECT_EQ(fresh.OnEvent({1, 42, 7, 50, 49, 0}), Verdict::Deliver);
  EXPECT_TRUE(fresh.NoteIncarnation(8));
  EXPECT_EQ(fresh.OnEvent({1, 42, 8, 3, 2, 0}), Verdict::Gap);
  EXPECT_EQ(fresh.OnEvent({1, 42, 8, 1, 0, 0}), Verdict::Deliver);
}

std::vector<std::uint64_t> Positions(const std::string& bytes) {
  ReplayAnswer answer;
  std::vector<std::uint64_t> positions;
  if (!zelplatform::DecodeReplayAnswer(bytes.data(), bytes.size(), answer)) return {999};
  for (const auto& event : answer.events) positions.push_back(event.position);
  return positions;
}

// The buffer keeps the latest events up to each bound, answers after a
// position with what the filter wants and says how far it looked, and
// refuses once the position is gone.
TEST(EventPositionsTest, TheReplayBufferKeepsTheLatestWithinEveryBound) {
  const auto start = zelplatform::Clock::time_point();
  using std::chrono::seconds;
  zelplatform::ReplayBuffer buffer({4, 1000, std::chrono::minutes(1)});
  for (std::uint64_t position = 1; position <= 6; ++position)
    buffer.Add(position, position % 2 ? 1 : 2, static_cast<std::int64_t>(position), "event", 5, 100,
               start + seconds(position));
  EXPECT_EQ(buffer.Count(), 4u);
  EXPECT_EQ(buffer.Oldest(), 3u);
  const auto answer = [&](std::uint64_t after, std::vector<std::int32_t> types, std::size_t maxEvents,
                          std::uint64_t* through = nullptr) {
    ReplayRequest request;
    request.after = after;
    request.types = std::move(types);
    zelplatform::ReplayAnswerWriter writer(ReplayStatus::Events, 7, 6);
    std::uint64_t seen = 0;
    if (!buffer.Answer(request, 1000, maxEvents, writer, seen)) return std::vector<std::uint64_t>{0};
    if (through) *through = seen;
    return Positions(writer.Finish(seen));
  };
  std::uint64_t through = 0;
  EXPECT_EQ(answer(2, {}, 10, &through), (std::vector<std::uint64_t>{3, 4, 5, 6}));
  EXPECT_EQ(through, 6u);
  EXPECT_EQ(answer(3, {1}, 1, &through), (std::vector<std::uint64_t>{5}));
  EXPECT_EQ(through, 6u) << "what the filter does not want is looked past";
  EXPECT_EQ(answer(3, {}, 1, &through), (std::vector<std::uint64_t>{4}));
  EXPECT_EQ(through, 4u);
  EXPECT_EQ(answer(6, {}, 10, &through), (std::vector<std::uint64_t>{}));
  EXPECT_EQ(through, 6u);
  EXPECT_EQ(answer(1, {}, 10), (std::vector<std::uint64_t>{0}));

  buffer.Add(7, 1, 7, std::string(60, 'x').data(), 60, 100, start + seconds(7));
  buffer.Add(8, 1, 8, std::string(200, 'x').data(), 200, 100, start + seconds(8));
  EXPECT_EQ(answer(6, {}, 10), (std::vector<std::uint64_t>{0})) << "an event no answer can carry is gone";
  buffer.Expire(start + seconds(67));
  EXPECT_EQ(buffer.Count(), 1u);
  EXPECT_EQ(buffer.Oldest(), 7u);
}

}  // namespace
