#include <gtest/gtest.h>

#include <random>
#include <string>

#include "foundation/KvFiles.h"
#include "mail/KvBase64.h"
#include "mail/KvMime.h"
#include "mail/KvQuotedPrintable.h"

namespace {

int LongestLine(const std::string& Text)
{
    int longest = 0;
    std::size_t start = 0;
    while (start <= Text.size()) {
        auto end = Text.find("\r\n", start);
        if (end == std::string::npos)
            end = Text.size();
        longest = std::max(longest, static_cast<int>(end - start));
        start = end + 2;
    }
    return longest;
}

}  // namespace

TEST(KvQuotedPrintable, EncodeCases)
{
    const std::string letters100(100, 'a');
    const struct {
        std::string Text;
        bool Specials;
        std::string Encoded;
    } cases[] = {
        {"plain text", false, "plain text"},
        {"ends in a blank ", false, "ends in a blank=20"},
        {"tab\t\r\nnext", false, "tab=09\r\nnext"},
        {"a=b\xE9", false, "a=3Db=E9"},
        {"line\r\n", false, "line\r\n"},
        {"lone\nLF", false, "lone=0ALF"},
        {"x@y!", true, "x=40y=21"},
        {"x@y!", false, "x@y!"},
        {letters100, false, std::string(75, 'a') + "=\r\n" + std::string(25, 'a')},
        // A 76-character line that ends the text fits without a soft break.
        {std::string(76, 'b') + "\r\nz", false, std::string(76, 'b') + "\r\nz"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Encoded, EncodeQuotedPrintable(c.Text, c.Specials)) << c.Text;

    // Words break after the last blank that fits; the blank stays before "=".
    std::string words;
    for (int i = 0; i < 20; ++i)
        words += "word" + std::to_string(i) + " ";
    words += "end";
    const std::string enc = EncodeQuotedPrintable(words);
    const auto soft = enc.find("=\r\n");
    ASSERT_NE(std::string::npos, soft);
    EXPECT_EQ(' ', enc[soft - 1]);
    EXPECT_LE(LongestLine(enc), 76);
    EXPECT_EQ(words, DecodeQuotedPrintable(enc));
}

// A quoted-printable line of 75 characters gets its soft break after the
// last blank from the third column on, or after the last break character
// from the 39th on; else it is cut where it is full.
TEST(KvQuotedPrintable, SoftBreakColumns)
{
    const std::string X(100, 'x');
    const struct {
        std::string Text, Encoded;
    } Cases[] = {
        {"ab " + X.substr(0, 97), "ab =\r\n" + X.substr(0, 75) + "=\r\n" + X.substr(0, 22)},
        {"a " + X.substr(0, 98), "a " + X.substr(0, 73) + "=\r\n" + X.substr(0, 25)},
        {X.substr(0, 38) + "-" + X.substr(0, 61), X.substr(0, 38) + "-=\r\n" + X.substr(0, 61)},
        {X.substr(0, 37) + "-" + X.substr(0, 62), X.substr(0, 37) + "-" + X.substr(0, 37) + "=\r\n" + X.substr(0, 25)},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(EncodeQuotedPrintable(C.Text), C.Encoded) << C.Text;
}

TEST(KvQuotedPrintable, DecodeCases)
{
    const struct {
        std::string Encoded;
        bool QMode;
        std::string Text;
    } cases[] = {
        {"a=3Db", false, "a=b"},
        {"soft=\r\nbreak", false, "softbreak"},
        {"keep=\nLF", false, "keep=\nLF"},
        {"lower=e9", false, "lower\xE9"},
        {"bad=ZZ", false, "bad=ZZ"},
        {"end=", false, "end="},
        {"end=4", false, "end=4"},
        {"Caf=E9_au lait", true, "Caf\xE9 aulait"},
        {"Caf=E9_au", false, "Caf\xE9_au"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Text, DecodeQuotedPrintable(c.Encoded, c.QMode)) << c.Encoded;
}

TEST(KvQuotedPrintable, RoundTripsRandomBytes)
{
    std::mt19937 gen(20261207);
    // Texts drawn from three alphabets: any byte, mostly text with line
    // breaks and blanks, and long words with break characters.
    const std::string textish = "abcdefghij ,.-;:\t\r\n=\xE9";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int len = static_cast<int>(gen() % 400);
        for (int i = 0; i < len; ++i) {
            if (round % 3 == 0)
                text += static_cast<char>(gen() & 0xFF);
            else if (round % 3 == 1)
                text += textish[gen() % textish.size()];
            else
                text += (gen() % 30 == 0) ? '-' : static_cast<char>('a' + gen() % 26);
        }
        for (bool specials : {false, true}) {
            const std::string enc = EncodeQuotedPrintable(text, specials);
            ASSERT_EQ(text, DecodeQuotedPrintable(enc)) << "round " << round;
            ASSERT_LE(LongestLine(enc), 76) << "round " << round;
            for (char c : enc)
                ASSERT_TRUE(c == '\r' || c == '\n' || (c >= 32 && c < 127) || c == '\t');
        }
    }
}

TEST(KvQuotedPrintable, TypeParameters)
{
    const struct {
        const char* Value;
        const char* Boundary;
        const char* Charset;
        const char* Type;
        const char* Marker;
        const char* FileName;
    } cases[] = {
        {"multipart/mixed; boundary=\"=_a;b\"", "--=_a;b", "", "", "", ""},
        {"text/plain; CHARSET= \"ISO-8859-1\" ", "", "iso-8859-1", "", "", ""},
        {"multipart/related; type=\"Text/HTML\"; boundary=x", "--x", "", "text/html", "", ""},
        {"message/external-body; access-type=LOCAL-FILE; name=\"C:\\\\f.txt\"", "", "", "", "local-file",
         "C:\\f.txt"},
        {"application/pdf; name*0=\"long \"; name*1=\"name.pdf\"", "", "", "", "", "long name.pdf"},
        {"application/pdf; name*1=\"b.pdf\"; name*0=\"a\"", "", "", "", "", "a"},
        {"application/pdf; name*=iso-8859-1'fr'caf%E9.pdf", "", "", "", "", "caf\xE9.pdf"},
        // Extended values in another charset come in the ANSI code page.
        {"application/pdf; name*=utf-8''caf%C3%A9.pdf", "", "", "", "", "caf\xE9.pdf"},
        {"application/pdf; name*=x-none''caf%C3%A9.pdf", "", "", "", "", "caf\xC3\xA9.pdf"},
        {"application/pdf; name*=koi8-r''%F0.pdf", "", "", "", "", "\xF0.pdf"},
        {"application/pdf; name*0*=iso-8859-1''%E9t%E9; name*1*=%20x.pdf", "", "", "", "", "\xE9t\xE9 x.pdf"},
        {"application/pdf; name=\"=?iso-8859-1?Q?r=E9sum=E9?=.pdf\"", "", "", "", "", "r\xE9sum\xE9.pdf"},
        {"application/pdf; name=a.pdf; foo=bar; boundary=\"\"", "", "", "", "", "a.pdf"},
    };
    for (const auto& c : cases) {
        TKvMimeBlock part("", true, false);
        ParseTypeParameters(c.Value, part);
        EXPECT_EQ(c.Boundary, part.Boundary) << c.Value;
        EXPECT_EQ(c.Charset, part.Charset) << c.Value;
        EXPECT_EQ(c.Type, part.TypeParameter) << c.Value;
        EXPECT_EQ(c.Marker, part.Marker) << c.Value;
        EXPECT_EQ(c.FileName, part.FileName) << c.Value;
    }
}

TEST(KvQuotedPrintable, EncodeAsPartBody)
{
    const std::string bytes = std::string("caf\xE9=\0x", 7);
    EXPECT_EQ("caf=E9=3D=00x", EncodeAsPartBody(bytes, "quoted-printable"));
    EXPECT_EQ(bytes, Base64DecodeString(EncodeAsPartBody(bytes, "base64")));
    EXPECT_EQ(bytes, EncodeAsPartBody(bytes, "8bit"));
}
