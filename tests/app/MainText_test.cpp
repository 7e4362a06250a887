#include <gtest/gtest.h>
#include "foundation/KvFileFinder.h"
#include "foundation/KvAnsi.h"

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
        {'"', 0}, {'*', '*'}, {'<', 0}, {'>', 0}, {'?', '?'}, {'|', 0},
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
    // Named outside the code page: they go in by their short forms.
    const std::wstring Root = AnsiToWideStr(Dir.Path()) + L"\\";
    const std::wstring Mail = Root + L"\u041f\u043e\u0447\u0442\u0430", Wbox = Mail + L"\\\u53d7\u4fe1";
    ASSERT_TRUE(CreateDirectoryW(Mail.c_str(), nullptr));
    ASSERT_TRUE(TTestFolder::Put(Wbox, "From a\r\n"));
    const std::string ShortMail = OpenableAnsiPath(Mail), ShortBox = OpenableAnsiPath(Wbox);
    ASSERT_EQ(ShortMail.find('?'), std::string::npos);
    ASSERT_EQ(ShortBox.find('?'), std::string::npos);
    const auto W = [](const std::string& Text) { return AnsiToWideStr(Text); };
    struct Case {
        const char* What;
        std::wstring Text;
        std::vector<std::string> Lines;
        bool SingleUrl;
    };
    const Case Cases[] = {
        {"one existing file", W(Box), {Box}, false},
        {"blanks around a line are dropped", W("  " + Box + "\t\r\n"), {Box}, false},
        {"a missing file is dropped", W(Dir.File("nothing")), {}, false},
        {"an existing folder with its backslash takes the format's pattern", W(Sub + "\\"), {Sub + "\\*.msf"}, false},
        {"a folder without its backslash is no file", W(Sub), {}, false},
        {"a folder pattern is tested by its folder", W(Sub + "\\*.msf"), {Sub + "\\*.msf"}, false},
        {"a pattern in a missing folder", W(Dir.File("none\\*.msf")), {}, false},
        {"a single address", L"mailbox:///C|/Mail/Inbox", {"C:\\Mail\\Inbox"}, true},
        {"an address among others keeps the chosen format",
         W("mailbox:///C|/Mail/Inbox\r\n" + Box), {"C:\\Mail\\Inbox", Box}, false},
        {"order kept, junk dropped", W(Box + "\r\nhello\r\n\r\n" + Sub + "\\\n" + Box), {Box, Sub + "\\*.msf", Box},
         false},
        {"empty text", L"", {}, false},
        {"a file named outside the code page", Wbox, {ShortBox}, false},
        {"such a folder", Mail + L"\\", {ShortMail + "\\*.msf"}, false},
        {"such a folder's pattern", Mail + L"\\*.mbox", {ShortMail + "\\*.mbox"}, false},
        {"such a name that is not there", Mail + L"\\\u53d7", {}, false},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        bool Single = !K.SingleUrl;
        EXPECT_EQ(PastedSourceLines(K.Text, mftThunderbird, Single), K.Lines);
        EXPECT_EQ(Single, K.SingleUrl);
    }
    // A missing one is named as missing, not as one whose name cannot be
    // handled.
    std::vector<std::string> Rejected, Unhandled;
    bool Single = false;
    EXPECT_TRUE(PastedSourceLines(Mail + L"\\\u53d7\r\n" + W(Dir.File("nothing")), mftMbox, Single, &Rejected,
                                  &Unhandled)
                    .empty());
    EXPECT_EQ(Rejected, (std::vector<std::string>{DefaultWideToAnsi(Mail + L"\\\u53d7"), Dir.File("nothing")}));
    EXPECT_TRUE(Unhandled.empty());
}
