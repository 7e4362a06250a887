#include "foundation/KvPathForms.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "classlib/Cleanup.h"
#include "foundation/KvAnsi.h"

namespace {

bool IsSlash(wchar_t Ch)
{
    return Ch == L'\\' || Ch == L'/';
}

bool IsDotLevel(const std::wstring& Level)
{
    return Level == L"." || Level == L"..";
}

// Name without its trailing dots and blanks; empty when it holds nothing else.
std::wstring TrimmedName(const std::wstring& Name)
{
    const std::size_t Last = Name.find_last_not_of(L". ");
    return Last == std::wstring::npos ? std::wstring() : Name.substr(0, Last + 1);
}

}  // namespace

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
    return DefaultWideToAnsi(FullPlainPath(AnsiToWideStr(Path)));
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
            WIN32_FIND_DATAW Found;
            const TFindHandle Find(Level.find_first_of(L"*?") == std::wstring::npos
                                       ? FindFirstFileW(PrefixedPath(Long + Level).c_str(), &Found)
                                       : INVALID_HANDLE_VALUE);
            if (!Find)
                return Long + Path.substr(At);
            Long += Found.cFileName;
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
    const std::wstring wide = AnsiToWideStr(Path);
    if (!IsLongPath(Path))
        return wide;
    // The prefix turns off the resolving of "." and ".." the plain form
    // gets; it is done first.
    return PrefixedPath(FullPlainPath(wide));
}

std::wstring LongPathOf(const std::string& Path)
{
    return LongPathName(AnsiToWideStr(Path));
}

std::wstring SystemFullPathOf(const std::string& Path)
{
    return SystemFullPath(DefaultAnsiToWide(Path));
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
