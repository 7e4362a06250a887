#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "classlib/Streams.h"
#include "mail/BxCodeBaseX.h"

using namespace BxCodeBaseX;

namespace {

const std::string Base32Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
const std::string HexAlphabet = "0123456789ABCDEF";

std::string Bytes(std::size_t Count, std::uint32_t Seed)
{
    std::string s(Count, '\0');
    for (auto& c : s) {
        Seed = Seed * 1103515245u + 12345u;
        c = static_cast<char>(Seed >> 16);
    }
    return s;
}

std::string AllBytes()
{
    std::string s(256, '\0');
    for (int i = 0; i < 256; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>(i);
    return s;
}

class BxCodeBaseXTest : public ::testing::Test {
protected:
    void TearDown() override { SetBufferSize(65536); }
};

TEST_F(BxCodeBaseXTest, KnownEncodingsInSeveralBases)
{
    const struct {
        std::string Input;
        std::string Alphabet;
        int Bits;
        int Pad;
        std::string Encoded;
    } cases[] = {
        {"", Base64Alphabet, 6, 4, ""},
        {"f", Base64Alphabet, 6, 4, "Zg=="},
        {"fo", Base64Alphabet, 6, 4, "Zm8="},
        {"foo", Base64Alphabet, 6, 4, "Zm9v"},
        {"foob", Base64Alphabet, 6, 4, "Zm9vYg=="},
        {"fooba", Base64Alphabet, 6, 4, "Zm9vYmE="},
        {"foobar", Base64Alphabet, 6, 4, "Zm9vYmFy"},
        {"f", Base64Alphabet, 6, 0, "Zg"},
        {std::string("\xFF\xFE\x00", 3), Base64Alphabet, 6, 4, "//4A"},
        {"foobar", Base32Alphabet, 5, 8, "MZXW6YTBOI======"},
        {"f", Base32Alphabet, 5, 8, "MY======"},
        {"foobar", HexAlphabet, 4, 0, "666F6F626172"},
        {"A", "01", 1, 0, "01000001"},
        {std::string("\x80", 1), "0123", 2, 0, "2000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Encoded, EncodeString(c.Input, c.Alphabet, c.Bits, 0, c.Pad)) << c.Encoded;
        EXPECT_EQ(c.Input, DecodeString(c.Encoded, c.Alphabet, c.Bits)) << c.Encoded;
    }
}

TEST_F(BxCodeBaseXTest, LineBreaksFollowEveryFullLineButNotPadding)
{
    const struct {
        std::size_t Bytes;
        int LineLength;
        std::string Shape;  // L = a full line of data characters, then what follows
    } cases[] = {
        {57, 76, "L\r\n"},
        {56, 76, "75="},
        {58, 76, "L\r\n2=="},
        {114, 76, "L\r\nL\r\n"},
        {3, 4, "4\r\n"},
        {3, 2, "2\r\n2\r\n"},
        {2, 2, "2\r\n1="},
    };
    for (const auto& c : cases) {
        const std::string in = Bytes(c.Bytes, 7);
        const std::string out = EncodeBase64String(in, c.LineLength);
        std::string shape;
        for (std::size_t i = 0; i < out.size();) {
            if (out[i] == '\r' || out[i] == '=') {
                shape += out[i] == '\r' ? "\r\n" : "=";
                i += out[i] == '\r' ? 2 : 1;
                continue;
            }
            std::size_t j = i;
            while (j < out.size() && out[j] != '\r' && out[j] != '=')
                ++j;
            shape += (j - i == 76 && c.LineLength == 76) ? "L" : std::to_string(j - i);
            i = j;
        }
        EXPECT_EQ(c.Shape, shape) << c.Bytes << "/" << c.LineLength;
        EXPECT_EQ(in, DecodeBase64String(out)) << c.Bytes;
    }
}

TEST_F(BxCodeBaseXTest, DecodingSkipsLineBreaksAndStopsAtStrayCharacters)
{
    const struct {
        std::string Encoded;
        std::string Decoded;
    } cases[] = {
        {"QUJD", "ABC"},
        {"QU JD", "A"},
        {"QU\r\nJD", "ABC"},
        {"Q\nU\rJ\r\nD\r\n", "ABC"},
        {"QQ==QUJD", "A"},
        {"QUJD.QUJD", "ABC"},
        {"", ""},
        {"Q", ""},
        {std::string("QU\0JD", 5), "A"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Decoded, DecodeBase64String(c.Encoded)) << c.Encoded;
}

// With eight bits per character the last character of the alphabet has the
// value 255, which a byte-sized decode table cannot tell from "not in the
// alphabet".
TEST_F(BxCodeBaseXTest, EightBitsPerCharacterKeepTheLastCharacterOfTheAlphabet)
{
    const std::string identity = AllBytes();
    EXPECT_EQ(identity, EncodeString(identity, identity, 8, 0, 0));
    EXPECT_EQ(identity, DecodeString(identity, identity, 8));
    std::string reversed(identity.rbegin(), identity.rend());
    EXPECT_EQ(identity, DecodeString(EncodeString(identity, reversed, 8, 0, 0), reversed, 8));
    EXPECT_EQ(std::string(1, '\0'), EncodeString("\xFF", reversed, 8, 0, 0));
}

TEST_F(BxCodeBaseXTest, BadBasesAreRefused)
{
    EXPECT_THROW(EncodeString("x", Base64Alphabet, 0, 0, 0), EBaseXError);
    EXPECT_THROW(EncodeString("x", Base64Alphabet, 17, 0, 0), EBaseXError);
    EXPECT_THROW(EncodeString("x", Base64Alphabet, 7, 0, 0), EBaseXError);
    EXPECT_THROW(DecodeString("x", "0123456", 3), EBaseXError);
    TStringStream src("x"), dst;
    EXPECT_THROW(EncodeStream(&src, &dst, -1, 0, 0, 6, "short"), EBaseXError);
    EXPECT_EQ("", dst.DataString());
}

TEST_F(BxCodeBaseXTest, StreamsGiveTheStringResultWhateverTheChunkSize)
{
    const std::string in = Bytes(1000, 99);
    const std::string expected = EncodeBase64String(in, 76);
    for (int size : {1, 2, 3, 4, 57, 58, 100, 999, 1000, 1001, 65536}) {
        SetBufferSize(size);
        TStringStream src(in), enc;
        EXPECT_EQ(std::int64_t(expected.size()), EncodeBase64Stream(&src, &enc, -1, 76)) << size;
        EXPECT_EQ(expected, enc.DataString()) << size;

        TStringStream encoded(expected), dec;
        EXPECT_EQ(std::int64_t(in.size()), DecodeBase64Stream(&encoded, &dec)) << size;
        EXPECT_EQ(in, dec.DataString()) << size;

        TStringStream b32src(in), b32;
        EncodeStream(&b32src, &b32, -1, 10, 8, 5, Base32Alphabet);
        EXPECT_EQ(EncodeString(in, Base32Alphabet, 5, 10, 8), b32.DataString()) << size;
    }
}

TEST_F(BxCodeBaseXTest, StreamEncodingTakesExactlyCountBytesFromThePosition)
{
    const std::string in = Bytes(300, 5);
    const struct {
        std::int64_t Start;
        std::int64_t Count;
        std::size_t Used;  // bytes that must be encoded
        int BufferSize;
    } cases[] = {
        {0, 10, 10, 65536},  {0, 10, 10, 4},    {0, 10, 10, 10},  {0, 150, 150, 64},
        {20, 57, 57, 65536}, {20, -1, 280, 7},  {0, 0, 0, 65536}, {0, 500, 300, 65536},
        {100, 500, 200, 3},  {300, -1, 0, 65536},
    };
    for (const auto& c : cases) {
        SetBufferSize(c.BufferSize);
        TStringStream src(in), dst;
        src.SetPosition(c.Start);
        const std::string expected =
            EncodeBase64String(in.substr(static_cast<std::size_t>(c.Start), c.Used), 76);
        EXPECT_EQ(std::int64_t(expected.size()), EncodeBase64Stream(&src, &dst, c.Count, 76))
            << c.Start << "+" << c.Count << " / " << c.BufferSize;
        EXPECT_EQ(expected, dst.DataString()) << c.Start << "+" << c.Count;
        EXPECT_EQ(c.Start + std::int64_t(c.Used), src.Position()) << c.Start << "+" << c.Count;
    }
}

TEST_F(BxCodeBaseXTest, DecodingAStreamEndsAtTheFirstStrayCharacter)
{
    SetBufferSize(3);
    TStringStream src("QUJD\r\nREVG=R0hJ"), dst;
    EXPECT_EQ(6, DecodeBase64Stream(&src, &dst));
    EXPECT_EQ("ABCDEF", dst.DataString());
}

TEST_F(BxCodeBaseXTest, BufferSizeIsKeptBetweenOneAnd65536)
{
    const struct {
        int Asked;
        int Kept;
    } cases[] = {{65536, 65536}, {1000000, 65536}, {65535, 65535}, {1, 1}, {0, 1}, {-20, 1}};
    for (const auto& c : cases) {
        SetBufferSize(c.Asked);
        EXPECT_EQ(c.Kept, BufferSize()) << c.Asked;
    }
    SetBufferSize(0);
    TStringStream src("foobar"), dst;
    EncodeBase64Stream(&src, &dst, -1, 0);
    EXPECT_EQ("Zm9vYmFy", dst.DataString());
}

}  // namespace
