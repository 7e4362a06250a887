#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "testkit/TestFolder.h"
#include "foundation/KvDates.h"
#include "foundation/KvFiles.h"
#include "mail/KvBase64.h"
#include "mail/KvDataTables.h"

namespace {

// The data files are looked for in the data folder; each test points it at
// a scratch folder and puts it back afterwards.
class KvDataTablesObj : public ::testing::Test {
protected:
    void SetUp() override
    {
        SavedData = DataFolder;
        SavedUse = UseUserFolder;
        DataFolder = Dir.Path() + "\\";
        UseUserFolder = false;
    }
    void TearDown() override
    {
        FreeTimeZoneTable();
        FreeSubstPaths();
        DataFolder = SavedData;
        UseUserFolder = SavedUse;
    }
    TTestFolder Dir{"datatables"};
    std::string SavedData;
    bool SavedUse = false;
};

}  // namespace

TEST_F(KvDataTablesObj, TableFilesAndZoneNames)
{
    SaveStringToFile(Dir.File("Table.dat"),
                     "; comment\tline\r\nKEY\tvalue one\r\n\tno key\r\nno tab\r\nK2\tv\twith tab\r\n");
    TTableList* table = nullptr;
    EXPECT_TRUE(LoadTableFile(table, "Table.dat"));
    std::unique_ptr<TTableList> owner(table);
    ASSERT_EQ(2, table->Count());
    EXPECT_EQ("value one", table->ValueOf("KEY"));
    EXPECT_EQ("v\twith tab", table->ValueOf("K2"));

    TTableList* none = nullptr;
    EXPECT_FALSE(LoadTableFile(none, "Missing.dat"));
    std::unique_ptr<TTableList> noneOwner(none);
    ASSERT_NE(nullptr, none);

    // The zone table feeds the date parser while it is held.
    SaveStringToFile(Dir.File("TimeZones.dat"), "XYZT\t+0500\r\n");
    EXPECT_EQ(ZoneUnknown, ParseZoneOffset("XYZT", ZoneUnknown));
    EXPECT_TRUE(LoadTimeZoneTable("TimeZones.dat"));
    EXPECT_EQ("+0500", LookupTimeZoneName("XYZT"));
    EXPECT_NEAR(5.0 / 24, ParseZoneOffset("XYZT", ZoneUnknown), 1e-9);
    EXPECT_FALSE(LoadTimeZoneTable("NoSuch.dat"));
    EXPECT_EQ("", LookupTimeZoneName("XYZT"));
    EXPECT_EQ(ZoneUnknown, ParseZoneOffset("XYZT", ZoneUnknown));
}

TEST_F(KvDataTablesObj, SubstitutedPaths)
{
    const std::string att = Dir.Path() + "\\att";
    const std::string emb = Dir.Path() + "\\emb";
    const std::string other = Dir.Path() + "\\other";
    CreateDirectoryA(att.c_str(), nullptr);
    CreateDirectoryA(emb.c_str(), nullptr);
    CreateDirectoryA(other.c_str(), nullptr);
    SaveStringToFile(att + "\\a.pdf", "x");
    SaveStringToFile(emb + "\\e.gif", "x");
    SaveStringToFile(other + "\\sub\\..\\o.txt", "x");
    CreateDirectoryA((other + "\\sub").c_str(), nullptr);
    SaveStringToFile(other + "\\sub\\o.txt", "x");
    SaveStringToFile(Dir.File("Tokens.ini"), "[Tokens]\r\nA=1\r\n[SubstPaths]\r\n; comment=x\r\n"
                                             "Attachments = " + att + "\r\nEmbedded=" + emb +
                                             "\r\nD:\\Old=" + other + "\r\nEmpty=\r\nnoequals\r\n");
    TStringList lines;
    EXPECT_TRUE(LoadSubstPaths(&lines));
    EXPECT_EQ(3, lines.Count());
    EXPECT_EQ(-1, lines.IndexOf("Empty="));

    const struct {
        const char* Path;
        bool Embedded;
        std::string Result;  // empty: not resolved
    } cases[] = {
        {"C:\\Eudora\\Attach\\a.pdf", true, att + "\\a.pdf"},
        {"C:\\Eudora\\Embedded\\e.gif", false, emb + "\\e.gif"},
        {"C:\\Eudora\\Attach\\a.pdf", false, ""},
        {"d:\\old\\sub\\o.txt", false, other + "\\sub\\o.txt"},
        {"E:\\old\\sub\\o.txt", false, ""},
    };
    for (const auto& c : cases) {
        std::string path = c.Path;
        EXPECT_EQ(!c.Result.empty(), ResolveSubstPath(path, c.Embedded)) << c.Path;
        EXPECT_EQ(c.Result.empty() ? std::string(c.Path) : c.Result, path) << c.Path;
    }
}

