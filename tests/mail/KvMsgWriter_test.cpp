#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/KvMime.h"
#include "mail/KvMimeCoding.h"
#include "mail/KvMsgParts.h"
#include "mail/KvMsgWriter.h"
#include "testkit/PartTreeShape.h"

namespace {

struct TAtt {
    const char* Name;
    const char* Type;
    const char* ContentId;
    std::string Bytes;
};

const char GifBytes[] = "GIF89a\x01\x00\x01\x00\x00\x00\x00;";
const char PdfBytes[] = "%PDF-1.4\n\x00\x01\x02\xFF binary\n";
const std::string Gif(GifBytes, sizeof GifBytes - 1);
const std::string Pdf(PdfBytes, sizeof PdfBytes - 1);

std::string Render(const std::string& Header, const std::string& Plain, const std::string& Html,
                   const std::vector<TAtt>& Atts)
{
    TMessageParts p;
    p.ParseHeader(Header);
    p.PlainText = Plain;
    p.Html = Html;
    for (const TAtt& a : Atts) {
        TAttachment* t = p.AddAttachment();
        t->FileName = a.Name;
        t->ContentType = a.Type;
        t->ContentId = a.ContentId;
        t->SetData(a.Bytes, std::string());
    }
    std::string text;
    p.RenderMessage(0, 1, text);
    return text;
}

const char Head[] = "From: a@b.cd\r\nSubject: s\r\nDate: Mon, 1 Jan 2001 10:00:00 +0000\r\n";

}  // namespace

TEST(KvMsgWriter, StructureChosenFromTheParts)
{
    const TAtt image{"a.gif", "image/gif", "img1@x", Gif};
    const TAtt pdf{"r.pdf", "application/pdf", "", Pdf};
    const TAtt sig{"smime.p7s", "application/pkcs7-signature", "", "sig"};
    struct Case {
        const char* Name;
        std::string Header;
        const char* Plain;
        const char* Html;
        std::vector<TAtt> Atts;
        const char* Shape;
    };
    const std::string head = Head;
    const std::string signedType = "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; boundary=\"s1\"\r\n";
    const Case cases[] = {
        {"plain only", head, "hi", "", {}, "text/plain"},
        {"html only", head, "", "<p>hi</p>", {}, "text/html"},
        {"plain and html", head, "hi", "<p>hi</p>", {}, "multipart/alternative[text/plain,text/html]"},
        {"plain, html and an inline image", head, "hi", "<img src=\"cid:img1@x\">", {image},
         "multipart/related[text/html,image/gif(a.gif)]"},
        {"plain, html, an inline image and a file", head, "hi", "<img src=\"cid:img1@x\">", {image, pdf},
         "multipart/mixed[multipart/alternative[text/plain,multipart/related[text/html,image/gif(a.gif)]],"
         "application/pdf(r.pdf)]"},
        {"plain and a file", head, "hi", "", {pdf}, "multipart/mixed[text/plain,application/pdf(r.pdf)]"},
        {"only inline parts", head, "", "", {image}, "multipart/related[text/plain,image/gif(a.gif)]"},
        {"text header with a file becomes mixed", head + "Content-Type: text/plain; charset=us-ascii\r\n", "hi", "",
         {pdf}, "multipart/mixed[text/plain,application/pdf(r.pdf)]"},
        {"alternative header with a file becomes mixed",
         head + "Content-Type: multipart/alternative; boundary=\"q\"\r\n", "hi", "<p>hi</p>", {pdf},
         "multipart/mixed[multipart/alternative[text/plain,text/html],application/pdf(r.pdf)]"},
        {"signed with its signature only", head + signedType, "hi", "", {sig},
         "multipart/signed[text/plain,application/pkcs7-signature(smime.p7s)]"},
        {"signed with a file and its signature", head + signedType, "hi", "", {pdf, sig},
         "multipart/signed[multipart/mixed[text/plain,application/pdf(r.pdf)],"
         "application/pkcs7-signature(smime.p7s)]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string text = Render(c.Header, c.Plain, c.Html, c.Atts);
        TKvMimeBlock back(text, false, true);
        EXPECT_EQ(PartTreeShape(back), c.Shape) << text;
        for (const TAtt& a : c.Atts)
            EXPECT_EQ(NamedPartBytes(back, a.Name), a.Bytes) << a.Name;
        // A multipart message gets the preamble, a single part none.
        EXPECT_EQ(text.find("This is a multi-part message in MIME format.") != std::string::npos,
                  back.ChildCount() > 0);
        if (c.Plain[0] && std::string(c.Shape).find("text/plain") != std::string::npos) {
            std::string cs, plain;
            back.GetPlainText(cs, plain);
            EXPECT_EQ(plain.substr(0, 2), "hi");
        }
    }
}

TEST(KvMsgWriter, BoundariesOfNestedParts)
{
    const TAtt image{"a.gif", "image/gif", "img1@x", Gif};
    const TAtt pdf{"r.pdf", "application/pdf", "", Pdf};
    // Another program's boundary: each child adds its letter.
    {
        const std::string text = Render(std::string(Head) + "Content-Type: multipart/mixed; boundary=\"outer\"\r\n", "hi",
                                        "<img src=\"cid:img1@x\">", {image, pdf});
        TKvMimeBlock back(text, false, true);
        ASSERT_EQ(back.ChildCount(), 2);
        EXPECT_EQ(back.Boundary, "--outer");
        EXPECT_EQ(back.Child(0)->Boundary, "--outer_A");
        ASSERT_EQ(back.Child(0)->ChildCount(), 2);
        EXPECT_EQ(back.Child(0)->Child(1)->Boundary, "--outer_A_R");
    }
    // The program's own boundary: children get it re-derived for their level.
    {
        const std::string text = Render(Head, "hi", "<img src=\"cid:img1@x\">", {image, pdf});
        TKvMimeBlock back(text, false, true);
        ASSERT_EQ(back.ChildCount(), 2);
        const std::string root = back.Boundary.substr(2);
        EXPECT_EQ(root.compare(0, 15, NextPartPrefix), 0) << root;
        EXPECT_EQ(back.Child(0)->Boundary, "--" + NextBoundary(1, root));
        EXPECT_EQ(back.Child(0)->Child(1)->Boundary, "--" + NextBoundary(2, NextBoundary(1, root)));
        // The same message gets the same boundaries on every run.
        EXPECT_EQ(Render(Head, "hi", "<img src=\"cid:img1@x\">", {image, pdf}), text);
    }
}

TEST(KvMsgWriter, SingleAttachmentMessageKeepsItsHeader)
{
    // A message that is its attachment: the file becomes the root's body.
    const std::string header = std::string(Head) +
                               "Content-Type: application/pdf; name=\"r.pdf\"\r\n"
                               "Content-Disposition: attachment; filename=\"r.pdf\"\r\n"
                               "Content-Transfer-Encoding: base64\r\n";
    const std::string text = Render(header, "", "", {{"r.pdf", "application/pdf", "", Pdf}});
    TKvMimeBlock back(text, false, true);
    EXPECT_EQ(PartTreeShape(back), "application/pdf(r.pdf)");
    std::string cs, bytes;
    back.GetDecodedText(cs, bytes);
    EXPECT_EQ(bytes, Pdf);
    EXPECT_EQ(text.compare(0, header.size(), header), 0);
}
