#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "Bytes.h"
#include "CollItem.h"
#include "DiagCapture.h"
#include "zelclnt/model/ZelTStdListPointerColl.h"
#include "zelclnt/model/ZelTStdVectorPointerColl.h"
#include "zelclnt/platform/TMemory.h"

namespace {

using List = ZelTStdListPointerColl<CollItem>;
using Vector = ZelTStdVectorPointerColl<CollItem>;

template <typename Coll>
Coll Holding(std::initializer_list<int> ids, int maxSize = 0) {
  Coll collection;
  for (const int id : ids) collection.PushBack(CollItem(id, id % 2));
  collection.SetMaxSize(maxSize);
  return collection;
}

template <typename Coll>
std::vector<int> Ids(const Coll& collection) {
  std::vector<int> ids;
  CollItem item;
  for (collection.First(); collection.IsCurrentValid(); collection.Next()) {
    collection.GetCurrent(item);
    ids.push_back(item.id);
  }
  return ids;
}

template <typename Coll>
std::string SourceOf() {
  return std::is_same_v<Coll, List> ? "ZelTStdListPointerColl" : "ZelTStdVectorPointerColl";
}

template <typename Coll>
class BothForms : public ::testing::Test {};
using Forms = ::testing::Types<List, Vector>;
TYPED_TEST_SUITE(BothForms, Forms, );

TYPED_TEST(BothForms, WireFormRoundTripsAndReplacesContentsAndTextJoinsElements) {
  const TypeParam source = Holding<TypeParam>({7, -1, 65536}, 9);
  const std::string bytes = BytesOf(source);
  EXPECT_EQ(bytes, BytesOf(3, 9, CollItem(7, 1), CollItem(-1, -1), CollItem(65536, 0)));

  ExpectReadsBack(source, Holding<TypeParam>({1, 2, 3, 4}, 2));
  EXPECT_EQ(BytesOf(TypeParam()), BytesOf(0, 0));

  const std::string label = std::is_same_v<TypeParam, List> ? "ListDetails:{" : "VectorDetails:{";
  EXPECT_EQ(TypeParam().ToString(), label + "}");
  EXPECT_EQ(source.ToString(), label + "Item{7},Item{-1},Item{65536}}");
}

TYPED_TEST(BothForms, HostileCountsCostOnlyWhatTheBytesHold) {
  const std::string oneAndAHalf = BytesOf(CollItem(5, 6), 9);
  const struct { const char* name; std::string wire; std::vector<int> ids; } cases[] = {
      {"huge count, 12 bytes", BytesOf(INT_MAX, 0) + oneAndAHalf, {5, 9}},
      {"negative count", BytesOf(-1, 0) + oneAndAHalf, {}}, {"element reads nothing", BytesOf(4, 0) + "abc", {}},
      {"count alone", BytesOf(INT_MAX, 0).substr(0, 4), {}}, {"nothing", "", {}}};
  for (const auto& c : cases) {
    TypeParam collection = Holding<TypeParam>({1, 3, 5});
    Read(c.wire, collection);
    EXPECT_EQ(Ids(collection), c.ids) << c.name;
    TypeParam fresh;
    Read(c.wire, fresh);
    EXPECT_EQ(BytesOf(collection), BytesOf(fresh)) << c.name << ": records held are read into as if new";
  }
}

TYPED_TEST(BothForms, CursorAfterEachOperation) {
  TypeParam collection;
  collection.PushBack(CollItem(1, 0));
  EXPECT_FALSE(collection.IsCurrentValid()) << "an append does not move the cursor";
  collection.First();
  collection.PushBack(CollItem(2, 0));
  CollItem item(99, 0);
  ASSERT_TRUE(collection.GetCurrent(item));
  EXPECT_EQ(item.id, 1);
  collection.Next();
  collection.Next();
  EXPECT_FALSE(collection.GetCurrent(item));
  EXPECT_EQ(item.id, 1) << "a failed GetCurrent leaves its argument alone";
  collection.Next();
  EXPECT_FALSE(collection.IsCurrentValid());
  collection.First();
  collection.Clear();
  EXPECT_FALSE(collection.IsCurrentValid());
}

TYPED_TEST(BothForms, ThrowingDestructorIsReportedAndLeavesNoReleasedPointer) {
  const std::string what = std::is_same_v<TypeParam, List>
                               ? "TStdListPointerColl::~TStdListPointerColl exception occurred while destroying the list"
                               : "TStdVectorPointerColl::~TStdVectorPointerColl exception occurred while destroying "
                                 "the vector";
  DiagCapture diag;
  TypeParam collection;
  CollItem bad(2, 0);
  bad.throwOnDestroy = true;
  collection.PushBack(CollItem(1, 0));
  collection.PushBack(bad);
  bad.throwOnDestroy = false;
  collection.PushBack(CollItem(3, 0));
  collection.Clear();
  EXPECT_EQ(Ids(collection), (std::vector<int>{3}));
  ASSERT_EQ(diag.Texts(TDiag::SEVR), (std::vector<std::string>{what}));
  EXPECT_EQ(diag.Lines()[0].file, SourceOf<TypeParam>());
}

// Every element is a traced copy of its own until released; a swap and a
// record taken from a list allocate nothing, and the taken record is
// released by its taker.
TYPED_TEST(BothForms, CopiesAreDeepAndTracedAndSwapAndTakeHandRecordsOver) {
  TMemory::SetTrace(true);
  const std::size_t before = TMemory::OutstandingBlocks();
  {
    TypeParam source = Holding<TypeParam>({1, 2}, 5);
    TypeParam copy(source);
    TypeParam assigned;
    assigned = source;
    const TypeParam& self = assigned;
    assigned = self;
    EXPECT_EQ(TMemory::OutstandingBlocks(), before + 6);
    bool named = false;
    for (const auto& usage : TMemory::Report()) named = named || usage.source.rfind(SourceOf<TypeParam>(), 0) == 0;
    EXPECT_TRUE(named);
    source.Clear();
    EXPECT_TRUE(copy.IsCurrentValid()) << "a copy starts on its first record";
    EXPECT_EQ(std::make_tuple(Ids(copy), Ids(assigned), copy.GetMaxSize()),
              std::make_tuple(std::vector<int>{1, 2}, std::vector<int>{1, 2}, 5));

    TypeParam left = Holding<TypeParam>({1, 2}, 5);
    TypeParam right = Holding<TypeParam>({3}, 0);
    left.Swap(right);
    EXPECT_TRUE(left.IsCurrentValid() && right.IsCurrentValid()) << "both cursors on their first record";
    EXPECT_EQ(TMemory::OutstandingBlocks(), before + 7);
    EXPECT_EQ(std::make_tuple(Ids(left), left.GetMaxSize(), Ids(right), right.GetMaxSize()),
              std::make_tuple(std::vector<int>{3}, 0, std::vector<int>{1, 2}, 5));
    if constexpr (std::is_same_v<TypeParam, List>) {
      right.First();
      const auto taken = right.TakeFirst();
      CollItem current;
      ASSERT_TRUE(taken && right.GetCurrent(current));
      EXPECT_EQ(std::make_pair(taken->id, current.id), std::make_pair(1, 2)) << "the cursor moved on";
      EXPECT_EQ(TMemory::OutstandingBlocks(), before + 7);
      right.TakeFirst();
      EXPECT_FALSE(right.TakeFirst());
    }
  }
  EXPECT_EQ(TMemory::OutstandingBlocks(), before);
  TMemory::SetTrace(false);
}

// Only the list enforces a maximum size on PushBack, and category removal
// keeps what a full destination refuses.
TEST(PointerCollTest, MaximumSizeRulesAndCategoryRemovalKeepsWhatTheDestinationRefuses) {
  for (const int maxSize : {2, 0, -1, 3}) {
    const int listSize = maxSize == 2 ? 2 : 3;
    List list;
    Vector vector;
    list.SetMaxSize(maxSize);
    vector.SetMaxSize(maxSize);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(list.PushBack(CollItem(i, 0)), i < listSize) << maxSize;
      EXPECT_TRUE(vector.PushBack(CollItem(i, 0)));
    }
    EXPECT_EQ(std::make_pair(list.Size(), vector.Size()), std::make_pair(listSize, 3)) << maxSize;
  }

