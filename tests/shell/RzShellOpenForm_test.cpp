// The open/save form in a scratch folder: what closing with OK does to
// typed masks, folders, quoted names, names in sub-folders, missing and
// existing files, default extensions and shortcuts; the list writing names
// into the edit; the places bar with and without its policy key; the tree
// keys; the size limits; and pictures of the form in both looks.
#include <set>

#include "classlib/PathForms.h"
#include "classlib/Registry.h"
#include "testkit/ImportHook.h"
#include "testkit/RzFormTest.h"
#include "testkit/TestLinks.h"
#include "testkit/ModalScript.h"
#include "tests/shell/OpenFormTestSupport.h"
#include "tests/shell/ShellCtrlsTestSupport.h"
#include "tests/shell/ViewsTestSupport.h"

using namespace open_test;

namespace {

struct TOpenFormTest : ::testing::Test {
    TTestFolder Dir{"openform"};
    std::unique_ptr<TRzShellOpenSaveForm, TObjectFree> Form;
    TScriptedBoxes Boxes;
    // Accepting the form makes the list's folder the current one; the
    // scratch folder could not go, and relative test paths would break.
    char WasCurrent[MAX_PATH] = {};

    void SetUp() override
    {
        GetCurrentDirectoryA(MAX_PATH, WasCurrent);
        Application->ShowErrorBoxes = false;
        Dir.Write("alpha.mbox", "From a\r\n");
        Dir.Write("beta.mbox", "From b\r\n");
        Dir.Write("notes.txt", "text");
        CreateDirectoryA(Dir.File("sub").c_str(), nullptr);
        TTestFolder::Put(Dir.File("sub\\inner.mbox"), "From c\r\n");
    }

    void TearDown() override
    {
        Form.reset();
        SetCurrentDirectoryA(WasCurrent);
    }

    // The form shown (not modally) on the scratch folder.
    TRzShellOpenSaveForm* Open(TRzOpenSaveOptions Options = DefaultOpenSaveOptions,
                               const std::string& Filter = "Mailboxes (*.mbox)|*.mbox|All Files (*.*)|*.*")
    {
        Form.reset(new TRzShellOpenSaveForm(nullptr));
        Form->SetOptions(Options & ~(osoOleDrag | osoOleDrop));
        Form->SetFilter(Filter);
        Form->SetFilterIndex(Filter.empty() ? 0 : 2);
        Form->SetInitialDir(Dir.Path());
        Form->Show();
        views_test::Pump();
        return Form.get();
    }

    // What pressing Open with Text typed (unless Type is off) does: whether the form may close.
    bool PressOpen(const std::string& Text, bool Type = true)
    {
        if (Type)
            Form->edtFileName->SetText(Text);
        Form->SetModalResult(mrOk);
        const bool CanClose = Form->CloseQuery();
        Form->SetModalResult(mrNone);
        return CanClose;
    }

    std::vector<std::string> Accepted()
    {
        std::vector<std::string> V;
        TStrings* Files = Form->GetSelectedFiles();
        for (int I = 0; I < Files->Count(); ++I)
            V.push_back(Files->Strings(I));
        return V;
    }
    std::string Shown() { return Form->ShellList->Folder()->PathName(); }
    void ClickItem(const std::string& Name)
    {
        RECT R{LVIR_LABEL, 0, 0, 0};
        SendMessageA(Form->ShellList->Handle(), LVM_GETITEMRECT, IndexOf(Name), reinterpret_cast<LPARAM>(&R));
        modal_test::PostClick(Form->ShellList, (R.left + R.right) / 2, (R.top + R.bottom) / 2);
        views_test::Pump();
    }
    int IndexOf(const std::string& Name)
    {
        for (int I = 0; I < Form->ShellList->ItemCount(); ++I)
            if (Form->ShellList->ItemData(I)->FileName() == Name)
                return I;
        return -1;
    }
    // A cell's text as the list view itself answers it.
    std::string CellText(int Item, int Sub)
    {
        char Text[MAX_PATH] = {};
        LVITEMA It{};
        It.iSubItem = Sub;
        It.pszText = Text;
        It.cchTextMax = MAX_PATH;
        SendMessageA(Form->ShellList->Handle(), LVM_GETITEMTEXTA, Item, reinterpret_cast<LPARAM>(&It));
        return Text;
    }
    std::vector<std::string> ListCaptions()
    {
        std::vector<std::string> C;
        for (int I = 0; I < Form->ShellList->ItemCount(); ++I)
            C.push_back(Form->ShellList->ItemData(I)->DisplayName());
        return C;
    }
};

// The system calls the form's close makes, counted through the imports.
struct TCounts {
    long Lead, Attributes, Desktop;
} Counted;
TImportHook *LeadHook, *AttributesHook, *DesktopHook;

template <long TCounts::*N, TImportHook*& Hook, typename R, typename... A>
R WINAPI Counting(A... Args)
{
    ++(Counted.*N);
    return reinterpret_cast<R(WINAPI*)(A...)>(Hook->Original())(Args...);
}
auto* const CountedLead = &Counting<&TCounts::Lead, LeadHook, BOOL, BYTE>;
auto* const CountedAttributes = &Counting<&TCounts::Attributes, AttributesHook, DWORD, LPCSTR>;
auto* const CountedDesktop = &Counting<&TCounts::Desktop, DesktopHook, HRESULT, IShellFolder**>;

// Item-changed notices the list view sends its parent, counted.
int ItemChanges = 0, ItemDeletes = 0;
LRESULT CALLBACK CountItemChanges(int Code, WPARAM W, LPARAM L)
{
    const auto* M = reinterpret_cast<const CWPSTRUCT*>(L);
    const UINT Told = M->message == WM_NOTIFY ? reinterpret_cast<const NMHDR*>(M->lParam)->code : 0;
    ItemChanges += Told == UINT(LVN_ITEMCHANGED);
    ItemDeletes += Told == UINT(LVN_DELETEITEM);
    return CallNextHookEx(nullptr, Code, W, L);
}

bool Contains(const std::vector<std::string>& V, const std::string& S)
{
    return std::find(V.begin(), V.end(), S) != V.end();
}

} // namespace

TEST_F(TOpenFormTest, AcceptedNamesForTypedText)
{
    struct TCase {
        const char* Typed;
        std::vector<std::string> Files; // relative to the scratch folder
    } Cases[] = {
        {"alpha.mbox", {"alpha.mbox"}},
        {"\"alpha.mbox\" \"beta.mbox\"", {"alpha.mbox", "beta.mbox"}},
        {"\"alpha.mbox\"notes.txt", {"alpha.mbox", "notes.txt"}},
        {"sub\\inner.mbox", {"sub\\inner.mbox"}},
        {"new name.mbox", {"new name.mbox"}},
    };
    for (const TCase& C : Cases) {
        Open();
        ASSERT_TRUE(PressOpen(C.Typed)) << C.Typed;
        std::vector<std::string> Want;
        for (const std::string& F : C.Files)
            Want.push_back(Dir.File(F));
        EXPECT_EQ(Accepted(), Want) << C.Typed;
        EXPECT_TRUE(Boxes.Shown.empty()) << C.Typed;
    }
}

TEST_F(TOpenFormTest, ATypedNameWinsOverAFolderClickedInTheListWhichOpenElseEnters)
{
    struct TCase {
        std::string Typed;
        std::vector<std::string> Accepted;
        std::string ShownAfter;
    } Cases[] = {
        {"alpha.mbox", {Dir.File("alpha.mbox")}, Dir.Path()},
        {"", {}, Dir.File("sub")},
    };
    for (const TCase& C : Cases) {
        Open();
        for (char Ch : C.Typed)
            PostMessageA(Form->edtFileName->Handle(), WM_CHAR, static_cast<unsigned char>(Ch), 0);
        RECT R{LVIR_LABEL, 0, 0, 0};
        SendMessageA(Form->ShellList->Handle(), LVM_GETITEMRECT, IndexOf("sub"), reinterpret_cast<LPARAM>(&R));
        modal_test::PostClick(Form->ShellList, (R.left + R.right) / 2, (R.top + R.bottom) / 2);
        views_test::Pump();
        ASSERT_EQ(Form->ShellList->SelectedData()->FileName(), "sub");
        EXPECT_EQ(Form->edtFileName->Text(), C.Typed) << "a selected folder stays out of the File name box";
        Form->SetModalResult(mrOk);
        EXPECT_EQ(Form->CloseQuery(), !C.Accepted.empty()) << C.Typed;
        EXPECT_EQ(Accepted(), C.Accepted) << C.Typed;
        EXPECT_TRUE(SameFolderText(Shown(), C.ShownAfter)) << Shown();
    }
}

