// The shell list over temp folders: the file filter, folders left to a
// linked tree, header sorting, going up and opening, saved column widths,
// live refresh, renames, and drags to a tree node and to its own background.
#include "tests/shell/ShellCtrlsTestSupport.h"

using namespace shell_test;

namespace {

// The real folder, with the sort column of every comparison kept.
class TRecordingFolder : public TComObject<IShellFolder> {
public:
    explicit TRecordingFolder(TComPtr<IShellFolder> Real)
        : TComObject<IShellFolder>(IID_IShellFolder), FReal(std::move(Real))
    {
    }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND W, IBindCtx* B, LPWSTR N, ULONG* E, PIDLIST_RELATIVE* P,
                                               ULONG* A) override
    {
        return FReal->ParseDisplayName(W, B, N, E, P, A);
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND W, SHCONTF F, IEnumIDList** E) override
    {
        return FReal->EnumObjects(W, F, E);
    }
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE P, IBindCtx* B, REFIID I, void** O) override
    {
        return FReal->BindToObject(P, B, I, O);
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE P, IBindCtx* B, REFIID I, void** O) override
    {
        return FReal->BindToStorage(P, B, I, O);
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM Column, PCUIDLIST_RELATIVE A, PCUIDLIST_RELATIVE B) override
    {
        Columns.push_back(static_cast<int>(Column));
        return FReal->CompareIDs(Column, A, B);
    }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND W, REFIID I, void** O) override
    {
        return FReal->CreateViewObject(W, I, O);
    }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT N, PCUITEMID_CHILD_ARRAY P, SFGAOF* A) override
    {
        return FReal->GetAttributesOf(N, P, A);
    }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND W, UINT N, PCUITEMID_CHILD_ARRAY P, REFIID I, UINT* R,
                                            void** O) override
    {
        return FReal->GetUIObjectOf(W, N, P, I, R, O);
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD P, SHGDNF F, STRRET* N) override
    {
        return FReal->GetDisplayNameOf(P, F, N);
    }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND W, PCUITEMID_CHILD P, LPCWSTR N, SHGDNF F,
                                        PITEMID_CHILD* Out) override
    {
        return FReal->SetNameOf(W, P, N, F, Out);
    }
    std::vector<int> Columns;

private:
    TComPtr<IShellFolder> FReal;
};

class TTestShellList : public TRzShellList {
public:
    using TRzShellList::TRzShellList;
    void ClickColumn(int Index) { ColClick(Column(Index)); }
    void EndEdit(TListItem* Item, std::string& S) { Edit(Item, S); }
    void ShowMenu() { ShowShellMenu(ClientToScreen(TPoint(5, 5))); }
    HRESULT BindFolder(LPCITEMIDLIST Pidl, TComPtr<IShellFolder>& F) override
    {
        const HRESULT R = TRzShellList::BindFolder(Pidl, F);
        if (SUCCEEDED(R) && Recording) {
            Recorder = new TRecordingFolder(std::move(F));
            F = TComPtr<IShellFolder>::AddRefOf(Recorder);
        }
        return R;
    }
    TComPtr<IDropSource> CreateDropSource(bool RightButton) override
    {
        if (Script.empty())
            return TRzShellList::CreateDropSource(RightButton);
        return TComPtr<IDropSource>::AddRefOf(new TScriptedSource(Script));
    }
    void FindDropTarget(TPoint P, TListItem*& Item, TComPtr<IDropTarget>& Target) override
    {
        TRzShellList::FindDropTarget(P, Item, Target);
        if (Fake)
            Target = TComPtr<IDropTarget>::AddRefOf(Fake);
    }
    bool Recording = false;
    TRecordingFolder* Recorder = nullptr;
    std::vector<POINT> Script;
    TFakeDropTarget* Fake = nullptr;
};

struct TShellListTest : TViewsForm {
    TTestFolder Dir{"shlist"};
    std::unique_ptr<TTestShellList> List;
    int FillStarts = 0;
    // The folder is wrapped from the first fill on: it offers no column
    // details, so the list shows its own four file columns.
    bool RecordFolders = false;

