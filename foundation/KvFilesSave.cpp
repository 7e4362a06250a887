// Backups, numbered names and the safe save: the part of KvFiles that
// writes files which must not replace or lose anything.
#include "foundation/KvFiles.h"

#include "classlib/ResStrings.h"
#include "foundation/KvMd5.h"
#include "foundation/KvStrings.h"

namespace {

using KvFilesDetail::Attributes;
using KvFilesDetail::FolderPart;
using KvFilesDetail::IsNtPlatform;
using KvFilesDetail::PathExists;

enum : int {
    SBackupFolderName = 11460,
    SBackupPrefix = 11461,
};

const TResStringRegistrar FileTexts{
    {SBackupFolderName, "Backups"},
    {SBackupPrefix, "Backup[%0.3d]_"},
};

}  // namespace

std::string GetBackupFileName(const std::string& FileName, TBackupMode Mode)
{
    if (Mode == bmDefault)
        Mode = DefaultBackupMode == bmDefault ? TBackupMode(bmTildeExt) : DefaultBackupMode;
    if (FileName.empty())
        return FileName;
    const int namePos = FileNamePos(FileName);
    // Numbered modes give the text before and after the number and the
    // number's own format; the name never passes through a format, so a "%"
    // in it stays what it is.
    std::string head, tail, numberFmt = "%0.3d", name = FileName;
    switch (Mode) {
    case bmBak:
        return HasFileExt(FileName, "bak") ? FileName : FileName + ".bak";
    case bmFolder: {
        std::string folder = BackupFolderName.empty() ? LoadResString(SBackupFolderName)
                                                       : AdjustPortablePath(BackupFolderName, false);
        if (folder.empty())
            folder = LoadResString(SBackupFolderName);
        if (IsRelativePath(folder) || !PathHasDrive(folder))
            folder = JoinPath(FolderPart(FileName), folder);
        ForceFolder(folder);
        name = JoinPath(folder, ExtractFileNamePart(FileName));
        [[fallthrough]];
    }
    case bmNumbered:
    case bmNumberedHidden: {
        const int dot = ExtDotPos(name);
        head = dot > 0 ? name.substr(0, dot - 1) + '[' : name + '[';
        tail = dot > 0 ? ']' + name.substr(dot - 1) : "]";
        break;
    }
    case bmNumberExt:
        head = name + '.';
        break;
    case bmPrefix: {
        if (namePos == 0)
            return FileName;
        std::string prefix = BackupPrefix.empty() ? LoadResString(SBackupPrefix) : BackupPrefix;
        if (prefix.find('%') == std::string::npos)
            prefix += "[%0.3d]_";
        head = FileName.substr(0, namePos - 1);
        tail = FileName.substr(namePos - 1);
        numberFmt = prefix;
        break;
    }
    case bmTildeExt: {
        const int dot = ExtDotPos(FileName);
        return dot > 0 ? FileName.substr(0, dot) + '~' + FileName.substr(dot) : FileName + ".~";
    }
    case bmTildeName:
        return namePos == 0 ? FileName
                            : FileName.substr(0, namePos - 1) + '~' + FileName.substr(namePos - 1);
    default:
        return FileName;
    }
    auto candidate = [&](int n) {
        std::string number;
        try {
            number = Format(numberFmt, n);
        } catch (const Exception&) {
            // A prefix that isn't a valid format falls back to the plain one.
            number = Format(LoadResString(SBackupPrefix), n);
        }
        return head + number + tail;
    };
    for (int n = 1; n < 1000; ++n) {
        const std::string c = candidate(n);
        if (!IsExistingFile(c))
            return c;
    }
    return candidate(1000);
}

std::string BackupExistingFile(const std::string& FileName, TBackupMode Mode, bool Hidden)
{
    if (Mode == bmDefault)
        Mode = DefaultBackupMode;
    const std::int64_t size = GetFileSizeByName(FileName);
    if (size < 0)
        return std::string();
    const std::string backup = GetBackupFileName(FileName, Mode);
    // A backup named as the file itself would destroy the very file it keeps.
    if (backup.empty() || SamePathName(backup, FileName))
        return std::string();
    if (size == 0) {
        DeleteFileA(FileName.c_str());
        return std::string();
    }
    if (PathExists(backup) && !DeleteFileA(backup.c_str()))
        return std::string();
    if (!MoveFileA(FileName.c_str(), backup.c_str()))
        return std::string();
    if (Hidden || Mode == bmNumberedHidden) {
        const DWORD a = Attributes(backup);
        if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_HIDDEN))
            SetFileAttributesA(backup.c_str(), a | FILE_ATTRIBUTE_HIDDEN);
    }
    return backup;
}

