#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "mail/KvMailFolders.h"

// In KvMailFlags_test.cpp.
std::string KvMailFlagsUseProgramFolder(const std::string& Folder);

namespace {

std::string FakeEudoraName(const std::string& Path)
{
    return "eudora:" + ExtractFileNamePart(Path);
}

std::string FakePegasusName(const std::string& Path)
{
    return "pegasus:" + ExtractFileNamePart(Path);
}

// The folder-name lists read beside the program; a scratch folder keeps
// the built-in names whatever lies beside the test program.
class KvMailFoldersObj : public ::testing::Test {
protected:
    void SetUp() override { SavedExeFolder = KvMailFlagsUseProgramFolder(Dir.Path() + "\\"); }
    void TearDown() override { KvMailFlagsUseProgramFolder(SavedExeFolder); }
    TTestFolder Dir{"mailfolders"};
    std::string SavedExeFolder;
};

}  // namespace

TEST(KvMailFolders, LocationAndNameByKind)
{
    GEudoraFolderNameHook = FakeEudoraName;
    GPegasusFolderNameHook = FakePegasusName;
    const struct {
        TMailboxKind Kind;
        const char* Path;
        const char* Location;
        const char* Name;
    } cases[] = {
        // Message files in folder directories.
        {mbkMessageFile, "C:\\Mail\\Inbox.fld\\1.eml", "C:\\Mail\\", "Inbox"},
        {mbkMessageFile, "C:\\Mail\\Top.FLD\\Sub.fld\\1.eml", "C:\\Mail\\Top\\", "Sub"},
        {mbkMessageFile, "C:\\1.eml", "", "C:"},
        {mbkFolderFlagsOnly, "Mail\\Sent\\7.eml", "Mail\\", "Sent"},
        // ".mbox" directories with their "Messages" folder.
        {mbkEmlxFolder, "Mail\\Inbox.mbox\\Messages\\1.emlx", "Mail", "Inbox"},
        {mbkEmlxFolder, "C:\\Mail\\Box.IMAPMBOX\\messages\\1.emlx", "C:\\Mail", "Box"},
        {mbkEmlxFolder, "Mail\\A.mbox\\X\\Messages\\1.emlx", "Mail", "A"},
        {mbkEmlxFolder, "Mail\\Top.sbd\\Inbox.mbox\\Messages\\2.partial.emlx", "Mail\\Top", "Inbox"},
        {mbkEmlxFolder, "Mail\\Plain\\1.emlx", "Mail", "Plain"},
        // Maildir: dots make sub-folders, leading dots go.
        {mbkMaildir, "Maildir\\.Sent\\cur\\123", "Maildir\\Sent\\", ""},
        {mbkMaildir, "C:\\mail.box\\.Work.Old\\NEW\\1", "C:\\mail\\box\\Work\\Old\\", ""},
        {mbkMaildir, "Maildir\\..x\\tmp\\1", "Maildir\\x\\", ""},
        // mbox files.
        {mbkMbox, "C:\\Mail\\Inbox.mbx", "C:\\Mail\\", "Inbox"},
        {mbkMbox, "C:\\Mail\\Inbox.TXT", "C:\\Mail\\", "Inbox"},
        {mbkMbox, "C:\\Mail\\Notes.dat", "C:\\Mail\\", "Notes.dat"},
        {mbkPine, "C:\\p.fld\\Inbox.mbox", "C:\\p\\", "Inbox"},
        {mbkMbox, "C:\\Mail\\Work.mbox\\Sub.mbox\\mbox", "C:\\Mail\\Work\\", "Sub"},
        {mbkMboxAttachLines, "C:\\Mail\\Inbox.mbox\\mbox", "C:\\Mail\\", "Inbox"},
        {mbkFldMbox, "C:\\Mail\\Inbox.mbx", "C:\\Mail\\", "Inbox.mbx"},
        {mbkFldMboxFolderFlags, "C:\\x.fld\\In.MBOX", "C:\\x\\", "In"},
        // Mozilla-family trees.
        {mbkMozilla, "Mail\\Local\\Inbox.sbd\\Work.sbd\\Project", "Mail\\Local\\", "Inbox\\Work\\Project"},
        {mbkMozilla, "C:\\Mail\\Local\\Inbox", "C:\\Mail\\Local\\", "Inbox"},
        {mbkMozilla, "Inbox.sbd\\Sub", "Inbox.sbd\\", "Sub"},
        // Name from the file.
        {mbkCalypso, "C:\\a\\b.txt", "C:\\a\\", "b"},
        {mbkFileNamed, "C:\\a\\Hotmail - Inbox.mbx", "C:\\a\\", "Hotmail - Inbox"},
        {mbkPoco1, "C:\\p.fld\\In.mbx", "C:\\p\\", "In"},
        // Stores with names of their own.
        {mbkEudoraToc, "C:\\Eudora\\Work.fol\\Sub.toc", "C:\\Eudora\\", "eudora:Sub.toc"},
        {mbkEudoraMbx, "C:\\Eudora\\In.mbx", "C:\\Eudora\\", "eudora:In.mbx"},
        {mbkPegasusPlain, "C:\\PMail\\FOL0001.PMM", "C:\\PMail\\", "pegasus:FOL0001.PMM"},
        // Folder directories.
        {mbkContentFile1, "C:\\Store\\Inbox\\m.txt", "C:\\Store\\", "Inbox"},
        {mbkFileLocation, "C:\\Store\\Inbox.mbx", "C:\\Store\\Inbox", ""},
        {TMailboxKind(99), "C:\\Store\\Inbox.mbx", "C:\\Store\\", ""},
    };
    for (const auto& c : cases) {
        std::string location = "?", name = "?";
        GetFolderLocationAndName(c.Path, c.Kind, location, name);
        EXPECT_EQ(location, c.Location) << c.Path << " kind " << int(c.Kind);
        EXPECT_EQ(name, c.Name) << c.Path << " kind " << int(c.Kind);
    }

    // Without the store's own reader the name stays empty.
    GEudoraFolderNameHook = nullptr;
    GPegasusFolderNameHook = nullptr;
    std::string location, name = "?";
    GetFolderLocationAndName("C:\\Eudora\\Work.fol\\Sub.toc", mbkEudoraToc, location, name);
    EXPECT_EQ(name, "");
    GetFolderLocationAndName("C:\\PMail\\FOL0001.PMM", mbkPegasus, location, name);
    EXPECT_EQ(name, "");
}

