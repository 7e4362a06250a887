#include "foundation/KvAppBase.h"

#include <windows.h>

#include <cctype>

#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvParam.h"
#include "foundation/KvSpFolder.h"
#include "foundation/KvStrings.h"
#include "foundation/KvSystem.h"
#include "foundation/KvWindows.h"

std::string ApplicationName;
std::string AppDataSubfolder;
std::string ExeBaseName;
std::string IniFileName;
bool ProgramOnRemovableDrive = false;
bool PortableMode = false;
std::string UsbDrive;
bool ResetSettings = false;
bool NewSettings = true;
int ConfigVersion = 0;

bool& SettingsAreNew = NewSettings;
std::string& SettingsSubFolder = AppDataSubfolder;
int& SettingsVersion = ConfigVersion;

TKvAppSettings* AppSettings = nullptr;
const char* const AppSection = "Application";
TKvTwoWayList* PathMacroNames = nullptr;


namespace {

const char* const MacroNameList =
    "Pictures;Documents;Music;Videos;Desktop;ProgramData;AppData;IniFolder;TempFolder;"
    "SharedDocuments;SharedDesktop;SharedData;ExeFolder;UsbDrv;ExeDrv";

TKvTwoWayList& MacroNames()
{
    if (!PathMacroNames)
        PathMacroNames = new TKvTwoWayList(MacroNameList, ';');
    return *PathMacroNames;
}

struct TAppBaseUnit {
    TAppBaseUnit()
    {
        MacroNames();
        GFilePathHook = [](const std::string& Path) { return RehomeFilePath(Path); };
        GFolderPathHook = [](const std::string& Path) { return RehomeFolderPath(Path); };
    }
    ~TAppBaseUnit()
    {
        FreeAndClear(AppSettings);
        FreeAndClear(PathMacroNames);
    }
} AppBaseUnit;

// The program's names come from the files unit, whose start-up may run
// after this one's.
void SettleExeNames()
{
    if (ExeBaseName.empty() && !ExeFileName.empty())
        ExeBaseName = ExtractFileNameNoExt(ExeFileName, "exe");
}

std::string ExeIniName()
{
    return ExtractFileNamePart(SetFileExt(ExeFileName, "ini"));
}

std::string DefaultSubfolder()
{
    SettleExeNames();
    if (!AppDataSubfolder.empty())
        return AppDataSubfolder;
    if (!ApplicationName.empty())
        return ApplicationName;
    return "BR " + ExeBaseName;
}

bool ProgramDriveRemovable()
{
    if (GHooks.RemovableDrive)
        return GHooks.RemovableDrive(ExeFolder);
    return GetDriveTypeOf(ExeFolder) == DRIVE_REMOVABLE;
}

// A folder made or found, with a trailing backslash; empty when it can't be.
std::string MadeFolder(const std::string& Folder)
{
    if (Folder.empty() || !ForceFolder(Folder))
        return std::string();
    return AddTrailingBackslash(Folder);
}

// A path of the "USER" and "DAT" switches and the "UserFolder" key:
// relative ones live inside the application-data folder.
std::string InAppData(const std::string& Path)
{
    if (Path.empty() || !IsRelativePath(Path))
        return Path;
    const std::string appData = GetAppDataFolder();
    return appData.empty() ? Path : JoinPath(appData, Path);
}

TKvAppSettings* OpenSettings(const std::string& FileName, const std::string& RegistryKey)
{
    auto* s = new TKvAppSettings(FileName);
    s->SetRegistryKey(RegistryKey);
    return s;
}

// Settings and data move to the data folder (the application-data folder
// once UseUserFolder is on); the old file is copied, never overwriting one
// that already waits there.
void MoveSettingsToDataFolder()
{
    const std::string target = GetDataFolder() + ExeIniName();
    if (!IsExistingFile(target)) {
        ForceFolder(ExtractParentFolder(target));
        FileCopy(IniFileName, target, true);
    }
    if (!SameTextStr(target, AppSettings->FileName())) {
        const std::string key = AppSettings->RegistryKey();
        FreeAndClear(AppSettings);
        AppSettings = OpenSettings(target, key);
    }
    IniFileName = target;
}

std::string DriveLetterOf(const std::string& Path)
{
    if (Path.size() >= 2 && Path[1] == ':' && IsAsciiLetter(Path[0]))
        return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(Path[0]))));
    return std::string();
}

