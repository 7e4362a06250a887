// The folder dialog run for real: its form shown modally under Xvfb in a
// temp folder tree, driven from its own modal loop by a timer that finds the
// form by its window class and clicks its controls.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "testkit/TestLinks.h" // before the shell's headers

#include "shell/RzShellDialogs.h"
#include "shell/RzShellFolderForm.h"
#include "testkit/TestFolder.h"
#include "testkit/RzFormTest.h"
#include "testkit/ModalScript.h"
#include "tests/shell/ShellCtrlsTestSupport.h"
#include "tests/shell/ViewsTestSupport.h"

using namespace modal_test;
using shell_test::ChildNamed;
using shell_test::IsDir;

namespace {

TRzSelectFolderForm* FolderForm(TCustomForm* Form)
{
    return dynamic_cast<TRzSelectFolderForm*>(Form);
}

// Selects a node the way a click on it would: through the tree's window.
void SelectNode(TRzSelectFolderForm* F, TTreeNode* Node)
{
    ASSERT_NE(Node, nullptr);
    SendMessageA(F->ShellTree->Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Node->ItemId()));
}

TTreeNode* Child(TRzSelectFolderForm* F, const std::string& Name)
{
    return ChildNamed(F->ShellTree->RootNode(), Name);
}

int TextWidthOn(TRzSelectFolderForm* F, const std::string& Text)
{
    TControlCanvas C(F);
    C.Font()->Assign(F->Font());
    return C.TextWidth(Text);
}

class TFolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->ShowErrorBoxes = false;
        for (const char* Name : {"alpha", "alpha\\beta", "gamma"})
            CreateDirectoryA(Dir.File(Name).c_str(), nullptr);
        TRzShellLocator Base;
        Base.SetPathName(Dir.Path());
        Dlg.SetBaseFolder(&Base);
        Dlg.SetSelectedPathName(Dir.File("alpha"));
    }
    // Runs the dialog with the steps; the last step must close the form.
    bool Run(std::vector<TStep> Steps)
    {
        const size_t Count = Steps.size();
        TModalScript Script("TRzSelectFolderForm", std::move(Steps));
        const bool Result = Dlg.Execute();
        EXPECT_EQ(Script.Failure, "");
        EXPECT_EQ(Script.Done(), Count);
        return Result;
    }

    TTestFolder Dir{"sfd"};
    TRzSelectFolderDialog Dlg{nullptr};
};

} // namespace

TEST_F(TFolderDialogTest, OkReturnsTheFolderChosenInTheTree)
{
    Dlg.SetFormWidth(800);
    std::vector<std::string> Changes;
    Dlg.OnSelChange = [&](TObject* Sender, LPCITEMIDLIST NewSel) {
        EXPECT_NE(FolderForm(static_cast<TCustomForm*>(Sender)), nullptr) << "sender: the form";
        Changes.push_back(ShellPidlToPath(NewSel));
    };
    std::string ShownAtStart, Caption;
    const bool Ok = Run({[&](TCustomForm* Form) {
        TRzSelectFolderForm* F = FolderForm(Form);
        ShownAtStart = F->StatusText();
        Caption = F->Caption();
        SelectNode(F, Child(F, "gamma"));
        EXPECT_EQ(F->StatusText(), Dir.File("gamma"));
        PostClick(F->btnOk);
    }});
    EXPECT_TRUE(Ok);
    EXPECT_EQ(Dlg.SelectedPathName(), Dir.File("gamma"));
    EXPECT_EQ(ShownAtStart, Dir.File("alpha")) << "the folder given opens selected";
    EXPECT_EQ(Caption, "Browse for Folder");
    ASSERT_FALSE(Changes.empty());
    EXPECT_EQ(Changes.back(), Dir.File("gamma"));
    EXPECT_EQ(Dlg.Form(), nullptr);
    EXPECT_FALSE(Dlg.Executing());
}

