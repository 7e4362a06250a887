#include "app/KvConvertDriver.h"

#include <windows.h>

#include "classlib/Classes.h"
#include "classlib/SysUtils.h"
#include "foundation/KvBase.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLineBreaks.h"
#include "foundation/KvLogs.h"
#include "foundation/KvStrings.h"
#include "mail/KvEudora.h"
#include "mail/KvFromLine.h"
#include "mail/KvMailNames.h"
#include "mail/KvMailStream.h"
#include "mail/KvMimeHeaders.h"

std::uint8_t ConversionAborted = 0;

namespace {

constexpr int SniffBytes = 256;

// The file's first bytes; false when it exists but can't be opened for
// reading (another program holds it exclusively).
bool ReadMailboxHead(const std::string& FileName, std::string& Head)
{
    Head.clear();
    HANDLE h = CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    char buffer[SniffBytes];
    DWORD got = 0;
    if (ReadFile(h, buffer, SniffBytes, &got, nullptr))
        Head.assign(buffer, got);
    CloseHandle(h);
    return true;
}

int SniffHead(const std::string& Head)
{
    const std::string text = TrimLeftCharSetStr(Head, TCharSet("\r\n"));
    if (text.compare(0, 5, "From ") == 0)
        return SniffMbox;
    const int colon = CharPosFrom(':', text, 1);
    if (colon > 1 && IsHeaderFieldName(text.substr(0, static_cast<size_t>(colon - 1))) && !ContainsNulChar(Head))
        return SniffMessage;
    return 0;
}

}  // namespace

int SniffMailboxFile(const std::string& FileName)
{
    if (!IsExistingFile(FileName))
        return 0;
    std::string head;
    if (!ReadMailboxHead(FileName, head))
        return 0;
    return SniffHead(head);
}

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

// ---------------------------------------------------------------------------
// TConvertDriver
// ---------------------------------------------------------------------------

TConvertDriver::TConvertDriver(TKvConvertHost& Host)
    : SkipFoldersFile(ExeFolderPath("SkipFolders.dat")), FHost(Host)
{
}

TConvertDriver::~TConvertDriver() = default;

void TConvertDriver::LogLine(const std::string& Text)
{
    FHost.AddLogLine(Text);
    FHost.ProcessMessages();
}

void TConvertDriver::ShowProgress(int Percent)
{
    if (!FHost.ProgressVisible()) {
        FHost.SetStatusText("Processing...");
        FHost.SetProgressVisible(true);
    }
    FHost.SetProgressPercent(Percent);
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
    ConversionAborted = 1;
    FHost.SetNextButton("Start", StartButtonTag);
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
        FHost.SetNextButton("Stop", StopButtonTag);
        FHost.SaveSettings();
        ShowProgress(0);

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
        ConvertSourceList();
        LogLine(Format("%d mailboxes processed, %d messages converted, %d duplicates skipped, %d errors.",
                       cs.MailboxCount, cs.MessageCount, cs.DuplicateCount, cs.ErrorCount));
        LogLine(ConversionAborted ? "Processing aborted." : "Processing finished.");
    } catch (...) {
        // The window goes back to idle and the target is unlocked before the
        // application's handler shows the error.
        FinishRun();
        throw;
    }
    FinishRun();
}

void TConvertDriver::FinishRun()
{
    FMboxWriter.reset();
    FHost.SetLogCaretVisible(true);
    HideProgress();
    ConversionAborted = 0;
    FHost.SetNextButton("Start", StartButtonTag);
    FHost.SetBackEnabled(true);
    FHost.FocusCancelButton();
    FRunning = false;
}

