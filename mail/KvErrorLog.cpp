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
// its line; each break or break pair becomes one blank, and so does a TAB.
template <typename TString>
TString CleanColumn(const TString& Text)
{
    TString s;
    s.reserve(Text.size());
    for (size_t i = 0; i < Text.size(); ++i) {
        const auto c = Text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')
                ++i;
            s += ' ';
        } else {
            s += c == '\t' ? ' ' : c;
        }
    }
    return s;
}

TLogText CleanColumn(const TLogText& Text)
{
    TLogText s(CleanColumn(Text.Ansi));
    s.Wide = CleanColumn(Text.Wide);
    return s;
}

}  // namespace

TLogText GErrorLogCurrentFile;
std::string GErrorLogDefaultFolder;
IErrorLogMessage* GErrorLogCurrentMessage = nullptr;

IErrorLogMessage::~IErrorLogMessage()
{
    if (GErrorLogCurrentMessage == this)
        GErrorLogCurrentMessage = nullptr;
}

TErrorLogContext::TErrorLogContext(const TLogText& File, IErrorLogMessage* Message)
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

namespace {

TLogText ErrorLogRow(const TLogText& Text)
{
    TLogText folder, date, subject;
    if (IErrorLogMessage* msg = GErrorLogCurrentMessage) {
        folder = msg->LogMailboxText();
        if (folder.Ansi.empty())
            folder = msg->LogFolderName();
        date = msg->LogDateText();
        subject = msg->LogSubject();
    }
    if (folder.Ansi.empty())
        folder = GErrorLogDefaultFolder;
    const TLogText tab("\t");
    return CleanColumn(Text) + tab + CleanColumn(GErrorLogCurrentFile) + tab + CleanColumn(folder) + tab +
           CleanColumn(date) + tab + CleanColumn(subject);
}

}  // namespace

std::string ErrorLogLine(const std::string& Text)
{
    return ErrorLogRow(Text).Ansi;
}

namespace {
long GRowsWritten = 0;
}  // namespace

void WriteErrorLine(const TLogText& Text)
{
    if (!IsErrorLogOpen()) {
        if (ErrorLogFileName.empty())
            return;
        ErrorLogWrite(ErrorLogHeaderLine());
    }
    ErrorLogWrite(ErrorLogRow(Text));
    ++GRowsWritten;
}

long ErrorLogRowCount()
{
    return GRowsWritten;
}
