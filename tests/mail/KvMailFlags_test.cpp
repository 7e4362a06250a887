#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "mail/KvMailFlags.h"

// Points the folder-name lists at another program folder, so neither the
// real program folder nor an earlier test's lists leak in; answers the
// folder to go back to. Shared with KvMailFolders_test.cpp.
std::string KvMailFlagsUseProgramFolder(const std::string& Folder)
{
    std::string old = ExeFolder;
    ExeFolder = Folder;
    FreeFolderNameLists();
    return old;
}

namespace {

class KvMailFlagsFolders : public ::testing::Test {
protected:
    void SetUp() override { SavedExeFolder = KvMailFlagsUseProgramFolder(Dir.Path() + "\\"); }
    void TearDown() override { KvMailFlagsUseProgramFolder(SavedExeFolder); }
    TTestFolder Dir{"mailflags"};
    std::string SavedExeFolder;
};

}  // namespace

TEST(KvMailFlags, HexStatusWords)
{
    const struct {
        const char* Text;
        TMailFlags Flags;
    } cases[] = {
        {"0x0", 0x20001},                 // nothing set: in-box, read
        {"0x10001", 0x30008},             // unread, in-box, deleted
        {"0x10001 more text", 0x30008},   // the word ends at the first blank
        {"0x4000", 0x40800},
        {"0x4000000", 0x240000},
        {"0x4004000", 0x240800},
        {"0x400000", 0x820000},
        {"0x40", 0x21001},
        {"0x2000", 0x20003},
        {"0x8", 0x20400},
        {"0x1", 0x30000},
        {"0x20000000", 0x20005},          // flagged on top of the default
        {"0x2000 0x10000", 0x20003},      // only the first word counts
        {"10001", 0x20001},               // no "0x": reads as 0
        {"0x", 0x20001},                  // too short to hold a digit
        {"0xZZ", 0x20001},
        {"", 0x20001},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MapHexStatusFlags(c.Text), c.Flags) << c.Text;
}

TEST(KvMailFlags, GmailLabels)
{
    const struct {
        const char* Labels;
        TMailFlags Flags;
    } cases[] = {
        {"", 0},
        {"Inbox,Sent", 0x1},               // inbox and sent cancel out
        {"Important", 0x80001},            // unknown label: other folder, read
        {"Unread, Inbox", 0x30000},
        {"Starred,Trash", 0x4000005},
        {"Draft", 0x8000001},
        {"Deleted,Inbox", 0x20009},
        {" sent\t", 0x440001},             // trimmed, compared without case
        {"SPAM,Unread", 0x4010000},
        {"Abc", 0x80001},                  // shorter than 4
        {"Categories", 0x80001},           // longer than 9
        {",,", 0x80001},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GmailLabelsToFlags(c.Labels), c.Flags) << c.Labels;
}

TEST(KvMailFlags, SentOrReceivedByHeader)
{
    const struct {
        const char* Header;
        bool Sent;
    } cases[] = {
        {"From: a@b.cd\r\nSubject: x\r\n", true},  // no Received at all
        {"Received: from a by b; Mon, 1 Jan 2001\r\n", true},
        {"Received: from a by b with SMTP id 1\r\n", false},
        {"Received: from a by b with ESMTP id 1\r\n", true},
        {"Received: from a\r\n by b with SMTP id 1\r\n", true},  // only the first line counts
        {"Received: from a with SMTP", false},     // no line end: the rest counts
        {"Received: a\r\nReceived: b\r\n", false},
        {"received: a\nRECEIVED: b\n", false},
        {"X-Received: a\r\nReceived: b\r\n", true},  // a name inside another is no field
        {"Subject: Received: a\r\nReceived: b\r\n", true},
        {"Received: a\r\nAuthentication-Results: x\r\n", false},
        {"Received: a\r\nX-AntiAbuse: x\r\n", false},
        {"Received: a\r\nNewsgroups: comp.x\r\n", false},
        {"Received: a\r\nX-Gmail-Labels: Inbox\r\n", false},
        {"Received: a\r\nX-Gmail-Labels: Inbox,Sent\r\n", true},
    };
    for (const auto& c : cases) {
        TMailFlags f = 0x1;
        MarkIfSent(c.Header, f);
        EXPECT_EQ(f, c.Sent ? 0x40001u : 0x1u) << c.Header;
    }
}

