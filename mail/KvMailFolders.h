#pragma once
// Where a mail folder lives and what it is called, worked out from a
// mailbox (or message) file path and the format kind of its store.

#include <string>

#include "classlib/Classes.h"
#include "mail/KvMailFlags.h"

// Folder extensions of the stores the engine knows.
inline constexpr char FolderExtFld[] = "fld";    // folder directories of several clients
inline constexpr char FolderExtSbd[] = "sbd";    // Mozilla-family sub-folder directories
inline constexpr char FolderExtFol[] = "fol";    // Eudora folders
inline constexpr char FolderExtMbox[] = "mbox";  // mbox files

// Path with every "." + Ext removed as a whole word, in any case.
std::string RemoveFolderExtension(const std::string& Path, const std::string& Ext);
// Cuts Path after the last "\" before its first "." + Ext + "\" and answers
// the new length; 0 and Path unchanged when there is none.
int CutAtFolderExtension(std::string& Path, const std::string& Ext);
// Cuts Path after its first "\mail\", when it has one.
void CutAtMailFolder(std::string& Path);
// 1-based position of the last "\" before the first ".fol\" of Path; 0 when
// it has none.
int EudoraRootLength(const std::string& Path);
// The folder that holds the Eudora folder tree; a path outside any ".fol"
// folder is its own root.
std::string EudoraRoot(const std::string& Path);

// The folder names of the two stores whose names live in files of their
// own; installed by the units that read those files. Without one the folder
// name stays empty.
using TFolderNameHook = std::string (*)(const std::string& FilePath);
extern TFolderNameHook GEudoraFolderNameHook;   // kinds 16 to 18
extern TFolderNameHook GPegasusFolderNameHook;  // kinds 21 and 22

// Location: the folder that holds the folder tree. Name: the folder's display
// name, sub-folders joined by "\".
void GetFolderLocationAndName(const std::string& Path, TMailboxKind Kind, std::string& Location,
                              std::string& Name);

// The folder half of a message object: the mailbox file, its folder names
// and the folder flags they imply.
class TMailFolderObj : public TObject {
public:
    virtual void SetFileName(const std::string& Name);
    virtual TMailFlags GetFolderFlags();

    void SetFolderLocation(const std::string& Path);
    void SetFolderName(const std::string& Name);

    std::string FileName;
    std::string FolderLocation;
    std::string FolderName;
    TMailFlags FolderFlags = 0;   // 0: not yet computed
    TMailboxKind FormatKind = mbkNone;
    bool FolderChanged = false;   // the caller may reset it
};
