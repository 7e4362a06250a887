#include "foundation/KvFileFinder.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "foundation/KvAnsi.h"
#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "classlib/PathForms.h"

namespace {

// One wide directory enumeration: the ANSI one turns every name the code
// page cannot carry into question marks, and those files then cannot be
// opened or are taken for others.
class TWideFind {
public:
    TWideFind(const std::string& Pattern)
        : FHandle(FindFirstFileW(LongPathForm(Pattern).c_str(), &Data))
    {
        const DWORD Error = FHandle.Valid() ? 0 : GetLastError();
        FFailure = Error == ERROR_FILE_NOT_FOUND || Error == ERROR_NO_MORE_FILES ? 0 : Error;
    }
    bool Valid() const { return FHandle.Valid(); }
    // Why the folder could not be listed; 0 when it was, also when nothing
    // matched.
    DWORD Failure() const { return FFailure; }
    bool Next() { return FindNextFileW(FHandle.Get(), &Data) != FALSE; }

    WIN32_FIND_DATAW Data{};

private:
    TFindHandle FHandle;
    DWORD FFailure = 0;
};

// An entry carrying any of the low five attribute bits that Attr lacks is
// passed over; archive and normal files always qualify.
bool WantedEntry(const WIN32_FIND_DATAW& Entry, DWORD Attr)
{
    return (Entry.dwFileAttributes & (~Attr & 0x1F)) == 0;
}

bool IsDotEntry(const WIN32_FIND_DATAW& Entry)
{
    return std::wcscmp(Entry.cFileName, L".") == 0 || std::wcscmp(Entry.cFileName, L"..") == 0;
}

// Unix file systems allow what Windows names cannot hold; Wine hands such
// names on unchanged, and no API opens them.
bool HasForbiddenNameChars(const std::string& Name)
{
    for (const char c : Name)
        if (static_cast<unsigned char>(c) < 32 || std::strchr("\"*/:<>?|\\", c))
            return true;
    return false;
}

// The ANSI form of a name when it comes back to the same wide name and the
// ANSI API can open it (that API drops a trailing dot or blank, and with it
// the file); empty otherwise.
std::string OpenableAnsiName(const std::wstring& Name)
{
    bool exact = false;
    const std::string ansi = ExactAnsiText(Name, exact);
    if (!exact || ansi.empty() || HasForbiddenNameChars(ansi))
        return std::string();
    if (ansi.back() == '.' || ansi.back() == ' ')
        return std::string();
    return ansi;
}

}  // namespace

std::string ForceLongFolder(const std::wstring& Folder)
{
    const bool Slash = !Folder.empty() && (Folder.back() == L'\\' || Folder.back() == L'/');
    const std::wstring Path = Slash ? Folder.substr(0, Folder.size() - 1) : Folder;
    // Made by its ANSI name only where that is exact: a best fit makes
    // another folder ("\u03A9mega" as "Omega"), or fails on a device.
    bool Exact = false;
    const std::string Ansi = ExactAnsiText(Path, Exact);
    if (Exact) {
        ForceFolder(Ansi);
        return Slash ? AddTrailingBackslash(Ansi) : Ansi;
    }
    // Each missing folder by its long name, through the wide API; those
    // there already refuse, which is no harm.
    const std::wstring Long = PrefixedPath(Path);
    for (size_t At = Long.find(L'\\', PathRootLength(Long)); At != std::wstring::npos; At = Long.find(L'\\', At + 1))
        CreateDirectoryW(Long.substr(0, At).c_str(), nullptr);
    CreateDirectoryW(Long.c_str(), nullptr);
    const std::string Opens = AnsiPathOf(Path);
    return Slash ? AddTrailingBackslash(Opens) : Opens;
}

std::wstring WithAnsiExtOp(const std::wstring& Name, const std::function<std::string(const std::string&)>& Op)
{
    const size_t Dot = Name.find_last_of(L'.');
    std::wstring Stem = Name;
    std::string Ext;
    if (Dot != std::wstring::npos && Dot > 0 && Name.find_first_of(L"\\/", Dot) == std::wstring::npos) {
        bool Exact = false;
        const std::string Plain = ExactAnsiText(Name.substr(Dot), Exact);
        if (Exact) {
            Stem = Name.substr(0, Dot);
            Ext = Plain;
        }
    }
    return Stem + AnsiToWideStr(Op("x" + Ext).substr(1));
}

