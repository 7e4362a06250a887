#include "foundation/KvAnsi.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "classlib/PathForms.h"

TCodePageChooser GCodePageChooser = nullptr;

std::uint32_t CodePageConversionFlags(int CodePage, std::uint32_t Flags)
{
    // These code pages fail the call outright when given any flag.
    switch (CodePage) {
    case 42: case 50220: case 50221: case 50222: case 50225: case 50227:
    case 50229: case 52936: case 65000:
        return 0;
    case 54936: case 65001:
        return Flags & MB_ERR_INVALID_CHARS;
    default:
        if (CodePage >= 57002 && CodePage <= 57011)
            return 0;
        return Flags;
    }
}

namespace {

// Decodes up to the first zero byte, as the conversions always have: a byte
// string may carry a trailing NUL from a fixed-size field.
std::wstring DecodeToNul(const std::string& Text, UINT CodePage, DWORD Flags)
{
    if (Text.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CodePage, Flags, Text.c_str(), -1, nullptr, 0);
    if (n <= 1)
        return std::wstring();
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    const int m = MultiByteToWideChar(CodePage, Flags, Text.c_str(), -1, w.data(), n);
    if (m <= 1)
        return std::wstring();
    w.resize(static_cast<std::size_t>(m - 1));
    return w;
}

std::string EncodeWide(const std::wstring& Wide, UINT CodePage, DWORD Flags, bool* Lossless)
{
    if (Wide.empty()) {
        if (Lossless)
            *Lossless = true;
        return std::string();
    }
    BOOL usedDefault = FALSE;
    // The code pages that take no flags also fail the call when asked whether
    // a default character was used; for them success is all we can know.
    const bool canAsk = CodePageConversionFlags(static_cast<int>(CodePage), WC_DEFAULTCHAR) != 0;
    BOOL* pUsed = (Lossless && canAsk) ? &usedDefault : nullptr;
    const int len = static_cast<int>(Wide.size());
    const int n = WideCharToMultiByte(CodePage, Flags, Wide.data(), len, nullptr, 0, nullptr, pUsed);
    if (n <= 0) {
        if (Lossless)
            *Lossless = false;
        return std::string();
    }
    std::string s(static_cast<std::size_t>(n), '\0');
    usedDefault = FALSE;
    const int m = WideCharToMultiByte(CodePage, Flags, Wide.data(), len, s.data(), n, nullptr, pUsed);
    s.resize(m > 0 ? static_cast<std::size_t>(m) : 0);
    if (Lossless)
        *Lossless = m > 0 && !usedDefault;
    return s;
}

}  // namespace

std::wstring DefaultAnsiToWide(const std::string& Text)
{
    return AnsiToWide(Text);
}

std::string DefaultWideToAnsi(const std::wstring& Wide)
{
    return EncodeWide(Wide, CP_ACP, 0, nullptr);
}

std::wstring AnsiToWideStr(const std::string& Text, int CodePage)
{
    const UINT cp = CodePage <= 0 ? GetACP() : static_cast<UINT>(CodePage);
    return DecodeToNul(Text, cp, CodePageConversionFlags(static_cast<int>(cp), MB_PRECOMPOSED));
}

std::string WideToUtf8(const std::wstring& Wide)
{
    if (Wide.empty())
        return std::string();
    std::string s(Wide.size() * 3, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, Wide.data(), static_cast<int>(Wide.size()),
                                      s.data(), static_cast<int>(s.size()), nullptr, nullptr);
    if (n <= 0)
        return DefaultWideToAnsi(Wide);
    s.resize(static_cast<std::size_t>(n));
    return s;
}

std::string WideToCodePageEx(const std::wstring& Wide, bool& Lossless, int CodePage)
{
    if (Wide.empty()) {
        Lossless = true;
        return std::string();
    }
    if (CodePage == -1 && GCodePageChooser)
        CodePage = GCodePageChooser(Wide);
    if (CodePage == 0 || CodePage == -1)
        CodePage = static_cast<int>(GetACP());
    if (CodePage == 65000) {
        Lossless = false;
        return DefaultWideToAnsi(Wide);
    }
    if (CodePage == 65001) {
        Lossless = true;
        return WideToUtf8(Wide);
    }
    const DWORD flags = CodePageConversionFlags(
        CodePage, WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR);
    return EncodeWide(Wide, static_cast<UINT>(CodePage), flags, &Lossless);
}

std::string ExactAnsiText(const std::wstring& Wide, bool& Exact)
{
    std::string Ansi = WideToCodePageEx(Wide, Exact, 0);
    Exact = Exact && AnsiToWideStr(Ansi) == Wide;
    return Ansi;
}

std::string WideToCodePage(const std::wstring& Wide, int CodePage)
{
    bool lossless = true;
    return WideToCodePageEx(Wide, lossless, CodePage);
}

