#pragma once
// Folder links and files with names the ANSI API cannot give, made by a test
// for the code that must survive them.

#include <windows.h>

#include <cstdint>
#include <string>

#include "classlib/PathForms.h"

// Runs a Unix program by its path; Wine starts it as a process of its own
// and does not wait for it: the caller looks for what it makes.
inline bool RunUnixTool(const std::string& CommandLine)
{
    std::string cmd = CommandLine;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    // For a Unix program Wine 8 fills the process and thread handles with
    // whatever its stack held: waiting on them, or closing them, closed
    // handles of this program's own (its standard output among them, so
    // that a test program went on without a word and ended with status 0).
    // There is no handle of the Unix program to keep or to close.
    return CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
}

// The Unix path of a Windows path under Wine; empty elsewhere.
inline std::string UnixPathOf(const std::string& Path)
{
    using TUnixName = char*(__cdecl*)(const wchar_t*);
    const auto fn = reinterpret_cast<TUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn)
        return std::string();
    const std::wstring wide(Path.begin(), Path.end());
    char* unix = fn(wide.c_str());
    if (!unix)
        return std::string();
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// A FIFO at Path, made by the Unix tool; false where none could be made.
inline bool MakeFifo(const std::string& Path)
{
    const std::string unixPath = UnixPathOf(Path);
    if (unixPath.empty() || unixPath.find(' ') != std::string::npos || !RunUnixTool("/usr/bin/mkfifo " + unixPath))
        return false;
    // Wine does not wait for a Unix program: the FIFO comes when it comes.
    for (int i = 0; i < 500; ++i) {
        WIN32_FIND_DATAA fd;
        const HANDLE find = FindFirstFileA(Path.c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            return true;
        }
        Sleep(10);
    }
    return false;
}

// A folder link at Link pointing to Target; removed again before the scratch
// folder goes, so that its removal does not run round the loop.
class TFolderLink {
public:
    TFolderLink(const std::string& Link, const std::string& Target) : FLink(Link)
    {
        const std::wstring link(Link.begin(), Link.end()), target(Target.begin(), Target.end());
        // Wine answers success here and makes nothing: check what is there.
        if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && Exists())
            return;
        const std::string unixLink = UnixPathOf(Link), unixTarget = UnixPathOf(Target);
        // Wine hands quotes on to a Unix program as they stand: these paths
        // must do without.
        if (!unixLink.empty() && !unixTarget.empty() && (unixLink + unixTarget).find(' ') == std::string::npos) {
            RunUnixTool("/bin/ln -s " + unixTarget + " " + unixLink);
            FUnix = unixLink;
            // Wine does not wait for a Unix program: the link comes when it comes.
            for (int i = 0; i < 500 && !Exists(); ++i)
                Sleep(10);
        }
    }
    ~TFolderLink()
    {
        if (!FUnix.empty()) {
            RunUnixTool("/bin/rm -f " + FUnix);
            for (int i = 0; i < 500 && Exists(); ++i)
                Sleep(10);
        } else {
            RemoveDirectoryA(FLink.c_str());
        }
    }
    TFolderLink(const TFolderLink&) = delete;
    TFolderLink& operator=(const TFolderLink&) = delete;

    bool Exists() const
    {
        const DWORD attr = GetFileAttributesA(FLink.c_str());
        return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
    }

private:
    std::string FLink;
    std::string FUnix;
};

