#pragma once
// A recursive file search that hands every matching file and every folder it
// enters to overridable hooks and to events.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "classlib/Classes.h"

class TFileFinder : public TObject {
public:
    using TAcceptEvent = std::function<void(TFileFinder* Sender, const std::string& Name, bool& Accept)>;
    using TFoundEvent = std::function<void(TFileFinder* Sender, const std::string& Name)>;

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

protected:
    void WalkFolder(const std::string& Folder, DWORD FolderAttr);
    void ListFiles(const std::string& Folder);
    void ListMask(const std::string& Folder, const std::string& Mask, DWORD Attr);

    std::string FFileName;
    std::string FFolderName;
    std::string FFileMask;
    std::string FRootFolder;
    bool FMaskIsList = false;
};
