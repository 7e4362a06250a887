#pragma once
// Files and folders: path algebra on byte strings (ANSI code page, "\\?\"
// allowed), existence tests, folder creation, searches, whole-file loading
// and saving with file times, backups, numbered names and the safe save.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "classlib/Cleanup.h"
#include "classlib/Classes.h"
#include "classlib/PathForms.h"
#include "classlib/SysUtils.h"
#include "classlib/Streams.h"

// ---------------------------------------------------------------------------
// Unit state
// ---------------------------------------------------------------------------

extern std::string ExeFileName;  // the program's full long file name
extern std::string ExeFolder;    // its folder, with a trailing backslash

// Application folders, settled by the application settings at start-up;
// empty means not set. Values end in a backslash.
extern std::string DataFolder;
extern std::string UserFolder;
extern bool UseUserFolder;
extern std::string TempFolderOverride;

extern std::string CurrentFolder;   // the virtual current folder
extern bool UseOwnCurrentFolder;    // true until a ".." path needs the real one
extern UINT SavedErrorMode;         // error mode before this unit started
extern std::string DirExtension;    // "dir": given to a folder clashing with a file

// ---------------------------------------------------------------------------
// Path names
// ---------------------------------------------------------------------------

std::string JoinPath(const std::string& Folder, const std::string& Name);
std::string ExeFolderPath(const std::string& Name);
std::string DataFilePath(const std::string& Name);
std::string FindDataFile(const std::string& Name);
std::string SetFileExt(const std::string& Name, const std::string& Ext, bool AddOnly = false);
int ExtDotPos(const std::string& Name);        // 1-based, 0 when none
int FileNamePos(const std::string& Path);      // 1-based, 0 when none
std::string ExtractFileExtNoDot(const std::string& Name);
bool HasExtension(const std::string& Name);
bool HasFileExt(const std::string& Name, const std::string& Ext, bool IsList = false);
std::string RemoveFileExt(const std::string& Path, const std::string& Ext = std::string());
std::string ExtractFileNameNoExt(const std::string& Path, const std::string& Ext = std::string());
std::string ExtractFileNamePart(const std::string& Path);  // text after the last "\", "/" or ":"
std::string ExtractFolder(const std::string& Path);
std::string ExtractFolderName(const std::string& Path);
std::string ExtractParentFolderName(const std::string& Path);
std::string ExtractParentFolder(const std::string& Path);
std::string ExtractDriveOrShare(const std::string& Path, bool AddRoot = false);
std::string RebasePathRoot(const std::string& Path, const std::string& NewRoot);
std::string TrimFileNameEnd(const std::string& Name);
std::string CleanPathName(const std::string& Path);
bool ContainsBackslash(const std::string& Text);
bool IsUncPath(const std::string& Path);
bool HasWildcardName(const std::string& Path);
bool PathHasDrive(const std::string& Path);
bool IsAbsolutePath(const std::string& Path);
bool IsRelativePath(const std::string& Path);
bool IsReservedDeviceName(const std::string& Name);
// Whether Windows opens a device for this file name (no folder part): a
// reserved name with any extension, blanks before the dot included.
bool IsDeviceFileName(const std::string& Name);
bool HasInvalidPathChars(const std::string& Path);
bool IsNotDotName(const std::string& Name);
bool IsNotDotDirName(const char* Name);

// ---------------------------------------------------------------------------
// Existence and kind
// ---------------------------------------------------------------------------

bool IsExistingFile(const std::string& Path);
bool ExistsOrHasNoDrive(const std::string& Path);
bool FolderExists(const std::string& Path, bool AllowMask = false);
bool IsFolderPath(const std::string& Path);
std::int64_t GetFileSizeByName(const std::string& Path);  // -1 when no such file
UINT GetDriveTypeOf(const std::string& Path);
bool IsRemovableDrive(const std::string& Path);
bool IsDiskFull(const std::string& Path);
bool CanOpenForWriting(const std::string& Path);
bool IsFolderReadOnly(const std::string& Folder);
bool IsReadOnlyLocation(const std::string& Path);
std::string GetWindowsFolder();                   // with a trailing backslash
std::string GetTempFolder(bool System = false);   // with a trailing backslash
std::string GetShortPath(const std::string& Path);

// ---------------------------------------------------------------------------
// Folders and the current folder
// ---------------------------------------------------------------------------

// The folder path actually made (components renamed on a clash), or empty.
std::string ForceFolders(const std::string& Path, TStrings* Created = nullptr,
                         bool RenameClashing = false);
