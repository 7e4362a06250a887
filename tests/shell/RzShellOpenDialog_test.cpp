// The open dialog run modally in a scratch folder, driven from inside its
// modal loop the way a user would: names typed and Open pressed, refusals
// answered, Cancel; what Execute returns and what the dialog reads back;
// its guards, the FileName rules, the placement record and reopening where
// the last form closed.
#include "classlib/Streams.h"
#include "shell/RzShellDialogs.h"
#include "testkit/ModalScript.h"
#include "tests/shell/OpenFormTestSupport.h"

using namespace open_test;
using modal_test::TModalScript;
using modal_test::TStep;

namespace {

// A step on the open form.
TStep OnOpenForm(std::function<void(TRzShellOpenSaveForm*)> Step)
{
    return [Step](TCustomForm* F) { Step(dynamic_cast<TRzShellOpenSaveForm*>(F)); };
}

TStep TypeAndPressOpen(const std::string& Text)
{
    return OnOpenForm([Text](TRzShellOpenSaveForm* F) { TypeAndOpen(F, Text); });
}

TStep PressCancel()
{
    return OnOpenForm([](TRzShellOpenSaveForm* F) { F->btnCancel->Click(); });
}

struct TOpenDialogTest : ::testing::Test {
    TTestFolder Dir{"opendlg"};
    TScriptedBoxes Boxes;
    std::unique_ptr<TRzOpenDialog, TObjectFree> Dlg{new TRzOpenDialog(nullptr)};
    char WasCurrent[MAX_PATH] = {};

    void SetUp() override
    {
        GetCurrentDirectoryA(MAX_PATH, WasCurrent);
        Application->ShowErrorBoxes = false;
        Dir.Write("inbox.mbox", "From a\r\n");
        Dir.Write("sent.mbox", "From b\r\n");
        TTestFolder::Put(Dir.File("archive\\2019.mbox"), "From c\r\n");
        Dlg->SetInitialDir(Dir.Path());
        Dlg->SetFilter("Mailboxes (*.mbox)|*.mbox|All Files (*.*)|*.*");
        Dlg->SetFilterIndex(2);
        // OLE drag and drop is not what these tests are about.
        Dlg->SetOptions(Dlg->Options() & ~(osoOleDrag | osoOleDrop));
    }
    void TearDown() override { SetCurrentDirectoryA(WasCurrent); }

    bool Run(std::vector<TStep> Steps, size_t WantSteps)
    {
        TModalScript Script("TRzShellOpenSaveForm", std::move(Steps));
        const bool Result = Dlg->Execute();
        EXPECT_EQ(Script.Done(), WantSteps);
        EXPECT_EQ(Script.Failure, "");
        EXPECT_EQ(Dlg->Form(), nullptr);
        return Result;
    }
    std::vector<std::string> Files()
    {
        std::vector<std::string> V;
        for (int I = 0; I < Dlg->Files()->Count(); ++I)
            V.push_back(Dlg->Files()->Strings(I));
        return V;
    }
};

} // namespace

TEST_F(TOpenDialogTest, ScriptedUserPicksFiles)
{
    struct TCase {
        const char* Typed;
        TRzOpenSaveOptions Extra;
        std::vector<std::string> Want;
    } Cases[] = {
        {"inbox.mbox", 0, {"inbox.mbox"}},
        {"\"inbox.mbox\" \"sent.mbox\"", osoAllowMultiselect | osoFileMustExist, {"inbox.mbox", "sent.mbox"}},
        {"archive\\2019.mbox", osoFileMustExist, {"archive\\2019.mbox"}},
    };
    const TRzOpenSaveOptions Base = Dlg->Options();
    for (const TCase& C : Cases) {
        Dlg->SetOptions(Base | C.Extra);
        Dlg->SetFileName("");
        ASSERT_TRUE(Run({TypeAndPressOpen(C.Typed)}, 1)) << C.Typed;
        std::vector<std::string> Want;
        for (const std::string& W : C.Want)
            Want.push_back(Dir.File(W));
        EXPECT_EQ(Files(), Want) << C.Typed;
        EXPECT_EQ(Dlg->FileName(), Want[0]);
    }
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(TOpenDialogTest, RefusalsKeepTheFormOpenUntilAGoodName)
{
    Dlg->SetOptions(Dlg->Options() | osoFileMustExist);
    Dlg->SetTitle("Pick a mailbox");
    Boxes.Answer = mrOk;
    ASSERT_TRUE(Run({TypeAndPressOpen("nothing.mbox"), TypeAndPressOpen("sent.mbox")}, 2));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Msg, Dir.File("nothing.mbox") + "\nFile not found.\nPlease verify the correct file name was given.");
    EXPECT_EQ(Boxes.Shown[0].Caption, "Pick a mailbox");
    EXPECT_EQ(Files(), std::vector<std::string>{Dir.File("sent.mbox")});

    // The replace question answered No keeps the form; Cancel then ends it.
    Dlg->SetOptions((Dlg->Options() & ~osoFileMustExist) | osoOverwritePrompt);
    Boxes.Shown.clear();
    Boxes.Answer = mrNo;
    EXPECT_FALSE(Run({TypeAndPressOpen("inbox.mbox"), PressCancel()}, 2));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Msg, Dir.File("inbox.mbox") + " already exists.\nDo you want to replace it?");
    EXPECT_EQ(Boxes.Shown[0].Caption, "Pick a mailbox");
}

