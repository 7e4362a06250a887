// The shell combo: its rows for a folder two levels below a drive, the
// linking rules, going up, the drop-down row count near the screen's
// bottom, and a tree, list and combo on one form keeping one folder.
#include "classlib/Forms.h"
#include "tests/shell/ShellCtrlsTestSupport.h"

using namespace shell_test;

namespace {

class TTestShellCombo : public TRzShellCombo {
public:
    using TRzShellCombo::TRzShellCombo;
    std::string Caption(int Index)
    {
        TRzImageComboBoxItem* It = GetImageItem(Index);
        DoGetItemData(It);
        return It->Caption();
    }
    void OpenList() { DropDown(); }
};

struct TRow {
    std::string Caption;
    int Indent;
    bool Selected;
    bool operator==(const TRow&) const = default;
};

std::ostream& operator<<(std::ostream& O, const TRow& R)
{
    return O << "(" << R.Caption << "," << R.Indent << "," << R.Selected << ")";
}

// A folder of its own directly on drive C:, for a chain below a drive.
struct TDriveFolder {
    std::string Path = "C:\\tessaly_combo_" + std::to_string(GetCurrentProcessId());
    TDriveFolder()
    {
        CreateDirectoryA(Path.c_str(), nullptr);
        CreateDirectoryA((Path + "\\inner").c_str(), nullptr);
    }
    ~TDriveFolder()
    {
        RemoveDirectoryA((Path + "\\inner").c_str());
        RemoveDirectoryA((Path + "\\made").c_str());
        RemoveDirectoryA(Path.c_str());
    }
};

struct TShellComboTest : TViewsForm {
    std::unique_ptr<TTestShellCombo> Combo;
    void MakeCombo()
    {
        Combo = std::make_unique<TTestShellCombo>(&Form);
        Combo->SetParent(&Form);
        Combo->SetBounds(0, 0, 300, 24);
        Combo->HandleNeeded();
    }
    void TearDown() override
    {
        Combo.reset();
        TViewsForm::TearDown();
    }
    std::vector<TRow> Rows()
    {
        std::vector<TRow> R;
        for (int I = 0; I < Combo->Items()->Count(); ++I)
            R.push_back({Combo->Caption(I), Combo->GetImageItem(I)->IndentLevel(), Combo->ItemIndex() == I});
        return R;
    }
};

} // namespace

TEST_F(TShellComboTest, RowsForAFolderTwoLevelsBelowItsDrive)
{
    TDriveFolder Drive;
    MakeCombo();
    // Nothing selected: the desktop, its children and the drives.
    std::vector<TRow> Plain = Rows();
    ASSERT_FALSE(Plain.empty());
    EXPECT_EQ(Plain[0].Indent, 0);
    EXPECT_TRUE(Plain[0].Selected) << "the desktop";
    int Drives = 0;
    for (const TRow& R : Plain) {
        EXPECT_LE(R.Indent, 2) << R;
        Drives += R.Indent == 2;
    }
    EXPECT_GE(Drives, 1);

    TRzShellLocator L;
    L.SetPathName(Drive.Path + "\\inner");
    Combo->SetSelectedFolder(&L);
    const std::vector<TRow> All = Rows();
    // The chain follows the drive C: row; nothing else is deeper than 2.
    int CRow = -1;
    for (size_t I = 0; I < All.size(); ++I)
        if (All[I].Indent == 2 && All[I].Caption.find("C:") != std::string::npos)
            CRow = static_cast<int>(I);
    ASSERT_GE(CRow, 0);
    ASSERT_GT(All.size(), static_cast<size_t>(CRow + 2));
    const std::string Top = Drive.Path.substr(3);
    EXPECT_EQ(All[static_cast<size_t>(CRow) + 1], (TRow{Top, 3, false}));
    EXPECT_EQ(All[static_cast<size_t>(CRow) + 2], (TRow{"inner", 4, true}));
    int Deep = 0;
    for (const TRow& R : All)
        Deep += R.Indent > 2;
    EXPECT_EQ(Deep, 2) << "only the chain below the drive, no siblings";
    EXPECT_EQ(Combo->ItemData(Combo->ItemIndex())->AbsIdList() != nullptr, true);

    // Going up one level selects the folder on the drive.
    Combo->GoUp(1);
    EXPECT_EQ(Combo->SelectedFolder()->PathName(), Drive.Path);
    EXPECT_EQ(Rows()[static_cast<size_t>(Combo->ItemIndex())], (TRow{Top, 3, true}));
}