std::string DerivedFilePath(const std::string& Path, const std::function<std::string(const std::string&)>& Op)
{
    const std::wstring Wanted = WithAnsiExtOp(LongPathOf(Path), Op);
    const std::string Opens = OpenableAnsiPath(Wanted);
    if (!Opens.empty())
        return Opens;
    // Made of a short form, Op's name may be another file's own one
    // ("____~AVB.mbx" beside "\u0422\u0435\u043d\u044c.toc"), which is no
    // data file of Path's: then the wanted name with '|', which no file name
    // holds and no search takes as a wildcard, for each letter the code
    // page lacks.
    const std::string Named = Op(Path);
    if (!IsExistingWideFile(LongPathForm(Named)) || LongPathOf(Named) == Wanted)
        return Named;
    bool Lost = false;
    std::string Missing = WideToAnsi(Wanted, Lost);
    std::replace(Missing.begin(), Missing.end(), '?', '|');
    return Missing;
}

const char* const TFileFinder::RevisitReason = "folder searched already, reached again through a link";
const char* const TFileFinder::CompatLinkReason = "a link kept for older programs, it refuses listing";

TFileFinder::TFileFinder() = default;

TFileFinder::~TFileFinder() = default;

void TFileFinder::SetFileMask(const std::string& Mask)
{
    FFileMask = Mask;
    FMaskIsList = Mask.find(';') != std::string::npos;
}

void TFileFinder::SetRootFolder(const std::string& Folder)
{
    FRootFolder = ExcludeTrailingSlash(Folder);
}

void TFileFinder::Execute(const std::string& Root)
{
    Abort = false;
    if (!Root.empty())
        SetRootFolder(Root);
    if (!FRootFolder.empty())
        Search();
}

void TFileFinder::AcceptFile(const std::string& Name, bool& Accept)
{
    Accept = true;
    if (OnAcceptFile)
        OnAcceptFile(this, Name, Accept);
    if (Accept)
        FileFound(Name);
}

void TFileFinder::AcceptFolder(const std::string& Folder, bool& Accept)
{
    Accept = true;
    if (OnAcceptFolder)
        OnAcceptFolder(this, Folder, Accept);
    if (Accept)
        FolderFound(Folder);
}

void TFileFinder::FileFound(const std::string& Name)
{
    FFileName = ExtractFileNamePart(Name);
    if (OnFile)
        OnFile(this, Name);
}

void TFileFinder::FolderFound(const std::string& Folder)
{
    FFolderName = AddTrailingBackslash(Folder);
    if (OnFolder)
        OnFolder(this, Folder);
}

void TFileFinder::Search()
{
    // Hidden folders are walked only when hidden files are asked for.
    const DWORD folderAttr = (Attributes & FILE_ATTRIBUTE_HIDDEN) ? 63 : 61;
    if (FRootFolder.empty())
        return;
    FVisited.clear();
    bool accept = false;
    AcceptFolder(FRootFolder, accept);
    if (!accept)
        return;
    FirstVisit(FRootFolder);
    if (Recursive || !SkipFiles)
        WalkFolder(FRootFolder, folderAttr, 0);
}