TEST_F(TFolderDialogTest, ARenamedFolderIsNamedAnewOnTheStatusLine)
{
    std::string Status;
    const bool Ok = Run({[&](TCustomForm* Form) {
                             TRzSelectFolderForm* F = FolderForm(Form);
                             SelectNode(F, Child(F, "gamma"));
                             const HWND Editor = reinterpret_cast<HWND>(SendMessageA(
                                 F->ShellTree->Handle(), TVM_EDITLABELA, 0,
                                 reinterpret_cast<LPARAM>(F->ShellTree->Selected()->ItemId())));
                             for (char C : std::string("delta"))
                                 PostMessageA(Editor, WM_CHAR, static_cast<unsigned char>(C), 0);
                             PostMessageA(Editor, WM_KEYDOWN, VK_RETURN, 0);
                         },
                         [&](TCustomForm* Form) {
                             Status = FolderForm(Form)->StatusText();
                             PostClick(FolderForm(Form)->btnOk);
                         }});
    EXPECT_TRUE(Ok);
    EXPECT_TRUE(IsDir(Dir.File("delta")));
    EXPECT_EQ(Status, Dir.File("delta"));
    EXPECT_EQ(Dlg.SelectedPathName(), Dir.File("delta"));
}

TEST_F(TFolderDialogTest, CancelKeepsTheFolderButTakesThePlacementAndPoDesignedReopensThere)
{
    Dlg.SetTitle("Pick the target");
    std::string Caption;
    EXPECT_FALSE(Run({[&](TCustomForm* Form) {
        TRzSelectFolderForm* F = FolderForm(Form);
        Caption = F->Caption();
        SelectNode(F, Child(F, "gamma"));
        F->SetBounds(33, 44, 520, 410);
        PostClick(F->btnCancel);
    }}));
    EXPECT_EQ(Caption, "Pick the target");
    EXPECT_EQ(Dlg.SelectedPathName(), Dir.File("alpha"));
    EXPECT_EQ(Dlg.FormLeft(), 33);
    EXPECT_EQ(Dlg.FormTop(), 44);
    EXPECT_EQ(Dlg.FormWidth(), 520);
    EXPECT_EQ(Dlg.FormHeight(), 410);

    Dlg.SetFormPosition(poDesigned);
    RECT Second{};
    EXPECT_FALSE(Run({[&](TCustomForm* Form) {
        GetWindowRect(Form->Handle(), &Second);
        PostClick(FolderForm(Form)->btnCancel);
    }}));
    EXPECT_EQ(Second.left, 33);
    EXPECT_EQ(Second.top, 44);
    EXPECT_EQ(Second.right - Second.left, 520);
    EXPECT_EQ(Second.bottom - Second.top, 410);
}

TEST_F(TFolderDialogTest, EnterInTheTreeAcceptsAndEscCancels)
{
    struct Case {
        WPARAM Key;
        bool Accepted;
    };
    for (const Case& K : {Case{VK_RETURN, true}, Case{VK_ESCAPE, false}}) {
        Dlg.SetSelectedPathName(Dir.File("alpha"));
        const bool Result = Run({[&](TCustomForm* Form) {
            TRzSelectFolderForm* F = FolderForm(Form);
            SelectNode(F, Child(F, "gamma"));
            PostMessageA(F->ShellTree->Handle(), WM_KEYDOWN, K.Key, 1);
            PostMessageA(F->ShellTree->Handle(), WM_KEYUP, K.Key, static_cast<LPARAM>(0xC0000001u));
        }});
        EXPECT_EQ(Result, K.Accepted) << K.Key;
        EXPECT_EQ(Dlg.SelectedPathName(), Dir.File(K.Accepted ? "gamma" : "alpha")) << K.Key;
    }
}

namespace {

// Counts the popup menus a thread opens while it lives.
class TMenusOpened {
public:
    TMenusOpened()
    {
        Current() = this;
        FHook = SetWindowsHookExA(WH_CALLWNDPROC, &Proc, nullptr, GetCurrentThreadId());
    }
    ~TMenusOpened()
    {
        UnhookWindowsHookEx(FHook);
        Current() = nullptr;
    }
    TMenusOpened(const TMenusOpened&) = delete;
    TMenusOpened& operator=(const TMenusOpened&) = delete;
    int Count = 0;

private:
    static TMenusOpened*& Current()
    {
        static TMenusOpened* Menus = nullptr;
        return Menus;
    }
    static LRESULT CALLBACK Proc(int Code, WPARAM W, LPARAM L)
    {
        if (Code == HC_ACTION && reinterpret_cast<CWPSTRUCT*>(L)->message == WM_ENTERMENULOOP && Current())
            ++Current()->Count;
        return CallNextHookEx(nullptr, Code, W, L);
    }
    HHOOK FHook;
};

} // namespace