TEST_F(TOpenDialogTest, DefaultExtensionAndShortcuts)
{
    Dlg->SetDefaultExt("mbox");
    ASSERT_TRUE(Run({TypeAndPressOpen("new")}, 1));
    EXPECT_EQ(Files(), std::vector<std::string>{Dir.File("new.mbox")});
    EXPECT_FALSE(Dlg->Options() & osoExtensionDifferent);

    ASSERT_TRUE(MakeShortcut(Dir.File("latest.lnk"), Dir.File("archive\\2019.mbox")));
    Dlg->SetDefaultExt("");
    ASSERT_TRUE(Run({TypeAndPressOpen("latest.lnk")}, 1));
    EXPECT_EQ(Files(), std::vector<std::string>{Dir.File("archive\\2019.mbox")});
}

TEST_F(TOpenDialogTest, CancelReturnsFalseYetReadsTheFormBack)
{
    Dlg->SetFileName(Dir.File("inbox.mbox"));
    Dlg->SetFormSplitterPos(-1);
    ASSERT_FALSE(Run({OnOpenForm([](TRzShellOpenSaveForm* F) {
                          WORD Key = VK_F12;
                          F->FormKeyDown(F, Key, 0);
                          F->cbxFileTypes->SetItemIndex(0);
                          F->cbxFileTypesSelEndOk(F->cbxFileTypes);
                      }),
                      PressCancel()},
                     2));
    EXPECT_TRUE(Files().empty()) << "nothing was accepted";
    EXPECT_EQ(Dlg->FileName(), "");
    EXPECT_EQ(Dlg->FilterIndex(), 1);
    EXPECT_TRUE(Dlg->Options() & osoShowTree);
    EXPECT_EQ(Dlg->FormSplitterPos(), RzOpenFormDefaultTreeWidth);
    EXPECT_GT(Dlg->FormWidth(), 0);
    EXPECT_GT(Dlg->FormHeight(), 0);
}

TEST_F(TOpenDialogTest, OpensInTheFolderOfAFullFileNameWithoutInitialDir)
{
    Dlg->SetInitialDir("");
    Dlg->SetFileName(Dir.File("archive\\2019.mbox"));
    std::string Shown, Edit;
    ASSERT_TRUE(Run({OnOpenForm([&](TRzShellOpenSaveForm* F) {
                         Shown = F->ShellList->Folder()->PathName();
                         Edit = F->edtFileName->Text();
                         F->btnOpen->Click();
                     })},
                    1));
    EXPECT_TRUE(SameFolderText(Shown, Dir.File("archive"))) << Shown;
    EXPECT_EQ(Edit, "2019.mbox");
    EXPECT_EQ(Files(), std::vector<std::string>{Dir.File("archive\\2019.mbox")});
}

TEST_F(TOpenDialogTest, ExecuteFromItsOwnFormShowRaises)
{
    std::string Raised;
    Dlg->OnFormShow = [&](TObject*) {
        try {
            Dlg->Execute();
        } catch (const Exception& E) {
            Raised = E.what();
        }
    };
    EXPECT_FALSE(Run({PressCancel()}, 1));
    EXPECT_EQ(Raised, "TRzOpenDialog already executing");
}

