#include "classlib/PathForms.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "classlib/Cleanup.h"

namespace {

const std::wstring Prefix = L"\\\\?\\";
const std::wstring UncPrefix = L"\\\\?\\UNC\\";
const std::wstring DevicePrefix = L"\\\\.\\";

bool IsSlash(wchar_t Ch)
{
    return Ch == L'\\' || Ch == L'/';
}

bool IsDotLevel(const std::wstring& Level)
{
    return Level == L"." || Level == L"..";
}

bool StartsWith(const std::wstring& Text, const std::wstring& Start)
{
    return Text.compare(0, Start.size(), Start) == 0;
}

// Whether the ANSI calls cannot take a level as it stands: one ending in a
// dot or a blank, which they drop ("sub.\a" opens "sub\a", in the middle
// of a path as at its end), or one holding a character Windows does not
// allow in a name ("q?x", made on another system), which they take for a
// wildcard or refuse. "." and ".." levels mean what they say.
bool TakesNoPlainName(const std::wstring& Level)
{
    return EndsInDotOrBlank(Level) ||
           (!IsDotLevel(Level) && Level.find_first_of(L"*?\"<>|:") != std::wstring::npos);
}

bool HasLevelWithoutPlainName(const std::wstring& Path)
{
    for (std::size_t At = PathRootLength(Path); At < Path.size();) {
        const std::size_t End = std::min(Path.find_first_of(L"\\/", At), Path.size());
        if (TakesNoPlainName(Path.substr(At, End - At)))
            return true;
        At = End + 1;
    }
    return false;
}

// The short name of the entry at a full wide path, from its folder's
// listing; empty where it has none. A level holding a wildcard (a name
// made on another system) is looked for by its exact name.
std::wstring AlternateName(const std::wstring& Path)
{
    const std::size_t Slash = Path.find_last_of(L"\\/");
    const std::wstring Name = Path.substr(Slash + 1);
    const bool Wild = Name.find_first_of(L"*?") != std::wstring::npos;
    WIN32_FIND_DATAW Found;
    const TFindHandle Find(
        FindFirstFileW(PrefixedPath(Wild ? Path.substr(0, Slash + 1) + L"*" : Path).c_str(), &Found));
    for (bool More = Find.Valid(); More; More = Wild && FindNextFileW(Find.Get(), &Found)) {
        if (Wild && Name != Found.cFileName)
            continue;
        // A name that is a short one already has no other.
        const std::wstring Own = Found.cFileName;
        const bool Plain = !ExactAnsi(Own).empty() && Own.back() != L'.' && Own.back() != L' ';
        return Found.cAlternateFileName[0] ? std::wstring(Found.cAlternateFileName) : Plain ? Own : std::wstring();
    }
    return std::wstring();
}

// Name without its trailing dots and blanks; empty when it holds nothing else.
std::wstring TrimmedName(const std::wstring& Name)
{
    const std::size_t Last = Name.find_last_not_of(L". ");
    return Last == std::wstring::npos ? std::wstring() : Name.substr(0, Last + 1);
}

}  // namespace

// Exactly: a best fit opens another file, or a device ("COM\uFF11" as
// COM1).
std::string ExactAnsi(const std::wstring& Text)
{
    const std::string Ansi = WideToAnsi(Text.c_str());
    return AnsiToWide(Ansi) == Text ? Ansi : std::string();
}

std::wstring SystemFullPath(const std::wstring& Path)
{
    std::wstring Full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD N = GetFullPathNameW(Path.c_str(), static_cast<DWORD>(Full.size()), Full.data(), nullptr);
        if (N == 0)
            return std::wstring();
        if (N < Full.size()) {
            Full.resize(N);
            return Full;
        }
        Full.resize(N);
    }
}