    void MakeList(TRzShellListOptions Options = DefaultShellListOptions & ~sloDynamicRefresh,
                  const std::string& Path = std::string())
    {
        List = std::make_unique<TTestShellList>(&Form);
        List->SetParent(&Form);
        List->SetBounds(0, 0, 500, 300);
        List->SetViewStyle(vsReport);
        List->SetOptions(Options);
        List->OnFillStart = [this](TObject*) { ++FillStarts; };
        List->Recording = RecordFolders;
        List->HandleNeeded();
        TRzShellLocator F;
        F.SetPathName(Path.empty() ? Dir.Path() : Path);
        List->SetFolder(&F);
        Pump();
    }
    void TearDown() override
    {
        List.reset();
        TViewsForm::TearDown();
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> N;
        for (int I = 0; I < List->ItemCount(); ++I)
            N.push_back(List->ItemData(I)->FileName());
        return N;
    }
    std::vector<std::string> SortedNames()
    {
        auto N = Names();
        std::sort(N.begin(), N.end());
        return N;
    }
    int IndexOf(const std::string& Name)
    {
        for (int I = 0; I < List->ItemCount(); ++I)
            if (List->ItemData(I)->FileName() == Name)
                return I;
        return -1;
    }
    void SelectOnly(const std::string& Name)
    {
        for (int I = 0; I < List->ItemCount(); ++I)
            List->Item(I)->SetSelected(false);
        const int I = IndexOf(Name);
        ASSERT_GE(I, 0) << Name;
        List->Item(I)->SetSelected(true);
        List->Item(I)->SetFocused(true);
    }
    void MakeLink(const std::string& LinkFile, const std::string& Target)
    {
        TComPtr<IShellLinkA> Link;
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, Link.PutVoid()));
        Link->SetPath(Target.c_str());
        TComPtr<IPersistFile> File;
        ASSERT_HRESULT_SUCCEEDED(Link.As(IID_IPersistFile, File));
        const std::wstring W(LinkFile.begin(), LinkFile.end());
        ASSERT_HRESULT_SUCCEEDED(File->Save(W.c_str(), TRUE));
    }
};

} // namespace

TEST_F(TShellListTest, FileFilterKeepsMatchingFilesAndEveryFolder)
{
    Dir.Write("A.MBX", "a");
    Dir.Write("b.toc", "b");
    Dir.Write("c.txt", "c");
    CreateDirectoryA(Dir.File("sub").c_str(), nullptr);
    MakeList();
    EXPECT_EQ(SortedNames(), (std::vector<std::string>{"A.MBX", "b.toc", "c.txt", "sub"}));
    struct {
        const char* Filter;
        std::vector<std::string> Shown;
    } const Cases[] = {
        {"*.mbx;*.toc", {"A.MBX", "b.toc", "sub"}},
        {"*.TXT", {"c.txt", "sub"}},
        {"*", {"A.MBX", "b.toc", "c.txt", "sub"}},
        {"*.none", {"sub"}},
        {"", {"A.MBX", "b.toc", "c.txt", "sub"}},
    };
    for (const auto& C : Cases) {
        List->SetFileFilter(C.Filter);
        EXPECT_EQ(SortedNames(), C.Shown) << C.Filter;
    }
}

TEST_F(TShellListTest, FoldersAreLeftToALinkedTree)
{
    Dir.Write("file.mbx", "x");
    CreateDirectoryA(Dir.File("folder").c_str(), nullptr);
    MakeList((DefaultShellListOptions & ~sloDynamicRefresh) | sloHideFoldersWhenLinkedToTree);
    EXPECT_EQ(SortedNames(), (std::vector<std::string>{"file.mbx", "folder"})) << "no tree: folders listed";
    TTestShellTree Tree(&Form);
    OpenTreeAt(Tree, &Form, Dir.Path(), TRect(0, 0, 150, 150));
    Tree.SetShellList(List.get());
    EXPECT_EQ(List->ShellTree(), &Tree);
    List->FillList();
    EXPECT_EQ(SortedNames(), (std::vector<std::string>{"file.mbx"}));
    Tree.SetShellList(nullptr);
    EXPECT_EQ(List->ShellTree(), nullptr);
}

TEST_F(TShellListTest, HeaderClicksFlipTheNameSortAndHandTheColumnToTheFolder)
{
    Dir.Write("a", std::string(30, 'x'));
    Dir.Write("b", std::string(10, 'x'));
    Dir.Write("c", std::string(20, 'x'));
    MakeList();
    EXPECT_EQ(List->ColumnKind(), TRzShellColumnKind::Details) << "Wine's folders give their own columns";
    EXPECT_GE(List->ColumnCount(), 4);
    EXPECT_EQ(List->SortColumn(), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));
    List->ClickColumn(0);
    EXPECT_EQ(List->SortColumn(), -1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"c", "b", "a"})) << "Name clicked again sorts descending";
    EXPECT_TRUE(List->SortDescending());
    List->ClickColumn(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));

    // Wine's folders compare by name whatever the column: the column the
    // list hands over is checked on a recording folder.
    List->Recording = true;
    List->FillList();
    ASSERT_NE(List->Recorder, nullptr);
    ASSERT_EQ(List->ColumnKind(), TRzShellColumnKind::File);
    ASSERT_EQ(List->ColumnCount(), 4);
    EXPECT_EQ(List->Column(1)->Caption, "Size");
    EXPECT_EQ(List->Column(1)->Alignment, taRightJustify);
    List->Recorder->Columns.clear();
    List->ClickColumn(1);
    EXPECT_EQ(List->SortColumn(), 2) << "Size sorts ascending first";
    ASSERT_FALSE(List->Recorder->Columns.empty());
    for (int C : List->Recorder->Columns)
        EXPECT_EQ(C, 1);
}

