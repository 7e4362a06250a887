#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "classlib/Streams.h"
#include "mail/KvBase64.h"

namespace {

TEST(KvBase64Test, MailBodiesAreWrappedAt76Characters)
{
    const std::string line57(57, 'M');  // "TU1N" repeated
    std::string expected;
    for (int i = 0; i < 19; ++i)
        expected += "TU1N";
    const struct {
        std::string Input;
        std::string Encoded;
    } cases[] = {
        {"", ""},
        {"Hello", "SGVsbG8="},
        {line57, expected + "\r\n"},
        {line57 + line57 + "M", expected + "\r\n" + expected + "\r\nTQ=="},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Encoded, Base64EncodeString(c.Input)) << c.Encoded;
        EXPECT_EQ(c.Input, Base64DecodeString(c.Encoded)) << c.Encoded;

        TStringStream src(c.Input), enc;
        EXPECT_EQ(std::int64_t(c.Encoded.size()), Base64EncodeStream(&src, &enc));
        EXPECT_EQ(c.Encoded, enc.DataString());
        TStringStream encoded(c.Encoded), dec;
        EXPECT_EQ(std::int64_t(c.Input.size()), Base64DecodeStream(&encoded, &dec));
        EXPECT_EQ(c.Input, dec.DataString());
    }
}

TEST(KvBase64Test, LineLengthIsOneSettingForStringsAndStreams)
{
    const int saved = GBase64LineLength;
    GBase64LineLength = 8;
    TStringStream src("foobarfoobar"), enc;
    Base64EncodeStream(&src, &enc);
    EXPECT_EQ("Zm9vYmFy\r\nZm9vYmFy\r\n", enc.DataString());
    EXPECT_EQ("Zm9vYmFy\r\nZm8=", Base64EncodeString("foobarfo"));
    GBase64LineLength = saved;
}

TEST(KvBase64Test, RandomBytesRoundTripThroughStringsAndStreams)
{
    // Every length near the 3-byte groups and the 57-byte lines, random
    // bytes including NULs and 0xFF, through both the string and stream forms.
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<char>(seed >> 16);
    };
    for (int len = 0; len < 400; len += (len < 130 ? 1 : 37)) {
        std::string bytes;
        for (int i = 0; i < len; ++i)
            bytes += next();
        const std::string encoded = Base64EncodeString(bytes);
        for (std::size_t p = 0, e; p < encoded.size(); p = e + 2) {
            e = encoded.find("\r\n", p);
            if (e == std::string::npos)
                e = encoded.size();
            EXPECT_LE(e - p, 76u) << len;
        }
        EXPECT_EQ(bytes, Base64DecodeString(encoded)) << len;
        TStringStream src(bytes), enc;
        Base64EncodeStream(&src, &enc);
        EXPECT_EQ(encoded, enc.DataString()) << len;
        TStringStream in(encoded), dec;
        Base64DecodeStream(&in, &dec);
        EXPECT_EQ(bytes, dec.DataString()) << len;
    }
}

}  // namespace