TEST_F(TOpenFormTest, APickedNameWinsOverAFolderSelectedWithOrAfterIt)
{
    auto CtrlClick = [this](const std::string& Name) {
        TKeyHeld Ctrl(VK_CONTROL);
        ClickItem(Name);
    };
    // Picked, then a folder clicked once; picked with a folder added to
    // the selection; a folder selected, then a file added to it.
    const std::vector<std::vector<std::pair<std::string, bool>>> Clicks = {
        {{"alpha.mbox", false}, {"sub", false}},
        {{"alpha.mbox", false}, {"sub", true}},
        {{"sub", false}, {"alpha.mbox", true}},
    };
    for (const auto& Steps : Clicks) {
        SCOPED_TRACE(Steps[0].first + (Steps[1].second ? " with " : " then ") + Steps[1].first);
        Open();
        for (const auto& [Name, WithCtrl] : Steps)
            WithCtrl ? CtrlClick(Name) : ClickItem(Name);
        EXPECT_EQ(Form->edtFileName->Text(), "alpha.mbox");
        Form->SetModalResult(mrOk);
        EXPECT_TRUE(Form->CloseQuery());
        EXPECT_EQ(Accepted(), std::vector<std::string>{Dir.File("alpha.mbox")});
        EXPECT_TRUE(SameFolderText(Shown(), Dir.Path())) << Shown();
        EXPECT_TRUE(Boxes.Shown.empty());
    }
}

TEST_F(TOpenFormTest, TypedMaskFiltersTheListAndStaysOpen)
{
    Open();
    EXPECT_TRUE(Contains(ListCaptions(), "notes.txt") || Contains(ListCaptions(), "notes"));
    EXPECT_FALSE(PressOpen("*.txt"));
    EXPECT_EQ(Form->ShellList->FileFilter(), "*.txt");
    EXPECT_EQ(Form->TypedMask(), "*.txt");
    EXPECT_EQ(Form->edtFileName->Text(), "*.txt");
    EXPECT_EQ(Form->edtFileName->SelLength(), 5);
    for (const std::string& C : ListCaptions())
        EXPECT_TRUE(C.find("mbox") == std::string::npos) << C;
    // Choosing a type again clears the mask from the edit.
    Form->cbxFileTypes->SetItemIndex(0);
    Form->cbxFileTypesSelEndOk(Form->cbxFileTypes);
    EXPECT_EQ(Form->edtFileName->Text(), "");
    EXPECT_EQ(Form->ShellList->FileFilter(), "*.mbox");
    // A mask behind a folder enters the folder first.
    EXPECT_FALSE(PressOpen("sub\\*.mbox"));
    EXPECT_TRUE(SameFolderText(Shown(), Dir.File("sub"))) << Shown();
    EXPECT_EQ(Form->edtFileName->Text(), "*.mbox");
}

TEST_F(TOpenFormTest, TypedFoldersAreEnteredNotAccepted)
{
    CreateDirectoryA(Dir.File("sub\\deeper").c_str(), nullptr);
    Open();
    EXPECT_FALSE(PressOpen("sub"));
    EXPECT_TRUE(SameFolderText(Shown(), Dir.File("sub"))) << Shown();
    EXPECT_FALSE(PressOpen("deeper"));
    EXPECT_TRUE(SameFolderText(Shown(), Dir.File("sub\\deeper"))) << Shown();
    EXPECT_FALSE(PressOpen("..."));
    EXPECT_TRUE(SameFolderText(Shown(), Dir.Path())) << Shown();
    EXPECT_FALSE(PressOpen("sub"));
    EXPECT_FALSE(PressOpen(".."));
    EXPECT_TRUE(SameFolderText(Shown(), Dir.Path())) << Shown();
    EXPECT_TRUE(Accepted().empty());
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TOpenFormTest, AShownFolderRemovedFromOutsideGivesWayToTheNearestParent)
{
    CreateDirectoryA(Dir.File("sub\\deeper").c_str(), nullptr);
    CreateDirectoryA(Dir.File("sub\\deeper\\deepest").c_str(), nullptr);
    Open();
    // Unwatched, so that the folders really go here: a watched one would
    // stay until the watch ends.
    Form->ShellList->SetOptions(Form->ShellList->Options() & ~sloDynamicRefresh);
    Form->ShellList->RefreshList();
    EXPECT_EQ(Form->ShellList->ChangeThread()->UsedSlots(), 0) << "still unwatched after a refresh";
    Form->ShellList->Folder()->SetPathName(Dir.File("sub\\deeper\\deepest"));
    views_test::Pump();
    ASSERT_TRUE(RemoveDirectoryA(Dir.File("sub\\deeper\\deepest").c_str()));
    PostMessageA(Form->ShellList->Handle(), WM_KEYDOWN, VK_F5, 0);
    views_test::Pump();
    EXPECT_TRUE(SameFolderText(Shown(), Dir.File("sub\\deeper"))) << Shown();
    EXPECT_EQ(Form->ShellCombo->Text(), "deeper") << "Look in";
    ASSERT_TRUE(RemoveDirectoryA(Dir.File("sub\\deeper").c_str()));
    modal_test::PostClick(static_cast<TControl*>(Form->btnCreateNewFolder));
    views_test::Pump();
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_TRUE(SameFolderText(Shown(), Dir.File("sub"))) << Shown();
    EXPECT_TRUE(shell_test::IsDir(Dir.File("sub\\New Folder")));
}

