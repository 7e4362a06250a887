#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>

#include "foundation/KvBoyerMoore.h"
#include "foundation/KvSearch.h"

namespace {

std::string SystemLower(std::string S)
{
    for (auto& c : S)
        if (c)
            CharLowerBuffA(&c, 1);
    return S;
}

// 1-based position of the first occurrence at or after From, 0 when none.
int NaivePos(const std::string& Text, const std::string& Pattern, int From, bool IgnoreCase)
{
    const std::string t = IgnoreCase ? SystemLower(Text) : Text;
    const std::string p = IgnoreCase ? SystemLower(Pattern) : Pattern;
    const size_t at = t.find(p, static_cast<size_t>(From < 1 ? 0 : From - 1));
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

std::string RandomText(std::mt19937& Rng, const std::string& Alphabet, size_t MinLen, size_t MaxLen)
{
    std::string s(MinLen + Rng() % (MaxLen - MinLen + 1), ' ');
    for (auto& c : s)
        c = Alphabet[Rng() % Alphabet.size()];
    return s;
}

TEST(KvBoyerMooreTest, AgreesWithNaiveSearchBothCases)
{
    const std::string alphabet = std::string("abcABC -\xE9\xC9", 10) + std::string(1, '\0');
    std::mt19937 rng(160);
    int found = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::string text = RandomText(rng, alphabet, 0, 60);
        std::string pat = RandomText(rng, alphabet, 1, 6);
        if (rng() % 3 == 0 && text.size() > 2) {
            const size_t at = rng() % (text.size() - 1);
            pat = text.substr(at, 1 + rng() % std::min<size_t>(6, text.size() - at));
            if (rng() % 2)  // the same bytes in the other case
                for (auto& c : pat)
                    c = static_cast<char>(GCharTableSwap[static_cast<unsigned char>(c)]);
        }
        const int from = static_cast<int>(rng() % (text.size() + 3)) - 1;
        SCOPED_TRACE("text [" + text + "] pattern [" + pat + "] from " + std::to_string(from));

        TBmPattern folded, exact;
        ASSERT_TRUE(BmPrepare(folded, pat, 1, 1));
        ASSERT_TRUE(BmPrepare(exact, pat, 0, 1));
        const int foldedPos = NaivePos(text, pat, from, true);
        const int exactPos = NaivePos(text, pat, from, false);
        EXPECT_EQ(BmPos(text, folded, from), foldedPos);
        EXPECT_EQ(BmPos(text, exact, from), exactPos);
        // The record's own lower-cased pattern searched without folding.
        EXPECT_EQ(BmPosCase(text, folded, from), NaivePos(text, SystemLower(pat), from, false));
        EXPECT_EQ(BmPosOnce(pat, text, 2, from, 2), foldedPos);
        EXPECT_EQ(BmPosCaseOnce(pat, text, from), exactPos);
        const int start0 = from < 1 ? 0 : from - 1;
        EXPECT_EQ(BmSearchBuf(text.data(), static_cast<int>(text.size()), folded, start0), foldedPos - 1);

        TBmWordPattern word;
        ASSERT_TRUE(BmWordPrepare(word, pat, 0));
        EXPECT_EQ(BmWordPos(word, text, from), foldedPos > 0 ? foldedPos : -1);
        ASSERT_TRUE(BmWordPrepare(word, pat, bmMatchCase));
        EXPECT_EQ(BmWordPos(word, text, from), exactPos > 0 ? exactPos : -1);
        found += foldedPos > 0;
        if (HasFailure())
            return;
    }
    EXPECT_GT(found, 3000);
}

// Long texts and short patterns, many of them opening with a byte no other
// byte folds to (a line break, a digit, a blank): the scans over whole
// messages find the same leftmost match.
TEST(KvBoyerMooreTest, LongTextsAgreeWithNaiveSearch)
{
    const std::string alphabet = std::string("\nFfrRom 1-\xE9\xC9", 14) + std::string(1, '\0');
    std::mt19937 rng(515);
    int found = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(rng, alphabet, 250, 1500);
        std::string pat = RandomText(rng, alphabet, 1, 9);
        if (rng() % 2 == 0) {
            const size_t at = rng() % (text.size() - 9);
            pat = text.substr(at, 1 + rng() % 9);
        }
        const int from = static_cast<int>(rng() % 40) - 1;
        SCOPED_TRACE("pattern [" + pat + "] from " + std::to_string(from));
        TBmPattern folded, exact;
        BmPrepare(folded, pat, 1, 1);
        BmPrepare(exact, pat, 0, 1);
        const int foldedPos = NaivePos(text, pat, from, true);
        const int found3[] = {BmPos(text, folded, from), BmPos(text, exact, from), BmPosCase(text, folded, from)};
        const int want3[] = {foldedPos, NaivePos(text, pat, from, false),
                             NaivePos(text, SystemLower(pat), from, false)};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(found3[i], want3[i]) << i;
        found += foldedPos > 0;
        if (HasFailure())
            return;
    }
    EXPECT_GT(found, 1000);
}

