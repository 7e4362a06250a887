#include <gtest/gtest.h>

#include <string>

#include "testkit/ErrorLogAt.h"
#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "mail/KvMime.h"
#include "mail/KvMsgParts.h"
#include "mail/KvNamedFiles.h"
#include "testkit/PartTreeShape.h"

namespace {

void PutBytes(const std::string& Path, const std::string& Bytes)
{
    HANDLE f = CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(f, Bytes.data(), static_cast<DWORD>(Bytes.size()), &put, nullptr);
    CloseHandle(f);
}

// The error log lines written while Body runs, header line left out.
template <class F>
std::string LoggedLines(const TTestFolder& Dir, F Body)
{
    const std::string log = Dir.File("errors.txt");
    DeleteFileA(log.c_str());
    {
        const TErrorLogAt errorLog(log);
        Body();
    }
    std::string text = LoadFileToString(log);
    const size_t first = text.find('\n');
    return first == std::string::npos ? std::string() : text.substr(first + 1);
}

}  // namespace

TEST(KvMsgParts, HeaderAndBodySplit)
{
    struct Case {
        const char* Name;
        std::string Text, Header, Body;
    };
    const Case cases[] = {
        {"CRLF", "A: 1\r\nB: 2\r\n\r\nbody\r\n", "A: 1\r\nB: 2\r\n", "body\r\n"},
        {"LF", "A: 1\n\nbody", "A: 1\n", "body"},
        {"no blank line: all header", "A: 1\r\nB: 2\r\n", "A: 1\r\nB: 2\r\n", ""},
        {"empty body", "A: 1\r\n\r\n", "A: 1\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TMessageParts p;
        p.ParseMessageText(c.Text);
        EXPECT_EQ(p.Header, c.Header);
        EXPECT_EQ(p.PlainText, c.Body);
    }
}

TEST(KvMsgParts, UuencodedBlocksBecomeAttachments)
{
    const std::string head = "From: a@b.cd\r\nSubject: s\r\nContent-Transfer-Encoding: 7bit\r\n";
    const std::string blockA = "begin 644 a.txt\r\n#86)C\r\n`\r\nend\r\n";
    const std::string blockB = "begin 600 b c.bin\r\n#86)C\r\n`\r\nend\r\n";
    {
        TMessageParts p;
        p.ParseMessageText(head + "Content-Type: text/plain\r\n\r\nbefore\r\n" + blockA + "between\r\n" + blockB);
        ASSERT_EQ(p.AttachmentCount(), 2);
        EXPECT_EQ(p.Attachment(0)->FileName, "a.txt");
        EXPECT_EQ(p.Attachment(1)->FileName, "b c.bin");
        EXPECT_EQ(p.Attachment(0)->DataBytes(), "abc");
        EXPECT_EQ(p.PlainText, "before\r\nbetween\r\n");
        EXPECT_EQ(p.MediaType, "multipart/mixed");
        EXPECT_EQ(p.Header.find("Content-Transfer-Encoding"), std::string::npos);
        EXPECT_NE(p.Header.find("MIME-Version: 1.0\r\n"), std::string::npos);
        std::string text;
        p.RenderMessage(0, 1, text);
        TKvMimeBlock back(text, false, true);
        // Text content of an unknown extension is written as text.
        EXPECT_EQ(PartTreeShape(back), "multipart/mixed[text/plain,text/plain(a.txt),text/plain(b c.bin)]") << text;
        EXPECT_EQ(NamedPartBytes(back, "b c.bin"), "abc\r\n");  // the break is the boundary line's
        // The text part keeps its text; the last break is the boundary line's.
        EXPECT_EQ(back.Child(0)->Body, "before\r\nbetween\r\n");
    }
    {
        // An HTML message keeps its remaining text as HTML.
        TMessageParts p;
        p.ParseMessageText(head + "Content-Type: text/html\r\n\r\n<p>x</p>\r\n" + blockA);
        EXPECT_EQ(p.Html, "<p>x</p>\r\n");
        EXPECT_EQ(p.PlainText, "");
        EXPECT_EQ(p.AttachmentCount(), 1);
    }
    // Four complete blocks become four attachments, whether a blank line or
    // text stands between them.
    const struct {
        const char* Name;
        const char* Between;
        const char* Left;
    } gaps[] = {{"blank lines", "\r\n", "before\r\n"}, {"text", "text\r\n", "before\r\ntext\r\ntext\r\ntext\r\n"},
                {"nothing", "", "before\r\n"}};
    for (const auto& g : gaps) {
        SCOPED_TRACE(g.Name);
        std::string body = "before\r\n";
        for (int i = 1; i <= 4; ++i)
            body += (i > 1 ? std::string(g.Between) : std::string()) + "begin 644 f" + std::to_string(i) +
                    ".txt\r\n#86)C\r\n`\r\nend\r\n";
        TMessageParts p;
        p.ParseMessageText(head + "Content-Type: text/plain\r\n\r\n" + body);
        ASSERT_EQ(p.AttachmentCount(), 4);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(p.Attachment(i)->FileName, "f" + std::to_string(i + 1) + ".txt");
            EXPECT_EQ(p.Attachment(i)->DataBytes(), "abc");
        }
        EXPECT_EQ(p.PlainText, g.Left);
    }
    {
        // A block's name is never opened to guess its type: here it names a
        // file of the machine that looks like a picture.
        TTestFolder dir("uuname");
        ASSERT_TRUE(TTestFolder::Put(dir.File("picture"), "GIF89a local bytes"));
        TMessageParts p;
        p.ParseMessageText(head + "Content-Type: text/plain\r\n\r\nbegin 644 " + dir.File("picture") +
                           "\r\n#86)C\r\n`\r\nend\r\n");
        std::string text;
        p.RenderMessage(0, 1, text);
        EXPECT_EQ(text.find("image/gif"), std::string::npos) << text;
    }
    {
        // Nothing uuencoded: the message stays what it was.
        TMessageParts p;
        p.ParseMessageText(head + "Content-Type: text/plain\r\n\r\nbegin here\r\n");
        EXPECT_EQ(p.AttachmentCount(), 0);
        EXPECT_EQ(p.MediaType, "text/plain");
        EXPECT_EQ(p.PlainText, "begin here\r\n");
    }
}