// In portable mode a path stored on another drive letter follows the
// program's drive when the thing is found there.
std::string FollowUsbDrive(const std::string& Path, bool IsFolder)
{
    if (!PortableMode || UsbDrive.empty())
        return Path;
    const std::string letter = DriveLetterOf(Path);
    if (letter.empty() || letter == UsbDrive)
        return Path;
    auto exists = [&](const std::string& P) { return IsFolder ? FolderExists(P) : IsExistingFile(P); };
    if (exists(Path))
        return Path;
    const std::string moved = UsbDrive + Path.substr(1);
    return exists(moved) ? moved : Path;
}

}  // namespace

bool TKvAppSettings::SaveStorageChoice(const std::string& FileName)
{
    std::string name = FileName;
    if (name.empty())
        name = !this->FileName().empty() ? this->FileName() : GetDataFolder() + ExeIniName();
    const bool registry = StorageMode() == smRegistry;
    if (!registry && SameTextStr(name, this->FileName())) {
        if (!IsWritable())
            return false;
        WriteBool(AppSection, "UseRegistry", false);
        WriteBool(AppSection, "UseProfileFolder", UseUserFolder);
        WriteInteger(AppSection, "Version", ConfigVersion);
        UpdateFile();
        return true;
    }
    if (IsReadOnlyLocation(name))
        return false;
    DeleteFileA(name.c_str());
    TMemIniFile fresh(name);
    fresh.WriteBool(AppSection, "UseRegistry", registry);
    fresh.WriteBool(AppSection, "UseProfileFolder", UseUserFolder);
    fresh.WriteInteger(AppSection, "Version", ConfigVersion);
    fresh.UpdateFile();
    return IsExistingFile(name);
}

bool IsReadOnlyMedia(const std::string& Drive)
{
    if (GHooks.ReadOnlyMedia)
        return GHooks.ReadOnlyMedia(Drive);
    return IsRemovableDrive(Drive) && IsDiskFull(Drive);
}

bool UsbSwitchOn()
{
    if (!CommandLine)
        return false;
    const std::string v = CommandLine->SwitchValue("USB");
    return !v.empty() && StrToBoolDefault(v, false);
}

void SetPortableMode()
{
    PortableMode = true;
    UseUserFolder = false;
    UsbDrive = DriveLetterOf(ExeFolder);
    if (!UsbDrive.empty() && TempFolderOverride.empty())
        TempFolderOverride = MadeFolder(ExeFolder + "Temp\\");
}

void ReadLocationSwitches()
{
    SettleExeNames();
    TCmdList* cl = CommandLine;
    bool datGiven = false;
    if (!cl || cl->Count() == 0) {
        ResetSettings = false;
        ProgramOnRemovableDrive = ProgramDriveRemovable();
        PortableMode = ProgramOnRemovableDrive;
        if (PortableMode)
            SetPortableMode();
    } else {
        if (cl->HasSwitch("TEMP"))
            TempFolderOverride = MadeFolder(ExpandPathMacros(cl->SwitchValue("TEMP")));
        if (!cl->HasSwitch("USB")) {
            ProgramOnRemovableDrive = ProgramDriveRemovable();
            PortableMode = ProgramOnRemovableDrive;
        } else {
            PortableMode = !UsbSwitchOn();
        }
        if (PortableMode)
            SetPortableMode();
        ResetSettings = cl->HasSwitch("RESET");
        if (cl->HasSwitch("USER")) {
            const std::string f = MadeFolder(InAppData(ExpandPathMacros(cl->SwitchValue("USER"))));
            if (!f.empty()) {
                UserFolder = f;
                UseUserFolder = true;
                if (TempFolderOverride.empty())
                    TempFolderOverride = MadeFolder(UserFolder + "Temp\\");
            }
        } else if (cl->HasSwitch("DAT")) {
            const std::string f = MadeFolder(InAppData(ExpandPathMacros(cl->SwitchValue("DAT"))));
            if (!f.empty()) {
                datGiven = true;
                DataFolder = f;
                UseUserFolder = false;
                if (!IniFileName.empty())
                    IniFileName = ExtractFileNamePart(IniFileName);
            }
        }
        if (cl->HasSwitch("INI")) {
            const std::string v = ExpandPathMacros(cl->SwitchValue("INI"));
            IniFileName = ContainsBackslash(v) || v.empty()
                              ? v
                              : FindFileOrDefault(GetProgramAppDataFolder(), ExeFolder, v);
        }
    }
    if (!IniFileName.empty()) {
        if (IsRelativePath(IniFileName))
            IniFileName = JoinPath(GetDataFolder(), IniFileName);
        if (!HasExtension(IniFileName))
            IniFileName += ".ini";
        IniFileName = ExpandLongPathName(IniFileName);
    } else {
        IniFileName = SetFileExt(ExeFileName, "ini");
        const bool beside = IsExistingFile(IniFileName);
        if (!PortableMode && (datGiven || !beside))
            IniFileName = GetDataFolder() + ExtractFileNamePart(IniFileName);
        else if (beside && !datGiven)
            UseUserFolder = false;
    }
}