std::size_t PathRootLength(const std::wstring& Path)
{
    std::size_t At = 0;
    bool Share = false;
    const std::size_t Prefix = PathPrefixLength(Path);
    if (Prefix > 4) {
        // The "\\?\UNC\" form.
        At = Prefix;
        Share = true;
    } else if (Prefix != 0 || IsDevicePath(Path)) {
        // "\\.\" is as long as "\\?\".
        At = Prefix != 0 ? Prefix : 4;
    } else if (Path.size() >= 2 && IsSlash(Path[0]) && IsSlash(Path[1])) {
        At = 2;
        Share = true;
    }
    if (Share) {
        // The server and the share name the root together.
        std::size_t End = Path.find_first_of(L"\\/", At);
        if (End != std::wstring::npos)
            End = Path.find_first_of(L"\\/", End + 1);
        return End == std::wstring::npos ? Path.size() : End + 1;
    }
    if (Path.size() >= At + 2 && Path[At + 1] == L':')
        return Path.size() > At + 2 && IsSlash(Path[At + 2]) ? At + 3 : At + 2;
    return At;
}

std::wstring FullPlainPath(const std::wstring& Path)
{
    if (Path.empty() || PathPrefixLength(Path) != 0 || IsDevicePath(Path))
        return Path;
    std::wstring Plain = Path;
    std::replace(Plain.begin(), Plain.end(), L'/', L'\\');
    std::size_t Root = PathRootLength(Plain);
    if (Root == 0 || Plain[Root - 1] != L'\\') {
        // Relative, or relative to a drive's current folder.
        if (std::wstring Full = SystemFullPath(Plain); !Full.empty())
            Plain = std::move(Full);
        Root = PathRootLength(Plain);
        if (Root == 0 || Plain[Root - 1] != L'\\' || IsDevicePath(Plain))
            return Plain;
    }
    std::vector<std::wstring> Levels;
    std::wstring Last;
    for (std::size_t At = Root; At <= Plain.size();) {
        const std::size_t End = std::min(Plain.find(L'\\', At), Plain.size());
        Last = Plain.substr(At, End - At);
        if (Last == L"..") {
            if (!Levels.empty())
                Levels.pop_back();
        } else if (!Last.empty() && Last != L".") {
            Levels.push_back(Last);
        }
        At = End + 1;
    }
    std::wstring Full = Plain.substr(0, Root);
    for (std::size_t I = 0; I < Levels.size(); ++I)
        Full += (I == 0 ? L"" : L"\\") + Levels[I];
    // A path that ended in a backslash, "." or ".." names a folder.
    if (!Levels.empty() && (Last.empty() || IsDotLevel(Last)))
        Full += L'\\';
    return Full;
}

std::wstring PrefixedPath(const std::wstring& Path)
{
    if (StartsWith(Path, Prefix) || StartsWith(Path, DevicePrefix))
        return Path;
    std::wstring Plain = Path;
    std::replace(Plain.begin(), Plain.end(), L'/', L'\\');
    if (Plain.size() >= 3 && Plain[1] == L':' && Plain[2] == L'\\')
        return Prefix + Plain;
    if (StartsWith(Plain, L"\\\\"))
        return UncPrefix + Plain.substr(2);
    return Path;
}

std::wstring UnprefixedPath(const std::wstring& Path)
{
    if (StartsWith(Path, UncPrefix))
        return L"\\\\" + Path.substr(UncPrefix.size());
    if (StartsWith(Path, Prefix))
        return Path.substr(Prefix.size());
    return Path;
}

std::size_t PathPrefixLength(const std::wstring& Path)
{
    if (StartsWith(Path, UncPrefix))
        return UncPrefix.size();
    return StartsWith(Path, Prefix) ? Prefix.size() : 0;
}

bool HasLongPathPrefix(const std::string& Path)
{
    return Path.compare(0, 4, "\\\\?\\") == 0;
}

bool IsDevicePath(const std::wstring& Path)
{
    return StartsWith(Path, DevicePrefix);
}

