#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "classlib/SysUtils.h"
#include "foundation/KvTernary.h"

namespace {

std::string RaisedMessage(const std::function<void()>& Action)
{
    try {
        Action();
    } catch (const Exception& E) {
        return E.Message();
    }
    return "(nothing raised)";
}

const std::string MacroNames =
    "Pictures;Documents;Music;Videos;Desktop;ProgramData;AppData;IniFolder;TempFolder;"
    "SharedDocuments;SharedDesktop;SharedData;ExeFolder;UsbDrv;ExeDrv";

}  // namespace

TEST(KvTernaryTree, LooksUpKeysByTheirFoldedBytes)
{
    const std::string LongKey(100000, 'x');
    const std::string WithNul("ab\0cd", 5);
    TTernaryTree T;
    EXPECT_TRUE(T.IgnoreCase());
    const struct {
        std::string Key;
        std::int32_t Value;
    } Added[] = {{"Documents", 1}, {"Doc", 2},      {"Desk", 3},       {"Desktop", -7},
                 {"z", 0x7FFFFFFF}, {WithNul, 11}, {LongKey, 12}};
    for (const auto& A : Added)
        T.Add(A.Key, A.Value);
    EXPECT_EQ(T.Count(), 7);

    const struct {
        std::string Key;
        bool Found;
        std::int32_t Value;
    } Cases[] = {
        {"Documents", true, 1},
        {"DOCUMENTS", true, 1},
        {"documents", true, 1},
        {"Doc", true, 2},
        {"Docu", false, 0},          // a prefix of a key is no key
        {"Documentsx", false, 0},
        {"DESKTOP", true, -7},
        {"Z", true, 0x7FFFFFFF},
        {std::string("AB\0CD", 5), true, 11},
        {"ab", false, 0},            // the zero byte does not end the key
        {LongKey, true, 12},
        {LongKey.substr(1), false, 0},
        {"", false, 0},
        {"Music", false, 0},
    };
    for (const auto& C : Cases) {
        std::int32_t V = 0;
        EXPECT_EQ(T.Find(C.Key, V), C.Found) << C.Key.substr(0, 20);
        if (C.Found) {
            EXPECT_EQ(V, C.Value) << C.Key.substr(0, 20);
        }
    }
}

TEST(KvTernaryTree, RefusesDuplicateAndEmptyKeys)
{
    TTernaryTree T;
    T.Add("Documents", 1);
    EXPECT_EQ(RaisedMessage([&] { T.Add("documents", 2); }), "Insert: duplicate string");
    EXPECT_EQ(RaisedMessage([&] { T.Add("", 3); }), "Insert: empty string");
    EXPECT_EQ(T.Count(), 1);
    std::int32_t V = 0;
    ASSERT_TRUE(T.Find("DOCUMENTS", V));
    EXPECT_EQ(V, 1);

    TTernaryTree Exact;
    Exact.SetIgnoreCase(false);
    Exact.Add("Mail", 1);
    Exact.Add("MAIL", 2);
    const struct {
        const char* Key;
        bool Found;
        std::int32_t Value;
    } Cases[] = {{"Mail", true, 1}, {"MAIL", true, 2}, {"mail", false, 0}};
    for (const auto& C : Cases) {
        V = 0;
        EXPECT_EQ(Exact.Find(C.Key, V), C.Found) << C.Key;
        EXPECT_EQ(V, C.Value) << C.Key;
    }
    Exact.Clear();
    EXPECT_EQ(Exact.Count(), 0);
    EXPECT_FALSE(Exact.Find("Mail", V));
    Exact.Add("Mail", 5);
    EXPECT_TRUE(Exact.Find("Mail", V));
    EXPECT_EQ(V, 5);
}

TEST(KvTwoWayList, SplitsDelimitedNamesIntoIndexes)
{
    const struct {
        std::string Text;
        int Count;
        int ExpectedCount;
        std::vector<std::string> Names;
    } Cases[] = {
        {"a;b;c", -1, 3, {"a", "b", "c"}},
        {"a;b;", -1, 3, {"a", "b"}},     // a trailing delimiter adds no name
        {"single", -1, 1, {"single"}},
        {"", -1, 1, {}},
        {"a;b;c", 10, 10, {"a", "b", "c"}},
        {"a;b;c;d", 2, 4, {"a", "b", "c", "d"}},  // sized too small: grows
    };
    for (const auto& C : Cases) {
        TKvTwoWayList L(C.Text, ';', C.Count);
        EXPECT_EQ(L.Count(), C.ExpectedCount) << C.Text;
        ASSERT_EQ(L.NameCount(), static_cast<int>(C.Names.size())) << C.Text;
        for (int I = 0; I < static_cast<int>(C.Names.size()); ++I) {
            int Index = -2;
            EXPECT_TRUE(L.IndexOf(C.Names[I], Index)) << C.Text;
            EXPECT_EQ(Index, I) << C.Text;
            EXPECT_EQ(L.Names(I), C.Names[I]) << C.Text;
        }
        EXPECT_EQ(L.Names(static_cast<int>(C.Names.size())), "") << C.Text;
        EXPECT_EQ(L.Names(-1), "") << C.Text;
        int Index = 5;
        EXPECT_FALSE(L.IndexOf("missing", Index));
        EXPECT_EQ(Index, -1);
    }
}

TEST(KvTwoWayList, NumbersThePathMacroNamesInOrder)
{
    TKvTwoWayList L(MacroNames, ';');
    EXPECT_EQ(L.Count(), 15);
    const struct {
        const char* Name;
        int Index;
    } Cases[] = {{"Pictures", 0},  {"documents", 1},      {"PROGRAMDATA", 5}, {"AppData", 6},
                 {"TempFolder", 8}, {"SharedDocuments", 9}, {"shareddata", 11}, {"ExeDrv", 14},
                 {"UsbDrv", 13},   {"Shared", -1},         {"ExeDrive", -1},   {"", -1}};
    for (const auto& C : Cases) {
        int Index = -2;
        EXPECT_EQ(L.IndexOf(C.Name, Index), C.Index >= 0) << C.Name;
        EXPECT_EQ(Index, C.Index) << C.Name;
    }
    EXPECT_EQ(L.Names(12), "ExeFolder");
    EXPECT_EQ(L.AddName("Extra"), 15);
    EXPECT_EQ(L.Names(15), "Extra");
    EXPECT_EQ(RaisedMessage([&] { L.AddName("MUSIC"); }), "Insert: duplicate string");
    EXPECT_EQ(L.NameCount(), 16);
}

TEST(KvTwoWayList, EmptyPiecesAndDuplicatesRaiseOnCreation)
{
    const struct {
        const char* Text;
        const char* Message;
    } Cases[] = {{"a;;b", "Insert: empty string"},
                 {";a", "Insert: empty string"},
                 {"a;b;A", "Insert: duplicate string"}};
    for (const auto& C : Cases)
        EXPECT_EQ(RaisedMessage([&] { TKvTwoWayList L(C.Text, ';'); }), C.Message) << C.Text;
}
