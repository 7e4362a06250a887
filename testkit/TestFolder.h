#pragma once

#include <cstdlib>
// A scratch folder of the test's own under the system temp path, removed
// with everything below it; and whole-file byte helpers for test data.

#include <windows.h>

#include <map>
#include <string>

#include "classlib/Cleanup.h"

class TTestFolder {
public:
    explicit TTestFolder(const std::string& Tag)
    {
        char Tmp[MAX_PATH], Long[MAX_PATH];
        GetTempPathA(MAX_PATH, Tmp);
        // The long form, so that paths the code under test expands compare
        // equal to the ones a test builds.
        if (GetLongPathNameA(Tmp, Long, MAX_PATH) == 0)
            lstrcpyA(Long, Tmp);
        const std::string Base = std::string(Long) + "tessaly_" + Tag + "_" + std::to_string(GetCurrentProcessId());
        // A serial rather than the clock: fixtures of one process may make
        // folders of the same tag within a single tick.
        do
            FPath = Base + "_" + std::to_string(++Serial);
        while (!CreateDirectoryA(FPath.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    }
    ~TTestFolder()
    {
        // A file dialog may have left the process's current folder inside
        // this one, and a current folder cannot be removed.
        char Cur[MAX_PATH];
        const DWORD N = GetCurrentDirectoryA(MAX_PATH, Cur);
        const std::string Current(Cur, N < MAX_PATH ? N : 0);
        if (Current.size() >= FPath.size() && lstrcmpiA(Current.substr(0, FPath.size()).c_str(), FPath.c_str()) == 0 &&
            (Current.size() == FPath.size() || Current[FPath.size()] == '\\'))
            SetCurrentDirectoryA(FPath.substr(0, FPath.find_last_of('\\') + 1).c_str());
        const int W = MultiByteToWideChar(CP_ACP, 0, FPath.c_str(), -1, nullptr, 0);
        std::wstring Wide(static_cast<std::size_t>(W > 0 ? W - 1 : 0), L'\0');
        MultiByteToWideChar(CP_ACP, 0, FPath.c_str(), -1, Wide.data(), W);
        RemoveTree(L"\\\\?\\" + Wide);
    }
    TTestFolder(const TTestFolder&) = delete;
    TTestFolder& operator=(const TTestFolder&) = delete;

    // Without a trailing backslash.
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& Name) const { return FPath + "\\" + Name; }

    // Writes File(Name) and returns its path.
    std::string Write(const std::string& Name, const std::string& Bytes) const
    {
        const std::string P = File(Name);
        Put(P, Bytes);
        return P;
    }

    // Writes Bytes to the file at Path, making its folders first; false when
    // not all of them could be written.
    static bool Put(const std::string& Path, const std::string& Bytes)
    {
        for (std::size_t P = Path.find('\\', 3); P != std::string::npos; P = Path.find('\\', P + 1))
            CreateDirectoryA(Path.substr(0, P).c_str(), nullptr);
        const TKernelHandle H(CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!H)
            return false;
        DWORD Done = 0;
        return Bytes.empty() ||
               (::WriteFile(H.Get(), Bytes.data(), static_cast<DWORD>(Bytes.size()), &Done, nullptr) &&
                Done == Bytes.size());
    }

    // The bytes of the file at Path, or Missing when it cannot be opened.
    // Other handles may hold the file open meanwhile.
    static std::string Read(const std::string& Path, const std::string& Missing = "")
    {
        const TKernelHandle H(CreateFileA(Path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        if (!H)
            return Missing;
        return ReadAll(H.Get());
    }

    // The wide Path made "\\?\" absolute, so that any name and length opens.
    static std::wstring LongForm(const std::wstring& Path)
    {
        return Path.compare(0, 4, L"\\\\?\\") == 0 ? Path : L"\\\\?\\" + Path;
    }

    // Put and Read for wide paths of any length and script.
    static bool Put(const std::wstring& Path, const std::string& Bytes)
    {
        const TKernelHandle H(
            CreateFileW(LongForm(Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD Done = 0;
        return H && ::WriteFile(H.Get(), Bytes.data(), static_cast<DWORD>(Bytes.size()), &Done, nullptr) &&
               Done == Bytes.size();
    }
    static std::string Read(const std::wstring& Path, const std::string& Missing = "")
    {
        const TKernelHandle H(CreateFileW(LongForm(Path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
        if (!H)
            return Missing;
        return ReadAll(H.Get());
    }

    // Every file below Dir by its wide path below Dir, with its bytes:
    // what a user finds on disk, long names and all.
    static std::map<std::wstring, std::string> WideTree(const std::wstring& Dir, const std::wstring& Prefix = L"")
    {
        std::map<std::wstring, std::string> Files;
        WIN32_FIND_DATAW Fd;
        const TFindHandle H(FindFirstFileW((LongForm(Dir) + L"\\*").c_str(), &Fd));
        if (!H)
            return Files;
        do {
            const std::wstring N = Fd.cFileName;
            if (N == L"." || N == L"..")
                continue;
            if (Fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                Files.merge(WideTree(Dir + L"\\" + N, Prefix + N + L"\\"));
            else
                Files[Prefix + N] = Read(Dir + L"\\" + N);
        } while (FindNextFileW(H.Get(), &Fd));
        return Files;
    }

    // Calls Visit(Name, Data) for each entry that Pattern (a path ending in
    // a wildcard name) finds, "." and ".." left out.
    template <typename TVisit>
    static void ForEachFound(const std::string& Pattern, TVisit Visit)
    {
        WIN32_FIND_DATAA Fd;
        const TFindHandle H(FindFirstFileA(Pattern.c_str(), &Fd));
        if (!H)
            return;
        do {
            const std::string N = Fd.cFileName;
            if (N != "." && N != "..")
                Visit(N, Fd);
        } while (FindNextFileA(H.Get(), &Fd));
    }

    // Calls Visit(Path, Relative, Data) for every file below Dir, folders
    // walked depth first; Relative is the path below Dir.
    template <typename TVisit>
    static void ForEachFileBelow(const std::string& Dir, TVisit Visit, const std::string& Prefix = std::string())
    {
        ForEachFound(Dir + "\\*", [&](const std::string& N, const WIN32_FIND_DATAA& Fd) {
            const std::string P = Dir + "\\" + N;
            if (Fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                ForEachFileBelow(P, Visit, Prefix + N + "\\");
            else
                Visit(P, Prefix + N, Fd);
        });
    }

private:
    static std::string ReadAll(HANDLE H)
    {
        std::string Bytes;
        char Buf[65536];
        DWORD Got = 0;
        while (::ReadFile(H, Buf, sizeof Buf, &Got, nullptr) && Got > 0)
            Bytes.append(Buf, Got);
        return Bytes;
    }

    // Wide names in the "\\?\" form: tests make entries the ANSI names
    // cannot reach (other scripts, device names, a trailing dot or blank).
    static void RemoveTree(const std::wstring& Dir)
    {
        WIN32_FIND_DATAW Fd;
        const TFindHandle H(FindFirstFileW((Dir + L"\\*").c_str(), &Fd));
        if (H) {
            do {
                const std::wstring N = Fd.cFileName;
                if (N == L"." || N == L"..")
                    continue;
                const std::wstring P = Dir + L"\\" + N;
                // Tests leave read-only and hidden entries behind on purpose.
                SetFileAttributesW(P.c_str(), FILE_ATTRIBUTE_NORMAL);
                // A folder link goes by itself: what it leads to is not ours.
                if ((Fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(Fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    RemoveTree(P);
                else if (Fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryW(P.c_str());
                else
                    DeleteFileW(P.c_str());
            } while (FindNextFileW(H.Get(), &Fd));
        }
        RemoveDirectoryW(Dir.c_str());
    }

    inline static int Serial = 0;
    std::string FPath;
};

// A Unix path as Wine shows it, on its Z: drive; Windows paths stay as
// they are, with '/' turned into '\\'.
inline std::string WinePath(std::string Path)
{
    if (!Path.empty() && Path[0] == '/')
        Path = "Z:" + Path;
    for (char& c : Path)
        if (c == '/')
            c = '\\';
    return Path;
}

// The bytes of a file kept under tests/data, named with '/' (for example
// "mime/relative.eml"). ctest names that folder in TESSALY_TEST_DATA and runs
// the programs inside it; by hand, the working folder and then the folder
// beside this header are tried, so a test program finds its data wherever it
// is started from.
inline std::string ReadTestData(std::string Name)
{
    Name = WinePath(Name);
    if (const char* dir = std::getenv("TESSALY_TEST_DATA"))
        return TTestFolder::Read(WinePath(dir) + "\\" + Name);
    std::string bytes = TTestFolder::Read(Name);
    if (bytes.empty()) {
        std::string here = WinePath(__FILE__);
        here.erase(here.find_last_of('\\') + 1);
        bytes = TTestFolder::Read(here + "data\\" + Name);
    }
    return bytes;
}
