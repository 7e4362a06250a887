#include "shell/RzShellUtils.h"

#include <commctrl.h>
#include <lm.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "classlib/Cleanup.h"
#include "classlib/Controls.h"
#include "classlib/PathForms.h"
#include "shell/RzShellIntf.h"

namespace {

// ---------------------------------------------------------------------------
// Unit state
// ---------------------------------------------------------------------------

struct TUnitState {
    OSVERSIONINFOA Os{};
    TComPtr<IMalloc> Malloc;
    TRzFileVersion ComCtl, Shell32;
    bool OverlaysInstalled = false;
    int DriveValidationSuspended = 0;
    int DriveValidations = 0;
    // netapi32, loaded by name on first use: never retried after a failure.
    enum class TNetApi : unsigned char { Untried, Unavailable, Loaded } NetApiState = TNetApi::Untried;
    HMODULE NetApi = nullptr;
    decltype(&NetUseGetInfo) NetUseGetInfoProc = nullptr;
    decltype(&NetApiBufferFree) NetApiBufferFreeProc = nullptr;
    std::unique_ptr<TRzDeviceChangeHandler, TObjectFree> DeviceChange;
};

TUnitState& State()
{
    static TUnitState S;
    return S;
}

// Reads the versions once; the shell allocator comes on first use, since
// SHGetMalloc needs no COM start-up.
struct TUnitInit {
    TUnitInit()
    {
        // COM first: every routine here may create shell objects.
        ShellComInitialized();
        TUnitState& S = State();
        S.Os.dwOSVersionInfoSize = sizeof S.Os;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        GetVersionExA(&S.Os);
#pragma GCC diagnostic pop
        GetFileVersion("comctl32.dll", S.ComCtl);
        GetFileVersion("shell32.dll", S.Shell32);
    }
    ~TUnitInit()
    {
        TUnitState& S = State();
        S.DeviceChange.reset();
        if (S.NetApi)
            FreeLibrary(S.NetApi);
        S.NetApi = nullptr;
    }
};
TUnitInit UnitInit;

const SHITEMID* NextItem(const SHITEMID* Item)
{
    return reinterpret_cast<const SHITEMID*>(reinterpret_cast<const BYTE*>(Item) + Item->cb);
}

// The byte count of the items, terminator excluded.
int ItemBytes(LPCITEMIDLIST Pidl)
{
    int N = 0;
    for (const SHITEMID* I = &Pidl->mkid; I->cb != 0; I = NextItem(I))
        N += I->cb;
    return N;
}

void* AllocWith(IMalloc* Malloc, SIZE_T Size)
{
    return Malloc ? Malloc->Alloc(Size) : ShellMemAlloc(Size);
}

const ITEMIDLIST EmptyList{};

HIMAGELIST SystemListFromShell(UINT SizeFlag)
{
    SHFILEINFOA Info{};
    HIMAGELIST L = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("C:\\", 0, &Info, sizeof Info, SHGFI_SYSICONINDEX | SizeFlag));
    if (!L)
        L = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(reinterpret_cast<LPCSTR>(&EmptyList), 0, &Info, sizeof Info,
                                                         SHGFI_PIDL | SHGFI_SYSICONINDEX | SizeFlag));
    return L;
}

// Shell32's two overlay arrows become overlay images 1 and 2 of both
// system lists, so items can show them with INDEXTOOVERLAYMASK.
//
// The shell keeps further system lists besides these two (extra large,
// jumbo) and hands out one index for all of them. An icon appended to two
// lists only puts them out of step: every icon the shell caches later is
// announced at an index where the small and large lists hold another. So
// the arrows go in through the shell's own icon cache, which adds them to
// every list at one index; only a shell without that entry point gets them
// appended to the two lists directly.
void InstallOverlayIcons()
{
    TUnitState& S = State();
    if (S.OverlaysInstalled || S.Os.dwPlatformId != VER_PLATFORM_WIN32_NT || !VersionAtLeast(S.ComCtl, 4, 71))
        return;
    const HMODULE Shell = LoadLibraryA("shell32.dll");
    if (!Shell)
        return;
    TScopeExit Unload([Shell] { FreeLibrary(Shell); });
    const HIMAGELIST Lists[2] = {SystemListFromShell(SHGFI_SMALLICON), SystemListFromShell(SHGFI_LARGEICON)};
    const int Resources[2] = {29, 30};
    // Shell_GetCachedImageIndex, exported by ordinal only; wide text on NT.
    using TCachedImageIndex = int(WINAPI*)(LPCWSTR IconPath, int IconIndex, UINT Flags);
    const auto CachedImageIndex = reinterpret_cast<TCachedImageIndex>(
        reinterpret_cast<void*>(GetProcAddress(Shell, MAKEINTRESOURCEA(72))));
    wchar_t ShellPath[MAX_PATH] = {};
    if (CachedImageIndex && GetModuleFileNameW(Shell, ShellPath, MAX_PATH)) {
        for (int R = 0; R < 2; ++R) {
            // A negative icon index names the icon resource.
            const int Index = CachedImageIndex(ShellPath, -Resources[R], 0);
            if (Index < 0)
                continue;
            for (const HIMAGELIST List : Lists)
                if (List)
                    ImageList_SetOverlayImage(List, Index, R + 1);
        }
        S.OverlaysInstalled = true;
        return;
    }
    const int Sizes[2] = {16, 32};
    for (int L = 0; L < 2; ++L) {
        if (!Lists[L])
            continue;
        for (int R = 0; R < 2; ++R) {
            const HICON Icon = static_cast<HICON>(LoadImageA(Shell, MAKEINTRESOURCEA(Resources[R]), IMAGE_ICON,
                                                             Sizes[L], Sizes[L], LR_SHARED));
            if (!Icon)
                continue;
            const int Index = ImageList_ReplaceIcon(Lists[L], -1, Icon);
            if (Index >= 0)
                ImageList_SetOverlayImage(Lists[L], Index, R + 1);
            DestroyIcon(Icon);
        }
    }
    S.OverlaysInstalled = true;
}

} // namespace

