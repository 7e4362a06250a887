#include "foundation/KvSearch.h"

#include "foundation/KvStrings.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

unsigned char GCharTableIdentity[256];
unsigned char GCharTableLower[256];
unsigned char GCharTableUpper[256];
unsigned char GCharTableSwap[256];
unsigned char GCharTableCased[256];
unsigned char GCharTableHex[256];
unsigned char GCharTableIdent[256];
TCharSet GWordDelimiters;
TCharSet GBlankChars;

void InitCharTables()
{
    for (int i = 0; i < 256; ++i) {
        const auto c = static_cast<unsigned char>(i);
        char lower = static_cast<char>(c), upper = static_cast<char>(c);
        if (c) {
            CharLowerBuffA(&lower, 1);
            CharUpperBuffA(&upper, 1);
        }
        GCharTableIdentity[i] = c;
        GCharTableLower[i] = static_cast<unsigned char>(lower);
        GCharTableUpper[i] = static_cast<unsigned char>(upper);
        const bool isLower = c && IsCharLowerA(static_cast<char>(c));
        GCharTableSwap[i] = static_cast<unsigned char>(isLower ? upper : lower);
        GCharTableCased[i] = lower != upper ? c : 0;
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        GCharTableHex[i] = hex ? c : 0;
        GCharTableIdent[i] = (GCharTableCased[i] || c == '_' || (c >= '0' && c <= '9')) ? c : 0;
    }

    TCharSet delims;
    delims.AddRange(8, 14).AddRange(32, 34).AddRange(37, 47).AddRange(58, 64).AddRange(91, 94);
    delims.Add(96).AddRange(123, 125);
    // Windows-1252 punctuation that ends words in mail text whatever the code page.
    for (unsigned char c : {128, 133, 139, 145, 146, 147, 148, 150, 151, 153, 155, 163, 166, 167, 169,
                            171, 174, 182, 183, 187})
        delims.Add(static_cast<char>(c));
    TCharSet blanks("\t ");
    // The no-break space is a letter in some code pages.
    if (!IsCharAlphaNumericA(static_cast<char>(160))) {
        delims.Add(static_cast<char>(160));
        blanks.Add(static_cast<char>(160));
    }
    // Multiplication and division signs; letters in the other code pages.
    switch (GetACP()) {
    case 1250: case 1252: case 1254: case 1256: case 1257:
        delims.Add(static_cast<char>(215)).Add(static_cast<char>(247));
        break;
    default:
        break;
    }
    GWordDelimiters = delims;
    GBlankChars = blanks;
}

namespace {

// Sixteen bytes at a time where the processor has SSE2 (every one that runs
// a current Windows); the build itself targets plain i686.
__attribute__((target("sse2"))) const char* FindByteSse2(const char* P, std::size_t Count, unsigned char C)
{
    const char* end = P + Count;
    const __m128i needle = _mm_set1_epi8(static_cast<char>(C));
    while (end - P >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
        const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(block, needle));
        if (hits != 0)
            return P + __builtin_ctz(static_cast<unsigned>(hits));
        P += 16;
    }
    for (; P < end; ++P)
        if (static_cast<unsigned char>(*P) == C)
            return P;
    return nullptr;
}

bool IsBreakOrNul(char C)
{
    return C == '\n' || C == '\r' || C == '\0';
}

__attribute__((target("sse2"))) const char* FindBreakThenSse2(const char* P, std::size_t Count, unsigned char Next)
{
    const char* end = P + Count;
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    const __m128i next = _mm_set1_epi8(static_cast<char>(Next));
    while (end - P >= 17) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + 1));
        const __m128i breaks =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(a, lf), _mm_cmpeq_epi8(a, cr)), _mm_cmpeq_epi8(a, zero));
        const int hits = _mm_movemask_epi8(_mm_and_si128(breaks, _mm_cmpeq_epi8(b, next)));
        if (hits != 0)
            return P + __builtin_ctz(static_cast<unsigned>(hits));
        P += 16;
    }
    for (; P + 1 < end; ++P)
        if (IsBreakOrNul(*P) && static_cast<unsigned char>(P[1]) == Next)
            return P;
    return nullptr;
}

}  // namespace

