#include <gtest/gtest.h>

#include <string>

#include "foundation/KvFont.h"
#include "mail/KvEncWords.h"

namespace {

// "привет" in KOI8-R (base64 "0NLJ18XU") and in windows-1251.
const std::string PrivetKoi8 = "\xD0\xD2\xC9\xD7\xC5\xD4";
const std::string Privet1251 = "\xEF\xF0\xE8\xE2\xE5\xF2";

class KvEncWordsTest : public ::testing::Test {
protected:
    void SetUp() override { GFontAnsiCodePage = 1252; }
    void TearDown() override { GFontAnsiCodePage = 0; }
};

TEST_F(KvEncWordsTest, WordsDecodeIntoOneCodePage)
{
    const struct {
        std::string Text;
        int Target;
        std::string Result;
        int Found;
        int ResultCodePage;
    } cases[] = {
        {"=?utf-8?B?w6k=?= =?utf-8?B?w6k=?=", -1, "\xC3\xA9\xC3\xA9", 65001, 65001},
        {"=?utf-8?B?w6k=?=\r\n =?utf-8?B?w6k=?=", -1, "\xC3\xA9\xC3\xA9", 65001, 65001},
        {"a =?iso-8859-1?Q?caf=E9?= b", -1, "a caf\xE9 b", 28591, 28591},
        {"Re: =?UTF-8?b?w6k=?=", -1, "Re: \xC3\xA9", 65001, 65001},
        {"=?utf-8?q?=C3=A9t=C3=A9_chaud?=", -1, "\xC3\xA9t\xC3\xA9 chaud", 65001, 65001},
        {"=?utf-8?Q?a?=  x  =?utf-8?Q?b?=", -1, "a  x  b", 65001, 65001},
        {"  =?utf-8?Q?a?=", -1, "  a", 65001, 65001},
        // Interchangeable code pages keep the first; others make the text UTF-8.
        {"=?iso-8859-1?Q?=E9?= =?windows-1252?Q?=E8?=", -1, "\xE9\xE8", 28591, 28591},
        {"=?iso-8859-1?Q?caf=E9?= =?utf-8?B?w6k=?=", -1, "caf\xC3\xA9\xC3\xA9", -1, 65001},
        {"=?windows-1251?Q?=EF?= =?iso-8859-2?Q?=B1?=", -1, "\xD0\xBF\xC4\x85", -1, 65001},
        // The literal text is in the target code page.
        {"caf\xE9 =?utf-8?B?w6k=?=", 1252, "caf\xC3\xA9 \xC3\xA9", -1, 65001},
        {"=?iso-8859-1?Q?=E9?=", 1252, "\xE9", 1252, 1252},
        {"=?iso-8859-1?Q?=E9?=", 20127, "\xE9", 28591, 28591},
        // Raw 8-bit text that is UTF-8 throughout is read as UTF-8.
        {"caf\xC3\xA9 =?iso-8859-1?Q?=E9?=", 1252, "caf\xC3\xA9 \xC3\xA9", -1, 65001},
        {"caf\xC3\xA9", -1, "caf\xC3\xA9", 65001, 65001},
        {"caf\xE9 x", -1, "caf\xE9 x", -1, -1},
        // Words that do not parse stay as they are.
        {"=?x-unknown?Q?abc?=", -1, "=?x-unknown?Q?abc?=", 0, 0},
        {"=?utf-8?X?abc?= =?utf-8?Q?d?=", -1, "=?utf-8?X?abc?= d", 65001, 65001},
        {"=?utf-8b?Q?abc?=", -1, "=?utf-8b?Q?abc?=", 0, 0},
        {"=?99999999999?Q?abc?=", -1, "=?99999999999?Q?abc?=", 0, 0},
        {"a =? b", -1, "a =? b", 0, 0},
        {"=?utf-8?Q?", -1, "=?utf-8?Q?", 0, 0},
        {"=?utf-8?Q?abc", -1, "abc", 65001, 65001},
        // An empty word or an empty stretch of text adds nothing at all.
        {"=?utf-8?Q?\?=abc", -1, "abc", 65001, 65001},
        {"=?utf-8?B?\?=", -1, "", 65001, 65001},
        // Without words the charset parameter names the code page.
        {"plain subject", -1, "plain subject", -1, -1},
        {"text/plain; charset=utf-8", -1, "text/plain; charset=utf-8", 65001, 65001},
        {"text/plain; CHARSET=\"koi8-r\"", -1, "text/plain; CHARSET=\"koi8-r\"", 20866, 20866},
        {"text/plain; charset=\r\n\tiso-8859-2\r\n", -1, "text/plain; charset=\r\n\tiso-8859-2\r\n",
         28592, 28592},
    };
    for (const auto& c : cases) {
        int found = 7, resultCodePage = 7;
        std::string result = "old";
        DecodeEncodedWords(c.Text, found, resultCodePage, result, false, c.Target);
        EXPECT_EQ(c.Result, result) << c.Text;
        EXPECT_EQ(c.Found, found) << c.Text;
        EXPECT_EQ(c.ResultCodePage, resultCodePage) << c.Text;
    }
}

TEST_F(KvEncWordsTest, ConvertReencodesCodePagesThatAreNotHandledDirectly)
{
    const struct {
        std::string Text;
        bool Convert;
        int Target;
        std::string Result;
        int ResultCodePage;
    } cases[] = {
        {"=?koi8-r?B?0NLJ18XU?=", true, 0, Privet1251, 1251},
        {"=?koi8-r?B?0NLJ18XU?=", false, 0, PrivetKoi8, 20866},
        {"=?koi8-r?B?0NLJ18XU?=", true, -1, PrivetKoi8, 20866},
        {"=?iso-8859-1?Q?=E9?=", true, 0, "\xE9", 28591},
        {"=?utf-8?B?w6k=?=", true, 0, "\xC3\xA9", 65001},
    };
    for (const auto& c : cases) {
        int found = 0, resultCodePage = 0;
        std::string result;
        DecodeEncodedWords(c.Text, found, resultCodePage, result, c.Convert, c.Target);
        EXPECT_EQ(c.Result, result) << c.Text << " " << c.Convert << " " << c.Target;
        EXPECT_EQ(c.ResultCodePage, resultCodePage) << c.Text << " " << c.Convert;
    }
}

TEST_F(KvEncWordsTest, HeaderTextComesOutInTheTargetCodePage)
{
    const struct {
        std::string Text;
        int Target;
        std::string Result;
    } cases[] = {
        {"=?iso-8859-1?Q?caf=E9?=", 1252, "caf\xE9"},
        {"=?utf-8?B?w6k=?= x", 1252, "\xE9 x"},
        {"=?iso-8859-1?Q?caf=E9?=", 65001, "caf\xC3\xA9"},
        {"=?koi8-r?B?0NLJ18XU?=", 1251, Privet1251},
        {"=?koi8-r?B?0NLJ18XU?=", 0, PrivetKoi8},
        {"=?koi8-r?B?0NLJ18XU?=", -1, PrivetKoi8},
        {"plain", 1252, "plain"},
        // Words of two charsets are brought into the target as well.
        {"=?iso-8859-1?Q?=E9?= =?utf-8?B?w6k=?=", 1252, "\xE9\xE9"},
        {"=?iso-8859-1?Q?=E9?= =?windows-1251?Q?=EF?=", 65001, "\xC3\xA9\xD0\xBF"},
    };
    for (const auto& c : cases) {
        std::string result;
        DecodeHeaderText(c.Text, c.Target, result);
        EXPECT_EQ(c.Result, result) << c.Text << " -> " << c.Target;
    }
}

TEST_F(KvEncWordsTest, ParseEncodedWordReadsOneWord)
{
    const struct {
        std::string Text;
        int Start;
        bool Ok;
        std::string Encoded;
        int CodePage;
        char Encoding;
        int End;  // Position afterwards; 0 when left alone
    } cases[] = {
        {"=?utf-8?Q?a_b?= rest", 3, true, "a_b", 65001, 'Q', 16},
        {"x =?ISO-8859-1?b?QUJD?=", 5, true, "QUJD", 28591, 'B', 24},
        {"=?utf-8?Q?\?=", 3, true, "", 65001, 'Q', 13},
        {"=?utf-8?Q?ab", 3, true, "ab", 65001, 'Q', 15},
        {"=?utf-8?Q?a", 3, false, "", -1, 0, 0},
        {"=?utf-8?QQ?a?=", 3, false, "", -1, 0, 0},
        {"=?utf-8", 3, false, "", -1, 0, 0},
        {"=?nope-1?Q?a?=", 3, false, "a", -1, 'Q', 15},
        {"=?utf-8?U?a?=", 3, false, "a", 65001, 'U', 14},
        {"=??Q?a?=", 3, false, "a", -1, 'Q', 9},
    };
    for (const auto& c : cases) {
        int pos = c.Start;
        std::string encoded = "old";
        int codePage = 7;
        char encoding = 'x';
        EXPECT_EQ(c.Ok, ParseEncodedWord(c.Text, pos, encoded, codePage, encoding)) << c.Text;
        EXPECT_EQ(c.Encoded, encoded) << c.Text;
        EXPECT_EQ(c.CodePage, codePage) << c.Text;
        EXPECT_EQ(c.Encoding, encoding) << c.Text;
        EXPECT_EQ(c.End ? c.End : c.Start, pos) << c.Text;
    }
}

TEST_F(KvEncWordsTest, QDecoding)
{
    const struct {
        std::string Text;
        bool HeaderMode;
        std::string Result;
    } cases[] = {
        {"a_b", true, "a b"},
        {"a_b", false, "a_b"},
        {"a\tb", true, "a b"},
        {"a\tb", false, "a\tb"},
        {"caf=E9", true, "caf\xE9"},
        {"caf=e9", true, "caf\xE9"},
        {"=3D=3d", false, "=="},
        {"=00x", false, std::string("\0x", 2)},
        {"a=ZZb", false, "a=ZZb"},
        {"a=\r\nb", false, "ab"},
        {"a=\rbc", false, "abc"},
        {"ab=", false, "ab="},
        {"ab=4", false, "ab=4"},
        {"ab=\r", false, "ab=\r"},
        {"", true, ""},
    };
    for (const auto& c : cases) {
        std::string result = "old";
        DecodeQ(c.Text, c.HeaderMode, result);
        EXPECT_EQ(c.Result, result) << c.Text << " " << c.HeaderMode;
    }
}

}  // namespace
