#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "tests/mail/DeepMultipart.h"
#include "testkit/TestFolder.h"
#include "classlib/Classes.h"
#include "foundation/KvFiles.h"
#include "mail/KvBase64.h"
#include "mail/KvMime.h"
#include "mail/KvMimeRender.h"
#include "mail/KvMimeHeaders.h"

namespace {

// Line breaks shown as "|" so that expected trees read on one line each.
std::string Visible(const std::string& S)
{
    std::string r;
    for (std::size_t i = 0; i < S.size(); ++i) {
        if (S[i] == '\r' && i + 1 < S.size() && S[i + 1] == '\n') {
            r += '|';
            ++i;
        } else if (S[i] == '\n' || S[i] == '\r') {
            r += '|';
        } else {
            r += S[i];
        }
    }
    return r;
}

// One line per block: type, disposition kind, part kind, truncated flag,
// file name, and the decoded body of a leaf.
void Describe(TKvMimeBlock& B, std::string& Out)
{
    Out += std::string(static_cast<std::size_t>(B.GetLevel()) * 2, ' ') + B.ContentType + " d" +
           std::to_string(B.DispositionKind) + " k" + std::to_string(B.GetPartKind()) + " t" +
           std::to_string(B.GetTruncated());
    if (!B.FileName.empty())
        Out += " \"" + B.FileName + "\"";
    if (B.ChildCount() == 0) {
        std::string cs;
        std::string text;
        B.GetDecodedText(cs, text);
        Out += " =" + Visible(text);
    }
    Out += "\n";
    for (int i = 0; i < B.ChildCount(); ++i)
        Describe(*B.Child(i), Out);
}

std::string Tree(const std::string& Message)
{
    TKvMimeBlock root(Message, false, true);
    std::string out;
    Describe(root, out);
    return out;
}

std::string SampleMessage(const std::string& Name)
{
    return ReadTestData("mime/" + Name);
}

const std::string Mixed =
    "From: a@example.org\r\n"
    "Subject: mixed\r\n"
    "Content-Type: multipart/mixed; boundary=\"outer\"\r\n"
    "\r\n"
    "This is a multi-part message in MIME format.\r\n"
    "--outer\r\n"
    "Content-Type: multipart/alternative; boundary=inner\r\n"
    "\r\n"
    "--inner\r\n"
    "Content-Type: text/plain; charset=iso-8859-1\r\n"
    "Content-Transfer-Encoding: quoted-printable\r\n"
    "\r\n"
    "caf=E9 =\r\n"
    "au lait\r\n"
    "--inner\r\n"
    "Content-Type: text/html; charset=iso-8859-1\r\n"
    "\r\n"
    "<p>hi</p>\r\n"
    "--inner--\r\n"
    "\r\n"
    "--outer\r\n"
    "Content-Type: application/pdf; name*0*=iso-8859-1''r%E9sum; name*1*=%E9.pdf\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment\r\n"
    "\r\n"
    "JVBERi0x\r\n"
    "--outer\r\n"
    "Content-Type: image/png\r\n"
    "Content-Disposition: attachment; filename=\"=?iso-8859-1?Q?b=E9b=E9?=.png\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "iVBORw==\r\n"
    "--outer--\r\n"
    "epilogue\r\n";

}  // namespace

