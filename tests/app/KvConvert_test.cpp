#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "app/KvConvert.h"
#include "classlib/Classes.h"
#include "foundation/KvAnsi.h"
#include "mail/KvFindMail.h"

TEST(KvConvertFormats, RoundTripsThroughNamesAndRows)
{
    for (int id = 0; id <= MaxMailFormat; ++id) {
        SCOPED_TRACE(id);
        const TMailFormat f = static_cast<TMailFormat>(id);
        // Saved by name and read back: the nameless Mac Eudora and Pine
        // formats come back Unknown.
        EXPECT_EQ(MailFormatFromName(MailFormatName(f)), id == mftMacEudora || id == mftPine ? int(mftUnknown) : id);
        EXPECT_EQ(MailFormatName(TMailFormat(f | 0x80)), MailFormatName(f));  // the high bit is the caller's
        const int sourceRow = MailFormatToRow(f, false);
        const int targetRow = MailFormatToRow(f, true);
        if (sourceRow >= 0) {
            EXPECT_EQ(MailFormatFromSourceRow(sourceRow), id);
        }
        if (targetRow >= 0) {
            EXPECT_EQ(MailFormatFromTargetRow(targetRow), id);
        }
        // Exactly the sources, the targets and "Other" have rows (6 only
        // comes back from stored settings).
        EXPECT_EQ(sourceRow >= 0, (id >= mftThunderbird && id <= mftPine && id != mftNetscapeOld) || id == mftOther);
        EXPECT_EQ(targetRow >= 0, id >= mftEml);
        EXPECT_EQ(MailFormatSubfolderExt(f), id >= mftThunderbird && id <= mftNetscapeOld ? "sbd" : "");
    }
    const struct {
        TMailFormat Id;
        const char* Source;
        const char* Data;
        TMailboxKind Mode;
        TLineBreakKind Break;
    } cases[] = {{mftEudoraToc, "toc", "", mbkEudoraToc, lbkCrLf},   {mftEudoraMbx, "mbx", "mbx", mbkEudoraMbx, lbkCrLf},
                 {mftMacEudora, "*", "", mbkMacEudora, lbkCrLf},     {mftMbox, "*", "mbox", mbkMbox, lbkCrLf},
                 {mftPine, "*", "", mbkPine, lbkCrLf},               {mftThunderbird, "msf", "", mbkMozilla, lbkCrLf},
                 {mftNetscapeOld, "snm", "", mbkMozilla, lbkCrLf},   {mftMboxUnix, "mbox", "mbox", mbkMbox, lbkLf},
                 {mftMboxMac, "mbox", "mbox", mbkMbox, lbkCr},       {mftOther, "*", "", mbkNone, lbkCrLf},
                 {mftEml, "eml", "eml", mbkMessageFile, lbkCrLf}};
    for (const auto& c : cases) {
        EXPECT_EQ(MailFormatExtension(c.Id, false), c.Source) << int(c.Id);
        EXPECT_EQ(MailFormatExtension(c.Id, true), c.Data) << int(c.Id);
        EXPECT_EQ(MailFormatReaderMode(c.Id), c.Mode) << int(c.Id);
        EXPECT_EQ(MailFormatLineBreak(c.Id), c.Break) << int(c.Id);
    }
}

// Each source format is read by the reader its mailboxes need; targets and
// markers by none. Bit 7 is the caller's and changes nothing.
TEST(KvConvertFormats, ReadersAndFamilies)
{
    const struct {
        TMailFormat Id;
        TMailReader Reader;
        bool Mozilla;
        bool Eudora;
    } cases[] = {
        {mftUnknown, TMailReader::None, false, false},      {mftThunderbird, TMailReader::Stream, true, false},
        {mftEudoraOse, TMailReader::Stream, true, false},   {mftNetscapeOld, TMailReader::Stream, true, false},
        {mftEudoraToc, TMailReader::EudoraIndex, false, true}, {mftEudoraMbx, TMailReader::Stream, false, true},
        {mftMacEudora, TMailReader::Stream, false, false},  {mftMbox, TMailReader::Stream, false, false},
        {mftPine, TMailReader::Stream, false, false},       {mftEml, TMailReader::None, false, false},
        {mftMboxWin, TMailReader::None, false, false},      {mftOther, TMailReader::None, false, false},
        {mftSeveral, TMailReader::None, false, false},      {TMailFormat(0x7F), TMailReader::None, false, false},
    };
    for (const auto& c : cases) {
        for (int bit : {0x00, 0x80}) {
            const TMailFormat f = static_cast<TMailFormat>(c.Id | bit);
            EXPECT_EQ(MailFormatReader(f), c.Reader) << int(f);
            EXPECT_EQ(MailFormatIsMozilla(f), c.Mozilla) << int(f);
            EXPECT_EQ(MailFormatIsEudora(f), c.Eudora) << int(f);
            EXPECT_EQ(MailFormatId(f), c.Id) << int(f);
        }
    }
}

