#include "zelclnt/mirror/ZelTUserStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ZelTUserPresenceControl.h"

namespace {

using Store = ZelTUserStore;

Store::Record Record(long userKey, long reason) {
  Store::Record record = zelclnt::detail::NewElement<ZelTUserPresence>("test");
  record->SetUserKey(userKey);
  record->SetUserID("agent" + std::to_string(reason));
  record->SetRoutingStateReason(reason);
  // Logged on to the odd media: voice, e-mail and open media.
  for (long medium = 1; medium <= 5; ++medium) {
    ZelTMediaState state;
    state.media = medium;
    state.state = medium % 2 ? MEDIASTATE_AVAILABLE : MEDIASTATE_LOGOFF;
    ZelTUserPresenceControl::MediaStates(*record).UpdateMediaState(state);
  }
  return record;
}

long ReasonOf(const Store& store, long userKey) {
  ZelTUserPresence copy;
  return store.Copy(userKey, copy) ? copy.GetRoutingState().GetRoutingStateReason() : -1;
}

// Never back in time: an event applies only above the record's position, a
// reply replaces from the record's position on; incarnations and unknown
// positions decide as the contract says.
TEST(ZelTUserStoreTest, PositionsDecideWhatIsApplied) {
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
      {"held unknown", {}, {7, 1}, Store::VERDICT_APPLIED, true},
      {"told unknown", {7, 10}, {}, Store::VERDICT_APPLIED, true},
  };
  for (const auto& c : cases) {
    const bool applied = c.event == Store::VERDICT_APPLIED;
    Store store;
    Store::Shared replaced = Record(42, 0);
    ASSERT_TRUE(store.Put(Record(42, 1), c.held, &replaced));
    EXPECT_FALSE(replaced) << "an added record replaces none";
    const Store::Shared read = store.Get(42);
    Store::Versions versions;
    const Store::enVerdict verdict = store.Update(
        42, c.at, [](ZelTUserPresence& user) { user.SetRoutingStateReason(5); }, &versions);
    EXPECT_EQ(std::make_tuple(verdict, ReasonOf(store, 42), read->GetRoutingState().GetRoutingStateReason()),
              std::make_tuple(c.event, applied ? 5L : 1L, 1L))
        << c.name << ": what a reader holds stays as it was";
    EXPECT_EQ(std::make_pair(versions.before, versions.after),
              applied ? std::make_pair(read, store.Get(42)) : std::make_pair(Store::Shared(), Store::Shared()))
        << c.name;

    Store replies;
    replies.Put(Record(42, 1), c.held);
    const Store::Shared held = replies.Get(42);
    EXPECT_EQ(replies.Put(Record(42, 2), c.at, &replaced), c.reply) << c.name;
    EXPECT_EQ(std::make_pair(ReasonOf(replies, 42), replaced),
              c.reply ? std::make_pair(2L, held) : std::make_pair(1L, Store::Shared()))
        << c.name << ": the record replaced goes back to the caller";
  }
  Store store;
  EXPECT_EQ(store.Update(42, {7, 1}, [](ZelTUserPresence&) {}), Store::VERDICT_NO_USER);
  EXPECT_FALSE(store.Remove(42));
  store.Put(Record(42, 1), {});
  const Store::Shared held = store.Get(42);
  const Store::Shared removed = store.Remove(42);
  EXPECT_EQ(std::make_pair(removed, store.Get(42)), std::make_pair(held, Store::Shared()));
}

std::vector<long> Selected(const Store& store, const Store::Selection& selection) {
  std::vector<long> keys;
  for (const Store::Shared& user : store.Select(selection)) keys.push_back(user->GetUserKey());
  return keys;
}

const ZelTUserPresence* Address(const Store& store, long userKey) {
  const ZelTUserPresence* address = nullptr;
  store.Read(userKey, [&](const ZelTUserPresence& user, const TEventPosition&) { address = &user; });
  return address;
}

// The writer changes a record in place only where no one may hold it: not
// one a reader took, nor one a caller put. Read takes none.
TEST(ZelTUserStoreTest, ARecordAnyoneHoldsNeverChanges) {
  const auto reason = [](long to) { return [to](ZelTUserPresence& user) { user.SetRoutingStateReason(to); }; };
  const struct {
    const char* name;
    std::function<Store::Shared(Store&)> hold;
  } cases[] = {
      {"Get", [](Store& store) { return store.Get(42); }},
      {"Snapshot", [](Store& store) { return store.Snapshot().front(); }},
      {"Select", [](Store& store) { return store.Select({{}, {}, {}, 1}).front(); }},
      {"Update's versions", [&](Store& store) {
         Store::Versions versions;
         store.Update(42, {1, 2}, reason(2), &versions);
         return versions.after;
       }},
  };
  for (const auto& c : cases) {
    Store store;
    store.Put(Record(42, 1), {1, 0});
    store.Update(42, {1, 1}, reason(2));
    const Store::Shared held = c.hold(store);
    store.Update(42, {1, 3}, reason(3));
    EXPECT_EQ(std::make_pair(held->GetRoutingState().GetRoutingStateReason(), ReasonOf(store, 42)),
              std::make_pair(2L, 3L))
        << c.name;
  }
  Store store;
  const Store::Shared put = Record(42, 1);
  store.Put(put, {1, 0});
  store.Update(42, {1, 1}, reason(2));
  const ZelTUserPresence* copied = Address(store, 42);
  store.Update(42, {1, 2}, reason(3));
  EXPECT_EQ(std::make_tuple(put->GetRoutingState().GetRoutingStateReason(), ReasonOf(store, 42),
                            Address(store, 42) == copied, store.PositionOf(42)),
            std::make_tuple(1L, 3L, true, TEventPosition{1, 2}))
      << "the caller's record stays; the store's own, read only, changes in place";
}

