#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/KvSearch.h"

namespace {

// ASCII word delimiters as the search defines them.
bool AsciiDelim(char c)
{
    const unsigned char b = static_cast<unsigned char>(c);
    return (b >= 8 && b <= 14) || (b >= 32 && b <= 34) || (b >= 37 && b <= 47) || (b >= 58 && b <= 64) ||
           (b >= 91 && b <= 94) || b == 96 || (b >= 123 && b <= 125);
}

char SystemUpper(char c)
{
    if (c)
        CharUpperBuffA(&c, 1);
    return c;
}

// The plain definition of the search, one candidate after another: a match
// lies wholly in the buffer, the next candidate after a match is a pattern
// length further, whole words are bounded by delimiters unless the pattern
// brings its own delimiter at that end, and a forward search from a given
// offset may begin a word there.
std::vector<int> NaiveMatches(const std::string& Buf, const std::string& Pat, TSearchOptions Options, int Start)
{
    std::vector<int> r;
    const int len = static_cast<int>(Buf.size());
    const int plen = static_cast<int>(Pat.size());
    if (len == 0 || plen == 0 || Start < -1 || Start >= len)
        return r;
    const bool back = Options & srBackwards;
    const bool exact = Options & srMatchCase;
    const bool ww = (Options & srWholeWord) && !(AsciiDelim(Pat.front()) && AsciiDelim(Pat.back()));
    auto equalAt = [&](int p) {
        for (int k = 0; k < plen; ++k) {
            const char a = Buf[p + k], b = Pat[k];
            if (exact ? a != b : SystemUpper(a) != SystemUpper(b))
                return false;
        }
        return true;
    };
    auto startOk = [&](int p) {
        return !ww || AsciiDelim(Pat.front()) || p == 0 || AsciiDelim(Buf[p - 1]) || (!back && p == Start);
    };
    auto endOk = [&](int p) {
        const int a = p + plen;
        return !ww || AsciiDelim(Pat.back()) || a == len || Buf[a] == '\0' || AsciiDelim(Buf[a]);
    };
    int p = Start == -1 ? (back ? len - 1 : 0) : Start;
    while (back ? p >= 0 : p < len) {
        if (p + plen <= len && equalAt(p) && startOk(p)) {
            if (endOk(p))
                r.push_back(p);
            p += back ? -plen : plen;
        } else {
            p += back ? -1 : 1;
        }
    }
    return r;
}

std::string RandomText(std::mt19937& Rng, const std::string& Alphabet, size_t MaxLen)
{
    std::string s(Rng() % (MaxLen + 1), ' ');
    for (auto& c : s)
        c = Alphabet[Rng() % Alphabet.size()];
    return s;
}

// Every way SearchBuffer answers agrees with the naive matches; true when
// there was a match.
bool ExpectSearchAgrees(const std::string& Buf, const std::string& Pat, TSearchOptions Options, int Start)
{
    SCOPED_TRACE("options " + std::to_string(Options) + " start " + std::to_string(Start));
    const std::vector<int> expected = NaiveMatches(Buf, Pat, Options, Start);
    const int n = static_cast<int>(Buf.size());
    EXPECT_EQ(SearchBuffer(Buf.data(), n, Pat, nullptr, Options, Start), expected.empty() ? -1 : expected.front());
    std::vector<int> all;
    EXPECT_EQ(SearchBuffer(Buf.data(), n, Pat, &all, Options, Start), static_cast<int>(expected.size()));
    EXPECT_EQ(all, expected);
    EXPECT_EQ(SearchBuffer(Buf.data(), n, Pat, nullptr, Options | srCountMatches, Start),
              static_cast<int>(expected.size()));
    return !expected.empty();
}

TEST(KvSearchTest, SearchBufferAgreesWithNaiveSearch)
{
    // Few letters so that matches, near misses and word edges are common.
    const std::string alphabet = std::string("aAbB \t.-_\xE9\xC9", 11) + std::string(1, '\0');
    std::mt19937 rng(107);
    const TSearchOptions optionSets[] = {0,
                                         srMatchCase,
                                         srBackwards,
                                         srBackwards | srMatchCase,
                                         srWholeWord,
                                         srWholeWord | srMatchCase,
                                         srWholeWord | srBackwards,
                                         srWholeWord | srBackwards | srMatchCase};
    int found = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::string buf = RandomText(rng, alphabet, 40);
        std::string pat = RandomText(rng, alphabet, 4);
        if (rng() % 3 == 0 && buf.size() > 2) {  // often a slice of the text itself
            const size_t at = rng() % (buf.size() - 1);
            pat = buf.substr(at, 1 + rng() % std::min<size_t>(4, buf.size() - at));
        }
        const TSearchOptions options = optionSets[rng() % 8];
        const int start = buf.empty() || rng() % 2 ? -1 : static_cast<int>(rng() % buf.size());
        SCOPED_TRACE("text [" + buf + "] pattern [" + pat + "]");
        found += ExpectSearchAgrees(buf, pat, options, start);
        if (HasFailure())
            return;
    }
    EXPECT_GT(found, 2000);
}

