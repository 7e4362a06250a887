#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "testkit/TestFolder.h"
#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"
#include "mail/KvBase64.h"
#include "mail/KvMime.h"
#include "mail/KvMimeRender.h"
#include "mail/KvNamedFiles.h"

namespace {

std::string Render(const std::string& Message, TMailOutputKind Kind, TFromLineKind From = flkNone,
                   TDateTime Date = 0, TMailboxKind FormatKind = mbkNone, const std::string& EmbedFolder = "",
                   const std::string& SaveFolder = "")
{
    TKvMimeBlock block(Message, false, true);
    std::string text = "stale";
    GetConvertedText(block, Kind, From, Date, FormatKind, EmbedFolder, SaveFolder, text);
    return text;
}

const std::string Mixed =
    "From: a@b.example\r\nSubject: Mixed\r\nContent-Type: multipart/mixed; boundary=\"XX\"\r\n\r\n"
    "This is a multi-part message in MIME format.\r\n\r\n"
    "--XX\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nHello\r\n\r\n\r\n"
    "--XX\r\nContent-Type: application/octet-stream; name=\"a b.bin\"\r\n"
    "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"a b.bin\"\r\n\r\n"
    "AAEC\r\n--XX--\r\n";

TEST(KvMimeRender, RawTextHasOneShapeForEveryTree)
{
    const struct {
        const char* Name;
        std::string In;
        std::string Out;
    } cases[] = {
        {"single part: header, blank line, body as it stands",
         "Subject: s\r\n\r\nline\r\n", "Subject: s\r\n\r\nline\r\n"},
        {"single part ending in blank lines keeps them", "Subject: s\r\n\r\nline\r\n\r\n\r\n",
         "Subject: s\r\n\r\nline\r\n\r\n\r\n"},
        {"header only", "Subject: s\r\n", "Subject: s\r\n\r\n"},
        {"multipart with preamble: each part keeps exactly its body, the end its bytes", Mixed, Mixed},
        {"a part without header fields keeps one empty line, pass after pass",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n--o\r\n\r\nplain words\r\n--o--\r\n",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n--o\r\n\r\nplain words\r\n--o--\r\n"},
        {"a cut-off inner multipart gets no second boundary line",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n--o\r\nContent-Type: text/plain\r\n\r\nA\r\n"
         "--o\r\nContent-Type: multipart/alternative; boundary=i\r\n\r\n--o--\r\n",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n--o\r\nContent-Type: text/plain\r\n\r\nA\r\n"
         "--o\r\nContent-Type: multipart/alternative; boundary=i\r\n\r\n--o--\r\n"},
        {"nested multiparts keep their blank line, indented preambles and epilogues",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n  indented\r\n  preamble\r\n\r\n"
         "--o\r\nContent-Type: multipart/alternative; boundary=i\r\n\r\n\tinner preamble\r\n"
         "--i\r\nContent-Type: text/plain\r\n\r\nA\r\n--i--\r\n inner epilogue\r\n"
         "--o--\r\n  outer\r\n  epilogue\r\n",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n  indented\r\n  preamble\r\n\r\n"
         "--o\r\nContent-Type: multipart/alternative; boundary=i\r\n\r\n\tinner preamble\r\n"
         "--i\r\nContent-Type: text/plain\r\n\r\nA\r\n--i--\r\n inner epilogue\r\n"
         "--o--\r\n  outer\r\n  epilogue\r\n"},
        {"a nested multipart's blank epilogue keeps its bytes",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n"
         "--o\r\nContent-Type: multipart/alternative; boundary=i\r\n\r\n"
         "--i\r\nContent-Type: text/plain\r\n\r\nA\r\n--i--\r\n\r\n  \r\n--o--\r\n",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n"
         "--o\r\nContent-Type: multipart/alternative; boundary=i\r\n\r\n"
         "--i\r\nContent-Type: text/plain\r\n\r\nA\r\n--i--\r\n\r\n  \r\n--o--\r\n"},
        {"external bodies inside nested multiparts keep their content",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n"
         "--o\r\nContent-Type: multipart/mixed; boundary=i\r\n\r\n"
         "--i\r\nContent-Type: message/external-body; access-type=local-file; name=\"C:\\gone\\a.pdf\"\r\n\r\n"
         "Content-Type: application/pdf\r\n\r\n--i--\r\n--o--\r\n",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n"
         "--o\r\nContent-Type: multipart/mixed; boundary=i\r\n\r\n"
         "--i\r\nContent-Type: message/external-body; access-type=local-file; name=\"C:\\gone\\a.pdf\"\r\n\r\n"
         "Content-Type: application/pdf\r\n\r\n--i--\r\n--o--\r\n"},
        {"a closing line that ends the text", "Content-Type: multipart/mixed; boundary=o\r\n\r\n--o\r\n\r\nA\r\n--o--",
         "Content-Type: multipart/mixed; boundary=o\r\n\r\n--o\r\n\r\nA\r\n--o--"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TKvMimeBlock block(c.In, false, true);
        EXPECT_EQ(c.Out, GetRawText(block));
        EXPECT_EQ(c.Out, Render(c.In, mokRaw));
        // What was written parses to the same text again.
        TKvMimeBlock again(c.Out, false, true);
        EXPECT_EQ(c.Out, GetRawText(again));
        EXPECT_EQ(c.Out, Render(c.Out, mokRaw));
    }
}

// An inner multipart whose closing line was lost gets one, followed by the
// outer boundary line alone: no blank line a second reading would make body.
TEST(KvMimeRender, LostInnerClosingLine)
{
    const std::string in = "Content-Type: multipart/mixed; boundary=o\r\n\r\n"
                           "--o\r\nContent-Type: multipart/alternative; boundary=i\r\n\r\n"
                           "--i\r\nContent-Type: text/plain\r\n\r\nA\r\n--o--\r\n";
    const std::string want = in.substr(0, in.size() - 7) + "--i--\r\n--o--\r\n";
    EXPECT_EQ(GetRawText(TKvMimeBlock(in, false, true)), want);
    EXPECT_EQ(GetRawText(TKvMimeBlock(want, false, true)), want);
}

TEST(KvMimeRender, KindsWithoutTextAndFromLines)
{
    const std::string plain = "Subject: s\r\nDate: Mon, 1 Jan 2001 10:00:00 +0000\r\n\r\nFrom here on\r\n";
    for (int kind : {1, 2, 10, 200})
        EXPECT_EQ("", Render(plain, static_cast<TMailOutputKind>(kind), flkDash, 36892.5)) << kind;

    const std::string body = "Subject: s\r\nDate: Mon, 1 Jan 2001 10:00:00 +0000\r\n\r\nFrom here on\r\n\r\n";
    const std::string withDash = "From - Mon Jan  1 12:00:00 2001\r\n" + body;
    const struct {
        const char* Name;
        std::string In;
        TFromLineKind From;
        TMailboxKind Format;
        std::string Out;
    } cases[] = {
        {"a line is put in front, body From escaped", plain, flkDash, mbkNone,
         "From - Mon Jan  1 12:00:00 2001\r\nSubject: s\r\nDate: Mon, 1 Jan 2001 10:00:00 +0000\r\n\r\n"
         "from here on\r\n"},
        {"a present line of the wanted kind stays", withDash, flkDash, mbkNone, withDash},
        {"it stays, and format 8 escapes the body", withDash, flkDash, mbkPine,
         "From - Mon Jan  1 12:00:00 2001\r\nSubject: s\r\nDate: Mon, 1 Jan 2001 10:00:00 +0000\r\n\r\n"
         "from here on\r\n\r\n"},
        {"kind 1 removes a present line", withDash, flkNone, mbkNone, body},
        {"kind 3 removes it too", withDash, flkOther, mbkNone, body},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Out, Render(c.In, mokRaw, c.From, 36892.5, c.Format)) << c.Name;

    // The digest line records the identity digest on the block.
    TKvMimeBlock block(plain, false, true);
    std::string text;
    GetConvertedText(block, mokRaw, flkDigest, 0, mbkNone, "", "", text);
    EXPECT_EQ(0u, text.find("From MD5: "));
    EXPECT_EQ(32u, block.IdentityDigest.size());
}

TEST(KvMimeRender, ReducedMessages)
{
    const std::string plainOnly = "Subject: p\r\nContent-Type: text/plain\r\n\r\njust text\r\n";
    const std::string alternative =
        "Subject: a\r\nContent-Type: multipart/alternative; boundary=\"AL\"\r\n\r\n"
        "--AL\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
        "--AL\r\nContent-Type: text/html; charset=\"utf-8\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
        "<p>caf=C3=A9</p>\r\n--AL--\r\n";
    const std::string related =
        "Subject: r\r\nContent-Type: multipart/related; boundary=\"RE\"\r\n\r\n"
        "--RE\r\nContent-Type: multipart/alternative; boundary=\"AL\"\r\n\r\n"
        "--AL\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
        "--AL\r\nContent-Type: text/html\r\n\r\n<img src=\"cid:i1\">\r\n--AL--\r\n"
        "--RE\r\nContent-Type: image/gif\r\nContent-ID: <i1>\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        "R0lG\r\n--RE\r\nContent-Type: application/pdf; name=\"x.pdf\"\r\n"
        "Content-Disposition: attachment; filename=\"x.pdf\"\r\n\r\nPDF\r\n--RE--\r\n";
    const std::string html8bit = "Subject: u\r\nContent-Type: multipart/mixed; boundary=M\r\n\r\n"
                                 "--M\r\nContent-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                                 Base64EncodeString("<p>caf\xC3\xA9 <b>bold</b></p>") + "--M--\r\n";
    const struct {
        const char* Name;
        std::string In;
        TMailOutputKind Kind;
        std::string Out;
    } cases[] = {
        {"plain single part is written unchanged", plainOnly, mokReduced, plainOnly},
        {"the HTML body of an alternative", alternative, mokReducedAlt,
         "Subject: a\r\nContent-Type: text/html;\r\n\tcharset=\"utf-8\"\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n\r\n<p>caf=C3=A9</p>\r\n"},
        {"the HTML body with its inline image as a related set", related, mokReduced,
         "Subject: r\r\nContent-Type: multipart/related;\r\n\tboundary=\"RE\"\r\n\r\n"
         "--RE\r\nContent-Type: text/html\r\n\r\n<img src=\"cid:i1\">\r\n\r\n"
         "--RE\r\nContent-Type: image/gif\r\nContent-ID: <i1>\r\nContent-Transfer-Encoding: base64\r\n\r\n"
         "R0lG\r\n\r\n--RE--\r\n"},
        {"plain text with the reduced header", "Subject: a\r\nX-Mailer: m\r\nFrom: f@x.example\r\n"
                                                "Content-Type: multipart/alternative; boundary=\"AL\"\r\n\r\n"
                                                "--AL\r\nContent-Type: text/plain\r\n\r\nplain\r\n--AL--\r\n",
         mokPlainText,
         "Subject: a\r\nFrom: f@x.example\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
         "plain\r\n"},
        {"UTF-8 HTML in ANSI: system charset, never base64", html8bit, mokPlainTextAnsi,
         "Subject: u\r\nContent-Type: text/plain;\r\n\tcharset=\"" + SystemCharset() +
             "\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\ncaf\xE9 bold\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Out, Render(c.In, c.Kind)) << c.Name;
}

class KvMimeRenderFiles : public ::testing::Test {
protected:
    TTestFolder Dir{"render"};
};

TEST_F(KvMimeRenderFiles, AttachmentsSavedAndReferenced)
{
    const std::string twoSame =
        "Subject: t\r\nContent-Type: multipart/mixed; boundary=\"B\"\r\n\r\n"
        "--B\r\nContent-Type: text/plain\r\n\r\nsee files\r\n"
        "--B\r\nContent-Type: text/plain; name=\"a b.txt\"\r\nContent-Disposition: attachment; filename=\"a b.txt\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        Base64EncodeString("same bytes") + "\r\n"
        "--B\r\nContent-Type: text/plain; name=\"a b.txt\"\r\nContent-Disposition: attachment; filename=\"a b.txt\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        Base64EncodeString("same bytes") + "\r\n"
        "--B\r\nContent-Type: text/plain; name=\"c.txt\"\r\nContent-Disposition: attachment; filename=\"c.txt\"\r\n\r\n"
        "one\r\n--B\r\nContent-Type: text/plain; name=\"c.txt\"\r\nContent-Disposition: attachment; filename=\"c.txt\"\r\n\r\n"
        "two\r\n--B--\r\n";
    const std::string out = Render(twoSame, mokSaveAttachments, flkNone, 0, mbkNone, "", Dir.Path());

    // Identical second file: not kept, both references name the first.
    EXPECT_EQ("same bytes", LoadFileToString(Dir.File("Attach\\a b.txt")));
    EXPECT_EQ("one\r\n", LoadFileToString(Dir.File("Attach\\c.txt")));
    int files = 0;
    TTestFolder::ForEachFound(Dir.File("Attach\\*.txt"), [&](const std::string&, const WIN32_FIND_DATAA&) { ++files; });
    EXPECT_EQ(3, files);

    TKvMimeBlock parsed(out, false, true);
    ASSERT_EQ(5, parsed.ChildCount());
    EXPECT_EQ("see files\r\n\r\n", parsed.Child(0)->Body);
    const char* names[] = {"\"Attach\\\\a b.txt\"", "\"Attach\\\\a b.txt\""};
    for (int i = 1; i <= 2; ++i) {
        const TKvMimeBlock* ref = parsed.Child(i);
        EXPECT_EQ("message/external-body", ref->ContentType);
        EXPECT_NE(std::string::npos, ref->Header.find(std::string("name=") + names[i - 1])) << ref->Header;
        EXPECT_NE(std::string::npos, ref->Body.find("Content-Transfer-Encoding: base64")) << ref->Body;
    }
    EXPECT_NE(std::string::npos, parsed.Child(3)->Header.find("name=Attach\\c.txt"));
    const std::string numbered = parsed.Child(4)->Header;
    const std::size_t at = numbered.find("name=Attach\\");
    ASSERT_NE(std::string::npos, at);
    const std::string rel = numbered.substr(at + 5, numbered.find("\r\n", at) - at - 5);
    EXPECT_NE("Attach\\c.txt", rel);
    EXPECT_EQ("two\r\n", LoadFileToString(JoinPath(Dir.Path(), rel)));

    // Kind 0 with the saved tree brings the file contents back.
    std::string back;
    GetConvertedText(parsed, mokRaw, flkNone, 0, mbkNone, Dir.Path(), "", back);
    TKvMimeBlock restored(back, false, true);
    ASSERT_EQ(5, restored.ChildCount());
    EXPECT_EQ("text/plain", restored.Child(1)->ContentType);
    EXPECT_EQ("a b.txt", restored.Child(1)->FileName);
    EXPECT_EQ("same bytes", Base64DecodeString(restored.Child(1)->Body));
    EXPECT_EQ("two\r\n", restored.Child(4)->Body);  // as the message had it
}

// Many parts of one name: each takes the lowest free number, with the gaps
// of a folder filled first; an identical copy of the first file is dropped
// and its number stays free for the next part.
TEST_F(KvMimeRenderFiles, PartsOfOneNameTakeTheLowestFreeNumbers)
{
    ForceFolder(Dir.File("Attach"));
    SaveStringToFile(Dir.File("Attach\\r.txt"), "old\r\n");
    SaveStringToFile(Dir.File("Attach\\r[2].txt"), "old two");
    const char* bodies[] = {"p1", "p2", "p3", "old", "p5"};
    std::string msg = "Subject: t\r\nContent-Type: multipart/mixed; boundary=\"B\"\r\n\r\n";
    for (const char* body : bodies)
        msg += std::string("--B\r\nContent-Type: text/plain; name=\"r.txt\"\r\n"
                           "Content-Disposition: attachment; filename=\"r.txt\"\r\n\r\n") +
               body + "\r\n";
    msg += "--B--\r\n";
    TKvMimeBlock parsed(Render(msg, mokSaveAttachments, flkNone, 0, mbkNone, "", Dir.Path()), false, true);
    const struct {
        const char* Reference;
        const char* Bytes;
    } expected[] = {{"r[1].txt", "p1"}, {"r[3].txt", "p2"}, {"r[4].txt", "p3"}, {"r.txt", "old"}, {"r[5].txt", "p5"}};
    ASSERT_EQ(static_cast<int>(std::size(expected)), parsed.ChildCount());
    for (int i = 0; i < parsed.ChildCount(); ++i) {
        const auto& e = expected[i];
        EXPECT_NE(std::string::npos, parsed.Child(i)->Header.find(std::string("name=Attach\\") + e.Reference + "\r\n"))
            << parsed.Child(i)->Header;
        EXPECT_EQ(LoadFileToString(Dir.File(std::string("Attach\\") + e.Reference)), e.Bytes + std::string("\r\n"));
    }
    EXPECT_EQ("old two", LoadFileToString(Dir.File("Attach\\r[2].txt")));
    EXPECT_FALSE(IsExistingFile(Dir.File("Attach\\r[6].txt")));
}

TEST_F(KvMimeRenderFiles, InlinePartsOnlyInKindFourAndFolderFailures)
{
    const std::string msg =
        "Subject: i\r\nContent-Type: multipart/related; boundary=\"R\"\r\n\r\n"
        "--R\r\nContent-Type: text/html\r\n\r\n<img src=\"cid:p\">\r\n"
        "--R\r\nContent-Type: image/gif\r\nContent-ID: <p>\r\n\r\nGIFDATA\r\n--R--\r\n";
    const std::string kept = Render(msg, mokSaveAttachments, flkNone, 0, mbkNone, "", Dir.Path());
    EXPECT_NE(std::string::npos, kept.find("GIFDATA"));
    const std::string saved = Render(msg, mokSaveAllParts, flkNone, 0, mbkNone, "", Dir.Path());
    EXPECT_EQ(std::string::npos, saved.find("GIFDATA"));
    EXPECT_NE(std::string::npos, saved.find("name=Embedded\\NoName.gif"));
    EXPECT_EQ("GIFDATA\r\n", LoadFileToString(Dir.File("Embedded\\NoName.gif")));

    // A file where the folder should be.
    TTestFolder blocked("render_blocked");
    SaveStringToFile(blocked.File("Embedded"), "x");
    try {
        Render(msg, mokSaveAllParts, flkNone, 0, mbkNone, "", blocked.Path());
        FAIL() << "no exception";
    } catch (const EMimeRenderError& e) {
        EXPECT_EQ("Cannot create folder \"" + blocked.File("Embedded") + "\"", e.Message());
    }
}

TEST_F(KvMimeRenderFiles, DetachedPartsEmbeddedOrReportedMissing)
{
    ForceFolder(Dir.File("away"));
    SaveStringToFile(Dir.File("away\\doc.bin"), std::string("\x00\x01\x02", 3));
    const std::string msg =
        "Subject: d\r\nContent-Type: multipart/mixed; boundary=\"D\"\r\n\r\n"
        "--D\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
        "--D\r\nContent-Type: application/octet-stream; name=\"doc.bin\"\r\nContent-Transfer-Encoding: base64\r\n"
        "X-Content-File: C:\\gone\\away\\doc.bin\r\n\r\n\r\n"
        "--D\r\nContent-Type: application/octet-stream; name=\"lost.bin\"\r\nContent-Transfer-Encoding: base64\r\n"
        "X-Content-File: C:\\gone\\away\\lost.bin\r\n\r\n\r\n--D--\r\n";

    const std::string out = Render(msg, mokRaw, flkNone, 0, mbkNone, Dir.Path());
    EXPECT_EQ(std::string::npos, out.find("X-Content-File: C:\\gone\\away\\doc.bin"));
    EXPECT_NE(std::string::npos, out.find("X-Content-File: C:\\gone\\away\\lost.bin"));
    EXPECT_NE(std::string::npos, out.find("AAEC"));

    TKvMimeBlock block(msg, false, true);
    std::string missing;
    TNamedFileJudge judge;
    EmbedDetachedFiles(block, Dir.Path(), judge, missing);
    EXPECT_EQ("C:\\gone\\away\\lost.bin", missing);
    ASSERT_EQ(3, block.ChildCount());
    EXPECT_EQ(std::string("\x00\x01\x02", 3), Base64DecodeString(block.Child(1)->Body));
    EXPECT_EQ(pkAttachment, block.Child(1)->GetPartKind());
    EXPECT_TRUE(block.Child(2)->HasDetachedParts());

    // A received message's relative name is refused before it is looked
    // for: no missing-file report for it, one refusal.
    std::string arrived = "Received: by mx\r\n" + msg;
    const std::string lost = "C:\\gone\\away\\lost.bin";
    arrived.replace(arrived.find(lost), lost.size(), "lost.bin");
    TKvMimeBlock received(arrived, false, true);
    missing.clear();
    TNamedFileJudge receivedJudge;
    EmbedDetachedFiles(received, Dir.Path(), receivedJudge, missing);
    EXPECT_EQ("C:\\gone\\away\\doc.bin", missing);
    EXPECT_EQ(1, receivedJudge.Refusals());

    std::string full;
    EXPECT_TRUE(ResolveDetachedFile(Dir.Path(), "Z:\\no\\away\\doc.bin", true, full));
    EXPECT_EQ(Dir.File("away\\doc.bin"), full);
    EXPECT_FALSE(ResolveDetachedFile(Dir.Path(), "Z:\\no\\where.bin", true, full));
    EXPECT_EQ("Z:\\no\\where.bin", full);
}

TEST(KvMimeRender, SelfContainedHtml)
{
    const std::string plain = "From: Ann <ann@x.example>\r\nSubject: Tea & <cake>\r\n"
                              "Content-Type: text/plain; charset=us-ascii\r\n\r\nif a<b then\r\n";
    const std::string html = Render(plain, mokHtmlMessage);
    TKvMimeBlock parsed(html, false, true);
    EXPECT_EQ("text/html", parsed.ContentType);
    EXPECT_EQ(2, parsed.EncodingKind);
    std::string cs;
    std::string page;
    parsed.GetDecodedText(cs, page);
    EXPECT_NE(std::string::npos, page.find("<title>Tea &amp; &lt;cake&gt;</title>")) << page;
    EXPECT_NE(std::string::npos, page.find("<pre>\r\nif a&lt;b then")) << page;
    EXPECT_NE(std::string::npos, page.find("ann@x.example")) << page;

    // An attachment alone becomes a mixed message with an HTML page and ids.
    const std::string lone = "Subject: only\r\nContent-Type: application/pdf; name=\"r.pdf\"\r\n"
                             "Content-Transfer-Encoding: base64\r\n\r\nUERG\r\n";
    TKvMimeBlock wrapped(Render(lone, mokHtmlMessage), false, true);
    EXPECT_EQ("multipart/mixed", wrapped.ContentType);
    ASSERT_EQ(2, wrapped.ChildCount());
    EXPECT_EQ("r.pdf", wrapped.Child(0)->FileName);
    EXPECT_EQ("PDF", Base64DecodeString(wrapped.Child(0)->Body));
    EXPECT_EQ(0u, wrapped.Child(0)->ContentId.find("<dravelin-mht-01@"));
    EXPECT_EQ("text/html", wrapped.Child(1)->ContentType);

    // A digest is written as it stands.
    const std::string digest = "Content-Type: multipart/digest; boundary=g\r\n\r\n--g\r\n\r\nSubject: m\r\n\r\nx\r\n--g--\r\n";
    TKvMimeBlock d(digest, false, true);
    EXPECT_EQ(GetRawText(d), Render(digest, mokHtmlMessage));
}

}  // namespace

namespace {

TEST(KvMimeRender, HtmlBodyGetsTitleCharsetAndSummary)
{
    const std::string msg = "Subject: Hi\r\nFrom: a@b.example\r\nContent-Type: multipart/mixed; boundary=M\r\n\r\n"
                            "--M\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
                            "<html><head></head><body><p>x</p></body></html>\r\n"
                            "--M\r\nContent-Type: application/pdf; name=\"r.pdf\"\r\n\r\nPDF\r\n--M--\r\n";
    TKvMimeBlock parsed(Render(msg, mokHtmlMessage), false, true);
    ASSERT_EQ(2, parsed.ChildCount());
    const std::string& page = parsed.Child(0)->Body;
    EXPECT_EQ(0u, page.find("<html><head><meta charset=\"utf-8\">\r\n<title>Hi</title>\r\n</head><body>\r\n"))
        << page;
    const std::size_t summary = page.find("<!-- Dravelin-START -->");
    ASSERT_NE(std::string::npos, summary);
    EXPECT_LT(summary, page.find("<p>x</p>"));
    EXPECT_NE(std::string::npos, page.find("<a href=\"cid:dravelin-mht-01@tessaly.invalid\">r.pdf</a>"));
    EXPECT_EQ("<dravelin-mht-01@tessaly.invalid>", parsed.Child(1)->ContentId);

    // The original tree is left as it was.
    TKvMimeBlock original(msg, false, true);
    std::string text;
    GetConvertedText(original, mokHtmlMessage, flkNone, 0, mbkNone, "", "", text);
    EXPECT_EQ("", original.Child(1)->ContentId);
}

TEST_F(KvMimeRenderFiles, WholeMessageAttachmentSaved)
{
    const std::string lone = "Subject: only\r\nContent-Type: application/pdf; name=\"r.pdf\"\r\n"
                             "Content-Transfer-Encoding: base64\r\n\r\nUERG\r\n";
    EXPECT_EQ("Subject: only\r\nContent-Type: message/external-body;\r\n\taccess-type=local-file;\r\n"
              "\tname=Attach\\r.pdf\r\n\r\nContent-Type: application/pdf; name=\"r.pdf\"\r\n"
              "Content-Transfer-Encoding: base64\r\n",
              Render(lone, mokSaveAttachments, flkNone, 0, mbkNone, "", Dir.Path()));
    EXPECT_EQ("PDF", LoadFileToString(Dir.File("Attach\\r.pdf")));
    // Without a folder nothing is written and the name is referred to.
    EXPECT_NE(std::string::npos, Render(lone, mokSaveAttachments).find("name=r.pdf\r\n"));
}

TEST_F(KvMimeRenderFiles, ClientDetachedPartGetsItsOwnHeaderBack)
{
    SaveStringToFile(Dir.File("x y.pdf"), "%PDF-1");
    const std::string url = "file:///" + Dir.File("x%20y.pdf");
    const std::string msg =
        "Subject: m\r\nContent-Type: multipart/mixed; boundary=\"Q\"\r\n\r\n"
        "--Q\r\nContent-Type: text/plain\r\n\r\nsee\r\n"
        "--Q\r\nContent-Type: text/plain; charset=us-ascii; name=\"x y.pdf\"\r\n"
        "Content-Disposition: attachment; filename=\"x y.pdf\"\r\n"
        "X-Mozilla-External-Attachment-URL: " + url + "\r\n"
        "X-Mozilla-Altered: AttachmentDetached; date=\"Mon Jan 01 10:00:00 2001\"\r\n\r\n"
        "This attachment was stored apart; its headers were:\r\n"
        "Content-Type: application/pdf; name=\"x y.pdf\"\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=\"x y.pdf\"\r\n\r\n--Q--\r\n";
    const std::string expected = "Content-Type: application/pdf; name=\"x y.pdf\"\r\n"
                                 "Content-Transfer-Encoding: base64\r\n"
                                 "Content-Disposition: attachment; filename=\"x y.pdf\"\r\n";

    TKvMimeBlock written(Render(msg, mokRaw, flkNone, 0, mbkNone, Dir.Path()), false, true);
    ASSERT_EQ(2, written.ChildCount());
    EXPECT_EQ(expected, written.Child(1)->Header);
    EXPECT_EQ("%PDF-1", Base64DecodeString(written.Child(1)->Body));

    TKvMimeBlock inPlace(msg, false, true);
    ASSERT_EQ(pkDetachedAttachment, inPlace.Child(1)->GetPartKind());
    std::string missing;
    TNamedFileJudge judge;
    EmbedDetachedFiles(inPlace, "", judge, missing);
    EXPECT_EQ("", missing);
    EXPECT_EQ(expected, inPlace.Child(1)->Header);
    EXPECT_EQ("application/pdf", inPlace.Child(1)->ContentType);
    EXPECT_EQ(pkAttachment, inPlace.Child(1)->GetPartKind());
    EXPECT_EQ("%PDF-1", Base64DecodeString(inPlace.Child(1)->Body));
    EXPECT_EQ(GetRawText(written), GetRawText(inPlace));
}

}  // namespace