void StartApplicationSettings(const std::string& KeyName)
{
    SettleExeNames();
    // Set again here: the base unit's own start-up may have run after ours.
    GFilePathHook = [](const std::string& Path) { return RehomeFilePath(Path); };
    GFolderPathHook = [](const std::string& Path) { return RehomeFolderPath(Path); };
    if (!IniFileName.empty()) {
        if (!ContainsBackslash(IniFileName))
            IniFileName = JoinPath(GetDataFolder(), IniFileName);
    } else {
        ReadLocationSwitches();
    }

    // A "!" file beside the settings is a replacement left for this start.
    const std::string name = ExtractFileNamePart(IniFileName);
    if (!name.empty() && name[0] != '!') {
        const std::string bang = ExtractParentFolder(IniFileName) + "!" + name;
        if (IsExistingFile(bang)) {
            DeleteFileA(IniFileName.c_str());
            MoveFileA(bang.c_str(), IniFileName.c_str());
        }
    }

    const std::string key = "Software\\" + (KeyName.empty() ? DefaultSubfolder() : KeyName);
    FreeAndClear(AppSettings);
    AppSettings = OpenSettings(IniFileName, key);

    if (!IsExistingFile(IniFileName)) {
        if (UseUserFolder || PortableMode || !IsReadOnlyMedia(IniFileName))
            return;
        UseUserFolder = true;
        IniFileName.clear();
        ReadLocationSwitches();
        if (!IsExistingFile(IniFileName))
            return;
        // The store follows the file chosen now, not the one on the medium.
        FreeAndClear(AppSettings);
        AppSettings = OpenSettings(IniFileName, key);
    }

    if (AppSettings->ReadBool(AppSection, "UseRegistry", false)) {
        AppSettings->SetStorageMode(smRegistry);
    } else {
        const std::string stored = AppSettings->ReadString(AppSection, "UserFolder", "");
        const std::string userFolder = MadeFolder(InAppData(stored));
        const std::string programFiles = GetEnvironmentVar("ProgramFiles");
        if (!userFolder.empty()) {
            UserFolder = userFolder;
            UseUserFolder = true;
            MoveSettingsToDataFolder();
        } else if (!PortableMode && IsWinVistaOrLater() && programFiles != "ProgramFiles" &&
                   IsFileInFolder(programFiles, IniFileName)) {
            if (AppSettings->ReadBool(AppSection, "UseProfileFolder", UseUserFolder) != UseUserFolder) {
                UseUserFolder = !UseUserFolder;
                MoveSettingsToDataFolder();
            }
        } else if (!PortableMode && !UseUserFolder &&
                   AppSettings->ReadBool(AppSection, "CheckProfileFolder", IsWinVistaOrLater())) {
            if (IsReadOnlyMedia(IniFileName) ||
                (GWin32.Platform == VER_PLATFORM_WIN32_NT &&
                 IsFolderReadOnly(ExtractParentFolder(IniFileName)))) {
                UseUserFolder = true;
                MoveSettingsToDataFolder();
            }
        }
    }

    if (ResetSettings) {
        BackupExistingFile(IniFileName, bmDefault);
        ResetSettings = false;
        NewSettings = true;
        AppSettings->SetUseDefaults(true);
    } else {
        const int version = AppSettings->ReadInteger(AppSection, "Version", 0);
        if (version != 0)
            ConfigVersion = version;
        NewSettings = version == 0;
        if (TempFolderOverride.empty()) {
            const std::string t = AppSettings->ReadString(AppSection, "Temp", "");
            if (!t.empty())
                TempFolderOverride = MadeFolder(ExpandPathMacros(t));
        }
    }

    if (!UseUserFolder) {
        const std::string d = AppSettings->ReadString(AppSection, "DataFolder", "");
        if (!d.empty()) {
            DataFolder = AddTrailingBackslash(ExpandPathMacros(d));
        } else if (!ProgramOnRemovableDrive) {
            if (PortableMode)
                AppSettings->WriteBool(AppSection, "USB", true);
            else if (UsbSwitchOn())
                AppSettings->WriteBool(AppSection, "USB", false);
            else if (AppSettings->ReadBool(AppSection, "USB", false))
                SetPortableMode();
        }
    }
}