const char* FindBreakThen(const char* P, std::size_t Count, unsigned char Next)
{
    static const bool sse2 = __builtin_cpu_supports("sse2");
    if (sse2)
        return FindBreakThenSse2(P, Count, Next);
    for (const char* end = P + Count; P + 1 < end; ++P)
        if (IsBreakOrNul(*P) && static_cast<unsigned char>(P[1]) == Next)
            return P;
    return nullptr;
}

const char* FindByte(const char* P, std::size_t Count, unsigned char C)
{
    static const bool sse2 = __builtin_cpu_supports("sse2");
    if (sse2)
        return FindByteSse2(P, Count, C);
    return static_cast<const char*>(std::memchr(P, C, Count));
}

namespace {

// How common a byte is in mail text, higher for more common: blanks, line
// breaks and lower-case letters of running text, the signs of quoted-
// printable and base64 bodies; capitals and other signs count as rare.
int Commonness(unsigned char C)
{
    static const char order[] = "zqjxkvbpygfwmucldrhsnioate \n";
    if (const char* at = std::strchr(order, C); at && C)
        return 100 + static_cast<int>(at - order);
    if (C == '\r' || C == '=' || C == '/' || C == '+' || C == '.' || C == ',' || C == '-')
        return 90;
    if (C >= '0' && C <= '9')
        return 80;
    return (C >= 'A' && C <= 'Z') ? 50 : 0;
}

}  // namespace

int ScanAnchor(const unsigned char* Table, const std::string& Pattern, unsigned char& Byte)
{
    // How many bytes map to each value, and the last of them.
    unsigned char count[256] = {}, preimage[256] = {};
    for (int b = 0; b < 256; ++b) {
        const unsigned char v = Table[b];
        if (count[v] < 2)
            ++count[v];
        preimage[v] = static_cast<unsigned char>(b);
    }
    int best = -1, bestCommonness = 0;
    for (std::size_t k = 0; k < Pattern.size(); ++k) {
        const unsigned char v = static_cast<unsigned char>(Pattern[k]);
        if (count[v] != 1)
            continue;
        const int only = preimage[v];
        const int commonness = Commonness(static_cast<unsigned char>(only));
        if (best < 0 || commonness < bestCommonness) {
            best = static_cast<int>(k);
            bestCommonness = commonness;
            Byte = static_cast<unsigned char>(only);
        }
    }
    return best;
}

namespace {

// Built ahead of ordinary start-up code, so that tables that other units
// fill at start-up with these routines never see empty character tables.
struct TCharTablesInit {
    TCharTablesInit() { InitCharTables(); }
};
TCharTablesInit CharTablesInit __attribute__((init_priority(200)));

inline bool IsDelim(char c)
{
    return GWordDelimiters.Contains(c);
}

inline unsigned char Map(const unsigned char* Table, char c)
{
    return Table[static_cast<unsigned char>(c)];
}

// Case-insensitive search of the zero-terminated Sub in the zero-terminated
// Str, from the 0-based From; -1 when absent.
int StrIPosFrom(const char* Str, int StrLen, const char* Sub, int SubLen, int From)
{
    for (int p = From; p + SubLen <= StrLen; ++p) {
        int k = 0;
        while (k < SubLen && Map(GCharTableLower, Str[p + k]) == Map(GCharTableLower, Sub[k]))
            ++k;
        if (k == SubLen)
            return p;
    }
    return -1;
}

int ZeroTerminatedLength(const std::string& S)
{
    const auto n = S.find('\0');
    return static_cast<int>(n == std::string::npos ? S.size() : n);
}

// The 1-based Start of the front ends as a 0-based one: -1 for the whole
// text, -2 for "nothing to search" (backwards from 0).
int BufferStart(int Start, TSearchOptions Options)
{
    if (Start == 0 && (Options & srBackwards))
        return -2;
    return Start <= 1 ? -1 : Start - 1;
}

} // namespace

