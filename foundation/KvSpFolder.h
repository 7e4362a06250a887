#pragma once
// The user's and the machine's special folders, with fallbacks for systems
// whose shell doesn't know them. Every getter answers a folder ending in a
// backslash, or an empty text.

#include <functional>
#include <string>
#include "foundation/KvHooks.h"

// Where the "Shell Folders" values are read: a root name and the key below it,
// one pair for the user's values and one for the "Common" ones.
extern std::string GShellFoldersUserKey;
extern std::string GShellFoldersCommonKey;

// The shell's path of the folder; empty on failure.
std::string GetSpecialFolder(int Csidl);
std::string GetShellFolderFromRegistry(const std::string& Name);

std::string GetAppDataFolder(const std::string& SubFolder = std::string(), bool Local = false);
std::string GetLocalAppDataFolder();
std::string GetCommonAppDataFolder();
std::string GetDocumentsFolder();
std::string GetCommonDocumentsFolder();
std::string GetMusicFolder();
std::string GetPicturesFolder();
std::string GetVideosFolder();
std::string GetDesktopFolder();
std::string GetCommonDesktopFolder();