TEST_F(TShellListTest, BackspaceGoesUpButNotPastTheDesktop)
{
    CreateDirectoryA(Dir.File("inner").c_str(), nullptr);
    MakeList(DefaultShellListOptions & ~sloDynamicRefresh, Dir.File("inner"));
    int Changes = 0;
    List->OnFolderChanged = [&](TObject*) { ++Changes; };
    SendMessageA(List->Handle(), WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(List->Folder()->PathName(), Dir.Path());
    EXPECT_EQ(Changes, 1);

    TRzShellLocator Desktop;
    List->SetFolder(&Desktop);
    Changes = 0;
    SendMessageA(List->Handle(), WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(List->Folder()->IdList(), nullptr);
    EXPECT_EQ(Changes, 0) << "nothing above the desktop";
}

TEST_F(TShellListTest, EnterOpensFoldersAndFolderShortcuts)
{
    CreateDirectoryA(Dir.File("into").c_str(), nullptr);
    CreateDirectoryA(Dir.File("far").c_str(), nullptr);
    CreateDirectoryA(Dir.File("far\\away").c_str(), nullptr);
    MakeLink(Dir.File("jump.lnk"), Dir.File("far\\away"));
    MakeList();
    SelectOnly("into");
    SendMessageA(List->Handle(), WM_CHAR, VK_RETURN, 0);
    EXPECT_EQ(List->Folder()->PathName(), Dir.File("into"));

    List->GoUp(1);
    EXPECT_EQ(List->Folder()->PathName(), Dir.Path());
    SelectOnly("jump.lnk");
    SendMessageA(List->Handle(), WM_CHAR, VK_RETURN, 0);
    EXPECT_EQ(List->Folder()->PathName(), Dir.File("far\\away")) << "through the shortcut to its folder";

    // With the folder fixed, nothing moves.
    List->SetOptions(List->Options() | sloDontChangeFolder);
    List->GoUp(1);
    EXPECT_EQ(List->Folder()->PathName(), Dir.File("far\\away"));
}

TEST_F(TShellListTest, ColumnWidthsComeBackInTheNextList)
{
    // The Explorer record in this prefix is set for the test and put back.
    const char* KeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    HKEY Key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr),
              ERROR_SUCCESS);
    BYTE Old[64] = {};
    DWORD OldSize = sizeof Old, OldType = 0;
    const bool HadOld = RegQueryValueExA(Key, "DirectoryCols", nullptr, &OldType, Old, &OldSize) == ERROR_SUCCESS;
    const WORD Record[11] = {150, 70, 90, 110, 50};
    RegSetValueExA(Key, "DirectoryCols", 0, REG_BINARY, reinterpret_cast<const BYTE*>(Record), sizeof Record);
    Dir.Write("x.mbx", "x");
    RecordFolders = true;
    MakeList();
    ASSERT_EQ(List->ColumnKind(), TRzShellColumnKind::File);
    EXPECT_EQ(List->ColumnWidth(0), 150) << "widths from the record";
    EXPECT_EQ(List->ColumnWidth(3), 110);
    List->SetColumnWidth(0, 333);
    List->SetColumnWidth(2, 44);
    List.reset();

    MakeList();
    EXPECT_EQ(List->ColumnWidth(0), 333);
    EXPECT_EQ(List->ColumnWidth(2), 44);
    List.reset();

    // A changed record wins over what was saved.
    const WORD Other[11] = {160, 70, 90, 110, 50};
    RegSetValueExA(Key, "DirectoryCols", 0, REG_BINARY, reinterpret_cast<const BYTE*>(Other), sizeof Other);
    MakeList();
    EXPECT_EQ(List->ColumnWidth(0), 160);
    if (HadOld)
        RegSetValueExA(Key, "DirectoryCols", 0, OldType, Old, OldSize);
    else
        RegDeleteValueA(Key, "DirectoryCols");
    RegCloseKey(Key);
}