int SearchBuffer(const char* Buffer, int Length, const std::string& Pattern, std::vector<int>* PosList,
                 TSearchOptions Options, int Start)
{
    const bool collect = PosList || (Options & (srAllMatches | srCountMatches));
    if (PosList)
        PosList->clear();
    const int none = collect ? 0 : -1;
    const int plen = static_cast<int>(Pattern.size());
    const bool back = Options & srBackwards;
    if (!Buffer || Length <= 0 || plen == 0 || Start < -1 || Start >= Length)
        return none;
    // Backwards, a match begins at or before Start and may run on past it.
    const int room = (Start == -1 || back) ? Length : Length - Start;
    if (plen > room)
        return none;

    const unsigned char* table = (Options & srMatchCase) ? GCharTableIdentity : GCharTableUpper;
    std::string pat(Pattern);
    for (char& c : pat)
        c = static_cast<char>(Map(table, c));

    bool wholeWord = Options & srWholeWord;
    if (wholeWord && IsDelim(Pattern.front()) && IsDelim(Pattern.back()))
        wholeWord = false;
    // Matches can only begin where a word begins, so the search hops from
    // word start to word start. A pattern that brings its own delimiter at
    // one end needs no test at that end; backwards searches test the same
    // ends as forward ones.
    const bool wordStarts = wholeWord && !IsDelim(Pattern.front());
    const bool endTest = wholeWord && !IsDelim(Pattern.back());

    auto isWordStart = [&](int p) { return p == 0 || IsDelim(Buffer[p - 1]); };
    // The next candidate at or after p (forwards) or at or before p (backwards).
    auto settle = [&](int p) {
        if (!wordStarts)
            return p;
        if (back) {
            while (p >= 0 && (IsDelim(Buffer[p]) || !isWordStart(p)))
                --p;
        } else {
            while (p < Length && (IsDelim(Buffer[p]) || !isWordStart(p)))
                ++p;
        }
        return p;
    };

    int p = Start == -1 ? (back ? Length - 1 : 0) : Start;
    // A forward search from a given offset may begin a word there: callers
    // search on from where they stopped, past what came before.
    if (back || Start == -1)
        p = settle(p);
    int count = 0;
    const unsigned char first = static_cast<unsigned char>(pat[0]);
    // A first character that only one byte maps to (a line break, a digit,
    // a sign) lets memchr skip to the candidates of a plain forward search.
    // A plain forward search over a long text looks for the pattern's rarest
    // byte that a single text byte stands for, a word at a time, and tries a
    // match only where it stands.
    unsigned char anchorByte = 0;
    const int anchor = !back && !wordStarts && Length - p > 256
                           ? ScanAnchor(table, pat, anchorByte) : -1;
    while (back ? p >= 0 : p < Length) {
        if (anchor >= 0) {
            if (p + plen > Length)
                break;
            const char* q = FindByte(Buffer + p + anchor, static_cast<size_t>(Length - plen - p + 1), anchorByte);
            if (!q)
                break;
            p = static_cast<int>(q - Buffer) - anchor;
        }
        bool matched = false;
        if (p + plen <= Length && Map(table, Buffer[p]) == first) {
            int k = 1;
            while (k < plen && Map(table, Buffer[p + k]) == static_cast<unsigned char>(pat[k]))
                ++k;
            matched = k == plen;
        }
        if (matched) {
            const int after = p + plen;
            if (!endTest || after == Length || Buffer[after] == '\0' || IsDelim(Buffer[after])) {
                if (!collect)
                    return p;
                ++count;
                if (PosList)
                    PosList->push_back(p);
            }
            p = settle(back ? p - plen : p + plen);
        } else {
            p = settle(back ? p - 1 : p + 1);
        }
    }
    return collect ? count : -1;
}

int SearchText(const std::string& S, const std::string& SubStr, int Start, std::vector<int>* PosList,
               TSearchOptions Options)
{
    const int from = BufferStart(Start, Options);
    const bool collect = PosList || (Options & (srAllMatches | srCountMatches));
    if (from == -2) {
        if (PosList)
            PosList->clear();
        return 0;
    }
    const int r = SearchBuffer(S.data(), static_cast<int>(S.size()), SubStr, PosList, Options, from);
    if (collect) {
        if (PosList)
            for (int& p : *PosList)
                ++p;
        return r;
    }
    return r + 1;
}

