#include "foundation/KvBoyerMoore.h"

#include "foundation/CRC.h"
#include "foundation/KvSearch.h"

namespace {

void BuildSkipTable(const std::string& Pattern, unsigned char* SkipTable, unsigned char& LastChar)
{
    const auto n = static_cast<unsigned>(Pattern.size());
    for (int i = 0; i < 256; ++i)
        SkipTable[i] = static_cast<unsigned char>(n);
    for (unsigned i = 1; i < n; ++i)
        SkipTable[static_cast<unsigned char>(Pattern[i - 1])] = static_cast<unsigned char>(n - i);
    LastChar = static_cast<unsigned char>(Pattern[n - 1]);
}

bool ValidPattern(const std::string& Pattern)
{
    return !Pattern.empty() && Pattern.size() <= 255;
}

// The Horspool loop shared by both record kinds; Fold maps text bytes
// through the lower-case table. 0-based match position or -1.
int Search(const char* Text, int TextLength, const std::string& Pattern, const unsigned char* SkipTable,
           unsigned char LastChar, bool Fold, int Start, std::uint32_t* Shift)
{
    const int plen = static_cast<int>(Pattern.size());
    if (Start < 0)
        Start = 0;
    if (!Text || plen == 0 || plen > TextLength - Start)
        return -1;
    const unsigned char* map = Fold ? GCharTableLower : GCharTableIdentity;
    const auto* text = reinterpret_cast<const unsigned char*>(Text);
    const auto* pat = reinterpret_cast<const unsigned char*>(Pattern.data());
    // A short pattern lets the loop below skip only a few bytes at a time;
    // a scan for its rarest byte that a single text byte stands for finds
    // the same leftmost match sooner.
    unsigned char anchorByte = 0;
    const int anchor = plen <= 8 && TextLength - Start > 256 ? ScanAnchor(map, Pattern, anchorByte) : -1;
    if (anchor >= 0) {
        const int lastStart = TextLength - plen;
        for (int j = Start; j <= lastStart; ++j) {
            const char* q = FindByte(Text + j + anchor, static_cast<std::size_t>(lastStart - j + 1), anchorByte);
            if (!q)
                return -1;
            j = static_cast<int>(q - Text) - anchor;
            int k = 0;
            while (k < plen && map[text[j + k]] == pat[k])
                ++k;
            if (k == plen)
                return j;
        }
        return -1;
    }
    int i = Start + plen - 1;
    while (i < TextLength) {
        const unsigned char c = map[text[i]];
        const int s = SkipTable[c];
        if (Shift)
            *Shift = static_cast<std::uint32_t>(s);
        if (c != LastChar) {
            i += s;
            continue;
        }
        int k = plen - 1;
        int j = i;
        while (k >= 1) {
            j = i - (plen - k);
            const unsigned char t = map[text[j]];
            if (t != pat[k - 1])
                break;
            --k;
        }
        if (k == 0)
            return i - plen + 1;
        const int bad = SkipTable[map[text[j]]] + j;
        i = i + s > bad ? i + s : bad;
    }
    return -1;
}

int ToOneBased(int Pos)
{
    return Pos < 0 ? 0 : Pos + 1;
}

} // namespace

bool BmPrepare(TBmPattern& Rec, const std::string& Pattern, std::uint32_t Options, std::uint32_t LowerMask)
{
    if (!ValidPattern(Pattern))
        return false;
    Rec.Pattern = (Options & LowerMask) ? TableLowerCase(Pattern) : Pattern;
    Rec.Options = Options;
    Rec.PatternLength = static_cast<std::uint32_t>(Pattern.size());
    Rec.Shift = 0;
    BuildSkipTable(Rec.Pattern, Rec.SkipTable, Rec.LastChar);
    return true;
}

int BmSearchBuf(const char* Text, int TextLength, const TBmPattern& Rec, int Start)
{
    return Search(Text, TextLength, Rec.Pattern, Rec.SkipTable, Rec.LastChar, Rec.Options != 0, Start,
                  &Rec.Shift);
}

int BmPos(const std::string& Text, const TBmPattern& Rec, int From)
{
    if (From < 1)
        From = 1;
    return ToOneBased(BmSearchBuf(Text.data(), static_cast<int>(Text.size()), Rec, From - 1));
}

int BmPosCase(const std::string& Text, const TBmPattern& Rec, int From)
{
    if (From < 1)
        From = 1;
    return ToOneBased(Search(Text.data(), static_cast<int>(Text.size()), Rec.Pattern, Rec.SkipTable,
                             Rec.LastChar, false, From - 1, &Rec.Shift));
}

int BmPosOnce(const std::string& Pattern, const std::string& Text, std::uint32_t Options, int From,
              std::uint32_t LowerMask)
{
    TBmPattern rec;
    if (!BmPrepare(rec, Pattern, Options, LowerMask))
        return -1;
    return BmPos(Text, rec, From);
}

int BmPosCaseOnce(const std::string& Pattern, const std::string& Text, int From)
{
    TBmPattern rec;
    if (!BmPrepare(rec, Pattern, 0, 0))
        return -1;
    return BmPosCase(Text, rec, From);
}

bool BmWordPrepare(TBmWordPattern& Rec, const std::string& Pattern, unsigned char Options)
{
    if (!ValidPattern(Pattern))
        return false;
    Rec.Pattern = (Options & bmMatchCase) ? Pattern : TableLowerCase(Pattern);
    Rec.PatternLength = static_cast<std::uint32_t>(Pattern.size());
    Rec.Options = Options;
    BuildSkipTable(Rec.Pattern, Rec.SkipTable, Rec.LastChar);
    return true;
}

int BmWordPos(const TBmWordPattern& Rec, const std::string& Text, int From)
{
    const int len = static_cast<int>(Text.size());
    const int plen = static_cast<int>(Rec.PatternLength);
    const bool fold = !(Rec.Options & bmMatchCase);
    int start = From < 1 ? 0 : From - 1;
    for (;;) {
        const int r = Search(Text.data(), len, Rec.Pattern, Rec.SkipTable, Rec.LastChar, fold, start, nullptr);
        if (r < 0)
            return -1;
        if (!(Rec.Options & bmWholeWord) || IsWholeWordAt(Text, r + 1, plen))
            return r + 1;
        start = r + plen;
    }
}

std::uint32_t Crc32OfString(const std::string& S)
{
    return UpdateCrc32(0, S.data(), S.size());
}