// ---------------------------------------------------------------------------
// Versions
// ---------------------------------------------------------------------------

const OSVERSIONINFOA& ShellOsVersion() { return State().Os; }
TRzFileVersion ComCtlVersion() { return State().ComCtl; }
TRzFileVersion Shell32Version() { return State().Shell32; }

bool VersionAtLeast(const TRzFileVersion& V, WORD Major, WORD Minor)
{
    return V.MS >= static_cast<DWORD>(MAKELONG(Minor, Major));
}

bool GetFileVersion(const std::string& FileName, TRzFileVersion& Version)
{
    DWORD Dummy = 0;
    const DWORD Size = GetFileVersionInfoSizeA(FileName.c_str(), &Dummy);
    if (Size == 0)
        return false;
    std::vector<BYTE> Buf(Size);
    if (!GetFileVersionInfoA(FileName.c_str(), 0, Size, Buf.data()))
        return false;
    VS_FIXEDFILEINFO* Info = nullptr;
    UINT Len = 0;
    if (!VerQueryValueA(Buf.data(), "\\", reinterpret_cast<void**>(&Info), &Len) || !Info)
        return false;
    Version.MS = Info->dwFileVersionMS;
    Version.LS = Info->dwFileVersionLS;
    return true;
}

// ---------------------------------------------------------------------------
// Allocation and measurement
// ---------------------------------------------------------------------------

IMalloc* ShellMalloc()
{
    TUnitState& S = State();
    if (!S.Malloc)
        SHGetMalloc(S.Malloc.Put());
    return S.Malloc.Get();
}

void* ShellMemAlloc(SIZE_T Size)
{
    IMalloc* M = ShellMalloc();
    return M ? M->Alloc(Size) : nullptr;
}

void ShellMemFree(void* Ptr)
{
    if (Ptr)
        if (IMalloc* M = ShellMalloc())
            M->Free(Ptr);
}

int IdListLen(LPCITEMIDLIST Pidl)
{
    return Pidl ? ItemBytes(Pidl) + 2 : 0;
}

int IdListSize(LPCITEMIDLIST Pidl)
{
    if (!Pidl)
        return 0;
    int N = sizeof(USHORT);
    for (const SHITEMID* I = &Pidl->mkid; I->cb != 0; I = NextItem(I))
        N += I->cb;
    return N;
}

LPITEMIDLIST CopyIdList(IMalloc* Malloc, LPCITEMIDLIST Pidl)
{
    return ConcatIdLists(Malloc, Pidl, nullptr);
}

LPITEMIDLIST ConcatIdLists(IMalloc* Malloc, LPCITEMIDLIST Pidl1, LPCITEMIDLIST Pidl2)
{
    const int N1 = Pidl1 ? ItemBytes(Pidl1) : 0;
    const int N2 = Pidl2 ? ItemBytes(Pidl2) : 0;
    BYTE* P = static_cast<BYTE*>(AllocWith(Malloc, static_cast<SIZE_T>(N1 + N2 + 2)));
    if (!P)
        return nullptr;
    if (N1)
        std::memcpy(P, Pidl1, static_cast<size_t>(N1));
    if (N2)
        std::memcpy(P + N1, Pidl2, static_cast<size_t>(N2));
    P[N1 + N2] = 0;
    P[N1 + N2 + 1] = 0;
    return reinterpret_cast<LPITEMIDLIST>(P);
}