void TFileFinder::WalkFolder(const std::string& Folder, DWORD FolderAttr, DWORD OwnAttr)
{
    std::vector<TMatch> Matches;
    // False once a handler has stopped the search.
    const auto handOn = [this, &Matches] {
        for (const TMatch& match : Matches) {
            if (!match.Reason.empty()) {
                Skip(match.Name, match.Reason);
            } else {
                bool accept = false;
                AcceptFile(match.Name, accept);
            }
            if (Abort)
                return false;
        }
        return true;
    };
    if (!SkipFiles) {
        // A folder that cannot be listed would look empty, and its
        // mailboxes would vanish without a word; what one mask of a list
        // found before another's listing failed still goes on.
        if (const DWORD Error = ListFiles(Folder, Matches)) {
            if (handOn())
                CannotList(Folder, Error, OwnAttr);
            return;
        }
    }
    const bool WholeFolder = OnFolderFiles && !SkipFiles;
    std::vector<WIN32_FIND_DATAW> Subs;
    std::vector<std::string> Files;
    DWORD ListError = 0;
    if (Recursive || WholeFolder) {
        // Read to its end before anything is handed on: no listing stays
        // open while the folders below are walked.
        TWideFind find(Folder + "\\*.*");
        ListError = find.Failure();
        const DWORD FileAttr = FileAttributes();
        for (bool more = find.Valid(); more; more = find.Next()) {
            const WIN32_FIND_DATAW& entry = find.Data;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (Recursive && WantedEntry(entry, FolderAttr) && !IsDotEntry(entry))
                    Subs.push_back(entry);
            } else if (WholeFolder && WantedEntry(entry, FileAttr)) {
                std::string reason;
                if (std::string name = EntryPath(Folder, entry, reason); !name.empty())
                    Files.push_back(std::move(name));
            }
        }
    }
    if (WholeFolder) {
        std::vector<std::string> Matched;
        for (const TMatch& match : Matches)
            if (match.Reason.empty())
                Matched.push_back(match.Name);
        OnFolderFiles(this, Folder, Files, Matched);
    }
    if (!handOn() || !Recursive)
        return;
    if (ListError)
        CannotList(Folder, ListError, OwnAttr);
    for (const WIN32_FIND_DATAW& entry : Subs) {
        std::string reason;
        const std::string sub = EntryPath(Folder, entry, reason);
        if (sub.empty()) {
            Skip(Folder + "\\" + DefaultWideToAnsi(entry.cFileName), reason);
        } else if (!FirstVisit(sub)) {
            Skip(sub, RevisitReason);
        } else {
            bool accept = false;
            AcceptFolder(sub, accept);
            if (accept)
                WalkFolder(sub, FolderAttr, entry.dwFileAttributes);
        }
        if (Abort)
            return;
    }
}

DWORD TFileFinder::FileAttributes() const
{
    return Attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | 0x08);
}

DWORD TFileFinder::ListFiles(const std::string& Folder, std::vector<TMatch>& Matches)
{
    if (Attributes & FILE_ATTRIBUTE_DIRECTORY) {
        bool ignored = false;
        AcceptFolder(Folder, ignored);
    }
    const DWORD attr = FileAttributes();
    if (!FMaskIsList)
        return ListMask(Folder, FFileMask, attr, Matches);
    size_t start = 0;
    while (start <= FFileMask.size()) {
        size_t end = FFileMask.find(';', start);
        if (end == std::string::npos)
            end = FFileMask.size();
        if (end > start)
            if (const DWORD Error = ListMask(Folder, FFileMask.substr(start, end - start), attr, Matches))
                return Error;
        start = end + 1;
    }
    return 0;
}

DWORD TFileFinder::ListMask(const std::string& Folder, const std::string& Mask, DWORD Attr,
                            std::vector<TMatch>& Matches)
{
    TWideFind find(Folder + "\\" + Mask);
    for (bool more = find.Valid(); more; more = find.Next()) {
        if (!WantedEntry(find.Data, Attr))
            continue;
        std::string reason;
        std::string name = EntryPath(Folder, find.Data, reason);
        if (name.empty())
            Matches.push_back({Folder + "\\" + DefaultWideToAnsi(find.Data.cFileName), std::move(reason)});
        else
            Matches.push_back({std::move(name), std::string()});
    }
    return find.Failure();
}

void TFileFinder::CannotList(const std::string& Folder, DWORD Error, DWORD OwnAttr)
{
    constexpr DWORD CompatLink = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (Error == ERROR_ACCESS_DENIED && (OwnAttr & CompatLink) == CompatLink)
        Skip(Folder, CompatLinkReason);
    else if (OnFolderError)
        OnFolderError(this, Folder, Error);
}

