#include "foundation/KvLineBreaks.h"

#include <windows.h>

#include <emmintrin.h>

#include "foundation/KvAnsi.h"
#include "foundation/KvSearch.h"

namespace {

constexpr char FS = '\x1C';
constexpr char GS = '\x14';

int Len(const std::string& S)
{
    return static_cast<int>(S.size());
}

// Single-byte code pages have no lead bytes: their texts are converted a
// block at a time instead of a byte at a time.
bool HasLeadBytes()
{
    return AnsiHasLeadBytes();
}

bool IsLeadByte(char Ch)
{
    return IsAnsiLeadByte(Ch);
}

// The kind of the break starting at Text[I] (0-based) and its length; kind 0
// when no break starts there.
TLineBreakKind BreakAt(std::string_view Text, std::size_t I, std::size_t& Step)
{
    const std::size_t n = Text.size();
    const char c = Text[I];
    const char next = I + 1 < n ? Text[I + 1] : '\0';
    const bool hasNext = I + 1 < n;
    Step = 1;
    if (c == '\n') {
        if (hasNext && next == '\r') {
            Step = 2;
            return lbkLfCr;
        }
        return lbkLf;
    }
    if (c == '\r') {
        if (hasNext && next == '\n') {
            Step = 2;
            return lbkCrLf;
        }
        if (hasNext && next == '\r' && I + 2 < n && Text[I + 2] == '\n') {
            Step = 3;
            return lbkCrCrLf;
        }
        return lbkCr;
    }
    if (c == FS && hasNext && next == GS) {
        Step = 2;
        return lbkFsGs;
    }
    return 0;
}

// Bytes copied at a time where no bare break forces a copy: the copy then
// reads what the scan has just read, from the first-level cache.
constexpr std::size_t CopyChunk = 4096;

// The one scan over a text's line breaks: CR, LF (and NUL when StopAtNul)
// are found together, sixteen bytes at a time. With Out, the bytes are
// appended to it as the scan goes, every bare CR or LF made CR LF (KeepLf:
// LFs are copied as they stand and the scan stops at any CR instead);
// without, the scan stops at the first bare break. Answers the offset where
// it stopped (a NUL, a CR when KeepLf, or the bare break when Out is null),
// Count when it went through. WatchQp: an "=20" is met in the same pass, in
// order with the breaks, so that its offset in Out is known where it lies.
template <bool KeepLf = false, bool WatchQp = false>
__attribute__((target("sse2"))) std::size_t ScanBreaks(const char* P, std::size_t Count, std::string* Out,
                                                        bool StopAtNul, const TLineStartWatch* Watch = nullptr)
{
    const __m128i Lf = _mm_set1_epi8('\n');
    const __m128i Cr = _mm_set1_epi8('\r');
    const __m128i Zero = _mm_setzero_si128();
    const __m128i NulOn = StopAtNul ? _mm_set1_epi8(-1) : Zero;
    std::size_t Block = 0;     // first byte not yet copied
    std::size_t PairEnd = 0;   // the LF of a pair already passed is no break of its own
    // Handles the byte at At, a CR, LF or NUL (or the "=" of an "=20");
    // false to stop there.
    const auto OnBreak = [&](std::size_t At) {
        if (At < PairEnd)
            return true;
        const char C = P[At];
        if constexpr (WatchQp) {
            if (C == '=') {
                *Watch->LastQpSpace = Out->size() + (At - Block);
                return true;
            }
        }
        if (C == '\0' || (KeepLf && C == '\r')) {
            if (Out)
                Out->append(P + Block, At - Block);
            return false;
        }
        // The line after the break, and where it will stand in Out.
        const auto NoteLine = [&](std::size_t Line) {
            if (Watch && Line < Count && Watch->Firsts[static_cast<unsigned char>(P[Line])])
                Watch->At->push_back(Out->size() + (Line - Block));
        };
        if constexpr (KeepLf) {
            NoteLine(At + 1);
            return true;
        }
        if (C == '\r' && At + 1 < Count && P[At + 1] == '\n') {
            PairEnd = At + 2;
            NoteLine(PairEnd);
            return true;
        }
        if (!Out)
            return false;
        Out->append(P + Block, At - Block);
        Out->append("\r\n", 2);
        Block = At + 1;
        NoteLine(Block);
        return true;
    };
    // The "=20" test reads two bytes past the sixteen; the last ones are
    // looked at a byte at a time.
    constexpr std::size_t Reach = WatchQp ? 18 : 16;
    std::size_t I = 0;
    for (; I + Reach <= Count; I += 16) {
        const __m128i A = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + I));
        __m128i Hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(A, Lf), _mm_cmpeq_epi8(A, Cr)),
                                    _mm_and_si128(_mm_cmpeq_epi8(A, Zero), NulOn));
        if constexpr (WatchQp) {
            const __m128i Two = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + I + 1));
            const __m128i Nought = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + I + 2));
            Hits = _mm_or_si128(Hits, _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(A, _mm_set1_epi8('=')),
                                                                   _mm_cmpeq_epi8(Two, _mm_set1_epi8('2'))),
                                                    _mm_cmpeq_epi8(Nought, _mm_set1_epi8('0'))));
        }
        for (unsigned M = static_cast<unsigned>(_mm_movemask_epi8(Hits)); M != 0; M &= M - 1) {
            const std::size_t Hit = I + static_cast<std::size_t>(__builtin_ctz(M));
            if (!OnBreak(Hit))
                return Hit;
        }
        if (Out && I + 16 - Block >= CopyChunk) {
            Out->append(P + Block, I + 16 - Block);
            Block = I + 16;
        }
    }
    for (; I < Count; ++I) {
        const char C = P[I];
        const bool QpSpace = WatchQp && C == '=' && I + 2 < Count && P[I + 1] == '2' && P[I + 2] == '0';
        if ((C == '\r' || C == '\n' || (C == '\0' && StopAtNul) || QpSpace) && !OnBreak(I))
            return I;
    }
    if (Out)
        Out->append(P + Block, Count - Block);
    return Count;
}

