#include "mail/KvNamedFiles.h"

#include <windows.h>

#include <cstring>
#include <string_view>

#include "classlib/Cleanup.h"
#include "classlib/PathForms.h"
#include "classlib/ResStrings.h"
#include "classlib/Streams.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvFiles.h"
#include "foundation/KvStrings.h"
#include "mail/KvErrorLog.h"
#include "mail/KvMailboxHead.h"
#include "mail/KvMimeHeaders.h"

namespace {

const TResStringRegistrar NamedFileTexts{
    {SAttachmentRefused, "Attachment file refused: \"%s\""},
    {SAttachmentNameUnhandled, "Attachment file name cannot be handled: \"%s\" (its characters are outside the "
                               "ANSI code page)"},
};

bool IsSlashChar(char C) { return C == '\\' || C == '/'; }

// Fields that delivery or a mailing list writes and a copy written here
// never carries; the prefixes stand for families of them.
const char* const ArrivalFields[] = {"Received",     "X-Received",    "Return-Path",
                                     "Delivered-To", "X-Original-To", "Envelope-To",
                                     "Authentication-Results", OwnArrivalField};
const char* const ArrivalFieldPrefixes[] = {"List-", "ARC-"};

bool IsArrivalField(const std::string& Name)
{
    for (const char* Field : ArrivalFields)
        if (SameTextStr(Name, Field))
            return true;
    for (const char* Prefix : ArrivalFieldPrefixes) {
        const size_t N = std::strlen(Prefix);
        if (Name.size() > N && SameTextStr(Name.substr(0, N), Prefix))
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

// The stores of saved passwords, keys, certificates and cookies a mail
// profile keeps; "signons" files are numbered.
const char* const CredentialStoreFiles[] = {"logins.json", "key3.db",  "key4.db",       "cert8.db",
                                            "cert9.db",    "signons.sqlite", "cookies.sqlite"};

bool IsCredentialStore(const std::string& Path)
{
    const std::string Name = ExtractFileNamePart(Path);
    for (const char* Store : CredentialStoreFiles)
        if (SameTextStr(Name, Store))
            return true;
    return Name.size() >= 11 && SameTextStr(Name.substr(0, 7), "signons") && HasFileExt(Name, "txt");
}

// What marks a folder as a mail profile's or a store's: its settings or an
// index of one of its mailboxes.
const wchar_t* const ProfileMarks[] = {L"prefs.js", L"profiles.ini", L"Eudora.ini", L"*.msf", L"*.toc"};

bool HoldsProfileMark(const std::wstring& Folder)
{
    for (const wchar_t* Mark : ProfileMarks) {
        WIN32_FIND_DATAW Found;
        const HANDLE Find = FindFirstFileW(PrefixedPath(Folder + L"\\" + Mark).c_str(), &Found);
        if (Find != INVALID_HANDLE_VALUE) {
            FindClose(Find);
            return true;
        }
    }
    return false;
}

// Whether a folder at any level above the file is a mail profile's or a
// store's: every file below one may be its own.
bool LiesInMailProfile(const std::wstring& Full)
{
    for (size_t End = Full.find_last_of(L"\\/"); End != std::wstring::npos && End >= 2;
         End = End > 0 ? Full.find_last_of(L"\\/", End - 1) : std::wstring::npos)
        if (HoldsProfileMark(Full.substr(0, End)))
            return true;
    return false;
}

bool IsStoreOwnFile(const std::string& Path)
{
    for (const char* Ext : StoreIndexExtensions)
        if (HasFileExt(Path, Ext))
            return true;
    const std::string Name = ExtractFileNamePart(Path);
    for (const char* Settings : StoreSettingsFiles)
        if (SameTextStr(Name, Settings))
            return true;
    return false;
}

// A file the program would convert as a mailbox, by the test its search
// for mailboxes makes.
bool ReadsAsMailbox(const std::string& Head)
{
    return SniffHead(Head) == TMailboxSniff::Mbox;
}

bool IsWideSlash(wchar_t C) { return C == L'\\' || C == L'/'; }

bool IsInside(const std::wstring& Path, std::wstring Folder)
{
    while (!Folder.empty() && IsWideSlash(Folder.back()))
        Folder.pop_back();
    if (Path.empty() || Folder.empty() || Path.size() <= Folder.size() + 1 || !IsWideSlash(Path[Folder.size()]))
        return false;
    return CompareStringOrdinal(Path.c_str(), static_cast<int>(Folder.size()), Folder.c_str(),
                                static_cast<int>(Folder.size()), TRUE) == CSTR_EQUAL;
}

// The path the system reached through every link, in long names and in the
// system's own "\\?\" form; empty when the system can't tell.
std::wstring SystemFinalPathOf(HANDLE File)
{
    std::wstring Path(MaxLongPath, L'\0');
    const DWORD N = GetFinalPathNameByHandleW(File, Path.data(), MaxLongPath, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (N == 0 || N >= MaxLongPath)
        return std::wstring();
    Path.resize(N);
    return Path;
}

// A final path as the user names it.
std::wstring UserFormOf(const std::wstring& Path)
{
    return UnprefixedPath(Path);
}

std::wstring FinalPathOf(HANDLE File)
{
    return UserFormOf(SystemFinalPathOf(File));
}

// Where the system can't name the final path, a link or junction in any
// folder on the way is taken to lead anywhere.
bool HasLinkOnTheWay(const std::wstring& Full)
{
    for (size_t End = Full.size(); End != std::wstring::npos && End > 3; End = Full.find_last_of(L"\\/", End - 1)) {
        const DWORD Attr = GetFileAttributesW(PrefixedPath(Full.substr(0, End)).c_str());
        if (Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return true;
    }
    return false;
}

// A folder the store keeps files in, by its final path.
std::wstring FinalFolderOf(const std::string& Folder)
{
    const TKernelHandle H(CreateFileAnyLength(Folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
    const std::wstring Final = H ? FinalPathOf(H.Get()) : std::wstring();
    return Final.empty() ? LongFullPathOf(Folder) : Final;
}

// What opening a named file shows of it.
struct TOpenedFile {
    bool Missing = false;   // nothing of that name: the caller reports it
    bool Busy = false;      // held by another program: the caller's read reports it
    bool Regular = false;   // a file on a disk, not a folder, device or pipe
    DWORD Links = 0;        // its names on the disk
    std::wstring FinalPath; // after every link; empty when the system can't tell
    std::wstring OpenedAs;  // the same in the system's form, to be opened again
    std::string Head;       // its first bytes
    TKernelHandle Handle;   // open for reading, for a regular file
};

// A stream over a judged file, which it closes.
class TJudgedFileStream : public THandleStream {
public:
    explicit TJudgedFileStream(TKernelHandle&& Handle) : THandleStream(Handle.Get()), FOwned(std::move(Handle)) {}

private:
    TKernelHandle FOwned;
};

TOpenedFile OpenToJudge(const std::string& Path)
{
    TOpenedFile File;
    TKernelHandle H(CreateFileAnyLength(Path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        OPEN_EXISTING));
    if (!H) {
        const DWORD Error = GetLastError();
        File.Missing = Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND;
        File.Busy = Error == ERROR_SHARING_VIOLATION || Error == ERROR_LOCK_VIOLATION;
        return File;
    }
    BY_HANDLE_FILE_INFORMATION Info;
    File.Regular = GetFileType(H.Get()) == FILE_TYPE_DISK && GetFileInformationByHandle(H.Get(), &Info) &&
                   (Info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
    if (!File.Regular)
        return File;
    File.Links = Info.nNumberOfLinks;
    File.OpenedAs = SystemFinalPathOf(H.Get());
    File.FinalPath = UserFormOf(File.OpenedAs);
    ReadMailboxHeadFrom(H.Get(), File.Head);
    File.Handle = std::move(H);
    return File;
}

DWORD LinksOf(HANDLE File)
{
    BY_HANDLE_FILE_INFORMATION Info;
    return GetFileInformationByHandle(File, &Info) ? Info.nNumberOfLinks : 0;
}

// Whether the judged file is still the one file of the name it shows. A name
// removed while the file is judged leaves the handle showing one link and
// still that name, though the file's only name left may lie anywhere: the
// name opened again must reach the same file on the same volume, and that
// file must have no other name.
bool IsStillNamedAlone(const TOpenedFile& File, const std::string& Path)
{
    constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    BY_HANDLE_FILE_INFORMATION Judged;
    if (!GetFileInformationByHandle(File.Handle.Get(), &Judged))
        return false;
    const TKernelHandle Again(
        File.OpenedAs.empty()
            ? CreateFileAnyLength(Path, FILE_READ_ATTRIBUTES, ShareAll, OPEN_EXISTING)
            : CreateFileW(File.OpenedAs.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION Found;
    return Again && GetFileInformationByHandle(Again.Get(), &Found) &&
           Judged.dwVolumeSerialNumber == Found.dwVolumeSerialNumber && Judged.nFileIndexHigh == Found.nFileIndexHigh &&
           Judged.nFileIndexLow == Found.nFileIndexLow && Found.nNumberOfLinks == 1;
}

std::string ReadAllOf(TStream& Stream)
{
    std::string Bytes;
    char Buffer[0x10000];
    for (std::int32_t Got; (Got = Stream.Read(Buffer, sizeof Buffer)) > 0;)
        Bytes.append(Buffer, static_cast<size_t>(Got));
    return Bytes;
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
        if (!part.empty() && IsDeviceFileName(part))
            return true;
        start = i + 1;
    }
    return false;
}

}  // namespace

bool IsReceivedMessage(const std::string& Header)
{
    // One pass: each line is looked at up to its own end, so a header of
    // long lines without a colon (a message whose body follows no blank
    // line) costs its length and no more.
    const std::string_view Text(Header);
    for (size_t Line = 0; Line < Text.size();) {
        size_t End = Text.find_first_of("\r\n", Line);
        End = End == std::string_view::npos ? Text.size() : End;
        const size_t Colon = Text.substr(Line, End - Line).find(':');
        if (End > Line && Text[Line] != ' ' && Text[Line] != '\t' && Colon != std::string_view::npos) {
            // The obsolete form lets blanks stand before the colon.
            size_t NameEnd = Line + Colon;
            while (NameEnd > Line && (Text[NameEnd - 1] == ' ' || Text[NameEnd - 1] == '\t'))
                --NameEnd;
            if (IsArrivalField(Header.substr(Line, NameEnd - Line)))
                return true;
        }
        Line = End + 1;
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

void TNamedFileJudge::Refuse(const std::string& Path)
{
    ++FRefusals;
    WriteErrorLine(Format(LoadResString(SAttachmentRefused), Path));
}

void TNamedFileJudge::RefuseUnhandledName(const std::string& Path, bool Log)
{
    ++FRefusals;
    if (Log)
        WriteErrorLine(Format(LoadResString(SAttachmentNameUnhandled), Path));
}

void MarkKeptArrival(std::string& Header)
{
    if (!IsReceivedMessage(Header))
        SetHeaderField(Header, OwnArrivalField, "yes");
}

TJudgedFile TNamedFileJudge::JudgeFile(const std::string& Path, TNamedFileTrust Trust, bool Received,
                                       const std::vector<std::string>& StoreFolders, bool Log)
{
    TJudgedFile Judged(*this, Path);
    Judged.FAllowed = Allows(Path, Trust, Received, StoreFolders, Log, Judged);
    return Judged;
}

bool TNamedFileJudge::Allows(const std::string& Path, TNamedFileTrust Trust, bool Received,
                             const std::vector<std::string>& StoreFolders, bool Log, TJudgedFile& Judged)
{
    const auto Refuse = [this, &Path, Log] {
        if (Log)
            this->Refuse(Path);
        else
            ++FRefusals;
        return false;
    };
    if (Path.empty())
        return true;
    bool Inside = false;
    for (const std::string& Folder : StoreFolders)
        Inside = Inside || IsPathInsideFolder(Path, Folder);
    // A share is read only inside a store that lives on one; "\\?\" and
    // "\\.\" paths and devices never. Nothing of these touches the disk.
    const bool PlainShare = IsShareForm(Path) && Path[2] != '?' && Path[2] != '.';
    if (HasUnsafeComponent(Path) || (IsShareForm(Path) && !(PlainShare && Inside)) || IsStoreOwnFile(Path)) {
        return Refuse();
    }
    // Where a received message may name files only in the store's folders,
    // the place decides, on the path as named and again past every link.
    const bool PlaceBound = Received && Trust == TNamedFileTrust::SentOrStore;
    const bool Allowed = Trust == TNamedFileTrust::SentCopy ? !Received : !PlaceBound || Inside;
    // Decided before the file is opened: a refused name gets the same row
    // whether its file exists or not. A received message may name no file
    // of a mail profile or store other than the ones its rule allows.
    const bool Unbound = Received && !PlaceBound;
    if (!Allowed || (Received && IsCredentialStore(Path)) || (Unbound && LiesInMailProfile(LongFullPathOf(Path))))
        return Refuse();
    TOpenedFile File = OpenToJudge(Path);
    if (File.Missing || File.Busy) {
        Judged.FPending = true;
        Judged.FTrust = Trust;
        Judged.FReceived = Received;
        Judged.FStoreFolders = StoreFolders;
        return true;
    }
    // A file of several names may lie, by another of them, anywhere: no
    // look at this one tells where.
    if (Received && File.Links > 1)
        return Refuse();
    const auto Allow = [&File, &Path, Received, &Refuse, &Judged] {
        if (Received && !IsStillNamedAlone(File, Path))
            return Refuse();
        Judged.FHandle = std::move(File.Handle);
        Judged.FReceived = Received;
        return true;
    };
    if (!File.Regular || ReadsAsMailbox(File.Head) || IsStoreOwnFile(DefaultWideToAnsi(File.FinalPath)))
        return Refuse();
    // Past every link, the file is judged again where it lies.
    if (Received && !File.FinalPath.empty() &&
        (IsCredentialStore(DefaultWideToAnsi(File.FinalPath)) || (Unbound && LiesInMailProfile(File.FinalPath))))
        return Refuse();
    if (!PlaceBound)
        return Allow();
    const std::wstring Final = File.FinalPath.empty() ? LongFullPathOf(Path) : File.FinalPath;
    if (File.FinalPath.empty() && HasLinkOnTheWay(Final))
        return Refuse();
    for (const std::string& Folder : StoreFolders)
        if (!IsBlankText(Folder) && IsInside(Final, FinalFolderOf(Folder)))
            return Allow();
    return Refuse();
}

std::unique_ptr<TStream> TJudgedFile::Take()
{
    if (!FHandle)
        return nullptr;
    auto Stream = std::make_unique<TJudgedFileStream>(std::move(FHandle));
    Stream->Seek(0, soFromBeginning);
    if (!FReceived)
        return Stream;
    // A received message's file is copied, and its names counted again: a
    // name given to it while it was judged or copied may lie anywhere.
    std::string Bytes = ReadAllOf(*Stream);
    if (LinksOf(Stream->Handle()) != 1) {
        FRefused = true;
        FJudge->Refuse(FPath);
        return nullptr;
    }
    return std::make_unique<TStringStream>(std::move(Bytes));
}

std::unique_ptr<TStream> TJudgedFile::OpenFound(const std::string& Found, bool& Refused)
{
    Refused = false;
    if (std::unique_ptr<TStream> Stream = Take())
        return Stream;
    if (FRefused) {
        Refused = true;
        return nullptr;
    }
    // Only a name that named no file when judged leaves a rule for what is
    // found for it; a name refused, empty or read already reads nothing.
    if (!FPending || !IsExistingFile(Found))
        return nullptr;
    // Found there since, or in another place: judged now by the same rule.
    FPending = false;
    TJudgedFile Again = FJudge->JudgeFile(Found, FTrust, FReceived, FStoreFolders);
    if (!Again.Allowed()) {
        Refused = true;
        return nullptr;
    }
    return Again.Take();
}

std::string TJudgedFile::ReadAll()
{
    bool Refused = false;
    const std::unique_ptr<TStream> Stream = OpenFound(FPath, Refused);
    return Stream ? ReadAllOf(*Stream) : std::string();
}
