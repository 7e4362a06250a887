#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "testkit/TestFolder.h"
#include "classlib/SysUtils.h"
#include "mail/KvMailBase.h"
#include "mail/KvMailStream.h"

// In KvMailStream_test.cpp.

namespace {

struct TLoaded {
    std::string Text;
    TMimeRebuild Rebuild = TMimeRebuild::None;
    TMailboxKind Kind = mbkNone;
    TMailParseState State = mpsNone;
    std::string Subject;
    bool Apart = false;  // handed over with its header fields apart from the body
};

class KvMailBaseFile : public ::testing::Test {
protected:
    TTestFolder Dir{"mailbase"};

    std::vector<TLoaded> Load(const std::string& Bytes, TMailboxKind Kind, int BufferSize = 64)
    {
        const std::string path = Dir.File("box.mbox");
        EXPECT_TRUE(TTestFolder::Put(path, Bytes));
        TMboxStream reader(path, BufferSize, false, Kind);
        std::vector<TLoaded> r;
        while (reader.NextMessage()) {
            TLoaded m;
            reader.GetMessageText(0, m.Text);
            m.Rebuild = reader.GetRebuild();
            m.Kind = reader.FormatKind;
            m.State = reader.GetParseState();
            // Handed over, the text is the same, and the header still names
            // the message.
            std::string taken;
            reader.TakeMessageText(taken);
            EXPECT_TRUE(taken == m.Text);
            reader.GetSubject(m.Subject);
            r.push_back(m);
        }
        // Handed over with the fields it got apart from its body, a text
        // joins into the same bytes.
        TMboxStream again(path, BufferSize, false, Kind);
        for (TLoaded& m : r) {
            EXPECT_TRUE(again.NextMessage());
            std::string head = "old";
            std::string text;
            size_t skip = 1;
            again.TakeMessageText(text, &head, &skip);
            m.Apart = !head.empty();
            EXPECT_EQ(m.Apart ? head + text.substr(skip) : text, m.Text);
            EXPECT_TRUE(m.Apart || skip == 0);
        }
        return r;
    }
};

}  // namespace

TEST(KvMailBase, RepairNulBytes)
{
    struct Case {
        std::string In, Out;
    };
    const Case cases[] = {
        {std::string("a\0b", 3), "a b"},
        {std::string("a\0\0b", 4), "a  b"},
        {std::string("line\0\r\nnext", 11), "line\r\nnext"},
        {std::string("line\0\0\nnext", 11), "line\nnext"},
        {std::string("end\0\0\0", 6), "end"},
        {std::string("\0\0", 2), ""},
        {"none", "none"},
    };
    for (const Case& c : cases) {
        std::string s = c.In;
        RepairNulBytes(s);
        EXPECT_EQ(s, c.Out);
    }
}

