// The integer list: insertion points, the duplicates policies, the range
// and its messages, the index bounds, and the stored "Integers".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/RzIntLst.h"

namespace {

std::vector<int> Values(const TRzIntegerList& L)
{
    return L.Integers();
}

template <typename E, typename F>
std::string MessageOf(F&& Fn)
{
    try {
        Fn();
    } catch (const E& Ex) {
        return Ex.what();
    }
    return "(no exception)";
}

} // namespace

TEST(RzIntegerList, FindGivesTheFirstPositionOrTheInsertionPoint)
{
    const struct { std::vector<int> List; TDuplicates Dup; int Value; bool Found; int Index; } Cases[] = {
        {{}, dupIgnore, 5, false, 0},
        {{1, 3, 5}, dupIgnore, 0, false, 0},
        {{1, 3, 5}, dupIgnore, 4, false, 2},
        {{1, 3, 5}, dupIgnore, 9, false, 3},
        {{1, 3, 5}, dupIgnore, 5, true, 2},
        // Accept keeps searching left, so the first of equal values is found.
        {{1, 2, 2, 2, 2, 7}, dupAccept, 2, true, 1},
        {{2, 2, 2, 2, 2, 2, 2}, dupAccept, 2, true, 0},
    };
    for (const auto& C : Cases) {
        TRzIntegerList L;
        L.SetDuplicates(dupAccept);
        for (int V : C.List)
            L.Add(V);
        L.SetSorted(true);
        L.SetDuplicates(C.Dup);
        int Index = -1;
        EXPECT_EQ(L.Find(C.Value, Index), C.Found) << C.Value;
        EXPECT_EQ(Index, C.Index) << C.Value;
    }
}

TEST(RzIntegerList, DuplicatesPolicies)
{
    // Sorted.
    TRzIntegerList Ign;
    Ign.SetSorted(true);
    for (int V : {5, 1, 3})
        Ign.Add(V);
    EXPECT_EQ(Ign.Add(3), 1);
    EXPECT_EQ(Values(Ign), (std::vector<int>{1, 3, 5}));

    TRzIntegerList Err;
    Err.SetSorted(true);
    Err.SetDuplicates(dupError);
    Err.Add(4);
    EXPECT_EQ(MessageOf<EListError>([&] { Err.Add(4); }), "Duplicates not allowed");
    EXPECT_EQ(Err.Count(), 1);

    TRzIntegerList Acc;
    Acc.SetSorted(true);
    Acc.SetDuplicates(dupAccept);
    for (int V : {2, 8, 8})
        Acc.Add(V);
    EXPECT_EQ(Acc.Add(8), 1) << "inserted before the first equal value";
    EXPECT_EQ(Values(Acc), (std::vector<int>{2, 8, 8, 8}));

    // Unsorted, ignore: the value is not added, and Add answers the old Count.
    TRzIntegerList Un;
    for (int V : {9, 4})
        Un.Add(V);
    EXPECT_EQ(Un.Add(9), 2);
    EXPECT_EQ(Values(Un), (std::vector<int>{9, 4}));
    EXPECT_EQ(Un.IndexOf(4), 1);
    EXPECT_EQ(Un.IndexOf(7), -1);
}

TEST(RzIntegerList, RangeCouplingAndItsMessages)
{
    TRzIntegerList L;
    L.Add(-40);
    L.Add(3); // Min = Max = 0: any value
    EXPECT_EQ(MessageOf<EOutOfRange>([&] { L.SetMin(5); }),
              "Unable to set new minimum value.\rList contains values below 5");
    EXPECT_EQ(L.Min(), 0);
    EXPECT_EQ(MessageOf<EOutOfRange>([&] { L.SetMax(1); }),
              "Unable to set new maximum value.\rList contains values above 1");
    EXPECT_EQ(L.Max(), 0);

    TRzIntegerList R;
    R.SetMin(5);
    EXPECT_EQ(R.Max(), 5) << "a minimum above the maximum takes it along";
    R.Add(-100); // Min = Max again: no range
    R.Clear();
    R.SetMax(10);
    EXPECT_EQ(R.Min(), 5);
    EXPECT_EQ(MessageOf<EOutOfRange>([&] { R.Add(11); }), "Value must be within 5..10");
    EXPECT_EQ(MessageOf<EOutOfRange>([&] { R.Add(4); }), "Value must be within 5..10");
    R.Add(7);
    EXPECT_THROW(R.Put(0, 12), EOutOfRange);
    EXPECT_EQ(R[0], 7);
    R.Clear();
    R.SetMax(2);
    EXPECT_EQ(R.Min(), 2) << "a maximum below the minimum takes it along";
    TRzIntegerList D;
    D.SetMax(-3);
    EXPECT_EQ(D.Min(), -3);
}

TEST(RzIntegerList, IndexBoundsAndSortedRefusals)
{
    TRzIntegerList L;
    L.SetDuplicates(dupAccept);
    L.Add(1);
    L.Add(2);
    L.Insert(2, 3);
    L.Insert(0, 0);
    EXPECT_EQ(Values(L), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(MessageOf<EListError>([&] { L.Insert(5, 9); }), "List index out of bounds (5)");
    EXPECT_EQ(MessageOf<EListError>([&] { L.Insert(-1, 9); }), "List index out of bounds (-1)");
    EXPECT_THROW(L.Items(4), EListError);
    EXPECT_THROW(L.Delete(4), EListError);
    EXPECT_THROW(L.Exchange(0, 4), EListError);
    EXPECT_THROW(L.Move(4, 0), EListError);
    L.Move(0, 3);
    L.Exchange(0, 1);
    EXPECT_EQ(Values(L), (std::vector<int>{2, 1, 3, 0}));

    L.SetSorted(true);
    EXPECT_EQ(Values(L), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(MessageOf<EListError>([&] { L.Insert(0, 1); }), "Operation not allowed on sorted list");
    EXPECT_EQ(L.IndexOf(2), 2);
}

TEST(RzIntegerList, SortHandlesRunsAndDuplicates)
{
    TRzIntegerList L;
    L.SetDuplicates(dupAccept);
    const std::vector<int> In{9, -3, 9, 0, 12, 5, 5, -3, 100, 1, 1, 7};
    for (int V : In)
        L.Add(V);
    L.Sort();
    EXPECT_EQ(Values(L), (std::vector<int>{-3, -3, 0, 1, 1, 5, 5, 7, 9, 9, 12, 100}));
}

TEST(RzIntegerList, StoredIntegersLoadThroughAddAndCompareWithTheAncestor)
{
    TRzIntegerList L;
    L.SetSorted(true);
    L.SetMin(0);
    L.SetMax(50);
    L.ReadIntegers({30, 10, 30, 20});
    EXPECT_EQ(Values(L), (std::vector<int>{10, 20, 30}));
    EXPECT_THROW(L.ReadIntegers({10, 60}), EOutOfRange);

    TRzIntegerList Empty, Same, Other;
    Same.ReadIntegers({5, 6});
    Other.ReadIntegers({6, 5});
    EXPECT_FALSE(Empty.IntegersStored(nullptr));
    EXPECT_TRUE(Same.IntegersStored(nullptr));
    TRzIntegerList Copy;
    Copy.Assign(&Same);
    EXPECT_FALSE(Copy.IntegersStored(&Same));
    EXPECT_TRUE(Copy.IntegersStored(&Other));
    EXPECT_TRUE(Empty.IntegersStored(&Same));
}
