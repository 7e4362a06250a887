#include "app/KvConvertDriver.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

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
#include "foundation/KvStrings.h"
#include "app/KvAppStart.h"
#include "app/KvLargeMessage.h"
#include "mail/KvErrorLog.h"
#include "mail/KvEudora.h"
#include "mail/KvFromLine.h"
#include "mail/KvMailStream.h"
#include "mail/KvMailboxHead.h"
#include "mail/KvReaderLog.h"
#include "mail/KvMessageFiles.h"
#include "mail/KvMimeHeaders.h"

namespace {

// How much of a message too large to load is read for its name and date.
constexpr std::size_t LargeMessageHead = 65536;

bool IsLockError(DWORD Error)
{
    return Error == ERROR_SHARING_VIOLATION || Error == ERROR_LOCK_VIOLATION;
}

// The name the log gives a file: its long name, where the run opened it by
// its 8.3 short form. A long name the code page cannot carry is wide text;
// for a log that shows only ANSI text it keeps the path it was opened by
// beside it, so that two such names stay apart there.
TLogText LogNameOf(const std::string& Path)
{
    TLogText name = TLogText::FromWide(LongPathOf(Path));
    if (!name.Wide.empty())
        name.Ansi += " (" + Path + ")";
    return name;
}

}  // namespace


std::string CutTargetPattern(const std::string& Text)
{
    const size_t p = Text.rfind("\\*.");
    if (p == std::string::npos || Text.find('\\', p + 1) != std::string::npos)
        return Text;
    return Text.substr(0, p + 1);
}

std::string TargetExtOfText(const std::string& Text)
{
    if (HasTrailingSlash(Text))
        return "*";
    const size_t p = Text.rfind("\\*.");
    if (p == std::string::npos || Text.find('\\', p + 1) != std::string::npos)
        return std::string();
    const std::string ext = Text.substr(p + 3);
    if (ext.empty() && !Text.empty() && Text.back() == '.')
        return ".";
    return ext;
}

std::string TargetDeviceProblem(const std::string& Path)
{
    for (size_t start = PathHasDrive(Path) ? 2 : 0; start < Path.size();) {
        size_t end = Path.find('\\', start);
        if (end == std::string::npos)
            end = Path.size();
        const std::string part = Path.substr(start, end - start);
        if (IsDeviceFileName(part))
            return Path + ": " + part + " is a device name";
        start = end + 1;
    }
    return std::string();
}

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
        FHost.SetStatusText("Processing...");
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

