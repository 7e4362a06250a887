// The shell tree over temp folders: lazy fill, the node rules, selecting a
// deep path, the linked list's timing, refreshes after outside changes, new
// folders, renames, and the tree's drag and drop through a fake target.
#include "tests/shell/ShellCtrlsTestSupport.h"

using namespace shell_test;

namespace {

struct TShellTreeTest : TViewsForm {
    TTestFolder Dir{"shtree"};
    std::unique_ptr<TTestShellTree> Tree;
    int FillStarts = 0;

    void MakeTree(TRzShellTreeOptions Options = DefaultShellTreeOptions & ~stoDynamicRefresh)
    {
        Tree = std::make_unique<TTestShellTree>(&Form);
        Tree->SetParent(&Form);
        Tree->SetBounds(0, 0, 250, 300);
        Tree->SetOptions(Options);
        Tree->OnFillStart = [this](TObject*) { ++FillStarts; };
        Tree->HandleNeeded();
        TRzShellLocator Base;
        Base.SetPathName(Dir.Path());
        Tree->SetBaseFolder(&Base);
        Pump();
    }
    void TearDown() override
    {
        Tree.reset();
        TViewsForm::TearDown();
    }
    std::string Mk(const std::string& Rel)
    {
        const std::string P = Dir.File(Rel);
        CreateDirectoryA(P.c_str(), nullptr);
        return P;
    }
};

} // namespace

TEST_F(TShellTreeTest, FillsLazilyWithTheNodeRules)
{
    Mk("alpha");
    Mk("alpha\\inner");
    Mk("beta");
    Mk("ghost");
    SetFileAttributesA(Dir.File("ghost").c_str(), FILE_ATTRIBUTE_HIDDEN);
    Dir.Write("note.txt", "x");
    MakeTree();
    TTreeNode* Root = Tree->RootNode();
    ASSERT_NE(Root, nullptr);
    EXPECT_EQ(Tree->RootCount(), 1);
    EXPECT_TRUE(Root->Expanded());
    EXPECT_EQ(ChildTexts(Root), (std::vector<std::string>{"alpha", "beta", "ghost"})) << "folders only, sorted";
    TTreeNode* Alpha = ChildNamed(Root, "alpha");
    EXPECT_TRUE(Alpha->HasChildren()) << "a folder with a sub-folder shows its button";
    EXPECT_EQ(Alpha->Count(), 0) << "children come only on expanding";
    // Wine answers "has sub-folders" for every folder: an empty one loses
    // its button when it is opened.
    ChildNamed(Root, "beta")->Expand(false);
    EXPECT_FALSE(ChildNamed(Root, "beta")->HasChildren());
    EXPECT_TRUE(ChildNamed(Root, "ghost")->Cut()) << "hidden items are ghosted";
    EXPECT_FALSE(Alpha->Cut());
    Alpha->Expand(false);
    EXPECT_EQ(ChildTexts(Alpha), (std::vector<std::string>{"inner"}));
    EXPECT_EQ(Tree->SelectedPathName(), Dir.Path()) << "the root is selected after a fill";

    // Without hidden items, and with files.
    Tree->SetOptions((Tree->Options() & ~stoShowHidden) | stoIncludeNonFolders);
    Tree->FillTree();
    EXPECT_EQ(ChildTexts(Tree->RootNode()), (std::vector<std::string>{"alpha", "beta", "note.txt"}));
}

TEST_F(TShellTreeTest, VirtualFoldersStayOutOfTheDesktop)
{
    // The desktop root: without virtual folders only file-system items and
    // their ancestors are offered.
    Tree = std::make_unique<TTestShellTree>(&Form);
    Tree->SetParent(&Form);
    Tree->SetOptions(DefaultShellTreeOptions & ~(stoDynamicRefresh | stoVirtualFolders));
    Tree->HandleNeeded();
    Tree->FillTree();
    ASSERT_NE(Tree->RootNode(), nullptr);
    EXPECT_TRUE(Tree->RootNode()->Expanded());
    for (int I = 0; I < Tree->RootNode()->Count(); ++I) {
        TRzShellTreeData* D = Tree->ShellData(Tree->RootNode()->Item(I));
        ASSERT_NE(D, nullptr);
        LPCITEMIDLIST Item = D->RelIdList();
        SFGAOF A = SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR;
        D->ParentShellFolder()->GetAttributesOf(1, &Item, &A);
        EXPECT_NE(A & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR), 0u) << Tree->RootNode()->Item(I)->Text();
    }
}