TEST(KvMsgParts, AttachmentsFromFilesAndParts)
{
    TTestFolder dir("msgparts");
    const std::string binary("GIF89a\0\x01\x02", 9);
    PutBytes(dir.File("pic.gif"), binary);
    PutBytes(dir.File("note.txt"), "plain words\r\n");
    const std::string missing = dir.File("gone.pdf");
    struct Case {
        const char* Name;
        std::string Path;
        const char* ContentId;
        std::string Bytes, Encoding, Type, Logged;
    };
    const Case cases[] = {
        {"binary file", dir.File("pic.gif"), "", binary, "base64", "", ""},
        {"text file", dir.File("note.txt"), "", "plain words\r\n", "", "", ""},
        {"missing file", missing, "", "Attachment not found:\r\n" + missing + "\r\n", "7bit", "text/plain",
         "Attachment not found: \"" + missing + "\"\t"},
        {"missing inline file", missing, "id@x", "Email file not found:\r\n" + missing + "\r\n", "7bit", "text/plain",
         "Email file not found: \"" + missing + "\"\t"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TAttachment a;
        a.ContentId = c.ContentId;
        TNamedFileJudge judge;
        const std::string logged = LoggedLines(dir, [&] {
            a.LoadFile(judge.JudgeFile(c.Path, TNamedFileTrust::SentCopy, false, {}), std::string(), false);
        });
        EXPECT_EQ(a.DataBytes(), c.Bytes);
        EXPECT_EQ(a.TransferEncoding, c.Encoding);
        EXPECT_EQ(a.ContentType, c.Type);
        EXPECT_EQ(a.GetFullPath(), c.Path);
        EXPECT_EQ(a.FileName, c.Path.substr(c.Path.rfind('\\') + 1));
        if (c.Logged.empty())
            EXPECT_EQ(logged, "");
        else
            EXPECT_EQ(logged.substr(0, c.Logged.size()), c.Logged);
    }

    // Content ids lose their angle brackets, a lone "<" too.
    const struct {
        const char* Field;
        const char* Id;
    } ids[] = {{"<a@b>", "a@b"}, {"<a@b", "a@b"}, {"a@b", "a@b"}};
    for (const auto& i : ids) {
        TKvMimeBlock part("Content-Type: image/gif; name=\"p.gif\"\r\nContent-Transfer-Encoding: base64\r\n"
                          "Content-ID: " + std::string(i.Field) + "\r\n\r\nR0lGODlh\r\n",
                          false, true);
        TAttachment a;
        a.AssignFromPart(part);
        EXPECT_EQ(a.ContentId, i.Id) << i.Field;
        EXPECT_EQ(a.DataBytes(), "GIF89a");
        EXPECT_EQ(a.FileName, "p.gif");
        EXPECT_EQ(a.GetKind(), 2);
    }
}

TEST(KvMsgParts, CountsAndPartsOfAMimeTree)
{
    TKvMimeBlock tree("Subject: t\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                      "--b\r\nContent-Type: text/plain\r\n\r\nhello\r\n"
                      "--b\r\nContent-Type: application/pdf; name=\"r.pdf\"\r\nContent-Transfer-Encoding: base64\r\n"
                      "Content-Disposition: attachment; filename=\"r.pdf\"\r\n\r\nJVBERi0=\r\n--b--\r\n",
                      false, true);
    TMessageParts p;
    p.FillFromMimeBlock(tree);
    EXPECT_EQ(p.PlainText.substr(0, 5), "hello");
    ASSERT_EQ(p.AttachmentCount(), 1);
    EXPECT_EQ(p.Attachment(0)->FileName, "r.pdf");
    EXPECT_EQ(p.Attachment(0)->DataBytes(), "%PDF-");
    EXPECT_EQ(p.EmbeddedCount(), 0);
    EXPECT_TRUE(p.HasSeveralParts());

    struct Case {
        const char* Plain;
        const char* Html;
        int Attachments;
        bool Several;
    };
    const Case cases[] = {
        {"x", "", 0, false}, {"x", "<p>x</p>", 0, true}, {" \r\n", "<p>x</p>", 0, false},
        {"", "", 1, false},  {"", "", 2, true},          {"x", "", 1, true},
    };
    for (const Case& c : cases) {
        TMessageParts q;
        q.PlainText = c.Plain;
        q.Html = c.Html;
        for (int i = 0; i < c.Attachments; ++i)
            q.AddAttachment();
        EXPECT_EQ(q.HasSeveralParts(), c.Several) << c.Plain << "|" << c.Html << "|" << c.Attachments;
    }
}