TEST(KvMime, TreesOfMessages)
{
    const struct {
        const char* Name;
        std::string Message;
        std::string Tree;
    } cases[] = {
        {"nested alternative, RFC 2231 and encoded-word names", Mixed,
         "multipart/mixed d0 k0 t0\n"
         "  multipart/alternative d0 k0 t0\n"
         "    text/plain d0 k0 t0 =caf\xE9 au lait|\n"
         "    text/html d0 k0 t0 =<p>hi</p>|\n"
         "  application/pdf d1 k1 t0 \"r\xE9sum\xE9.pdf\" =%PDF-1\n"
         "  image/png d1 k1 t0 \"b\xE9\x62\xE9.png\" =\x89PNG\n"},
        {"related parts with content ids",
         "Content-Type: multipart/related; type=\"text/html\"; boundary=r\r\n\r\n"
         "--r\r\nContent-Type: text/html\r\n\r\n<img src=\"cid:img1\">\r\n"
         "--r\r\nContent-Type: image/gif\r\nContent-ID: <img1>\r\nContent-Transfer-Encoding: base64\r\n\r\nR0lGODlh\r\n"
         "--r\r\nContent-Type: image/jpeg; name=photo.jpg\r\nContent-ID: <img2>\r\n"
         "Content-Disposition: attachment\r\n\r\nx\r\n"
         "--r--\r\n",
         "multipart/related d0 k0 t0\n"
         "  text/html d0 k0 t0 =<img src=\"cid:img1\">|\n"
         "  image/gif d2 k2 t0 =GIF89a\n"
         "  image/jpeg d1 k2 t0 \"photo.jpg\" =x|\n"},
        {"message/rfc822 part",
         "Content-Type: multipart/mixed; boundary=m\r\n\r\n"
         "--m\r\nContent-Type: text/plain\r\n\r\nsee attached\r\n"
         "--m\r\nContent-Type: message/rfc822\r\n\r\nSubject: Inner: one?\r\nFrom: b@example.org\r\n\r\ninner body\r\n"
         "--m--\r\n",
         "multipart/mixed d0 k0 t0\n"
         "  text/plain d0 k0 t0 =see attached|\n"
         "  message/rfc822 d1 k1 t0 \"Inner- one.eml\" =Subject: Inner: one?|From: b@example.org||inner body|\n"},
        {"digest members",
         "Content-Type: multipart/digest; boundary=d\r\n\r\n"
         "--d\r\n\r\nSubject: first\r\n\r\none\r\n"
         "--d\r\nContent-Type: message/rfc822\r\n\r\nSubject: second\r\n\r\ntwo\r\n"
         "--d--\r\n",
         "multipart/digest d0 k0 t0\n"
         "  text/plain d0 k1 t0 =Subject: first||one|\n"
         "  message/rfc822 d1 k1 t0 \"second.eml\" =Subject: second||two|\n"},
        {"missing closing boundary",
         "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
         "--b\r\nContent-Type: text/plain\r\n\r\none\r\n"
         "--b\r\nContent-Type: text/plain\r\n\r\ntwo, cut off",
         "multipart/mixed d0 k0 t1\n"
         "  text/plain d0 k0 t0 =one|\n"
         "  text/plain d0 k0 t1 =two, cut off\n"},
        {"opening line directly followed by the closing line",
         "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n--b--\r\nafter\r\n",
         "multipart/mixed d0 k0 t0\n"
         "  text/plain d0 k0 t0 =\n"},
        {"first boundary line already closing",
         "Content-Type: multipart/mixed; boundary=b\r\n\r\npreamble\r\n--b--\r\nafter\r\n",
         "multipart/mixed d0 k0 t0 =preamble|\n"},
        {"part header that is no Content field",
         "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nSubject: x\r\n\r\ntext\r\n--b--\r\n",
         "multipart/mixed d0 k0 t0\n"
         "  text/plain d0 k0 t0 =Subject: x||text|\n"},
        {"part header led by MIME-Version",
         "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nMIME-Version: 1.0\r\nContent-Type: text/html\r\n\r\n<b>x</b>\r\n--b--\r\n",
         "multipart/mixed d0 k0 t0\n"
         "  text/html d0 k0 t0 =<b>x</b>|\n"},
        {"blanks and tabs after a boundary are transport padding",
         "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b \t\r\nContent-Type: text/plain\r\n\r\nx\r\n"
         "--b  \r\n\r\nno header\r\n--b-- \t\r\n",
         "multipart/mixed d0 k0 t0\n"
         "  text/plain d0 k0 t0 =x|\n"
         "  text/plain d0 k0 t0 =no header|\n"},
        {"other text after a boundary makes no boundary line",
         "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b x\r\nContent-Type: text/plain\r\n\r\nx\r\n",
         "text/plain d0 k0 t1 =--b x|Content-Type: text/plain||x|\n"},
        {"no boundary line, HTML body",
         "Content-Type: multipart/alternative; boundary=zz\r\n\r\n<html><body>hi</body></html>\r\n",
         "text/html d0 k0 t0 =<html><body>hi</body></html>|\n"},
        {"no boundary line, plain body",
         "Content-Type: multipart/alternative; boundary=zz\r\n\r\n  plain words\r\n",
         "text/plain d0 k0 t0 =  plain words|\n"},
        {"header only",
         "Subject: no body\r\nContent-Type: text/plain\r\n",
         "text/plain d0 k0 t0 =\n"},
        {"name beats filename; location names non-text parts",
         "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
         "--b\r\nContent-Type: application/octet-stream; name=\"type.bin\"\r\n"
         "Content-Disposition: attachment; filename=\"disp.bin\"\r\n\r\nx\r\n"
         "--b\r\nContent-Type: image/gif; name=\"given.gif\"\r\nContent-Location: http://h/dir/loc%20a.gif?q=1\r\n\r\ny\r\n"
         "--b\r\nContent-Type: text/plain\r\nContent-Disposition: inline; filename=notes\r\n\r\nz\r\n"
         "--b--\r\n",
         "multipart/mixed d0 k0 t0\n"
         "  application/octet-stream d1 k1 t0 \"type.bin\" =x|\n"
         "  image/gif d1 k1 t0 \"loc a.gif\" =y|\n"
         "  text/plain d2 k1 t0 \"notes\" =z|\n"},
        {"LF line breaks",
         "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\nlf\n--b--\n",
         "multipart/mixed d0 k0 t0\n"
         "  text/plain d0 k0 t0 =lf|\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Tree, Tree(c.Message)) << c.Name;
}

// A boundary line followed by a blank line or by text that is no header
// field opens a part with an empty header that keeps all that text as its
// body; the preamble is the text before the first boundary line.
TEST(KvMime, PartsWithoutHeaderFields)
{
    const std::string head = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    const struct {
        const char* Name;
        std::string Message;
        std::string Preamble;
        std::string Header;  // of the first part
        std::string Body;
        std::string ContentType;
    } cases[] = {
        {"blank line, then indented text", head + "pre\r\n\r\n--b\r\n\r\n    ****\r\n    ** x **\r\n\r\nmore\r\n--b--\r\n",
         "pre\r\n\r\n", "", "    ****\r\n    ** x **\r\n\r\nmore\r\n", "text/plain"},
        {"indented text", head + "pre\r\n--b\r\n  indented\r\nnext\r\n\r\nrest\r\n--b--\r\n",
         "pre\r\n", "", "  indented\r\nnext\r\n\r\nrest\r\n", "text/plain"},
        {"text that looks like a header", head + "pre\r\n--b\r\nSubject: x\r\n\r\ntext\r\n--b--\r\n",
         "pre\r\n", "", "Subject: x\r\n\r\ntext\r\n", "text/plain"},
        {"blank line, then a field", head + "--b\r\n\r\nSubject: x\r\n\r\ntext\r\n--b--\r\n",
         "", "", "Subject: x\r\n\r\ntext\r\n", "text/plain"},
        {"blank line, then a Content field", head + "--b\r\n\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n--b--\r\n",
         "", "Content-Type: text/html\r\n", "<p>x</p>\r\n", "text/html"},
        {"LF breaks", "Content-Type: multipart/mixed; boundary=b\n\npre\n--b\n\n\tx\n--b\nContent-Type: text/html\n\ny\n--b--\n",
         "pre\n", "", "\tx\n", "text/plain"},
        {"blank line, then an indented Content field", head + "--b\r\n\r\n Content-Type: text/html\r\n\r\nx\r\n--b--\r\n",
         "", "", " Content-Type: text/html\r\n\r\nx\r\n", "text/plain"},
    };
    for (const auto& c : cases) {
        TKvMimeBlock root(c.Message, false, true);
        EXPECT_EQ(Visible(c.Preamble), Visible(root.Preamble)) << c.Name;
        ASSERT_GE(root.ChildCount(), 1) << c.Name;
        const TKvMimeBlock& part = *root.Child(0);
        EXPECT_EQ(Visible(c.Header), Visible(part.Header)) << c.Name;
        EXPECT_EQ(Visible(c.Body), Visible(part.Body)) << c.Name;
        EXPECT_EQ(c.ContentType, part.ContentType) << c.Name;
        EXPECT_EQ(0, root.GetTruncated()) << c.Name;
    }

    // A delivery report whose first part has no header at all.
    TKvMimeBlock report(SampleMessage("raw_email_with_mimepart_without_content_type.eml"), false, true);
    EXPECT_EQ("multipart/report", report.ContentType);
    EXPECT_EQ("This is a MIME-encapsulated message\r\n\r\n", report.Preamble);
    ASSERT_EQ(3, report.ChildCount());
    const TKvMimeBlock& warning = *report.Child(0);
    EXPECT_EQ("", warning.Header);
    EXPECT_EQ("text/plain", warning.ContentType);
    EXPECT_EQ(0u, warning.Body.find("    **********************************************\r\n"
                                    "    **      THIS IS A WARNING MESSAGE ONLY      **\r\n"));
    const std::string tail = "Will keep trying until message is 5 days old\r\n\r\n";
    ASSERT_GT(warning.Body.size(), tail.size());
    EXPECT_EQ(tail, warning.Body.substr(warning.Body.size() - tail.size()));
    EXPECT_EQ("message/delivery-status", report.Child(1)->ContentType);
    EXPECT_EQ(0u, report.Child(1)->Body.find("Reporting-MTA: dns; antivirus.uqam.ca\r\n"));
    EXPECT_EQ("message/rfc822", report.Child(2)->ContentType);
    EXPECT_EQ("Est-ce toi.eml", report.Child(2)->FileName);
    EXPECT_EQ(0, report.GetTruncated());
}

// Header fields rewritten after parsing are read again as parsing reads
// them; no value of the old header survives.
TEST(KvMime, ReparseHeaderReadsNewFields)
{
    TKvMimeBlock root("Content-Type: multipart/mixed; boundary=b\r\n\r\n"
                      "--b\r\nContent-Type: text/plain; charset=koi8-r\r\nContent-Transfer-Encoding: quoted-printable\r\n"
                      "Content-ID: <one>\r\n\r\nx=41\r\n"
                      "--b--\r\n",
                      false, true);
    ASSERT_EQ(1, root.ChildCount());
    TKvMimeBlock& part = *root.Child(0);
    ASSERT_EQ("koi8-r", part.Charset);
    ASSERT_EQ(pkInline, part.GetPartKind());

    part.Header = "Content-Type: application/octet-stream; name=\"data.bin\"\r\n"
                  "Content-Transfer-Encoding: base64\r\n"
                  "Content-Location: http://host/dir/loc.bin\r\n"
                  "Content-Language: en\r\n";
    part.ReparseHeader();
    EXPECT_EQ("application/octet-stream", part.ContentType);
    EXPECT_EQ("text/plain", part.ParsedType);
    EXPECT_EQ(encBase64, part.EncodingKind);
    EXPECT_EQ("base64", part.TransferEncoding);
    EXPECT_EQ("", part.ContentId);
    EXPECT_EQ("loc.bin", part.FileName);
    EXPECT_EQ(1, part.DispositionKind);
    EXPECT_EQ(pkAttachment, part.GetPartKind());
    EXPECT_EQ("iso-8859-1", part.Charset);
    EXPECT_EQ("x=41\r\n", part.Body);

    // An attached message gets its name from its subject, as when parsed.
    part.Header = "Content-Type: message/rfc822\r\n";
    part.Body = "Subject: Hello\r\n\r\nhi\r\n";
    part.ReparseHeader();
    EXPECT_EQ(encNone, part.EncodingKind);
    EXPECT_EQ("Hello.eml", part.FileName);
    EXPECT_EQ(pkAttachment, part.GetPartKind());

    // No fields left: an unnamed plain text body part.
    part.Header.clear();
    part.ReparseHeader();
    EXPECT_EQ("text/plain", part.ContentType);
    EXPECT_EQ("", part.FileName);
    EXPECT_EQ("", part.Charset);
    EXPECT_EQ(pkBody, part.GetPartKind());
}

TEST(KvMime, LongBoundaryLeavesBodyWhole)
{
    const std::string b(300, 'q');
    const std::string body = "--" + b + "\r\nContent-Type: text/plain\r\n\r\nx\r\n--" + b + "--\r\n";
    TKvMimeBlock root("Content-Type: multipart/mixed; boundary=\"" + b + "\"\r\n\r\n" + body, false, true);
    EXPECT_EQ(0, root.ChildCount());
    EXPECT_EQ(body, root.Body);
    EXPECT_EQ("multipart/mixed", root.ContentType);
    EXPECT_EQ("--" + b, root.Boundary);
}

TEST(KvMime, DeepNestingStopsAtTheLimit)
{
    // Thousands of levels, each opening a new multipart; none is closed.
    const int levels = 5000;
    const std::string text = DeepMultipartText(levels);
    const DWORD start = GetTickCount();
    TKvMimeBlock root(text, false, true);
    EXPECT_LT(GetTickCount() - start, 20000u);
    TKvMimeBlock* b = &root;
    int depth = 0;
    while (b->ChildCount() > 0) {
        ASSERT_EQ(1, b->ChildCount());
        b = b->Child(0);
        ++depth;
    }
    EXPECT_EQ(MaxMimeDepth, depth);
    EXPECT_EQ(MaxMimeDepth, b->GetLevel());
    // The deepest level keeps everything below it as its body.
    EXPECT_EQ("multipart/mixed", b->ContentType);
    EXPECT_NE(std::string::npos, b->Body.find("boundary=\"b4999\""));
    EXPECT_NE(std::string::npos, b->Body.find("leaf"));
    EXPECT_EQ(1, root.GetTruncated());
    EXPECT_EQ(MaxMimeDepth, root.CountParts());
    // Copies and queries walk the capped tree too.
    auto copy = TKvMimeBlock::CreateCopy(root, nullptr);
    EXPECT_EQ(MaxMimeDepth, copy->CountParts());
    EXPECT_EQ(nullptr, root.FindChild("text/plain", false, true));
}

TEST(KvMime, ManyPartsInBoundedTime)
{
    const int parts = 60000;
    std::string text = "Content-Type: multipart/mixed; boundary=p\r\n\r\npre\r\n";
    for (int i = 0; i < parts; ++i)
        text += "--p\r\nContent-Type: text/plain\r\n\r\n" + std::to_string(i) + "\r\n";
    text += "--p--\r\n";
    const DWORD start = GetTickCount();
    TKvMimeBlock root(text, false, true);
    EXPECT_LT(GetTickCount() - start, 20000u);
    ASSERT_EQ(parts, root.ChildCount());
    EXPECT_EQ("pre\r\n", root.Preamble);
    EXPECT_EQ("59999\r\n", root.Child(parts - 1)->Body);
    EXPECT_EQ(parts, root.Child(parts - 1)->GetIndex());
    EXPECT_EQ(0, root.GetTruncated());
}

TEST(KvMime, SampleMessages)
{
    const struct {
        const char* File;
        std::string Tree;
    } cases[] = {
        {"missing-final-boundary.eml",
         "multipart/alternative d0 k0 t1\n"
         "  text/plain d0 k0 t1 =Some body|\n"},
        {"dashed-boundaries.eml",
         "multipart/alternative d0 k0 t0\n"
         "  text/plain d0 k0 t0 =Hi||\n"
         "  text/html d0 k0 t0 =<html><body>Hi</body></html>||\n"},
        {"relative.eml",
         "multipart/alternative d0 k0 t0\n"
         "  text/plain d0 k0 t0 =This is html and text message, thanks||-- |Regards,|Bob||\n"
         "  text/html d0 k0 t0 =<div><br></div>This is html and text message, thanks<br clear=\"all\"><div><br></div>-- "
         "<br>Regards,<br>Bob<br>|<div><br></div><div><br></div>||\n"},
    };
    for (const auto& c : cases) {
        const std::string text = SampleMessage(c.File);
        ASSERT_FALSE(text.empty()) << c.File;
        EXPECT_EQ(c.Tree, Tree(text)) << c.File;
    }

    TKvMimeBlock enclosed(SampleMessage("enclosed.eml"), false, true);
    ASSERT_EQ(2, enclosed.ChildCount());
    EXPECT_EQ("text/plain", enclosed.Child(0)->ContentType);
    EXPECT_EQ("us-ascii", enclosed.Child(0)->Charset);
    TKvMimeBlock* inner = enclosed.Child(1);
    EXPECT_EQ("message/rfc822", inner->ContentType);
    EXPECT_EQ("thanks.eml", inner->FileName);
    EXPECT_EQ(pkAttachment, inner->GetPartKind());
    EXPECT_EQ("Wow", enclosed.GetSubject());
    // The attached message parses as a tree of its own.
    std::string cs;
    std::string text;
    inner->GetDecodedText(cs, text);
    TKvMimeBlock message(text, false, true);
    EXPECT_EQ("multipart/alternative", message.ContentType);
    ASSERT_EQ(2, message.ChildCount());
    EXPECT_EQ("utf-8", message.Child(1)->Charset);
    EXPECT_EQ("Thanks!", message.GetSubject());
}

TEST(KvMime, QueriesOverATree)
{
    TKvMimeBlock root(Mixed, false, true);
    std::string cs;
    std::string text;
    root.GetHtmlText(cs, text);
    EXPECT_EQ("<p>hi</p>\r\n", text);
    EXPECT_EQ("iso-8859-1", cs);
    // The HTML form of the alternative is not added to the plain text.
    root.GetPlainText(cs, text);
    EXPECT_EQ("caf\xE9 au lait\r\n", text);
    root.GetEnrichedText(cs, text);
    EXPECT_EQ("", text);
    root.GetDecodedText(cs, text);
    EXPECT_EQ("<p>hi</p>\r\n", text);

    EXPECT_EQ(root.Child(1), root.FindPart("Application/PDF", "R\xE9SUM\xE9.PDF"));
    EXPECT_EQ(nullptr, root.FindPart("application/pdf", "other.pdf"));
    TKvMimeBlock* plain = root.FindBodyPart("text/plain");
    ASSERT_NE(nullptr, plain);
    EXPECT_EQ("text/html", plain->NextSibling("")->ContentType);
    EXPECT_EQ(nullptr, plain->NextSibling("image"));
    EXPECT_EQ(root.Child(2), root.Child(1)->NextSibling("IMAGE/"));
    EXPECT_EQ(nullptr, root.FindChild("application/pdf", false, false));
    EXPECT_EQ(root.Child(1), root.FindChild("application/pdf", false, true));
    EXPECT_EQ(root.Child(0), root.FindChild("multipart/alternative", false, false));
    EXPECT_EQ(plain, root.FindChild("text", true, false));
    EXPECT_EQ(5, root.CountParts());
    EXPECT_EQ(&root, plain->GetRoot());
    EXPECT_FALSE(root.HasInlineParts());

    TStringList list;
    EXPECT_TRUE(root.CollectParts(&list, cpAttachments));
    ASSERT_EQ(2, list.Count());
    EXPECT_EQ("r\xE9sum\xE9.pdf", list[0]);
    EXPECT_EQ(root.Child(2), list.Objects(1));

    // Mixed plain parts are joined; a copy keeps the whole tree.
    TKvMimeBlock notes("Content-Type: multipart/mixed; boundary=b\r\n\r\n"
                       "--b\r\nContent-Type: text/plain\r\n\r\nfirst\r\n"
                       "--b\r\nContent-Type: image/gif\r\nContent-Disposition: attachment; filename=a.gif\r\n\r\nGIF\r\n"
                       "--b\r\nContent-Type: text/plain\r\n\r\nfooter\r\n--b--\r\n",
                       false, true);
    notes.GetPlainText(cs, text);
    EXPECT_EQ("first\r\n\r\n----\r\n\r\nfooter\r\n", text);
    auto copy = TKvMimeBlock::CreateCopy(notes, nullptr);
    std::string a;
    std::string b;
    Describe(notes, a);
    Describe(*copy, b);
    EXPECT_EQ(a, b);
}

// A copy stands for its source wherever the renderer uses one: the same
// tree, the same raw text, the same HTML message. TypeGuessed and
// HeaderOnly stay behind on purpose: they steer a parse, and what they
// settled (the guessed type, the missing body) travels with the copy.
TEST(KvMime, CopiesRenderAsTheirSource)
{
    const struct {
        const char* Name;
        std::string Text;
        bool HeaderOnly;
        const char* Type;
    } cases[] = {
        {"type guessed from a body without boundary lines",
         "Subject: s\r\nContent-Type: multipart/alternative; boundary=zz\r\n\r\n<html><p>hi</p></html>\r\n", false,
         "text/html"},
        {"header only", "Subject: s\r\nContent-Type: text/plain\r\n\r\nnot loaded\r\n", true, "text/plain"},
        {"nested parts with a file",
         "Subject: s\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
         "--b\r\nContent-Type: multipart/alternative; boundary=c\r\n\r\n"
         "--c\r\nContent-Type: text/plain\r\n\r\nplain\r\n--c\r\nContent-Type: text/html\r\n\r\n<b>x</b>\r\n--c--\r\n"
         "--b\r\nContent-Type: application/pdf; name=r.pdf\r\nContent-Transfer-Encoding: base64\r\n\r\nJVBERg==\r\n--b--\r\n",
         false, "multipart/mixed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TKvMimeBlock source(c.Text, c.HeaderOnly, true);
        auto copy = TKvMimeBlock::CreateCopy(source, nullptr);
        EXPECT_EQ(copy->ContentType, c.Type);
        std::string a;
        std::string b;
        Describe(source, a);
        Describe(*copy, b);
        EXPECT_EQ(a, b);
        EXPECT_EQ(GetRawText(source), GetRawText(*copy));
        auto html = TKvMimeBlock::CreateCopy(source, nullptr);
        auto htmlOfCopy = TKvMimeBlock::CreateCopy(*copy, nullptr);
        ConvertToHtmlMessage(*html);
        ConvertToHtmlMessage(*htmlOfCopy);
        EXPECT_EQ(GetRawText(*html), GetRawText(*htmlOfCopy));
    }
}

TEST(KvMime, HeaderValuesAndDates)
{
    TKvMimeBlock root("Subject: =?iso-8859-1?Q?caf=E9?=\r\n"
                      "Date: Sat, 03 Feb 2001 04:05:06 +0000\r\n"
                      "Received: from x by y; Sun, 04 Feb 2001 10:00:00 +0000\r\n"
                      "Content-Type: text/plain; charset=iso-8859-1\r\n\r\nbody\r\n",
                      false, true);
    EXPECT_EQ("caf\xE9", root.GetHeader("Subject"));
    EXPECT_EQ(1252u, root.GetCodePage() == 28591 ? 1252u : root.GetCodePage());
    EXPECT_NEAR(EncodeDateTime(2001, 2, 3, 4, 5, 6, 0), root.GetDate(), 1.0 / 86400);
    EXPECT_NEAR(EncodeDateTime(2001, 2, 4, 10, 0, 0, 0), root.GetReceivedDate(), 1.0 / 86400);
    EXPECT_NEAR(root.GetReceivedDate(), root.GetSaveDate(), 1e-9);
    EXPECT_EQ("Sat, 03 Feb 2001 04:05:06 +0000", root.GetDateText());
    root.SetHeader("X-Test", "one");
    EXPECT_EQ("one", root.GetHeader("X-Test"));

    TKvMimeBlock undated("Subject: x\r\n\r\nbody", false, true);
    EXPECT_EQ(-1.0, undated.GetDate());
    EXPECT_EQ(-1.0, undated.GetReceivedDate());
}

TEST(KvMime, CharsetsOfParts)
{
    const struct {
        const char* Header;
        const char* Body;
        const char* Charset;
    } cases[] = {
        {"Content-Type: text/html; charset=iso-8859-1", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">", "windows-1251"},
        {"Content-Type: text/html", "<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=koi8-r'>", "koi8-r"},
        // UTF-8 text keeps a UTF-8 label against a single-byte meta value.
        {"Content-Type: text/html; charset=utf-8", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">caf\xC3\xA9", "utf-8"},
        {"Content-Type: text/html; charset=utf-8", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">caf\xE9", "iso-8859-1"},
        {"Content-Type: text/html; charset=iso-8859-1", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-unknown\">", "iso-8859-1"},
        {"Content-Type: text/plain\r\nContent-Language: en-us", "x", "iso-8859-1"},
        {"Content-Type: text/plain; name=\"=?koi8-r?B?5A==?=\"", "x", "koi8-r"},
    };
    for (const auto& c : cases) {
        TKvMimeBlock b(std::string(c.Header) + "\r\n\r\n" + c.Body, false, true);
        EXPECT_EQ(c.Charset, b.Charset) << c.Header << " / " << c.Body;
    }
}

TEST(KvMime, ConversionsInPlace)
{
    TKvMimeBlock b("Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                       Base64EncodeString("caf\xE9 = ok"),
                   false, true);
    b.Base64ToQuotedPrintable();
    EXPECT_EQ(encQuotedPrintable, b.EncodingKind);
    EXPECT_EQ("caf=E9 =3D ok", b.Body);
    EXPECT_EQ("quoted-printable", b.GetHeader("Content-Transfer-Encoding"));
    b.InsertIntoBody("\xE9!", 1);
    EXPECT_EQ("=E9!caf=E9 =3D ok", b.Body);

    b.SetRawBody("");
    EXPECT_EQ(1, b.GetTruncated());
    b.SetRawBody("new body\r\n");
    b.Reparse();
    EXPECT_FALSE(b.HasRawBody());
    EXPECT_EQ("new body\r\n", b.Body);
    EXPECT_EQ("text/plain", b.ContentType);
}

TEST(KvMime, DetachedParts)
{
    TTestFolder dir("mimeparts");
    const std::string base = dir.File("12.");
    SaveStringToFile(base + "2.emlxpart", "line1\nline2\n");
    TKvMimeBlock root("Content-Type: multipart/mixed; boundary=b\r\n\r\n"
                      "--b\r\nContent-Type: text/plain\r\n\r\nx\r\n"
                      "--b\r\nContent-Type: application/pdf; name=a.pdf\r\nX-Apple-Content-Length: 12\r\n\r\n\r\n"
                      "--b\r\nContent-Type: application/pdf; name=b.pdf\r\nX-Apple-Content-Length: 5\r\n\r\n\r\n"
                      "--b\r\nContent-Type: image/gif; name=c.gif\r\nContent-Disposition: attachment\r\n"
                      "X-Mozilla-External-Attachment-URL: file:///C|/Saved/c%20d.gif\r\n"
                      "X-Mozilla-Altered: AttachmentDetached; date=\"x\"\r\n\r\n\r\n"
                      "--b\r\nContent-Type: application/zip; name=e.zip\r\nContent-Disposition: attachment\r\n\r\n"
                      "[This section was removed and saved as file e.zip]\r\n"
                      "--b--\r\n",
                      false, true);
    ASSERT_EQ(5, root.ChildCount());
    std::string missing;
    root.LoadEmlxParts(base, missing);
    EXPECT_EQ("line1\r\nline2\r\n", root.Child(1)->Body);
    EXPECT_EQ(std::string::npos, root.Child(1)->Header.find("X-Apple"));
    EXPECT_EQ(base + "3.emlxpart", missing);
    EXPECT_EQ("C:\\Saved\\c d.gif", root.Child(3)->ExternalFile);
    EXPECT_EQ("AttachmentDetached", root.Child(3)->Marker);
    EXPECT_EQ(pkDetachedAttachment, root.Child(3)->GetPartKind());
    EXPECT_EQ("e.zip", root.Child(4)->ExternalFile);
    EXPECT_EQ("AgentDetached", root.Child(4)->Marker);
    EXPECT_TRUE(root.HasDetachedParts());
}

namespace {

void ParseEveryFile(const std::string& Folder, int& Count, int& Trees)
{
    TTestFolder::ForEachFileBelow(Folder, [&](const std::string& path, const std::string&, const WIN32_FIND_DATAA& fd) {
        if (fd.nFileSizeLow >= 4000000 || fd.nFileSizeHigh != 0)
            return;
        TKvMimeBlock root(LoadFileToString(path), false, true);
        std::string cs;
        std::string text;
        root.GetPlainText(cs, text);
        root.GetHtmlText(cs, text);
        TStringList list;
        root.CollectParts(&list, cpAttachments);
        ++Count;
        if (root.ChildCount() > 0)
            ++Trees;
    });
}

}  // namespace

// Real-world mail from a folder named by TESSALY_CORPUS (a Unix path seen
// through Wine's Z: drive): every file parses, whatever it holds.
TEST(KvMime, CorpusParsesWhenPresent)
{
    const char* dir = std::getenv("TESSALY_CORPUS");
    if (!dir)
        GTEST_SKIP() << "TESSALY_CORPUS not set";
    const std::string folder = WinePath(dir);
    int count = 0;
    int trees = 0;
    ParseEveryFile(folder, count, trees);
    std::printf("%d files, %d trees\n", count, trees);
    EXPECT_GT(count, 0);
    EXPECT_GT(trees, 0);
}
