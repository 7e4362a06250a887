#include "app/KvConvertDriver.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <unordered_set>

#include "classlib/Classes.h"
#include "classlib/Cleanup.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvBase.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvFileProbes.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLineBreaks.h"
#include "foundation/KvLogs.h"
#include "classlib/PathForms.h"
#include "foundation/KvStrings.h"
#include "app/KvAppStart.h"
#include "app/KvErrorLogCheck.h"
#include "app/KvLargeMessage.h"
#include "app/KvSourceWalk.h"
#include "mail/KvErrorLog.h"
#include "mail/KvEudora.h"
#include "mail/KvFromLine.h"
#include "mail/KvMailStream.h"
#include "mail/KvMailboxHead.h"
#include "mail/KvReaderLog.h"
#include "mail/KvMessageFiles.h"
#include "mail/KvMimeHeaders.h"

namespace {

// The status while the run reads its mailboxes.
constexpr const char* ProcessingStatus = "Processing...";

// How much of a message too large to load is read for its name and date.
constexpr std::size_t LargeMessageHead = 65536;

// Whether the first four line breaks of a text that begins with Head (which
// ends with a whole break) are CR LF pairs and lie in Head: the text is
// then judged to have CR LF breaks, whatever follows Head.
bool HeadShowsCrLf(const std::string& Head)
{
    int Found = 0;
    return DetectLineBreakKind(Head, 4, &Found) == lbkCrLf && Found == 4;
}

bool IsLockError(DWORD Error)
{
    return Error == ERROR_SHARING_VIOLATION || Error == ERROR_LOCK_VIOLATION;
}


}  // namespace

// ---------------------------------------------------------------------------
// TConvertDriver
// ---------------------------------------------------------------------------

TConvertDriver::TConvertDriver(TKvConvertHost& Host)
    : Clock([] {
          return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::steady_clock::now().time_since_epoch())
                                                .count());
      }),
      SkipFoldersFile(ExeFolderPath("SkipFolders.dat")), FallbackErrorLog(ErrorLogPathFor(TStartSwitches())),
      FHost(Host)
{
}

TConvertDriver::~TConvertDriver() = default;

void TConvertDriver::LogLine(const TLogText& Text)
{
    if (Text.Wide.empty())
        FHost.AddLogLine(Text.Ansi);
    else
        FHost.AddLogText(Text);
    FHost.ProcessMessages();
}

void TConvertDriver::ShowProgress(int Percent, bool Always)
{
    const std::uint64_t Now = Clock();
    if (!Always && Now - FLastProgress < ProgressIntervalMs)
        return;
    FLastProgress = Now;
    if (!FHost.ProgressVisible()) {
        FHost.SetStatusText(ProcessingStatus);
        FHost.SetProgressVisible(true);
    }
    // The bar repaints at once, and a repaint costs many times a pump:
    // an eye needs it far less often than Stop needs the pump.
    if (Always || Now - FLastBar >= BarIntervalMs) {
        FLastBar = Now;
        FHost.SetProgressPercent(Percent);
    }
    FHost.ProcessMessages();
}

void TConvertDriver::HideProgress(bool Pump)
{
    if (FHost.ProgressVisible()) {
        FHost.SetProgressVisible(false);
        FHost.SetProgressPercent(0);
        FHost.SetStatusText(FHost.IdleStatusText());
    }
    if (Pump)
        FHost.ProcessMessages();
}

bool TConvertDriver::StopConversion(bool Confirm)
{
    if (Confirm && !FHost.ConfirmAbort("Abort mail conversion?"))
        return false;
    HideProgress();
    Abort();
    FHost.SetNextButton("&Start", StartButtonTag);
    FHost.SetBackEnabled(true);
    return true;
}