TEST_F(TFolderDialogTest, ShiftF10AndTheMenuKeyOpenTheFoldersMenuAndItsEscLeavesTheForm)
{
    // The keys as the keyboard sends them, F10 a system key; Esc then
    // closes the menu.
    const struct {
        const char* Name;
        UINT Down, Up;
        WPARAM Key;
    } Keys[] = {{"Shift+F10", WM_SYSKEYDOWN, WM_SYSKEYUP, VK_F10}, {"menu key", WM_KEYDOWN, WM_KEYUP, VK_APPS}};
    for (const auto& K : Keys) {
        SCOPED_TRACE(K.Name);
        Dlg.SetSelectedPathName(Dir.File("alpha"));
        TMenusOpened Menus;
        bool ShownAfter = false;
        const bool Result = Run({[&](TCustomForm* Form) {
                                     TRzSelectFolderForm* F = FolderForm(Form);
                                     SelectNode(F, Child(F, "gamma"));
                                     F->ShellTree->SetFocus();
                                     const HWND Tree = F->ShellTree->Handle();
                                     PostMessageA(Tree, WM_KEYDOWN, VK_ESCAPE, 1);
                                     PostMessageA(Tree, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001u));
                                     TKeyHeld Shift(K.Key == VK_F10 ? VK_SHIFT : 0);
                                     SendMessageA(Tree, K.Down, K.Key, 1);
                                     SendMessageA(Tree, K.Up, K.Key, static_cast<LPARAM>(0xC0000001u));
                                 },
                                 [&](TCustomForm* Form) {
                                     ShownAfter = Form->Visible() && Form->ModalResult() == mrNone;
                                     FolderForm(Form)->btnOk->Click();
                                 }});
        EXPECT_EQ(Menus.Count, 1);
        EXPECT_TRUE(ShownAfter) << "the Esc closed the menu, not the form";
        EXPECT_TRUE(Result);
        EXPECT_EQ(Dlg.SelectedPathName(), Dir.File("gamma"));
    }
}

TEST_F(TFolderDialogTest, FromTheDesktopTheGivenPathOpensSelectedAsTheWizardUsesIt)
{
    // The wizard sets only the path and the title.
    TRzSelectFolderDialog Wizard(nullptr);
    Wizard.SetTitle("Target folder");
    Wizard.SetSelectedPathName(Dir.File("alpha\\beta"));
    std::string Shown;
    {
        TModalScript Script("TRzSelectFolderForm", {[&](TCustomForm* Form) {
                                TRzSelectFolderForm* F = FolderForm(Form);
                                Shown = F->ShellTree->SelectedPathName();
                                PostClick(F->btnOk);
                            }});
        EXPECT_TRUE(Wizard.Execute());
        EXPECT_EQ(Script.Failure, "");
    }
    EXPECT_EQ(Shown, Dir.File("alpha\\beta"));
    EXPECT_EQ(Wizard.SelectedPathName(), Dir.File("alpha\\beta"));
}