TEST_F(TShellTreeTest, SelectIdListBuildsTheDeepPath)
{
    const std::string Deep = Mk("one") + "\\two";
    CreateDirectoryA(Deep.c_str(), nullptr);
    CreateDirectoryA((Deep + "\\three").c_str(), nullptr);
    MakeTree();
    TPidl P = PidlOf(Deep + "\\three");
    Tree->SelectIdList(P.Get());
    ASSERT_NE(Tree->Selected(), nullptr);
    EXPECT_EQ(Tree->Selected()->Text(), "three");
    EXPECT_EQ(Tree->SelectedPathName(), Deep + "\\three");
    EXPECT_EQ(Tree->SelectedFolder()->PathName(), Deep + "\\three");
    EXPECT_TRUE(Tree->Selected()->Parent()->Expanded());
    EXPECT_FALSE(Tree->Selected()->Expanded()) << "the last node stays closed";
    // Going up two levels selects "one".
    Tree->GoUp(2);
    EXPECT_EQ(Tree->Selected()->Text(), "one");
    Tree->GoUp(10);
    EXPECT_EQ(Tree->Selected(), Tree->RootNode()) << "stops at the top";
    EXPECT_EQ(Tree->ChangeThread(), nullptr) << "a tree without refreshes watches no folder";
}