void TConvertDriver::StartConversion()
{
    // Stop gives the button back its "Start" while the stopped run is still
    // unwinding through the message pump; a click then must neither re-enter
    // the run nor clear its abort flag.
    if (FRunning)
        return;
    FRunning = true;
    try {
        const TFolderFormsScope KeptForms;
        FHost.SetBackEnabled(false);
        FHost.SetNextButton("&Stop", StopButtonTag);
        FHost.SaveSettings();
        ShowProgress(0);
        // Between runs the user may have cleared the target, or renamed
        // the folders the run reads.
        FMessageFiles.Clear();

        if (!FSettings)
            FSettings = std::make_unique<TConvertSettings>();
        if (!FSkipFolders && IsExistingFile(SkipFoldersFile)) {
            auto List = std::make_unique<TStringList>();
            LoadStringsFromFile(SkipFoldersFile, *List);
            FSkipFolders = std::move(List);
        }

        TConvertChoices Choices;
        FHost.GetChoices(Choices);
        TStrings& Sources = FHost.SourceFiles();
        if (Sources.Count() == 0) {
            const std::string Folder = GetSourceDefaultFolder(Choices.SourceFormat);
            if (!Folder.empty())
                Sources.AddObject(Folder + "\\*." + MailFormatExtension(Choices.SourceFormat, false),
                                  MailFormatToObject(Choices.SourceFormat));
        }
        TConvertSettings& RunSettings = *FSettings;
        RunSettings.SetSourceList(&Sources);
        RunSettings.IncludeSubfolders = Choices.IncludeSubfolders;
        RunSettings.SkipTrashJunk = Choices.SkipTrashJunk;
        RunSettings.MatchDates = Choices.MatchDates;
        RunSettings.Md5FileNames = Choices.Md5FileNames;
        RunSettings.SetTargetFormat(Choices.TargetFormat);
        // Made plain once, here: a doubled backslash, "." or ".." would
        // reach the "\\?\" forms the target's folders are made by.
        const std::string TargetText = FullPlainAnsiPath(Choices.TargetText);
        // A level typed with a trailing dot or blank ("out\\d.") is read
        // without it by the ANSI calls and with it by the "\\?\" ones: one
        // run would write into two folders.
        RunSettings.TargetPath = DefaultWideToAnsi(TrimmedPathLevels(AnsiToWideStr(CutTargetPattern(TargetText))));
        if (RunSettings.OneFilePerMessage)
            RunSettings.TargetPath = AddTrailingBackslash(RunSettings.TargetPath);
        RunSettings.TargetExtOverride = TargetExtOfText(TargetText);
        RunSettings.RestoreFolderTree = Choices.RestoreFolderTree && HasTrailingSlash(RunSettings.TargetPath);

        if (FHost.LogLineCount() > 6)
            LogLine("\r\n***\r\n");
        FTargetFailed = false;
        FMboxTarget.StartRun();
        FRestoredOwners.clear();
        if (const std::string Problem = TargetFolderProblem(*FSettings); !Problem.empty()) {
            // Found now, before any mailbox: later every message would fail
            // on its own, and none would say why.
            FTargetFailed = true;
            LogLine("Target folder cannot be used: " + Problem);
            LogLine("Processing stopped.");
        } else {
            // The error log and each mbox copy are told apart from every
            // file the run reads. Where a search may lead to them, the
            // searches look before anything is written; else the run reads
            // as it walks, and only the files its entries name can be met.
            FWalk = std::make_unique<TSourceWalk>(RunSettings, FSkipFolders.get(), FAborted,
                                                  [this](int Found) { ShowWalkProgress(Found); });
            const bool Ahead = NeedsWalkAhead();
            if (Ahead) {
                FWalk->Walk();
                // Stopped while the searches looked, the window is idle already.
                if (FHost.ProgressVisible())
                    FHost.SetStatusText(ProcessingStatus);
            } else {
                FWalk->ListNamedSources();
            }
            CheckErrorLog();
            FErrorLogKey = PathNameKey(ErrorLogFileName);
            FErrorLogId.reset();
            const long RowsBefore = ErrorLogRowCount();
            if (Ahead) {
                for (const TSourceStep& Step : FWalk->Steps())
                    if (!ConvertStep(Step))
                        break;
            } else {
                FWalk->Walk([this](const TSourceStep& Step) { return ConvertStep(Step); });
            }
            LogLine(Format("%d mailboxes processed, %d messages converted, %d duplicates skipped, %d errors.",
                           RunSettings.MailboxCount, RunSettings.MessageCount, RunSettings.DuplicateCount, RunSettings.ErrorCount));
            LogLine(Aborted() ? "Processing aborted."
                    : FTargetFailed   ? "Processing stopped: the target cannot be written."
                                      : "Processing finished.");
            // The count of errors alone leaves the user to guess where
            // their rows are.
            if (ErrorLogRowCount() != RowsBefore)
                LogLine("Error log: " + ErrorLogFileName);
        }
    } catch (...) {
        // The window goes back to idle and the target is unlocked before the
        // application's handler shows the error.
        FinishRun();
        throw;
    }
    FinishRun();
}

void TConvertDriver::CheckErrorLog()
{
    if (ErrorLogFileName.empty() || IsErrorLogOpen())
        return;
    const std::string& LogFile = ErrorLogFileName;
    const std::string Problem = ErrorLogProblem(
        LogFile, *FSettings, [this](const std::string& Entry) { return DataFileOf(Entry); },
        [this](const std::string& Data) { return FMboxTarget.TargetOf(*FSettings, Data); },
        [this](const std::string& File) { return FWalk->IsSource(LongPathForm(File)); });
    if (Problem.empty())
        return;
    const bool Fallback = !FallbackErrorLog.empty() && !SamePathName(FallbackErrorLog, LogFile);
    LogLine("Error log cannot be written: " + LogFile + ": " + Problem +
            (Fallback ? "; its rows go to " + FallbackErrorLog : std::string()));
    // Said once: the next run starts from the fallback.
    ErrorLogFileName = Fallback ? FallbackErrorLog : std::string();
}

void TConvertDriver::FinishRun()
{
    FMboxTarget.Close();
    FHost.SetLogCaretVisible(true);
    // The window's own loop paints the idle state as soon as the run
    // returns: a pump here would only repaint it once before, at the
    // cost of a run's end that comes later.
    HideProgress(false);
    FAbortedRun = FAborted;
    FAborted = false;
    FHost.SetNextButton("&Start", StartButtonTag);
    FHost.SetBackEnabled(true);
    FHost.FocusCancelButton();
    FRunning = false;
}

void TConvertDriver::ShowWalkProgress(int Found)
{
    // The searches may take a while in a large tree: the bar stays at its
    // start, and the status tells how many mailboxes are found so far.
    const std::uint64_t Now = Clock();
    if (Now - FLastProgress < ProgressIntervalMs)
        return;
    FLastProgress = Now;
    FHost.SetStatusText(Format("Looking for mailboxes: %d found", Found));
    FHost.ProcessMessages();
}

