#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "foundation/KvLists.h"
#include "foundation/KvStrings.h"

namespace {

std::vector<std::int32_t> KeysOf(const TIndexedList& L)
{
    std::vector<std::int32_t> R;
    for (int I = 0; I < L.Count(); ++I)
        R.push_back(L.Key(I));
    return R;
}

}  // namespace

TEST(KvListsTest, BothStringObjClassesLiveSideBySide)
{
    KvLists::TStringObj Mine("second");
    KvStrings::TStringObj Theirs(std::string("a\0b", 3), 7);
    EXPECT_EQ(Mine.Text, "second");
    EXPECT_EQ(Theirs.GetText(), std::string("a\0b", 3));
    EXPECT_EQ(Theirs.Data, 7);
}

TEST(KvListsTest, TableListPairsAndLookups)
{
    TTableList T;
    EXPECT_EQ(T.AddPair("text/plain", "txt"), 0);
    EXPECT_EQ(T.AddPair("image/jpeg", "jpg"), 1);
    EXPECT_EQ(T.AddPair("TEXT/PLAIN", "text"), 2);  // duplicates are accepted
    EXPECT_EQ(T.AddPair("application/vnd.ms-powerpoint", "ppt"), 3);
    EXPECT_EQ(T.AddPair("application/vnd.ms-powerpoint", "pps"), 4);

    struct {
        const char* Key;
        const char* Expected;
    } Cases[] = {
        {"text/plain", "txt"},  // the first item equal to the key
        {"Text/Plain", "txt"},  // the list's own comparison ignores case
        {"image/jpeg", "jpg"},
        {"application/vnd.ms-powerpoint", "ppt"},
        {"image/png", ""},      // missing
        {"", ""},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(T.ValueOf(C.Key), C.Expected) << C.Key;

    EXPECT_EQ(T.GetSecond(2), "text");
    EXPECT_EQ(T.GetSecond(-1), "");
    EXPECT_EQ(T.GetSecond(T.Count()), "");
    T.Delete(0);
    EXPECT_EQ(T.ValueOf("text/plain"), "text");
    T.Clear();
    EXPECT_EQ(T.Count(), 0);
}

TEST(KvListsTest, DoubleStringListIsSortedAndRefusesDuplicates)
{
    TDoubleStringList D;
    D.AddPair("pear", "2");
    D.AddPair("apple", "1");
    D.AddPair("quince", "3");
    EXPECT_EQ(D.Text(), "apple\r\npear\r\nquince\r\n");
    EXPECT_THROW(D.AddPair("PEAR", "again"), EStringListError);
    EXPECT_EQ(D.Count(), 3);

    struct {
        int Index;
        const char* Expected;
    } Cases[] = {{0, "1"}, {1, "2"}, {2, "3"}, {-1, ""}, {3, ""}, {INT_MIN, ""}};
    for (const auto& C : Cases)
        EXPECT_EQ(D.GetSecond(C.Index), C.Expected) << C.Index;
    EXPECT_EQ(D.ValueOf("Quince"), "3");
    EXPECT_EQ(D.ValueOf("plum"), "");
}

TEST(KvListsTest, IndexedListDuplicatesModes)
{
    struct {
        TDuplicates Mode;
        int SecondAdd;        // result of adding 20 again
        int CountAfter;
        bool Raises;
    } Cases[] = {
        {dupIgnore, -1, 3, false},
        {dupAccept, 1, 4, false},  // goes before the equal item
        {dupError, 0, 3, true},
    };
    for (const auto& C : Cases) {
        TIndexedList L;
        L.SetSorted(true);
        L.SetDuplicates(C.Mode);
        L.Add(30, 3);
        L.Add(10, 1);
        L.Add(20, 2);
        EXPECT_EQ(KeysOf(L), (std::vector<std::int32_t>{10, 20, 30}));
        if (C.Raises)
            EXPECT_THROW(L.Add(20, 99), EListError);
        else
            EXPECT_EQ(L.Add(20, 99), C.SecondAdd);
        EXPECT_EQ(L.Count(), C.CountAfter) << C.Mode;
    }
}

TEST(KvListsTest, IndexedListFindsKeysAtTheEndsOfTheRange)
{
    // Keys far apart: their difference does not fit 32 bits, so a search
    // that subtracts keys goes the wrong way here.
    const std::vector<std::int32_t> Keys = {INT_MAX, INT_MIN, -5, 0, 5, INT_MAX - 1, INT_MIN + 1, 1000000000,
                                            -2000000000};
    TIndexedList L;
    for (std::int32_t K : Keys)
        L.Add(K, K / 2);
    EXPECT_EQ(L.IndexOfKey(-5), 2) << "unsorted lists are scanned";
    L.SetSorted(true);
    const std::vector<std::int32_t> Sorted = {INT_MIN, INT_MIN + 1, -2000000000, -5, 0,
                                              5, 1000000000, INT_MAX - 1, INT_MAX};
    EXPECT_EQ(KeysOf(L), Sorted);
    for (std::size_t I = 0; I < Sorted.size(); ++I) {
        int Index = -1;
        EXPECT_TRUE(L.Find(Sorted[I], Index)) << Sorted[I];
        EXPECT_EQ(Index, static_cast<int>(I)) << Sorted[I];
        EXPECT_EQ(L.Data(Index), Sorted[I] / 2);
    }

    struct {
        std::int32_t Key;
        int InsertAt;
    } Missing[] = {{INT_MIN + 2, 2}, {-6, 3}, {1, 5}, {INT_MAX - 2, 7}, {-1999999999, 3}};
    for (const auto& M : Missing) {
        int Index = -1;
        EXPECT_FALSE(L.Find(M.Key, Index)) << M.Key;
        EXPECT_EQ(Index, M.InsertAt) << M.Key;
    }

    TIndexedList Empty;
    int Index = -1;
    EXPECT_FALSE(Empty.Find(42, Index));
    EXPECT_EQ(Index, 0);
}

TEST(KvListsTest, IndexedListSortsOnlyOutsideUpdates)
{
    TIndexedList L;
    for (std::int32_t K : {5, 3, 9, 3, 1, 7})
        L.Add(K, 0);
    L.BeginUpdate();
    L.SetSorted(true);  // ignored while updating
    EXPECT_FALSE(L.Sorted());
    EXPECT_EQ(KeysOf(L), (std::vector<std::int32_t>{5, 3, 9, 3, 1, 7}));
    L.EndUpdate();
    L.SetSorted(true);
    EXPECT_TRUE(L.Sorted());
    EXPECT_EQ(KeysOf(L), (std::vector<std::int32_t>{1, 3, 3, 5, 7, 9}));
    // Sorted adds go to their place.
    L.SetDuplicates(dupAccept);
    EXPECT_EQ(L.Add(4, 0), 3);
    EXPECT_EQ(L.Add(100, 0), 7);
    EXPECT_EQ(L.Add(-100, 0), 0);
    EXPECT_EQ(KeysOf(L), (std::vector<std::int32_t>{-100, 1, 3, 3, 4, 5, 7, 9, 100}));
    L.SetSorted(false);
    EXPECT_EQ(L.Add(2, 0), 9) << "unsorted adds append";

    // A bigger shuffled list with many equal keys sorts too.
    TIndexedList Big;
    std::uint32_t Seed = 12345;
    std::vector<std::int32_t> Expected;
    for (int I = 0; I < 2000; ++I) {
        Seed = Seed * 1103515245u + 12345u;
        const std::int32_t K = static_cast<std::int32_t>(Seed) % 50;
        Big.Add(K, I);
        Expected.push_back(K);
    }
    std::sort(Expected.begin(), Expected.end());
    Big.SetSorted(true);
    EXPECT_EQ(KeysOf(Big), Expected);
}

// Sorting keeps items of equal keys in the order they were added: the one
// a search finds first is the first one added.
TEST(KvListsTest, IndexedListSortKeepsEqualKeysInTheirOrder)
{
    TIndexedList L;
    L.SetDuplicates(dupAccept);
    for (const auto& [Key, Data] : std::vector<std::pair<std::int32_t, std::intptr_t>>{
             {5, 1}, {3, 2}, {5, 3}, {1, 4}, {5, 5}, {3, 6}, {5, 7}})
        L.Add(Key, Data);
    L.SetSorted(true);
    std::vector<std::intptr_t> Data;
    for (int I = 0; I < L.Count(); ++I)
        Data.push_back(L.Data(I));
    EXPECT_EQ(Data, (std::vector<std::intptr_t>{4, 2, 6, 1, 3, 5, 7}));
    EXPECT_EQ(L.Data(L.IndexOfKey(5)), 1);
}
