#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "foundation/KvAnsi.h"
#include "foundation/KvLineBreaks.h"

namespace {

struct KindCase {
    std::string Text;
    int MaxBreaks;
    int Kind;
};

TEST(KvLineBreaksTest, DetectsEveryKind)
{
    const KindCase cases[] = {
        {"", 6, 9},
        {"no breaks at all", 6, 9},
        {"a\r\nb\r\nc", 6, 2},
        {"a\rb\rc", 6, 3},
        {"a\rb\r", 6, 3},
        {"x\r\ry", 6, 3},   // two CR breaks, the second CR starts its own
        {"x\r\r", 6, 3},
        {"a\n\rb\n\r", 6, 4},
        {"a\nb\nc\n", 6, 5},
        {"x\r\r\ny\r\r\n", 6, 6},
        {"a\x1C\x14" "b\x1C\x14", 6, 7},
        {"a\x1C" "b", 6, 9},       // FS alone is no break
        {"a\r\nb\nc", 4, 8},
        {"a\r\nb\nc", 1, 2},
        {"a\r\nb\nc", 0, 2},        // one break is always looked at
        {"a\r\nb\nc", -3, 2},
        {"a\nb\nc\nd\ne\nf\ng\r\n", 6, 5},  // the seventh break is beyond the budget
        {"a\nb\nc\nd\ne\nf\ng\r\n", 7, 8},
    };
    for (const KindCase& c : cases)
        EXPECT_EQ(c.Kind, DetectLineBreakKind(c.Text, c.MaxBreaks)) << "text: " << c.Text;

    TLineBreakKind kind = 0;
    EXPECT_FALSE(NeedsLineBreakFix("a\r\nb", kind, 6));
    EXPECT_EQ(2, kind);
    EXPECT_FALSE(NeedsLineBreakFix("ab", kind, 6));
    EXPECT_EQ(9, kind);
    EXPECT_TRUE(NeedsLineBreakFix("a\nb", kind, 6));
    EXPECT_EQ(5, kind);
    EXPECT_TRUE(NeedsLineBreakFix("a\r\nb\rc", kind, 6));
    EXPECT_EQ(8, kind);
}

TEST(KvLineBreaksTest, ConvertsEachKindToCrLf)
{
    const struct {
        std::string Text;
        int Kind;
        std::string Expected;
    } cases[] = {
        {"a\rb\rc\r", 3, "a\r\nb\r\nc\r\n"},
        {"a\nb\n\nc", 5, "a\r\nb\r\n\r\nc"},
        {"a\r\nb\nc\rd", 8, "a\r\nb\r\nc\r\nd"},
        {"a\n\rb", 8, "a\r\n\r\nb"},
        {"a\n\rb", 4, "a\r\nb"},
        {"a\n\rb\n\r\n\rc", 4, "a\r\nb\r\n\r\nc"},
        {"a\r\r\nb\r\r\n", 6, "a\r\nb\r\n"},
        {"a\r\r\r\nb", 6, "a\r\r\nb"},
        {"a\x1C\x14" "b\x1C\x14", 7, "a\r\nb\r\n"},
        // Kinds 2 and 9 promise CR LF or nothing: bare breaks stay.
        {"a\nb\rc", 2, "a\nb\rc"},
        {"a\nb\rc", 9, "a\nb\rc"},
        {"a\nb\rc", 0, "a\nb\rc"},
        {"a\nb\rc", 42, "a\nb\rc"},
        // Kind 1 detects first.
        {"a\nb\nc", 1, "a\r\nb\r\nc"},
        {"a\n\rb", 1, "a\r\nb"},
        {"a\r\r\nb", 1, "a\r\nb"},
        {"a\x1C\x14" "b", 1, "a\r\nb"},
        {"a\r\nb", 1, "a\r\nb"},
        {std::string("a\0\nb", 4), 5, std::string("a\0\r\nb", 5)},
    };
    for (const auto& c : cases) {
        std::string s = c.Text;
        LineBreaksToCrLf(s, static_cast<TLineBreakKind>(c.Kind));
        EXPECT_EQ(c.Expected, s) << "kind " << c.Kind << " text " << c.Text;
        EXPECT_EQ(c.Expected, LineBreaksToCrLfStr(c.Text, static_cast<TLineBreakKind>(c.Kind)));
    }
}

// Bare breaks anywhere become pairs, in a single call; texts whose breaks
// are all pairs come back as they were.
TEST(KvLineBreaksTest, BareBreaksBecomePairs)
{
    const struct {
        std::string Text, Expected;
    } cases[] = {
        {"", ""},
        {"no breaks", "no breaks"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"\na", "\r\na"},
        {"a\r", "a\r\n"},
        {"a\n", "a\r\n"},
        {"a\r\nb\nc\rd", "a\r\nb\r\nc\r\nd"},
        {"a\r\r\nb", "a\r\n\r\nb"},
        {"a\n\rb", "a\r\n\r\nb"},
        {"a\n\nb\r\r", "a\r\n\r\nb\r\n\r\n"},
        {std::string("\0\n\0", 3), std::string("\0\r\n\0", 4)},
    };
    for (const auto& c : cases) {
        std::string s = c.Text;
        BareBreaksToCrLf(s);
        EXPECT_EQ(c.Expected, s) << c.Text;
        // The copying form gives the same bytes, or stops at a NUL.
        std::string copy = "x";
        const bool nul = c.Text.find('\0') != std::string::npos;
        EXPECT_EQ(AppendBareBreaksToCrLf(c.Text, copy), !nul) << c.Text;
        EXPECT_EQ(nul ? copy : "x" + c.Expected, copy) << c.Text;
    }

    // Long texts: the first bare break far in, lines of every length, every
    // kind of break, and the pairs that were there before kept.
    const char* breaks[] = {"\n", "\r", "\r\n", "\n", "\r\n", "\r\n"};
    std::string text, crlf;
    for (int i = 0; i < 40000; ++i) {
        const std::string line(static_cast<size_t>(i % 97), static_cast<char>('a' + i % 26));
        const char* br = i < 20000 ? "\r\n" : breaks[i % 6];
        text += line + br;
        crlf += line + "\r\n";
    }
    std::string s = text;
    BareBreaksToCrLf(s);
    EXPECT_TRUE(s == crlf);
    s = text;
    LineBreaksToCrLf(s, lbkMixed);
    EXPECT_TRUE(s == crlf);
    s = crlf;
    BareBreaksToCrLf(s);
    EXPECT_TRUE(s == crlf);
    EXPECT_FALSE(HasNonCrLfBreak(s, 1 << 30));
    // Copied: pairs split between two blocks of sixteen, and long runs
    // without a break.
    for (const std::string& t : {text, crlf, std::string(15, 'a') + "\r\n" + std::string(9000, 'F') + "\n\r"}) {
        std::string want = t, copy;
        BareBreaksToCrLf(want);
        EXPECT_TRUE(AppendBareBreaksToCrLf(t, copy));
        EXPECT_TRUE(copy == want);
    }
}

// Where the copying forms stop (the first NUL; in LF mode a CR too), what
// they copied up to there, and the line starts they note for a watcher:
// short texts and texts past the sixteen-byte blocks.
TEST(KvLineBreaksTest, CopiesStopWhereTheyMustAndNoteLineStarts)
{
    std::string lines;
    for (int i = 0; i < 60; ++i)
        lines += std::string(static_cast<size_t>(i % 23), i % 3 ? 'F' : 'x') + (i % 4 ? "\n" : "\r\n");
    const struct {
        std::string Text;
        bool Lf;
        size_t Stop;
        std::string Out;
    } cases[] = {
        {std::string("ab\ncd\0ef", 8), false, 5, "ab\r\ncd"},
        {std::string(20, 'a') + "\r" + std::string("x\0", 2), false, 22, std::string(20, 'a') + "\r\nx"},
        {"a\nb\rc", true, 3, "a\nb"},
        {std::string(40, 'a') + "\nb\r\n", true, 42, std::string(40, 'a') + "\nb"},
        {std::string("a\n\0", 3), true, 2, "a\n"},
        {"a\nb", true, 3, "a\nb"},
        {lines, false, lines.size(), ""},
    };
    for (const auto& c : cases) {
        std::string out = "<";
        std::vector<size_t> at;
        bool firsts[256] = {};
        firsts[static_cast<unsigned char>('F')] = firsts[static_cast<unsigned char>('x')] = true;
        const TLineStartWatch watch{firsts, &at};
        const size_t stop = c.Lf ? AppendLfTextUpToCrOrNul(c.Text, out, &watch) : AppendBareBreaksUpToNul(c.Text, out, &watch);
        EXPECT_EQ(stop, c.Stop) << c.Text;
        std::string want = c.Out;
        if (want.empty()) {
            want = c.Text;
            BareBreaksToCrLf(want);
        }
        EXPECT_EQ(out, "<" + want) << c.Text;
        // Every line start after a break of the copy whose first byte is watched.
        std::vector<size_t> starts;
        for (size_t p = 1; p < out.size(); ++p)
            if (out[p - 1] == '\n' && (out[p] == 'F' || out[p] == 'x'))
                starts.push_back(p);
        EXPECT_EQ(at, starts) << c.Text;
    }
    // A break that ends the bytes starts no line, whatever follows them.
    const std::string more = "a\nF";
    std::vector<size_t> at;
    std::string out;
    bool firsts[256] = {};
    firsts[static_cast<unsigned char>('F')] = true;
    const TLineStartWatch watch{firsts, &at};
    EXPECT_EQ(AppendBareBreaksUpToNul(std::string_view(more).substr(0, 2), out, &watch), 2u);
    EXPECT_TRUE(at.empty());
}

// Under a double-byte code page a character's trail byte is never taken
// for a break, and a lead byte right before a break does not swallow it.
TEST(KvLineBreaksTest, DoubleByteCodePage)
{
    SetLeadByteCodePage(932);
    const struct {
        std::string Text, Expected;
    } cases[] = {
        {"\x95\x5C\x8E\xA6\n", "\x95\x5C\x8E\xA6\r\n"},  // a character whose trail byte is "\\"
        {"abc\x95\r\nnext\n", "abc\x95\r\nnext\r\n"},
        {"abc\x95\nnext", "abc\x95\r\nnext"},
    };
    for (const auto& c : cases) {
        std::string s = c.Text;
        BareBreaksToCrLf(s);
        EXPECT_EQ(c.Expected, s) << c.Text;
    }
    SetLeadByteCodePage(0);
}

TEST(KvLineBreaksTest, ConvertsFromCrLfAndRoundTrips)
{
    const struct {
        std::string Text, Cr, Lf;
    } cases[] = {
        {"a\r\n\r\nb", "a\r\rb", "a\n\nb"},
        {"a\rb\r\n", "a\rb\r", "a\rb\n"},
        {"a\r\r\nb", "a\r\rb", "a\r\nb"},
        {"\n\r\n", "\n\r", "\n\n"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        std::string cr = c.Text, lf = c.Text;
        CrLfToCr(cr);
        CrLfToLf(lf);
        EXPECT_EQ(c.Cr, cr);
        EXPECT_EQ(c.Lf, lf);
    }

    // A CRLF mailbox text taken to each target and back is unchanged.
    const std::string mail = "From a@b Mon Jan  1 00:00:00 2001\r\nSubject: x\r\n\r\nbody\r\n\r\n";
    for (int kind : {3, 5}) {
        std::string s = mail;
        if (kind == 3)
            CrLfToCr(s);
        else
            CrLfToLf(s);
        EXPECT_EQ(std::string::npos, s.find(kind == 3 ? '\n' : '\r'));
        EXPECT_EQ(kind, DetectLineBreakKind(s, 6));
        LineBreaksToCrLf(s, 1);
        EXPECT_EQ(mail, s);
    }
}

TEST(KvLineBreaksTest, BreakTextsAndPredicates)
{
    const struct {
        int Kind;
        std::string Text;
    } texts[] = {
        {0, "\r\n"}, {1, ""}, {2, "\r\n"}, {3, "\r"}, {4, "\n\r"}, {5, "\n"},
        {6, "\r\r\n"}, {7, "\x1C\x14"}, {8, ""}, {9, ""}, {0x82, "\r\n"}, {0x85, "\n"}, {10, ""},
    };
    for (const auto& t : texts)
        EXPECT_EQ(t.Text, LineBreakText(static_cast<TLineBreakKind>(t.Kind))) << t.Kind;

    const struct {
        std::string Text;
        int MaxBreaks;
        bool Expected;
    } nonCrLf[] = {
        {"", 5, false},
        {"abc", 5, false},
        {"a\r\nb\r\n", 5, false},
        {"a\nb", 5, true},
        {"a\r", 5, true},
        {"a\rb", 5, true},
        {"a\r\nb\nc", 1, false},  // stops at the first pair
        {"a\r\nb\nc", 0, false},
        {"a\r\nb\nc", 2, true},
        {"a\r\nb\r\nc\n", 2, false},
    };
    for (const auto& c : nonCrLf)
        EXPECT_EQ(c.Expected, HasNonCrLfBreak(c.Text, c.MaxBreaks)) << c.Text << " " << c.MaxBreaks;

    EXPECT_TRUE(IsOnlyLineBreaks(""));
    EXPECT_TRUE(IsOnlyLineBreaks("\r\n\n\r"));
    EXPECT_FALSE(IsOnlyLineBreaks("\r\n \r\n"));

    const struct {
        std::string Text;
        int Max;
    } lengths[] = {{"", 0}, {"abc", 3}, {"ab\r\nabcd\nx", 4}, {"\r\n", 0}, {"a\rbb\rccc", 3}};
    for (const auto& c : lengths)
        EXPECT_EQ(c.Max, MaxLineLength(c.Text)) << c.Text;

    std::string t = "abc\r\n\n\r";
    TrimTrailingLineBreaks(t);
    EXPECT_EQ("abc", t);
    t = "\r\n";
    TrimTrailingLineBreaks(t);
    EXPECT_EQ("", t);
}

TEST(KvLineBreaksTest, SetsTrailingPairCount)
{
    const struct {
        std::string Text;
        int N;
        std::string Expected;
    } cases[] = {
        {"abc\r\n\r\n\r\n", 1, "abc\r\n"},
        {"abc\r\n\r\n\r\n", 0, "abc"},
        {"abc\r\n\r\n\r\n", 3, "abc\r\n\r\n\r\n"},
        {"abc", 2, "abc\r\n\r\n"},
        {"", 0, ""},
        {"", 1, "\r\n"},
        {"abc\n", 1, "abc\n\r\n"},
        {"abc\n\r\n", 2, "abc\n\r\n\r\n"},
        {"\r\n\r\n", 0, ""},
        {"abc\r\n", -1, "abc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, SetTrailingCrLfCount(c.Text, c.N)) << c.Text << " " << c.N;
}

TEST(KvLineBreaksTest, ScansLines)
{
    const std::string s = "ab\r\ncd\nef";
    const struct {
        int Arg, BreakPos, NextStart, EndPos;
    } cases[] = {
        {1, 3, 5, 2},
        {3, 3, 5, 2},
        {4, 4, 8, 3},
        {5, 7, 8, 6},
        {8, 0, 0, 9},
        {9, 0, 0, 9},
        {10, 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.BreakPos, NextLineBreakPos(s, c.Arg)) << c.Arg;
        EXPECT_EQ(c.EndPos, LineEndPos(s, c.Arg)) << c.Arg;
    }
    const struct {
        std::string Text;
        int Pos, Expected;
    } starts[] = {
        {"ab\r\ncd", 1, 5},
        {"ab\r\n", 1, 0},
        {"ab\n\rcd", 0, 5},
        {"ab\rcd", 1, 4},
        {"ab\r\ncd", 6, 0},
        {"abcd", 1, 0},
        {"a\r\n\r\nb", 2, 5},  // from the LF of a pair, LF CR reads as one break
    };
    for (const auto& c : starts)
        EXPECT_EQ(c.Expected, NextLineStart(c.Text, c.Pos)) << c.Text << " " << c.Pos;

    const struct {
        int Offset;
        bool Skip;
        int Expected;
    } skips[] = {
        {0, false, 2}, {0, true, 4}, {4, false, 6}, {4, true, 7},
        {7, false, 9}, {7, true, 9}, {50, true, 9}, {-5, false, 2},
    };
    for (const auto& c : skips)
        EXPECT_EQ(c.Expected, SkipToLineEnd(s, c.Offset, c.Skip)) << c.Offset << c.Skip;
    EXPECT_EQ(2, SkipToLineEnd("a\r", 0, true));
}

TEST(KvLineBreaksTest, WrapsWords)
{
    const struct {
        std::string Text;
        int MaxCol;
        std::string Expected;
    } cases[] = {
        {"", 10, ""},
        {"short", 10, "short"},
        {"the quick brown fox jumps", 10, "the quick \r\nbrown fox \r\njumps"},
        {"averyveryverylongwordwithoutbreaks and more", 10,
         "averyveryverylongwordwithoutbreaks \r\nand more"},
        {"one-two-three-four", 8, "one-two-\r\nthree-\r\nfour"},
        {"dots.and.more.dots", 6, "dots.\r\nand.\r\nmore.\r\ndots"},
        // A break already in the text ends a line and is not doubled.
        {"ab\r\ncd ef gh ij", 6, "ab\r\ncd ef \r\ngh ij"},
        {"abc def\r\nghi", 5, "abc \r\ndef\r\nghi"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, WrapTextAtColumn(c.Text, c.MaxCol, 2)) << c.Text;

    EXPECT_EQ("aa \nbb \ncc dd", WrapTextAtColumn("aa bb cc dd", 5, 5));
    EXPECT_EQ("aa \rbb cc", WrapTextAtColumn("aa bb cc", 5, 3));
    EXPECT_EQ("a;b;|c;d", WrapText("a;b;c;d", "|", TCharSet(";"), 4));
    // Kinds without a break text wrap nothing rather than read past an
    // empty break string.
    for (int kind : {1, 8, 9, 12})
        EXPECT_EQ("aa bb cc dd", WrapTextAtColumn("aa bb cc dd", 3, static_cast<TLineBreakKind>(kind)));
    EXPECT_EQ("aa bb", WrapText("aa bb", "", TCharSet(" "), 2));

    // No wrapped line is longer than the limit unless it has no break character.
    const std::string text =
        "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
        "incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud.";
    const std::string wrapped = WrapTextAtColumn(text, 30, 2);
    EXPECT_LE(MaxLineLength(wrapped), 31);
    std::string joined = wrapped;
    for (std::size_t p; (p = joined.find("\r\n")) != std::string::npos;)
        joined.erase(p, 2);
    EXPECT_EQ(text, joined);
}

}  // namespace

// The line starts a scan notes are those of its own bytes: a watched byte
// right after its last break, but past its end, is no line of the text.
TEST(KvLineBreaksTest, LineStartsNotedWithinTheBytesOnly)
{
    bool Firsts[256] = {};
    Firsts[static_cast<unsigned char>('b')] = true;
    const std::string Bytes = "a\nbc\r\nbd\rx\nb";
    std::vector<std::size_t> At;
    const TLineStartWatch Watch{Firsts, &At};
    std::string Out;
    EXPECT_EQ(Bytes.size() - 1, AppendBareBreaksUpToNul(std::string_view(Bytes).substr(0, Bytes.size() - 1), Out, &Watch));
    EXPECT_EQ("a\r\nbc\r\nbd\r\nx\r\n", Out);
    EXPECT_EQ((std::vector<std::size_t>{3, 7}), At);
    const std::string Lf = "a\nb\nx\nb";
    At.clear();
    Out.clear();
    EXPECT_EQ(Lf.size() - 1, AppendLfTextUpToCrOrNul(std::string_view(Lf).substr(0, Lf.size() - 1), Out, &Watch));
    EXPECT_EQ("a\nb\nx\n", Out);
    EXPECT_EQ((std::vector<std::size_t>{2}), At);
}

// The scan tells where the last "=20" of its bytes starts in the copy,
// whichever sixteen-byte block it falls in and however the breaks before it
// grew; one cut by the bytes' end is not seen, and a text without one
// leaves the offset as it was.
TEST(KvLineBreaksTest, LastQpSpaceFoundInTheScan)
{
    bool Firsts[256] = {};
    for (const bool Lf : {false, true})
        for (size_t At = 0; At < 40; ++At)
            for (const std::string_view End : {"=20", "=20x", "=2", "="}) {
                std::string Bytes = "=20 a\nb\n" + std::string(40, 'c');
                Bytes.replace(9 + At, End.size(), End);
                Bytes.resize(9 + At + End.size());
                if (!Lf)
                    Bytes.replace(5, 1, "\r");
                std::vector<std::size_t> Lines;
                std::size_t Last = 99;
                const TLineStartWatch Watch{Firsts, &Lines, &Last};
                std::string Out = "<";
                Lf ? AppendLfTextUpToCrOrNul(Bytes, Out, &Watch) : AppendBareBreaksUpToNul(Bytes, Out, &Watch);
                SCOPED_TRACE(Bytes);
                EXPECT_EQ(Last, Out.rfind("=20"));
            }
    std::size_t Last = 7;
    std::vector<std::size_t> Lines;
    const TLineStartWatch Watch{Firsts, &Lines, &Last};
    std::string Out;
    AppendBareBreaksUpToNul(std::string(50, 'a') + "=2\n0=", Out, &Watch);
    EXPECT_EQ(Last, 7u);
}
