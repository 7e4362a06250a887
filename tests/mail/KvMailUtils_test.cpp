#include <gtest/gtest.h>

#include <string>

#include "mail/KvMailUtils.h"

namespace {

struct TTitleCase {
    std::string Html;
    bool Result;
    std::string Expected;
};

TEST(KvMailUtilsHtml, SetHtmlTitlePlacesTheTitle)
{
    const TTitleCase cases[] = {
        {"<html><head><title>Old</title></head></html>", true, "<html><head><title>T</title></head></html>"},
        {"<html><head><title>Old</head></html>", false, "<html><head><title>Old</head></html>"},
        {"<html><HEAD><meta x></HEAD><body>", true, "<html><HEAD><meta x><title>T</title>\r\n</HEAD><body>"},
        {"<html><body>x</body></html>", true, "<html><head><title>T</title></head>\r\n<body>x</body></html>"},
        {"<HTML lang=en>x", true, "<HTML lang=en>\r\n<head><title>T</title></head>x"},
        {"<!DOCTYPE html>x", true, "<!DOCTYPE html>\r\n<head><title>T</title></head>x"},
        {"<x-html>x", true, "<x-html>\r\n<head><title>T</title></head>x"},
        {"<htmlx>y", false, "<htmlx>y"},
        {"<bodyx>y", false, "<bodyx>y"},
        {"<html", false, "<html"},
        {"plain text", false, "plain text"},
        {"", false, ""},
    };
    for (const TTitleCase& c : cases) {
        std::string html = c.Html;
        EXPECT_EQ(c.Result, SetHtmlTitle(html, "T")) << c.Html;
        EXPECT_EQ(c.Expected, html) << c.Html;
    }
}

TEST(KvMailUtilsHtml, HtmlBodyStartSkipsTheTagAndBreaks)
{
    const std::pair<std::string, int> cases[] = {
        {"", 0},
        {"plain text", 1},
        {"<html><BODY bgcolor=x>\r\nText", 25},
        {"<head></head>\n\nText", 16},
        {"<html>Text", 7},
        {"<!doctype html>\r\n", 18},
        {"<body", 0},
        {"<bodyx>Text", 1},
    };
    for (const auto& [html, pos] : cases)
        EXPECT_EQ(pos, HtmlBodyStart(html)) << html;
}

TEST(KvMailUtilsUrl, UrlToLocalPathAndFileName)
{
    const std::pair<std::string, std::string> paths[] = {
        {"file:///C|/My%20Documents/a%20b.txt", "C:\\My Documents\\a b.txt"},
        {"FILE://c:/x/y", "c:\\x\\y"},
        {"file://D|/x", "D:\\x"},
        {"http://host.example/dir/pic%41.gif", "\\dir\\picA.gif"},
        {"http://host.example", "host.example"},
        {"a%zzb", "a%zzb"},
        {"a%4", std::string("a\x04", 2)},
        // An escape that would make a NUL byte stays as written.
        {"x%00y", "x%00y"},
        {"x%", "x%"},
        {"a%2", std::string("a\x02")},
        {"relative/path", "relative\\path"},
    };
    for (const auto& [url, path] : paths)
        EXPECT_EQ(path, UrlToLocalPath(url)) << url;

    const std::pair<std::string, std::string> names[] = {
        {"http://h/dir/a%20b.gif?x=1", "a b.gif"},
        {"file:///C:/dir\\sub\\c.txt", "c.txt"},
        {"noslash.txt", "noslash.txt"},
        {"http://h/dir/", ""},
        {"http://h/q?path=/x/y.gif", "q"},
    };
    for (const auto& [url, name] : names)
        EXPECT_EQ(name, FileNameFromUrl(url)) << url;
}

TEST(KvMailUtilsAddress, FindLastEmailAddress)
{
    const std::pair<std::string, std::string> cases[] = {
        {"John Doe <john.doe@example.com>", "john.doe@example.com"},
        {"a@one.org, b@two.net", "b@two.net"},
        {"'quoted@example.com'", "quoted@example.com"},
        {"x@[192.168.0.1]", "x@[192.168.0.1]"},
        {"x@[192.168.0.1", ""},
        {"someone@example.museum1", ""},
        {"someone@example.travel", "someone@example.travel"},
        {"someone@exampl.toolong", ""},
        {"me@a.b", ""},
        {"me@ab.c", "me@ab.c"},
        {"me@abc", ""},
        {"john.doe@localhost", ""},
        {"@example.com", ""},
        {"trailing@", ""},
        {"no address here", ""},
        {"see </a href=x> here", "</a href=x>"},
        {"see </a> here", ""},
        {"", ""},
    };
    for (const auto& [text, address] : cases)
        EXPECT_EQ(address, FindLastEmailAddress(text)) << text;
}

TEST(KvMailUtilsAddress, FindEmailAddressBeforeAPosition)
{
    const std::string text = "first@alpha.com and second@beta.org";
    int start = -1, len = -1;
    EXPECT_EQ("second@beta.org", FindEmailAddress(text, 0, false, start, len));
    EXPECT_EQ(21, start);
    EXPECT_EQ(15, len);
    EXPECT_EQ("first@alpha.com", FindEmailAddress(text, 20, false, start, len));
    EXPECT_EQ(1, start);
    EXPECT_EQ(15, len);
    EXPECT_EQ("", FindEmailAddress(text, 5, false, start, len));
    EXPECT_EQ(0, start);
    EXPECT_EQ(0, len);
    EXPECT_EQ("", FindEmailAddress("no at </b c=d> at all", 0, false, start, len));
}

TEST(KvMailUtilsDates, FromLineDateAndReceivedDate)
{
    const std::pair<std::string, std::string> lines[] = {
        {"From someone@example.com Mon Jan  1 00:00:00 2001", "Mon Jan  1 00:00:00 2001"},
        {"From someone@example.com Mon Jan  1 00:00:00 2001\r\nSubject: x", "Mon Jan  1 00:00:00 2001"},
        {"From - Tue Feb  2 10:11:12 2010\nX", "Tue Feb  2 10:11:12 2010"},
        {"from a@b.cd Mon Jan  1 00:00:00 2001", ""},
        {"From a@b.cd Mon\nJan  1 00:00:00 2001", ""},
        {"From short", ""},
        {"From nodate-at-all-here", ""},
    };
    for (const auto& [line, date] : lines)
        EXPECT_EQ(date, FromLineDate(line)) << line;

    EXPECT_EQ(" Mon, 1 Jan 2001 00:00:00 +0000",
              TextAfterLastSemicolon("from a by b; id 1; Mon, 1 Jan 2001 00:00:00 +0000"));
    EXPECT_EQ("", TextAfterLastSemicolon("no semicolon"));
    EXPECT_EQ("", TextAfterLastSemicolon("ends;"));
}

TEST(KvMailUtilsCharset, CharsetOfContentType)
{
    const std::pair<std::string, std::string> cases[] = {
        {"text/plain; charset=iso-8859-1", "iso-8859-1"},
        {"text/plain; charset=3Dutf-8\"", "utf-8"},
        {"text/plain; CHARSET = \"windows-1252\"; format=flowed", "windows-1252"},
        {"text/plain; charset=us-ascii; format=flowed", "us-ascii"},
        {"text/plain; charsets=utf-8", ""},
        {"text/plain; charset=", ""},
        {"text/plain", ""},
        {"", ""},
    };
    for (const auto& [text, charset] : cases)
        EXPECT_EQ(charset, CharsetOfContentType(text)) << text;
}

TEST(KvMailUtilsEscape, EscapeFromLines)
{
    struct TCase {
        std::string Text;
        int Start;
        std::string Expected;
    };
    const TCase cases[] = {
        {"From a\nFrom b", 1, "from a\nfrom b"},
        {"From a\nFrom b", 6, "From a\nfrom b"},
        {"From a\r\nFrom b\r\n>From c\r\n From d", 0, "from a\r\nfrom b\r\n>From c\r\n From d"},
        {"Subject: x\n\nFrom here on\nFromage\n", 1, "Subject: x\n\nfrom here on\nFromage\n"},
        {"From", 1, "From"},
        {"xFrom a", 1, "xFrom a"},
        {"ab\nFrom x", 8, "ab\nFrom x"},
    };
    for (const TCase& c : cases) {
        std::string text = c.Text;
        EscapeFromLines(text, c.Start);
        EXPECT_EQ(c.Expected, text) << c.Text << " from " << c.Start;
    }
}

} // namespace
