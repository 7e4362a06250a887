#include <gtest/gtest.h>

#include <string>

#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "mail/KvEudoraAttach.h"
#include "mail/KvMime.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMsgParts.h"
#include "mail/KvReEmbed.h"
#include "testkit/PartTreeShape.h"
#include "ReEmbedStore.h"

namespace {

class KvEudoraAttachStore : public ::testing::Test, public TReEmbedStore {
protected:
    KvEudoraAttachStore() : TReEmbedStore("eudoraatt") {}
};

const char PdfBytes[] = "%PDF-1.4\n\x01\x02\x00\xFF end\n";
const std::string Pdf(PdfBytes, sizeof PdfBytes - 1);
const char JpgBytes[] = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\xFF\xD9";
const std::string Jpg(JpgBytes, sizeof JpgBytes - 1);
const char From[] = "From ???@??? Mon Jan  1 10:00:00 2001\r\n";
const char Mixed[] = "Content-Type: multipart/mixed; boundary=\"=====_1\"\r\n";

}  // namespace

TEST(KvEudoraAttach, MarkupRemoval)
{
    struct Case {
        const char* Name;
        bool (*Remove)(std::string&);
        std::string In, Out;
        bool Found;
    };
    auto rich = [](std::string& S) { return RemoveXRichTags(S); };
    const Case cases[] = {
        {"html", RemoveXHtmlTags, "<x-html><p>a</p>\r\n</x-html>\r\n", "<p>a</p>\r\n", true},
        {"two html sections", RemoveXHtmlTags, "<x-html>a\r\n</x-html>b<x-html>c\r\n</x-html>", "abc", true},
        {"flowed with attributes", RemoveXFlowedTags, "<x-flowed type=x>text\r\n</x-flowed>", "text", true},
        {"charset", RemoveXCharsetTags, "<x-charset iso-8859-1>caf\xE9\r\n</x-charset>", "caf\xE9", true},
        {"rich", rich, "<x-rich>bold</x-rich>", "bold", true},
        {"no markup", RemoveXHtmlTags, "plain", "plain", false},
        {"closing text missing", RemoveXHtmlTags, "<x-html>open", "open", true},
    };
    for (const Case& c : cases) {
        std::string s = c.In;
        EXPECT_EQ(c.Remove(s), c.Found) << c.Name;
        EXPECT_EQ(s, c.Out) << c.Name;
    }
}

