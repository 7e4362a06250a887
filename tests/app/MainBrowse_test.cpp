#include <gtest/gtest.h>

#include <string>

#include "app/MainBrowse.h"
#include "foundation/KvSpFolder.h"
#include "tests/TestFolder.h"

TEST(MainBrowse, FileFiltersOfTheFormats)
{
    const struct {
        TMailFormat Format;
        const char* Row;
        const char* Filter;
        int Index;
        const char* DefaultExt;
    } cases[] = {
        {mftThunderbird, "Thunderbird", "Thunderbird (*.msf)|*.msf|All Files (*.*)|*.*", 1, "msf"},
        {mftEudoraOse, "Eudora OSE", "Eudora OSE (*.msf)|*.msf|All Files (*.*)|*.*", 1, "msf"},
        // A row that names its pattern already keeps its text.
        {mftEudoraToc, "Eudora index files (*.toc)", "Eudora index files (*.toc)|*.toc|All Files (*.*)|*.*", 1,
         "toc"},
        {mftEudoraMbx, "Eudora mailboxes (*.mbx)", "Eudora mailboxes (*.mbx)|*.mbx|All Files (*.*)|*.*", 1, "mbx"},
        // Formats without an extension of their own filter "mbox" and have
        // no default extension; plain mbox files open on all files.
        {mftMacEudora, "Mac Eudora mailboxes", "Mac Eudora mailboxes (*.mbox)|*.mbox|All Files (*.*)|*.*", 1, ""},
        {mftMbox, "Standard mbox", "Standard mbox (*.mbox)|*.mbox|All Files (*.*)|*.*", 2, ""},
        {mftPine, "Pine mbox", "All Files (*.*)|*.*", 1, ""},
        {mftUnknown, "//Generic mail formats", "All Files (*.*)|*.*", 1, ""},
        // The mbox targets of the target file dialog.
        {mftMboxWin, "mbox for Windows", "mbox for Windows (*.mbox)|*.mbox|All Files (*.*)|*.*", 2, "mbox"},
        {mftMboxUnix, "mbox for Unix", "mbox for Unix (*.mbox)|*.mbox|All Files (*.*)|*.*", 2, "mbox"},
        {mftMboxMac, "mbox for Mac", "mbox for Mac (*.mbox)|*.mbox|All Files (*.*)|*.*", 2, "mbox"},
        // The caller's bit 7 does not count.
        {static_cast<TMailFormat>(mftMbox | 0x80), "Standard mbox", "Standard mbox (*.mbox)|*.mbox|All Files (*.*)|*.*",
         2, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Row);
        const TFormatFileFilter F = FormatFileFilter(c.Format, c.Row);
        EXPECT_EQ(F.Filter, c.Filter);
        EXPECT_EQ(F.FilterIndex, c.Index);
        EXPECT_EQ(F.DefaultExt, c.DefaultExt);
    }
}

TEST(MainBrowse, SourceStartFolderAndFolderEntries)
{
    EXPECT_EQ(SourceStartFolder("C:\\Mail", mftMbox), "C:\\Mail");
    // No remembered folder and no mail program for the format.
    EXPECT_EQ(SourceStartFolder("", mftMbox), GetAppDataFolder());

    EXPECT_EQ(SourceFolderEntry("C:\\Mail", mftThunderbird), "C:\\Mail\\*.msf");
    EXPECT_EQ(SourceFolderEntry("C:\\Mail\\", mftEudoraToc), "C:\\Mail\\*.toc");
    EXPECT_EQ(SourceFolderEntry("C:\\Mail", mftMbox), "C:\\Mail\\*.*");
}

TEST(MainBrowse, TargetBrowseStartAndAnswer)
{
    TTestFolder Dir("browse");
    const std::string D = Dir.Path();
    TTestFolder::Put(Dir.File("Out\\old.mbox"), "x");

    // The start text.
    EXPECT_EQ(TargetBrowseStartText("C:\\Out\\", "C:\\Clip\\", "C:\\Docs"), "C:\\Out\\");
    EXPECT_EQ(TargetBrowseStartText("", "C:\\Clip\\box", "C:\\Docs"), "C:\\Clip\\box");
    EXPECT_EQ(TargetBrowseStartText("", "no backslash", "C:\\Docs"), "C:\\Docs\\");
    EXPECT_EQ(TargetBrowseStartText("", "C:\\what?\\", "C:\\Docs\\"), "C:\\Docs\\");
    EXPECT_EQ(TargetBrowseStartText("", "C:\\" + std::string(257, 'a'), "C:\\Docs"), "C:\\" + std::string(257, 'a'));
    EXPECT_EQ(TargetBrowseStartText("", "C:\\" + std::string(257, 'a') + "b", "C:\\Docs"), "C:\\Docs\\");

    // File or folder.
    EXPECT_TRUE(TargetBrowsePicksFile(mftMboxWin, false, false));
    EXPECT_TRUE(TargetBrowsePicksFile(mftMboxMac, false, false));
    EXPECT_FALSE(TargetBrowsePicksFile(mftMboxUnix, true, false));
    EXPECT_FALSE(TargetBrowsePicksFile(mftMboxUnix, false, true));
    EXPECT_FALSE(TargetBrowsePicksFile(mftEml, false, false));

    // Where the target file dialog opens.
    const struct {
        std::string Text, Folder, FileName;
    } starts[] = {
        {D + "\\Out\\all.mbox", D + "\\Out\\", "all.mbox"},  // a file that is to be made
        {D + "\\Out\\old.mbox", D + "\\Out\\", "old.mbox"},
        {D + "\\Out", D + "\\Out", "*."},                    // an existing folder without pattern
        {D + "\\Out\\*.mbox", D + "\\Out\\", "*.mbox"},
        {D + "\\Out\\*.", D + "\\Out\\", "*."},
        {D + "\\Out\\", D + "\\Out\\", ""},
    };
    for (const auto& s : starts) {
        SCOPED_TRACE(s.Text);
        const TTargetFileStart St = TargetFileStart(s.Text);
        EXPECT_EQ(St.Folder, s.Folder);
        EXPECT_EQ(St.FileName, s.FileName);
    }

    // The text after a folder was picked keeps the old pattern.
    const struct {
        const char *Folder, *Old, *Result;
    } answers[] = {
        {"C:\\New", "C:\\Out\\*.eml", "C:\\New\\*.eml"},
        {"C:\\New\\", "C:\\Out\\*.", "C:\\New\\*."},
        {"C:\\New", "C:\\Out\\", "C:\\New\\"},
        {"C:\\New", "C:\\Out\\*.*", "C:\\New\\"},
        {"C:\\New", "C:\\Out\\all.mbox", "C:\\New\\"},
        {"C:\\", "", "C:\\"},
    };
    for (const auto& a : answers) {
        SCOPED_TRACE(a.Old);
        EXPECT_EQ(TargetFolderResult(a.Folder, a.Old), a.Result);
    }
}