bool TConvertDriver::NeedsWalkAhead()
{
    const TConvertSettings& RunSettings = *FSettings;
    // Only a file that may be there before the run is written into: an
    // mbox copy in a target folder (anywhere below it, in a restored tree),
    // and the error log.
    if (MailFormatIsMboxTarget(RunSettings.TargetFormat) && HasTrailingSlash(RunSettings.TargetPath) &&
        FWalk->SearchMeets(RunSettings.TargetPath))
        return true;
    return !ErrorLogFileName.empty() && !IsErrorLogOpen() && IsExistingFile(ErrorLogFileName) &&
           FWalk->SearchMeets(ExtractParentFolder(ErrorLogFileName));
}

bool TConvertDriver::ConvertStep(const TSourceStep& Step)
{
    if (Aborted() || FTargetFailed)
        return false;
    TConvertSettings& RunSettings = *FSettings;
    if (Step.Entry != RunSettings.CurrentIndex)
        RunSettings.SetCurrentIndex(Step.Entry);
    if (Step.Kind == TSourceStep::TKind::Line) {
        if (Step.Counted)
            NotConverted(Step.Name, Step.Line, TConvertResult::Unreadable);
        else
            LogLine(Step.Line);
    } else {
        // The skip list names trash and junk mailboxes as well as folders: a
        // Mozilla "Trash" is a mailbox file beside its "Trash.sbd".
        ConvertMailbox(Step.Name, RunSettings.SkipTrashJunk);
        LogLine("");
    }
    return !Aborted() && !FTargetFailed;
}

bool TConvertDriver::IsOnSkipList(const std::string& Name) const
{
    return FSkipFolders && FSkipFolders->IndexOf(Name) >= 0;
}

TConvertResult TConvertDriver::NotConverted(const std::string& Name, const TLogText& Line, TConvertResult Code,
                                            bool Row)
{
    LogLine(Line);
    if (Row) {
        const TErrorLogContext Context(LogNameOf(Name), nullptr);
        WriteErrorLine(Line);
    }
    FSettings->CountResult(cntError);
    return Code;
}

std::string TConvertDriver::DataFileOf(const std::string& Found) const
{
    return MailboxDataFile(*FSettings, Found);
}

TConvertResult TConvertDriver::EmptyMailboxKind(const std::string& FileName, const std::string& Data,
                                                std::string& Reason) const
{
    bool Unreadable = false;
    if (IsEmptyMailbox(*FSettings, FileName, Data, Reason, Unreadable))
        return TConvertResult::Empty;
    return Unreadable ? TConvertResult::Unreadable : TConvertResult::NotMailbox;
}

TConvertResult TConvertDriver::PrepareMboxWriter(const std::string& DataFile)
{
    FTargetFolder = FMboxTarget.Prepare(*FSettings, DataFile);
    try {
        FMboxTarget.Open(FTargetFolder, TargetLineBreak());
    } catch (const EFileError& E) {
        const std::string Reason = E.ErrorCode ? SystemErrorText(E.ErrorCode) : E.Message();
        // In a restored tree each mailbox has a file of its own: one that
        // cannot be opened (a folder of its name in the way) is its
        // mailbox's error alone.
        if (FSettings->RestoreFolderTree)
            return NotConverted(DataFile, "Target file cannot be written: " + LogNameOf(FTargetFolder) + ": " + Reason,
                                TConvertResult::WriteFailed);
        TargetFailed(Reason, true);
        return TConvertResult::Skipped;
    }
    return TConvertResult::Done;
}

void TConvertDriver::TargetFailed(const std::string& Reason, bool Counted)
{
    FTargetFailed = true;
    const std::string Line =
        (FSettings->OneFilePerMessage ? "Target folder cannot be written: " : "Target file cannot be written: ") +
        FTargetFolder + ": " + Reason;
    if (Counted)
        NotConverted(FTargetFolder, Line, TConvertResult::WriteFailed);
    else
        LogLine(Line);
}

std::string TConvertDriver::TargetFolderFailure(DWORD Error) const
{
    if (Error == ERROR_DISK_FULL || Error == ERROR_HANDLE_DISK_FULL)
        return SystemErrorText(Error);
    if (!FolderExists(FTargetFolder))
        return "the folder is gone";
    return FolderWriteProblem(FTargetFolder);
}

TConvertResult TConvertDriver::ConvertMailbox(const std::string& FileName, bool CheckSkipList)
{
    // Nothing a mailbox or its index holds ends the run: a reading that
    // fails ends that mailbox alone, with its row, and the run goes on.
    try {
        return ReadMailbox(FileName, CheckSkipList);
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception& E) {
        return NotConverted(FMailboxFile, "Mailbox not read to its end: " + std::string(E.what()),
                            TConvertResult::Unreadable);
    }
}

