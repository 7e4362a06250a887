#include "app/TessalyStart.h"

#include <windows.h>

#include "app/KvAppStart.h"
#include "app/KvHelpBase.h"
#include "classlib/Forms.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvMd5.h"
#include "foundation/KvParam.h"
#include "foundation/KvSpFolder.h"
#include "foundation/KvStrings.h"
#include "foundation/KvWindows.h"

const char* const VersionText = "1.6";
const char* const WebSite = "www.corvane.example";
const char* const UpdateBaseAddress = "http://www.corvane.example/updates/";

std::string GUpdateInfoAddress = std::string(UpdateBaseAddress) + ProductShortName + "_en.ini";
TWizardSwitches GWizardSwitches;

namespace {

const char* const RightsNotice = "Copyright (c) 2026 Corvane. All rights reserved.";
// The digest of the introduction file this build ships (app/Intro_Tessaly.dat).
const char* const IntroDigest = "880ddab3df0b47cc7a655e0d95ba7fba";

// Folders tried for one reader, in order; the first that takes the file
// ends the search. Each base folder must exist before its pattern is tried.
struct TReaderTarget {
    std::string Base;     // path macros allowed
    std::string Pattern;  // below Base; one "*" stands for a sub-folder name
};

std::vector<TReaderTarget> ReaderTargets(TScreenReader Reader)
{
    switch (Reader) {
    case TScreenReader::Jaws:
        return {{"%AllDat%\\Freedom Scientific\\JAWS", "\\*\\Settings\\enu"},
                {"%AppDat%\\Freedom Scientific\\JAWS", "\\*\\Settings\\enu"}};
    case TScreenReader::Dolphin: {
        std::vector<TReaderTarget> T{{JoinPath(GetLocalAppDataFolder(), "dolphin"), "\\Hal*\\Settings"},
                                     {"%AllDat%\\Dolphin", "\\Hal*\\defaults"}};
        // Later systems keep nothing writable below the program files.
        if (!IsWinVistaOrLater())
            T.push_back({"%ProgramFiles%\\Dolphin", "\\Hal*\\defaults"});
        return T;
    }
    case TScreenReader::WindowEyes:
        return {{"%AppDat%\\GW Micro\\Window-Eyes\\users\\default", ""}};
    }
    return {};
}

// The readers' folders name the user's and the machine's application data
// by two short macros the general macro list lacks; without them no file
// reached those readers.
bool ReaderFolderMacro(std::string& Name)
{
    std::string Folder;
    if (SameTextStr(Name, "AllDat"))
        Folder = GetCommonAppDataFolder();
    else if (SameTextStr(Name, "AppDat"))
        Folder = GetAppDataFolder();
    if (Folder.empty())
        return false;
    if (Folder.back() == '\\')
        Folder.pop_back();
    Name = Folder;
    return true;
}

// Windows 6 and later scale the windows of programs that do not say they
// handle the pixel density themselves; older systems lack the call.
void DeclareDpiAware()
{
    using TSetProcessDPIAware = BOOL(WINAPI*)();
    if (HMODULE User = GetModuleHandleA("user32.dll"))
        if (auto Set = reinterpret_cast<TSetProcessDPIAware>(
                reinterpret_cast<void*>(GetProcAddress(User, "SetProcessDPIAware"))))
            Set();
}

} // namespace

bool InstallScreenReaderFiles(const std::string& Extension, TScreenReader Reader)
{
    const std::string Source = ExeFolder + "Accessibility\\" + ExtractFileNamePart(SettingsSubFolder) + "." + Extension;
    if (!IsExistingFile(Source))
        return false;
    for (const TReaderTarget& T : ReaderTargets(Reader)) {
        const std::string Base = ExpandPathMacros(T.Base, ReaderFolderMacro);
        if (!FolderExists(Base))
            continue;
        if (CopyMatchingFiles(Source, Base + T.Pattern))
            return true;
    }
    return false;
}

std::string IdleStatusLine()
{
    return ApplicationName + " v" + VersionText + " -- " + RightsNotice;
}

std::string WebSiteLink()
{
    return std::string("http://") + WebSite + "/?rf=" + ProductShortName;
}

bool OpenIntroFile(const std::string& Folder, std::string& Text)
{
    const std::string File = JoinPath(Folder, std::string("Intro_") + ProductShortName + ".dat");
    if (!IsExistingFile(File) || MD5HexOfFile(File) != IntroDigest)
        return false;
    Text = LoadFileToString(File);
    return true;
}

std::string IntroductionText(const std::string& Folder)
{
    std::string Text;
    if (OpenIntroFile(Folder, Text))
        return Text;
    return Format("One or more application files are missing. Please reinstall %s.", ApplicationName);
}

void AppException(TObject*, const std::exception& E)
{
    KvError(E.what());
}

void ApplyWizardSwitches(const TCmdList& Switches, bool HighContrast, bool ScreenReader)
{
    GAppHighContrast = HighContrast;
    GAppScreenReader = ScreenReader;
    GWizardSwitches = ReadWizardSwitches(Switches, UpdateBaseAddress, ProductShortName);
    GUpdateInfoAddress = GWizardSwitches.UpdateAddress;
    if (GWizardSwitches.HasAcc && SetupAccessibility(GWizardSwitches.Acc)) {
        // Failures are ignored: the program runs without the readers' files.
        const struct {
            const char* Extension;
            TScreenReader Reader;
        } Files[] = {{"dtl", TScreenReader::Dolphin},
                     {"lua", TScreenReader::Dolphin},
                     {"jcf", TScreenReader::Jaws},
                     {"we", TScreenReader::WindowEyes}};
        for (const auto& F : Files)
            InstallScreenReaderFiles(F.Extension, F.Reader);
    }
}

void StartProgram(const TCmdList& Switches)
{
    DeclareDpiAware();
    StartSounds();
    Application->SetTitle("Loading...");
    StartEngineServices(StartSwitchesOf(Switches));
    ApplyWizardSwitches(Switches, IsHighContrastOn(), IsScreenReaderOn());
}
