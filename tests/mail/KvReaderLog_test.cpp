#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "testkit/TestFolder.h"
#include "foundation/KvLogs.h"
#include "mail/KvMailStream.h"
#include "mail/KvReaderLog.h"

namespace {

const std::string One = "From a@b.cd Mon Jan  1 10:00:00 2001\nDate: Mon, 1 Jan 2001 10:00:00 +0000\nSubject: one\n\nx\n";
const std::string Two = "From a@b.cd Tue Jan  2 10:00:00 2001\nDate: Tue, 2 Jan 2001 10:00:00 +0000\nSubject: two\n\ny\n";

// The log columns of the message a reader is on: mailbox, number and
// offset from the start, date and subject once the message is loaded; the
// data file's name, wide where the code page can't carry it, for a mailbox
// without a name of its own.
TEST(KvReaderLog, ColumnsOfTheMessageAReaderIsOn)
{
    TTestFolder dir("readerlog");
    const std::string path = dir.Write("box.mbox", One + Two);
    const TLogText dataFile = TLogText::FromWide(L"C:\\mail\\\x0412\x0445\x043E\x0434.mbox");
    ASSERT_FALSE(dataFile.Wide.empty());
    TMboxStream reader(path, DefaultMailBufferSize, false, mbkMbox);
    TReaderLogMessage log(reader, dataFile);
    EXPECT_EQ(log.LogMailboxText().Wide, L"\x0412\x0445\x043E\x0434.mbox, message 1 at offset 0");
    EXPECT_EQ(log.LogFolderName(), "");
    ASSERT_TRUE(reader.NextMessage() && reader.NextMessage());
    EXPECT_EQ(log.LogMailboxText().Wide,
              L"\x0412\x0445\x043E\x0434.mbox, message 2 at offset " + std::to_wstring(One.size()));
    EXPECT_EQ(log.LogSubject(), "two");
    EXPECT_NE(log.LogDateText().find("2 Jan 2001"), std::string::npos) << log.LogDateText();
    reader.MailboxName = "Inbox";
    EXPECT_EQ(log.LogMailboxName(), "Inbox, message 2 at offset " + std::to_string(One.size()));
    // A message too large to load is not parsed for the log.
    reader.TooLarge = true;
    EXPECT_EQ(log.LogSubject(), "");
    EXPECT_EQ(log.LogDateText(), "");

    const std::string text = "Date: Mon, 1 Jan 2001 10:00:00 +0000\r\nSubject: =?utf-8?q?caf=C3=A9?=\r\n\r\nx";
    const TLogText mailbox("Sent");
    TTextLogMessage textLog(mailbox, text);
    EXPECT_EQ(textLog.LogMailboxName(), "Sent");
    EXPECT_EQ(textLog.LogSubject(), "caf\xE9");
    EXPECT_NE(textLog.LogDateText().find("1 Jan 2001"), std::string::npos) << textLog.LogDateText();
}

}  // namespace