// Every bare CR and bare LF becomes CR LF; CR LF pairs and the trail bytes
// of double-byte characters are copied as they are.
void AllBreaksToCrLfByByte(std::string& Text)
{
    std::string r;
    r.reserve(Text.size() + Text.size() / 16 + 2);
    const std::size_t n = Text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = Text[i];
        // A line break is never a trail byte: a lead byte right before one
        // stands alone, and the break is converted as any other.
        if (IsLeadByte(c) && i + 1 < n && Text[i + 1] != '\r' && Text[i + 1] != '\n') {
            r += c;
            r += Text[++i];
        } else if (c == '\r' && i + 1 < n && Text[i + 1] == '\n') {
            r += "\r\n";
            ++i;
        } else if (c == '\r' || c == '\n') {
            r += "\r\n";
        } else {
            r += c;
        }
    }
    Text.swap(r);
}

// The same without lead bytes, from the first bare break (at From) on: the
// bytes between bare breaks are copied as whole blocks, and no byte before
// From is looked at again.
void BareBreaksToCrLfFrom(std::string& Text, std::size_t From)
{
    // The text's old storage is kept for the next conversion (one that is
    // not too large), so a run of messages converts without allocating.
    constexpr std::size_t kept = 16u << 20;
    static thread_local std::string spare;
    const char* p = Text.data();
    const std::size_t n = Text.size();
    std::string r;
    r.swap(spare);
    r.clear();
    r.reserve(n + n / 16 + 2);
    r.append(p, From);
    ScanBreaks(p + From, n - From, &r, false);
    Text.swap(r);
    if (r.capacity() <= kept)
        spare.swap(r);
}

void AllBreaksToCrLf(std::string& Text)
{
    if (HasLeadBytes()) {
        AllBreaksToCrLfByByte(Text);
        return;
    }
    const std::size_t bare = ScanBreaks(Text.data(), Text.size(), nullptr, false);
    if (bare < Text.size())
        BareBreaksToCrLfFrom(Text, bare);
}

