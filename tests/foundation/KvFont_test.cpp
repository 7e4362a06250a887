#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "foundation/KvAnsi.h"
#include "foundation/KvFont.h"

namespace {

// As the program starts: no code page set, so the system's is used.
const int StartFontAnsiCodePage = GFontAnsiCodePage;

// The answers that compare with the ANSI code page get a fixed one, so the
// machine's locale does not matter.
class KvFontTest : public ::testing::Test {
protected:
    void SetUp() override { GFontAnsiCodePage = 1252; }
    void TearDown() override { GFontAnsiCodePage = 0; }
};

const std::wstring Cyrillic = L"\x041F\x0440\x0438\x0432\x0435\x0442";  // "Privet"
const std::string Cyrillic1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
const std::string CyrillicUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
const std::string CyrillicKoi8 = "\xF0\xD2\xC9\xD7\xC5\xD4";

}  // namespace

TEST_F(KvFontTest, CharsetAndCodePageTables)
{
    EXPECT_EQ(StartFontAnsiCodePage, 0);
    EXPECT_EQ(FontAnsiCodePageValue(), 1252);
    GFontAnsiCodePage = 0;
    EXPECT_EQ(FontAnsiCodePageValue(), static_cast<int>(GetACP()));
    GFontAnsiCodePage = 1252;

    struct {
        int Charset;
        int CodePage;
    } Cases[] = {{0, 1252},   {1, 0},      {77, 10000}, {128, 932}, {129, 949},  {130, 1361},
                 {134, 936},  {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255},
                 {178, 1256}, {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {255, 850},
                 {100, -1},   {2, -1},     {-1, -1},    {256, -1}};
    for (const auto& C : Cases)
        EXPECT_EQ(FontCharsetToCodePage(C.Charset), C.CodePage) << C.Charset;

    struct {
        int CodePage;
        int Charset;
    } Back[] = {{0, 1},        {850, 255},   {874, 222},   {50221, 128}, {51936, 134}, {949, 129},
                {20000, 136},  {28592, 238}, {20866, 204}, {1251, 204},  {28597, 161}, {28599, 162},
                {38598, 177},  {28596, 178}, {28603, 186}, {1258, 163},  {1361, 130},  {10000, 77},
                {1252, 1},     {28591, 1},   {20127, 1},   // the ANSI code page's own set is "default"
                {65001, 1},    {437, 1},     {-1, 1}};
    for (const auto& C : Back)
        EXPECT_EQ(CodePageToFontCharset(C.CodePage), C.Charset) << C.CodePage;

    GFontAnsiCodePage = 1251;
    EXPECT_EQ(CodePageToFontCharset(1252), 0);
    EXPECT_EQ(CodePageToFontCharset(28595), 1);
}

TEST_F(KvFontTest, CharsetOfWideTextByScript)
{
    struct {
        std::wstring Text;
        int Charset;
    } Cases[] = {
        {L"", 1},
        {L"plain ASCII text", 1},
        {Cyrillic, 204},
        {L"\x03B1\x03B2\x03B3", 161},                // Greek
        {L"\x05E9\x05DC\x05D5\x05DD", 177},          // Hebrew
        {L"\x0645\x0631\x062D\x0628\x0627", 178},    // Arabic
        {L"\x0E2A\x0E27\x0E31", 222},                // Thai
        {L"\x30AB\x30BF\x30AB\x30CA", 128},          // Katakana
        {L"\xD55C\xAE00", 129},                      // Hangul syllables
        {L"caf\x00E9", 0},
        {L"\x0142\x00F3d\x017A", 238},               // Polish: two Central European letters win
        {L"\x011F\x0131", 162},                      // Turkish
        {L"\x0101\x0113\x012B", 186},                // Baltic
        {L"\x01A1\x01B0", 163},                      // Vietnamese
        {L"\x0103", 163},                            // shared by 238 and 163: a tie
        {L"\x0103\x021B", 238},                     // Romanian: the shared letter tips it
        {L"\x00E9\x0436", 204},                      // a script beats ANSI on equal counts
        {L"\x00E9\x00E8\x0436", 0},                  // but not with fewer letters
        {L"\x0436\x0437\x03B1", 204},
        {L"\x0436\x03B1\x0103\x0103\x0103", 161},    // two scripts alone: shared letters not ranked
    };
    for (const auto& C : Cases)
        EXPECT_EQ(CharsetOfWideText(C.Text, 0), C.Charset) << testing::PrintToString(C.Text);
}

TEST_F(KvFontTest, CharsetOfWideTextLimits)
{
    const std::wstring Late = std::wstring(10, L'a') + Cyrillic;
    EXPECT_EQ(CharsetOfWideText(Late, 5), 1);
    EXPECT_EQ(CharsetOfWideText(Late, 0), 204);
    EXPECT_EQ(CharsetOfWideText(Late, -1), 204);

    const std::wstring Far = std::wstring(70000, L'a') + Cyrillic;
    EXPECT_EQ(CharsetOfWideText(Far, -1), 1) << "a negative limit looks at 65,536 units";
    EXPECT_EQ(CharsetOfWideText(Far, 0), 204);

    // The scan stops once a counter passes 4,096.
    const std::wstring Counted = std::wstring(5000, L'\x00E9') + std::wstring(6000, L'\x0436');
    EXPECT_EQ(CharsetOfWideText(Counted, 0), 0);
}

TEST_F(KvFontTest, ChineseTellsBig5FromGb2312)
{
    const std::wstring Hanzi = L"\x4F60\x4F60";  // in the 0x4F00 block, present in Big5
    EXPECT_EQ(CharsetOfWideText(Hanzi, 0), 136);
    GFontAnsiCodePage = 936;
    EXPECT_EQ(CharsetOfWideText(Hanzi, 0), 134);
    EXPECT_EQ(CharsetOfWideText(L"\x3041\x3042", 0), 134);  // the ANSI set itself stays
    GFontAnsiCodePage = 950;
    EXPECT_EQ(CharsetOfWideText(L"\x3041\x3042", 0), 136);
    EXPECT_EQ(CharsetOfWideText(Hanzi, 0), 136);
}

TEST_F(KvFontTest, ReencodingIntoTheNeededCharset)
{
    std::string Text;
    std::uint8_t Charset = 0;
    EXPECT_TRUE(WideToCharsetText(Cyrillic, Text, Charset));
    EXPECT_EQ(Charset, 204);
    EXPECT_EQ(Text, Cyrillic1251);
    // A Greek letter among Cyrillic ones has no byte in 1251.
    EXPECT_FALSE(WideToCharsetText(Cyrillic + L"\x03B1", Text, Charset));
    EXPECT_EQ(Charset, 204);

    struct {
        std::string In;
        bool Result;
        std::string Out;
        int Charset;
    } Utf8[] = {
        {CyrillicUtf8, true, Cyrillic1251, 204},
        {"", true, "", 1},
        {std::string("\0abc", 4), false, std::string("\0abc", 4), 1},  // decodes to nothing
        {"abc", true, "abc", 1},
    };
    for (const auto& C : Utf8) {
        std::string S = C.In;
        Charset = 77;
        EXPECT_EQ(Utf8ToCharsetText(S, Charset), C.Result) << C.In;
        EXPECT_EQ(S, C.Out);
        EXPECT_EQ(Charset, C.Charset);
    }
}

TEST_F(KvFontTest, ConvertToCharsetByDeclaredCodePage)
{
    struct {
        std::string In;
        int CodePage;
        bool Result;
        std::string Out;
        int Charset;
        int NewCodePage;  // ConvertToCharsetCodePage
    } Cases[] = {
        {"", 1251, true, "", 1, 0},
        {"abc", 0, true, "abc", 1, 0},
        {"abc", -3, true, "abc", 1, 0},
        {Cyrillic1251, 1251, true, Cyrillic1251, 204, 1251},   // already a Windows code page
        {CyrillicKoi8, 20866, true, Cyrillic1251, 204, 1251},  // re-encoded into 1251
        {CyrillicUtf8, 65001, true, Cyrillic1251, 204, 1251},
        {"caf\xE9", 1252, true, "caf\xE9", 1, 0},
    };
    for (const auto& C : Cases) {
        std::string S = C.In;
        std::uint8_t Charset = 99;
        EXPECT_EQ(ConvertToCharset(S, Charset, C.CodePage), C.Result) << C.CodePage;
        EXPECT_EQ(S, C.Out) << C.CodePage;
        EXPECT_EQ(Charset, C.Charset) << C.CodePage;

        S = C.In;
        int Cp = C.CodePage;
        ConvertToCharsetCodePage(S, Cp);
        EXPECT_EQ(Cp, C.NewCodePage) << C.CodePage;
    }
}

TEST_F(KvFontTest, ChooserHookAndDialogFont)
{
    EXPECT_EQ(GCodePageChooser, &CodePageOfWideText);
    bool Lossless = false;
    EXPECT_EQ(WideToCodePageEx(Cyrillic, Lossless, -1), Cyrillic1251);
    EXPECT_TRUE(Lossless);
    EXPECT_EQ(CodePageOfText("plain"), 0);
    EXPECT_TRUE(DialogFontName == "MS Shell Dlg 2" || DialogFontName == "MS Shell Dlg");
}