TEST_F(KvMailBaseFile, AddMissingContentTypeOfSingleMessageFiles)
{
    struct Case {
        const char* Name;
        std::string File;
        std::string Want;
    };
    const Case cases[] = {
        {"an html body right at the start", "\r\n<html><body>hi</body></html>",
         "Content-Type: text/html\r\n\r\n<html><body>hi</body></html>"},
        {"white space before the tag goes", "\r\n  \r\n\t<HTML lang=en><p>hi</HTML>",
         "Content-Type: text/html\r\n\r\n<HTML lang=en><p>hi</HTML>"},
        {"a plain message that mentions the tag is plain text",
         "Subject: tags\r\n\r\nPlease put <html> at the top.\r\n",
         "Subject: tags\r\nContent-Type: text/plain\r\n\r\nPlease put <html> at the top.\r\n"},
        {"a bounce quoting an html message is plain text",
         "Subject: bounce\r\n\r\nReturned:\r\n\r\n<!DOCTYPE HTML PUBLIC \"x\">\r\n<html>\r\n",
         "Subject: bounce\r\nContent-Type: text/plain\r\n\r\nReturned:\r\n\r\n<!DOCTYPE HTML PUBLIC \"x\">\r\n<html>\r\n"},
        {"=20 in a header asks for nothing",
         "Received: from a (helo=208.24.118.205)\r\n folded\r\n\r\nplain",
         "Received: from a (helo=208.24.118.205)\r\n folded\r\nContent-Type: text/plain\r\n\r\nplain"},
        {"a header line that is no field: nothing is added",
         "Subject: x\r\nnot a field\r\nTo: y\r\n\r\nbody", "Subject: x\r\nnot a field\r\nTo: y\r\n\r\nbody"},
        {"plain text", "Subject: plain\r\n\r\nJust words.", "Subject: plain\r\nContent-Type: text/plain\r\n\r\nJust words."},
        {"=20 asks for quoted-printable", "Subject: qp\r\n\r\n<html>a=20b</html>",
         "Subject: qp\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n<html>a=20b</html>"},
        {"a part header in the body names the boundary",
         "Subject: parts\r\n\r\n--XYZ\r\nContent-Type: text/plain\r\n\r\nhi\r\n--XYZ--\r\n",
         "Subject: parts\r\nContent-Type: multipart/mixed;\r\n\tboundary=\"XYZ\"\r\n\r\n--XYZ\r\nContent-Type: "
         "text/plain\r\n\r\nhi\r\n--XYZ--\r\n"},
        {"a field already there is left alone", "Content-Type: text/plain\r\n\r\n<html>x</html>",
         "Content-Type: text/plain\r\n\r\n<html>x</html>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<TLoaded> got = Load(c.File, mbkMessageFile);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].Text, c.Want);
    }
}

TEST_F(KvMailBaseFile, MissingContentTypeGoesBelowTheFromLine)
{
    struct Case {
        const char* Name;
        std::string Message;
        std::string Want;
        std::string Subject;
    };
    const std::string from = "From c@d Mon Jan  1 00:00:00 2024";
    // Lines of a body that runs past the window and the blocks a larger
    // message is read in (64 KiB from its start); Edge is where the first
    // block's last byte falls in a body after "Subject: x".
    const auto lines = [](size_t count, const std::string& br) {
        std::string r;
        for (size_t i = 0; i < count; ++i)
            r += std::string(90, 'x') + " =2 =3D=0" + br;
        return r;
    };
    const size_t edge = 0x10000 - 1 - (from.size() + 13);
    const auto body = [&](size_t at, const std::string& end, const std::string& br) {
        return lines(at / 100, br) + std::string(at % 100, 'y') + end;
    };
    const std::string qp = "Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
    const Case cases[] = {
        {"a header without a blank line", from + "\nSubject: headers only\nX-Seq: 2\n",
         from + "\r\nSubject: headers only\r\nX-Seq: 2\r\nContent-Type: text/plain\r\n", "headers only"},
        {"nothing but the From line", from + "\n", from + "\r\nContent-Type: text/plain\r\n", ""},
        {"a header and a body", from + "\nSubject: both\n\nbody =20\n",
         from + "\r\nSubject: both\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\nbody =20",
         "both"},
        {"a blank line right after the From line", from + "\n\n<html>hi</html>\n",
         from + "\r\nContent-Type: text/html\r\n\r\n<html>hi</html>", ""},
        {"body lines without a header", from + "\nhello there\nsecond line\n",
         from + "\r\nContent-Type: text/plain\r\n\r\nhello there\r\nsecond line", ""},
        // The body is told quoted-printable by an "=20" anywhere in it, the
        // header's aside, however far in and wherever the blocks it is read
        // in end.
        {"=20 in the header only", from + "\nReceived: from a (helo=208.24.118.205)\nSubject: h\n\n" + lines(1500, "\n"),
         from + "\r\nReceived: from a (helo=208.24.118.205)\r\nSubject: h\r\nContent-Type: text/plain\r\n\r\n" +
             lines(1499, "\r\n") + lines(1, ""), "h"},
        {"=20 far in the body", from + "\nSubject: f\n\n" + lines(1500, "\n") + "=20\n",
         from + "\r\nSubject: f\r\n" + qp + lines(1500, "\r\n") + "=20", "f"},
        {"=20 across a block edge", from + "\nSubject: e\n\n" + body(edge, "=20\n", "\n"),
         from + "\r\nSubject: e\r\n" + qp + body(edge, "=20", "\r\n"), "e"},
        {"=20 two bytes before a block edge", from + "\nSubject: e\n\n" + body(edge - 1, "=20\n", "\n"),
         from + "\r\nSubject: e\r\n" + qp + body(edge - 1, "=20", "\r\n"), "e"},
        {"=20 right after a block edge", from + "\nSubject: e\n\n" + body(edge + 1, "=20\n", "\n"),
         from + "\r\nSubject: e\r\n" + qp + body(edge + 1, "=20", "\r\n"), "e"},
        {"=2 across a block edge", from + "\nSubject: e\n\n" + body(edge - 1, "=21 =2\n", "\n"),
         from + "\r\nSubject: e\r\nContent-Type: text/plain\r\n\r\n" + body(edge - 1, "=21 =2", "\r\n"), "e"},
        // Lines from a NUL on are cleaned apart from the scan.
        {"=20 opens the line of a NUL", from + "\nSubject: n\n\nl1\nl2\n=20 a" + std::string(1, '\0') + "b\n",
         from + "\r\nSubject: n\r\n" + qp + "l1\r\nl2\r\n=20 a b", "n"},
        {"=20 after a NUL", from + "\nSubject: n\n\nl1\nl2\na" + std::string(1, '\0') + "b\nc =20\n",
         from + "\r\nSubject: n\r\n" + qp + "l1\r\nl2\r\na b\r\nc =20", "n"},
        {"=20 in the header, a NUL in the body",
         from + "\nReceived: from a (helo=208.24.118.205)\nSubject: n\n\nl1\nl2\na" + std::string(1, '\0') + "b\n",
         from + "\r\nReceived: from a (helo=208.24.118.205)\r\nSubject: n\r\nContent-Type: text/plain\r\n\r\nl1\r\nl2\r\na b",
         "n"},
    };
    const std::string before = "From a@b Mon Jan  1 00:00:00 2024\nSubject: first\nContent-Type: text/plain\n\none\n";
    const std::string after = "From e@f Mon Jan  1 00:00:00 2024\nSubject: last\nContent-Type: text/plain\n\nthree\n";
    for (const Case& c : cases)
        for (int size : {1, 7, 64, DefaultMailBufferSize}) {
            SCOPED_TRACE(std::string(c.Name) + " buffer " + std::to_string(size));
            const std::vector<TLoaded> got = Load(before + c.Message + after, mbkMbox, size);
            ASSERT_EQ(got.size(), 3u);
            // The neighbours are untouched and nothing is glued onto them.
            EXPECT_EQ(got[0].Text, "From a@b Mon Jan  1 00:00:00 2024\r\nSubject: first\r\nContent-Type: text/plain\r\n\r\none");
            EXPECT_EQ(got[1].Text, c.Want);
            EXPECT_EQ(got[1].Subject, c.Subject);
            // Fields added to a text with a large body leave the body where
            // it lies.
            const size_t blank = c.Want.find("\r\n\r\n");
            EXPECT_EQ(got[1].Apart, blank != std::string::npos && c.Want.size() - blank - 4 >= BodyLeftInPlace);
            EXPECT_FALSE(got[0].Apart);
            EXPECT_EQ(got[2].Subject, "last");
        }
    // A body of 64 KiB or more stays where it lies; a smaller one is moved.
    for (const size_t size : {0x10000u, 0xFFFFu}) {
        const std::string z(size, 'z');
        const std::vector<TLoaded> got = Load(before + from + "\nSubject: s\nTo: t\n\n" + z + "\n" + after, mbkMbox);
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(got[1].Text, from + "\r\nSubject: s\r\nTo: t\r\nContent-Type: text/plain\r\n\r\n" + z);
        EXPECT_EQ(got[1].Apart, size == 0x10000u);
    }
    // A message file without header whose first word is "From" has no
    // envelope line to keep in front: the field comes first.
    const std::vector<TLoaded> file = Load("From my side, yes.\r\nSecond line.", mbkMessageFile);
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].Text, "Content-Type: text/plain\r\n\r\nFrom my side, yes.\r\nSecond line.");
    // A mailbox's first line stays first, whether or not it reads as a
    // separator.
    const std::vector<TLoaded> odd = Load("From x\nhello there\n" + before, mbkMbox);
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(odd[0].Text, "From x\r\nContent-Type: text/plain\r\n\r\nhello there");
    // A message of its From_ line alone gets the field on every mbox road:
    // its file is no empty one.
    for (TMailboxKind kind : {mbkMbox, mbkPine}) {
        const std::vector<TLoaded> lone = Load(before + from + "\n\n" + after, kind);
        ASSERT_EQ(lone.size(), 3u);
        EXPECT_EQ(lone[1].Text, from + "\r\nContent-Type: text/plain\r\n") << kind;
        // A mailbox's first line, loose as it may be, stays above the field.
        const std::vector<TLoaded> first = Load("From x\n\n" + before, kind);
        ASSERT_EQ(first.size(), 2u);
        EXPECT_EQ(first[0].Text, "From x\r\nContent-Type: text/plain\r\n") << kind;
    }
    const std::vector<TLoaded> preface = Load("Preface line\n" + before, mbkMbox);
    ASSERT_EQ(preface.size(), 2u);
    EXPECT_EQ(preface[0].Text, "Preface line");
    // A byte-order mark ahead of the first separator stays ahead of it,
    // and the fields go below the separator as in any other message.
    const std::vector<TLoaded> marked = Load("\xEF\xBB\xBF" + from + "\nSubject: m\n\nhi =20\n" + before, mbkMbox);
    ASSERT_EQ(marked.size(), 2u);
    EXPECT_EQ(marked[0].Text, "\xEF\xBB\xBF" + from + "\r\nSubject: m\r\n" + qp + "hi =20");
}