// Rewrites each pair A B as CR LF, scanning from the start.
void PairToCrLf(std::string& Text, char A, char B)
{
    for (std::size_t i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] == A && Text[i + 1] == B) {
            Text[i] = '\r';
            Text[i + 1] = '\n';
            ++i;
        }
    }
}

// Pairs and triples cannot overlap (each ends in LF, none starts with one),
// so one forward pass gives what a scan from the end gives.
void DropFromCrLf(std::string& Text, bool KeepCr, std::size_t From = 0)
{
    std::size_t out = From;
    const std::size_t n = Text.size();
    for (std::size_t i = From; i < n; ++i) {
        if (Text[i] == '\r' && i + 1 < n && Text[i + 1] == '\n') {
            Text[out++] = KeepCr ? '\r' : '\n';
            ++i;
        } else {
            Text[out++] = Text[i];
        }
    }
    Text.resize(out);
}

}  // namespace

TLineBreakKind DetectLineBreakKind(std::string_view Text, int MaxBreaks, int* Found)
{
    TLineBreakKind kind = lbkNone;
    int budget = MaxBreaks;
    std::size_t i = 0;
    while (i < Text.size()) {
        std::size_t step = 1;
        const TLineBreakKind found = BreakAt(Text, i, step);
        i += step;
        if (found == 0)
            continue;
        if (kind == lbkNone)
            kind = found;
        else if (kind != found)
            kind = lbkMixed;
        --budget;
        if (budget <= 0 || kind == lbkMixed)
            break;
    }
    if (Found)
        *Found = MaxBreaks - budget;
    return kind;
}

bool NeedsLineBreakFix(const std::string& Text, TLineBreakKind& Kind, int MaxBreaks)
{
    Kind = DetectLineBreakKind(Text, MaxBreaks);
    return Kind != lbkCrLf && Kind != lbkNone;
}

bool HasNonCrLfBreak(const std::string& Text, int MaxBreaks)
{
    const int limit = MaxBreaks < 1 ? 1 : MaxBreaks;
    int pairs = 0;
    const std::size_t n = Text.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (Text[i] == '\r') {
            if (i + 1 >= n || Text[i + 1] != '\n')
                return true;
            if (++pairs >= limit)
                return false;
            ++i;
        } else if (Text[i] == '\n') {
            return true;
        }
    }
    return false;
}

void BareBreaksToCrLf(std::string& Text)
{
    // The test sees breaks only, as HasNonCrLfBreak does; the conversion
    // then keeps double-byte characters whole.
    const std::size_t bare = ScanBreaks(Text.data(), Text.size(), nullptr, false);
    if (bare >= Text.size())
        return;
    if (HasLeadBytes())
        AllBreaksToCrLfByByte(Text);
    else
        BareBreaksToCrLfFrom(Text, bare);
}

bool AppendBareBreaksToCrLf(std::string_view Bytes, std::string& Out, const TLineStartWatch* Watch)
{
    return AppendBareBreaksUpToNul(Bytes, Out, Watch) == Bytes.size();
}

namespace {

// The one scan as the appending calls run it, each kind a function of its
// own that the compiler may learn nothing about from its calls (noipa):
// compiled into a caller that chose between two kinds, or told of its
// callers, it kept the sixteen bytes it had just read on the stack and
// read them from there three times, which cost the LF copy-through a fifth
// of its speed.
template <bool KeepLf, bool WatchQp>
__attribute__((noipa)) std::size_t ScanAppending(std::string_view Bytes, std::string& Out,
                                                 const TLineStartWatch* Watch)
{
    return ScanBreaks<KeepLf, WatchQp>(Bytes.data(), Bytes.size(), &Out, true, Watch);
}

}  // namespace

std::size_t AppendBareBreaksUpToNul(std::string_view Bytes, std::string& Out, const TLineStartWatch* Watch)
{
    if (Watch && Watch->LastQpSpace)
        return ScanAppending<false, true>(Bytes, Out, Watch);
    return ScanAppending<false, false>(Bytes, Out, Watch);
}