TEST(KvConvertFormats, NamesRowsAndMarkers)
{
    const struct {
        const char* Name;
        TMailFormat Id;
    } names[] = {{"mbox_unix", mftMboxUnix}, {"EUDORA.TOC", mftEudoraToc}, {"", mftUnknown},
                 {"Unknown", mftUnknown},       {"Pine", mftUnknown},            {"eml ", mftUnknown}};
    for (const auto& n : names)
        EXPECT_EQ(MailFormatFromName(n.Name), n.Id) << n.Name;

    // Header rows and rows past the lists give no format.
    for (int row : {0, 6, 10, 13, 15, -1})
        EXPECT_EQ(MailFormatFromSourceRow(row), mftUnknown) << row;
    for (int row : {0, 3, 7, 9, -1})
        EXPECT_EQ(MailFormatFromTargetRow(row), mftUnknown) << row;
    EXPECT_EQ(MailFormatToRow(mftSeveral, true), 8);
    EXPECT_EQ(MailFormatToRow(mftSeveral, false), -1);
    EXPECT_EQ(MailFormatName(TMailFormat(40)), "Unknown");

    const TMailFormat ids[] = {mftUnknown,    mftThunderbird, mftEudoraOse, mftSeaMonkey,
                               mftMozilla,    mftNetscape,    mftNetscapeOld, mftEudoraToc,
                               mftEudoraMbx,  mftMacEudora,   mftMbox,      mftOther};
    const int clients[] = {mciNone,     mciThunderbird, mciThunderbird, mciSeaMonkey, mciMozilla, mciNetscape,
                           mciNetscape, mciEudora,      mciEudora,      mciNone,      mciNone,    mciNone};
    for (size_t i = 0; i < std::size(ids); ++i)
        EXPECT_EQ(MailFormatClientId(ids[i]), clients[i]) << int(ids[i]);

    TStringList list;
    list.AddObject("x", MailFormatToObject(mftPine));
    EXPECT_EQ(MailFormatOfObject(list.Objects(0)), mftPine);
}

TEST(KvConvertSettings, FreshAndAttached)
{
    TConvertSettings cs;
    EXPECT_EQ(cs.CurrentIndex, -1);
    EXPECT_EQ(cs.LineBreak, lbkCrLf);
    EXPECT_EQ(cs.GetSourceFormat(), mftUnknown);
    EXPECT_EQ(cs.GetSourceEntry(), "");

    TStringList list;
    list.AddObject("C:\\Mail\\Inbox", MailFormatToObject(mftMbox));
    list.AddObject("C:\\Mail\\Local Folders\\*.msf", MailFormatToObject(mftThunderbird));
    cs.MessageCount = 5;
    cs.CurrentIndex = 1;
    cs.SetSourceList(&list);
    EXPECT_EQ(cs.SourceCount, 2);
    EXPECT_EQ(cs.CurrentIndex, -1);
    EXPECT_EQ(cs.MessageCount, 0);
    EXPECT_EQ(cs.GetSourceFormat(), mftUnknown);

    // Lines added after the list was attached are past the count.
    list.AddObject("C:\\late", MailFormatToObject(mftMbox));
    cs.SetCurrentIndex(2);
    EXPECT_EQ(cs.GetSourceEntry(), "");
    EXPECT_EQ(cs.SourceFormat, mftUnknown);

    for (int code : std::initializer_list<int>{cntMailbox, cntMessage, cntMessage, cntDuplicate, cntError, cntError,
                                               cntError, 4, -1})
        cs.CountResult(code);
    EXPECT_EQ(cs.MailboxCount, 1);
    EXPECT_EQ(cs.MessageCount, 2);
    EXPECT_EQ(cs.DuplicateCount, 1);
    EXPECT_EQ(cs.ErrorCount, 3);
    cs.ResetCounters();
    EXPECT_EQ(cs.MailboxCount + cs.MessageCount + cs.DuplicateCount + cs.ErrorCount, 0);

    cs.SetSourceList(nullptr);
    EXPECT_EQ(cs.SourceCount, 0);
}