void TConvertDriver::HideProgress()
{
    if (FHost.ProgressVisible()) {
        FHost.SetProgressVisible(false);
        FHost.SetProgressPercent(0);
        FHost.SetStatusText(FHost.IdleStatusText());
    }
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
        FHost.SetBackEnabled(false);
        FHost.SetNextButton("&Stop", StopButtonTag);
        FHost.SaveSettings();
        ShowProgress(0);
        // Between runs the user may have cleared the target.
        FMessageFiles.Clear();

        if (!FSettings)
            FSettings = std::make_unique<TConvertSettings>();
        if (!FFileFinder) {
            FFileFinder = std::make_unique<TFileFinder>();
            FFileFinder->OnAcceptFile = [this](TFileFinder* S, const std::string& N, bool& A) {
                FinderAcceptFile(S, N, A);
            };
            FFileFinder->OnAcceptFolder = [this](TFileFinder* S, const std::string& N, bool& A) {
                FinderAcceptFolder(S, N, A);
            };
            FFileFinder->OnFile = [this](TFileFinder* S, const std::string& N) { FinderFoundFile(S, N); };
            FFileFinder->OnSkip = [this](TFileFinder*, const std::string& N, const std::string& Reason) {
                const std::string line = "Not searched: " + N + " (" + Reason + ")";
                if (Reason == TFileFinder::RevisitReason)
                    LogLine(line);
                else
                    NotConverted(N, line, TConvertResult::Unreadable);
            };
            // Mailboxes restored from a CD or a backup are read-only; they
            // are still mailboxes.
            FFileFinder->Attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
        }
        if (!FSkipFolders && IsExistingFile(SkipFoldersFile)) {
            auto list = std::make_unique<TStringList>();
            LoadStringsFromFile(SkipFoldersFile, *list);
            FSkipFolders = std::move(list);
        }

        TConvertChoices choices;
        FHost.GetChoices(choices);
        TStrings& sources = FHost.SourceFiles();
        if (sources.Count() == 0) {
            const std::string folder = GetSourceDefaultFolder(choices.SourceFormat);
            if (!folder.empty())
                sources.AddObject(folder + "\\*." + MailFormatExtension(choices.SourceFormat, false),
                                  MailFormatToObject(choices.SourceFormat));
        }
        TConvertSettings& cs = *FSettings;
        cs.SetSourceList(&sources);
        cs.IncludeSubfolders = choices.IncludeSubfolders;
        cs.SkipTrashJunk = choices.SkipTrashJunk;
        cs.MatchDates = choices.MatchDates;
        cs.Md5FileNames = choices.Md5FileNames;
        cs.SetTargetFormat(choices.TargetFormat);
        cs.TargetPath = CutTargetPattern(choices.TargetText);
        if (cs.OneFilePerMessage)
            cs.TargetPath = AddTrailingBackslash(cs.TargetPath);
        cs.TargetExtOverride = TargetExtOfText(choices.TargetText);
        cs.RestoreFolderTree = choices.RestoreFolderTree && HasTrailingSlash(cs.TargetPath);
        FFileFinder->Recursive = cs.IncludeSubfolders;

        if (FHost.LogLineCount() > 6)
            LogLine("\r\n***\r\n");
        FTargetFailed = false;
        FRunTargets.clear();
        if (const std::string problem = TargetFolderProblem(); !problem.empty()) {
            // Found now, before any mailbox: later every message would fail
            // on its own, and none would say why.
            FTargetFailed = true;
            LogLine("Target folder cannot be used: " + problem);
            LogLine("Processing stopped.");
        } else {
            CheckErrorLog();
            const long rowsBefore = ErrorLogRowCount();
            ConvertSourceList();
            LogLine(Format("%d mailboxes processed, %d messages converted, %d duplicates skipped, %d errors.",
                           cs.MailboxCount, cs.MessageCount, cs.DuplicateCount, cs.ErrorCount));
            LogLine(Aborted() ? "Processing aborted."
                    : FTargetFailed   ? "Processing stopped: the target cannot be written."
                                      : "Processing finished.");
            // The count of errors alone leaves the user to guess where
            // their rows are.
            if (ErrorLogRowCount() != rowsBefore)
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

std::string TConvertDriver::TargetFolderProblem() const
{
    const TConvertSettings& cs = *FSettings;
    if (!cs.OneFilePerMessage && !MailFormatIsMboxTarget(cs.TargetFormat))
        return std::string();  // nothing is written
    if (cs.TargetPath.empty())
        return "no target folder was given";
    const bool file = !cs.OneFilePerMessage && !HasTrailingSlash(cs.TargetPath);
    const std::string folder = ExcludeTrailingSlash(file ? ExtractParentFolder(cs.TargetPath) : cs.TargetPath);
    const std::string shown = file ? cs.TargetPath : folder;
    // A message file needs room for at least an 8.3 name of its own.
    if (folder.size() + 13 >= MAX_PATH)
        return shown + ": the path is longer than Windows allows";
    const size_t root = PathHasDrive(folder) ? 2 : 0;
    if (HasInvalidPathChars(folder.substr(root)) || folder.find(':', root) != std::string::npos)
        return shown + ": the path holds characters a folder name cannot hold";
    // The target file's own name too: a device takes every message and keeps none.
    if (const std::string problem = TargetDeviceProblem(shown); !problem.empty())
        return problem;
    const DWORD attr = GetFileAttributesA(folder.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY))
        return folder + ": it is a file, not a folder";
    if (!ForceFolder(folder)) {
        const DWORD error = GetLastError();
        return folder + ": the folder cannot be created: " + SystemErrorText(error ? error : ERROR_PATH_NOT_FOUND);
    }
    if (const std::string problem = FolderWriteProblem(folder); !problem.empty())
        return folder + ": " + problem;
    if (file) {
        const DWORD target = GetFileAttributesA(cs.TargetPath.c_str());
        if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_DIRECTORY))
            return shown + ": the target file is a folder";
        if (target != INVALID_FILE_ATTRIBUTES) {
            if (const std::string problem = FileWriteProblem(cs.TargetPath); !problem.empty())
                return shown + ": the target file cannot be written: " + problem;
        }
    }
    return std::string();
}