// The indexes follow every write, those before the first Select (which
// builds them) and after: a user is found by what its record holds now,
// never by what it held.
TEST(ZelTUserStoreTest, SelectFindsUsersByWhatTheirRecordsHoldNow) {
  using Control = ZelTUserPresenceControl;
  using RS = ZelTRoutingState;
  const auto place = [](long team, long site, RS::enRoutingState state) {
    return [=](ZelTUserPresence& user) {
      Control::SetIdentity(user, "", "", site, 0, team, "");
      Control::RoutingState(user).SetRoutingState(state);
    };
  };
  Store store;
  for (long key = 42; key < 47; ++key) store.Put(Record(key, 0), {1, 0});
  store.Update(42, {1, 1}, place(1, 10, RS::ROUTINGSTATE_WORK));
  store.Update(43, {1, 1}, place(1, 11, RS::ROUTINGSTATE_AVAILABLE));
  store.Update(44, {1, 1}, place(2, 10, RS::ROUTINGSTATE_WORK));
  store.Update(45, {1, 1}, [](ZelTUserPresence& user) {
    ZelTMediaState voice;
    voice.media = 1;
    Control::MediaStates(user).UpdateMediaState(voice);
  });
  store.Remove(46);
  const struct { const char* name; Store::Selection selection; std::vector<long> keys; } cases[] = {
      {"everyone", {}, {42, 43, 44, 45}},
      {"team", {1, {}, {}, {}}, {42, 43}},
      {"team and site", {1, 10, {}, {}}, {42}},
      {"routing state", {{}, {}, RS::ROUTINGSTATE_WORK, {}}, {42, 44}},
      {"medium", {{}, {}, {}, 1}, {42, 43, 44}},
      {"medium logged off by all", {{}, {}, {}, 2}, {}},
      {"team nobody is in", {9, {}, {}, {}}, {}},
      {"the removed user's team", {0, {}, {}, {}}, {45}},
  };
  for (const auto& c : cases) EXPECT_EQ(Selected(store, c.selection), c.keys) << c.name;
  store.Update(42, {1, 2}, place(2, 10, RS::ROUTINGSTATE_AVAILABLE));
  store.Put(Record(43, 0), {1, 3});
  store.Put(Record(47, 0), {1, 4});
  store.Remove(45);
  // The first copies the record the selections took; the second changes
  // the copy in place.
  store.Update(44, {1, 5}, place(2, 11, RS::ROUTINGSTATE_WORK));
  store.Update(44, {1, 6}, place(3, 11, RS::ROUTINGSTATE_WORK));
  EXPECT_EQ(std::make_tuple(Selected(store, {2, {}, {}, {}}), Selected(store, {1, {}, {}, {}}),
                            Selected(store, {0, {}, {}, {}}), Selected(store, {{}, {}, {}, 1}),
                            Selected(store, {3, 11, {}, {}})),
            std::make_tuple(std::vector<long>{42}, std::vector<long>{}, std::vector<long>{43, 47},
                            std::vector<long>{42, 43, 44, 47}, std::vector<long>{44}));
}

// Readers on other threads see each record whole while one thread changes
// it: the reason and the id change together, and so are always seen. The
// readers walk the same records' collections at once, in place (a walk
// that moved a collection's cursor would race).
TEST(ZelTUserStoreTest, ConcurrentReadersSeeEveryRecordWhole) {
  Store store;
  for (long key = 42; key < 46; ++key) {
    store.Put(Record(key, 0), {1, 0});
  }
  std::atomic<bool> done{false};
  std::atomic<long> torn{0};
  const auto whole = [&](const ZelTUserPresence& user) {
    const ZelTMediaStates& media = user.GetMediaStates();
    if (user.GetUserID() != "agent" + std::to_string(user.GetRoutingState().GetRoutingStateReason()) ||
        media.LoggedOnCount() != 3 || !media.IsLoggedOnToMediaTypeLong(5) || media.IsLoggedOnToMediaTypeLong(4))
      ++torn;
  };
  const auto read = [&] {
    ZelTUserPresence copy;
    while (!done) {
      if (store.Copy(43, copy)) whole(copy);
      for (const ZelTUserPresence& user : store.CopyAll()) whole(user);
      // Kept while the writer goes on: each record stays whole.
      const std::vector<Store::Shared> held = store.Snapshot();
      store.ForEach(whole);
      for (const Store::Shared& user : held) whole(*user);
      // The first one indexes the store under the writer's feet.
      for (const Store::Shared& user : store.Select({{}, {}, {}, 5})) whole(*user);
      // Records no reader takes are changed in place, under the lock.
      for (long key = 42; key < 46; ++key)
        store.Read(key, [&](const ZelTUserPresence& user, const TEventPosition&) { whole(user); });
    }
  };
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i) readers.emplace_back(read);
  for (std::uint64_t position = 1; position <= 2000; ++position) {
    const long key = 42 + static_cast<long>(position % 4);
    const long reason = static_cast<long>(position);
    store.Update(key, {1, position}, [reason](ZelTUserPresence& user) {
      user.SetRoutingStateReason(reason);
      user.SetUserID("agent" + std::to_string(reason));
    });
    if (position % 500 == 0) store.Put(Record(key, reason), {1, position});
  }
  done = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(store.Keys(), (std::vector<long>{42, 43, 44, 45}));
}

}  // namespace