std::string Utf8ToCodePageEx(const std::string& Text, bool& Lossless, int CodePage)
{
    if (CodePage == 65001 || Text.empty()) {
        Lossless = true;
        return Text;
    }
    // Without MB_ERR_INVALID_CHARS a bad sequence decodes to U+FFFD and the
    // text would no longer read back as the bytes it was.
    const std::wstring wide = DecodeToNul(Text, CP_UTF8, MB_ERR_INVALID_CHARS);
    if (wide.empty())
        return Text;
    return WideToCodePageEx(wide, Lossless, CodePage);
}

std::string Utf8ToCodePage(const std::string& Text, int CodePage)
{
    bool lossless = true;
    return Utf8ToCodePageEx(Text, lossless, CodePage);
}

std::string ConvertCodePage(const std::string& Text, int FromCodePage, int ToCodePage)
{
    if (FromCodePage == ToCodePage)
        return Text;
    if (FromCodePage == 65001)
        return Utf8ToCodePage(Text, ToCodePage);
    return WideToCodePage(AnsiToWideStr(Text, FromCodePage), ToCodePage);
}

std::string CodePageToUtf8(const std::string& Text, int CodePage)
{
    return WideToCodePage(AnsiToWideStr(Text, CodePage), 65001);
}

bool IsPlainTextChar(char Ch)
{
    const unsigned char b = static_cast<unsigned char>(Ch);
    if (b >= 0x80 || b == 0x7F)
        return false;
    return b >= 0x20 || b == '\t' || b == '\n' || b == '\f' || b == '\r';
}

bool IsPlainTextBuffer(const void* Bytes, std::size_t Len)
{
    const char* p = static_cast<const char*>(Bytes);
    for (std::size_t i = 0; i < Len; ++i)
        if (!IsPlainTextChar(p[i]))
            return false;
    return true;
}

bool IsPlainText(const std::string& S)
{
    return IsPlainTextBuffer(S.data(), S.size());
}

bool LooksLikeUtf8(const std::string& Text)
{
    const std::size_t len = Text.size();
    int sequences = 0;
    std::size_t i = 0;
    while (i < len && sequences < 5) {
        const unsigned char b = static_cast<unsigned char>(Text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t follow;
        if (b >= 0xC2 && b <= 0xDF)
            follow = 1;
        else if (b >= 0xE0 && b <= 0xEF)
            follow = 2;
        else if (b >= 0xF0 && b <= 0xF4)
            follow = 3;
        else
            return false;
        // A lead byte with nothing after it proves nothing either way: a
        // lone 0xE9 ends many a Latin-1 word.
        if (i + 1 >= len)
            break;
        ++i;
        // A sequence cut by the end of a buffer is taken as complete: the
        // caller often tests only the first block of a file.
        for (std::size_t k = 0; k < follow && i < len; ++k, ++i) {
            const unsigned char t = static_cast<unsigned char>(Text[i]);
            if (t < 0x80 || t > 0xBF)
                return false;
        }
        ++sequences;
    }
    return sequences > 0;
}

namespace {

struct TLeadBytes {
    bool Lead[256] = {};
    bool Any = false;
};

TLeadBytes LeadBytesOf(UINT CodePage)
{
    TLeadBytes t;
    for (unsigned b = 0x80; b <= 0xFF; ++b)
        if (IsDBCSLeadByteEx(CodePage, static_cast<BYTE>(b)))
            t.Any = t.Lead[b] = true;
    return t;
}

TLeadBytes& LeadBytes()
{
    static TLeadBytes t = LeadBytesOf(CP_ACP);
    return t;
}

}  // namespace

bool IsAnsiLeadByte(char Ch)
{
    return LeadBytes().Lead[static_cast<unsigned char>(Ch)];
}

bool AnsiHasLeadBytes()
{
    return LeadBytes().Any;
}

void SetLeadByteCodePage(int CodePage)
{
    LeadBytes() = LeadBytesOf(CodePage > 0 ? static_cast<UINT>(CodePage) : CP_ACP);
}

bool IsUtf8Text(const std::string& Text)
{
    const bool eightBit =
        std::any_of(Text.begin(), Text.end(), [](char C) { return static_cast<unsigned char>(C) > 127; });
    if (!eightBit || Text.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(), static_cast<int>(Text.size()), nullptr,
                               0) > 0;
}

bool IsUnicodeBuffer(const void* Bytes, std::size_t Size, int Len)
{
    if (!Bytes || IsPlainTextBuffer(Bytes, Size))
        return false;
    if (Len < 0 || static_cast<std::size_t>(Len) > Size)
        Len = static_cast<int>(Size);
    if (Len > 16384)
        Len = 16384;
    if (Len < 1)
        return false;
    INT tests = IS_TEXT_UNICODE_STATISTICS | IS_TEXT_UNICODE_REVERSE_STATISTICS |
                IS_TEXT_UNICODE_ILLEGAL_CHARS;
    return IsTextUnicode(Bytes, Len, &tests) != FALSE;
}

bool IsUnicodeText(const std::string& Text, int Len)
{
    if (Text.empty())
        return false;
    return IsUnicodeBuffer(Text.data(), Text.size(), Len);
}
