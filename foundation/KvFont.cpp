#include "foundation/KvFont.h"

#include <windows.h>

#include <array>

#include "foundation/KvAnsi.h"
#include "foundation/KvCodePage.h"

namespace {

std::string InitialDialogFontName()
{
    // GetVersion: bit 31 set on the 9x family, major version in the low byte.
    const DWORD V = GetVersion();
    const bool Win9x = (V & 0x80000000u) != 0;
    const int Major = static_cast<int>(V & 0xFF);
    return (Win9x || Major < 5) ? "MS Shell Dlg" : "MS Shell Dlg 2";
}

// Character sets of the code pages, the table CodePageToFontCharset uses
// before it looks at the ANSI code page.
int RawCodePageToFontCharset(int CodePage)
{
    switch (CodePage) {
    case 0: return 1;
    case 850: return 255;
    case 874: return 222;
    case 932: case 20932: case 50220: case 50221: case 50222: case 51932: return 128;
    case 936: case 50227: case 51936: case 52936: return 134;
    case 949: case 50225: case 51949: return 129;
    case 950: case 20000: case 20002: return 136;
    case 1250: case 28592: return 238;
    case 1251: case 20866: case 21866: case 28595: return 204;
    case 1252: case 20127: case 28591: case 28605: case 29001: return 0;
    case 1253: case 28597: return 161;
    case 1254: case 28593: case 28599: return 162;
    case 1255: case 28598: case 38598: return 177;
    case 1256: case 28596: return 178;
    case 1257: case 28594: case 28603: return 186;
    case 1258: return 163;
    case 1361: return 130;
    case 10000: return 77;
    default: return 1;
    }
}

// Per low byte of the Latin Extended units 0x0100..0x01B0: the one or two
// character sets a unit counts for (0 = none, since ANSI never counts here).
struct TLatinClass {
    std::uint8_t A = 0, B = 0;
};

std::array<TLatinClass, 0xB1> BuildLatinTable()
{
    std::array<TLatinClass, 0xB1> T{};
    auto Set = [&T](std::initializer_list<int> Lows, std::uint8_t A, std::uint8_t B = 0) {
        for (int L : Lows)
            T[static_cast<std::size_t>(L)] = TLatinClass{A, B};
    };
    auto Range = [&T](int First, int Last, std::uint8_t A) {
        for (int L = First; L <= Last; ++L)
            T[static_cast<std::size_t>(L)] = TLatinClass{A, 0};
    };
    Set({0x00, 0x01, 0x04, 0x05, 0x12, 0x13, 0x22, 0x23, 0x2A, 0x2B, 0x2E, 0x2F, 0x36, 0x37,
         0x3B, 0x3C, 0x45, 0x46, 0x4C, 0x4D, 0x56, 0x57, 0x66, 0x67, 0x6A, 0x6B, 0x72, 0x73},
        186);
    Range(0x16, 0x19, 186);
    Set({0x06, 0x07, 0x1A, 0x1B, 0x39, 0x3A, 0x3D, 0x3E, 0x47, 0x48, 0x50, 0x51, 0x54, 0x55}, 238);
    Range(0x0C, 0x0F, 238);
    Range(0x41, 0x44, 238);
    Range(0x58, 0x5B, 238);
    Range(0x62, 0x65, 238);
    Range(0x6E, 0x71, 238);
    Range(0x79, 0x7C, 238);
    Set({0x1E, 0x1F, 0x30, 0x31}, 162);
    Set({0xA0, 0xA1, 0xAF, 0xB0}, 163);
    Set({0x02, 0x03, 0x10, 0x11}, 238, 163);
    Set({0x5E, 0x5F}, 238, 162);
    Set({0x60, 0x61, 0x7D, 0x7E}, 238, 186);
    return T;
}

const std::array<TLatinClass, 0xB1>& LatinTable()
{
    static const std::array<TLatinClass, 0xB1> T = BuildLatinTable();
    return T;
}

// The single character set of a unit outside the Latin Extended block; 1
// when it counts for nothing.
int ScriptCharset(unsigned U)
{
    struct TRange {
        unsigned First, Last;
        std::uint8_t Charset;
    };
    static const TRange Ranges[] = {
        {0x0080, 0x00FF, 0},   {0x0200, 0x021B, 238}, {0x0380, 0x03FF, 161},
        {0x0400, 0x04FF, 204}, {0x0590, 0x05FF, 177}, {0x0600, 0x06FF, 178},
        {0x0E00, 0x0E7F, 222}, {0x1100, 0x11FF, 129}, {0x1E80, 0x1EF1, 163},
        {0x1F00, 0x1FFF, 161}, {0x20AB, 0x20AB, 163}, {0x2E80, 0x2FDF, 136},
        {0x3040, 0x309F, 134}, {0x30A0, 0x30FF, 128}, {0x3100, 0x312F, 134},
        {0x3130, 0x318F, 129}, {0x31A0, 0x31BF, 134}, {0x31C0, 0x31EF, 136},
        {0x31F0, 0x31FF, 128}, {0x3400, 0x34FF, 136}, {0x4F00, 0x4FFF, 136},
        {0xAC00, 0xD7AF, 129}, {0xFB00, 0xFB4F, 177}, {0xFF65, 0xFF9F, 128},
        {0xFFA0, 0xFFDC, 129},
    };
    for (const TRange& R : Ranges)
        if (U >= R.First && U <= R.Last)
            return R.Charset;
    return 1;
}

constexpr int CounterCap = 4096;
constexpr int DefaultScanLimit = 65536;
constexpr std::size_t ChineseTestLimit = 262144;

}  // namespace