int PosTextWord(const std::string& SubStr, const std::string& S, int Start, bool WholeWord)
{
    return SearchText(S, SubStr, Start, nullptr, WholeWord ? TSearchOptions(srWholeWord) : 0u);
}

int PosTextFrom(const std::string& SubStr, const std::string& S, int Start)
{
    if (Start < 1)
        Start = 1;
    const int subLen = ZeroTerminatedLength(SubStr);
    const int len = ZeroTerminatedLength(S);
    if (subLen == 0 || Start > len)
        return 0;
    return StrIPosFrom(S.data(), len, SubStr.data(), subLen, Start - 1) + 1;
}

bool IsWholeWordAt(const std::string& S, int Pos, int Len)
{
    const int n = static_cast<int>(S.size());
    if (Len < 1 || Pos < 1 || Pos - 1 + Len > n)
        return false;
    const int last = Pos + Len - 1;  // 1-based position of the match's last character
    const bool startOk = Pos == 1 || IsDelim(S[Pos - 2]) || IsDelim(S[Pos - 1]);
    const bool endOk = last == n || IsDelim(S[last]) || IsDelim(S[last - 1]);
    return startOk && endOk;
}

int FindSubStr(const std::string& S, const std::string& SubStr, TSearchOptions Options, int Start)
{
    const int len = static_cast<int>(SubStr.size());
    if (Start < 1)
        Start = 1;
    for (;;) {
        const int p = (Options & srMatchCase) ? PosFrom(SubStr, S, Start) : PosTextFrom(SubStr, S, Start);
        if (p == 0 || !(Options & srWholeWord) || IsWholeWordAt(S, p, len))
            return p;
        // Goes on at the match's last character, which may begin the next
        // word; a one-character pattern must still move on.
        Start = p + std::max(1, len - 1);
    }
}

// ---------------------------------------------------------------------------
// Case
// ---------------------------------------------------------------------------

std::string TableLowerCase(const std::string& S)
{
    std::string r(S);
    TableLowerCaseInPlace(r);
    return r;
}

void TableLowerCaseInPlace(std::string& S)
{
    for (char& c : S)
        c = static_cast<char>(Map(GCharTableLower, c));
}

void TableUpperCaseInPlace(std::string& S)
{
    for (char& c : S)
        c = static_cast<char>(Map(GCharTableUpper, c));
}

int CharCaseOf(char Ch)
{
    if (!Map(GCharTableCased, Ch))
        return 0;
    return Map(GCharTableUpper, Ch) == static_cast<unsigned char>(Ch) ? 2 : 1;
}

int CaseKindOf(const std::string& S)
{
    if (S.empty())
        return 0;
    bool hasUpper = false, hasLower = false, laterUpper = false;
    for (size_t i = 0; i < S.size(); ++i) {
        const int k = CharCaseOf(S[i]);
        if (k == 2) {
            hasUpper = true;
            if (i > 0)
                laterUpper = true;
        } else if (k == 1) {
            hasLower = true;
        }
    }
    if (CharCaseOf(S[0]) == 2 && !laterUpper)
        return 3;
    if (hasUpper && hasLower)
        return 4;
    return hasLower ? 1 : 2;
}

namespace {

void TitleCaseInPlace(std::string& S)
{
    bool wordStart = true;
    for (char& c : S) {
        if (Map(GCharTableCased, c)) {
            c = static_cast<char>(Map(wordStart ? GCharTableUpper : GCharTableLower, c));
            wordStart = false;
        } else if (c == '\'') {
            // "don't" stays lower after the apostrophe; "'tis" starts a word.
        } else {
            wordStart = IsDelim(c) || c == '$' || c == '_';
        }
    }
}

} // namespace