TEST_F(TShellListTest, LiveRefreshShowsAnOutsideFile)
{
    MakeList(DefaultShellListOptions);
    ASSERT_NE(List->ChangeThread(), nullptr);
    EXPECT_EQ(List->ItemCount(), 0);
    Dir.Write("arrived.mbx", "x");
    // The watcher posts its notice; the pump takes it when it comes.
    const DWORD Start = GetTickCount();
    while (!List->ChangeTimer()->Enabled() && GetTickCount() - Start < 5000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        Pump();
    }
    ASSERT_TRUE(List->ChangeTimer()->Enabled()) << "the watcher saw the new file";
    EXPECT_EQ(List->ChangeTimer()->Interval(), 2000u);
    List->ChangeTimer()->Timer();
    EXPECT_EQ(Names(), (std::vector<std::string>{"arrived.mbx"}));
}

TEST_F(TShellListTest, ItsOwnNewFolderRefreshesOnceAndOpensForEditing)
{
    MakeList();
    // Report view edits a caption only under the mouse: the list view
    // style takes it from the program.
    List->SetViewStyle(vsList);
    FillStarts = 0;
    ASSERT_TRUE(List->CreateNewFolder(true));
    EXPECT_EQ(FillStarts, 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"New Folder"}));
    SendMessageA(List->Handle(), RZSH_CHANGENOTIFY, 0, 0);
    EXPECT_FALSE(List->ChangeTimer()->Enabled()) << "its own change is not refreshed again";
    Pump();
    EXPECT_NE(SendMessageA(List->Handle(), LVM_GETEDITCONTROL, 0, 0), 0) << "the new folder is being renamed";
    SendMessageA(List->Handle(), WM_CHAR, VK_ESCAPE, 0);
}

TEST_F(TShellListTest, RenameWorksAndATooLongNameIsRefused)
{
    Dir.Write("old.mbx", "x");
    MakeList();
    TListItem* It = List->Item(0);
    std::string S = "new.mbx";
    List->EndEdit(It, S);
    EXPECT_TRUE(GetFileAttributesA(Dir.File("new.mbx").c_str()) != INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(List->ItemData(0)->FileName(), "new.mbx");

    S = std::string(300, 'q');
    List->EndEdit(It, S);
    EXPECT_NE(S.size(), 300u) << "the caption goes back";
    EXPECT_TRUE(GetFileAttributesA(Dir.File("new.mbx").c_str()) != INVALID_FILE_ATTRIBUTES)
        << "the file keeps its name";
    EXPECT_EQ(List->ItemData(0)->FileName(), "new.mbx");
}

TEST_F(TShellListTest, DragsToATreeNodeAndToItsOwnBackground)
{
    Dir.Write("mail.mbx", "x");
    CreateDirectoryA(Dir.File("box").c_str(), nullptr);
    MakeList();
    List->SetBounds(260, 0, 300, 300);
    TTestShellTree Tree(&Form);
    OpenTreeAt(Tree, &Form, Dir.Path(), TRect(0, 0, 250, 300));
    ShowWithoutActivating();
    TFakeDropTarget* Fake = new TFakeDropTarget;
    TComPtr<IDropTarget> Hold = TComPtr<IDropTarget>::AddRefOf(Fake);
    Tree.Fake = Fake;

    SelectOnly("mail.mbx");
    const TRect I = List->Item(IndexOf("mail.mbx"))->DisplayRect(drLabel);
    const TPoint From = List->ClientToScreen(TPoint((I.left + I.right) / 2, (I.top + I.bottom) / 2));
    const TRect N = ChildNamed(Tree.RootNode(), "box")->DisplayRect(true);
    const TPoint To = Tree.ClientToScreen(TPoint((N.left + N.right) / 2, (N.top + N.bottom) / 2));
    List->Script = {{From.x, From.y}, {To.x, To.y}, {To.x, To.y}, {To.x, To.y}};
    SetCursorPos(From.x, From.y);
    List->StartOleDrag(false);
    EXPECT_EQ(Fake->Drops, 1);
    EXPECT_EQ(Fake->DroppedFile, Dir.File("mail.mbx"));
    EXPECT_EQ(Fake->IdListCount, 1);
    EXPECT_EQ(Fake->DropKeys & MK_RBUTTON, 0u);
    EXPECT_FALSE(List->InInteraction());
    // A right drag: Wine reports no button during a scripted drag, so the
    // node's target hears the right button only from an enter that had it.
    TComPtr<IDataObject> Data = MakeListDataObject(List.get());
    DWORD Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    Tree.OleDragEnter(Data.Get(), MK_RBUTTON, POINTL{To.x, To.y}, Effect);
    Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    Tree.OleDrop(Data.Get(), 0, POINTL{To.x, To.y}, Effect);
    EXPECT_EQ(Fake->Drops, 2);
    EXPECT_NE(Fake->DropKeys & MK_RBUTTON, 0u);
    EXPECT_EQ(Fake->DropEffect & ~DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE), 0u);

    // Onto its own background: the left button drops nothing.
    TFakeDropTarget* Own = new TFakeDropTarget;
    TComPtr<IDropTarget> HoldOwn = TComPtr<IDropTarget>::AddRefOf(Own);
    List->Fake = Own;
    const TPoint Background = List->ClientToScreen(TPoint(250, 250));
    ASSERT_EQ(List->GetItemAt(250, 250), nullptr);
    List->Script = {{From.x, From.y}, {Background.x, Background.y}, {Background.x, Background.y}};
    List->StartOleDrag(false);
    EXPECT_EQ(Own->Drops, 0);
    // With the right button the folder's own target takes it, offering no
    // move.
    List->Script = {{From.x, From.y}, {Background.x, Background.y}, {Background.x, Background.y}};
    List->StartOleDrag(true);
    EXPECT_EQ(Own->Drops, 1);
    EXPECT_NE(Own->DropKeys & MK_RBUTTON, 0u);
    EXPECT_EQ(Own->DropEffect & DROPEFFECT_MOVE, 0u);
    EXPECT_NE(Own->DropEffect, 0u);
    Tree.Fake = nullptr;
}