int IncrementFileNumber(std::string& FileName)
{
    // Only the file-name part is numbered: a bracketed number in a folder
    // name must not send the file to another folder.
    const size_t nameStart = static_cast<size_t>(std::max(FileNamePos(FileName), 1) - 1);
    size_t open = std::string::npos, close = std::string::npos;
    if (FileName.size() > nameStart && FileName.back() == ']') {
        close = FileName.size() - 1;
        open = FileName.rfind('[', close);
    } else {
        const size_t q = FileName.rfind("].");
        if (q != std::string::npos && q >= nameStart) {
            const size_t o = FileName.rfind('[', q);
            if (o != std::string::npos && o + 1 < q &&
                FileName.find_first_not_of("0123456789", o + 1) >= q) {
                open = o;
                close = q;
            }
        }
    }
    if (open != std::string::npos && open >= nameStart) {
        std::int64_t value = 0;
        const std::string part = FileName.substr(open + 1, close - open - 1);
        if (!TryStrToInt64(part, value) || value < 0 || part.find_first_not_of("0123456789") != std::string::npos)
            value = 0;
        const std::int64_t next = value + 1;
        FileName = FileName.substr(0, open + 1) + IntToStr(next) + FileName.substr(close);
        return static_cast<int>(next);
    }
    const int dot = ExtDotPos(FileName);
    if (dot > 0)
        FileName.insert(static_cast<size_t>(dot - 1), "[1]");
    else
        FileName += "[1]";
    return 1;
}

std::string TNumberedNames::FirstUnknown(const std::string& FileName) const
{
    const auto known = FLast.find(FileName);
    std::string name = known == FLast.end() ? FileName : known->second;
    IncrementFileNumber(name);
    return name;
}

std::string GetNumberedFileName(const std::string& FileName, TNumberedNames* Known)
{
    TNumberedNames scratch;
    TNumberedNames& known = Known ? *Known : scratch;
    if (!known.Knows(FileName)) {
        if (GetFileSizeByName(FileName) == -1)
            return FileName;
        known.Taken(FileName, FileName);
    }
    std::string name = known.FirstUnknown(FileName);
    while (GetFileSizeByName(name) != -1) {
        known.Taken(FileName, name);
        IncrementFileNumber(name);
    }
    return name;
}

bool FilesAreIdentical(const std::string& A, const std::string& B)
{
    const std::int64_t size = GetFileSizeByName(A);
    if (size < 0 || size != GetFileSizeByName(B))
        return false;
    try {
        if (size >= 65536 && MD5HexOfFileRange(A, 32767) != MD5HexOfFileRange(B, 32767))
            return false;
        if (size > 0 && MD5HexOfFile(A) != MD5HexOfFile(B))
            return false;
    } catch (const Exception&) {
        return false;
    }
    return true;
}

namespace {

// The owner and group of a file, carried over to its replacement.
std::vector<std::uint8_t> ReadOwnerSecurity(const std::string& FileName)
{
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION;
    DWORD need = 0;
    GetFileSecurityA(FileName.c_str(), what, nullptr, 0, &need);
    if (need == 0)
        return {};
    std::vector<std::uint8_t> sd(need);
    if (!GetFileSecurityA(FileName.c_str(), what, sd.data(), need, &need))
        return {};
    return sd;
}

}  // namespace

