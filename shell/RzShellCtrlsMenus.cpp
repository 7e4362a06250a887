// Shell context menus, verbs, drop targets and the Send To submenu.
#include "shell/RzShellCtrls.h"

#include <commctrl.h>

#include <cctype>

#include "classlib/Cleanup.h"

HRESULT GetItemsContextMenu(IShellFolder* ShellFolder, HWND Window, const std::vector<LPCITEMIDLIST>& Items,
                            TComPtr<IContextMenu>& ContextMenu, HMENU& Menu, UINT FirstId, UINT Flags)
{
    Menu = nullptr;
    HRESULT R = ShellFolder->GetUIObjectOf(Window, static_cast<UINT>(Items.size()), const_cast<LPCITEMIDLIST*>(Items.data()), IID_IContextMenu,
                                      nullptr, ContextMenu.PutVoid());
    if (FAILED(R))
        return R;
    TOwnedMenu Made(CreatePopupMenu());
    if (!Made)
        return E_OUTOFMEMORY;
    R = ContextMenu->QueryContextMenu(Made.Get(), 0, FirstId, 32767, Flags);
    if (SUCCEEDED(R))
        Menu = Made.Release();
    return R;
}

int FindVerbId(IContextMenu* ContextMenu, const std::string& Verb)
{
    const TOwnedMenu Menu(CreatePopupMenu());
    if (!ContextMenu || !Menu.Get() ||
        FAILED(ContextMenu->QueryContextMenu(Menu.Get(), 0, ShellMenuFirstId, 32767, CMF_EXPLORE)))
        return -1;
    const int Count = GetMenuItemCount(Menu.Get());
    for (int I = 0; I < Count; ++I) {
        const UINT Id = GetMenuItemID(Menu.Get(), I);
        if (Id == UINT(-1) || Id < ShellMenuFirstId)
            continue;
        char Name[MAX_PATH] = {};
        if (FAILED(ContextMenu->GetCommandString(Id - ShellMenuFirstId, GCS_VERBA, nullptr, Name, sizeof Name)))
            continue;
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Name, -1, Verb.c_str(), -1) == CSTR_EQUAL)
            return static_cast<int>(Id - ShellMenuFirstId);
    }
    return -1;
}

HRESULT InvokeVerb(HWND Window, IContextMenu* ContextMenu, const char* Verb)
{
    if (!ContextMenu || !Verb)
        return E_INVALIDARG;
    int Offset;
    if (IS_INTRESOURCE(Verb))
        Offset = static_cast<int>(reinterpret_cast<UINT_PTR>(Verb));
    else
        Offset = FindVerbId(ContextMenu, Verb);
    // A menu without the verb invokes nothing: passed on, the -1 would be
    // read as a verb name at address 0xFFFFFFFF.
    if (Offset < 0)
        return E_FAIL;
    CMINVOKECOMMANDINFO Info{};
    Info.cbSize = sizeof Info;
    Info.hwnd = Window;
    Info.lpVerb = MAKEINTRESOURCEA(Offset);
    Info.nShow = SW_SHOWNORMAL;
    return ContextMenu->InvokeCommand(&Info);
}

HRESULT PasteIntoFolder(HWND Window, IShellFolder* ShellFolder)
{
    if (!ShellFolder)
        return E_INVALIDARG;
    TComPtr<IContextMenu> Background;
    const HRESULT R = ShellFolder->CreateViewObject(Window, IID_IContextMenu, Background.PutVoid());
    if (FAILED(R))
        return R;
    return InvokeVerb(Window, Background.Get(), "paste");
}

HRESULT SplitAbsolutePidl(LPCITEMIDLIST Pidl, TComPtr<IShellFolder>& ShellFolder, TPidl& ParentPidl, TPidl& ItemPidl)
{
    ShellFolder.Reset();
    ParentPidl.Reset();
    ItemPidl.Reset();
    TPidl Desk;
    if (!Pidl || Pidl->mkid.cb == 0) {
        // The desktop itself: its file-system folder stands for it.
        const HRESULT R = ShellPathToPidl(ShellGetSpecialFolderPath(nullptr, csidlDesktopDirectory), Desk);
        if (FAILED(R))
            return R;
        Pidl = Desk.Get();
    }
    TRzIdListArray A(Pidl);
    const int N = A.Count();
    ItemPidl = CopyIdList(A.Item(N - 1));
    if (N > 1) {
        ParentPidl = CopyIdList(A.CopyFirst(1));
        return ShellBindToFolder(ParentPidl.Get(), ShellFolder);
    }
    return ShellGetDesktopFolder(ShellFolder);
}

