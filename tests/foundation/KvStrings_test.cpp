#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/SysUtils.h"
#include "foundation/KvStrings.h"

namespace {

const std::string S = "abcabc.xyz";

TEST(KvStringsTest, PositionsAndSearches)
{
    // CharPosFrom, CharPosBetween, LastCharPos over "abcabc.xyz".
    const struct {
        char Ch;
        int Start, From;
        int Pos, Last;
    } chars[] = {
        {'a', 1, 0, 1, 4}, {'a', 2, 3, 4, 1}, {'a', 5, 10, 0, 4}, {'z', 10, 9, 10, 0},
        {'z', 11, 11, 0, 10}, {'q', 1, 0, 0, 0}, {'a', -4, -1, 1, 4},
    };
    for (const auto& c : chars) {
        EXPECT_EQ(c.Pos, CharPosFrom(c.Ch, S, c.Start)) << c.Ch << c.Start;
        EXPECT_EQ(c.Last, LastCharPos(c.Ch, S, c.From)) << c.Ch << c.From;
    }
    EXPECT_EQ(4, CharPosBetween('a', S, 10, 2));
    EXPECT_EQ(0, CharPosBetween('a', S, 3, 2));
    EXPECT_EQ(10, CharPosBetween('z', S, 99, 1));
    EXPECT_EQ(7, CharSetPosFrom(TCharSet(".-"), S, 1));
    EXPECT_EQ(0, CharSetPosFrom(TCharSet(".-"), S, 8));
    EXPECT_EQ(4, SkipBlanks("\t \xA0x y", 1));
    EXPECT_EQ(6, SkipBlanks("\t \xA0x y", 5));
    EXPECT_EQ(-1, SkipBlanks(" \r\n", 1));
    EXPECT_EQ(-1, SkipBlanks("abc", 4));
    EXPECT_EQ('c', CharFromEnd("abc", 0));
    EXPECT_EQ('b', CharFromEnd("abc", 1));
    EXPECT_EQ('\0', CharFromEnd("abc", 3));
    EXPECT_EQ('\0', CharFromEnd("abc", -1));
    EXPECT_EQ('\0', CharFromEnd("", 0));

    const struct {
        int Start, Count, Expected;
    } counts[] = {{1, 0, 2}, {2, 0, 1}, {1, 3, 1}, {1, 4, 2}, {4, 100, 1}, {0, 0, 0}, {1, -1, 0}, {11, 0, 0}};
    for (const auto& c : counts)
        EXPECT_EQ(c.Expected, CountCharInRange(S, 'a', c.Start, c.Count)) << c.Start << " " << c.Count;
    EXPECT_EQ(0, CountCharInRange("", 'a', 1, 0));

    // Substring searches, each against the same table.
    const struct {
        const char* Sub;
        int Start, Pos;
    } subs[] = {{"abc", 1, 1}, {"abc", 2, 4}, {"abc", 5, 0}, {"c.x", 1, 6}, {"xyz", 8, 8},
                {"xyz", 9, 0}, {"", 1, 0}, {"abc", 0, 0}, {"zz", 1, 0}};
    for (const auto& c : subs) {
        EXPECT_EQ(c.Pos, PosFrom(c.Sub, S, c.Start)) << c.Sub << c.Start;
        if (c.Start >= 1) {
            EXPECT_EQ(c.Pos, StrPosFrom(S, c.Sub, c.Start)) << c.Sub << c.Start;
        }
    }
    EXPECT_EQ(0, PosFrom("abc", "", 1));
    const std::string withNul("ab\0cd", 5);
    EXPECT_EQ(4, PosFrom("cd", withNul, 1));
    EXPECT_EQ(0, StrPosFrom(withNul, "cd", 1));  // the zero byte ends that search

    EXPECT_EQ(4, PosWithin("abc", S, 6, 2));
    EXPECT_EQ(0, PosWithin("abc", S, 5, 2));
    EXPECT_EQ(8, PosWithin("xyz", S, 10, 1));
    EXPECT_EQ(0, PosWithin("xyz", S, 9, 1));
    EXPECT_STREQ("bc", StrLPos("abc", "bc", 3));
    EXPECT_EQ(nullptr, StrLPos("abc", "bc", 2));
    EXPECT_EQ(nullptr, StrLPos("abc", "", 3));

    EXPECT_EQ(4, LastPos("abc", S, 0));
    EXPECT_EQ(4, LastPos("abc", S, 6));
    EXPECT_EQ(1, LastPos("abc", S, 5));
    EXPECT_EQ(0, LastPos("abc", S, 2));
    EXPECT_EQ(0, LastPos("", S, 0));
    EXPECT_STREQ("abc.xyz", StrRPosLimited(S.c_str(), "abc", 0));
    EXPECT_STREQ(S.c_str(), StrRPosLimited(S.c_str(), "abc", 5));
    EXPECT_EQ(nullptr, StrRPosLimited(S.c_str(), "q", 0));
}

TEST(KvStringsTest, Fields)
{
    const struct {
        std::string Text;
        char Delim;
        bool Quotes;
        std::vector<std::string> Fields;
    } cases[] = {
        {"a,b,c", ',', false, {"a", "b", "c"}},
        {"a,,c", ',', false, {"a", "", "c"}},
        {"a,b,", ',', false, {"a", "b"}},
        {"\"x,y\",z", ',', true, {"x,y", "z"}},
        {"\"x,y\",z", ',', false, {"\"x", "y\"", "z"}},
        {"\"say \"\"hi\"\"\",2", ',', true, {"say \"hi\"", "2"}},
        {"'a;b';c", ';', true, {"a;b", "c"}},
        {"\"a;b\";c", ';', true, {"a;b", "c"}},
        {"one two", ' ', false, {"one", "two"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        int pos = 1;
        std::string field;
        while (pos <= static_cast<int>(c.Text.size())) {
            NextFieldByChar(c.Text, pos, c.Delim, field, c.Quotes);
            got.push_back(field);
        }
        EXPECT_EQ(c.Fields, got) << c.Text;
    }

    int pos = 1;
    std::string field;
    NextFieldByStr("key::value::rest", pos, "::", field, false);
    EXPECT_EQ("key", field);
    EXPECT_EQ(6, pos);
    NextFieldByStr("key::value::rest", pos, "::", field, false);
    EXPECT_EQ("value", field);
    pos = 99;
    NextFieldByStr("abc", pos, ",", field, false);
    EXPECT_EQ("", field);

    std::string s = "a,b,c";
    EXPECT_EQ("a", CutField(s, ',', false));
    EXPECT_EQ("b,c", s);
    s = "abc";
    EXPECT_EQ("abc", CutField(s, ',', false));
    EXPECT_EQ("", s);
    s = "12,x,\"7\"";
    EXPECT_EQ(12, CutIntField(s, -1, ','));
    EXPECT_EQ(-1, CutIntField(s, -1, ','));
    EXPECT_EQ(7, CutIntField(s, -1, ','));
    EXPECT_EQ("", s);

    const struct {
        const char* In;
        const char* Out;
    } dequote[] = {{"\"a\"\"b\"", "a\"b"}, {"\"\"", ""}, {"\"", "\""}, {"abc", "abc"}, {"\"abc", "\"abc"}};
    for (const auto& c : dequote)
        EXPECT_EQ(c.Out, DequoteDoubled(c.In)) << c.In;
}

TEST(KvStringsTest, TrimmingDeletingBuilding)
{
    const TCharSet blanks(" ");
    std::string s = "   ";
    TrimLeftCharSet(s, blanks);
    EXPECT_EQ("", s);
    EXPECT_EQ("xx--", TrimLeftCharSetStr("--xx--", TCharSet("-")));
    EXPECT_EQ("--xx", TrimCharSetStr("--xx--", false, TCharSet("-")));
    EXPECT_EQ("xx", TrimCharSetStr("--xx--", true, TCharSet("-")));
    EXPECT_EQ("", TrimCharSetStr("----", true, TCharSet("-")));

    const struct {
        const char* In;
        const char* Out;
    } trims[] = {{" \"abc\" ", "abc"}, {"\" \" \"", ""}, {"\xA0\tab c\r\n", "ab c"}, {"", ""}};
    for (const auto& c : trims)
        EXPECT_EQ(c.Out, TrimBlanksAndQuotes(c.In)) << c.In;

    EXPECT_EQ("abc", StripDoubleQuotes("\"abc\""));
    EXPECT_EQ("\"", StripDoubleQuotes("\""));
    EXPECT_EQ("", StripDoubleQuotes("\"\""));
    EXPECT_EQ("\"abc", StripDoubleQuotes("\"abc"));
    EXPECT_EQ("a@b", StripEnclosing("<a@b>", '<', '>'));
    EXPECT_EQ("<a@b", StripEnclosing("<a@b", '<', '>'));
    EXPECT_EQ("x", StripEnclosingChar("'x'", '\''));

    const struct {
        int Index, Count;
        const char* Out;
    } deletes[] = {{2, 2, "adef"}, {1, 0, "abcdef"}, {1, -1, "abcdef"}, {5, 10, "abcd"}, {7, 1, "abcdef"}, {0, 1, "abcdef"}};
    for (const auto& c : deletes)
        EXPECT_EQ(c.Out, StrDelete("abcdef", c.Index, c.Count)) << c.Index << " " << c.Count;
    EXPECT_EQ("def", StrDeleteLeft("abcdef", 3));
    EXPECT_EQ("abcdef", StrDeleteLeft("abcdef", 0));
    EXPECT_EQ("", StrDeleteLeft("abcdef", 9));
    EXPECT_EQ("abc", StrDeleteRight("abcdef", 3));
    EXPECT_EQ("", StrDeleteRight("abcdef", 6));
    EXPECT_EQ("abcdef", StrDeleteRight("abcdef", -2));
    EXPECT_EQ("ef", StrRight("abcdef", 2));
    EXPECT_EQ("abcdef", StrRight("abcdef", 20));
    EXPECT_EQ("", StrRight("abcdef", 0));

    EXPECT_EQ(" a b c ", CollapseSpaces("  a   b c    "));
    s = "x  \t  y";
    CollapseSpacesInPlace(s);
    EXPECT_EQ("x \t y", s);
    s = "a.b.c";
    ReplaceChar(s, '.', '/');
    EXPECT_EQ("a/b/c", s);
    EXPECT_EQ("---", FillCharStr(3, '-'));
    EXPECT_EQ("", FillCharStr(0, '-'));
    EXPECT_EQ("==", RepeatChar('=', 2));
    EXPECT_EQ("abab", RepeatString("ab", 2));
    EXPECT_EQ("", RepeatString("ab", -1));
    EXPECT_EQ("\"a b\"", QuoteIfHasChars("a b", TCharSet(" ,")));
    EXPECT_EQ("ab", QuoteIfHasChars("ab", TCharSet(" ,")));
    EXPECT_EQ("A&&B", EscapeCaption("A&B"));
    EXPECT_EQ("a\xBB" "b", EscapeCaption("a\tb"));

    const struct {
        int Value, Digits;
        const char* Out;
    } pads[] = {{7, 3, "007"}, {7, 1, "7"}, {7, 0, "7"}, {1234, 3, "1234"}, {-7, 3, "-007"}, {0, 2, "00"}};
    for (const auto& c : pads)
        EXPECT_EQ(c.Out, IntToStrZeroPad(c.Value, c.Digits)) << c.Value << " " << c.Digits;
}

TEST(KvStringsTest, Classification)
{
    EXPECT_TRUE(IsDigitChar('0'));
    EXPECT_FALSE(IsDigitChar('a'));
    EXPECT_TRUE(IsAsciiLetter('Z'));
    EXPECT_FALSE(IsAsciiLetter('\xE9'));
    EXPECT_TRUE(IsLetterChar('q'));
    EXPECT_TRUE(IsHexDigitChar('F'));
    EXPECT_FALSE(IsHexDigitChar('g'));
    EXPECT_TRUE(IsAllLetters(""));
    EXPECT_TRUE(IsAllLetters("abcXYZ"));
    EXPECT_FALSE(IsAllLetters("abc1"));
    EXPECT_TRUE(IsAlphaText("Mail"));
    EXPECT_FALSE(IsAlphaText(""));
    EXPECT_FALSE(IsAlphaText("Mail2"));
    EXPECT_TRUE(IsAlphaNumericText("Mail2"));
    EXPECT_FALSE(IsAlphaNumericText("Mail 2"));

    const struct {
        const char* Text;
        bool Int, Dec;
    } numbers[] = {{"123", true, true}, {"1.5", false, true}, {"", false, false}, {"1a", false, false}, {"-1", false, false}};
    for (const auto& c : numbers) {
        EXPECT_EQ(c.Int, IsNumberText(c.Text, false)) << c.Text;
        EXPECT_EQ(c.Dec, IsNumberText(c.Text, true)) << c.Text;
    }

    const struct {
        const char* Text;
        bool Expected;
    } hex[] = {{"$1F", true}, {"1f", true}, {"$", false}, {"", false}, {"1g", false}, {"$$1", false}};
    for (const auto& c : hex)
        EXPECT_EQ(c.Expected, IsHexNumber(c.Text)) << c.Text;

    const struct {
        const char* Text;
        bool Expected;
    } ips[] = {
        {"1.2.3.4", true}, {"10.0.0.1", true}, {"192.168.100.200", true}, {"10..0.1", false}, {"1.2.3.4.5", false},
        {"1234.1.1.1", false}, {".1.2.3", false}, {"1.2.3.", false}, {"1.2.3", false},
        {"1.2.3.a", false}, {"255.255.255.2555", false}, {"1.2.34", false},
    };
    for (const auto& c : ips)
        EXPECT_EQ(c.Expected, IsIPv4Address(c.Text)) << c.Text;

    EXPECT_TRUE(IsBlankText(""));
    EXPECT_TRUE(IsBlankText(std::string(" \t\r\n\xA0\0", 6)));
    EXPECT_FALSE(IsBlankText("\x1B"));
    EXPECT_FALSE(IsBlankText(" x "));

    EXPECT_FALSE(ContainsNulChar(""));
    EXPECT_TRUE(ContainsNulChar(std::string("a\0", 2)));
    EXPECT_FALSE(ContainsNulChar("abc"));
    EXPECT_TRUE(ContainsNulByte(std::vector<std::uint8_t>{1, 0, 2}));
    EXPECT_FALSE(ContainsNulByte(std::vector<std::uint8_t>{1, 2}));
    EXPECT_FALSE(ContainsNulByte(std::vector<std::uint8_t>{}));

    const std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8'};
    const struct {
        const char* Text;
        std::size_t Offset;
        bool Expected;
    } matches[] = {{"IF8", 1, true}, {"IF89", 1, false}, {"GIF8", 0, true}, {"", 0, false},
                   {"8", 3, true}, {"8", 4, false}, {"G", 100, false}, {"GIF9", 0, false}};
    for (const auto& c : matches)
        EXPECT_EQ(c.Expected, BytesMatchAt(gif, c.Text, c.Offset)) << c.Text << c.Offset;

    EXPECT_TRUE(SameTextStr("Content-Type", "content-TYPE"));
    EXPECT_FALSE(SameTextStr("abc", "abd"));
    EXPECT_FALSE(SameTextStr("\xC9", "\xE9"));  // ASCII case only
}

TEST(KvStringsTest, HexNumbersAndBooleans)
{
    const struct {
        char Ch;
        int Digit, Unchecked;
    } digits[] = {{'0', 0, 0}, {'9', 9, 9}, {'A', 10, 10}, {'f', 15, 15}, {'F', 15, 15},
                  {'g', -1, 16}, {' ', -1, 0}, {'G', -1, 16}};
    for (const auto& c : digits) {
        EXPECT_EQ(c.Digit, HexDigitValue(c.Ch)) << c.Ch;
        EXPECT_EQ(c.Unchecked, HexCharValue(c.Ch)) << c.Ch;
    }
    std::uint8_t b = 9;
    EXPECT_TRUE(HexPairToByte('3', 'D', b));
    EXPECT_EQ(0x3D, b);
    EXPECT_FALSE(HexPairToByte('3', 'x', b));
    EXPECT_EQ(0, b);
    EXPECT_EQ("a b\xE9%", PercentDecode("a%20b%e9%"));
    EXPECT_EQ("%4x%4", PercentDecode("%4x%4"));
    EXPECT_EQ(std::string("\0A", 2), PercentDecode("%00%41"));
    EXPECT_EQ(0x3D, HexToByte("3d"));
    EXPECT_EQ(0x0F, HexToByte("F"));
    EXPECT_EQ(0, HexToByte(""));
    EXPECT_EQ(0xAB, HexToByte("ABCD"));

    const struct {
        const char* Text;
        int Expected;
    } ints[] = {{"$1F", 31}, {"1f", 31}, {"FFFFFFFF", -1}, {"000000010", 16},
                {"100000000", -5}, {"", -5}, {"xyz", -5}, {"$", -5}};
    for (const auto& c : ints)
        EXPECT_EQ(c.Expected, HexToIntDef(c.Text, -5)) << c.Text;

    EXPECT_DOUBLE_EQ(1.5, StrToFloatDefault("1.5", 0));
    EXPECT_DOUBLE_EQ(-2, StrToFloatDefault("x1", -2));

    const struct {
        const char* Text;
        bool Value;
    } bools[] = {{"", false}, {"0", false}, {"no", false}, {"Off", false}, {"FALSE", false},
                 {"1", true}, {"On", true}, {"yes", true}, {"True", true}};
    for (const auto& c : bools) {
        EXPECT_EQ(c.Value, StrToBoolStrict(c.Text)) << c.Text;
        if (c.Text[0] != '\0') {
            EXPECT_EQ(c.Value, StrToBoolDefault(c.Text, !c.Value)) << c.Text;
        }
    }
    for (const char* bad : {"maybe", "2", "tru", "yess", " on"}) {
        try {
            StrToBoolStrict(bad);
            ADD_FAILURE() << bad;
        } catch (const ERangeError& e) {
            EXPECT_EQ("Range check error", e.Message());
        }
        EXPECT_TRUE(StrToBoolDefault(bad, true));
        EXPECT_FALSE(StrToBoolDefault(bad, false));
    }
    EXPECT_FALSE(StrToBoolDefault("", false));
    EXPECT_TRUE(StrToBoolDefault("", true));
}

TEST(KvStringsTest, StringObjKeepsBytes)
{
    const std::string withNul("a\0b\0", 4);
    KvStrings::TStringObj obj(withNul, 42);
    EXPECT_EQ(withNul, obj.GetText());
    EXPECT_EQ(42, obj.Data);
    obj.SetText("");
    EXPECT_EQ("", obj.GetText());
    obj.SetText("second");
    EXPECT_EQ("second", obj.GetText());

    TObject* asObject = new KvStrings::TStringObj("owned", 1);
    FreeAndClear(asObject);
    EXPECT_EQ(nullptr, asObject);
}

}  // namespace
