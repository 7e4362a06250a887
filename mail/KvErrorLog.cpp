#include "mail/KvErrorLog.h"

#include <utility>

#include "classlib/ResStrings.h"
#include "foundation/KvLogs.h"

namespace {

enum : int { SErrorLogHeader = 21050 };

const TResStringRegistrar ErrorLogTexts{
    {SErrorLogHeader, "Error\tFilename\tMail Folder\tMail Date\tMail Subject"},
};

// A spreadsheet reads a line break as the end of a row, so a column that
// carries one (a system message of two lines, a folded subject) would split
// its line; each break or break pair becomes one blank.
std::string CleanColumn(const std::string& Text)
{
    std::string s;
    s.reserve(Text.size());
    for (size_t i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')
                ++i;
            s += ' ';
        } else {
            s += c;
        }
    }
    return TabsToBlanks(s);
}

}  // namespace

std::string GErrorLogCurrentFile;
std::string GErrorLogDefaultFolder;
IErrorLogMessage* GErrorLogCurrentMessage = nullptr;

IErrorLogMessage::~IErrorLogMessage()
{
    if (GErrorLogCurrentMessage == this)
        GErrorLogCurrentMessage = nullptr;
}

TErrorLogContext::TErrorLogContext(const std::string& File, IErrorLogMessage* Message)
    : FFile(GErrorLogCurrentFile), FMessage(GErrorLogCurrentMessage)
{
    GErrorLogCurrentFile = File;
    GErrorLogCurrentMessage = Message;
}

TErrorLogContext::~TErrorLogContext()
{
    GErrorLogCurrentMessage = FMessage;
    GErrorLogCurrentFile = std::move(FFile);
}

std::string TabsToBlanks(const std::string& Text)
{
    std::string s = Text;
    for (char& c : s)
        if (c == '\t')
            c = ' ';
    return s;
}

std::string ErrorLogHeaderLine()
{
    return LoadResString(SErrorLogHeader);
}

std::string ErrorLogLine(const std::string& Text)
{
    std::string folder, date, subject;
    if (IErrorLogMessage* msg = GErrorLogCurrentMessage) {
        folder = msg->LogMailboxName();
        if (folder.empty())
            folder = msg->LogFolderName();
        date = msg->LogDateText();
        subject = msg->LogSubject();
    }
    if (folder.empty())
        folder = GErrorLogDefaultFolder;
    return CleanColumn(Text) + '\t' + CleanColumn(GErrorLogCurrentFile) + '\t' + CleanColumn(folder) + '\t' +
           CleanColumn(date) + '\t' + CleanColumn(subject);
}

namespace {
long GRowsWritten = 0;
}  // namespace

void WriteErrorLine(const std::string& Text)
{
    if (!IsErrorLogOpen()) {
        if (ErrorLogFileName.empty())
            return;
        ErrorLogWrite(ErrorLogHeaderLine());
    }
    ErrorLogWrite(ErrorLogLine(Text));
    ++GRowsWritten;
}

long ErrorLogRowCount()
{
    return GRowsWritten;
}