TEST_F(TFolderDialogTest, SettingsReachTheFormsControls)
{
    Dlg.SetOptions(Dlg.Options() | sfdoCreateDeleteButtons);
    Dlg.SetFrameColor(clRed);
    Dlg.SetFrameVisible(true);
    Dlg.SetButtonColor(clYellow);
    Dlg.SetHotTrack(true);
    Dlg.SetToolBtnVisualStyle(vsGradient);
    Dlg.SetToolBtnSelectionFrameColor(clLime);
    // Items the handler refuses never reach the tree.
    Dlg.OnAddItem = [](TObject*, IShellFolder* Parent, LPCITEMIDLIST, LPCITEMIDLIST Item, int, BOOL& AllowAdd) {
        AllowAdd = ShellGetDisplayNameFromFolder(Parent, Item, TRzNameKind::InFolder) != "gamma";
    };
    TColor Frame = clNone, Button = clNone, ToolFrame = clNone;
    bool FrameShown = false, Hot = false, Gamma = true, Alpha = false;
    TRzVisualStyle Tool = vsClassic, Status = vsClassic;
    EXPECT_FALSE(Run({[&](TCustomForm* Form) {
        TRzSelectFolderForm* F = FolderForm(Form);
        Frame = F->ShellTree->FrameColor();
        FrameShown = F->ShellTree->FrameVisible();
        Button = F->btnCancel->Color();
        Hot = F->btnOk->HotTrack();
        Tool = F->btnDeleteFolder->VisualStyle();
        ToolFrame = F->btnNewFolder->SelectionFrameColor();
        Status = F->RzStatusBar1->VisualStyle();
        Gamma = Child(F, "gamma") != nullptr;
        Alpha = Child(F, "alpha") != nullptr;
        PostClick(F->btnCancel);
    }}));
    EXPECT_EQ(Frame, clRed);
    EXPECT_TRUE(FrameShown);
    EXPECT_EQ(Button, clYellow);
    EXPECT_TRUE(Hot);
    EXPECT_EQ(Tool, vsGradient);
    EXPECT_EQ(ToolFrame, clLime);
    EXPECT_EQ(Status, vsGradient);
    EXPECT_FALSE(Gamma);
    EXPECT_TRUE(Alpha);
}

TEST_F(TFolderDialogTest, CreateFolderMakesOneOnDiskAndTheRootCannotBeDeleted)
{
    Dlg.SetOptions(Dlg.Options() | sfdoCreateDeleteButtons);
    Dlg.SetSelectedPathName(Dir.Path());
    bool NewEnabled = false, DeleteEnabled = true, NodeShown = false;
    const bool Ok = Run({
        [&](TCustomForm* Form) {
            TRzSelectFolderForm* F = FolderForm(Form);
            ASSERT_EQ(F->ShellTree->Selected(), F->ShellTree->RootNode());
            NewEnabled = F->btnNewFolder->Enabled();
            DeleteEnabled = F->btnDeleteFolder->Enabled();
            PostClick(F->btnNewFolder);
        },
        [&](TCustomForm* Form) {
            TRzSelectFolderForm* F = FolderForm(Form);
            // The new folder's name is being edited: take it as it is.
            SendMessageA(F->ShellTree->Handle(), TVM_ENDEDITLABELNOW, FALSE, 0);
            NodeShown = Child(F, "New Folder") != nullptr;
            PostClick(F->btnOk);
        },
    });
    EXPECT_TRUE(Ok);
    EXPECT_TRUE(NewEnabled);
    EXPECT_FALSE(DeleteEnabled) << "the tree's root";
    EXPECT_TRUE(IsDir(Dir.File("New Folder")));
    EXPECT_TRUE(NodeShown);
}

TEST_F(TFolderDialogTest, DeleteRemovesTheSelectedFolderOnceTheShellIsAnswered)
{
    Dlg.SetOptions(Dlg.Options() | sfdoCreateDeleteButtons);
    Dlg.SetSelectedPathName(Dir.File("gamma"));
    TAnswerYes Answer;
    const int AnsweredBefore = TAnswerYes::Answered();
    bool DeleteEnabled = false, NodeGone = false;
    EXPECT_FALSE(Run({
        [&](TCustomForm* Form) {
            TRzSelectFolderForm* F = FolderForm(Form);
            DeleteEnabled = F->btnDeleteFolder->Enabled();
            PostClick(F->btnDeleteFolder);
        },
        [&](TCustomForm* Form) {
            TRzSelectFolderForm* F = FolderForm(Form);
            NodeGone = Child(F, "gamma") == nullptr;
            PostClick(F->btnCancel);
        },
    }));
    EXPECT_TRUE(DeleteEnabled);
    EXPECT_GT(TAnswerYes::Answered(), AnsweredBefore) << "the shell asked";
    EXPECT_FALSE(IsDir(Dir.File("gamma")));
    EXPECT_TRUE(IsDir(Dir.File("alpha")));
    EXPECT_TRUE(NodeGone);
}