TEST_F(TShellListTest, AChangeDuringAShellMenuShowsWhenTheMenuCloses)
{
    Dir.Write("first.mbx", "x");
    MakeList();
    SelectOnly("first.mbx");
    FillStarts = 0;
    bool SawInteraction = false;
    auto Old = SetTrackPopupHook([&](HMENU, int, int) -> UINT {
        SawInteraction = List->InInteraction();
        Dir.Write("second.mbx", "y");
        SendMessageA(List->Handle(), RZSH_CHANGENOTIFY, 0, 0);
        return 0;
    });
    List->ShowMenu();
    SetTrackPopupHook(Old);
    EXPECT_TRUE(SawInteraction);
    EXPECT_FALSE(List->RefreshPending());
    EXPECT_EQ(FillStarts, 1) << "the change kept for the end of the menu";
    EXPECT_EQ(SortedNames(), (std::vector<std::string>{"first.mbx", "second.mbx"}));
}

TEST_F(TShellListTest, ADropNothingTakesReportsNoEffect)
{
    Dir.Write("item.mbx", "x");
    MakeList();
    SelectOnly("item.mbx");
    TComPtr<IDataObject> Data = MakeListDataObject(List.get());
    TFakeDropTarget* Refusing = new TFakeDropTarget;
    TComPtr<IDropTarget> Hold = TComPtr<IDropTarget>::AddRefOf(Refusing);
    Refusing->Accept = DROPEFFECT_NONE;
    List->Fake = Refusing;
    const TPoint P = List->ClientToScreen(TPoint(250, 250));
    DWORD Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    List->OleDragEnter(Data.Get(), MK_LBUTTON, POINTL{P.x, P.y}, Effect);
    EXPECT_EQ(Effect, DWORD(DROPEFFECT_NONE)) << "a target that takes nothing";
    Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    List->OleDrop(Data.Get(), 0, POINTL{P.x, P.y}, Effect);
    EXPECT_EQ(Effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(Refusing->DropEffect, DWORD(DROPEFFECT_NONE));
    List->Fake = nullptr;
}

TEST_F(TShellListTest, TheNameHeaderIsLeftAlignedAndKeepsItsSortArrowThroughARefill)
{
    Dir.Write("a.mbx", "a");
    MakeList();
    ASSERT_EQ(List->ColumnKind(), TRzShellColumnKind::Details);
    for (int Fill = 0; Fill < 2; ++Fill) {
        List->FillList();
        const HWND Header = List->HeaderHandle();
        EXPECT_EQ(HeaderFormat(Header, 0) & HDF_JUSTIFYMASK, HDF_LEFT) << "fill " << Fill;
        EXPECT_EQ(List->Column(0)->Alignment, taLeftJustify);
        for (int C = 0; C < List->ColumnCount(); ++C)
            EXPECT_NE(HeaderFormat(Header, C) & HDF_OWNERDRAW, 0) << "the arrow's drawing, column " << C;
    }
}