TPidl CopyIdList(LPCITEMIDLIST Pidl) { return TPidl(CopyIdList(nullptr, Pidl)); }
TPidl ConcatIdLists(LPCITEMIDLIST Pidl1, LPCITEMIDLIST Pidl2) { return TPidl(ConcatIdLists(nullptr, Pidl1, Pidl2)); }

int CompareAbsIdLists(LPCITEMIDLIST Pidl1, LPCITEMIDLIST Pidl2)
{
    const bool Empty1 = !Pidl1 || Pidl1->mkid.cb == 0;
    const bool Empty2 = !Pidl2 || Pidl2->mkid.cb == 0;
    if (!Pidl1 && !Pidl2)
        return 0;
    if (Empty1 && Empty2 && Pidl1 && Pidl2)
        return 0;
    if (!Pidl1 || !Pidl2 || Empty1 || Empty2)
        return -1;
    TComPtr<IShellFolder> Desktop;
    if (FAILED(ShellGetDesktopFolder(Desktop)))
        return CompareFailed;
    const HRESULT R = Desktop->CompareIDs(0, Pidl1, Pidl2);
    if (FAILED(R))
        return CompareFailed;
    return CompareIdsResult(R);
}

int CompareIdListBytes(LPCITEMIDLIST Pidl1, LPCITEMIDLIST Pidl2)
{
    const int L1 = IdListLen(Pidl1), L2 = IdListLen(Pidl2);
    const BYTE* A = reinterpret_cast<const BYTE*>(Pidl1);
    const BYTE* B = reinterpret_cast<const BYTE*>(Pidl2);
    for (int I = 0; I < std::min(L1, L2); ++I)
        if (A[I] != B[I])
            return int(A[I]) - int(B[I]);
    return L1 - L2;
}

// ---------------------------------------------------------------------------
// Namespace
// ---------------------------------------------------------------------------

HRESULT ShellGetDesktopFolder(TComPtr<IShellFolder>& ShellFolder)
{
    return SHGetDesktopFolder(ShellFolder.Put());
}

HRESULT ShellBindToFolder(LPCITEMIDLIST Pidl, TComPtr<IShellFolder>& ShellFolder)
{
    TComPtr<IShellFolder> Desktop;
    HRESULT R = ShellGetDesktopFolder(Desktop);
    if (FAILED(R))
        return R;
    if (Pidl && Pidl->mkid.cb != 0)
        return Desktop->BindToObject(Pidl, nullptr, IID_IShellFolder, ShellFolder.PutVoid());
    ShellFolder = std::move(Desktop);
    return S_OK;
}

std::wstring WideDisplayName(IShellFolder* Within, LPCITEMIDLIST Item, SHGDNF Kind)
{
    STRRET Ret{};
    Ret.uType = STRRET_WSTR;
    if (FAILED(Within->GetDisplayNameOf(Item, Kind, &Ret)))
        return std::wstring();
    if (Ret.uType != STRRET_WSTR)
        return AnsiToWide(StrRetToText(Ret, Item));
    std::wstring Name = Ret.pOleStr ? Ret.pOleStr : L"";
    CoTaskMemFree(Ret.pOleStr);
    return Name;
}

namespace {

// The id list of an existing item past MAX_PATH, which the shell does not
// parse although it lists such items in their folders: the longest head
// within MAX_PATH parsed, then each further level found by its name among
// the items its folder lists. ERROR_FILENAME_EXCED_RANGE when any is
// missing, so that no shorter head stands for the path.
HRESULT LongPathToPidl(const std::wstring& Path, TPidl& Pidl)
{
    const HRESULT TooLong = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    const size_t Head = Path.find_last_of(L'\\', MAX_PATH - 1);
    if (Head == std::wstring::npos || Head < 3 || FAILED(ShellPathToPidl(WideToAnsi(Path.substr(0, Head).c_str()), Pidl)))
        return TooLong;
    for (size_t At = Head + 1; At < Path.size() && Pidl;) {
        const size_t End = std::min(Path.find(L'\\', At), Path.size());
        const std::wstring Level = Path.substr(At, End - At);
        At = End + 1;
        if (Level.empty())
            continue;
        TComPtr<IShellFolder> Folder;
        TComPtr<IEnumIDList> Items;
        TPidl Found;
        if (SUCCEEDED(ShellBindToFolder(Pidl.Get(), Folder)) &&
            Folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, Items.Put()) ==
                S_OK &&
            Items) {
            LPITEMIDLIST Item = nullptr;
            ULONG Fetched = 0;
            while (!Found && Items->Next(1, &Item, &Fetched) == S_OK && Fetched == 1) {
                TPidl Own(Item);
                const std::wstring Name = WideDisplayName(Folder.Get(), Own.Get(), SHGDN_INFOLDER | SHGDN_FORPARSING);
                if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Name.data(), static_cast<int>(Name.size()),
                                   Level.data(), static_cast<int>(Level.size())) == CSTR_EQUAL)
                    Found = std::move(Own);
            }
        }
        Pidl = Found ? ConcatIdLists(Pidl.Get(), Found.Get()) : TPidl();
    }
    return Pidl ? S_OK : TooLong;
}

} // namespace