TEST_F(TShellTreeTest, LinkedListFollowsAfterTheDelayOrAtOnceOnAClick)
{
    Mk("a");
    Mk("b");
    Mk("c");
    MakeTree();
    TRecordingList List(nullptr);
    Tree->SetShellList(&List);
    EXPECT_EQ(List.LinkedTree, Tree.get());
    List.Shown.clear();
    Tree->SetSelected(ChildNamed(Tree->RootNode(), "a"));
    Tree->ChangeTimer()->Timer();
    List.Shown.clear();

    // Keyboard moves: nothing until the timer's tick, then the resting node.
    SendMessageA(Tree->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(Tree->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Tree->Selected()->Text(), "c");
    EXPECT_TRUE(List.Shown.empty());
    EXPECT_EQ(Tree->Pending(), TRzShellPending::Sync);
    EXPECT_TRUE(Tree->ChangeTimer()->Enabled());
    EXPECT_EQ(Tree->ChangeTimer()->Interval(), 500u);
    Tree->ChangeTimer()->Timer();
    EXPECT_EQ(List.Shown, (std::vector<std::string>{"c"}));
    EXPECT_FALSE(Tree->ChangeTimer()->Enabled());

    // A click reaches the list at once.
    List.Shown.clear();
    const TRect R = ChildNamed(Tree->RootNode(), "a")->DisplayRect(true);
    const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    PostMessageA(Tree->Handle(), WM_LBUTTONUP, 0, At);
    SendMessageA(Tree->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    Pump();
    EXPECT_EQ(Tree->Selected()->Text(), "a");
    EXPECT_EQ(List.Shown, (std::vector<std::string>{"a"}));
    EXPECT_EQ(GetCapture(), nullptr) << "the next click goes where it is aimed";
    Tree->SetShellList(nullptr);
    EXPECT_EQ(List.LinkedTree, nullptr);
}

TEST_F(TShellTreeTest, RefreshKeepsExpansionAndMovesAVanishedSelectionUp)
{
    Mk("keep");
    Mk("keep\\gone");
    Mk("keep\\stay");
    Mk("leaf");
    MakeTree();
    TTreeNode* Keep = ChildNamed(Tree->RootNode(), "keep");
    Keep->Expand(false);
    Tree->SetSelected(ChildNamed(Keep, "gone"));
    ASSERT_TRUE(RemoveDirectoryA(Dir.File("keep\\gone").c_str()));
    Mk("leaf\\fresh");
    Mk("new top");
    FillStarts = 0;
    Tree->RefreshTree();
    EXPECT_EQ(FillStarts, 1);
    Keep = ChildNamed(Tree->RootNode(), "keep");
    ASSERT_NE(Keep, nullptr);
    EXPECT_TRUE(Keep->Expanded());
    EXPECT_EQ(ChildTexts(Keep), (std::vector<std::string>{"stay"}));
    EXPECT_EQ(Tree->Selected(), Keep) << "the selection moves to the parent";
    TTreeNode* Leaf = ChildNamed(Tree->RootNode(), "leaf");
    EXPECT_EQ(Leaf->Count(), 0) << "a node never opened is not refreshed";
    Leaf->Expand(false);
    EXPECT_EQ(ChildTexts(Leaf), (std::vector<std::string>{"fresh"}));
    EXPECT_EQ(ChildTexts(Tree->RootNode()), (std::vector<std::string>{"keep", "leaf", "new top"}));
}

TEST_F(TShellTreeTest, NotificationsWithinTheIntervalGiveOneRefresh)
{
    MakeTree();
    FillStarts = 0;
    for (int I = 0; I < 3; ++I)
        SendMessageA(Tree->Handle(), RZSH_CHANGENOTIFY, 0, 0);
    EXPECT_EQ(FillStarts, 0);
    EXPECT_EQ(Tree->Pending(), TRzShellPending::Refresh);
    EXPECT_EQ(Tree->ChangeTimer()->Interval(), 2000u) << "not focused";
    Mk("late");
    Tree->ChangeTimer()->Timer();
    EXPECT_EQ(FillStarts, 1);
    EXPECT_NE(ChildNamed(Tree->RootNode(), "late"), nullptr);
}

TEST_F(TShellTreeTest, AChangeDuringAShellMenuShowsWhenTheMenuCloses)
{
    Mk("sub");
    MakeTree();
    TTreeNode* Sub = ChildNamed(Tree->RootNode(), "sub");
    FillStarts = 0;
    bool SawInteraction = false;
    auto Old = SetTrackPopupHook([&](HMENU, int, int) -> UINT {
        SawInteraction = Tree->InInteraction();
        Mk("made meanwhile");
        SendMessageA(Tree->Handle(), RZSH_CHANGENOTIFY, 0, 0);
        return 0;
    });
    Tree->SetSelected(Sub);
    Tree->ShowNodeMenu();
    SetTrackPopupHook(Old);
    EXPECT_TRUE(SawInteraction);
    EXPECT_FALSE(Tree->InInteraction());
    EXPECT_FALSE(Tree->RefreshPending());
    EXPECT_EQ(FillStarts, 1) << "the change kept for the end of the menu";
    EXPECT_NE(ChildNamed(Tree->RootNode(), "made meanwhile"), nullptr);
}

TEST_F(TShellTreeTest, TheMenuKeyOpensTheSelectedFoldersMenuOnItOnce)
{
    Mk("sub");
    MakeTree();
    TTreeNode* Sub = ChildNamed(Tree->RootNode(), "sub");
    std::vector<POINT> Shown;
    auto Old = SetTrackPopupHook([&](HMENU, int X, int Y) -> UINT {
        Shown.push_back({X, Y});
        return 0;
    });
    Tree->SetSelected(Sub);
    SendMessageA(Tree->Handle(), WM_KEYDOWN, VK_APPS, 1);
    SendMessageA(Tree->Handle(), WM_KEYUP, VK_APPS, static_cast<LPARAM>(0xC0000001u));
    SetTrackPopupHook(Old);
    ASSERT_EQ(Shown.size(), 1u);
    const TRect R = Sub->DisplayRect(true);
    const TPoint Middle = Tree->ClientToScreen(TPoint((R.left + R.right) / 2, (R.top + R.bottom) / 2));
    EXPECT_EQ(Shown[0].x, Middle.x);
    EXPECT_EQ(Shown[0].y, Middle.y);
}

TEST_F(TShellTreeTest, NewFolderOpensInEditModeAndRenameWorksOnDisk)
{
    Mk("New Folder");
    MakeTree();
    ASSERT_TRUE(Tree->CreateNewFolder());
    EXPECT_TRUE(IsDir(Dir.File("New Folder (2)")));
    TTreeNode* Made = ChildNamed(Tree->RootNode(), "New Folder (2)");
    ASSERT_NE(Made, nullptr);
    const HWND Editor = reinterpret_cast<HWND>(SendMessageA(Tree->Handle(), TVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(Editor, nullptr) << "the new folder's label is being edited";

    SetWindowTextA(Editor, "Renamed");
    SendMessageA(Tree->Handle(), TVM_ENDEDITLABELNOW, FALSE, 0);
    EXPECT_TRUE(IsDir(Dir.File("Renamed")));
    EXPECT_FALSE(IsDir(Dir.File("New Folder (2)")));
    Made = ChildNamed(Tree->RootNode(), "Renamed");
    ASSERT_NE(Made, nullptr);
    EXPECT_EQ(Tree->ShellData(Made)->Path(), Dir.File("Renamed"));
}

TEST_F(TShellTreeTest, ANameTooLongForTheShellIsRefused)
{
    Mk("short");
    MakeTree();
    TTreeNode* Node = ChildNamed(Tree->RootNode(), "short");
    // Wine's label editor holds fewer characters: the end of the edit is
    // handed over as the tree view would hand it.
    const std::string Long(300, 'n');
    std::string S = Long;
    Tree->EndEdit(Node, S);
    EXPECT_EQ(S, "short") << "the label goes back";
    EXPECT_TRUE(IsDir(Dir.File("short"))) << "the item keeps its name";
    EXPECT_EQ(Node->Text(), "short");
    EXPECT_FALSE(IsDir(Dir.File(Long.substr(0, 200))));
}

TEST_F(TShellTreeTest, DataObjectOffersTheNodeInBothFormats)
{
    Mk("dragged");
    MakeTree();
    TTreeNode* Node = ChildNamed(Tree->RootNode(), "dragged");
    TComPtr<IDataObject> Data = MakeTreeDataObject(Tree.get(), Node);
    FORMATETC Drop{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    FORMATETC Ids{static_cast<CLIPFORMAT>(ShellIdListFormat()), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    FORMATETC Text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(Data->QueryGetData(&Drop), S_OK);
    EXPECT_EQ(Data->QueryGetData(&Ids), S_OK);
    EXPECT_NE(Data->QueryGetData(&Text), S_OK);
    STGMEDIUM M{};
    EXPECT_NE(Data->GetData(&Text, &M), S_OK);
    ASSERT_EQ(Data->GetData(&Drop, &M), S_OK);
    char Name[MAX_PATH] = {};
    EXPECT_EQ(DragQueryFileA(static_cast<HDROP>(M.hGlobal), 0xFFFFFFFF, nullptr, 0), 1u);
    DragQueryFileA(static_cast<HDROP>(M.hGlobal), 0, Name, MAX_PATH);
    EXPECT_EQ(std::string(Name), Dir.File("dragged"));
    ReleaseStgMedium(&M);

    TComPtr<IEnumFORMATETC> Enum;
    ASSERT_EQ(Data->EnumFormatEtc(DATADIR_GET, Enum.Put()), S_OK);
    FORMATETC Got[3] = {};
    ULONG N = 0;
    Enum->Next(3, Got, &N);
    ASSERT_EQ(N, 2u);
    EXPECT_EQ(Got[0].cfFormat, ShellIdListFormat()) << "the item list first";
    EXPECT_EQ(Got[1].cfFormat, CF_HDROP);
    IEnumFORMATETC* Set = reinterpret_cast<IEnumFORMATETC*>(1);
    EXPECT_EQ(Data->EnumFormatEtc(DATADIR_SET, &Set), E_NOTIMPL);
    EXPECT_EQ(Set, nullptr);

    // The root is no item of a parent node: nothing is offered.
    TComPtr<IDataObject> RootData = MakeTreeDataObject(Tree.get(), Tree->RootNode());
    EXPECT_NE(RootData->QueryGetData(&Drop), S_OK);
}

TEST_F(TShellTreeTest, ScriptedDragDropsOnANodeThroughItsTarget)
{
    Mk("source");
    Mk("target");
    MakeTree();
    ShowWithoutActivating();
    TFakeDropTarget* Fake = new TFakeDropTarget;
    TComPtr<IDropTarget> Hold = TComPtr<IDropTarget>::AddRefOf(Fake);
    Fake->Accept = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    Tree->Fake = Fake;
    TTreeNode* Source = ChildNamed(Tree->RootNode(), "source");
    TTreeNode* Target = ChildNamed(Tree->RootNode(), "target");
    const TRect S = Source->DisplayRect(true), T = Target->DisplayRect(true);
    const TPoint From = Tree->ClientToScreen(TPoint((S.left + S.right) / 2, (S.top + S.bottom) / 2));
    const TPoint To = Tree->ClientToScreen(TPoint((T.left + T.right) / 2, (T.top + T.bottom) / 2));
    Tree->Script = {{From.x, From.y}, {To.x, To.y}, {To.x, To.y}, {To.x, To.y}};
    SetCursorPos(From.x, From.y);
    Tree->StartOleDrag(Source, true);
    EXPECT_TRUE(Tree->SourceRight);
    EXPECT_EQ(Fake->Drops, 1);
    EXPECT_EQ(Fake->DroppedFile, Dir.File("source"));
    EXPECT_EQ(Fake->IdListCount, 1);
    EXPECT_EQ(Fake->DropEffect & ~(DROPEFFECT_COPY | DROPEFFECT_MOVE), 0u) << "masked by what the target takes";
    EXPECT_NE(Fake->DropEffect, 0u);
    EXPECT_FALSE(Tree->InInteraction());

    // The same drop by hand with a right-button enter: the key state says so.
    TComPtr<IDataObject> Data = MakeTreeDataObject(Tree.get(), Source);
    DWORD Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    const POINTL At{To.x, To.y};
    Tree->OleDragEnter(Data.Get(), MK_RBUTTON, At, Effect);
    Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    Tree->OleDrop(Data.Get(), 0, At, Effect);
    EXPECT_NE(Fake->DropKeys & MK_RBUTTON, 0u);
    EXPECT_EQ(Effect & DROPEFFECT_LINK, 0u);
    Tree->Fake = nullptr;

    // The root cannot be dragged.
    Tree->Script = {{From.x, From.y}};
    Fake->Drops = 0;
    Tree->StartOleDrag(Tree->RootNode(), false);
    EXPECT_EQ(Fake->Drops, 0);
}

TEST_F(TShellTreeTest, ADropOnNoNodeReportsNoEffect)
{
    Mk("only");
    MakeTree();
    TTreeNode* Only = ChildNamed(Tree->RootNode(), "only");
    TComPtr<IDataObject> Data = MakeTreeDataObject(Tree.get(), Only);
    const TPoint Empty = Tree->ClientToScreen(TPoint(100, 280));
    ASSERT_EQ(Tree->GetNodeAt(100, 280), nullptr);
    DWORD Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    Tree->OleDragEnter(Data.Get(), MK_LBUTTON, POINTL{Empty.x, Empty.y}, Effect);
    EXPECT_EQ(Effect, DWORD(DROPEFFECT_NONE));
    Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    Tree->OleDragOver(0, POINTL{Empty.x, Empty.y}, Effect);
    EXPECT_EQ(Effect, DWORD(DROPEFFECT_SCROLL));
    Effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(Tree->OleDrop(Data.Get(), 0, POINTL{Empty.x, Empty.y}, Effect), S_OK);
    EXPECT_EQ(Effect, DWORD(DROPEFFECT_NONE)) << "the source must not delete its original";
}

TEST_F(TShellTreeTest, HoverExpandsANeverFilledNodeAndAutoScrolls)
{
    Mk("closed");
    Mk("closed\\in");
    Mk("opened");
    Mk("opened\\in");
    for (int I = 0; I < 30; ++I)
        Mk("filler" + std::to_string(100 + I));
    MakeTree();
    TTreeNode* Closed = ChildNamed(Tree->RootNode(), "closed");
    TTreeNode* Opened = ChildNamed(Tree->RootNode(), "opened");
    Opened->Expand(false);
    Opened->Collapse();
    ASSERT_EQ(Closed->Count(), 0);
    auto Hover = [&](TTreeNode* N) {
        SendMessageA(Tree->Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(N->ItemId()));
        const TRect R = N->DisplayRect(true);
        const TPoint P((R.left + R.right) / 2, (R.top + R.bottom) / 2);
        Tree->DragState().HoverPoint = P;
        Tree->DragState().LastHoverTime = GetTickCount() - ShellHoverTime() - 50;
        Tree->DragState().LastScrollTime = GetTickCount();
        Tree->OleDragAutoScroll(P);
    };
    Hover(Closed);
    EXPECT_EQ(ChildTexts(Closed), (std::vector<std::string>{"in"}));
    EXPECT_TRUE(Closed->Expanded());
    Hover(Opened);
    EXPECT_FALSE(Opened->Expanded()) << "a folder filled before stays collapsed";

    // Near the top edge (the last hover left the tree scrolled down) the
    // tree scrolls one line per interval.
    const TTreeNode* Top = Tree->TopItem();
    ASSERT_NE(Top, Tree->RootNode());
    Tree->DragState().LastScrollTime = GetTickCount() - 200;
    Tree->OleDragAutoScroll(TPoint(100, 5));
    EXPECT_NE(Tree->TopItem(), Top);
    const TTreeNode* After = Tree->TopItem();
    Tree->OleDragAutoScroll(TPoint(100, 5));
    EXPECT_EQ(Tree->TopItem(), After) << "at most one step per interval";
}

namespace {

// Answers "Yes" to the shell's confirmation box from inside its own modal
// loop, on a timer of this thread.
BOOL CALLBACK AnswerBox(HWND W, LPARAM)
{
    char Class[16] = {};
    GetClassNameA(W, Class, sizeof Class);
    if (std::string(Class) == "#32770" && IsWindowVisible(W))
        PostMessageA(W, WM_COMMAND, IDYES, 0);
    return TRUE;
}

void CALLBACK AnswerYes(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), &AnswerBox, 0); }

} // namespace

TEST_F(TShellTreeTest, DeleteAndShiftDeleteGoThroughTheShell)
{
    Mk("doomed");
    Mk("doomed too");
    Mk("kept");
    MakeTree();
    const UINT_PTR Timer = SetTimer(nullptr, 0, 50, &AnswerYes);
    struct {
        const char* Name;
        TShiftState Shift;
    } const Cases[] = {{"doomed", 0}, {"doomed too", ssShift}};
    for (const auto& C : Cases) {
        Tree->SetSelected(ChildNamed(Tree->RootNode(), C.Name));
        WORD Key = VK_DELETE;
        Tree->PressKey(Key, C.Shift);
        EXPECT_EQ(Key, 0) << "the key is taken";
        EXPECT_FALSE(IsDir(Dir.File(C.Name))) << C.Name;
        EXPECT_EQ(ChildNamed(Tree->RootNode(), C.Name), nullptr) << "the tree refreshed";
    }
    KillTimer(nullptr, Timer);
    EXPECT_TRUE(IsDir(Dir.File("kept")));
    EXPECT_NE(ChildNamed(Tree->RootNode(), "kept"), nullptr);
    // Other keys are left alone.
    WORD Key = 'A';
    Tree->PressKey(Key, 0);
    EXPECT_EQ(Key, 'A');
}

TEST_F(TShellTreeTest, AFolderMadeOnDriveCShowsByItsOwnWatch)
{
    // The drive roots are watched for real; a folder made in C:\ itself
    // reaches the tree through the watcher's notice.
    const std::string Made = "C:\\tessaly_live_" + std::to_string(GetCurrentProcessId());
    Tree = std::make_unique<TTestShellTree>(&Form);
    OpenTreeAt(*Tree, &Form, "C:\\", TRect(0, 0, 250, 300));
    Tree->SetOptions(Tree->Options() | stoDynamicRefresh);
    Tree->FillTree();
    ASSERT_NE(Tree->ChangeThread(), nullptr);
    EXPECT_GE(Tree->ChangeThread()->UsedSlots(), 1);
    ASSERT_TRUE(CreateDirectoryA(Made.c_str(), nullptr));
    const DWORD Start = GetTickCount();
    while (!Tree->ChangeTimer()->Enabled() && GetTickCount() - Start < 5000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        Pump();
    }
    const bool Seen = Tree->ChangeTimer()->Enabled();
    Tree->ChangeTimer()->Timer();
    const bool Shown = ChildNamed(Tree->RootNode(), Made.substr(3)) != nullptr;
    RemoveDirectoryA(Made.c_str());
    EXPECT_TRUE(Seen) << "the watcher saw the new folder";
    EXPECT_EQ(Tree->Pending(), TRzShellPending::None);
    EXPECT_TRUE(Shown);
}
