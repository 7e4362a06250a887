// Shortcut texts, FORMATETC lists, clipboard blocks, the drop source, the
// new-folder rule, file details and small services of the shell controls.
#include "shell/RzShellCtrls.h"

#include <cstring>

#include "classlib/Cleanup.h"
#include "classlib/Controls.h"
#include "classlib/Dialogs.h"
#include "classlib/Menus.h"

// ---------------------------------------------------------------------------
// Shortcut texts
// ---------------------------------------------------------------------------

const std::vector<TRzShellShortCut>& ShellShortCuts()
{
    static const std::vector<TRzShellShortCut> Table = [] {
        std::vector<TRzShellShortCut> T;
        for (const char* Text : {"Ctrl+A", "Del", "Ctrl+C", "Ctrl+X", "Ctrl+V", "F5", "F2"})
            T.push_back({Text, TextToShortCut(Text)});
        return T;
    }();
    return Table;
}

WORD ShellShortCut(TRzShellShortCutKind Kind)
{
    return ShellShortCuts()[static_cast<size_t>(Kind)].ShortCut;
}

// ---------------------------------------------------------------------------
// TRzFormatEtcList
// ---------------------------------------------------------------------------

TRzFormatEtcList::~TRzFormatEtcList()
{
    for (FORMATETC& F : FItems)
        if (F.ptd)
            CoTaskMemFree(F.ptd);
}

void TRzFormatEtcList::Add(const FORMATETC& Format)
{
    FORMATETC F = Format;
    if (Format.ptd) {
        F.ptd = static_cast<DVTARGETDEVICE*>(CoTaskMemAlloc(Format.ptd->tdSize));
        if (!F.ptd)
            throw std::bad_alloc();
        std::memcpy(F.ptd, Format.ptd, Format.ptd->tdSize);
    }
    FItems.push_back(F);
}