TEST(KvMailFlags, FlagsFromStatusFields)
{
    const char* const twoHops = "Received: a\r\nReceived: b\r\n";
    const struct {
        std::string Header;
        TMailFlags Folder;
        bool Calypso;
        TMailFlags Flags;
    } cases[] = {
        // Labels win over everything else.
        {"X-Gmail-Labels: Inbox,Sent\r\nX-Status: D\r\n", 0, false, 0x80000001},
        {"X-Gmail-Labels: Important\r\n", 0, false, 0x80080001},
        // Mozilla status: low bits read/replied/flagged/deleted, else unread.
        {"X-Mozilla-Status: 0008\r\n" + std::string(twoHops), 0, false, 0x80000048},
        {"X-Mozilla-Status: 0000\r\n" + std::string(twoHops), 0, false, 0x80010040},
        {"X-Mozilla-Status: 0001\r\n", 0, false, 0x80040041},        // no Received: sent
        {"X-Mozilla-Status: 0001\r\n", ffSent, false, 0x80000041},   // known folder
        {"X-Mozilla-Status: zz\r\n" + std::string(twoHops), 0, false, 0x80010040},
        {"X-Mozilla-Status: 0001\r\nX-Mozilla-Status2: 00200000\r\n", ffTrash, false, 0x80000049},
        {"X-Mozilla-Status: 0001\r\nX-Mozilla-Status2: 00800000\r\n", ffOther, false, 0x80840041},
        {"X-Mozilla-Status: 0001\r\nX-Mozilla-Status2: 00000000\r\n", 0, false, 0x80040041},
        {"X-Mozilla-Status: 0001\r\nX-Mozilla-Status2: 00000000\r\n", ffOther, false, 0x80000041},
        {"X-Mozilla-Status: 0001\r\nX-Mozilla-Status2: 10000000\r\n", ffDrafts, false, 0x80000041},
        // Status and X-Status letters, case-sensitive.
        {"Status: RO\r\nX-Status: D\r\n" + std::string(twoHops), 0, false, 0x80000009},
        {"Status: U\r\nX-Status: F*\r\n" + std::string(twoHops), 0, false, 0x80010004},
        {"Status: ro\r\nX-Status: d\r\n" + std::string(twoHops), 0, false, 0x80000000},
        {"Status: R\r\nX-Status: A\r\n", 0, false, 0x80000003},      // replied: never sent
        {"X-Status: W\r\n", ffOther, false, 0x80001000},
        {"X-Status: B\r\n", 0, false, 0x80800000},
        {"Status: R\r\n", 0, false, 0x80040001},                     // no Received: sent
        {"Status: R\r\n", ffTrash, false, 0x80000001},
        // The hexadecimal status word only when asked for.
        {"X-CalypsoMsgFlags: 0x10001\r\nStatus: R\r\n", 0, true, 0x80030008},
        {"X-CalypsoMsgFlags: 0x10001\r\nStatus: R\r\n" + std::string(twoHops), 0, false, 0x80000001},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetStatusFlagsFromHeaders(c.Header, c.Folder, c.Calypso), c.Flags) << c.Header;
}

TEST_F(KvMailFlagsFolders, FolderKindsByName)
{
    const struct {
        const char* Name;
        TMailboxKind Kind;
        TMailFlags Flags;
    } cases[] = {
        {"", mbkMbox, ffNone},
        {"Inbox", mbkMbox, ffOther},
        {"Sent", mbkMbox, ffSent},
        {"SENT ITEMS", mbkMbox, ffSent},
        {"Sent.mbx", mbkMbox, ffSent},             // the extension is dropped
        {"C:\\Mail\\Outbox", mbkMbox, ffSent},     // the last component is the name
        {"Drafts", mbkMbox, ffDrafts},
        {"Unsent Messages", mbkMbox, ffDrafts},
        {"Junk", mbkMbox, ffTrash},
        {"Sent Items (2)", mbkMbox, ffOther},      // copy numbers only for 26 to 28
        {"Sent Items (2)", mbkCopyNumbered1, ffSent},
        {"Trash (12)", mbkCopyNumbered2, ffTrash},
        {"Trash (x)", mbkCopyNumbered2, ffOther},
        {"Trash ()", mbkCopyNumbered2, ffOther},
        {"Hotmail - Sent", mbkHotmail, ffSent},
        {"Hotmail - Sent", mbkMbox, ffOther},
        {"Hotmail - Outbox (3)", mbkHotmail, ffSent},
        {"Trash\\Old", mbkMozilla, ffTrash},           // a relative path: its top folder
        {"Inbox\\Trash", mbkMozilla, ffOther},
        {"C:\\Mail\\Trash.sbd\\Old", mbkMozilla, ffTrash},
        {"C:\\Mail\\Trash.sbd\\Old", mbkMbox, ffOther},
        {"C:\\Mail\\Trash.sbdx\\Old", mbkMozilla, ffOther},
        {"C:\\Eudora\\Junk.FOL\\Sub.mbx", mbkEudoraToc, ffTrash},
        {"C:\\Eudora\\Work.fol\\Trash.mbx", mbkEudoraToc, ffOther},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderFlagsOf(c.Name, c.Kind), c.Flags) << c.Name << " kind " << int(c.Kind);
}

TEST_F(KvMailFlagsFolders, ListFilesReplaceTheBuiltInNames)
{
    // An empty list file: no folder is a sent folder.
    ASSERT_EQ(SaveStringToFile(Dir.File("Outgoing.dat"), ""), 0);
    ASSERT_GT(SaveStringToFile(Dir.File("TrashFiles.dat"), "Papierkorb\r\n\r\n  \r\n Corbeille \r\nPAPIERKORB\n"), 0);
    EXPECT_EQ(FolderFlagsOf("Sent", mbkMbox), ffOther);
    EXPECT_EQ(FolderFlagsOf("papierkorb", mbkMbox), ffTrash);
    EXPECT_EQ(FolderFlagsOf("Corbeille", mbkMbox), ffTrash);
    EXPECT_EQ(FolderFlagsOf("Trash", mbkMbox), ffOther);
    // A blank line names no folder: an empty top folder is not trash.
    EXPECT_FALSE(IsTrashFolder("\\Inbox", mbkMbox));
    EXPECT_EQ(TrashFolderNames().Count(), 2);
    // Drafts.dat is missing: the built-in names stay.
    EXPECT_EQ(FolderFlagsOf("Drafts", mbkMbox), ffDrafts);

    // The lists are kept until freed.
    DeleteFileA(Dir.File("Outgoing.dat").c_str());
    EXPECT_EQ(FolderFlagsOf("Sent", mbkMbox), ffOther);
    FreeFolderNameLists();
    EXPECT_EQ(FolderFlagsOf("Sent", mbkMbox), ffSent);
}
