#include "zelclnt/mirror/ZelTUserStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using Store = ZelTUserStore;

Store::Record Record(long userKey, long reason = 0) {
  Store::Record record = zelclnt::detail::NewElement<ZelTUserPresence>("test");
  record->SetUserKey(userKey);
  record->SetUserID("agent" + std::to_string(reason));
  record->SetRoutingStateReason(reason);
  return record;
}

// Never back in time: an event applies only above the record's position, a
// reply replaces from the record's position on; incarnations and unknown
// positions decide as the contract says.
TEST(ZelTUserStoreTest, PositionsDecideWhatIsApplied) {
  const TEventPosition unknown;
  const struct {
    const char* name;
    TEventPosition held;
    TEventPosition at;
    Store::enVerdict event;
    bool reply;
  } cases[] = {
      {"above", {7, 10}, {7, 11}, Store::VERDICT_APPLIED, true},
      {"same", {7, 10}, {7, 10}, Store::VERDICT_ALREADY_HAD, true},
      {"below", {7, 10}, {7, 9}, Store::VERDICT_ALREADY_HAD, false},
      {"other incarnation", {7, 10}, {8, 1}, Store::VERDICT_OTHER_INCARNATION, true},
      {"held unknown", unknown, {7, 1}, Store::VERDICT_APPLIED, true},
      {"told unknown", {7, 10}, unknown, Store::VERDICT_APPLIED, true},
  };
  for (const auto& c : cases) {
    Store store;
    Store::Record record = Record(42, 1);
    ASSERT_TRUE(store.Put(record, c.held));
    EXPECT_FALSE(record) << "an added record replaces none";
    bool ran = false;
    EXPECT_EQ(store.Update(42, c.at, [&](ZelTUserPresence&) { ran = true; }), c.event) << c.name;
    EXPECT_EQ(ran, c.event == Store::VERDICT_APPLIED) << c.name;
    EXPECT_TRUE(store.PositionOf(42) == (ran ? c.at : c.held)) << c.name;

    Store replies;
    Store::Record first = Record(42, 1);
    Store::Record second = Record(42, 2);
    replies.Put(first, c.held);
    EXPECT_EQ(replies.Put(second, c.at), c.reply) << c.name;
    ZelTUserPresence copy;
    ASSERT_TRUE(replies.Copy(42, copy));
    EXPECT_EQ(copy.GetRoutingState().GetRoutingStateReason(), c.reply ? 2 : 1) << c.name;
    EXPECT_EQ(second && second->GetRoutingState().GetRoutingStateReason() == 1, c.reply)
        << c.name << ": the replaced record goes back to the caller";
  }
  Store store;
  EXPECT_EQ(store.Update(42, {7, 1}, [](ZelTUserPresence&) {}), Store::VERDICT_NO_USER);
  EXPECT_FALSE(store.Remove(42));
}

// Readers on other threads see each record whole while one thread changes
// it: the reason and the id change together, and so are always seen.
TEST(ZelTUserStoreTest, ConcurrentReadersSeeEveryRecordWhole) {
  Store store;
  for (long key = 42; key < 46; ++key) {
    Store::Record record = Record(key);
    store.Put(record, {1, 0});
  }
  std::atomic<bool> done{false};
  std::atomic<long> torn{0};
  const auto whole = [&](const ZelTUserPresence& user) {
    if (user.GetUserID() != "agent" + std::to_string(user.GetRoutingState().GetRoutingStateReason())) ++torn;
  };
  std::vector<std::thread> readers;
  readers.emplace_back([&] {
    ZelTUserPresence copy;
    while (!done)
      if (store.Copy(43, copy)) whole(copy);
  });
  readers.emplace_back([&] {
    while (!done) {
      for (const ZelTUserPresence& user : store.CopyAll()) whole(user);
      store.ForEach(whole);
    }
  });
  for (std::uint64_t position = 1; position <= 2000; ++position) {
    const long key = 42 + static_cast<long>(position % 4);
    store.Update(key, {1, position}, [position](ZelTUserPresence& user) {
      user.SetRoutingStateReason(static_cast<long>(position));
      user.SetUserID("agent" + std::to_string(position));
    });
    if (position % 500 == 0) {
      Store::Record record = Record(key, static_cast<long>(position));
      store.Put(record, {1, position});
    }
  }
  done = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(store.Keys(), (std::vector<long>{42, 43, 44, 45}));
}

}  // namespace
