#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/KvMime.h"
#include "mail/KvPartText.h"

namespace {

std::string PartText(const std::string& Message, bool Utf8ToAnsi = false, std::string* Charset = nullptr)
{
    TKvMimeBlock root(Message, false, true);
    TPartTextAccumulator acc;
    acc.Utf8ToAnsi = Utf8ToAnsi;
    GetPartText(root, acc);
    if (Charset)
        *Charset = acc.Charset;
    return acc.Text;
}

}  // namespace

TEST(KvPartText, TextOfTrees)
{
    const struct {
        const char* Name;
        std::string Message;
        std::string Text;
    } cases[] = {
        {"alternative shows its HTML form as text",
         "Content-Type: multipart/alternative; boundary=a\r\n\r\n"
         "--a\r\nContent-Type: text/plain\r\n\r\nplain form\r\n"
         "--a\r\nContent-Type: text/html\r\n\r\n<p>html&nbsp;form</p>\r\n--a--\r\n",
         "html\xA0" "form\r\n\r\n"},
        {"attachments add nothing, other parts are joined",
         "Content-Type: multipart/mixed; boundary=m\r\n\r\n"
         "--m\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\none=3D1\r\n"
         "--m\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; filename=a.txt\r\n\r\nhidden\r\n"
         "--m\r\nContent-Type: text/enriched\r\n\r\n<bold>two</bold>\r\n"
         "--m\r\nContent-Type: image/gif\r\n\r\nGIF89a\r\n--m--\r\n",
         "one=1\r\n\r\ntwo "},
        {"alternative without a text form shows every child",
         "Content-Type: multipart/alternative; boundary=a\r\n\r\n"
         "--a\r\nContent-Type: application/x-thing\r\n\r\nthing\r\n"
         "--a\r\nContent-Type: text/calendar\r\n\r\ncal\r\n--a--\r\n",
         "cal\r\n"},
        {"single base64 part", "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\naGVsbG8=\r\n",
         "hello"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Text, PartText(c.Message)) << c.Name;

    std::string charset;
    const std::string utf8 = "Content-Type: multipart/mixed; boundary=m\r\n\r\n"
                             "--m\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\ncaf\xC3\xA9\r\n"
                             "--m\r\nContent-Type: text/plain; charset=iso-8859-1\r\n\r\nb\xE9\r\n--m--\r\n";
    EXPECT_EQ("caf\xC3\xA9\r\n\r\nb\xE9\r\n", PartText(utf8, false, &charset));
    EXPECT_EQ("utf-8", charset);
    EXPECT_EQ("caf\xE9\r\n\r\nb\xE9\r\n", PartText(utf8, true));
}

TEST(KvPartText, BestAlternative)
{
    const struct {
        std::vector<const char*> Types;
        int Best;
    } cases[] = {
        {{"text/plain", "text/html"}, 1},
        {{"text/html", "text/plain"}, 0},
        {{"text/html", "text/xml", "text/plain"}, 1},
        {{"text/enriched", "text/plain", "text/richtext"}, 1},
        {{"text/enriched", "image/gif", "text/richtext"}, 2},
        {{"image/gif", "application/pdf"}, -1},
    };
    for (const auto& c : cases) {
        std::string message = "Content-Type: multipart/alternative; boundary=a\r\n\r\n";
        for (const char* t : c.Types)
            message += std::string("--a\r\nContent-Type: ") + t + "\r\n\r\nx\r\n";
        message += "--a--\r\n";
        TKvMimeBlock root(message, false, true);
        ASSERT_EQ(static_cast<int>(c.Types.size()), root.ChildCount());
        EXPECT_EQ(c.Best, BestAlternative(root)) << c.Types[0];
    }
}

TEST(KvPartText, Escaping)
{
    const struct {
        const char* Text;
        bool KeepTags;
        bool KeepQuotes;
        const char* Escaped;
    } cases[] = {
        {"<b>\"a\" & b</b>", false, false, "&lt;b&gt;&quot;a&quot; &amp; b&lt;/b&gt;"},
        {"<b>\"a\"</b>", true, false, "<b>\"a\"</b>"},
        {"\"q\" <x>", false, true, "\"q\" &lt;x&gt;"},
        {"&amp; &#233; &", false, false, "&amp; &#233; &amp;"},
        {"tab\there", false, false, "tab here"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Escaped, EscapeHtml(c.Text, c.KeepTags, c.KeepQuotes)) << c.Text;
    EXPECT_EQ(" x", EscapeHtml(std::string("\0x", 2)));

    const struct {
        const char* Text;
        const char* Html;
    } links[] = {
        {"Ann <ann@example.org>", "Ann &lt;<a href=\"mailto:ann@example.org\">ann@example.org</a>&gt;"},
        {"a@example.org, \"B & C\" <bc@example.com>",
         "<a href=\"mailto:a@example.org\">a@example.org</a>, \"B &amp; C\" &lt;<a "
         "href=\"mailto:bc@example.com\">bc@example.com</a>&gt;"},
        {"no address here", "no address here"},
        {"broken@x", "broken@x"},
    };
    for (const auto& c : links)
        EXPECT_EQ(c.Html, EscapeHtmlWithMailLinks(c.Text)) << c.Text;
}

TEST(KvPartText, HeaderSummaries)
{
    TKvMimeBlock root("Content-Type: multipart/mixed; boundary=m\r\n\r\n"
                      "--m\r\nContent-Type: image/gif\r\nContent-ID: <pic1@x>\r\n\r\nG\r\n"
                      "--m\r\nContent-Type: application/pdf; name=\"a b.pdf\"\r\n\r\nP\r\n--m--\r\n",
                      false, true);
    const std::vector<TSummaryAttachment> attachments = {{"pic<1>.gif", root.Child(0)}, {"a b.pdf", root.Child(1)}};
    EXPECT_EQ("\r\n<!-- Dravelin-START -->\r\n"
              "<table border=\"0\" style=\"font-size: 10pt; font-family: Sans-Serif; background: #ece9d8\">\r\n"
              "<tr><td nowrap><b>Subject:</b></td> <td width=\"100%\">a &lt;b&gt;</td></tr>\r\n"
              "<tr><td nowrap><b>Date:</b></td> <td width=\"100%\"></td></tr>\r\n"
              "<tr><td nowrap><b>From:</b></td> <td width=\"100%\">Ann &lt;<a "
              "href=\"mailto:ann@example.org\">ann@example.org</a>&gt;</td></tr>\r\n"
              "<tr><td nowrap><b>To:</b></td> <td width=\"100%\">undisclosed</td></tr>\r\n"
              "<tr><td nowrap><b>Attachments:</b></td> <td width=\"100%\"><a href=\"cid:pic1@x\">pic&lt;1&gt;.gif</a>; "
              "<a href=\"cid:dravelin-mht-02@tessaly.invalid\">a b.pdf</a></td></tr>\r\n"
              "</table>\r\n<hr>\r\n<!-- Dravelin-END -->\r\n\r\n",
              BuildHeaderSummary("a <b>", "", "Ann <ann@example.org>", "undisclosed", "", "", &attachments, true));
    EXPECT_EQ("Subject: a <b>\r\nDate: \r\nFrom: x@example.org\r\nAttachments: pic<1>.gif; \"a b.pdf\"\r\n\r\n",
              BuildHeaderSummary("a <b>", "", "x@example.org", "", "", "", &attachments, false));
    EXPECT_EQ("Subject: s\r\nDate: d\r\n\r\n", BuildHeaderSummary("s", "d", "", "", "", "", nullptr, false));
}

TEST(KvPartText, ContentTypeIntoPart)
{
    const struct {
        const char* Value;
        const char* Type;
        int Class;
        const char* FileName;
        const char* Charset;
    } cases[] = {
        {"Text/HTML; charset=\"UTF-8\"", "text/html", 2, "", "utf-8"},
        {"text/plain; name=readme", "text/plain", 1, "readme.txt", ""},
        {"text/html; name=page", "text/html", 2, "page.html", ""},
        {"text/enriched; name=note", "text/enriched", 3, "note.rtf", ""},
        {"image/jpeg; name=photo", "image/jpeg", 11, "photo.jpg", ""},
        {"application/x-thing; name=thing", "application/x-thing", 26, "thing", ""},
        {"message/rfc822; name=fwd.txt", "message/rfc822", 7, "fwd.txt.eml", ""},
        {"message/rfc822; name=fwd.msg", "message/rfc822", 7, "fwd.msg", ""},
        {"message/rfc822; name=fwd", "message/rfc822", 7, "fwd.eml", ""},
        {"text/plain; name=\"=?koi8-r?Q?=E4?=.txt\"", "text/plain", 1, "\xE4.txt", "koi8-r"},
        {"", "", 0, "", ""},
    };
    for (const auto& c : cases) {
        TKvMimeBlock part("", true, false);
        ParseContentType(c.Value, part);
        EXPECT_EQ(c.Type, part.ContentType) << c.Value;
        EXPECT_EQ(c.Class, part.MediaClass) << c.Value;
        EXPECT_EQ(c.FileName, part.FileName) << c.Value;
        EXPECT_EQ(c.Charset, part.Charset) << c.Value;
    }
}