TEST(KvConvertSettings, TargetFormats)
{
    const struct {
        TMailFormat Format;
        bool OnePerMessage;
        TLineBreakKind Break;
    } cases[] = {{mftEml, true, 2},      {mftTxt, true, 2},      {mftMboxWin, false, 2},
                 {mftMboxUnix, false, 5}, {mftMboxMac, false, 3}, {mftOther, false, 2}};
    for (const auto& c : cases) {
        TConvertSettings cs;
        cs.SetTargetFormat(c.Format);
        EXPECT_EQ(cs.TargetFormat, c.Format);
        EXPECT_EQ(cs.OneFilePerMessage, c.OnePerMessage) << int(c.Format);
        EXPECT_EQ(cs.LineBreak, c.Break) << int(c.Format);
    }
    TConvertSettings cs;
    cs.SetTargetFormat(mftMboxUnix);
    EXPECT_EQ(cs.GetTargetExt(), "mbox");
    cs.TargetExtOverride = ".";
    EXPECT_EQ(cs.GetTargetExt(), ".");
    cs.SetTargetFormat(mftOther);
    cs.TargetExtOverride.clear();
    EXPECT_EQ(cs.GetTargetExt(), "");
}

TEST(KvConvertSettings, EntriesBasesAndMailboxFiles)
{
    const struct {
        const char* Entry;
        TMailFormat Format;
        const char* Base;
        const char* SubExt;
        const char* Found;
        const char* Mailbox;
        const char* SourceExt;
        const char* DataExt;
    } cases[] = {
        {"C:\\Mail\\Local Folders\\*.msf", mftThunderbird, "C:\\Mail\\", "sbd", "C:\\Mail\\Local Folders\\Inbox.msf",
         "C:\\Mail\\Local Folders\\Inbox", "msf", ""},
        {"C:\\M\\Inbox", mftThunderbird, "C:\\M\\", "sbd", "C:\\M\\Inbox", "C:\\M\\Inbox", "msf", ""},
        {"C:\\Old\\*.snm", mftNetscapeOld, "C:\\", "sbd", "C:\\Old\\Inbox.snm", "C:\\Old\\Inbox", "snm", ""},
        {"D:\\Eudora\\In.toc", mftEudoraToc, "D:\\Eudora\\", "", "D:\\Eudora\\In.toc", "D:\\Eudora\\In.mbx", "toc", "mbx"},
        {"D:\\Eudora\\*.mbx", mftEudoraMbx, "D:\\", "", "D:\\Eudora\\In.mbx", "D:\\Eudora\\In.mbx", "mbx", "mbx"},
        {"E:\\box.msf", mftMbox, "E:\\", "", "E:\\box.msf", "E:\\box.msf", "*", ""},
        // A star alone is a folder search, which counts from the parent.
        {"E:\\Mail\\sub\\*", mftMbox, "E:\\Mail\\", "", "E:\\Mail\\sub\\box", "E:\\Mail\\sub\\box", "*", ""},
        {"E:\\a*\\box", mftMbox, "E:\\a*\\", "", "E:\\a*\\box", "E:\\a*\\box", "*", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Entry);
        TStringList list;
        list.AddObject("first", MailFormatToObject(mftPine));
        list.AddObject(c.Entry, MailFormatToObject(c.Format));
        TConvertSettings cs;
        cs.SetSourceList(&list);
        cs.SetCurrentIndex(1);
        EXPECT_EQ(cs.SourceFormat, c.Format);
        EXPECT_EQ(cs.GetSourceEntry(), c.Entry);
        EXPECT_EQ(cs.SourceBase, c.Base);
        EXPECT_EQ(cs.SubfolderExt, c.SubExt);
        EXPECT_EQ(cs.GetMailboxFileOf(c.Found), c.Mailbox);
        EXPECT_EQ(cs.GetSourceExt(false), c.SourceExt);
        EXPECT_EQ(cs.GetSourceExt(true), c.DataExt);
    }
    // Typed "." and ".." levels, doubled backslashes and slashes name the
    // folder they lead to, never above the drive; a relative entry names
    // one in the current folder.
    char Cwd[MAX_PATH];
    const std::string Here(Cwd, GetCurrentDirectoryA(MAX_PATH, Cwd));
    const struct {
        std::string Typed, Entry, Base;
    } typed[] = {
        {"C:\\Mail\\.\\x\\..\\Local Folders\\\\*.msf", "C:\\Mail\\Local Folders\\*.msf", "C:\\Mail\\"},
        {"D:/Eudora/./In.toc", "D:\\Eudora\\In.toc", "D:\\Eudora\\"},
        {"E:\\..\\..\\box\\..\\mail\\.\\*.*", "E:\\mail\\*.*", "E:\\"},
        {"NoFolder", Here + "\\NoFolder", Here + "\\"},
    };
    for (const auto& c : typed) {
        TStringList list;
        list.AddObject(c.Typed, MailFormatToObject(mftMbox));
        TConvertSettings cs;
        cs.SetSourceList(&list);
        cs.SetCurrentIndex(0);
        EXPECT_EQ(cs.GetSourceEntry(), c.Entry);
        EXPECT_EQ(cs.SourceBase, c.Base);
    }
}