void TConvertDriver::ConvertSourceList()
{
    TConvertSettings& cs = *FSettings;
    for (int i = 0; i < cs.SourceCount; ++i) {
        if (ConversionAborted)
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

void TConvertDriver::FinderAcceptFile(TFileFinder* /*Sender*/, const std::string& FoundName, bool& Accept)
{
    const std::string data = FSettings->GetMailboxFileOf(FoundName);
    // A mailbox held open by its mail program gets its "Mailbox locked"
    // line instead of vanishing from the run.
    std::string head;
    Accept = ReadMailboxHead(data, head) ? SniffHead(head) == SniffMbox : IsExistingFile(data);
}

void TConvertDriver::FinderAcceptFolder(TFileFinder* /*Sender*/, const std::string& Folder, bool& Accept)
{
    Accept = true;
    if (!FSettings->SkipTrashJunk || !FSkipFolders)
        return;
    std::string name = ExtractFileNamePart(ExcludeTrailingSlash(Folder));
    if (!FSettings->SubfolderExt.empty())
        name = RemoveFileExt(name, FSettings->SubfolderExt);
    Accept = !IsOnSkipList(name);
}

void TConvertDriver::FinderFoundFile(TFileFinder* Sender, const std::string& FileName)
{
    if (ConversionAborted) {
        Sender->Abort = true;
        return;
    }
    // The skip list names trash and junk mailboxes as well as folders: a
    // Mozilla "Trash" is a mailbox file beside its "Trash.sbd".
    ConvertMailbox(FileName, FSettings->SkipTrashJunk);
    LogLine("");
}

void TConvertDriver::PrepareMboxWriter(const std::string& DataFile)
{
    TConvertSettings& cs = *FSettings;
    FTargetFolder = cs.GetTargetPath(DataFile);
    if (HasTrailingSlash(FTargetFolder)) {
        ForceFolder(FTargetFolder);
        const std::string ext = cs.GetTargetExt();
        const TMailFormat source = cs.SourceFormat & 0x7F;
        const bool eudora = source == mftEudoraToc || source == mftEudoraMbx;
        std::string name = ExtractFileNamePart(DataFile);
        if (ext == ".") {
            if (eudora)
                name = RemoveFileExt(name, "mbx");
        } else if (!ext.empty() && ext != "*") {
            name = SetFileExt(name, ext, !eudora);
        }
        FTargetFolder += name;
    } else {
        ForceFolder(ExtractParentFolder(FTargetFolder));
    }
    if (FMboxWriter && !SamePathName(FMboxWriter->FileName(), FTargetFolder))
        FMboxWriter.reset();
    // An existing target is never replaced: a later run appends to it.
    if (!FMboxWriter)
        FMboxWriter = std::make_unique<TTextFileWriter>(FTargetFolder, !IsExistingFile(FTargetFolder), true);
}

int TConvertDriver::ConvertMailbox(const std::string& FileName, bool CheckSkipList)
{
    TConvertSettings& cs = *FSettings;
    LogLine("Processing: " + FileName);
    const std::string data = cs.GetMailboxFileOf(FileName);
    if (CheckSkipList && IsOnSkipList(ExtractFileNamePart(data))) {
        LogLine("Mailbox skipped");
        return crSkipped;
    }
    if (!IsExistingFile(data)) {
        LogLine("Mailbox not found");
        return crNotFound;
    }
    if (GetFileSizeByName(data) == 0) {
        LogLine("No mail found");
        return crEmpty;
    }
    std::string head;
    if (!ReadMailboxHead(data, head)) {
        // Without this the head test would call a held mailbox not a mailbox.
        LogLine("Mailbox locked");
        return crLocked;
    }
    if (SniffHead(head) != SniffMbox) {
        LogLine("File is not a valid mailbox");
        return crNotMailbox;
    }

    std::unique_ptr<TFileMailObj> reader;
    const TMailFormat source = cs.SourceFormat & 0x7F;
    if (source == mftEudoraToc)
        reader = std::make_unique<TEudoraTocObj>(FileName);
    else if ((source >= mftThunderbird && source <= mftNetscapeOld) || (source >= mftEudoraMbx && source <= mftPine))
        reader = std::make_unique<TMboxStream>(data, DefaultMailBufferSize, false, MailFormatReaderMode(source));
    else
        return crDone;
    if (reader->Locked) {
        LogLine("Mailbox locked");
        return crLocked;
    }

    int result = crDone;
    try {
        bool writes = true;
        if (cs.OneFilePerMessage) {
            FTargetFolder = cs.GetTargetPath(data);
            ForceFolder(FTargetFolder);
        } else if (MailFormatIsMboxTarget(cs.TargetFormat)) {
            PrepareMboxWriter(data);
        } else {
            writes = false;
        }
        if (writes) {
            cs.CountResult(0);
            std::string text;
            while (reader->NextMessage()) {
                ShowProgress(reader->GetPercentDone());
                if (ConversionAborted)
                    break;
                if (reader->IsDeleted())
                    continue;
                reader->GetMessageText(0, text);
                result = text.empty() ? crNoText : WriteMessage(text);
                cs.CountResult(result == crDone ? 1 : result == crDuplicate ? 2 : 3);
            }
            ShowProgress(100);
        }
    } catch (...) {
        LogLine(ConversionAborted ? "Aborted" : "Done");
        throw;
    }
    LogLine(ConversionAborted ? "Aborted" : "Done");
    return result;
}

int TConvertDriver::WriteMessage(std::string& Text)
{
    const TConvertSettings& cs = *FSettings;
    if (cs.LineBreak == lbkCr) {
        CrLfToCr(Text);
    } else if (cs.LineBreak == lbkLf) {
        CrLfToLf(Text);
    } else {
        const TLineBreakKind kind = DetectLineBreakKind(Text, 4);
        if (kind != lbkCrLf)
            LineBreaksToCrLf(Text, kind);
    }
    if (!cs.OneFilePerMessage)
        return AppendMessageToMbox(Text);
    DeleteFromLine(Text);
    return WriteMessageFile(Text);
}

int TConvertDriver::WriteMessageFile(const std::string& Text)
{
    const TConvertSettings& cs = *FSettings;
    std::string base;
    if (cs.Md5FileNames) {
        base = GetMessageIdentityDigest(Text, false);
    } else {
        std::string subject;
        GetMessageSubject(Text, false, 0, subject);
        base = MakeSafeFileName(subject, false);
    }
    std::string ext = cs.GetTargetExt();
    if (ext == "*")
        ext = MailFormatExtension(cs.TargetFormat, true);
    else if (ext == ".")
        ext.clear();
    std::string file = JoinPath(FTargetFolder, ext.empty() ? base : base + "." + ext);
    if (IsExistingFile(file)) {
        if (cs.Md5FileNames)
            return crDuplicate;
        file = GetNumberedFileName(file);
    }
    const TDateTime date = cs.MatchDates ? GetMessageDate(Text, false) : 0;
    return SaveStringToFileDated(file, Text, date) < 0 ? crWriteFailed : crDone;
}

int TConvertDriver::AppendMessageToMbox(const std::string& Text)
{
    const TLineBreakKind kind = FSettings->LineBreak;
    FMboxWriter->Write(Text);
    FMboxWriter->Write(kind == lbkCr ? "\r" : kind == lbkLf ? "\n" : "\r\n");
    return crDone;
}
