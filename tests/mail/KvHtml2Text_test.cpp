#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <random>
#include <string>

#include "foundation/KvFiles.h"
#include "mail/KvHtml2Text.h"
#include "testkit/TestFolder.h"

namespace {

// The HTML body of a message file kept under tests/data/htmltext: the text
// after the first empty line.
std::string SampleBody(const std::string& Name)
{
    const std::string text = ReadTestData("htmltext/" + Name);
    for (const char* gap : {"\r\n\r\n", "\n\n"}) {
        const std::size_t p = text.find(gap);
        if (p != std::string::npos)
            return text.substr(p + std::string(gap).size());
    }
    return std::string();
}

TEST(KvHtml2Text, BodiesBecomePlainText)
{
    const struct {
        std::string Html;
        std::string Text;
    } cases[] = {
        {"", ""},
        {"<p>one</p><p>two</p>", "one\r\n\r\ntwo\r\n\r\n"},
        {"one<p>two", "one\r\n\r\ntwo"},
        {"a<br>b", "a\r\nb"},
        {"a<br/>b", "ab"},
        {"a<br />b", "a\r\nb"},
        {"a <br> b", "a\r\nb"},
        {"<ul><li>x<li>y</ul>", "* x\r\n* y"},
        {"<ol><li>a<li>b</ol>", "1. a\r\n2. b"},
        {"<ul><li>a<ul><li>b<li>c</ul><li>d</ul>", "* a\r\n\t+ b\r\n\t+ c\r\n* d"},
        {"<ol><li>a<ol><li>b</ol></ol>", "1. a\r\n\t1. b"},
        {"<ul><ul><ul><ul><li>deep</ul></ul></ul></ul>", "\t\t\t\xB7 deep"},
        {"<ul><ol><li>x</ol></ul>", "\t1. x"},
        {"<dl><dt>term<dd>meaning</dl>", "term\r\n\tmeaning"},
        {"<li>no list", "no list"},
        {"<blockquote>hi</blockquote>", "> hi\r\n"},
        {"<blockquote>a<blockquote>b</blockquote>c</blockquote>d", "> a\r\n>> b\r\n> c\r\nd"},
        {"</blockquote>x<blockquote>q</blockquote>", "x\r\n> q\r\n"},
        {"<blockquote><div>a</div><div>b</div></blockquote>c", "> a\r\n> b\r\nc"},
        {"<blockquote><p>a</p><p>b</p></blockquote>", "> a\r\n\r\n> b\r\n\r\n\r\n"},
        {"<table><tr><td>a<td>b</tr><tr><td>c</table>", "\ta\tb\r\n\tc"},
        {"<h1>Title</h1>text", "Title\r\n\r\ntext"},
        {"a<hr>b", "a\r\n\r\nb"},
        {"<div>a</div><div>b</div>", "a\r\nb"},
        {"x<a href=\"http://example.com/a?b=1&amp;c=2\">link</a>",
         "x<http://example.com/a?b=1&c=2>link"},
        {"<a href=http://example.com/>site</a>", "<http://example.com>site"},
        {"<a href=\"page.html\">rel</a>", "rel"},
        {"<img src=\"cid:part1.abc@x\">", ""},
        {"<img src=\"CID:part1\">", ""},
        {"<img src=\"images/a.gif\">", ""},
        {"<img src=\"http://x.org/a.gif\">", "<http://x.org/a.gif>"},
        {"<form action=\"http://x.org/\">f</form>", "f"},
        {"<object data=\"http://x.org/o\"></object>", "<http://x.org/o>"},
        {"&copy; 2008", "\xA9 2008"},
        {"&copy 2008;", "\xA9"},
        {"a&nbsp;b &lt;c&gt; &unknown; AT&T", "a\xA0" "b <c> &unknown; AT&T"},
        {"ab<font size=1>x</font>cd", "abcd"},
        {"<font size=1>abc</font>", "abc"},
        {"a<font style=\"font-size:4px\">xyz</font>b", "ab"},
        {"a<font style=\"font-size:xx-small\">wxyz</font>b", "awxyzb"},
        {"<html><head><title>T</title></head><body>x</body></html>", "x"},
        {"<title>T</title>x", "x"},
        {"<body bgcolor=white>\r\nin</body>out", "in"},
        {"</body>x<body>y", "xy"},
        {"a<!-- hidden -->b<script>c</script>d<style>e</style>f<?g?>h", "abdfh"},
        {"a   b\r\n\tc", "a b c"},
        {"<p>  lead", "\r\nlead"},
        {"<pre>  a  <b>x</b>\r\n  b</pre>", "  a  <b>x</b>\r\n  b"},
        {"<pre>\r\n</pre>x", "x"},
        {"<pre>cut off\r\n  here<b>x", "cut off\r\n  herex"},
        {"x<p>   </p>y", "x\r\ny"},
        {"a <b>b</b> c", "a b c"},
        {"<b>bold</b>", "bold"},
        {"<p>a <br>b", "\r\na\r\nb"},
        {"x<", "x"},
        {"<unclosed attr=1 x", ""},
        {"a<!-- never closed", "a"},
        {"t<b", "t"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmlToText(c.Html, true), c.Text) << c.Html;
}

TEST(KvHtml2Text, QuotesWithoutMarksUseTabs)
{
    EXPECT_EQ(HtmlToText("<blockquote>hi</blockquote>", false), "\thi\r\n");
    EXPECT_EQ(HtmlToText("<blockquote><blockquote>x</blockquote></blockquote>", false), "\t\tx\r\n");
    EXPECT_EQ(HtmlToText("<blockquote><ul><li>x</ul></blockquote>", true), "> * x\r\n");
}

TEST(KvHtml2Text, RealMessageBodies)
{
    const struct {
        const char* File;
        std::string Text;
    } cases[] = {
        {"html-entities-and-styles.eml",
         "I am traveling to M\xFCnster for work.\r\n\r\n"
         "I need to call AT&T because my phone is broken. A < B.\r\n\r\n"
         "The weather is beauti\xAD" "ful, and I am meeting my co&zwnj;worker.\r\n\r\n"
         "Don't miss the Sale\xA0Today!\r\n\r\n"},
        {"HTML-with-split-tag1.eml",
         "HTML part. Now comes the tag  ShouldFindThisAgain The following should *not* be found: "
         "ShouldNotFind AcrossLines ShouldFind AcrossLines"},
        {"html-pre.eml", "\r\nline 1\r\nline 2\r\nline 3\r\nline 4\r\nline 5\r\nline 6\r\nline 7\r\nline 8\r\n"},
        {"evil.eml", ""},
    };
    for (const auto& c : cases) {
        const std::string html = SampleBody(c.File);
        ASSERT_FALSE(html.empty()) << c.File;
        EXPECT_EQ(HtmlToText(html, true), c.Text) << c.File;
    }
}

TEST(KvHtml2Text, HostileNestingStaysBounded)
{
    std::string lists, quotes;
    for (int i = 0; i < 2000; ++i) {
        lists += "<ul><li>";
        quotes += "<blockquote>";
    }
    const std::string text = HtmlToText(lists + "x", true);
    // 255 levels at most: the item carries 254 TABs of indent.
    EXPECT_EQ(text, std::string(254, '\t') + "\xB7 x");
    // Marks stop at 255 levels, so a quote nested 2000 deep cannot blow
    // every following line up to thousands of characters.
    std::string deepLines = quotes;
    for (int i = 0; i < 3; ++i)
        deepLines += "q<br>";
    const std::string marks = std::string(255, '>') + " q\r\n";
    EXPECT_EQ(HtmlToText(deepLines, true), marks + marks + marks);
    std::string counted = "<ol>";
    for (int i = 0; i < 200; ++i)
        counted += "<li>";
    EXPECT_EQ(HtmlToText(counted + "z</ol>", true).substr(0, 9), "127. z");
}

TEST(KvHtml2Text, RandomMarkupNeverLeaksTheCollapsedBlank)
{
    const char* const parts[] = {" ", "\r\n", "\t", "\xA0", "x", "<p>", "</p>", "<pre>", "</pre>", "<br>",
                                 "<li>", "<ul>", "</ul>", "<blockquote>", "</blockquote>", "<td>", "&amp;",
                                 "&", ";", "<!--", "-->", "<", ">", "<font size=1>", "</font>", "<a href=http://q>"};
    std::mt19937 rng(7122026);
    for (int round = 0; round < 300; ++round) {
        std::string html;
        const int n = static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i)
            html += parts[rng() % (sizeof parts / sizeof parts[0])];
        const std::string text = HtmlToText(html, round % 2 == 0);
        EXPECT_EQ(text.find('\x01'), std::string::npos) << html;
    }
}

TEST(KvHtml2Text, HostileTagsStayLinear)
{
    // One tag of 200,000 folded attributes, then a link whose address
    // holds as many line breaks: each is read in one pass.
    std::string tag = "<font ", link = "<a href=\"http://x.org/";
    for (int i = 0; i < 200000; ++i) {
        tag += "a\r\n";
        link += "b\r\n";
    }
    const DWORD started = GetTickCount();
    const std::string text = HtmlToText(tag + ">x" + link + "\">y", true);
    EXPECT_LT(GetTickCount() - started, 5000u);
    // The breaks inside the address become blanks between its letters.
    ASSERT_EQ(text.size(), 1u + 1 + 13 + 200000 + 199999 + 1 + 1);
    EXPECT_EQ(text.substr(0, 16), "x<http://x.org/b");
    EXPECT_EQ(text.substr(text.size() - 3), "b>y");
}

}  // namespace