std::wstring ShortPathName(const std::wstring& Path)
{
    const std::wstring Asked = PrefixedPath(Path);
    // A short name may be longer than its long one ("a.b.c" gives "AB~1.C").
    std::wstring Short(Asked.size() + 16, L'\0');
    for (;;) {
        const DWORD N = GetShortPathNameW(Asked.c_str(), Short.data(), static_cast<DWORD>(Short.size()));
        if (N == 0)
            return std::wstring();
        if (N < Short.size()) {
            Short.resize(N);
            break;
        }
        Short.resize(N);
    }
    return PathPrefixLength(Path) != 0 ? Short : UnprefixedPath(Short);
}

namespace {

// No access asked: a file another program holds, or a folder, still
// answers.
TKernelHandle OpenedToAsk(const std::wstring& Path)
{
    return TKernelHandle(CreateFileW(Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool IdentityOf(const TKernelHandle& File, TFileIdentity& Identity)
{
    BY_HANDLE_FILE_INFORMATION Info;
    if (!File || !GetFileInformationByHandle(File.Get(), &Info))
        return false;
    Identity = {Info.dwVolumeSerialNumber, Info.nFileIndexHigh, Info.nFileIndexLow};
    return true;
}

}  // namespace

bool FileIdentityOf(const std::wstring& Path, TFileIdentity& Identity)
{
    return IdentityOf(OpenedToAsk(Path), Identity);
}

namespace {

// The forms of folders found so far, by their long paths: every file of a
// folder that needs its short form asks for it again. Kept only while a
// TFolderFormsScope lives: outside a run a form could outlive its folder,
// and on Windows, where a short name is given when a file is made, open
// another one made since.
std::mutex GFolderFormsLock;
int GFolderFormsScopes = 0;
std::map<std::wstring, std::string> GFolderForms;
constexpr std::size_t FolderFormsKept = 4096;

// The long names of short levels found so far, by the long path before
// them and the short level: every file below a short level asks again.
std::map<std::wstring, std::wstring> GLongLevels;

// The name a folder's own handle gives for the short Level below Parent,
// where Parent cannot be listed: another program may hold it without
// sharing, and on Windows a user may pass through a folder he may not
// list. Taken only where that name opens the same file.
std::wstring OwnLevelName(const std::wstring& Parent, const std::wstring& Level)
{
    const TKernelHandle File = OpenedToAsk(PrefixedPath(Parent + Level));
    std::vector<DWORD> Buffer((sizeof(FILE_NAME_INFO) + MaxLongPath * sizeof(wchar_t)) / sizeof(DWORD) + 1);
    auto* const Info = reinterpret_cast<FILE_NAME_INFO*>(Buffer.data());
    if (!File || !GetFileInformationByHandleEx(File.Get(), FileNameInfo, Info,
                                               static_cast<DWORD>(Buffer.size() * sizeof(DWORD))))
        return std::wstring();
    const std::wstring Named(Info->FileName, Info->FileNameLength / sizeof(wchar_t));
    const std::wstring Name = Named.substr(Named.find_last_of(L'\\') + 1);
    TFileIdentity Own, Long;
    if (Name.empty() || !IdentityOf(File, Own) || !FileIdentityOf(PrefixedPath(Parent + Name), Long) ||
        Own != Long)
        return std::wstring();
    return Name;
}

// The long name of the short Level below the long path Parent (ending in
// a backslash); empty where none is there.
std::wstring LongLevelName(const std::wstring& Parent, const std::wstring& Level)
{
    const std::wstring Key = Parent + Level;
    {
        const std::lock_guard<std::mutex> Hold(GFolderFormsLock);
        if (const auto Found = GLongLevels.find(Key); Found != GLongLevels.end())
            return Found->second;
    }
    if (Level.find_first_of(L"*?") != std::wstring::npos)
        return std::wstring();
    WIN32_FIND_DATAW Found;
    const TFindHandle Find(FindFirstFileW(PrefixedPath(Key).c_str(), &Found));
    const std::wstring Name = Find ? std::wstring(Found.cFileName) : OwnLevelName(Parent, Level);
    if (Name.empty())
        return Name;
    const std::lock_guard<std::mutex> Hold(GFolderFormsLock);
    if (GFolderFormsScopes == 0)
        return Name;
    if (GLongLevels.size() >= FolderFormsKept)
        GLongLevels.clear();
    return GLongLevels.emplace(Key, Name).first->second;
}

std::string OpenableFolder(const std::wstring& Folder)
{
    {
        const std::lock_guard<std::mutex> Hold(GFolderFormsLock);
        if (const auto Found = GFolderForms.find(Folder); Found != GFolderForms.end())
            return Found->second;
    }
    const std::string Form = OpenableAnsiPath(Folder);
    // A folder without a form may be made yet: only a form is kept.
    if (Form.empty())
        return Form;
    const std::lock_guard<std::mutex> Hold(GFolderFormsLock);
    if (GFolderFormsScopes == 0)
        return Form;
    if (GFolderForms.size() >= FolderFormsKept)
        GFolderForms.clear();
    GFolderForms.emplace(Folder, Form);
    return Form;
}

}  // namespace

bool EndsInDotOrBlank(const std::wstring& Level)
{
    return !Level.empty() && !IsDotLevel(Level) && (Level.back() == L'.' || Level.back() == L' ');
}

TFolderFormsScope::TFolderFormsScope()
{
    const std::lock_guard<std::mutex> Hold(GFolderFormsLock);
    ++GFolderFormsScopes;
}

TFolderFormsScope::~TFolderFormsScope()
{
    const std::lock_guard<std::mutex> Hold(GFolderFormsLock);
    if (--GFolderFormsScopes == 0) {
        GFolderForms.clear();
        GLongLevels.clear();
    }
}

std::string OpenableAnsiPath(const std::wstring& Path)
{
    const std::string Ansi = ExactAnsi(Path);
    if (!Ansi.empty() && !HasLevelWithoutPlainName(Path))
        return Ansi;
    // A plain name in a folder that needs its short form goes by the
    // folder's form: that was checked to open that very folder, and a plain
    // name in it opens only itself.
    if (const std::size_t Slash = Path.find_last_of(L"\\/");
        Slash != std::wstring::npos && Slash + 1 > PathRootLength(Path) && Slash + 1 < Path.size()) {
        const std::wstring Last = Path.substr(Slash + 1);
        if (const std::string Plain = ExactAnsi(Last); !Plain.empty() && !TakesNoPlainName(Last)) {
            const std::string Folder = OpenableFolder(Path.substr(0, Slash));
            return Folder.empty() ? std::string() : Folder + "\\" + Plain;
        }
    }
    // Only the levels the ANSI calls cannot take go by their short names:
    // the fewer short names, the fewer folders read to find them.
    const std::size_t Root = PathRootLength(Path);
    std::wstring Long = Path.substr(0, Root), Short = Long;
    for (std::size_t At = Root; At < Path.size();) {
        const std::size_t End = std::min(Path.find_first_of(L"\\/", At), Path.size());
        const std::wstring Level = Path.substr(At, End - At);
        Long += Level;
        if (TakesNoPlainName(Level) || ExactAnsi(Level).empty() != Level.empty()) {
            const std::wstring Alternate = AlternateName(Long);
            // A volume that makes no short names leaves such a level
            // without a form the ANSI calls open.
            if (Alternate.empty())
                return std::string();
            Short += Alternate;
        } else {
            Short += Level;
        }
        if (End < Path.size()) {
            Long += L'\\';
            Short += L'\\';
        }
        At = End + 1;
    }
    // "Bank 33923.mbx" and "Bank 7246.mbx" may both be "BANK~ELV.MBX".
    const std::string Opens = ExactAnsi(Short);
    if (Opens.empty() || !LeadsBackTo(Opens, Path) || !OpensNoOtherFile(Opens, Path))
        return std::string();
    return Opens;
}

bool LeadsBackTo(const std::string& Form, const std::wstring& Path)
{
    return LongPathName(AnsiToWide(Form)) == LongPathName(Path);
}

bool OpensNoOtherFile(const std::string& Form, const std::wstring& Path)
{
    TFileIdentity Wanted, Got;
    return !FileIdentityOf(PrefixedPath(Path), Wanted) || (FileIdentityOf(LongPathForm(Form), Got) && Got == Wanted);
}

std::wstring AnsiToWide(const std::string& Text)
{
    if (Text.empty())
        return std::wstring();
    const int N = MultiByteToWideChar(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
    std::wstring W(static_cast<size_t>(N > 0 ? N : 0), L'\0');
    if (N > 0)
        MultiByteToWideChar(CP_ACP, 0, Text.data(), static_cast<int>(Text.size()), W.data(), N);
    return W;
}

std::string WideToAnsi(const wchar_t* Text)
{
    if (!Text || !*Text)
        return std::string();
    const int N = WideCharToMultiByte(CP_ACP, 0, Text, -1, nullptr, 0, nullptr, nullptr);
    std::string S(static_cast<size_t>(N > 0 ? N : 0), '\0');
    if (N > 0)
        WideCharToMultiByte(CP_ACP, 0, Text, -1, S.data(), N, nullptr, nullptr);
    S.resize(static_cast<size_t>(N > 0 ? N - 1 : 0));
    return S;
}

std::string WideToAnsi(const std::wstring& Text, bool& Lost)
{
    BOOL Defaulted = FALSE;
    const int Size = static_cast<int>(Text.size());
    const int N = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Text.data(), Size, nullptr, 0, nullptr, nullptr);
    std::string A(static_cast<size_t>(N > 0 ? N : 0), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Text.data(), Size, A.data(), N, nullptr, &Defaulted);
    Lost = Defaulted != FALSE;
    if (AnsiToWide(A) == Text)
        return A;
    // Wine takes a best fit all the same ("\u03a9mega" as "Omega"): each
    // letter that does not read back as itself becomes a "?".
    Lost = true;
    std::string Exact;
    for (size_t At = 0; At < Text.size();) {
        const size_t Length = IS_HIGH_SURROGATE(Text[At]) && At + 1 < Text.size() ? 2 : 1;
        const std::string Letter = ExactAnsi(Text.substr(At, Length));
        Exact += Letter.empty() ? std::string("?") : Letter;
        At += Length;
    }
    return Exact;
}

std::wstring TrimmedPathLevels(const std::wstring& Path)
{
    const std::size_t Root = PathRootLength(Path);
    std::wstring Trimmed = Path.substr(0, Root);
    for (std::size_t At = Root; At < Path.size();) {
        const std::size_t End = std::min(Path.find_first_of(L"\\/", At), Path.size());
        const std::wstring Level = Path.substr(At, End - At);
        const std::wstring Kept = TrimmedName(Level);
        Trimmed += Kept.empty() ? Level : Kept;
        if (End < Path.size())
            Trimmed += Path[End];
        At = End + 1;
    }
    return Trimmed;
}

std::string FullPlainAnsiPath(const std::string& Path)
{
    // Only a current folder put in front can bring characters the code
    // page lacks; they then show as the code page shows them.
    return WideToAnsi(FullPlainPath(AnsiToWide(Path)).c_str());
}

std::wstring LongPathName(const std::wstring& Path)
{
    // A level without a tilde is no short form of another name: only the
    // others are looked up, which under Wine reads the whole folder for
    // a name it does not hold.
    if (Path.find(L'~') == std::wstring::npos)
        return Path;
    std::size_t At = PathRootLength(Path);
    std::wstring Long = Path.substr(0, At);
    while (At < Path.size()) {
        const std::size_t End = std::min(Path.find_first_of(L"\\/", At), Path.size());
        const std::wstring Level = Path.substr(At, End - At);
        if (Level.find(L'~') != std::wstring::npos && !IsDotLevel(Level)) {
            const std::wstring Name = LongLevelName(Long, Level);
            if (Name.empty())
                return Long + Path.substr(At);
            Long += Name;
        } else {
            Long += Level;
        }
        if (End < Path.size())
            Long += Path[End];
        At = End + 1;
    }
    return Long;
}

bool IsLongPath(const std::string& Path)
{
    return Path.size() >= LongPathFrom && !HasLongPathPrefix(Path);
}

std::wstring LongPathForm(const std::string& Path)
{
    const std::wstring wide = AnsiToWide(Path);
    if (!IsLongPath(Path))
        return wide;
    // The prefix turns off the resolving of "." and ".." the plain form
    // gets; it is done first.
    return PrefixedPath(FullPlainPath(wide));
}

std::wstring LongPathOf(const std::string& Path)
{
    return LongPathName(AnsiToWide(Path));
}

std::wstring SystemFullPathOf(const std::string& Path)
{
    return SystemFullPath(AnsiToWide(Path));
}

std::wstring ExistingLongPath(const std::wstring& Full)
{
    const bool Deep = Full.size() >= LongPathFrom && !IsSlash(Full[0]);
    const std::wstring Asked = Deep ? PrefixedPath(Full) : Full;
    std::wstring Name(MaxLongPath, L'\0');
    const DWORD N = GetLongPathNameW(Asked.c_str(), Name.data(), MaxLongPath);
    if (N == 0 || N >= MaxLongPath)
        return std::wstring();
    Name.resize(N);
    return Deep ? UnprefixedPath(Name) : Name;
}

std::wstring LongFullPathOf(const std::string& Path)
{
    const std::wstring Full = SystemFullPathOf(Path);
    for (size_t End = Full.size(); End != std::wstring::npos && End > 2; End = Full.find_last_of(L"\\/", End - 1)) {
        const std::wstring Head = ExistingLongPath(Full.substr(0, End));
        if (!Head.empty())
            return Head + Full.substr(End);
    }
    return Full;
}

bool IsExistingWideFile(const std::wstring& Path)
{
    const DWORD attr = GetFileAttributesW(PrefixedPath(Path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::string AnsiPathOf(const std::wstring& Path)
{
    const std::string Openable = OpenableAnsiPath(Path);
    return Openable.empty() ? WideToAnsi(Path.c_str()) : Openable;
}

// Whether Windows opens a device for a name whose part before the first
// dot is Base. The rule is the system's own, on the wide name: a code
// page's best fit makes other names look like these (the full-width
// "COM\uFF11" arrives as COM1).
bool IsDeviceName(std::wstring Base)
{
    if (!Base.empty())
        CharUpperBuffW(Base.data(), static_cast<DWORD>(Base.size()));
    // CONIN$ and CONOUT$ open the console's input and screen: a file of
    // that name is never made, the handle is a console's.
    for (const wchar_t* Device : {L"AUX", L"CON", L"NUL", L"PRN", L"CLOCK$", L"CONIN$", L"CONOUT$"})
        if (Base == Device)
            return true;
    if (Base.size() != 4 || (Base.compare(0, 3, L"COM") != 0 && Base.compare(0, 3, L"LPT") != 0))
        return false;
    // Windows takes the superscript digits for port numbers too (COM\u00B9
    // is COM1).
    const wchar_t Number = Base[3];
    return (Number >= L'0' && Number <= L'9') || Number == L'\u00B9' || Number == L'\u00B2' || Number == L'\u00B3';
}

bool IsDeviceFileName(const std::wstring& Name)
{
    std::wstring Base = Name.substr(0, Name.find(L'.'));
    while (!Base.empty() && Base.back() == L' ')
        Base.pop_back();
    return IsDeviceName(Base);
}

std::wstring TargetSafeName(const std::wstring& Name)
{
    if (Name.empty())
        return L"_";
    // Replaced, not dropped: "Old" and "Old." of one source folder would
    // meet in one target folder or mbox file. A name made on another system
    // may hold characters no Windows name takes ("a?b"): written as it
    // stands, its copy fails and with it the run.
    std::wstring Safe = Name;
    for (wchar_t& Ch : Safe)
        if (Ch < L' ' || std::wcschr(L"\"*/:<>?|\\", Ch))
            Ch = L'_';
    if (Safe.back() == L'.' || Safe.back() == L' ')
        Safe.back() = L'_';
    return IsDeviceFileName(Safe) ? L"_" + Safe : Safe;
}
