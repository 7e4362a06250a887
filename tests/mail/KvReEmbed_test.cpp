#include <gtest/gtest.h>

#include <string>

#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLists.h"
#include "foundation/KvLogs.h"
#include "mail/KvDataTables.h"
#include "mail/KvMime.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMsgParts.h"
#include "mail/KvReEmbed.h"
#include "testkit/PartTreeShape.h"
#include "ReEmbedStore.h"

namespace {

class KvReEmbedStore : public ::testing::Test, public TReEmbedStore {
protected:
    KvReEmbedStore() : TReEmbedStore("reembed") {}
};

const char PdfBytes[] = "%PDF-1.4\n\x01\x02\x00\xFF end\n";
const std::string Pdf(PdfBytes, sizeof PdfBytes - 1);
const char Head[] = "From a@b.cd Mon Jan  1 10:00:00 2001\r\nFrom: a@b.cd\r\nSubject: files\r\n"
                    "Date: Mon, 1 Jan 2001 10:00:00 +0000\r\n";

}  // namespace

TEST_F(KvReEmbedStore, AttachmentLinesOfAnMbox)
{
    Put("r.pdf", Pdf);
    Put("my notes.txt", "notes\r\n");
    struct Case {
        const char* Name;
        std::string Field;
        const char* Shape;
        const char* Missing;  // the name the note part carries, or ""
    };
    const Case cases[] = {
        {"two files, one quoted", "X-Attachments: r.pdf; \"my notes.txt\";\r\n",
         "multipart/mixed[text/plain,application/pdf(r.pdf),text/plain(my notes.txt)]", ""},
        {"absolute path and a missing file", "X-Attachments: " + Dir.File("r.pdf") + "; C:\\Old\\gone.doc\r\n",
         "multipart/mixed[text/plain,application/pdf(r.pdf),text/plain(gone.doc)]", "gone.doc"},
        {"two fields", "X-Attachments: r.pdf\r\nX-Attachments: my notes.txt\r\n",
         "multipart/mixed[text/plain,application/pdf(r.pdf),text/plain(my notes.txt)]", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TMessageParts parts;
        const std::string out =
            Rebuild(Head + c.Field + "Content-Type: text/plain\r\n\r\nsee the files\r\n", mbkMboxAttachLines, parts);
        TKvMimeBlock back(out, false, true);
        EXPECT_EQ(PartTreeShape(back), c.Shape) << out;
        EXPECT_EQ(NamedPartBytes(back, "r.pdf"), Pdf);
        EXPECT_EQ(FindHeaderFieldPos(back.Header, "X-Attachments"), 0);
        EXPECT_EQ(out.compare(0, 38, Head, 38), 0);
        if (c.Missing[0]) {
            EXPECT_NE(Logged.find("Attachment not found: \"" + std::string(c.Missing) + "\""), std::string::npos)
                << Logged;
            EXPECT_EQ(NamedPartBytes(back, c.Missing).substr(0, 23), "Attachment not found:\r\n");
        } else {
            EXPECT_EQ(Logged, "");
        }
    }
}

TEST_F(KvReEmbedStore, MessageOfOneFileBecomesTheFile)
{
    Put("r.pdf", Pdf);
    TMessageParts parts;
    const std::string out = Rebuild(std::string(Head) + "X-Attachments: r.pdf\r\n\r\n", mbkMboxAttachLines, parts);
    TKvMimeBlock back(out, false, true);
    EXPECT_EQ(PartTreeShape(back), "application/pdf(r.pdf)") << out;
    EXPECT_NE(back.Header.find("Content-Disposition: attachment;\r\n\tfilename=\"r.pdf\""), std::string::npos);
    std::string cs, bytes;
    back.GetDecodedText(cs, bytes);
    EXPECT_EQ(bytes, Pdf);
}

TEST_F(KvReEmbedStore, PreloadedFilesAndOtherStores)
{
    {
        // A preloaded file wins over the disk, which has none of that name.
        TDoubleStringList preloaded;
        preloaded.AddPair("held.txt", "held words\r\n");
        TMessageParts parts;
        const std::string out =
            Rebuild(std::string(Head) + "X-Attachments: held.txt\r\nContent-Type: text/plain\r\n\r\nx\r\n", mbkMboxAttachLines, parts,
                    &preloaded);
        TKvMimeBlock back(out, false, true);
        EXPECT_EQ(PartTreeShape(back), "multipart/mixed[text/plain,text/plain(held.txt)]");
        EXPECT_EQ(NamedPartBytes(back, "held.txt"), "held words\r\n");
        EXPECT_EQ(Logged, "");
    }
    {
        // Attachment field of kind 22: the first comma field, quotes gone.
        Put("r.pdf", Pdf);
        TMessageParts parts;
        const std::string out = Rebuild(std::string(Head) + "X-RS-Attach: \"" + Dir.File("r.pdf") +
                                            "\", 20, x\r\nContent-Type: text/plain\r\n\r\nx\r\n",
                                        mbkPegasus, parts);
        TKvMimeBlock back(out, false, true);
        EXPECT_EQ(PartTreeShape(back), "multipart/mixed[text/plain,application/pdf(r.pdf)]");
        EXPECT_EQ(NamedPartBytes(back, "r.pdf"), Pdf);
    }
    {
        // A MIME store's part kept in a file comes back; a missing one is logged.
        Put("part.bin", Pdf);
        const std::string body = "--b\r\nContent-Type: text/plain\r\n\r\nx\r\n"
                                 "--b\r\nContent-Type: application/pdf; name=\"r.pdf\"\r\n"
                                 "Content-Transfer-Encoding: base64\r\nX-Content-File: " + Dir.File("part.bin") +
                                 "\r\n\r\n\r\n--b\r\nContent-Type: application/pdf; name=\"g.pdf\"\r\n"
                                 "Content-Transfer-Encoding: base64\r\nX-Content-File: " + Dir.File("gone.bin") +
                                 "\r\n\r\n\r\n--b--\r\n";
        TMessageParts parts;
        Rebuild(std::string(Head) + "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n" + body, mbkContentFile1, parts);
        ASSERT_EQ(parts.AttachmentCount(), 2);
        EXPECT_EQ(parts.Attachment(0)->DataBytes(), Pdf);
        EXPECT_NE(Logged.find("Email part not found: \"" + Dir.File("gone.bin") + "\""), std::string::npos) << Logged;
    }
}

TEST_F(KvReEmbedStore, FieldsOfOtherStores)
{
    Put("r.pdf", Pdf);
    Put("Attach\\p.pdf", Pdf);
    struct Case {
        const char* Name;
        TMailboxKind Kind;
        bool Finfo;
        std::string Fields;
        const char* Shape;
        const char* File;
    };
    const Case cases[] = {
        {"path, content id and display name", mbkCalypso, false, "X-Attachment: \".\\r.pdf\"; \"\"; \"Report.pdf\"\r\n",
         "multipart/mixed[text/plain,application/pdf(Report.pdf)]", "Report.pdf"},
        {"a moved store's Attach folder", mbkPoco1, false, "X-Poco-Attachment: C:\\Old Store\\Attach\\p.pdf\r\n",
         "multipart/mixed[text/plain,application/pdf(p.pdf)]", "p.pdf"},
        {"file and its display name", mbkPegasus, true, "X-file: r.pdf\r\nX-finfo: 12, \"a, b\", \"Annual report.pdf\"\r\n",
         "multipart/mixed[text/plain,application/pdf(Annual report.pdf)]", "Annual report.pdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TMessageParts parts;
        const std::string out = Rebuild(Head + c.Fields + "Content-Type: text/plain\r\n\r\nsee the file\r\n", c.Kind,
                                        parts, nullptr, c.Finfo);
        TKvMimeBlock back(out, false, true);
        EXPECT_EQ(PartTreeShape(back), c.Shape) << out;
        EXPECT_EQ(NamedPartBytes(back, c.File), Pdf);
        EXPECT_EQ(Logged, "");
        EXPECT_EQ(out.find("X-Attachment:"), std::string::npos);
        EXPECT_EQ(out.find("X-Poco-Attachment:"), std::string::npos);
    }
}

// A received message of every store that names a file outside its mailbox
// folder (or a device, a share, a stream) embeds nothing, keeps the line
// that named it, and writes one row per name, whether the file exists or not.
TEST_F(KvReEmbedStore, ReceivedMessagesOpenNoFileOutsideTheStore)
{
    Put("store\\Attach\\mine.pdf", Pdf);
    Put("canary.txt", "CANARY bytes of the reader");
    const std::string canary = Dir.File("canary.txt");
    const std::string received = "Received: from x.example by y.example; Mon, 1 Jan 2001 10:00:00 +0000\r\n";
    const struct {
        TMailboxKind Kind;
        std::string Field;  // the line that names the file, kept when refused
        int Rows;
    } cases[] = {
        {mbkMboxAttachLines, "X-Attachments: " + canary + "; ..\\canary.txt; C:\\x\\CONIN$; \\\\srv\\s\\f.pdf", 4},
        {mbkCalypso, "X-Attachment: \"" + canary + "\"; \"\"; \"c.txt\"", 1},
        {mbkPoco1, "X-Poco-Attachment: " + canary, 1},
        {mbkPegasusPlain, "X-RS-Attach: " + canary + ", x", 1},
        {mbkPoco1, "X-Poco-Attachment: " + canary + ":secret", 1},
        {mbkCalypso, "X-Attachment: \"" + Dir.File("gone.txt") + "\"; \"\"; \"g.txt\"", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Field);
        TMessageParts parts;
        const std::string text = Head + c.Field + "\r\nContent-Type: text/plain\r\n\r\nsee the file\r\n";
        std::string out = RebuildIn(received + text, c.Kind, parts, "store\\");
        EXPECT_EQ(out.find("CANARY"), std::string::npos) << out;
        EXPECT_NE(out.find(c.Field), std::string::npos) << out;
        size_t rows = 0;
        for (size_t at = Logged.find("Attachment file refused"); at != std::string::npos;
             at = Logged.find("Attachment file refused", at + 1))
            ++rows;
        EXPECT_EQ(rows, static_cast<size_t>(c.Rows)) << Logged;
    }
}

// A file named by a received message and missing, found by the user's path
// substitutions in another folder, is judged where it was found: outside
// the mailbox folder it is refused with its row; inside it arrives.
TEST_F(KvReEmbedStore, SubstitutedFilesAreJudgedWhereFound)
{
    const std::string savedData = DataFolder;
    const bool savedUse = UseUserFolder;
    DataFolder = Dir.Path() + "\\";
    UseUserFolder = false;
    Put("outside\\gone.txt", "CANARY bytes of the reader");
    Put("store\\Embedded\\kept.txt", "KEPT bytes of the store");
    const std::string received = "Received: from x.example by y.example; Mon, 1 Jan 2001 10:00:00 +0000\r\n";
    const struct {
        std::string Folder, Name, Bytes;
        bool Refused;
    } cases[] = {
        {Dir.File("outside"), "gone.txt", "CANARY", true},
        {Dir.File("store\\Embedded"), "kept.txt", "KEPT", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FreeSubstPaths();
        Put("Tokens.ini", "[SubstPaths]\r\nEmbedded=" + c.Folder + "\r\n");
        TMessageParts parts;
        const std::string field = "X-RS-Attach: " + Dir.File("store\\" + c.Name) + ", x";
        const std::string out = RebuildIn(received + Head + field + "\r\nContent-Type: text/plain\r\n\r\nsee\r\n",
                                          mbkPegasusPlain, parts, "store\\");
        EXPECT_EQ(out.find(c.Bytes) == std::string::npos, c.Refused) << out;
        EXPECT_EQ(Logged.find("Attachment file refused: \"" + JoinPath(c.Folder, c.Name)) != std::string::npos,
                  c.Refused)
            << Logged;
    }
    // A caller that asks for no substitution gets the name as it stands.
    TAttachment asNamed;
    TNamedFileJudge judge;
    asNamed.LoadFile(judge.JudgeFile(Dir.File("store\\kept.txt"), TNamedFileTrust::SentCopy, false, {}), std::string(),
                     false);
    EXPECT_EQ(asNamed.DataBytes().find("KEPT"), std::string::npos);
    FreeSubstPaths();
    DataFolder = savedData;
    UseUserFolder = savedUse;
}