void TConvertDriver::CheckErrorLog()
{
    if (ErrorLogFileName.empty() || IsErrorLogOpen())
        return;
    const std::string& log = ErrorLogFileName;
    std::string problem;
    const DWORD attr = GetFileAttributesA(log.c_str());
    if (IsDeviceFile(log))
        problem = ExtractFileNamePart(log) + " is a device name";
    else if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
        problem = "it is a folder";
    else if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY))
        problem = "the file is read-only";  // the log would move it aside
    else if (attr != INVALID_FILE_ATTRIBUTES)
        problem = FileWriteProblem(log);
    // An old log is moved aside and a new one made beside it: the folder
    // must take new files.
    if (problem.empty()) {
        const std::string folder = ExtractParentFolder(log);
        problem = !ForceFolder(folder) ? "its folder cannot be created: " + SystemErrorText(GetLastError())
                                       : FolderWriteProblem(folder);
    }
    // And the name itself must make a file: not a pattern, not a FIFO or a
    // device that takes the rows and keeps none. A file made to learn it goes.
    if (problem.empty()) {
        bool created = false;
        problem = DiskFileProblem(log, GENERIC_WRITE, OPEN_ALWAYS, created);
        if (created)
            DeleteFileW(LongPathForm(log).c_str());
    }
    if (problem.empty())
        return;
    const bool fallback = !FallbackErrorLog.empty() && !SamePathName(FallbackErrorLog, log);
    LogLine("Error log cannot be written: " + log + ": " + problem +
            (fallback ? "; its rows go to " + FallbackErrorLog : std::string()));
    // Said once: the next run starts from the fallback.
    ErrorLogFileName = fallback ? FallbackErrorLog : std::string();
}

void TConvertDriver::FinishRun()
{
    FMboxWriter.reset();
    FHost.SetLogCaretVisible(true);
    HideProgress();
    FAbortedRun = FAborted;
    FAborted = false;
    FHost.SetNextButton("&Start", StartButtonTag);
    FHost.SetBackEnabled(true);
    FHost.FocusCancelButton();
    FRunning = false;
}

void TConvertDriver::ConvertSourceList()
{
    TConvertSettings& cs = *FSettings;
    for (int i = 0; i < cs.SourceCount; ++i) {
        if (Aborted() || FTargetFailed)
            break;
        cs.SetCurrentIndex(i);
        const std::string entry = cs.GetSourceEntry();
        if (entry.find("*.") == std::string::npos) {
            ConvertMailbox(entry, cs.SkipTrashJunk);
            LogLine("");
            continue;
        }
        const int slash = LastCharPos('\\', entry);
        const std::string folder = entry.substr(0, static_cast<size_t>(slash > 0 ? slash - 1 : 0));
        const std::string mask = entry.substr(static_cast<size_t>(slash));
        // A Mozilla sub-folder is the overflow of the mailbox beside it
        // (Inbox.sbd of Inbox): that mailbox is the user's choice too.
        if (!cs.SubfolderExt.empty() && HasFileExt(folder, cs.SubfolderExt)) {
            const std::string owner = SetFileExt(folder, MailFormatExtension(cs.SourceFormat, false));
            if (IsExistingFile(owner)) {
                ConvertMailbox(owner, cs.SkipTrashJunk);
                LogLine("");
            }
        }
        RunFolderSearch(folder, mask);
    }
}

void TConvertDriver::RunFolderSearch(const std::string& Folder, const std::string& Mask)
{
    FFileFinder->SetFileMask(Mask);
    FFileFinder->Execute(Folder);
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
        const TErrorLogContext context(LogNameOf(Name), nullptr);
        WriteErrorLine(Line);
    }
    FSettings->CountResult(cntError);
    return Code;
}

std::string TConvertDriver::DataFileOf(const std::string& Found) const
{
    const std::string data = FSettings->GetMailboxFileOf(Found);
    if (data == Found || IsExistingFile(data))
        return data;
    // The finder gives a name the code page cannot carry by its short form;
    // the data file has a short name of its own, so it is made from the long
    // name. Only extensions change, and they are plain ASCII.
    const std::wstring longName = LongPathOf(Found);
    const size_t dot = longName.find_last_of(L'.');
    const size_t slash = longName.find_last_of(L'\\');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return data;
    const std::string mapped = FSettings->GetMailboxFileOf("x" + DefaultWideToAnsi(longName.substr(dot)));
    const std::string path = OpenableAnsiPath(longName.substr(0, dot) + AnsiToWideStr(mapped.substr(1)));
    return path.empty() ? data : path;
}

void TConvertDriver::FinderAcceptFile(TFileFinder* /*Sender*/, const std::string& FoundName, bool& Accept)
{
    const std::string data = DataFileOf(FoundName);
    // A mailbox that cannot be read (held open by its mail program, a
    // device name) gets its line from ConvertMailbox instead of vanishing.
    if (IsDeviceFile(data)) {
        Accept = true;
        return;
    }
    // Found through its index, the file is meant as a mailbox: one that is
    // none gets its line, row and error as when it is given by hand. An
    // index left without its mailbox, and an empty mailbox, pass unsaid.
    if (!SamePathName(data, FoundName)) {
        std::string reason;
        Accept = IsExistingFile(data) &&
                 (GetFileSizeByName(data) != 0 || EmptyMailboxKind(FoundName, data, reason) != TConvertResult::Empty);
        return;
    }
    std::string head;
    Accept = ReadMailboxHead(data, head) == 0 ? SniffHead(head) == TMailboxSniff::Mbox : IsExistingFile(data);
}