TConvertResult TConvertDriver::ReadMailbox(const std::string& FileName, bool CheckSkipList)
{
    TConvertSettings& RunSettings = *FSettings;
    FMailboxFile = FileName;
    LogLine("Processing: " + LogNameOf(FileName));
    const std::string Data = DataFileOf(FileName);
    FMailboxFile = Data;
    FMailboxShown = LogNameOf(Data);
    FMailboxStamp = {-1, 0};
    std::string Head;
    if (const auto Refused = CheckMailbox(FileName, Data, CheckSkipList, Head); Refused != TConvertResult::Done)
        return Refused;
    FMailboxStamp = MailboxStamp();
    FChangeReported = false;
    // Only the mbox readers see the data file's head; an index reader
    // finds its messages by offset.
    const TMailReader ReaderKind = MailFormatReader(RunSettings.SourceFormat);
    const size_t Bom = ReaderKind == TMailReader::EudoraIndex ? 0 : BomLength(Head);
    const bool BomLine = Bom > 0 && Head.find_first_of("\r\n", Bom) < PaddingLength(Head);

    // A reader that cannot open its file writes a row naming it.
    const TErrorLogContext Opening(FMailboxShown, nullptr);
    const std::unique_ptr<TFileMailObj> Reader = OpenMailReader(FileName, Data, ReaderKind);
    if (!Reader)
        return TConvertResult::Done;
    // The reader wrote its row when it failed to open the file.
    if (Reader->Locked)
        return NotConverted(Data, "Mailbox locked", TConvertResult::Locked, false);
    // An index that gives no message says why, not a bare "Done".
    if (const auto* Toc = dynamic_cast<const TEudoraTocObj*>(Reader.get()); Toc && !Toc->IndexProblem.empty())
        LogLine(Toc->IndexProblem);

    TConvertResult Result = TConvertResult::Done;
    try {
        // Rows the reader writes while it reads say which message.
        TReaderLogMessage Current(*Reader, FMailboxShown);
        const TErrorLogContext Context(FMailboxShown, &Current);
        const TConvertResult Prepared = PrepareTargetFor(Data);
        if (Prepared == TConvertResult::WriteFailed)
            return Prepared;
        if (Prepared == TConvertResult::Done)
            Result = CopyMessages(*Reader, Data, Bom, BomLine);
    } catch (const EAbort&) {
        LogLine(Aborted() ? "Aborted" : "Done");
        throw;
    }
    LogLine(Aborted() ? "Aborted" : FTargetFailed ? "Stopped" : "Done");
    return Result;
}

TConvertResult TConvertDriver::CheckMailbox(const std::string& FileName, const std::string& Data, bool CheckSkipList,
                                 std::string& Head)
{
    if (CheckSkipList && IsOnSkipList(ExtractFileNamePart(Data))) {
        LogLine("Mailbox skipped: trash and junk are skipped (option)");
        return TConvertResult::Skipped;
    }
    // The data file of an index so named is made from a name that opens
    // nothing, or another file where the name holds a backslash.
    if (!SamePathName(Data, FileName))
        if (const std::wstring Name = NameOnDisk(FileName); HasForbiddenNameChars(Name))
            return NotConverted(FileName, "Mailbox cannot be read: " + DefaultWideToAnsi(Name) +
                                              " holds characters Windows does not allow in a name",
                                TConvertResult::Unreadable);
    if (FMboxTarget.IsRunTarget(*FSettings, Data)) {
        // One the run writes, or the one target file named, holds what the
        // run converts; a mailbox that a target folder would give itself
        // as its target is the user's mail left unconverted.
        if (HasTrailingSlash(FSettings->TargetPath) && !FMboxTarget.IsOpenedTarget(Data))
            return NotConverted(Data, "Mailbox not converted: it would be its own target file",
                                TConvertResult::Skipped);
        LogLine("Mailbox skipped: it is this run's target file");
        return TConvertResult::Skipped;
    }
    // Appended to, a mailbox this run reads (or refused above) would no
    // longer be what its index or its next reader expects.
    if (MailFormatIsMboxTarget(FSettings->TargetFormat) && HasTrailingSlash(FSettings->TargetPath)) {
        const std::string Target = FMboxTarget.TargetOf(*FSettings, Data);
        if (!FMboxTarget.IsOpenedTarget(Target) && FWalk->IsSource(LongPathForm(Target)))
            return NotConverted(Data, "Mailbox not converted: its target file is a mailbox this run reads, " +
                                          LogNameOf(Target), TConvertResult::Skipped);
    }
    // The start checks the targets of the mailboxes the list names; one only
    // a folder search finds may have the error log for its mbox target. Its
    // messages and the rows would share one file, or the log holding it open
    // would stop the run.
    if (MailFormatIsMboxTarget(FSettings->TargetFormat) && IsErrorLogFile(FMboxTarget.TargetOf(*FSettings, Data)))
        return NotConverted(Data, "Mailbox not converted: its mbox copy would go into the error log, " +
                                      ErrorLogFileName, TConvertResult::WriteFailed);
    // A mailbox that is not converted is an error of the run; the skip
    // list and the run's own target above are the user's choice.
    if (IsDeviceFile(Data))
        return NotConverted(Data, "Mailbox cannot be read: " + ExtractFileNamePart(Data) + " is a device name",
                            TConvertResult::Unreadable);
    if (!IsExistingFile(Data))
        return NotConverted(Data, "Mailbox not found", TConvertResult::NotFound);
    // An index reader finds every message through its index: one named that
    // is not there leaves the data file unread.
    if (MailFormatReader(FSettings->SourceFormat) == TMailReader::EudoraIndex && !IsExistingFile(FileName))
        return NotConverted(FileName, "Mailbox not found", TConvertResult::NotFound);
    if (GetFileSizeByName(Data) == 0) {
        std::string Reason;
        if (const auto Kind = EmptyMailboxKind(FileName, Data, Reason); Kind != TConvertResult::Empty)
            return NotConverted(Data, Reason, Kind);
        LogLine("No mail found");
        return TConvertResult::Empty;
    }
    if (const DWORD Error = ReadMailboxHead(Data, Head); Error != 0) {
        // Without this the head test would call a held mailbox not a
        // mailbox; and only a held one is "locked".
        if (IsLockError(Error))
            return NotConverted(Data, "Mailbox locked", TConvertResult::Locked);
        return NotConverted(Data, "Mailbox cannot be read: " + SystemErrorText(Error), TConvertResult::Unreadable);
    }
    if (SniffHead(Head) != TMailboxSniff::Mbox)
        return NotConverted(Data, "File is not a valid mailbox", TConvertResult::NotMailbox);
    // An index of no bytes gives no message of a data file that holds some.
    if (MailFormatReader(FSettings->SourceFormat) == TMailReader::EudoraIndex && GetFileSizeByName(FileName) == 0)
        return NotConverted(FileName, "Index file is empty: the messages of its data file were not read",
                            TConvertResult::Unreadable);
    return TConvertResult::Done;
}

