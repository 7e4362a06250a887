#include <gtest/gtest.h>

#include <string>

#include "foundation/KvBoyerMoore.h"
#include "foundation/KvFiles.h"
#include "mail/KvMimeCoding.h"
#include "mail/KvMimeHeaders.h"

TEST(KvMimeCoding, ClassesOfMediaTypes)
{
    const struct {
        const char* Type;
        int Class;
    } cases[] = {
        {"", 0},
        {"text/plain", 1},
        {"text", 1},
        {"text/html", 2},
        {"text/richtext", 4},
        {"message/rfc822", 7},
        {"application/applefile", 12},
        {"multipart/alternative", 17},
        {"multipart/encrypted", 22},
        {"multipart/x-mixed-replace", 23},
        {"text/calendar", 24},
        {"message/delivery-status", 25},
        {"application/vnd.ms-excel", 26},
        {"audio/mpeg", 27},
        {"image/png", 28},
        {"video/mp4", 29},
        {"Text/Plain", 30},  // callers lower-case types first
        {"chemical/x-pdb", 30},
        {"textual", 30},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Class, GetMimeClass(c.Type)) << c.Type;

    EXPECT_EQ("text/plain", MediaTypeOfClass(1));
    EXPECT_EQ("image/jpeg", MediaTypeOfClass(11));
    EXPECT_EQ("", MediaTypeOfClass(12));
    EXPECT_EQ("multipart/encrypted", MediaTypeOfClass(22));
    EXPECT_EQ("", MediaTypeOfClass(23));
    for (int c = 1; c <= 22; ++c) {
        if (c == 12)
            continue;
        EXPECT_EQ(c, GetMimeClass(MediaTypeOfClass(static_cast<TMimeClass>(c)))) << c;
    }
}

TEST(KvMimeCoding, TypeTests)
{
    EXPECT_TRUE(IsMessageType("Message/rfc822"));
    EXPECT_FALSE(IsMessageType("message"));
    EXPECT_TRUE(IsMultipartType("MULTIPART/mixed"));
    EXPECT_FALSE(IsMultipartType("multipart"));
    EXPECT_TRUE(IsTextOrMessageType("TEXT/html"));
    EXPECT_TRUE(IsTextOrMessageType("message/partial"));
    EXPECT_FALSE(IsTextOrMessageType("image/gif"));
    EXPECT_FALSE(IsBinaryMediaType("Multipart/related"));
    EXPECT_TRUE(IsBinaryMediaType("application/pdf"));
    EXPECT_TRUE(IsBinaryMediaType("garbage"));
    EXPECT_TRUE(IsPartialEmlxName("C:\\Mail\\123.Partial.EMLX"));
    EXPECT_FALSE(IsPartialEmlxName("123.emlx"));
    EXPECT_TRUE(IsUtf8Charset("utf-8"));
    EXPECT_FALSE(IsUtf8Charset("utf8"));
    EXPECT_EQ("koi8-r", DefaultCharsetName(mcTextHtml, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">"));
    EXPECT_FALSE(DefaultCharsetName(mcTextPlain, "charset=koi8-r").empty());
    EXPECT_NE("koi8-r", DefaultCharsetName(mcTextPlain, "charset=koi8-r"));
}

