#pragma once
// The wizard's start-up switches, the copying of support files into
// folders that match a wildcard path, and the wizard's options as they are
// kept in the settings store.
#include <array>
#include <string>

#include "app/KvConvert.h"

class TCmdList;
class TRegOrIni;

// Set by "acc": whether WM_SETTINGCHANGE may update the accessibility
// flags.
extern bool GFollowSystemAccessibility;

// "acc": "install" (any case) turns the screen-reader flag on; an empty
// value or any value that is not a false word turns it on, a false word
// turns it off and stops following the system; off clears high contrast.
// Answers whether the support files should be installed.
bool SetupAccessibility(const std::string& Value);

struct TWizardSwitches {
    bool ResetWindow = false;   // "RESETWND"
    bool HasAcc = false;
    std::string Acc;            // "acc"
    std::string UpdateAddress;  // from "newsfile", else the default
};
// BaseAddress is the update endpoint; the default file is ShortName +
// "_en.ini".
TWizardSwitches ReadWizardSwitches(const TCmdList& Switches, const std::string& BaseAddress,
                                   const std::string& ShortName);

// Copies Source into every folder matching TargetPattern (one "*" stands
// for a sub-folder name); an existing target file is first moved to its
// backup name. True when any copy succeeded.
bool CopyMatchingFiles(const std::string& Source, const std::string& TargetPattern);

// The wizard's options, as the form shows them.
struct TWizardOptions {
    bool CheckForUpdates = true;
    TMailFormat SourceFormat = mftThunderbird;
    bool IncludeSubfolders = true;
    bool SkipTrashJunk = true;
    std::array<std::string, MaxMailFormat + 1> SourceFolders;
    TMailFormat TargetFormat = mftEml;
    std::string TargetFolder;
    bool RestoreFolderTree = true;
    bool MatchDates = true;
    bool Md5FileNames = true;
};

// Reads over the defaults in Options. A stored format that has no row in
// its list (an old name, a source format stored as the target) keeps the
// default; a stored target folder is taken only when it still exists.
void LoadWizardOptions(TRegOrIni& Store, TWizardOptions& Options);
// Writes every option; formats without a name (they would share one empty
// key) are neither written nor read.
void SaveWizardOptions(TRegOrIni& Store, const TWizardOptions& Options, int BuildNumber);