bool TConvertDriver::IsErrorLogFile(const std::string& Target) const
{
    if (FErrorLogKey.empty())
        return false;
    if (PathNameKey(Target) == FErrorLogKey)
        return true;
    // By identity too, once both are there: a link, a second drive letter
    // or a short name may lead to the log by another text.
    if (!IsExistingFile(Target))
        return false;
    TFileIdentity Log, Other;
    if (FErrorLogId) {
        Log = *FErrorLogId;
    } else {
        if (!FileIdentityOf(LongPathForm(ErrorLogFileName), Log))
            return false;
        // A log not open yet may still be moved aside and made anew: its
        // identity is kept once it is open, and stays while it is.
        if (IsErrorLogOpen())
            FErrorLogId = Log;
    }
    return FileIdentityOf(LongPathForm(Target), Other) && Log == Other;
}

std::unique_ptr<TFileMailObj> TConvertDriver::OpenMailReader(const std::string& FileName, const std::string& Data,
                                                             TMailReader Kind) const
{
    const TConvertSettings& RunSettings = *FSettings;
    std::unique_ptr<TFileMailObj> Reader;
    if (Kind == TMailReader::EudoraIndex)
        Reader = std::make_unique<TEudoraTocObj>(FileName);
    else if (Kind == TMailReader::Stream)
        Reader = std::make_unique<TMboxStream>(Data, DefaultMailBufferSize, false,
                                               MailFormatReaderMode(RunSettings.SourceFormat));
    else
        return nullptr;
    Reader->LargeMessageSize = LargeMessageSize;
    Reader->LargeHeaderSize = LargeHeaderSize;
    // A message file keeps its last line break; an mbox copy keeps the
    // source's bytes, as its writer puts the break back after each text.
    Reader->OwnLastBreak = RunSettings.OneFilePerMessage;
    // An mbox of LF breaks takes the texts that have them as they stand.
    Reader->KeepLfBreaks = !RunSettings.OneFilePerMessage && RunSettings.LineBreak == lbkLf;
    Reader->MboxCopy = MailFormatIsMboxTarget(RunSettings.TargetFormat);
    return Reader;
}

TConvertResult TConvertDriver::PrepareTargetFor(const std::string& Data)
{
    const TConvertSettings& RunSettings = *FSettings;
    if (!RunSettings.OneFilePerMessage && !MailFormatIsMboxTarget(RunSettings.TargetFormat))
        return TConvertResult::Skipped;
    // An mbox target's own folder is made as its file is named.
    const bool MakeFolder = RunSettings.OneFilePerMessage || RunSettings.RestoreFolderTree;
    const std::wstring Folder = MakeFolder ? RunSettings.GetTargetPath(Data) : std::wstring();
    const std::string Opens = MakeFolder ? ForceLongFolder(Folder) : std::string();
    // A folder of a restored tree that cannot be made (a file of its name
    // in the way) fails its own mailbox: the others have folders of their
    // own, and the run goes on to them.
    if (RunSettings.RestoreFolderTree && !FolderExists(Opens)) {
        const DWORD Attr = GetFileAttributesW(PrefixedPath(Folder.substr(0, Folder.size() - 1)).c_str());
        return NotConverted(Data,
                            "Target folder cannot be written: " + TLogText::FromWide(Folder) + ": " +
                                (Attr != INVALID_FILE_ATTRIBUTES ? "it is a file, not a folder"
                                                                 : "the folder cannot be created"),
                            TConvertResult::WriteFailed);
    }
    if (RunSettings.RestoreFolderTree &&
        !ClaimRestoredTarget(Data, RunSettings.OneFilePerMessage ? Folder : FMboxTarget.LongTargetOf(RunSettings, Data)))
        return TConvertResult::Skipped;
    if (!RunSettings.OneFilePerMessage)
        return PrepareMboxWriter(Data);
    FTargetFolder = Opens;
    return TConvertResult::Done;
}