TEST(KvMimeCoding, MediaTypeOfFile)
{
    const struct {
        const char* Name;
        const char* Content;  // the file's first bytes as read
        int Encoding;
        const char* Type;
    } cases[] = {
        {"a.JPG", nullptr, encNone, "image/jpeg"},
        {"a.msg", nullptr, encNone, "message/rfc822"},
        {"a.msg", nullptr, enc8Bit, "application/octet-stream"},
        {"WinMail.dat", nullptr, encNone, "application/ms-tnef"},
        {"other.dat", nullptr, encNone, "text/plain"},
        {"other.dat", nullptr, encBase64, "application/octet-stream"},
        {"noext", nullptr, enc7Bit, "text/plain"},
        {"noext", nullptr, encBase64, "application/octet-stream"},
        {"gifdata", "GIF89a....", encBase64, "image/gif"},
        {"pngdata", "\x89PNG\r\n\x1A\n....", encBase64, "image/png"},
        {"bmpdata", "BM......", encNone, "image/bmp"},
        {"jpgdata", "\xFF\xD8\xFF\xE0....", encNone, "image/jpeg"},
        {"short", "BM", encBase64, "application/octet-stream"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Type, MediaTypeOfFile(c.Name, c.Encoding, c.Content ? c.Content : ""))
            << c.Name << " encoding " << c.Encoding;
}

TEST(KvMimeCoding, TextTransferKind)
{
    const std::string line200(200, 'x');
    const struct {
        std::string Text;
        int Kind;
    } cases[] = {
        {"", enc7Bit},
        {"Hello\r\nWorld\r\n", enc7Bit},
        {std::string(76, 'x') + "\r\n", enc7Bit},
        {std::string(77, 'x') + "\r\n", encQuotedPrintable},
        {line200 + "\r\n", encQuotedPrintable},
        {line200 + std::string(1, '\0') + "\r\n", encBase64},
        {line200 + "\n", enc7Bit},  // a lone LF ends no measured line
        {"caf\xE9 au lait", encQuotedPrintable},
        {"\xE9\xE8\xE0\xF9 a", encBase64},
        {std::string(51, '\xE9') + std::string(49, 'a'), encBase64},  // 51 % high bytes
        {std::string(50, '\xE9') + std::string(50, 'a'), encQuotedPrintable},
        {"tab\tand\fform", enc7Bit},  // FF (12) is allowed
        {"bell\x07", encBase64},
        {"del\x7F", encBase64},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Kind, TextTransferKind(c.Text)) << c.Text.substr(0, 20);
}

TEST(KvMimeCoding, Boundaries)
{
    EXPECT_EQ("----=_NextPart_000_0000_00000000.00000000", FormatBoundary(0, 0, 0, 0));
    EXPECT_EQ("----=_NextPart_001_0003_0000ABCD.DEADBEEF", FormatBoundary(1, 2, 0xABCD, 0xDEADBEEF));

    const std::string b = MakeBoundary(0x1234, "", EncodeDateTime(2001, 2, 3, 4, 5, 6, 0));
    EXPECT_EQ(41u, b.size());
    EXPECT_EQ(b.substr(15), "000_0000_" + IntToHex(DateTimeToFileDate(EncodeDateTime(2001, 2, 3, 4, 5, 6, 0)), 8) + ".00001234");
    EXPECT_TRUE(IsNextPartBoundaryAt(b, 1));
    EXPECT_TRUE(IsNextPartBoundaryAt("xx" + b, 3));
    EXPECT_FALSE(IsNextPartBoundaryAt(b.substr(0, 40), 1));
    std::string lower = b;
    lower[40] = 'a';
    EXPECT_FALSE(IsNextPartBoundaryAt(lower, 1));
    // Before 1980 the date field falls back to 0.
    EXPECT_EQ("00000000", MakeBoundary(7, "", EncodeDate(1970, 1, 1)).substr(24, 8));
    const std::string typed = MakeBoundary(7, "multipart/mixed", EncodeDate(2001, 1, 1));
    EXPECT_EQ(0u, typed.find("multipart/mixed"));
    EXPECT_NE(std::string::npos, typed.find("boundary="));
    // Random seeds differ between calls.
    EXPECT_NE(MakeBoundary(0, "", 1.0).substr(33), MakeBoundary(0, "", 1.0).substr(33));

    // Nested levels renumber the first two fields and keep the rest.
    const std::string base = FormatBoundary(0, 0, 0x11111111, 0x22222222);
    EXPECT_EQ(base, NextBoundary(0, base));
    EXPECT_EQ("----=_NextPart_001_0001_11111111.22222222", NextBoundary(1, base));
    EXPECT_EQ("----=_NextPart_00A_000A_11111111.22222222", NextBoundary(10, base));
    EXPECT_EQ("----=_NextPart_002_0007_11111111.22222222", NextBoundary(2, FormatBoundary(3, 5, 0x11111111, 0x22222222)));
    EXPECT_EQ("----=_NextPart_002_zzzz", NextBoundary(2, "----=_NextPart_xxx_zzzz"));
    EXPECT_EQ("short", NextBoundary(3, "short"));
}

TEST(KvMimeCoding, MessageBoundaryIsStable)
{
    const std::string header = "Message-ID: <a1@example.org>\r\nDate: Sat, 03 Feb 2001 04:05:06 +0000\r\n";
    const std::string b = MakeMessageBoundary(header);
    EXPECT_EQ(b, MakeMessageBoundary(header));
    EXPECT_NE(b, MakeMessageBoundary("Message-ID: <a2@example.org>\r\nDate: Sat, 03 Feb 2001 04:05:06 +0000\r\n"));
    EXPECT_EQ(IntToHex(DateTimeToFileDate(EncodeDateTime(2001, 2, 3, 4, 5, 6, 0)), 8), b.substr(24, 8));
}

TEST(KvMimeCoding, MessageUtcDate)
{
    const double minute = 1.0 / 1440;
    const TDateTime d = EncodeDateTime(2001, 2, 3, 4, 5, 0, 0);
    EXPECT_NEAR(d, GetMessageUtcDate("Date: Sat, 3 Feb 2001 05:05:00 +0100\r\nReceived: by x; Sat, 3 Feb 2001 09:00:00 +0000\r\n", true), minute);
    // Without a Date field the first Received field's date counts.
    EXPECT_NEAR(d, GetMessageUtcDate("Received: by x; Sat, 3 Feb 2001 04:05:00 +0000\r\nReceived: by y; Sun, 4 Feb 2001 00:00:00 +0000\r\n\r\nDate: Sun, 4 Feb 2001 00:00:00 +0000\r\n", false), minute);
    // The From_ line is local time; the process zone is UTC until set up.
    EXPECT_NEAR(d, GetMessageUtcDate("From a@example.org Sat Feb  3 04:05:00 2001\r\nSubject: x\r\n", true), minute);
    EXPECT_EQ(0, GetMessageUtcDate("Subject: none\r\n\r\nbody", false));
    EXPECT_EQ(0, GetMessageUtcDate("", false));
}

TEST(KvMimeCoding, BoundaryLines)
{
    TBmPattern rec;
    ASSERT_TRUE(BmPrepare(rec, "--b1", 0));
    const struct {
        std::string Text;
        int Pos;
    } cases[] = {
        {"--b1\r\nx", 1},
        {"text\r\n--b1--\r\n", 7},
        {"text\n--b1", 6},
        {"x--b1\r\n", 0},       // not at a line start
        {"\r\n--b1 \r\n", 3},   // transport padding after the boundary
        {"\r\n--b1 \t \n", 3},
        {"\r\n--b1  ", 3},
        {"\r\n--b1 x\r\n", 0},  // other text after the boundary
        {"\r\n--b1--  \r\n", 3},
        {"\r\n--b12\r\n", 0},   // a longer boundary
        {"\r\n--b1-\r\n", 0},
        {"\r\n--b1x\r\n--b1\r\n", 10},
        {"--B1\r\n", 0},        // case counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Pos, FindBoundaryLine(c.Text, rec, 1)) << c.Text;
    EXPECT_EQ(0, FindBoundaryLine("--b1\r\n", rec, 2));
}