bool ForceFolder(const std::string& Path);
std::string GetCurrentFolder();
bool SetCurrentFolder(const std::string& Path, bool Force = false);
std::string ExpandRelativePath(const std::string& Base, const std::string& Path);
std::string ExpandFullPath(const std::string& Path, const std::string& Base = std::string());
std::string ExpandLongPathName(const std::string& Path);
bool SamePathName(const std::string& A, const std::string& B,
                  const std::string& Base = std::string());
// What SamePathName compares when the names differ: equal for two names of
// one file (a short form, another case, a relative form). A name with a
// short form in it is looked up on disk, so a caller that meets a name
// many times keeps its key.
std::string PathNameKey(const std::string& Path, const std::string& Base = std::string());
// Sub-folders count, by whole names: C:\mail holds C:\mail\x but not C:\mailbox\x.
bool IsFileInFolder(const std::string& Folder, const std::string& FileName);

// ---------------------------------------------------------------------------
// Searching
// ---------------------------------------------------------------------------

// One directory enumeration; closes its find handle when it goes.
struct TSearchRecord {
    std::int32_t Time = 0;          // DOS date-time of the last write, local time
    std::int32_t Size = 0;          // low 32 bits of the size
    std::int32_t Attr = 0;
    std::string Name;
    std::int32_t ExcludeAttr = 0;
    TFindHandle FindHandle;
    WIN32_FIND_DATAA FindData{};
};

// 0 or the Windows error code (ERROR_NO_MORE_FILES at the end).
DWORD FindFirstEntry(const std::string& Path, DWORD Attr, TSearchRecord& Rec);
DWORD FindNextEntry(TSearchRecord& Rec);
void FindCloseEntry(TSearchRecord& Rec);

std::string FindFirstMatchingFile(const std::string& Path, bool NonEmptyOnly = false);
std::string FindFileInFolder(const std::string& Folder, const std::string& Name);
std::string FindFileInTree(const std::string& Folder, const std::string& Name);
std::string FindFile(const std::string& Path, bool SearchSubfolders = false,
                     bool NonEmptyOnly = false);
bool AnyFileMatches(const std::string& Path, bool Recursive = false, bool NonEmptyOnly = false);

// ---------------------------------------------------------------------------
// Whole files
// ---------------------------------------------------------------------------

std::string LoadFileToString(const std::string& FileName, std::int64_t MaxBytes = 0);
std::vector<std::uint8_t> LoadFileToBytes(const std::string& FileName, std::int64_t MaxBytes = 0);
// The file's bytes plus a terminating NUL, or null with Count = -1. Count:
// with NulReplacement the NULs replaced; else with CountNuls the length up
// to the first NUL minus the size (0: no NUL); else the size.
std::unique_ptr<char[]> LoadFileToBuffer(const std::string& FileName, int& Count,
                                         char NulReplacement = 0, bool CountNuls = false);
// The line count; 0, with the list emptied, when the file can't be opened.
int LoadStringsFromFile(const std::string& FileName, TStrings& Strings);
bool IsBinaryStream(TStream& Stream, int MaxCount = 0);

// Bytes written; 0 for an empty text; -1 unless every byte was written.
std::int64_t SaveStringToFile(const std::string& FileName, const std::string& Text);
std::int64_t SaveStringToFileDated(const std::string& FileName, const std::string& Text,
                                   TDateTime Date);
std::int64_t SaveStringsToFileDated(const std::string& FileName, TStrings& Strings,
                                    TDateTime Date);
bool FileCopy(const std::string& Source, const std::string& Target, bool FailIfExists);
void SetFileDate(HANDLE Handle, TDateTime Date);
std::int64_t FileSeek64(HANDLE Handle, std::int64_t Offset, DWORD Origin);

std::string SplitProgramAndParams(const std::string& CommandLine, std::string& Params);

// ---------------------------------------------------------------------------
// Backups, numbered names and the safe save
// ---------------------------------------------------------------------------

// How a backup of "C:\d\a.txt" is named. Settings store the numbers; any
// mode above the last names no backup.
using TBackupMode = std::uint8_t;
enum : TBackupMode {
    bmDefault = 0,         // DefaultBackupMode
    bmNone = 1,            // no backup: the name itself
    bmBak = 2,             // "a.txt.bak"; a ".bak" name is kept
    bmFolder = 3,          // "Backups\a[001].txt"
    bmNumbered = 4,        // "a[001].txt"
    bmNumberedHidden = 5,  // as bmNumbered, the backup hidden
    bmNumberExt = 6,       // "a.txt.001"
    bmPrefix = 7,          // "Backup[001]_a.txt"
    bmTildeExt = 8,        // "a.~txt"
    bmTildeName = 9,       // "~a.txt"
};