TConvertResult TConvertDriver::EmptyMailboxKind(const std::string& FileName, const std::string& Data,
                                                std::string& Reason) const
{
    bool created = false;
    if (DiskFileProblem(Data, GENERIC_READ, OPEN_EXISTING, created) == NotADiskFile) {
        Reason = std::string("Mailbox cannot be read: ") + NotADiskFile;
        return TConvertResult::Unreadable;
    }
    if (MailFormatReader(FSettings->SourceFormat) == TMailReader::EudoraIndex &&
        GetFileSizeByName(FileName) > EudoraHeaderSize) {
        Reason = "Mailbox data file is empty, but its index lists messages";
        return TConvertResult::NotMailbox;
    }
    return TConvertResult::Empty;
}

void TConvertDriver::ReportUnindexedMailboxes(const std::string& Folder)
{
    // Mozilla mail programs find their mailboxes through the index beside
    // each one; a mailbox without one is not the search's to convert, but
    // the user learns of it and can add it by hand.
    const std::string indexExt = MailFormatExtension(FSettings->SourceFormat, false);
    TFileFinder scan;
    scan.Attributes = FFileFinder->Attributes;
    scan.SetFileMask("*");
    scan.OnAcceptFile = [&](TFileFinder*, const std::string& Name, bool& Accept) {
        Accept = false;
        // A short name has no index beside it; its long name may.
        if (HasFileExt(Name, indexExt) || IsExistingFile(Name + "." + indexExt) ||
            IsExistingWideFile(LongPathOf(Name) + L"." + AnsiToWideStr(indexExt)))
            return;
        if (SniffMailboxFile(Name) == TMailboxSniff::Mbox)
            NotConverted(Name, "Mailbox without an index file skipped (add it by hand to convert it): " + LogNameOf(Name),
                         TConvertResult::NotMailbox);
    };
    scan.Execute(Folder);
}

void TConvertDriver::FinderAcceptFolder(TFileFinder* /*Sender*/, const std::string& Folder, bool& Accept)
{
    Accept = true;
    if (FSettings->SkipTrashJunk && FSkipFolders) {
        std::string name = ExtractFileNamePart(ExcludeTrailingSlash(Folder));
        if (!FSettings->SubfolderExt.empty())
            name = RemoveFileExt(name, FSettings->SubfolderExt);
        Accept = !IsOnSkipList(name);
    }
    if (Accept && !FSettings->SubfolderExt.empty())
        ReportUnindexedMailboxes(Folder);
}

void TConvertDriver::FinderFoundFile(TFileFinder* Sender, const std::string& FileName)
{
    if (Aborted() || FTargetFailed) {
        Sender->Abort = true;
        return;
    }
    // The skip list names trash and junk mailboxes as well as folders: a
    // Mozilla "Trash" is a mailbox file beside its "Trash.sbd".
    ConvertMailbox(FileName, FSettings->SkipTrashJunk);
    LogLine("");
}

std::string TConvertDriver::MboxTargetOf(const std::string& DataFile) const
{
    const TConvertSettings& cs = *FSettings;
    std::string target = cs.GetTargetPath(DataFile);
    if (!HasTrailingSlash(target))
        return target;
    const std::string ext = cs.GetTargetExt();
    const bool eudora = MailFormatIsEudora(cs.SourceFormat);
    std::string name = ExtractFileNamePart(DataFile);
    if (ext == ".") {
        if (eudora)
            name = RemoveFileExt(name, "mbx");
    } else if (!ext.empty() && ext != "*") {
        name = SetFileExt(name, ext, !eudora);
    }
    return target + name;
}

bool TConvertDriver::IsRunTarget(const std::string& DataFile) const
{
    // A target inside the searched tree sniffs as a mailbox like any other;
    // read while it is written it would get its own messages once more.
    const TConvertSettings& cs = *FSettings;
    if (!MailFormatIsMboxTarget(cs.TargetFormat))
        return false;
    if (!HasTrailingSlash(cs.TargetPath) && SamePathName(cs.TargetPath, DataFile))
        return true;
    for (const std::string& target : FRunTargets)
        if (SamePathName(target, DataFile))
            return true;
    return SamePathName(MboxTargetOf(DataFile), DataFile);
}