void ApplyCaseOf(std::string& S, const std::string& Pattern, bool TitleCase)
{
    switch (CaseKindOf(Pattern)) {
    case 1:
        TableLowerCaseInPlace(S);
        break;
    case 2:
        TableUpperCaseInPlace(S);
        break;
    case 3:
        if (TitleCase) {
            TitleCaseInPlace(S);
        } else {
            TableLowerCaseInPlace(S);
            if (!S.empty())
                S[0] = static_cast<char>(Map(GCharTableUpper, S[0]));
        }
        break;
    case 4: {
        const size_t n = std::min(S.size(), Pattern.size());
        for (size_t i = 0; i < n; ++i) {
            const int k = CharCaseOf(Pattern[i]);
            if (k)
                S[i] = static_cast<char>(Map(k == 2 ? GCharTableUpper : GCharTableLower, S[i]));
        }
        break;
    }
    default:
        break;
    }
}

std::string MatchCaseOf(const std::string& S, const std::string& Pattern, bool TitleCase)
{
    std::string r(S);
    ApplyCaseOf(r, Pattern, TitleCase);
    return r;
}

// ---------------------------------------------------------------------------
// Replace
// ---------------------------------------------------------------------------

namespace {

// Rebuilds Text with NewPattern in place of the OldLen bytes at each of the
// ascending 0-based Positions.
std::string Rebuild(const std::string& Text, const std::vector<int>& Positions, int OldLen,
                    const std::string& NewPattern, bool KeepCase, bool TitleCase)
{
    std::string r;
    r.reserve(Text.size() + Positions.size() * NewPattern.size());
    size_t from = 0;
    for (int p : Positions) {
        r.append(Text, from, static_cast<size_t>(p) - from);
        if (KeepCase)
            r += MatchCaseOf(NewPattern, Text.substr(static_cast<size_t>(p), OldLen), TitleCase);
        else
            r += NewPattern;
        from = static_cast<size_t>(p) + OldLen;
    }
    r.append(Text, from, std::string::npos);
    return r;
}

} // namespace

int ReplaceInBuffer(std::string& Buffer, const std::string& OldPattern, const std::string& NewPattern,
                    int Start, TSearchOptions Options)
{
    std::vector<int> positions;
    const int count = SearchBuffer(Buffer.data(), static_cast<int>(Buffer.size()), OldPattern, &positions,
                                   Options, Start);
    if (count <= 0)
        return 0;
    std::sort(positions.begin(), positions.end());
    Buffer = Rebuild(Buffer, positions, static_cast<int>(OldPattern.size()), NewPattern,
                     Options & srKeepCase, Options & srWholeWord);
    return count;
}

int ReplaceInStr(std::string& S, const std::string& OldPattern, const std::string& NewPattern,
                 TSearchOptions Options, int Start)
{
    const int from = BufferStart(Start, Options);
    if (from == -2)
        return 0;
    return ReplaceInBuffer(S, OldPattern, NewPattern, from, Options);
}

bool ReplaceAllInStr(std::string& S, const std::string& OldPattern, const std::string& NewPattern, int Start,
                     int& Count, TSearchOptions Options)
{
    Count = 0;
    const int oldLen = static_cast<int>(OldPattern.size());
    if (oldLen == 0)
        return false;
    std::vector<int> positions;
    const TSearchOptions findOptions = Options & (srWholeWord | srMatchCase);
    for (int p = FindSubStr(S, OldPattern, findOptions, Start); p > 0;
         p = FindSubStr(S, OldPattern, findOptions, p + oldLen))
        positions.push_back(p - 1);
    Count = static_cast<int>(positions.size());
    if (Count == 0)
        return false;
    S = Rebuild(S, positions, oldLen, NewPattern, Options & srKeepCase, Options & srWholeWord);
    return true;
}

bool ReplaceAllStr(const std::string& S, const std::string& OldPattern, const std::string& NewPattern,
                   std::string& R, int Start, TSearchOptions Options, int* Count)
{
    R = S;
    int n = 0;
    const bool r = ReplaceAllInStr(R, OldPattern, NewPattern, Start, n, Options);
    if (Count)
        *Count = n;
    return r;
}
