#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "classlib/SysUtils.h"
#include "foundation/KvCodePage.h"

namespace {

TEST(KvCodePageTest, NamesOfCodePages)
{
    const struct {
        int CodePage;
        const char* Name;
    } cases[] = {
        {-1, ""}, {0, ""}, {36, ""}, {37, ""}, {437, ""}, {1249, ""}, {1259, ""},
        {1250, "windows-1250"}, {1252, "windows-1252"}, {1258, "windows-1258"},
        {28591, "iso-8859-1"}, {28599, "iso-8859-9"}, {28600, "iso-8859-10"},
        {28603, "iso-8859-13"}, {28605, "iso-8859-15"},
        {20127, "us-ascii"}, {65001, "utf-8"}, {1200, "utf-16"},
        {874, "windows-874"}, {932, "iso-2022-jp"}, {50220, "iso-2022-jp"},
        {50222, "iso-2022-jp"}, {936, "gb2312"}, {949, "ks_c_5601-1987"}, {950, "big5"},
        {1201, "unicodeFFFE"}, {1361, "Johab"}, {10000, "macintosh"},
        {10001, "x-mac-japanese"}, {10002, "x-mac-chinesetrad"}, {10003, "x-mac-korean"},
        {10004, "x-mac-arabic"}, {10005, "x-mac-hebrew"}, {10006, "x-mac-greek"},
        {10007, "x-mac-cyrillic"}, {10008, "x-mac-chinesesimp"}, {10010, "x-mac-romanian"},
        {10017, "x-mac-ukrainian"}, {10021, "x-mac-thai"}, {10029, "x-mac-ce"},
        {10079, "x-mac-icelandic"}, {10081, "x-mac-turkish"}, {10082, "x-mac-croatian"},
        {12000, "utf-32"}, {12001, "utf-32BE"}, {20866, "koi8-r"}, {20932, "euc-jp"},
        {51932, "euc-jp"}, {21866, "koi8-u"}, {29001, "x-europa"}, {38598, "iso-8859-8-i"},
        {50221, "csISO2022JP"}, {50225, "iso-2022-kr"}, {50227, "x-cp50227"},
        {51936, "euc-cn"}, {51949, "euc-kr"}, {52936, "hz-gb-2312"}, {54936, "gb18030"},
        {65000, "utf-7"}, {10009, ""}, {20000, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Name, CodePageToCharset(c.CodePage)) << c.CodePage;
}

TEST(KvCodePageTest, CodePagesOfNames)
{
    const struct {
        const char* Name;
        int CodePage;
    } cases[] = {
        {"", -1}, {"abc", -1}, {"zzzz-1", -1}, {"ISO-8859-1", -1}, {"Windows-1252", -1},
        {"1252", 1252}, {"0", 0}, {"2147483647", 2147483647},
        {"ascii", 1252}, {"big5", 950}, {"csiso2022jp", 50221}, {"default", 0},
        {"gb2312", 936}, {"hz-gb-2312", 52936}, {"johab", 1361}, {"ms_kanji", 932},
        {"system", 0}, {"western", 1252}, {"us-ascii", 20127}, {"unicode", 1200},
        {"unicode-1-1", 1200}, {"unicode-1-1-utf-7", 65000}, {"ks_c_5601-1987", 949},
        {"euc-jp", 51932}, {"euc-kr", 51949}, {"euc-cn", -1},
        {"koi8-r", 20866}, {"koi8-u", 21866}, {"koi8-x", -1}, {"koi8", 1251}, {"koi8r", 1251},
        {"shift_jis", 932}, {"shift-jis", 932},
        {"windows-1250", 1250}, {"windows-874", 874}, {"windows-x", -1}, {"windows-", -1},
        {"iso-8859-1", 28591}, {"iso8859-1", 28591}, {"iso_8859-2", 28592},
        {"iso-8859-9", 28599}, {"iso-8859-10", 1257}, {"iso-8859-11", 874},
        {"iso-8859-12", -1}, {"iso-8859-13", 28603}, {"iso-8859-14", 1252},
        {"iso-8859-15", 28605}, {"iso-8859-16", 1250}, {"iso-8859-17", -1},
        {"iso-8859-8-i", 38598}, {"iso-8859", -1}, {"iso-8859-", -1},
        {"iso-2022-jp", 50220}, {"iso-2022-kr", 50225}, {"iso-2022-cn", -1},
        {"iso-10646-ucs-2", -1},
        {"latin1", 1252}, {"latin-8", 1252}, {"latin 2", 1250}, {"latin10", 1250},
        {"latin3", 28593}, {"latin4", 1257}, {"latin6", 1257}, {"latin7", 1257},
        {"latin5", 1254}, {"latin9", 28605}, {"latin", -1}, {"latin-", -1}, {"latin11", -1},
        {"utf-7", 65000}, {"utf-8", 65001}, {"utf-8b", -65001}, {"utf-16", 1200},
        {"utf-16b", 1200}, {"utf-32", 12000}, {"utf-9", -1}, {"utf-", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.CodePage, CharsetToCodePage(c.Name)) << c.Name;

    EXPECT_THROW(CharsetToCodePage("99999999999"), EConvertError);
    EXPECT_THROW(CharsetToCodePage("2147483648"), EConvertError);
}

TEST(KvCodePageTest, NamesReadBackAsTheirCodePage)
{
    // Every name we write into a message must be read back by ourselves.
    int pages[] = {874, 936, 949, 950, 1200, 1361, 12000, 20127, 20866, 21866, 38598,
                   50221, 50225, 51932, 51949, 52936, 65000, 65001};
    std::vector<int> all(std::begin(pages), std::end(pages));
    for (int cp = 1250; cp <= 1258; ++cp)
        all.push_back(cp);
    for (int cp = 28591; cp <= 28599; ++cp)
        all.push_back(cp);
    all.push_back(28603);
    all.push_back(28605);
    const auto readBack = [](std::string name) {
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
        return CharsetToCodePage(name);
    };
    for (int cp : all)
        EXPECT_EQ(cp, readBack(CodePageToCharset(cp))) << cp;
    // Text in a code page's own bytes is labelled as those bytes, the
    // double-byte ones (932 among them) too.
    all.push_back(932);
    for (int cp : all)
        EXPECT_EQ(cp, readBack(CharsetOfBytes(cp))) << cp;
}

TEST(KvCodePageTest, WindowsPagesAndCompatibility)
{
    const struct {
        int CodePage, Windows;
    } windows[] = {
        {28591, 1252}, {28605, 1252}, {29001, 1252}, {20127, 1252}, {28592, 1250},
        {28593, 1254}, {28599, 1254}, {28594, 1257}, {28603, 1257}, {28595, 1251},
        {20866, 1251}, {21866, 1251}, {28596, 1256}, {28597, 1253}, {28598, 1255},
        {38598, 1255}, {20932, 932}, {50220, 932}, {50221, 932}, {50222, 932},
        {51932, 932}, {50225, 949}, {51949, 949}, {50227, 936}, {51936, 936},
        {52936, 936}, {20000, 950}, {20002, 950}, {1252, 1252}, {65001, 65001},
        {0, 0}, {-1, -1}, {28600, 28600},
    };
    for (const auto& c : windows)
        EXPECT_EQ(c.Windows, WindowsCodePageOf(c.CodePage)) << c.CodePage;

    const int acp = static_cast<int>(GetACP());
    const struct {
        int A, B;
        bool Expected;
    } compatible[] = {
        {1252, 28605, true}, {28605, 1252, true}, {28591, 28605, true}, {1252, 28591, true},
        {1253, 28597, true}, {1254, 28599, true}, {1255, 28598, true}, {1257, 28603, true},
        {1250, 28592, false}, {1257, 28594, false}, {1251, 1252, false}, {1252, 20127, false},
        {0, 0, true}, {0, acp, true}, {acp, 0, true}, {65001, 65001, true},
        {0, 65001, false}, {1200, 65001, false},
    };
    for (const auto& c : compatible)
        EXPECT_EQ(c.Expected, CodePagesCompatible(c.A, c.B)) << c.A << " " << c.B;

    const bool ansiIsLatin1 = acp == 1252 || acp == 28591 || acp == 20127;
    const struct {
        int CodePage;
        bool Expected;
    } latin1[] = {{1252, true}, {28591, true}, {20127, true}, {28605, false}, {1250, false},
                  {0, ansiIsLatin1}, {-1, ansiIsLatin1}};
    for (const auto& c : latin1)
        EXPECT_EQ(c.Expected, IsLatin1CodePage(c.CodePage)) << c.CodePage;

    const int supported[] = {0, 850, 874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254,
                             1255, 1256, 1257, 1258, 1361, 10000, 20127, 28591, 28592,
                             28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603,
                             28605, 29001, 38598};
    for (int cp : supported)
        EXPECT_TRUE(IsSupportedCodePage(cp)) << cp;
    for (int cp : {-1, 437, 1200, 1249, 1259, 28600, 28604, 65001, 20866, 51932})
        EXPECT_FALSE(IsSupportedCodePage(cp)) << cp;
}

}  // namespace
