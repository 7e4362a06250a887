#pragma once
// The shell's folder browser, shown modally over the program's windows; a
// file mask carried in the caller's text survives the choice.

#include <windows.h>

#include <string>

#include "classlib/Classes.h"

// Where the browser opens and the mask the caller's text carried:
// 'C:\mail\*.mbx' opens on 'C:\mail' and keeps '*.mbx'.
struct TBrowseStart {
    std::string StartFolder;
    std::string Mask;
};
TBrowseStart SplitBrowseStart(const std::string& FolderPath);
// The text shown above the tree.
std::string BrowseCaption(const std::string& Title, const std::string& FolderPath);
// The browser's root: the desktop (0), or the network neighbourhood while
// Ctrl is held.
int BrowseRootFolderId(bool CtrlDown);
// The folder text handed back: Path with a trailing backslash, or for an
// item without a file-system path "\\" + its display name + "\"; the mask
// appended.
std::string ChosenFolderText(const std::string& Path, const std::string& DisplayName,
                             const std::string& Mask);

class TFolderDialog : public TComponent {
public:
    explicit TFolderDialog(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
    // False when cancelled: FolderPath is then left as it was.
    bool Execute(HWND Owner, const std::string& Title, std::string& FolderPath);
};

// Owner null means the main form.
bool BrowseForFolder(std::string& FolderPath, HWND Owner = nullptr,
                     const std::string& Title = std::string());
