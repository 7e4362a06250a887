#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Main.h"
#include "testkit/TestFolder.h"

TEST(MainText, MailboxUrlToPath)
{
    struct Case {
        const char* Text;
        bool Converted;
        const char* Result;
    };
    const Case Cases[] = {
        {"mailbox:///C|/Mail/Inbox", true, "C:\\Mail\\Inbox"},
        {"mailbox://C|/Mail/Inbox", true, "C:\\Mail\\Inbox"},
        {"mailbox:/C|/Mail/Inbox", true, "C:\\Mail\\Inbox"},
        // Only two slashes after the prefix go; a third stays as a backslash.
        {"mailbox:////server/share/box", true, "\\server\\share\\box"},
        {"MAILBOX:///D|/x/y", true, "D:\\x\\y"},
        // Twelve characters are not enough; thirteen are.
        {"mailbox:///C", false, "mailbox:///C"},
        {"mailbox:///Cx", true, "Cx"},
        {"imap://host/INBOX/folder", false, "imap://host/INBOX/folder"},
        {"mailbox:C|/Mail/Inbox/x", false, "mailbox:C|/Mail/Inbox/x"},
        {"C:\\Mail\\Inbox", false, "C:\\Mail\\Inbox"},
        {"", false, ""},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.Text);
        std::string Text = K.Text;
        EXPECT_EQ(MailboxUrlToPath(Text), K.Converted);
        EXPECT_EQ(Text, K.Result);
    }
}

TEST(MainText, TargetNormalisation)
{
    TTestFolder Dir("target");
    const std::string Existing = Dir.Path();
    struct Case {
        std::string Text;
        TMailFormat Format;
        std::string Result;
    };
    const Case Cases[] = {
        {"C:\\Out\\", mftEml, "C:\\Out\\*.eml"},
        {"C:\\Out\\*.mbox", mftEml, "C:\\Out\\*.eml"},
        {"C:\\Out\\*.eml", mftMboxUnix, "C:\\Out\\*.mbox"},
        {"C:\\Out\\*.", mftTxt, "C:\\Out\\*.txt"},
        {"C:", mftTxt, "C:\\*.txt"},
        {"\\", mftEml, "\\*.eml"},
        {Existing, mftMboxWin, Existing + "\\*.mbox"},
        {Existing + "\\*.eml", mftOther, Existing + "\\"},
        // A name that is no folder is a target file and stays.
        {"C:\\Out\\all.mbox", mftMboxMac, "C:\\Out\\all.mbox"},
        {Existing + "\\merged", mftMboxWin, Existing + "\\merged"},
        // Empty stays empty, for the page check to catch.
        {"", mftEml, ""},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.Text);
        EXPECT_EQ(NormalizeTargetText(K.Text, K.Format), K.Result);
    }
}

TEST(MainText, TargetKeyFilter)
{
    struct Case {
        char Key;
        char Result;
    };
    const Case Cases[] = {
        {'a', 'a'}, {'Z', 'Z'}, {'.', '.'}, {':', ':'}, {'\\', '\\'}, {' ', ' '}, {'%', '%'}, {'$', '$'},
        {'/', '\\'},
        {'"', 0}, {'*', '*'}, {'<', 0}, {'>', 0}, {'?', 0}, {'|', 0},
        {'\t', 0}, {'\r', 0}, {1, 0}, {27, 0},
        {8, 8}, {3, 3}, {22, 22}, {24, 24},
        {static_cast<char>(0xE9), static_cast<char>(0xE9)},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(K.Key)));
        EXPECT_EQ(FilterTargetKey(K.Key), K.Result);
    }
}

TEST(MainText, PasteFiltering)
{
    TTestFolder Dir("paste");
    const std::string Box = Dir.Write("Inbox", "From a\r\n\r\nx\r\n");
    const std::string Sub = Dir.File("Local Folders");
    CreateDirectoryA(Sub.c_str(), nullptr);
    struct Case {
        const char* What;
        std::string Text;
        std::vector<std::string> Lines;
        bool SingleUrl;
    };
    const Case Cases[] = {
        {"one existing file", Box, {Box}, false},
        {"blanks around a line are dropped", "  " + Box + "\t\r\n", {Box}, false},
        {"a missing file is dropped", Dir.File("nothing"), {}, false},
        {"an existing folder with its backslash", Sub + "\\", {Sub + "\\"}, false},
        {"a folder without its backslash is no file", Sub, {}, false},
        {"a folder pattern is tested by its folder", Sub + "\\*.msf", {Sub + "\\*.msf"}, false},
        {"a pattern in a missing folder", Dir.File("none\\*.msf"), {}, false},
        {"a single address", "mailbox:///C|/Mail/Inbox", {"C:\\Mail\\Inbox"}, true},
        {"an address among others keeps the chosen format",
         "mailbox:///C|/Mail/Inbox\r\n" + Box, {"C:\\Mail\\Inbox", Box}, false},
        {"order kept, junk dropped", Box + "\r\nhello\r\n\r\n" + Sub + "\\\n" + Box, {Box, Sub + "\\", Box}, false},
        {"empty text", "", {}, false},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        bool Single = !K.SingleUrl;
        EXPECT_EQ(PastedSourceLines(K.Text, Single), K.Lines);
        EXPECT_EQ(Single, K.SingleUrl);
    }
}