TEST_F(KvMailBaseFile, MessagesThatNeedTheMimeEngineAreRebuilt)
{
    struct Case {
        const char* Name;
        TMailboxKind Kind;
        std::string Message;
        TMimeRebuild Rebuild;
        TMailboxKind KindAfter;
    };
    const std::string from = "From a@b.cd Mon Jan  1 10:00:00 2001\r\n";
    const std::string eudora = "From ???@??? Mon Jan  1 10:00:00 2001\r\n";
    const std::string plain = "Content-Type: text/plain\r\n";
    const Case cases[] = {
        {"ordinary mbox message", mbkMbox, from + plain + "\r\nx", TMimeRebuild::None, mbkMbox},
        {"external body", mbkMozilla, from + "Content-Type: message/external-body; name=\"a\"\r\n\r\nx", TMimeRebuild::MimeBlock, mbkMozilla},
        {"detached by Mozilla", mbkMozilla, from + plain + "X-Mozilla-Altered: AttachmentDetached\r\n\r\nx",
         TMimeRebuild::MimeBlock, mbkMozilla},
        {"attachment lines", mbkMbox, from + plain + "X-Attachments: C:\\a.txt\r\n\r\nx", TMimeRebuild::Detached, mbkMboxAttachLines},
        {"uuencoded block", mbkPine, from + plain + "\r\nbegin 644 a.txt\r\n#86)C\r\n`\r\nend\r\n", TMimeRebuild::Decode, mbkPine},
        {"uuencode-like line of the wrong length", mbkPine, from + plain + "\r\nbegin 644 a.txt\r\n#86)C12\r\n",
         TMimeRebuild::None, mbkPine},
        {"Eudora text message", mbkEudoraMbx, eudora + plain + "\r\nx", TMimeRebuild::EudoraBody, mbkEudoraMbx},
        {"Eudora multipart message", mbkEudoraMbx, eudora + "Content-Type: multipart/mixed; boundary=b\r\n\r\nx",
         TMimeRebuild::Detached, mbkEudoraMbx},
        {"Mac Eudora message", mbkMacEudora, eudora + plain + "\r\nx", TMimeRebuild::Detached, mbkMacEudora},
        {"Eudora message with an address", mbkEudoraMbx, from + plain + "\r\nx", TMimeRebuild::None, mbkEudoraMbx},
        {"store of kind 10", mbkCalypso, from + plain + "\r\nx", TMimeRebuild::Detached, mbkCalypso},
        {"attachment field of kind 13", mbkPoco1, from + plain + "X-Poco-Attachment: a.txt\r\n\r\nx", TMimeRebuild::Detached, mbkPoco1},
        {"content file of kind 19", mbkContentFile1, from + plain + "X-Content-File: a.txt\r\n\r\nx", TMimeRebuild::MimeBlock, mbkContentFile1},
        {"attachment field of kind 21", mbkPegasus, from + plain + "X-RS-Attach: a.txt\r\n\r\nx", TMimeRebuild::Detached, mbkPegasus},
        {"finfo field of kind 22", mbkPegasus, from + plain + "X-finfo: a.txt\r\n\r\nx", TMimeRebuild::DetachedFinfo, mbkPegasus},
        {"removed section of kind 23", mbkReaderNamed, from + plain + "\r\n[This section was removed and saved as file a]\r\n",
         TMimeRebuild::MimeBlock, mbkReaderNamed},
        // The marks are seen at every line start as the message is read,
        // a block of a large message's read beginning right at one too.
        {"a mark after a bare CR", mbkMbox, from + plain + "\r\nx\rX-MOZILLA-ALTERED: ATTACHMENTDETACHED\r\n",
         TMimeRebuild::MimeBlock, mbkMbox},
        {"a mark at the start of a block", mbkMbox,
         from + plain + "\r\n1\r\n2\r\n" + std::string(0x10000 - from.size() - plain.size() - 10, 'x') +
             "\r\ncontent-type: message/external-body\r\n",
         TMimeRebuild::MimeBlock, mbkMbox},
        {"a mark inside a line is text", mbkMbox, from + plain + "\r\nsee content-type: message/external-body\r\n",
         TMimeRebuild::None, mbkMbox},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<TLoaded> got = Load(c.Message, c.Kind);
        ASSERT_EQ(got.size(), 1u);
        // Text-state messages come out as read, their last line break
        // included; rebuilt ones keep their separator line on top.
        const TMailParseState state = c.Rebuild == TMimeRebuild::None || c.Rebuild == TMimeRebuild::EudoraBody
                                          ? mpsText
                                          : c.Rebuild == TMimeRebuild::MimeBlock ? mpsMimeBlock : mpsParts;
        EXPECT_EQ(got[0].State, state);
        if (state == mpsText)
            EXPECT_EQ(got[0].Text, c.Message);
        else
            EXPECT_EQ(got[0].Text.substr(0, c.Message.find('\n') + 1), c.Message.substr(0, c.Message.find('\n') + 1));
        EXPECT_EQ(got[0].Rebuild, c.Rebuild);
        EXPECT_EQ(got[0].Kind, c.KindAfter);
    }
    // Kind 11 holds for the message with attachment lines only.
    const std::vector<TLoaded> got =
        Load("From a@b.cd Mon Jan  1 10:00:00 2001\nContent-Type: text/plain\nX-Attachments: a\n\nx\n"
             "From a@b.cd Mon Jan  1 10:00:00 2001\nContent-Type: text/plain\n\ny\n",
             mbkMbox);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].Kind, mbkMboxAttachLines);
    EXPECT_EQ(got[1].Kind, mbkMbox);
    EXPECT_EQ(got[1].Rebuild, TMimeRebuild::None);
    // A mark in a line after a NUL, in a message the window holds.
    const std::string nul = from + plain + "\r\n1\r\n2\r\n3\r\nx" + std::string(1, '\0') +
                            "\r\nX-Mozilla-Altered: AttachmentDetached\r\n";
    const std::vector<TLoaded> late = Load(from + plain + "\r\nx\r\n" + nul, mbkMozilla, DefaultMailBufferSize);
    ASSERT_EQ(late.size(), 2u);
    EXPECT_EQ(late[1].Rebuild, TMimeRebuild::MimeBlock);
}

