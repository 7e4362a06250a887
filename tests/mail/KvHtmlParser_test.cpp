#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mail/KvHtmlParser.h"

namespace {

constexpr THtmlTokenSet AllKinds = 0xFFFFFFFFu;

// Every token as "kind|text" or "kind|text|tag name".
std::vector<std::string> Tokens(const std::string& Html, THtmlTokenSet Report = AllKinds)
{
    THtmlParser p(Html);
    p.ReportSet = Report;
    std::vector<std::string> r;
    std::string text, tag;
    THtmlTokenKind kind = 0;
    while (p.NextToken(text, tag, kind) && r.size() < 10000)
        r.push_back(std::to_string(kind) + "|" + text + (tag.empty() ? "" : "|" + tag));
    return r;
}

using V = std::vector<std::string>;

TEST(KvHtmlParserEntities, NamesAndNumbersGiveWindows1252Codes)
{
    const struct {
        const char* Name;
        int Code;
    } cases[] = {
        {"#8364", 0x80}, {"euro", 0x80},   {"EURO", 0x80},    {"#x20AC", 0},    {"#x41", 'A'},
        {"#X41", 'A'},   {"#$41", 'A'},    {"#65", 'A'},      {"#0065", 0},     {"#00065", 'A'},
        {"# 65", 'A'},   {"#+123", '{'},   {"#150", 0x96},   {"#8211", 0x96},   {"#8482", 0x99},  {"#8204", '|'},
        {"#8195", ' '},  {"#352", 0x8A},   {"#376", 0x9F},    {"#732", 0x98},   {"#256", 0},
        {"#0", 0},       {"#abc", 0},      {"#", 0},          {"#9999", 0},     {"#12a", 0},
        {"Ocirc", 0xD4}, {"ocirc", 0xF4},  {"oCIRC", 0xF4},   {"AMP", '&'},     {"Amp", '&'},
        {"amp", '&'},    {"nbsp", 0xA0},   {"NBSP", 0xA0},    {"hellip", 0x85}, {"alpha", 0},
        {"AUML", 0xC4},  {"aUML", 0xE4},   {"Szlig", 0xDF},   {"szlig", 0xDF},  {"ETH", 0xD0},
        {"eth", 0xF0},   {"THORN", 0xDE},  {"thorn", 0xFE},   {"AElig", 0xC6},  {"aelig", 0xE6},
        {"OElig", 0x8C}, {"oelig", 0x9C},  {"Scaron", 0x8A},  {"scaron", 0x9A}, {"Yuml", 0x9F},
        {"yuml", 0xFF},  {"Dagger", 0x87}, {"dagger", 0x86},  {"Yacute", 0xDD}, {"yacute", 0xFD},
        {"Ntilde", 0xD1}, {"ntilde", 0xF1}, {"Ccedil", 0xC7}, {"Oslash", 0xD8}, {"Aring", 0xC5},
        {"Ytilde", 0},   {"lsaquo", 0},    {"rsaquo", 0},     {"apos", '\''},   {"die", 0xA8},
        {"thinsp", ' '}, {"times", 0xD7},  {"divide", 0xF7},  {"frac34", 0xBE}, {"iquest", 0xBF},
        {"quot", '"'},   {"lt", '<'},      {"gt", '>'},       {"copy", 0xA9},   {"shy", 0xAD},
        {"ldquo", 0x93}, {"bdquo", 0x84},  {"permil", 0x89},  {"fnof", 0x83},   {"circ", 0x88},
        {"a", 0},        {"", 0},          {"zwnj", 0},       {"uuml", 0xFC},   {"Uuml", 0xDC},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntityToChar(c.Name), c.Code) << c.Name;
}

TEST(KvHtmlParserEntities, DecodeAndEntityAt)
{
    const struct {
        const char* In;
        const char* Out;
    } decode[] = {
        {"&lt;b&gt; &foo;", "<b> &foo;"},
        {"&amp;lt;", "&lt;"},
        {"AT&T;", "AT&T;"},
        {"a&amp;b&#65;&#x42;&euro", "a&bAB&euro"},
        {"&&amp;;", "&&;"},
        {"&;", "&;"},
        {"M&uuml;nster &copy;2008", "M\xFCnster \xA9" "2008"},
        {"", ""},
        {"&", "&"},
        {"x&#8364;y&#x20AC;", "x\x80y&#x20AC;"},
        {"&#255;", "\xFF"},
    };
    for (const auto& c : decode)
        EXPECT_EQ(DecodeEntities(c.In), c.Out) << c.In;

    const struct {
        const char* Text;
        int Code;
    } at[] = {
        {"&;", '&'}, {"&foo;", 0}, {"& x", '&'}, {"&copy 2008;", 0xA9}, {"&amp", '&'},
        {"&#65;", 'A'}, {"&", '&'}, {"&nbsp;x", 0xA0},
    };
    for (const auto& c : at)
        EXPECT_EQ(EntityAt(c.Text, 1), c.Code) << c.Text;
    EXPECT_EQ(EntityAt(std::string("&") + std::string(300, 'a') + ";", 1), 0);
}

TEST(KvHtmlParserTokens, TokensOfTypicalAndBrokenMarkup)
{
    const struct {
        std::string Html;
        V Expected;
    } cases[] = {
        {"<br/>", {"6|<br/>|br/"}},
        {"a<", {"3|a", "2|<"}},
        {"<script>x<y</script>", {"6|<script>|script", "10|x<y", "6|</script>|/script"}},
        {"&amp;", {"5|&amp;"}},
        {"AT&T rocks; ok", {"3|AT", "5|&T rocks;", "3| ok"}},
        {"<b>\r\n  <i>", {"6|<b>|b", "3|\x01", "6|<i>|i"}},
        {"<b>x</b>\r\n ", {"6|<b>|b", "3|x", "6|</b>|/b"}},
        {"<!-- c --><p>t", {"2|<!-- c -->", "6|<p>|p", "3|t"}},
        {"<!-- no end <p>t", {"7|<!-- no end <p>|!--", "3|t"}},
        {"<!DOCTYPE html><i>", {"7|<!DOCTYPE html>|!DOCTYPE", "6|<i>|i"}},
        {"<?php echo '>'; ?>x", {"9|<?php echo '>'; ?>", "3|x"}},
        {"<% a %>b", {"9|<% a %>", "3|b"}},
        {"<?x>y", {"9|<?x>", "3|y"}},
        {"<a href=\"http://x/\">t</a>u", {"18|<a href=\"http://x/\">|a", "4|t", "6|</a>|/a", "3|u"}},
        {"<a name=n>t</A>u", {"18|<a name=n>|a", "4|t", "6|</A>|/A", "3|u"}},
        {"<img src=x.gif>", {"17|<img src=x.gif>|img"}},
        {"<IMG alt=x>", {"17|<IMG alt=x>|IMG"}},
        {"<form action=\"/x\">", {"19|<form action=\"/x\">|form"}},
        {"<form method=post>", {"6|<form method=post>|form"}},
        {"<table background=x>", {"6|<table background=x>|table"}},
        {"<pre>a <b> &amp;\r\n</pre>", {"6|<pre>|pre", "11|a <b> &amp;\r\n", "6|</pre>|/pre"}},
        {"<pre>a\r\nb", {"6|<pre>|pre", "8|a\r\nb"}},
        {"<style>p{}</style>x", {"6|<style>|style", "12|p{}", "6|</style>|/style", "3|x"}},
        {"<title>T</title>x", {"6|<title>|title", "14|T", "6|</title>|/title", "3|x"}},
        {"<plaintext><b>x</b></plaintext>y",
         {"6|<plaintext>|plaintext", "3|<b>x</b>", "6|</plaintext>|/plaintext", "3|y"}},
        {"<b", {"6|<b"}},
        {"x&", {"3|x&"}},
        {"a & b", {"3|a & b"}},
        {"&lt&gt;", {"5|&lt&gt;"}},
        {"&lt\r\nx", {"5|&lt", "3|\r\nx"}},
        {"", {}},
        {"<", {"2|<"}},
        {"<>", {"6|<>"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tokens(c.Html), c.Expected) << c.Html;
}

TEST(KvHtmlParserTokens, UnreportedKindsAreSkippedWithoutLosingTheNextToken)
{
    const THtmlTokenSet textAndTags = HtmlTokenBit(htkText) | HtmlTokenBit(htkTag);
    const struct {
        std::string Html;
        V Expected;
    } cases[] = {
        {"<!-- c --><b>x", {"6|<b>|b", "3|x"}},
        {"&amp;<b>x", {"6|<b>|b", "3|x"}},
        {"a<title>T</title>b", {"3|a", "6|<title>|title", "6|</title>|/title", "3|b"}},
        {"<!-- a --><!-- b --><i>", {"6|<i>|i"}},
        {"<a href=x>t</a>", {"6|</a>|/a"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tokens(c.Html, textAndTags), c.Expected) << c.Html;
}

TEST(KvHtmlParserTokens, RandomMarkupIsCutIntoDisjointOrderedTokens)
{
    // With every kind reported and no blanks to collapse, the tokens put
    // together give back the input: nothing skipped, nothing read twice.
    const char* const parts[] = {"<", ">", "&", ";", "!--", "-->", "<?", "?>", "<%", "%>", "<script>",
                                 "</script>", "<pre>", "</pre>", "<a href=http://x>", "</a>", "&amp;",
                                 "&#65;", "x", "y", "<!", "<plaintext>", "</plaintext>", "<title>",
                                 "</title>", "<xmp>", "<img src=a>", "<style>", "</style", "#", "-", "/"};
    std::mt19937 rng(20261207);
    for (int round = 0; round < 400; ++round) {
        std::string html;
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i)
            html += parts[rng() % (sizeof parts / sizeof parts[0])];
        THtmlParser p(html);
        p.ReportSet = AllKinds;
        std::string joined, text, tag;
        THtmlTokenKind kind = 0;
        int calls = 0;
        while (p.NextToken(text, tag, kind) && calls < 10000) {
            ++calls;
            joined += text;
        }
        ASSERT_LE(calls, static_cast<int>(html.size())) << html;
        EXPECT_EQ(joined, html);
    }
}

TEST(KvHtmlParserTags, CleanTagTextAndTagParser)
{
    const struct {
        std::string Tag;
        std::string Clean;
        std::string Name;
        int Kind;
    } cases[] = {
        {"<br/>", "br/", "br/", tkStart},
        {"<br />", "br /", "br", tkSelfClosing},
        {"<br>", "br", "br", tkVoid},
        {"<BR>", "BR", "BR", tkVoid},
        {"</p >", "/p", "p", tkEnd},
        {"<p", "p", "p", tkStart},
        {"< \tfont size=2 >", "font size=2", "font", tkStart},
        {"<a\r\nhref=x>", "a href=x", "a", tkStart},
        {"<a href=\"x\r\n\">", "a href=\"x\"", "a", tkStart},
        {"<a href=\"x\r\n y\">", "a href=\"x y\"", "a", tkStart},
        {"<a\r\n\r\nb>", "a b", "a", tkStart},
        {"<a b=\"c\"\r\n-d>", "a b=\"c\"-d", "a", tkStart},
        {"<img src=a.gif/>", "img src=a.gif/", "img", tkSelfClosing},
        {"<hr/ >", "hr/", "hr/", tkStart},
        {"no tag", "no tag", "no", tkStart},
        {"<>", "", "", tkStart},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CleanTagText(c.Tag), c.Clean) << c.Tag;
        TTagParser t(c.Tag, false);
        EXPECT_EQ(t.Name, c.Name) << c.Tag;
        EXPECT_EQ(t.Kind, c.Kind) << c.Tag;
        EXPECT_EQ(t.Attributes, nullptr);
    }
}

TEST(KvHtmlParserTags, AttributesOfRealTags)
{
    const struct {
        std::string Tag;
        V Attributes;  // "name=value"
    } cases[] = {
        {"<a href=\"http://x/y z\" target=_blank>", {"href=http://x/y z", "target=_blank"}},
        {"<a href='q\"x' title=\"it's\">", {"href=q\"x", "title=it's"}},
        {"<input checked disabled value=1>", {"checked=", "disabled=", "value=1"}},
        {"<td nowrap>", {"nowrap="}},
        {"<a href=http://x.com/>", {"href=http://x.com"}},
        {"<a href=\"unclosed>", {"href=\"unclosed"}},
        {"<font size = 3>", {"size=", "=3"}},
        {"<font size=   \"+1\">", {"size=+1"}},
        {"<x a=>", {"a==", }},
        {"<tag attr1=ShouldNotFindThis\nattr2=\"ShouldntFindThisEither\">",
         {"attr1=ShouldNotFindThis", "attr2=ShouldntFindThisEither"}},
        {"<p>", {}},
    };
    for (const auto& c : cases) {
        TTagParser t(c.Tag, true);
        V got;
        for (int i = 0; t.Attributes && i < t.Attributes->Count(); ++i)
            got.push_back(t.Attributes->Items(i)->Name + "=" + t.Attributes->Items(i)->Value);
        EXPECT_EQ(got, c.Attributes) << c.Tag;
    }
    TTagParser t("<A HREF=one href=two>", true);
    EXPECT_EQ(t.GetAttribute("href"), "one");
    EXPECT_EQ(t.Attributes->IndexOfName("Href"), 0);
    EXPECT_EQ(t.Attributes->IndexOfName("src"), -1);
    EXPECT_EQ(t.GetAttribute("src"), "");
}

TEST(KvHtmlParserTags, VoidElementsAndUrlAttributes)
{
    for (const char* n : {"br", "img", "wbr", "basefont", "spacer", "isindex"})
        EXPECT_TRUE(IsVoidElement(n)) << n;
    for (const char* n : {"BR", "p", "a", "br/", ""})
        EXPECT_FALSE(IsVoidElement(n)) << n;

    std::string names;
    int count = 0;
    EXPECT_TRUE(UrlAttributesOf("IMG", names, count));
    EXPECT_EQ(names, "src usemap lowsrc dynsrc vrml longdesc");
    EXPECT_EQ(count, 6);
    EXPECT_FALSE(UrlAttributesOf("p", names, count));
    EXPECT_EQ(count, 0);

    const struct {
        const char* Tag;
        const char* Text;
        bool Found;
    } cases[] = {
        {"a", "<a HREF=x>", true},        {"a", "<a name=x>", false},      {"a", "<a xhref=x>", false},
        {"img", "<img alt=x lowsrc=y>", true}, {"body", "<body background=b.gif>", true},
        {"p", "<p src=x>", false},         {"object", "<object data=x>", true}, {"a", "<a href = x>", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlAttributeValuePos(c.Tag, c.Text) > 0, c.Found) << c.Text;
}

TEST(KvHtmlParserFonts, FontSizeStack)
{
    const struct {
        V Tags;
        int Top;
        bool Tiny;
        bool Invisible;
    } cases[] = {
        {{}, 3, false, false},
        {{"<font size=+2>"}, 5, false, false},
        {{"<font size=+9>"}, 7, false, false},
        {{"<font size=-5>"}, 1, true, false},
        {{"<font size=1>"}, 1, true, false},
        {{"<font size=0>"}, 1, true, false},
        {{"<font size=12>"}, 7, false, false},
        {{"<font size=x>"}, 3, false, false},
        {{"<font style=\"font-size:3px\">"}, -3, true, true},
        {{"<font style=\"color:red; FONT-SIZE: 10pt\">"}, -10, false, false},
        {{"<font size=2 style=\"font-size:1px\">"}, 2, false, false},
        {{"<td style=\"font-size:xx-small\">"}, 0, true, true},
        {{"<td style=\"font-size:x-large\">"}, 5, false, false},
        {{"<td style=\"font-size:200%\">"}, 6, false, false},
        {{"<td style=\"font-size:50%\">"}, 2, false, false},      // 1.5 to the even 2
        {{"<td style=\"font-size:12.5px\">"}, -12, false, false}, // 12.5 to the even 12
        {{"<td style=\"font-size:2em\">"}, 3, false, false},
        {{"<td style=\"font-size:smaller\">"}, 2, false, false},
        {{"<td style=\"font-size:8\">"}, -8, false, false},
        {{"<td style=\"font-size:+1\">"}, 4, false, false},
        {{"<td style=\"xfont-size:1px\">"}, 3, false, false},
        {{"<font size=2>", "<font>"}, 2, false, false},
        {{"<font style=\"font-size:4px\">", "<font size=+1>"}, 4, false, false},
        {{"<font size=1>", "</font>"}, 3, false, false},
        {{"<font size=1>", "<td>", "</font>"}, 1, true, false},
        {{"<font size=1>", "<p>", "</FONT>"}, 3, false, false},
        {{"<basefont size=6>", "<b>", "<span style=\"font-size:1px\">"}, 6, false, false},
        {{"<body style=\"font-size:1px\">", "</body>"}, 3, false, false},
    };
    for (const auto& c : cases) {
        THtmlText stack;
        std::string all;
        for (const std::string& t : c.Tags) {
            stack.ProcessTag(t);
            all += t;
        }
        EXPECT_EQ(stack.TopFontSize(), c.Top) << all;
        EXPECT_EQ(stack.IsTinyFont(), c.Tiny) << all;
        EXPECT_EQ(stack.IsInvisibleFont(), c.Invisible) << all;
    }
}

TEST(KvHtmlParserStrip, CommentsScriptsStylesAndServerBlocksGo)
{
    const struct {
        std::string In;
        std::string Out;
    } cases[] = {
        {"a<!-- x -->b", "ab"},
        {"a<!-- x", "a"},
        {"a<!---->b<!-- y -- >c-->d", "abd"},
        {"a<script type=x>if (a<b) x();</SCRIPT>b", "ab"},
        {"a<Script>x", "a"},
        {"a<style>p{}</style >b</style>c", "ac"},
        {"a<?php x ?>b<% y %>c<# z #>d", "abcd"},
        {"a<?x>b?>c", "ac"},
        {"<pre><!-- kept --></pre><!-- gone -->", "<pre><!-- kept --></pre>"},
        {"<pre><!-- kept", "<pre><!-- kept"},
        {"a<", "a"},
        {"<", "<"},
        {"<p>x</p><span>y</span>", "<p>x</p><span>y</span>"},
        {"a<!b", "a<!b"},
        {"<!--a--><!--b-->", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripHtmlComments(c.In), c.Out) << c.In;
}

}  // namespace