TEST(KvBoyerMooreTest, WholeWordSearchAgreesWithNaive)
{
    const std::string alphabet = "abAB .-";
    std::mt19937 rng(1160);
    for (int round = 0; round < 10000; ++round) {
        const std::string text = RandomText(rng, alphabet, 0, 40);
        const std::string pat = RandomText(rng, alphabet, 1, 3);
        const unsigned char options = bmWholeWord | (rng() % 2 ? bmMatchCase : 0);
        const int from = 1 + static_cast<int>(rng() % (text.size() + 1));
        int expected = -1;
        for (int p = NaivePos(text, pat, from, !(options & bmMatchCase)); p > 0;
             p = NaivePos(text, pat, p + 1, !(options & bmMatchCase)))
            if (IsWholeWordAt(text, p, static_cast<int>(pat.size()))) {
                expected = p;
                break;
            }
        TBmWordPattern rec;
        ASSERT_TRUE(BmWordPrepare(rec, pat, options));
        // A refused match resumes after itself, so a whole word that overlaps
        // it is not seen: compare only where no refused match overlaps.
        const int got = BmWordPos(rec, text, from);
        if (got != expected) {
            ASSERT_GT(expected, 0);
            bool overlapped = false;
            for (int p = from; p < expected; ++p)
                if (NaivePos(text, pat, p, !(options & bmMatchCase)) == p &&
                    !IsWholeWordAt(text, p, static_cast<int>(pat.size())) &&
                    p + static_cast<int>(pat.size()) > expected)
                    overlapped = true;
            EXPECT_TRUE(overlapped) << "[" << text << "] [" << pat << "] from " << from << " got " << got
                                    << " expected " << expected;
        }
    }
}

TEST(KvBoyerMooreTest, MarkersInMailText)
{
    const std::string mail = "X-Mailer: x\r\nCONTENT-TYPE: text/plain\r\nContent-TypX: no\r\n"
                             "Content-Type: text/html\r\n";
    TBmPattern ct;
    ASSERT_TRUE(BmPrepare(ct, "Content-Type", 1, 1));
    EXPECT_EQ(ct.Pattern, "content-type");
    EXPECT_EQ(BmPos(mail, ct), 14);
    EXPECT_EQ(BmPos(mail, ct, 15), static_cast<int>(mail.find("Content-Type:")) + 1);
    EXPECT_EQ(BmPos(mail, ct, 80), 0);
    EXPECT_EQ(BmPosCase(mail, ct), 0);  // the prepared pattern is lower case
    // A mismatch on an upper-case letter must still shift by the folded table.
    EXPECT_EQ(BmPosOnce("content-type", "CONTENT-TYPQCONTENT-TYPE", 1), 13);

    TBmWordPattern from;
    ASSERT_TRUE(BmWordPrepare(from, "From", bmWholeWord | bmMatchCase));
    EXPECT_EQ(BmWordPos(from, "Fromage\r\nFrom me"), 10);
    EXPECT_EQ(BmWordPos(from, "Fromage\r\nfrom me"), -1);
    EXPECT_EQ(BmWordPos(from, "Fromage\r\nFrom me", 11), -1);
}

TEST(KvBoyerMooreTest, PatternLimits)
{
    TBmPattern rec;
    TBmWordPattern word;
    struct {
        size_t Length;
        bool Usable;
    } cases[] = {{0, false}, {1, true}, {255, true}, {256, false}};
    for (const auto& c : cases) {
        const std::string pat(c.Length, 'q');
        EXPECT_EQ(BmPrepare(rec, pat, 0), c.Usable) << c.Length;
        EXPECT_EQ(BmWordPrepare(word, pat, 0), c.Usable) << c.Length;
        EXPECT_EQ(BmPosOnce(pat, "x" + pat, 0), c.Usable ? 2 : -1) << c.Length;
    }
    ASSERT_TRUE(BmPrepare(rec, std::string(255, 'q'), 0));
    EXPECT_EQ(rec.SkipTable[static_cast<unsigned char>('q')], 1);
    EXPECT_EQ(rec.SkipTable[static_cast<unsigned char>('z')], 255);
    ASSERT_TRUE(BmPrepare(rec, "abcab", 0));
    EXPECT_EQ(rec.SkipTable[static_cast<unsigned char>('a')], 1);
    EXPECT_EQ(rec.SkipTable[static_cast<unsigned char>('b')], 3);
    EXPECT_EQ(rec.SkipTable[static_cast<unsigned char>('c')], 2);
    EXPECT_EQ(rec.LastChar, 'b');
    EXPECT_EQ(BmSearchBuf("abcab", 5, rec, 1), -1);
    EXPECT_EQ(BmSearchBuf("abcab", 5, rec, 0), 0);
}

TEST(KvBoyerMooreTest, StringCrc32)
{
    struct {
        std::string S;
        uint32_t Crc;
    } cases[] = {
        {"", 0},
        {"123456789", 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
        {std::string("\0", 1), 0xD202EF8Du},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Crc32OfString(c.S), c.Crc) << c.S;
}

} // namespace
