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
constexpr std::int64_t MailboxHeadBytes = 1024;

bool ReadsAsMailbox(const std::string& Path)
{
    const TKernelHandle file(CreateFileAnyLength(Path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                 OPEN_EXISTING));
    std::string head(MailboxHeadBytes, '\0');
    DWORD got = 0;
    if (!file || !ReadFile(file.Get(), head.data(), static_cast<DWORD>(head.size()), &got, nullptr))
        return false;
    head.resize(got);
    return head.compare(0, 5, "From ") == 0 && (IsStrictFromLine(head, 1) || IsLooseFromLine(head, 1));
}

bool IsWideSlash(wchar_t C) { return C == L'\\' || C == L'/'; }

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
    const std::wstring path = FullPathOf(Path);
    std::wstring folder = FullPathOf(Folder);
    while (!folder.empty() && IsWideSlash(folder.back()))
        folder.pop_back();
    if (path.empty() || folder.empty() || path.size() <= folder.size() + 1 || !IsWideSlash(path[folder.size()]))
        return false;
    return CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                                static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
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
    const bool allowed = Trust == TNamedFileTrust::SentCopy      ? !Received
                         : Trust == TNamedFileTrust::StoreFolder ? inside
                         : Trust == TNamedFileTrust::SentOrStore ? inside || !Received
                                                                 : true;
    if (!allowed && Trust == TNamedFileTrust::SentCopy) {
        return refuse();
    }
    const DWORD attr = GetFileAttributesA(Path.c_str());
    // No such file: the caller reports it missing as before.
    if (attr == INVALID_FILE_ATTRIBUTES)
        return true;
    const DWORD irregular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
    if (allowed && (attr & irregular) == 0 && !ReadsAsMailbox(Path))
        return true;
    return refuse();
}
