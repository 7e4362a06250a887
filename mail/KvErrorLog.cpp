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
    TString S;
    S.reserve(Text.size());
    for (size_t I = 0; I < Text.size(); ++I) {
        const auto C = Text[I];
        if (C == '\r' || C == '\n') {
            if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
                ++I;
            S += ' ';
        } else {
            S += C == '\t' ? ' ' : C;
        }
    }
    return S;
}

TLogText CleanColumn(const TLogText& Text)
{
    TLogText S(CleanColumn(Text.Ansi));
    S.Wide = CleanColumn(Text.Wide);
    return S;
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
    TLogText Folder, date, subject;
    if (IErrorLogMessage* Msg = GErrorLogCurrentMessage) {
        Folder = Msg->LogMailboxText();
        if (Folder.Ansi.empty())
            Folder = Msg->LogFolderName();
        date = Msg->LogDateText();
        subject = Msg->LogSubject();
    }
    if (Folder.Ansi.empty())
        Folder = GErrorLogDefaultFolder;
    const TLogText Tab("\t");
    return CleanColumn(Text) + Tab + CleanColumn(GErrorLogCurrentFile) + Tab + CleanColumn(Folder) + Tab +
           CleanColumn(date) + Tab + CleanColumn(subject);
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
        ErrorLogWriteHeading(ErrorLogHeaderLine());
    }
    ErrorLogWrite(ErrorLogRow(Text));
    ++GRowsWritten;
}

long ErrorLogRowCount()
{
    return GRowsWritten;
}
