#pragma once
// The conversion run: walks the wizard's source list, reads every mailbox
// message by message and writes each message as a file of its own or
// appends it to an mbox file, logging one block of lines per mailbox. It
// reaches its window only through TKvConvertHost.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/KvConvert.h"
#include "app/KvConvertHost.h"
#include "app/KvMboxTarget.h"
#include "classlib/PathForms.h"
#include "mail/KvMailBase.h"
#include "mail/KvMailboxHead.h"
#include "mail/KvMessageFiles.h"
#include "foundation/KvFiles.h"

class TFileMailObj;
class TSourceWalk;
struct TSourceStep;
class TMessageRangeCopy;
class TStringList;

// Result codes of one mailbox or one message.
enum class TConvertResult : int {
    Done = 0,
    NotFound = 1,
    Locked = 2,
    NoText = 3,
    WriteFailed = 4,
    Duplicate = 6,
    Skipped = 7,
    Empty = 8,
    NotMailbox = 9,
    Unreadable = 10,  // the mailbox cannot be opened, for a reason the log names
};

class TConvertDriver {
public:
    explicit TConvertDriver(TKvConvertHost& Host);
    ~TConvertDriver();
    TConvertDriver(const TConvertDriver&) = delete;
    TConvertDriver& operator=(const TConvertDriver&) = delete;

    void StartConversion();
    // Returns whether it went ahead (Confirm asks first).
    bool StopConversion(bool Confirm);
    bool Running() const { return FRunning; }
    // The run's abort flag: set by Stop, by Cancel and by closing the window
    // (all through StopConversion) or by Abort, which any thread may call;
    // the run notices it at its next message, entry or found file. Cleared
    // when a run ends.
    void Abort() { FAborted = true; }
    bool Aborted() const { return FAborted; }
    // Whether the last run stopped because its target could not be written.
    bool TargetFailedRun() const { return FTargetFailed; }
    // Whether the last run was stopped before it ended.
    bool AbortedRun() const { return FAbortedRun; }

    TConvertResult ConvertMailbox(const std::string& FileName, bool CheckSkipList);
    // Text's breaks are CR LF, or LF when LfBreaks (for an LF target). A
    // Head given (not empty) stands for Text's first Skip bytes; it ends
    // with the header's blank line, and its breaks are those of Text.
    TConvertResult WriteMessage(std::string& Text, bool LfBreaks = false, std::string* Head = nullptr,
                                std::size_t Skip = 0);
    // Writes Text from Skip on (past its From_ line) as a file of its own.
    TConvertResult WriteMessageFile(const std::string& Text, std::size_t Skip = 0);
    TConvertResult AppendMessageToMbox(const std::string& Text);

    void LogLine(const TLogText& Text);
    // Sets the bar and pumps. With Always false it does so only when
    // ProgressIntervalMs have passed since it last did: a pump is a round
    // trip to the window system, which per message costs more than the
    // message's own conversion.
    void ShowProgress(int Percent, bool Always = true);
    // Pump false leaves the repaint to the window's own loop.
    void HideProgress(bool Pump = true);

    // How often a mailbox's progress is shown and the window pumped at most;
    // Stop, Cancel and closing act within it.
    static constexpr std::uint64_t ProgressIntervalMs = 50;
    // How often the bar is set at most between a mailbox's start and end.
    static constexpr std::uint64_t BarIntervalMs = 250;
    // Milliseconds of a steady clock; tests put one of their own here.
    std::function<std::uint64_t()> Clock;

    TConvertSettings* Settings() const { return FSettings.get(); }
    TStringList* SkipFolders() const { return FSkipFolders.get(); }
    const std::string& TargetFolder() const { return FTargetFolder; }