extern TBackupMode DefaultBackupMode;  // bmTildeExt
extern std::string BackupFolderName;   // empty: "Backups"
extern std::string BackupPrefix;       // empty: "Backup[%0.3d]_"

std::string GetBackupFileName(const std::string& FileName, TBackupMode Mode);
// The backup's name, or empty when none was made.
std::string BackupExistingFile(const std::string& FileName, TBackupMode Mode, bool Hidden = false);

// What a run has learnt of numbered names: for each base name, the last name
// of its numbered order (IncrementFileNumber's) that was found taken or was
// made. Probing resumes after it, so N files of one name cost about N probes
// instead of N*N/2, and the names come out as without it: every name before
// the resumption point was seen taken. A name freed meanwhile by another
// program is not gone back to.
class TNumberedNames {
public:
    // The first name of FileName's numbered order not known to be taken;
    // FileName's first numbered variant when nothing is known of it.
    std::string FirstUnknown(const std::string& FileName) const;
    // FileName itself is known to be taken.
    bool Knows(const std::string& FileName) const { return FLast.count(FileName) > 0; }
    // Name, FileName itself or one of its numbered order, is taken now.
    void Taken(const std::string& FileName, const std::string& Name) { FLast[FileName] = Name; }
    void Clear() { FLast.clear(); }

private:
    std::unordered_map<std::string, std::string> FLast;
};

// FileName when no file of that name exists, else the first free name of
// its numbered order: the lowest free number, so gaps left in the numbers
// are filled first. With Known, names it knows to be taken are not probed
// again and the names found taken are added to it.
std::string GetNumberedFileName(const std::string& FileName, TNumberedNames* Known = nullptr);
int IncrementFileNumber(std::string& FileName);
bool FilesAreIdentical(const std::string& A, const std::string& B);
std::int64_t SaveBufferToFileSafe(const void* Buffer, std::size_t Count,
                                  const std::string& FileName, TDateTime Date = 0,
                                  bool KeepAttributes = true, TBackupMode Mode = bmDefault);
std::int64_t SaveTextToFileSafe(const std::string& Text, const std::string& FileName,
                                TBackupMode Mode = bmDefault, TDateTime Date = 0,
                                bool KeepAttributes = true);
std::int64_t WriteBufferToFile(const void* Buffer, std::size_t Count,
                               const std::string& FileName, TDateTime Date = 0);
// Writing a file that must not replace anything.
enum class TNewFileOutcome : std::uint8_t {
    Written,
    Exists,  // nothing was touched
    Failed,  // Error (when given) holds the system error; no cut-off file stays
};
TNewFileOutcome WriteBufferToNewFile(const void* Buffer, std::size_t Count,
                                     const std::string& FileName, TDateTime Date = 0,
                                     DWORD* Error = nullptr);
// Writes all of Buffer to H; false on a short or failed write.
bool WriteAll(HANDLE H, const void* Buffer, size_t Count);

// CreateFile for a path of any length.
HANDLE CreateFileAnyLength(const std::string& Path, DWORD Access, DWORD Share, DWORD Disposition,
                           DWORD Flags = FILE_ATTRIBUTE_NORMAL);
// A stream on a file of any length of path, opened as TFileStream opens it
// with Mode (fmOpenRead and the like, no fmCreate), raising as it does.
std::unique_ptr<THandleStream> OpenFileStream(const std::string& FileName, unsigned Mode);
// The same for a file too large to hold in memory: Fill writes its bytes
// through the handle and answers false on failure.
TNewFileOutcome WriteNewFileWith(const std::function<bool(HANDLE)>& Fill, const std::string& FileName,
                                 TDateTime Date = 0, DWORD* Error = nullptr);

// Small helpers the two sources of this unit (KvFiles.cpp, KvFilesSave.cpp)
// share; not for other units.
namespace KvFilesDetail {

// The text before the last backslash or slash; empty when there is none.
inline std::string FolderPart(const std::string& Path)
{
    const size_t p = Path.find_last_of("\\/");
    return p == std::string::npos ? std::string() : Path.substr(0, p);
}

inline DWORD Attributes(const std::string& Path)
{
    if (IsLongPath(Path))
        return GetFileAttributesW(LongPathForm(Path).c_str());
    return Path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(Path.c_str());
}

inline bool PathExists(const std::string& Path)
{
    return Attributes(Path) != INVALID_FILE_ATTRIBUTES;
}

inline bool IsNtPlatform()
{
    return (GetVersion() & 0x80000000u) == 0;
}

}  // namespace KvFilesDetail