// A drive letter mapped to Folder while it lives, as "subst" maps one: a
// second name for the folder. Under Wine, which makes no file name of a
// defined device, the letter is a link among the prefix's drives instead.
class TMappedDrive {
public:
    explicit TMappedDrive(const std::string& Folder)
    {
        const DWORD used = GetLogicalDrives();
        for (char letter = 'T'; letter < 'Z' && FRoot.empty(); ++letter)
            if (!(used & (1u << (letter - 'A'))))
                FRoot = std::string(1, letter) + ":";
        if (FRoot.empty())
            return;
        const std::wstring drive(FRoot.begin(), FRoot.end()), target(Folder.begin(), Folder.end());
        FDefined = DefineDosDeviceW(0, drive.c_str(), target.c_str()) != FALSE;
        if (Exists())
            return;
        char prefix[MAX_PATH] = {};
        const std::string unixTarget = UnixPathOf(Folder);
        if (!GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix) || unixTarget.empty() ||
            (unixTarget + prefix).find(' ') != std::string::npos)
            return;
        FFolder = Folder;
        FUnmapped = IdentityOf(Folder);
        FUnix = std::string(prefix) + "/dosdevices/" + static_cast<char>(FRoot[0] + 'a' - 'A') + ":";
        RunUnixTool("/bin/ln -sfn " + unixTarget + " " + FUnix);
        // Wine does not wait for a Unix program: the drive comes when it
        // comes. Wine gives each file the serial number of the nearest drive
        // root above it, from its list of drives, read again once a second:
        // until the list holds the new drive, every identity taken below the
        // folder changes at the next second.
        for (int i = 0; i < 500 && !(Exists() && IdentityOf(Folder) != FUnmapped); ++i)
            Sleep(10);
    }
    ~TMappedDrive()
    {
        const std::wstring drive(FRoot.begin(), FRoot.end());
        if (FDefined)
            DefineDosDeviceW(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
        if (!FUnix.empty()) {
            RunUnixTool("/bin/rm -f " + FUnix);
            // The files below take back their own drive's serial number.
            for (int i = 0; i < 500 && (Exists() || IdentityOf(FFolder) != FUnmapped); ++i)
                Sleep(10);
        }
    }
    TMappedDrive(const TMappedDrive&) = delete;
    TMappedDrive& operator=(const TMappedDrive&) = delete;

    // "T:", say; empty when no letter was free.
    const std::string& Root() const { return FRoot; }
    bool Exists() const
    {
        const DWORD attr = FRoot.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA((FRoot + "\\").c_str());
        return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
    }

private:
    // The identity of a folder; a default one when none opens there.
    static TFileIdentity IdentityOf(const std::string& Folder)
    {
        TFileIdentity id;
        FileIdentityOf(AnsiToWide(Folder), id);
        return id;
    }

    std::string FRoot;
    std::string FFolder;
    std::string FUnix;
    TFileIdentity FUnmapped;
    bool FDefined = false;
};

// Writes Bytes to a file whose name is wide text (UTF-8 here); the "\\?\"
// form keeps a trailing dot or blank that the plain form would drop.
inline bool PutWideNamedFile(const std::string& Folder, const std::string& Utf8Name, const std::string& Bytes)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, Utf8Name.c_str(), -1, nullptr, 0);
    std::wstring name(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, Utf8Name.c_str(), -1, name.data(), n);
    const std::wstring path = L"\\\\?\\" + std::wstring(Folder.begin(), Folder.end()) + L"\\" + name;
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    const bool ok = WriteFile(h, Bytes.data(), static_cast<DWORD>(Bytes.size()), &done, nullptr) && done == Bytes.size();
    CloseHandle(h);
    return ok;
}

// A tiny file system mounted at Folder, to run out of room or to refuse
// writes. Only root can mount one: Mounted() tells whether it came.
class TSmallDisk {
public:
    TSmallDisk(const std::string& Folder, const std::string& Options) : FFolder(Folder)
    {
        CreateDirectoryA(Folder.c_str(), nullptr);
        const std::string unixFolder = UnixPathOf(Folder);
        if (unixFolder.empty() || unixFolder.find(' ') != std::string::npos)
            return;
        const std::uint64_t before = TotalBytes();
        RunUnixTool("/bin/mount -t tmpfs -o " + Options + " tmpfs " + unixFolder);
        for (int i = 0; i < 300 && TotalBytes() == before; ++i)
            Sleep(10);
        if (TotalBytes() != before)
            FUnix = unixFolder;
    }
    ~TSmallDisk()
    {
        if (FUnix.empty())
            return;
        const std::uint64_t mounted = TotalBytes();
        // Lazily: a handle the Wine server still holds there would keep a
        // plain unmount from taking place, and the disk would outlive the test.
        RunUnixTool("/bin/umount -l " + FUnix);
        for (int i = 0; i < 300 && TotalBytes() == mounted; ++i)
            Sleep(10);
    }
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;

    bool Mounted() const { return !FUnix.empty(); }

private:
    std::uint64_t TotalBytes() const
    {
        ULARGE_INTEGER free{}, total{}, totalFree{};
        if (!GetDiskFreeSpaceExA((FFolder + "\\").c_str(), &free, &total, &totalFree))
            return 0;
        return total.QuadPart;
    }

    std::string FFolder;
    std::string FUnix;
};