std::size_t AppendLfTextUpToCrOrNul(std::string_view Bytes, std::string& Out, const TLineStartWatch* Watch)
{
    if (Watch && Watch->LastQpSpace)
        return ScanAppending<true, true>(Bytes, Out, Watch);
    return ScanAppending<true, false>(Bytes, Out, Watch);
}

std::string LineBreakText(TLineBreakKind Kind)
{
    switch (Kind & 0x7F) {
    case lbkDefault:
    case lbkCrLf: return "\r\n";
    case lbkCr: return "\r";
    case lbkLfCr: return "\n\r";
    case lbkLf: return "\n";
    case lbkCrCrLf: return "\r\r\n";
    case lbkFsGs: return std::string{FS, GS};
    default: return std::string();
    }
}

void LineBreaksToCrLf(std::string& Text, TLineBreakKind Kind)
{
    if (Kind == lbkDetect)
        Kind = DetectLineBreakKind(Text, 6);
    switch (Kind) {
    case lbkCr:
    case lbkLf:
    case lbkMixed:
        AllBreaksToCrLf(Text);
        break;
    case lbkLfCr:
        LfCrToCrLf(Text);
        break;
    case lbkCrCrLf:
        CrCrLfToCrLf(Text);
        break;
    case lbkFsGs:
        FsGsToCrLf(Text);
        break;
    default:
        break;
    }
}

std::string LineBreaksToCrLfStr(const std::string& Text, TLineBreakKind Kind)
{
    std::string r = Text;
    LineBreaksToCrLf(r, Kind);
    return r;
}

void CrLfToCr(std::string& Text)
{
    DropFromCrLf(Text, true);
}

void CrLfToLf(std::string& Text)
{
    DropFromCrLf(Text, false);
}

void CrLfToLf(std::string& Text, std::size_t From)
{
    DropFromCrLf(Text, false, std::min(From, Text.size()));
}

void LfCrToCrLf(std::string& Text)
{
    PairToCrLf(Text, '\n', '\r');
}

void FsGsToCrLf(std::string& Text)
{
    PairToCrLf(Text, FS, GS);
}

void CrCrLfToCrLf(std::string& Text)
{
    std::size_t out = 0;
    const std::size_t n = Text.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (Text[i] == '\r' && i + 2 < n && Text[i + 1] == '\r' && Text[i + 2] == '\n')
            continue;
        Text[out++] = Text[i];
    }
    Text.resize(out);
}

std::string SetTrailingCrLfCount(const std::string& Text, int N)
{
    if (N < 0)
        N = 0;
    std::size_t end = Text.size();
    int count = 0;
    while (end >= 2 && Text[end - 2] == '\r' && Text[end - 1] == '\n') {
        end -= 2;
        ++count;
    }
    if (count == N)
        return Text;
    if (count > N)
        return Text.substr(0, end + 2 * static_cast<std::size_t>(N));
    std::string r = Text;
    for (int i = count; i < N; ++i)
        r += "\r\n";
    return r;
}

void TrimTrailingLineBreaks(std::string& Text)
{
    std::size_t end = Text.size();
    while (end > 0 && (Text[end - 1] == '\r' || Text[end - 1] == '\n'))
        --end;
    Text.erase(end);
}

bool IsOnlyLineBreaks(const std::string& Text)
{
    return Text.find_first_not_of("\r\n") == std::string::npos;
}

int MaxLineLength(const std::string& Text)
{
    int best = 0;
    int cur = 0;
    for (char c : Text) {
        if (c == '\r' || c == '\n') {
            cur = 0;
        } else if (++cur > best) {
            best = cur;
        }
    }
    return best;
}

int NextLineBreakPos(const std::string& Text, int Start)
{
    if (Start < 1)
        Start = 1;
    // The last position is not examined: a break there starts no further
    // line, and the callers look for what follows a break.
    for (int i = Start; i < Len(Text); ++i)
        if (Text[i - 1] == '\r' || Text[i - 1] == '\n')
            return i;
    return 0;
}