TEST(KvConvertSettings, TargetPaths)
{
    const struct {
        const char* Entry;
        TMailFormat Source;
        TMailFormat Target;
        bool Restore;
        const char* Mailbox;
        const char* Expected;
    } cases[] = {
        // Without the folder tree every mailbox goes to the target itself.
        {"C:\\Mail\\Local Folders\\*.msf", mftThunderbird, mftEml, false, "C:\\Mail\\Local Folders\\Inbox", "T:\\Out\\"},
        // One folder per mailbox, named after it, below the chosen folder's name.
        {"C:\\Mail\\Local Folders\\*.msf", mftThunderbird, mftEml, true, "C:\\Mail\\Local Folders\\Inbox",
         "T:\\Out\\Local Folders\\Inbox\\"},
        {"C:\\Mail\\Local Folders\\*.msf", mftThunderbird, mftTxt, true, "C:\\Mail\\Local Folders\\Inbox.sbd\\Work",
         "T:\\Out\\Local Folders\\Inbox\\Work\\"},
        // mbox targets keep the folder of the mailbox, extensions and all.
        {"C:\\Mail\\Local Folders\\*.msf", mftThunderbird, mftMboxWin, true, "C:\\Mail\\Local Folders\\Inbox.sbd\\Work",
         "T:\\Out\\Local Folders\\Inbox.sbd\\"},
        {"C:\\Mail\\Inbox", mftMbox, mftMboxWin, true, "C:\\Mail\\Inbox", "T:\\Out\\"},
        {"C:\\Mail\\Inbox", mftMbox, mftEml, true, "C:\\Mail\\Inbox", "T:\\Out\\Inbox\\"},
        // Any-file formats drop no extension; Eudora keeps its data file name.
        {"C:\\Mail\\box.txt", mftMbox, mftEml, true, "C:\\Mail\\box.txt", "T:\\Out\\box.txt\\"},
        {"D:\\Eudora\\In.toc", mftEudoraToc, mftEml, true, "D:\\Eudora\\In.mbx", "T:\\Out\\In.mbx\\"},
        {"D:\\Eudora\\*.mbx", mftEudoraMbx, mftEml, true, "D:\\Eudora\\Sub\\In.mbx", "T:\\Out\\Eudora\\Sub\\In\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Mailbox) + " " + std::to_string(c.Target));
        TStringList list;
        list.AddObject(c.Entry, MailFormatToObject(c.Source));
        TConvertSettings cs;
        cs.SetSourceList(&list);
        cs.SetCurrentIndex(0);
        cs.SetTargetFormat(c.Target);
        cs.TargetPath = "T:\\Out\\";
        cs.RestoreFolderTree = c.Restore;
        EXPECT_EQ(cs.GetTargetPath(c.Mailbox), AnsiToWideStr(c.Expected));
    }
}