HRESULT GetPidlUIObject(LPCITEMIDLIST AbsolutePidl, REFIID Iid, void** Object)
{
    *Object = nullptr;
    TComPtr<IShellFolder> ShellFolder;
    TPidl Parent, Item;
    HRESULT R = SplitAbsolutePidl(AbsolutePidl, ShellFolder, Parent, Item);
    if (FAILED(R))
        return R;
    LPCITEMIDLIST Items[1] = {Item.Get()};
    return ShellFolder->GetUIObjectOf(nullptr, 1, Items, Iid, nullptr, Object);
}

HRESULT GetDesktopDropTarget(TComPtr<IDropTarget>& DropTarget)
{
    TPidl Desk;
    const HRESULT R = ShellPathToPidl(ShellGetSpecialFolderPath(nullptr, csidlDesktopDirectory), Desk);
    if (FAILED(R))
        return R;
    return GetPidlUIObject(Desk.Get(), IID_IDropTarget, DropTarget.PutVoid());
}

HRESULT DropDataOnFolder(TCSIDL Id, const std::string& Path, IDataObject* DataObject, POINT Point, DWORD KeyState,
                         DWORD& Effect)
{
    TRzHourglass Busy;
    TPidl ShellFolder;
    HRESULT R = Id != csidlNone ? ShellGetSpecialFolderPidl(nullptr, Id, ShellFolder) : ShellPathToPidl(Path, ShellFolder);
    if (FAILED(R))
        return R;
    TComPtr<IDropTarget> Target;
    if (FAILED(R = GetPidlUIObject(ShellFolder.Get(), IID_IDropTarget, Target.PutVoid())))
        return R;
    const POINTL P{Point.x, Point.y};
    const DWORD Allowed = Effect;
    if (FAILED(R = Target->DragEnter(DataObject, KeyState, P, &Effect)))
        return R;
    Effect = Allowed;
    if (FAILED(R = Target->DragOver(KeyState, P, &Effect)))
        return R;
    if (Effect == DROPEFFECT_NONE) {
        Target->DragLeave();
        return S_FALSE;
    }
    return Target->Drop(DataObject, KeyState, P, &Effect);
}

std::string ShellMenuSelectHelp(IContextMenu* ContextMenu, WPARAM WParam, LPARAM)
{
    const UINT Id = LOWORD(WParam);
    const UINT Flags = HIWORD(WParam);
    if (!ContextMenu || Id < ShellMenuFirstId || (Flags & (MF_POPUP | MF_SYSMENU)) || Flags == 0xFFFF)
        return {};
    char Text[MAX_PATH] = {};
    if (FAILED(ContextMenu->GetCommandString(Id - ShellMenuFirstId, GCS_HELPTEXTA, nullptr, Text, sizeof Text)))
        return {};
    return Text;
}

LRESULT ShellMenuChar(IContextMenu* ContextMenu, HMENU Menu, const std::vector<std::string>& Captions, WPARAM WParam,
                      LPARAM LParam)
{
    TComPtr<IContextMenu2> Menu2;
    if (ContextMenu && SUCCEEDED(ContextMenu->QueryInterface(IID_IContextMenu2, Menu2.PutVoid())) && Menu2) {
        Menu2->HandleMenuMsg(WM_MENUCHAR, WParam, LParam);
        return 0;
    }
    const int Count = static_cast<int>(Captions.size());
    if (Count == 0)
        return MAKELRESULT(0, MNC_CLOSE);
    const char Key = static_cast<char>(std::toupper(static_cast<unsigned char>(LOWORD(WParam))));
    int Hilite = -1;
    for (int I = 0; I < Count && Menu; ++I)
        if (GetMenuState(Menu, static_cast<UINT>(I), MF_BYPOSITION) & MF_HILITE)
            Hilite = I;
    int First = -1, Matches = 0;
    for (int K = 1; K <= Count; ++K) {
        const int I = (Hilite + K + Count) % Count;
        const std::string& C = Captions[static_cast<size_t>(I)];
        if (!C.empty() && std::toupper(static_cast<unsigned char>(C[0])) == static_cast<unsigned char>(Key)) {
            if (First < 0)
                First = I;
            ++Matches;
        }
    }
    if (Matches == 0)
        return MAKELRESULT(0, MNC_CLOSE);
    return MAKELRESULT(First, Matches == 1 ? MNC_EXECUTE : MNC_SELECT);
}

