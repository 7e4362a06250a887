#include "app/KvErrorLogCheck.h"

#include <windows.h>

#include "foundation/KvBase.h"
#include "foundation/KvFileProbes.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "mail/KvMailboxHead.h"
#include "app/KvConvert.h"

namespace {

// Why rows written to LogFile would go into this run's mail (a mailbox
// it reads, a target it writes, any mailbox); empty when they would not.
std::string ErrorLogInTheWay(const std::string& LogFile, TConvertSettings& RunSettings, const TRunPathOf& DataFileOf,
                             const TRunPathOf& MboxTargetOf, const TIsRead& IsRead)
{
    // Any file the run reads, an index a search finds among them, by
    // whatever name the log is given.
    if (IsRead(LogFile))
        return "it is a mailbox this run reads";
    const std::string Key = PathNameKey(LogFile);
    const bool MboxTarget = MailFormatIsMboxTarget(RunSettings.TargetFormat);
    if (MboxTarget && !HasTrailingSlash(RunSettings.TargetPath) && PathNameKey(RunSettings.TargetPath) == Key)
        return "it is this run's target file";
    for (int I = 0; I < RunSettings.SourceCount; ++I) {
        RunSettings.SetCurrentIndex(I);
        const std::string Entry = RunSettings.GetSourceEntry();
        if (IsSourcePattern(Entry))
            continue;
        const std::string Data = DataFileOf(Entry);
        if (PathNameKey(Entry) == Key || PathNameKey(Data) == Key)
            return "it is a mailbox this run reads";
        if (MboxTarget && PathNameKey(MboxTargetOf(Data)) == Key)
            return "it is this run's target file";
    }
    // One a folder search may find: no row may go into anyone's mail.
    std::string Head;
    if (ReadMailboxHead(LogFile, Head) == 0 && SniffHead(Head) == TMailboxSniff::Mbox)
        return "it is a mailbox";
    return std::string();
}

}  // namespace

std::string ErrorLogProblem(const std::string& LogFile, TConvertSettings& Settings, const TRunPathOf& DataFileOf,
                            const TRunPathOf& MboxTargetOf, const TIsRead& IsRead)
{
    std::string Problem;
    const DWORD Attr = GetFileAttributesA(LogFile.c_str());
    if (IsDeviceFile(LogFile))
        Problem = ExtractFileNamePart(LogFile) + " is a device name";
    else if (Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_DIRECTORY))
        Problem = "it is a folder";
    else if (Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_READONLY))
        Problem = "the file is read-only";  // the log would move it aside
    else if (Attr != INVALID_FILE_ATTRIBUTES) {
        // Another window's log writes it too: shared, as the logs share it.
        bool Created = false;
        Problem = DiskFileProblem(LogFile, FILE_APPEND_DATA, OPEN_EXISTING, Created);
    }
    if (Problem.empty())
        Problem = ErrorLogInTheWay(LogFile, Settings, DataFileOf, MboxTargetOf, IsRead);
    // An old log is moved aside and a new one made beside it: the folder
    // must take new files.
    if (Problem.empty()) {
        const std::string Folder = ExtractParentFolder(LogFile);
        Problem = !ForceFolder(Folder) ? "its folder cannot be created: " + SystemErrorText(GetLastError())
                                       : FolderWriteProblem(Folder);
    }
    // And the name itself must make a file: not a pattern, not a FIFO or a
    // device that takes the rows and keeps none. A file made to learn it goes.
    if (Problem.empty()) {
        bool Created = false;
        Problem = DiskFileProblem(LogFile, GENERIC_WRITE, OPEN_ALWAYS, Created);
        if (Created)
            DeleteFileW(LongPathForm(LogFile).c_str());
    }
    return Problem;
}
