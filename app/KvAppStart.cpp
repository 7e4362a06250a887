#include "app/KvAppStart.h"

#include "classlib/Forms.h"
#include "classlib/ResStrings.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvFont.h"
#include "foundation/KvLogs.h"
#include "foundation/KvParam.h"
#include "foundation/KvTimeZones.h"
#include "foundation/KvWindows.h"
#include "mail/KvDataTables.h"
#include "mail/KvMailNames.h"
#include "mail/KvPegasus.h"

const char* const ProductFamilyName = "Corvane";
const char* const ProductShortName = "Tessaly";

namespace {

const char* const ErrorLogSwitch = "errorlog";
const char* const TimeZoneSwitch = "TimeZone";
const char* const DefaultErrorLogName = "ErrorLog.txt";
const char* const NameFilterFile = "NameFilter.dat";
const char* const TimeZoneTableFile = "TimeZones.dat";
const char* const DaylightRulesFile = "DST.dat";
// The mode that lets the zone set-up read a zone text, the rules file and
// the system in that order.
constexpr int ZoneFromText = 77;

// The lower libraries reach the program's windows only through these; a
// program without forms (bench/convert) never calls them, and the
// application window is made only when something asks for it.
void InstallWindowHooks()
{
    GHooks.ApplicationWindow = [] { return Application ? Application->Handle() : HWND(nullptr); };
    GHooks.MainFormWindow = [] {
        TCustomForm* form = Application ? Application->MainForm() : nullptr;
        return form && form->HandleAllocated() ? form->Handle() : HWND(nullptr);
    };
    GHooks.ApplicationBringToFront = [] {
        TCustomForm* form = Application ? Application->MainForm() : nullptr;
        if (form && form->HandleAllocated())
            BringWindowToForeground(form->Handle(), false);
    };
}

std::string ZoneLabel()
{
    TTimeZoneObj& zone = LocalTimeZone();
    return zone.FromSystem() ? LoadResString(SLocalZoneLabel) : zone.GetOffsetText(0);
}

}  // namespace

TStartSwitches StartSwitchesOf(const TCmdList& Switches)
{
    TStartSwitches s;
    s.HasErrorLog = Switches.HasSwitch(ErrorLogSwitch);
    s.ErrorLog = Switches.SwitchValue(ErrorLogSwitch);
    s.TimeZone = Switches.SwitchValue(TimeZoneSwitch);
    return s;
}

std::string ErrorLogPathFor(const TStartSwitches& Switches)
{
    const std::string folder = GetProgramAppDataFolder();
    if (!Switches.HasErrorLog || Switches.ErrorLog.empty())
        return JoinPath(folder, DefaultErrorLogName);
    const std::string path = ExpandPathMacros(Switches.ErrorLog);
    return IsRelativePath(path) ? JoinPath(folder, path) : path;
}

std::string StartLocalTimeZone(const std::string& ZoneText)
{
    TTimeZoneObj& zone = LocalTimeZone();
    if (InitLocalTimeZone(zone, ZoneText, ZoneFromText))
        return ZoneLabel();
    // A zone text the set-up refuses falls back to the system's zone.
    if (!ZoneText.empty() && InitLocalTimeZone(zone, std::string(), ZoneFromText))
        return ZoneLabel();
    if (!GDefaultZoneText.empty() && InitLocalTimeZone(zone, GDefaultZoneText, ZoneFromText))
        return GDefaultZoneText;
    return "?";
}

void StartEngineServices(const TStartSwitches& Switches)
{
    if (ApplicationName.empty())
        ApplicationName = std::string(ProductFamilyName) + " " + ProductShortName;
    if (AppDataSubfolder.empty())
        AppDataSubfolder = std::string(ProductFamilyName) + "\\" + ProductShortName;
    StartApplicationSettings();

    InstallCodePageChooser();
    InstallPegasusFolderHook();
    InstallWindowHooks();

    // A log left open by an earlier start would keep its old name.
    FreeErrorLog();
    ErrorLogFileName = ErrorLogPathFor(Switches);

    LoadNameFilter(NameFilterFile);
    LoadTimeZoneTable(TimeZoneTableFile);
    GDaylightRulesFileName = FindFileInFolders(DaylightRulesFile);
    GLocalZoneText = StartLocalTimeZone(Switches.TimeZone);
}