TEST_F(TOpenDialogTest, DesignedPositionReopensWhereTheLastFormClosed)
{
    Dlg->SetFormPosition(poDesigned);
    Dlg->SetFormLeft(40);
    Dlg->SetFormTop(30);
    Dlg->SetFormWidth(640);
    Dlg->SetFormHeight(430);
    TRect Seen;
    auto Move = OnOpenForm([&](TRzShellOpenSaveForm* F) {
        Seen = F->BoundsRect();
        F->SetBounds(70, 60, 600, 400);
        F->btnCancel->Click();
    });
    ASSERT_FALSE(Run({Move}, 1));
    EXPECT_EQ(Seen, TRect(40, 30, 680, 460));
    EXPECT_EQ(Dlg->FormLeft(), 70);
    EXPECT_EQ(Dlg->FormTop(), 60);
    EXPECT_EQ(Dlg->FormWidth(), 600);
    EXPECT_EQ(Dlg->FormHeight(), 400);
    ASSERT_FALSE(Run({OnOpenForm([&](TRzShellOpenSaveForm* F) {
                         Seen = F->BoundsRect();
                         F->btnCancel->Click();
                     })},
                     1));
    EXPECT_EQ(Seen, TRect(70, 60, 670, 460));
}

TEST(TOpenDialog, FileNameRulesAndDefaults)
{
    TRzOpenDialog D(nullptr);
    EXPECT_EQ(D.Options(), 0x3A8010u);
    EXPECT_EQ(D.FilterIndex(), 1);
    EXPECT_EQ(D.FormSplitterPos(), -1);
    EXPECT_EQ(D.FileName(), "");
    D.SetFileName("");
    EXPECT_EQ(D.Files()->Count(), 1) << "one empty line";
    EXPECT_EQ(D.FileName(), "");
    D.Files()->Add("second");
    D.SetFileName("C:\\x.mbox");
    EXPECT_EQ(D.Files()->Count(), 1);
    EXPECT_EQ(D.FileName(), "C:\\x.mbox");
}

TEST(TOpenDialog, PlacementRecordCarriesTheTreeAndItsWidth)
{
    TRzOpenDialog D(nullptr);
    D.SetFormLeft(1);
    D.SetFormTop(2);
    D.SetFormWidth(0x01020304);
    D.SetFormHeight(-1);
    D.SetOptions(D.Options() | osoShowTree);
    D.SetFormSplitterPos(250);
    TMemoryStream S;
    D.WritePlacement(&S);
    ASSERT_EQ(S.Size(), 4 * 4 + 2 + 1 + 4);
    const auto* B = static_cast<const unsigned char*>(S.Memory());
    EXPECT_EQ(B[8], 0x04);
    EXPECT_EQ(B[11], 0x01);
    EXPECT_EQ(B[18], 1) << "the tree shows";
    EXPECT_EQ(B[19] | (B[20] << 8), 250);
    TRzOpenDialog Back(nullptr);
    S.SetPosition(0);
    Back.ReadPlacement(&S);
    EXPECT_TRUE(Back.Options() & osoShowTree);
    EXPECT_EQ(Back.FormSplitterPos(), 250);
    EXPECT_EQ(Back.FormWidth(), 0x01020304);
    EXPECT_EQ(Back.FormHeight(), -1);
}