TEST_F(TShellComboTest, LinksOneControlAtATimeAndFollowsIt)
{
    TTestFolder Dir("shcombo");
    CreateDirectoryA(Dir.File("sub").c_str(), nullptr);
    MakeCombo();
    TTestShellTree Tree(&Form);
    OpenTreeAt(Tree, &Form, Dir.Path(), TRect(0, 0, 150, 150));
    TRzShellList List(&Form);
    List.SetParent(&Form);
    List.HandleNeeded();
    Combo->SetShellTree(&Tree);
    EXPECT_EQ(Tree.ShellCombo(), Combo.get());
    Combo->SetShellList(&List);
    EXPECT_EQ(Combo->ShellList(), nullptr) << "a list is not linked while a tree is";
    EXPECT_EQ(List.ShellCombo(), nullptr);

    // The tree's selection reaches the combo at once (sync-now).
    TPidl Sub = PidlOf(Dir.File("sub"));
    Tree.SelectIdList(Sub.Get());
    EXPECT_EQ(Combo->SelectedFolder()->PathName(), Dir.File("sub"));
    EXPECT_EQ(Combo->Caption(Combo->ItemIndex()), "sub");
    // The combo going up moves the tree.
    Combo->GoUp(1);
    EXPECT_EQ(Tree.SelectedPathName(), Dir.Path());
    Combo->SetShellTree(nullptr);
    EXPECT_EQ(Tree.ShellCombo(), nullptr);
}

TEST_F(TShellComboTest, TheListKeepsAtLeastOneRowAtTheBottomOfTheScreen)
{
    const int ScreenH = GetSystemMetrics(SM_CYSCREEN);
    Form.SetBounds(10, ScreenH - 60, 400, 200);
    MakeCombo();
    Combo->SetTop(30);
    RECT R{};
    GetWindowRect(Combo->Handle(), &R);
    ASSERT_GT(R.bottom + Combo->ItemHeight(), ScreenH) << "no row fits below";
    const HWND Window = Combo->Handle();
    const int Rows = Combo->Items()->Count();
    const int Height = Combo->Height();
    Combo->OpenList();
    EXPECT_EQ(Combo->DropDownCount(), 1);
    EXPECT_EQ(Combo->Handle(), Window) << "the window dropping down stays the same";
    EXPECT_EQ(Combo->Items()->Count(), Rows);
    RECT Dropped{};
    SendMessageA(Window, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&Dropped));
    EXPECT_LE(Dropped.bottom - Dropped.top, Height + 2 * Combo->ItemHeight()) << "one row below the edit part";

    Form.SetBounds(10, 10, 400, 200);
    Combo->OpenList();
    GetWindowRect(Combo->Handle(), &R);
    EXPECT_EQ(Combo->DropDownCount(), (ScreenH - R.bottom - 1) / Combo->ItemHeight());
}

TEST_F(TShellComboTest, TreeListAndComboKeepOneFolder)
{
    TTestFolder Dir("shform");
    CreateDirectoryA(Dir.File("Archive").c_str(), nullptr);
    CreateDirectoryA(Dir.File("Archive\\2019").c_str(), nullptr);
    CreateDirectoryA(Dir.File("Inbox").c_str(), nullptr);
    Dir.Write("Archive\\2019\\January.mbx", "From a\n");
    Dir.Write("Archive\\2019\\February.mbx", "From b\n");
    Dir.Write("Archive\\2019\\notes.txt", "x");
    Form.SetBounds(20, 20, 640, 420);
    MakeCombo();
    Combo->SetBounds(8, 8, 400, 24);
    TTestShellTree Tree(&Form);
    OpenTreeAt(Tree, &Form, Dir.Path(), TRect(8, 40, 228, 380));
    TRzShellList List(&Form);
    List.SetParent(&Form);
    List.SetBounds(236, 40, 390, 340);
    List.SetViewStyle(vsReport);
    List.SetOptions((DefaultShellListOptions & ~sloDynamicRefresh) | sloHideFoldersWhenLinkedToTree);
    List.SetFileFilter("*.mbx");
    List.HandleNeeded();
    Tree.SetShellList(&List);
    Combo->SetShellTree(&Tree);

    // From the tree.
    TPidl Year = PidlOf(Dir.File("Archive\\2019"));
    Tree.SelectIdList(Year.Get());
    EXPECT_EQ(List.Folder()->PathName(), Dir.File("Archive\\2019"));
    EXPECT_EQ(Combo->SelectedFolder()->PathName(), Dir.File("Archive\\2019"));
    std::vector<std::string> Names;
    for (int I = 0; I < List.ItemCount(); ++I)
        Names.push_back(List.ItemData(I)->FileName());
    std::sort(Names.begin(), Names.end());
    EXPECT_EQ(Names, (std::vector<std::string>{"February.mbx", "January.mbx"}));

    ShowWithoutActivating();
    RedrawWindow(Form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    TBitmap Shot;
    CaptureWindow(Form.Handle(), Shot);
    Shot.SaveToFile(CapturePath("shell_tree_list_combo.bmp"));

    // From the list: going up moves the tree and the combo.
    SendMessageA(List.Handle(), WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(Tree.SelectedPathName(), Dir.File("Archive"));
    EXPECT_EQ(List.Folder()->PathName(), Dir.File("Archive"));
    EXPECT_EQ(Combo->SelectedFolder()->PathName(), Dir.File("Archive"));

    // From the combo: its item one level up.
    Combo->GoUp(1);
    EXPECT_EQ(Tree.SelectedPathName(), Dir.Path());
    EXPECT_EQ(List.Folder()->PathName(), Dir.Path());
    EXPECT_EQ(Combo->SelectedFolder()->PathName(), Dir.Path());
    Tree.SetShellList(nullptr);
    Combo->SetShellTree(nullptr);
}
