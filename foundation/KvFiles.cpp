#include "foundation/KvFiles.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "classlib/ResStrings.h"
#include "classlib/Streams.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvBase.h"
#include "classlib/PathForms.h"
#include "foundation/KvStrings.h"

namespace {

using KvFilesDetail::Attributes;
using KvFilesDetail::FolderPart;
using KvFilesDetail::PathExists;

// Blanks and control characters, trimmed from names and command texts.
const TCharSet Blanks = TCharSet::Range(0, 32);

bool IsSlash(char Ch)
{
    return Ch == '\\' || Ch == '/';
}

std::string UpperFileName(std::string S)
{
    if (!S.empty())
        CharUpperBuffA(S.data(), static_cast<DWORD>(S.size()));
    return S;
}

std::string LowerFileName(std::string S)
{
    if (!S.empty())
        CharLowerBuffA(S.data(), static_cast<DWORD>(S.size()));
    return S;
}

// File names compare without case, as the file system does.
bool SameFileText(const std::string& A, const std::string& B)
{
    return A.size() == B.size() && UpperFileName(A) == UpperFileName(B);
}

bool StartsWithText(const std::string& S, const char* Prefix)
{
    const size_t n = std::strlen(Prefix);
    return S.size() >= n && SameFileText(S.substr(0, n), Prefix);
}

// Where a path's root ends: Prefix is the length of a "\\?\" (or
// "\\?\UNC\") prefix, RootEnd the index just past the drive or share, and
// Root the drive ("C:") or share ("\\server\share") in its plain form.
struct TPathRoot {
    size_t Prefix = 0;
    size_t RootEnd = 0;
    std::string Root;
};

TPathRoot SplitPathRoot(const std::string& Path)
{
    TPathRoot r;
    size_t i = 0;
    bool share = false;
    if (HasLongPathPrefix(Path)) {
        i = 4;
        if (Path.size() >= 8 && SameFileText(Path.substr(4, 4), "UNC\\")) {
            i = 8;
            share = true;
        }
    } else if (Path.size() >= 2 && Path[0] == '\\' && Path[1] == '\\') {
        i = 2;
        share = true;
    }
    r.Prefix = i;
    if (share) {
        const size_t server = Path.find('\\', i);
        if (server == i) {  // "\\\..." names no server
            r.RootEnd = i;
            return r;
        }
        if (server == std::string::npos) {
            r.Root = "\\\\" + Path.substr(i);
            r.RootEnd = Path.size();
            return r;
        }
        size_t end = Path.find('\\', server + 1);
        if (end == std::string::npos)
            end = Path.size();
        r.Root = "\\\\" + Path.substr(i, end - i);
        r.RootEnd = end;
        return r;
    }
    if (Path.size() >= i + 2 && Path[i + 1] == ':' && IsCharAlphaA(Path[i])) {
        r.Root = Path.substr(i, 2);
        r.RootEnd = i + 2;
    } else {
        r.RootEnd = i;
    }
    return r;
}

HANDLE OpenForReading(const std::string& FileName)
{
    if (FileName.empty())
        return INVALID_HANDLE_VALUE;
    return CreateFileAnyLength(FileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               OPEN_EXISTING);
}

// Reads the file (its first MaxBytes when MaxBytes > 0) into Data; false
// when it can't be opened or read.
bool ReadWholeFile(const std::string& FileName, std::int64_t MaxBytes, std::string& Data)
{
    Data.clear();
    TKernelHandle h(OpenForReading(FileName));
    if (!h)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h.Get(), &size))
        return false;
    std::int64_t want = size.QuadPart;
    if (MaxBytes > 0 && want > MaxBytes)
        want = MaxBytes;
    Data.resize(static_cast<size_t>(want));
    size_t done = 0;
    while (done < Data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(Data.size() - done, 1 << 20));
        DWORD got = 0;
        if (!ReadFile(h.Get(), Data.data() + done, chunk, &got, nullptr)) {
            Data.clear();
            return false;
        }
        if (got == 0)
            break;  // the file shrank while we read it
        done += got;
    }
    Data.resize(done);
    return true;
}


}  // namespace

HANDLE CreateFileAnyLength(const std::string& Path, DWORD Access, DWORD Share, DWORD Disposition, DWORD Flags)
{
    if (IsLongPath(Path))
        return CreateFileW(LongPathForm(Path).c_str(), Access, Share, nullptr, Disposition, Flags, nullptr);
    return CreateFileA(Path.c_str(), Access, Share, nullptr, Disposition, Flags, nullptr);
}

namespace {

// A file stream on a handle of its own, for paths TFileStream cannot open.
class TLongFileStream : public THandleStream {
public:
    explicit TLongFileStream(HANDLE H) : THandleStream(H), FOwned(H) {}

private:
    TKernelHandle FOwned;
};

}  // namespace