TEST_F(TFolderDialogTest, AShownFolderRemovedOrRenamedFromOutsideGivesWayWithNoKeyPressed)
{
    for (const auto& [Name, NewName, OtherProcess] : shell_test::OutsideChanges) {
        SCOPED_TRACE(Name);
        const std::string Watched = Dir.File(Name);
        CreateDirectoryA(Watched.c_str(), nullptr);
        Dlg.SetSelectedPathName(Watched);
        std::string Status;
        bool Left = false, Stirred = false;
        EXPECT_TRUE(Run({[&](TCustomForm* Form) {
            TRzSelectFolderForm* F = FolderForm(Form);
            // A file saved twice a second beside the shown folder is nothing
            // the parent's folder watch asks for: no refresh of the tree.
            for (int I = 0; I < 5 && Name == std::get<0>(shell_test::OutsideChanges[0]); ++I) {
                TTestFolder::Put(Dir.File("busy" + std::to_string(I)), "x");
                DeleteFileA(Dir.File("busy" + std::to_string(I - 1)).c_str());
                for (const DWORD At = GetTickCount(); GetTickCount() - At < 500 && !Stirred; views_test::Pump()) {
                    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
                    Stirred = F->ShellTree->ChangeTimer()->Enabled();
                }
            }
            shell_test::ChangeFromOutside(Watched, NewName, OtherProcess);
            Left = shell_test::PumpUntil([&] { return !Child(F, Name) && (!*NewName || Child(F, NewName)); });
            Status = F->StatusText();
            PostClick(F->btnOk);
        }}));
        EXPECT_FALSE(Stirred);
        EXPECT_TRUE(Left);
        EXPECT_FALSE(IsDir(Watched));
        EXPECT_EQ(Status, Dir.Path());
        EXPECT_EQ(Dlg.SelectedPathName(), Dir.Path());
    }
}

TEST_F(TFolderDialogTest, TheComputerFolderHasNoPathAndNoFolderButtonsButOkStillReturnsIt)
{
    TRzShellLocator Computer;
    Computer.SetSpecialFolder(csidlDrives);
    Dlg.SetBaseFolder(&Computer);
    Dlg.SetOptions(Dlg.Options() | sfdoCreateDeleteButtons);
    std::string Status = "unset";
    bool NewEnabled = true, DeleteEnabled = true;
    EXPECT_TRUE(Run({[&](TCustomForm* Form) {
        TRzSelectFolderForm* F = FolderForm(Form);
        SelectNode(F, F->ShellTree->RootNode());
        Status = F->StatusText();
        NewEnabled = F->btnNewFolder->Enabled();
        DeleteEnabled = F->btnDeleteFolder->Enabled();
        PostClick(F->btnOk);
    }}));
    EXPECT_EQ(Status, "");
    EXPECT_FALSE(NewEnabled);
    EXPECT_FALSE(DeleteEnabled);
    TPidl Drives;
    ASSERT_HRESULT_SUCCEEDED(ShellGetSpecialFolderPidl(nullptr, csidlDrives, Drives));
    EXPECT_EQ(CompareIdListBytes(Dlg.SelectedFolder()->IdList(), Drives.Get()), 0);
}

TEST_F(TFolderDialogTest, TheStatusLineShortensDeepPathsAndEndsOnAnOverlongName)
{
    std::string Deep = Dir.Path();
    for (const char* Part : {"\\aaaaaaaaaaaa", "\\bbbbbbbbbbbb", "\\cccccccccccc", "\\dddddddddddd"}) {
        Deep += Part;
        CreateDirectoryA(Deep.c_str(), nullptr);
    }
    const std::string Long = Dir.File(std::string(150, 'n'));
    ASSERT_TRUE(CreateDirectoryA(Long.c_str(), nullptr));
    Dlg.SetSelectedPathName(Deep);
    Dlg.SetFormWidth(TRzSelectFolderForm::MinTrackWidth);
    std::string DeepText, LongText, WideText, NarrowAgain;
    int DeepWidth = 0, LongWidth = 0, Limit = 0;
    EXPECT_TRUE(Run({[&](TCustomForm* Form) {
        TRzSelectFolderForm* F = FolderForm(Form);
        Limit = F->StatusTextWidth();
        DeepText = F->StatusText();
        DeepWidth = TextWidthOn(F, DeepText);
        SelectNode(F, Child(F, std::string(150, 'n')));
        LongText = F->StatusText();
        LongWidth = TextWidthOn(F, LongText);
        // Widening and narrowing the form measures the path again.
        F->SetWidth(1200);
        WideText = F->StatusText();
        F->SetWidth(TRzSelectFolderForm::MinTrackWidth);
        NarrowAgain = F->StatusText();
        PostClick(F->btnOk);
    }}));
    EXPECT_NE(DeepText, Deep);
    EXPECT_NE(DeepText.find("...\\"), std::string::npos) << DeepText;
    EXPECT_EQ(DeepText.substr(DeepText.size() - 13), "\\dddddddddddd") << DeepText;
    EXPECT_LE(DeepWidth, Limit);
    // The hang case: no folder part left, the name itself is cut.
    EXPECT_EQ(LongText.substr(LongText.size() - 3), "...") << LongText;
    EXPECT_LE(LongWidth, Limit);
    EXPECT_EQ(WideText, Long);
    EXPECT_EQ(NarrowAgain, LongText);
    EXPECT_EQ(Dlg.SelectedPathName(), Long);
}