TEST(KvDataTables, BodyMarkers)
{
    EXPECT_EQ(1, FindAppleContentLength("X-Apple-Content-Length: 5\r\n"));
    EXPECT_EQ(4, FindAppleContentLength("a\r\nx-apple-content-length: 5"));
    EXPECT_EQ(0, FindAppleContentLength("a x-apple-content-length: 5"));
    EXPECT_TRUE(HasAppleContentLength("\nX-APPLE-CONTENT-LENGTH:"));

    const std::string note = "Hello\r\n[This section was removed and saved as file  C:\\x\\a b.pdf ]\r\n";
    EXPECT_EQ(8, FindRemovedSectionNote(note));
    EXPECT_EQ("C:\\x\\a b.pdf", GetRemovedSectionFileName(note));
    EXPECT_FALSE(HasRemovedSectionNote("see [This section was removed and saved as file a]"));
    EXPECT_EQ("", GetRemovedSectionFileName("[This section was removed and saved as file a"));
    EXPECT_TRUE(HasDetachedMark("A: b\r\nX-Mozilla-Altered: AttachmentDetached; date=\"x\"\r\n"));
    EXPECT_FALSE(HasDetachedMark("X-Mozilla-Altered: AttachmentDetached"));
}

TEST(KvDataTables, UuencodedBlocks)
{
    // "M" announces 45 bytes: 60 encoded characters after it.
    const std::string full = std::string("M") + std::string(60, 'A');
    const std::string block = "begin 644 a.txt\r\n" + full + "\r\n`\r\nend\r\n";
    const struct {
        std::string Text;
        int Begin;
    } cases[] = {
        {block, 1},
        {"text\r\n" + block, 7},
        {"text\nbegin 644 a.txt\n#86)C\n`\nend\n", 6},
        {"begin 644 a.txt\r\n" + full + "AA\r\nend\r\n", 0},  // length does not match
        {"begin abc a.txt\r\n" + full + "\r\nend\r\n", 0},     // mode is no number
        {"Begin 644 a.txt\r\n" + full + "\r\nend\r\n", 0},
        {"x begin 644 a.txt\r\n" + full + "\r\n", 0},
        {"begin 644 a.txt\r\n", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Begin, FindUuencodeBegin(c.Text, 1)) << c.Text.substr(0, 30);
        EXPECT_EQ(c.Begin > 0, HasUuencodedBlock(c.Text));
        // Behind a header, searched from the body's start on: a block that
        // opens the body counts, the header's last break does not make one.
        // The quick look sees any line that starts "begin ".
        const bool beginLine = c.Text.compare(0, 6, "begin ") == 0 || c.Text.find("\nbegin ") != std::string::npos;
        for (const std::string head : {"", "A: b\r\n\r\n", "A: b\n\n", "x begin 644 a.txt\r\n\r\n"}) {
            EXPECT_EQ(c.Begin > 0, HasUuencodedBlockFrom(head + c.Text, head.size())) << head << c.Text.substr(0, 30);
            EXPECT_EQ(beginLine, MayHoldUuencodedBlockFrom(head + c.Text, head.size())) << head << c.Text.substr(0, 30);
        }
    }
    EXPECT_FALSE(HasUuencodedBlockFrom(block + "text", block.size()));
    EXPECT_FALSE(HasUuencodedBlockFrom("abc", 3));
    EXPECT_FALSE(MayHoldUuencodedBlockFrom(block + "text", block.size()));
    EXPECT_TRUE(MayHoldUuencodedBlockFrom("x\nbegin ", 1));
    EXPECT_TRUE(MayHoldUuencodedBlockFrom("x\nbegin ", 2));
    EXPECT_FALSE(MayHoldUuencodedBlockFrom("x\nbegin ", 3));
    EXPECT_FALSE(MayHoldUuencodedBlockFrom("abc", 4));
    EXPECT_EQ(static_cast<int>(block.size()), FindUuencodeEnd(block, 1));
    EXPECT_EQ(0, FindUuencodeEnd("no end", 1));
    EXPECT_EQ(60, UuLineLength('M'));
    EXPECT_EQ(0, UuLineLength('`'));
    EXPECT_EQ(4, UuLineLength('#'));
    EXPECT_EQ(2, UuLineLength('!'));
}

TEST(KvDataTables, SavePartToFile)
{
    TTestFolder dir("savepart");
    const TDateTime date = EncodeDateTime(2005, 6, 7, 8, 9, 10, 0);
    const std::string bytes("\x01\x02zero\0one", 10);
    const struct {
        const char* Name;
        std::string Text;
        const char* Encoding;
        std::string Expected;
    } cases[] = {
        {"qp.txt", "caf=E9 =\r\nau lait", "quoted-printable", "caf\xE9 au lait"},
        {"b64.bin", Base64EncodeString(bytes), "base64", bytes},
        {"raw.txt", "as =E9 is", "8bit", "as =E9 is"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File(c.Name);
        EXPECT_TRUE(SavePartToFile(path, c.Text, c.Encoding, date)) << c.Name;
        EXPECT_EQ(c.Expected, LoadFileToString(path)) << c.Name;
        WIN32_FILE_ATTRIBUTE_DATA info{};
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info));
        FILETIME local{};
        FileTimeToLocalFileTime(&info.ftLastWriteTime, &local);
        const TDateTime written = FileTimeToDateTime(info.ftLastWriteTime);
        const TDateTime writtenLocal = FileTimeToDateTime(local);
        EXPECT_TRUE(std::abs(written - date) < 1.0 / 86400 * 3 || std::abs(writtenLocal - date) < 1.0 / 86400 * 3)
            << c.Name;
    }
    EXPECT_FALSE(SavePartToFile(dir.File("no\\such\\folder\\x.bin"), "QUJD", "base64", date));
}
