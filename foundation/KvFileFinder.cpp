#include "foundation/KvFileFinder.h"

#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"

TFileFinder::TFileFinder() = default;

TFileFinder::~TFileFinder() = default;

void TFileFinder::SetFileMask(const std::string& Mask)
{
    FFileMask = Mask;
    FMaskIsList = Mask.find(';') != std::string::npos;
}

void TFileFinder::SetRootFolder(const std::string& Folder)
{
    FRootFolder = ExcludeTrailingSlash(Folder);
}

void TFileFinder::Execute(const std::string& Root)
{
    Abort = false;
    if (!Root.empty())
        SetRootFolder(Root);
    if (!FRootFolder.empty())
        Search();
}

void TFileFinder::AcceptFile(const std::string& Name, bool& Accept)
{
    Accept = true;
    if (OnAcceptFile)
        OnAcceptFile(this, Name, Accept);
    if (Accept)
        FileFound(Name);
}

void TFileFinder::AcceptFolder(const std::string& Folder, bool& Accept)
{
    Accept = true;
    if (OnAcceptFolder)
        OnAcceptFolder(this, Folder, Accept);
    if (Accept)
        FolderFound(Folder);
}

void TFileFinder::FileFound(const std::string& Name)
{
    FFileName = ExtractFileNamePart(Name);
    if (OnFile)
        OnFile(this, Name);
}

void TFileFinder::FolderFound(const std::string& Folder)
{
    FFolderName = AddTrailingBackslash(Folder);
    if (OnFolder)
        OnFolder(this, Folder);
}

void TFileFinder::Search()
{
    // Hidden folders are walked only when hidden files are asked for.
    const DWORD folderAttr = (Attributes & FILE_ATTRIBUTE_HIDDEN) ? 63 : 61;
    if (FRootFolder.empty())
        return;
    bool accept = false;
    AcceptFolder(FRootFolder, accept);
    if (!accept)
        return;
    if (Recursive)
        WalkFolder(FRootFolder, folderAttr);
    else if (!SkipFiles)
        ListFiles(FRootFolder);
}

void TFileFinder::WalkFolder(const std::string& Folder, DWORD FolderAttr)
{
    if (!SkipFiles) {
        ListFiles(Folder);
        if (Abort)
            return;
    }
    TSearchRecord rec;
    for (DWORD err = FindFirstEntry(Folder + "\\*.*", FolderAttr, rec); err == 0;
         err = FindNextEntry(rec)) {
        if ((rec.Attr & FILE_ATTRIBUTE_DIRECTORY) && IsNotDotName(rec.Name)) {
            const std::string sub = Folder + "\\" + rec.Name;
            bool accept = false;
            AcceptFolder(sub, accept);
            if (accept)
                WalkFolder(sub, FolderAttr);
        }
        if (Abort)
            return;
    }
}

void TFileFinder::ListFiles(const std::string& Folder)
{
    DWORD attr = Attributes;
    if (attr & FILE_ATTRIBUTE_DIRECTORY) {
        attr &= ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
        bool ignored = false;
        AcceptFolder(Folder, ignored);
    }
    attr &= ~static_cast<DWORD>(0x08);  // volume labels are never files
    if (!FMaskIsList) {
        ListMask(Folder, FFileMask, attr);
        return;
    }
    size_t start = 0;
    while (start <= FFileMask.size() && !Abort) {
        size_t end = FFileMask.find(';', start);
        if (end == std::string::npos)
            end = FFileMask.size();
        if (end > start)
            ListMask(Folder, FFileMask.substr(start, end - start), attr);
        start = end + 1;
    }
}

void TFileFinder::ListMask(const std::string& Folder, const std::string& Mask, DWORD Attr)
{
    TSearchRecord rec;
    for (DWORD err = FindFirstEntry(Folder + "\\" + Mask, Attr, rec); err == 0;
         err = FindNextEntry(rec)) {
        bool accept = false;
        AcceptFile(Folder + "\\" + rec.Name, accept);
        if (Abort)
            return;
    }
}