TEST_F(KvEudoraAttachStore, BodyMarkerLines)
{
    Put("Attach\\r.pdf", Pdf);
    Put("Downloads\\later.pdf", Pdf);
    Put("Eudora.ini", "[Settings]\r\nAutoReceiveAttachmentsDirectory=" + Dir.File("Downloads") + "\r\n");
    Put("Attachments Folder\\mac.pdf", Pdf);
    Put("Embedded\\pic.jpg", Jpg);
    Put("Elsewhere\\x.pdf", Pdf);
    const std::string Elsewhere = "See\r\nAttachment Converted: " + Dir.File("Elsewhere\\x.pdf") + "\r\n";
    struct Case {
        const char* Name;
        TMailboxKind Kind;
        std::string Body;
        const char* Shape;
        std::string Text;  // what stays of the body
        bool Arrived = false;  // the store marks it received
    };
    const Case cases[] = {
        {"recorded path that still holds", mbkEudoraToc, "See\r\nAttachment Converted: " + Dir.File("Attach\\r.pdf") + "\r\n",
         "multipart/mixed[text/plain,application/pdf(r.pdf)]", "See\r\n"},
        {"moved store: found in its own Attach folder", mbkEudoraToc,
         "See\r\nAttachment Converted: \"C:\\Old Eudora\\Attach\\r.pdf\"\r\n",
         "multipart/mixed[text/plain,application/pdf(r.pdf)]", "See\r\n", true},
        {"found through the folder Eudora.ini names", mbkEudoraToc, "See\r\nAttachment Converted: C:\\Gone\\later.pdf\r\n",
         "multipart/mixed[text/plain,application/pdf(later.pdf)]", "See\r\n"},
        {"received, named in the folder Eudora.ini names", mbkEudoraToc,
         "See\r\nAttachment Converted: " + Dir.File("Downloads\\later.pdf") + "\r\n",
         "multipart/mixed[text/plain,application/pdf(later.pdf)]", "See\r\n", true},
        {"a marker inside a line is text", mbkEudoraToc, "See Attachment Converted: C:\\x.pdf\r\n", "multipart/mixed[text/plain]",
         "See Attachment Converted: C:\\x.pdf\r\n"},
        {"received, naming a file outside the store: refused, its line kept", mbkEudoraToc, Elsewhere,
         "multipart/mixed[text/plain]", Elsewhere, true},
        {"missing file keeps a note", mbkEudoraToc, "See\r\nAttachment Converted: C:\\Gone\\lost.pdf\r\n",
         "multipart/mixed[text/plain,text/plain(lost.pdf)]", "See\r\n"},
        {"inline image of an HTML body", mbkEudoraToc,
         "<x-html><p>Look</p><img src=\"cid:5.2.0.9.0@x.0\">\r\n</x-html>\r\nEmbedded Content: pic.jpg: 00000001,4f1d\r\n",
         "multipart/mixed[multipart/related[text/html,image/jpeg(pic.jpg)]]", ""},
        {"Mac colon form", mbkMacEudora,
         "See\r\nAttachment converted: Macintosh HD:Eudora Folder:Attachments Folder:mac.pdf (PDF /CARO) (000A1B2C)\r\n",
         "multipart/mixed[text/plain,application/pdf(mac.pdf)]", "See\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TMessageParts parts;
        parts.Arrival = TArrivalVerdict(c.Arrived);
        const std::string out = Rebuild(From + std::string("Subject: m\r\n") + Mixed + "\r\n" + c.Body, c.Kind, parts);
        TKvMimeBlock back(out, false, true);
        EXPECT_EQ(PartTreeShape(back), c.Shape) << out;
        for (const char* name : {"r.pdf", "later.pdf", "mac.pdf"}) {
            if (FindNamedPart(back, name)) {
                EXPECT_EQ(NamedPartBytes(back, name), Pdf) << name;
            }
        }
        std::string cs, plain;
        back.GetPlainText(cs, plain);
        EXPECT_EQ(plain.substr(0, c.Text.size()), c.Text);
        EXPECT_EQ(out.find("Attachment Converted: C:\\Gone"), std::string::npos);
        if (TKvMimeBlock* pic = FindNamedPart(back, "pic.jpg")) {
            EXPECT_EQ(NamedPartBytes(back, "pic.jpg"), Jpg);
            EXPECT_EQ(pic->ContentId, "<5.2.0.9.0@x.0>");
        }
        if (std::string(c.Name) == "missing file keeps a note") {
            EXPECT_NE(Logged.find("Attachment not found: \"C:\\Gone\\lost.pdf\""), std::string::npos) << Logged;
            EXPECT_EQ(NamedPartBytes(back, "lost.pdf").substr(0, 41), "Attachment not found:\r\nC:\\Gone\\lost.pdf\r\n");
        }
    }
}

TEST_F(KvEudoraAttachStore, HeaderFieldForm)
{
    Put("Attach\\r.pdf", Pdf);
    {
        // No Content-Type and no Date: the header is completed.
        TMessageParts parts;
        const std::string out = Rebuild(std::string(From) + "Subject: h\r\nX-Attachments: " + Dir.File("Attach\\r.pdf") +
                                            ";\r\n\r\nbody text\r\n",
                                        mbkEudoraToc, parts);
        EXPECT_TRUE(parts.HeaderCompleted);
        TKvMimeBlock back(out, false, true);
        EXPECT_EQ(PartTreeShape(back), "multipart/mixed[text/plain,application/pdf(r.pdf)]") << out;
        EXPECT_EQ(NamedPartBytes(back, "r.pdf"), Pdf);
        EXPECT_EQ(GetHeaderField(back.Header, "MIME-Version"), "1.0");
        EXPECT_EQ(GetHeaderField(back.Header, "Date").substr(0, 17), "Mon, 01 Jan 2001 ");
        EXPECT_EQ(FindHeaderFieldPos(back.Header, "X-Attachments"), 0);
    }
    {
        // Without attachments the message becomes one text part.
        TMessageParts parts;
        const std::string out = Rebuild(std::string(From) + "Subject: h\r\n\r\nonly text\r\n", mbkEudoraToc, parts);
        TKvMimeBlock back(out, false, true);
        EXPECT_EQ(PartTreeShape(back), "text/plain");
        EXPECT_EQ(GetHeaderField(back.Header, "MIME-Version"), "1.0");
    }
    {
        // A typed message keeps its attachment field under another name.
        TMessageParts parts;
        const std::string out = Rebuild(std::string(From) + "Subject: h\r\n" + Mixed + "X-Attachments: a.pdf\r\n\r\nx\r\n",
                                        mbkEudoraToc, parts);
        EXPECT_NE(parts.Header.find("\nX-Attachments2: a.pdf"), std::string::npos) << parts.Header;
        EXPECT_EQ(parts.AttachmentCount(), 0);
    }
}

// The Macintosh store as it lies on disk: mailboxes in "Mail Folder" (or a
// folder below it), attachments in "Attachments Folder" beside it.
TEST_F(KvEudoraAttachStore, MacAttachmentsBesideTheMailFolder)
{
    Put("Eudora Folder\\Attachments Folder\\sib.pdf", Pdf);
    Put("Eudora Folder\\Mail Folder\\Lists\\Friends", "");
    for (const char* folder : {"Eudora Folder\\Mail Folder\\", "Eudora Folder\\Mail Folder\\Lists\\"}) {
        SCOPED_TRACE(folder);
        TMessageParts parts;
        const std::string out = Rebuild(From + std::string("Subject: m\r\n") + Mixed +
                                            "\r\nSee\r\nAttachment converted: Macintosh HD:Eudora Folder:Attachments "
                                            "Folder:sib.pdf (PDF /CARO) (000A1B2D)\r\n",
                                        mbkMacEudora, parts, nullptr, false, folder);
        TKvMimeBlock back(out, false, true);
        EXPECT_EQ(PartTreeShape(back), "multipart/mixed[text/plain,application/pdf(sib.pdf)]") << out;
        EXPECT_EQ(NamedPartBytes(back, "sib.pdf"), Pdf);
        EXPECT_EQ(Logged, "");
    }
}

// A client that converted an attachment may leave the rest of its part
// header after the marker line; followed by nothing but blank lines those
// lines go with the marker, anywhere else they are text.
TEST_F(KvEudoraAttachStore, ContentLinesAfterAMarker)
{
    Put("Attach\\r.pdf", Pdf);
    const std::string marker = "Attachment Converted: " + Dir.File("Attach\\r.pdf") + "\r\n";
    const struct {
        const char* Name;
        std::string Body;
        std::string Text;  // the whole plain text left
    } cases[] = {
        {"trailing part header lines go", "See\r\n" + marker +
                                              "Content-Type: application/pdf; name=\"r.pdf\"\r\n"
                                              "Content-Disposition: attachment; filename=\"r.pdf\"\r\n",
         "See\r\n"},
        {"blank lines after them still let them go, and stay",
         "See\r\n" + marker + "Content-Type: application/pdf;\r\n\tname=\"r.pdf\"\r\n\r\n\r\n", "See\r\n\r\n\r\n"},
        {"text after them keeps them", "See\r\n" + marker + "Content-Type: application/pdf\r\nand more words\r\n",
         "See\r\nContent-Type: application/pdf\r\nand more words\r\n"},
        {"a line that only starts like a field stays", "See\r\n" + marker + "Content-Type is what we said\r\n",
         "See\r\nContent-Type is what we said\r\n"},
        {"lines before the marker stay", "Content-Note: kept\r\n" + marker, "Content-Note: kept\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TMessageParts parts;
        const std::string out = Rebuild(From + std::string("Subject: m\r\n") + Mixed + "\r\n" + c.Body, mbkEudoraToc, parts);
        TKvMimeBlock back(out, false, true);
        EXPECT_EQ(PartTreeShape(back), "multipart/mixed[text/plain,application/pdf(r.pdf)]") << out;
        EXPECT_EQ(NamedPartBytes(back, "r.pdf"), Pdf);
        std::string cs, plain;
        back.GetPlainText(cs, plain);
        EXPECT_EQ(plain, c.Text) << out;
    }
}

// The header-field form names embedded images in "X-EmbeddedContent": each
// entry gives a content id and a file, found where the field says or in the
// store's "Embedded" folder by its bare name.
TEST_F(KvEudoraAttachStore, EmbeddedContentField)
{
    Put("Embedded\\pic.jpg", Jpg);
    Put("Elsewhere\\two.jpg", Jpg);
    TMessageParts parts;
    const std::string out = Rebuild(std::string(From) + "Subject: e\r\nX-EmbeddedContent: <EID:img1=C:\\Gone\\pic.jpg> <EID:img2=" +
                                        Dir.File("Elsewhere\\two.jpg") + ">\r\n\r\n<html><img src=\"cid:img1\"></html>\r\n",
                                    mbkEudoraToc, parts);
    TKvMimeBlock back(out, false, true);
    EXPECT_EQ(PartTreeShape(back), "multipart/related[text/html,image/jpeg(pic.jpg),image/jpeg(two.jpg)]") << out;
    EXPECT_EQ(NamedPartBytes(back, "pic.jpg"), Jpg);
    EXPECT_EQ(NamedPartBytes(back, "two.jpg"), Jpg);
    // Every entry keeps its whole id, so the body's "cid:" links still hold.
    EXPECT_EQ(FindNamedPart(back, "pic.jpg")->ContentId, "<img1>");
    EXPECT_EQ(FindNamedPart(back, "two.jpg")->ContentId, "<img2>");
    EXPECT_EQ(FindHeaderFieldPos(back.Header, "X-EmbeddedContent"), 0);
    EXPECT_EQ(Logged, "");
}
