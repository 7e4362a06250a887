// The data the shell tree, list and combo hang on their nodes and items.
#include "shell/RzShellCtrls.h"
#include "classlib/PathForms.h"

namespace {

TComPtr<IShellFolder> BindChild(IShellFolder* Parent, LPCITEMIDLIST Rel)
{
    TComPtr<IShellFolder> F;
    if (Parent && FAILED(Parent->BindToObject(Rel, nullptr, IID_IShellFolder, F.PutVoid())))
        F.Reset();
    return F;
}

constexpr SFGAOF RenameQueryMask = 0x40000177;

} // namespace

// ---------------------------------------------------------------------------
// TRzShellTreeData
// ---------------------------------------------------------------------------

TRzShellTreeData::TRzShellTreeData(TRzShellTreeData* Parent, LPCITEMIDLIST RelIdList)
    : FParent(Parent), FRelIdList(CopyIdList(RelIdList))
{
}

void TRzShellTreeData::SetRelativeIdList(LPCITEMIDLIST Value)
{
    FRelIdList = CopyIdList(Value);
    FAbsIdList.Reset();
    FShellFolder.Reset();
    FFolderTried = false;
}

void TRzShellTreeData::SetShellFolder(IShellFolder* Value)
{
    FShellFolder = TComPtr<IShellFolder>::AddRefOf(Value);
    FFolderTried = true;
}

void TRzShellTreeData::ForgetCache()
{
    FAbsIdList.Reset();
    if (FParent) {
        FShellFolder.Reset();
        FFolderTried = false;
    }
}

LPCITEMIDLIST TRzShellTreeData::AbsIdList()
{
    if (!FAbsIdList)
        FAbsIdList = FParent ? ConcatIdLists(FParent->AbsIdList(), FRelIdList.Get()) : CopyIdList(FRelIdList.Get());
    return FAbsIdList.Get();
}

std::string TRzShellTreeData::Path()
{
    return AbsIdList() && AbsIdList()->mkid.cb ? ShellPidlToPath(AbsIdList()) : std::string();
}

IShellFolder* TRzShellTreeData::ShellFolder()
{
    if (!FShellFolder && !FFolderTried) {
        FFolderTried = true;
        if (!FRelIdList || FRelIdList.Get()->mkid.cb == 0)
            ShellGetDesktopFolder(FShellFolder);
        else
            FShellFolder = BindChild(ParentShellFolder(), FRelIdList.Get());
    }
    return FShellFolder.Get();
}

IShellFolder* TRzShellTreeData::ParentShellFolder()
{
    if (FParent)
        return FParent->ShellFolder();
    if (!FRootParentFolder) {
        TPidl P, I;
        SplitAbsolutePidl(AbsIdList(), FRootParentFolder, P, I);
    }
    return FRootParentFolder.Get();
}

bool TRzShellTreeData::CanRename()
{
    if (!FParent || !FRelIdList || FRelIdList.Get()->mkid.cb == 0)
        return false;
    IShellFolder* Parent = ParentShellFolder();
    if (!Parent)
        return false;
    LPCITEMIDLIST Items[1] = {FRelIdList.Get()};
    SFGAOF Attr = RenameQueryMask;
    if (FAILED(Parent->GetAttributesOf(1, Items, &Attr)))
        return false;
    return (Attr & SFGAO_CANRENAME) != 0;
}

// ---------------------------------------------------------------------------
// TRzShellListData
// ---------------------------------------------------------------------------

TRzShellListData::TRzShellListData(TRzShellListContext* List, LPCITEMIDLIST RelIdList)
    : FList(List), FRelIdList(CopyIdList(RelIdList))
{
}

LPCITEMIDLIST TRzShellListData::AbsIdList()
{
    if (!FAbsIdList)
        FAbsIdList = ConcatIdLists(FList->ListFolderIdList(), FRelIdList.Get());
    return FAbsIdList.Get();
}

SFGAOF TRzShellListData::Attributes()
{
    if (FHaveAttributes)
        return FAttributes;
    FHaveAttributes = true;
    TRzErrorModeScope Quiet;
    SFGAOF Attr = 0x700F0037;
    if (VersionAtLeast(Shell32Version(), 6, 0))
        Attr |= SFGAO_STREAM;
    LPCITEMIDLIST Items[1] = {FRelIdList.Get()};
    IShellFolder* ShellFolder = FList->ListFolder();
    if (!ShellFolder || FAILED(ShellFolder->GetAttributesOf(1, Items, &Attr)))
        Attr = 0;
    // Removable media report read-only while no disk is in; the bit says
    // nothing about the files on them.
    const std::string P = Path();
    if (P.size() > 3 && !(IsDBCSLeadByte(static_cast<BYTE>(P[0])) && P[1] == ':')) {
        const std::string Root = P.substr(0, 3);
        if (GetDriveTypeA(Root.c_str()) == DRIVE_REMOVABLE)
            Attr &= ~SFGAOF(SFGAO_READONLY);
    }
    FAttributes = Attr;
    return FAttributes;
}

bool TRzShellListData::IsFolder()
{
    return IsFolderItem(Attributes(), FList->FilesCanBeFolders());
}

bool TRzShellListData::CanRename()
{
    return (Attributes() & SFGAO_CANRENAME) != 0;
}