bool TConvertDriver::ClaimRestoredTarget(const std::string& Data, const std::wstring& Target)
{
    // Safe names can meet: "sub." and "sub " both give "sub_", as does a
    // source's own "sub_". The first mailbox keeps the name; a later one
    // is said, not merged into it.
    std::wstring Key = Target;
    CharLowerBuffW(Key.data(), static_cast<DWORD>(Key.size()));
    const std::string Own = PathNameKey(Data);
    const auto [Owner, New] = FRestoredOwners.try_emplace(Key, Own);
    if (New || Owner->second == Own)
        return true;
    NotConverted(Data,
                 "Mailbox not converted: its restored name " + TLogText::FromWide(Target) +
                     " is another mailbox's already",
                 TConvertResult::Skipped);
    return false;
}

TConvertResult TConvertDriver::CopyMessages(TFileMailObj& Reader, const std::string& Data, size_t Bom, bool BomLine)
{
    TConvertSettings& RunSettings = *FSettings;
    TConvertResult Result = TConvertResult::Done;
    RunSettings.CountResult(cntMailbox);
    std::string Text;
    std::string Head;  // header fields the reader added, kept apart from the body
    std::size_t Skip = 0;
    bool First = true;
    // Index entries the reader mended or could not read are error
    // rows of their own; the summary counts them with the rest.
    std::int32_t Problems = 0;
    const auto CountProblems = [&] {
        for (; Problems < Reader.ReadProblems; ++Problems)
            RunSettings.CountResult(cntError);
    };
    // The first message a mailbox that shrank while it was read no longer
    // holds whole; none from it on is written.
    int CutFrom = 0;
    for (;;) {
        // Out of memory while loading one message costs that message
        // its rebuild, never the run: its range is known already.
        bool OutOfMemory = false;
        bool More = true;
        try {
            More = Reader.NextMessage();
        } catch (const std::bad_alloc&) {
            OutOfMemory = true;
        }
        // A message whose range was found before the cut and whose read got
        // nothing at all is left without a place (MessagePos -1): it is the
        // first one not read, not a message without text.
        if (Reader.CutAt >= 0 &&
            (!More || Reader.MessagePos < 0 || Reader.MessagePos + Reader.MessageSize >= Reader.CutAt)) {
            CutFrom = Reader.GetMessageNumber() + (More ? 0 : 1);
            break;
        }
        if (!More)
            break;
        CountProblems();
        const bool AtStart = First;
        First = false;
        ShowProgress(Reader.GetPercentDone(), AtStart);
        if (Aborted())
            break;
        if (Reader.IsDeleted())
            continue;
        // The reader takes a byte-order mark for text: on a line of
        // its own it makes a first message of nothing, right before
        // the separator it hides that separator in the first message.
        if (AtStart && BomLine)
            continue;
        if (OutOfMemory || Reader.TooLarge) {
            // Its flags were never read with it: the head says.
            if (IsDeletedLargeMessage(Data, Reader))
                continue;
            Result = WriteLargeMessage(Data, Reader);
            if (FSourceReadFailed && MailboxShrank()) {
                CutFrom = Reader.GetMessageNumber();
                break;
            }
        } else {
            try {
                Reader.TakeMessageText(Text, &Head, &Skip);
                if (AtStart && Bom > 0 && !Head.empty()) {
                    Text.replace(0, Skip, Head);
                    Head.clear();
                }
                // NUL padding after the mark has become blanks by now.
                if (AtStart && Bom > 0 && BomLength(Text) > 0)
                    Text.erase(0, Text.find_first_not_of(std::string("\0 ", 2), Bom));
                Result = Text.empty() ? TConvertResult::NoText : WriteMessage(Text, Reader.HasLfBreaks(), &Head, Skip);
                if (Result == TConvertResult::NoText)
                    WriteErrorLine("Message has no text: not written");
            } catch (const std::bad_alloc&) {
                std::string().swap(Text);
                Reader.ClearMessage();
                Result = WriteLargeMessage(Data, Reader);
            }
        }
        RunSettings.CountResult(Result == TConvertResult::Done        ? cntMessage
                       : Result == TConvertResult::Duplicate ? cntDuplicate
                                                             : cntError);
        if (FTargetFailed)
            break;
    }
    CountProblems();
    if (CutFrom > 0) {
        FChangeReported = true;
        Result = NotConverted(Data, "Mailbox cut during the run: not read from message " + std::to_string(CutFrom) + " on",
                              TConvertResult::Unreadable);
    }
    // Messages added after the mailbox was opened were not read, and
    // those read may not be what the mailbox now holds.
    if (!Aborted() && !FChangeReported && MailboxChanged())
        NotConverted(Data, "Mailbox changed during the run: it was converted as it was when opened",
                     TConvertResult::Unreadable);
    ShowProgress(100);
    return Result;
}

