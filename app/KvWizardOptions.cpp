#include "app/KvWizardOptions.h"

#include "app/KvConvertDriver.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvParam.h"
#include "foundation/KvStrings.h"

bool GFollowSystemAccessibility = true;

bool SetupAccessibility(const std::string& Value)
{
    bool Install = false;
    if (SameTextStr(Value, "install")) {
        GAppScreenReader = true;
        Install = true;
    } else {
        const bool On = Value.empty() || StrToBoolDefault(Value, true);
        GAppScreenReader = On;
        GFollowSystemAccessibility = On;
    }
    if (!GAppScreenReader)
        GAppHighContrast = false;
    return Install;
}

TWizardSwitches ReadWizardSwitches(const TCmdList& Switches, const std::string& BaseAddress,
                                   const std::string& ShortName)
{
    TWizardSwitches S;
    S.ResetWindow = Switches.HasSwitch("RESETWND");
    S.HasAcc = Switches.HasSwitch("acc");
    if (S.HasAcc)
        S.Acc = Switches.SwitchValue("acc");
    S.UpdateAddress = BaseAddress + (Switches.HasSwitch("newsfile") ? Switches.SwitchValue("newsfile")
                                                                    : ShortName + "_en.ini");
    return S;
}

namespace {

bool CopyInto(const std::string& Source, const std::string& Folder)
{
    const std::string Target = JoinPath(Folder, ExtractFileNamePart(Source));
    if (IsExistingFile(Target))
        BackupExistingFile(Target, bmDefault);
    return FileCopy(Source, Target, false);
}

} // namespace

bool CopyMatchingFiles(const std::string& Source, const std::string& TargetPattern)
{
    const size_t Star = TargetPattern.find('*');
    if (Star == std::string::npos)
        return CopyInto(Source, TargetPattern);
    // The star's path segment is matched among the sub-folders of the
    // folder before it ("...\JAWS\*\Settings", "...\Dolphin\Hal*\defaults").
    const size_t SegStart = TargetPattern.rfind('\\', Star);
    const size_t SegEnd = TargetPattern.find('\\', Star);
    const std::string Dir = SegStart == std::string::npos ? std::string() : TargetPattern.substr(0, SegStart + 1);
    const std::string Segment = TargetPattern.substr(Dir.size(), SegEnd == std::string::npos ? std::string::npos
                                                                                            : SegEnd - Dir.size());
    const std::string Rest = SegEnd == std::string::npos ? std::string() : TargetPattern.substr(SegEnd);
    bool Any = false;
    WIN32_FIND_DATAA Data;
    const TFindHandle Find(FindFirstFileA((Dir + Segment).c_str(), &Data));
    if (!Find)
        return false;
    do {
        if (!(Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsNotDotName(Data.cFileName))
            continue;
        const std::string Folder = Dir + Data.cFileName + Rest;
        if (FolderExists(Folder) && CopyInto(Source, Folder))
            Any = true;
    } while (FindNextFileA(Find.Get(), &Data));
    return Any;
}

namespace {

const char* const SourceSection = "SourceOptions";
const char* const TargetSection = "TargetOptions";
const char* const FoldersSection = "SourceFolders";

// The stored format when it has a row in the list, else Default.
TMailFormat StoredFormat(TRegOrIni& Store, const char* Section, bool Target, TMailFormat Default)
{
    const TMailFormat F = MailFormatFromName(Store.ReadString(Section, "MailFormat", ""));
    if (F == mftUnknown || F == mftOther || MailFormatToRow(F, Target) < 0)
        return Default;
    return F;
}

} // namespace

void LoadWizardOptions(TRegOrIni& Store, TWizardOptions& O)
{
    O.CheckForUpdates = Store.ReadBool(AppSection, "CheckForUpdates", O.CheckForUpdates);
    O.SourceFormat = StoredFormat(Store, SourceSection, false, O.SourceFormat);
    O.IncludeSubfolders = Store.ReadBool(SourceSection, "IncludeSubfolders", O.IncludeSubfolders);
    O.SkipTrashJunk = Store.ReadBool(SourceSection, "SkipTrashJunk", O.SkipTrashJunk);
    O.TargetFormat = StoredFormat(Store, TargetSection, true, O.TargetFormat);
    const std::string Folder = Store.ReadString(TargetSection, "Folder", "");
    if (!Folder.empty() && (FolderExists(CutTargetPattern(Folder)) || IsExistingFile(Folder)))
        O.TargetFolder = Folder;
    O.RestoreFolderTree = Store.ReadBool(TargetSection, "RestoreFolderTree", O.RestoreFolderTree);
    O.MatchDates = Store.ReadBool(TargetSection, "MatchDates", O.MatchDates);
    O.Md5FileNames = Store.ReadBool(TargetSection, "Md5FileNames", O.Md5FileNames);
    for (int Id = 0; Id <= MaxMailFormat; ++Id) {
        const std::string Name = MailFormatName(static_cast<TMailFormat>(Id));
        if (Name.empty())
            continue;
        const std::string Value = Store.ReadString(FoldersSection, Name, "");
        if (!Value.empty())
            O.SourceFolders[Id] = Value;
    }
}

void SaveWizardOptions(TRegOrIni& Store, const TWizardOptions& O, int BuildNumber)
{
    if (auto* App = dynamic_cast<TKvAppSettings*>(&Store)) {
        SettingsVersion = BuildNumber;
        App->SaveStorageChoice();
    }
    Store.WriteBool(AppSection, "CheckForUpdates", O.CheckForUpdates);
    Store.WriteString(SourceSection, "MailFormat", MailFormatName(O.SourceFormat));
    Store.WriteBool(SourceSection, "IncludeSubfolders", O.IncludeSubfolders);
    Store.WriteBool(SourceSection, "SkipTrashJunk", O.SkipTrashJunk);
    for (int Id = 0; Id <= MaxMailFormat; ++Id) {
        const std::string Name = MailFormatName(static_cast<TMailFormat>(Id));
        if (Name.empty())
            continue;
        if (O.SourceFolders[Id].empty())
            Store.DeleteKey(FoldersSection, Name);
        else
            Store.WriteString(FoldersSection, Name, O.SourceFolders[Id]);
    }
    Store.WriteString(TargetSection, "MailFormat", MailFormatName(O.TargetFormat));
    Store.WriteString(TargetSection, "Folder", O.TargetFolder);
    Store.WriteBool(TargetSection, "RestoreFolderTree", O.RestoreFolderTree);
    Store.WriteBool(TargetSection, "MatchDates", O.MatchDates);
    Store.WriteBool(TargetSection, "Md5FileNames", O.Md5FileNames);
}