  List source = Holding<List>({1, 2, 3, 4, 5});
  List destination;
  destination.SetMaxSize(2);
  using Split = std::pair<std::vector<int>, std::vector<int>>;
  EXPECT_FALSE(source.RemoveAllItemByCategory(1, 0, destination));
  EXPECT_EQ(Split(Ids(destination), Ids(source)), Split({1, 3}, {2, 4, 5}));
  List roomy;
  EXPECT_TRUE(source.RemoveAllItemByCategory(1, 0, roomy));
  EXPECT_EQ(Split(Ids(roomy), Ids(source)), Split({5}, {2, 4}));
  EXPECT_TRUE(source.RemoveAllItemByCategory(0, 0, source)) << "into itself: nothing to move";
  EXPECT_EQ(Ids(source), (std::vector<int>{2, 4}));
}

TEST(PointerCollTest, ListMatchingFindsAndRemovesFirstMatchOnlyAndSetListCopies) {
  List list;
  for (const int tag : {1, 2, 3}) {
    CollItem item(tag == 3 ? 8 : 7, 0);
    item.tag = tag;
    list.PushBack(item);
  }
  EXPECT_TRUE(list.FoundItem(CollItem(8, 0)));
  EXPECT_FALSE(list.FoundItem(CollItem(9, 0)));

  List copy(list);
  copy.GetItem(CollItem(7, 0))->tag = 100;
  EXPECT_EQ(list.GetItem(CollItem(7, 0))->tag, 1) << "the copy's element is its own";

  list.First();
  EXPECT_TRUE(list.RemoveItem(CollItem(7, 0)));
  EXPECT_FALSE(list.RemoveItem(CollItem(9, 0)));
  CollItem current;
  ASSERT_TRUE(list.GetCurrent(current)) << "the cursor moved on from the removed record";
  EXPECT_EQ(current.tag, 2);
  ASSERT_EQ(list.Size(), 2);
  EXPECT_EQ(list.GetList().front()->tag, 2);

  CollItem a(1, 0), b(2, 0);
  copy.SetMaxSize(1);
  copy.SetList({&a, nullptr, &b});
  a.id = 50;
  List::const_iterator cursor;
  EXPECT_TRUE(copy.GetCurrent(cursor));
  EXPECT_EQ((*cursor)->id, 1);
  EXPECT_EQ(std::make_pair(Ids(copy), copy.GetMaxSize()), std::make_pair(std::vector<int>{1, 2}, 1))
      << "copies of what is pointed to, nulls skipped, no maximum";
  copy.End();
  EXPECT_FALSE(copy.GetCurrent(cursor));
  EXPECT_EQ(cursor, copy.GetList().end());
}

}  // namespace