TConvertResult TConvertDriver::WriteMessage(std::string& Text, bool LfBreaks, std::string* Head, std::size_t Skip)
{
    const TConvertSettings& RunSettings = *FSettings;
    // A head is written in front of the body, which then is not moved to
    // join it, where the mbox takes the message's breaks as they are or
    // made LF: its first four breaks are the text's, so the kind of breaks
    // the text is judged by shows in it.
    bool Apart = Head && !Head->empty();
    if (Apart && (RunSettings.OneFilePerMessage || RunSettings.LineBreak == lbkCr ||
                  (RunSettings.LineBreak != lbkLf && !HeadShowsCrLf(*Head)))) {
        Text.replace(0, Skip, *Head);
        Head->clear();
        Apart = false;
    }
    if (RunSettings.LineBreak == lbkCr) {
        CrLfToCr(Text);
    } else if (RunSettings.LineBreak == lbkLf) {
        if (!LfBreaks && Apart) {
            CrLfToLf(*Head);
            CrLfToLf(Text, Skip);
        } else if (!LfBreaks) {
            CrLfToLf(Text);
        }
    } else if (!Apart) {
        const TLineBreakKind Kind = DetectLineBreakKind(Text, 4);
        if (Kind != lbkCrLf)
            LineBreaksToCrLf(Text, Kind);
    }
    if (Apart)
        return AppendToMbox(
            [&] {
                FMboxTarget.Writer().Write(*Head);
                FMboxTarget.Writer().Write(std::string_view(Text).substr(Skip));
            },
            *Head);
    if (!RunSettings.OneFilePerMessage)
        return AppendMessageToMbox(Text);
    // The From_ line is passed over, not cut off: cutting moves every byte
    // of the message once more.
    return WriteMessageFile(Text, FromLineSkip(Text));
}

TConvertResult TConvertDriver::WriteMessageFile(const std::string& Text, std::size_t Skip)
{
    const TConvertSettings& RunSettings = *FSettings;
    const std::string_view Bytes = std::string_view(Text).substr(std::min(Skip, Text.size()));
    // Names and dates come from the header alone, which is all that is
    // copied of the message.
    const std::string Header = MessageNameHeader(Text, Bytes.data() - Text.data());
    std::string Ext = RunSettings.GetTargetExt();
    if (Ext == "*")
        Ext = MailFormatExtension(RunSettings.TargetFormat, true);
    else if (Ext == ".")
        Ext.clear();
    std::string Base;
    std::string File = TMessageFiles::NameFor(FTargetFolder, Header, Bytes, RunSettings.Md5FileNames, Ext, Base);
    const TDateTime MessageDate = RunSettings.MatchDates ? MessageFileTime(Header) : 0;
    DWORD WriteError = ERROR_FILENAME_EXCED_RANGE;
    // Creating only a new file is the existence test as well: one lookup
    // per message where a test and a create took two.
    TNewFileOutcome Made = File.empty() ? TNewFileOutcome::Failed : SaveNewMessageFile(File, Bytes, MessageDate, WriteError);
    if (Made == TNewFileOutcome::Exists) {
        // A digest names the message's identity, not its content: two
        // different patches may share a Message-ID, or a subject and date.
        // Only the same bytes make a duplicate; a second run into the same
        // folder meets every message's own file again.
        if (RunSettings.Md5FileNames && FMessageFiles.WrittenBefore(File, Bytes, LargePieces()))
            return TConvertResult::Duplicate;
        Made = FMessageFiles.SaveNumbered(
            FTargetFolder, File, [&](const std::string& Name, DWORD& Error) {
                return SaveNewMessageFile(Name, Bytes, MessageDate, Error);
            },
            WriteError);
    }
    if (Made == TNewFileOutcome::Written)
        return TConvertResult::Done;
    // A folder that is gone or full fails every message after this one:
    // the run stops with one reason, as an mbox target's does. A message
    // copied from a mailbox that shrank fails on its source instead.
    if (!FSourceReadFailed)
        if (const std::string Failure = TargetFolderFailure(WriteError); !Failure.empty())
            TargetFailed(Failure);
    LogUnwrittenMessage(Header, File.empty() ? JoinPath(FTargetFolder, Base) : File, WriteError);
    return TConvertResult::WriteFailed;
}

void TConvertDriver::LogUnwrittenMessage(const std::string& Text, const std::string& FileName, DWORD Error)
{
    // A message cut short by a mailbox that shrank fails reading past its
    // end; the failed write is only the consequence, and the run names the
    // cut once.
    if (FSourceReadFailed && MailboxShrank())
        return;
    const bool Changed = MailboxChanged();
    FChangeReported = FChangeReported || Changed;
    LogMessageRow(Text, FileName,
                  "Message not written: " + (Changed ? std::string("the mailbox changed during the run")
                                                     : SystemErrorText(Error)),
                  FMailboxShown);
}

std::pair<std::int64_t, std::uint64_t> TConvertDriver::MailboxStamp() const
{
    WIN32_FILE_ATTRIBUTE_DATA Info{};
    if (!GetFileAttributesExW(LongPathForm(FMailboxFile).c_str(), GetFileExInfoStandard, &Info))
        return {-1, 0};
    return {(std::int64_t(Info.nFileSizeHigh) << 32) | Info.nFileSizeLow,
            (std::uint64_t(Info.ftLastWriteTime.dwHighDateTime) << 32) | Info.ftLastWriteTime.dwLowDateTime};
}

bool TConvertDriver::MailboxChanged() const
{
    return FMailboxStamp.first >= 0 && MailboxStamp() != FMailboxStamp;
}

bool TConvertDriver::MailboxShrank() const
{
    return FMailboxStamp.first >= 0 && MailboxStamp().first < FMailboxStamp.first;
}

void TConvertDriver::LogMessageRow(const std::string& Text, const TLogText& FileName, const std::string& Row,
                                   const TLogText& Mailbox)
{
    // The error log's columns name the message: its mailbox, date and
    // subject, so the user can find it again.
    TTextLogMessage RowMessage(Mailbox, Text);
    // The context is the reader's again afterwards, whatever happens.
    const TErrorLogContext Context(FileName, &RowMessage);
    WriteErrorLine(Row);
}

