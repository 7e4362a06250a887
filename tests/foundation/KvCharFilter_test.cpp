#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "classlib/Classes.h"
#include "foundation/KvCharFilter.h"
#include "testkit/TestFolder.h"

namespace {

// A rules file in a scratch folder, deleted afterwards.
struct TRulesFile {
    explicit TRulesFile(const std::string& Text) : Path(Dir.Write("rules.dat", Text)) {}
    TTestFolder Dir{"KvCharFilter"};
    const std::string Path;
};

// The bytes a filter maps, for the characters a test looks at.
std::string MapOf(const TKvCharFilter& F, const std::string& Chars)
{
    std::string R;
    for (char C : Chars)
        R += static_cast<char>(F.GetMapping(C));
    return R;
}

}  // namespace

TEST(KvCharFilterTest, BuiltInFileNameRules)
{
    TKvCharFilter F;
    struct {
        std::string In;
        std::string Out;
    } Cases[] = {
        {"a:b?\"c\"<>|*.txt", "a-b'c'{}-x.txt"},
        {"tab\there", "tab here"},
        {"line\nbreak\r", "linebreak "},
        {std::string("nul\0byte", 8), "nulbyte"},
        {"back\\slash/del\x7F", "back~slash-del"},
        {"\xE9t\xE9 \xFC", "\xE9t\xE9 \xFC"},  // bytes above 127 stay
        {"", ""},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(F.Apply(C.In), C.Out) << C.In;
        std::string S = C.In;
        F.ApplyInPlace(S);
        EXPECT_EQ(S, C.Out);
    }
    EXPECT_TRUE(F.InScope(cfsFiles));
    EXPECT_FALSE(F.InScope(cfsImap));
}

TEST(KvCharFilterTest, ScopeLineChoosesTheRules)
{
    struct {
        const char* Text;
        TCharFilterScope Scope;
        bool BuiltIn;  // ":" becomes "-"
    } Cases[] = {
        {"SCOPE=IMAP\r\n", cfsImap, false},
        {"scope = Files\r\n", cfsFiles, true},
        {"Scope=OTHER\r\n", cfsOther, false},
        {"SCOPE=STRING\r\n", cfsString, false},
        {"SCOPE=MAPI\r\n", cfsMapi, false},
        {"SCOPE=ALLOWED\r\n", cfsAll, true},   // compared on the keyword's length
        {"SCOPE=IMA\r\n", cfsAll, true},       // too short for IMAP
        {"SCOPE\r\n", cfsAll, true},           // no "=": no value
        {"x $5F\r\n", cfsAll, true},           // no scope line at all
        {"x $5F\r\nSCOPE=MAPI\r\nSCOPE=IMAP\r\n", cfsMapi, false},  // the first one counts
    };
    for (const auto& C : Cases) {
        TRulesFile File(C.Text);
        TKvCharFilter F(File.Path);
        EXPECT_EQ(F.Scope, C.Scope) << C.Text;
        EXPECT_EQ(F.GetMapping(':'), C.BuiltIn ? '-' : ':') << C.Text;
        EXPECT_EQ(F.GetMapping('a'), 'a');
        EXPECT_EQ(F.GetMapping('\0'), 0) << "a NUL is always removed";
        EXPECT_EQ(F.InScope(cfsString), C.Scope == cfsString || C.Scope == cfsAll);
    }
}

TEST(KvCharFilterTest, RuleLines)
{
    struct {
        const char* Rule;
        const char* Chars;     // characters looked at
        const char* Expected;  // their mapping after the rule ("" for removed is \0)
        int ExpectedLen;
    } Cases[] = {
        {"a..c #0", "abcd", "\0\0\0d", 4},
        {"x,y,z $5F", "xyzw", "___w", 4},
        {";; _", ";a", "_a", 2},
        {"; comment", ";c", ";c", 2},
        {"a  b", "a", "a", 1},             // the value " b" is no character value
        {"a\tb", "a", "b", 1},             // a TAB separates before blanks do
        {"$41 $61", "A", "a", 1},
        {"#65..#67 -", "ABCD", "---D", 4},
        {"c..a x", "abc", "abc", 3},       // last below first: nothing
        {"a,$zz,b Q", "ab", "Qb", 2},      // up to the first invalid item
        {",,a +", ",a", "++", 2},          // a comma listed first
        {"$100 x", "\x01", " ", 1},        // 256 is no character (built-in blank stays)
        {"ab", "a", "a", 1},               // shorter than three characters
        {"abc d", "a", "a", 1},            // "abc" is no character value
        {"? $3F", "?", "?", 1},            // a built-in rule overridden
        {"a #256", "a", "a", 1},
    };
    for (const auto& C : Cases) {
        TRulesFile File(std::string("SCOPE=FILES\r\n") + C.Rule + "\r\n");
        TKvCharFilter F(File.Path);
        EXPECT_EQ(MapOf(F, C.Chars), std::string(C.Expected, static_cast<std::size_t>(C.ExpectedLen)))
            << C.Rule;
    }
}

TEST(KvCharFilterTest, LaterRulesOverrideAndApplyUsesThem)
{
    TRulesFile File("; transliteration\r\n  \xE4 ae  \r\n\xE4\t$61\r\n\xF6..\xF6 o\r\n$20 _\r\n");
    TKvCharFilter F(File.Path);
    EXPECT_EQ(F.Scope, cfsAll);
    EXPECT_EQ(F.Apply("K\xE4se und Br\xF6tchen?"), "Kase_und_Brotchen");
}

TEST(KvCharFilterTest, UnreadableRulesKeepTheFilterSafe)
{
    // A filter over a missing file keeps the built-in rules, never an
    // identity map that would let ":" or "\" into a file name.
    TKvCharFilter Missing("Z:\\no\\such\\NameFilter.dat");
    EXPECT_EQ(Missing.Apply("a:b\\c"), "a-b~c");

    TRulesFile Rules("SCOPE=IMAP\r\n");
    TKvCharFilter F(Rules.Path);
    ASSERT_EQ(F.Scope, cfsImap);
    // Reloading from a file another handle holds exclusively keeps the rules.
    HANDLE H = CreateFileA(Rules.Path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    F.SetMapping('q', 'Q');
    F.LoadRules(Rules.Path);
    CloseHandle(H);
    EXPECT_EQ(F.Scope, cfsImap);
    EXPECT_EQ(F.GetMapping('q'), 'Q');

    // A fresh filter without a file applies the built-in rules.
    TKvCharFilter Plain;
    EXPECT_EQ(Plain.Apply("x*y"), "xxy");
}

TEST(KvCharFilterTest, CharacterValues)
{
    struct {
        const char* Text;
        int Value;
    } Cases[] = {
        {"a", 'a'}, {"$", '$'}, {"#", '#'}, {"$41", 0x41}, {"$ff", 255}, {"$FF", 255},
        {"#0", 0},  {"#255", 255}, {"#256", -1}, {"$100", -1}, {"$", '$'}, {"$g", -1},
        {"#1a", -1}, {"ab", -1}, {"", -1}, {" b", -1}, {"#00000065", 65},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ParseRuleChar(C.Text), C.Value) << C.Text;
}