std::string ExpandPathMacros(const std::string& Text, const TPathMacroResolver& Resolver)
{
    std::string s;
    bool dollars = false;
    if (Text.find('%') != std::string::npos) {
        s = ExpandEnvironmentVars(Text);
    } else if (Text.find('$') != std::string::npos) {
        s = Text;
        ReplaceChar(s, '$', '%');
        s = ExpandEnvironmentVars(s);
        dollars = true;
    } else {
        return Text;
    }
    // From the end, so a folder put in never pairs with a sign before it.
    std::size_t close = s.rfind('%');
    while (close != std::string::npos && close > 0) {
        const std::size_t open = s.rfind('%', close - 1);
        if (open == std::string::npos)
            break;
        if (close - open > 1) {
            std::string name = s.substr(open + 1, close - open - 1);
            int index = -1;
            bool known = MacroNames().IndexOf(name, index) && index >= 0;
            if (known)
                name = GetPathMacroFolder(index);
            else if (Resolver)
                known = Resolver(name);
            if (known)
                s.replace(open, close - open + 1, name);
        }
        if (open == 0)
            break;
        close = s.rfind('%', open - 1);
    }
    if (dollars)
        ReplaceChar(s, '%', '$');
    return s;
}

std::string GetPathMacroFolder(int Number)
{
    std::string f;
    switch (Number & 0x7F) {
    case 0: f = GetPicturesFolder(); break;
    case 1: f = GetDocumentsFolder(); break;
    case 2: f = GetMusicFolder(); break;
    case 3: f = GetVideosFolder(); break;
    case 4: f = GetDesktopFolder(); break;
    case 5: f = GetProgramAppDataFolder(); break;
    case 6: f = GetAppDataFolder(); break;
    case 7: f = ExtractParentFolder(IniFileName); break;
    case 8: f = ExpandLongPathName(GetTempFolder()); break;
    case 9: f = GetCommonDocumentsFolder(); break;
    case 10: f = GetCommonDesktopFolder(); break;
    case 11: f = GetCommonAppDataFolder(); break;
    case 12: f = ExeFolder; break;
    case 13: f = PortableMode && !UsbDrive.empty() ? UsbDrive + ":" : std::string(); break;
    case 14: f = ExtractDriveOrShare(ExeFolder); break;
    default: break;
    }
    return ExcludeTrailingSlash(f);
}

std::string GetDataFolder()
{
    if (UseUserFolder)
        return GetProgramAppDataFolder();
    return DataFolder.empty() ? ExeFolder : DataFolder;
}

std::string GetProgramAppDataFolder(const std::string& SubFolder)
{
    if (!UserFolder.empty())
        return UserFolder;
    const std::string f = GetAppDataSubfolder(SubFolder, true);
    UserFolder = f;
    DataFolder = f;
    return f;
}

std::string GetAppDataSubfolder(const std::string& SubFolder, bool Create)
{
    const std::string base = GetAppDataFolder();
    // Windows 95 without a profile answers a bare drive or the Windows root.
    if (base.empty() || (GetWindowsVersion() == wv95 && base.size() < 12))
        return ExeFolder;
    const std::string f =
        AddTrailingBackslash(JoinPath(base, SubFolder.empty() ? DefaultSubfolder() : SubFolder));
    if (Create && !ForceFolder(f))
        return ExeFolder;
    return f;
}

std::string FindFileInFolders(const std::string& Name, const std::string& First,
                              const std::string& Second)
{
    const std::string a = JoinPath(First.empty() ? GetDataFolder() : First, Name);
    if (IsExistingFile(a))
        return a;
    const std::string b = JoinPath(Second.empty() ? ExeFolder : Second, Name);
    return IsExistingFile(b) ? b : std::string();
}

std::string FindFileOrDefault(const std::string& First, const std::string& Second,
                              const std::string& Name)
{
    const std::string found = FindFileInFolders(Name, First, Second);
    return found.empty() ? JoinPath(First.empty() ? GetDataFolder() : First, Name) : found;
}

std::string RehomeFilePath(const std::string& Path, const TPathMacroResolver& Resolver)
{
    // "$Documents$" is as much a macro in a stored file name as "%APPDATA%".
    const bool macros = Path.find_first_of("%$") != std::string::npos;
    const std::string p = macros ? ExpandPathMacros(Path, Resolver) : ExpandLongPathName(Path);
    return FollowUsbDrive(p, false);
}

std::string RehomeFolderPath(const std::string& Path, const TPathMacroResolver& Resolver)
{
    return FollowUsbDrive(ExpandPathMacros(Path, Resolver), true);
}

void ResetApplicationSettings()
{
    FreeAndClear(AppSettings);
    IniFileName.clear();
    UserFolder.clear();
    UseUserFolder = false;
    DataFolder.clear();
    TempFolderOverride.clear();
    ProgramOnRemovableDrive = false;
    PortableMode = false;
    UsbDrive.clear();
    ResetSettings = false;
    NewSettings = true;
    ConfigVersion = 0;
}