// Long buffers: patterns that open with a byte no other byte folds to are
// found by a scan for that byte, with the same matches as any other way.
TEST(KvSearchTest, LongBuffersAgreeWithNaiveSearch)
{
    const std::string alphabet = std::string("\naAbB 1-\xE9\xC9", 11) + std::string(1, '\0');
    std::mt19937 rng(1107);
    int found = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string buf = RandomText(rng, alphabet, 1500);
        if (buf.size() < 300)
            buf += std::string(300, 'a');
        std::string pat = RandomText(rng, alphabet, 5);
        if (pat.empty() || rng() % 2 == 0) {
            const size_t at = rng() % (buf.size() - 5);
            pat = buf.substr(at, 1 + rng() % 5);
        }
        if (rng() % 2)
            pat[0] = rng() % 2 ? '\n' : '1';
        const TSearchOptions options = rng() % 2 ? 0u : TSearchOptions(srMatchCase);
        const int start = rng() % 2 ? -1 : static_cast<int>(rng() % 40);
        SCOPED_TRACE("pattern [" + pat + "]");
        found += ExpectSearchAgrees(buf, pat, options, start);
        if (HasFailure())
            return;
    }
    EXPECT_GT(found, 1000);

    // The word-at-a-time byte scan, at every alignment and length.
    const std::string bytes = "abcdefghijklmnopqrstuvwxyz";
    for (size_t from = 0; from < 8; ++from)
        for (size_t n = 0; from + n <= bytes.size(); ++n)
            for (char c : std::string("aehmz\n")) {
                const size_t at = bytes.find(c, from);
                const char* want = at != std::string::npos && at < from + n ? bytes.data() + at : nullptr;
                EXPECT_EQ(FindByte(bytes.data() + from, n, static_cast<unsigned char>(c)), want);
            }
}

// The pair scan, from every start to every end: each kind of break with and
// without its byte, pairs across the sixteen-byte steps, and pairs whose
// byte lies just past the count (not found).
TEST(KvSearchTest, FindBreakThenFromEveryStartToEveryEnd)
{
    std::mt19937 Rng(39);
    std::string Pairs(90, ' ');
    for (char& C : Pairs)
        C = std::string_view("\n\rFx\0", 5)[Rng() % 5];
    Pairs = std::string(17, 'x') + "\nF" + Pairs + std::string(40, 'x') + "\rF";
    for (size_t From = 0; From < Pairs.size(); ++From)
        for (size_t N = 0; From + N <= Pairs.size(); ++N) {
            const char* Want = nullptr;
            for (size_t I = From; !Want && I + 1 < From + N; ++I)
                if (std::string_view("\n\r\0", 3).find(Pairs[I]) != std::string_view::npos && Pairs[I + 1] == 'F')
                    Want = Pairs.data() + I;
            EXPECT_EQ(FindBreakThen(Pairs.data() + From, N, 'F'), Want) << From << " + " << N;
        }
}

TEST(KvSearchTest, SearchTextPositions)
{
    struct {
        const char* S;
        const char* Sub;
        int Start;
        TSearchOptions Options;
        int Expected;
    } cases[] = {
        {"the Body text", "body", -1, srWholeWord, 5},
        {"the Body text", "body", -1, srWholeWord | srMatchCase, 0},
        {"nobody", "body", -1, srWholeWord, 0},
        {"nobody", "body", -1, 0, 3},
        {"abc abc", "abc", 0, srBackwards, 0},       // backwards from nothing
        {"abc abc", "abc", -1, srBackwards, 5},
        {"abc abc", "abc", 1, srBackwards, 5},
        {"abc abc", "abc", 4, srBackwards, 1},
        {"abc abc", "abc", 2, 0, 5},
        {"abc abc", "abc", 8, 0, 0},                 // past the end
        {"abc", "abcd", -1, 0, 0},
        {"abc", "", -1, 0, 0},
        {"", "a", -1, 0, 0},
        {"x </script>", "</script", -1, srWholeWord, 3},
        {"a\0b cat", "cat", -1, srWholeWord, 5},
        {"cat\0s", "cat", -1, srWholeWord, 1},       // a zero byte ends a word
        {"abcdef", "bcd", 2, srBackwards, 2},        // a match may run on past Start
    };
    for (const auto& c : cases) {
        const std::string s = c.S == std::string("a\0b cat") ? std::string("a\0b cat", 7)
                              : c.S == std::string("cat\0s") ? std::string("cat\0s", 5)
                                                             : std::string(c.S);
        EXPECT_EQ(SearchText(s, c.Sub, c.Start, nullptr, c.Options), c.Expected)
            << c.S << " / " << c.Sub << " / " << c.Start << " / " << c.Options;
    }

    std::vector<int> list{99};
    EXPECT_EQ(SearchText("Cat cat CAT", "cat", -1, &list, 0), 3);
    EXPECT_EQ(list, (std::vector<int>{1, 5, 9}));
    EXPECT_EQ(SearchText("Cat cat CAT", "cat", -1, &list, srBackwards), 3);
    EXPECT_EQ(list, (std::vector<int>{9, 5, 1}));
    EXPECT_EQ(SearchText("aaaa", "aa", -1, nullptr, srCountMatches), 2);
    EXPECT_EQ(PosTextWord("Body", "nobody body", 1, true), 8);
    EXPECT_EQ(PosTextWord("Body", "nobody body", 1, false), 3);
}