// ---------------------------------------------------------------------------
// Send To
// ---------------------------------------------------------------------------

namespace {
constexpr int SendToIconGap = 4;

TGdiObject<HFONT> MenuFontHandle()
{
    NONCLIENTMETRICSA M{};
    M.cbSize = sizeof M;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof M, &M, 0);
    return TGdiObject<HFONT>(CreateFontIndirectA(&M.lfMenuFont));
}
} // namespace

bool TRzSendToMenu::Fill(HMENU SubMenu, UINT PlaceholderId, UINT FirstId)
{
    if (GetMenuState(SubMenu, PlaceholderId, MF_BYCOMMAND) == UINT(-1))
        return false;
    DeleteMenu(SubMenu, PlaceholderId, MF_BYCOMMAND);
    FItems.clear();
    const std::string ShellFolder = ShellGetSpecialFolderPath(nullptr, csidlSendTo);
    if (ShellFolder.empty())
        return true;
    const std::string Dir = EnsureTrailingChar(ShellFolder, '\\');
    WIN32_FIND_DATAA FD{};
    const TFindHandle Find(FindFirstFileA((Dir + "*").c_str(), &FD));
    if (!Find)
        return true;
    do {
        if (FD.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        TItem Item;
        Item.Id = FirstId + static_cast<UINT>(FItems.size());
        Item.Path = Dir + FD.cFileName;
        SHFILEINFOA Info{};
        SHGetFileInfoA(Item.Path.c_str(), 0, &Info, sizeof Info,
                       SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        Item.Name = Info.szDisplayName[0] ? Info.szDisplayName : FD.cFileName;
        Item.Icon = Info.iIcon;
        FItems.push_back(Item);
    } while (FindNextFileA(Find.Get(), &FD));
    for (const TItem& I : FItems)
        AppendMenuA(SubMenu, MF_OWNERDRAW, I.Id, reinterpret_cast<LPCSTR>(&I));
    return true;
}

const TRzSendToMenu::TItem* TRzSendToMenu::Find(UINT Id) const
{
    for (const TItem& I : FItems)
        if (I.Id == Id)
            return &I;
    return nullptr;
}

bool TRzSendToMenu::MeasureItem(MEASUREITEMSTRUCT& Measure) const
{
    const TItem* I = Measure.CtlType == ODT_MENU ? Find(Measure.itemID) : nullptr;
    if (!I)
        return false;
    SIZE S{};
    {
        const TWindowDC DC(nullptr);
        const TGdiObject<HFONT> Font = MenuFontHandle();
        TSelectedObject Sel(DC.Get(), Font.Get());
        GetTextExtentPoint32A(DC.Get(), I->Name.c_str(), static_cast<int>(I->Name.size()), &S);
    }
    Measure.itemWidth = static_cast<UINT>(SendToIconGap + 16 + 2 * SendToIconGap + S.cx);
    Measure.itemHeight = static_cast<UINT>(std::max<int>(GetSystemMetrics(SM_CYMENU), 16 + 2));
    return true;
}

bool TRzSendToMenu::DrawItem(const DRAWITEMSTRUCT& Draw) const
{
    const TItem* I = Draw.CtlType == ODT_MENU ? Find(Draw.itemID) : nullptr;
    if (!I)
        return false;
    const bool Selected = (Draw.itemState & ODS_SELECTED) != 0;
    FillRect(Draw.hDC, &Draw.rcItem, GetSysColorBrush(Selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    const int H = Draw.rcItem.bottom - Draw.rcItem.top;
    ImageList_Draw(ShellGetSystemImageList(TRzImageListSize::Small), I->Icon, Draw.hDC,
                   Draw.rcItem.left + SendToIconGap, Draw.rcItem.top + (H - 16) / 2, ILD_TRANSPARENT);
    RECT Text = Draw.rcItem;
    Text.left += SendToIconGap + 16 + 2 * SendToIconGap;
    const TGdiObject<HFONT> Font = MenuFontHandle();
    TSelectedObject Sel(Draw.hDC, Font.Get());
    SetBkMode(Draw.hDC, TRANSPARENT);
    SetTextColor(Draw.hDC, GetSysColor(Selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    DrawTextA(Draw.hDC, I->Name.c_str(), static_cast<int>(I->Name.size()), &Text,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    return true;
}
