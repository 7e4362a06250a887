#include "shell/RzShellCtrls.h"

#include <gtest/gtest.h>

#include "classlib/Dialogs.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/PathForms.h"
#include "classlib/StdCtrls.h"
#include "testkit/TestFolder.h"

namespace {

TPidl PidlOf(const std::string& Path)
{
    TPidl P;
    EXPECT_HRESULT_SUCCEEDED(ShellPathToPidl(Path, P)) << Path;
    return P;
}

// The folder of Path and Path's own relative list.
struct TItemInFolder {
    TComPtr<IShellFolder> Folder;
    TPidl Parent, Item;
    explicit TItemInFolder(const std::string& Path)
    {
        TPidl Abs = PidlOf(Path);
        EXPECT_HRESULT_SUCCEEDED(SplitAbsolutePidl(Abs.Get(), Folder, Parent, Item));
    }
};

bool FileExists(const std::string& P) { return GetFileAttributesA(P.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Every message dialog shown while it lives, answered with OK.
struct TDialogLog {
    std::vector<TMessageDlgRequest> Shown;
    TMessageDlgHook Old;
    TDialogLog()
    {
        Old = SetMessageDlgHook([this](const TMessageDlgRequest& R) {
            Shown.push_back(R);
            return mrOk;
        });
    }
    ~TDialogLog() { SetMessageDlgHook(std::move(Old)); }
};

} // namespace

TEST(ShellShortCuts, TableOfTheControls)
{
    const auto& T = ShellShortCuts();
    ASSERT_EQ(T.size(), 7u);
    struct {
        TRzShellShortCutKind Kind;
        WORD Code;
    } Cases[] = {
        {TRzShellShortCutKind::SelectAll, WORD(scCtrl | 'A')}, {TRzShellShortCutKind::Delete, VK_DELETE},
        {TRzShellShortCutKind::Copy, WORD(scCtrl | 'C')},      {TRzShellShortCutKind::Cut, WORD(scCtrl | 'X')},
        {TRzShellShortCutKind::Paste, WORD(scCtrl | 'V')},     {TRzShellShortCutKind::Refresh, VK_F5},
        {TRzShellShortCutKind::Rename, VK_F2},
    };
    for (auto& C : Cases)
        EXPECT_EQ(ShellShortCut(C.Kind), C.Code) << int(C.Kind);
}

TEST(FormatEtcList, QueriesAndEnumeration)
{
    TRzFormatEtcList L;
    const CLIPFORMAT IdList = static_cast<CLIPFORMAT>(ShellIdListFormat());
    L.AddFormats({IdList, CF_HDROP});
    DVTARGETDEVICE Dev{};
    Dev.tdSize = sizeof Dev;
    L.Add(FORMATETC{CF_TEXT, &Dev, DVASPECT_CONTENT, -1, TYMED_ISTREAM});
    ASSERT_EQ(L.Count(), 3);
    EXPECT_NE(L.Items(2).ptd, &Dev) << "the device is the list's own copy";

    struct {
        FORMATETC F;
        HRESULT R;
    } Q[] = {
        {{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, S_OK},
        {{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_FILE}, S_OK},
        {{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_FILE}, DV_E_TYMED},
        {{CF_HDROP, nullptr, DVASPECT_ICON, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
        {{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
        {{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM}, S_OK},
    };
    for (auto& C : Q)
        EXPECT_EQ(L.QueryGetData(C.F), C.R) << C.F.cfFormat << "/" << C.F.tymed;

    TComPtr<IEnumFORMATETC> E = L.CreateEnumerator();
    FORMATETC Got[4]{};
    ULONG N = 9;
    EXPECT_EQ(E->Next(2, Got, &N), S_OK);
    EXPECT_EQ(N, 2u);
    EXPECT_EQ(Got[0].cfFormat, IdList);
    EXPECT_EQ(Got[1].cfFormat, CF_HDROP);
    TComPtr<IEnumFORMATETC> C;
    ASSERT_EQ(E->Clone(C.Put()), S_OK);
    EXPECT_EQ(E->Next(4, Got, &N), S_FALSE);
    EXPECT_EQ(N, 1u);
    EXPECT_EQ(Got[0].ptd, L.Items(2).ptd) << "the enumerator shares the list's device";
    EXPECT_EQ(C->Next(1, Got, nullptr), S_OK) << "the clone starts where its source was";
    EXPECT_EQ(Got[0].cfFormat, CF_TEXT);
    EXPECT_EQ(E->Reset(), S_OK);
    EXPECT_EQ(E->Skip(2), S_OK);
    EXPECT_EQ(E->Skip(5), S_FALSE);
    EXPECT_EQ(E->Next(1, Got, &N), S_FALSE);
    EXPECT_EQ(N, 0u);
    TComPtr<IDataObject> NotEnum;
    EXPECT_EQ(E.As(IID_IDataObject, NotEnum), E_NOINTERFACE);
}

TEST(ClipboardBlocks, FileDropHoldsLongNamesWhole)
{
    // Parsing names have no length cap: a block of MAX_PATH per name is
    // overrun by one long name.
    const std::string Long300 = "C:\\" + std::string(293, 'n') + ".txt";
    ASSERT_EQ(Long300.size(), 300u);
    const std::vector<std::vector<std::string>> Sets = {
        {Long300}, {Long300 + "x", "C:\\b.txt"}, {"C:\\a", "D:\\dir\\b c.eml", "E:\\"}};
    for (const auto& Names : Sets) {
        HGLOBAL G = nullptr;
        ASSERT_EQ(MakeHDropData(Names, G), S_OK);
        size_t Need = 20 + 1;
        for (const std::string& N : Names)
            Need += N.size() + 1;
        ASSERT_GE(GlobalSize(G), Need);
        auto* DF = static_cast<DROPFILES*>(GlobalLock(G));
        EXPECT_EQ(DF->pFiles, 20u);
        EXPECT_FALSE(DF->fWide);
        // The list ends in two zero bytes right after the last name.
        EXPECT_EQ(reinterpret_cast<const char*>(DF)[Need - 1], '\0');
        EXPECT_EQ(reinterpret_cast<const char*>(DF)[Need - 2], '\0');
        GlobalUnlock(G);
        const HDROP Drop = static_cast<HDROP>(G);
        ASSERT_EQ(DragQueryFileA(Drop, 0xFFFFFFFF, nullptr, 0), Names.size());
        for (UINT I = 0; I < Names.size(); ++I) {
            std::string Back(DragQueryFileA(Drop, I, nullptr, 0), '\0');
            DragQueryFileA(Drop, I, Back.data(), static_cast<UINT>(Back.size() + 1));
            EXPECT_EQ(Back, Names[I]);
        }
        HGLOBAL Copy = DuplicateHGlobal(G);
        ASSERT_NE(Copy, nullptr);
        EXPECT_EQ(GlobalSize(Copy), GlobalSize(G));
        EXPECT_EQ(DragQueryFileA(static_cast<HDROP>(Copy), 0xFFFFFFFF, nullptr, 0), Names.size());
        GlobalFree(Copy);
        GlobalFree(G);
    }
}

TEST(ClipboardBlocks, IdListArrayOffsets)
{
    const std::string A("\x05\0abc\0\0", 7), B("\x04\0xy\0\0", 6);
    HGLOBAL G = nullptr;
    ASSERT_EQ(MakeIdListArrayData(nullptr,
                                  {reinterpret_cast<LPCITEMIDLIST>(A.data()), reinterpret_cast<LPCITEMIDLIST>(B.data())},
                                  G),
              S_OK);
    auto* C = static_cast<const CIDA*>(GlobalLock(G));
    EXPECT_EQ(C->cidl, 2u);
    EXPECT_EQ(C->aoffset[0], 16u);
    EXPECT_EQ(C->aoffset[1], 18u);
    EXPECT_EQ(C->aoffset[2], 18u + 7u);
    EXPECT_EQ(GlobalSize(G), 2u * 4 + 8 + 2 + 7 + 6);
    const char* Base = reinterpret_cast<const char*>(C);
    EXPECT_EQ(std::string(Base + 16, 2), std::string(2, '\0'));
    EXPECT_EQ(std::string(Base + 18, 7), A);
    EXPECT_EQ(std::string(Base + 25, 6), B);
    GlobalUnlock(G);
    GlobalFree(G);
}

TEST(ClipboardBlocks, DropEffectsOfRealItems)
{
    TTestFolder Dir("sheff");
    const std::string File = Dir.Write("item.txt", "x");
    TItemInFolder I(File);
    TComPtr<IDataObject> Data;
    LPCITEMIDLIST Items[1] = {I.Item.Get()};
    ASSERT_HRESULT_SUCCEEDED(
        I.Folder->GetUIObjectOf(nullptr, 1, Items, IID_IDataObject, nullptr, Data.PutVoid()));
    const DWORD E = GetDataObjectDropEffects(Data.Get());
    EXPECT_TRUE(E & DROPEFFECT_COPY);
    EXPECT_EQ(E & ~DWORD(7), 0u);
    EXPECT_EQ(GetDataObjectDropEffects(nullptr), 7u);
}

TEST(DropSource, ContinueCancelOrDrop)
{
    struct {
        DWORD Button;
        BOOL Escape;
        DWORD Keys;
        HRESULT R;
    } Cases[] = {
        {MK_LBUTTON, FALSE, MK_LBUTTON, S_OK},
        {MK_LBUTTON, FALSE, MK_LBUTTON | MK_SHIFT, S_OK},
        {MK_LBUTTON, FALSE, 0, DRAGDROP_S_DROP},
        {MK_LBUTTON, TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},
        {MK_LBUTTON, FALSE, MK_LBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
        {MK_RBUTTON, FALSE, MK_RBUTTON, S_OK},
        {MK_RBUTTON, FALSE, MK_MBUTTON, DRAGDROP_S_CANCEL},
        {MK_MBUTTON, FALSE, 0, DRAGDROP_S_DROP},
    };
    for (auto& C : Cases) {
        auto S = TComPtr<IDropSource>::AddRefOf(new TDropSource_shlvtv(C.Button));
        EXPECT_EQ(S->QueryContinueDrag(C.Escape, C.Keys), C.R) << C.Button << "/" << C.Keys;
        EXPECT_EQ(S->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
    }
}

TEST(NewFolder, NamingSeriesAndOneBoxForARealError)
{
    TTestFolder Dir("shnew");
    CreateDirectoryA(Dir.File("New Folder").c_str(), nullptr);
    CreateDirectoryA(Dir.File("New Folder (2)").c_str(), nullptr);
    std::string Name;
    TDialogLog Boxes;
    ASSERT_TRUE(CreateNewFolder(Dir.Path(), Name));
    EXPECT_EQ(Name, "New Folder (3)");
    EXPECT_TRUE(FileExists(Dir.File("New Folder (3)")));
    ASSERT_TRUE(CreateNewFolder(Dir.Path() + "\\", Name));
    EXPECT_EQ(Name, "New Folder (4)");
    EXPECT_TRUE(Boxes.Shown.empty());

    // A parent that cannot take folders: one warning, with its own reason
    // and not "already exists".
    ASSERT_FALSE(CreateNewFolder(Dir.File("gone\\deeper"), Name));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    const TMessageDlgRequest& R = Boxes.Shown[0];
    EXPECT_EQ(R.DlgType, mtWarning);
    EXPECT_EQ(R.Buttons, mbOKOnly);
    EXPECT_NE(R.Msg.find("Unable to create the folder '"), std::string::npos);
    EXPECT_NE(R.Msg.find(SysErrorMessage(ERROR_PATH_NOT_FOUND)), std::string::npos) << R.Msg;
    EXPECT_EQ(R.Msg.find(SysErrorMessage(ERROR_ALREADY_EXISTS)), std::string::npos) << R.Msg;
}

TEST(NewFolder, BothSeriesTakenGivesTheExistsWarning)
{
    TTestFolder Dir("shfull");
    CreateDirectoryA(Dir.File("New Folder").c_str(), nullptr);
    for (int N = 2; N <= 50; ++N)
        CreateDirectoryA(Dir.File("New Folder (" + std::to_string(N) + ")").c_str(), nullptr);
    std::string Name;
    TDialogLog Boxes;
    ASSERT_TRUE(CreateNewFolder(Dir.Path(), Name));
    EXPECT_EQ(Name, "fldr");
    for (int N = 2; N <= 50; ++N)
        CreateDirectoryA(Dir.File("fldr" + std::to_string(N)).c_str(), nullptr);
    EXPECT_FALSE(CreateNewFolder(Dir.Path(), Name));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_NE(Boxes.Shown[0].Msg.find("'New Folder'"), std::string::npos);
    EXPECT_NE(Boxes.Shown[0].Msg.find(SysErrorMessage(ERROR_ALREADY_EXISTS)), std::string::npos);
}

TEST(ShellMenus, ItemMenusVerbsAndPaste)
{
    TTestFolder Src("shverb"), Dst("shpaste");
    const std::string File = Src.Write("copied.txt", "payload");
    TItemInFolder I(File);
    TComPtr<IContextMenu> CM;
    HMENU Menu = nullptr;
    ASSERT_HRESULT_SUCCEEDED(GetItemsContextMenu(I.Folder.Get(), nullptr, {I.Item.Get()}, CM, Menu,
                                                 ShellMenuFirstId, CMF_NORMAL));
    ASSERT_NE(Menu, nullptr);
    EXPECT_GT(GetMenuItemCount(Menu), 0);
    DestroyMenu(Menu);
    const int Copy = FindVerbId(CM.Get(), "COPY");
    EXPECT_GE(Copy, 0) << "verbs compare without case";
    EXPECT_EQ(FindVerbId(CM.Get(), "no-such-verb"), -1);
    // Item menus here have no "paste": asking for it fails and runs nothing.
    if (FindVerbId(CM.Get(), "paste") < 0) {
        EXPECT_EQ(InvokeVerb(nullptr, CM.Get(), "paste"), E_FAIL);
    }
    EXPECT_EQ(InvokeVerb(nullptr, CM.Get(), VerbOffset(0x7FFF)), InvokeVerb(nullptr, CM.Get(), VerbOffset(0x7FFF)));
    EXPECT_EQ(InvokeVerb(nullptr, nullptr, "copy"), E_INVALIDARG);

    // Copy the item by its verb: the clipboard then holds it. The paste
    // goes through the target folder's background menu, which has the verb
    // (Wine's folders take it but move no file, so only the call is checked).
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    ASSERT_HRESULT_SUCCEEDED(InvokeVerb(nullptr, CM.Get(), "copy"));
    EXPECT_TRUE(IsClipboardFormatAvailable(ShellIdListFormat()) || IsClipboardFormatAvailable(CF_HDROP));
    TPidl DstPidl = PidlOf(Dst.Path());
    TComPtr<IShellFolder> DstFolder;
    ASSERT_HRESULT_SUCCEEDED(ShellBindToFolder(DstPidl.Get(), DstFolder));
    EXPECT_HRESULT_SUCCEEDED(PasteIntoFolder(nullptr, DstFolder.Get()));
    EXPECT_EQ(PasteIntoFolder(nullptr, nullptr), E_INVALIDARG);
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
}

TEST(ShellMenus, SplittingUIObjectsAndDrops)
{
    TTestFolder Src("shsplit"), Dst("shdrop");
    const std::string File = Src.Write("dropped.txt", "abc");
    TPidl Abs = PidlOf(File);
    TComPtr<IShellFolder> F;
    TPidl Parent, Item;
    ASSERT_HRESULT_SUCCEEDED(SplitAbsolutePidl(Abs.Get(), F, Parent, Item));
    EXPECT_EQ(ShellPidlToPath(Parent.Get()), Src.Path());
    EXPECT_EQ(TRzIdListArray(Item.Get()).Count(), 1);
    TPidl Joined = ConcatIdLists(Parent.Get(), Item.Get());
    EXPECT_EQ(CompareAbsIdLists(Joined.Get(), Abs.Get()), 0);

    TPidl Drives;
    ASSERT_HRESULT_SUCCEEDED(ShellGetSpecialFolderPidl(nullptr, csidlDrives, Drives));
    ASSERT_HRESULT_SUCCEEDED(SplitAbsolutePidl(Drives.Get(), F, Parent, Item));
    EXPECT_FALSE(Parent) << "one item: the desktop is the folder, no parent list";
    ASSERT_HRESULT_SUCCEEDED(SplitAbsolutePidl(nullptr, F, Parent, Item));
    TPidl DeskDir = ConcatIdLists(Parent.Get(), Item.Get());
    EXPECT_EQ(ShellPidlToPath(DeskDir.Get()), ShellGetSpecialFolderPath(nullptr, csidlDesktopDirectory));
    TPidl P2, I2;
    ASSERT_HRESULT_SUCCEEDED(GetDesktopParentAndItem(P2, I2));
    EXPECT_EQ(CompareIdListBytes(P2.Get(), Parent.Get()), 0);

    TComPtr<IDropTarget> DeskTarget;
    EXPECT_HRESULT_SUCCEEDED(GetDesktopDropTarget(DeskTarget));
    EXPECT_TRUE(DeskTarget);

    TComPtr<IDataObject> Data;
    ASSERT_HRESULT_SUCCEEDED(GetPidlUIObject(Abs.Get(), IID_IDataObject, Data.PutVoid()));
    DWORD Effect = DROPEFFECT_COPY;
    // Wine's folder drop targets accept the drop without copying; the
    // source must survive either way.
    EXPECT_HRESULT_SUCCEEDED(DropDataOnFolder(csidlNone, Dst.Path(), Data.Get(), POINT{0, 0}, 0, Effect));
    EXPECT_TRUE(FileExists(File));
    EXPECT_HRESULT_FAILED(DropDataOnFolder(csidlNone, Dst.File("none\\deeper"), Data.Get(), POINT{0, 0}, 0, Effect));
}

TEST(ShellMenus, MenuCharAndHelpText)
{
    const HMENU M = CreatePopupMenu();
    const std::vector<std::string> Captions = {"Open", "Copy", "Cut", "Delete", "Properties"};
    for (size_t I = 0; I < Captions.size(); ++I)
        AppendMenuA(M, MF_STRING, 10 + I, Captions[I].c_str());
    struct {
        char Key;
        int Hilite;
        LRESULT R;
    } Cases[] = {
        {'o', -1, MAKELRESULT(0, MNC_EXECUTE)}, {'c', -1, MAKELRESULT(1, MNC_SELECT)},
        {'c', 1, MAKELRESULT(2, MNC_SELECT)},   {'C', 2, MAKELRESULT(1, MNC_SELECT)},
        {'z', -1, MAKELRESULT(0, MNC_CLOSE)},   {'p', 4, MAKELRESULT(4, MNC_EXECUTE)},
    };
    for (auto& C : Cases) {
        for (UINT I = 0; I < Captions.size(); ++I)
            HiliteMenuItem(nullptr, M, I, MF_BYPOSITION | MF_UNHILITE);
        if (C.Hilite >= 0) {
            MENUITEMINFOA Info{};
            Info.cbSize = sizeof Info;
            Info.fMask = MIIM_STATE;
            Info.fState = MFS_HILITE;
            SetMenuItemInfoA(M, static_cast<UINT>(C.Hilite), TRUE, &Info);
        }
        EXPECT_EQ(ShellMenuChar(nullptr, M, Captions, MAKEWPARAM(C.Key, MF_POPUP), 0), C.R)
            << C.Key << " after " << C.Hilite;
    }
    DestroyMenu(M);
    EXPECT_EQ(ShellMenuSelectHelp(nullptr, MAKEWPARAM(1001, 0), 0), "");

    TTestFolder Dir("shhelp");
    TItemInFolder I(Dir.Write("h.txt", ""));
    TComPtr<IContextMenu> CM;
    HMENU Menu = nullptr;
    ASSERT_HRESULT_SUCCEEDED(
        GetItemsContextMenu(I.Folder.Get(), nullptr, {I.Item.Get()}, CM, Menu, ShellMenuFirstId, CMF_NORMAL));
    DestroyMenu(Menu);
    EXPECT_EQ(ShellMenuSelectHelp(CM.Get(), MAKEWPARAM(999, 0), 0), "") << "not a shell command";
    EXPECT_EQ(ShellMenuSelectHelp(CM.Get(), MAKEWPARAM(ShellMenuFirstId, MF_POPUP), 0), "");
}

TEST(ShellMenus, SendToItemsAreOwnerDrawn)
{
    const std::string SendTo = ShellGetSpecialFolderPath(nullptr, csidlSendTo);
    ASSERT_FALSE(SendTo.empty());
    CreateDirectoryA(SendTo.c_str(), nullptr);
    const std::string Target = SendTo + "\\Tessaly test target.txt";
    ASSERT_TRUE(TTestFolder::Put(Target, "x"));
    const HMENU Sub = CreatePopupMenu();
    AppendMenuA(Sub, MF_STRING, 77, "placeholder");
    TRzSendToMenu S;
    ASSERT_TRUE(S.Fill(Sub, 77, 2000));
    EXPECT_FALSE(S.Fill(Sub, 77, 2000)) << "filled once";
    ASSERT_GE(S.Count(), 1);
    int Mine = -1;
    for (int I = 0; I < S.Count(); ++I)
        if (S.Path(I) == Target)
            Mine = I;
    ASSERT_GE(Mine, 0);
    EXPECT_EQ(GetMenuItemCount(Sub), S.Count());
    EXPECT_EQ(GetMenuState(Sub, 2000 + Mine, MF_BYCOMMAND) & MF_OWNERDRAW, UINT(MF_OWNERDRAW));

    MEASUREITEMSTRUCT MI{};
    MI.CtlType = ODT_MENU;
    MI.itemID = 2000 + Mine;
    ASSERT_TRUE(S.MeasureItem(MI));
    EXPECT_GE(MI.itemHeight, 18u);
    EXPECT_GT(MI.itemWidth, 40u);
    MI.itemID = 5;
    EXPECT_FALSE(S.MeasureItem(MI));

    TBitmap B;
    B.SetSize(200, 24);
    DRAWITEMSTRUCT DI{};
    DI.CtlType = ODT_MENU;
    DI.itemID = 2000 + Mine;
    DI.hDC = B.Canvas()->Handle();
    DI.rcItem = {0, 0, 200, 24};
    DI.itemState = ODS_SELECTED;
    ASSERT_TRUE(S.DrawItem(DI));
    // Selected: the highlight fills the row; the text is drawn over it.
    const COLORREF Hi = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(GetPixel(DI.hDC, 199, 1), Hi);
    int Other = 0;
    for (int X = 28; X < 199; ++X)
        for (int Y = 0; Y < 24; ++Y)
            Other += GetPixel(DI.hDC, X, Y) != Hi;
    EXPECT_GT(Other, 10) << "the item's name is drawn";
    DestroyMenu(Sub);
    DeleteFileA(Target.c_str());
}

TEST(FileDetails, SizesDatesTypesAndFolders)
{
    struct {
        std::int64_t Size;
        const char* Text;
    } Sizes[] = {{0, "0KB"}, {1, "1KB"}, {1024, "1KB"}, {1025, "2KB"}, {1024 * 1024, "1,024KB"}};
    for (auto& C : Sizes)
        EXPECT_EQ(FormatFileSizeKB(C.Size), C.Text) << C.Size;

    TTestFolder Dir("shdetails");
    const std::string File = Dir.Write("three.txt", std::string(3000, 'x'));
    TPidl FilePidl = PidlOf(File), DirPidl = PidlOf(Dir.Path());
    std::string Size, Modified;
    GetFileDetails(FilePidl.Get(), Size, Modified);
    EXPECT_EQ(Size, "3KB");
    EXPECT_FALSE(Modified.empty());
    GetFileDetails(DirPidl.Get(), Size, Modified);
    EXPECT_EQ(Size, "") << "folders have no size";
    EXPECT_FALSE(Modified.empty());
    TPidl Drives;
    ShellGetSpecialFolderPidl(nullptr, csidlDrives, Drives);
    GetFileDetails(Drives.Get(), Size, Modified);
    EXPECT_TRUE(Size.empty() && Modified.empty());
    EXPECT_EQ(GetFileTypeName(Drives.Get(), SFGAO_FOLDER), "System Folder");
    EXPECT_FALSE(GetFileTypeName(FilePidl.Get(), SFGAO_FILESYSTEM).empty());

    const bool V6 = VersionAtLeast(Shell32Version(), 6, 0);
    struct {
        SFGAOF Attr;
        bool FilesCanBeFolders, Folder;
    } Folders[] = {
        {0, true, false},
        {SFGAO_FOLDER, false, true},
        {SFGAO_FOLDER | SFGAO_STREAM, false, !V6},
        {SFGAO_FOLDER | SFGAO_STREAM, true, true},
    };
    for (auto& C : Folders)
        EXPECT_EQ(IsFolderItem(C.Attr, C.FilesCanBeFolders), C.Folder) << C.Attr;
}

TEST(SmallServices, WindowsTimesAndErrors)
{
    TForm Form(nullptr);
    TButton Inner(&Form);
    Inner.SetParent(&Form);
    EXPECT_EQ(GetParentFormWindow(&Inner), nullptr) << "no window yet";
    Form.HandleNeeded();
    EXPECT_EQ(GetParentFormWindow(&Inner), Form.WindowHandle());
    EXPECT_EQ(GetParentFormWindow(nullptr), nullptr);

    const HWND W = Form.Handle();
    SetWindowStyleBit(W, WS_TABSTOP, true);
    EXPECT_TRUE(GetWindowLongA(W, GWL_STYLE) & WS_TABSTOP);
    SetWindowStyleBit(W, WS_TABSTOP, false);
    EXPECT_FALSE(GetWindowLongA(W, GWL_STYLE) & WS_TABSTOP);

    SYSTEMTIME ST{2024, 2, 0, 29, 13, 45, 10, 0};
    FILETIME FT{};
    SystemTimeToFileTime(&ST, &FT);
    EXPECT_DOUBLE_EQ(FileTimeToDateTimeUtc(FT), EncodeDateTime(2024, 2, 29, 13, 45, 10, 0));
    FILETIME Local{};
    FileTimeToLocalFileTime(&FT, &Local);
    EXPECT_DOUBLE_EQ(LocalFileTimeToDateTime(FT), FileTimeToDateTime(Local));

    try {
        RaiseSystemError(ERROR_ACCESS_DENIED);
        FAIL();
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), SysErrorMessage(ERROR_ACCESS_DENIED));
    }
    WaitWithHourglass(0);
}

TEST(SmallServices, WheelScrollLinesAndPages)
{
    const HWND H = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 150, 100,
                                   nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(H, nullptr);
    for (int I = 0; I < 100; ++I)
        SendMessageA(H, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("line " + std::to_string(I)).c_str()));
    UINT Lines = 0;
    TWheelScrollLinesScope Wheel([&] { return Lines; });
    struct {
        UINT Lines;
        WORD Code;
        int Top;
    } Cases[] = {{3, SB_LINEDOWN, 3}, {5, SB_LINEDOWN, 8}, {WHEEL_PAGESCROLL, SB_PAGEDOWN, -1}};
    for (auto& C : Cases) {
        const int Before = static_cast<int>(SendMessageA(H, LB_GETTOPINDEX, 0, 0));
        Lines = C.Lines;
        EXPECT_TRUE(WheelScroll(H, SB_VERT, SB_LINEDOWN, SB_PAGEDOWN));
        const int After = static_cast<int>(SendMessageA(H, LB_GETTOPINDEX, 0, 0));
        if (C.Top >= 0) {
            EXPECT_EQ(After, C.Top) << C.Lines;
        } else {
            EXPECT_GT(After - Before, 3) << "a page moves more than a few lines";
        }
    }
    DestroyWindow(H);
}

// ---------------------------------------------------------------------------
// Node data
// ---------------------------------------------------------------------------

namespace {
struct TListOf : TRzShellListContext {
    TComPtr<IShellFolder> Folder;
    TPidl Pidl;
    TComPtr<IShellDetails> Details;
    bool UseDetails = false;
    explicit TListOf(const std::string& Path)
    {
        Pidl = PidlOf(Path);
        ShellBindToFolder(Pidl.Get(), Folder);
        Details = GetShellDetails(Folder.Get());
    }
    IShellFolder* ListFolder() override { return Folder.Get(); }
    LPCITEMIDLIST ListFolderIdList() override { return Pidl.Get(); }
    IShellDetails* ListShellDetails() override { return UseDetails ? Details.Get() : nullptr; }
};

TPidl ChildOf(IShellFolder* Folder, const char* Name)
{
    std::wstring W(Name, Name + strlen(Name));
    TPidl P;
    ULONG Eaten = 0;
    EXPECT_HRESULT_SUCCEEDED(Folder->ParseDisplayName(nullptr, nullptr, W.data(), &Eaten, P.Put(), nullptr)) << Name;
    return P;
}
} // namespace

TEST(NodeData, TreeNodesBuildListsAndFolders)
{
    TTestFolder Dir("shtree");
    CreateDirectoryA(Dir.File("child").c_str(), nullptr);
    TPidl RootPidl = PidlOf(Dir.Path());
    TRzShellTreeData Root(nullptr, RootPidl.Get());
    EXPECT_EQ(Root.Path(), Dir.Path());
    ASSERT_NE(Root.ShellFolder(), nullptr);
    EXPECT_NE(Root.ParentShellFolder(), nullptr);
    EXPECT_FALSE(Root.CanRename()) << "roots are never renamed";
    TPidl Rel = ChildOf(Root.ShellFolder(), "child");
    TRzShellTreeData Child(&Root, Rel.Get());
    EXPECT_EQ(Child.Path(), Dir.File("child"));
    EXPECT_EQ(Child.ParentShellFolder(), Root.ShellFolder());
    EXPECT_NE(Child.ShellFolder(), nullptr);
    EXPECT_TRUE(Child.CanRename());
    CreateDirectoryA(Dir.File("other").c_str(), nullptr);
    TPidl Other = ChildOf(Root.ShellFolder(), "other");
    Child.SetRelativeIdList(Other.Get());
    EXPECT_EQ(Child.Path(), Dir.File("other")) << "the cached list is dropped";

    TRzShellTreeData Desktop(nullptr, nullptr);
    EXPECT_EQ(Desktop.Path(), "");
    TComPtr<IShellFolder> Desk;
    ShellGetDesktopFolder(Desk);
    EXPECT_EQ(Desktop.ShellFolder(), Desk.Get());
    EXPECT_FALSE(Desktop.CanRename());
}

TEST(NodeData, ListItemsAttributesNamesAndColumns)
{
    TTestFolder Dir("shlistd");
    Dir.Write("doc.txt", std::string(2048, 'd'));
    Dir.Write("go.lnk", "");
    CreateDirectoryA(Dir.File("sub").c_str(), nullptr);
    TListOf List(Dir.Path());
    TPidl Doc = ChildOf(List.Folder.Get(), "doc.txt");
    TPidl Sub = ChildOf(List.Folder.Get(), "sub");
    TPidl Lnk = ChildOf(List.Folder.Get(), "go.lnk");
    TRzShellListData D(&List, Doc.Get()), S(&List, Sub.Get()), L(&List, Lnk.Get());
    EXPECT_FALSE(D.IsFolder());
    EXPECT_TRUE(S.IsFolder());
    EXPECT_TRUE(D.Attributes() & SFGAO_FILESYSTEM);
    EXPECT_TRUE(D.CanRename());
    EXPECT_FALSE(D.IsShortcut());
    EXPECT_TRUE(L.IsShortcut());
    EXPECT_EQ(D.Path(), Dir.File("doc.txt"));
    EXPECT_EQ(D.FileName(), "doc.txt");
    EXPECT_EQ(D.DisplayName().rfind("doc", 0), 0u);
    EXPECT_EQ(CompareAbsIdLists(D.AbsIdList(), PidlOf(Dir.File("doc.txt")).Get()), 0);
    // Without column details: name, size, type, modified.
    EXPECT_EQ(D.ColumnText(0), D.DisplayName());
    EXPECT_EQ(D.ColumnText(1), "2KB");
    EXPECT_EQ(D.ColumnText(2), D.TypeText());
    EXPECT_EQ(D.ColumnText(3), D.ModifiedText());
    EXPECT_EQ(D.ColumnText(4), "");
    EXPECT_EQ(S.SizeText(), "");
    // With them, the folder's own texts.
    List.UseDetails = true;
    EXPECT_EQ(D.ColumnText(0).rfind("doc", 0), 0u);
    EXPECT_FALSE(D.ColumnText(1).empty());
    EXPECT_EQ(D.ColumnText(60), "");
}

TEST(NodeData, ComboItemsKeepTheirOwnCopies)
{
    TTestFolder Dir("shcombo");
    CreateDirectoryA(Dir.File("inner").c_str(), nullptr);
    TPidl DirPidl = PidlOf(Dir.Path());
    TComPtr<IShellFolder> ShellFolder;
    ASSERT_HRESULT_SUCCEEDED(ShellBindToFolder(DirPidl.Get(), ShellFolder));
    TPidl Rel = ChildOf(ShellFolder.Get(), "inner");
    TRzShellComboData C(ShellFolder.Get(), Rel.Get(), DirPidl.Get());
    EXPECT_NE(C.RelIdList(), Rel.Get());
    EXPECT_EQ(CompareIdListBytes(C.RelIdList(), Rel.Get()), 0);
    EXPECT_EQ(ShellPidlToPath(C.AbsIdList()), Dir.File("inner"));
    EXPECT_EQ(ShellPidlToPath(C.ParentAbsIdList()), Dir.Path());
    // A name ending in a dot, which the ANSI calls would strip, goes on by
    // a form that opens that very folder.
    const std::wstring Dotted = PrefixedPath(AnsiToWide(Dir.File("Mail.")));
    ASSERT_TRUE(CreateDirectoryW(Dotted.c_str(), nullptr));
    TComPtr<IEnumIDList> Listed;
    ASSERT_HRESULT_SUCCEEDED(ShellFolder->EnumObjects(nullptr, SHCONTF_FOLDERS, Listed.Put()));
    std::string Handed;
    for (TPidl Item; Listed->Next(1, Item.Put(), nullptr) == S_OK;)
        if (const std::string Path = ShellPidlToPath(ConcatIdLists(DirPidl.Get(), Item.Get()).Get()); Path != Dir.File("inner"))
            Handed = Path;
    EXPECT_EQ(GetFileAttributesA(Handed.c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY)) << Handed;
    EXPECT_EQ(C.ParentFolder(), ShellFolder.Get());
    EXPECT_NE(C.ShellFolder(), nullptr);
}
