#include "foundation/KvFileProbes.h"

#include "classlib/Cleanup.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"

// Creating a file is the only sure test: attributes and access lists each
// tell part of the story.
std::string FolderWriteProblem(const std::string& Folder)
{
    const std::string Probe = JoinPath(Folder, "~tessaly-" + std::to_string(GetCurrentProcessId()) + ".tmp");
    if (!TKernelHandle(
            CreateFileAnyLength(Probe, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE)))
        return "no file can be written there: " + SystemErrorText(GetLastError());
    return std::string();
}

std::string FileWriteProblem(const std::string& FileName)
{
    if (!TKernelHandle(CreateFileAnyLength(FileName, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING)))
        return SystemErrorText(GetLastError());
    return std::string();
}

// Wine opens a FIFO without waiting for its other end.
std::string DiskFileProblem(const std::string& FileName, DWORD Access, DWORD Disposition, bool& Created)
{
    Created = false;
    const TKernelHandle H(
        CreateFileAnyLength(FileName, Access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, Disposition));
    if (!H)
        return SystemErrorText(GetLastError());
    Created = Disposition == OPEN_ALWAYS && GetLastError() != ERROR_ALREADY_EXISTS;
    return GetFileType(H.Get()) == FILE_TYPE_DISK ? std::string() : NotADiskFile;
}
