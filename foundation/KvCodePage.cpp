#include "foundation/KvCodePage.h"

#include <windows.h>

#include "classlib/SysUtils.h"

namespace {

struct TCharsetName {
    int CodePage;
    const char* Name;
};

// Code pages outside the windows-125x, iso-8859 and Unicode families.
const TCharsetName CharsetNames[] = {
    {874, "windows-874"},         {932, "iso-2022-jp"},
    {50220, "iso-2022-jp"},       {50222, "iso-2022-jp"},
    {936, "gb2312"},              {949, "ks_c_5601-1987"},
    {950, "big5"},                {1201, "unicodeFFFE"},
    {1361, "Johab"},              {10000, "macintosh"},
    {10001, "x-mac-japanese"},    {10002, "x-mac-chinesetrad"},
    {10003, "x-mac-korean"},      {10004, "x-mac-arabic"},
    {10005, "x-mac-hebrew"},      {10006, "x-mac-greek"},
    {10007, "x-mac-cyrillic"},    {10008, "x-mac-chinesesimp"},
    {10010, "x-mac-romanian"},    {10017, "x-mac-ukrainian"},
    {10021, "x-mac-thai"},        {10029, "x-mac-ce"},
    {10079, "x-mac-icelandic"},   {10081, "x-mac-turkish"},
    {10082, "x-mac-croatian"},    {12000, "utf-32"},
    {12001, "utf-32BE"},          {20866, "koi8-r"},
    {20932, "euc-jp"},            {51932, "euc-jp"},
    {21866, "koi8-u"},            {29001, "x-europa"},
    {38598, "iso-8859-8-i"},      {50221, "csISO2022JP"},
    {50225, "iso-2022-kr"},       {50227, "x-cp50227"},
    {51936, "euc-cn"},            {51949, "euc-kr"},
    {52936, "hz-gb-2312"},        {54936, "gb18030"},
    {65000, "utf-7"},
};

struct TNameCodePage {
    const char* Name;
    int CodePage;
};

// Whole names that map straight to a code page.
const TNameCodePage PlainNames[] = {
    {"ascii", 1252},        {"big5", 950},
    {"csiso2022jp", 50221}, {"default", 0},
    {"gb2312", 936},        {"hz-gb-2312", 52936},
    {"johab", 1361},        {"ms_kanji", 932},
    {"system", 0},          {"western", 1252},
    {"us-ascii", 20127},    {"unicode", 1200},
    {"unicode-1-1", 1200},  {"unicode-1-1-utf-7", 65000},
    {"ks_c_5601-1987", 949},
};

bool StartsWith(const std::string& S, const char* Prefix)
{
    return S.rfind(Prefix, 0) == 0;
}

bool IsAllDigits(const std::string& S)
{
    if (S.empty())
        return false;
    for (char c : S)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The decimal number that S holds, or -1 when S is no (small) number.
int SmallNumber(const std::string& S)
{
    if (!IsAllDigits(S) || S.size() > 6)
        return -1;
    return std::stoi(S);
}

int IsoRule(const std::string& Name)
{
    if (Name.size() < 9)
        return -1;
    std::string rest = Name.substr(3);
    if (!rest.empty() && (rest[0] == '-' || rest[0] == '_'))
        rest.erase(0, 1);
    const std::size_t dash = rest.find('-');
    const std::string number = rest.substr(0, dash);
    const std::string tail = dash == std::string::npos ? std::string() : rest.substr(dash + 1);
    if (number == "8859") {
        if (tail == "8-i")
            return 38598;
        switch (SmallNumber(tail)) {
        case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9:
            return 28590 + SmallNumber(tail);
        case 10: return 1257;
        case 11: return 874;
        case 13: return 28603;
        case 14: return 1252;
        case 15: return 28605;
        case 16: return 1250;
        default: return -1;
        }
    }
    if (number == "2022") {
        if (tail == "jp")
            return 50220;
        if (tail == "kr")
            return 50225;
    }
    return -1;
}

int LatinRule(const std::string& Name)
{
    std::string rest = Name.substr(5);
    if (!rest.empty() && (rest[0] == '-' || rest[0] == ' '))
        rest.erase(0, 1);
    switch (SmallNumber(rest)) {
    case 1: case 8: return 1252;
    case 2: case 10: return 1250;
    case 3: return 28593;
    case 4: case 6: case 7: return 1257;
    case 5: return 1254;
    case 9: return 28605;
    default: return -1;
    }
}

int UtfRule(const std::string& Name)
{
    std::string rest = Name.substr(4);
    const bool cut = !rest.empty() && rest.back() == 'b';
    if (cut)
        rest.pop_back();
    switch (SmallNumber(rest)) {
    case 7: return 65000;
    // A trailing "b" marks a byte-order variant that callers must tell apart
    // from plain UTF-8.
    case 8: return cut ? -65001 : 65001;
    case 16: return 1200;
    case 32: return 12000;
    default: return -1;
    }
}

}  // namespace

std::string CodePageToCharset(int CodePage)
{
    if (CodePage < 37)
        return std::string();
    if (CodePage >= 1250 && CodePage <= 1258)
        return "windows-" + std::to_string(CodePage);
    if (CodePage >= 28591 && CodePage <= 28605)
        return "iso-8859-" + std::to_string(CodePage - 28590);
    switch (CodePage) {
    case 20127: return "us-ascii";
    case 65001: return "utf-8";
    case 1200: return "utf-16";
    }
    for (const TCharsetName& n : CharsetNames)
        if (n.CodePage == CodePage)
            return n.Name;
    return std::string();
}

std::string CharsetOfBytes(int CodePage)
{
    constexpr int ShiftJis = 932;
    return CodePage == ShiftJis ? "shift_jis" : CodePageToCharset(CodePage);
}

int CharsetToCodePage(const std::string& Name)
{
    if (IsAllDigits(Name))
        return StrToInt(Name);
    if (Name.size() < 4 || Name[0] < 'a' || Name[0] > 'w')
        return -1;
    for (const TNameCodePage& n : PlainNames)
        if (Name == n.Name)
            return n.CodePage;
    if (StartsWith(Name, "euc-")) {
        const std::string two = Name.substr(4, 2);
        if (two == "jp")
            return 51932;
        if (two == "kr")
            return 51949;
        return -1;
    }
    if (StartsWith(Name, "koi8")) {
        if (Name == "koi8-r")
            return 20866;
        if (Name == "koi8-u")
            return 21866;
        if (Name.size() == 6 && Name[4] == '-')
            return -1;
        return 1251;
    }
    if (StartsWith(Name, "shift"))
        return 932;
    if (StartsWith(Name, "windows-")) {
        const std::string number = Name.substr(8);
        if (!IsAllDigits(number) || number.size() > 9)
            return -1;
        return std::stoi(number);
    }
    if (StartsWith(Name, "iso"))
        return IsoRule(Name);
    if (StartsWith(Name, "latin"))
        return LatinRule(Name);
    if (StartsWith(Name, "utf-"))
        return UtfRule(Name);
    return -1;
}

int WindowsCodePageOf(int CodePage)
{
    switch (CodePage) {
    case 28591: case 28605: case 29001: case 20127:
        return 1252;
    case 28592:
        return 1250;
    case 28593: case 28599:
        return 1254;
    case 28594: case 28603:
        return 1257;
    case 28595: case 20866: case 21866:
        return 1251;
    case 28596:
        return 1256;
    case 28597:
        return 1253;
    case 28598: case 38598:
        return 1255;
    case 20932: case 50220: case 50221: case 50222: case 51932:
        return 932;
    case 50225: case 51949:
        return 949;
    case 50227: case 51936: case 52936:
        return 936;
    case 20000: case 20002:
        return 950;
    default:
        return CodePage;
    }
}

bool IsLatin1CodePage(int CodePage)
{
    if (CodePage == 0 || CodePage == -1)
        CodePage = static_cast<int>(GetACP());
    return CodePage == 1252 || CodePage == 28591 || CodePage == 20127;
}

namespace {
// Code pages whose texts read the same for mail purposes.
int CompatibleGroup(int CodePage)
{
    switch (CodePage) {
    case 1252: case 28591: case 28605: return 1;
    case 1253: case 28597: return 2;
    case 1254: case 28599: return 3;
    case 1255: case 28598: return 4;
    case 1257: case 28603: return 5;
    default: return 0;
    }
}
}  // namespace

bool CodePagesCompatible(int A, int B)
{
    if (A == B)
        return true;
    if (A == 0)
        A = static_cast<int>(GetACP());
    else if (B == 0)
        B = static_cast<int>(GetACP());
    if (A == B)
        return true;
    const int group = CompatibleGroup(A);
    return group != 0 && group == CompatibleGroup(B);
}

bool IsSupportedCodePage(int CodePage)
{
    switch (CodePage) {
    case 0: case 850: case 874: case 932: case 936: case 949: case 950:
    case 1361: case 10000: case 20127: case 28603: case 28605: case 29001: case 38598:
        return true;
    default:
        return (CodePage >= 1250 && CodePage <= 1258) || (CodePage >= 28591 && CodePage <= 28599);
    }
}