std::int64_t SaveBufferToFileSafe(const void* Buffer, std::size_t Count,
                                  const std::string& FileName, TDateTime Date,
                                  bool KeepAttributes, TBackupMode Mode)
{
    if (Mode == bmDefault)
        Mode = DefaultBackupMode;
    const DWORD oldAttr = Attributes(FileName);
    const bool existed = oldAttr != INVALID_FILE_ATTRIBUTES;
    std::vector<std::uint8_t> security;
    if (existed) {
        if (Mode != bmNone) {
            if (IsNtPlatform())
                security = ReadOwnerSecurity(FileName);
            BackupExistingFile(FileName, Mode, false);
        } else if (IsNtPlatform() && (oldAttr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))) {
            SetFileAttributesA(FileName.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        }
    }
    const std::int64_t written = WriteBufferToFile(Buffer, Count, FileName, Date);
    if (written < 0)
        return written;
    if (!security.empty())
        SetFileSecurityA(FileName.c_str(), OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION,
                         security.data());
    const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (KeepAttributes && existed && (oldAttr & settable) != FILE_ATTRIBUTE_ARCHIVE)
        SetFileAttributesA(FileName.c_str(), (oldAttr & settable) | FILE_ATTRIBUTE_ARCHIVE);
    return written;
}

std::int64_t SaveTextToFileSafe(const std::string& Text, const std::string& FileName,
                                TBackupMode Mode, TDateTime Date, bool KeepAttributes)
{
    return SaveBufferToFileSafe(Text.data(), Text.size(), FileName, Date, KeepAttributes, Mode);
}

namespace {

// Writes a whole file with the given creation disposition, its bytes put
// by Fill; -2 when CREATE_NEW met an existing name, -1 on any other
// failure, else Count.
std::int64_t WriteWholeFile(const std::function<bool(HANDLE)>& Fill, std::int64_t Count, const std::string& FileName,
                            TDateTime Date, DWORD Disposition, DWORD* Error)
{
    DWORD err = 0;
    std::int64_t result = Count;
    if (FileName.empty()) {
        err = ERROR_INVALID_NAME;
        result = -1;
    } else {
        TKernelHandle h(CreateFileAnyLength(FileName, GENERIC_WRITE, FILE_SHARE_READ, Disposition));
        if (!h) {
            err = GetLastError();
            result = err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS ? -2 : -1;
        } else {
            SetLastError(0);
            const bool ok = Fill(h.Get());
            if (!ok)
                err = GetLastError() ? GetLastError() : ERROR_HANDLE_DISK_FULL;
            if (ok && Date > 0)
                SetFileDate(h.Get(), Date);
            h.Reset();
            if (!ok) {
                // A cut-off file looks like a whole one to everyone who finds it later.
                if (IsLongPath(FileName))
                    DeleteFileW(LongPathForm(FileName).c_str());
                else
                    DeleteFileA(FileName.c_str());
                result = -1;
            }
        }
    }
    if (Error)
        *Error = err;
    if (result == -2 && Disposition != CREATE_NEW)
        result = -1;
    return result;
}

std::int64_t WriteWholeFile(const void* Buffer, std::size_t Count, const std::string& FileName,
                            TDateTime Date, DWORD Disposition, DWORD* Error)
{
    return WriteWholeFile([&](HANDLE h) { return WriteAll(h, Buffer, Buffer ? Count : 0); },
                          Buffer ? static_cast<std::int64_t>(Count) : 0, FileName, Date, Disposition, Error);
}

}  // namespace

std::int64_t WriteBufferToFile(const void* Buffer, std::size_t Count, const std::string& FileName,
                               TDateTime Date)
{
    return WriteWholeFile(Buffer, Count, FileName, Date, CREATE_ALWAYS, nullptr);
}

TNewFileOutcome WriteBufferToNewFile(const void* Buffer, std::size_t Count, const std::string& FileName,
                                     TDateTime Date, DWORD* Error)
{
    const std::int64_t r = WriteWholeFile(Buffer, Count, FileName, Date, CREATE_NEW, Error);
    return r == -2 ? TNewFileOutcome::Exists : r < 0 ? TNewFileOutcome::Failed : TNewFileOutcome::Written;
}

TNewFileOutcome WriteNewFileWith(const std::function<bool(HANDLE)>& Fill, const std::string& FileName, TDateTime Date,
                                 DWORD* Error)
{
    const std::int64_t r = WriteWholeFile(Fill, 0, FileName, Date, CREATE_NEW, Error);
    return r == -2 ? TNewFileOutcome::Exists : r < 0 ? TNewFileOutcome::Failed : TNewFileOutcome::Written;
}