bool TRzShellListData::IsShortcut()
{
    const std::string P = Path();
    return P.size() >= 4 && CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, P.c_str() + P.size() - 4, 4, ".lnk",
                                           4) == CSTR_EQUAL;
}

std::string TRzShellListData::DisplayName()
{
    if (!FHaveName) {
        FHaveName = true;
        FDisplayName = ShellGetDisplayNameFromFolder(FList->ListFolder(), FRelIdList.Get(), TRzNameKind::Normal);
    }
    return FDisplayName;
}

std::string TRzShellListData::Path()
{
    return ShellPidlToPath(AbsIdList());
}

std::string TRzShellListData::FileName()
{
    const std::string P = Path();
    const size_t Slash = P.find_last_of('\\');
    return Slash == std::string::npos ? P : P.substr(Slash + 1);
}

TRzDiskKind TRzShellListData::DiskKind(std::string& NameOnDisk, DWORD* FileAttributes)
{
    // Asked of the shell, each item's attributes and path take
    // milliseconds; the find data a file-system id list carries names a
    // whole selection at once. Where archives count as folders only the
    // shell can tell.
    WIN32_FIND_DATAW Found{};
    IShellFolder* ShellFolder = FList->ListFolder();
    if (FList->FilesCanBeFolders() || !ShellFolder ||
        FAILED(SHGetDataFromIDListW(ShellFolder, FRelIdList.Get(), SHGDFIL_FINDDATA, &Found, sizeof Found)) ||
        !Found.cFileName[0])
        return TRzDiskKind::Unknown;
    // The find data of an id list may carry its name narrowed to the code
    // page, a look-alike and all ("Omega" for "\u03a9mega"): the name is
    // the one the folder parses.
    std::wstring Name = WideDisplayName(ShellFolder, FRelIdList.Get(), SHGDN_INFOLDER | SHGDN_FORPARSING);
    if (Name.empty() || Name.find_first_of(L"\\/") != std::wstring::npos)
        Name = Found.cFileName;
    NameOnDisk = ExactAnsi(Name);
    // A name the code page cannot hold exactly goes by its short (8.3)
    // form, where that opens this very file and leads back to it: under
    // Wine two names of a folder may share one. At any length: in a deep
    // folder the name is no less the user's. Without one, each letter the
    // code page lacks shows as "?", which names no file.
    if (NameOnDisk.empty()) {
        const std::wstring Path = ShellPidlToWidePath(AbsIdList());
        const std::string Openable = Path.empty() ? std::string() : OpenableAnsiPath(Path);
        bool Lost = false;
        NameOnDisk = Openable.empty() ? WideToAnsi(Name, Lost) : Openable.substr(Openable.find_last_of('\\') + 1);
    }
    if (FileAttributes)
        *FileAttributes = Found.dwFileAttributes;
    return (Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? TRzDiskKind::Directory : TRzDiskKind::File;
}

void TRzShellListData::FetchDetails()
{
    if (FHaveDetails)
        return;
    FHaveDetails = true;
    GetFileDetails(AbsIdList(), FSize, FModified);
    FType = GetFileTypeName(AbsIdList(), Attributes());
}

std::string TRzShellListData::SizeText()
{
    FetchDetails();
    return FSize;
}

std::string TRzShellListData::ModifiedText()
{
    FetchDetails();
    return FModified;
}

std::string TRzShellListData::TypeText()
{
    FetchDetails();
    return FType;
}

int TRzShellListData::SmallIconIndex()
{
    if (FSmallIcon < 0)
        FSmallIcon = ShellGetIconIndexFromPidl(AbsIdList(), SHGFI_SMALLICON);
    return FSmallIcon;
}

std::string TRzShellListData::ColumnText(int Column)
{
    if (IShellDetails* D = FList->ListShellDetails()) {
        TRzErrorModeScope Quiet;
        SHELLDETAILS Det{};
        if (FAILED(D->GetDetailsOf(FRelIdList.Get(), static_cast<UINT>(Column), &Det)))
            return {};
        return StrRetToText(Det.str, FRelIdList.Get());
    }
    switch (Column) {
    case 0: return DisplayName();
    case 1: return SizeText();
    case 2: return TypeText();
    case 3: return ModifiedText();
    default: return {};
    }
}

// ---------------------------------------------------------------------------
// TRzShellComboData
// ---------------------------------------------------------------------------

TRzShellComboData::TRzShellComboData(IShellFolder* ParentFolder, LPCITEMIDLIST RelIdList,
                                     LPCITEMIDLIST ParentAbsIdList)
    : FParentFolder(TComPtr<IShellFolder>::AddRefOf(ParentFolder)), FRelIdList(CopyIdList(RelIdList)),
      FParentAbsIdList(CopyIdList(ParentAbsIdList)), FAbsIdList(ConcatIdLists(ParentAbsIdList, RelIdList))
{
}

IShellFolder* TRzShellComboData::ShellFolder()
{
    if (!FShellFolder) {
        if (!FAbsIdList || FAbsIdList.Get()->mkid.cb == 0)
            ShellGetDesktopFolder(FShellFolder);
        else
            FShellFolder = BindChild(FParentFolder.Get(), FRelIdList.Get());
    }
    return FShellFolder.Get();
}
