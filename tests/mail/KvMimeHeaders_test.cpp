#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "mail/KvMimeHeaders.h"

namespace {

const std::string Msg =
    "Received: from a by b;\r\n\tMon, 1 Jan 2001 10:00:00 +0100\r\n"
    "From: Ann <ann@example.com>\r\n"
    "Subject: =?iso-8859-1?Q?caf=E9?=\r\n =?iso-8859-1?Q?_au_lait?=\r\n"
    "X-Note: not a Subject: field\r\n"
    "Empty:\r\n"
    "Received: from c by d; Tue, 2 Jan 2001 11:00:00 +0000\r\n"
    "Content-Type: text/plain;\r\n\tcharset=\"windows-1252\"\r\n"
    "\r\n"
    "Subject: body line\r\n";

TEST(KvMimeHeadersFind, FieldsAndValues)
{
    struct TCase {
        std::string Name;
        bool Backwards;
        std::string Value;
    };
    const TCase cases[] = {
        {"Subject", false, "=?iso-8859-1?Q?caf=E9?==?iso-8859-1?Q?_au_lait?="},
        {"subject", true, "body line"},
        {"From", false, "Ann <ann@example.com>"},
        {"Received", false, "from a by b; Mon, 1 Jan 2001 10:00:00 +0100"},
        {"Received", true, "from c by d; Tue, 2 Jan 2001 11:00:00 +0000"},
        {"Content-Type", false, "text/plain; charset=\"windows-1252\""},
        // An empty field never lends the next field its value.
        {"Empty", false, ""},
        {"Note", false, ""},
        {"Missing", false, ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(c.Value, GetHeaderField(Msg, c.Name, c.Backwards)) << c.Name << " " << c.Backwards;

    int pos = 1, len = 0;
    ASSERT_TRUE(FindHeaderField(Msg, "FROM", pos, false, len));
    EXPECT_EQ("From: Ann <ann@example.com>\r\n", Msg.substr(pos - 1, len));
    pos = 1;
    ASSERT_TRUE(FindHeaderField(Msg, "Received", pos, false, len));
    EXPECT_EQ("Received: from a by b;\r\n\tMon, 1 Jan 2001 10:00:00 +0100\r\n", Msg.substr(pos - 1, len));
    pos = 1;
    ASSERT_TRUE(FindHeaderValue(Msg, "Subject", pos, false, len));
    EXPECT_EQ("=?iso-8859-1?Q?caf=E9?=\r\n =?iso-8859-1?Q?_au_lait?=", Msg.substr(pos - 1, len));
    pos = 1;
    ASSERT_TRUE(FindHeaderValue(Msg, "Empty", pos, false, len));
    EXPECT_EQ(0, len);
    pos = 1;
    EXPECT_FALSE(FindHeaderField(Msg, "Note", pos, false, len));
    // A field that runs to the end of the text without a line break.
    pos = 0;
    ASSERT_TRUE(FindHeaderField("A: 1\nB: 2\n\tmore", "b", pos, true, len));
    EXPECT_EQ(6, pos);
    EXPECT_EQ(10, len);

    EXPECT_TRUE(HasHeaderField(Msg, "x-note", false));
    EXPECT_FALSE(HasHeaderField(Msg, "Note", false));
    EXPECT_FALSE(HasHeaderField("A: 1\r\n\r\nB: 2\r\n", "B", false));
    EXPECT_TRUE(HasHeaderField("A: 1\r\n\r\nB: 2\r\n", "B", true));

    EXPECT_EQ(1, FindHeaderFieldPos("Date: x\nDate: y", "date"));
    EXPECT_EQ(9, FindHeaderFieldPos("Date: x\nDate: y", "date", 2));
    EXPECT_EQ(0, FindHeaderFieldPos("Date: x\rDate: y", "date", 2));
}

TEST(KvMimeHeadersFind, EveryFieldOfANameInTurn)
{
    const std::string h = "Received: one\r\nX: y\r\nreceived: two\r\n  folded\r\nReceived:three\r\n";
    std::vector<std::string> forward, backward;
    for (int pos = 1;;) {
        const std::string v = GetHeaderFieldAt(h, "Received", pos);
        if (pos < 0)
            break;
        forward.push_back(v);
    }
    for (int pos = static_cast<int>(h.size());;) {
        const std::string v = GetHeaderFieldAt(h, "Received", pos, true);
        if (pos < 0)
            break;
        backward.push_back(v);
    }
    EXPECT_EQ((std::vector<std::string>{"one", "two folded", "three"}), forward);
    EXPECT_EQ((std::vector<std::string>{"three", "two folded", "one"}), backward);
}

TEST(KvMimeHeadersFind, FieldStartsAndAttachmentLines)
{
    const std::string t = "X-Content-Type: a\r\ncontent-type : b\nContent-Type: c\rContent-type:d";
    EXPECT_EQ(37, FindFieldStart(t, "Content-Type"));
    EXPECT_EQ(53, FindFieldStart(t, "Content-Type", 38));
    EXPECT_EQ(37, FindFieldStart(t, ContentTypeNamePattern()));
    EXPECT_EQ(53, FindFieldStart(t, ContentTypeNamePattern(), 38));
    EXPECT_EQ(0, FindFieldStart(t, ReceivedNamePattern()));
    EXPECT_EQ(4, FindFieldStart("a\r\nReceived: x", ReceivedNamePattern()));

    const std::string m = "To: a\r\nX-Attachments: C:\\a.txt\r\n\r\nbody\nx-attachments: no\n";
    EXPECT_EQ(8, FindXAttachmentsLine(m, false));
    EXPECT_EQ(0, FindXAttachmentsLine(m, false, 8));
    EXPECT_EQ(40, FindXAttachmentsLine(m, true, 8));
}

TEST(KvMimeHeadersExtent, BodyStartHeaderPartAndFirstLine)
{
    struct TCase {
        std::string Text;
        int Body;
        std::string Header;
    };
    const TCase cases[] = {
        {"A: 1\r\nB: 2\r\n\r\nbody", 15, "A: 1\r\nB: 2\r\n"},
        {"A: 1\nB: 2\n\nbody", 12, "A: 1\nB: 2\n"},
        {"A: 1\n\r\nbody", 8, "A: 1\n"},
        {"A: 1\rB: 2\r\rbody", -1, "A: 1\rB: 2\r\rbody\r\n"},
        {"A: 1\r\n", -1, "A: 1\r\n"},
        {"", -1, ""},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(c.Body, FindBodyStart(c.Text)) << c.Text;
        EXPECT_EQ(c.Header, GetHeaderPart(c.Text)) << c.Text;
    }
    EXPECT_EQ("B: 2\n", GetHeaderPart("A: 1\nB: 2\n\nbody", 6));

    // The header of the text from an offset on (past a From_ line), the body
    // never copied: what HeaderPartOf gives for the rest of the text.
    const struct {
        std::string Text;
        size_t Offset;
        std::string Header;
    } from[] = {
        {"From a\r\nA: 1\r\n\r\nbody", 8, "A: 1\r\n"},
        {"From a\nA: 1\n\nbody", 7, "A: 1\n"},
        {"From a\n\nbody", 7, "\nbody"},  // the rest's first byte ends no line
        {"From a\n\n\nbody", 7, "\n\nbody"},  // nor does the second
        {"From a\nA: 1", 7, "A: 1"},
        {"From a\n", 7, ""},
        {"A: 1\n\nb", 0, "A: 1\n"},
    };
    for (const auto& c : from) {
        EXPECT_EQ(c.Header, HeaderPartFrom(c.Text, c.Offset)) << c.Text;
        EXPECT_EQ(HeaderPartOf(c.Text.substr(c.Offset), false), HeaderPartFrom(c.Text, c.Offset)) << c.Text;
    }

    const std::pair<std::string, std::string> lines[] = {
        {"one\r\ntwo", "two"}, {"one\ntwo", "two"}, {"one\rtwo", "two"}, {"one\n\rtwo", "\rtwo"},
        {"one", ""},           {"", ""},
    };
    for (const auto& [text, rest] : lines) {
        std::string t = text;
        DeleteFirstLine(t);
        EXPECT_EQ(rest, t) << text;
    }
}

TEST(KvMimeHeadersEdit, AddSetAndDeleteFields)
{
    struct TCase {
        char Op;  // 'a' add, 'o' add if absent, 's' set, 'k' set keeping empty, 'd' delete
        std::string Text;
        std::string Name;
        std::string Value;
        std::string Expected;
    };
    const TCase cases[] = {
        {'a', "A: 1\r\n\r\nbody", "B", "2", "A: 1\r\nB: 2\r\n\r\nbody"},
        {'a', "A: 1\n\nbody", "B", "2", "A: 1\nB: 2\r\n\nbody"},
        {'a', "A: 1\r\n", "B", "2", "A: 1\r\nB: 2\r\n"},
        // A last line without its break gets one before the new field.
        {'a', "A: 1", "B", "2", "A: 1\r\nB: 2\r\n"},
        {'a', "", "B", "2", "B: 2\r\n"},
        {'a', "A: 1\r\n", "B", "", "A: 1\r\n"},
        {'o', "A: 1\r\nB: x\r\n", "b", "2", "A: 1\r\nB: x\r\n"},
        {'o', "A: 1\r\n", "B", "2", "A: 1\r\nB: 2\r\n"},
        {'s', "A: 1\r\nB: old\r\n\tmore\r\nC: 3\r\n", "B", "new", "A: 1\r\nB: new\r\nC: 3\r\n"},
        {'s', "A:\r\nC: 3\r\n", "A", "v", "A: v\r\nC: 3\r\n"},
        {'s', "A: 1\r\n\r\nB: body\r\n", "B", "2", "A: 1\r\nB: 2\r\n\r\nB: body\r\n"},
        {'s', "A: 1\r\nB: x\r\n\tfold\r\nC: 3\r\n", "B", "", "A: 1\r\nC: 3\r\n"},
        {'k', "A: 1\r\nB: x\r\nC: 3\r\n", "B", "", "A: 1\r\nB: \r\nC: 3\r\n"},
        {'d', "B: 1\r\nA: 1\r\nB: 2\r\n", "b", "", "A: 1\r\nB: 2\r\n"},
        {'d', "A: 1\r\n", "B", "", "A: 1\r\n"},
    };
    for (const TCase& c : cases) {
        std::string t = c.Text;
        switch (c.Op) {
        case 'a': AddHeaderField(t, c.Name, c.Value); break;
        case 'o': AddHeaderField(t, c.Name, c.Value, true); break;
        case 's': SetHeaderField(t, c.Name, c.Value); break;
        case 'k': SetHeaderField(t, c.Name, c.Value, false); break;
        case 'd': DeleteHeaderField(t, c.Name); break;
        }
        EXPECT_EQ(c.Expected, t) << c.Op << " " << c.Text;
    }
}

TEST(KvMimeHeadersValues, UnfoldAndDecode)
{
    const std::pair<std::string, std::string> unfold[] = {
        {"  a\r\n\tb  ", "a b"},
        {"=?utf-8?Q?a?=\r\n =?utf-8?Q?b?=", "=?utf-8?Q?a?==?utf-8?Q?b?="},
        // Plain text after an encoded word keeps its blank.
        {"=?utf-8?Q?a?=\r\n plain", "=?utf-8?Q?a?= plain"},
        {"a\n\n  \r\nb", "a b"},
        {"\r\n", ""},
    };
    for (const auto& [value, expected] : unfold)
        EXPECT_EQ(expected, UnfoldHeaderValue(value)) << value;

    struct TCase {
        std::string Value;
        int CodePage;
        std::string Expected;
    };
    const TCase decode[] = {
        {"=?iso-8859-1?Q?caf=E9?=", 0, "caf\xE9"},
        {"=?iso-8859-1?Q?caf=E9?=", 65001, "caf\xC3\xA9"},
        {"=?utf-8?B?w6k=?=\r\n =?utf-8?B?w6k=?=", 0, "\xC3\xA9\xC3\xA9"},
        {"one\r\ntwo", 0, "one two"},
        {"one \r\n\ttwo", 0, "one \ttwo"},
        {"a\x01" "b\tc", 0, "a b\tc"},
        {std::string("a\0b", 3), 0, "a b"},
    };
    for (const TCase& c : decode)
        EXPECT_EQ(c.Expected, DecodeHeaderValue(c.Value, c.CodePage)) << c.Value;

    EXPECT_EQ("a b\r\nc", DecodeHeaderText(std::string("a\0b\r\nc", 6), 0));
    EXPECT_EQ("x caf\xE9", DecodeHeaderText("x =?iso-8859-1?Q?caf=E9?=", 0));

    EXPECT_EQ("caf\xE9 au lait", GetDecodedField("Subject", Msg, false));
    EXPECT_EQ("Ann <ann@example.com>", GetFromField(Msg, false));
    EXPECT_EQ("", GetSenderField(Msg, false));
    EXPECT_EQ("r@example.com", GetReplyToField("Reply-To:\r\n r@example.com\r\n", true));
}

TEST(KvMimeHeadersValues, Parameters)
{
    struct TCase {
        std::string Value;
        std::string Name;
        std::string Expected;
    };
    const TCase cases[] = {
        {"text/plain; charset=us-ascii", "charset", "us-ascii"},
        {"text/plain; CHARSET = \"utf-8\" ; format=flowed", "charset", "utf-8"},
        {"multipart/mixed; boundary=\"a;b=c\"; x=1", "boundary", "a;b=c"},
        {"attachment; filename=\"unclosed", "filename", "unclosed"},
        {"a; name*0=\"first \"; name*1=\"second\"", "name", "first second"},
        {"a; name*1=\"second\"; name*0=\"first \"", "name", "first "},
        {"a; name=plain; name*1=more", "name", "plain"},
        {"a; name*0=x; name=plain; name*1=more", "name", "plain"},
        {"a; name*=utf-8''%E9t%E9", "name", "utf-8''%E9t%E9"},
        // Continuations of an extended value join just as plain ones do.
        {"a; name*0*=utf-8''%E9; name*1*=t%E9", "name", "utf-8''%E9t%E9"},
        {"a; name=; name*1=x", "name", "x"},
        {"a; filename=x", "name", ""},
        {"a; nam=x", "name", ""},
        {"", "name", ""},
        {"a; name=x", "", ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(c.Expected, GetParameter(c.Value, c.Name)) << c.Value;
}

TEST(KvMimeHeadersValues, AddressLists)
{
    const std::string list =
        "Friends: \"Doe, John\" <john@example.com> (work, home), ann@example.com;, ,"
        " (only a comment) , last@example.com";
    std::vector<std::string> seen;
    int pos = 1;
    while (pos <= static_cast<int>(list.size()))
        seen.push_back(NextAddress(list, pos));
    EXPECT_EQ((std::vector<std::string>{"\"Doe, John\" <john@example.com>", "ann@example.com", "",
                                        "last@example.com"}),
              seen);

    TStringList strings;
    EXPECT_EQ(3, AddressListToStrings(list, &strings));
    EXPECT_EQ("last@example.com", strings[2]);
    EXPECT_EQ(3, AddressListToStrings("", &strings));
}

// An escaped quote inside a quoted name neither ends the quoting nor lets
// the comma in it split the list.
TEST(KvMimeHeadersValues, EscapedQuoteInsideAQuotedAddress)
{
    const std::string List = "\"Doe \\\"JD, John\" <john@example.com>, ann@example.com";
    TStringList Strings;
    ASSERT_EQ(AddressListToStrings(List, &Strings), 2);
    EXPECT_EQ(Strings[0], "\"Doe \\\"JD, John\" <john@example.com>");
    EXPECT_EQ(Strings[1], "ann@example.com");
}

TEST(KvMimeHeadersValues, ContentTypeCharsetAndDates)
{
    EXPECT_EQ("text/plain; charset=\"windows-1252\"", GetContentType(Msg, false, false));
    EXPECT_EQ("text/plain", GetContentType(Msg, false, true));
    EXPECT_EQ("", GetContentType("Subject: x\r\n\r\nContent-Type: a/b\r\n", false, true));

    EXPECT_EQ("iso-8859-1", GetEncodedWordCharset("x =?iso-8859-1?Q?a?= =?utf-8?Q?b?="));
    EXPECT_EQ("", GetEncodedWordCharset("no words"));
    EXPECT_EQ("", GetEncodedWordCharset("=?unfinished"));

    const std::pair<std::string, int> codePages[] = {
        {Msg, 28591},
        {"Subject: plain\r\nTo: =?UTF-8?B?w6k=?=\r\n\r\n", 65001},
        {"Subject: plain\r\nContent-Type: text/plain; charset=windows-1251\r\n\r\n", 1251},
        {"Subject: =?x-unknown?Q?a?=\r\nContent-Type: text/plain; charset=windows-1250\r\n\r\n", 1250},
        {"Subject: plain\r\n\r\n", -1},
    };
    for (const auto& [text, cp] : codePages)
        EXPECT_EQ(cp, GetMessageCodePage(text)) << text;

    struct TDateCase {
        std::string Text;
        int Source;
        std::string Date;
    };
    const TDateCase dates[] = {
        {"Received: x; Mon, 1 Jan 2001 10:00:00 +0100\r\nDate: Sun, 31 Dec 2000 09:00:00 +0000\r\n\r\n", 7,
         "Sun, 31 Dec 2000 09:00:00 +0000"},
        {Msg, 8, "Mon, 1 Jan 2001 10:00:00 +0100"},
        {"From a@b.cd Mon Jan  1 00:00:00 2001\r\nSubject: x\r\n\r\nDate: body\r\n", 6,
         "Mon Jan  1 00:00:00 2001"},
        {"Subject: x\r\n\r\nDate: body\r\n", 0, ""},
    };
    for (const TDateCase& d : dates) {
        int source = -1;
        EXPECT_EQ(d.Date, GetDateTextWithSource(d.Text, false, source)) << d.Text;
        EXPECT_EQ(d.Source, source) << d.Text;
    }
    EXPECT_EQ("Mon, 1 Jan 2001 10:00:00 +0100", GetReceivedDateText(Msg, false));
    EXPECT_EQ("", GetReceivedDateText("Received: no date\r\n", true));
}

TEST(KvMimeHeadersBuild, WordsAndTypeLines)
{
    const char* const names[] = {"", "7bit", "quoted-printable", "base64", "8bit", "binary", ""};
    for (int k = 0; k <= 6; ++k) {
        EXPECT_EQ(names[k], EncodingName(k));
        if (k >= 1 && k <= 5) {
            EXPECT_EQ(k, TransferEncodingKind(names[k]));
        }
    }
    EXPECT_EQ(0, TransferEncodingKind(""));
    EXPECT_EQ(6, TransferEncodingKind("Base64"));
    EXPECT_EQ(6, TransferEncodingKind("x-uuencode"));
    EXPECT_EQ(0, DispositionKind(""));
    EXPECT_EQ(1, DispositionKind("attachment"));
    EXPECT_EQ(2, DispositionKind("inline"));
    EXPECT_EQ(4, DispositionKind("Inline"));

    EXPECT_EQ("Content-Type: text/plain;\r\n\tcharset=\"utf-8\"\r\nContent-Transfer-Encoding: base64\r\n",
              ContentTypeHeader("text/plain", "utf-8", "base64"));
    EXPECT_EQ("Content-Type: text/html\r\n", ContentTypeHeader("text/html", "", ""));
    EXPECT_EQ("a/b;\r\n\tboundary=\"XY\"", AddTypeParameter("a/b", "XY", "utf-8"));
    EXPECT_EQ("a/b;\r\n\tcharset=\"utf-8\"", AddTypeParameter("a/b", "", "utf-8"));
    EXPECT_EQ("a/b", AddTypeParameter("a/b", ""));
    EXPECT_EQ("a/b", AddCharsetParameter("a/b", ""));
    EXPECT_EQ("Content-Type: multipart/mixed;\r\n\tboundary=\"B1\"\r\n", MultipartTypeLine("B1", MimeMultiMixed));
}

TEST(KvMimeHeadersBuild, QEncodedWords)
{
    EXPECT_EQ("=?windows-1252?Q?caf=E9_=3D_=28x=29?=", EncodeHeaderWordsQ("caf\xE9 = (x)", 1252));
    // Line breaks are encoded: raw, they would end the header line.
    EXPECT_EQ("=?utf-8?Q?a=0D=0Ab\tc?=", EncodeHeaderWordsQ("a\r\nb\tc", 65001));
    EXPECT_EQ("plain", EncodeHeaderWordsQ("plain", 37000));

    // Folded: every word but the first holds at most 74 - 15 characters.
    const std::string folded = EncodeHeaderWordsQ(
        "\xE9t\xE9 word word word word word word word word word word word word word word word", 1252, 20);
    EXPECT_EQ("=?windows-1252?Q?=E9t=E9_word_word_word_word_word?=\r\n"
              "\t=?windows-1252?Q?_word_word_word_word_word_word_word_word_word_word?=",
              folded);
    // An offset beyond the line still leaves room for one character.
    EXPECT_EQ("=?windows-1252?Q?a?=\r\n\t=?windows-1252?Q?_b?=", EncodeHeaderWordsQ("a b", 1252, 500));
    EXPECT_EQ("=?windows-1252?Q?" "?=", EncodeHeaderWordsQ("", 1252, 500));
    // With no "_" in reach the word runs on to the next one.
    EXPECT_EQ("=?windows-1252?Q?" + std::string(70, 'x') + "?=\r\n\t=?windows-1252?Q?_y?=",
              EncodeHeaderWordsQ(std::string(70, 'x') + " y", 1252, 1));
}

TEST(KvMimeHeadersBuild, PartHeaders)
{
    struct TCase {
        std::string Type, Name, ContentId, Encoding;
        std::string Expected;
    };
    const TCase cases[] = {
        {"image/gif", "a.gif", "", "base64",
         "Content-Type: image/gif; name=\"a.gif\"\r\n"
         "Content-Transfer-Encoding: base64\r\n"
         "Content-Disposition: attachment; filename=\"a.gif\"\r\n"},
        {"image/gif", "", "id1@x", "",
         "Content-Type: image/gif\r\n"
         "Content-ID: <id1@x>\r\n"},
        {"image/gif", "a.gif", "id1@x", "",
         "Content-Type: image/gif; name=\"a.gif\"\r\n"
         "Content-Disposition: inline; filename=\"a.gif\"\r\n"
         "Content-ID: <id1@x>\r\n"},
        {"application/octet-stream", "", "", "",
         "Content-Type: application/octet-stream\r\n"
         "Content-Disposition: attachment\r\n"},
        {"application/pdf", std::string(40, 'n') + ".pdf", "", "",
         "Content-Type: application/pdf;\r\n\tname=\"" + std::string(40, 'n') + ".pdf\"\r\n"
         "Content-Disposition: attachment;\r\n\tfilename=\"" + std::string(40, 'n') + ".pdf\"\r\n"},
        {"text/plain", "r\xE9sum\xE9.txt", "", "",
         "Content-Type: text/plain; name=\"=?windows-1252?Q?r=E9sum=E9.txt?=\"\r\n"
         "Content-Disposition: attachment;\r\n\tfilename=\"=?windows-1252?Q?r=E9sum=E9.txt?=\"\r\n"},
        // A name that would end the line or the quoted string is encoded.
        {"text/plain", "a\r\nX-Evil: 1\".txt", "", "",
         "Content-Type: text/plain;\r\n\tname=\"=?windows-1252?Q?a=0D=0AX-Evil:_1=22.txt?=\"\r\n"
         "Content-Disposition: attachment;\r\n\tfilename=\"=?windows-1252?Q?a=0D=0AX-Evil:_1=22.txt?=\"\r\n"},
    };
    for (const TCase& c : cases) {
        std::string header = "old";
        BuildPartHeader(c.Type, c.Name, c.ContentId, header, 1252, c.Encoding);
        EXPECT_EQ(c.Expected, header) << c.Name;
    }
}

TEST(KvMimeHeadersBuild, ShortHeaderForTextOutput)
{
    const std::string header =
        "From a@b.cd Mon Jan  1 00:00:00 2001\r\n"
        "Return-Path: <a@b.cd>\r\n"
        "From: =?iso-8859-1?Q?Ren=E9?= <a@b.cd>\r\n"
        "Fromage: no\r\n"
        "To: x@y.zz,\r\n\tz@y.zz\r\n"
        "X-Mailer: M\r\n\tcontinued\r\n"
        "subject: Hi\r\n"
        "Message-ID: <1@b.cd>\r\n"
        "X-Folder: Inbox\r\n"
        "Cc: #c@y.zz\n"
        "\r\n"
        "To: body@x.yy\r\n";
    std::string full = header;
    full[full.find('#')] = '\0';
    EXPECT_EQ("From a@b.cd Mon Jan  1 00:00:00 2001\r\n"
              "From: Ren\xE9 <a@b.cd>\r\n"
              "To: x@y.zz,\r\n\tz@y.zz\r\n"
              "subject: Hi\r\n"
              "Message-ID: <1@b.cd>\r\n"
              "X-Folder: Inbox\r\n"
              "Cc:  c@y.zz\r\n",
              FilterHeaderForText(full));
}

TEST(KvMimeHeadersBuild, HeaderFieldNames)
{
    const std::pair<std::string, bool> cases[] = {
        {"Subject", true},      {"Content-Type", true}, {"X-Spam-Score2", true}, {"x-1", true},
        {"X2-Name", false},     {"Sub2ject", false},    {"S", false},            {"", false},
        {"Sub ject", false},    {"Sub_ject", false},    {"From ", false},        {"X-", true},
        {"\xC4hnlich", false},
    };
    for (const auto& [name, ok] : cases)
        EXPECT_EQ(ok, IsHeaderFieldName(name)) << name;
}

} // namespace