TEST(KvMailFolders, FolderExtensions)
{
    const struct {
        const char* Path;
        const char* Ext;
        const char* Result;
    } removals[] = {
        {"A.sbd\\B.SBD\\C", "sbd", "A\\B\\C"},
        {"A.sbdx\\B.sbd", "sbd", "A.sbdx\\B"},
        {"C:\\x.fld\\", "fld", "C:\\x\\"},
        {"C:\\x\\", "fld", "C:\\x\\"},
    };
    for (const auto& r : removals)
        EXPECT_EQ(RemoveFolderExtension(r.Path, r.Ext), r.Result) << r.Path;

    const struct {
        const char* Path;
        const char* Ext;
        int Length;
        const char* Result;
    } cuts[] = {
        {"C:\\M\\Inbox.sbd\\W.sbd\\", "sbd", 5, "C:\\M\\"},
        {"C:\\Eudora\\Work.FOL\\Sub.fol\\x.toc", "fol", 10, "C:\\Eudora\\"},
        {"C:\\M\\Inbox.sbd", "sbd", 0, "C:\\M\\Inbox.sbd"},  // no "\" after it
        {"Inbox.sbd\\x", "sbd", 0, "Inbox.sbd\\x"},           // no "\" before it
        {"", "sbd", 0, ""},
    };
    for (const auto& c : cuts) {
        std::string path = c.Path;
        EXPECT_EQ(CutAtFolderExtension(path, c.Ext), c.Length) << c.Path;
        EXPECT_EQ(path, c.Result) << c.Path;
    }

    const struct {
        const char* Path;
        const char* Result;
    } mails[] = {
        {"C:\\Prog\\MAIL\\box\\x.mbx", "C:\\Prog\\MAIL\\"},
        {"C:\\mail\\a\\mail\\b", "C:\\mail\\"},
        {"C:\\mailbox\\x", "C:\\mailbox\\x"},
        {"mail\\x", "mail\\x"},
    };
    for (const auto& m : mails) {
        std::string path = m.Path;
        CutAtMailFolder(path);
        EXPECT_EQ(path, m.Result) << m.Path;
    }
}

TEST_F(KvMailFoldersObj, FileNameSetsFolderAndFlags)
{
    TMailFolderObj obj;
    obj.FormatKind = mbkMozilla;
    obj.SetFileName("C:\\Mail\\Local\\Trash.sbd\\Old");
    EXPECT_EQ(obj.FolderLocation, "C:\\Mail\\Local\\");
    EXPECT_EQ(obj.FolderName, "Trash\\Old");
    EXPECT_EQ(obj.FolderFlags, ffTrash);
    EXPECT_TRUE(obj.FolderChanged);

    // The same name again recomputes nothing.
    obj.FolderChanged = false;
    obj.FolderFlags = 0x1234;
    obj.SetFileName("C:\\Mail\\Local\\Trash.sbd\\Old");
    EXPECT_FALSE(obj.FolderChanged);
    EXPECT_EQ(obj.FolderFlags, 0x1234u);

    // Another file of the same folder names: nothing changes either.
    obj.SetFileName("C:\\Mail\\Local\\Trash.SBD\\Old");
    EXPECT_FALSE(obj.FolderChanged);
    EXPECT_EQ(obj.FolderFlags, 0x1234u);

    obj.SetFileName("C:\\Mail\\Local\\Sent");
    EXPECT_TRUE(obj.FolderChanged);
    EXPECT_EQ(obj.FolderName, "Sent");
    EXPECT_EQ(obj.FolderFlags, ffSent);

    // Trailing blanks and control characters are no part of a name.
    obj.FolderChanged = false;
    obj.SetFolderName("Sent \t\r\n");
    EXPECT_FALSE(obj.FolderChanged);
    obj.SetFolderName(" Drafts ");
    EXPECT_EQ(obj.FolderName, " Drafts");
    EXPECT_EQ(obj.FolderFlags, ffOther);
    obj.SetFolderName("Drafts");
    EXPECT_EQ(obj.FolderFlags, ffDrafts);
    obj.SetFolderName("");
    EXPECT_EQ(obj.FolderFlags, ffNone);

    // Kind 23 leaves the name to its reader.
    TMailFolderObj kept;
    kept.FormatKind = mbkReaderNamed;
    kept.SetFolderName("Outbox");
    kept.SetFileName("C:\\Store\\Inbox.mbx");
    EXPECT_EQ(kept.FolderLocation, "C:\\Store\\");
    EXPECT_EQ(kept.FolderName, "Outbox");
    EXPECT_EQ(kept.FolderFlags, ffSent);
}