HRESULT ShellPathToPidl(const std::string& Path, TPidl& Pidl)
{
    Pidl.Reset();
    std::wstring W = AnsiToWide(Path);
    if (W.size() > MAX_PATH)
        return LongPathToPidl(W, Pidl);
    TComPtr<IShellFolder> Desktop;
    HRESULT R = ShellGetDesktopFolder(Desktop);
    if (FAILED(R))
        return R;
    ULONG Eaten = 0;
    R = Desktop->ParseDisplayName(nullptr, nullptr, W.data(), &Eaten, Pidl.Put(), nullptr);
    if (FAILED(R))
        Pidl.Reset();
    return R;
}

std::wstring ShellPidlToWidePath(LPCITEMIDLIST Pidl)
{
    if (!Pidl || Pidl->mkid.cb == 0) {
        wchar_t Buf[MAX_PATH + 1] = {};
        return SHGetPathFromIDListW(&EmptyList, Buf) ? std::wstring(Buf) : std::wstring();
    }
    TComPtr<IShellFolder> Parent;
    LPCITEMIDLIST Last = nullptr;
    if (FAILED(SHBindToParent(Pidl, IID_IShellFolder, Parent.PutVoid(), &Last)))
        return {};
    SFGAOF Attributes = SFGAO_FILESYSTEM;
    if (FAILED(Parent->GetAttributesOf(1, &Last, &Attributes)) || !(Attributes & SFGAO_FILESYSTEM))
        return {};
    const auto NameOf = [&](SHGDNF Kind) { return WideDisplayName(Parent.Get(), Last, Kind); };
    std::wstring Path = NameOf(SHGDN_FORPARSING);
    // Path calls and shell folders give at most MAX_PATH - 1 characters,
    // a longer path cut to the name of another file: it is the folder's
    // own path and the item's name then.
    if (Path.size() >= MAX_PATH - 1) {
        TRzIdListArray Items(Pidl);
        const std::wstring Base = ShellPidlToWidePath(Items.CopyFirst(1));
        const std::wstring Name = NameOf(SHGDN_INFOLDER | SHGDN_FORPARSING);
        if (Base.empty() || Name.empty())
            return {};
        Path = Base + (Base.back() == L'\\' ? L"" : L"\\") + Name;
    }
    return Path;
}

std::string ShellPidlToPath(LPCITEMIDLIST Pidl)
{
    const std::wstring Wide = ShellPidlToWidePath(Pidl);
    if (Wide.empty())
        return {};
    const std::string Openable = OpenableAnsiPath(Wide);
    // Without a form that opens it, a letter the code page lacks shows as
    // "?", never as a look-alike: "\u03a9mega" as "Omega" names another
    // file.
    bool Lost = false;
    return Openable.empty() ? WideToAnsi(Wide, Lost) : Openable;
}

HRESULT ShellGetSpecialFolderPidl(HWND Window, TCSIDL Id, TPidl& Pidl)
{
    Pidl.Reset();
    return SHGetSpecialFolderLocation(Window, Id & 127, Pidl.Put());
}

std::string ShellGetSpecialFolderPath(HWND Window, TCSIDL Id)
{
    TPidl P;
    if (FAILED(ShellGetSpecialFolderPidl(Window, Id, P)))
        return {};
    return ShellPidlToPath(P.Get());
}

TCSIDL ShellGetSpecialFolderIdFromPidl(LPCITEMIDLIST Pidl)
{
    for (int Id = 0; Id < csidlNone; ++Id) {
        TPidl P;
        if (SUCCEEDED(ShellGetSpecialFolderPidl(nullptr, static_cast<TCSIDL>(Id), P)) &&
            CompareAbsIdLists(P.Get(), Pidl) == 0)
            return static_cast<TCSIDL>(Id);
    }
    return csidlNone;
}

std::string StrRetToText(STRRET& Ret, LPCITEMIDLIST Item)
{
    switch (Ret.uType) {
    case STRRET_WSTR: {
        std::string S = WideToAnsi(Ret.pOleStr);
        CoTaskMemFree(Ret.pOleStr);
        Ret.pOleStr = nullptr;
        return S;
    }
    case STRRET_OFFSET:
        return Item ? std::string(reinterpret_cast<const char*>(Item) + Ret.uOffset) : std::string();
    case STRRET_CSTR:
        return std::string(Ret.cStr, strnlen(Ret.cStr, sizeof Ret.cStr));
    default:
        return {};
    }
}

