#pragma once
// Where the program keeps its settings and data: an ini file beside the
// program, the same file in the user's application-data folder, or the
// registry; the data, user and temp folders; portable mode for a program run
// from a removable drive; and the path macros of stored paths.

#include <functional>
#include <string>

#include "foundation/KvSettings.h"
#include "foundation/KvTernary.h"
#include "foundation/KvHooks.h"

// Set by the application before the start-up.
extern std::string ApplicationName;   // the product's display name
extern std::string AppDataSubfolder;  // "<family>\<product>"

extern std::string ExeBaseName;  // the program's file name without ".exe"
extern std::string IniFileName;  // the settings file's full path
extern bool ProgramOnRemovableDrive;
extern bool PortableMode;
extern std::string UsbDrive;  // the program drive's upper-case letter in portable mode
extern bool ResetSettings;
extern bool NewSettings;   // no stored settings were found (or they were reset)
extern int ConfigVersion;  // set by the application before saving

// The names the window layers know these by.
extern bool& SettingsAreNew;
extern std::string& SettingsSubFolder;
extern int& SettingsVersion;

class TKvAppSettings : public TRegOrIni {
public:
    using TRegOrIni::TRegOrIni;
    // Writes "UseRegistry", "UseProfileFolder" and "Version"; an empty name
    // means the store's own file. False when nothing could be written.
    bool SaveStorageChoice(const std::string& FileName = std::string());
    // The form the window layers call: 0 for the store's own file.
    bool SaveStorageChoice(int) { return SaveStorageChoice(std::string()); }
};

extern TKvAppSettings* AppSettings;
extern const char* const AppSection;  // "Application"

// The built-in macro names, numbered 0 to 14.
extern TKvTwoWayList* PathMacroNames;

// Receives a macro name and, when it knows it, replaces it with its folder
// and answers true.
using TPathMacroResolver = std::function<bool(std::string& Name)>;


void StartApplicationSettings(const std::string& KeyName = std::string());
void ReadLocationSwitches();
void SetPortableMode();
bool IsReadOnlyMedia(const std::string& Drive);
bool UsbSwitchOn();

std::string ExpandPathMacros(const std::string& Text, const TPathMacroResolver& Resolver = nullptr);
// Without trailing backslash; empty outside 0 to 14 (the low 7 bits count).
std::string GetPathMacroFolder(int Number);

std::string GetDataFolder();
std::string GetProgramAppDataFolder(const std::string& SubFolder = std::string());
// The window layers pass a flag of 0: the default sub-folder.
inline std::string GetProgramAppDataFolder(int) { return GetProgramAppDataFolder(std::string()); }
std::string GetAppDataSubfolder(const std::string& SubFolder, bool Create);
// Empty folder arguments mean the data folder and the program folder.
std::string FindFileInFolders(const std::string& Name, const std::string& First = std::string(),
                              const std::string& Second = std::string());
// The window layers pass 0 for both folders: the defaults.
inline std::string FindFileInFolders(const std::string& Name, int, int)
{
    return FindFileInFolders(Name);
}
std::string FindFileOrDefault(const std::string& First, const std::string& Second,
                              const std::string& Name);

std::string RehomeFilePath(const std::string& Path, const TPathMacroResolver& Resolver = nullptr);
std::string RehomeFolderPath(const std::string& Path, const TPathMacroResolver& Resolver = nullptr);

// Back to the state before any start-up, for a program that starts over
// (and for tests): the store freed, every folder and flag at its default.
void ResetApplicationSettings();
