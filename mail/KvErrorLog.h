#pragma once
// The error log: problems met while reading mailboxes, one tab-separated
// line each, written through the process-wide error log of KvLogs.

#include <string>

#include "foundation/KvLogs.h"

// What the error log asks of the message being read. A message object that
// is the current one clears the context itself when it goes.
class IErrorLogMessage {
public:
    IErrorLogMessage() = default;
    IErrorLogMessage(const IErrorLogMessage&) = delete;
    IErrorLogMessage& operator=(const IErrorLogMessage&) = delete;
    virtual ~IErrorLogMessage();

    virtual std::string LogMailboxName() = 0;
    // The same with its wide form, where it names a file the code page
    // cannot carry.
    virtual TLogText LogMailboxText() { return LogMailboxName(); }
    virtual std::string LogFolderName() = 0;
    virtual std::string LogDateText() = 0;
    virtual std::string LogSubject() = 0;
};

// The log context; all empty until a caller sets them.
extern TLogText GErrorLogCurrentFile;
extern std::string GErrorLogDefaultFolder;
extern IErrorLogMessage* GErrorLogCurrentMessage;

// Puts a file and a message in the log context for its lifetime; the
// context it found is back when it goes, however the scope is left.
class TErrorLogContext {
public:
    TErrorLogContext(const TLogText& File, IErrorLogMessage* Message);
    ~TErrorLogContext();
    TErrorLogContext(const TErrorLogContext&) = delete;
    TErrorLogContext& operator=(const TErrorLogContext&) = delete;

private:
    TLogText FFile;
    IErrorLogMessage* FMessage;
};

// "Error\tFilename\tMail Folder\tMail Date\tMail Subject"
std::string ErrorLogHeaderLine();
// The five columns of one line, each cleaned so the line keeps five columns.
std::string ErrorLogLine(const std::string& Text);
// Nothing happens until the error log has a file name; the first line of a
// log is preceded by the header line. A line that names a file the code
// page cannot carry is written as wide text.
void WriteErrorLine(const TLogText& Text);
// How many lines WriteErrorLine has handed to a named log in this process;
// a run compares it before and after to learn whether it wrote rows.
long ErrorLogRowCount();
std::string TabsToBlanks(const std::string& Text);
