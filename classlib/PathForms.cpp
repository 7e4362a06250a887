#include "classlib/PathForms.h"

#include <windows.h>

#include <algorithm>

namespace {

const std::wstring Prefix = L"\\\\?\\";
const std::wstring UncPrefix = L"\\\\?\\UNC\\";
const std::wstring DevicePrefix = L"\\\\.\\";

bool StartsWith(const std::wstring& Text, const std::wstring& Start)
{
    return Text.compare(0, Start.size(), Start) == 0;
}

// Text in the code page when it reads back as the very same text; empty
// otherwise. Exactly: a best fit opens another file, or a device
// ("COM\uFF11" as COM1).
std::string ExactAnsi(const std::wstring& Text)
{
    const std::string Ansi = WideToAnsi(Text.c_str());
    return AnsiToWide(Ansi) == Text ? Ansi : std::string();
}

}  // namespace

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

std::string OpenableAnsiPath(const std::wstring& Path)
{
    const std::string Ansi = ExactAnsi(Path);
    if (!Ansi.empty() && Ansi.back() != '.' && Ansi.back() != ' ')
        return Ansi;
    // The "\\?\" form keeps a trailing dot or blank the plain form drops.
    const std::wstring Short = ShortPathName(Path);
    return Short.empty() ? std::string() : ExactAnsi(Short);
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
    return A;
}