TEST(TFolderForm, OptionsReachTheTreeAndTheToolButtons)
{
    Application->ShowErrorBoxes = false;
    struct Case {
        const char* What;
        TRzSelectFolderDialogOptions Options;
        TRzShellTreeOptions TreeOn, TreeOff;
        bool Buttons, Flat, ReadOnly;
        TImageIndex NewImage, DeleteImage;
    };
    const TRzShellTreeOptions Mapped =
        stoOleDrag | stoOleDrop | stoIncludeNonFolders | stoVirtualFolders | stoContextMenus | stoShowHidden;
    const Case Cases[] = {
        {"defaults", DefaultSelectFolderDialogOptions, stoContextMenus | stoShowHidden,
         stoOleDrag | stoOleDrop | stoIncludeNonFolders | stoVirtualFolders, false, true, false, 0, 2},
        {"everything", 0x3FF, Mapped, 0, true, true, true, 0, 2},
        {"nothing", 0, 0, Mapped, false, false, false, -1, -1},
        {"buttons, no delete icon", sfdoCreateDeleteButtons | sfdoCreateFolderIcon | sfdoOleDrag, stoOleDrag,
         stoOleDrop, true, false, false, 0, -1},
    };
    for (const Case& K : Cases) {
        TOwned<TRzSelectFolderForm> F(new TRzSelectFolderForm(nullptr));
        F->SetOptions(K.Options);
        const TRzShellTreeOptions T = F->ShellTree->Options();
        EXPECT_EQ(T & K.TreeOn, K.TreeOn) << K.What;
        EXPECT_EQ(T & K.TreeOff, 0) << K.What;
        EXPECT_EQ(F->btnNewFolder->Visible(), K.Buttons) << K.What;
        EXPECT_EQ(F->btnDeleteFolder->Visible(), K.Buttons) << K.What;
        EXPECT_EQ(F->btnNewFolder->Flat(), K.Flat) << K.What;
        EXPECT_EQ(F->btnDeleteFolder->Flat(), K.Flat) << K.What;
        EXPECT_EQ(F->btnNewFolder->ImageIndex(), K.NewImage) << K.What;
        EXPECT_EQ(F->btnDeleteFolder->ImageIndex(), K.DeleteImage) << K.What;
        EXPECT_EQ(F->ShellTree->ReadOnly(), K.ReadOnly) << K.What;
        EXPECT_EQ(F->Options(), K.Options) << K.What;
        // The tree starts under the tool buttons, or 8 pixels down without.
        const int Top = K.Buttons ? F->btnNewFolder->Top() + F->btnNewFolder->Height() + 4 : 8;
        EXPECT_EQ(F->ShellTree->Top(), Top) << K.What;
    }
}