void TRzFormatEtcList::AddFormats(const std::vector<CLIPFORMAT>& Formats)
{
    for (CLIPFORMAT C : Formats)
        Add(FORMATETC{C, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
}

HRESULT TRzFormatEtcList::QueryGetData(const FORMATETC& Format) const
{
    if (Format.dwAspect != DVASPECT_CONTENT)
        return DV_E_FORMATETC;
    bool FormatSeen = false;
    for (const FORMATETC& F : FItems)
        if (F.cfFormat == Format.cfFormat) {
            if (F.tymed & Format.tymed)
                return S_OK;
            FormatSeen = true;
        }
    return FormatSeen ? DV_E_TYMED : DV_E_FORMATETC;
}

TComPtr<IEnumFORMATETC> TRzFormatEtcList::CreateEnumerator() const
{
    return TComPtr<IEnumFORMATETC>::AddRefOf(new TRzFormatEtcList_IEnumFormatEtc(this, 0));
}

TRzFormatEtcList_IEnumFormatEtc::TRzFormatEtcList_IEnumFormatEtc(const TRzFormatEtcList* List, int Index)
    : TComObject(IID_IEnumFORMATETC), FList(List), FIndex(Index)
{
}

HRESULT STDMETHODCALLTYPE TRzFormatEtcList_IEnumFormatEtc::Next(ULONG Count, FORMATETC* Records, ULONG* Fetched)
{
    ULONG N = 0;
    while (N < Count && FIndex < FList->Count())
        Records[N++] = FList->Items(FIndex++); // the device is shared, not copied
    if (Fetched)
        *Fetched = N;
    return N == Count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE TRzFormatEtcList_IEnumFormatEtc::Skip(ULONG Count)
{
    if (FIndex + static_cast<long long>(Count) > FList->Count()) {
        FIndex = FList->Count();
        return S_FALSE;
    }
    FIndex += static_cast<int>(Count);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TRzFormatEtcList_IEnumFormatEtc::Reset()
{
    FIndex = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TRzFormatEtcList_IEnumFormatEtc::Clone(IEnumFORMATETC** Enum)
{
    if (!Enum)
        return E_POINTER;
    *Enum = TComPtr<IEnumFORMATETC>::AddRefOf(new TRzFormatEtcList_IEnumFormatEtc(FList, FIndex)).Detach();
    return S_OK;
}

// ---------------------------------------------------------------------------
// Clipboard blocks
// ---------------------------------------------------------------------------

HRESULT MakeHDropData(const std::vector<std::string>& Names, HGLOBAL& Global)
{
    // Sized from the names: parsing names have no length cap, so a block of
    // MAX_PATH per name would be overrun by a long one.
    SIZE_T Size = sizeof(DROPFILES) + 1;
    for (const std::string& N : Names)
        Size += N.size() + 1;
    Global = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, Size);
    if (!Global)
        return E_OUTOFMEMORY;
    auto* P = static_cast<BYTE*>(GlobalLock(Global));
    TScopeExit Unlock([Global] { GlobalUnlock(Global); });
    reinterpret_cast<DROPFILES*>(P)->pFiles = sizeof(DROPFILES);
    SIZE_T At = sizeof(DROPFILES);
    for (const std::string& N : Names) {
        std::memcpy(P + At, N.data(), N.size());
        At += N.size() + 1;
    }
    return S_OK;
}

HRESULT MakeIdListArrayData(LPCITEMIDLIST ParentPidl, const std::vector<LPCITEMIDLIST>& Items, HGLOBAL& Global)
{
    static const ITEMIDLIST Empty{};
    const LPCITEMIDLIST Parent = ParentPidl ? ParentPidl : &Empty;
    const size_t Count = Items.size();
    size_t Size = Count * 4 + 8 + static_cast<size_t>(IdListLen(Parent));
    for (LPCITEMIDLIST I : Items)
        Size += static_cast<size_t>(IdListLen(I));
    Global = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, Size);
    if (!Global)
        return E_OUTOFMEMORY;
    auto* P = static_cast<BYTE*>(GlobalLock(Global));
    TScopeExit Unlock([Global] { GlobalUnlock(Global); });
    auto* Offsets = reinterpret_cast<UINT*>(P + 4);
    *reinterpret_cast<UINT*>(P) = static_cast<UINT>(Count);
    size_t At = Count * 4 + 8;
    auto Put = [&](size_t Slot, LPCITEMIDLIST L) {
        Offsets[Slot] = static_cast<UINT>(At);
        const int Len = IdListLen(L);
        std::memcpy(P + At, L, static_cast<size_t>(Len));
        At += static_cast<size_t>(Len);
    };
    Put(0, Parent);
    for (size_t I = 0; I < Count; ++I)
        Put(I + 1, Items[I] ? Items[I] : &Empty);
    return S_OK;
}

HGLOBAL DuplicateHGlobal(HGLOBAL Global)
{
    const SIZE_T Size = GlobalSize(Global);
    HGLOBAL Copy = GlobalAlloc(GMEM_MOVEABLE, Size);
    if (!Copy)
        return nullptr;
    const void* From = GlobalLock(Global);
    TScopeExit UnlockFrom([Global] { GlobalUnlock(Global); });
    void* To = GlobalLock(Copy);
    TScopeExit UnlockTo([Copy] { GlobalUnlock(Copy); });
    if (From && To)
        std::memcpy(To, From, Size);
    return Copy;
}

DWORD GetDataObjectDropEffects(IDataObject* DataObject)
{
    constexpr DWORD All = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    FORMATETC F{static_cast<CLIPFORMAT>(ShellIdListFormat()), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    if (!DataObject || DataObject->QueryGetData(&F) != S_OK)
        return All;
    STGMEDIUM M{};
    if (FAILED(DataObject->GetData(&F, &M)))
        return All;
    TScopeExit Release([&M] { ReleaseStgMedium(&M); });
    DWORD Effects = All;
    if (const auto* Cida = static_cast<const CIDA*>(GlobalLock(M.hGlobal))) {
        TScopeExit Unlock([&M] { GlobalUnlock(M.hGlobal); });
        const BYTE* Base = reinterpret_cast<const BYTE*>(Cida);
        const auto Parent = reinterpret_cast<LPCITEMIDLIST>(Base + Cida->aoffset[0]);
        std::vector<LPCITEMIDLIST> Items;
        for (UINT I = 1; I <= Cida->cidl; ++I)
            Items.push_back(reinterpret_cast<LPCITEMIDLIST>(Base + Cida->aoffset[I]));
        TComPtr<IShellFolder> ShellFolder;
        SFGAOF Attr = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
        if (SUCCEEDED(ShellBindToFolder(Parent, ShellFolder)) &&
            SUCCEEDED(ShellFolder->GetAttributesOf(static_cast<UINT>(Items.size()), Items.data(), &Attr)))
            Effects = All & Attr;
    }
    return Effects;
}

// ---------------------------------------------------------------------------
// Drop source
// ---------------------------------------------------------------------------

TDropSource_shlvtv::TDropSource_shlvtv(DWORD Button) : TComObject(IID_IDropSource), FButton(Button) {}

HRESULT STDMETHODCALLTYPE TDropSource_shlvtv::QueryContinueDrag(BOOL EscapePressed, DWORD KeyState)
{
    constexpr DWORD Buttons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
    if (EscapePressed || (KeyState & Buttons & ~FButton))
        return DRAGDROP_S_CANCEL;
    if (KeyState & FButton)
        return S_OK;
    return DRAGDROP_S_DROP;
}

HRESULT STDMETHODCALLTYPE TDropSource_shlvtv::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

// ---------------------------------------------------------------------------
// New folder
// ---------------------------------------------------------------------------

namespace {
void WarnFolder(DWORD Error, const std::string& Name)
{
    MessageDlg(FormatStrPos("Unable to create the folder '%2'\n\n%1", {SysErrorMessage(Error), Name}), mtWarning,
               mbOKOnly, 0);
}
} // namespace

bool CreateNewFolder(const std::string& ParentPath, std::string& NewName)
{
    std::string Parent = ParentPath;
    if (Parent.empty()) {
        char Cur[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, Cur);
        Parent = Cur;
    }
    Parent = EnsureTrailingChar(Parent, '\\');
    // The last real failure, and the name it happened to: reported once
    // when no name could be made, never replaced by "already exists".
    DWORD LastError = ERROR_ALREADY_EXISTS;
    std::string LastName = "New Folder";
    struct {
        const char* Base;
        const char* Suffix;
    } Series[] = {{"New Folder", " (%d)"}, {"fldr", "%d"}};
    for (auto& S : Series) {
        for (int N = 1; N <= 50; ++N) {
            const std::string Name = N == 1 ? std::string(S.Base) : S.Base + Format(S.Suffix, N);
            if (CreateDirectoryA((Parent + Name).c_str(), nullptr)) {
                NewName = Name;
                return true;
            }
            const DWORD Error = GetLastError();
            if (Error == ERROR_ALREADY_EXISTS)
                continue;
            // The short series still runs: a volume without long names
            // refuses the first and takes the second.
            LastError = Error;
            LastName = Name;
            break;
        }
    }
    WarnFolder(LastError, LastName);
    return false;
}

// ---------------------------------------------------------------------------
// File details and small services
// ---------------------------------------------------------------------------

std::string FormatFileSizeKB(std::int64_t Size)
{
    const std::int64_t KB = Size / 1024 + (Size % 1024 != 0 ? 1 : 0);
    return Format("%.0n", static_cast<double>(KB)) + "KB";
}

namespace {
std::string FormatShortDateTime(const FILETIME& Local)
{
    SYSTEMTIME ST{};
    FileTimeToSystemTime(&Local, &ST);
    char D[80] = {}, T[80] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &ST, nullptr, D, sizeof D);
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &ST, nullptr, T, sizeof T);
    return std::string(D) + " " + T;
}
} // namespace

void GetFileDetails(LPCITEMIDLIST Pidl, std::string& SizeText, std::string& ModifiedText)
{
    SizeText.clear();
    ModifiedText.clear();
    const std::string Path = ShellPidlToPath(Pidl);
    if (Path.size() <= 3)
        return;
    TRzErrorModeScope Quiet;
    WIN32_FIND_DATAA FD{};
    if (!TFindHandle(FindFirstFileA(Path.c_str(), &FD)))
        return;
    if (!(FD.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        SizeText = FormatFileSizeKB(static_cast<std::int64_t>(FD.nFileSizeHigh) << 32 | FD.nFileSizeLow);
    FILETIME Time = FD.ftLastWriteTime;
    if (Time.dwLowDateTime == 0 && Time.dwHighDateTime == 0)
        Time = FD.ftCreationTime;
    FILETIME Local{};
    FileTimeToLocalFileTime(&Time, &Local);
    ModifiedText = FormatShortDateTime(Local);
}

std::string GetFileTypeName(LPCITEMIDLIST Pidl, SFGAOF Attributes)
{
    if (!(Attributes & SFGAO_FILESYSTEM))
        return "System Folder";
    SHFILEINFOA Info{};
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(Pidl), 0, &Info, sizeof Info, SHGFI_PIDL | SHGFI_TYPENAME);
    return std::string(Info.szTypeName, strnlen(Info.szTypeName, sizeof Info.szTypeName));
}

bool IsFolderItem(SFGAOF Attributes, bool FilesCanBeFolders)
{
    if (!(Attributes & SFGAO_FOLDER))
        return false;
    if (FilesCanBeFolders)
        return true;
    // A compressed archive is a folder and a stream at once: a file here.
    return !(VersionAtLeast(Shell32Version(), 6, 0) && (Attributes & SFGAO_STREAM));
}

HRESULT GetDesktopParentAndItem(TPidl& ParentPidl, TPidl& ItemPidl)
{
    ParentPidl.Reset();
    ItemPidl.Reset();
    TPidl Desk;
    HRESULT R = ShellPathToPidl(ShellGetSpecialFolderPath(nullptr, csidlDesktopDirectory), Desk);
    if (FAILED(R))
        return R;
    TRzIdListArray A(Desk.Get());
    const int N = A.Count();
    if (N == 0)
        return E_FAIL;
    ParentPidl = CopyIdList(A.CopyFirst(1));
    ItemPidl = CopyIdList(A.Item(N - 1));
    if (!ParentPidl || !ItemPidl) {
        ParentPidl.Reset();
        ItemPidl.Reset();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HWND GetParentFormWindow(TControl* Control)
{
    if (!Control)
        return nullptr;
    while (Control->Parent())
        Control = Control->Parent();
    auto* W = dynamic_cast<TWinControl*>(Control);
    return W && W->HandleAllocated() ? W->WindowHandle() : nullptr;
}

TDateTime FileTimeToDateTimeUtc(const FILETIME& Time)
{
    return FileTimeToDateTime(Time);
}

TDateTime LocalFileTimeToDateTime(const FILETIME& Time)
{
    FILETIME Local{};
    FileTimeToLocalFileTime(&Time, &Local);
    return FileTimeToDateTime(Local);
}

void SetWindowStyleBit(HWND Window, DWORD Bit, bool On)
{
    const DWORD Old = static_cast<DWORD>(GetWindowLongA(Window, GWL_STYLE));
    const DWORD New = On ? (Old | Bit) : (Old & ~Bit);
    if (New != Old)
        SetWindowLongA(Window, GWL_STYLE, static_cast<LONG>(New));
}

void WaitWithHourglass(DWORD Milliseconds)
{
    TRzHourglass Busy;
    Sleep(Milliseconds);
}

void RaiseSystemError(DWORD Code)
{
    throw Exception(SysErrorMessage(Code));
}

// ---------------------------------------------------------------------------
// Shared by the browsing controls
// ---------------------------------------------------------------------------

bool TakeChangeNotice(bool& IgnoreNext, bool Interaction, bool& RefreshPending)
{
    if (std::exchange(IgnoreNext, false))
        return false;
    if (Interaction) {
        RefreshPending = true;
        return false;
    }
    return true;
}

void RestartTimer(TTimer* Timer, unsigned Interval)
{
    Timer->SetEnabled(false);
    Timer->SetInterval(Interval);
    Timer->SetEnabled(true);
}

bool IsShellMenuMessage(UINT Msg)
{
    return Msg == WM_INITMENUPOPUP || Msg == WM_DRAWITEM || Msg == WM_MEASUREITEM || Msg == WM_MENUCHAR ||
           Msg == WM_MENUSELECT;
}

void ForwardShellMenuMessage(IContextMenu2* Menu, TMessage& Message,
                             const std::function<void(const std::string&)>& Hint)
{
    if (!Menu)
        return;
    switch (Message.Msg) {
    case WM_MENUCHAR:
        Message.Result = ShellMenuChar(Menu, reinterpret_cast<HMENU>(Message.LParam), {}, Message.WParam,
                                       Message.LParam);
        break;
    case WM_MENUSELECT:
        if (Hint)
            Hint(ShellMenuSelectHelp(Menu, Message.WParam, Message.LParam));
        break;
    default:
        Menu->HandleMenuMsg(Message.Msg, Message.WParam, Message.LParam);
        break;
    }
}

void DiffFolderItems(IShellFolder* ShellFolder, HWND Owner, DWORD Flags, TRzPidlList& Old, TRzPidlList& Now)
{
    TRzErrorModeScope ErrorMode;
    for (TRzPidlList* L : {&Old, &Now}) {
        L->SetShellFolder(ShellFolder);
        L->SetDuplicates(dupAccept);
    }
    Now.SetMalloc(ShellMalloc());
    TComPtr<IEnumIDList> Enum;
    if (ShellFolder->EnumObjects(Owner, Flags, Enum.Put()) == S_OK && Enum) {
        LPITEMIDLIST Pidl = nullptr;
        ULONG Fetched = 0;
        while (Enum->Next(1, &Pidl, &Fetched) == S_OK && Fetched == 1)
            Now.Add(Pidl);
    }
    Old.SetSorted(true);
    Now.SetSorted(true);
    for (int I = Old.Count() - 1; I >= 0; --I) {
        int At = 0;
        if (Now.Find(Old.Pidls(I), At)) {
            Old.Delete(I);
            Now.Delete(At);
        }
    }
}

void RegisterControlDropTarget(TWinControl* Control, TComPtr<IDropTarget>& Slot, IDropTarget* Made)
{
    TComPtr<IDropTarget> Hold = TComPtr<IDropTarget>::AddRefOf(Made);
    if (Slot || !Control->HandleAllocated())
        return;
    Slot = std::move(Hold);
    RegisterDragDrop(Control->WindowHandle(), Slot.Get());
}

void RevokeControlDropTarget(TWinControl* Control, TComPtr<IDropTarget>& Slot)
{
    if (!Slot)
        return;
    if (Control->HandleAllocated())
        RevokeDragDrop(Control->WindowHandle());
    Slot.Reset();
}

DWORD AskShellDropTarget(IDropTarget* Target, IDataObject* Data, DWORD Keys, POINTL Point, DWORD Effect)
{
    if (!Target)
        return DROPEFFECT_NONE;
    Target->DragEnter(Data, Keys, Point, &Effect);
    Target->DragOver(Keys, Point, &Effect);
    Target->DragLeave();
    return Effect;
}

DWORD DropOnShellTarget(IDropTarget* Target, IDataObject* Data, DWORD Keys, POINTL Point, DWORD Effect)
{
    if (!Target)
        return DROPEFFECT_NONE;
    Target->DragEnter(Data, Keys, Point, &Effect);
    Target->DragOver(Keys, Point, &Effect);
    Effect &= GetDataObjectDropEffects(Data);
    TRzHourglass Hourglass;
    Target->Drop(Data, Keys, Point, &Effect);
    return Effect;
}
