#include "foundation/KvStrings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "classlib/SysUtils.h"

namespace KvStrings {

TStringObj::TStringObj(const std::string& Text, std::int32_t AData) : Data(AData)
{
    SetText(Text);
}

TStringObj::~TStringObj() = default;

std::string TStringObj::GetText() const
{
    if (!FText || FSize == 0)
        return std::string();
    return std::string(FText.get(), FSize - 1);
}

void TStringObj::SetText(const std::string& Text)
{
    FText.reset();
    FSize = 0;
    if (Text.empty())
        return;
    FText = std::make_unique<char[]>(Text.size() + 1);
    std::memcpy(FText.get(), Text.data(), Text.size());
    FText[Text.size()] = '\0';
    FSize = Text.size() + 1;
}

}  // namespace KvStrings

namespace {

int Len(const std::string& S)
{
    return static_cast<int>(S.size());
}

std::string DequoteDoubledChar(const std::string& S, char Quote)
{
    if (S.size() < 2 || S.front() != Quote || S.back() != Quote)
        return S;
    std::string r;
    r.reserve(S.size() - 2);
    for (std::size_t i = 1; i + 1 < S.size(); ++i) {
        r += S[i];
        if (S[i] == Quote && i + 2 < S.size() && S[i + 1] == Quote)
            ++i;
    }
    return r;
}

bool IsBlankOrControl(char Ch)
{
    const unsigned char b = static_cast<unsigned char>(Ch);
    return b <= 32 || b == 160;
}

}  // namespace

// ---------------------------------------------------------------------------
// Positions and searches
// ---------------------------------------------------------------------------