TConvertResult TConvertDriver::AppendMessageToMbox(const std::string& Text)
{
    return AppendToMbox([&] { FMboxTarget.Writer().Write(Text); }, Text);
}

TConvertResult TConvertDriver::AppendToMbox(const std::function<void()>& Write, const std::string& Text)
{
    const TTextFileWriter::TMark Before = FMboxTarget.Writer().Mark();
    FSourceReadFailed = false;
    try {
        Write();
        FMboxTarget.Writer().Write(TargetLineBreak());
    } catch (const EFileError& E) {
        const DWORD Error = E.ErrorCode ? E.ErrorCode : ERROR_WRITE_FAULT;
        const DWORD Cut = FMboxTarget.Writer().CutBack(Before);
        std::string Reason = SystemErrorText(Error);
        if (Cut != 0)
            Reason += "; the part written could not be removed: " + SystemErrorText(Cut);
        // A large message that cannot be read from its mailbox (one that
        // shrank, say) fails on its source: the target is whole again and
        // takes the next message.
        if (Cut != 0 || !FSourceReadFailed)
            TargetFailed(Reason);
        LogUnwrittenMessage(Text, FTargetFolder, Error);
        return TConvertResult::WriteFailed;
    }
    return TConvertResult::Done;
}

TConvertResult TConvertDriver::WriteLargeMessage(const std::string& DataFile, const TFileMailObj& Reader)
{
    // Too large to load, or memory ran out on the way: the message is
    // copied from its mailbox through a bounded buffer as it stands, with
    // only its line breaks made the target's. Its head gives its name.
    const TConvertSettings& RunSettings = *FSettings;
    TMessageRangeCopy RangeCopy(DataFile, Reader.MessagePos, Reader.MessageSize, TargetLineBreak(), RunSettings.OneFilePerMessage);
    RangeCopy.DropFinalBreak(Reader.OwnLastBreak);
    RangeCopy.EscapeFromLines = Reader.CopiesIntoMbox();
    const std::string Head = RangeCopy.Head(LargeMessageHead);
    TConvertResult Result = TConvertResult::Done;
    if (RunSettings.OneFilePerMessage) {
        std::string Named = Head;
        DeleteFromLine(Named);
        FLargeCopy = &RangeCopy;
        TScopeExit Written([this] { FLargeCopy = nullptr; });
        Result = WriteMessageFile(Named);
    } else {
        Result = AppendToMbox(
            [&] {
                if (!RangeCopy.CopyTo([&](const std::string& Piece) {
                        FMboxTarget.Writer().Write(Piece);
                        return true;
                    })) {
                    FSourceReadFailed = true;
                    throw EFileError(SystemErrorText(RangeCopy.Error()), RangeCopy.Error());
                }
            },
            Head);
    }
    if (Result == TConvertResult::Done) {
        const std::string Row = "Message of " + std::to_string(Reader.MessageSize) +
                                " bytes not rebuilt in memory: copied as it stands, only its line breaks converted";
        LogMessageRow(Head, FMailboxShown, Row, MessageLabel(Reader, FMailboxShown));
    }
    return Result;
}

bool TConvertDriver::IsDeletedLargeMessage(const std::string& DataFile, TFileMailObj& Reader)
{
    if (MailFormatReader(FSettings->SourceFormat) == TMailReader::EudoraIndex)
        return false;  // an index reader's flags come from the index entry
    const TMessageRangeCopy RangeCopy(DataFile, Reader.MessagePos, Reader.MessageSize, "\r\n", false);
    const std::string Header = MessageNameHeader(RangeCopy.Head(LargeMessageHead), 0);
    return IsDeletedFlags(GetStatusFlagsFromHeaders(Header, Reader.GetFolderFlags(), false));
}

TNewFileOutcome TConvertDriver::SaveNewMessageFile(const std::string& FileName, std::string_view Bytes,
                                                   TDateTime Date, DWORD& Error)
{
    FSourceReadFailed = false;
    // Exists leaves the file untouched; on failure Error is set and a
    // cut-off file is deleted.
    if (!FLargeCopy)
        return WriteBufferToNewFile(Bytes.data(), Bytes.size(), FileName, Date, &Error);
    const TNewFileOutcome Made = WriteNewFileWith(
        [&](HANDLE H) {
            return FLargeCopy->CopyTo([&](const std::string& Piece) { return WriteAll(H, Piece.data(), Piece.size()); });
        },
        FileName, Date, &Error);
    // The copy's own failure is the reason, not the write it cut short.
    if (Made == TNewFileOutcome::Failed && FLargeCopy->Error() != 0) {
        FSourceReadFailed = true;
        Error = FLargeCopy->Error();
    }
    return Made;
}

TMessagePieces TConvertDriver::LargePieces() const
{
    if (!FLargeCopy)
        return nullptr;
    return [this](const TPieceSink& Sink) { return FLargeCopy->CopyTo(Sink); };
}

const char* TConvertDriver::TargetLineBreak() const
{
    const TLineBreakKind Kind = FSettings->LineBreak;
    return Kind == lbkCr ? "\r" : Kind == lbkLf ? "\n" : "\r\n";
}