bool TConvertDriver::PrepareMboxWriter(const std::string& DataFile)
{
    FTargetFolder = MboxTargetOf(DataFile);
    ForceFolder(ExtractParentFolder(FTargetFolder));
    if (FMboxWriter && !SamePathName(FMboxWriter->FileName(), FTargetFolder))
        FMboxWriter.reset();
    if (FMboxWriter)
        return true;
    try {
        // An existing target is never replaced: a later run appends to it.
        FMboxWriter = std::make_unique<TTextFileWriter>(FTargetFolder, !IsExistingFile(FTargetFolder), true);
    } catch (const EFileError& e) {
        TargetFailed(e.ErrorCode ? SystemErrorText(e.ErrorCode) : e.Message());
        return false;
    }
    // The earlier run's last line is completed with this target's break,
    // which for a CR target is a final CR itself.
    FMboxWriter->SetLineBreak(TargetLineBreak());
    FRunTargets.push_back(FTargetFolder);
    return true;
}

void TConvertDriver::TargetFailed(const std::string& Reason)
{
    FTargetFailed = true;
    LogLine((FSettings->OneFilePerMessage ? "Target folder cannot be written: " : "Target file cannot be written: ") +
            FTargetFolder + ": " + Reason);
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
    TConvertSettings& cs = *FSettings;
    LogLine("Processing: " + LogNameOf(FileName));
    const std::string data = DataFileOf(FileName);
    FMailboxFile = data;
    FMailboxShown = LogNameOf(data);
    FMailboxStamp = {-1, 0};
    std::string head;
    if (const auto refused = CheckMailbox(FileName, data, CheckSkipList, head); refused != TConvertResult::Done)
        return refused;
    FMailboxStamp = MailboxStamp();
    FChangeReported = false;
    // Only the mbox readers see the data file's head; an index reader
    // finds its messages by offset.
    const TMailReader readerKind = MailFormatReader(cs.SourceFormat);
    const size_t bom = readerKind == TMailReader::EudoraIndex ? 0 : BomLength(head);
    const bool bomLine = bom > 0 && head.find_first_of("\r\n", bom) < PaddingLength(head);

    // A reader that cannot open its file writes a row naming it.
    const TErrorLogContext opening(FMailboxShown, nullptr);
    const std::unique_ptr<TFileMailObj> reader = OpenMailReader(FileName, data, readerKind);
    if (!reader)
        return TConvertResult::Done;
    // The reader wrote its row when it failed to open the file.
    if (reader->Locked)
        return NotConverted(data, "Mailbox locked", TConvertResult::Locked, false);
    // An index that gives no message says why, not a bare "Done".
    if (const auto* toc = dynamic_cast<const TEudoraTocObj*>(reader.get()); toc && !toc->IndexProblem.empty())
        LogLine(toc->IndexProblem);

    TConvertResult result = TConvertResult::Done;
    try {
        // Rows the reader writes while it reads say which message.
        TReaderLogMessage current(*reader, FMailboxShown);
        const TErrorLogContext context(FMailboxShown, &current);
        if (PrepareTargetFor(data))
            result = CopyMessages(*reader, data, bom, bomLine);
    } catch (...) {
        LogLine(Aborted() ? "Aborted" : "Done");
        throw;
    }
    LogLine(Aborted() ? "Aborted" : FTargetFailed ? "Stopped" : "Done");
    return result;
}

TConvertResult TConvertDriver::CheckMailbox(const std::string& FileName, const std::string& Data, bool CheckSkipList,
                                 std::string& Head)
{
    if (CheckSkipList && IsOnSkipList(ExtractFileNamePart(Data))) {
        LogLine("Mailbox skipped: trash and junk are skipped (option)");
        return TConvertResult::Skipped;
    }
    if (IsRunTarget(Data)) {
        LogLine("Mailbox skipped: it is this run's target file");
        return TConvertResult::Skipped;
    }
    // A mailbox that is not converted is an error of the run; the skip
    // list and the run's own target above are the user's choice.
    if (IsDeviceFile(Data))
        return NotConverted(Data, "Mailbox cannot be read: " + ExtractFileNamePart(Data) + " is a device name",
                            TConvertResult::Unreadable);
    if (!IsExistingFile(Data))
        return NotConverted(Data, "Mailbox not found", TConvertResult::NotFound);
    if (GetFileSizeByName(Data) == 0) {
        std::string reason;
        if (const auto kind = EmptyMailboxKind(FileName, Data, reason); kind != TConvertResult::Empty)
            return NotConverted(Data, reason, kind);
        LogLine("No mail found");
        return TConvertResult::Empty;
    }
    if (const DWORD error = ReadMailboxHead(Data, Head); error != 0) {
        // Without this the head test would call a held mailbox not a
        // mailbox; and only a held one is "locked".
        if (IsLockError(error))
            return NotConverted(Data, "Mailbox locked", TConvertResult::Locked);
        return NotConverted(Data, "Mailbox cannot be read: " + SystemErrorText(error), TConvertResult::Unreadable);
    }
    if (SniffHead(Head) != TMailboxSniff::Mbox)
        return NotConverted(Data, "File is not a valid mailbox", TConvertResult::NotMailbox);
    // An index of no bytes gives no message of a data file that holds some.
    if (MailFormatReader(FSettings->SourceFormat) == TMailReader::EudoraIndex && GetFileSizeByName(FileName) == 0)
        return NotConverted(FileName, "Index file is empty: the messages of its data file were not read",
                            TConvertResult::Unreadable);
    return TConvertResult::Done;
}