int CharPosFrom(char Ch, const std::string& S, int Start)
{
    if (Start < 1)
        Start = 1;
    if (Start > Len(S))
        return 0;
    const std::size_t p = S.find(Ch, static_cast<std::size_t>(Start - 1));
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

int CharPosBetween(char Ch, const std::string& S, int Last, int First)
{
    if (Last > Len(S))
        Last = Len(S);
    if (First < 1)
        First = 1;
    for (int i = First; i <= Last; ++i)
        if (S[i - 1] == Ch)
            return i;
    return 0;
}

int CharSetPosFrom(const TCharSet& Set, const std::string& S, int Start)
{
    if (Start < 1)
        Start = 1;
    for (int i = Start; i <= Len(S); ++i)
        if (Set.Contains(S[i - 1]))
            return i;
    return 0;
}

int LastCharPos(char Ch, const std::string& S, int From)
{
    if (From <= 0 || From > Len(S))
        From = Len(S);
    for (int i = From; i >= 1; --i)
        if (S[i - 1] == Ch)
            return i;
    return 0;
}

int SkipBlanks(const std::string& S, int Start)
{
    if (Start < 1)
        Start = 1;
    for (int i = Start; i <= Len(S); ++i)
        if (!IsBlankOrControl(S[i - 1]))
            return i;
    return -1;
}

char CharFromEnd(const std::string& S, int N)
{
    const int i = Len(S) - 1 - N;
    if (N < 0 || i < 0)
        return '\0';
    return S[i];
}

int CountCharInRange(const std::string& S, char Ch, int Start, int Count)
{
    if (S.empty() || Start < 1 || Count < 0 || Start > Len(S))
        return 0;
    int last = Count == 0 ? Len(S) : Start + Count - 1;
    if (last > Len(S) || last < Start)
        last = Len(S);
    int n = 0;
    for (int i = Start; i <= last; ++i)
        if (S[i - 1] == Ch)
            ++n;
    return n;
}

int PosFrom(const std::string& SubStr, const std::string& S, int Start)
{
    if (SubStr.empty() || S.empty() || Start < 1 || Start > Len(S))
        return 0;
    const std::size_t p = S.find(SubStr, static_cast<std::size_t>(Start - 1));
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

int StrPosFrom(const std::string& S, const std::string& SubStr, int Start)
{
    if (Start < 1)
        Start = 1;
    if (Start > Len(S) || SubStr.empty() || SubStr[0] == '\0')
        return 0;
    const char* base = S.c_str();
    const char* hit = std::strstr(base + Start - 1, SubStr.c_str());
    return hit ? static_cast<int>(hit - base) + 1 : 0;
}

const char* StrLPos(const char* Str, const char* SubStr, int MaxLen)
{
    if (!Str || !SubStr || !*SubStr)
        return nullptr;
    const int subLen = static_cast<int>(std::strlen(SubStr));
    const int lastStart = MaxLen - subLen;  // 0-based
    for (int i = 0; i <= lastStart && Str[i]; ++i)
        if (std::strncmp(Str + i, SubStr, static_cast<std::size_t>(subLen)) == 0)
            return Str + i;
    return nullptr;
}

int PosWithin(const std::string& SubStr, const std::string& S, int Limit, int Start)
{
    if (Start < 1)
        Start = 1;
    if (Start > Len(S) || SubStr.empty())
        return 0;
    if (Limit > Len(S))
        Limit = Len(S);
    const char* base = S.c_str();
    const char* hit = StrLPos(base + Start - 1, SubStr.c_str(), Limit - (Start - 1));
    return hit ? static_cast<int>(hit - base) + 1 : 0;
}

int LastPos(const std::string& SubStr, const std::string& S, int Limit)
{
    if (SubStr.empty() || S.empty())
        return 0;
    if (Limit < 1 || Limit > Len(S))
        Limit = Len(S);
    const int lastStart = Limit - Len(SubStr);
    if (lastStart < 0)
        return 0;
    const std::size_t p = S.rfind(SubStr, static_cast<std::size_t>(lastStart));
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

const char* StrRPosLimited(const char* Str, const char* SubStr, int Limit)
{
    if (!Str || !SubStr || !*SubStr)
        return nullptr;
    int len = static_cast<int>(std::strlen(Str));
    if (Limit >= 1 && Limit < len)
        len = Limit;
    const int subLen = static_cast<int>(std::strlen(SubStr));
    for (int i = len - subLen; i >= 0; --i)
        if (std::strncmp(Str + i, SubStr, static_cast<std::size_t>(subLen)) == 0)
            return Str + i;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Fields
// ---------------------------------------------------------------------------

void NextFieldByStr(const std::string& S, int& Pos, const std::string& Delim,
                    std::string& Field, bool Quotes)
{
    Field.clear();
    if (Pos < 1)
        Pos = 1;
    if (Pos > Len(S))
        return;
    std::size_t from = static_cast<std::size_t>(Pos - 1);
    if (Quotes && (S[from] == '"' || S[from] == '\'')) {
        const std::size_t close = S.find(S[from], from + 1);
        if (close != std::string::npos) {
            // The delimiter is looked for only after the closing quote, so a
            // quoted field may hold the delimiter itself.
            const std::size_t d = Delim.empty() ? std::string::npos : S.find(Delim, close + 1);
            const std::size_t end = d == std::string::npos ? S.size() : d;
            Field = S.substr(from + 1, close - from - 1) + S.substr(close + 1, end - close - 1);
            Pos = d == std::string::npos ? Len(S) + 1 : static_cast<int>(d + Delim.size()) + 1;
            return;
        }
    }
    const std::size_t d = Delim.empty() ? std::string::npos : S.find(Delim, from);
    if (d == std::string::npos) {
        Field = S.substr(from);
        Pos = Len(S) + 1;
        return;
    }
    Field = S.substr(from, d - from);
    Pos = static_cast<int>(d + Delim.size()) + 1;
}

void NextQuotedField(const std::string& S, int& Pos, char Delim, std::string& Field, char Quote)
{
    Field.clear();
    if (Pos < 1)
        Pos = 1;
    if (Pos > Len(S))
        return;
    const std::size_t from = static_cast<std::size_t>(Pos - 1);
    bool inside = false;
    std::size_t i = from;
    for (; i < S.size(); ++i) {
        if (S[i] == Quote)
            inside = !inside;
        else if (S[i] == Delim && !inside)
            break;
    }
    Field = DequoteDoubledChar(S.substr(from, i - from), Quote);
    Pos = i < S.size() ? static_cast<int>(i) + 2 : Len(S) + 1;
}

void NextFieldByChar(const std::string& S, int& Pos, char Delim, std::string& Field, bool Quotes)
{
    if (Quotes && Delim == ',')
        NextQuotedField(S, Pos, Delim, Field, '"');
    else
        NextFieldByStr(S, Pos, std::string(1, Delim), Field, Quotes);
}

std::string CutField(std::string& S, char Delim, bool Quotes)
{
    int pos = 1;
    std::string field;
    NextFieldByChar(S, pos, Delim, field, Quotes);
    S = pos <= Len(S) ? S.substr(static_cast<std::size_t>(pos - 1)) : std::string();
    return field;
}

int CutIntField(std::string& S, int Default, char Delim)
{
    return StrToIntDef(CutField(S, Delim, true), Default);
}

std::string DequoteDoubled(const std::string& S)
{
    return DequoteDoubledChar(S, '"');
}

// ---------------------------------------------------------------------------
// Trimming, deleting, building
// ---------------------------------------------------------------------------

void TrimCharSet(std::string& S, bool TrimLeft, const TCharSet& Set)
{
    std::size_t end = S.size();
    while (end > 0 && Set.Contains(S[end - 1]))
        --end;
    S.erase(end);
    if (TrimLeft)
        TrimLeftCharSet(S, Set);
}

std::string TrimCharSetStr(const std::string& S, bool TrimLeft, const TCharSet& Set)
{
    std::string r = S;
    TrimCharSet(r, TrimLeft, Set);
    return r;
}

void TrimLeftCharSet(std::string& S, const TCharSet& Set)
{
    std::size_t start = 0;
    while (start < S.size() && Set.Contains(S[start]))
        ++start;
    S.erase(0, start);
}

std::string TrimLeftCharSetStr(const std::string& S, const TCharSet& Set)
{
    std::string r = S;
    TrimLeftCharSet(r, Set);
    return r;
}

std::string TrimBlanksAndQuotes(const std::string& S)
{
    static const TCharSet junk = TCharSet::Range(0, 32) + TCharSet("\"\xA0");
    return TrimCharSetStr(S, true, junk);
}

std::string StripEnclosing(const std::string& S, char Open, char Close)
{
    if (S.size() >= 2 && S.front() == Open && S.back() == Close)
        return S.substr(1, S.size() - 2);
    return S;
}

std::string StripEnclosingChar(const std::string& S, char Ch)
{
    return StripEnclosing(S, Ch, Ch);
}

std::string StripDoubleQuotes(const std::string& S)
{
    return StripEnclosingChar(S, '"');
}

std::string StrDelete(const std::string& S, int Index, int Count)
{
    if (Count <= 0 || Index < 1 || Index > Len(S))
        return S;
    std::string r = S;
    r.erase(static_cast<std::size_t>(Index - 1), static_cast<std::size_t>(Count));
    return r;
}

std::string StrDeleteLeft(const std::string& S, int Count)
{
    if (Count <= 0)
        return S;
    return Count >= Len(S) ? std::string() : S.substr(static_cast<std::size_t>(Count));
}

std::string StrDeleteRight(const std::string& S, int Count)
{
    if (Count <= 0)
        return S;
    return Count >= Len(S) ? std::string() : S.substr(0, S.size() - static_cast<std::size_t>(Count));
}

std::string StrRight(const std::string& S, int Count)
{
    if (Count < 1 || S.empty())
        return std::string();
    return Count >= Len(S) ? S : S.substr(S.size() - static_cast<std::size_t>(Count));
}

void CollapseSpacesInPlace(std::string& S)
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < S.size(); ++i) {
        if (S[i] == ' ' && out > 0 && S[out - 1] == ' ')
            continue;
        S[out++] = S[i];
    }
    S.resize(out);
}

std::string CollapseSpaces(const std::string& S)
{
    std::string r = S;
    CollapseSpacesInPlace(r);
    return r;
}

void ReplaceChar(std::string& S, char Old, char New)
{
    for (char& c : S)
        if (c == Old)
            c = New;
}

std::string FillCharStr(int Count, char Ch)
{
    return Count < 1 ? std::string() : std::string(static_cast<std::size_t>(Count), Ch);
}

std::string RepeatChar(char Ch, int Count)
{
    return FillCharStr(Count, Ch);
}

std::string RepeatString(const std::string& S, int Count)
{
    std::string r;
    if (Count < 1 || S.empty())
        return r;
    r.reserve(S.size() * static_cast<std::size_t>(Count));
    for (int i = 0; i < Count; ++i)
        r += S;
    return r;
}

std::string QuoteIfHasChars(const std::string& S, const TCharSet& Set)
{
    for (char c : S)
        if (Set.Contains(c))
            return '"' + S + '"';
    return S;
}

std::string EscapeCaption(const std::string& S)
{
    std::string r;
    r.reserve(S.size());
    for (char c : S) {
        if (c == '&')
            r += "&&";
        else if (c == '\t')
            r += '\xBB';
        else
            r += c;
    }
    return r;
}

std::string IntToStrZeroPad(int Value, int Digits)
{
    if (Digits < 2)
        return std::to_string(Value);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*d", Digits > 40 ? 40 : Digits, Value);
    return buf;
}

// ---------------------------------------------------------------------------
// Classification
// ---------------------------------------------------------------------------

bool IsDigitChar(char Ch)
{
    return Ch >= '0' && Ch <= '9';
}

bool IsAsciiLetter(char Ch)
{
    return (Ch >= 'A' && Ch <= 'Z') || (Ch >= 'a' && Ch <= 'z');
}

bool IsLetterChar(char Ch)
{
    return IsAsciiLetter(Ch);
}

bool IsHexDigitChar(char Ch)
{
    return HexDigitValue(Ch) >= 0;
}

bool IsAllLetters(const std::string& S)
{
    for (char c : S)
        if (!IsAsciiLetter(c))
            return false;
    return true;
}

namespace {
bool NonEmptyAndAll(const std::string& S, BOOL (WINAPI *Test)(CHAR))
{
    if (S.empty())
        return false;
    for (char c : S)
        if (!Test(c))
            return false;
    return true;
}
}  // namespace

bool IsAlphaText(const std::string& S)
{
    return NonEmptyAndAll(S, IsCharAlphaA);
}

bool IsAlphaNumericText(const std::string& S)
{
    return NonEmptyAndAll(S, IsCharAlphaNumericA);
}

bool IsNumberText(const std::string& S, bool AllowDecimal)
{
    // The class library reads and writes numbers with '.' on every machine.
    if (S.empty())
        return false;
    for (char c : S)
        if (!IsDigitChar(c) && !(AllowDecimal && c == '.'))
            return false;
    return true;
}

bool IsHexNumber(const std::string& S)
{
    const std::size_t start = !S.empty() && S[0] == '$' ? 1 : 0;
    if (S.size() <= start)
        return false;
    for (std::size_t i = start; i < S.size(); ++i)
        if (!IsHexDigitChar(S[i]))
            return false;
    return true;
}

bool IsIPv4Address(const std::string& S)
{
    if (S.size() < 7 || S.size() > 15 || S.front() == '.' || S.back() == '.')
        return false;
    int dots = 0;
    int group = 0;
    for (char c : S) {
        if (c == '.') {
            if (group == 0)
                return false;
            ++dots;
            group = 0;
        } else if (IsDigitChar(c)) {
            if (++group > 3)
                return false;
        } else {
            return false;
        }
    }
    return dots == 3;
}

bool IsBlankText(const std::string& S)
{
    for (char c : S) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b > 13 && b != 32 && b != 160)
            return false;
    }
    return true;
}

