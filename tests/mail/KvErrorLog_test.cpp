#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "testkit/ErrorLogAt.h"
#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "mail/KvErrorLog.h"

namespace {

class TFakeMessage : public IErrorLogMessage {
public:
    std::string Mailbox, Folder, Date, Subject;
    std::string LogMailboxName() override { return Mailbox; }
    std::string LogFolderName() override { return Folder; }
    std::string LogDateText() override { return Date; }
    std::string LogSubject() override { return Subject; }
};

class KvErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset()
    {
        FreeErrorLog();
        GErrorLogCurrentFile = TLogText();
        GErrorLogDefaultFolder.clear();
        GErrorLogCurrentMessage = nullptr;
    }
    std::string Log() const { return Dir.File("ErrorLog.txt"); }
    TTestFolder Dir{"errorlog"};
    // Unnamed for each test, whose own name is put back after it.
    const TErrorLogAt FErrorLog{std::string()};
};

const char Header[] = "Error\tFilename\tMail Folder\tMail Date\tMail Subject\r\n";

}  // namespace

TEST_F(KvErrorLogTest, NothingWithoutALogFileName)
{
    const long rows = ErrorLogRowCount();
    WriteErrorLine("Mailbox locked");
    EXPECT_EQ(ErrorLogRowCount(), rows);
    EXPECT_FALSE(IsErrorLogOpen());
    EXPECT_FALSE(IsExistingFile(Log()));
}

TEST_F(KvErrorLogTest, HeaderOnceThenFiveColumnsALine)
{
    ErrorLogFileName = Log();
    const long rows = ErrorLogRowCount();
    WriteErrorLine("Cannot open\tmailbox");
    WriteErrorLine("Email part not found: \"a.txt\"");
    EXPECT_EQ(ErrorLogRowCount(), rows + 2);
    FreeErrorLog();
    EXPECT_EQ(LoadFileToString(Log()), std::string(Header) +
                                           "Cannot open mailbox\t\t\t\t\r\n"
                                           "Email part not found: \"a.txt\"\t\t\t\t\r\n");
    // A file name the code page can't carry keeps its letters, its tab and
    // break made blanks as in any column; the log turns UTF-8 for it.
    ErrorLogFileName = Log();
    GErrorLogCurrentFile = TLogText::FromWide(L"C:\\\x0412\t\x0445\r\n.mbox");
    WriteErrorLine("x");
    FreeErrorLog();
    EXPECT_EQ(LoadFileToString(Log()), "\xEF\xBB\xBF" + std::string(Header) +
                                           "x\tC:\\\xD0\x92 \xD1\x85 .mbox\t\t\t\r\n");
}

TEST_F(KvErrorLogTest, ColumnsComeFromTheContext)
{
    ErrorLogFileName = Log();
    auto msg = std::make_unique<TFakeMessage>();
    msg->Folder = "Inbox\\Work";
    msg->Date = "Mon, 1 Jan 2001 10:00:00 +0100";
    msg->Subject = "Re:\tplans\r\nfor May";

    const struct {
        const char* File;
        const char* Default;
        const char* Mailbox;
        bool WithMessage;
        const char* Line;
    } cases[] = {
        {"", "", "", false, "e\t\t\t\t"},
        {"C:\\m\\In\tbox", "Default", "", false, "e\tC:\\m\\In box\tDefault\t\t"},
        {"x.mbx", "Default", "", true,
         "e\tx.mbx\tInbox\\Work\tMon, 1 Jan 2001 10:00:00 +0100\tRe: plans for May"},
        {"x.toc", "Default", "Out Box", true,
         "e\tx.toc\tOut Box\tMon, 1 Jan 2001 10:00:00 +0100\tRe: plans for May"},
    };
    for (const auto& c : cases) {
        GErrorLogCurrentFile = c.File;
        GErrorLogDefaultFolder = c.Default;
        msg->Mailbox = c.Mailbox;
        GErrorLogCurrentMessage = c.WithMessage ? msg.get() : nullptr;
        EXPECT_EQ(ErrorLogLine("e"), c.Line);
    }

    // A line break in the error text would split the table's row.
    GErrorLogCurrentMessage = nullptr;
    GErrorLogCurrentFile = TLogText();
    GErrorLogDefaultFolder.clear();
    EXPECT_EQ(ErrorLogLine("ends\r\n"), "ends \t\t\t\t");
    WriteErrorLine("System Error.  Code: 5.\r\nAccess denied\nagain\r");
    FreeErrorLog();
    EXPECT_EQ(LoadFileToString(Log()),
              std::string(Header) + "System Error.  Code: 5. Access denied again \t\t\t\t\r\n");

    // The current message takes itself out of the context when it goes.
    GErrorLogCurrentMessage = msg.get();
    msg.reset();
    EXPECT_EQ(GErrorLogCurrentMessage, nullptr);
}

// A line written for another file names that file; the reader's context
// is back afterwards, also when the writing throws, and scopes nest.
TEST_F(KvErrorLogTest, ScopedContextComesBack)
{
    TFakeMessage outer, inner;
    outer.Folder = "Inbox";
    inner.Folder = "Sent";
    inner.Subject = "unwritten";
    GErrorLogCurrentFile = "in.mbx";
    GErrorLogCurrentMessage = &outer;
    try {
        const TErrorLogContext context("C:\\out\\a.eml", &inner);
        EXPECT_EQ(ErrorLogLine("e"), "e\tC:\\out\\a.eml\tSent\t\tunwritten");
        {
            const TErrorLogContext nested("b.eml", nullptr);
            EXPECT_EQ(ErrorLogLine("e"), "e\tb.eml\t\t\t");
        }
        EXPECT_EQ(ErrorLogLine("e"), "e\tC:\\out\\a.eml\tSent\t\tunwritten");
        throw std::runtime_error("disk gone");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(GErrorLogCurrentFile.Ansi, "in.mbx");
    EXPECT_EQ(GErrorLogCurrentMessage, &outer);
    EXPECT_EQ(ErrorLogLine("e"), "e\tin.mbx\tInbox\t\t");
    GErrorLogCurrentMessage = nullptr;
}

TEST(KvErrorLog, TabsToBlanks)
{
    EXPECT_EQ(TabsToBlanks("\ta\t\tb\t"), " a  b ");
    EXPECT_EQ(TabsToBlanks(std::string("a\0\tb", 4)), std::string("a\0 b", 4));
    EXPECT_EQ(TabsToBlanks(""), "");
}