    // Where the skip list is loaded from on the first run; the program's
    // folder unless a caller points elsewhere.
    std::string SkipFoldersFile;
    // Messages larger than this are copied as they stand instead of being
    // loaded; tests lower it to reach that road with small mailboxes.
    std::int64_t LargeMessageSize = DefaultLargeMessageSize;
    std::int64_t LargeHeaderSize = DefaultLargeHeaderSize;
    // Where error-log rows go when the log given at start-up cannot be
    // written; the program's default log unless a caller points elsewhere.
    std::string FallbackErrorLog;

private:
    // The status while the searches look for mailboxes ahead of the run;
    // pumps at most every ProgressIntervalMs.
    void ShowWalkProgress(int Found);
    // Whether a search may lead to a file the run writes into: its sources
    // must then all be known before it writes.
    bool NeedsWalkAhead();
    // Reads one step of the walk; false once the run stops.
    bool ConvertStep(const TSourceStep& Step);
    // The mailbox data file of a found or listed file.
    std::string DataFileOf(const std::string& Found) const;
    // ConvertMailbox, which keeps what this throws from ending the run.
    TConvertResult ReadMailbox(const std::string& FileName, bool CheckSkipList);
    // As PrepareTargetFor, for an mbox target; Skipped when the target
    // cannot be opened and the run stops, the log saying why.
    TConvertResult PrepareMboxWriter(const std::string& DataFile);
    // Logs the target and the reason and stops the run. Counted where no
    // message's row names the failure: then it is one error of the run
    // with its own error-log row.
    void TargetFailed(const std::string& Reason, bool Counted = false);
    // Empty when a message file that failed with Error failed on its own;
    // else why the target folder itself takes no more files.
    std::string TargetFolderFailure(unsigned long Error) const;
    // Checks, before a run's first row, that the error log can be written;
    // one log line and the fallback log when it cannot.
    void CheckErrorLog();
    bool IsOnSkipList(const std::string& Name) const;
    // Whether an mbox copy at Target would go into the error log.
    bool IsErrorLogFile(const std::string& Target) const;
    // A mailbox or search entry that is not converted: its log line, one
    // error-log row naming it with the same reason, and one error counted.
    // Returns Code.
    TConvertResult NotConverted(const std::string& Name, const TLogText& Line, TConvertResult Code,
                                bool Row = true);
    void FinishRun();
    const char* TargetLineBreak() const;
    // An error-log line naming a message that could not be written; Text
    // may be the message or its header alone.
    void LogUnwrittenMessage(const std::string& Text, const std::string& FileName, unsigned long Error);
    // One error-log row about the message Text of Mailbox, written as FileName.
    void LogMessageRow(const std::string& Text, const TLogText& FileName, const std::string& Row,
                       const TLogText& Mailbox);
    // Appends through Write and the target's break; a failure cuts the
    // target back, names it and stops the run.
    TConvertResult AppendToMbox(const std::function<void()>& Write, const std::string& Text);
    // The checks before a mailbox is read: Done when it can be read, its
    // head then in Head; else the result, its line logged.
    TConvertResult CheckMailbox(const std::string& FileName, const std::string& Data, bool CheckSkipList,
                                std::string& Head);
    // For a mailbox data file of no bytes (FileName the file found or
    // listed): Empty for an empty mailbox, else the result of one that is
    // not converted (a FIFO or a device; an Eudora data file whose index
    // lists messages), Reason then its log line.
    TConvertResult EmptyMailboxKind(const std::string& FileName, const std::string& Data, std::string& Reason) const;
    // The reader of the mailbox FileName whose data file is Data; null for
    // a kind no reader serves.
    std::unique_ptr<TFileMailObj> OpenMailReader(const std::string& FileName, const std::string& Data,
                                                 TMailReader Kind) const;
    // Makes the target ready for the messages of Data: Done when it is;
    // WriteFailed, its line logged, when the mailbox's own folder of a
    // restored tree cannot be made; Skipped when the messages have nowhere
    // to go.
    TConvertResult PrepareTargetFor(const std::string& Data);
    // False, with the mailbox's error given, when Target (a restored
    // folder or mbox copy) is another mailbox's already.
    bool ClaimRestoredTarget(const std::string& Data, const std::wstring& Target);
    // Writes every message of Reader to the target; the result of the last.
    TConvertResult CopyMessages(TFileMailObj& Reader, const std::string& Data, size_t Bom, bool BomLine);
    // Whether a message that was not loaded carries a deleted flag in its head.
    bool IsDeletedLargeMessage(const std::string& DataFile, TFileMailObj& Reader);
    // A message not loaded (too large, or memory ran out) copied as it stands.
    TConvertResult WriteLargeMessage(const std::string& DataFile, const TFileMailObj& Reader);
    // Size and last write time of the mailbox being read, as it was opened.
    std::pair<std::int64_t, std::uint64_t> MailboxStamp() const;
    // Whether the mailbox being read was written to since it was opened.
    bool MailboxChanged() const;
    // Whether it is shorter now than when it was opened.
    bool MailboxShrank() const;
    // The pieces of the large message being written; null when none is.
    TMessagePieces LargePieces() const;
    TNewFileOutcome SaveNewMessageFile(const std::string& FileName, std::string_view Bytes, TDateTime Date,
                                    unsigned long& Error);

    TKvConvertHost& FHost;
    std::unique_ptr<TConvertSettings> FSettings;
    // The run's sources, walked once before anything is written.
    std::unique_ptr<TSourceWalk> FWalk;
    std::unique_ptr<TStringList> FSkipFolders;
    // The mbox files of the run and the writer of the one being written.
    TMboxTarget FMboxTarget;
    std::string FTargetFolder;
    std::string FMailboxFile;  // the data file being read
    TLogText FMailboxShown;  // its name in the log and the error log
    // How messages become files in the target folder.
    TMessageFiles FMessageFiles;
    // While a large message is written, the file writes stream it from here.
    const TMessageRangeCopy* FLargeCopy = nullptr;
    bool FRunning = false;
    std::uint64_t FLastProgress = 0;  // Clock when the window was last pumped
    std::uint64_t FLastBar = 0;  // Clock when the bar was last set
    std::atomic<bool> FAborted{false};
    bool FTargetFailed = false;
    // The error log's path key for the run, which no mbox copy may take.
    std::string FErrorLogKey;
    // The open log's identity, taken once: it stays while the log is open.
    mutable std::optional<TFileIdentity> FErrorLogId;
    // In a restored tree, each target folder or mbox copy made so far by
    // its key, with the mailbox whose it is: two source names that the
    // target holds as one ("sub." and "sub ") must not meet there.
    std::map<std::wstring, std::string> FRestoredOwners;
    bool FAbortedRun = false;
    std::pair<std::int64_t, std::uint64_t> FMailboxStamp{-1, 0};
    bool FChangeReported = false;  // a row of this mailbox named the change
    bool FSourceReadFailed = false;  // the last large copy failed reading
};