bool ContainsNulChar(const std::string& S)
{
    return S.find('\0') != std::string::npos;
}

bool ContainsNulByte(const void* Bytes, std::size_t Len)
{
    return Bytes && Len > 0 && std::memchr(Bytes, 0, Len) != nullptr;
}

bool ContainsNulByte(const std::vector<std::uint8_t>& Bytes)
{
    return ContainsNulByte(Bytes.data(), Bytes.size());
}

bool BytesMatchAt(const void* Bytes, std::size_t Len, const std::string& S, std::size_t Offset)
{
    if (S.empty() || !Bytes || Offset > Len || S.size() > Len - Offset)
        return false;
    return std::memcmp(static_cast<const char*>(Bytes) + Offset, S.data(), S.size()) == 0;
}

bool BytesMatchAt(const std::vector<std::uint8_t>& Bytes, const std::string& S, std::size_t Offset)
{
    return BytesMatchAt(Bytes.data(), Bytes.size(), S, Offset);
}

bool SameTextStr(const std::string& A, const std::string& B)
{
    if (A.size() != B.size())
        return false;
    for (std::size_t i = 0; i < A.size(); ++i) {
        char a = A[i], b = B[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a + 32);
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b + 32);
        if (a != b)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Hexadecimal and numbers
// ---------------------------------------------------------------------------

int HexDigitValue(char Ch)
{
    if (Ch >= '0' && Ch <= '9')
        return Ch - '0';
    if (Ch >= 'a' && Ch <= 'f')
        return Ch - 'a' + 10;
    if (Ch >= 'A' && Ch <= 'F')
        return Ch - 'A' + 10;
    return -1;
}

int HexCharValue(char Ch)
{
    const int b = static_cast<unsigned char>(Ch);
    if (b < '0')
        return 0;
    if (b <= '9')
        return b - '0';
    if (b < 96)
        return b - 55;
    return b - 87;
}

bool HexPairToByte(char Hi, char Lo, std::uint8_t& B)
{
    const int h = HexDigitValue(Hi);
    const int l = HexDigitValue(Lo);
    if (h < 0 || l < 0) {
        B = 0;
        return false;
    }
    B = static_cast<std::uint8_t>(h * 16 + l);
    return true;
}

std::string PercentDecode(const std::string& S)
{
    std::string r;
    r.reserve(S.size());
    for (std::size_t i = 0; i < S.size(); ++i) {
        std::uint8_t b = 0;
        if (S[i] == '%' && i + 2 < S.size() && HexPairToByte(S[i + 1], S[i + 2], b)) {
            r += static_cast<char>(b);
            i += 2;
        } else {
            r += S[i];
        }
    }
    return r;
}

std::uint8_t HexToByte(const std::string& S)
{
    if (S.empty())
        return 0;
    if (S.size() == 1)
        return static_cast<std::uint8_t>(HexCharValue(S[0]));
    return static_cast<std::uint8_t>(HexCharValue(S[0]) * 16 + HexCharValue(S[1]));
}

int HexToIntDef(const std::string& S, int Default)
{
    if (!IsHexNumber(S))
        return Default;
    std::uint32_t v = 0;
    int digits = 0;
    for (std::size_t i = S[0] == '$' ? 1 : 0; i < S.size(); ++i) {
        if (digits > 0 || S[i] != '0')
            ++digits;
        // More than 32 bits does not fit an integer.
        if (digits > 8)
            return Default;
        v = v * 16 + static_cast<std::uint32_t>(HexDigitValue(S[i]));
    }
    return static_cast<int>(v);
}

double StrToFloatDefault(const std::string& S, double Default)
{
    double v = 0;
    return TryStrToFloat(S, v) ? v : Default;
}

bool StrToBoolStrict(const std::string& S)
{
    static const char* const falseWords[] = {"0", "NO", "OFF", "FALSE"};
    static const char* const trueWords[] = {"1", "ON", "YES", "TRUE"};
    if (S.empty())
        return false;
    for (const char* w : falseWords)
        if (SameTextStr(S, w))
            return false;
    for (const char* w : trueWords)
        if (SameTextStr(S, w))
            return true;
    throw ERangeError("Range check error");
}

bool StrToBoolDefault(const std::string& S, bool Default)
{
    if (S.empty())
        return Default;
    try {
        return StrToBoolStrict(S);
    } catch (const ERangeError&) {
        return Default;
    }
}