TEST(TFolderForm, LayoutFollowsTheSizeAndStopsAtTheMinimum)
{
    Application->ShowErrorBoxes = false;
    TOwned<TRzSelectFolderForm> F(new TRzSelectFolderForm(nullptr));
    F->SetOptions(DefaultSelectFolderDialogOptions | sfdoCreateDeleteButtons);
    F->HandleNeeded();
    MINMAXINFO Info{};
    SendMessageA(F->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Info));
    EXPECT_EQ(Info.ptMinTrackSize.x, 366);
    EXPECT_EQ(Info.ptMinTrackSize.y, 340);
    for (int W : {366, 500, 900}) {
        F->SetBounds(0, 0, W, 450);
        const int ClientRight = F->ButtonPanel->ClientWidth();
        EXPECT_EQ(F->btnCancel->Left() + F->btnCancel->Width(), ClientRight - 8) << W;
        EXPECT_EQ(F->btnOk->Left() + F->btnOk->Width(), F->btnCancel->Left() - 8) << W;
        EXPECT_EQ(F->ShellTree->Width(), W - 24) << W;
        EXPECT_EQ(F->ShellTree->Top() + F->ShellTree->Height(), F->ButtonPanel->Top() - 4) << W;
        // The status bar stays the lowest control, under the buttons.
        EXPECT_GE(F->RzStatusBar1->Top(), F->ButtonPanel->Top() + F->ButtonPanel->Height()) << W;
        EXPECT_EQ(F->RzStatusBar1->Top() + F->RzStatusBar1->Height(), F->ClientHeight()) << W;
    }
}

TEST_F(TFolderDialogTest, CapturedInBothLooks)
{
    Dlg.SetOptions(Dlg.Options() | sfdoCreateDeleteButtons);
    Dlg.SetFormWidth(420);
    Dlg.SetFormHeight(420);
    Dlg.SetSelectedPathName(Dir.File("alpha\\beta"));
    std::unique_ptr<TBitmap> Shots[2];
    TRect OkAt, StatusAt, TreeAt;
    for (bool Themed : {false, true}) {
        TLookScope Look(Themed);
        EXPECT_FALSE(Run({[&](TCustomForm* Form) {
            TRzSelectFolderForm* F = FolderForm(Form);
            auto B = std::make_unique<TBitmap>();
            RedrawWindow(F->Handle(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            views_test::CaptureWindow(F->Handle(), *B);
            B->SaveToFile(views_test::CapturePath(Themed ? "folderform_themed.bmp" : "folderform_classic.bmp"));
            // The controls' rectangles in the capture (window coordinates).
            RECT W{};
            GetWindowRect(F->Handle(), &W);
            auto At = [&](TControl* C) {
                const TPoint P = C->ClientToScreen(TPoint(0, 0));
                return Bounds(P.x - W.left, P.y - W.top, C->Width(), C->Height());
            };
            OkAt = At(F->btnOk);
            StatusAt = At(F->RzStatusBar1);
            TreeAt = At(F->ShellTree);
            Shots[Themed] = std::move(B);
            PostClick(F->btnCancel);
        }}));
    }
    ASSERT_TRUE(Shots[0] && Shots[1]);
    TBitmap& Classic = *Shots[0];
    // The status line carries the path in the text colour.
    int TextPixels = 0;
    for (int X = StatusAt.left; X < StatusAt.right; ++X)
        for (int Y = StatusAt.top + 3; Y < StatusAt.bottom - 3; ++Y)
            TextPixels += CapturePixel(Classic, X, Y) == Rgb(clBtnText);
    EXPECT_GT(TextPixels, 40);
    // The tree's empty bottom corner is the window colour.
    EXPECT_EQ(CapturePixel(Classic, TreeAt.right - 10, TreeAt.bottom - 10), Rgb(clWindow));
    // OK's caption is drawn in the middle of the button.
    int Caption = 0;
    for (int X = OkAt.left + 20; X < OkAt.right - 20; ++X)
        Caption += CapturePixel(Classic, X, OkAt.top + OkAt.Height() / 2) == Rgb(clBtnText);
    EXPECT_GT(Caption, 0);
    if (!ThemeServices()->ThemesAvailable())
        GTEST_SKIP() << "no visual styles to compare with";
    int Differ = 0;
    for (int X = OkAt.left; X < OkAt.right; ++X)
        for (int Y = OkAt.top; Y < OkAt.bottom; ++Y)
            Differ += CapturePixel(Classic, X, Y) != CapturePixel(*Shots[1], X, Y);
    EXPECT_GT(Differ, OkAt.Width()) << "the themed button is drawn by the theme";
}
