#pragma once
// A recursive file search that hands every matching file and every folder it
// enters to overridable hooks and to events.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/PathForms.h"

// Makes Folder and its parents by their long names, which the code page
// may not hold, and gives the ANSI path that opens it (a trailing
// backslash kept); a folder that cannot be made is left to the write in it
// to report.
std::string ForceLongFolder(const std::wstring& Folder);
// An ANSI name operation that changes only the extension (adds, replaces
// or drops it) done on a long name: on a stand-in for the name's plain
// extension, the long stem kept. An extension the code page cannot hold
// counts as none.
std::wstring WithAnsiExtOp(const std::wstring& Name, const std::function<std::string(const std::string&)>& Op);
// The ANSI path of the file whose name is made from Path's by Op, an
// operation of WithAnsiExtOp's kind (a data file from its index, a mailbox
// from its folder): made from Path's long name, as a short name belongs to
// its own file only and the other file's short name may be another file's,
// then given the form that opens it. Where no such file exists, Op of Path
// itself: a text made from a name the code page lacks would hold '?',
// which a search reads as a wildcard.
std::string DerivedFilePath(const std::string& Path, const std::function<std::string(const std::string&)>& Op);

class TFileFinder : public TObject {
public:
    using TAcceptEvent = std::function<void(TFileFinder* Sender, const std::string& Name, bool& Accept)>;
    using TFoundEvent = std::function<void(TFileFinder* Sender, const std::string& Name)>;
    using TSkipEvent =
        std::function<void(TFileFinder* Sender, const std::string& Name, const std::string& Reason)>;
    using TFolderErrorEvent = std::function<void(TFileFinder* Sender, const std::string& Folder, DWORD Error)>;
    using TFolderFilesEvent =
        std::function<void(TFileFinder* Sender, const std::string& Folder, const std::vector<std::string>& Files,
                           const std::vector<std::string>& Matched)>;

    TFileFinder();
    ~TFileFinder() override;

    virtual void AcceptFile(const std::string& Name, bool& Accept);
    virtual void AcceptFolder(const std::string& Folder, bool& Accept);
    virtual void FileFound(const std::string& Name);
    virtual void FolderFound(const std::string& Folder);
    virtual void Search();
    virtual void SetRootFolder(const std::string& Folder);
    virtual void Execute(const std::string& Root = std::string());

    void SetFileMask(const std::string& Mask);

    const std::string& FileName() const { return FFileName; }
    const std::string& FolderName() const { return FFolderName; }
    const std::string& FileMask() const { return FFileMask; }
    const std::string& RootFolder() const { return FRootFolder; }
    bool MaskIsList() const { return FMaskIsList; }

    std::uint32_t Attributes = 0;  // attribute bits that reported files may carry
    bool Abort = false;            // set by a handler to stop after the current entry
    bool SkipFiles = false;        // walk and report folders only
    bool Recursive = false;

    TAcceptEvent OnAcceptFile;
    TAcceptEvent OnAcceptFolder;
    TFoundEvent OnFile;
    TFoundEvent OnFolder;
    // A file or folder the search passes over without asking the hooks:
    // a folder reached again through a link, a device name, a name that
    // cannot be opened through the ANSI API.
    TSkipEvent OnSkip;
    // A folder of the search that cannot be listed (access denied, gone
    // meanwhile), with the system's error: its files and sub-folders are
    // not searched.
    TFolderErrorEvent OnFolderError;
    // Every file of a folder the search enters (of the attributes reported)
    // and those of them the mask names, each by the path that opens it; a
    // file that opens by none is in neither. Given before the folder's
    // files go to the hooks, from the listing that finds its sub-folders:
    // a handler that needs the whole folder lists nothing of its own.
    TFolderFilesEvent OnFolderFiles;
    // OnSkip's reasons for the entries passed over that lose nothing: a
    // folder reached again through a link, and a link the system keeps for
    // compatibility (hidden, a system folder) that refuses listing: what
    // it leads to is searched by its own name.
    static const char* const RevisitReason;
    static const char* const CompatLinkReason;

protected:
    // OwnAttr: the folder's own attributes, 0 for the root.
    void WalkFolder(const std::string& Folder, DWORD FolderAttr, DWORD OwnAttr);
    // A file the mask names: the path that opens it, or its shown name
    // with the reason it is passed over.
    struct TMatch {
        std::string Name;
        std::string Reason;
    };
    // Lists the files the mask names into Matches; 0, or the error of a
    // listing that failed, which is not reported.
    DWORD ListFiles(const std::string& Folder, std::vector<TMatch>& Matches);
    DWORD ListMask(const std::string& Folder, const std::string& Mask, DWORD Attr, std::vector<TMatch>& Matches);
    // The attribute bits a reported file may carry: never a folder's or a
    // volume label's.
    DWORD FileAttributes() const;
    // Reports a folder that cannot be listed (Error) to OnFolderError, or
    // to OnSkip where it loses nothing.
    void CannotList(const std::string& Folder, DWORD Error, DWORD OwnAttr);
    // False when Folder was walked before in this search (reached again
    // through a link); the folder is remembered otherwise.
    bool FirstVisit(const std::string& Folder);
    // The path by which the entry Name of Folder can be opened through the
    // ANSI API; empty with Reason set when there is none.
    std::string EntryPath(const std::string& Folder, const WIN32_FIND_DATAW& Entry, std::string& Reason);
    void Skip(const std::string& Name, const std::string& Reason);

    std::string FFileName;
    std::string FFolderName;
    std::string FFileMask;
    std::string FRootFolder;
    bool FMaskIsList = false;
    std::set<TFileIdentity> FVisited;
};

// Whether a name as it stands on disk holds characters no Windows name may
// hold (made on another system, which Wine hands on unchanged): the entry
// opens by its short name at best, and a name made from it (a data file's
// from its index's) opens by no path at all.
bool HasForbiddenNameChars(const std::wstring& Name);
// The name the entry at Path has on disk, as the wide listing gives it: a
// long name that may hold such characters, a backslash among them, which
// a long path cannot tell from a folder level. Empty when nothing is there.
std::wstring NameOnDisk(const std::string& Path);
// Whether Folder holds an entry of exactly that name, found by listing the
// folder: a name with characters Windows does not allow is reached by no
// path.
bool HasEntryNamed(const std::string& Folder, const std::wstring& Name);