std::string ShellGetDisplayNameFromFolder(IShellFolder* ShellFolder, LPCITEMIDLIST Pidl, TRzNameKind Kind)
{
    static const SHGDNF Flags[] = {SHGDN_NORMAL, SHGDN_INFOLDER, SHGDN_FORPARSING,
                                   SHGDN_INFOLDER | SHGDN_FOREDITING};
    TComPtr<IShellFolder> Desktop;
    if (!ShellFolder) {
        if (FAILED(ShellGetDesktopFolder(Desktop)))
            return {};
        ShellFolder = Desktop.Get();
    }
    const SHGDNF F = Flags[static_cast<int>(Kind)];
    STRRET Ret{};
    Ret.uType = STRRET_WSTR;
    if (FAILED(ShellFolder->GetDisplayNameOf(Pidl, F, &Ret))) {
        Ret = STRRET{};
        Ret.uType = STRRET_CSTR;
        if (FAILED(ShellFolder->GetDisplayNameOf(Pidl, F, &Ret)))
            return {};
    }
    return StrRetToText(Ret, Pidl);
}

std::string ShellGetDisplayNameFromPidl(LPCITEMIDLIST Pidl)
{
    TRzIdListArray A(Pidl);
    const int N = A.Count();
    if (N > 1) {
        TPidl Parent(CopyIdList(A.CopyFirst(1)));
        TComPtr<IShellFolder> ShellFolder;
        if (FAILED(ShellBindToFolder(Parent.Get(), ShellFolder)))
            return {};
        return ShellGetDisplayNameFromFolder(ShellFolder.Get(), A.Item(N - 1), TRzNameKind::InFolder);
    }
    return ShellGetDisplayNameFromFolder(nullptr, Pidl ? Pidl : &EmptyList, TRzNameKind::InFolder);
}

int ShellGetIconIndexFromPidl(LPCITEMIDLIST Pidl, UINT Flags)
{
    SHFILEINFOA Info{};
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(Pidl ? Pidl : &EmptyList), 0, &Info, sizeof Info,
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | Flags);
    return Info.iIcon;
}

int ShellGetIconIndexFromPath(const std::string& Path, UINT Flags)
{
    SHFILEINFOA Info{};
    SHGetFileInfoA(Path.c_str(), 0, &Info, sizeof Info, SHGFI_SYSICONINDEX | Flags);
    return Info.iIcon;
}

int ShellGetSpecialIconIndex(TCSIDL Id, UINT Flags)
{
    TPidl P;
    OleCheck(ShellGetSpecialFolderPidl(nullptr, Id, P));
    return ShellGetIconIndexFromPidl(P.Get(), Flags);
}

HIMAGELIST ShellGetSystemImageList(TRzImageListSize Size)
{
    InstallOverlayIcons();
    return SystemListFromShell(Size == TRzImageListSize::Small ? SHGFI_SMALLICON : SHGFI_LARGEICON);
}

std::function<UINT()> GWheelScrollLinesQuery = [] {
    UINT Lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &Lines, 0);
    return Lines;
};

bool WheelScroll(HWND Window, int Bar, WORD LineCode, WORD PageCode)
{
    const UINT Msg = Bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
    const UINT Lines = GWheelScrollLinesQuery();
    auto CanMove = [&] {
        SCROLLINFO SI{};
        SI.cbSize = sizeof SI;
        SI.fMask = SIF_ALL;
        return GetScrollInfo(Window, Bar, &SI) && SI.nMax - SI.nMin - static_cast<int>(SI.nPage) > 0;
    };
    if (Lines == WHEEL_PAGESCROLL) {
        SendMessageA(Window, Msg, PageCode, 0);
        return true;
    }
    const int Count = Bar == SB_HORZ ? 1 : static_cast<int>(Lines & 0xFF);
    for (int I = 0; I < Count; ++I)
        if (CanMove())
            SendMessageA(Window, Msg, LineCode, 0);
    return true;
}

bool ShellOverlayIconsInstalled() { return State().OverlaysInstalled; }

void ShellValidateDrives()
{
    TUnitState& S = State();
    if (S.DriveValidationSuspended != 0)
        return;
    TPidl Drives;
    TComPtr<IShellFolder> ShellFolder;
    if (FAILED(ShellGetSpecialFolderPidl(nullptr, csidlDrives, Drives)) ||
        FAILED(ShellBindToFolder(Drives.Get(), ShellFolder)))
        return;
    SFGAOF Attr = SFGAO_VALIDATE;
    ShellFolder->GetAttributesOf(0, nullptr, &Attr);
    ++S.DriveValidations;
}

void ShellSuspendDriveValidation() { ++State().DriveValidationSuspended; }
void ShellResumeDriveValidation() { --State().DriveValidationSuspended; }
int ShellDriveValidationCount() { return State().DriveValidations; }