TEST(KvSearchTest, SubStringsAndWholeWords)
{
    struct {
        const char* S;
        const char* Sub;
        TSearchOptions Options;
        int Start;
        int Expected;
    } cases[] = {
        {"cat concat cat", "cat", srWholeWord, 1, 1},
        {"cat concat cat", "cat", srWholeWord, 2, 12},
        {"cat concat cat", "CAT", 0, 2, 8},
        {"cat concat cat", "CAT", srMatchCase, 1, 0},
        {"aa a", "a", srWholeWord, 1, 4},           // a one-letter word still moves on
        {"x=1 name=2", "name=", srWholeWord, 1, 5},
        {"abc", "", 0, 1, 0},
        {"abc", "c", 0, 4, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindSubStr(c.S, c.Sub, c.Options, c.Start), c.Expected) << c.S << " / " << c.Sub;

    EXPECT_EQ(PosTextFrom("BODY", "no body", 1), 4);
    EXPECT_EQ(PosTextFrom("body", "no body", 5), 0);
    EXPECT_EQ(PosTextFrom("body", std::string("no\0 body", 8), 1), 0);  // a zero byte ends the text

    struct {
        const char* S;
        int Pos, Len;
        bool Expected;
    } words[] = {
        {"a cat.", 3, 3, true},  {"concat", 4, 3, false}, {"cats", 1, 3, false}, {"cat", 1, 3, true},
        {"x cat", 3, 3, true},   {"x,cat", 2, 4, true},   {"cat", 2, 3, false},  {"cat", 1, 0, false},
        {"cat", 0, 1, false},
    };
    for (const auto& w : words)
        EXPECT_EQ(IsWholeWordAt(w.S, w.Pos, w.Len), w.Expected) << w.S << " " << w.Pos << " " << w.Len;
}

TEST(KvSearchTest, CaseKindsAndCaseCopies)
{
    struct {
        const char* S;
        int Kind;
    } kinds[] = {{"", 0}, {"hello", 1}, {"HELLO", 2}, {"123", 2}, {"Hello", 3}, {"H", 3},
                 {"hELLO", 4}, {"HeLLo", 4}, {"1abc", 1}};
    for (const auto& k : kinds)
        EXPECT_EQ(CaseKindOf(k.S), k.Kind) << k.S;
    EXPECT_EQ(CharCaseOf('a'), 1);
    EXPECT_EQ(CharCaseOf('Q'), 2);
    EXPECT_EQ(CharCaseOf('5'), 0);

    struct {
        const char* S;
        const char* Pattern;
        bool Title;
        const char* Expected;
    } cases[] = {
        {"world", "HELLO", false, "WORLD"},
        {"world", "Hello", true, "World"},
        {"new york", "Hello", true, "New York"},
        {"NEW YORK", "Hello", false, "New york"},
        {"don't stop", "Hi", true, "Don't Stop"},
        {"'tis x_y $ab", "Hi", true, "'Tis X_Y $Ab"},
        {"WORLD", "hello", false, "world"},
        {"world", "hElLo", false, "wOrLd"},
        {"worldwide", "hELlo", false, "wORld" "wide"},
        {"world", "", false, "world"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchCaseOf(c.S, c.Pattern, c.Title), c.Expected) << c.S << " / " << c.Pattern;

    EXPECT_EQ(TableLowerCase("MiXeD 123"), "mixed 123");
    std::string s = "MiXeD";
    TableUpperCaseInPlace(s);
    EXPECT_EQ(s, "MIXED");
}

TEST(KvSearchTest, ReplacingAll)
{
    struct {
        const char* S;
        const char* Old;
        const char* New;
        int Start;
        TSearchOptions Options;
        const char* Result;
        int Count;
    } cases[] = {
        {"aXbXc", "x", "--", 1, 0, "a--b--c", 2},
        {"aXbXc", "x", "-", 1, 0, "a-b-c", 2},  // equal lengths still report the replacements
        {"aXbXc", "x", "", 1, 0, "abc", 2},
        {"aXbXc", "x", "-", 1, srMatchCase, "aXbXc", 0},
        {"aXbXc", "X", "-", 3, 0, "aXb-c", 1},
        {"cat concat Cat", "cat", "dog", 1, srWholeWord, "dog concat dog", 2},
        {"Cat cat CAT", "cat", "dog", 1, srKeepCase, "Dog dog DOG", 3},
        {"new cat", "CAT", "big dog", 1, srKeepCase | srWholeWord, "new big dog", 1},
        {"aaaa", "aa", "a", 1, 0, "aa", 2},
        {"abc", "", "x", 1, 0, "abc", 0},
    };
    for (const auto& c : cases) {
        std::string r;
        int count = -1;
        const bool any = ReplaceAllStr(c.S, c.Old, c.New, r, c.Start, c.Options, &count);
        EXPECT_EQ(r, c.Result) << c.S << " / " << c.Old;
        EXPECT_EQ(count, c.Count) << c.S << " / " << c.Old;
        EXPECT_EQ(any, c.Count > 0) << c.S << " / " << c.Old;
    }
}

TEST(KvSearchTest, ReplacingInBuffersKeepsZeroBytes)
{
    struct {
        std::string Buffer;
        const char* Old;
        const char* New;
        int Start;
        TSearchOptions Options;
        std::string Result;
        int Count;
    } cases[] = {
        {std::string("a\0bXc\0X", 7), "x", "yy", -1, 0, std::string("a\0byyc\0yy", 9), 2},
        {std::string("a\0bXXc\0XX", 9), "xx", "y", -1, 0, std::string("a\0byc\0y", 7), 2},
        {std::string("a\0bXc\0X", 7), "x", "Y", -1, 0, std::string("a\0bYc\0Y", 7), 2},
        {"abab", "ab", "x", 1, 0, "abx", 1},
        {"abab", "AB", "x", -1, srMatchCase, "abab", 0},
        {"ab ab", "ab", "xy", -1, srBackwards, "xy xy", 2},
        {"Ab ab", "ab", "xy", -1, srKeepCase, "Xy xy", 2},
    };
    for (const auto& c : cases) {
        std::string b = c.Buffer;
        EXPECT_EQ(ReplaceInBuffer(b, c.Old, c.New, c.Start, c.Options), c.Count) << c.Old;
        EXPECT_EQ(b, c.Result) << c.Old;
    }
    std::string s = "one two one";
    EXPECT_EQ(ReplaceInStr(s, "ONE", "1", 0, 2), 1);
    EXPECT_EQ(s, "one two 1");
    EXPECT_EQ(ReplaceInStr(s, "one", "1", srBackwards, 0), 0);
    EXPECT_EQ(s, "one two 1");
}

TEST(KvSearchTest, ReplaceAgreesWithNaiveMatches)
{
    const std::string alphabet = "aAb .";
    std::mt19937 rng(1107);
    for (int round = 0; round < 3000; ++round) {
        const std::string buf = RandomText(rng, alphabet, 30);
        const std::string pat = RandomText(rng, alphabet, 3);
        const std::string rep = RandomText(rng, "xyz", 4);
        const TSearchOptions options = (rng() % 2 ? TSearchOptions(srMatchCase) : 0u) | (rng() % 2 ? TSearchOptions(srWholeWord) : 0u);
        std::vector<int> at = NaiveMatches(buf, pat, options, -1);
        std::string expected;
        size_t from = 0;
        for (int p : at) {
            expected += buf.substr(from, p - from) + rep;
            from = p + pat.size();
        }
        expected += buf.substr(std::min(from, buf.size()));
        std::string b = buf;
        EXPECT_EQ(ReplaceInBuffer(b, pat, rep, -1, options), static_cast<int>(at.size()));
        ASSERT_EQ(b, pat.empty() ? buf : expected) << "[" << buf << "] [" << pat << "] " << options;
    }
}

TEST(KvSearchTest, DelimiterAndBlankSets)
{
    for (int c = 0; c < 128; ++c)
        EXPECT_EQ(GWordDelimiters.Contains(static_cast<char>(c)), AsciiDelim(static_cast<char>(c))) << c;
    for (int c : {128, 133, 145, 148, 151, 187})
        EXPECT_TRUE(GWordDelimiters.Contains(static_cast<char>(c))) << c;
    EXPECT_TRUE(GBlankChars.Contains('\t'));
    EXPECT_TRUE(GBlankChars.Contains(' '));
    EXPECT_FALSE(GBlankChars.Contains('\n'));
    EXPECT_EQ(GBlankChars.Contains(static_cast<char>(160)), !IsCharAlphaNumericA(static_cast<char>(160)));
}

} // namespace
