#include "foundation/KvSpFolder.h"

#include <windows.h>

#include <shlobj.h>

#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSettings.h"
#include "foundation/KvWindows.h"

std::string GShellFoldersUserKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
std::string GShellFoldersCommonKey =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

namespace {

// Shell folder ids; the names of the shell headers differ between SDKs.
enum : int {
    csDesktop = 0x00, csPersonal = 0x05, csMyMusic = 0x0D, csMyVideo = 0x0E,
    csCommonDesktop = 0x19, csAppData = 0x1A, csLocalAppData = 0x1C,
    csCommonAppData = 0x23, csMyPictures = 0x27, csCommonDocuments = 0x2E
};

std::string WithBackslash(const std::string& Folder)
{
    return Folder.empty() ? Folder : AddTrailingBackslash(Folder);
}

std::string ShellPath(int Csidl)
{
    return WithBackslash(GetSpecialFolder(Csidl));
}

std::string ExistingFolder(const std::string& Folder)
{
    return !Folder.empty() && FolderExists(Folder) ? WithBackslash(Folder) : std::string();
}

// Music, pictures and videos share one chain of fallbacks.
std::string MediaFolder(int Csidl, bool Available, const char* const* RegNames,
                        const char* PublicName, const char* OldSubName, const char* NewSubName)
{
    std::string r = Available ? ShellPath(Csidl) : std::string();
    for (; r.empty() && *RegNames; ++RegNames)
        r = GetShellFolderFromRegistry(*RegNames);
    if (!r.empty())
        return r;
    const bool vista = IsWinVistaOrLater();
    if (vista)
        r = ExistingFolder(std::string("C:\\Users\\Public\\") + PublicName);
    if (r.empty()) {
        const std::string docs = GetDocumentsFolder();
        if (!docs.empty())
            r = ExistingFolder(docs + (vista ? NewSubName : OldSubName));
    }
    return r;
}

}  // namespace

std::string GetSpecialFolder(int Csidl)
{
    if (GHooks.SpecialFolder)
        return GHooks.SpecialFolder(Csidl);
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, Csidl, &list)) || !list)
        return std::string();
    char buf[MAX_PATH + 1] = {};
    const bool ok = SHGetPathFromIDListA(list, buf) != FALSE;
    CoTaskMemFree(list);
    return ok ? std::string(buf) : std::string();
}

std::string GetShellFolderFromRegistry(const std::string& Name)
{
    std::string value = Name == "My Documents" ? std::string("Personal") : Name;
    const bool common = value.compare(0, 6, "Common") == 0;
    std::string r = ReadRegistryPathValue(
        (common ? GShellFoldersCommonKey : GShellFoldersUserKey) + "::" + value, std::string());
    if (r.empty() && value == "Personal") {
        const char* guess = IsWinVistaOrLater() ? "C:\\Users\\Public\\Documents" : "C:\\My Documents";
        if (FolderExists(guess))
            r = guess;
    }
    return WithBackslash(r);
}

std::string GetAppDataFolder(const std::string& SubFolder, bool Local)
{
    std::string r;
    if (Local && IsWinMeOrNT5())
        r = ShellPath(csLocalAppData);
    else if (!Local && IsWin98OrNT5())
        r = ShellPath(csAppData);
    if (r.empty())
        r = GetShellFolderFromRegistry(Local ? "Local AppData" : "AppData");
    if (!r.empty() && !SubFolder.empty())
        r = JoinPath(r, SubFolder);
    return r;
}

std::string GetLocalAppDataFolder()
{
    return ShellPath(csLocalAppData);
}

std::string GetCommonAppDataFolder()
{
    std::string r = IsWinMeOrNT5() ? ShellPath(csCommonAppData) : std::string();
    return r.empty() ? GetShellFolderFromRegistry("Common AppData") : r;
}

std::string GetDocumentsFolder()
{
    std::string r = IsWinXPOrLater() ? ShellPath(csPersonal) : std::string();
    return r.empty() ? GetShellFolderFromRegistry("Personal") : r;
}

std::string GetCommonDocumentsFolder()
{
    std::string r = IsWinMeOrNT5() ? ShellPath(csCommonDocuments) : std::string();
    return r.empty() ? GetShellFolderFromRegistry("Common Documents") : r;
}

std::string GetMusicFolder()
{
    static const char* const names[] = {"My Music", nullptr};
    return MediaFolder(csMyMusic, IsWinXPOrLater(), names, "Music", "My Music", "Music");
}

std::string GetPicturesFolder()
{
    static const char* const names[] = {"My Pictures", "MyPictures", nullptr};
    return MediaFolder(csMyPictures, IsWinMeOrNT5(), names, "Pictures", "My Pictures", "Pictures");
}

std::string GetVideosFolder()
{
    static const char* const names[] = {"My Video", nullptr};
    return MediaFolder(csMyVideo, IsWinXPOrLater(), names, "Videos", "My Videos", "Videos");
}

std::string GetDesktopFolder()
{
    return ShellPath(csDesktop);
}

std::string GetCommonDesktopFolder()
{
    return ShellPath(csCommonDesktop);
}