std::unique_ptr<TFileMailObj> TConvertDriver::OpenMailReader(const std::string& FileName, const std::string& Data,
                                                             TMailReader Kind) const
{
    const TConvertSettings& cs = *FSettings;
    std::unique_ptr<TFileMailObj> reader;
    if (Kind == TMailReader::EudoraIndex)
        reader = std::make_unique<TEudoraTocObj>(FileName);
    else if (Kind == TMailReader::Stream)
        reader = std::make_unique<TMboxStream>(Data, DefaultMailBufferSize, false,
                                               MailFormatReaderMode(cs.SourceFormat));
    else
        return nullptr;
    reader->LargeMessageSize = LargeMessageSize;
    reader->LargeHeaderSize = LargeHeaderSize;
    // A message file keeps its last line break; an mbox copy keeps the
    // source's bytes, as its writer puts the break back after each text.
    reader->OwnLastBreak = cs.OneFilePerMessage;
    // An mbox of LF breaks takes the texts that have them as they stand.
    reader->KeepLfBreaks = !cs.OneFilePerMessage && cs.LineBreak == lbkLf;
    return reader;
}

bool TConvertDriver::PrepareTargetFor(const std::string& Data)
{
    const TConvertSettings& cs = *FSettings;
    if (cs.OneFilePerMessage) {
        FTargetFolder = cs.GetTargetPath(Data);
        ForceFolder(FTargetFolder);
        return true;
    }
    if (MailFormatIsMboxTarget(cs.TargetFormat))
        return PrepareMboxWriter(Data);
    return false;
}