int NextLineStart(const std::string& Text, int Pos)
{
    if (Pos < 0)
        Pos = 0;
    if (Pos >= Len(Text))
        return 0;
    for (int i = Pos + 1; i <= Len(Text); ++i) {
        const char c = Text[i - 1];
        if (c != '\r' && c != '\n')
            continue;
        int next = i + 1;
        if (next <= Len(Text)) {
            const char d = Text[next - 1];
            if ((c == '\r' && d == '\n') || (c == '\n' && d == '\r'))
                ++next;
        }
        return next <= Len(Text) ? next : 0;
    }
    return 0;
}

int LineEndPos(const std::string& Text, int Start)
{
    if (Start > Len(Text))
        return 0;
    if (Start < 1)
        Start = 1;
    const std::size_t p = Text.find_first_of("\r\n", static_cast<std::size_t>(Start - 1));
    return p == std::string::npos ? Len(Text) : static_cast<int>(p);
}

int SkipToLineEnd(const std::string& Text, int Offset, bool SkipBreak)
{
    const int n = Len(Text);
    if (Offset > n)
        Offset = n;
    if (Offset < 0)
        Offset = 0;
    std::size_t p = Text.find_first_of("\r\n", static_cast<std::size_t>(Offset));
    if (p == std::string::npos)
        return n;
    if (SkipBreak)
        p += (Text[p] == '\r' && p + 1 < Text.size() && Text[p + 1] == '\n') ? 2 : 1;
    return static_cast<int>(p);
}

std::string WrapText(const std::string& Line, const std::string& BreakStr,
                     const TCharSet& BreakChars, int MaxCol)
{
    const int lineLen = Len(Line);
    const int breakLen = Len(BreakStr);
    // 1-based like the positions the routine reasons in.
    auto at = [&](int P) { return Line[static_cast<std::size_t>(P - 1)]; };
    auto breakStrAt = [&](int P) {
        return breakLen > 0 && P + breakLen - 1 <= lineLen &&
               Line.compare(static_cast<std::size_t>(P - 1), static_cast<std::size_t>(breakLen),
                            BreakStr) == 0;
    };

    std::string result;
    int col = 1, linePos = 1, breakPos = 0, pos = 1;
    bool existingBreak = false;
    while (pos <= lineLen) {
        const char c = at(pos);
        if (IsLeadByte(c)) {
            if (pos < lineLen) {
                ++pos;
                ++col;
            }
        } else {
            if (breakStrAt(pos)) {
                existingBreak = true;
                pos += breakLen - 1;
                breakPos = pos;
            }
            if (!existingBreak && BreakChars.Contains(c))
                breakPos = pos;
        }
        ++pos;
        ++col;
        if (!existingBreak && !(col > MaxCol && breakPos > linePos))
            continue;

        col = 1;
        result.append(Line, static_cast<std::size_t>(linePos - 1),
                      static_cast<std::size_t>(breakPos - linePos + 1));
        if (!existingBreak) {
            // A break that the line already holds right after this one must
            // not be doubled.
            while (pos <= lineLen) {
                if (BreakChars.Contains(at(pos))) {
                    existingBreak = false;
                    ++pos;
                } else if (breakStrAt(pos)) {
                    existingBreak = true;
                    pos += breakLen;
                } else {
                    break;
                }
            }
            if (pos <= lineLen && !existingBreak)
                result += BreakStr;
        }
        linePos = pos = breakPos + 1;
        existingBreak = false;
    }
    if (linePos <= lineLen)
        result.append(Line, static_cast<std::size_t>(linePos - 1), std::string::npos);
    return result;
}

std::string WrapTextAtColumn(const std::string& Text, int MaxCol, TLineBreakKind Kind)
{
    static const TCharSet breakChars("\t -.");
    return WrapText(Text, LineBreakText(Kind), breakChars, MaxCol);
}