std::string TFileFinder::EntryPath(const std::string& Folder, const WIN32_FIND_DATAW& Entry, std::string& Reason)
{
    const std::string longName = OpenableAnsiName(Entry.cFileName);
    // Under Wine AUX and COM1 are serial ports, and reading one never
    // returns. The name is judged as it stands: the code page's best fit
    // would make a full-width "COM\uFF11" one of them.
    if (IsDeviceFileName(std::wstring(Entry.cFileName))) {
        Reason = "a device name, not opened";
        return std::string();
    }
    if (!longName.empty())
        return Folder + "\\" + longName;
    // The short name the listing gives, where it opens this very entry
    // through the ANSI API and leads back to it: under Wine two names of a
    // folder may share one. Not looked up again level by level: a folder
    // above may refuse its listing, and each look reads a whole folder. A
    // name holding a character Windows forbids, a backslash among them,
    // opens by no long form, or by one naming another file: its way back
    // alone decides.
    const std::wstring Wanted = LongPathOf(Folder) + L"\\" + Entry.cFileName;
    if (const std::string alternate = OpenableAnsiName(Entry.cAlternateFileName); !alternate.empty()) {
        const std::string path = Folder + "\\" + alternate;
        if (LeadsBackTo(path, Wanted) &&
            (HasForbiddenNameChars(std::wstring(Entry.cFileName)) || OpensNoOtherFile(path, Wanted)))
            return path;
    }
    bool lossless = false;
    const std::string shown = WideToCodePageEx(Entry.cFileName, lossless, 0);
    if (Entry.cAlternateFileName[0] != L'\0' && !OpenableAnsiName(Entry.cAlternateFileName).empty())
        Reason = std::string("cannot be opened: its short name ") + WideToAnsi(Entry.cAlternateFileName) +
                 " is another name's in its folder as well";
    else if (!lossless)
        Reason = "cannot be opened: its name does not fit the ANSI code page and it has no short name";
    else if (HasForbiddenNameChars(shown))
        Reason = "cannot be opened: its name holds characters Windows does not allow and it has no short name";
    else
        Reason = "cannot be opened: its name ends in a dot or a blank and it has no short name";
    return std::string();
}

bool TFileFinder::FirstVisit(const std::string& Folder)
{
    TFileIdentity Id;
    // Nothing to compare: the walk finds what it can.
    return !FileIdentityOf(LongPathForm(Folder), Id) || FVisited.insert(Id).second;
}

void TFileFinder::Skip(const std::string& Name, const std::string& Reason)
{
    if (OnSkip)
        OnSkip(this, Name, Reason);
}

static bool IsForbiddenNameChar(wchar_t C)
{
    return C < 32 || std::wcschr(L"\"*/:<>?|\\", C) != nullptr;
}

bool HasForbiddenNameChars(const std::wstring& Name)
{
    return std::any_of(Name.begin(), Name.end(), IsForbiddenNameChar);
}

std::wstring NameOnDisk(const std::string& Path)
{
    const TWideFind Find(Path);
    return Find.Valid() ? std::wstring(Find.Data.cFileName) : std::wstring();
}

bool HasEntryNamed(const std::string& Folder, const std::wstring& Name)
{
    // The listing's pattern takes each character no name may hold as the
    // wildcard for one; only the exact name counts.
    std::wstring Mask = Name;
    std::replace_if(Mask.begin(), Mask.end(), IsForbiddenNameChar, L'?');
    const std::wstring Pattern = AnsiToWideStr(Folder) + L"\\" + Mask;
    WIN32_FIND_DATAW Entry;
    const TFindHandle Find(
        FindFirstFileW((Pattern.size() >= LongPathFrom ? PrefixedPath(FullPlainPath(Pattern)) : Pattern).c_str(), &Entry));
    for (bool More = Find.Valid(); More; More = FindNextFileW(Find.Get(), &Entry) != FALSE)
        if (lstrcmpiW(Entry.cFileName, Name.c_str()) == 0)
            return true;
    return false;
}