TConvertResult TConvertDriver::CopyMessages(TFileMailObj& Reader, const std::string& Data, size_t Bom, bool BomLine)
{
    TConvertSettings& cs = *FSettings;
    TConvertResult result = TConvertResult::Done;
    cs.CountResult(cntMailbox);
    std::string text;
    bool first = true;
    // Index entries the reader mended or could not read are error
    // rows of their own; the summary counts them with the rest.
    std::int32_t problems = 0;
    const auto countProblems = [&] {
        for (; problems < Reader.ReadProblems; ++problems)
            cs.CountResult(cntError);
    };
    // The first message a mailbox that shrank while it was read no longer
    // holds whole; none from it on is written.
    int cutAt = 0;
    for (;;) {
        // Out of memory while loading one message costs that message
        // its rebuild, never the run: its range is known already.
        bool outOfMemory = false;
        bool more = true;
        try {
            more = Reader.NextMessage();
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
        if (Reader.CutAt >= 0 && (!more || Reader.MessagePos + Reader.MessageSize >= Reader.CutAt)) {
            cutAt = Reader.GetMessageNumber() + (more ? 0 : 1);
            break;
        }
        if (!more)
            break;
        countProblems();
        const bool atStart = first;
        first = false;
        ShowProgress(Reader.GetPercentDone(), atStart);
        if (Aborted())
            break;
        if (Reader.IsDeleted())
            continue;
        // The reader takes a byte-order mark for text: on a line of
        // its own it makes a first message of nothing, right before
        // the separator it hides that separator in the first message.
        if (atStart && BomLine)
            continue;
        if (outOfMemory || Reader.TooLarge) {
            // Its flags were never read with it: the head says.
            if (IsDeletedLargeMessage(Data, Reader))
                continue;
            result = WriteLargeMessage(Data, Reader);
            if (FSourceReadFailed && MailboxShrank()) {
                cutAt = Reader.GetMessageNumber();
                break;
            }
        } else {
            try {
                Reader.TakeMessageText(text);
                // NUL padding after the mark has become blanks by now.
                if (atStart && Bom > 0 && BomLength(text) > 0)
                    text.erase(0, text.find_first_not_of(std::string("\0 ", 2), Bom));
                result = text.empty() ? TConvertResult::NoText : WriteMessage(text, Reader.HasLfBreaks());
                if (result == TConvertResult::NoText)
                    WriteErrorLine("Message has no text: not written");
            } catch (const std::bad_alloc&) {
                std::string().swap(text);
                Reader.ClearMessage();
                result = WriteLargeMessage(Data, Reader);
            }
        }
        cs.CountResult(result == TConvertResult::Done        ? cntMessage
                       : result == TConvertResult::Duplicate ? cntDuplicate
                                                             : cntError);
        if (FTargetFailed)
            break;
    }
    countProblems();
    if (cutAt > 0) {
        FChangeReported = true;
        result = NotConverted(Data, "Mailbox cut during the run: not read from message " + std::to_string(cutAt) + " on",
                              TConvertResult::Unreadable);
    }
    // Messages added after the mailbox was opened were not read, and
    // those read may not be what the mailbox now holds.
    if (!Aborted() && !FChangeReported && MailboxChanged())
        NotConverted(Data, "Mailbox changed during the run: it was converted as it was when opened",
                     TConvertResult::Unreadable);
    ShowProgress(100);
    return result;
}

TConvertResult TConvertDriver::WriteMessage(std::string& Text, bool LfBreaks)
{
    const TConvertSettings& cs = *FSettings;
    if (cs.LineBreak == lbkCr) {
        CrLfToCr(Text);
    } else if (cs.LineBreak == lbkLf) {
        if (!LfBreaks)
            CrLfToLf(Text);
    } else {
        const TLineBreakKind kind = DetectLineBreakKind(Text, 4);
        if (kind != lbkCrLf)
            LineBreaksToCrLf(Text, kind);
    }
    if (!cs.OneFilePerMessage)
        return AppendMessageToMbox(Text);
    // The From_ line is passed over, not cut off: cutting moves every byte
    // of the message once more.
    return WriteMessageFile(Text, FromLineSkip(Text));
}

TConvertResult TConvertDriver::WriteMessageFile(const std::string& Text, std::size_t Skip)
{
    const TConvertSettings& cs = *FSettings;
    const std::string_view bytes = std::string_view(Text).substr(std::min(Skip, Text.size()));
    // Names and dates come from the header alone, which is all that is
    // copied of the message.
    const std::string header = MessageNameHeader(Text, bytes.data() - Text.data());
    std::string ext = cs.GetTargetExt();
    if (ext == "*")
        ext = MailFormatExtension(cs.TargetFormat, true);
    else if (ext == ".")
        ext.clear();
    std::string base;
    std::string file = TMessageFiles::NameFor(FTargetFolder, header, bytes, cs.Md5FileNames, ext, base);
    const TDateTime date = cs.MatchDates ? MessageFileTime(header) : 0;
    DWORD error = ERROR_FILENAME_EXCED_RANGE;
    // Creating only a new file is the existence test as well: one lookup
    // per message where a test and a create took two.
    TNewFileOutcome made = file.empty() ? TNewFileOutcome::Failed : SaveNewMessageFile(file, bytes, date, error);
    if (made == TNewFileOutcome::Exists) {
        // A digest names the message's identity, not its content: two
        // different patches may share a Message-ID, or a subject and date.
        // Only the same bytes make a duplicate; a second run into the same
        // folder meets every message's own file again.
        if (cs.Md5FileNames && TMessageFiles::WrittenBefore(file, bytes, LargePieces()))
            return TConvertResult::Duplicate;
        made = FMessageFiles.SaveNumbered(
            FTargetFolder, file, [&](const std::string& Name, DWORD& Error) {
                return SaveNewMessageFile(Name, bytes, date, Error);
            },
            error);
    }
    if (made == TNewFileOutcome::Written)
        return TConvertResult::Done;
    // A folder that is gone or full fails every message after this one:
    // the run stops with one reason, as an mbox target's does. A message
    // copied from a mailbox that shrank fails on its source instead.
    if (!FSourceReadFailed)
        if (const std::string failure = TargetFolderFailure(error); !failure.empty())
            TargetFailed(failure);
    LogUnwrittenMessage(header, file.empty() ? JoinPath(FTargetFolder, base) : file, error);
    return TConvertResult::WriteFailed;
}

void TConvertDriver::LogUnwrittenMessage(const std::string& Text, const std::string& FileName, DWORD Error)
{
    // A message cut short by a mailbox that shrank fails reading past its
    // end; the failed write is only the consequence, and the run names the
    // cut once.
    if (FSourceReadFailed && MailboxShrank())
        return;
    const bool changed = MailboxChanged();
    FChangeReported = FChangeReported || changed;
    LogMessageRow(Text, FileName,
                  "Message not written: " + (changed ? std::string("the mailbox changed during the run")
                                                     : SystemErrorText(Error)),
                  FMailboxShown);
}

std::pair<std::int64_t, std::uint64_t> TConvertDriver::MailboxStamp() const
{
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW(LongPathForm(FMailboxFile).c_str(), GetFileExInfoStandard, &info))
        return {-1, 0};
    return {(std::int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
            (std::uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime};
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
    TTextLogMessage message(Mailbox, Text);
    // The context is the reader's again afterwards, whatever happens.
    const TErrorLogContext context(FileName, &message);
    WriteErrorLine(Row);
}

TConvertResult TConvertDriver::AppendMessageToMbox(const std::string& Text)
{
    return AppendToMbox([&] { FMboxWriter->Write(Text); }, Text);
}

TConvertResult TConvertDriver::AppendToMbox(const std::function<void()>& Write, const std::string& Text)
{
    const TTextFileWriter::TMark before = FMboxWriter->Mark();
    FSourceReadFailed = false;
    try {
        Write();
        FMboxWriter->Write(TargetLineBreak());
    } catch (const EFileError& e) {
        const DWORD error = e.ErrorCode ? e.ErrorCode : ERROR_WRITE_FAULT;
        const DWORD cut = FMboxWriter->CutBack(before);
        std::string reason = SystemErrorText(error);
        if (cut != 0)
            reason += "; the part written could not be removed: " + SystemErrorText(cut);
        // A large message that cannot be read from its mailbox (one that
        // shrank, say) fails on its source: the target is whole again and
        // takes the next message.
        if (cut != 0 || !FSourceReadFailed)
            TargetFailed(reason);
        LogUnwrittenMessage(Text, FTargetFolder, error);
        return TConvertResult::WriteFailed;
    }
    return TConvertResult::Done;
}

TConvertResult TConvertDriver::WriteLargeMessage(const std::string& DataFile, const TFileMailObj& Reader)
{
    // Too large to load, or memory ran out on the way: the message is
    // copied from its mailbox through a bounded buffer as it stands, with
    // only its line breaks made the target's. Its head gives its name.
    const TConvertSettings& cs = *FSettings;
    TMessageRangeCopy copy(DataFile, Reader.MessagePos, Reader.MessageSize, TargetLineBreak(), cs.OneFilePerMessage);
    copy.DropFinalBreak(Reader.OwnLastBreak);
    const std::string head = copy.Head(LargeMessageHead);
    TConvertResult result = TConvertResult::Done;
    if (cs.OneFilePerMessage) {
        std::string named = head;
        DeleteFromLine(named);
        FLargeCopy = &copy;
        TScopeExit Written([this] { FLargeCopy = nullptr; });
        result = WriteMessageFile(named);
    } else {
        result = AppendToMbox(
            [&] {
                if (!copy.CopyTo([&](const std::string& Piece) {
                        FMboxWriter->Write(Piece);
                        return true;
                    })) {
                    FSourceReadFailed = true;
                    throw EFileError(SystemErrorText(copy.Error()), copy.Error());
                }
            },
            head);
    }
    if (result == TConvertResult::Done) {
        const std::string row = "Message of " + std::to_string(Reader.MessageSize) +
                                " bytes not rebuilt in memory: copied as it stands, only its line breaks converted";
        LogMessageRow(head, FMailboxShown, row, MessageLabel(Reader, FMailboxShown));
    }
    return result;
}

bool TConvertDriver::IsDeletedLargeMessage(const std::string& DataFile, TFileMailObj& Reader)
{
    if (MailFormatReader(FSettings->SourceFormat) == TMailReader::EudoraIndex)
        return false;  // an index reader's flags come from the index entry
    const TMessageRangeCopy copy(DataFile, Reader.MessagePos, Reader.MessageSize, "\r\n", false);
    const std::string header = MessageNameHeader(copy.Head(LargeMessageHead), 0);
    return IsDeletedFlags(GetStatusFlagsFromHeaders(header, Reader.GetFolderFlags(), false));
}

TNewFileOutcome TConvertDriver::SaveNewMessageFile(const std::string& FileName, std::string_view Bytes,
                                                   TDateTime Date, DWORD& Error)
{
    FSourceReadFailed = false;
    // Exists leaves the file untouched; on failure Error is set and a
    // cut-off file is deleted.
    if (!FLargeCopy)
        return WriteBufferToNewFile(Bytes.data(), Bytes.size(), FileName, Date, &Error);
    const TNewFileOutcome made = WriteNewFileWith(
        [&](HANDLE h) {
            return FLargeCopy->CopyTo([&](const std::string& Piece) { return WriteAll(h, Piece.data(), Piece.size()); });
        },
        FileName, Date, &Error);
    // The copy's own failure is the reason, not the write it cut short.
    if (made == TNewFileOutcome::Failed && FLargeCopy->Error() != 0) {
        FSourceReadFailed = true;
        Error = FLargeCopy->Error();
    }
    return made;
}

TMessagePieces TConvertDriver::LargePieces() const
{
    if (!FLargeCopy)
        return nullptr;
    return [this](const TPieceSink& Sink) { return FLargeCopy->CopyTo(Sink); };
}

const char* TConvertDriver::TargetLineBreak() const
{
    const TLineBreakKind kind = FSettings->LineBreak;
    return kind == lbkCr ? "\r" : kind == lbkLf ? "\n" : "\r\n";
}
