#pragma once
// What the error log learns of a message: of the one a mailbox reader is
// on, or of a message text at hand.

#include <string>

#include "classlib/Cleanup.h"
#include "mail/KvErrorLog.h"
#include "mail/KvMailBase.h"

// The mailbox and the message a reader is on, for the error log's folder
// column: "Inbox, message 12 at offset 34567".
TLogText MessageLabel(const TFileMailObj& Reader, const TLogText& DataFile);

// What the error log learns of the message a reader is on: its mailbox,
// number and offset always; its date and subject once it is loaded.
class TReaderLogMessage : public IErrorLogMessage {
public:
    TReaderLogMessage(TFileMailObj& Reader, const TLogText& DataFile) : FReader(Reader), FDataFile(DataFile) {}

    std::string LogMailboxName() override { return MessageLabel(FReader, FDataFile).Ansi; }
    TLogText LogMailboxText() override { return MessageLabel(FReader, FDataFile); }
    std::string LogFolderName() override { return std::string(); }
    std::string LogDateText() override { return Ask([this] { return FReader.LogDateText(); }); }
    std::string LogSubject() override { return Ask([this] { return FReader.LogSubject(); }); }

private:
    // A row written while the reader parses the very header asked for
    // would ask again: the inner question gets no answer.
    template <typename TQuestion>
    std::string Ask(TQuestion Question)
    {
        if (FAsking || FReader.TooLarge)
            return std::string();
        FAsking = true;
        TScopeExit Asked([this] { FAsking = false; });
        return Question();
    }

    TFileMailObj& FReader;
    const TLogText& FDataFile;
    bool FAsking = false;
};

// What the error log learns of the message Text of Mailbox: its date and
// subject from its header.
class TTextLogMessage : public IErrorLogMessage {
public:
    TTextLogMessage(const TLogText& Mailbox, const std::string& Text) : FMailbox(Mailbox), FText(Text) {}
    std::string LogMailboxName() override { return FMailbox.Ansi; }
    TLogText LogMailboxText() override { return FMailbox; }
    std::string LogFolderName() override { return std::string(); }
    std::string LogDateText() override;
    std::string LogSubject() override;

private:
    const TLogText& FMailbox;
    const std::string& FText;
};