HRESULT ShellResolveShortcut(const std::string& FileName, TRzShortcut& Shortcut, bool WantIdList)
{
    std::wstring W = AnsiToWide(FileName);
    if (W.size() > MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    TComPtr<IShellLinkA> Link;
    HRESULT R = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, Link.PutVoid());
    if (FAILED(R))
        return R;
    TComPtr<IPersistFile> File;
    if (FAILED(R = Link.As(IID_IPersistFile, File)))
        return R;
    if (FAILED(R = File->Load(W.c_str(), STGM_READ)))
        return R;
    // Without UI the resolve gives up after a second instead of asking.
    const DWORD ResolveFlags = Shortcut.NoUI ? DWORD(SLR_NO_UI | (1000u << 16)) : DWORD(SLR_ANY_MATCH);
    if (FAILED(R = Link->Resolve(nullptr, ResolveFlags)))
        return R;
    char Buf[MAX_PATH + 1] = {};
    if (FAILED(R = Link->GetPath(Buf, sizeof Buf, &Shortcut.FindData, 0)))
        return R;
    Shortcut.Path = Buf;
    char Text[INFOTIPSIZE + 1] = {};
    if (FAILED(R = Link->GetArguments(Text, sizeof Text)))
        return R;
    Shortcut.Arguments = Text;
    Text[0] = 0;
    if (FAILED(R = Link->GetDescription(Text, sizeof Text)))
        return R;
    Shortcut.Description = Text;
    Buf[0] = 0;
    if (FAILED(R = Link->GetIconLocation(Buf, sizeof Buf, &Shortcut.IconIndex)))
        return R;
    Shortcut.IconPath = Buf;
    Buf[0] = 0;
    if (FAILED(R = Link->GetWorkingDirectory(Buf, sizeof Buf)))
        return R;
    Shortcut.WorkingDirectory = Buf;
    if (FAILED(R = Link->GetShowCmd(&Shortcut.ShowCmd)))
        return R;
    if (FAILED(R = Link->GetHotkey(&Shortcut.HotKey)))
        return R;
    Shortcut.Valid = sfPath | sfDescription | sfArguments | sfIcon | sfWorkingDirectory | sfShowCmd;
    Shortcut.IdList.Reset();
    if (WantIdList)
        R = Link->GetIDList(Shortcut.IdList.Put());
    return R;
}

bool NetDriveConnected(char Drive)
{
    TUnitState& S = State();
    if (S.NetApiState == TUnitState::TNetApi::Untried) {
        S.NetApiState = TUnitState::TNetApi::Unavailable;
        S.NetApi = LoadLibraryA("netapi32.dll");
        if (S.NetApi) {
            S.NetUseGetInfoProc =
                reinterpret_cast<decltype(&NetUseGetInfo)>(reinterpret_cast<void*>(GetProcAddress(S.NetApi, "NetUseGetInfo")));
            S.NetApiBufferFreeProc =
                reinterpret_cast<decltype(&NetApiBufferFree)>(
                reinterpret_cast<void*>(GetProcAddress(S.NetApi, "NetApiBufferFree")));
            if (S.NetUseGetInfoProc && S.NetApiBufferFreeProc)
                S.NetApiState = TUnitState::TNetApi::Loaded;
        }
    }
    if (S.NetApiState != TUnitState::TNetApi::Loaded)
        return true;
    wchar_t Name[3] = {static_cast<wchar_t>(static_cast<unsigned char>(Drive)), L':', 0};
    LPBYTE Buf = nullptr;
    if (S.NetUseGetInfoProc(nullptr, Name, 1, &Buf) != 0)
        return false;
    const bool Ok = reinterpret_cast<USE_INFO_1*>(Buf)->ui1_status == USE_OK;
    S.NetApiBufferFreeProc(Buf);
    return Ok;
}

// ---------------------------------------------------------------------------
// Text routines
// ---------------------------------------------------------------------------

namespace {
// True when the last byte of Text is the trail byte of a double-byte pair.
bool EndsInTrailByte(const std::string& Text)
{
    size_t I = 0;
    bool Trail = false;
    while (I < Text.size()) {
        if (IsDBCSLeadByte(static_cast<BYTE>(Text[I])) && I + 1 < Text.size()) {
            Trail = I + 2 == Text.size();
            I += 2;
        } else {
            Trail = false;
            ++I;
        }
    }
    return Trail;
}
} // namespace

std::string EnsureTrailingChar(const std::string& Text, char Ch)
{
    if (Text.empty())
        return Text;
    if (EndsInTrailByte(Text) || Text.back() != Ch)
        return Text + Ch;
    return Text;
}

std::string TrimRightDB(const std::string& Text)
{
    // Walk forward so a trail byte in 0..32 is never taken for a blank.
    size_t Keep = 0, I = 0;
    while (I < Text.size()) {
        const BYTE B = static_cast<BYTE>(Text[I]);
        if (IsDBCSLeadByte(B) && I + 1 < Text.size()) {
            I += 2;
            Keep = I;
        } else {
            ++I;
            if (B > 32)
                Keep = I;
        }
    }
    return Text.substr(0, Keep);
}

