#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "foundation/KvAnsi.h"

namespace {

// Windows' own answers, called directly so the routines are checked against
// the system and not against themselves.
std::wstring SystemDecode(const std::string& Bytes, UINT CodePage, DWORD Flags)
{
    const int n = MultiByteToWideChar(CodePage, Flags, Bytes.data(), static_cast<int>(Bytes.size()),
                                      nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CodePage, Flags, Bytes.data(), static_cast<int>(Bytes.size()), w.data(), n);
    return w;
}

std::string SystemEncode(const std::wstring& Wide, UINT CodePage, DWORD Flags, bool* UsedDefault)
{
    BOOL used = FALSE;
    BOOL* pUsed = UsedDefault ? &used : nullptr;
    const int n = WideCharToMultiByte(CodePage, Flags, Wide.data(), static_cast<int>(Wide.size()),
                                      nullptr, 0, nullptr, pUsed);
    std::string s(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CodePage, Flags, Wide.data(), static_cast<int>(Wide.size()), s.data(), n,
                            nullptr, pUsed);
    if (UsedDefault)
        *UsedDefault = used != FALSE;
    return s;
}

constexpr DWORD EncodeFlags = WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR;

std::string AllBytes()
{
    std::string s;
    for (int b = 1; b < 256; ++b)
        s += static_cast<char>(b);
    return s;
}

TEST(KvAnsiTest, RoundTripsMatchWindows)
{
    std::vector<int> pages;
    for (int cp = 1250; cp <= 1258; ++cp)
        pages.push_back(cp);
    for (int cp = 28591; cp <= 28605; ++cp)
        pages.push_back(cp);

    const std::string bytes = AllBytes();
    int tested = 0;
    for (int cp : pages) {
        if (!IsValidCodePage(static_cast<UINT>(cp)))
            continue;  // 28600-28602 and 28604 exist in no Windows
        ++tested;
        const std::wstring wide = SystemDecode(bytes, static_cast<UINT>(cp), MB_PRECOMPOSED);
        ASSERT_FALSE(wide.empty()) << cp;
        EXPECT_EQ(wide, AnsiToWideStr(bytes, cp)) << cp;

        bool usedDefault = false;
        const std::string back = SystemEncode(wide, static_cast<UINT>(cp), EncodeFlags, &usedDefault);
        bool lossless = !usedDefault;
        EXPECT_EQ(back, WideToCodePageEx(wide, lossless, cp)) << cp;
        EXPECT_EQ(!usedDefault, lossless) << cp;
        EXPECT_EQ(back, WideToCodePage(wide, cp)) << cp;

        // Every byte that Windows maps to a character of its own comes back.
        for (int b = 1; b < 256; ++b) {
            const std::string one(1, static_cast<char>(b));
            const std::wstring w = SystemDecode(one, static_cast<UINT>(cp), 0);
            bool used = false;
            if (SystemEncode(w, static_cast<UINT>(cp), 0, &used) == one && !used) {
                EXPECT_EQ(one, ConvertCodePage(CodePageToUtf8(one, cp), 65001, cp)) << cp << " " << b;
            }
        }

        const std::string utf8 = SystemEncode(wide, CP_UTF8, 0, nullptr);
        EXPECT_EQ(utf8, CodePageToUtf8(bytes, cp)) << cp;
        EXPECT_EQ(utf8, ConvertCodePage(bytes, cp, 65001)) << cp;
        EXPECT_EQ(utf8, WideToUtf8(wide)) << cp;
        EXPECT_EQ(back, Utf8ToCodePage(utf8, cp)) << cp;
        EXPECT_EQ(bytes, ConvertCodePage(bytes, cp, cp));
    }
    EXPECT_GE(tested, 20);
}

TEST(KvAnsiTest, KnownCharacters)
{
    const struct {
        int CodePage;
        std::string Bytes;
        std::wstring Wide;
    } cases[] = {
        {1252, "\x80", L"\u20AC"},
        {1252, "caf\xE9", L"caf\u00E9"},
        {28591, "\xA4", L"\u00A4"},
        {28605, "\xA4", L"\u20AC"},
        {1251, "\xC0\xE6", L"\u0410\u0436"},
        {1250, "\xC8", L"\u010C"},
        {1253, "\xE1", L"\u03B1"},
        {28597, "\xE1", L"\u03B1"},
        {1255, "\xE0", L"\u05D0"},
        {28603, "\xE0", L"\u0105"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Wide, AnsiToWideStr(c.Bytes, c.CodePage)) << c.CodePage;
        EXPECT_EQ(c.Bytes, WideToCodePage(c.Wide, c.CodePage)) << c.CodePage;
    }
    // Only the text up to the first NUL is taken, as from a C field.
    EXPECT_EQ(L"ab", AnsiToWideStr(std::string("ab\0cd", 5), 1252));
    EXPECT_EQ(L"", AnsiToWideStr("", 1252));
    EXPECT_EQ(SystemDecode("caf\xE9", GetACP(), MB_PRECOMPOSED), AnsiToWideStr("caf\xE9", 0));
    EXPECT_EQ(AnsiToWideStr("caf\xE9", 0), AnsiToWideStr("caf\xE9", -7));

    // Between two code pages.
    EXPECT_EQ("caf\xE9", ConvertCodePage("caf\xE9", 1252, 1250));
    EXPECT_EQ("\xC6", ConvertCodePage("\xC6", 1250, 1250));
    EXPECT_EQ("C", ConvertCodePage("\xC8", 1250, 1252));  // the system's best fit for C with caron
    EXPECT_EQ("\xA4", ConvertCodePage("\x80", 1252, 28605));
}

TEST(KvAnsiTest, LosslessFlagAndSpecialPages)
{
    bool lossless = false;
    EXPECT_EQ("", WideToCodePageEx(L"", lossless, 1252));
    EXPECT_TRUE(lossless);

    lossless = true;
    EXPECT_EQ("?", WideToCodePageEx(L"\u20AC", lossless, 28591));
    EXPECT_FALSE(lossless);
    EXPECT_EQ("\x80", WideToCodePageEx(L"\u20AC", lossless, 1252));
    EXPECT_TRUE(lossless);

    // UTF-8 as the target is always lossless, surrogate pairs included.
    lossless = false;
    EXPECT_EQ("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80",
              WideToCodePageEx(L"Gr\u00FC\u00DFe \u20AC \U0001F600", lossless, 65001));
    EXPECT_TRUE(lossless);

    // UTF-7 goes by the plain ANSI conversion and never claims to be lossless.
    lossless = true;
    EXPECT_EQ(SystemEncode(L"abc", CP_ACP, 0, nullptr), WideToCodePageEx(L"abc", lossless, 65000));
    EXPECT_FALSE(lossless);

    // 0 and -1 without a chooser are the ANSI code page. The font unit may
    // have installed its chooser at start-up; it is put back at the end.
    const TCodePageChooser installed = GCodePageChooser;
    GCodePageChooser = nullptr;
    const std::wstring wide = L"caf\u00E9 \u0416";
    const std::string ansi = SystemEncode(wide, CP_ACP, EncodeFlags, nullptr);
    EXPECT_EQ(ansi, WideToCodePage(wide, 0));
    EXPECT_EQ(ansi, WideToCodePage(wide, -1));

    // With a chooser installed, -1 asks it; 0 still means ANSI.
    GCodePageChooser = [](const std::wstring& W) { return W.find(L'\u0416') != W.npos ? 1251 : 1252; };
    EXPECT_EQ("\xC6", WideToCodePage(L"\u0416", -1));
    EXPECT_EQ("caf\xE9", WideToCodePage(L"caf\u00E9", -1));
    EXPECT_EQ(ansi, WideToCodePage(wide, 0));
    GCodePageChooser = installed;

    // Code pages that refuse the conversion flags and the used-default
    // question must still convert instead of giving an empty text.
    const struct {
        UINT CodePage;
        std::wstring Wide;
    } strict[] = {{50220, L"abc"}, {50225, L"abc"}, {52936, L"abc"}, {54936, L"\u4E2D\u6587"},
                  {65000, L"abc"}};
    for (const auto& c : strict) {
        if (!IsValidCodePage(c.CodePage))
            continue;
        const std::string expected = SystemEncode(c.Wide, c.CodePage, 0, nullptr);
        ASSERT_FALSE(expected.empty()) << c.CodePage;
        if (c.CodePage != 65000) {
            EXPECT_EQ(expected, WideToCodePage(c.Wide, static_cast<int>(c.CodePage))) << c.CodePage;
        }
        EXPECT_EQ(c.Wide, AnsiToWideStr(expected, static_cast<int>(c.CodePage))) << c.CodePage;
    }
}

TEST(KvAnsiTest, ConversionFlagsByCodePage)
{
    const DWORD asked = MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;
    const struct {
        int CodePage;
        DWORD Expected;
    } cases[] = {
        {42, 0}, {50220, 0}, {50221, 0}, {50222, 0}, {50225, 0}, {50227, 0}, {50229, 0},
        {52936, 0}, {57002, 0}, {57006, 0}, {57011, 0}, {65000, 0},
        {54936, MB_ERR_INVALID_CHARS}, {65001, MB_ERR_INVALID_CHARS},
        {1252, asked}, {57001, asked}, {57012, asked}, {28591, asked}, {0, asked},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, CodePageConversionFlags(c.CodePage, asked)) << c.CodePage;
    EXPECT_EQ(0u, CodePageConversionFlags(65001, MB_PRECOMPOSED));
}

TEST(KvAnsiTest, Utf8ToCodePageKeepsWhatIsNotUtf8)
{
    const struct {
        std::string Text;
        int CodePage;
        std::string Expected;
        bool Lossless;
    } cases[] = {
        {"caf\xC3\xA9", 1252, "caf\xE9", true},
        {"\xD0\x96", 1251, "\xC6", true},
        {"\xE2\x82\xAC", 28605, "\xA4", true},
        {"\xE2\x82\xAC", 28591, "?", false},
        {"plain", 1252, "plain", true},
        {"", 1252, "", true},
        {"caf\xC3\xA9", 65001, "caf\xC3\xA9", true},
        {std::string("a\xC3\xA9\0b", 5), 1252, "a\xE9", true},
    };
    for (const auto& c : cases) {
        bool lossless = !c.Lossless;
        EXPECT_EQ(c.Expected, Utf8ToCodePageEx(c.Text, lossless, c.CodePage)) << c.Text;
        EXPECT_EQ(c.Lossless, lossless) << c.Text;
        EXPECT_EQ(c.Expected, Utf8ToCodePage(c.Text, c.CodePage));
    }
    // Text that is not UTF-8 comes back as it was and the flag is untouched.
    for (const std::string& bad : {std::string("caf\xE9"), std::string("\xC0\x80"), std::string("\xFF\xFE")}) {
        for (bool start : {true, false}) {
            bool lossless = start;
            EXPECT_EQ(bad, Utf8ToCodePageEx(bad, lossless, 1252));
            EXPECT_EQ(start, lossless);
        }
    }
}

// The lead bytes of a double-byte code page, at the edges of its ranges,
// and none in a single-byte one.
TEST(KvAnsiTest, LeadBytesOfTheCodePage)
{
    SetLeadByteCodePage(932);
    EXPECT_TRUE(AnsiHasLeadBytes());
    for (const auto& [ch, lead] : {std::pair<char, bool>{'\x80', false}, {'\x81', true}, {'\x9F', true}, {'\xA0', false},
                                   {'\xE0', true}, {'\xFC', true}, {'\xFD', false}, {'\\', false}})
        EXPECT_EQ(IsAnsiLeadByte(ch), lead) << int(static_cast<unsigned char>(ch));
    SetLeadByteCodePage(1252);
    EXPECT_FALSE(AnsiHasLeadBytes());
    EXPECT_FALSE(IsAnsiLeadByte('\x81'));
    SetLeadByteCodePage(0);
    EXPECT_EQ(AnsiHasLeadBytes(), IsDBCSLeadByte(0x81) || IsDBCSLeadByte(0xA1));
}

TEST(KvAnsiTest, TextKindTests)
{
    const struct {
        std::string Text;
        bool Expected;
    } utf8[] = {
        {"", false},
        {"plain ascii", false},
        {"\xC3\xA9", true},
        {"\xC0\x80", false},
        {"\xC1\xBF", false},
        {"\xE9", false},
        {"caf\xE9 au lait", false},
        {"\x80", false},
        {"\xF5\x80\x80\x80", false},
        {"\xF4\x8F\xBF\xBF", true},
        {"\xE2\x82\xAC", true},
        {"ab\xE2\x82", true},        // cut by the end of the text
        {"ab\xC3", false},         // a lone lead byte at the end proves nothing
        {"\xC3\xA9\xC3", true},
        {"\xC3(", false},
        {"\xE2\x82(", false},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xFF", true},  // stops after five
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xFF", false},
    };
    for (const auto& c : utf8)
        EXPECT_EQ(c.Expected, LooksLikeUtf8(c.Text)) << testing::PrintToString(c.Text);
    // The whole text judged, to its last byte; DEL is no eight-bit byte.
    for (const auto& [text, whole] : {std::pair<std::string, bool>{"plain\x7F", false}, {"caf\xC3\xA9", true},
                                      {"ab\xE2\x82", false}, {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xFF", false}})
        EXPECT_EQ(IsUtf8Text(text), whole) << testing::PrintToString(text);

    const struct {
        char Ch;
        bool Plain;
    } chars[] = {
        {'a', true}, {' ', true}, {'~', true}, {'\t', true}, {'\n', true}, {'\f', true},
        {'\r', true}, {'\v', false}, {'\0', false}, {'\x1B', false}, {'\x7F', false},
        {'\x80', false}, {'\xE9', false},
    };
    for (const auto& c : chars)
        EXPECT_EQ(c.Plain, IsPlainTextChar(c.Ch)) << int(static_cast<unsigned char>(c.Ch));
    EXPECT_TRUE(IsPlainText(""));
    EXPECT_TRUE(IsPlainText("Subject: hi\r\n\tthere\r\n"));
    EXPECT_FALSE(IsPlainText("caf\xE9"));
    EXPECT_FALSE(IsPlainTextBuffer("a\0b", 3));
    EXPECT_TRUE(IsPlainTextBuffer("a\0b", 1));

    const std::wstring sentence =
        L"This is a perfectly ordinary sentence written as UTF-16 text by a mail client.";
    const std::string utf16(reinterpret_cast<const char*>(sentence.data()), sentence.size() * 2);
    EXPECT_TRUE(IsUnicodeText(utf16));
    EXPECT_TRUE(IsUnicodeBuffer(utf16.data(), utf16.size()));
    EXPECT_FALSE(IsUnicodeText(utf16, 0));
    EXPECT_FALSE(IsUnicodeText(""));
    const std::string ascii(20000, 'a');
    EXPECT_FALSE(IsUnicodeText(ascii));
    EXPECT_FALSE(IsUnicodeText("This is a perfectly ordinary sentence written as ANSI text."));
    EXPECT_FALSE(IsUnicodeBuffer(nullptr, 10));
    // A length beyond the buffer is cut to the buffer.
    EXPECT_TRUE(IsUnicodeBuffer(utf16.data(), utf16.size(), static_cast<int>(utf16.size()) + 4096));
}

}  // namespace