std::unique_ptr<THandleStream> OpenFileStream(const std::string& FileName, unsigned Mode)
{
    if (!IsLongPath(FileName) || (Mode & fmCreate) == fmCreate)
        return std::make_unique<TFileStream>(FileName, Mode);
    // The share and access tables of TFileStream.
    static const DWORD ShareModes[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    static const DWORD Accesses[4] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, GENERIC_READ};
    const unsigned share = (Mode & 0xF0) >> 4;
    const HANDLE h = CreateFileAnyLength(FileName, Accesses[Mode & 3], share < 5 ? ShareModes[share] : 0, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        throw EFOpenError(Format(LoadResString(SFOpenErrorEx), FileName, SysErrorMessage(error)), error);
    }
    return std::make_unique<TLongFileStream>(h);
}

bool WriteAll(HANDLE H, const void* Buffer, size_t Count)
{
    // One call writes a message of any ordinary size; pieces of 16 MB keep
    // a single call within what network redirectors take.
    constexpr size_t MaxPiece = 16u << 20;
    const char* p = static_cast<const char*>(Buffer);
    while (Count > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(Count, MaxPiece));
        DWORD put = 0;
        if (!WriteFile(H, p, chunk, &put, nullptr) || put == 0)
            return false;
        p += put;
        Count -= put;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Unit state
// ---------------------------------------------------------------------------

std::string ExeFileName;
std::string ExeFolder;
std::string DataFolder;
std::string UserFolder;
bool UseUserFolder = false;
std::string TempFolderOverride;
std::string CurrentFolder;
bool UseOwnCurrentFolder = true;
UINT SavedErrorMode = 0;
std::string DirExtension = "dir";

TBackupMode DefaultBackupMode = bmTildeExt;
std::string BackupFolderName;
std::string BackupPrefix;

namespace {

std::string GWindowsFolderCache;

// Missing media must not pop up a system dialog in the middle of a run.
struct TFilesUnit {
    TFilesUnit()
    {
        char buf[MAX_PATH + 1];
        const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
        ExeFileName = ExpandLongPathName(std::string(buf, n));
        ExeFolder = AddTrailingBackslash(FolderPart(ExeFileName));
        SavedErrorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        const DWORD c = GetCurrentDirectoryA(MAX_PATH, buf);
        CurrentFolder = c > 0 && c <= MAX_PATH ? std::string(buf, c) : std::string();
    }
    ~TFilesUnit() { SetErrorMode(SavedErrorMode); }
};
const TFilesUnit FilesUnit;

}  // namespace

// ---------------------------------------------------------------------------
// Path names
// ---------------------------------------------------------------------------

std::string JoinPath(const std::string& Folder, const std::string& Name)
{
    if (Folder.empty())
        return Name;
    if (Name.empty())
        return AddTrailingBackslash(Folder);
    if (PathHasDrive(Name))
        return Name;
    if (IsSlash(Name[0]))
        return ExcludeTrailingSlash(Folder) + Name;
    return AddTrailingBackslash(Folder) + Name;
}

std::string ExeFolderPath(const std::string& Name)
{
    return JoinPath(ExeFolder, PathHasDrive(Name) ? ExtractFileNamePart(Name) : Name);
}

std::string DataFilePath(const std::string& Name)
{
    std::string folder = ExeFolder;
    if (UseUserFolder && !UserFolder.empty())
        folder = UserFolder;
    else if (!DataFolder.empty())
        folder = DataFolder;
    return JoinPath(folder, PathHasDrive(Name) ? ExtractFileNamePart(Name) : Name);
}

std::string FindDataFile(const std::string& Name)
{
    const std::string path = DataFilePath(Name);
    if (!IsExistingFile(path) && !StartsWithText(path, ExeFolder.c_str())) {
        const std::string beside = ExeFolderPath(Name);
        if (IsExistingFile(beside))
            return beside;
    }
    return path;
}

int ExtDotPos(const std::string& Name)
{
    if (Name.size() < 2)
        return 0;
    for (size_t i = Name.size(); i-- > 0;) {
        const char c = Name[i];
        if (IsSlash(c))
            return 0;
        if (c == '.') {
            if (i == 0)
                return 0;
            const char before = Name[i - 1];
            if (IsSlash(before) || before == ':')
                return 0;
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

int FileNamePos(const std::string& Path)
{
    const size_t p = Path.rfind('\\');
    if (p == std::string::npos || p + 1 == Path.size())
        return 0;
    return static_cast<int>(p) + 2;
}

std::string ExtractFileNamePart(const std::string& Path)
{
    const size_t p = Path.find_last_of("\\/:");
    return p == std::string::npos ? Path : Path.substr(p + 1);
}

std::string ExtractFileExtNoDot(const std::string& Name)
{
    const int p = ExtDotPos(Name);
    return p > 0 ? Name.substr(p) : std::string();
}

bool HasExtension(const std::string& Name)
{
    return ExtDotPos(Name) > 0;
}

std::string SetFileExt(const std::string& Name, const std::string& Ext, bool AddOnly)
{
    const std::string ext = !Ext.empty() && Ext[0] == '.' ? Ext.substr(1) : Ext;
    if (AddOnly) {
        if (!Name.empty() && Name.back() == '.')
            return Name + ext;
        if (HasExtension(Name) && SameFileText(ExtractFileExtNoDot(Name), ext))
            return Name;
        return Name + "." + ext;
    }
    const int p = ExtDotPos(Name);
    return p > 0 ? Name.substr(0, p) + ext : Name + "." + ext;
}

bool HasFileExt(const std::string& Name, const std::string& Ext, bool IsList)
{
    const std::string ext = ExtractFileExtNoDot(Name);
    if (!IsList)
        return SameFileText(ext, Ext);
    if (ext.empty())
        return false;
    size_t start = 0;
    while (start <= Ext.size()) {
        size_t end = Ext.find(';', start);
        if (end == std::string::npos)
            end = Ext.size();
        if (end > start && SameFileText(ext, Ext.substr(start, end - start)))
            return true;
        start = end + 1;
    }
    return false;
}

std::string RemoveFileExt(const std::string& Path, const std::string& Ext)
{
    const int p = ExtDotPos(Path);
    if (p == 0)
        return Path;
    if (!Ext.empty() && !SameFileText(Path.substr(p), Ext))
        return Path;
    return Path.substr(0, p - 1);
}

std::string ExtractFileNameNoExt(const std::string& Path, const std::string& Ext)
{
    return RemoveFileExt(ExtractFileNamePart(Path), Ext);
}

std::string ExtractFolder(const std::string& Path)
{
    if (HasTrailingSlash(Path))
        return ExcludeTrailingSlash(Path);
    if (!HasWildcardName(Path) && FolderExists(Path))
        return Path;
    return FolderPart(Path);
}

std::string ExtractFolderName(const std::string& Path)
{
    const std::string folder = ExtractFolder(Path);
    const size_t p = folder.find_last_of("\\/");
    return p == std::string::npos ? folder : folder.substr(p + 1);
}

std::string ExtractParentFolder(const std::string& Path)
{
    if (Path.size() < 2 || (Path.size() == 3 && Path[1] == ':' && IsSlash(Path[2])))
        return Path;
    size_t end = Path.size();
    if (Path[end - 1] == '\\')
        --end;
    const size_t p = Path.rfind('\\', end - 1);
    return p == std::string::npos ? std::string() : Path.substr(0, p + 1);
}

std::string ExtractParentFolderName(const std::string& Path)
{
    const std::string parent = ExcludeTrailingSlash(ExtractParentFolder(Path));
    const size_t p = parent.find_last_of("\\/");
    return p == std::string::npos ? parent : parent.substr(p + 1);
}

std::string ExtractDriveOrShare(const std::string& Path, bool AddRoot)
{
    const std::string root = SplitPathRoot(Path).Root;
    return AddRoot && !root.empty() ? root + '\\' : root;
}

std::string RebasePathRoot(const std::string& Path, const std::string& NewRoot)
{
    const TPathRoot r = SplitPathRoot(Path);
    std::string rest = Path.substr(r.RootEnd);
    while (!rest.empty() && IsSlash(rest[0]))
        rest.erase(0, 1);
    if (rest.empty())
        return AddTrailingBackslash(NewRoot);
    return ExcludeTrailingSlash(NewRoot) + '\\' + rest;
}

std::string TrimFileNameEnd(const std::string& Name)
{
    std::string s = TrimCharSetStr(Name, false, Blanks);
    if (!s.empty() && s.back() == '.') {
        s.pop_back();
        TrimCharSet(s, false, Blanks);
        s += '.';
    }
    return s;
}

std::string CleanPathName(const std::string& Path)
{
    std::string s = Path;
    while (!s.empty() && (s.back() == ' ' || s.back() == '.'))
        s.pop_back();
    for (size_t i = s.size(); i-- > 1;) {
        if (s[i] != '\\')
            continue;
        while (i >= 1) {
            const unsigned char before = static_cast<unsigned char>(s[i - 1]);
            const bool doubled = before == '\\' && i - 1 > 0;  // the share's "\\" stays
            if (!doubled && before > 32 && before != '.')
                break;
            s.erase(i - 1, 1);
            --i;
        }
    }
    return s;
}

bool ContainsBackslash(const std::string& Text)
{
    return Text.find('\\') != std::string::npos;
}

bool IsUncPath(const std::string& Path)
{
    return Path.size() >= 2 && Path[0] == '\\' && Path[1] == '\\';
}


bool HasWildcardName(const std::string& Path)
{
    const size_t p = Path.rfind('\\');
    return Path.find_first_of("*?", p == std::string::npos ? 0 : p + 1) != std::string::npos;
}

bool PathHasDrive(const std::string& Path)
{
    return !ExtractDriveOrShare(Path).empty();
}

bool IsAbsolutePath(const std::string& Path)
{
    if (HasLongPathPrefix(Path))
        return true;
    return ContainsBackslash(Path) && PathHasDrive(Path) && Path.find("..") == std::string::npos;
}

bool IsRelativePath(const std::string& Path)
{
    if (Path.empty() || HasLongPathPrefix(Path))
        return false;
    return !ContainsBackslash(Path) || Path.find("..") != std::string::npos || !PathHasDrive(Path);
}

bool IsReservedDeviceName(const std::string& Name)
{
    return IsDeviceName(DefaultAnsiToWide(Name.substr(0, Name.find('.'))));
}

bool IsDeviceFileName(const std::string& Name)
{
    return IsDeviceFileName(DefaultAnsiToWide(Name));
}

bool HasInvalidPathChars(const std::string& Path)
{
    if (Path.empty())
        return false;
    if (Path.size() == 1)
        return true;
    const size_t from = HasLongPathPrefix(Path) ? 4 : 0;
    for (size_t i = from; i < Path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(Path[i]);
        if (c < 32 || std::strchr("\"*/<>?|", c))
            return true;
    }
    return false;
}

bool IsNotDotName(const std::string& Name)
{
    return !Name.empty() && Name != "." && Name != "..";
}

bool IsNotDotDirName(const char* Name)
{
    return Name && IsNotDotName(Name);
}

// ---------------------------------------------------------------------------
// Existence and kind
// ---------------------------------------------------------------------------

bool IsExistingFile(const std::string& Path)
{
    if (Path.empty())
        return false;
    if (IsLongPath(Path)) {
        const DWORD a = Attributes(Path);
        return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    }
    WIN32_FIND_DATAA fd;
    if (!TFindHandle(FindFirstFileA(Path.c_str(), &fd)))
        return false;
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool ExistsOrHasNoDrive(const std::string& Path)
{
    return !PathHasDrive(Path) || IsExistingFile(Path);
}

bool FolderExists(const std::string& Path, bool AllowMask)
{
    std::string p = Path;
    if (AllowMask && HasWildcardName(p))
        p = FolderPart(p);
    p = ExcludeTrailingSlash(p);
    if (p.empty())
        return true;
    const TPathRoot r = SplitPathRoot(p);
    if (r.RootEnd == p.size() && !r.Root.empty()) {
        if (IsUncPath(r.Root) && r.Root.find('\\', 2) != std::string::npos)
            return true;  // a share root may refuse its attributes
        p += '\\';        // "C:" alone would mean the drive's current folder
    }
    const DWORD a = Attributes(p);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolderPath(const std::string& Path)
{
    if (Path.empty() || Path == "\\" || Path.back() == '\\')
        return true;
    if (Path.size() == 2 && Path[1] == ':' && IsCharAlphaA(Path[0]))
        return true;
    return FolderExists(Path);
}

std::int64_t GetFileSizeByName(const std::string& Path)
{
    if (IsLongPath(Path)) {
        WIN32_FILE_ATTRIBUTE_DATA info{};
        if (!GetFileAttributesExW(LongPathForm(Path).c_str(), GetFileExInfoStandard, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return -1;
        return (static_cast<std::int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    }
    TSearchRecord rec;
    if (Path.empty() || FindFirstEntry(Path, 0x27, rec) != 0)
        return -1;
    return (static_cast<std::int64_t>(rec.FindData.nFileSizeHigh) << 32) | rec.FindData.nFileSizeLow;
}

UINT GetDriveTypeOf(const std::string& Path)
{
    const DWORD v = GetVersion();
    const DWORD major = v & 0xFF, minor = (v >> 8) & 0xFF;
    if ((v & 0x80000000u) || major < 5 || (major == 5 && minor == 0))
        return 0;
    std::string root;
    if (Path.empty())
        root = ExtractDriveOrShare(ExeFolder, true);
    else if (Path.size() == 1)
        root = Path + ":\\";
    else
        root = ExtractDriveOrShare(Path, true);
    if (root.empty())
        root = AddTrailingBackslash(Path);
    return GetDriveTypeA(root.c_str());
}

bool IsRemovableDrive(const std::string& Path)
{
    const UINT t = GetDriveTypeOf(Path);
    return t == DRIVE_REMOVABLE || t == DRIVE_CDROM;
}

bool IsDiskFull(const std::string& Path)
{
    std::string where = ExtractDriveOrShare(Path.empty() ? ExeFolder : Path, true);
    if (where.empty())
        where = Path;
    ULARGE_INTEGER free{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExA(where.empty() ? nullptr : where.c_str(), &free, &total, &totalFree))
        return true;
    return free.QuadPart == 0;
}

bool CanOpenForWriting(const std::string& Path)
{
    if (Path.empty())
        return false;
    TKernelHandle h(CreateFileA(Path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return h.Valid();
}

bool IsFolderReadOnly(const std::string& Folder)
{
    const std::string test = JoinPath(Folder, "kvo~test.tmp");
    if (!TKernelHandle(CreateFileA(test.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr)))
        return true;
    DeleteFileA(test.c_str());
    return false;
}

bool IsReadOnlyLocation(const std::string& Path)
{
    const DWORD a = Attributes(Path);
    if (a == INVALID_FILE_ATTRIBUTES)
        return IsFolderReadOnly(FolderPart(ExcludeTrailingSlash(Path)));
    if (a & FILE_ATTRIBUTE_DIRECTORY)
        return IsFolderReadOnly(Path);
    if (a & FILE_ATTRIBUTE_READONLY)
        return true;
    return !CanOpenForWriting(Path);
}

std::string GetWindowsFolder()
{
    if (GWindowsFolderCache.empty()) {
        char buf[MAX_PATH + 1];
        const UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
        if (n > 0 && n <= MAX_PATH)
            GWindowsFolderCache = AddTrailingBackslash(std::string(buf, n));
    }
    return GWindowsFolderCache;
}

std::string GetTempFolder(bool System)
{
    if (!System && !TempFolderOverride.empty())
        return AddTrailingBackslash(TempFolderOverride);
    char buf[MAX_PATH + 1];
    const DWORD n = GetTempPathA(MAX_PATH, buf);
    return n > 0 && n <= MAX_PATH ? AddTrailingBackslash(std::string(buf, n)) : std::string();
}

std::string GetShortPath(const std::string& Path)
{
    if (Path.empty())
        return Path;
    char buf[MAX_PATH + 1];
    const DWORD n = GetShortPathNameA(Path.c_str(), buf, MAX_PATH);
    return n > 0 && n <= MAX_PATH ? std::string(buf, n) : Path;
}

// ---------------------------------------------------------------------------
// Folders and the current folder
// ---------------------------------------------------------------------------

std::string ForceFolders(const std::string& Path, TStrings* Created, bool RenameClashing)
{
    if (Path == "\\")
        return Path;
    const bool trailing = HasTrailingSlash(Path);
    const std::string p = ExcludeTrailingSlash(Path);
    if (p.empty())
        return std::string();
    const TPathRoot r = SplitPathRoot(p);
    std::string made = p.substr(0, r.RootEnd);
    if (!r.Root.empty() && IsUncPath(r.Root) && !PathExists(made + '\\'))
        return std::string();  // a share must exist before anything goes in it

    size_t i = r.RootEnd;
    while (i < p.size()) {
        if (IsSlash(p[i])) {
            ++i;
            continue;
        }
        size_t end = p.find_first_of("\\/", i);
        if (end == std::string::npos)
            end = p.size();
        std::string comp = p.substr(i, end - i);
        i = end;
        const std::string sep = made.empty() ? std::string() : made == "\\" ? "" : "\\";
        std::string cand = made + sep + comp;
        DWORD a = Attributes(cand);
        if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) {
            if (!RenameClashing)
                return std::string();
            comp = SetFileExt(comp, DirExtension, true);
            cand = made + sep + comp;
            a = Attributes(cand);
            if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY))
                return std::string();
        }
        if (a == INVALID_FILE_ATTRIBUTES) {
            const BOOL created = IsLongPath(cand) ? CreateDirectoryW(LongPathForm(cand).c_str(), nullptr)
                                                  : CreateDirectoryA(cand.c_str(), nullptr);
            if (!created && GetLastError() != ERROR_ALREADY_EXISTS)
                return std::string();
            if (Created)
                Created->Add(cand);
        }
        made = cand;
    }
    return trailing ? AddTrailingBackslash(made) : made;
}

bool ForceFolder(const std::string& Path)
{
    if (FolderExists(Path, true))
        return true;
    // A mask names files to come, not a folder to make.
    return !ForceFolders(HasWildcardName(Path) ? FolderPart(Path) : Path).empty();
}

std::string GetCurrentFolder()
{
    if (UseOwnCurrentFolder)
        return CurrentFolder;
    char buf[MAX_PATH + 1];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, buf);
    return n > 0 && n <= MAX_PATH ? std::string(buf, n) : std::string();
}

bool SetCurrentFolder(const std::string& Path, bool Force)
{
    std::string p = Path;
    if (p.size() >= 4)
        p = ExcludeTrailingSlash(p);
    if (p.empty())
        return false;
    const bool ok = Force || !UseOwnCurrentFolder ? SetCurrentDirectoryA(p.c_str()) != 0
                                                  : FolderExists(p);
    if (ok)
        CurrentFolder = p;
    return ok;
}

std::string ExpandRelativePath(const std::string& Base, const std::string& Path)
{
    if (!IsRelativePath(Path))
        return Path;
    if (Path.find("..") != std::string::npos) {
        // The system's own full-path rule is the only sound reading of "..",
        // and it works from the real current folder.
        UseOwnCurrentFolder = false;
        char old[MAX_PATH + 1];
        const DWORD n = GetCurrentDirectoryA(MAX_PATH, old);
        const bool moved = !Base.empty() && SetCurrentDirectoryA(Base.c_str());
        char buf[MAX_PATH + 1];
        const DWORD m = GetFullPathNameA(Path.c_str(), MAX_PATH, buf, nullptr);
        if (moved && n > 0 && n <= MAX_PATH)
            SetCurrentDirectoryA(old);
        return m > 0 && m <= MAX_PATH ? std::string(buf, m) : Path;
    }
    if (Path[0] == '\\')
        return ExtractDriveOrShare(Base) + Path;
    return JoinPath(Base, Path);
}

std::string ExpandFullPath(const std::string& Path, const std::string& Base)
{
    std::string p = TrimBlanksAndQuotes(Path);
    if (IsRelativePath(p))
        p = ExpandRelativePath(Base.empty() ? GetCurrentFolder() : Base, p);
    return ExpandLongPathName(p);
}

std::string ExpandLongPathName(const std::string& Path)
{
    if (Path.find('~') == std::string::npos)
        return Path;
    std::string p = Path;
    const bool trailing = p.size() > 3 && p.back() == '\\';
    if (trailing)
        p.pop_back();
    if (HasLongPathPrefix(p))
        return Path;
    char buf[MAX_PATH + 1];
    const DWORD n = GetFullPathNameA(p.c_str(), MAX_PATH, buf, nullptr);
    const std::string expanded = n > 0 && n <= MAX_PATH ? std::string(buf, n) : p;

    const size_t rootEnd = SplitPathRoot(expanded).RootEnd;
    std::string text = expanded, result;
    bool resolved = true;
    while (text.size() > rootEnd) {
        WIN32_FIND_DATAA fd;
        if (!TFindHandle(FindFirstFileA(text.c_str(), &fd)) || fd.cFileName[0] == 0) {
            resolved = false;
            break;
        }
        result.insert(0, fd.cFileName);
        result.insert(0, 1, '\\');
        const size_t cut = text.rfind('\\');
        text = cut == std::string::npos || cut < rootEnd ? text.substr(0, rootEnd) : text.substr(0, cut);
    }
    result = text + result;  // what is left: the root, or the part no lookup found
    if (trailing)
        return result + '\\';
    if (!PathExists(result)) {
        if (IsUncPath(expanded))
            return expanded;
        if (resolved && PathExists(expanded))
            return expanded;
    }
    return result;
}

bool SamePathName(const std::string& A, const std::string& B, const std::string& Base)
{
    const std::string la = LowerFileName(A), lb = LowerFileName(B);
    if (CompareStringA(LOCALE_USER_DEFAULT, 0, la.data(), static_cast<int>(la.size()), lb.data(),
                       static_cast<int>(lb.size())) == CSTR_EQUAL)
        return true;
    if (A.empty() || B.empty())
        return false;
    const std::string base = Base.empty() ? GetCurrentFolder() : Base;
    return PathNameKey(A, base) == PathNameKey(B, base);
}

std::string PathNameKey(const std::string& Path, const std::string& Base)
{
    if (Path.empty())
        return Path;
    const std::string Full = ExpandRelativePath(Base.empty() ? GetCurrentFolder() : Base, Path);
    // The long form is wide, as the code page would give names it cannot
    // hold one key; only names with a tilde are looked up for it.
    std::wstring Key = LongPathName(AnsiToWideStr(Full));
    if (!Key.empty())
        CharLowerBuffW(Key.data(), static_cast<DWORD>(Key.size()));
    return WideToUtf8(Key);
}

bool IsFileInFolder(const std::string& Folder, const std::string& FileName)
{
    if (Folder.empty() || FileName.empty())
        return false;
    // Whole components only: "C:\mail" holds "C:\mail\x" but not "C:\mailbox\x".
    const std::string folder =
        AddTrailingBackslash(UpperFileName(GetShortPath(ExcludeTrailingSlash(ExpandFullPath(Folder)))));
    const std::string own =
        AddTrailingBackslash(UpperFileName(GetShortPath(FolderPart(ExpandFullPath(FileName)))));
    return own.compare(0, folder.size(), folder) == 0;
}

// ---------------------------------------------------------------------------
// Searching
// ---------------------------------------------------------------------------

namespace {

// Skips entries that carry an excluded attribute, then fills the record.
DWORD FindMatchingEntry(TSearchRecord& Rec)
{
    while (Rec.FindData.dwFileAttributes & static_cast<DWORD>(Rec.ExcludeAttr)) {
        if (!FindNextFileA(Rec.FindHandle.Get(), &Rec.FindData))
            return GetLastError();
    }
    FILETIME local;
    WORD date = 0, time = 0;
    FileTimeToLocalFileTime(&Rec.FindData.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    Rec.Time = static_cast<std::int32_t>((static_cast<DWORD>(date) << 16) | time);
    Rec.Size = static_cast<std::int32_t>(Rec.FindData.nFileSizeLow);
    Rec.Attr = static_cast<std::int32_t>(Rec.FindData.dwFileAttributes);
    Rec.Name = Rec.FindData.cFileName;
    return 0;
}

}  // namespace

DWORD FindFirstEntry(const std::string& Path, DWORD Attr, TSearchRecord& Rec)
{
    FindCloseEntry(Rec);
    Rec.ExcludeAttr = static_cast<std::int32_t>(~Attr & 0x1F);
    Rec.FindHandle.Reset(FindFirstFileA(Path.c_str(), &Rec.FindData));
    if (!Rec.FindHandle)
        return GetLastError();
    const DWORD err = FindMatchingEntry(Rec);
    if (err != 0)
        FindCloseEntry(Rec);
    return err;
}

DWORD FindNextEntry(TSearchRecord& Rec)
{
    if (!Rec.FindHandle)
        return ERROR_NO_MORE_FILES;
    if (!FindNextFileA(Rec.FindHandle.Get(), &Rec.FindData))
        return GetLastError();
    return FindMatchingEntry(Rec);
}

void FindCloseEntry(TSearchRecord& Rec)
{
    Rec.FindHandle.Reset();
}

std::string FindFirstMatchingFile(const std::string& Path, bool NonEmptyOnly)
{
    TSearchRecord rec;
    for (DWORD err = FindFirstEntry(Path, 0x27, rec); err == 0; err = FindNextEntry(rec)) {
        if (!NonEmptyOnly || rec.FindData.nFileSizeLow != 0 || rec.FindData.nFileSizeHigh != 0) {
            const size_t p = Path.find_last_of("\\/");
            return p == std::string::npos ? rec.Name : Path.substr(0, p + 1) + rec.Name;
        }
    }
    return std::string();
}

std::string FindFileInFolder(const std::string& Folder, const std::string& Name)
{
    return FindFirstMatchingFile(JoinPath(Folder, Name));
}

namespace {

std::string FindInTree(const std::string& Folder, const std::string& Name, bool NonEmptyOnly)
{
    std::string hit = FindFirstMatchingFile(JoinPath(Folder, Name), NonEmptyOnly);
    if (!hit.empty())
        return hit;
    TSearchRecord rec;
    for (DWORD err = FindFirstEntry(JoinPath(Folder, "*.*"), 63, rec); err == 0;
         err = FindNextEntry(rec)) {
        if ((rec.Attr & FILE_ATTRIBUTE_DIRECTORY) && IsNotDotName(rec.Name)) {
            hit = FindInTree(JoinPath(Folder, rec.Name), Name, NonEmptyOnly);
            if (!hit.empty())
                return hit;
        }
    }
    return std::string();
}

}  // namespace

std::string FindFileInTree(const std::string& Folder, const std::string& Name)
{
    return FindInTree(Folder, Name, false);
}

std::string FindFile(const std::string& Path, bool SearchSubfolders, bool NonEmptyOnly)
{
    const std::string p = ExpandFullPath(Path);
    if (!SearchSubfolders)
        return FindFirstMatchingFile(p, NonEmptyOnly);
    return FindInTree(FolderPart(p), ExtractFileNamePart(p), NonEmptyOnly);
}

bool AnyFileMatches(const std::string& Path, bool Recursive, bool NonEmptyOnly)
{
    return !FindFile(Path, Recursive, NonEmptyOnly).empty();
}

// ---------------------------------------------------------------------------
// Whole files
// ---------------------------------------------------------------------------

std::string LoadFileToString(const std::string& FileName, std::int64_t MaxBytes)
{
    std::string data;
    ReadWholeFile(FileName, MaxBytes, data);
    return data;
}

std::vector<std::uint8_t> LoadFileToBytes(const std::string& FileName, std::int64_t MaxBytes)
{
    std::string data;
    ReadWholeFile(FileName, MaxBytes, data);
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

std::unique_ptr<char[]> LoadFileToBuffer(const std::string& FileName, int& Count,
                                         char NulReplacement, bool CountNuls)
{
    std::string data;
    if (!ReadWholeFile(FileName, 0, data)) {
        Count = -1;
        return nullptr;
    }
    std::unique_ptr<char[]> buf(new char[data.size() + 1]);
    std::memcpy(buf.get(), data.data(), data.size());
    buf[data.size()] = 0;
    Count = static_cast<int>(data.size());
    if (NulReplacement != 0) {
        Count = 0;
        for (size_t i = 0; i < data.size(); ++i)
            if (buf[i] == 0) {
                buf[i] = NulReplacement;
                ++Count;
            }
    } else if (CountNuls) {
        Count = static_cast<int>(std::strlen(buf.get())) - static_cast<int>(data.size());
    }
    return buf;
}

int LoadStringsFromFile(const std::string& FileName, TStrings& Strings)
{
    try {
        TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
        Strings.LoadFromStream(&stream);
        return Strings.Count();
    } catch (const Exception&) {
        Strings.Clear();
        return 0;
    }
}

bool IsBinaryStream(TStream& Stream, int MaxCount)
{
    const std::int64_t pos = Stream.Position();
    std::int64_t n = MaxCount > 0 ? MaxCount : 65535;
    n = std::min<std::int64_t>(n, Stream.Size() - pos);
    if (n <= 0)
        return false;
    std::string buf(static_cast<size_t>(n), '\0');
    const std::int32_t got = Stream.Read(buf.data(), static_cast<std::int32_t>(n));
    Stream.SetPosition(pos);
    return got > 0 && std::memchr(buf.data(), 0, static_cast<size_t>(got)) != nullptr;
}

std::int64_t SaveStringToFile(const std::string& FileName, const std::string& Text)
{
    return WriteBufferToFile(Text.data(), Text.size(), FileName, 0);
}

std::int64_t SaveStringToFileDated(const std::string& FileName, const std::string& Text,
                                   TDateTime Date)
{
    return WriteBufferToFile(Text.data(), Text.size(), FileName, Date);
}

std::int64_t SaveStringsToFileDated(const std::string& FileName, TStrings& Strings, TDateTime Date)
{
    TKernelHandle h(CreateFileA(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                               nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return -1;
    try {
        THandleStream stream(h.Get());
        Strings.SaveToStream(&stream);
    } catch (const Exception&) {
        return -1;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h.Get(), &size))
        return -1;
    if (Date > 0)
        SetFileDate(h.Get(), Date);
    return size.QuadPart;
}

bool FileCopy(const std::string& Source, const std::string& Target, bool FailIfExists)
{
    return CopyFileA(Source.c_str(), Target.c_str(), FailIfExists) != 0;
}

void SetFileDate(HANDLE Handle, TDateTime Date)
{
    const bool keep = Date == 0 || Date == -1;
    const FILETIME ft = DateTimeToFileTime(keep ? 0 : Date);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const FILETIME* stamp = keep ? nullptr : &ft;
    if (!SetFileTime(Handle, stamp, &now, stamp) && stamp)
        SetFileTime(Handle, nullptr, nullptr, stamp);
}

std::int64_t FileSeek64(HANDLE Handle, std::int64_t Offset, DWORD Origin)
{
    LARGE_INTEGER dist, pos;
    dist.QuadPart = Offset;
    if (!SetFilePointerEx(Handle, dist, &pos, Origin))
        RaiseLastOSError();
    return pos.QuadPart;
}

std::string SplitProgramAndParams(const std::string& CommandLine, std::string& Params)
{
    auto trim = [](const std::string& S) { return TrimCharSetStr(S, true, Blanks); };
    Params.clear();
    if (!CommandLine.empty() && CommandLine[0] == '"') {
        const size_t close = CommandLine.find('"', 1);
        if (close == std::string::npos)
            return CommandLine.substr(1);
        Params = trim(CommandLine.substr(close + 1));
        return CommandLine.substr(1, close - 1);
    }
    for (size_t i = CommandLine.find(' '); i != std::string::npos; i = CommandLine.find(' ', i + 1)) {
        const std::string program = CommandLine.substr(0, i);
        if (ExistsOrHasNoDrive(program)) {
            Params = trim(CommandLine.substr(i + 1));
            return program;
        }
    }
    return CommandLine;
}