void AppendCharDB(int& Index, const std::string& Source, std::string& Dest)
{
    const size_t I = static_cast<size_t>(Index - 1);
    if (I >= Source.size())
        return;
    if (IsDBCSLeadByte(static_cast<BYTE>(Source[I])) && I + 1 < Source.size()) {
        Dest.append(Source, I, 2);
        Index += 2;
    } else {
        Dest += Source[I];
        ++Index;
    }
}

std::string FormatStrPos(const std::string& Fmt, const std::vector<std::string>& Args)
{
    if (Fmt.empty())
        return {};
    if (Args.size() > FormatStrPosMaxArgs)
        throw Exception("FormatStrPos: Too many substitution strings");
    // A format may name an insert the caller did not give ("%7" with three
    // texts): the array is padded with empty texts to the highest number
    // FormatMessage accepts, so it never reads past the arguments.
    static char EmptyText[] = "";
    std::vector<char*> Array(99, EmptyText);
    for (size_t I = 0; I < Args.size(); ++I)
        Array[I] = const_cast<char*>(Args[I].c_str());
    char* Buf = nullptr;
    const DWORD Len = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                         FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                     Fmt.c_str(), 0, 0, reinterpret_cast<LPSTR>(&Buf), 256,
                                     reinterpret_cast<va_list*>(Array.data()));
    if (Len == 0 || !Buf)
        return {};
    std::string S(Buf, Len);
    LocalFree(Buf);
    return S;
}

// ---------------------------------------------------------------------------
// TRzIdListArray
// ---------------------------------------------------------------------------

int TRzIdListArray::Count() const
{
    if (!FPidl)
        return 0;
    int N = 0;
    for (const SHITEMID* I = &FPidl->mkid; I->cb != 0; I = NextItem(I))
        ++N;
    return N;
}

LPITEMIDLIST TRzIdListArray::CopyFirst(int DropLast)
{
    FResult.Reset();
    if (!FPidl)
        return nullptr;
    const int Want = Count() - DropLast;
    if (Want < 0)
        return nullptr;
    const SHITEMID* I = &FPidl->mkid;
    int Bytes = 0;
    for (int K = 0; K < Want; ++K) {
        if (I->cb == 0)
            return nullptr;
        Bytes += I->cb;
        I = NextItem(I);
    }
    BYTE* P = static_cast<BYTE*>(ShellMemAlloc(static_cast<SIZE_T>(Bytes + 2)));
    if (!P)
        return nullptr;
    std::memcpy(P, FPidl, static_cast<size_t>(Bytes));
    P[Bytes] = P[Bytes + 1] = 0;
    FResult.Reset(reinterpret_cast<LPITEMIDLIST>(P));
    return FResult.Get();
}

LPITEMIDLIST TRzIdListArray::Item(int Index)
{
    FResult.Reset();
    if (!FPidl || Index < 0)
        return nullptr;
    const int N = Count();
    if (N == 0) {
        if (Index != 0)
            return nullptr;
        FResult = CopyIdList(FPidl);
        return FResult.Get();
    }
    if (Index >= N)
        return nullptr;
    const SHITEMID* I = &FPidl->mkid;
    for (int K = 0; K < Index; ++K)
        I = NextItem(I);
    BYTE* P = static_cast<BYTE*>(ShellMemAlloc(static_cast<SIZE_T>(I->cb + 2)));
    if (!P)
        return nullptr;
    std::memcpy(P, I, I->cb);
    P[I->cb] = P[I->cb + 1] = 0;
    FResult.Reset(reinterpret_cast<LPITEMIDLIST>(P));
    return FResult.Get();
}

// ---------------------------------------------------------------------------
// TRzPidlList
// ---------------------------------------------------------------------------

TRzPidlList::~TRzPidlList() { Clear(); }

int TRzPidlList::Compare(LPCITEMIDLIST A, LPCITEMIDLIST B) const
{
    if (FShellFolder)
        return CompareIdsResult(FShellFolder->CompareIDs(0, A, B));
    return CompareIdListBytes(A, B);
}

bool TRzPidlList::Find(LPCITEMIDLIST Pidl, int& Index)
{
    if (!FSorted) {
        Index = IndexOf(Pidl);
        return Index >= 0;
    }
    bool Found = false;
    int Low = 0, High = Count() - 1;
    while (Low <= High) {
        const int Mid = (Low + High) / 2;
        const int C = Compare(FItems[static_cast<size_t>(Mid)].Pidl, Pidl);
        if (C < 0)
            Low = Mid + 1;
        else {
            High = Mid - 1;
            if (C == 0) {
                Found = true;
                if (FDuplicates != dupAccept)
                    Low = Mid;
            }
        }
    }
    Index = Low;
    return Found;
}

