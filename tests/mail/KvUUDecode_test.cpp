#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "foundation/CRC.h"
#include "foundation/KvFiles.h"
#include "mail/KvUUDecode.h"
#include "testkit/TestFolder.h"

namespace {

// Lines of at most 45 bytes, zero bits written as Blank ('`' or ' ').
std::string Uuencode(const std::string& Bytes, char Blank, const char* Break)
{
    auto ch = [Blank](unsigned v) { return v == 0 ? Blank : static_cast<char>(32 + v); };
    std::string r;
    for (std::size_t at = 0; at < Bytes.size(); at += 45) {
        const std::size_t n = std::min<std::size_t>(45, Bytes.size() - at);
        r += ch(static_cast<unsigned>(n));
        for (std::size_t k = 0; k < n; k += 3) {
            unsigned v = 0;
            for (std::size_t j = 0; j < 3; ++j)
                v = (v << 8) | (k + j < n ? static_cast<unsigned char>(Bytes[at + k + j]) : 0u);
            for (int s = 18; s >= 0; s -= 6)
                r += ch((v >> s) & 63);
        }
        r += Break;
    }
    return r + "`" + Break;
}

TEST(KvUUDecode, LinesAndBlocks)
{
    const struct {
        std::string Text;
        int Start;
        int Stop;
        std::string Bytes;
    } cases[] = {
        {"#0V%T\r\n`\r\n", 1, 0, "Cat"},
        {"#0V%T\n`\n", 1, 0, "Cat"},
        {"#0V%T\r`\r", 1, 0, "Cat"},
        {"#0V%T\r\n\r\n\r\n#0V%T\r\n`\r\n", 1, 0, "CatCat"},
        {" \r\n#0V%T\r\n", 1, 0, "Cat"},
        {"#0V%T\r\n", 1, 0, "Cat"},
        {"#0V%T\r\n`\r\n#0V%T\r\n", 1, 0, "Cat"},
        {"!80``\r\n", 1, 0, "a"},
        {"\"86)\r\n", 1, 0, "ab"},
        {"$86)C9```\r\n", 1, 0, "abcd"},
        {"#0V%T\r\n#0V%", 1, 0, ""},
        {"#0V", 1, 0, ""},
        {"xx#0V%T\r\n", 3, 0, "Cat"},
        {"#0V%T\r\n#0V%T\r\n", 1, 7, "Cat"},
        {"#0V%T\r\n#0V%T\r\n", 1, 10, ""},
        {"", 1, 0, ""},
        {"\r\n\r\n", 1, 0, ""},
        {"`", 1, 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UudecodeText(c.Text, c.Start, c.Stop), c.Bytes) << c.Text;
}

TEST(KvUUDecode, RandomBytesRoundTrip)
{
    std::mt19937 rng(1207);
    for (int round = 0; round < 60; ++round) {
        std::string bytes(rng() % 300, '\0');
        for (char& b : bytes)
            b = static_cast<char>(rng() & 0xFF);
        for (const char* br : {"\r\n", "\n", "\r"}) {
            EXPECT_EQ(UudecodeText(Uuencode(bytes, '`', br), 1, 0), bytes);
            EXPECT_EQ(UudecodeText(Uuencode(bytes, ' ', br), 1, 0), bytes);
        }
    }
}

TEST(KvUUDecode, LinesWhoseTrailingBlanksWereStripped)
{
    // Mail transports drop blanks at line ends; those blanks were zero bits.
    std::string bytes(90, '\0');
    bytes[0] = 'x';
    bytes[50] = 'y';
    std::string text = Uuencode(bytes, ' ', "\r\n");
    std::string stripped;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t e = text.find("\r\n", at);
        std::string line = text.substr(at, e - at);
        while (line.size() > 1 && line.back() == ' ')
            line.pop_back();
        stripped += line + "\r\n";
        at = e + 2;
    }
    ASSERT_LT(stripped.size(), text.size());
    EXPECT_EQ(UudecodeText(stripped, 1, 0), bytes);
}

// A real message with three uuencoded PNG images: each decodes to a PNG
// whose every chunk checksum holds.
TEST(KvUUDecode, RealMessageImages)
{
    const std::string mail = ReadTestData("uudecode/m0018.txt");
    ASSERT_FALSE(mail.empty());
    int images = 0;
    for (std::size_t b = mail.find("\nbegin "); b != std::string::npos; b = mail.find("\nbegin ", b + 1)) {
        const std::size_t first = mail.find('\n', b + 1) + 1;
        const std::size_t end = mail.find("\nend", first);
        ASSERT_NE(end, std::string::npos);
        const std::string png = UudecodeText(mail, static_cast<int>(first) + 1, static_cast<int>(end) + 1);
        ASSERT_GT(png.size(), 8u);
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n");
        std::size_t p = 8;
        std::string last;
        while (p + 12 <= png.size()) {
            auto be32 = [&png](std::size_t at) {
                return (std::uint32_t(std::uint8_t(png[at])) << 24) | (std::uint32_t(std::uint8_t(png[at + 1])) << 16) |
                       (std::uint32_t(std::uint8_t(png[at + 2])) << 8) | std::uint32_t(std::uint8_t(png[at + 3]));
            };
            const std::uint32_t len = be32(p);
            ASSERT_LE(p + 12 + len, png.size());
            EXPECT_EQ(UpdateCrc32(0, png.data() + p + 4, len + 4), be32(p + 8 + len));
            last = png.substr(p + 4, 4);
            p += 12 + len;
        }
        EXPECT_EQ(last, "IEND");
        EXPECT_EQ(p, png.size());
        ++images;
    }
    EXPECT_EQ(images, 3);
}

}  // namespace