TEST_F(TOpenFormTest, AWatchedFolderRemovedFromOutsideGivesWayWhenTheWatchReportsIt)
{
    CreateDirectoryA(Dir.File("sub\\deeper").c_str(), nullptr);
    TTestFolder::Put(Dir.File("sub\\deeper\\kept.mbox"), "From d\r\n");
    Open();
    ASSERT_TRUE(Form->ShellList->Options() & sloDynamicRefresh);
    // The tree hidden, as it starts; each folder shown with its file, then
    // both removed.
    for (const auto& [Gone, Held] : {std::pair{"sub\\deeper", "sub\\deeper\\kept.mbox"},
                                     std::pair{"sub", "sub\\inner.mbox"}}) {
        SCOPED_TRACE(Gone);
        Form->ShellList->Folder()->SetPathName(Dir.File(Gone));
        views_test::Pump();
        ASSERT_TRUE(SameFolderText(Shown(), Dir.File(Gone))) << Shown();
        ASSERT_TRUE(DeleteFileA(Dir.File(Held).c_str()));
        ASSERT_TRUE(RemoveDirectoryA(Dir.File(Gone).c_str()));
        // The watch's notice as it comes; then the refresh it asks for.
        const DWORD Start = GetTickCount();
        while (!Form->ShellList->ChangeTimer()->Enabled() && GetTickCount() - Start < 5000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            views_test::Pump();
        }
        ASSERT_TRUE(Form->ShellList->ChangeTimer()->Enabled()) << "the watch saw the removal";
        Form->ShellList->ChangeTimer()->Timer();
        views_test::Pump();
        const std::string Parent = Dir.File(Gone).substr(0, Dir.File(Gone).find_last_of('\\'));
        EXPECT_TRUE(SameFolderText(Shown(), Parent)) << Shown();
        EXPECT_EQ(Form->ShellCombo->Text(), Parent.substr(Parent.find_last_of('\\') + 1)) << "Look in";
    }
    // The parent is watched in turn, and stays watched after a refresh.
    for (const char* Arrived : {"arrived.mbox", "second.mbox"}) {
        Dir.Write(Arrived, "From e\r\n");
        const DWORD Start = GetTickCount();
        while (!Form->ShellList->ChangeTimer()->Enabled() && GetTickCount() - Start < 5000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            views_test::Pump();
        }
        ASSERT_TRUE(Form->ShellList->ChangeTimer()->Enabled()) << "the watch saw " << Arrived;
        Form->ShellList->ChangeTimer()->Timer();
        EXPECT_GE(IndexOf(Arrived), 0) << Arrived;
    }
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TOpenFormTest, AWatchedFolderRemovedOrRenamedFromOutsideGivesWayWithNoKeyPressed)
{
    for (const auto& [Name, NewName, OtherProcess] : shell_test::OutsideChanges) {
        SCOPED_TRACE(Name);
        const std::string Watched = Dir.File(Name);
        CreateDirectoryA(Watched.c_str(), nullptr);
        if (*NewName)
            TTestFolder::Put(Watched + "\\p.mbox", "From p\r\n");
        Open();
        Form->ShellList->Folder()->SetPathName(Watched);
        Form->ShellList->SetFocus();
        views_test::Pump();
        ASSERT_TRUE(SameFolderText(Shown(), Watched)) << Shown();
        ASSERT_TRUE(shell_test::ChangeFromOutside(Watched, NewName, OtherProcess));
        EXPECT_TRUE(shell_test::PumpUntil([&] { return SameFolderText(Shown(), Dir.Path()); })) << Shown();
        EXPECT_EQ(Form->ShellCombo->Text(), Dir.Path().substr(Dir.Path().find_last_of('\\') + 1)) << "Look in";
        EXPECT_FALSE(shell_test::IsDir(Watched)) << "gone from the disk";
        EXPECT_EQ(IndexOf(Name), -1);
        EXPECT_EQ(IndexOf(NewName) >= 0, *NewName != 0);
        EXPECT_EQ(Form->ShellList->ChangeThread()->UsedSlots(), 1) << "the folder shown now is watched";
    }
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TOpenFormTest, FileChecksAskAndRefuse)
{
    struct TCase {
        TRzOpenSaveOptions Options;
        const char* Typed;
        TModalResult Answer;
        bool Closes;
        std::string Message; // empty: no box
        TMsgDlgType Type;
    } Cases[] = {
        {osoFileMustExist, "missing.mbox", mrOk, false,
         Dir.File("missing.mbox") + "\nFile not found.\nPlease verify the correct file name was given.", mtWarning},
        {osoCreatePrompt, "missing.mbox", mrNo, false, "missing.mbox\nThis file does not exist.\n\nCreate the file?",
         mtConfirmation},
        {osoCreatePrompt, "missing.mbox", mrYes, true, "missing.mbox\nThis file does not exist.\n\nCreate the file?",
         mtConfirmation},
        {osoOverwritePrompt, "alpha.mbox", mrNo, false,
         Dir.File("alpha.mbox") + " already exists.\nDo you want to replace it?", mtWarning},
        {osoOverwritePrompt, "alpha.mbox", mrYes, true,
         Dir.File("alpha.mbox") + " already exists.\nDo you want to replace it?", mtWarning},
        {osoFileMustExist, "a|b", mrOk, false, "a|b\nThe above file name is invalid.", mtWarning},
        {osoNoValidate, "a<b", mrOk, true, "", mtWarning},
    };
    for (const TCase& C : Cases) {
        Open(DefaultOpenSaveOptions | C.Options);
        Boxes.Shown.clear();
        Boxes.Answer = C.Answer;
        EXPECT_EQ(PressOpen(C.Typed), C.Closes) << C.Typed;
        if (C.Message.empty()) {
            EXPECT_TRUE(Boxes.Shown.empty()) << C.Typed;
            continue;
        }
        ASSERT_EQ(Boxes.Shown.size(), 1u) << C.Typed;
        EXPECT_EQ(Boxes.Shown[0].Msg, C.Message);
        EXPECT_EQ(Boxes.Shown[0].DlgType, C.Type);
        EXPECT_EQ(Boxes.Shown[0].Caption, Form->Caption());
        EXPECT_EQ(Form->edtFileName->Text(), C.Typed) << "the edit keeps its text";
    }
}

TEST_F(TOpenFormTest, ReadOnlyFileRefusedWhenAsked)
{
    const std::string Locked = Dir.Write("locked.mbox", "x");
    SetFileAttributesA(Locked.c_str(), FILE_ATTRIBUTE_READONLY);
    Open(DefaultOpenSaveOptions | osoNoReadOnlyReturn);
    EXPECT_FALSE(PressOpen("locked.mbox"));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Msg,
              Locked + "\nThis file exists with Read Only attributes.\nPlease use a different file name.");
    SetFileAttributesA(Locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(TOpenFormTest, DefaultExtensionFromTypeOrSetting)
{
    struct TCase {
        const char* Filter;
        int Index;
        const char* Typed;
        const char* Want;
        bool ExtensionDifferent;
    } Cases[] = {
        {"", 0, "archive", "archive.mbox", false},
        {"", 0, "archive.", "archive.mbox", false},
        {"Text (*.txt)|*.txt", 1, "archive", "archive.txt", true},
        {"All Files (*.*)|*.*", 1, "archive", "archive.mbox", false},
        {"All Files (*.*)|*.*", 1, "merged.mbox", "merged.mbox", false},
        {"", 0, "merged.MBOX", "merged.MBOX", false},
        {"Mail (*.mbox)|*.mbox", 1, "archive", "archive.mbox", false},
    };
    for (const TCase& C : Cases) {
        Open(DefaultOpenSaveOptions, C.Filter);
        Form->SetFilterIndex(C.Index);
        Form->SetDefaultExt("mbox");
        ASSERT_TRUE(PressOpen(C.Typed)) << C.Typed;
        EXPECT_EQ(Accepted(), std::vector<std::string>{Dir.File(C.Want)}) << C.Filter;
        EXPECT_EQ((Form->Options() & osoExtensionDifferent) != 0, C.ExtensionDifferent) << C.Filter;
    }
}

TEST_F(TOpenFormTest, ShortcutsGiveTheirTargetsUnlessAskedNotTo)
{
    ASSERT_TRUE(MakeShortcut(Dir.File("to alpha.lnk"), Dir.File("alpha.mbox")));
    const struct {
        TRzOpenSaveOptions Extra;
        const char* Typed; // none: the shortcut clicked in the list
        const char* Want;
    } Cases[] = {{0, "to alpha.lnk", "alpha.mbox"}, {osoNoDereferenceLinks, "to alpha.lnk", "to alpha.lnk"},
                 {0, nullptr, "alpha.mbox"},        {osoNoDereferenceLinks, nullptr, "to alpha.lnk"},
                 {0, "to alpha", "alpha.mbox"}};
    for (const auto& C : Cases) {
        Open(DefaultOpenSaveOptions | C.Extra);
        if (!C.Typed)
            ClickItem("to alpha.lnk");
        ASSERT_TRUE(PressOpen(C.Typed ? C.Typed : "", C.Typed != nullptr));
        EXPECT_EQ(Accepted(), std::vector<std::string>{Dir.File(C.Want)}) << Form->edtFileName->Text();
    }
}

TEST_F(TOpenFormTest, ShortcutToAFolderOpensTheFolder)
{
    ASSERT_TRUE(MakeShortcut(Dir.File("to sub.lnk"), Dir.File("sub")));
    Open();
    EXPECT_FALSE(PressOpen("to sub.lnk"));
    EXPECT_TRUE(SameFolderText(Shown(), Dir.File("sub"))) << Shown();
    EXPECT_TRUE(Accepted().empty());
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TOpenFormTest, OverlongNameIsRefusedAsInvalid)
{
    Open(DefaultOpenSaveOptions | osoOverwritePrompt);
    const std::string Long(300, 'n');
    EXPECT_FALSE(PressOpen(Long));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Msg, Long + "\nThe above file name is invalid.");
    EXPECT_TRUE(Accepted().empty());
}