TEST_F(KvMailBaseFile, DatesSubjectsAndFlagCache)
{
    const std::string path = Dir.File("box.mbox");
    ASSERT_TRUE(TTestFolder::Put(path,
                          "From a@b.cd Mon Jan  1 10:20:30 2001\n"
                          "Date: Tue, 2 Jan 2001 08:00:00 +0100\nSubject: =?utf-8?Q?Gr=C3=BC=C3=9Fe?= all\n"
                          "Content-Type: text/plain\nX-Mozilla-Status: 0001\n\nx\n"
                          "From b@b.cd Wed Jan  3 11:00:00 2001\nSubject: =?iso-8859-1?Q?caf=E9?=\n"
                          "Content-Type: text/plain\nStatus: RO\nX-Status: D\n\ny\n"
                          "From c@b.cd Thu Jan  4 12:00:00 2001\nContent-Type: text/plain\n\nz\n"));
    TMboxStream reader(path, 64, false, mbkMozilla);
    struct Want {
        std::string Subject, Date;
        TDateTime Envelope;
        bool Deleted;
        int CodePage;  // the subject's charset
    };
    const Want want[] = {
        {"Gr\xC3\xBC\xC3\x9F" "e all", "Tue, 2 Jan 2001 08:00:00 +0100", EncodeDate(2001, 1, 1) + EncodeTime(10, 20, 30, 0), false, 65001},
        {"caf\xE9", "Wed Jan  3 11:00:00 2001", EncodeDate(2001, 1, 3) + EncodeTime(11, 0, 0, 0), true, 28591},
        {"", "Thu Jan  4 12:00:00 2001", EncodeDate(2001, 1, 4) + EncodeTime(12, 0, 0, 0), false, -1},
    };
    for (const Want& w : want) {
        ASSERT_TRUE(reader.NextMessage());
        std::string s;
        reader.GetSubject(s);
        EXPECT_EQ(s, w.Subject);
        reader.GetDateText(s);
        EXPECT_EQ(s, w.Date);
        ASSERT_TRUE(reader.GetEnvelopeDate());
        EXPECT_NEAR(reader.GetEnvelopeDate()->GetDateTime(), w.Envelope, 1e-6);
        EXPECT_EQ(reader.IsDeleted(), w.Deleted);
        // Computed once per message: a later folder change does not count.
        reader.FolderFlags = mfDeleted;
        EXPECT_EQ(reader.IsDeleted(), w.Deleted);
        reader.FolderFlags = 0;
        // Without a Date field the separator line's date stands in.
        // The error log's columns come from the same lookups.
        EXPECT_EQ(reader.LogSubject(), w.Subject);
        EXPECT_EQ(reader.LogDateText(), w.Date);
        EXPECT_EQ(reader.MessageCodePage(), w.CodePage);
    }
    EXPECT_FALSE(reader.NextMessage());
    EXPECT_FALSE(reader.NextMessage());
}