TEST_F(TOpenDialogTest, SettingsReachTheFormAndSettersPassThrough)
{
    Dlg->SetShowButtonGlyphs(true);
    Dlg->SetHelpContext(77);
    Dlg->SetOptions(Dlg->Options() | osoShowHelp | osoShowTree);
    Dlg->SetFormSplitterPos(150);
    int Initialized = 0;
    Dlg->OnInitialized = [&](TObject* Sender) {
        ++Initialized;
        EXPECT_EQ(Sender, Dlg.get());
        EXPECT_EQ(Screen->Cursor(), crHourGlass);
    };
    std::vector<std::string> Seen;
    ASSERT_TRUE(Run({OnOpenForm([&](TRzShellOpenSaveForm* F) {
                         Seen = {F->Caption(), F->btnOpen->Caption(), F->lblLookIn->Caption(),
                                 F->lblFilesOfType->Caption(), F->btnCancel->Caption()};
                         EXPECT_EQ(F->btnOpen->Width(), 95) << "75 and the glyph's 20";
                         EXPECT_FALSE(F->btnOpen->Glyph()->Empty());
                         EXPECT_TRUE(F->btnHelp->Visible());
                         EXPECT_EQ(F->HelpContext, 77);
                         EXPECT_EQ(F->RzSplitter1->Position(), 150);
                         EXPECT_TRUE(F->RzSplitter1->UpperLeft()->Visible());
                         EXPECT_EQ(Dlg->FilterIndex(), 2) << "read from the running form";
                         // Setters reach the running form.
                         Dlg->SetFilterIndex(1);
                         EXPECT_EQ(F->ShellList->FileFilter(), "*.mbox");
                         Dlg->SetOptions(Dlg->Options() | osoAllowMultiselect);
                         EXPECT_TRUE(F->ShellList->MultiSelect());
                         Dlg->SetFileName("inbox.mbox");
                         EXPECT_EQ(F->edtFileName->Text(), "inbox.mbox");
                         EXPECT_EQ(Dlg->FileName(), "") << "nothing accepted yet";
                         F->btnOpen->Click();
                     })},
                    1));
    EXPECT_EQ(Initialized, 1);
    EXPECT_EQ(Seen, (std::vector<std::string>{"Open", "&Open", "Look &in:", "Files of &type:", "Cancel"}));
    EXPECT_EQ(Dlg->FilterIndex(), 1);
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

namespace {

// A dialog whose filling fails half-way.
class TFailingOpenDialog : public TRzOpenDialog {
public:
    using TRzOpenDialog::TRzOpenDialog;
    int Made = 0;

protected:
    TRzShellOpenSaveForm* CreateForm() override
    {
        ++Made;
        return TRzOpenDialog::CreateForm();
    }
    void InitForm(TRzShellOpenSaveForm* Form) override
    {
        TRzOpenDialog::InitForm(Form);
        throw Exception("no filling today");
    }
};

} // namespace

TEST(TOpenDialog, AFailingFillFreesTheFormAndPutsBackTheCursor)
{
    TFailingOpenDialog D(nullptr);
    Screen->SetCursor(crDrag);
    const int FormsBefore = Screen->FormCount();
    EXPECT_THROW(D.Execute(), Exception);
    EXPECT_EQ(D.Made, 1);
    EXPECT_EQ(Screen->Cursor(), crDrag);
    EXPECT_EQ(D.Form(), nullptr);
    EXPECT_EQ(Screen->FormCount(), FormsBefore);
    EXPECT_FALSE(D.Executing());
    Screen->SetCursor(crDefault);
}

TEST_F(TOpenDialogTest, TwoFilesPickedInTheList)
{
    Dlg->SetOptions(Dlg->Options() | osoAllowMultiselect | osoFileMustExist);
    int Selections = 0;
    Dlg->OnSelectionChanged = [&](TObject*) { ++Selections; };
    ASSERT_TRUE(Run({OnOpenForm([](TRzShellOpenSaveForm* F) {
                         for (int I = 0; I < F->ShellList->ItemCount(); ++I)
                             if (!F->ShellList->ItemData(I)->IsFolder())
                                 F->ShellList->Item(I)->SetSelected(true);
                     }),
                     OnOpenForm([](TRzShellOpenSaveForm* F) {
                         EXPECT_EQ(F->edtFileName->Text(), "\"inbox.mbox\" \"sent.mbox\"");
                         F->btnOpen->Click();
                     })},
                    2));
    EXPECT_EQ(Files(), (std::vector<std::string>{Dir.File("inbox.mbox"), Dir.File("sent.mbox")}));
    EXPECT_GE(Selections, 2);
}

TEST_F(TOpenDialogTest, KeyboardEnterOpensAndEscapeCancels)
{
    auto Keys = [](const std::string& Text, WORD Key) {
        return OnOpenForm([Text, Key](TRzShellOpenSaveForm* F) {
            F->edtFileName->SetFocus();
            F->edtFileName->SetText(Text);
            PostMessageA(F->edtFileName->Handle(), WM_KEYDOWN, Key, 1);
            PostMessageA(F->edtFileName->Handle(), WM_KEYUP, Key, 0xC0000001);
        });
    };
    ASSERT_TRUE(Run({Keys("sent.mbox", VK_RETURN)}, 1));
    EXPECT_EQ(Files(), std::vector<std::string>{Dir.File("sent.mbox")});
    EXPECT_FALSE(Run({Keys("inbox.mbox", VK_ESCAPE)}, 1));
}
