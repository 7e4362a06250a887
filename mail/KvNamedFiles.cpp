#include "mail/KvNamedFiles.h"

#include <windows.h>

#include <cstring>

#include "classlib/Cleanup.h"
#include "classlib/ResStrings.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvFiles.h"
#include "foundation/KvStrings.h"
#include "mail/KvErrorLog.h"
#include "mail/KvFromLine.h"

namespace {

const TResStringRegistrar NamedFileTexts{
    {SAttachmentRefused, "Attachment file refused: \"%s\""},
};

bool IsSlashChar(char C) { return C == '\\' || C == '/'; }

// The console's own names open a device as the reserved names do.
bool IsDeviceComponent(const std::string& Name)
{
    std::string base = Name.substr(0, Name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    return IsDeviceFileName(Name) || SameTextStr(base, "CONIN$") || SameTextStr(base, "CONOUT$");
}

// The full path with "." and ".." resolved, without touching the disk; a
// deep store's paths may pass MAX_PATH, which only the wide call takes.
std::wstring FullPathOf(const std::string& Path)
{
    const std::wstring wide = DefaultAnsiToWide(Path);
    const DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (need == 0)
        return std::wstring();
    std::wstring full(need, L'\0');
    const DWORD n = GetFullPathNameW(wide.c_str(), need, full.data(), nullptr);
    if (n == 0 || n >= need)
        return std::wstring();
    full.resize(n);
    return full;
}

// Fields that delivery or a mailing list writes and a copy written here
// never carries; the prefixes stand for families of them.
const char* const ArrivalFields[] = {"Received",     "X-Received",    "Return-Path",
                                     "Delivered-To", "X-Original-To", "Envelope-To",
                                     "Authentication-Results"};
const char* const ArrivalFieldPrefixes[] = {"List-", "ARC-"};

bool IsArrivalField(const std::string& Name)
{
    for (const char* field : ArrivalFields)
        if (SameTextStr(Name, field))
            return true;
    for (const char* prefix : ArrivalFieldPrefixes) {
        const size_t n = std::strlen(prefix);
        if (Name.size() > n && SameTextStr(Name.substr(0, n), prefix))
            return true;
    }
    return false;
}

// The status bits of an index entry that a message written here carries.
const TMailFlags OutgoingStatus = mfQueued | mfDraft | mfStatusMark | mfSent;

// Files of a mail store that name or index its mail, by extension and by
// name: message data never names them for a good reason.
const char* const StoreIndexExtensions[] = {"msf", "toc", "pce"};
const char* const StoreSettingsFiles[] = {"Eudora.ini", "Eudora Settings", "prefs.js",
                                          "user.js",    "profiles.ini",    "installs.ini"};

bool IsStoreOwnFile(const std::string& Path)
{
    for (const char* ext : StoreIndexExtensions)
        if (HasFileExt(Path, ext))
            return true;
    const std::string name = ExtractFileNamePart(Path);
    for (const char* settings : StoreSettingsFiles)
        if (SameTextStr(name, settings))
            return true;
    return false;
}

// As much of a file as tells whether it starts with a mailbox's separator.
constexpr DWORD MailboxHeadBytes = 1024;

bool ReadsAsMailbox(const std::string& Head)
{
    return Head.compare(0, 5, "From ") == 0 && (IsStrictFromLine(Head, 1) || IsLooseFromLine(Head, 1));
}

bool IsWideSlash(wchar_t C) { return C == L'\\' || C == L'/'; }

// The long name of an existing full path, empty when there is none.
std::wstring LongNameOf(const std::wstring& Full)
{
    const bool deep = Full.size() >= LongPathFrom && !IsWideSlash(Full[0]);
    const std::wstring asked = deep ? L"\\\\?\\" + Full : Full;
    std::wstring name(MaxLongPath, L'\0');
    const DWORD n = GetLongPathNameW(asked.c_str(), name.data(), MaxLongPath);
    if (n == 0 || n >= MaxLongPath)
        return std::wstring();
    name.resize(n);
    return deep && name.compare(0, 4, L"\\\\?\\") == 0 ? name.substr(4) : name;
}

// The full path with the short (8.3) names of its existing part made long,
// so a store's file named by its short path is seen where it lies.
std::wstring LongFullPathOf(const std::string& Path)
{
    const std::wstring full = FullPathOf(Path);
    for (size_t end = full.size(); end != std::wstring::npos && end > 2; end = full.find_last_of(L"\\/", end - 1)) {
        const std::wstring head = LongNameOf(full.substr(0, end));
        if (!head.empty())
            return head + full.substr(end);
    }
    return full;
}

bool IsInside(const std::wstring& Path, std::wstring Folder)
{
    while (!Folder.empty() && IsWideSlash(Folder.back()))
        Folder.pop_back();
    if (Path.empty() || Folder.empty() || Path.size() <= Folder.size() + 1 || !IsWideSlash(Path[Folder.size()]))
        return false;
    return CompareStringOrdinal(Path.c_str(), static_cast<int>(Folder.size()), Folder.c_str(),
                                static_cast<int>(Folder.size()), TRUE) == CSTR_EQUAL;
}

// The path the system reached through every link, in long names; empty
// when the system can't tell.
std::wstring FinalPathOf(HANDLE File)
{
    std::wstring path(MaxLongPath, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(File, path.data(), MaxLongPath, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= MaxLongPath)
        return std::wstring();
    path.resize(n);
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        return L"\\" + path.substr(7);
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        return path.substr(4);
    return path;
}

// Where the system can't name the final path, a link or junction in any
// folder on the way is taken to lead anywhere.
bool HasLinkOnTheWay(const std::wstring& Full)
{
    for (size_t end = Full.size(); end != std::wstring::npos && end > 3; end = Full.find_last_of(L"\\/", end - 1)) {
        const DWORD attr = GetFileAttributesW((L"\\\\?\\" + Full.substr(0, end)).c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return true;
    }
    return false;
}

// A folder the store keeps files in, by its final path.
std::wstring FinalFolderOf(const std::string& Folder)
{
    const TKernelHandle h(CreateFileAnyLength(Folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
    const std::wstring final = h ? FinalPathOf(h.Get()) : std::wstring();
    return final.empty() ? LongFullPathOf(Folder) : final;
}

// What opening a named file shows of it.
struct TOpenedFile {
    bool Missing = false;   // nothing of that name: the caller reports it
    bool Busy = false;      // held by another program: the caller's read reports it
    bool Regular = false;   // a file on a disk, not a folder, device or pipe
    std::wstring FinalPath; // after every link; empty when the system can't tell
    std::string Head;       // its first bytes
};

TOpenedFile OpenToJudge(const std::string& Path)
{
    TOpenedFile file;
    const TKernelHandle h(CreateFileAnyLength(Path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              OPEN_EXISTING));
    if (!h) {
        const DWORD error = GetLastError();
        file.Missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        file.Busy = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        return file;
    }
    BY_HANDLE_FILE_INFORMATION info;
    file.Regular = GetFileType(h.Get()) == FILE_TYPE_DISK && GetFileInformationByHandle(h.Get(), &info) &&
                   (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
    if (!file.Regular)
        return file;
    file.FinalPath = FinalPathOf(h.Get());
    file.Head.resize(MailboxHeadBytes);
    DWORD got = 0;
    if (!ReadFile(h.Get(), file.Head.data(), MailboxHeadBytes, &got, nullptr))
        got = 0;
    file.Head.resize(got);
    return file;
}

bool IsShareForm(const std::string& Path)
{
    return Path.size() >= 3 && IsSlashChar(Path[0]) && IsSlashChar(Path[1]);
}

// Device names in any component, a colon past the drive (a stream of the
// file) and wildcards.
bool HasUnsafeComponent(const std::string& Path)
{
    if (Path.find_first_of("*?") != std::string::npos)
        return true;
    size_t start = 0;
    for (size_t i = 0; i <= Path.size(); ++i) {
        if (i < Path.size() && !IsSlashChar(Path[i]))
            continue;
        const std::string part = Path.substr(start, i - start);
        const size_t colon = part.find(':');
        if (colon != std::string::npos && !(start == 0 && colon == 1 && part.size() == 2))
            return true;
        if (!part.empty() && IsDeviceComponent(part))
            return true;
        start = i + 1;
    }
    return false;
}

}  // namespace

bool IsReceivedMessage(const std::string& Header)
{
    size_t line = 0;
    while (line < Header.size()) {
        size_t end = Header.find_first_of("\r\n", line);
        end = end == std::string::npos ? Header.size() : end;
        const size_t colon = Header.find(':', line);
        if (end > line && Header[line] != ' ' && Header[line] != '\t' && colon < end) {
            // The obsolete form lets blanks stand before the colon.
            size_t nameEnd = colon;
            while (nameEnd > line && (Header[nameEnd - 1] == ' ' || Header[nameEnd - 1] == '\t'))
                --nameEnd;
            if (IsArrivalField(Header.substr(line, nameEnd - line)))
                return true;
        }
        line = end + 1;
    }
    return false;
}

bool IsMarkedArrived(TMailboxKind Kind, const std::string& MailboxFile, TMailFlags Flags, bool FromIndex)
{
    if (!IsEudoraKind(Kind))
        return false;
    if (SameTextStr(ExtractFileNameNoExt(MailboxFile), "In"))
        return true;
    return FromIndex && ((Flags & mfInbox) != 0 || (Flags & OutgoingStatus) == 0);
}

bool IsUnsafePathForm(const std::string& Path)
{
    return IsShareForm(Path) || HasUnsafeComponent(Path);
}

bool IsAbsoluteReference(const std::string& Path)
{
    return (Path.size() > 2 && Path[1] == ':' && IsSlashChar(Path[2])) || IsShareForm(Path);
}

bool IsPathInsideFolder(const std::string& Path, const std::string& Folder)
{
    if (IsBlankText(Folder))
        return false;
    return IsInside(LongFullPathOf(Path), LongFullPathOf(Folder));
}

void LogRefusedFile(const std::string& Path)
{
    WriteErrorLine(Format(LoadResString(SAttachmentRefused), Path));
}

bool MayOpenNamedFile(const std::string& Path, TNamedFileTrust Trust, bool Received,
                      const std::vector<std::string>& StoreFolders, bool Log)
{
    const auto refuse = [&Path, Log] {
        if (Log)
            LogRefusedFile(Path);
        return false;
    };
    if (Path.empty())
        return true;
    bool inside = false;
    for (const std::string& folder : StoreFolders)
        inside = inside || IsPathInsideFolder(Path, folder);
    // A share is read only inside a store that lives on one; "\\?\" and
    // "\\.\" paths and devices never. Nothing of these touches the disk.
    const bool plainShare = IsShareForm(Path) && Path[2] != '?' && Path[2] != '.';
    if (HasUnsafeComponent(Path) || (IsShareForm(Path) && !(plainShare && inside)) || IsStoreOwnFile(Path)) {
        return refuse();
    }
    // Where a received message may name files only in the store's folders,
    // the place decides, on the path as named and again past every link.
    const bool placeBound = Received && Trust == TNamedFileTrust::SentOrStore;
    const bool allowed = Trust == TNamedFileTrust::SentCopy ? !Received : !placeBound || inside;
    // Decided before the disk is touched: a refused name gets the same row
    // whether its file exists or not.
    if (!allowed)
        return refuse();
    const TOpenedFile file = OpenToJudge(Path);
    if (file.Missing || file.Busy)
        return true;
    if (!file.Regular || ReadsAsMailbox(file.Head) || IsStoreOwnFile(DefaultWideToAnsi(file.FinalPath)))
        return refuse();
    if (!placeBound)
        return true;
    const std::wstring final = file.FinalPath.empty() ? LongFullPathOf(Path) : file.FinalPath;
    if (file.FinalPath.empty() && HasLinkOnTheWay(final))
        return refuse();
    for (const std::string& folder : StoreFolders)
        if (!IsBlankText(folder) && IsInside(final, FinalFolderOf(folder)))
            return true;
    return refuse();
}