std::string DialogFontName = InitialDialogFontName();
int GFontAnsiCodePage = 0;

int FontAnsiCodePageValue()
{
    return GFontAnsiCodePage != 0 ? GFontAnsiCodePage : static_cast<int>(GetACP());
}

int FontCharsetToCodePage(int Charset)
{
    switch (Charset) {
    case 0: return 1252;
    case 1: return 0;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return 850;
    default: return -1;
    }
}

std::uint8_t CodePageToFontCharset(int CodePage)
{
    const int Charset = RawCodePageToFontCharset(CodePage);
    if (FontCharsetToCodePage(Charset) == FontAnsiCodePageValue())
        return 1;
    return static_cast<std::uint8_t>(Charset);
}

// Counts the units of each script; a unit that two character sets share
// counts apart from the single ones and is ranked only when at most one set
// was seen on its own, so shared letters cannot outvote two clear scripts.
std::uint8_t CharsetOfWideText(const std::wstring& Wide, int Limit)
{
    if (Wide.empty())
        return 1;
    std::size_t N = Wide.size();
    const std::size_t Max = Limit < 0 ? DefaultScanLimit : static_cast<std::size_t>(Limit);
    if (Limit != 0 && N > Max)
        N = Max;

    std::array<int, 256> Single{};
    std::array<int, 256> Shared{};
    const auto& Latin = LatinTable();
    for (std::size_t I = 0; I < N; ++I) {
        const unsigned U = static_cast<std::uint16_t>(Wide[I]);
        if (U < 0x80)
            continue;
        if (U >= 0x0100 && U <= 0x01B0) {
            const TLatinClass& C = Latin[U - 0x0100];
            if (C.A == 0)
                continue;
            if (C.B == 0) {
                if (++Single[C.A] > CounterCap)
                    break;
            } else {
                ++Shared[C.A];
                if (++Shared[C.B] > CounterCap || Shared[C.A] > CounterCap)
                    break;
            }
            continue;
        }
        const int Cs = ScriptCharset(U);
        if (Cs != 1 && ++Single[static_cast<std::size_t>(Cs)] > CounterCap)
            break;
    }

    int Alone = 0;
    for (int C : Single)
        if (C > 0)
            ++Alone;
    const bool RankShared = Alone <= 1;
    int Best = 1;
    int BestCount = 0;
    int BestSingle = 0;
    for (int Cs = 0; Cs < 256; ++Cs) {
        const int S = Single[static_cast<std::size_t>(Cs)];
        const int Count = S + (RankShared ? Shared[static_cast<std::size_t>(Cs)] : 0);
        if (Count == 0)
            continue;
        // ANSI (0) is met first and yields to any script's set on equal
        // counts; between scripts the one seen alone more often wins.
        const bool Better = Count > BestCount ||
                            (Count == BestCount && (Best == 0 || S > BestSingle));
        if (Better) {
            Best = Cs;
            BestCount = Count;
            BestSingle = S;
        }
    }

    if (Best == 134 || Best == 136) {
        const int Acp = FontAnsiCodePageValue();
        if (Best != RawCodePageToFontCharset(Acp)) {
            if (Acp == 936)
                return 134;
            if (Acp == 950)
                return 136;
            bool Lossless = false;
            WideToCodePageEx(Wide.substr(0, ChineseTestLimit), Lossless, 950);
            return Lossless ? 136 : 134;
        }
    }
    return static_cast<std::uint8_t>(Best);
}

int CodePageOfWideText(const std::wstring& Wide)
{
    return FontCharsetToCodePage(CharsetOfWideText(Wide, -1));
}

int CodePageOfText(const std::string& Text)
{
    return CodePageOfWideText(DefaultAnsiToWide(Text));
}

void InstallCodePageChooser()
{
    GCodePageChooser = &CodePageOfWideText;
}

namespace {
const bool ChooserInstalled = (InstallCodePageChooser(), true);
}

bool WideToCharsetText(const std::wstring& Wide, std::string& Text, std::uint8_t& Charset)
{
    Charset = CharsetOfWideText(Wide, -1);
    bool Lossless = false;
    Text = WideToCodePageEx(Wide, Lossless, FontCharsetToCodePage(Charset));
    return Lossless;
}

bool Utf8ToCharsetText(std::string& Text, std::uint8_t& Charset)
{
    Charset = 1;
    if (Text.empty())
        return true;
    const std::wstring Wide = AnsiToWideStr(Text, CP_UTF8);
    if (Wide.empty())
        return false;
    return WideToCharsetText(Wide, Text, Charset);
}

bool ConvertToCharset(std::string& Text, std::uint8_t& Charset, int CodePage)
{
    if (Text.empty() || (CodePage >= -3 && CodePage <= 0)) {
        Charset = 1;
        return true;
    }
    const int W = WindowsCodePageOf(CodePage);
    if (!CodePagesCompatible(CodePage, W)) {
        const std::wstring Wide = AnsiToWideStr(Text, CodePage);
        if (Wide.empty()) {
            Charset = 1;
            return false;
        }
        const bool Result = WideToCharsetText(Wide, Text, Charset);
        if (Charset == 1)
            Charset = CodePageToFontCharset(W);
        return Result;
    }
    if (W == CP_UTF8)
        return Utf8ToCharsetText(Text, Charset);
    Charset = CodePageToFontCharset(W);
    return true;
}

bool ConvertToCharsetCodePage(std::string& Text, int& CodePage)
{
    std::uint8_t Charset = 1;
    const bool Result = ConvertToCharset(Text, Charset, CodePage);
    CodePage = FontCharsetToCodePage(Charset);
    return Result;
}