TEST_F(TOpenFormTest, AFileWhosePathPassesMaxPathIsAccepted)
{
    const std::string Leaf(LongPathFrom - 2 - Dir.Path().size(), 'f'), Deep = Dir.File(Leaf);
    ASSERT_TRUE(CreateDirectoryA(Deep.c_str(), nullptr));
    const std::string Name = std::string(60, 'n') + ".mbox", Full = Deep + "\\" + Name;
    const std::wstring Long = L"\\\\?\\" + std::wstring(Full.begin(), Full.end());
    CloseHandle(CreateFileW(Long.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(GetFileAttributesW(Long.c_str()), INVALID_FILE_ATTRIBUTES);
    Open(DefaultOpenSaveOptions | osoFileMustExist);
    Form->ShellList->Folder()->SetPathName(Deep);
    ASSERT_TRUE(PressOpen(Name)) << (Boxes.Shown.empty() ? "" : Boxes.Shown[0].Msg);
    EXPECT_EQ(Accepted(), std::vector<std::string>{Full});
    // Typed whole through a level up and back, past LongPathFrom.
    ASSERT_TRUE(PressOpen(Dir.File("sub\\..\\" + Leaf + "\\" + Name)))
        << (Boxes.Shown.empty() ? "" : Boxes.Shown[0].Msg);
    EXPECT_EQ(Accepted(), std::vector<std::string>{Full});
    EXPECT_TRUE(Boxes.Shown.empty());
    DeleteFileW(Long.c_str());
}

TEST_F(TOpenFormTest, AFileNamedOutsideTheCodePageIsPickedByAPathThatOpensIt)
{
    const std::wstring Wide = AnsiToWide(Dir.Path()) + L"\\\u0416.mbox";
    {
        const TKernelHandle File(CreateFileW(Wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        DWORD Put = 0;
        ASSERT_TRUE(WriteFile(File.Get(), "From zhe\r\n", 10, &Put, nullptr));
    }
    Open();
    int Item = -1;
    for (int I = 0; I < Form->ShellList->ItemCount(); ++I)
        if (Form->ShellList->ItemData(I)->DisplayName().rfind("?", 0) == 0)
            Item = I;
    ASSERT_GE(Item, 0);
    RECT R{LVIR_LABEL, 0, 0, 0};
    SendMessageA(Form->ShellList->Handle(), LVM_GETITEMRECT, Item, reinterpret_cast<LPARAM>(&R));
    modal_test::PostClick(Form->ShellList, (R.left + R.right) / 2, (R.top + R.bottom) / 2);
    views_test::Pump();
    EXPECT_EQ(Form->edtFileName->Text().find('?'), std::string::npos) << "the name on disk in the box";
    Form->SetModalResult(mrOk);
    ASSERT_TRUE(Form->CloseQuery()) << "taken as a mask: " << Form->edtFileName->Text();
    ASSERT_EQ(Accepted().size(), 1u);
    EXPECT_EQ(TTestFolder::Read(Accepted()[0]), "From zhe\r\n") << Accepted()[0];
    DeleteFileW(Wide.c_str());
}

TEST_F(TOpenFormTest, FoldersNamedOutsideTheCodePageOrPastMaxPathAreEnteredAndTheirFilesPickedWhole)
{
    const std::wstring Root = AnsiToWide(Dir.Path());
    const std::vector<std::vector<std::wstring>> Walks = {
        {L"\u041f\u043e\u0447\u0442\u0430", L"box.mbox"},
        {L"\u53d7\u4fe1\u7bb1", L"\u53d7\u4fe1.mbox"},
        // The shell lists a folder up to 255 characters long; its items
        // pass MAX_PATH.
        {std::wstring(250 - Root.size() - 1, L'd'), L"short_mailbox_name.mbox"},
        {std::wstring(200 - Root.size() - 1, L'e'), std::wstring(50, L'f'), L"short_mailbox_name.mbox"},
        // A folder past MAX_PATH, entered by a double-click, F5 and its typed path.
        {std::wstring(200 - Root.size() - 1, L'g'), std::wstring(90, L'h'), L"short_mailbox_name.mbox"},
    };
    int Serial = 0;
    for (const auto& Walk : Walks) {
        const std::string Bytes = "From " + std::to_string(++Serial) + "\r\n";
        std::wstring Wide = Root;
        for (size_t I = 0; I + 1 < Walk.size(); ++I)
            CreateDirectoryW((L"\\\\?\\" + (Wide += L"\\" + Walk[I])).c_str(), nullptr);
        {
            const TKernelHandle File(CreateFileW((L"\\\\?\\" + Wide + L"\\" + Walk.back()).c_str(), GENERIC_WRITE, 0,
                                                 nullptr, CREATE_ALWAYS, 0, nullptr));
            DWORD Put = 0;
            ASSERT_TRUE(WriteFile(File.Get(), Bytes.data(), static_cast<DWORD>(Bytes.size()), &Put, nullptr));
        }
        Open(DefaultOpenSaveOptions | osoFileMustExist, "Mailboxes (*.mbox)|*.mbox");
        const auto Select = [&](const std::wstring& Name) {
            for (int I = 0; I < Form->ShellList->ItemCount(); ++I) {
                const std::wstring Path = ShellPidlToWidePath(Form->ShellList->ItemData(I)->AbsIdList());
                if (Path.size() > Name.size() && Path.compare(Path.size() - Name.size(), Name.size(), Name) == 0) {
                    Form->ShellList->Item(I)->SetSelected(true);
                    Form->ShellList->Item(I)->SetFocused(true);
                    views_test::Pump();
                    return true;
                }
            }
            return false;
        };
        std::wstring Reached = Root;
        for (size_t I = 0; I + 1 < Walk.size(); ++I) {
            ASSERT_TRUE(Select(L"\\" + Walk[I]));
            Form->ShellList->OpenSelected();
            views_test::Pump();
            Reached += L"\\" + Walk[I];
            // Entered, Look in and the list both on the folder itself; so
            // again after F5, and after its path typed in the root.
            const std::string Typed = WideToAnsi(Reached.c_str());
            for (int Way = 0; Way < 3; ++Way) {
                if (Way == 1) {
                    PostMessageA(Form->ShellList->Handle(), WM_KEYDOWN, VK_F5, 0);
                } else if (Way == 2 && AnsiToWide(Typed) == Reached) {
                    Form->ShellCombo->SelectedFolder()->SetPathName(Dir.Path());
                    views_test::Pump();
                    EXPECT_FALSE(PressOpen(Typed));
                }
                views_test::Pump();
                EXPECT_EQ(ShellPidlToWidePath(Form->ShellList->Folder()->IdList()), Reached) << Way;
                EXPECT_EQ(ShellPidlToWidePath(Form->ShellCombo->SelectedFolder()->IdList()), Reached) << Way;
                // Wine's shell lists nothing in a folder past MAX_PATH.
                EXPECT_TRUE(Reached.size() >= MAX_PATH || Form->ShellList->ItemCount() == 1) << Way;
            }
        }
        EXPECT_EQ(Shown().find('?'), std::string::npos) << Shown();
        const bool Listed = Reached.size() < MAX_PATH;
        ASSERT_TRUE(!Listed || Select(L"\\" + Walk.back()));
        ASSERT_TRUE(PressOpen(Listed ? "" : WideToAnsi(Walk.back().c_str()), !Listed))
            << (Boxes.Shown.empty() ? "" : Boxes.Shown[0].Msg);
        ASSERT_EQ(Accepted().size(), 1u);
        const std::string Picked = Accepted()[0];
        EXPECT_EQ(TTestFolder::Read(AnsiToWide(Picked)), Bytes) << Picked;
        EXPECT_TRUE(Boxes.Shown.empty());
    }
}

TEST_F(TOpenFormTest, SelectingFilesInTheListWritesTheirNames)
{
    Open(DefaultOpenSaveOptions | osoAllowMultiselect);
    TRzShellList* L = Form->ShellList;
    auto Index = [&](const std::string& Start) {
        for (int I = 0; I < L->ItemCount(); ++I)
            if (L->ItemData(I)->DisplayName().rfind(Start, 0) == 0)
                return I;
        return -1;
    };
    const int A = Index("alpha"), B = Index("beta");
    ASSERT_GE(A, 0);
    ASSERT_GE(B, 0);
    L->Item(A)->SetSelected(true);
    views_test::Pump();
    EXPECT_EQ(Form->edtFileName->Text(), L->ItemData(A)->DisplayName());
    L->Item(B)->SetSelected(true);
    views_test::Pump();
    EXPECT_EQ(Form->edtFileName->Text(), "\"alpha.mbox\" \"beta.mbox\"");
    // Picked from the list, both names pass the checks.
    ASSERT_TRUE(PressOpen(Form->edtFileName->Text()));
    EXPECT_EQ(Accepted(), (std::vector<std::string>{Dir.File("alpha.mbox"), Dir.File("beta.mbox")}));
    // Ctrl+A writes the box once, with every file and no folder.
    Open(DefaultOpenSaveOptions | osoAllowMultiselect);
    int Writes = 0;
    Form->edtFileName->OnChange = [&, Was = Form->edtFileName->OnChange](TObject* S) { ++Writes, Was(S); };
    {
        TKeyHeld Ctrl(VK_CONTROL);
        PostMessageA(Form->ShellList->Handle(), WM_KEYDOWN, 'A', 0);
        views_test::Pump();
    }
    EXPECT_EQ(ListView_GetSelectedCount(Form->ShellList->Handle()), 4u);
    EXPECT_EQ(Writes, 1);
    EXPECT_EQ(Form->edtFileName->Text(), "\"alpha.mbox\" \"beta.mbox\" \"notes.txt\"");

    // Ctrl+A over 1,000 more, then Open: no name costs a look at the whole text.
    std::set<std::string> Expected{Dir.File("alpha.mbox"), Dir.File("beta.mbox"), Dir.File("notes.txt")};
    for (int I = 0; I < 1000; ++I)
        Expected.insert(Dir.Write("message " + std::to_string(1000 + I) + ".mbox", "x"));
    Open(DefaultOpenSaveOptions | osoAllowMultiselect | osoFileMustExist | osoNoReadOnlyReturn);
    {
        TKeyHeld Ctrl(VK_CONTROL);
        PostMessageA(Form->ShellList->Handle(), WM_KEYDOWN, 'A', 0);
        views_test::Pump();
    }
    const long Length = static_cast<long>(Form->edtFileName->Text().size());
    Counted = {};
    {
        TImportHook Lead("kernel32.dll", "IsDBCSLeadByte", reinterpret_cast<void*>(CountedLead));
        TImportHook Attributes("kernel32.dll", "GetFileAttributesA", reinterpret_cast<void*>(CountedAttributes));
        TImportHook Desktop("shell32.dll", "SHGetDesktopFolder", reinterpret_cast<void*>(CountedDesktop));
        ASSERT_TRUE(Lead.Hooked() && Attributes.Hooked() && Desktop.Hooked());
        LeadHook = &Lead, AttributesHook = &Attributes, DesktopHook = &Desktop;
        ASSERT_TRUE(PressOpen("", false));
    }
    const std::vector<std::string> Got = Accepted();
    EXPECT_EQ(std::set<std::string>(Got.begin(), Got.end()), Expected);
    EXPECT_EQ(Got.size(), Expected.size());
    const long Folders = static_cast<long>(Expected.size() * Dir.Path().size());
    EXPECT_LE(Counted.Lead, 16 * (Length + Folders)) << "characters looked at of " << Length;
    EXPECT_LE(Counted.Attributes, 2) << "files' attributes asked";
    EXPECT_LE(Counted.Desktop, 2) << "names parsed by the shell";
    EXPECT_FALSE(PressOpen(Form->edtFileName->Text() + " \"missing.mbox\""));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_NE(Boxes.Shown[0].Msg.find(Dir.File("missing.mbox") + "\nFile not found"), std::string::npos);

    // Closed with every item picked, the list lets go of none one by one,
    // and is told of no item deleted one by one either.
    ASSERT_GT(ListView_GetSelectedCount(Form->ShellList->Handle()), 1000u);
    ItemChanges = ItemDeletes = 0;
    const HHOOK Hook = SetWindowsHookExA(WH_CALLWNDPROC, CountItemChanges, nullptr, GetCurrentThreadId());
    Form.reset();
    UnhookWindowsHookEx(Hook);
    EXPECT_EQ(ItemChanges, 0);
    EXPECT_EQ(ItemDeletes, 0);
}

TEST_F(TOpenFormTest, PlacesShowTheirOwnLargeIcons)
{
    // Each place's button draws, from the large system list, the icon the
    // shell names for that place (file and index), at full size: not an
    // overlay arrow or another item's icon from a list out of step.
    Open();
    ASSERT_EQ(Form->Places().size(), 5u);
    int Width = 0, Height = 0;
    ASSERT_TRUE(ImageList_GetIconSize(Form->imlPlaces->Handle(), &Width, &Height));
    EXPECT_EQ(Width, 32);
    EXPECT_EQ(Height, 32);
    std::vector<std::vector<std::uint32_t>> Expected, Shown;
    for (const auto& Place : Form->Places()) {
        TPidl Pidl;
        ASSERT_TRUE(SUCCEEDED(ShellGetSpecialFolderPidl(nullptr, Place->Kind, Pidl)));
        SHFILEINFOA Where{};
        ASSERT_TRUE(SHGetFileInfoA(reinterpret_cast<LPCSTR>(Pidl.Get()), 0, &Where, sizeof Where,
                                   SHGFI_PIDL | SHGFI_ICONLOCATION));
        HICON Icon = nullptr;
        ASSERT_EQ(ExtractIconExA(Where.szDisplayName, Where.iIcon, &Icon, nullptr, 1), 1u)
            << Where.szDisplayName << "," << Where.iIcon;
        Expected.push_back(IconPixels(32, [&](HDC DC) { DrawIconEx(DC, 0, 0, Icon, 32, 32, 0, nullptr, DI_NORMAL); }));
        DestroyIcon(Icon);
        const int Index = Place->IconIndex;
        ASSERT_GE(Index, 0);
        ASSERT_LT(Index, Form->imlPlaces->Count());
        Shown.push_back(IconPixels(32, [&](HDC DC) {
            ImageList_Draw(Form->imlPlaces->Handle(), Index, DC, 0, 0, ILD_NORMAL);
        }));
    }
    for (size_t I = 0; I < Shown.size(); ++I) {
        // Edges may blend differently; the picture must be the place's own.
        EXPECT_GT(MatchingPixels(Shown[I], Expected[I]), 32 * 32 * 3 / 4) << Form->btnPlace[I]->Caption();
        for (size_t J = 0; J < Expected.size(); ++J) {
            if (J != I) {
                EXPECT_GT(MatchingPixels(Shown[I], Expected[I]), MatchingPixels(Shown[I], Expected[J]))
                    << Form->btnPlace[I]->Caption() << " looks like " << Form->btnPlace[J]->Caption();
            }
        }
    }
}

TEST_F(TOpenFormTest, PlacesBarDefaultsAndPolicyKey)
{
    // Wine has no policy key: the five default places.
    {
        TRegistry Reg(HKEY_CURRENT_USER, KEY_READ);
        ASSERT_FALSE(Reg.OpenKeyReadOnly(RzPlacesBarKey)) << "a policy key is set in this prefix";
    }
    Open();
    ASSERT_EQ(Form->Places().size(), 5u);
    const TCSIDL Want[] = {CSIDL_RECENT, CSIDL_DESKTOP, CSIDL_PERSONAL, CSIDL_DRIVES, CSIDL_NETWORK};
    for (int I = 0; I < 5; ++I) {
        EXPECT_EQ(Form->Places()[I]->Kind, Want[I]);
        EXPECT_TRUE(Form->btnPlace[I]->Visible());
        EXPECT_FALSE(Form->btnPlace[I]->Caption().empty()) << I;
    }
    // The documents place shows the documents folder.
    Form->btnPlace[2]->Click();
    EXPECT_TRUE(SameFolderText(Shown(), ShellGetSpecialFolderPath(nullptr, CSIDL_PERSONAL))) << Shown();
    EXPECT_TRUE(Form->btnPlace[2]->Down());
    EXPECT_FALSE(Form->btnPlace[1]->Down());

    // A key with two values: two buttons, the rest hidden.
    {
        TRegistry Reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        ASSERT_TRUE(Reg.OpenKey(RzPlacesBarKey, true));
        Reg.WriteString("Place0", Dir.Path());
        Reg.WriteInteger("Place3", CSIDL_DESKTOP);
    }
    TScopeExit Remove([] {
        TRegistry Reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        Reg.DeleteKey(RzPlacesBarKey);
    });
    Open();
    ASSERT_EQ(Form->Places().size(), 2u);
    EXPECT_EQ(Form->Places()[0]->Kind, csidlNone);
    EXPECT_EQ(Form->btnPlace[0]->Caption(), Dir.Path().substr(Dir.Path().find_last_of('\\') + 1));
    EXPECT_EQ(Form->Places()[1]->Kind, csidlDesktop);
    EXPECT_TRUE(Form->btnPlace[0]->Visible() && Form->btnPlace[1]->Visible());
    for (int I = 2; I < 5; ++I)
        EXPECT_FALSE(Form->btnPlace[I]->Visible()) << I;
    Form->btnPlace[1]->Click();
    EXPECT_EQ(ShellGetSpecialFolderIdFromPidl(Form->ShellList->Folder()->IdList()), csidlDesktop);
    Form->btnPlace[0]->Click();
    EXPECT_TRUE(SameFolderText(Shown(), Dir.Path()));
    EXPECT_TRUE(Form->btnPlace[0]->Down());
}

TEST_F(TOpenFormTest, TreeKeysAndRefresh)
{
    Open();
    TRzSplitter* S = Form->RzSplitter1;
    EXPECT_FALSE(S->UpperLeft()->Visible());
    EXPECT_EQ(Form->GetSplitterPos(), -1);
    WORD Key = VK_F12;
    Form->FormKeyDown(Form.get(), Key, 0);
    views_test::Pump();
    EXPECT_TRUE(S->UpperLeft()->Visible());
    EXPECT_EQ(S->Position(), RzOpenFormDefaultTreeWidth);
    EXPECT_EQ(Form->ShellTree->Width(), RzOpenFormDefaultTreeWidth);
    EXPECT_TRUE(Form->Options() & osoShowTree);
    EXPECT_TRUE(Form->btnShowTree->Down());
    EXPECT_EQ(Form->ShellCombo->ShellTree(), Form->ShellTree);
    EXPECT_TRUE(SameFolderText(Form->ShellTree->SelectedPathName(), Dir.Path())) << Form->ShellTree->SelectedPathName();
    // The tree moves the list.
    TPidl Sub;
    ASSERT_HRESULT_SUCCEEDED(ShellPathToPidl(Dir.File("sub"), Sub));
    Form->ShellTree->SelectIdList(Sub.Get());
    views_test::Pump();
    Form->ShellTree->RunPendingStep();
    EXPECT_TRUE(SameFolderText(Shown(), Dir.File("sub"))) << Shown();
    Key = VK_F12;
    Form->FormKeyDown(Form.get(), Key, 0);
    EXPECT_FALSE(S->UpperLeft()->Visible());
    EXPECT_FALSE(Form->Options() & osoShowTree);
    EXPECT_EQ(Form->ShellCombo->ShellList(), Form->ShellList);
    EXPECT_EQ(Form->GetSplitterPos(), RzOpenFormDefaultTreeWidth);

    // F5 finds a file made behind the list's back.
    Dir.Write("sub\\late.mbox", "From d\r\n");
    Key = VK_F5;
    Form->FormKeyDown(Form.get(), Key, 0);
    EXPECT_TRUE(Contains(ListCaptions(), "late.mbox") || Contains(ListCaptions(), "late"));
    // F4 drops the folder combo down and takes it up again.
    Key = VK_F4;
    Form->FormKeyDown(Form.get(), Key, 0);
    EXPECT_TRUE(Form->ShellCombo->DroppedDown());
    Key = VK_F4;
    Form->FormKeyDown(Form.get(), Key, 0);
    EXPECT_FALSE(Form->ShellCombo->DroppedDown());

    // Without the tree option F12 does nothing and the button is gone.
    Open(DefaultOpenSaveOptions & ~osoAllowTree);
    Key = VK_F12;
    Form->FormKeyDown(Form.get(), Key, 0);
    EXPECT_FALSE(Form->RzSplitter1->UpperLeft()->Visible());
    EXPECT_FALSE(Form->btnShowTree->Visible());
}

TEST_F(TOpenFormTest, MinimumSizeAndSizeGrip)
{
    Open();
    MINMAXINFO Info{};
    SendMessageA(Form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Info));
    EXPECT_EQ(Info.ptMinTrackSize.x, RzOpenFormMinWidth);
    EXPECT_EQ(Info.ptMinTrackSize.y, RzOpenFormMinHeight);
    ASSERT_TRUE(IsWindow(Form->SizeGrip()));
    char Class[32] = {};
    GetClassNameA(Form->SizeGrip(), Class, sizeof(Class));
    EXPECT_STREQ(Class, "ScrollBar");
    Form->SetBounds(Form->Left(), Form->Top(), 700, 500);
    views_test::Pump();
    RECT Client{}, Grip{};
    GetClientRect(Form->Handle(), &Client);
    GetWindowRect(Form->SizeGrip(), &Grip);
    POINT P{Grip.left, Grip.top};
    ScreenToClient(Form->Handle(), &P);
    EXPECT_EQ(P.x, Client.right - RzSizeGripSize);
    EXPECT_EQ(P.y, Client.bottom - RzSizeGripSize);
    // The buttons keep to the right edge.
    EXPECT_EQ(Form->btnOpen->Left(), Form->PnlWork->Width() - Form->btnOpen->Width() - 16);
}

TEST_F(TOpenFormTest, ModalRunTypesANameAndOpens)
{
    Form.reset(new TRzShellOpenSaveForm(nullptr));
    Form->SetOptions(DefaultOpenSaveOptions | osoFileMustExist);
    Form->SetInitialDir(Dir.Path());
    Boxes.Answer = mrOk;
    modal_test::TModalScript Script(
        "TRzShellOpenSaveForm",
        {[](TCustomForm* F) { TypeAndOpen(dynamic_cast<TRzShellOpenSaveForm*>(F), "missing.mbox"); },
         [](TCustomForm* F) { TypeAndOpen(dynamic_cast<TRzShellOpenSaveForm*>(F), "beta.mbox"); }});
    EXPECT_EQ(Form->ShowModal(), mrOk);
    EXPECT_EQ(Script.Done(), 2u);
    EXPECT_EQ(Script.Failure, "");
    ASSERT_EQ(Boxes.Shown.size(), 1u) << "the missing file was refused and the form stayed";
    EXPECT_EQ(Accepted(), std::vector<std::string>{Dir.File("beta.mbox")});
    EXPECT_EQ(Form->GetFileName(), "beta.mbox") << "once hidden, the edit's text";
}

TEST_F(TOpenFormTest, CapturedInBothLooks)
{
    for (bool Themed : {false, true}) {
        TLookScope Look(Themed);
        Open(DefaultOpenSaveOptions | osoShowTree | osoShowHelp);
        Form->SetFileName("alpha.mbox");
        views_test::Pump();
        RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        // As a person leaves it: Details view, the Look-in list just closed.
        Form->ViewBtnClick(Form->btnDetails);
        SendMessageA(Form->ShellCombo->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
        views_test::Pump();
        SendMessageA(Form->ShellCombo->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
        views_test::Pump();
        TBitmap B;
        views_test::CaptureWindow(Form->Handle(), B);
        B.SaveToFile(views_test::CapturePath(Themed ? "openform_themed.bmp" : "openform_classic.bmp"));
        // Something besides the face colour was painted in the list area.
        TRzShellList* L = Form->ShellList;
        const TPoint ListAt = L->ClientToScreen(TPoint(L->ClientWidth() - 8, L->ClientHeight() - 8));
        RECT W{};
        GetWindowRect(Form->Handle(), &W);
        const std::uint32_t Px = B.ScanLine(ListAt.y - W.top)[ListAt.x - W.left] & 0xFFFFFF;
        EXPECT_EQ(Px, 0xFFFFFFu) << "the list's window colour";
    }
}

TEST_F(TOpenFormTest, DetailsAfterAScrolledListShowTheNamesAndTheListFitsEachFolder)
{
    // 1,000 files with the tree shown: List, End, then Details.
    const std::string Many = Dir.File("many");
    for (int I = 0; I < 1000; ++I)
        TTestFolder::Put(Many + "\\message " + std::to_string(1000 + I) + ".mbox", "x");
    Open(DefaultOpenSaveOptions | osoShowTree);
    TRzShellList* L = Form->ShellList;
    L->Folder()->SetPathName(Many);
    views_test::Pump();
    ASSERT_EQ(L->ItemCount(), 1000);
    L->SetFocus();
    PostMessageA(L->Handle(), WM_KEYDOWN, VK_END, 0);
    views_test::Pump();
    ASSERT_GT(GetScrollPos(L->Handle(), SB_HORZ), 0) << "the list scrolled sideways";
    modal_test::PostClick(static_cast<TControl*>(Form->btnDetails));
    views_test::Pump();
    ASSERT_EQ(L->ViewStyle(), vsReport);
    EXPECT_EQ(GetScrollPos(L->Handle(), SB_HORZ), 0);
    RECT Name{LVIR_LABEL, 0, 0, 0};
    SendMessageA(L->Handle(), LVM_GETITEMRECT, L->ItemCount() - 1, reinterpret_cast<LPARAM>(&Name));
    EXPECT_GE(Name.left, 0) << "the names' column shows";
    const int Last = L->ItemCount() - 1, Top = ListView_GetTopIndex(L->Handle());
    EXPECT_TRUE(Last >= Top && Last < Top + ListView_GetCountPerPage(L->Handle())) << "the focused item is in view";
    // Scrolled back to the top, Details again leaves the rows where they are.
    ListView_Scroll(L->Handle(), 0, -100000);
    ASSERT_EQ(ListView_GetTopIndex(L->Handle()), 0);
    modal_test::PostClick(static_cast<TControl*>(Form->btnDetails));
    views_test::Pump();
    EXPECT_EQ(ListView_GetTopIndex(L->Handle()), 0);

    // Long names: Details, List, then another folder of longer names.
    auto Widest = [L] {
        int W = 0;
        for (int I = 0; I < L->ItemCount(); ++I)
            W = std::max(W, static_cast<int>(SendMessageA(L->Handle(), LVM_GETSTRINGWIDTHA, 0,
                                                          reinterpret_cast<LPARAM>(L->ItemData(I)->DisplayName().c_str()))));
        return W;
    };
    for (const auto& [Sub, Length] : {std::pair{"long", 60}, std::pair{"longer", 120}})
        for (int I = 0; I < 3; ++I)
            TTestFolder::Put(Dir.File(Sub) + "\\" + std::string(static_cast<std::size_t>(Length), 'a' + I) + ".mbox",
                             "x");
    L->Folder()->SetPathName(Dir.File("long"));
    views_test::Pump();
    modal_test::PostClick(static_cast<TControl*>(Form->btnList));
    views_test::Pump();
    ASSERT_EQ(L->ViewStyle(), vsList);
    for (const char* Sub : {"longer", "long"}) {
        SCOPED_TRACE(Sub);
        L->Folder()->SetPathName(Dir.File(Sub));
        views_test::Pump();
        ASSERT_EQ(L->ItemCount(), 3);
        const int Column = static_cast<int>(SendMessageA(L->Handle(), LVM_GETCOLUMNWIDTH, 0, 0));
        EXPECT_GE(Column, Widest() + GetSystemMetrics(SM_CXSMICON)) << "no name cut";
        EXPECT_LE(Column, Widest() + 64) << "no room left over from a wider folder";
    }
}

TEST_F(TOpenFormTest, FilterTypesAndTheirIndex)
{
    Open(DefaultOpenSaveOptions, "");
    EXPECT_EQ(Form->GetFilterIndex(), 0);
    EXPECT_EQ(Form->cbxFileTypes->Items()->Count(), 0);
    Form->SetFilter("Mail (*.mbox)|*.mbox|Text|*.txt;*.text|Odd");
    ASSERT_EQ(Form->cbxFileTypes->Items()->Count(), 3);
    EXPECT_EQ(Form->cbxFileTypes->Items()->Strings(2), "Odd");
    Form->SetFilterIndex(2);
    EXPECT_EQ(Form->GetFilterIndex(), 2);
    EXPECT_EQ(Form->ShellList->FileFilter(), "*.txt;*.text");
    // Out of range: the first type, with its mask.
    Form->SetFilterIndex(9);
    EXPECT_EQ(Form->GetFilterIndex(), 1);
    EXPECT_EQ(Form->ShellList->FileFilter(), "*.mbox");
    // Given again, the filter replaces the types.
    Form->SetFilter("All (*.*)|*.*");
    EXPECT_EQ(Form->cbxFileTypes->Items()->Count(), 1);
}

TEST_F(TOpenFormTest, TwoListItemsOfTheTypedNameLetTheUserChoose)
{
    // With extensions hidden, "twin.mbox" and "twin.txt" both show as
    // "twin"; the form cannot tell which one the user meant.
    const char* Advanced = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
    TRegistry Reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
    ASSERT_TRUE(Reg.OpenKey(Advanced, true));
    const bool Had = Reg.ValueExists("HideFileExt");
    const int Was = Had ? Reg.ReadInteger("HideFileExt") : 0;
    Reg.WriteInteger("HideFileExt", 1);
    TScopeExit Restore([&] {
        if (Had)
            Reg.WriteInteger("HideFileExt", Was);
        else
            Reg.DeleteValue("HideFileExt");
    });
    Dir.Write("twin.mbox", "From t\r\n");
    Dir.Write("twin.txt", "t");
    Open();
    int Twins = 0;
    for (const std::string& C : ListCaptions())
        Twins += C == "twin";
    if (Twins < 2)
        GTEST_SKIP() << "this shell shows extensions whatever the setting";
    EXPECT_FALSE(PressOpen("twin"));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Msg, "More than one file has the name 'twin'.\n\nChoose one from the list of files.");
    TListItem* Picked = Form->ShellList->Selected();
    ASSERT_NE(Picked, nullptr);
    EXPECT_EQ(Form->ShellList->ItemData(Picked->Index())->DisplayName(), "twin");
    // The one picked from the list is what Open then takes.
    Boxes.Shown.clear();
    Form->SetModalResult(mrOk);
    Form->ShellListChange(Form->ShellList, Picked, true);
    EXPECT_TRUE(Form->CloseQuery());
    const std::string Got = Form->GetSelectedFiles()->Strings(0);
    EXPECT_TRUE(Got == Dir.File("twin.mbox") || Got == Dir.File("twin.txt")) << Got;
}

TEST_F(TOpenFormTest, ToolbarViewsAndFolderButtons)
{
    Open();
    struct TView {
        TObject* Sender;
        TViewStyle Want;
        bool ListDown, DetailsDown;
        TMenuItem* Checked;
    } Views[] = {
        {Form->btnDetails, vsReport, false, true, Form->Details1Mitm},
        {Form->LargeIcons1Mitm, vsIcon, false, false, Form->LargeIcons1Mitm},
        {Form->btnList, vsList, true, false, Form->List1Mitm},
        {Form->Smallicons1MItm, vsSmallIcon, false, false, Form->Smallicons1MItm},
    };
    for (const TView& V : Views) {
        Form->ViewBtnClick(V.Sender);
        EXPECT_EQ(Form->ShellList->ViewStyle(), V.Want);
        EXPECT_EQ(Form->btnList->Down(), V.ListDown);
        EXPECT_EQ(Form->btnDetails->Down(), V.DetailsDown);
        for (TMenuItem* M : {Form->LargeIcons1Mitm, Form->Smallicons1MItm, Form->List1Mitm, Form->Details1Mitm})
            EXPECT_EQ(M->Checked(), M == V.Checked);
    }
    int FolderChanges = 0;
    Form->OnFolderChanged = [&](TObject* S) {
        EXPECT_EQ(S, Form.get());
        ++FolderChanges;
    };
    Form->ShellList->Folder()->SetPathName(Dir.File("sub"));
    Form->btnUpOneLevel->Click();
    EXPECT_TRUE(SameFolderText(Shown(), Dir.Path())) << Shown();
    Form->btnShowDesktop->Click();
    EXPECT_EQ(ShellGetSpecialFolderIdFromPidl(Form->ShellList->Folder()->IdList()), csidlDesktop);
    EXPECT_TRUE(Form->btnPlace[1]->Down()) << "the desktop's place";
    EXPECT_EQ(FolderChanges, 3);
}

TEST_F(TOpenFormTest, AcceptingMakesTheShownFolderCurrentUnlessAskedNotTo)
{
    for (bool NoChangeDir : {true, false}) {
        SetCurrentDirectoryA(WasCurrent);
        Open(DefaultOpenSaveOptions | (NoChangeDir ? TRzOpenSaveOptions(osoNoChangeDir) : 0u));
        ASSERT_TRUE(PressOpen("alpha.mbox"));
        char Now[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, Now);
        EXPECT_EQ(SameFolderText(Now, Dir.Path()), !NoChangeDir) << Now;
    }
}

TEST_F(TOpenFormTest, EventsFireOnlyWhileShown)
{
    Form.reset(new TRzShellOpenSaveForm(nullptr));
    std::vector<std::string> Fired;
    auto Record = [&](const char* Name) { return [&Fired, Name](TObject*) { Fired.push_back(Name); }; };
    Form->OnTypeChanged = Record("type");
    Form->OnFolderChanged = Record("folder");
    Form->OnSelectionChanged = Record("selection");
    Form->OnFormShow = Record("show");
    Form->OnFormClose = Record("close");
    Form->SetFilter("A|*.mbox|B|*.txt");
    Form->SetFilterIndex(2);
    Form->SetInitialDir(Dir.Path());
    EXPECT_TRUE(Fired.empty()) << "set-up fires nothing";
    Form->Show();
    views_test::Pump();
    EXPECT_EQ(Fired, std::vector<std::string>{"show"});
    Form->cbxFileTypes->SetItemIndex(0);
    Form->cbxFileTypesSelEndOk(Form->cbxFileTypes);
    Form->ShellList->Item(0)->SetSelected(true);
    Form->ShellList->Folder()->SetPathName(Dir.File("sub"));
    Form->Hide();
    // The new folder's list drops the selection: a change of its own.
    EXPECT_EQ(Fired, (std::vector<std::string>{"show", "type", "selection", "selection", "folder", "close"}));
}

TEST_F(TOpenFormTest, ReadOnlyBoxFollowsAndSetsItsOption)
{
    Open(DefaultOpenSaveOptions);
    EXPECT_FALSE(Form->chkReadOnly->Visible()) << "hidden by default";
    Open((DefaultOpenSaveOptions & ~osoHideReadOnly) | osoReadOnly);
    EXPECT_TRUE(Form->chkReadOnly->Visible());
    EXPECT_TRUE(Form->chkReadOnly->Checked());
    modal_test::PostClick(Form->chkReadOnly);
    views_test::Pump();
    EXPECT_FALSE(Form->chkReadOnly->Checked());
    EXPECT_FALSE(Form->Options() & osoReadOnly);
    modal_test::PostClick(Form->chkReadOnly);
    views_test::Pump();
    EXPECT_TRUE(Form->Options() & osoReadOnly);
}

TEST_F(TOpenFormTest, ShowTreeButtonTogglesTheTree)
{
    Open();
    modal_test::PostClick(static_cast<TControl*>(Form->btnShowTree));
    views_test::Pump();
    EXPECT_TRUE(Form->btnShowTree->Down());
    EXPECT_TRUE(Form->RzSplitter1->UpperLeft()->Visible());
    modal_test::PostClick(static_cast<TControl*>(Form->btnShowTree));
    views_test::Pump();
    EXPECT_FALSE(Form->btnShowTree->Down());
    EXPECT_FALSE(Form->RzSplitter1->UpperLeft()->Visible());
}

// Details view as a person uses it: the cells on the screen right after the
// switch; two files chosen, then a new folder named in place; F2 away from
// the mouse.
TEST_F(TOpenFormTest, DetailsViewShowsItsCellsAndNamesANewFolderInPlace)
{
    Open(DefaultOpenSaveOptions | osoAllowMultiselect);
    TRzShellList* L = Form->ShellList;
    const HWND W = L->Handle();
    SetCursorPos(1200, 1000);
    Form->ViewBtnClick(Form->btnDetails);
    views_test::Pump();
    const int Alpha = IndexOf("alpha.mbox"), Beta = IndexOf("beta.mbox");
    ASSERT_GE(Alpha, 0);
    for (int Sub = 1; Sub <= 3; ++Sub)
        EXPECT_NE(CellText(Alpha, Sub), "") << "column " << Sub;
    TBitmap B;
    B.SetSize(L->ClientWidth(), L->ClientHeight());
    GrabWindow(W, B);
    RECT Cell{LVIR_LABEL, 2, 0, 0};
    SendMessageA(W, LVM_GETSUBITEMRECT, Alpha, reinterpret_cast<LPARAM>(&Cell));
    EXPECT_LT(CountPixels(B, Cell, static_cast<TColor>(GetSysColor(COLOR_WINDOW))),
              (Cell.right - Cell.left) * (Cell.bottom - Cell.top)) << "the Type cell is painted";

    L->Item(Alpha)->SetSelected(true);
    L->Item(Beta)->SetSelected(true);
    views_test::Pump();
    const std::string Chosen = Form->edtFileName->Text();
    ASSERT_EQ(Chosen, "\"alpha.mbox\" \"beta.mbox\"");
    PostMessageA(W, WM_KEYDOWN, VK_F5, 0);
    views_test::Pump();
    EXPECT_EQ(Form->edtFileName->Text(), Chosen) << "F5 refills";
    L->Item(IndexOf("alpha.mbox"))->SetSelected(true);
    L->Item(IndexOf("beta.mbox"))->SetSelected(true);
    views_test::Pump();
    Form->btnCreateNewFolder->Click();
    views_test::Pump();
    EXPECT_EQ(Form->edtFileName->Text(), Chosen) << "the refill keeps the chosen names";
    HWND Editor = reinterpret_cast<HWND>(SendMessageA(W, LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(Editor, nullptr) << "the new folder's name is edited in Details view";
    for (char C : std::string("Converted"))
        PostMessageA(Editor, WM_CHAR, static_cast<unsigned char>(C), 0);
    PostMessageA(Editor, WM_KEYDOWN, VK_RETURN, 0);
    views_test::Pump();
    EXPECT_TRUE(shell_test::IsDir(Dir.File("Converted")));
    const int Made = IndexOf("Converted");
    ASSERT_GE(Made, 0);
    EXPECT_EQ(CellText(Made, 0), "Converted") << "the row shows the new name";

    PostMessageA(W, WM_KEYDOWN, VK_F2, 0);
    views_test::Pump();
    Editor = reinterpret_cast<HWND>(SendMessageA(W, LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(Editor, nullptr) << "F2 edits in Details view";
    PostMessageA(Editor, WM_KEYDOWN, VK_ESCAPE, 0);
    views_test::Pump();

    // Renamed, the item the box names is named anew there.
    ListView_SetItemState(W, -1, 0, LVIS_SELECTED);
    L->Item(IndexOf("alpha.mbox"))->SetSelected(true);
    L->Item(IndexOf("alpha.mbox"))->SetFocused(true);
    PostMessageA(W, WM_KEYDOWN, VK_F2, 0);
    views_test::Pump();
    ASSERT_EQ(Form->edtFileName->Text(), "alpha.mbox");
    Editor = reinterpret_cast<HWND>(SendMessageA(W, LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(Editor, nullptr);
    for (char C : std::string("gamma.mbox"))
        PostMessageA(Editor, WM_CHAR, static_cast<unsigned char>(C), 0);
    PostMessageA(Editor, WM_KEYDOWN, VK_RETURN, 0);
    views_test::Pump();
    EXPECT_EQ(TTestFolder::Read(Dir.File("gamma.mbox")), "From a\r\n");
    EXPECT_EQ(Form->edtFileName->Text(), "gamma.mbox");
}

TEST_F(TOpenFormTest, TheLookInDropDownIsAsTallAsItsRowsAndWhatItCoveredRepaints)
{
    Open();
    const HWND Combo = Form->ShellCombo->Handle();
    COMBOBOXINFO Info{};
    Info.cbSize = sizeof Info;
    ASSERT_TRUE(GetComboBoxInfo(Combo, &Info));
    SendMessageA(Combo, CB_SHOWDROPDOWN, TRUE, 0);
    views_test::Pump();
    RECT List{};
    GetWindowRect(Info.hwndList, &List);
    const int Rows = static_cast<int>(SendMessageA(Info.hwndList, LB_GETCOUNT, 0, 0));
    const int RowH = static_cast<int>(SendMessageA(Info.hwndList, LB_GETITEMHEIGHT, 0, 0));
    EXPECT_LE(List.bottom - List.top, Rows * RowH + 4);
    // The form's face between the file list and the File name box, below
    // the dropped list: on the screen while it is down and once it is up.
    RECT Files{}, Name{};
    GetWindowRect(Form->ShellList->Handle(), &Files);
    GetWindowRect(Form->edtFileName->Handle(), &Name);
    const POINT Gap{(List.left + List.right) / 2, (Files.bottom + Name.top) / 2};
    ASSERT_GT(Gap.y, List.bottom);
    const COLORREF Face = GetSysColor(COLOR_BTNFACE);
    const HDC Desk = GetDC(nullptr);
    EXPECT_EQ(GetPixel(Desk, Gap.x, Gap.y), Face) << "while dropped";
    SendMessageA(Combo, CB_SHOWDROPDOWN, FALSE, 0);
    views_test::Pump();
    EXPECT_EQ(GetPixel(Desk, Gap.x, Gap.y), Face) << "once closed";
    ReleaseDC(nullptr, Desk);
}