int TRzPidlList::IndexOf(LPCITEMIDLIST Pidl)
{
    if (FSorted) {
        int I = 0;
        return Find(Pidl, I) ? I : -1;
    }
    for (size_t I = 0; I < FItems.size(); ++I)
        if (Compare(FItems[I].Pidl, Pidl) == 0)
            return static_cast<int>(I);
    return -1;
}

int TRzPidlList::AddObject(LPITEMIDLIST Pidl, std::intptr_t Data)
{
    if (!FSorted) {
        FItems.push_back({Pidl, Data});
        return Count() - 1;
    }
    int Index = 0;
    if (Find(Pidl, Index)) {
        if (FDuplicates == dupIgnore)
            return Index;
        if (FDuplicates == dupError)
            throw Exception("TRzPidlList: Duplicate PIDL");
    }
    FItems.insert(FItems.begin() + Index, TEntry{Pidl, Data});
    return Index;
}

void TRzPidlList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
}

void TRzPidlList::FreeEntry(TEntry& E)
{
    if (FMalloc && E.Pidl)
        FMalloc->Free(E.Pidl);
    E.Pidl = nullptr;
}

void TRzPidlList::Delete(int Index)
{
    CheckIndex(Index);
    FreeEntry(FItems[static_cast<size_t>(Index)]);
    FItems.erase(FItems.begin() + Index);
}

void TRzPidlList::Clear()
{
    for (TEntry& E : FItems)
        FreeEntry(E);
    FItems.clear();
}

LPITEMIDLIST TRzPidlList::Pidls(int Index) const
{
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)].Pidl;
}

std::intptr_t TRzPidlList::Objects(int Index) const
{
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)].Data;
}

void TRzPidlList::SetCapacity(int Value)
{
    if (Value > Count())
        FItems.reserve(static_cast<size_t>(Value));
}

void TRzPidlList::SetSorted(bool Value)
{
    if (Value == FSorted)
        return;
    if (Value)
        std::stable_sort(FItems.begin(), FItems.end(),
                         [this](const TEntry& A, const TEntry& B) { return Compare(A.Pidl, B.Pidl) < 0; });
    FSorted = Value;
}

// ---------------------------------------------------------------------------
// TRzDeviceChangeHandler
// ---------------------------------------------------------------------------

namespace {
LRESULT CALLBACK DeviceChangeWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    auto* Self = reinterpret_cast<TRzDeviceChangeHandler*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
    if (!Self)
        return DefWindowProcA(Wnd, Msg, WParam, LParam);
    TMessage M{Msg, WParam, LParam, 0};
    Self->Dispatch(M);
    return M.Result;
}
} // namespace

// Windows broadcasts WM_DEVICECHANGE to top-level windows only; a
// message-only window would never hear of a drive, so this one is a hidden
// top-level window.
TRzDeviceChangeHandler::TRzDeviceChangeHandler()
{
    FHandle = CreateHelperWindow("TessalyDeviceChangeWindow", DeviceChangeWindowProc, WS_EX_TOOLWINDOW, WS_POPUP,
                                 nullptr);
    if (!FHandle)
        throw EOutOfResources("Error creating window");
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TRzDeviceChangeHandler::~TRzDeviceChangeHandler()
{
    if (FHandle) {
        SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
        DestroyWindow(FHandle);
    }
}

void TRzDeviceChangeHandler::Register(const TRzDeviceChangeMethod& Handler)
{
    FHandlers.push_back(Handler);
}

void TRzDeviceChangeHandler::Unregister(const TRzDeviceChangeMethod& Handler)
{
    auto It = std::find(FHandlers.begin(), FHandlers.end(), Handler);
    if (It != FHandlers.end())
        FHandlers.erase(It);
}

void TRzDeviceChangeHandler::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_DEVICECHANGE) {
        // The broadcast may not wait for shell work: answer it now and run
        // the handlers from the posted copy.
        PostMessageA(FHandle, RZSH_DEVICECHANGE, Message.WParam, Message.LParam);
        Message.Result = DefWindowProcA(FHandle, Message.Msg, Message.WParam, Message.LParam);
    } else if (Message.Msg == RZSH_DEVICECHANGE) {
        // A copy: a handler may unregister itself while it runs.
        const std::vector<TRzDeviceChangeMethod> Handlers = FHandlers;
        for (const TRzDeviceChangeMethod& H : Handlers)
            if (H.Code)
                H.Code(H.Data, Message);
    } else
        Message.Result = DefWindowProcA(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

TRzDeviceChangeHandler* DeviceChangeHandler()
{
    TUnitState& S = State();
    if (!S.DeviceChange)
        S.DeviceChange.reset(new TRzDeviceChangeHandler);
    return S.DeviceChange.get();
}
